// Masks for the contour tests: noise, random binary and smooth multi-level.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace frostel::test {

struct Mask {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    uint8_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline Mask FilledMask(int w, int h, uint8_t v) { return {w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h, v)}; }

// Each pixel one of `levels` values (0, 84, 168, 252 for four), at random.
inline Mask NoiseMask(int w, int h, int levels, uint32_t seed) {
    std::mt19937 rng(seed);
    Mask m = FilledMask(w, h, 0);
    for (auto& p : m.pixels) p = static_cast<uint8_t>((rng() % levels) * (levels == 2 ? 255 : 84));
    return m;
}

// Smooth blobs quantised to `levels` values, like a median-smoothed
// brightness mask.
inline Mask SmoothMask(int w, int h, int levels, uint32_t seed, double scale = 1.0) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    struct Blob { double x, y, r, a; };
    std::vector<Blob> blobs(6);
    for (auto& b : blobs) b = {u(rng) * w, u(rng) * h, (0.1 + 0.4 * u(rng)) * std::max(w, h) * scale, u(rng) * 2 - 1};
    Mask m = FilledMask(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double v = 0.5;
            for (auto& b : blobs) v += b.a * std::exp(-((x - b.x) * (x - b.x) + (y - b.y) * (y - b.y)) / (b.r * b.r));
            int level = static_cast<int>(std::floor(v * levels));
            level = level < 0 ? 0 : (level >= levels ? levels - 1 : level);
            m.at(x, y) = static_cast<uint8_t>(level * (levels == 2 ? 255 : 84));
        }
    return m;
}

}  // namespace frostel::test
