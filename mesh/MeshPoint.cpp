#include "MeshPoint.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

namespace frostel {

void CMyPoint::Release() {
    if (--refCount_ > 0) return;
    if (slab_)
        CPointSlabs::Free(this);
    else
        delete this;
}

namespace {
constexpr size_t kSlabBytes = 64 * 1024;
// Points start past the slab's header, each on its own alignment.
constexpr size_t kPointBytes = (sizeof(CMyPoint) + alignof(CMyPoint) - 1) / alignof(CMyPoint) * alignof(CMyPoint);
constexpr size_t kFirstPoint = 64;
}  // namespace

// The points carved and not yet freed, and one more while carved.
struct CPointSlabs::Slab {
    std::atomic<int32_t> live{1};
};

CPointSlabs::~CPointSlabs() { Drop(current_); }

void CPointSlabs::Drop(Slab* slab) {
    if (slab && slab->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        slab->~Slab();
        ::operator delete(slab, std::align_val_t(kSlabBytes));
    }
}

CMyPoint* CPointSlabs::New(float x, float y, float z) {
    if (!current_ || used_ + kPointBytes > kSlabBytes) {
        Slab* fresh = new (::operator new(kSlabBytes, std::align_val_t(kSlabBytes))) Slab;
        Drop(current_);
        current_ = fresh;
        used_ = kFirstPoint;
    }
    CMyPoint* p = new (reinterpret_cast<char*>(current_) + used_) CMyPoint(x, y, z);
    used_ += kPointBytes;
    current_->live.fetch_add(1, std::memory_order_relaxed);
    p->slab_ = true;
    return p;
}

void CPointSlabs::Free(CMyPoint* p) {
    Slab* slab = reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(p) & ~static_cast<uintptr_t>(kSlabBytes - 1));
    p->~CMyPoint();
    Drop(slab);
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

size_t CPointSet::CellTiles::TileHash::operator()(const std::pair<int64_t, int64_t>& t) const {
    uint64_t h = static_cast<uint64_t>(t.first) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 32)) + static_cast<uint64_t>(t.second) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(h ^ (h >> 29));
}

void CPointSet::CellTiles::SetFrame(const Cell& lo, const Cell& hi) {
    if (!entries_.empty()) return;
    frameX_ = TileOf(lo.x);
    frameY_ = TileOf(lo.y);
    const int64_t width = TileOf(hi.x) - frameX_ + 1, height = TileOf(hi.y) - frameY_ + 1;
    // Without the memory every tile is hashed.
    frame_ = PageBlock(static_cast<size_t>(width) * static_cast<size_t>(height) * sizeof(uint32_t));
    frameWidth_ = frame_ ? width : 0;
    frameHeight_ = frame_ ? height : 0;
}

uint32_t* CPointSet::CellTiles::FrameSlot(int64_t tx, int64_t ty) const {
    const int64_t fx = tx - frameX_, fy = ty - frameY_;
    if (fx < 0 || fy < 0 || fx >= frameWidth_ || fy >= frameHeight_) return nullptr;
    return frame_.as<uint32_t>() + static_cast<size_t>(fy) * static_cast<size_t>(frameWidth_) + static_cast<size_t>(fx);
}

uint32_t CPointSet::CellTiles::RunOf(int64_t tx, int64_t ty) const {
    if (const uint32_t* slot = FrameSlot(tx, ty)) return *slot;
    if (others_.empty()) return 0;
    const auto it = others_.find({tx, ty});
    return it == others_.end() ? 0 : it->second;
}

uint32_t& CPointSet::CellTiles::RunSlot(int64_t tx, int64_t ty) {
    if (uint32_t* slot = FrameSlot(tx, ty)) return *slot;
    return others_[{tx, ty}];
}

void CPointSet::CellTiles::Prefetch(const Cell& c) const {
    if (const uint32_t* slot = FrameSlot(TileOf(c.x), TileOf(c.y))) __builtin_prefetch(slot);
}

void CPointSet::CellTiles::Insert(const Cell& c, CMyPoint* p) {
    uint32_t& slot = RunSlot(TileOf(c.x), TileOf(c.y));
    if (slot == 0) {
        if (runs_.size() >= UINT32_MAX) throw std::bad_alloc();
        runs_.push_back({entries_.size(), 0, 4});
        entries_.resize(entries_.size() + 4);
        slot = static_cast<uint32_t>(runs_.size());
    }
    Run& run = runs_[slot - 1];
    if (run.count == run.capacity) {
        // The full run moves to the end with twice the room.
        if (run.capacity > UINT32_MAX / 2) throw std::bad_alloc();
        const size_t start = entries_.size();
        entries_.resize(start + 2 * static_cast<size_t>(run.capacity));
        std::copy_n(entries_.begin() + static_cast<ptrdiff_t>(run.start), run.count,
                    entries_.begin() + static_cast<ptrdiff_t>(start));
        run.start = start;
        run.capacity *= 2;
    }
    entries_[run.start + run.count++] = {c, p};
    ++live_;
}

void CPointSet::CellTiles::Erase(const Cell& c, const CMyPoint* p) {
    const uint32_t r = RunOf(TileOf(c.x), TileOf(c.y));
    if (r == 0) return;
    Run& run = runs_[r - 1];
    Entry* e = entries_.data() + run.start;
    for (uint32_t i = 0; i < run.count; ++i)
        if (e[i].point == p) {
            std::copy(e + i + 1, e + run.count, e + i);
            --run.count;
            --live_;
            return;
        }
}

void CPointSet::CellTiles::Clear() {
    const size_t tiles = static_cast<size_t>(frameWidth_) * static_cast<size_t>(frameHeight_);
    if (frame_) std::memset(frame_.get(), 0, tiles * sizeof(uint32_t));
    others_.clear();
    entries_.clear();
    runs_.clear();
    live_ = 0;
}

// floor(v / kCellSize + 0.5), without a library call.
static int64_t CellIndex(double v) {
    const double t = v / kCellSize + 0.5;
    const int64_t i = static_cast<int64_t>(t);
    return static_cast<double>(i) > t ? i - 1 : i;
}

CPointSet::Cell CPointSet::CellOf(float x, float y, float z) { return {CellIndex(x), CellIndex(y), CellIndex(z)}; }

// The cells of the tolerance window around (x, y, z).
void CPointSet::WindowOf(float x, float y, float z, Cell& lo, Cell& hi) {
    lo = {CellIndex(static_cast<double>(x) - kWindow), CellIndex(static_cast<double>(y) - kWindow),
          CellIndex(static_cast<double>(z) - kWindow)};
    hi = {CellIndex(static_cast<double>(x) + kWindow), CellIndex(static_cast<double>(y) + kWindow),
          CellIndex(static_cast<double>(z) + kWindow)};
}

void CPointSet::Prefetch(float x, float y, float z) const {
    Index();
    grid_.Prefetch(CellOf(x, y, z));
}

CMyPoint* CPointSet::FindNear(float x, float y, float z) const {
    Index();
    if (grid_.Empty()) return nullptr;
    Cell lo, hi;
    WindowOf(x, y, z, lo, hi);
    return grid_.FindFirst(lo, hi, [&](const CMyPoint* p) { return NearPoint(*p, x, y, z); });
}

void CPointSet::SetFrame(float width, float height) {
    if (!points_.empty()) return;
    grid_.SetFrame(CellOf(-1.0f, -1.0f, 0.0f), CellOf(width + 1.0f, height + 1.0f, 0.0f));
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
        std::sort(points_.begin(), points_.end(),
                  [](const CMyPointPtr& a, const CMyPointPtr& b) { return PlainLess(*a, *b); });
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
    return Store(slabs_.New(x, y, z));
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

void CPointSet::Reserve(size_t n) {
    points_.reserve(n);
    grid_.Reserve(n);
}

void CPointSet::Clear() {
    grid_.Clear();
    points_.clear();
    sorted_ = true;
    indexed_ = 0;
}

}  // namespace frostel
