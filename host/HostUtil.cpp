#include "HostUtil.h"

namespace frostel {

using pi::Rect;
using pi::VPoint;
using pi::VRect;

bool Uses32BitCoordinates(const pi::FilterRecord* fr) {
    return fr->bigDocumentData != nullptr && fr->bigDocumentData->PluginUsing32BitCoordinates != 0;
}

VRect WidenRect(const Rect& r) { return VRect{r.top, r.left, r.bottom, r.right}; }

Rect NarrowRect(const VRect& r) {
    return Rect{int16_t(r.top), int16_t(r.left), int16_t(r.bottom), int16_t(r.right)};
}

namespace {
VPoint Widen(const pi::Point& p) { return VPoint{p.v, p.h}; }

// One accessor pair per rectangle: the 32-bit block's field or the record's.
template <VRect pi::BigDocumentStruct::*Big, Rect pi::FilterRecord::*Small>
VRect ReadRect(const pi::FilterRecord* fr) {
    return Uses32BitCoordinates(fr) ? fr->bigDocumentData->*Big : WidenRect(fr->*Small);
}
template <VRect pi::BigDocumentStruct::*Big, Rect pi::FilterRecord::*Small>
void WriteRect(pi::FilterRecord* fr, const VRect& r) {
    if (Uses32BitCoordinates(fr))
        fr->bigDocumentData->*Big = r;
    else
        fr->*Small = NarrowRect(r);
}
template <VPoint pi::BigDocumentStruct::*Big, pi::Point pi::FilterRecord::*Small>
VPoint ReadPoint(const pi::FilterRecord* fr) {
    return Uses32BitCoordinates(fr) ? fr->bigDocumentData->*Big : Widen(fr->*Small);
}
}  // namespace

using BD = pi::BigDocumentStruct;
using FR = pi::FilterRecord;

VRect GetFilterRect(const FR* fr) { return ReadRect<&BD::filterRect32, &FR::filterRect>(fr); }
VRect GetInRect(const FR* fr) { return ReadRect<&BD::inRect32, &FR::inRect>(fr); }
VRect GetOutRect(const FR* fr) { return ReadRect<&BD::outRect32, &FR::outRect>(fr); }
VRect GetMaskRect(const FR* fr) { return ReadRect<&BD::maskRect32, &FR::maskRect>(fr); }
VPoint GetFloatCoord(const FR* fr) { return ReadPoint<&BD::floatCoord32, &FR::floatCoord>(fr); }
VPoint GetImageSize(const FR* fr) { return ReadPoint<&BD::imageSize32, &FR::imageSize>(fr); }
VPoint GetWholeSize(const FR* fr) { return ReadPoint<&BD::wholeSize32, &FR::wholeSize>(fr); }

void SetInRect(FR* fr, const VRect& r) { WriteRect<&BD::inRect32, &FR::inRect>(fr, r); }
void SetOutRect(FR* fr, const VRect& r) { WriteRect<&BD::outRect32, &FR::outRect>(fr, r); }
void SetMaskRect(FR* fr, const VRect& r) { WriteRect<&BD::maskRect32, &FR::maskRect>(fr, r); }

Rect GetFilterRect16(const FR* fr) { return NarrowRect(GetFilterRect(fr)); }
Rect GetInRect16(const FR* fr) { return NarrowRect(GetInRect(fr)); }
Rect GetOutRect16(const FR* fr) { return NarrowRect(GetOutRect(fr)); }
void SetInRect16(FR* fr, const Rect& r) { SetInRect(fr, WidenRect(r)); }
void SetOutRect16(FR* fr, const Rect& r) { SetOutRect(fr, WidenRect(r)); }
void SetMaskRect16(FR* fr, const Rect& r) { SetMaskRect(fr, WidenRect(r)); }

}  // namespace frostel
