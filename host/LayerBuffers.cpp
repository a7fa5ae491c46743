#include "LayerBuffers.h"

#include "PixelOps.h"
#include "Plugin.h"

namespace frostel {

std::unique_ptr<CPlanarImage> gLayerBuffer;
std::unique_ptr<CPlanarImage> gBelowLayersBuffer;

void FreeLayerBuffers() {
    gLayerBuffer.reset();
    gBelowLayersBuffer.reset();
}

namespace {

// The planar buffers convert colours through the host's colour services of
// the current call.
bool ConvertBetween(uint16_t components[4], uint16_t fromMode, uint16_t toMode) {
    if (gFilterRecord == nullptr) return false;
    pi::int16 c[4];
    for (int i = 0; i < 4; ++i) c[i] = pi::int16(components[i]);
    const pi::int16 space = hostutil::ColorSpaceOfMode(pi::int16(toMode));
    if (hostutil::ConvertModeColor(gFilterRecord->colorServices, pi::int16(fromMode), space, c) != pi::noErr)
        return false;
    for (int i = 0; i < 4; ++i) components[i] = uint16_t(c[i]);
    return true;
}

bool RgbToMode(const Rgb16& color, uint16_t out[4], uint16_t mode) {
    // Multichannel and duotone have no colour space an RGB colour maps into.
    if (mode == kModeMultichannel || mode == kModeDuotone) return false;
    uint16_t c[4] = {uint16_t(color.red >> 8), uint16_t(color.green >> 8), uint16_t(color.blue >> 8), 0};
    if (!ConvertBetween(c, kModeRGB, mode)) return false;
    for (int i = 0; i < 4; ++i) out[i] = c[i];
    return true;
}

[[maybe_unused]] const bool kHooksSet = [] {
    SetPlanarColorHooks(PlanarColorHooks{&RgbToMode, &ConvertBetween});
    return true;
}();

}  // namespace

}  // namespace frostel
