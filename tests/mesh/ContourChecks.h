// Invariant checks of traced borders and of LoadMask's output, shared by the
// unit tests and the fuzz target. Each returns an empty string when all
// hold, else a description of the first violation.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "MeshBuilder.h"

namespace frostel::test {

struct MaskView {
    int width = 0, height = 0, stride = 0;
    const uint8_t* data = nullptr;
    uint8_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return kOutsideValue;
        return data[static_cast<size_t>(y) * stride + x];
    }
};

inline bool IsIntegral(float v) { return std::floor(v) == v; }

// Every border edge of the mask (between two different values, the outside
// included) is walked by exactly one line, each line keeps regionA on its
// right and regionB on its left all along, and closed lines end on their
// first point.
inline std::string CheckBorderLines(const MaskView& m, const ContourList& lines) {
    const int cw = m.width + 1, ch = m.height + 1;
    std::vector<int> horizontal(static_cast<size_t>(cw) * ch), vertical(horizontal.size());
    std::ostringstream err;
    for (size_t li = 0; li < lines.size(); ++li) {
        const CBorderLine& line = *lines[li];
        if (line.points.size() < 2) return "line with fewer than 2 points";
        if (line.closed != (line.points.front() == line.points.back()))
            return "closed flag does not match the repeated first point";
        auto it = line.points.begin();
        for (auto next = std::next(it); next != line.points.end(); it = next++) {
            const CMyPoint &a = **it, &b = **next;
            if (!IsIntegral(a.x) || !IsIntegral(a.y) || !IsIntegral(b.x) || !IsIntegral(b.y))
                return "raw point off the corner grid";
            int x = static_cast<int>(a.x), y = static_cast<int>(a.y);
            const int tx = static_cast<int>(b.x), ty = static_cast<int>(b.y);
            if ((x != tx) == (y != ty)) return "raw segment not axis-aligned or empty";
            const int dx = (tx > x) - (tx < x), dy = (ty > y) - (ty < y);
            while (x != tx || y != ty) {
                uint8_t right, left;
                int* count;
                if (dx == 1) {
                    right = m.At(x, y), left = m.At(x, y - 1), count = &horizontal[y * cw + x];
                } else if (dx == -1) {
                    right = m.At(x - 1, y - 1), left = m.At(x - 1, y), count = &horizontal[y * cw + x - 1];
                } else if (dy == 1) {
                    right = m.At(x - 1, y), left = m.At(x, y), count = &vertical[y * cw + x];
                } else {
                    right = m.At(x, y - 1), left = m.At(x - 1, y - 1), count = &vertical[(y - 1) * cw + x];
                }
                if (x < 0 || y < 0 || x > m.width || y > m.height) return "walk left the frame";
                if (right == left) return "walked an edge that is no border";
                if (right != line.regionA || left != line.regionB) {
                    err << "line " << li << " region values change along it at (" << x << "," << y << ")";
                    return err.str();
                }
                ++*count;
                x += dx;
                y += dy;
            }
        }
    }
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            const bool hBorder = x < m.width && m.At(x, y - 1) != m.At(x, y);
            const bool vBorder = y < m.height && m.At(x - 1, y) != m.At(x, y);
            const int hc = horizontal[y * cw + x], vc = vertical[y * cw + x];
            if (hc != (hBorder ? 1 : 0) || vc != (vBorder ? 1 : 0)) {
                err << "at corner (" << x << "," << y << ") the edge right walked " << hc << " times (border: " << hBorder
                    << "), the edge down " << vc << " times (border: " << vBorder << ")";
                return err.str();
            }
        }
    return {};
}

// Distance from (px, py) to the nearest border edge within `radius`, or a
// value above radius when there is none.
inline double DistanceToBorder(const MaskView& m, double px, double py, double radius) {
    double best = radius + 1;
    const int x0 = static_cast<int>(std::floor(px - radius)) - 1, x1 = static_cast<int>(std::ceil(px + radius)) + 1;
    const int y0 = static_cast<int>(std::floor(py - radius)) - 1, y1 = static_cast<int>(std::ceil(py + radius)) + 1;
    auto segment = [&](double ax, double ay, double bx, double by) {
        const double t = std::clamp(((px - ax) * (bx - ax) + (py - ay) * (by - ay)), 0.0, 1.0);
        best = std::min(best, std::hypot(px - (ax + t * (bx - ax)), py - (ay + t * (by - ay))));
    };
    for (int y = std::max(y0, 0); y <= std::min(y1, m.height); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, m.width); ++x) {
            if (x < m.width && m.At(x, y - 1) != m.At(x, y)) segment(x, y, x + 1, y);
            if (y < m.height && m.At(x - 1, y) != m.At(x, y)) segment(x, y, x, y + 1);
        }
    return best;
}

// LoadMask's output: contours are runs of consecutive indices joined by
// edges; points lie in the mask's frame, near its borders, at most `spacing`
// apart along a contour; open contours end on junction or checkerboard
// corners, and every border between two inner values that ends on a junction
// has a contour ending there; closed ones repeat their first point and hold
// at least 4; weights peak at the middle.
inline std::string CheckLoadMaskOutput(const MaskView& m, float step, int spacing, int pointCount, int edgeCount,
                                       const float* points, const ContourEdge* edges) {
    std::ostringstream err;
    if (pointCount < 0 || edgeCount < 0 || edgeCount > pointCount) return "bad counts";
    if (pointCount == 0 || edgeCount == 0) return pointCount == edgeCount ? "" : "one count 0, the other not";
    TCRaster<unsigned char> mask(m.width, m.height, kOutsideValue), border(m.width + 1, m.height + 1, 0);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) mask.Set(x, y, m.At(x, y));
    CMeshBuilder::FillBorderRaster(mask, border);

    std::set<std::pair<int, int>> openEnds;
    int e = 0, start = 0;
    while (start < pointCount) {
        // One contour: edges start, start+1, ... while they chain.
        int end = start;
        while (e < edgeCount && edges[e].first == static_cast<uint32_t>(end)) {
            if (edges[e].second >= static_cast<uint32_t>(pointCount)) return "edge index past the points";
            if (edges[e].second != static_cast<uint32_t>(end + 1)) return "edge does not join neighbours";
            ++e;
            ++end;
        }
        const int n = end - start + 1;
        if (n < 2) return "contour of one point";
        const float* first = points + 2 * start;
        const float* last = points + 2 * end;
        const bool closed = first[0] == last[0] && first[1] == last[1];
        if (closed && n < 4) return "closed contour of fewer than 4 entries";
        if (!closed) {
            for (const float* p : {first, last}) {
                // Borders end where three values meet, or at a checkerboard
                // corner where the other ways on were taken.
                const uint8_t entry = border.Get(static_cast<int>(p[0]), static_cast<int>(p[1]));
                if (!IsIntegral(p[0]) || !IsIntegral(p[1]) || !((entry & kJunction) || entry == kEdgeBits)) {
                    err << "open contour from (" << first[0] << "," << first[1] << ") to (" << last[0] << ","
                        << last[1] << ") does not end on a junction";
                    return err.str();
                }
                openEnds.emplace(static_cast<int>(p[0]), static_cast<int>(p[1]));
            }
        }
        const int half = std::max(n / 2, 1);
        for (int k = 1; k < n; ++k) {
            const ContourEdge& ed = edges[e - (n - 1) + (k - 1)];
            if (!(ed.weight >= 0.0f && ed.weight <= half * 1.0001f)) return "weight out of range";
            if (k == half && std::fabs(ed.weight - half) > 1e-3f) return "middle weight is not half";
            const float* p = points + 2 * (start + k - 1);
            const float* q = p + 2;
            const double gap = std::fabs(q[0] - p[0]) + std::fabs(q[1] - p[1]);
            if (gap > spacing + 0.03) {
                err << "gap " << gap << " above spacing " << spacing;
                return err.str();
            }
        }
        for (int i = start; i <= end; ++i) {
            const double x = points[2 * i], y = points[2 * i + 1];
            if (!(x >= 0 && y >= 0 && x <= m.width && y <= m.height)) return "point outside the mask";
            const double bound = step + 1.0;
            const double d = DistanceToBorder(m, x, y, bound);
            if (d > bound) {
                err << "point (" << x << "," << y << ") " << d << " from the border";
                return err.str();
            }
        }
        start = end + 1;
    }
    if (e != edgeCount) return "edges left over";

    // A border leaving a junction is one line when its pair of values leaves
    // there only once (twice may be a loop through the junction); handed out,
    // that line keeps the junction as an end.
    for (int y = 0; y <= m.height; ++y)
        for (int x = 0; x <= m.width; ++x) {
            const uint8_t entry = border.Get(x, y);
            if (!(entry & kJunction)) continue;
            // The pixels on the right of the moves right, down, left, up; the
            // left pixel of a move is the right one of the move before it.
            const uint8_t right[4] = {m.At(x, y), m.At(x - 1, y), m.At(x - 1, y - 1), m.At(x, y - 1)};
            int pairs[4];
            for (int i = 0; i < 4; ++i) {
                const uint8_t a = right[i], b = right[(i + 3) & 3];
                const bool inner = (entry >> i & 1) && a != kOutsideValue && b != kOutsideValue;
                pairs[i] = inner ? std::min(a, b) * 256 + std::max(a, b) : -1;
            }
            for (int i = 0; i < 4; ++i) {
                if (pairs[i] < 0 || std::count(pairs, pairs + 4, pairs[i]) != 1 || openEnds.count({x, y})) continue;
                err << "the border between " << pairs[i] / 256 << " and " << pairs[i] % 256 << " leaving junction ("
                    << x << "," << y << ") has no contour ending there";
                return err.str();
            }
        }
    return {};
}

}  // namespace frostel::test
