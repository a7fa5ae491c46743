// Pixels between the host and the filter: the 8-bit RGBA source copy and
// work buffer that the effect renders into, the preview and navigator reads
// of the dialog, the checkerboard background of the layers below the
// target, the write-back of the work buffer into the host's output, and the
// progress display.
//
// Documents handled: 8-bit RGB with at least 3 planes and 8-bit CMYK with at
// least 4 (CMYK converted through the host's colour space suite). Anything
// else gets the wrong-mode alert and passes through unchanged.
//
// Every operation runs on the host's thread inside the start selector.
// Failures are written to the host's result word and returned; nothing here
// throws.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HostInterface.h"
#include "PreviewPorts.h"
#include "RunStop.h"

namespace frostel {

// Image state. The RGBA buffers come from the page allocator; rows of
// gRowBytes = gWorkWidth * 4 bytes.
extern uint8_t* gSourceRGBA;
extern uint8_t* gWorkRGBA;
extern int32_t gWorkWidth, gWorkHeight;    // the output rectangle being processed
extern int32_t gRowBytes;
constexpr int32_t kPixelStride = 4;
extern int32_t gImageWidth, gImageHeight;  // the whole filter rectangle
extern bool gIsCmyk;
extern uint8_t gDocDepth;                  // the record's depth, 8 when the host leaves it 0
extern bool gHaveMask;                     // the host's selection mask, for the mask emitter
extern const uint8_t* gMaskData;
extern int32_t gMaskRowBytes;

// Preview geometry set by ReadPreviewImage.
extern float gFitScale;  // smallest whole scale at which the document fits the preview
extern bool gZoomable;   // the document is larger than the preview

// The navigator's copy of the whole document (RGBA, rows of width * 4), and
// of its selection when it has one (a byte a pixel, rows of width; null
// without a selection or memory).
extern uint8_t* gNavigatorSource;
extern int32_t gNavigatorWidth, gNavigatorHeight;
extern uint8_t* gNavigatorSelection;
// R, G, B of the layers below the target over a checkerboard, gWorkWidth x
// gWorkHeight pixels, rows of gWorkWidth * 3; null without such layers.
extern uint8_t* gLayersBackground;

constexpr const char* kAlertCaption = "Plugin Alert";
constexpr const char* kWrongModeText = "Wrong Image mode!\r\n Image should be RGB or CMYK";
constexpr const char* kNavigatorMemoryText = "Cannot allocate so big intermedia memory\nTry to use smaller pictures";
constexpr const char* kHostMemoryText = "Photoshop cannot allocate so big memory\nTry to use smaller pictures";

// The document is one the write-back handles exactly.
bool IsSupportedDocument(const pi::FilterRecord* fr);

// Makes gSourceRGBA from the host's input (or, in the dialog, the target
// layer at the preview scale) and an empty gWorkRGBA of the output
// rectangle's size. -108 when the buffers cannot be had, -30900 or the
// suite's error when a CMYK document cannot be converted; both buffers are
// freed on failure.
pi::OSErr PrepareSourceImage();

// The whole render: prepares the source (silent run), runs the effect and
// writes the work buffer into the host's output. Result 0 only when nothing
// failed; on failure the output buffer is left as the host gave it, and so
// it is when the effect was stopped (the status says so; the result word
// stays 0 for the caller to decide).
RunStatus WriteResult();

// The write-back step alone: the work buffer into the host's output buffer
// (converted to CMYK in the silent run of a CMYK document).
pi::OSErr WriteWorkBuffer();

// Frees the source copy, the work buffer and the scene cache (bump texture,
// engine arrays) in the parameter record.
void FreeResultBuffer();

// Copies the input rectangle's planes to the output buffer unchanged.
void CopyInputToOutput();

// Asks the host, in one advanceState call, for the preview rectangle at the
// preview scale given the container's size, zoom level and view; sets
// gPreviewScale, gFitScale, gZoomable and the container's scaled size and
// view. A preview without width or height asks for nothing.
pi::OSErr ReadPreviewImage(PreviewPort& preview);

// Reads the whole document once per dialog into gNavigatorSource. False
// after an alert (no memory here or at the host; result -128).
bool ReadSourceImage();
void FreeNavigatorSource();

// gLayersBackground from the layers below the target (LayerBuffers.h).
void BuildLayersBackground();
void FreeLayersBackground();
// gSourceRGBA from the target layer at the preview scale.
void CopyLayerBufferScaled();

// Progress out of total: the dialog's bar while it is open, else the host's.
void SetProgress(float done, float total);

// width x height pixels of R (low byte of colour), G, B and alpha 255; a
// null buffer is ignored.
void FillRgba(uint8_t* buffer, int32_t width, int32_t height, uint32_t colour);

// Each of R, G, B := 255 - x - k when x + k < 255, else 0 (x = c, m, y).
void CmykToRgb(uint8_t c, uint8_t m, uint8_t y, uint8_t k, uint8_t& r, uint8_t& g, uint8_t& b);

// A 16-bit sample (0..32768) as 8 bits: v >> 7, and 32768 (full) as 255.
inline uint8_t Reduce16(uint16_t v) { return v >= 32768 ? 255 : uint8_t(v >> 7); }

}  // namespace frostel
