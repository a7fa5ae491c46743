// Time in sixtieths of a second: the millisecond tick count divided by 17.
#pragma once

#include <cstdint>

namespace frostel::hostutil {

// Milliseconds since some fixed start, wrapping at 2^32.
using TickSource = uint32_t (*)();

// Replaces the tick source (tests); null restores the monotonic clock.
void SetTickSource(TickSource source);

uint32_t TickCount60();

}  // namespace frostel::hostutil
