// Rectangle arithmetic on the host's 16-bit rectangles (top, left, bottom,
// right) and points (v, h), plus the centring math of dialogs.
#pragma once

#include "HostInterface.h"

namespace frostel::hostutil {

// Sets r; false for a null rectangle.
bool MakeRect16(pi::Rect* r, pi::int16 top, pi::int16 left, pi::int16 bottom, pi::int16 right);

// Each coordinate := trunc(c * numerator / denominator + 0.5), in 32-bit
// float; results clamp to the 16-bit range. False (r unchanged) for a null
// rectangle or a zero denominator.
bool ScaleRect(pi::Rect* r, pi::int32 numerator, pi::int32 denominator);

// The larger of first width / second width and first height / second height,
// in 32-bit float. False (factor unchanged) for null arguments or a second
// rectangle without width or height.
bool ScaleRectFactor(const pi::Rect* first, const pi::Rect* second, float* factor);

// Moves the sides inwards by dh and dv (negative values grow it).
void InsetRect16(pi::Rect& r, pi::int16 dh, pi::int16 dv);
void OffsetRect16(pi::Rect& r, pi::int16 dh, pi::int16 dv);
// Right and bottom edges are outside.
bool PointInRect16(pi::Point p, const pi::Rect& r);
// Each coordinate := c * numerator / denominator in integers, truncated
// toward zero and clamped to 16 bits. False for a zero denominator.
bool ScaleRectRatio(pi::Rect& r, pi::int32 numerator, pi::int32 denominator);
// False when either pointer is null.
bool CopyVRect(pi::VRect* dst, const pi::VRect* src);

// New top-left (v, h) of a window of the given bounds centred over `over`
// and then moved to lie on `screen`; when it is larger than the screen its
// top-left corner stays on the screen.
pi::VPoint CenterOver(const pi::VRect& window, const pi::VRect& over, const pi::VRect& screen);

}  // namespace frostel::hostutil
