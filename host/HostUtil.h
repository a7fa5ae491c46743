// Rectangles and points of the filter record in the coordinate width the host
// works in: the 32-bit block when the host offers it and the module opted in,
// else the record's 16-bit fields.
#pragma once

#include "HostInterface.h"

namespace frostel {

bool Uses32BitCoordinates(const pi::FilterRecord* fr);

pi::VRect GetFilterRect(const pi::FilterRecord* fr);
pi::VRect GetInRect(const pi::FilterRecord* fr);
pi::VRect GetOutRect(const pi::FilterRecord* fr);
pi::VRect GetMaskRect(const pi::FilterRecord* fr);
pi::VPoint GetFloatCoord(const pi::FilterRecord* fr);
pi::VPoint GetImageSize(const pi::FilterRecord* fr);
pi::VPoint GetWholeSize(const pi::FilterRecord* fr);

void SetInRect(pi::FilterRecord* fr, const pi::VRect& r);
void SetOutRect(pi::FilterRecord* fr, const pi::VRect& r);
void SetMaskRect(pi::FilterRecord* fr, const pi::VRect& r);

pi::Rect GetFilterRect16(const pi::FilterRecord* fr);
pi::Rect GetInRect16(const pi::FilterRecord* fr);
pi::Rect GetOutRect16(const pi::FilterRecord* fr);
void SetInRect16(pi::FilterRecord* fr, const pi::Rect& r);
void SetOutRect16(pi::FilterRecord* fr, const pi::Rect& r);
void SetMaskRect16(pi::FilterRecord* fr, const pi::Rect& r);

// Widening sign-extends; narrowing keeps the low 16 bits, as the host would.
pi::VRect WidenRect(const pi::Rect& r);
pi::Rect NarrowRect(const pi::VRect& r);

}  // namespace frostel
