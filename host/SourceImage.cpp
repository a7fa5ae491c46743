// The source side: the RGBA source copy, the preview and navigator reads,
// the layers' background, and the small pixel helpers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "Alert.h"
#include "ColorArrays.h"
#include "Dialog.h"
#include "FilterParameters.h"
#include "HostSuites.h"
#include "HostUtil.h"
#include "ImageTransfer.h"
#include "LayerBuffers.h"
#include "PageMemory.h"
#include "Plugin.h"
#include "Renderer.h"
#include "RowBands.h"
#include "SourceImageInternal.h"

namespace frostel {

uint8_t* gSourceRGBA = nullptr;
uint8_t* gWorkRGBA = nullptr;
int32_t gWorkWidth = 0, gWorkHeight = 0;
int32_t gRowBytes = 0;
int32_t gImageWidth = 0, gImageHeight = 0;
bool gIsCmyk = false;
uint8_t gDocDepth = 8;
bool gHaveMask = false;
const uint8_t* gMaskData = nullptr;
int32_t gMaskRowBytes = 0;
float gFitScale = 1.0f;
bool gZoomable = false;
uint8_t* gNavigatorSource = nullptr;
int32_t gNavigatorWidth = 0, gNavigatorHeight = 0;
uint8_t* gNavigatorSelection = nullptr;
uint8_t* gLayersBackground = nullptr;
PreviewPort* gPreviewPort = nullptr;
ProgressPort* gProgressPort = nullptr;
InputPort* gInputPort = nullptr;

namespace {

bool gNavigatorRead = false;

int32_t Width(const pi::VRect& r) { return std::max(0, r.right - r.left); }
int32_t Height(const pi::VRect& r) { return std::max(0, r.bottom - r.top); }

// The nearest layer sample of a work pixel at the preview scale.
struct LayerSampler {
    const CPlanarImage& layer;
    int64_t Column(int32_t x) const { return Index(gViewX, x, layer.Width()); }
    int64_t Row(int32_t y) const { return Index(gViewY, y, layer.Height()); }
    uint8_t At(int c, int64_t column, int64_t row) const { return layer.Column(c, column)[row]; }

    static int64_t Index(int32_t view, int32_t at, int64_t size) {
        const float v = float(int64_t(view) + at) * gPreviewScale;
        const int64_t i = std::isfinite(v) ? int64_t(std::clamp(v, -1.0f, float(size))) : 0;
        return std::clamp<int64_t>(i, 0, size - 1);
    }
};

// The target layer, when the dialog is open and it has pixels.
const CPlanarImage* PreviewLayer() {
    const CPlanarImage* layer = gDialogOpen ? gLayerBuffer.get() : nullptr;
    if (layer == nullptr || layer->DataNoAlloc() == nullptr || layer->Width() <= 0 || layer->Height() <= 0 ||
        layer->BitsPerSample() != 8)
        return nullptr;
    return layer;
}

// The CMYK fallback without the suite (plane values, 255 = no ink).
void CmykPlanesToRgb(uint8_t cyan, uint8_t magenta, uint8_t yellow, uint8_t black, uint8_t* rgb) {
    auto ink = [](uint8_t plane, float per) { return uint8_t(float(255 - plane) / per); };
    CmykToRgb(ink(cyan, 1.5f), ink(magenta, 1.5f), ink(yellow, 1.5f), ink(black, 2.55f), rgb[0], rgb[1], rgb[2]);
}

// R, G, B of one layer sample, whatever the buffer's mode and channels.
void LayerRgb(const LayerSampler& s, int64_t column, int64_t row, uint8_t* rgb) {
    const int channels = s.layer.Channels();
    if (s.layer.Mode() == kModeCMYK && channels >= 4) {
        CmykPlanesToRgb(s.At(0, column, row), s.At(1, column, row), s.At(2, column, row), s.At(3, column, row),
                        rgb);
        return;
    }
    for (int i = 0; i < 3; ++i) rgb[i] = s.At(std::min(i, std::min(channels, 3) - 1), column, row);
}

// RGB(A) pixels from the host's interleaved input.
void CopyRgbFromInput(const pi::FilterRecord* fr) {
    const auto* in = static_cast<const uint8_t*>(fr->inData);
    const int planes = fr->planes;
    const ptrdiff_t inRowBytes = fr->inRowBytes;
    ForEachRowBand(gWorkHeight, size_t(gRowBytes), [=](int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* s = in + ptrdiff_t(y) * inRowBytes;
            uint8_t* d = gSourceRGBA + size_t(y) * size_t(gRowBytes);
            for (int32_t x = 0; x < gWorkWidth; ++x, s += planes, d += kPixelStride) {
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
                d[3] = planes >= 4 ? s[3] : 255;
            }
        }
    });
}

// CMYK planes (from the layer or the input) into the source rows, each row
// converted in place through the suite.
pi::OSErr ConvertCmykSource(const pi::FilterRecord* fr, const pi::PSColorSpaceSuite1& suite,
                            const CPlanarImage* layer) {
    const auto* in = static_cast<const uint8_t*>(fr->inData);
    const int planes = fr->planes;
    const bool alpha = planes >= 5;
    const int layerAlpha = layer != nullptr ? layer->AlphaPlane() : -1;
    for (int32_t y = 0; y < gWorkHeight; ++y) {
        uint8_t* row = gSourceRGBA + size_t(y) * size_t(gRowBytes);
        const uint8_t* src = in + ptrdiff_t(y) * fr->inRowBytes;
        if (layer != nullptr) {
            const LayerSampler s{*layer};
            const int64_t ly = s.Row(y);
            for (int32_t x = 0; x < gWorkWidth; ++x) {
                const int64_t lx = s.Column(x);
                for (int c = 0; c < 4; ++c) row[4 * x + c] = s.At(c, lx, ly);
            }
        } else {
            for (int32_t x = 0; x < gWorkWidth; ++x) std::memcpy(row + 4 * x, src + ptrdiff_t(x) * planes, 4);
        }
        const pi::OSErr err = ConvertColorArray8(suite, pi::plugIncolorServicesCMYKSpace,
                                                 pi::plugIncolorServicesRGBSpace,
                                                 reinterpret_cast<pi::Color8*>(row), size_t(gWorkWidth));
        if (err != pi::noErr) return err;
        // RGB comes back in places 1 to 3.
        for (int32_t x = 0; x < gWorkWidth; ++x) {
            uint8_t* d = row + 4 * x;
            d[0] = d[1], d[1] = d[2], d[2] = d[3];
            if (!alpha) {
                d[3] = 255;
            } else if (layer != nullptr) {
                const LayerSampler s{*layer};
                d[3] = layerAlpha >= 0 ? s.At(layerAlpha, s.Column(x), s.Row(y)) : 255;
            } else {
                d[3] = src[ptrdiff_t(x) * planes + 4];
            }
        }
    }
    return pi::noErr;
}

pi::OSErr FailPreparation(pi::OSErr err) {
    FreePages(gSourceRGBA);
    FreePages(gWorkRGBA);
    gSourceRGBA = gWorkRGBA = nullptr;
    SetResult(err);
    return err;
}

// Sets the four request rectangles, all planes, both rates and the paddings.
void RequestScaled(pi::FilterRecord* fr, const pi::VRect& r, pi::Fixed rate) {
    SetInRect(fr, r);
    SetOutRect(fr, r);
    SetMaskRect(fr, r);
    fr->inLoPlane = fr->outLoPlane = 0;
    fr->inHiPlane = fr->outHiPlane = int16_t(fr->planes - 1);
    fr->inputRate = fr->maskRate = rate;
    fr->inputPadding = fr->outputPadding = 255;
    fr->maskPadding = fr->inputPadding;
}

// The rectangle scaled by 1 / scale with rounding.
pi::VRect ScaleDown(const pi::VRect& r, float scale) {
    auto s = [scale](int32_t v) { return int32_t(std::floor(double(v) / double(scale) + 0.5)); };
    return {s(r.top), s(r.left), s(r.bottom), s(r.right)};
}

pi::OSErr Advance(pi::FilterRecord* fr) {
    return fr->advanceState != nullptr ? fr->advanceState() : pi::errPlugInHostInsufficient;
}

}  // namespace

uint8_t DocumentDepth(const pi::FilterRecord* fr) {
    if (fr->depth == 0) return 8;
    return fr->depth > 0 && fr->depth <= 255 ? uint8_t(fr->depth) : 0;
}

void SetRenderDepth() { _Deep = gDocDepth == 16 ? 1 : 0; }

bool BufferSize(int64_t width, int64_t height, int64_t pixelBytes, size_t& rowBytes, size_t& total) {
    if (width < 0 || height < 0 || pixelBytes <= 0 || width > INT32_MAX) return false;
    const int64_t row = width * pixelBytes;
    if (row > INT32_MAX) return false;
    if (height != 0 && uint64_t(row) > SIZE_MAX / uint64_t(height)) return false;
    rowBytes = size_t(row);
    total = size_t(row) * size_t(height);
    return true;
}

bool HostBufferFits(const void* data, int32_t rowBytes, int64_t width, int64_t height, int64_t pixelBytes) {
    if (data == nullptr) return false;
    return height <= 1 || int64_t(rowBytes) >= width * pixelBytes;
}

bool IsSupportedDocument(const pi::FilterRecord* fr) {
    if (fr == nullptr || DocumentDepth(fr) != 8) return false;
    if (fr->imageMode == pi::plugInModeRGBColor) return fr->planes >= 3;
    if (fr->imageMode == pi::plugInModeCMYKColor) return fr->planes >= 4;
    return false;
}

pi::OSErr PrepareSourceImage() {
    pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr) return pi::filterBadParameters;
    if (gParams != nullptr) gParams->geometryDirty = 1;
    SetProgress(0, 100);

    const pi::VRect out = GetOutRect(fr);
    gWorkWidth = Width(out);
    gWorkHeight = Height(out);
    gIsCmyk = fr->imageMode == pi::plugInModeCMYKColor;
    gDocDepth = DocumentDepth(fr);
    SetRenderDepth();
    const pi::VRect filter = GetFilterRect(fr);
    gImageWidth = Width(filter);
    gImageHeight = Height(filter);

    FreePages(gSourceRGBA);
    FreePages(gWorkRGBA);
    gSourceRGBA = gWorkRGBA = nullptr;
    size_t rowBytes = 0, bytes = 0;
    if (!BufferSize(gWorkWidth, gWorkHeight, kPixelStride, rowBytes, bytes)) return FailPreparation(pi::memFullErr);
    gRowBytes = int32_t(rowBytes);
    if (bytes == 0) return pi::noErr;  // nothing to filter
    gSourceRGBA = static_cast<uint8_t*>(AllocPages(bytes));
    gWorkRGBA = static_cast<uint8_t*>(AllocPages(bytes));
    if (gSourceRGBA == nullptr || gWorkRGBA == nullptr) return FailPreparation(pi::memFullErr);

    if (IsSupportedDocument(fr)) {
        const CPlanarImage* layer = PreviewLayer();
        if (layer == nullptr && !HostBufferFits(fr->inData, fr->inRowBytes, gWorkWidth, gWorkHeight, fr->planes))
            return FailPreparation(fr->inData == nullptr ? pi::memFullErr : pi::filterBadParameters);
        if (!gIsCmyk) {
            if (layer != nullptr)
                CopyLayerBufferScaled();
            else
                CopyRgbFromInput(fr);
        } else {
            ScopedSuite suite(pi::kPSColorSpaceSuite, 1);
            if (!suite) return FailPreparation(SuiteErrorToResult(suite.result()));
            const pi::OSErr err = ConvertCmykSource(fr, *suite.get<pi::PSColorSpaceSuite1>(), layer);
            if (err != pi::noErr) return FailPreparation(err);
        }
    }

    SetProgress(5, 100);
    if (gDialogOpen) BuildLayersBackground();
    gHaveMask = fr->haveMask != 0;
    if (gHaveMask) {
        gMaskRowBytes = fr->maskRowBytes;
        gMaskData = static_cast<const uint8_t*>(fr->maskData);
    }
    SetProgress(10, 100);
    return pi::noErr;
}

void CopyLayerBufferScaled() {
    const CPlanarImage* layer = gLayerBuffer.get();
    if (layer == nullptr || layer->DataNoAlloc() == nullptr || gSourceRGBA == nullptr) return;
    const LayerSampler s{*layer};
    const int alpha = gFilterRecord != nullptr && gFilterRecord->planes >= 4 ? layer->AlphaPlane() : -1;
    const int32_t rows = int32_t(std::min<int64_t>(gWorkHeight, layer->Height()));
    const int32_t columns = int32_t(std::min<int64_t>(gWorkWidth, layer->Width()));
    for (int32_t y = 0; y < rows; ++y) {
        const int64_t ly = s.Row(y);
        uint8_t* d = gSourceRGBA + size_t(y) * size_t(gRowBytes);
        for (int32_t x = 0; x < columns; ++x, d += kPixelStride) {
            const int64_t lx = s.Column(x);
            LayerRgb(s, lx, ly, d);
            d[3] = alpha >= 0 ? s.At(alpha, lx, ly) : 255;
        }
    }
}

void FreeLayersBackground() {
    FreePages(gLayersBackground);
    gLayersBackground = nullptr;
}

void BuildLayersBackground() {
    FreeLayersBackground();
    const CPlanarImage* below = gBelowLayersBuffer.get();
    if (below == nullptr || below->DataNoAlloc() == nullptr || below->Width() <= 0 || below->Height() <= 0)
        return;
    size_t rowBytes = 0, bytes = 0;
    if (!BufferSize(gWorkWidth, gWorkHeight, 3, rowBytes, bytes) || bytes == 0) return;
    gLayersBackground = static_cast<uint8_t*>(AllocPages(bytes));
    if (gLayersBackground == nullptr) return;
    const LayerSampler s{*below};
    const int alpha = below->Channels() >= 4 ? below->AlphaPlane() : -1;
    for (int32_t y = 0; y < gWorkHeight; ++y) {
        const int64_t ly = s.Row(y);
        uint8_t* d = gLayersBackground + size_t(y) * rowBytes;
        for (int32_t x = 0; x < gWorkWidth; ++x, d += 3) {
            const int64_t lx = s.Column(x);
            uint8_t rgb[3];
            LayerRgb(s, lx, ly, rgb);
            if (alpha < 0) {
                std::memcpy(d, rgb, 3);
                continue;
            }
            // Over a checkerboard of 7 x 7 cells.
            const float a = float(s.At(alpha, lx, ly)) / 255.0f;
            const float grey = ((x / 7) + (y / 7)) % 2 != 0 ? 255.0f : 204.0f;
            for (int i = 0; i < 3; ++i) d[i] = uint8_t(float(rgb[i]) * a + grey * (1.0f - a));
        }
    }
}

pi::OSErr ReadPreviewImage(PreviewPort& preview) {
    pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr) return pi::filterBadParameters;
    const int32_t pw = preview.ClientWidth();
    const int32_t ph = preview.ClientHeight();
    const pi::VPoint image = GetImageSize(fr);
    const float oldScale = gPreviewScale > 0.0f ? gPreviewScale : 1.0f;
    const int32_t oldWidth = int32_t(float(image.h) / oldScale);
    const int32_t oldHeight = int32_t(float(image.v) / oldScale);

    // The data record holds the preview rectangle; without width or height
    // there is no preview to read (and no scale to fit).
    int32_t previewW = pw, previewH = ph;
    if (gData != nullptr) {
        previewW = int32_t(gData->previewRight) - gData->previewLeft;
        previewH = int32_t(gData->previewBottom) - gData->previewTop;
    }
    if (previewW <= 0 || previewH <= 0 || pw <= 0 || ph <= 0) return pi::noErr;

    const pi::VRect filter = GetFilterRect(fr);
    const float fit = std::max(float(Height(filter)) / float(previewH), float(Width(filter)) / float(previewW));
    gZoomable = fit > 1.0f;
    gFitScale = std::max(1.0f, std::ceil(fit));
    if (gData != nullptr) {
        gData->previewBottom = int16_t(gData->previewBottom - gData->previewTop);
        gData->previewRight = int16_t(gData->previewRight - gData->previewLeft);
        gData->previewTop = gData->previewLeft = 0;
    }

    if (gZoomLevel == -1.0f) gZoomLevel = gFitScale - 1.0f;
    gPreviewScale = std::clamp(std::floor(gFitScale - gZoomLevel), 1.0f, gFitScale);

    const pi::VRect r = ScaleDown(filter, gPreviewScale);
    preview.SetScaledImageSize(Width(r), Height(r));

    // Keep the view centred across a zoom, then inside the image.
    int32_t vx = preview.ViewX() + (Width(r) - oldWidth) / 2;
    int32_t vy = preview.ViewY() + (Height(r) - oldHeight) / 2;
    if (gZoomable) {
        vx = std::min(vx, int32_t(float(image.h) / gPreviewScale) - pw);
        vy = std::min(vy, int32_t(float(image.v) / gPreviewScale) - ph);
        vx = std::max(vx, 0);
        vy = std::max(vy, 0);
    } else {
        vx = vy = 0;
    }
    preview.SetView(vx, vy);

    // At most the container's size, from the scaled rectangle's corner.
    const pi::VRect want{r.top + vy, r.left + vx, std::min(r.bottom, r.top + ph) + vy,
                         std::min(r.right, r.left + pw) + vx};
    RequestScaled(fr, want, pi::Fixed(gPreviewScale * 65536.0f));
    const pi::OSErr err = Advance(fr);
    SetResult(err);
    return err;
}

void FreeNavigatorSource() {
    FreePages(gNavigatorSource);
    FreePages(gNavigatorSelection);
    gNavigatorSource = gNavigatorSelection = nullptr;
    gNavigatorWidth = gNavigatorHeight = 0;
    gNavigatorRead = false;
}

namespace {

// One row of the input at `depth` as RGBA.
void NavigatorRgbRow(const uint8_t* in, int planes, int depth, int32_t width, uint8_t* d) {
    for (int32_t x = 0; x < width; ++x, d += 4) {
        if (depth == 8) {
            const uint8_t* s = in + ptrdiff_t(x) * planes;
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
            d[3] = planes >= 4 ? s[3] : 255;
        } else {
            const auto* s = reinterpret_cast<const uint16_t*>(in) + ptrdiff_t(x) * planes;
            d[0] = Reduce16(s[0]), d[1] = Reduce16(s[1]), d[2] = Reduce16(s[2]);
            d[3] = planes >= 4 ? Reduce16(s[3]) : 255;
        }
    }
}

void NavigatorCmykFallbackRow(const uint8_t* in, int planes, int depth, int32_t width, uint8_t* d) {
    for (int32_t x = 0; x < width; ++x, d += 4) {
        uint8_t v[5] = {0, 0, 0, 0, 255};
        for (int p = 0; p < std::min(planes, 5); ++p)
            v[p] = depth == 8 ? in[ptrdiff_t(x) * planes + p]
                              : Reduce16(reinterpret_cast<const uint16_t*>(in)[ptrdiff_t(x) * planes + p]);
        CmykPlanesToRgb(v[0], v[1], v[2], v[3], d);
        d[3] = v[4];
    }
}

pi::OSErr NavigatorCmykSuiteRow(const pi::PSColorSpaceSuite1& suite, const uint8_t* in, int planes, int depth,
                                int32_t width, uint8_t* d, PageBlock& deep) {
    if (depth == 8) {
        for (int32_t x = 0; x < width; ++x) std::memcpy(d + 4 * x, in + ptrdiff_t(x) * planes, 4);
        const pi::OSErr err = ConvertColorArray8(suite, pi::plugIncolorServicesCMYKSpace,
                                                 pi::plugIncolorServicesRGBSpace, reinterpret_cast<pi::Color8*>(d),
                                                 size_t(width));
        if (err != pi::noErr) return err;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = d + 4 * x;
            p[0] = p[1], p[1] = p[2], p[2] = p[3];
            p[3] = planes >= 5 ? in[ptrdiff_t(x) * planes + 4] : 255;
        }
        return pi::noErr;
    }
    auto* colors = deep.as<pi::Color16>();
    const auto* s = reinterpret_cast<const uint16_t*>(in);
    for (int32_t x = 0; x < width; ++x) std::memcpy(colors[x], s + ptrdiff_t(x) * planes, sizeof(pi::Color16));
    const pi::OSErr err = ConvertColorArray16(suite, pi::plugIncolorServicesCMYKSpace,
                                              pi::plugIncolorServicesRGBSpace, colors, size_t(width));
    if (err != pi::noErr) return err;
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* p = d + 4 * x;
        p[0] = Reduce16(colors[x][1]), p[1] = Reduce16(colors[x][2]), p[2] = Reduce16(colors[x][3]);
        p[3] = planes >= 5 ? Reduce16(s[ptrdiff_t(x) * planes + 4]) : 255;
    }
    return pi::noErr;
}

bool NavigatorFails(const char* text) {
    ShowAlert(text, kAlertCaption);
    SetResult(pi::userCanceledErr);
    return false;
}

}  // namespace

bool ReadSourceImage() {
    if (gNavigatorRead) return true;
    pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr) return false;
    const pi::VRect filter = GetFilterRect(fr);
    const int32_t width = Width(filter), height = Height(filter);

    FreeNavigatorSource();
    size_t rowBytes = 0, bytes = 0;
    if (BufferSize(width, height, 4, rowBytes, bytes) && bytes != 0)
        gNavigatorSource = static_cast<uint8_t*>(AllocPages(bytes));
    if (gNavigatorSource == nullptr) return NavigatorFails(kNavigatorMemoryText);

    if (gData != nullptr) {
        gData->previewTop = gData->previewLeft = 0;
        gData->previewBottom = int16_t(height);
        gData->previewRight = int16_t(width);
    }
    // The data record now holds the filter rectangle's own size, so the
    // reduction of the filter rectangle over it is 1: a full-size read.
    RequestScaled(fr, filter, 0x10000);
    SetResult(Advance(fr));
    const int depth = DocumentDepth(fr);
    const int planes = fr->planes;
    const int64_t sampleBytes = depth == 16 ? 2 : 1;
    gNavigatorWidth = width;
    gNavigatorHeight = height;
    if (!HostBufferFits(fr->inData, fr->inRowBytes, width, height, planes * sampleBytes)) {
        FreeNavigatorSource();
        return NavigatorFails(kHostMemoryText);
    }

    // The selection as OK will see it, for the contours the preview grows along.
    if (fr->haveMask && HostBufferFits(fr->maskData, fr->maskRowBytes, width, height, 1)) {
        gNavigatorSelection = static_cast<uint8_t*>(AllocPages(size_t(width) * size_t(height)));
        const auto* m = static_cast<const uint8_t*>(fr->maskData);
        for (int32_t y = 0; gNavigatorSelection != nullptr && y < height; ++y)
            std::memcpy(gNavigatorSelection + size_t(y) * size_t(width), m + ptrdiff_t(y) * fr->maskRowBytes,
                        size_t(width));
    }

    gIsCmyk = fr->imageMode == pi::plugInModeCMYKColor || fr->imageMode == pi::plugInModeCMYK64;
    const auto* in = static_cast<const uint8_t*>(fr->inData);
    // Other depths, and documents with too few planes for a colour, stay unfilled.
    if ((depth == 8 || depth == 16) && planes >= (gIsCmyk ? 4 : 3)) {
        std::optional<ScopedSuite> suite;
        if (gIsCmyk) suite.emplace(pi::kPSColorSpaceSuite, 1);
        const pi::PSColorSpaceSuite1* cs = suite && *suite ? suite->get<pi::PSColorSpaceSuite1>() : nullptr;
        PageBlock deep;
        if (cs != nullptr && depth == 16) deep = PageBlock(size_t(gNavigatorWidth) * sizeof(pi::Color16));
        const bool suiteRows = cs != nullptr && (depth == 8 || deep);
        for (int32_t y = 0; y < gNavigatorHeight; ++y) {
            const uint8_t* row = in + ptrdiff_t(y) * fr->inRowBytes;
            uint8_t* d = gNavigatorSource + size_t(y) * rowBytes;
            if (!gIsCmyk)
                NavigatorRgbRow(row, planes, depth, gNavigatorWidth, d);
            else if (!suiteRows || NavigatorCmykSuiteRow(*cs, row, planes, depth, gNavigatorWidth, d, deep) != 0)
                NavigatorCmykFallbackRow(row, planes, depth, gNavigatorWidth, d);
        }
    }
    gNavigatorRead = true;
    return true;
}

void SetProgress(float done, float total) {
    const int32_t d = std::max(0, int32_t(done));
    const int32_t t = int32_t(total);
    if (gDialogOpen) {
        if (gProgressPort != nullptr) gProgressPort->Show(d, t);
    } else if (gFilterRecord != nullptr && gFilterRecord->progressProc != nullptr) {
        gFilterRecord->progressProc(d, t);
    }
}

void FillRgba(uint8_t* buffer, int32_t width, int32_t height, uint32_t colour) {
    if (buffer == nullptr || width <= 0 || height <= 0) return;
    const uint8_t px[4] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16), 255};
    const size_t pixels = size_t(width) * size_t(height);
    for (size_t i = 0; i < pixels; ++i) std::memcpy(buffer + 4 * i, px, 4);
}

void CmykToRgb(uint8_t c, uint8_t m, uint8_t y, uint8_t k, uint8_t& r, uint8_t& g, uint8_t& b) {
    auto channel = [k](uint8_t x) { return int(x) + k < 255 ? uint8_t(255 - x - k) : uint8_t(0); };
    r = channel(c);
    g = channel(m);
    b = channel(y);
}

}  // namespace frostel
