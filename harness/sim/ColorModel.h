// The test host's colour model: a simple invertible mapping between RGB and
// CMYK, on CMYK values as the interface stores its planes (full scale = no
// ink: 255 for 8 bits, 32768 for 16 bits). Any RGB colour survives the round
// trip exactly, so a filter that passes pixels through unchanged leaves a
// CMYK document's PNG identical to its source.
#pragma once

#include <algorithm>
#include <cstdint>

namespace frostel::hostsim {

// c, m, y, k in plane values; k = the brightest RGB component.
template <typename T>
void RgbToCmykPlanes(int full, const T rgb[3], T cmyk[4]) {
    const int mx = std::max({int(rgb[0]), int(rgb[1]), int(rgb[2])});
    for (int i = 0; i < 3; ++i) cmyk[i] = T(full - mx + int(rgb[i]));
    cmyk[3] = T(mx);
}

// Planes that no RGB colour produces (more ink than the black leaves room
// for) clip to 0.
template <typename T>
void CmykPlanesToRgb(int full, const T cmyk[4], T rgb[3]) {
    const int room = full - std::min(int(cmyk[3]), full);
    for (int i = 0; i < 3; ++i) rgb[i] = T(std::clamp(int(cmyk[i]) - room, 0, full));
}

struct Cmyk { uint8_t c, m, y, k; };
struct Rgb { uint8_t r, g, b; };

inline Cmyk RgbToCmyk(Rgb in) {
    const uint8_t rgb[3] = {in.r, in.g, in.b};
    uint8_t k[4];
    RgbToCmykPlanes<uint8_t>(255, rgb, k);
    return {k[0], k[1], k[2], k[3]};
}

inline Rgb CmykToRgb(Cmyk in) {
    const uint8_t k[4] = {in.c, in.m, in.y, in.k};
    uint8_t rgb[3];
    CmykPlanesToRgb<uint8_t>(255, k, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

}  // namespace frostel::hostsim
