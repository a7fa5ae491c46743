#include "Triangulation.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace frostel {

namespace {

const char* const kCacheError = "CTriangulationStaticCache::CTriangulationStaticCache(): Error (0)";
const char* const kBuildFrame = "Error! CTriangulation::BuildDelone2: (0)";
const char* const kBuildCell = "Error! CTriangulation::BuildDelone2: (1)";
const char* const kBuildInsert = "Error! CTriangulation::BuildDelone2: (2)";
const char* const kCosSame = "Error: FindCos: Wrong triangle - consilient vertixes.";
const char* const kCosZero = "Error: FindCos: Division by zero.";
const char* const kDeloneSide = "Error: IsDelone: Wrong pair of triangles - no common side!";
const char* const kFlipSide = "Error: RebuildTriangles: Wrong pair of triangles - no common side!";
const char* const kFlipLinks = "Error: RebuildTriangles: Wrong neighbours info in CTriangles!";
const char* const kFlipLinks2 = "Error:  RebuildTriangles: Wrong neighbours info in CTriangles!";
const char* const kFlipRibs = "Error! RebuildTriangles : cannot restore restriction ribs info!";
const char* const kFindTriangle = "Error! CTriangulation::FindTriangle(): (0)";
const char* const kBreakDamaged = "Error! BreakRib: Triangulation structure is damaged!";
const char* const kBreakRibs = "Error! BreakRib : cannot restore restriction ribs info!";
const char* const kRibStart = "Error! CTriangulation::InsertRRib: Cannot insert restriction rib.";
const char* const kRibWalk = "Error! CTriangulation::InsertRRib() (1)";
const char* const kRibDepth = "Error! CTriangulation::InsertRRib() (2)";
const char* const kRibsEnd = "Error! CTriangulation::AddRestrictionRibs: (0)";
const char* const kRibsCrossing = "Error! CTriangulation::AddRestrictionRibs: (3)";
const char* const kRibsTwin = "Error! CTriangulation::AddRestrictionRibs: (4)";
const char* const kRibsFlips = "Error! CTriangulation::AddRestrictionRibs: (5)";
const char* const kBorder = "Error: FindBorder: Cannot find border!";
const char* const kBorderLinks = "Error: Find border: Wrong neighbours info in CMyPoint.";
const char* const kPrimitive = "Error: Build primitive: cannot find border! (Neighbours search failed)";
const char* const kNeighbours = "Error: IsNeighbours: Wrong neighbours info in CTriangles!";
const char* const kDeleteRib = "Error! CTriangulation::DeleteTriangulationVertex: (0)";
const char* const kDeleteFrame = "Error! CTriangulation::DeleteTriangulationVertex: (1)";
const char* const kDeleteFill = "Error! Error in CTriangulation::DeleteTriangulationVertex.(2)";

// Restriction mark of a side byte.
constexpr uint8_t kRestricted = 1;

int IndexOf(const CTriangles* t, const CMyPoint* p) {
    for (int i = 0; i < 3; ++i)
        if (t->vertex[i].get() == p) return i;
    return -1;
}

int NeighbourIndex(const CTriangles* t, const CTriangles* n) {
    for (int i = 0; i < 3; ++i)
        if (t->neighbour[i] == n) return i;
    return -1;
}

// Index of the vertex that is neither p nor q.
int OppositeOf(const CTriangles* t, const CMyPoint* p, const CMyPoint* q) {
    for (int i = 0; i < 3; ++i)
        if (t->vertex[i].get() != p && t->vertex[i].get() != q) return i;
    return -1;
}

bool SameEdge(const CMyPoint* p, const CMyPoint* q, const CMyPoint* r, const CMyPoint* s) {
    return (p == r && q == s) || (p == s && q == r);
}

// Side byte index k (side from vertex k to k + 1) of the side p-q, or -1.
int SideOf(const CTriangles* t, const CMyPoint* p, const CMyPoint* q) {
    for (int k = 0; k < 3; ++k)
        if (SameEdge(t->vertex[k].get(), t->vertex[(k + 1) % 3].get(), p, q)) return k;
    return -1;
}

bool Finite(const CMyPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void TwoSum(double a, double b, double& sum, double& error) {
    sum = a + b;
    const double bv = sum - a;
    const double av = sum - bv;
    error = (a - av) + (b - bv);
}

}  // namespace

// ------------------------------------------------------------------ cache

CTriangulationStaticCache::CTriangulationStaticCache(int pointCount, float frameWidth, float frameHeight) {
    double size = std::max(1.0, 0.7 * std::pow(static_cast<double>(std::max(pointCount, 0)), 0.375));
    if (size > frameWidth) size = frameWidth * 0.5;
    if (size > frameHeight) size = frameHeight * 0.5;
    // Nearest whole number, an exact half rounding down.
    n = static_cast<int>(std::ceil(size - 0.5));
    if (!(n >= 1)) throw kCacheError;
    cellWidth = frameWidth / static_cast<float>(n);
    cellHeight = frameHeight / static_cast<float>(n);
    if (!(cellWidth > 0.01f) || !(cellHeight > 0.01f)) throw kCacheError;
    cells.assign(static_cast<size_t>(n) * static_cast<size_t>(n), nullptr);
}

int CTriangulationStaticCache::CellIndex(float x, float y) const {
    // Clamped on both ends: a point left of or above the frame must not
    // give a negative index.
    auto cell = [this](float v, float side) {
        const double c = std::floor(static_cast<double>(v) / side);
        if (!(c >= 0.0)) return 0;
        return c >= n - 1 ? n - 1 : static_cast<int>(c);
    };
    return cell(y, cellHeight) * n + cell(x, cellWidth);
}

void CTriangulationStaticCache::Fill(CTriangles* t) { std::fill(cells.begin(), cells.end(), t); }

// ------------------------------------------------------------ primitives

int CTriangulation::Orientation(const CMyPoint& a, const CMyPoint& b, const CMyPoint& c) {
    // (bx - ax)(cy - ay) - (by - ay)(cx - ax) expanded: each product of two
    // floats is exact in double, so only the sum needs care.
    const double term[6] = {
        static_cast<double>(b.x) * c.y,  -static_cast<double>(b.x) * a.y, -static_cast<double>(a.x) * c.y,
        -static_cast<double>(b.y) * c.x, static_cast<double>(b.y) * a.x,  static_cast<double>(a.y) * c.x,
    };
    double sum = 0.0, magnitude = 0.0;
    for (double t : term) {
        sum += t;
        magnitude += std::fabs(t);
    }
    if (std::fabs(sum) > magnitude * 1e-15) return sum > 0.0 ? 1 : -1;
    // Near zero: the exact sign from an expansion of non-overlapping parts.
    double e[6];
    int m = 0;
    for (double t : term) {
        double q = t;
        for (int i = 0; i < m; ++i) {
            double s, h;
            TwoSum(q, e[i], s, h);
            e[i] = h;
            q = s;
        }
        e[m++] = q;
    }
    for (int i = m - 1; i >= 0; --i)
        if (e[i] != 0.0) return e[i] > 0.0 ? 1 : -1;
    return 0;
}

double CTriangulation::FindCos(const CMyPoint* a, const CMyPoint* b, const CMyPoint* c) {
    if (a == b || b == c || a == c) throw kCosSame;
    const double ux = static_cast<double>(a->x) - b->x, uy = static_cast<double>(a->y) - b->y;
    const double vx = static_cast<double>(c->x) - b->x, vy = static_cast<double>(c->y) - b->y;
    const double lu = std::sqrt(ux * ux + uy * uy), lv = std::sqrt(vx * vx + vy * vy);
    if (lu < 0.01 || lv < 0.01) throw kCosZero;
    return (ux * vx + uy * vy) / (lu * lv);
}

namespace {

// Largest cosine (smallest angle) of a triangle.
double MaxCos(const CMyPoint* a, const CMyPoint* b, const CMyPoint* c) {
    return std::max({CTriangulation::FindCos(c, a, b), CTriangulation::FindCos(a, b, c),
                     CTriangulation::FindCos(b, c, a)});
}

}  // namespace

bool CTriangulation::IsDelone(CTriangles* t1, CTriangles* t2) const {
    const int i = NeighbourIndex(t1, t2);
    if (i < 0 || t2 == nullptr) throw kDeloneSide;
    CMyPoint* c = t1->vertex[i].get();
    CMyPoint* p = t1->vertex[(i + 1) % 3].get();
    CMyPoint* q = t1->vertex[(i + 2) % 3].get();
    const int j = OppositeOf(t2, p, q);
    if (j < 0 || IndexOf(t2, p) < 0 || IndexOf(t2, q) < 0) throw kDeloneSide;
    CMyPoint* d = t2->vertex[j].get();
    const double current = std::max(MaxCos(c, p, q), MaxCos(d, q, p));
    const double flipped = std::max(MaxCos(c, p, d), MaxCos(c, d, q));
    return flipped >= current;
}

CTriangles* CTriangulation::FindTriangle(CMyPoint* a, CMyPoint* b, int& side) const {
    for (CTriangles* t : a->triangles) {
        const int k = SideOf(t, a, b);
        if (k >= 0) {
            side = k;
            return t;
        }
    }
    throw kFindTriangle;
}

bool CTriangulation::IsNeighbours(const CTriangles* t1, const CTriangles* t2) const {
    const int i = NeighbourIndex(t1, t2);
    const int j = NeighbourIndex(t2, t1);
    if (i < 0 && j < 0) return false;
    if (i < 0 || j < 0) throw kNeighbours;
    const CMyPoint* p = t1->vertex[(i + 1) % 3].get();
    const CMyPoint* q = t1->vertex[(i + 2) % 3].get();
    if (!SameEdge(p, q, t2->vertex[(j + 1) % 3].get(), t2->vertex[(j + 2) % 3].get())) throw kNeighbours;
    return true;
}

// ------------------------------------------------------------ life cycle

CTriangulation::CTriangulation(CPointSet& points)
    : points_(&points), pointCount_(static_cast<int>(std::min<size_t>(points.size(), 1u << 28))),
      maximum_(6 * pointCount_) {
    pool_.reserve(static_cast<size_t>(maximum_));
}

void CTriangulation::FreeTriangles() {
    for (CTriangles* t : pool_) {
        for (auto& v : t->vertex)
            if (v) v->triangles.clear();
    }
    for (CTriangles* t : pool_) delete t;
    pool_.clear();
    count_ = 0;
}

CTriangulation::~CTriangulation() {
    FreeTriangles();
    delete cache_;
    // A rib and its end points hold each other; unlisting the rib from both
    // ends breaks the cycle, and the last reference then frees it once.
    for (CRibPtr& rib : ribs_) {
        CRib* r = rib.get();
        r->a->RemoveRib(r);
        r->b->RemoveRib(r);
    }
    ribs_.clear();
}

CTriangles* CTriangulation::NewTriangle() {
    if (count_ >= maximum_) return nullptr;
    pool_.push_back(new CTriangles());
    ++count_;
    return pool_.back();
}

CTriangles* CTriangulation::AddTriangle(CMyPoint* a, CMyPoint* b, CMyPoint* c) {
    CTriangles* t = NewTriangle();
    if (t == nullptr) throw kBuildFrame;
    t->vertex[0] = a;
    t->vertex[1] = b;
    t->vertex[2] = c;
    a->AddTriangle(t);
    b->AddTriangle(t);
    c->AddTriangle(t);
    return t;
}

// ------------------------------------------------------- re-triangulation

// Replaces the triangles `old` (a connected cavity) by `fresh`, which must
// cover the same region: reuses the old records, takes new ones from the
// pool, links the fresh triangles to each other and to the cavity's outside,
// carries the outer sides' restriction marks over and marks `restricted`.
// Everything is checked before anything changes, so a throw leaves the
// triangulation as it was.
void CTriangulation::Replace(const std::vector<CTriangles*>& old, const std::vector<Triple>& fresh,
                             const std::vector<Edge>& restricted, const char* error, const Split* split) {
    struct Outer {
        CMyPoint* p;
        CMyPoint* q;
        CTriangles* outside;
        uint8_t mark;
        bool used;
    };
    std::vector<Outer> outer;
    // Restricted sides inside the cavity (the walk of a rib can enclose a
    // rib end, whose rib is then a spike of the cavity's boundary) must
    // come back among the fresh sides, still restricted.
    std::vector<Edge> inner;
    for (CTriangles* t : old) {
        for (int i = 0; i < 3; ++i) {
            CTriangles* n = t->neighbour[i];
            if (n != nullptr && std::find(old.begin(), old.end(), n) != old.end()) {
                if (t->side[(i + 1) % 3] != 0)
                    inner.push_back({t->vertex[(i + 1) % 3].get(), t->vertex[(i + 2) % 3].get()});
                continue;
            }
            outer.push_back({t->vertex[(i + 1) % 3].get(), t->vertex[(i + 2) % 3].get(), n,
                             t->side[(i + 1) % 3], false});
        }
    }
    // A side split by a point: inside the cavity it simply goes (its halves
    // come in `restricted` when it was a rib); on the frame it becomes two
    // outer sides.
    if (split != nullptr) {
        inner.erase(std::remove_if(inner.begin(), inner.end(),
                                   [split](const Edge& e) { return SameEdge(e.p, e.q, split->a, split->b); }),
                    inner.end());
        auto it = std::find_if(outer.begin(), outer.end(),
                               [split](const Outer& o) { return SameEdge(o.p, o.q, split->a, split->b); });
        if (it != outer.end()) {
            if (it->outside != nullptr) throw error;
            const Outer whole = *it;
            *it = {whole.p, split->p, nullptr, whole.mark, false};
            outer.push_back({split->p, whole.q, nullptr, whole.mark, false});
        } else if (old.size() == 1) {
            throw error;
        }
    }
    if (fresh.empty() ||
        (fresh.size() > old.size() && fresh.size() - old.size() > static_cast<size_t>(maximum_ - count_)))
        throw error;
    // Dry run: every fresh triangle counter-clockwise, every fresh side
    // matched once by an outer side or by the reverse side of another fresh
    // triangle, every outer side used once.
    std::vector<int> match(fresh.size() * 3, -1);  // outer index, or -2 - (fresh side index)
    for (size_t k = 0; k < fresh.size(); ++k) {
        const Triple& f = fresh[k];
        if (Orientation(*f.v[0], *f.v[1], *f.v[2]) <= 0) throw error;
        for (int i = 0; i < 3; ++i) {
            CMyPoint* p = f.v[(i + 1) % 3];
            CMyPoint* q = f.v[(i + 2) % 3];
            int found = -1;
            for (size_t o = 0; o < outer.size(); ++o)
                if (outer[o].p == p && outer[o].q == q) {
                    if (outer[o].used) throw error;
                    outer[o].used = true;
                    found = static_cast<int>(o);
                    break;
                }
            if (found < 0) {
                for (size_t l = 0; l < fresh.size() && found < 0; ++l) {
                    if (l == k) continue;
                    for (int j = 0; j < 3; ++j)
                        if (fresh[l].v[(j + 1) % 3] == q && fresh[l].v[(j + 2) % 3] == p) {
                            found = -2 - static_cast<int>(l * 3 + static_cast<size_t>(j));
                            break;
                        }
                }
            }
            if (found == -1) throw error;
            match[k * 3 + static_cast<size_t>(i)] = found;
        }
    }
    for (const Outer& o : outer)
        if (!o.used) throw error;
    for (const Edge& e : inner) {
        bool found = false;
        for (const Triple& f : fresh)
            for (int i = 0; i < 3 && !found; ++i) found = SameEdge(f.v[i], f.v[(i + 1) % 3], e.p, e.q);
        if (!found) throw error;
    }

    // Commit.
    std::vector<CTriangles*> records(old);
    for (CTriangles* t : old)
        for (auto& v : t->vertex) v->triangles.remove(t);
    while (records.size() < fresh.size()) records.push_back(NewTriangle());
    // A smaller cavity gives its spare records back to the pool.
    while (records.size() > fresh.size()) {
        CTriangles* spare = records.back();
        records.pop_back();
        if (cache_ != nullptr) std::replace(cache_->cells.begin(), cache_->cells.end(), spare, records.front());
        auto at = std::find(pool_.begin(), pool_.end(), spare);
        *at = pool_.back();
        pool_.pop_back();
        --count_;
        delete spare;
    }
    for (size_t k = 0; k < fresh.size(); ++k) {
        CTriangles* t = records[k];
        t->flags = 0;
        for (int i = 0; i < 3; ++i) {
            t->vertex[i] = fresh[k].v[i];
            t->vertex[i]->AddTriangle(t);
            t->neighbour[i] = nullptr;
            t->side[i] = 0;
        }
    }
    auto isRestricted = [&restricted, &inner](const CMyPoint* p, const CMyPoint* q) {
        for (const std::vector<Edge>* list : {&restricted, static_cast<const std::vector<Edge>*>(&inner)})
            for (const Edge& e : *list)
                if (SameEdge(e.p, e.q, p, q)) return true;
        return false;
    };
    for (size_t k = 0; k < fresh.size(); ++k) {
        CTriangles* t = records[k];
        for (int i = 0; i < 3; ++i) {
            CMyPoint* p = t->vertex[(i + 1) % 3].get();
            CMyPoint* q = t->vertex[(i + 2) % 3].get();
            const int m = match[k * 3 + static_cast<size_t>(i)];
            uint8_t mark = isRestricted(p, q) ? kRestricted : 0;
            if (m >= 0) {
                const Outer& o = outer[static_cast<size_t>(m)];
                mark |= o.mark;
                t->neighbour[i] = o.outside;
                if (o.outside != nullptr) {
                    const int j = OppositeOf(o.outside, p, q);
                    o.outside->neighbour[j] = t;
                    o.outside->side[(j + 1) % 3] |= mark;
                }
            } else {
                const size_t other = static_cast<size_t>(-2 - m);
                t->neighbour[i] = records[other / 3];
            }
            t->side[(i + 1) % 3] = mark;
        }
    }
}

// ------------------------------------------------------------- insertion

CTriangles* CTriangulation::Locate(CTriangles* start, const CMyPoint& p) const {
    // The walk is bounded: on a triangulation that is not Delaunay it could
    // circle, and then every triangle is tried in turn.
    CTriangles* t = start;
    for (int steps = 0; t != nullptr && steps <= count_ + 3; ++steps) {
        int negative = -1;
        for (int i = 0; i < 3 && negative < 0; ++i)
            if (Orientation(*t->vertex[i], *t->vertex[(i + 1) % 3], p) < 0) negative = i;
        if (negative < 0) return t;
        t = t->neighbour[(negative + 2) % 3];
    }
    for (int k = 0; k < count_; ++k) {
        CTriangles* c = pool_[static_cast<size_t>(k)];
        bool inside = true;
        for (int i = 0; i < 3 && inside; ++i)
            inside = Orientation(*c->vertex[i], *c->vertex[(i + 1) % 3], p) >= 0;
        if (inside) return c;
    }
    return nullptr;
}

bool CTriangulation::InsertPoint(CTriangles* t, CMyPoint* p) {
    int o[3], zeros = 0, onSide = -1;
    for (int i = 0; i < 3; ++i) {
        o[i] = Orientation(*t->vertex[i], *t->vertex[(i + 1) % 3], *p);
        if (o[i] < 0) return false;
        if (o[i] == 0) {
            ++zeros;
            onSide = i;
        }
    }
    if (zeros >= 2) return false;  // on a vertex: a twin in the plane
    if (zeros == 1) {
        BreakRib(t, onSide, p);
        return true;
    }
    CMyPoint* a = t->vertex[0].get();
    CMyPoint* b = t->vertex[1].get();
    CMyPoint* c = t->vertex[2].get();
    Replace({t}, {{{a, b, p}}, {{b, c, p}}, {{c, a, p}}}, {}, kBuildInsert);
    return true;
}

void CTriangulation::BreakRib(CTriangles* t, int side, CMyPoint* p) {
    CMyPoint* a = t->vertex[side].get();
    CMyPoint* b = t->vertex[(side + 1) % 3].get();
    CMyPoint* w = t->vertex[(side + 2) % 3].get();
    CTriangles* u = t->neighbour[(side + 2) % 3];
    std::vector<CTriangles*> old{t};
    std::vector<Triple> fresh{{{a, p, w}}, {{p, b, w}}};
    uint8_t mark = t->side[side];
    if (u != nullptr) {
        const int j = OppositeOf(u, a, b);
        if (j < 0 || IndexOf(u, a) < 0 || IndexOf(u, b) < 0) throw kBreakDamaged;
        if ((u->side[(j + 1) % 3] != 0) != (mark != 0)) throw kBreakRibs;
        CMyPoint* z = u->vertex[j].get();
        old.push_back(u);
        fresh.push_back({{b, p, z}});
        fresh.push_back({{p, a, z}});
    }
    std::vector<Edge> restricted;
    if (mark != 0) restricted = {{a, p}, {p, b}};
    const Split broken{a, b, p};
    Replace(old, fresh, restricted, kBreakDamaged, &broken);
}

bool CTriangulation::RebuildTriangles(CTriangles* t1, CTriangles* t2) {
    const int i = NeighbourIndex(t1, t2);
    if (i < 0 || t2 == nullptr) throw kFlipSide;
    const int j = NeighbourIndex(t2, t1);
    if (j < 0) throw kFlipLinks;
    CMyPoint* c = t1->vertex[i].get();
    CMyPoint* p = t1->vertex[(i + 1) % 3].get();
    CMyPoint* q = t1->vertex[(i + 2) % 3].get();
    if (!SameEdge(p, q, t2->vertex[(j + 1) % 3].get(), t2->vertex[(j + 2) % 3].get())) throw kFlipLinks2;
    const bool mark1 = t1->side[(i + 1) % 3] != 0, mark2 = t2->side[(j + 1) % 3] != 0;
    if (mark1 != mark2) throw kFlipRibs;
    if (mark1) return false;
    CMyPoint* d = t2->vertex[j].get();
    if (Orientation(*c, *p, *d) <= 0 || Orientation(*c, *d, *q) <= 0) return false;
    Replace({t1, t2}, {{{c, p, d}}, {{c, d, q}}}, {}, kFlipLinks2);
    return true;
}

void CTriangulation::RestoreDelaunay(std::vector<CTriangles*> work) {
    while (!work.empty()) {
        CTriangles* t = work.back();
        work.pop_back();
        for (int i = 0; i < 3; ++i) {
            CTriangles* n = t->neighbour[i];
            if (n == nullptr || IsDelone(t, n) || !RebuildTriangles(t, n)) continue;
            // Flips with inexact angles could in principle cycle: bounded.
            if (--flipBudget_ < 0) throw kRibsFlips;
            work.push_back(t);
            work.push_back(n);
            break;
        }
    }
}

bool CTriangulation::BuildDelone2(CMyPoint* const corners[4]) {
    if (points_->size() < 4) return false;
    FreeTriangles();
    delete cache_;
    cache_ = nullptr;
    for (int i = 0; i < 4; ++i)
        if (corners[i] == nullptr) return false;
    CMyPoint* const p0 = corners[0];
    CMyPoint* const p1 = corners[1];
    CMyPoint* const p2 = corners[2];
    CMyPoint* const p3 = corners[3];
    const float width = p1->x - p0->x, height = p3->y - p0->y;
    if (!(width > 0.0f) || !(height > 0.0f) || Orientation(*p0, *p1, *p2) <= 0 ||
        Orientation(*p2, *p3, *p0) <= 0 || Orientation(*p0, *p1, *p3) <= 0 || Orientation(*p1, *p2, *p3) <= 0)
        throw kBuildFrame;
    CTriangles* t0 = AddTriangle(p0, p1, p2);
    CTriangles* t1 = AddTriangle(p2, p3, p0);
    t0->neighbour[1] = t1;
    t1->neighbour[1] = t0;
    cache_ = new CTriangulationStaticCache(pointCount_, width, height);
    cache_->Fill(t0);
    flipBudget_ = 64L * (maximum_ + 16);

    for (const CMyPointPtr& point : *points_) {
        CMyPoint* p = point.get();
        if (p == p0 || p == p1 || p == p2 || p == p3) continue;
        if (!Finite(*p)) throw kBuildInsert;
        const int cell = cache_->CellIndex(p->x - p0->x, p->y - p0->y);
        cache_->lastCell = cell;
        CTriangles* start = cache_->cells[static_cast<size_t>(cell)];
        if (start == nullptr) throw kBuildCell;
        CTriangles* t = Locate(start, *p);
        if (t == nullptr) throw kBuildInsert;  // outside the frame
        cache_->cells[static_cast<size_t>(cell)] = t;
        if (IndexOf(t, p) >= 0) continue;
        if (!InsertPoint(t, p)) throw kBuildInsert;
        RestoreDelaunay(std::vector<CTriangles*>(p->triangles.begin(), p->triangles.end()));
    }
    return true;
}

void CTriangulation::MakeDelone() {
    if (flipBudget_ <= 0) flipBudget_ = 64L * (maximum_ + 16);
    RestoreDelaunay(std::vector<CTriangles*>(pool_.begin(), pool_.end()));
}

// ------------------------------------------------------------------ ribs

void CTriangulation::RegisterRib(CMyPoint* a, CMyPoint* b) {
    int side = 0;
    CTriangles* t = FindTriangle(a, b, side);
    t->side[side] = kRestricted;
    CTriangles* n = t->neighbour[(side + 2) % 3];
    if (n != nullptr) {
        const int k = SideOf(n, a, b);
        if (k < 0) throw kRibsEnd;
        n->side[k] = kRestricted;
    }
}

bool CTriangulation::RibCrossing(const CMyPoint& a, const CMyPoint& b, const CMyPoint& p, const CMyPoint& q,
                                 float& x, float& y) const {
    struct Line {
        double ka, kb, kc;
    };
    auto through = [](const CMyPoint& s, const CMyPoint& e) {
        const double ka = static_cast<double>(e.y) - s.y, kb = static_cast<double>(s.x) - e.x;
        return Line{ka, kb, -(ka * s.x + kb * s.y)};
    };
    const Line l1 = through(a, b), l2 = through(p, q);
    const double det = l1.ka * l2.kb - l2.ka * l1.kb;
    if (!(std::fabs(det) > 0.01)) return false;
    const double px = (l1.kb * l2.kc - l2.kb * l1.kc) / det;
    const double py = (l2.ka * l1.kc - l1.ka * l2.kc) / det;
    auto onSegment = [px, py](const CMyPoint& s, const CMyPoint& e) {
        const double dx = static_cast<double>(e.x) - s.x, dy = static_cast<double>(e.y) - s.y;
        return ((px - e.x) * dx + (py - e.y) * dy) * ((px - s.x) * dx + (py - s.y) * dy) < 0.01;
    };
    if (!onSegment(a, b) || !onSegment(p, q)) return false;
    x = static_cast<float>(px);
    y = static_cast<float>(py);
    return true;
}

void CTriangulation::TriangulateChain(CMyPoint* u, CMyPoint* v, const std::vector<CMyPoint*>& chain,
                                      std::vector<Triple>& out) const {
    // The polygon u, v, chain... (counter-clockwise) on one side of a new
    // rib: the chain vertex seeing u-v under the largest angle makes the
    // Delaunay triangle on u-v; the two sides left of it recurse.
    struct Span {
        CMyPoint* u;
        CMyPoint* v;
        size_t begin, end;
    };
    std::vector<Span> stack{{u, v, 0, chain.size()}};
    while (!stack.empty()) {
        const Span s = stack.back();
        stack.pop_back();
        if (s.begin >= s.end) continue;
        size_t best = s.begin;
        double bestCos = 2.0;
        for (size_t k = s.begin; k < s.end; ++k) {
            const double c = FindCos(s.u, chain[k], s.v);
            if (c < bestCos) {
                bestCos = c;
                best = k;
            }
        }
        out.push_back({{s.u, s.v, chain[best]}});
        stack.push_back({chain[best], s.v, s.begin, best});
        stack.push_back({s.u, chain[best], best + 1, s.end});
    }
}

void CTriangulation::InsertRRib(CMyPoint* a, CMyPoint* b, int depth, bool& split) {
    if (a == b) return;
    if (depth > 64 + count_) throw kRibDepth;
    for (CTriangles* t : a->triangles)
        if (SideOf(t, a, b) >= 0) {
            RegisterRib(a, b);
            return;
        }

    // The triangle at a that the rib leaves through, or a point on the rib.
    CTriangles* t = nullptr;
    CMyPoint* right = nullptr;
    CMyPoint* left = nullptr;
    auto ahead = [a, b](const CMyPoint* v) {
        return (static_cast<double>(v->x) - a->x) * (static_cast<double>(b->x) - a->x) +
                   (static_cast<double>(v->y) - a->y) * (static_cast<double>(b->y) - a->y) >
               0.0;
    };
    for (CTriangles* c : a->triangles) {
        const int i = IndexOf(c, a);
        CMyPoint* p = c->vertex[(i + 1) % 3].get();
        CMyPoint* q = c->vertex[(i + 2) % 3].get();
        const int sp = Orientation(*a, *b, *p), sq = Orientation(*a, *b, *q);
        for (CMyPoint* v : {p, q})
            if ((v == p ? sp : sq) == 0 && ahead(v)) {
                split = true;
                InsertRRib(a, v, depth + 1, split);
                InsertRRib(v, b, depth + 1, split);
                return;
            }
        if (sp < 0 && sq > 0) {
            t = c;
            right = p;
            left = q;
            break;
        }
    }
    if (t == nullptr) throw kRibStart;

    std::vector<CTriangles*> crossed{t};
    std::vector<CMyPoint*> rights{right}, lefts{left};
    CMyPoint* end = nullptr;
    for (int steps = 0; end == nullptr; ++steps) {
        if (steps > count_ + 3) throw kRibWalk;
        const int k = SideOf(t, right, left);
        if (k < 0) throw kRibWalk;
        if (t->side[k] != 0) {
            // An earlier rib is in the way: both meet at their crossing.
            float x = 0.0f, y = 0.0f;
            if (!RibCrossing(*a, *b, *right, *left, x, y)) throw kRibsCrossing;
            CMyPoint* meet = points_->Insert(x, y, kFrameZ);
            if (meet != right && meet != left) {
                if (!meet->triangles.empty() || !Finite(*meet)) throw kRibsTwin;
                meet->flags |= kPointRibEnd;
                BreakRib(t, k, meet);
                RestoreDelaunay(std::vector<CTriangles*>(meet->triangles.begin(), meet->triangles.end()));
            }
            split = true;
            InsertRRib(a, meet, depth + 1, split);
            InsertRRib(meet, b, depth + 1, split);
            return;
        }
        CTriangles* u = t->neighbour[(k + 2) % 3];
        if (u == nullptr) throw kRibWalk;
        const int j = OppositeOf(u, right, left);
        if (j < 0) throw kRibWalk;
        CMyPoint* w = u->vertex[j].get();
        crossed.push_back(u);
        const int sw = w == b ? 0 : Orientation(*a, *b, *w);
        if (sw == 0) {
            end = w;
        } else if (sw > 0) {
            lefts.push_back(w);
            left = w;
        } else {
            rights.push_back(w);
            right = w;
        }
        t = u;
    }

    std::vector<Triple> fresh;
    std::vector<CMyPoint*> leftChain(lefts.rbegin(), lefts.rend());
    TriangulateChain(a, end, leftChain, fresh);
    TriangulateChain(end, a, rights, fresh);
    Replace(crossed, fresh, {{a, end}}, kRibStart);
    // The cavity's records now hold the new triangles.
    RestoreDelaunay(crossed);
    if (end != b) {
        split = true;
        InsertRRib(end, b, depth + 1, split);
    }
}

bool CTriangulation::AddRestrictionRibs(const std::vector<CRibPtr>& ribs, CPointSet&) {
    if (cache_ == nullptr) throw kRibsEnd;
    if (flipBudget_ <= 0) flipBudget_ = 64L * (maximum_ + 16);
    // Adopted first, so that the destructor unlists them whatever happens.
    ribs_.insert(ribs_.end(), ribs.begin(), ribs.end());
    bool whole = true;
    for (const CRibPtr& rib : ribs) {
        CMyPoint* a = rib->a.get();
        CMyPoint* b = rib->b.get();
        if (a->triangles.empty() || b->triangles.empty()) throw kRibsEnd;
        bool split = false;
        InsertRRib(a, b, 0, split);
        if (!split) {
            int side = 0;
            const CTriangles* t = FindTriangle(a, b, side);
            whole = whole && t->side[side] != 0;
        }
    }
    return whole;
}

// ---------------------------------------------------------------- rebuild

void CTriangulation::Rebuild() {
    // Rule 1: a triangle with two rib ends and a contour point that is not
    // an inner peak is flat against the border: flip the side between the
    // two rib ends when it is free, so that the border pair connects to the
    // inside.
    for (int k = 0; k < count_; ++k) {
        CTriangles* t = pool_[static_cast<size_t>(k)];
        int ribEnds = 0, inner = 0, contour = -1;
        for (int i = 0; i < 3; ++i) {
            const uint32_t f = t->vertex[i]->flags;
            if (f & kPointRibEnd)
                ++ribEnds;
            else if (f & kPointContour)
                contour = i;
            if (f & kPointInner) ++inner;
        }
        if (ribEnds == 2 && contour >= 0 && inner != 1) {
            CTriangles* n = t->neighbour[contour];
            if (n != nullptr && t->side[(contour + 1) % 3] == 0) RebuildTriangles(t, n);
        }
    }
    // Rule 2: around each inner peak the sides at the peak are made
    // Delaunay again, so that the slopes from the peak are not needlessly
    // thin after rule 1.
    for (int k = 0; k < count_; ++k) {
        CTriangles* t = pool_[static_cast<size_t>(k)];
        int inner = -1, count = 0;
        for (int i = 0; i < 3; ++i)
            if (t->vertex[i]->flags & kPointInner) {
                inner = i;
                ++count;
            }
        if (count != 1) continue;
        for (int s : {(inner + 1) % 3, (inner + 2) % 3}) {
            CTriangles* n = t->neighbour[s];
            if (n != nullptr && !IsDelone(t, n) && RebuildTriangles(t, n)) break;
        }
    }
}

// ------------------------------------------------------------ the rest

void CTriangulation::MarkRegions(const std::vector<CTriangles*>& seeds) {
    std::vector<CTriangles*> work;
    for (CTriangles* s : seeds)
        if (s != nullptr && !(s->flags & kTriangleMarked)) {
            s->flags |= kTriangleMarked;
            work.push_back(s);
        }
    while (!work.empty()) {
        CTriangles* t = work.back();
        work.pop_back();
        for (int i = 0; i < 3; ++i) {
            CTriangles* n = t->neighbour[i];
            if (n == nullptr || t->side[(i + 1) % 3] != 0 || (n->flags & kTriangleMarked)) continue;
            n->flags |= kTriangleMarked;
            work.push_back(n);
        }
    }
}

void CTriangulation::FindBorder(CMyPoint* p, std::vector<CMyPoint*>& ring, bool& closed) const {
    ring.clear();
    closed = false;
    if (p->triangles.empty()) throw kBorder;
    // Turn clockwise to the first triangle (or the frame), then collect
    // counter-clockwise.
    CTriangles* first = p->triangles.front();
    CTriangles* t = first;
    for (size_t steps = 0;; ++steps) {
        if (steps > p->triangles.size()) throw kBorderLinks;
        const int i = IndexOf(t, p);
        if (i < 0) throw kBorderLinks;
        CTriangles* before = t->neighbour[(i + 2) % 3];  // across p - vertex i+1
        if (before == nullptr) break;
        if (before == first) {
            closed = true;
            break;
        }
        t = before;
    }
    const CTriangles* start = t;
    for (size_t steps = 0;; ++steps) {
        if (steps > p->triangles.size()) throw kBorderLinks;
        const int i = IndexOf(t, p);
        if (i < 0) throw kBorderLinks;
        ring.push_back(t->vertex[(i + 1) % 3].get());
        CTriangles* next = t->neighbour[(i + 1) % 3];  // across p - vertex i+2
        if (next == start && closed) break;
        if (next == nullptr) {
            ring.push_back(t->vertex[(i + 2) % 3].get());
            break;
        }
        t = next;
    }
    if (ring.size() != p->triangles.size() + (closed ? 0 : 1)) throw kBorder;
}

void CTriangulation::BuildPrimitive(const std::vector<CMyPoint*>& ring, std::vector<Triple>& fresh) const {
    // Ear clipping of the star-shaped ring: an ear is convex and holds no
    // other ring vertex; of the ears the one with the best smallest angle is
    // cut first.
    fresh.clear();
    if (ring.size() < 3) throw kPrimitive;
    std::vector<CMyPoint*> polygon(ring);
    while (polygon.size() > 3) {
        size_t best = polygon.size();
        double bestCos = 2.0;
        for (size_t k = 0; k < polygon.size(); ++k) {
            CMyPoint* a = polygon[(k + polygon.size() - 1) % polygon.size()];
            CMyPoint* b = polygon[k];
            CMyPoint* c = polygon[(k + 1) % polygon.size()];
            if (Orientation(*a, *b, *c) <= 0) continue;
            bool empty = true;
            for (CMyPoint* v : polygon) {
                if (v == a || v == b || v == c) continue;
                if (Orientation(*a, *b, *v) >= 0 && Orientation(*b, *c, *v) >= 0 && Orientation(*c, *a, *v) >= 0)
                    empty = false;
            }
            if (!empty) continue;
            const double cos = MaxCos(a, b, c);
            if (cos < bestCos) {
                bestCos = cos;
                best = k;
            }
        }
        if (best == polygon.size()) throw kPrimitive;
        const size_t n = polygon.size();
        fresh.push_back({{polygon[(best + n - 1) % n], polygon[best], polygon[(best + 1) % n]}});
        polygon.erase(polygon.begin() + static_cast<std::ptrdiff_t>(best));
    }
    if (Orientation(*polygon[0], *polygon[1], *polygon[2]) <= 0) throw kDeleteFill;
    fresh.push_back({{polygon[0], polygon[1], polygon[2]}});
}

void CTriangulation::DeleteTriangulationVertex(CMyPoint* p) {
    if (p->flags & kPointRibEnd) throw kDeleteRib;
    std::vector<CMyPoint*> ring;
    bool closed = false;
    FindBorder(p, ring, closed);
    if (!closed) throw kDeleteFrame;
    std::vector<Triple> fresh;
    BuildPrimitive(ring, fresh);
    const std::vector<CTriangles*> old(p->triangles.begin(), p->triangles.end());
    Replace(old, fresh, {}, kDeleteFill);
    std::vector<CTriangles*> touched;
    for (CMyPoint* v : ring) touched.insert(touched.end(), v->triangles.begin(), v->triangles.end());
    if (flipBudget_ <= 0) flipBudget_ = 64L * (maximum_ + 16);
    RestoreDelaunay(touched);
}

}  // namespace frostel
