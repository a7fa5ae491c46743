// The result side: the render and the write-back of the work buffer into the
// host's output buffer.
#include <algorithm>
#include <cstring>
#include <optional>

#include "Alert.h"
#include "ColorArrays.h"
#include "Dialog.h"
#include "Effect.h"
#include "FilterParameters.h"
#include "HostSuites.h"
#include "HostUtil.h"
#include "ImageTransfer.h"
#include "PageMemory.h"
#include "Plugin.h"
#include "SourceImageInternal.h"

namespace frostel {

namespace {

// value x alpha / 255, truncated, in 32-bit floating point: over black.
uint8_t OverBlack(uint8_t value, float alpha) { return uint8_t(float(value) * alpha); }

void WriteRgb(const pi::FilterRecord* fr) {
    auto* out = static_cast<uint8_t*>(fr->outData);
    const int planes = fr->planes;
    for (int32_t y = 0; y < gWorkHeight; ++y) {
        const uint8_t* s = gWorkRGBA + size_t(y) * size_t(gRowBytes);
        uint8_t* d = out + ptrdiff_t(y) * fr->outRowBytes;
        for (int32_t x = 0; x < gWorkWidth; ++x, s += kPixelStride, d += planes) {
            if (planes >= 4) {
                std::memcpy(d, s, 4);
            } else if (s[3] == 255) {
                std::memcpy(d, s, 3);
            } else {
                const float a = float(s[3]) / 255.0f;
                d[0] = OverBlack(s[0], a), d[1] = OverBlack(s[1], a), d[2] = OverBlack(s[2], a);
            }
        }
    }
}

// The whole image is converted before the first output byte is written, so
// a failed conversion leaves the host's buffer as it was. The colours are
// built in `scratch` (the size of the work buffer).
pi::OSErr WriteCmyk(const pi::FilterRecord* fr, uint8_t* scratch) {
    ScopedSuite suite(pi::kPSColorSpaceSuite, 1);
    if (!suite) return SuiteErrorToResult(suite.result());
    const auto& cs = *suite.get<pi::PSColorSpaceSuite1>();
    const int planes = fr->planes;
    const bool alphaPlane = planes >= 5;
    for (int32_t y = 0; y < gWorkHeight; ++y) {
        const uint8_t* s = gWorkRGBA + size_t(y) * size_t(gRowBytes);
        uint8_t* c = scratch + size_t(y) * size_t(gRowBytes);
        for (int32_t x = 0; x < gWorkWidth; ++x, s += kPixelStride, c += 4) {
            // RGB goes in places 1 to 3; without an alpha plane it is put over black.
            const float a = alphaPlane ? 1.0f : float(s[3]) / 255.0f;
            c[0] = 255;
            c[1] = OverBlack(s[0], a), c[2] = OverBlack(s[1], a), c[3] = OverBlack(s[2], a);
        }
        c = scratch + size_t(y) * size_t(gRowBytes);
        const pi::OSErr err = ConvertColorArray8(cs, pi::plugIncolorServicesRGBSpace, pi::plugIncolorServicesCMYKSpace,
                                                 reinterpret_cast<pi::Color8*>(c), size_t(gWorkWidth));
        if (err != pi::noErr) return err;
    }
    auto* out = static_cast<uint8_t*>(fr->outData);
    for (int32_t y = 0; y < gWorkHeight; ++y) {
        const uint8_t* c = scratch + size_t(y) * size_t(gRowBytes);
        const uint8_t* s = gWorkRGBA + size_t(y) * size_t(gRowBytes);
        uint8_t* d = out + ptrdiff_t(y) * fr->outRowBytes;
        for (int32_t x = 0; x < gWorkWidth; ++x, c += 4, s += kPixelStride, d += planes) {
            std::memcpy(d, c, 4);
            if (alphaPlane) d[4] = s[3];
        }
    }
    return pi::noErr;
}

}  // namespace

pi::OSErr WriteWorkBuffer() {
    const pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr) return pi::filterBadParameters;
    if (gWorkWidth <= 0 || gWorkHeight <= 0) return pi::noErr;
    if (gWorkRGBA == nullptr) return pi::memFullErr;
    if (!IsSupportedDocument(fr)) return pi::filterBadParameters;
    if (!HostBufferFits(fr->outData, fr->outRowBytes, gWorkWidth, gWorkHeight, fr->planes))
        return fr->outData == nullptr ? pi::memFullErr : pi::filterBadParameters;

    // The preview shows RGB whatever the document's mode.
    if (!gIsCmyk || gDialogOpen) {
        WriteRgb(fr);
        return pi::noErr;
    }
    // The source copy is no longer needed once the effect has run: it holds
    // the converted colours.
    PageBlock own;
    uint8_t* scratch = gSourceRGBA;
    if (scratch == nullptr) {
        own = PageBlock(size_t(gRowBytes) * size_t(gWorkHeight));
        scratch = own.as<uint8_t>();
        if (scratch == nullptr) return pi::memFullErr;
    }
    return WriteCmyk(fr, scratch);
}

RunStatus WriteResult() {
    pi::FilterRecord* fr = gFilterRecord;
    if (fr == nullptr) return RunStatus::Done;
    gDocDepth = DocumentDepth(fr);
    SetRenderDepth();
    gHaveMask = fr->haveMask != 0;
    gMaskRowBytes = fr->maskRowBytes;
    gMaskData = static_cast<const uint8_t*>(fr->maskData);

    if (!IsSupportedDocument(fr)) {
        ShowAlert(kWrongModeText, kAlertCaption);
        CopyInputToOutput();
        SetResult(pi::noErr);
        return RunStatus::Done;
    }
    gIsCmyk = fr->imageMode == pi::plugInModeCMYKColor;

    // Held for the whole silent run of a CMYK document: without it nothing
    // is rendered and nothing is written.
    std::optional<ScopedSuite> colorSpace;
    pi::OSErr err = pi::noErr;
    if (gDialogOpen) {
        if (gPreviewPort != nullptr) {
            gViewX = gPreviewPort->ViewX();
            gViewY = gPreviewPort->ViewY();
        }
    } else {
        gPreviewScale = 1.0f;
        gViewX = gViewY = 0;
        if (gIsCmyk) {
            colorSpace.emplace(pi::kPSColorSpaceSuite, 1);
            if (!*colorSpace) err = SuiteErrorToResult(colorSpace->result());
        }
        if (err == pi::noErr) err = PrepareSourceImage();
    }

    RunStatus status = RunStatus::Done;
    if (err == pi::noErr) {
        status = RunEffect();
        // The effect reports its own failures through the result word.
        if (!ResultOk()) err = *gResult;
    }
    // A stopped effect left no finished picture: the host's buffer keeps its own.
    if (err == pi::noErr && status == RunStatus::Done) err = WriteWorkBuffer();

    if (!gDialogOpen) FreeResultBuffer();
    SetProgress(0, 100);
    SetResult(err);
    return status;
}

void FreeResultBuffer() {
    FreePages(gWorkRGBA);
    FreePages(gSourceRGBA);
    gWorkRGBA = gSourceRGBA = nullptr;
    FreeSceneCache();
}

void CopyInputToOutput() {
    const pi::FilterRecord* fr = gFilterRecord;
    const pi::VRect r = GetOutRect(fr);
    const int32_t rows = r.bottom - r.top;
    const int64_t bytesPerSample = fr->depth == 16 ? 2 : 1;
    int64_t rowBytes = int64_t(fr->planes) * (r.right - r.left) * bytesPerSample;
    rowBytes = std::min<int64_t>({rowBytes, fr->inRowBytes, fr->outRowBytes});
    if (rows <= 0 || rowBytes <= 0 || fr->inData == nullptr || fr->outData == nullptr) return;
    const auto* in = static_cast<const uint8_t*>(fr->inData);
    auto* out = static_cast<uint8_t*>(fr->outData);
    for (int32_t y = 0; y < rows; ++y)
        std::memmove(out + int64_t(y) * fr->outRowBytes, in + int64_t(y) * fr->inRowBytes, size_t(rowBytes));
}

}  // namespace frostel
