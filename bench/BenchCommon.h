// Shared by the benchmark programs: a synthetic brightness plane and a
// best-of-n timer.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace frostel::bench {

// A photo-like brightness plane: broad waves with grain on top, so the
// median has work to do and the quantised levels form large regions with
// ragged borders.
inline std::vector<uint8_t> BrightnessPlane(int w, int h, uint32_t seed = 1) {
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> grain(-40, 40);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double v = 128 + 60 * std::sin(x / 170.0 + std::sin(y / 230.0)) + 50 * std::cos(y / 120.0 - x / 300.0);
            plane[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(std::clamp(static_cast<int>(v) + grain(rng), 0, 255));
        }
    return plane;
}

// Best wall time in milliseconds of `reps` runs of f().
template <typename F>
double BestMs(int reps, F&& f) {
    double best = 1e300;
    for (int i = 0; i < reps; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

inline void Row(const char* what, double ours, const char* peer, double theirs) {
    if (theirs > 0)
        std::printf("%-34s ours %9.1f ms   %-30s %9.1f ms   ours/peer %5.2f\n", what, ours, peer, theirs, ours / theirs);
    else
        std::printf("%-34s ours %9.1f ms   %-30s %9s\n", what, ours, peer, "-");
}

}  // namespace frostel::bench
