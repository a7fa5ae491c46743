// The one place that decides which values the 47 parameters may hold.
//
// Every value that comes from outside the dialog (a recorded action, the
// host's descriptor registry, a preset file) goes through here before the
// scene driver reads it, and the scene driver runs SanitizeParameters over
// the record before it uses it. The rules:
//   - enumerations and booleans are clamped to their values
//     (EffectKind 1..3, PatternKind 1..3, or 1..4 for the single figure, ...);
//   - counts and numbers are clamped to the ranges the dialog accepts when a
//     value is typed in (Scale 5..200, so never zero or negative);
//   - angles may run over several turns but must be finite;
//   - a float that is not finite is refused (the field keeps its value; in
//     a whole-record pass it falls back to the factory value);
//   - colours and the random seed keep all 32 bits: every pattern is valid.
//
// Integers are clamped before they are narrowed to their field, so 300 for
// a byte field becomes the field's maximum, never 300 mod 256.
#pragma once

#include <cstdint>

#include "FilterParameters.h"

namespace frostel {

// Stores a value for one parameter, clamped to what it may hold. A float
// field takes the integer as a number, an integer field the float truncated
// toward zero. For a bit pattern the integer's low 32 bits are kept, so a
// seed or colour that travelled as a negative 32-bit integer comes back
// whole.
void StoreIntegerParameter(FilterParameters& p, const ParameterKey& k, int64_t value);
// False, with the field unchanged, when `value` is not finite.
bool StoreFloatParameter(FilterParameters& p, const ParameterKey& k, double value);

// Brings every parameter of the record into its range, including the rules
// between fields. True when some value had to change.
bool SanitizeParameters(FilterParameters& p);

}  // namespace frostel
