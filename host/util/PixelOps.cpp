#include "PixelOps.h"

#include <cmath>
#include <cstring>

namespace frostel::hostutil {

void SetAlphaOpaque(unsigned char* rgba, size_t pixelCount) {
    if (!rgba) return;
    for (size_t i = 0; i < pixelCount; ++i) rgba[i * 4 + 3] = 255;
}

Direction UnitDirection(double fromX, double fromY, double toX, double toY) {
    double dx = toX - fromX, dy = toY - fromY;
    double len = std::sqrt(dx * dx + dy * dy);
    if (len == 0.0 || !std::isfinite(len)) return Direction{0.0, 0.0};
    return Direction{dx / len, dy / len};
}

pi::int16 ColorSpaceOfMode(pi::int16 imageMode) {
    switch (imageMode) {
        case pi::plugInModeGrayScale:
        case pi::plugInModeDuotone:
        case pi::plugInModeGray16:
        case pi::plugInModeDuotone16: return pi::plugIncolorServicesGraySpace;
        case pi::plugInModeCMYKColor:
        case pi::plugInModeCMYK64: return pi::plugIncolorServicesCMYKSpace;
        case pi::plugInModeHSLColor: return pi::plugIncolorServicesHSLSpace;
        case pi::plugInModeHSBColor: return pi::plugIncolorServicesHSBSpace;
        case pi::plugInModeLabColor:
        case pi::plugInModeLab48: return pi::plugIncolorServicesLabSpace;
        default: return pi::plugIncolorServicesRGBSpace;
    }
}

pi::OSErr CallColorServices(pi::ColorServicesProc colorServices, pi::ColorServicesInfo& info,
                            pi::int16 components[4]) {
    if (!colorServices) return pi::errPlugInHostInsufficient;
    if (!components) return pi::errMissingParameter;
    info.infoSize = pi::int32(sizeof info);
    std::memcpy(info.colorComponents, components, sizeof info.colorComponents);
    const pi::OSErr err = colorServices(&info);
    if (err == pi::noErr) std::memcpy(components, info.colorComponents, sizeof info.colorComponents);
    return err;
}

pi::OSErr ConvertModeColor(pi::ColorServicesProc colorServices, pi::int16 imageMode,
                           pi::int16 resultSpace, pi::int16 components[4]) {
    pi::ColorServicesInfo info;
    std::memset(&info, 0, sizeof info);
    info.selector = pi::plugIncolorServicesConvertColor;
    info.sourceSpace = ColorSpaceOfMode(imageMode);
    info.resultSpace = resultSpace;
    return CallColorServices(colorServices, info, components);
}

}  // namespace frostel::hostutil
