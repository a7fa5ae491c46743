#include "ColorServices.h"

#include <cstring>

#include "PixelOps.h"
#include "PlanarImage.h"
#include "Plugin.h"

namespace frostel {

namespace {

pi::ColorServicesProc CurrentColorServices() {
    return gFilterRecord != nullptr ? gFilterRecord->colorServices : nullptr;
}

}  // namespace

pi::OSErr ConvertColorSpace(pi::ColorServicesProc services, int16_t sourceSpace, int16_t resultSpace,
                            int16_t components[4]) {
    pi::ColorServicesInfo info{};
    info.selector = pi::plugIncolorServicesConvertColor;
    info.sourceSpace = sourceSpace;
    info.resultSpace = resultSpace;
    return hostutil::CallColorServices(services, info, components);
}

pi::OSErr PickColorWithHost(pi::ColorServicesProc services, const pi::Str255* prompt, int16_t& space,
                            int16_t components[4]) {
    pi::ColorServicesInfo info{};
    info.selector = pi::plugIncolorServicesChooseColor;
    info.sourceSpace = space;
    info.resultSpace = space;
    info.selectorParameter.pickerPrompt = const_cast<pi::Str255*>(prompt);
    const pi::OSErr err = hostutil::CallColorServices(services, info, components);
    if (err == pi::noErr) space = info.resultSpace;
    return err;
}

bool ConvertColorBetweenModes(uint16_t components[4], uint16_t sourceMode, uint16_t resultMode) {
    if (gFilterRecord == nullptr || components == nullptr) return false;
    int16_t c[4];
    for (int i = 0; i < 4; ++i) c[i] = int16_t(components[i]);
    const pi::OSErr err = ConvertColorSpace(CurrentColorServices(), ImageModeToColorSpace(int16_t(sourceMode)),
                                            ImageModeToColorSpace(int16_t(resultMode)), c);
    if (err != pi::noErr) return false;
    for (int i = 0; i < 4; ++i) components[i] = uint16_t(c[i]);
    return true;
}

bool ConvertRgbToMode(const pi::RGBColor& color, uint16_t out[4], uint16_t mode) {
    if (mode == pi::plugInModeMultichannel || mode == pi::plugInModeDuotone) return false;
    SetColorComponents(out, color.red >> 8, color.green >> 8, color.blue >> 8, 0);
    return ConvertColorBetweenModes(out, pi::plugInModeRGBColor, mode);
}

int16_t ImageModeToColorSpace(int16_t mode) {
    switch (mode) {
        case pi::plugInModeGrayScale: return pi::plugIncolorServicesGraySpace;
        case pi::plugInModeCMYKColor: return pi::plugIncolorServicesCMYKSpace;
        case pi::plugInModeHSLColor: return pi::plugIncolorServicesHSLSpace;
        case pi::plugInModeHSBColor: return pi::plugIncolorServicesHSBSpace;
        case pi::plugInModeLabColor: return pi::plugIncolorServicesLabSpace;
        default: return pi::plugIncolorServicesRGBSpace;
    }
}

void CopyColorComponents(const uint16_t from[4], uint16_t to[4], bool highBytes) {
    for (int i = 0; i < 4; ++i) to[i] = highBytes ? uint16_t(from[i] >> 8) : from[i];
}

void SetColorComponents(uint16_t to[4], uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3) {
    to[0] = c0, to[1] = c1, to[2] = c2, to[3] = c3;
}

int16_t ColorSpaceOfModeTable(int16_t mode) {
    constexpr int16_t kNone = -1;
    constexpr int16_t kGrey = pi::plugIncolorServicesGraySpace, kRgb = pi::plugIncolorServicesRGBSpace,
                      kCmyk = pi::plugIncolorServicesCMYKSpace, kLab = pi::plugIncolorServicesLabSpace;
    static const int16_t table[18] = {
        kNone, kGrey, kNone, kRgb, kCmyk, pi::plugIncolorServicesHSLSpace, pi::plugIncolorServicesHSBSpace,
        kNone, kGrey, kLab,  kGrey, kRgb, kLab,  kCmyk, kNone, kGrey, kRgb, kGrey,
    };
    return mode >= 0 && mode < 18 ? table[mode] : kNone;
}

pi::OSErr PickColorAsRgb(const pi::Str255* prompt, pi::RGBColor& color) {
    int16_t space = pi::plugIncolorServicesRGBSpace;
    int16_t c[4] = {int16_t(color.red >> 8), int16_t(color.green >> 8), int16_t(color.blue >> 8), 0};
    pi::OSErr err = PickColorWithHost(CurrentColorServices(), prompt, space, c);
    if (err == pi::noErr && space != pi::plugIncolorServicesRGBSpace)
        err = ConvertColorSpace(CurrentColorServices(), space, pi::plugIncolorServicesRGBSpace, c);
    if (err != pi::noErr) return err;
    auto wide = [](int16_t v) { return uint16_t((uint16_t(v) & 0xFF) * 0x101); };
    color = {wide(c[0]), wide(c[1]), wide(c[2])};
    return pi::noErr;
}

void InstallPlanarColorHooks() {
    PlanarColorHooks hooks;
    hooks.rgbToMode = [](const Rgb16& c, uint16_t out[4], uint16_t mode) {
        return ConvertRgbToMode(pi::RGBColor{c.red, c.green, c.blue}, out, mode);
    };
    hooks.betweenModes = ConvertColorBetweenModes;
    SetPlanarColorHooks(hooks);
}

}  // namespace frostel
