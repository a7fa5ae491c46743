#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "MedianFilter.h"

namespace frostel {
namespace {

// The filter's rule on a sorted window: even counts take the lower middle
// value, odd counts the truncated mean of the two values around the middle.
uint8_t ReferenceMedian(std::vector<uint8_t> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size(), half = n / 2;
    if (n % 2 == 0) return v[half == 0 ? 0 : half - 1];
    const size_t lower = half == 0 ? 0 : half - 1;
    return static_cast<uint8_t>((v[lower] + v[half]) / 2);
}

std::vector<uint8_t> Reference(const std::vector<uint8_t>& src, int w, int h, int window) {
    const int r = window / 2;
    std::vector<uint8_t> out(src.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::vector<uint8_t> v;
            for (int yy = std::max(0, y - r); yy <= std::min(h - 1, y + r); ++yy)
                for (int xx = std::max(0, x - r); xx <= std::min(w - 1, x + r); ++xx) v.push_back(src[yy * w + xx]);
            out[y * w + x] = ReferenceMedian(v);
        }
    return out;
}

TEST(MedianFilterTest, OddCountsAverageTheTwoMiddleValues) {
    uint32_t histogram[256] = {}, occupancy[8] = {};
    histogram[10] = 60;
    histogram[20] = 61;
    occupancy[0] = 1u << 10 | 1u << 20;
    EXPECT_EQ(FindHistogramMedian(histogram, occupancy, 121), 15);
    // Even count: the lower middle.
    histogram[20] = 60;
    EXPECT_EQ(FindHistogramMedian(histogram, occupancy, 120), 10);
    // Both middle ranks in one bin, across words.
    uint32_t h2[256] = {}, o2[8] = {};
    h2[3] = 1, h2[200] = 5, h2[255] = 1;
    o2[0] = 1u << 3, o2[200 / 32] = 1u << (200 % 32), o2[7] |= 1u << 31;
    EXPECT_EQ(FindHistogramMedian(h2, o2, 7), 200);
    uint32_t h3[256] = {}, o3[8] = {};
    h3[77] = 1, o3[77 / 32] = 1u << (77 % 32);
    EXPECT_EQ(FindHistogramMedian(h3, o3, 1), 77);
}

TEST(MedianFilterTest, HistogramMedianMatchesTheRuleOnRandomSamples) {
    std::mt19937 rng(11);
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> samples(1 + rng() % 130);
        const unsigned spread = 1 + rng() % 256, base = rng() % (257 - spread);
        for (auto& v : samples) v = static_cast<uint8_t>(base + rng() % spread);
        uint32_t histogram[256] = {}, occupancy[8] = {};
        for (uint8_t v : samples) {
            ++histogram[v];
            occupancy[v / 32] |= 1u << (v % 32);
        }
        ASSERT_EQ(FindHistogramMedian(histogram, occupancy, static_cast<uint32_t>(samples.size())),
                  ReferenceMedian(samples));
    }
}

TEST(MedianFilterTest, MatchesTheBruteForceRuleOnSmallPlanes) {
    std::mt19937 rng(3);
    for (int w : {1, 2, 3, 4, 5, 9, 17})
        for (int h : {1, 2, 6, 13})
            for (int window : {1, 2, 3, 4, 5, 11, 12, 25}) {
                std::vector<uint8_t> src(w * h), dst(w * h, 0xCD);
                // Few levels make ties, many make spread.
                const int levels = (w + h + window) % 2 ? 4 : 256;
                for (auto& v : src) v = static_cast<uint8_t>(rng() % levels * (256 / levels));
                MedianFilter8(dst.data(), src.data(), w, h, window);
                ASSERT_EQ(dst, Reference(src, w, h, window)) << w << "x" << h << " window " << window;
            }
}

TEST(MedianFilterTest, NarrowPlanesReadOnlyTheirOwnRows) {
    // A window wider than the plane: columns past a row's end would be the
    // next row's samples (wrong result) or, on the last row, past the buffer
    // (caught by the address sanitizer).
    const int w = 3, h = 4;
    std::vector<uint8_t> src = {9, 1, 5, 200, 7, 7, 0, 3, 250, 4, 4, 4};
    std::vector<uint8_t> dst(src.size());
    MedianFilter8(dst.data(), src.data(), w, h, 11);
    EXPECT_EQ(dst, Reference(src, w, h, 11));
}

TEST(MedianFilterTest, DegenerateWindowsAndPlanes) {
    std::vector<uint8_t> src = {1, 2, 3, 4, 5, 6}, dst(6, 0);
    MedianFilter8(dst.data(), src.data(), 3, 2, 0);
    EXPECT_EQ(dst, src);
    std::vector<uint8_t> untouched(6, 0xAB);
    MedianFilter8(untouched.data(), src.data(), 3, 0, 11);
    EXPECT_EQ(untouched, std::vector<uint8_t>(6, 0xAB));
    uint8_t one = 42, out = 0;
    MedianFilter8(&out, &one, 1, 1, 11);
    EXPECT_EQ(out, 42);
}

}  // namespace
}  // namespace frostel
