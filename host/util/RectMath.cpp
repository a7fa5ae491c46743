#include "RectMath.h"

#include <cmath>
#include <cstdint>

namespace frostel::hostutil {

namespace {

pi::int16 Clamp16(int64_t v) {
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return pi::int16(v);
}

pi::int16 ScaleCoord(pi::int16 c, float num, float den) {
    float v = float(c) * num / den + 0.5f;
    if (!(v < 32767.0f)) return 32767;  // also catches NaN
    if (v < -32768.0f) return -32768;
    return pi::int16(std::trunc(v));
}

int32_t PlaceAxis(int32_t size, int32_t overLo, int32_t overHi, int32_t screenLo, int32_t screenHi) {
    int64_t pos = int64_t(overLo) + (int64_t(overHi) - overLo - size) / 2;
    if (pos + size > screenHi) pos = int64_t(screenHi) - size;
    if (pos < screenLo) pos = screenLo;
    return int32_t(pos);
}

}  // namespace

bool MakeRect16(pi::Rect* r, pi::int16 top, pi::int16 left, pi::int16 bottom, pi::int16 right) {
    if (!r) return false;
    *r = pi::Rect{top, left, bottom, right};
    return true;
}

bool ScaleRect(pi::Rect* r, pi::int32 numerator, pi::int32 denominator) {
    if (!r || denominator == 0) return false;
    float num = float(numerator), den = float(denominator);
    r->top = ScaleCoord(r->top, num, den);
    r->left = ScaleCoord(r->left, num, den);
    r->bottom = ScaleCoord(r->bottom, num, den);
    r->right = ScaleCoord(r->right, num, den);
    return true;
}

bool ScaleRectFactor(const pi::Rect* first, const pi::Rect* second, float* factor) {
    if (!first || !second || !factor) return false;
    float w2 = float(second->right - second->left);
    float h2 = float(second->bottom - second->top);
    if (w2 == 0.0f || h2 == 0.0f) return false;
    float fw = float(first->right - first->left) / w2;
    float fh = float(first->bottom - first->top) / h2;
    *factor = fw > fh ? fw : fh;
    return true;
}

void InsetRect16(pi::Rect& r, pi::int16 dh, pi::int16 dv) {
    r.left = Clamp16(int64_t(r.left) + dh);
    r.right = Clamp16(int64_t(r.right) - dh);
    r.top = Clamp16(int64_t(r.top) + dv);
    r.bottom = Clamp16(int64_t(r.bottom) - dv);
}

void OffsetRect16(pi::Rect& r, pi::int16 dh, pi::int16 dv) {
    r.left = Clamp16(int64_t(r.left) + dh);
    r.right = Clamp16(int64_t(r.right) + dh);
    r.top = Clamp16(int64_t(r.top) + dv);
    r.bottom = Clamp16(int64_t(r.bottom) + dv);
}

bool PointInRect16(pi::Point p, const pi::Rect& r) {
    return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

bool ScaleRectRatio(pi::Rect& r, pi::int32 numerator, pi::int32 denominator) {
    if (denominator == 0) return false;
    auto s = [&](pi::int16 c) { return Clamp16(int64_t(c) * numerator / denominator); };
    r = pi::Rect{s(r.top), s(r.left), s(r.bottom), s(r.right)};
    return true;
}

bool CopyVRect(pi::VRect* dst, const pi::VRect* src) {
    if (!dst || !src) return false;
    *dst = *src;
    return true;
}

pi::VPoint CenterOver(const pi::VRect& window, const pi::VRect& over, const pi::VRect& screen) {
    int32_t w = window.right - window.left, h = window.bottom - window.top;
    return pi::VPoint{PlaceAxis(h, over.top, over.bottom, screen.top, screen.bottom),
                      PlaceAxis(w, over.left, over.right, screen.left, screen.right)};
}

}  // namespace frostel::hostutil
