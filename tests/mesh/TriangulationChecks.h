// Invariants of a triangulation, shared by the unit tests and the fuzz
// target: each check returns the first violation as text, empty when none.
#pragma once

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Triangulation.h"

namespace frostel::testing {

inline bool SameEdge(const CMyPoint* p, const CMyPoint* q, const CMyPoint* r, const CMyPoint* s) {
    return (p == r && q == s) || (p == s && q == r);
}

// Counter-clockwise triangles, symmetric neighbour links over shared sides
// with equal restriction marks, sides without a neighbour on the frame, and
// every vertex's triangle list holding exactly its triangles.
inline std::string CheckStructure(CTriangles* const* all, int n, float width, float height) {
    std::set<const CTriangles*> known(all, all + n);
    std::map<const CMyPoint*, size_t> uses;
    for (int k = 0; k < n; ++k) {
        const CTriangles* t = all[k];
        for (int i = 0; i < 3; ++i) {
            if (!t->vertex[i]) return "triangle " + std::to_string(k) + " lacks a vertex";
            ++uses[t->vertex[i].get()];
        }
        if (CTriangulation::Orientation(*t->vertex[0], *t->vertex[1], *t->vertex[2]) <= 0)
            return "triangle " + std::to_string(k) + " is not counter-clockwise";
        for (int i = 0; i < 3; ++i) {
            const CMyPoint* p = t->vertex[(i + 1) % 3].get();
            const CMyPoint* q = t->vertex[(i + 2) % 3].get();
            const CTriangles* u = t->neighbour[i];
            if (u == nullptr) {
                const bool onFrame = (p->x == 0 && q->x == 0) || (p->y == 0 && q->y == 0) ||
                                     (p->x == width && q->x == width) || (p->y == height && q->y == height);
                if (!onFrame) return "triangle " + std::to_string(k) + " has an open side inside the frame";
                continue;
            }
            if (!known.count(u)) return "neighbour outside the pool";
            int j = -1;
            for (int m = 0; m < 3; ++m)
                if (SameEdge(u->vertex[(m + 1) % 3].get(), u->vertex[(m + 2) % 3].get(), p, q)) j = m;
            if (j < 0 || u->neighbour[j] != t) return "neighbour links disagree at triangle " + std::to_string(k);
            if ((u->side[(j + 1) % 3] != 0) != (t->side[(i + 1) % 3] != 0))
                return "restriction marks disagree at triangle " + std::to_string(k);
        }
    }
    for (const auto& [p, count] : uses) {
        if (p->triangles.size() != count) return "a vertex's triangle list is out of date";
        for (const CTriangles* t : p->triangles)
            if (!known.count(t)) return "a vertex lists a triangle that is gone";
    }
    return {};
}

// Twice the circumcircle test: d inside the circle of counter-clockwise
// a, b, c beyond a relative tolerance.
inline bool InCircle(const CMyPoint& a, const CMyPoint& b, const CMyPoint& c, const CMyPoint& d) {
    const long double adx = a.x - (long double)d.x, ady = a.y - (long double)d.y;
    const long double bdx = b.x - (long double)d.x, bdy = b.y - (long double)d.y;
    const long double cdx = c.x - (long double)d.x, cdy = c.y - (long double)d.y;
    const long double al = adx * adx + ady * ady, bl = bdx * bdx + bdy * bdy, cl = cdx * cdx + cdy * cdy;
    const long double det = adx * (bdy * cl - bl * cdy) - ady * (bdx * cl - bl * cdx) + al * (bdx * cdy - bdy * cdx);
    const long double scale = (std::fabs(adx) + std::fabs(ady) + std::fabs(bdx) + std::fabs(bdy) + std::fabs(cdx) +
                               std::fabs(cdy));
    return det > 1e-9L * scale * scale * scale * scale;
}

// No vertex of a neighbour lies inside a triangle's circumcircle, except
// across a restriction rib: locally, and so globally, constrained Delaunay.
inline std::string CheckDelaunay(CTriangles* const* all, int n) {
    for (int k = 0; k < n; ++k) {
        const CTriangles* t = all[k];
        for (int i = 0; i < 3; ++i) {
            const CTriangles* u = t->neighbour[i];
            if (u == nullptr || t->side[(i + 1) % 3] != 0) continue;
            for (int m = 0; m < 3; ++m) {
                const CMyPoint* d = u->vertex[m].get();
                if (d == t->vertex[0].get() || d == t->vertex[1].get() || d == t->vertex[2].get()) continue;
                if (InCircle(*t->vertex[0], *t->vertex[1], *t->vertex[2], *d))
                    return "a vertex lies in the circumcircle of triangle " + std::to_string(k);
            }
        }
    }
    return {};
}

// A triangulation of V vertices of which B lie on the frame has 2V - B - 2
// triangles.
inline std::string CheckEuler(CTriangles* const* all, int n, float width, float height) {
    std::set<const CMyPoint*> vertices;
    for (int k = 0; k < n; ++k)
        for (const auto& v : all[k]->vertex) vertices.insert(v.get());
    long boundary = 0;
    for (const CMyPoint* p : vertices)
        if (p->x == 0 || p->y == 0 || p->x == width || p->y == height) ++boundary;
    const long expected = 2 * static_cast<long>(vertices.size()) - boundary - 2;
    if (n != expected)
        return std::to_string(n) + " triangles, Euler wants " + std::to_string(expected);
    return {};
}

inline std::string CheckAll(CTriangulation& tri, float width, float height) {
    std::string e = CheckStructure(tri.Triangles(), tri.TriangleCount(), width, height);
    if (e.empty()) e = CheckEuler(tri.Triangles(), tri.TriangleCount(), width, height);
    if (e.empty()) e = CheckDelaunay(tri.Triangles(), tri.TriangleCount());
    return e;
}

// The restricted side joining a and b, if any.
inline bool IsRestrictedSide(const CMyPoint* a, const CMyPoint* b) {
    for (const CTriangles* t : a->triangles)
        for (int k = 0; k < 3; ++k)
            if (SameEdge(t->vertex[k].get(), t->vertex[(k + 1) % 3].get(), a, b)) return t->side[k] != 0;
    return false;
}

}  // namespace frostel::testing
