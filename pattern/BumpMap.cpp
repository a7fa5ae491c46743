#include "BumpMap.h"

#include <algorithm>
#include <cmath>

namespace frostel {

namespace {

// A lattice value in [0, 1) from an integer hash, so the map is the same on
// every machine and compiler.
float Lattice(int x, int y, int period, uint32_t salt) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + salt * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFF) / 65536.0f;
}

float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// Value noise with `period` cells across the map: it wraps at the map's edge.
float Noise(int px, int py, int period, uint32_t salt) {
    const float cell = float(kBumpSize) / float(period);
    const float fx = float(px) / cell, fy = float(py) / cell;
    const int x0 = int(fx), y0 = int(fy);
    const float tx = Smooth(fx - float(x0)), ty = Smooth(fy - float(y0));
    const float a = Lattice(x0, y0, period, salt), b = Lattice(x0 + 1, y0, period, salt);
    const float c = Lattice(x0, y0 + 1, period, salt), d = Lattice(x0 + 1, y0 + 1, period, salt);
    return (a + (b - a) * tx) * (1.0f - ty) + (c + (d - c) * tx) * ty;
}

}  // namespace

void GenerateBumpHeights(uint8_t* heights) {
    for (int y = 0; y < kBumpSize; ++y)
        for (int x = 0; x < kBumpSize; ++x) {
            // Octaves with periods that divide the map, so it tiles.
            const float n = 0.5f * Noise(x, y, 5, 1) + 0.3f * Noise(x, y, 10, 2) + 0.2f * Noise(x, y, 25, 3);
            // Folded into ridges: frost rather than hills.
            const float ridge = 1.0f - std::fabs(2.0f * n - 1.0f);
            const float v = 0.65f * ridge * ridge + 0.35f * Noise(x, y, 50, 4);
            heights[y * kBumpSize + x] = uint8_t(std::clamp(int(v * 255.0f + 0.5f), 0, 255));
        }
}

}  // namespace frostel
