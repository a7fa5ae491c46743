// The geometry of the growth: emitter vertices and ribs, the branch
// triangles the growers make, and the list of growth nodes that owns them.
// Coordinates are single-precision work-buffer pixels relative to the work
// centre, y growing downwards.
#pragma once

#include <cstddef>
#include <cstdint>

#include "WorkWatch.h"

namespace frostel {

// An emitter vertex, and the layout of each corner of a branch triangle.
struct PatternVertex {
    float x, y, z;
    float nx, ny, nz;
    uint8_t hasNormal;  // 1 once the normal is set
};

// An emitter edge: branches grow from it along its normal.
struct PatternRib {
    int32_t a, b;  // vertex indices
    float nx, ny;  // unit normal, the direction of growth
    float nz;      // always 0
    float length;  // pixels between the vertices (fixed figures: the spacing at b)
    uint8_t flag;  // 1
};

struct BranchTriangle {
    PatternVertex p0, p1, p2;
    int32_t tag;  // recursion depth for the recursive branches, else 0
};

static_assert(sizeof(PatternVertex) == 28, "PatternVertex layout");
static_assert(sizeof(PatternRib) == 28, "PatternRib layout");
static_assert(sizeof(BranchTriangle) == 88, "BranchTriangle layout");

// (y2 - y1, x1 - x2) over the segment's length; undivided when the length is 0.
void SegmentNormal(float x1, float y1, float x2, float y2, float& nx, float& ny);

// Triangles created since the driver last reset it; the engine arrays are
// sized from it. It also counts triangles left ungrown because they could
// not show (CountUngrownBranches), and stops at kMostBranchCount.
extern int32_t gBranchCount;
constexpr int32_t kMostBranchCount = INT32_MAX - 1;

// Adds n triangles that a grower would have made (n <= 0: none): the
// triangles grown after them keep the counts they would have had.
void CountUngrownBranches(int64_t n);

// The most triangles one scene may grow. Slider values alone can ask for
// 10^13 triangles; past this the growers stop.
constexpr int32_t kBranchBudget = sizeof(void*) >= 8 ? 8000000 : 2000000;

// Past some thousand layers a figure covers its frame whole many times over,
// yet each layer still costs the render its time. The triangles of a scene
// may cover at most this many frames in all.
constexpr double kCoverFrames = 2048;

// How much of the frame a figure may cover: each stored triangle adds what
// it will cover there once the driver has scaled and shifted the figure
// (its area, at most its box within the frame).
struct CoverBudget {
    double pixels = 0;  // the most in all; 0: no limit
    // Frame point = (grown point - pivot) * scale + pivot + shift.
    float scale = 1, pivotX = 0, pivotY = 0, shiftX = 0, shiftY = 0;
    float left = 0, top = 0, right = 0, bottom = 0;  // the frame

    double Cover(const BranchTriangle& t) const;
};

// One node of the growth list. The list owns node and payload (BranchTree
// keeps both in its slabs); the node's destructor frees neither.
class FTTrNode {
public:
    FTTrNode() = default;
    virtual ~FTTrNode() = default;
    FTTrNode(const FTTrNode&) = delete;
    FTTrNode& operator=(const FTTrNode&) = delete;

    FTTrNode* prev = nullptr;
    FTTrNode* next = nullptr;
    BranchTriangle* payload = nullptr;  // null in the sentinel
};

// The branch list of one scene: a sentinel node, then one node per triangle
// in growth order. Every stored triangle is counted in gBranchCount. Nodes
// and triangles are carved from slabs of a few thousand: growing costs no
// allocation per triangle, and letting go of millions of them (a stopped
// run) one free per slab. Nodes leave only from the front.
class BranchTree {
public:
    // With a watch, every stored triangle counts on it, and the tree is full
    // once it says stop.
    explicit BranchTree(int32_t budget = kBranchBudget, WorkWatch* watch = nullptr);
    ~BranchTree();
    BranchTree(const BranchTree&) = delete;
    BranchTree& operator=(const BranchTree&) = delete;

    // The triangles stored from now on may cover only so much.
    void SetCoverBudget(const CoverBudget& cover) { cover_ = cover; }

    // Appends a copy of t and counts it. False, with nothing stored, once
    // either budget is spent, memory ran out or the watch said stop; from
    // then on the tree is full.
    bool Add(const BranchTriangle& t);

    // No further triangle will be stored: growers stop on this.
    bool Full() const { return size_ >= budget_ || coverSpent_ || outOfMemory_ || stopped_; }
    bool OutOfMemory() const { return outOfMemory_; }
    bool Stopped() const { return stopped_; }
    bool BudgetSpent() const { return size_ >= budget_ || coverSpent_; }
    double Covered() const { return covered_; }
    int32_t size() const { return size_; }

    FTTrNode* head() { return &sentinel_; }
    FTTrNode* tail() { return tail_; }

    // Hands every triangle to fn in list order, releasing each node as it
    // goes; the list is empty afterwards (and may grow again).
    template <typename Fn>
    void Drain(Fn&& fn) {
        while (FTTrNode* n = sentinel_.next) {
            fn(static_cast<const BranchTriangle&>(*n->payload));
            UnlinkFirst();
        }
    }
    // Frees every triangle; the tree may grow again.
    void Clear();

private:
    struct Cell {
        FTTrNode node;
        BranchTriangle triangle;
    };
    static constexpr size_t kCellsPerSlab = 8192;

    Cell* NewCell();
    void UnlinkFirst();
    void FreeSlabs();

    Cell** slabs_ = nullptr;   // in growth order; the first `frontSlab_` are freed
    size_t slabCount_ = 0, slabRoom_ = 0, frontSlab_ = 0;
    size_t backUsed_ = kCellsPerSlab;  // cells handed out from the last slab
    size_t frontFreed_ = 0;            // cells let go of in the first live slab

    FTTrNode sentinel_;
    FTTrNode* tail_ = &sentinel_;
    int32_t size_ = 0;
    int32_t budget_;
    WorkWatch* watch_;
    CoverBudget cover_;
    double covered_ = 0;
    bool coverSpent_ = false;
    bool outOfMemory_ = false;
    bool stopped_ = false;
};

}  // namespace frostel
