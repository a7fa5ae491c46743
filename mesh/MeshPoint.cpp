#include "MeshPoint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

char CPointSet::CellTable::tombAnchor_;

size_t CPointSet::CellTable::Hash(const Cell& c) {
    uint64_t h = static_cast<uint64_t>(c.x) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 32)) + static_cast<uint64_t>(c.y) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ (h >> 29)) + static_cast<uint64_t>(c.z) * 0x165667B19E3779F9ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    return static_cast<size_t>(h ^ (h >> 32));
}

void CPointSet::CellTable::Rehash(size_t capacity) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(capacity, Slot{{0, 0, 0}, nullptr});
    mask_ = capacity - 1;
    used_ = live_ = 0;
    // In the old slots' order, each new slot loaded a few points ahead.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < old.size(); ++i) {
        if (i + kAhead < old.size() && old[i + kAhead].point) Prefetch(old[i + kAhead].cell);
        const Slot& s = old[i];
        if (s.point && s.point != Tomb()) Insert(s.cell, s.point);
    }
}

void CPointSet::CellTable::Insert(const Cell& c, CMyPoint* p) {
    // The table grows as it always has: which of two near twins a search
    // meets first follows the slots' history.
    if ((used_ + 1) * 2 > slots_.size())
        Rehash(slots_.empty() ? 1024 : (live_ * 4 > slots_.size() ? slots_.size() * 2 : slots_.size()));
    size_t i = Hash(c) & mask_;
    while (slots_[i].point && slots_[i].point != Tomb()) i = (i + 1) & mask_;
    if (!slots_[i].point) ++used_;
    slots_[i] = Slot{c, p};
    ++live_;
}

void CPointSet::CellTable::Erase(const Cell& c, const CMyPoint* p) {
    if (slots_.empty()) return;
    for (size_t i = Hash(c) & mask_; slots_[i].point; i = (i + 1) & mask_)
        if (slots_[i].point == p) {
            slots_[i].point = Tomb();
            --live_;
            return;
        }
}

void CPointSet::CellTable::Clear() {
    slots_.clear();
    mask_ = used_ = live_ = 0;
}

// floor(v / kCellSize + 0.5), without a library call.
static int64_t CellIndex(double v) {
    const double t = v / kCellSize + 0.5;
    const int64_t i = static_cast<int64_t>(t);
    return static_cast<double>(i) > t ? i - 1 : i;
}

CPointSet::Cell CPointSet::CellOf(float x, float y, float z) { return {CellIndex(x), CellIndex(y), CellIndex(z)}; }

// Calls f(cell) for the cells of the tolerance window around (x, y, z), in
// order, until f returns true.
template <typename F>
bool CPointSet::ForWindowCells(float x, float y, float z, F&& f) {
    const double v[3] = {x, y, z};
    int64_t lo[3], hi[3];
    for (int i = 0; i < 3; ++i) {
        lo[i] = CellIndex(v[i] - kWindow);
        hi[i] = CellIndex(v[i] + kWindow);
    }
    for (int64_t cx = lo[0]; cx <= hi[0]; ++cx)
        for (int64_t cy = lo[1]; cy <= hi[1]; ++cy)
            for (int64_t cz = lo[2]; cz <= hi[2]; ++cz)
                if (f(Cell{cx, cy, cz})) return true;
    return false;
}

void CPointSet::Prefetch(float x, float y, float z) const {
    Index();
    if (grid_.Empty()) return;
    ForWindowCells(x, y, z, [&](const Cell& c) {
        grid_.Prefetch(c);
        return false;
    });
}

CMyPoint* CPointSet::FindNear(float x, float y, float z) const {
    Index();
    if (grid_.Empty()) return nullptr;
    auto near = [&](const CMyPoint* p) { return NearPoint(*p, x, y, z); };
    CMyPoint* found = nullptr;
    ForWindowCells(x, y, z, [&](const Cell& c) { return (found = grid_.Find(c, near)) != nullptr; });
    return found;
}

// Before any inserting or erasing, the array is in order: the first walk or
// search after a change sorts it. Stored points are pairwise apart, so the
// plain order of x, y and z is the tolerant one; the keys below make it total
// even for a NaN, which sorts last.
namespace {
uint32_t OrderKey(float v) {
    if (v != v) return UINT32_MAX;
    const float plain = v + 0.0f;  // -0 as +0
    uint32_t bits;
    std::memcpy(&bits, &plain, sizeof bits);
    return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}
bool PlainLess(const CMyPoint& a, const CMyPoint& b) {
    const uint32_t ax = OrderKey(a.x), bx = OrderKey(b.x);
    if (ax != bx) return ax < bx;
    const uint32_t ay = OrderKey(a.y), by = OrderKey(b.y);
    if (ay != by) return ay < by;
    return OrderKey(a.z) < OrderKey(b.z);
}
}  // namespace

const CPointSet::Ordered& CPointSet::Sorted() const {
    if (!sorted_) {
        Index();
        std::sort(points_.begin(), points_.end(), [](const CMyPointPtr& a, const CMyPointPtr& b) { return PlainLess(*a, *b); });
        sorted_ = true;
    }
    return points_;
}

void CPointSet::Index() const {
    constexpr size_t kAhead = 16;
    for (size_t i = indexed_; i < points_.size(); ++i) {
        if (i + kAhead < points_.size()) {
            const CMyPoint& ahead = *points_[i + kAhead];
            grid_.Prefetch(CellOf(ahead.x, ahead.y, ahead.z));
        }
        const CMyPoint& p = *points_[i];
        grid_.Insert(CellOf(p.x, p.y, p.z), points_[i].get());
    }
    indexed_ = points_.size();
}

// A point stored after the last one in order keeps the array in order.
void CPointSet::Append(CMyPoint* p) {
    if (sorted_ && !points_.empty() && !PlainLess(*points_.back(), *p)) sorted_ = false;
    points_.emplace_back(p);
}

CMyPoint* CPointSet::Store(CMyPoint* p) {
    Index();
    Append(p);
    grid_.Insert(CellOf(p->x, p->y, p->z), p);
    indexed_ = points_.size();
    return p;
}

void CPointSet::StoreApart(const std::vector<CMyPointPtr>& points) {
    points_.reserve(points_.size() + points.size());
    for (const CMyPointPtr& p : points) Append(p.get());
}

CMyPoint* CPointSet::Insert(CMyPoint* p) {
    CMyPointPtr hold(p);  // frees a dropped new point
    if (CMyPoint* twin = FindNear(p->x, p->y, p->z)) return twin;
    return Store(p);
}

CMyPoint* CPointSet::Insert(float x, float y, float z) {
    if (CMyPoint* twin = FindNear(x, y, z)) return twin;
    return Store(new CMyPoint(x, y, z));
}

CPointSet::iterator CPointSet::Lookup(const CMyPoint& key) const {
    const Ordered& ordered = Sorted();
    return std::lower_bound(ordered.begin(), ordered.end(), key,
                            [](const CMyPointPtr& p, const CMyPoint& k) { return CMyPointLess()(*p, k); });
}

CPointSet::iterator CPointSet::Erase(iterator it) {
    Index();
    const CMyPoint* p = it->get();
    grid_.Erase(CellOf(p->x, p->y, p->z), p);
    const iterator next = points_.erase(it);
    indexed_ = points_.size();
    return next;
}

void CPointSet::Clear() {
    grid_.Clear();
    points_.clear();
    sorted_ = true;
    indexed_ = 0;
}

}  // namespace frostel
