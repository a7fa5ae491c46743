// Inner loops of the planar buffer that have a vector form. Both forms give
// the same bytes; the vector one is chosen at run time where the processor
// has it. Exposed so that the tests can hold the two against each other.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frostel::planar {

// d[i] := d[i] + trunc((s[i] - d[i]) * m[i] / 255) for n samples.
void BlendColumnScalar(uint8_t* d, const uint8_t* s, const uint8_t* m, size_t n);
// The same, eight samples at a time; only callable where HaveSse41().
void BlendColumnSse41(uint8_t* d, const uint8_t* s, const uint8_t* m, size_t n);

bool HaveSse41();

// The form the buffer uses: the vector one when the processor has it and
// vector paths are enabled (they are by default).
void BlendColumn(uint8_t* d, const uint8_t* s, const uint8_t* m, size_t n);
void SetVectorPathsEnabled(bool enabled);
bool VectorPathsEnabled();

}  // namespace frostel::planar
