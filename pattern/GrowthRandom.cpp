#include "GrowthRandom.h"

namespace frostel {

namespace {
uint32_t gState = 1;
}

void SeedGrowthRandom(uint32_t seed) { gState = seed; }

int GrowthRandom() {
    gState = gState * 214013u + 2531011u;
    return int((gState >> 16) & 0x7FFFu);
}

}  // namespace frostel
