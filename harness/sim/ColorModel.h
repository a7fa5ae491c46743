// The test host's colour model: a simple invertible RGB <-> CMYK mapping on
// 8-bit values (ink amounts, 0 = no ink). Any RGB colour survives the round
// trip exactly, so a filter that passes pixels through unchanged leaves a
// CMYK document's PNG identical to its source.
#pragma once

#include <algorithm>
#include <cstdint>

namespace frostel::hostsim {

struct Cmyk { uint8_t c, m, y, k; };
struct Rgb { uint8_t r, g, b; };

inline Cmyk RgbToCmyk(Rgb in) {
    const uint8_t mx = std::max({in.r, in.g, in.b});
    return {uint8_t(mx - in.r), uint8_t(mx - in.g), uint8_t(mx - in.b), uint8_t(255 - mx)};
}

// Inks that no RGB colour produces (c > 255 - k) clip to 0.
inline Rgb CmykToRgb(Cmyk in) {
    const int mx = 255 - in.k;
    auto chan = [mx](int ink) { return uint8_t(std::max(0, mx - ink)); };
    return {chan(in.c), chan(in.m), chan(in.y)};
}

}  // namespace frostel::hostsim
