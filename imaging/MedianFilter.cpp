#include "MedianFilter.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>

#include "PageMemory.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// The row-by-row filter above: one histogram swept along each row. Needs no
// memory beyond the frame; the column filter below falls back on it.
bool MedianByRows(uint8_t* dst, const uint8_t* src, int width, int height, int r, WorkWatch* watch) {
    const size_t w = static_cast<size_t>(width);
    // The window's first columns, clipped to narrow planes.
    const int lead = std::min(r, width);
    Window win;
    for (int y = 0; y < height; ++y) {
        if (!KeepGoing(watch)) return false;
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
    return true;
}

// The column filter: every column of a stripe keeps the counts of its window
// rows, moved down one row per output row, so stepping the window one pixel
// to the right adds one column's counts and subtracts another's instead of
// adding and removing two columns of samples. The counts are cumulative, so a
// rank is found by counting the bins below it (branch-free) instead of
// walking bins: 16 coarse counts per column (samples up to the end of each
// nibble) and 256 fine ones (samples from the start of their nibble up to each
// value). The window's coarse counts are kept at every step; its fine counts
// per nibble, brought up to date only when a rank lands there, which on
// photo-like planes is one or two nibbles a step.
constexpr int kLanes = 16;
// Output columns per stripe: the stripe's column counts (about half a KB
// each) stay in the second-level cache.
constexpr int kStripe = 448;

using Count = uint16_t;

// Row a: 0 before lane a, 1 from it on; a sample of value v counts in lane
// v and every lane after it.
struct StepTable {
    Count rows[kLanes][kLanes];
    constexpr StepTable() : rows() {
        for (int a = 0; a < kLanes; ++a)
            for (int j = 0; j < kLanes; ++j) rows[a][j] = j >= a ? 1 : 0;
    }
};
constexpr StepTable kStep;

// Eight counts as one SSE2-sized vector, loaded and stored without alignment.
using Half = Count __attribute__((vector_size(8 * sizeof(Count))));
inline Half Load(const Count* p) {
    Half v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void AddLanes(Count* dst, const Count* src) {
    const Half low = Load(dst) + Load(src), high = Load(dst + 8) + Load(src + 8);
    std::memcpy(dst, &low, sizeof low);
    std::memcpy(dst + 8, &high, sizeof high);
}
inline void SubtractLanes(Count* dst, const Count* src) {
    const Half low = Load(dst) - Load(src), high = Load(dst + 8) - Load(src + 8);
    std::memcpy(dst, &low, sizeof low);
    std::memcpy(dst + 8, &high, sizeof high);
}
// The number of lanes below `limit` in 16 cumulative counts (so the first
// lane that reaches it; the last one must).
#if defined(__SSE2__)
inline int LanesBelow(const Count* lanes, uint32_t limit) {
    // Unsigned compare as signed, both sides biased by 0x8000.
    const __m128i bias = _mm_set1_epi16(INT16_MIN);
    const __m128i bound = _mm_set1_epi16(static_cast<int16_t>(static_cast<Count>(limit) ^ 0x8000));
    const __m128i low = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes)), bias);
    const __m128i high = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes + 8)), bias);
    const __m128i below = _mm_packs_epi16(_mm_cmplt_epi16(low, bound), _mm_cmplt_epi16(high, bound));
    return __builtin_ctz(~static_cast<unsigned>(_mm_movemask_epi8(below)));
}
#else
inline int LanesBelow(const Count* lanes, uint32_t limit) {
    int n = 0;
    while (lanes[n] < limit) ++n;
    return n;
}
#endif

class ColumnMedian {
public:
    ColumnMedian(const uint8_t* src, int width, int height, int r, Count* fine, Count* coarse)
        : src_(src), width_(width), height_(height), r_(r), fine_(fine), coarse_(coarse) {}

    // Output columns x0 .. x1 - 1 of every row; false when the watch
    // stopped it.
    bool Stripe(uint8_t* dst, int x0, int x1, WorkWatch* watch) {
        c0_ = std::max(x0 - r_, 0);
        c1_ = std::min(x1 + r_, width_);
        const size_t columns = static_cast<size_t>(c1_ - c0_);
        std::memset(fine_, 0, columns * 256 * sizeof(Count));
        std::memset(coarse_, 0, columns * kLanes * sizeof(Count));
        for (int y = 0; y <= std::min(r_, height_ - 1); ++y) MoveRows(-1, y);
        for (int y = 0; y < height_; ++y) {
            if (!KeepGoing(watch)) return false;
            if (y > 0) MoveRows(y - r_ - 1, y + r_ < height_ ? y + r_ : -1);
            const int y0 = std::max(y - r_, 0), y1 = std::min(y + r_, height_ - 1);
            Row(dst + static_cast<size_t>(y) * static_cast<size_t>(width_), x0, x1,
                static_cast<uint32_t>(y1 - y0 + 1));
        }
        return true;
    }

private:
    const Count* FineOf(int column) const { return fine_ + static_cast<size_t>(column - c0_) * 256; }
    const Count* CoarseOf(int column) const { return coarse_ + static_cast<size_t>(column - c0_) * kLanes; }

    // Row `leaving` out of the stripe's column counts and row `entering`
    // into them; a negative row is none.
    void MoveRows(int leaving, int entering) {
        const uint8_t* out = leaving >= 0 ? src_ + static_cast<size_t>(leaving) * static_cast<size_t>(width_) : nullptr;
        const uint8_t* in = entering >= 0 ? src_ + static_cast<size_t>(entering) * static_cast<size_t>(width_) : nullptr;
        Count* fine = fine_;
        Count* coarse = coarse_;
        for (int x = c0_; x < c1_; ++x, fine += 256, coarse += kLanes) {
            if (out) {
                const unsigned v = out[x];
                SubtractLanes(coarse, kStep.rows[v >> 4]);
                SubtractLanes(fine + (v & 0xF0), kStep.rows[v & 15]);
            }
            if (in) {
                const unsigned v = in[x];
                AddLanes(coarse, kStep.rows[v >> 4]);
                AddLanes(fine + (v & 0xF0), kStep.rows[v & 15]);
            }
        }
    }

    // Brings the window's fine counts of nibble k up to column x.
    void Refresh(int k, int x) {
        int& at = nibbleAt_[k];
        if (at == x) return;
        Count* lanes = windowFine_ + k * kLanes;
        const size_t offset = static_cast<size_t>(k) * kLanes;
        if (x - at > r_) {
            std::memset(lanes, 0, kLanes * sizeof(Count));
            for (int c = std::max(x - r_, 0); c <= std::min(x + r_, width_ - 1); ++c) AddLanes(lanes, FineOf(c) + offset);
        } else {
            for (int j = at + 1; j <= x; ++j) {
                if (j + r_ < width_) AddLanes(lanes, FineOf(j + r_) + offset);
                if (j - r_ - 1 >= 0) SubtractLanes(lanes, FineOf(j - r_ - 1) + offset);
            }
        }
        at = x;
    }

    // The value of rank `rank` (from 1) in the window of column x.
    int Rank(uint32_t rank, int x) {
        const int k = LanesBelow(windowCoarse_, rank);
        const uint32_t below = k > 0 ? windowCoarse_[k - 1] : 0;
        Refresh(k, x);
        return k * kLanes + LanesBelow(windowFine_ + k * kLanes, rank - below);
    }

    void Row(uint8_t* out, int x0, int x1, uint32_t rows) {
        std::memset(windowCoarse_, 0, sizeof windowCoarse_);
        for (int& at : nibbleAt_) at = INT_MIN / 2;
        for (int c = std::max(x0 - r_, 0); c <= std::min(x0 + r_, width_ - 1); ++c) AddLanes(windowCoarse_, CoarseOf(c));
        for (int x = x0; x < x1; ++x) {
            if (x > x0) {
                if (x + r_ < width_) AddLanes(windowCoarse_, CoarseOf(x + r_));
                if (x - r_ - 1 >= 0) SubtractLanes(windowCoarse_, CoarseOf(x - r_ - 1));
            }
            const int columns = std::min(x + r_, width_ - 1) - std::max(x - r_, 0) + 1;
            const uint32_t count = rows * static_cast<uint32_t>(columns), half = count / 2;
            // The lower middle (a single sample is its own); an odd count
            // averages it with the next rank.
            const int low = Rank(half > 0 ? half : 1, x);
            out[x] = static_cast<uint8_t>(count & 1 ? (low + Rank(half + 1, x)) / 2 : low);
        }
    }

    const uint8_t* src_;
    int width_, height_, r_;
    Count* fine_;
    Count* coarse_;
    int c0_ = 0, c1_ = 0;
    Count windowCoarse_[kLanes];
    Count windowFine_[256];
    int nibbleAt_[kLanes];
};

}  // namespace

bool MedianFilter8(uint8_t* dst, const uint8_t* src, int width, int height, int window, WorkWatch* watch) {
    if (height < 1 || width < 1) return true;
    const size_t w = static_cast<size_t>(width);
    if (window < 1) {
        std::memcpy(dst, src, w * static_cast<size_t>(height));
        return true;
    }
    const int r = window / 2;
    // The column filter counts in 16 bits: the fullest window must fit.
    const uint64_t side = static_cast<uint64_t>(r) * 2 + 1;
    const uint64_t fullest = std::min<uint64_t>(side, w) * std::min<uint64_t>(side, static_cast<uint64_t>(height));
    const size_t columns = static_cast<size_t>(std::min<uint64_t>(kStripe + 2 * static_cast<uint64_t>(r), w));
    PageBlock block;
    if (fullest <= UINT16_MAX) block = PageBlock(columns * (256 + kLanes) * sizeof(Count));
    if (!block) return MedianByRows(dst, src, width, height, r, watch);
    Count* fine = block.as<Count>();
    ColumnMedian filter(src, width, height, r, fine, fine + columns * 256);
    for (int x0 = 0; x0 < width; x0 += kStripe)
        if (!filter.Stripe(dst, x0, std::min(x0 + kStripe, width), watch)) return false;
    return true;
}

}  // namespace frostel
