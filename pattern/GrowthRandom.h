// The growth's own pseudo-random generator. A stored seed must grow the same
// figure on every machine, so the C runtime's rand() (whose sequence differs
// between libraries) is never used for growth.
#pragma once

#include <cstdint>

namespace frostel {

// Linear congruential: state = state * 214013 + 2531011 (mod 2^32); a draw is
// (state >> 16) & 0x7FFF, 0 to 32767. One global state, as the growth order
// of the whole scene depends on a single sequence.
void SeedGrowthRandom(uint32_t seed);
int GrowthRandom();

}  // namespace frostel
