#include "MeshPoint.h"

#include <cmath>

namespace frostel {

void CMyPoint::Release() {
    if (--refCount_ > 0) return;
    delete this;
}

void CMyPoint::RemoveRib(CRib* rib) {
    // Move the entries out first: dropping them may free the rib, whose
    // release comes back here.
    std::list<CRibPtr> gone;
    for (auto it = ribs.begin(); it != ribs.end();) {
        auto next = std::next(it);
        if (it->get() == rib) gone.splice(gone.end(), ribs, it);
        it = next;
    }
}

CRib::CRib(CMyPoint* pa, CMyPoint* pb, uint8_t f1, uint8_t f2) : a(pa), b(pb), flag1(f1), flag2(f2) {
    a->AddRib(this);
    b->AddRib(this);
    a->flags |= kPointRibEnd;
    b->flags |= kPointRibEnd;
}

void CRib::Release() {
    if (--refCount_ > 0) return;
    // The lists hold counted references, so they are normally empty of the
    // rib by now; leaving them keeps a rib freed some other way unlisted.
    a->RemoveRib(this);
    b->RemoveRib(this);
    a->flags &= ~kPointRibEnd;
    b->flags &= ~kPointRibEnd;
    b.Reset();
    a.Reset();
    delete this;
}

namespace {
// The difference in single precision, compared in double.
bool Near(float a, float b) { return std::fabs(static_cast<double>(a - b)) < kPointTolerance; }

bool NearPoint(const CMyPoint& a, float x, float y, float z) { return Near(a.x, x) && Near(a.y, y) && Near(a.z, z); }
}  // namespace

bool CMyPointEqual(const CMyPoint& a, const CMyPoint& b) { return NearPoint(a, b.x, b.y, b.z); }

bool CMyPointLess::operator()(const CMyPoint& a, const CMyPoint& b) const {
    if (CMyPointEqual(a, b)) return false;
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
}

// Cells wider than the tolerance window, so a window touches at most two
// cells per axis. Cells are centred on multiples of the cell size, so points
// on the pixel grid (whole, half and quarter pixels) need only their own.
static constexpr double kCellSize = 0.025;
static constexpr double kWindow = kPointTolerance * 1.01;

size_t CPointSet::CellHash::operator()(const Cell& c) const {
    uint64_t h = static_cast<uint64_t>(c.x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(c.y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<uint64_t>(c.z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return static_cast<size_t>(h ^ (h >> 29));
}

static int64_t CellIndex(double v) { return static_cast<int64_t>(std::floor(v / kCellSize + 0.5)); }

CPointSet::Cell CPointSet::CellOf(float x, float y, float z) { return {CellIndex(x), CellIndex(y), CellIndex(z)}; }

CMyPoint* CPointSet::FindNear(float x, float y, float z) const {
    if (grid_.empty()) return nullptr;
    const double v[3] = {x, y, z};
    int64_t lo[3], hi[3];
    for (int i = 0; i < 3; ++i) {
        lo[i] = CellIndex(v[i] - kWindow);
        hi[i] = CellIndex(v[i] + kWindow);
    }
    for (int64_t cx = lo[0]; cx <= hi[0]; ++cx)
        for (int64_t cy = lo[1]; cy <= hi[1]; ++cy)
            for (int64_t cz = lo[2]; cz <= hi[2]; ++cz) {
                auto range = grid_.equal_range(Cell{cx, cy, cz});
                for (auto it = range.first; it != range.second; ++it)
                    if (NearPoint(*it->second, x, y, z)) return it->second;
            }
    return nullptr;
}

CMyPoint* CPointSet::Insert(CMyPoint* p) {
    CMyPointPtr hold(p);  // frees a dropped new point
    if (CMyPoint* twin = FindNear(p->x, p->y, p->z)) return twin;
    ordered_.insert(hold);
    grid_.emplace(CellOf(p->x, p->y, p->z), p);
    return p;
}

CMyPoint* CPointSet::Insert(float x, float y, float z) {
    if (CMyPoint* twin = FindNear(x, y, z)) return twin;
    return Insert(new CMyPoint(x, y, z));
}

CPointSet::iterator CPointSet::Lookup(const CMyPoint& key) const {
    return ordered_.lower_bound(key);
}

void CPointSet::Unlink(CMyPoint* p) {
    auto range = grid_.equal_range(CellOf(p->x, p->y, p->z));
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == p) {
            grid_.erase(it);
            return;
        }
}

CPointSet::iterator CPointSet::Erase(iterator it) {
    Unlink(it->get());
    return ordered_.erase(it);
}

void CPointSet::Clear() {
    grid_.clear();
    ordered_.clear();
}

}  // namespace frostel
