// Median filter on 8-bit planes: per-column counts summed along each row.
#pragma once

#include <cstdint>

#include "WorkWatch.h"

namespace frostel {

// Smooths a width x height plane (rows of `width` bytes) with a square
// window of `window` samples a side, clipped at the plane's edges: each
// output is the median of the samples actually inside. window < 1 copies
// the plane; height < 1 or width < 1 does nothing. src and dst must not
// overlap. Takes a stripe's column counts (about 0.25 MB) from page memory;
// without them, or for windows of more than 65535 samples, it sweeps one
// histogram along each row instead, slower, with the same result.
// Each row counts on the watch; false, with dst partly written, once it says
// stop.
bool MedianFilter8(uint8_t* dst, const uint8_t* src, int width, int height, int window,
                   WorkWatch* watch = nullptr);

// The filter's median of `count` samples held in a 256-bin histogram whose
// non-empty bins are the set bits of `occupancy` (bit v of word v / 32).
//
// Deliberately NOT the textbook median: with half = count / 2, an even count
// gives the value of rank half (the lower middle), and an ODD count gives the
// truncated mean of the values of ranks half and half + 1 (ranks from 1).
// So 60 samples of 10 and 61 of 20 give 15, not 20. Contours downstream are
// tuned to this; do not "fix" it.
uint8_t FindHistogramMedian(const uint32_t histogram[256], const uint32_t occupancy[8], uint32_t count);

}  // namespace frostel
