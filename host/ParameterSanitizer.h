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
// What would blow up time or memory is bounded where it is used:
//   - a scene grows at most 8,000,000 triangles (2,000,000 in 32 bits), the
//     growth tree's budget (about 1.3 GB at the most);
//   - the triangles of a scene cover at most 2048 frames of the final
//     render in all, which bounds the render's time (kCoverFrames);
//   - a branch recurses at most 64 levels deep (the stack);
//   - MaxIterations, MaxTriangles and MaxTriangles1 count at most 2^20, the
//     counts grown from them at most 2^30, and the completeness shares at
//     most 4e18 ribs, so that no integer arithmetic overflows;
//   - positions along a rib lie at least 0.25 px apart, the contour points
//     at most 1000 px; a spine of no steps grows nothing (no division by 0);
//   - a preview scale that is not positive and finite counts as 1;
//   - the renderer clips every pixel to the frame, and the walk of a curved
//     patch costs at most 256 lattice nodes and samples a pixel of its clip,
//     plus 65,536.
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
