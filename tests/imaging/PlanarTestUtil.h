// Helpers of the planar-buffer tests: samples addressed by the layout
// formula (not by the buffer's own accessors), seeded fills and snapshots.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "PlanarImage.h"

namespace frostel::testing {

// Sample (c, x, y) by the documented address formula:
// Bits + c x PlaneBytes + x x column bits / 8 + y x bits / 8.
inline uint8_t& At(CPlanarImage& img, int c, int64_t x, int64_t y) {
    const int64_t offset = c * int64_t(img.PlaneBytes()) + x * int64_t(img.ColumnBits()) / 8 +
                           y * int64_t(img.BitsPerSample()) / 8;
    return img.Bits()[offset];
}

inline std::unique_ptr<CPlanarImage> MakeImage(uint16_t mode, int w, int h, int channels, int border = 0,
                                              int left = 0, int top = 0) {
    return std::make_unique<CPlanarImage>(mode, PlaneRect{left, top, left + w, top + h},
                                          uint8_t(channels), 8, uint32_t(border), 0);
}

// Every byte of the storage, border included, from a seeded generator.
inline void FillRandom(CPlanarImage& img, uint32_t seed) {
    std::mt19937 rng(seed);
    uint8_t* d = img.Data();
    for (uint64_t i = 0; i < img.StorageBytes(); ++i) d[i] = uint8_t(rng() >> 24);
}

inline std::vector<uint8_t> Snapshot(const CPlanarImage& img) {
    const uint8_t* d = img.DataNoAlloc();
    if (d == nullptr) return {};
    return std::vector<uint8_t>(d, d + img.StorageBytes());
}

// Inner plane c as a row-major vector, for readable comparisons.
inline std::vector<uint8_t> InnerPlane(CPlanarImage& img, int c) {
    std::vector<uint8_t> out;
    for (int64_t y = 0; y < img.Height(); ++y)
        for (int64_t x = 0; x < img.Width(); ++x) out.push_back(At(img, c, x, y));
    return out;
}

}  // namespace frostel::testing
