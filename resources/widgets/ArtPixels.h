// Pixel helpers of the bitmap generators: colours as doubles, mixing, and
// RGBA images that start white.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "BitmapFile.h"

namespace frostel::art {

struct Colour {
    double r, g, b;
};

inline Colour Mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline hostutil::RgbaImage Blank(int w, int h) {
    hostutil::RgbaImage img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * h * 4, 255);
    return img;
}

// Rounded and clamped; points outside the image are dropped.
inline void Put(hostutil::RgbaImage& img, int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) return;
    uint8_t* p = img.pixels.data() + (size_t(y) * img.width + x) * 4;
    p[0] = uint8_t(std::lround(std::clamp(c.r, 0.0, 255.0)));
    p[1] = uint8_t(std::lround(std::clamp(c.g, 0.0, 255.0)));
    p[2] = uint8_t(std::lround(std::clamp(c.b, 0.0, 255.0)));
    p[3] = 255;
}

}  // namespace frostel::art
