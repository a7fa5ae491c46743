// Channel-planar image buffer: one plane per channel, each plane a run of
// columns (samples of one column are contiguous, columns left to right),
// with an optional border of `border` samples on every side. The layout
// is the one the host's pixel-memory descriptor describes with a row step
// of one sample and a column step of one column, so host channel reads land
// in a plane directly.
//
// Storage comes from the page allocator, lazily on first access, zero-filled.
// Sizes are 64-bit; a buffer whose storage cannot be had (too large, no
// memory, or an empty rectangle) simply has no pixel memory and every
// operation that needs it fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace frostel {

// Image modes of the host (the codes of the filter record's imageMode).
enum : uint16_t {
    kModeBitmap = 0,
    kModeGrayScale = 1,
    kModeIndexed = 2,
    kModeRGB = 3,
    kModeCMYK = 4,
    kModeMultichannel = 7,
    kModeDuotone = 8,
    kModeLab = 9,
};

struct PlaneRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    int64_t Width() const { return int64_t(right) - left; }
    int64_t Height() const { return int64_t(bottom) - top; }
    // The larger left and top, the smaller right and bottom.
    PlaneRect Intersect(const PlaneRect& o) const;
    // Moves all four sides; coordinates saturate at the 32-bit range.
    PlaneRect Offset(int64_t dy, int64_t dx) const;
    // Swapped about the top-left corner: right := left + height, bottom := top + width.
    PlaneRect Transposed() const;
    bool operator==(const PlaneRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// An RGB colour of the host: 16-bit components, the 8-bit value in the high byte.
struct Rgb16 {
    uint16_t red = 0, green = 0, blue = 0;
};

// Colour conversion belongs to the host's colour services; the buffer
// reaches it through these hooks so that it builds and runs without a host.
// A missing hook fails the conversion (RGB into an RGB buffer needs none).
struct PlanarColorHooks {
    // The colour into up to four components of `mode` (values 0..255).
    bool (*rgbToMode)(const Rgb16& color, uint16_t out[4], uint16_t mode) = nullptr;
    // Four components (0..255) in place from one mode into another.
    bool (*betweenModes)(uint16_t components[4], uint16_t fromMode, uint16_t toMode) = nullptr;
};
void SetPlanarColorHooks(const PlanarColorHooks& hooks);
PlanarColorHooks GetPlanarColorHooks();

// Number of colour planes of a mode: 1 for the one-ink modes, 3 for RGB and
// Lab, 4 for CMYK, every plane for multichannel.
int ColourPlanesOfMode(uint16_t mode, int channels);

struct PlaneStorage {
    void* block = nullptr;    // the page block (or a mapped view)
    uint8_t fileMapping = 0;  // the buffer asked for a file mapping
    uint8_t* data = nullptr;  // what samples are addressed from
    intptr_t mapping = -1;    // mapping handle, -1 when the memory is a page block
    uint64_t bytes = 0;
};

class CPlanarImage {
public:
    // Stores the layout; no memory yet. A bits-per-sample of 0 means 8.
    CPlanarImage(uint16_t mode, const PlaneRect& rect, uint8_t channels, uint32_t bitsPerSample,
                 uint32_t border, uint8_t useMapping);
    ~CPlanarImage();
    CPlanarImage(const CPlanarImage&) = delete;
    CPlanarImage& operator=(const CPlanarImage&) = delete;

    // Makes the storage when there is none: PlaneBytes x channels bytes,
    // zero-filled. False when it cannot be had.
    bool Allocate();
    // Frees the storage and forgets the cached pointer; the record is empty.
    void Release();

    uint8_t* Data();              // allocating; null when no memory can be had
    uint8_t* DataNoAlloc() const;
    uint8_t* Bits();              // first inner sample of plane 0, allocating
    uint8_t* BitsNoAlloc() const;
    void CacheBits() { cached_ = Data(); }
    uint8_t* CachedBits() const { return cached_; }

    // Layout.
    uint64_t ColumnBits() const { return columnBits_; }
    uint32_t BitsPerSample() const { return bits_ == 0 ? 8 : bits_; }
    uint64_t FirstPixelBitOffset() const { return firstPixelBitOffset_; }
    uint64_t PlaneBytes() const { return columnBits_ * uint64_t(OuterWidth()) / 8; }
    uint64_t ColumnBytes() const { return columnBits_ / 8; }
    uint64_t StorageBytes() const;  // 0 when the layout cannot be held in memory
    int64_t OuterWidth() const { return Width() + 2 * int64_t(border_); }
    int64_t OuterHeight() const { return Height() + 2 * int64_t(border_); }
    int64_t Width() const;   // inner, never negative
    int64_t Height() const;  // inner, never negative
    const PlaneRect& Rect() const { return rect_; }
    uint32_t Border() const { return border_; }
    uint8_t Channels() const { return channels_; }
    uint16_t Mode() const { return mode_; }
    uint8_t UseMapping() const { return useMapping_; }
    const PlaneStorage& Storage() const { return storage_; }

    // Colour planes of this buffer's mode, and the plane that holds alpha:
    // the first plane after the colour planes, -1 when there is none. In a
    // CMYK buffer plane 3 is black and alpha, when present, is plane 4.
    int ColourPlanes() const { return ColourPlanesOfMode(mode_, channels_); }
    int AlphaPlane() const { return channels_ > ColourPlanes() ? ColourPlanes() : -1; }

    // Sample (c, x, y) in inner coordinates; x and y may reach into the
    // border. Null without storage or outside the plane.
    uint8_t* Sample(int c, int64_t x, int64_t y) const;
    // First inner sample of column x (border columns: x < 0 or x >= Width).
    // Needs storage; no range check beyond debug builds.
    uint8_t* Column(int c, int64_t x) const {
        return storage_.data + firstPixelBitOffset_ / 8 + size_t(c) * PlaneBytes() +
               ptrdiff_t(x) * ptrdiff_t(ColumnBytes());
    }

    // ---- Operations the layer code uses ------------------------------------
    // Copies the planes both buffers have; false unless the layouts (column
    // bits, bits per sample, inner size) are the same.
    bool CopyFrom(const CPlanarImage* source);
    // Blends the source over this buffer through a one-plane mask; the
    // source's (0, 0) lands on the rect's top-left (inner coordinates of
    // this buffer). Alpha is never blended. See the .cpp for the rules.
    bool BlendMasked(const CPlanarImage* source, const CPlanarImage* mask, const PlaneRect& rect);
    // Fills the colour planes with the colour converted into this buffer's
    // mode; alpha stays. False without storage or when the conversion fails.
    bool FillColor(const Rgb16& color);
    // Every inner alpha sample below the minimum becomes the minimum.
    void ClampAlpha(uint8_t minimum);
    // Every inner alpha sample becomes the larger of its own and the other
    // buffer's alpha (its plane 0 when it has no alpha plane).
    void MaxAlpha(const CPlanarImage* other);

    // ---- Further operations (8-bit buffers) --------------------------------
    void SetMode(uint16_t mode) { mode_ = mode; }
    bool Clear();   // black converted into the buffer's mode
    bool Invert();  // every byte of the storage, border included
    bool CopyIntoRect(const CPlanarImage* source, const PlaneRect& rect);
    bool CopyRectCentred(const CPlanarImage* source, const PlaneRect& rect);
    bool MirrorLeftRight(const CPlanarImage* source);
    bool MirrorTopBottom(const CPlanarImage* source);
    // The operations that make a buffer leave `out` unchanged on failure.
    static bool RotateClockwise(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source);
    static bool RotateCounterClockwise(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source);
    static bool ConvertMode(std::unique_ptr<CPlanarImage>& image, uint16_t mode);
    static bool Resample(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source, double scale,
                         uint8_t useMapping);
    bool BoxBlur(uint32_t radius);
    void Smooth3x3();
    // Sets `out` to null first.
    static bool BuildMask(std::unique_ptr<CPlanarImage>& out, const CPlanarImage* source);

private:
    bool Is8Bit() const { return BitsPerSample() == 8; }
    bool SameLayout(const CPlanarImage& o) const;

    uint16_t mode_;
    uint8_t* cached_ = nullptr;
    uint64_t columnBits_;
    uint32_t bitsPerSample_;
    uint64_t firstPixelBitOffset_;
    uint32_t bits_;
    PlaneStorage storage_;
    PlaneRect rect_;
    uint32_t border_;
    uint8_t channels_;
    uint8_t useMapping_;
};

}  // namespace frostel
