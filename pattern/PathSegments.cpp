#include "PathSegments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
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

bool ReadSubpath(const PathRecord* records, int count, int& i, const PathDocument& doc, bool* outOfMemory) {
    auto append = [&](const Knot& from, const Knot& to) {
        if (Append(from, to, doc.verticalResolution)) return true;
        if (outOfMemory) *outOfMemory = true;
        return false;
    };
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
        if (!append(previous, knot)) return false;
        previous = knot;
    }
    return !closed || append(previous, first);
}

bool ImportPathRecords(const PathRecord* records, int count, const PathDocument& doc) {
    bool outOfMemory = false;
    for (int i = 0; i < count && !outOfMemory; ++i) ReadSubpath(records, count, i, doc, &outOfMemory);
    return !outOfMemory;
}

// ---- The path emitter ---------------------------------------------------

namespace {

constexpr float kSampleSpacing = 5.0f;  // document pixels per rib
constexpr int64_t kMostPathRibs = int64_t(1) << 62;

// Ribs of one segment: one per step of at most 5 pixels, the last ending
// exactly at the segment's end. A segment too long to measure has none.
int64_t SegmentSteps(float length) {
    if (!(length > 0) || !(length < 1e12f)) return 0;
    return std::max<int64_t>(1, int64_t(std::ceil(double(length) / kSampleSpacing)));
}

float Fraction(int64_t j, int64_t steps) { return j == steps ? 1.0f : float(double(j) / double(steps)); }

// Keys of the two ends; the length search's leaves are 1024 .. 2047.
constexpr int kStartKey = 0, kEndKey = 4096;

// Walking a segment costs its ribs, the length search's split curves (1023
// at most) and the positions the growth steps through: in units of about
// one position.
double WalkCost(int64_t steps, double length, double step) {
    return 3.0 * double(std::min<int64_t>(steps, 1100)) + 10.0 * double(std::min<int64_t>(10 * steps, 1023)) +
           length / step;
}
constexpr double kWalkBudget = double(1 << 25);

}  // namespace

bool PathRibs::Start(float offsetX, float offsetY, const PathView& view, const BranchReach& reach, bool everyRib) {
    table_ = PageBlock();
    segments_ = ribCount_ = 0;
    lastShowing_ = current_ = -1;
    walked_ = 0;
    offsetX_ = offsetX, offsetY_ = offsetY;
    view_ = view;
    scale_ = view.previewScale > 0 ? view.previewScale : 1.0f;
    reach_ = reach;
    everyRib_ = everyRib;
    int64_t count = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next) ++count;
    if (count == 0) return true;
    table_ = PageBlock(size_t(count) * sizeof(Segment));
    if (!table_) return false;
    Segment* table = table_.as<Segment>();
    int64_t k = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next, ++k) {
        Segment& e = table[k];
        e.s = s;
        e.steps = std::min(SegmentSteps(s->length), kMostPathRibs - ribCount_);
        e.firstRib = ribCount_;
        e.length = s->length;
        ribCount_ += e.steps;
        // The curve lies inside its control points' hull, and no rib is
        // longer than the control polygon.
        ReachBox box{1e300, 1e300, -1e300, -1e300};
        double polygon = 0;
        for (int i = 0; i < 4; ++i) {
            const double x = s->xs[i] / scale_ - view.viewX + offsetX, y = s->ys[i] / scale_ - view.viewY + offsetY;
            box.x0 = std::min(box.x0, x), box.x1 = std::max(box.x1, x);
            box.y0 = std::min(box.y0, y), box.y1 = std::max(box.y1, y);
            if (i > 0) polygon += std::hypot(double(s->xs[i]) - s->xs[i - 1], double(s->ys[i]) - s->ys[i - 1]) / scale_;
        }
        e.radius = reach.Radius(polygon * 1.01 + 1);
        e.shows = e.steps > 0 && reach.Shows(box, e.radius);
        if (e.shows) lastShowing_ = k;
    }
    segments_ = count;
    return true;
}

float PathRibs::NodeLength(int node, float t) {
    if (nodeStamp_[node] != stamp_) {
        const BezierSegment& s = *seg_.s;
        float px[4], py[4];
        BezierSplit(t, s.xs, px);
        BezierSplit(t, s.ys, py);
        nodeLength_[node] = BezierLength(px, py);
        nodeStamp_[node] = stamp_;
    }
    return nodeLength_[node];
}

// BezierPointAtLength's search, its split lengths computed once a segment.
PathRibs::Sample PathRibs::At(int64_t j) {
    const float f = Fraction(j, seg_.steps);
    if (f <= 0) return {kStartKey, 0.0f, 0.0f};
    if (f >= 1) return {kEndKey, 1.0f, std::numeric_limits<float>::infinity()};
    const float target = length_ * f;
    float t = 0.5f, step = 0.5f, upTo = std::numeric_limits<float>::infinity();
    int node = 1;
    for (int i = 0; i < 10; ++i) {
        const float v = NodeLength(node, t);
        if (target > v) {
            t = t + step, node = 2 * node + 1;
        } else {
            t = t - step, node = 2 * node;
            upTo = std::min(upTo, v);
        }
        step /= 2;
    }
    return {node, t, upTo};
}

PatternVertex PathRibs::Point(float t) const {
    const BezierSegment& s = *seg_.s;
    PatternVertex v{};
    float dx = BezierDerivative(t, s.xs), dy = BezierDerivative(t, s.ys);
    const float sum = std::fabs(dx) + std::fabs(dy);
    if (sum != 0) dx /= sum, dy /= sum;
    v.x = BezierValue(t, s.xs) / scale_ - view_.viewX + offsetX_;
    v.y = BezierValue(t, s.ys) / scale_ - view_.viewY + offsetY_;
    v.nx = dx;
    v.ny = dy;
    v.hasNormal = 1;
    return v;
}

// The first sample after j whose key differs from j's: the length targets
// grow with j, so a key holds for a run of samples.
int64_t PathRibs::NextKeyChange(int64_t j) const {
    const int64_t steps = seg_.steps;
    if (sample_.key == kEndKey) return steps;
    const float upTo = sample_.upTo;
    auto changed = [&](int64_t k) {
        if (k >= steps) return true;
        const float f = Fraction(k, steps);
        return f >= 1 || length_ * f > upTo;
    };
    int64_t lo = j, hi = j + 1, stride = 1;
    while (!changed(hi)) {
        lo = hi;
        stride *= 2;
        hi = std::min(steps, j + stride);
    }
    while (hi - lo > 1) {
        const int64_t mid = lo + (hi - lo) / 2;
        (changed(mid) ? hi : lo) = mid;
    }
    return hi;
}

bool PathRibs::Enter(int64_t index) {
    for (;; ++index) {
        current_ = index;
        if (index >= segments_ || (!reach_.Everything() && index > lastShowing_)) return false;
        seg_ = table_.as<Segment>()[index];
        if (seg_.shows || reach_.Everything()) break;
        const double cost = WalkCost(seg_.steps, seg_.length, reach_.step());
        if (walked_ + cost <= kWalkBudget) {
            walked_ += cost;
            break;
        }
    }
    length_ = BezierLength(seg_.s->xs, seg_.s->ys);
    if (++stamp_ == 0) {
        std::fill(std::begin(nodeStamp_), std::end(nodeStamp_), 0u);
        stamp_ = 1;
    }
    j_ = 0;
    sample_ = At(0);
    point_ = Point(sample_.t);
    return true;
}

bool PathRibs::Next(EmitterRib& out) {
    if (current_ < 0 && !Enter(0)) return false;
    while (j_ >= seg_.steps)
        if (!Enter(current_ + 1)) return false;
    int64_t j = j_ + 1;
    Sample next;
    PatternVertex point;
    if (everyRib_) {
        next = At(j);
        point = next.key == sample_.key ? point_ : Point(next.t);
    } else {
        j = NextKeyChange(j_);
        next = At(j);
        point = Point(next.t);
    }
    out.index = seg_.firstRib + j - 1;
    out.a = point_;
    out.b = point;
    PatternRib& r = out.rib;
    r = PatternRib{};
    r.a = 0, r.b = 1;
    SegmentNormal(point_.x, point_.y, point.x, point.y, r.nx, r.ny);
    r.length = std::hypot(point.x - point_.x, point.y - point_.y);
    r.flag = 1;
    out.inReach = seg_.shows && reach_.Shows({std::min(point_.x, point.x), std::min(point_.y, point.y),
                                              std::max(point_.x, point.x), std::max(point_.y, point.y)},
                                             seg_.radius);
    j_ = j;
    sample_ = next;
    point_ = point;
    return true;
}

bool BuildPathEmitter(Emitter& out, float offsetX, float offsetY, const PathView& view) {
    out.Clear();
    PathRibs ribs;
    if (!ribs.Start(offsetX, offsetY, view, BranchReach(), true)) return false;
    const int64_t count = ribs.ribCount();
    if (count == 0) return true;
    if (count > (int64_t(1) << 28)) return false;  // no image holds a path this long
    if (!out.Allocate(int(2 * count), int(count))) return false;
    PatternVertex* vertices = out.vertices();
    PatternRib* ribArray = out.ribs();
    EmitterRib r;
    while (ribs.Next(r)) {
        const int c = int(r.index);
        ribArray[c] = r.rib;
        ribArray[c].a = 2 * c;
        ribArray[c].b = 2 * c + 1;
        vertices[2 * c] = r.a;
        vertices[2 * c + 1] = r.b;
    }
    return true;
}

}  // namespace frostel
