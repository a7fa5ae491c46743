#include "MedianFilter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace frostel {

namespace {

inline int LowestSetBit(uint32_t word) { return word ? __builtin_ctz(word) : -1; }

// The window's histogram, and a running median: the median of neighbouring
// windows differs little, so it is found by stepping from the last one
// instead of walking up from 0. `below` counts the samples under `median`.
struct Window {
    uint32_t histogram[256];
    uint32_t occupancy[8];
    int median;
    uint32_t below;

    void Clear() {
        std::memset(histogram, 0, sizeof histogram);
        std::memset(occupancy, 0, sizeof occupancy);
        median = 0;
        below = 0;
    }
    // Column `x` of rows y0..y1 in or out of the window. Branch-free: grainy
    // planes empty and refill bins all the time.
    void AddColumn(const uint8_t* src, size_t width, int x, int y0, int y1) {
        const uint8_t* p = src + static_cast<size_t>(y0) * width + x;
        for (int y = y0; y <= y1; ++y, p += width) {
            const unsigned v = *p;
            ++histogram[v];
            occupancy[v >> 5] |= 1u << (v & 31);
            below += static_cast<uint32_t>(static_cast<int>(v) < median);
        }
    }
    void RemoveColumn(const uint8_t* src, size_t width, int x, int y0, int y1) {
        const uint8_t* p = src + static_cast<size_t>(y0) * width + x;
        for (int y = y0; y <= y1; ++y, p += width) {
            const unsigned v = *p;
            const uint32_t emptied = static_cast<uint32_t>(--histogram[v] == 0);
            occupancy[v >> 5] &= ~(emptied << (v & 31));
            below -= static_cast<uint32_t>(static_cast<int>(v) < median);
        }
    }

    // The same value as FindHistogramMedian.
    uint8_t Median(uint32_t count) {
        if (count < 2) return FindHistogramMedian(histogram, occupancy, count);
        const uint32_t half = count / 2;
        // The lowest value with at least `half` samples at or below it.
        while (median > 0 && below >= half) below -= histogram[--median];
        while (below + histogram[median] < half) below += histogram[median++];
        const int lower = median;
        if (!(count & 1) || below + histogram[lower] >= half + 1) return static_cast<uint8_t>(lower);
        // Odd count with the next rank in a higher bin: the next occupied one.
        int w = lower >> 5;
        uint32_t bits = (lower & 31) == 31 ? 0 : occupancy[w] & (~0u << ((lower & 31) + 1));
        while (!bits) bits = occupancy[++w];
        return static_cast<uint8_t>((lower + w * 32 + LowestSetBit(bits)) / 2);
    }
};

}  // namespace

uint8_t FindHistogramMedian(const uint32_t histogram[256], const uint32_t occupancy[8], uint32_t count) {
    const uint32_t half = count / 2;
    const bool odd = (count & 1) != 0;
    uint32_t sum = 0;
    int lower = -1;
    for (int w = 0; w < 8; ++w) {
        for (uint32_t bits = occupancy[w]; bits; bits &= bits - 1) {
            const int v = w * 32 + LowestSetBit(bits);
            sum += histogram[v];
            if (lower < 0 && sum >= half) {
                lower = v;
                if (!odd) return static_cast<uint8_t>(lower);
            }
            if (lower >= 0 && sum >= half + 1) return static_cast<uint8_t>((lower + v) / 2);
        }
    }
    return static_cast<uint8_t>(lower < 0 ? 0 : lower);
}

void MedianFilter8(uint8_t* dst, const uint8_t* src, int width, int height, int window) {
    if (height < 1 || width < 1) return;
    const size_t w = static_cast<size_t>(width);
    if (window < 1) {
        std::memcpy(dst, src, w * static_cast<size_t>(height));
        return;
    }
    const int r = window / 2;
    // The window's first columns, clipped to narrow planes.
    const int lead = std::min(r, width);
    Window win;
    for (int y = 0; y < height; ++y) {
        win.Clear();
        const int y0 = std::max(y - r, 0), y1 = std::min(y + r, height - 1);
        const uint32_t rows = static_cast<uint32_t>(y1 - y0 + 1);
        for (int x = 0; x < lead; ++x) win.AddColumn(src, w, x, y0, y1);
        uint32_t count = rows * static_cast<uint32_t>(lead);
        uint8_t* out = dst + static_cast<size_t>(y) * w;
        for (int x = 0; x < width; ++x) {
            if (x - r - 1 >= 0) {
                win.RemoveColumn(src, w, x - r - 1, y0, y1);
                count -= rows;
            }
            if (x + r < width) {
                win.AddColumn(src, w, x + r, y0, y1);
                count += rows;
            }
            out[x] = win.Median(count);
        }
    }
}

}  // namespace frostel
