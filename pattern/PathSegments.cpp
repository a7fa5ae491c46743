#include "PathSegments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace frostel {

BezierSegment* gPathHead = nullptr;
BezierSegment* gPathTail = nullptr;

// ---- Bezier arithmetic --------------------------------------------------

float BezierValue(float t, const float c[4]) {
    const float u = 1 - t;
    return ((3 * c[1] * t + u * c[0]) * u + 3 * c[2] * t * t) * u + c[3] * t * t * t;
}

void BezierSplit(float t, const float c[4], float d[4]) {
    d[0] = c[0];
    d[1] = (c[1] - c[0]) * t + c[0];
    d[2] = (c[2] - 2 * c[1] + c[0]) * t * t + 2 * (c[1] - c[0]) * t + c[0];
    d[3] = BezierValue(t, c);
}

float BezierDerivative(float t, const float c[4]) {
    return 3 * ((c[3] - 3 * c[2] + 3 * c[1] - c[0]) * t * t + (c[2] - 2 * c[1] + c[0]) * 2 * t + (c[1] - c[0]));
}

float BezierSpeed(float t, const float xs[4], const float ys[4]) {
    const float dx = BezierDerivative(t, xs), dy = BezierDerivative(t, ys);
    return std::sqrt(dx * dx + dy * dy);
}

float BezierLength(const float xs[4], const float ys[4]) {
    float sum = 0;
    for (int i = 0; i < 10; ++i) sum += BezierSpeed(float((i + 0.5) / 10), xs, ys);
    return sum / 10;
}

void BezierPointAtLength(float fraction, const float xs[4], const float ys[4], float& x, float& y, float& dx,
                         float& dy) {
    float t;
    if (fraction <= 0) {
        t = 0;
    } else if (fraction >= 1) {
        t = 1;
    } else {
        const float target = BezierLength(xs, ys) * fraction;
        t = 0.5f;
        float step = 0.5f;
        for (int i = 0; i < 10; ++i) {
            float px[4], py[4];
            BezierSplit(t, xs, px);
            BezierSplit(t, ys, py);
            t = target > BezierLength(px, py) ? t + step : t - step;
            step /= 2;
        }
    }
    x = BezierValue(t, xs);
    y = BezierValue(t, ys);
    dx = BezierDerivative(t, xs);
    dy = BezierDerivative(t, ys);
}

// ---- The segment list ---------------------------------------------------

void FreePathList() {
    while (BezierSegment* s = gPathHead) {
        gPathHead = s->next;
        delete s;
    }
    gPathTail = nullptr;
}

bool PathListEmpty() { return gPathHead == nullptr; }

bool AppendBezierSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                         int32_t y3, int32_t verticalResolution) {
    auto* s = new (std::nothrow) BezierSegment{};
    if (!s) return false;
    // 16.16 points at 72 dpi to pixels at the document's resolution.
    const double scale = verticalResolution != 0 ? verticalResolution / 65536.0 / 72 : 1.0;
    const int32_t xs[4] = {x0, x1, x2, x3}, ys[4] = {y0, y1, y2, y3};
    for (int i = 0; i < 4; ++i) {
        s->xs[i] = float(xs[i] / 65536.0 * scale);
        s->ys[i] = float(ys[i] / 65536.0 * scale);
    }
    s->length = BezierLength(s->xs, s->ys);
    if (gPathTail) gPathTail->next = s;
    else gPathHead = s;
    gPathTail = s;
    return true;
}

// ---- Host path records --------------------------------------------------

PathRecord ReadPathRecord(const uint8_t* src) {
    PathRecord r{};
    r.selector = uint16_t((src[0] << 8) | src[1]);
    for (int i = 0; i < 6; ++i) {
        const uint8_t* p = src + 2 + 4 * i;
        r.value[i] = int32_t((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]));
    }
    return r;
}

size_t UnpackPathRecords(const uint8_t* bytes, size_t size, PathRecord* out) {
    const size_t count = size / kPathRecordBytes;
    for (size_t i = 0; i < count; ++i) out[i] = ReadPathRecord(bytes + i * kPathRecordBytes);
    return count;
}

bool ComputeDocumentSize72(int32_t width, int32_t height, int32_t horizontalResolution,
                           int32_t verticalResolution, PathDocument& out) {
    auto side = [](int32_t size, int32_t resolution, int32_t& points) {
        const double r = resolution / 65536.0;
        if (!(r > 0) || size * 72.0 / r > 32767) return false;
        points = int32_t(72 / r * size * 65536 + 0.5);
        return true;
    };
    if (!side(height, verticalResolution, out.height72) || !side(width, horizontalResolution, out.width72))
        return false;
    out.verticalResolution = verticalResolution;
    return true;
}

bool ConvertPathCoordinate(int32_t value, int32_t side72, int32_t& out) {
    // 8.24 times 16.8 gives 24.32: 64 bits, or large documents overflow.
    const int64_t v = value;
    if ((std::llabs(v) >> 24) * (int64_t(side72) >> 16) >= 32768) return false;
    const int64_t r = v * (int64_t(side72) >> 8) / 65536;
    if (r > INT32_MAX || r < INT32_MIN) return false;
    out = int32_t(r);
    return true;
}

namespace {

struct Knot {
    int32_t beforeX, beforeY, x, y, afterX, afterY;  // 16.16 points
};

bool ConvertKnot(const PathRecord& r, const PathDocument& doc, Knot& k) {
    return ConvertPathCoordinate(r.value[0], doc.height72, k.beforeY) &&
           ConvertPathCoordinate(r.value[1], doc.width72, k.beforeX) &&
           ConvertPathCoordinate(r.value[2], doc.height72, k.y) &&
           ConvertPathCoordinate(r.value[3], doc.width72, k.x) &&
           ConvertPathCoordinate(r.value[4], doc.height72, k.afterY) &&
           ConvertPathCoordinate(r.value[5], doc.width72, k.afterX);
}

// The next record after i that is not skipped, when it is a knot of the
// subpath's kind; i moves onto it. Null when the records ran out or the
// record is something else (i stays).
const PathRecord* NextKnot(const PathRecord* records, int count, int& i, bool closed) {
    int j = i + 1;
    while (j < count && records[j].selector >= kFirstOtherRecord) ++j;
    if (j >= count) return nullptr;
    const uint16_t s = records[j].selector;
    const bool ok = closed ? (s == kClosedKnotLinked || s == kClosedKnotUnlinked)
                           : (s == kOpenKnotLinked || s == kOpenKnotUnlinked);
    if (!ok) return nullptr;
    i = j;
    return &records[j];
}

bool Append(const Knot& from, const Knot& to, int32_t resolution) {
    return AppendBezierSegment(from.x, from.y, from.afterX, from.afterY, to.beforeX, to.beforeY, to.x, to.y,
                               resolution);
}

}  // namespace

bool ReadSubpath(const PathRecord* records, int count, int& i, const PathDocument& doc) {
    while (i < count && records[i].selector >= kFirstOtherRecord) ++i;
    if (i >= count) return false;
    const PathRecord& head = records[i];
    if (head.selector != kClosedSubpathLength && head.selector != kOpenSubpathLength) return false;
    const bool closed = head.selector == kClosedSubpathLength;
    const int knots = int(uint32_t(head.value[0]) >> 16);
    if (knots < 1) return false;

    const PathRecord* r = NextKnot(records, count, i, closed);
    Knot first, previous;
    if (!r || !ConvertKnot(*r, doc, first)) return false;
    previous = first;
    // The knot count comes from the host: the subpath also ends where the
    // knot records do.
    for (int k = 1; k < knots; ++k) {
        Knot knot;
        r = NextKnot(records, count, i, closed);
        if (!r || !ConvertKnot(*r, doc, knot)) return false;
        if (!Append(previous, knot, doc.verticalResolution)) return false;
        previous = knot;
    }
    if (closed && !Append(previous, first, doc.verticalResolution)) return false;
    return true;
}

void ImportPathRecords(const PathRecord* records, int count, const PathDocument& doc) {
    for (int i = 0; i < count; ++i) ReadSubpath(records, count, i, doc);
}

// ---- The path emitter ---------------------------------------------------

namespace {

constexpr float kSampleSpacing = 5.0f;  // document pixels per rib

// Ribs of one segment: one per step of at most 5 pixels, the last ending
// exactly at the segment's end.
int64_t SegmentSteps(float length) {
    if (!(length > 0)) return 0;
    if (!(length < 1e12f)) return -1;
    return std::max<int64_t>(1, int64_t(std::ceil(double(length) / kSampleSpacing)));
}

}  // namespace

bool BuildPathEmitter(Emitter& out, float offsetX, float offsetY, const PathView& view) {
    out.Clear();
    int64_t ribs = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next) {
        const int64_t steps = SegmentSteps(s->length);
        if (steps < 0) return false;
        ribs += steps;
        if (ribs > (int64_t(1) << 28)) return false;  // no image holds a path this long
    }
    if (ribs == 0) return true;
    if (!out.Allocate(int(2 * ribs), int(ribs))) return false;

    const float scale = view.previewScale > 0 ? view.previewScale : 1.0f;
    PatternVertex* vertices = out.vertices();
    PatternRib* ribArray = out.ribs();
    int c = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next) {
        const int64_t steps = SegmentSteps(s->length);
        PatternVertex prev{};
        for (int64_t j = 0; j <= steps; ++j) {
            const float f = j == steps ? 1.0f : float(double(j) / double(steps));
            PatternVertex v{};
            float dx, dy;
            BezierPointAtLength(f, s->xs, s->ys, v.x, v.y, dx, dy);
            const float sum = std::fabs(dx) + std::fabs(dy);
            if (sum != 0) dx /= sum, dy /= sum;
            v.x = v.x / scale - view.viewX + offsetX;
            v.y = v.y / scale - view.viewY + offsetY;
            v.nx = dx;
            v.ny = dy;
            v.hasNormal = 1;
            if (j > 0) {
                PatternRib& r = ribArray[c];
                r.a = 2 * c;
                r.b = 2 * c + 1;
                SegmentNormal(prev.x, prev.y, v.x, v.y, r.nx, r.ny);
                r.length = std::hypot(v.x - prev.x, v.y - prev.y);
                r.flag = 1;
                vertices[2 * c] = prev;
                vertices[2 * c + 1] = v;
                ++c;
            }
            prev = v;
        }
    }
    return true;
}

}  // namespace frostel
