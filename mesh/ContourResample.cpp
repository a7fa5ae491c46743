// Resampling of traced borders: key points at corners and steps, mid-points
// that smooth the staircase, Douglas-Peucker simplification and subdivision
// to the spacing.
#include <algorithm>
#include <cmath>
#include <list>
#include <utility>
#include <vector>

#include "MeshBuilder.h"

namespace frostel {

namespace {

using Entry = CBorderLine::Entry;

constexpr uint32_t kResampleFlags = kPointKey | kPointStep | kPointRemove;

// Chords shorter than this have no direction; nothing is measured off them.
constexpr double kMinChordLength = 1e-4;

float Sign(float v) { return v > 0 ? 1.0f : (v < 0 ? -1.0f : 0.0f); }

// Clears `bits` on every point of a closed line, or on all but the ends of an
// open one (the ends of an open line stay where the borders meet).
void ClearInnerFlags(CBorderLine& line, uint32_t bits) {
    auto& pts = line.points;
    auto first = pts.begin(), last = pts.end();
    if (!line.closed && pts.size() >= 2) {
        ++first;
        --last;
    }
    for (auto it = first; it != last; ++it) (*it)->flags &= ~bits;
}

void RemoveFlagged(CBorderLine& line, uint32_t bit, bool withBit) {
    line.points.remove_if([&](const CMyPointPtr& p) { return ((p->flags & bit) != 0) == withBit; });
}

// Removes the entries marked kPointRemove; the points leave without the mark.
// A junction point is shared with the other lines that end there, and a mark
// left on it would drop it from the next of them to be resampled.
void RemoveMarked(CBorderLine& line) {
    CBorderLine::Points gone(line.points.get_allocator());
    for (Entry e = line.points.begin(); e != line.points.end();) {
        const Entry next = std::next(e);
        if ((*e)->flags & kPointRemove) gone.splice(gone.end(), line.points, e);
        e = next;
    }
    for (auto& p : gone) p->flags &= ~kPointRemove;
}

CMyPoint* NewPoint(CPointSet& set, float x, float y) { return set.Insert(x, y, kContourZ); }

}  // namespace

bool CMeshBuilder::MarkCorner(CBorderLine& line, Entry a, CPointSet& set) {
    auto& pts = line.points;
    if (a == pts.end()) return false;
    Entry b = std::next(a);
    if (b == pts.end()) return false;
    Entry c = std::next(b);
    if (c == pts.end()) return false;
    const CMyPoint &pa = **a, &pb = **b, &pc = **c;
    const float d1x = pb.x - pa.x, d1y = pb.y - pa.y, d2x = pc.x - pb.x, d2y = pc.y - pb.y;
    const float a1x = std::fabs(d1x), a1y = std::fabs(d1y), a2x = std::fabs(d2x), a2y = std::fabs(d2y);
    if ((a1x > 2 && a2y > 2) || (a1y > 2 && a2x > 2) || (a1y == 2 && a2x == 2) || (a1x == 2 && a2y == 2)) {
        (*b)->flags |= kPointKey;  // a corner between two long runs
    } else if ((a2x == 2 && a1y > 2) || (a2y == 2 && a1x > 2)) {
        // A long run ending in a short step: the corner sits half a pixel
        // back on the run.
        CMyPoint* p = NewPoint(set, pb.x - 0.5f * Sign(d1x), pb.y - 0.5f * Sign(d1y));
        p->flags |= kPointKey;
        pts.emplace(b, p);
    } else if ((a1y == 2 && a2x > 2) || (a1x == 2 && a2y > 2)) {
        CMyPoint* p = NewPoint(set, pb.x + 0.5f * Sign(d2x), pb.y + 0.5f * Sign(d2y));
        p->flags |= kPointKey;
        pts.emplace(c, p);
    }
    return true;
}

bool CMeshBuilder::MarkStep(CBorderLine& line, Entry a, CPointSet& set) {
    auto& pts = line.points;
    if (a == pts.end()) return false;
    if ((*a)->flags & kPointStep) return true;
    Entry b = std::next(a);
    if (b == pts.end()) return false;
    if ((*b)->flags & kPointStep && ++b == pts.end()) return false;
    Entry c = std::next(b);
    if (c == pts.end()) return false;
    Entry d = std::next(c);
    if (d == pts.end()) return false;
    const CMyPoint &pa = **a, &pb = **b, &pc = **c, &pd = **d;
    if ((pb.flags & kPointKey) && (pc.flags & kPointKey)) return true;
    // The runs before and after b-c turn back the same way: a one-run bump or
    // notch, which keeps its middle.
    if ((pb.x - pa.x) * (pc.x - pd.x) > 0 || (pb.y - pa.y) * (pc.y - pd.y) > 0) {
        if (pb.x == pc.x && pb.y == pc.y) return true;
        const float x = pc.x != pb.x ? pb.x + (pc.x - pb.x) * 0.5f : pb.x;
        const float y = pc.x != pb.x ? pb.y : pb.y + (pc.y - pb.y) * 0.5f;
        CMyPoint* p = NewPoint(set, x, y);
        p->flags |= kPointKey | kPointStep;
        pts.emplace(c, p);
    }
    return true;
}

void CMeshBuilder::MarkKeyPoints(CBorderLine& line, CPointSet& set) {
    auto& pts = line.points;
    if (pts.size() < 3) return;
    ClearInnerFlags(line, kResampleFlags);
    const Entry first = pts.begin();
    const Entry last = std::prev(pts.end());
    if (line.closed) {
        // Wrap the ends so the passes see the corners at the seam.
        pts.push_front(*std::prev(last));
        pts.push_back(*std::next(first));
    }
    for (Entry a = first; MarkCorner(line, a, set); ++a) {
    }
    for (Entry a = pts.begin(); MarkStep(line, a, set); ++a) {
    }
    if (line.closed) {
        pts.pop_front();
        pts.pop_back();
        // A corner found at the seam may have gone in after the repeated
        // first point; it belongs after the first one.
        pts.splice(std::next(first), pts, std::next(last), pts.end());
        int keys = 0;
        for (auto it = std::next(pts.begin()); it != pts.end(); ++it) keys += ((*it)->flags & kPointKey) != 0;
        if (keys < 2) {
            auto byX = [](const CMyPointPtr& p, const CMyPointPtr& q) { return p->x < q->x; };
            (*std::min_element(pts.begin(), pts.end(), byX))->flags |= kPointKey;
            (*std::max_element(pts.begin(), pts.end(), byX))->flags |= kPointKey;
        }
    }
}

double CMeshBuilder::FindFarthestFromChord(CBorderLine& line, Entry from, Entry to, Entry& farthest) {
    farthest = line.points.end();
    if (from == to) return 0.0;
    const CMyPoint &a = **from, &b = **to;
    const double ka = static_cast<double>(b.y) - a.y;
    const double kb = -(static_cast<double>(b.x) - a.x);
    const double kc = -(a.x * ka + a.y * kb);
    const double length = std::sqrt(ka * ka + kb * kb);
    if (length < kMinChordLength) return 0.0;
    // Only entries strictly inside the span can split it. The division is
    // monotonic, so an entry whose |ax + by + c| is no larger than the best
    // one's cannot be farther: only the others are divided.
    double best = 0.0, bestOff = 0.0;
    for (Entry it = std::next(from); it != to && it != line.points.end(); ++it) {
        const double off = std::fabs((*it)->x * ka + (*it)->y * kb + kc);
        if (off <= bestOff) continue;
        const double dist = off / length;
        if (dist > best) {
            best = dist;
            bestOff = off;
            farthest = it;
        }
    }
    return best;
}

void CMeshBuilder::SubdivideContourEdges(CBorderLine& line, int spacing, CPointSet& set) {
    if (spacing < 1) return;
    auto& pts = line.points;
    if (pts.size() < 2) return;
    // Each new point goes before b; the new ones are never a or b.
    auto subdivisions = [&](auto&& f) {
        for (Entry a = pts.begin(), b = std::next(a); b != pts.end(); a = b, ++b) {
            const float ax = (*a)->x, ay = (*a)->y;
            const float dx = (*b)->x - ax, dy = (*b)->y - ay;
            const int k = static_cast<int>(std::floor((std::fabs(dx) + std::fabs(dy)) / static_cast<float>(spacing)));
            for (int j = 1; j <= k; ++j) {
                const float t = static_cast<float>(j) / static_cast<float>(k + 1);
                f(b, ax + t * dx, ay + t * dy);
            }
        }
    };
    subdivisions([&](Entry, float x, float y) { set.Prefetch(x, y, kContourZ); });
    subdivisions([&](Entry b, float x, float y) {
        CMyPoint* p = NewPoint(set, x, y);
        p->flags |= kPointSubdivide;
        pts.emplace(b, p);
    });
    for (auto& p : pts) p->flags &= ~kPointSubdivide;
}

void CMeshBuilder::ResampleContour(CBorderLine& line, CPointSet& set, float step, int spacing) {
    auto& pts = line.points;
    if (pts.size() <= 2) {
        // Nothing to smooth on a single run, but the spacing still holds.
        if (spacing != -1) SubdivideContourEdges(line, spacing, set);
        return;
    }
    if (!line.closed) {
        // The ends stay where the borders meet, whatever another line that
        // shares them did to their flags.
        pts.front()->flags |= kPointKey;
        pts.back()->flags |= kPointKey;
    }
    MarkKeyPoints(line, set);

    if (line.closed) {
        // Start the closed line on a key point; bounded, in case none is.
        for (size_t turns = pts.size(); !(pts.front()->flags & kPointKey) && turns > 0; --turns) {
            pts.pop_front();
            pts.push_back(pts.front());
        }
        pts.front()->flags |= kPointKey;
    }

    // Mid-points between neighbours that are no step points; the corners
    // between them go unless they are key points.
    auto midPoints = [&](auto&& f) {
        for (Entry p = pts.begin(), q = std::next(p); q != pts.end(); p = q, ++q) {
            CMyPoint &a = **p, &b = **q;
            if ((a.flags & kPointStep) || (b.flags & kPointStep)) continue;
            f(a, b, q, a.x + (b.x - a.x) * 0.5f, a.y + (b.y - a.y) * 0.5f);
        }
    };
    midPoints([&](CMyPoint&, CMyPoint&, Entry, float x, float y) { set.Prefetch(x, y, kContourZ); });
    midPoints([&](CMyPoint& a, CMyPoint& b, Entry q, float x, float y) {
        pts.emplace(q, NewPoint(set, x, y));
        if (!(a.flags & kPointKey)) a.flags |= kPointRemove;
        if (!(b.flags & kPointKey)) b.flags |= kPointRemove;
    });
    RemoveMarked(line);
    if (pts.size() < 2) return;

    ClearInnerFlags(line, kResampleFlags);
    if (line.closed) {
        pts.front()->flags |= kPointKey;
        (*std::prev(pts.end(), 2))->flags |= kPointKey;
    }

    // Douglas-Peucker between the key points. A split point must lie strictly
    // inside its span and off the chord, so every split shortens the spans.
    const double tolerance = std::max(0.0, static_cast<double>(step) - 0.5);
    std::vector<std::pair<Entry, Entry>> spans;
    Entry start = pts.begin();
    for (Entry e = std::next(start); e != pts.end(); ++e)
        if ((*e)->flags & kPointKey) {
            spans.emplace_back(start, e);
            start = e;
        }
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        Entry f;
        const double d = FindFarthestFromChord(line, a, b, f);
        if (f == pts.end() || d <= 0.0 || d < tolerance) continue;
        (*f)->flags |= kPointKey;
        spans.emplace_back(a, f);
        spans.emplace_back(f, b);
    }
    RemoveFlagged(line, kPointKey, false);

    if (spacing != -1 && (!line.closed || pts.size() > 3)) SubdivideContourEdges(line, spacing, set);
}

void CMeshBuilder::ErasePointsWithFlags(CPointSet& set, uint32_t mask) {
    set.EraseIf([mask](const CMyPoint& p) { return (p.flags & mask) == mask; });
}

void CMeshBuilder::ErasePointsWithoutFlags(CPointSet& set, uint32_t mask) {
    set.EraseIf([mask](const CMyPoint& p) { return (p.flags & mask) != mask; });
}

}  // namespace frostel
