// The one place that decides which values the 47 parameters may hold.
//
// Every value that comes from outside the dialog (a recorded action, the
// host's descriptor registry, a preset file, the test host's --set) goes
// through here, and the scene driver runs SanitizeParameters over the
// record before it uses it. Values keep their meaning, also those the
// dialog cannot type (RenderMode 0 or 7, MinInterval 0, Scale 300): only
// what cannot be stored safely is refused.
//   - An integer is stored in its field's width, as a script value is: 300
//     in a byte field is 44. Every bit pattern of an integer field has a
//     meaning (values outside an enumeration draw or grow what "any other
//     value" does), so nothing is clamped.
//   - A float that is not finite is refused (the field keeps its value; in
//     a whole-record pass it falls back to the factory value). A finite
//     double beyond the float range becomes the largest float of its sign.
// What would blow up time or memory is bounded where it is used: the
// growth's triangle budget, the renderer's clipping.
#pragma once

#include <cstdint>

#include "FilterParameters.h"

namespace frostel {

// Stores an integer for one parameter: the low bits that fit its field, or
// the number for a float field.
void StoreIntegerParameter(FilterParameters& p, const ParameterKey& k, int64_t value);
// False, with the field unchanged, when `value` is not finite. An integer
// field takes the value truncated toward zero.
bool StoreFloatParameter(FilterParameters& p, const ParameterKey& k, double value);

// Replaces every float field that is not finite by its factory value. True
// when some value had to change.
bool SanitizeParameters(FilterParameters& p);

}  // namespace frostel
