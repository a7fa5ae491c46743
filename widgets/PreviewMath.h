// The preview container's pure parts: the bitmap's size and place, the
// conversion of the host's output buffer into 24-bit rows, and the mapping
// between client pixels and the emitter centre in percent of the image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frostel::widgets {

// The host's output buffer of the preview rectangle.
struct PreviewSource {
    const void* data = nullptr;    // first pixel of the rectangle
    int32_t rowBytes = 0;          // bytes from one row to the next, whatever the depth
    int planes = 0;                // interleaved channels per pixel
    int depth = 8;                 // 8 or 16 bits per channel
    int width = 0, height = 0;     // the rectangle
    bool isCmyk = false;
    // Optional RGB image (3 bytes a pixel) that partly transparent pixels are
    // shown over; same pixel grid as the rectangle.
    const uint8_t* background = nullptr;
    int backgroundWidth = 0, backgroundHeight = 0;
    ptrdiff_t backgroundRowBytes = 0;
};

struct PreviewLayout {
    int width, height;     // bitmap size; width a multiple of 4
    int offsetX, offsetY;  // bitmap's top-left in the client area, never negative
};
PreviewLayout LayoutPreviewBitmap(int clientWidth, int clientHeight, int rectWidth, int rectHeight);

// The part of an image shown at `zoom` in a client area: the view origin (in
// zoomed pixels) clamped to the zoomed image, the shown size (width a multiple
// of 4) and its place, centred where the zoomed image is the smaller. Nothing
// is shown for a zoom that is not positive.
struct PreviewView {
    int viewX, viewY;
    int width, height;
    int offsetX, offsetY;
};
PreviewView ClampPreviewView(int clientWidth, int clientHeight, int imageWidth, int imageHeight, float zoom,
                             int viewX, int viewY);
// Copies the view out of a 24-bit image (bottom-up rows `srcRowBytes` apart)
// at `zoom`, nearest pixel, into bottom-up rows `dstRowBytes` apart.
void CutPreviewView(const uint8_t* src, int srcWidth, int srcHeight, size_t srcRowBytes, float zoom,
                    const PreviewView& view, uint8_t* dst, size_t dstRowBytes);

// Rows of 24-bit pixels (blue, green, red), bottom row first as a DIB holds
// them, `dstRowBytes` apart; width x height of the layout. The buffer is
// cleared first: unsupported depths and fewer than 3 planes stay black.
void ConvertPreviewPixels(const PreviewSource& src, int width, int height, uint8_t* dst, size_t dstRowBytes);

// What the client point means in the image: W x H is the document's size in
// preview pixels, view the shown area's origin, offset the bitmap's place.
struct PreviewFrame {
    float docWidth, docHeight;
    int viewX, viewY;
    int offsetX, offsetY;
};
// False when the document has no size.
bool ClientToPercent(const PreviewFrame& f, int sx, int sy, float* xPercent, float* yPercent);
void PercentToClient(const PreviewFrame& f, float xPercent, float yPercent, float* sx, float* sy);

// The navigator's frame: the main preview's bitmap size in navigator pixels.
int NavigatorFrameExtent(int mainBitmapExtent, float navigatorScale, float previewScale);
// The frame as drawn over the navigator's image (imageW x imageH, positions in
// its pixels): the part of the frame on the image, closed on the image's
// edges. The extent's rounding makes a frame of the whole image a pixel or
// two larger than the image, whose far edges would fall on the background.
// A frame that misses the image, or no image, is drawn as it is.
struct FrameBox {
    int x, y, w, h;
};
FrameBox NavigatorFrameOnImage(int x, int y, int w, int h, int imageW, int imageH);

}  // namespace frostel::widgets
