// Mesh points, ribs and triangles shared by the contour tracer and the
// triangulation, and the point set that merges points closer than 0.01.
//
// Ownership: points and ribs are reference counted through intrusive
// pointers (CMyPointPtr, CRibPtr). A rib holds its two end points, and each
// end point's rib list holds the rib, so a rib lives until it is removed from
// both lists (CMyPoint::RemoveRib); a point lives while any pointer (set entry,
// contour list, rib, triangle) holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>

#include "PageMemory.h"
#include <utility>
#include <vector>

namespace frostel {

// Holds one counted reference to T, which provides AddRef() and Release().
template <typename T>
class TIntrusivePtr {
public:
    TIntrusivePtr() = default;
    TIntrusivePtr(T* p) : p_(p) {  // NOLINT: implicit, like a raw pointer
        if (p_) p_->AddRef();
    }
    TIntrusivePtr(const TIntrusivePtr& o) : TIntrusivePtr(o.p_) {}
    TIntrusivePtr(TIntrusivePtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~TIntrusivePtr() {
        if (p_) p_->Release();
    }
    TIntrusivePtr& operator=(const TIntrusivePtr& o) {
        Reset(o.p_);
        return *this;
    }
    TIntrusivePtr& operator=(TIntrusivePtr&& o) noexcept {
        if (this != &o) {
            T* old = p_;
            p_ = o.p_;
            o.p_ = nullptr;
            if (old) old->Release();
        }
        return *this;
    }
    // Counts the new target before releasing the old, so self-assignment and
    // targets kept alive only by this pointer are safe.
    void Reset(T* p = nullptr) {
        if (p == p_) return;
        if (p) p->AddRef();
        T* old = p_;
        p_ = p;
        if (old) old->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const TIntrusivePtr& a, const TIntrusivePtr& b) { return a.p_ == b.p_; }
    friend bool operator!=(const TIntrusivePtr& a, const TIntrusivePtr& b) { return a.p_ != b.p_; }

private:
    T* p_ = nullptr;
};

class CMyPoint;
class CRib;
struct CTriangles;
using CMyPointPtr = TIntrusivePtr<CMyPoint>;
using CRibPtr = TIntrusivePtr<CRib>;

// Flag bits of CMyPoint::flags.
enum : uint32_t {
    kPointKey = 0x1,        // kept by simplification; every point of an emitted contour
    kPointStep = 0x2,       // inserted step point: its edges get no mid-point
    kPointRemove = 0x4,     // marked for removal
    kPointRibEnd = 0x10,    // end point of a rib
    kPointSubdivide = 0x20, // transient, while edges are subdivided
    kPointDropped = 0x100,  // belonged to a dropped contour
};

// z of every point the contour tracer makes.
constexpr float kContourZ = -10.0f;

class CMyPoint {
public:
    CMyPoint(float x, float y, float z) : x(x), y(y), z(z) {}
    CMyPoint(const CMyPoint&) = delete;
    CMyPoint& operator=(const CMyPoint&) = delete;

    void AddRef() { ++refCount_; }
    // Frees the point with its rib and triangle lists when the last
    // reference goes.
    void Release();
    int RefCount() const { return refCount_; }
    // Public so that a point can serve as a lookup key on the stack; counted
    // points are freed by Release only.
    ~CMyPoint() = default;

    void AddRib(CRib* rib) { ribs.emplace_back(rib); }
    // Removes every entry holding `rib`.
    void RemoveRib(CRib* rib);
    void AddTriangle(CTriangles* t) { triangles.push_back(t); }

    uint32_t flags = 0;
    float x, y, z;
    std::list<CTriangles*> triangles;  // triangles using the point, not owned
    std::list<CRibPtr> ribs;           // ribs ending at the point, owned

private:
    friend class CPointSlabs;
    int refCount_ = 0;
    bool slab_ = false;  // from a CPointSlabs, freed back to its slab
};

// Points carved from 64 KB slabs instead of one heap block each. A point goes
// back to its slab, and a slab to the heap when its last point has gone and
// no allocator is carving it, whichever goes last.
class CPointSlabs {
public:
    CPointSlabs() = default;
    ~CPointSlabs();
    CPointSlabs(const CPointSlabs&) = delete;
    CPointSlabs& operator=(const CPointSlabs&) = delete;

    // A new point (reference count 0); throws std::bad_alloc.
    CMyPoint* New(float x, float y, float z);
    // Destroys a point made by New.
    static void Free(CMyPoint* p);

private:
    struct Slab;
    static void Drop(Slab* slab);
    Slab* current_ = nullptr;
    size_t used_ = 0;
};

// An edge between two points; registers itself in both points' rib lists and
// marks them as rib ends.
class CRib {
public:
    CRib(CMyPoint* a, CMyPoint* b, uint8_t flag1, uint8_t flag2);
    CRib(const CRib&) = delete;
    CRib& operator=(const CRib&) = delete;

    void AddRef() { ++refCount_; }
    // At the last reference: leaves both rib lists, clears the rib-end flag
    // on both points, releases them and frees the rib.
    void Release();
    int RefCount() const { return refCount_; }

    CMyPointPtr a, b;
    uint8_t flag1, flag2;

private:
    ~CRib() = default;
    int refCount_ = 0;
};

// A triangle of the triangulation. Copying copies the vertex references
// (counted) and the neighbour links (raw).
struct CTriangles {
    uint32_t flags = 0;
    CMyPointPtr vertex[3];
    CTriangles* neighbour[3] = {nullptr, nullptr, nullptr};
    uint8_t side[3] = {0, 0, 0};
    uint8_t status = 0x79;
};

// Two points are the same mesh point when they agree within this on every axis.
constexpr double kPointTolerance = 0.01;

// Within the tolerance on x, y and z.
bool CMyPointEqual(const CMyPoint& a, const CMyPoint& b);

// The tolerant order: points within the tolerance are equivalent, others are
// ordered by x, then y, then z. It is a strict weak order only on points that
// are pairwise apart, which is what the point set stores.
struct CMyPointLess {
    using is_transparent = void;
    bool operator()(const CMyPoint& a, const CMyPoint& b) const;
    bool operator()(const CMyPointPtr& a, const CMyPointPtr& b) const { return (*this)(*a, *b); }
    bool operator()(const CMyPointPtr& a, const CMyPoint& b) const { return (*this)(*a, b); }
    bool operator()(const CMyPoint& a, const CMyPointPtr& b) const { return (*this)(a, *b); }
};

// The ordered set of mesh points in which no two stored points are within the
// tolerance. A grid of tolerance-sized cells finds a near twin directly, so
// the answer does not depend on an order's shape (the tolerant order alone
// cannot promise that for chains of nearly equal points). When two stored
// points are near a new one, the one in the first cell of the window (in x,
// y, z order) is found, and within a cell the one stored first. The points
// are kept in an array, put in order only when the set is next walked or
// searched: stored points are pairwise apart, so the tolerant order is then
// the plain order of x, y and z. Stored points must not move while points
// are still inserted; inserting or erasing invalidates iterators.
class CPointSet {
public:
    using Ordered = std::vector<CMyPointPtr>;
    using iterator = Ordered::const_iterator;

    CPointSet() = default;
    CPointSet(const CPointSet&) = delete;
    CPointSet& operator=(const CPointSet&) = delete;

    // The stored point within the tolerance of p, or p itself, now stored.
    CMyPoint* Insert(CMyPoint* p);
    // Makes a point at (x, y, z) unless a stored one is that close; returns
    // the stored point.
    CMyPoint* Insert(float x, float y, float z);
    // The stored point within the tolerance of (x, y, z), or null.
    CMyPoint* FindNear(float x, float y, float z) const;
    // A new point from the set's slabs, not stored.
    CMyPoint* Make(float x, float y, float z) { return slabs_.New(x, y, z); }
    // Stores points, in order, that are apart from each other and from every
    // stored point, as Insert would one by one (without its searches). Their
    // cells are entered in the grid when it is next used, as they would have
    // been now.
    void StoreApart(const std::vector<CMyPointPtr>& points);
    // Starts loading where FindNear(x, y, z) will look first; lets the
    // searches of a run of points overlap.
    void Prefetch(float x, float y, float z) const;
    // The first stored point not less than the key.
    iterator Lookup(const CMyPoint& key) const;
    // Drops the set's reference.
    iterator Erase(iterator it);
    // Drops the set's references to the points for which drop(point) holds.
    // Every point is judged before any is released.
    template <typename F>
    void EraseIf(F&& drop) {
        Index();
        grid_.Retain([&](const CMyPoint& p) { return !drop(p); });
        Ordered gone;
        size_t kept = 0;
        for (size_t i = 0; i < points_.size(); ++i) {
            if (drop(*points_[i]))
                gone.push_back(std::move(points_[i]));
            else if (kept++ != i)
                points_[kept - 1] = std::move(points_[i]);
        }
        points_.resize(kept);
        indexed_ = kept;
    }
    void Clear();
    // Points are mostly expected in [0, width] x [0, height]: their cells
    // are then found by direct addressing. Only an empty set takes it.
    void SetFrame(float width, float height);
    // Room for n points without moving the arrays.
    void Reserve(size_t n);

    size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    iterator begin() const { return Sorted().begin(); }
    iterator end() const { return Sorted().end(); }

private:
    struct Cell {
        int64_t x, y, z;
        bool operator==(const Cell& o) const { return x == o.x && y == o.y && z == o.z; }
    };
    // The stored points by cell, for the searches. Cells are grouped in tiles
    // of four pixels square (every z), each tile's points kept together in
    // the order they were stored (a full run moves to the end, twice as
    // long). Tiles inside the frame are addressed directly, so that searches
    // along a contour stay in memory already loaded; others are hashed.
    class CellTiles {
    public:
        // Direct addressing for the tiles of the cells lo..hi; an empty
        // index only.
        void SetFrame(const Cell& lo, const Cell& hi);
        void Insert(const Cell& c, CMyPoint* p);
        void Erase(const Cell& c, const CMyPoint* p);
        // Keeps the points for which keep(point) holds, in their order: one
        // pass over the tiles instead of a search for each point.
        template <typename F>
        void Retain(F&& keep) {
            for (Run& run : runs_) {
                Entry* e = entries_.data() + run.start;
                uint32_t kept = 0;
                for (uint32_t i = 0; i < run.count; ++i)
                    if (keep(*e[i].point)) e[kept++] = e[i];
                live_ -= run.count - kept;
                run.count = kept;
            }
        }
        void Clear();
        void Reserve(size_t n) { entries_.reserve(2 * n); }
        bool Empty() const { return live_ == 0; }
        void Prefetch(const Cell& c) const;
        // Among the points whose cells lie in lo..hi and for which near(point)
        // holds: the one of the first cell in x, y, z order, and of those the
        // first stored.
        template <typename F>
        CMyPoint* FindFirst(const Cell& lo, const Cell& hi, F&& near) const {
            CMyPoint* best = nullptr;
            Cell bestCell{0, 0, 0};
            for (int64_t ty = TileOf(lo.y); ty <= TileOf(hi.y); ++ty)
                for (int64_t tx = TileOf(lo.x); tx <= TileOf(hi.x); ++tx) {
                    const uint32_t r = RunOf(tx, ty);
                    if (r == 0) continue;
                    const Run& run = runs_[r - 1];
                    const Entry* e = entries_.data() + run.start;
                    for (uint32_t i = 0; i < run.count; ++i) {
                        const Cell& c = e[i].cell;
                        // Most entries lie outside the window: one branch on all
                        // six tests instead of one for each.
                        const bool outside = (c.x < lo.x) | (c.x > hi.x) | (c.y < lo.y) | (c.y > hi.y) |
                                             (c.z < lo.z) | (c.z > hi.z);
                        if (outside) continue;
                        if ((!best || CellBefore(c, bestCell)) && near(e[i].point)) {
                            best = e[i].point;
                            bestCell = c;
                        }
                    }
                }
            return best;
        }

    private:
        // Left unset when made: a run's room is written before it is read,
        // and room never used is never touched.
        struct Entry {
            Entry() {}  // NOLINT: no zero-fill
            Entry(const Cell& c, CMyPoint* p) : cell(c), point(p) {}
            Cell cell;
            CMyPoint* point;
        };
        // A tile's points: entries_[start, start + count), room for capacity.
        struct Run {
            size_t start;
            uint32_t count, capacity;
        };
        struct TileHash {
            size_t operator()(const std::pair<int64_t, int64_t>& t) const;
        };
        static constexpr int64_t kTile = 160;  // cells a side
        static int64_t TileOf(int64_t cell) { return cell >= 0 ? cell / kTile : -((-cell + kTile - 1) / kTile); }
        static bool CellBefore(const Cell& a, const Cell& b) {
            return a.x != b.x ? a.x < b.x : (a.y != b.y ? a.y < b.y : a.z < b.z);
        }
        // The frame's slot for tile (tx, ty); null outside the frame.
        uint32_t* FrameSlot(int64_t tx, int64_t ty) const;
        // 1 + the index of the tile's run; 0: none yet.
        uint32_t RunOf(int64_t tx, int64_t ty) const;
        uint32_t& RunSlot(int64_t tx, int64_t ty);

        std::vector<Entry> entries_;
        std::vector<Run> runs_;
        PageBlock frame_;  // runs of the direct tiles, zero-filled as touched
        int64_t frameX_ = 0, frameY_ = 0, frameWidth_ = 0, frameHeight_ = 0;
        std::unordered_map<std::pair<int64_t, int64_t>, uint32_t, TileHash> others_;
        size_t live_ = 0;
    };
    static Cell CellOf(float x, float y, float z);
    static void WindowOf(float x, float y, float z, Cell& lo, Cell& hi);
    void Append(CMyPoint* p);
    CMyPoint* Store(CMyPoint* p);
    const Ordered& Sorted() const;
    // Enters the cells of the points stored since the grid was last used.
    void Index() const;

    CPointSlabs slabs_;
    // In order when sorted_ is set; the first indexed_ have their cells in
    // the grid.
    mutable Ordered points_;
    mutable bool sorted_ = true;
    mutable size_t indexed_ = 0;
    mutable CellTiles grid_;
};

}  // namespace frostel
