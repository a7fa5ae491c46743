#include "PlanarImage.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "PageMemory.h"
#include "PlanarKernels.h"

namespace frostel {

namespace {

int32_t Saturate32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// Set once when the host layer starts; read on the host's thread.
PlanarColorHooks gHooks;

}  // namespace

// ---- Rectangles ------------------------------------------------------------

PlaneRect PlaneRect::Intersect(const PlaneRect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
}

PlaneRect PlaneRect::Offset(int64_t dy, int64_t dx) const {
    return {Saturate32(left + dx), Saturate32(top + dy), Saturate32(right + dx),
            Saturate32(bottom + dy)};
}

PlaneRect PlaneRect::Transposed() const {
    return {left, top, Saturate32(left + Height()), Saturate32(top + Width())};
}

// ---- Colour hooks ------------------------------------------------------------

void SetPlanarColorHooks(const PlanarColorHooks& hooks) { gHooks = hooks; }
PlanarColorHooks GetPlanarColorHooks() { return gHooks; }

int ColourPlanesOfMode(uint16_t mode, int channels) {
    int colour;
    switch (mode) {
        case kModeBitmap:
        case kModeGrayScale:
        case kModeIndexed:
        case kModeDuotone:
        case 10:  // 16-bit grey
        case 15:  // 16-bit duotone
            colour = 1;
            break;
        case kModeCMYK:
        case 13:  // 16-bit CMYK
            colour = 4;
            break;
        case kModeMultichannel:
        case 14:  // 16-bit multichannel
            colour = channels;
            break;
        default:
            colour = 3;
            break;
    }
    return std::clamp(colour, 0, std::max(channels, 0));
}

// ---- Construction and storage ---------------------------------------------------

CPlanarImage::CPlanarImage(uint16_t mode, const PlaneRect& rect, uint8_t channels,
                           uint32_t bitsPerSample, uint32_t border, uint8_t useMapping)
    : mode_(mode),
      bitsPerSample_(bitsPerSample == 0 ? 8 : bitsPerSample),
      bits_(bitsPerSample),
      rect_(rect),
      border_(border),
      channels_(channels),
      useMapping_(useMapping) {
    columnBits_ = uint64_t(OuterHeight()) * bitsPerSample_;
    firstPixelBitOffset_ = (columnBits_ + bitsPerSample_) * border_;
}

CPlanarImage::~CPlanarImage() { Release(); }

int64_t CPlanarImage::Width() const { return std::max<int64_t>(0, rect_.Width()); }
int64_t CPlanarImage::Height() const { return std::max<int64_t>(0, rect_.Height()); }

uint64_t CPlanarImage::StorageBytes() const {
    // Whole bytes per sample only, and a total that the address space can hold.
    if (bitsPerSample_ % 8 != 0 || bitsPerSample_ > 32) return 0;
    const uint64_t limit = uint64_t(std::numeric_limits<ptrdiff_t>::max());
    const uint64_t sampleBytes = bitsPerSample_ / 8;
    const uint64_t w = uint64_t(OuterWidth()), h = uint64_t(OuterHeight());
    if (w == 0 || h == 0 || channels_ == 0) return 0;
    if (h > limit / sampleBytes || w > limit / (h * sampleBytes)) return 0;
    const uint64_t plane = w * h * sampleBytes;
    if (plane > limit / channels_) return 0;
    return plane * channels_;
}

bool CPlanarImage::Allocate() {
    if (storage_.data != nullptr) return true;
    const uint64_t bytes = StorageBytes();
    if (bytes == 0 || bytes > std::numeric_limits<size_t>::max()) return false;
    void* block = AllocPages(size_t(bytes));  // zero-filled
    if (block == nullptr) return false;
    storage_.block = block;
    storage_.data = static_cast<uint8_t*>(block);
    storage_.bytes = bytes;
    storage_.fileMapping = useMapping_;
    storage_.mapping = -1;
    return true;
}

void CPlanarImage::Release() {
    cached_ = nullptr;
    // Storage only ever comes from the page allocator, whatever the mapping
    // flag asked for, so that is how it goes back.
    FreePages(storage_.block);
    storage_ = PlaneStorage{};
}

uint8_t* CPlanarImage::Data() { return Allocate() ? storage_.data : nullptr; }
uint8_t* CPlanarImage::DataNoAlloc() const { return storage_.data; }

uint8_t* CPlanarImage::Bits() {
    uint8_t* d = Data();
    return d ? d + firstPixelBitOffset_ / 8 : nullptr;
}

uint8_t* CPlanarImage::BitsNoAlloc() const {
    return storage_.data ? storage_.data + firstPixelBitOffset_ / 8 : nullptr;
}

uint8_t* CPlanarImage::Sample(int c, int64_t x, int64_t y) const {
    const int64_t b = border_;
    if (storage_.data == nullptr || c < 0 || c >= channels_ || x < -b || y < -b ||
        x >= Width() + b || y >= Height() + b)
        return nullptr;
    return Column(c, x) + ptrdiff_t(y) * ptrdiff_t(BitsPerSample() / 8);
}

bool CPlanarImage::SameLayout(const CPlanarImage& o) const {
    return columnBits_ == o.columnBits_ && BitsPerSample() == o.BitsPerSample() &&
           Width() == o.Width() && Height() == o.Height();
}

// ---- Operations the layer code uses -----------------------------------------------

bool CPlanarImage::CopyFrom(const CPlanarImage* source) {
    if (source == nullptr || !SameLayout(*source)) return false;
    if (source == this) return DataNoAlloc() != nullptr || Allocate();
    const uint8_t* from = source->DataNoAlloc();
    uint8_t* to = Data();
    if (from == nullptr || to == nullptr) return false;
    const int planes = std::min(channels_, source->channels_);
    std::memcpy(to, from, size_t(PlaneBytes()) * size_t(planes));
    return true;
}

// The rect places the source in this buffer. The rect may not be larger than
// this buffer, and the mask must match the source in size; what falls
// outside this buffer, the source or the mask is clipped away. The colour
// planes that both buffers have are blended; alpha never is.
bool CPlanarImage::BlendMasked(const CPlanarImage* source, const CPlanarImage* mask,
                               const PlaneRect& rect) {
    if (source == nullptr || mask == nullptr || source == this || mask == this) return false;
    if (Width() < rect.Width() || Height() < rect.Height()) return false;
    if (mask->Width() != source->Width() || mask->Height() != source->Height()) return false;
    if (!Is8Bit() || !source->Is8Bit() || !mask->Is8Bit() || mask->channels_ < 1) return false;

    const int planes = std::min({ColourPlanes(), source->ColourPlanes(), int(source->channels_)});
    // Destination columns and rows that have a source and mask sample behind them.
    const int64_t x0 = std::max<int64_t>({rect.left, 0});
    const int64_t y0 = std::max<int64_t>({rect.top, 0});
    const int64_t x1 = std::min<int64_t>({int64_t(rect.right), Width(), rect.left + source->Width()});
    const int64_t y1 = std::min<int64_t>({int64_t(rect.bottom), Height(), rect.top + source->Height()});
    if (planes <= 0 || x1 <= x0 || y1 <= y0) return true;
    if (Data() == nullptr || source->DataNoAlloc() == nullptr || mask->DataNoAlloc() == nullptr)
        return false;

    const size_t n = size_t(y1 - y0);
    for (int c = 0; c < planes; ++c) {
        for (int64_t x = x0; x < x1; ++x) {
            const int64_t sx = x - rect.left, sy = y0 - rect.top;
            planar::BlendColumn(Column(c, x) + y0, source->Column(c, sx) + sy, mask->Column(0, sx) + sy, n);
        }
    }
    return true;
}

bool CPlanarImage::FillColor(const Rgb16& color) {
    if (!Is8Bit()) return false;
    uint16_t comps[4] = {0, 0, 0, 0};
    if (mode_ == kModeRGB) {
        comps[0] = color.red >> 8;
        comps[1] = color.green >> 8;
        comps[2] = color.blue >> 8;
    } else {
        const PlanarColorHooks hooks = GetPlanarColorHooks();
        if (hooks.rgbToMode == nullptr || !hooks.rgbToMode(color, comps, mode_)) return false;
    }
    if (Data() == nullptr) return false;
    const int planes = std::min(ColourPlanes(), 4);
    const size_t planeBytes = size_t(PlaneBytes());
    for (int c = 0; c < planes; ++c)
        std::memset(storage_.data + size_t(c) * planeBytes, comps[c] & 0xFF, planeBytes);
    return true;
}

void CPlanarImage::ClampAlpha(uint8_t minimum) {
    const int a = AlphaPlane();
    if (a < 0 || !Is8Bit() || Data() == nullptr) return;
    const size_t h = size_t(Height());
    for (int64_t x = 0; x < Width(); ++x) {
        uint8_t* col = Column(a, x);
        for (size_t y = 0; y < h; ++y) col[y] = std::max(col[y], minimum);
    }
}

void CPlanarImage::MaxAlpha(const CPlanarImage* other) {
    const int a = AlphaPlane();
    if (other == nullptr || a < 0 || !Is8Bit() || !other->Is8Bit() || other->channels_ < 1) return;
    const int otherPlane = std::max(other->AlphaPlane(), 0);
    if (other->DataNoAlloc() == nullptr || Data() == nullptr) return;
    const int64_t w = std::min(Width(), other->Width());
    const size_t h = size_t(std::min(Height(), other->Height()));
    for (int64_t x = 0; x < w; ++x) {
        uint8_t* col = Column(a, x);
        const uint8_t* o = other->Column(otherPlane, x);
        for (size_t y = 0; y < h; ++y) col[y] = std::max(col[y], o[y]);
    }
}

}  // namespace frostel
