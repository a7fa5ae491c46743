// Whole rows of colours through the host's colour space suite. The suite's
// count is 16-bit, so longer runs go in pieces of at most 32767 colours.
#pragma once

#include <cstddef>

#include "HostInterface.h"

namespace frostel {

pi::OSErr ConvertColorArray8(const pi::PSColorSpaceSuite1& suite, int16_t from, int16_t to, pi::Color8* colors,
                             size_t count);
pi::OSErr ConvertColorArray16(const pi::PSColorSpaceSuite1& suite, int16_t from, int16_t to,
                              pi::Color16* colors, size_t count);

// A suite's error as a result code: itself when it fits in 16 bits, else
// -30900.
pi::OSErr SuiteErrorToResult(pi::SPErr err);

}  // namespace frostel
