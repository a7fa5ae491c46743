#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "MedianFilter.h"
#include "PageMemory.h"
#include "WorkWatch.h"

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

TEST(MedianFilterTest, MatchesTheBruteForceRuleAcrossStripesAndRows) {
    // Wide planes run in several stripes of columns; each pattern stresses
    // a different search: grain, flat runs with rare outliers, two levels
    // (ranks straddling a gap), a ramp through every nibble.
    std::mt19937 rng(29);
    for (int w : {450, 980})
        for (int window : {11, 4, 25}) {
            const int h = 17;
            for (int pattern = 0; pattern < 4; ++pattern) {
                std::vector<uint8_t> src(static_cast<size_t>(w) * h), dst(src.size(), 0xCD);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const unsigned n = rng();
                        const int v = pattern == 0   ? 128 + static_cast<int>(n % 81) - 40 + (x / 50) % 7
                                      : pattern == 1 ? (n % 97 == 0 ? static_cast<int>(n % 256) : 60)
                                      : pattern == 2 ? (n % 2 ? 255 : 0)
                                                     : (x * 256 / w + y + static_cast<int>(n % 5)) % 256;
                        src[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(v);
                    }
                MedianFilter8(dst.data(), src.data(), w, h, window);
                ASSERT_EQ(dst, Reference(src, w, h, window)) << w << "x" << h << " window " << window << " pattern " << pattern;
            }
        }
}

TEST(MedianFilterTest, WithoutMemoryForColumnCountsTheResultIsTheSame) {
    // The column counts are the one allocation; without them the filter
    // sweeps a histogram along each row instead.
    std::mt19937 rng(5);
    const int w = 70, h = 31;
    std::vector<uint8_t> src(w * h), fast(src.size()), slow(src.size());
    for (auto& v : src) v = static_cast<uint8_t>(rng() % 9 * 30);
    for (int window : {1, 3, 11, 20}) {
        MedianFilter8(fast.data(), src.data(), w, h, window);
        const int64_t live = GetPageMemoryStats().live;
        FailPageAllocationAfter(1);
        MedianFilter8(slow.data(), src.data(), w, h, window);
        FailPageAllocationAfter(0);
        EXPECT_EQ(GetPageMemoryStats().live, live);
        EXPECT_EQ(slow, fast) << "window " << window;
        EXPECT_EQ(slow, Reference(src, w, h, window)) << "window " << window;
    }
}

TEST(MedianFilterTest, WindowsCoveringThePlaneGiveItsMedianEverywhere) {
    // 255 x 255 samples in one window still count in 16 bits; 258 x 255 do
    // not, and the row sweep takes over with the same answer.
    std::mt19937 rng(8);
    for (int w : {255, 258}) {
        const int h = 255;
        std::vector<uint8_t> src(static_cast<size_t>(w) * h), dst(src.size());
        for (auto& v : src) v = static_cast<uint8_t>(rng() % 200 + (rng() % 3) * 20);
        MedianFilter8(dst.data(), src.data(), w, h, 2 * std::max(w, h) + 1);
        const uint8_t whole = ReferenceMedian(src);
        EXPECT_EQ(std::count(dst.begin(), dst.end(), whole), static_cast<std::ptrdiff_t>(dst.size())) << w;
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

// Stops at its n-th ask; counts them.
struct StopAt {
    int n, asks = 0;
    static bool Ask(void* self) {
        auto& s = *static_cast<StopAt*>(self);
        return ++s.asks < s.n;
    }
};

TEST(MedianFilterTest, AWatchThatNeverStopsChangesNothingAndAStopEndsItEarly) {
    std::mt19937 rng(11);
    const int w = 1000, h = 300;  // three stripes
    std::vector<uint8_t> src(size_t(w) * h), plain(src.size()), watched(src.size());
    for (auto& v : src) v = static_cast<uint8_t>(rng() % 5 * 60);
    for (bool columnCounts : {true, false}) {
        SCOPED_TRACE(columnCounts ? "column counts" : "row histograms");
        if (!columnCounts) FailPageAllocationAfter(1);
        ASSERT_TRUE(MedianFilter8(plain.data(), src.data(), w, h, 11));
        if (!columnCounts) FailPageAllocationAfter(1);
        StopAt never{1 << 30};
        WorkWatch all(&StopAt::Ask, &never, 0);
        ASSERT_TRUE(MedianFilter8(watched.data(), src.data(), w, h, 11, &all));
        EXPECT_EQ(watched, plain);
        EXPECT_GT(never.asks, 0);

        // Stopped at the first look: the rows after it are never written.
        const int64_t live = GetPageMemoryStats().live;
        if (!columnCounts) FailPageAllocationAfter(1);
        std::vector<uint8_t> cut(src.size(), 0xAB);
        StopAt first{1};
        WorkWatch stop(&StopAt::Ask, &first, 0);
        EXPECT_FALSE(MedianFilter8(cut.data(), src.data(), w, h, 11, &stop));
        FailPageAllocationAfter(0);
        EXPECT_EQ(GetPageMemoryStats().live, live);
        EXPECT_EQ(first.asks, 1);
        EXPECT_EQ(cut.back(), 0xAB);
    }
}

}  // namespace
}  // namespace frostel
