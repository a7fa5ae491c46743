#include "TickTime.h"

#include <chrono>

namespace frostel::hostutil {

namespace {
uint32_t SteadyMilliseconds() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}
TickSource gTickSource = SteadyMilliseconds;
}  // namespace

void SetTickSource(TickSource source) { gTickSource = source ? source : SteadyMilliseconds; }

uint32_t TickCount60() { return gTickSource() / 17; }

}  // namespace frostel::hostutil
