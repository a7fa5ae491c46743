// CMeshBuilder turns an 8-bit mask into the contours between regions of equal
// value: a crack follower walks the pixel edges on a raster of pixel corners,
// and each traced border is smoothed, simplified and evenly resampled.
// LoadMask hands the result out as points and weighted edges.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <memory_resource>
#include <unordered_map>
#include <vector>

#include "MeshPoint.h"
#include "Raster.h"
#include "Triangulation.h"
#include "WorkWatch.h"

namespace frostel {

// One contour edge of LoadMask's output: two indices into the point array
// and a weight that rises towards the middle of its contour.
struct ContourEdge {
    uint32_t first;
    uint32_t second;
    float weight;
};
static_assert(sizeof(ContourEdge) == 12, "ContourEdge is a 12-byte record");

// Mask value of the pixels outside the image; borders against it are traced
// but never handed out.
constexpr uint8_t kOutsideValue = 0x79;

// Border raster entry bits: the border edges leaving a corner, and the mark of
// a corner where borders end.
enum : uint8_t {
    kEdgeRight = 0x01,
    kEdgeDown = 0x02,
    kEdgeLeft = 0x04,
    kEdgeUp = 0x08,
    kEdgeBits = 0x0F,
    kJunction = 0x10,
    // While tracing: a point was made at the corner.
    kCornerPoint = 0x20,
};

// One traced border: corner points in walking order. A closed line repeats
// its first point at the end. regionA is the value on the walker's right in
// the first step, regionB the one on its left. The list's nodes come from
// `nodes` (the builder's pool for traced lines), which the line keeps alive.
struct CBorderLine {
    using Points = std::pmr::list<CMyPointPtr>;
    using Entry = Points::iterator;
    using NodePool = std::shared_ptr<std::pmr::memory_resource>;

    CBorderLine() : points(std::pmr::new_delete_resource()) {}
    explicit CBorderLine(const NodePool& pool) : nodes(pool), points(pool.get()) {}

    NodePool nodes;
    Points points;
    bool closed = false;
    uint8_t regionA = 0;
    uint8_t regionB = 0;
};

// The corners where a trace turned or ended, in the order it met them, and
// what the line's ends, length and closing will be once the corners are
// points. The points are made afterwards, in the same order.
struct CCornerWalk {
    struct Visit {
        int32_t x, y;
        int64_t corner;
        bool forward;  // appended, else prepended
        bool again;    // an earlier visit made the corner's point
        bool shared;   // a later visit may need the corner's point
    };
    std::vector<Visit> visits;
    int64_t front = -1, back = -1;  // corner indices
    size_t count = 0;
    bool closed = false;

    void Clear();
    void Add(const Visit& v);
};

using ContourList = std::vector<std::unique_ptr<CBorderLine>>;

// The points of corners that later visits of a trace meet again, by corner
// index: one flat table, no node per corner.
class CCornerPoints {
public:
    // Keeps the first point given for a corner.
    void Put(int64_t corner, CMyPoint* p);
    // The corner's point; std::out_of_range when it has none.
    CMyPoint* At(int64_t corner) const;

private:
    struct Slot {
        int64_t corner;  // -1: free
        CMyPoint* point;
    };
    size_t SlotOf(int64_t corner) const {
        return static_cast<size_t>((static_cast<uint64_t>(corner) * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
    }
    void Grow();
    std::vector<Slot> slots_;
    size_t used_ = 0;
};

class CMeshBuilder {
public:
    CMeshBuilder();
    ~CMeshBuilder();
    CMeshBuilder(const CMeshBuilder&) = delete;
    CMeshBuilder& operator=(const CMeshBuilder&) = delete;

    // The loads count their work on `watch` (null: none); one that it stops
    // returns false like any failed load.
    void SetWorkWatch(WorkWatch* watch) { watch_ = watch; }

    // mask: height rows of stride bytes, the first width bytes of each row
    // being pixels. step (the simplification tolerance, clamped to 1..10;
    // 0 or less means 1) and spacing (the largest |dx| + |dy| between
    // neighbouring output points, clamped to 2..30).
    // On true the counts are written; when both are at least 1, points gets
    // pointCount (x, y) float pairs and edges edgeCount records, each a new
    // block from AllocPages that the caller frees with FreePages. When either
    // count is 0 the two pointers are left alone. On false nothing is written.
    bool LoadMask(int width, int height, int stride, const uint8_t* mask, float step, int spacing,
                  int& pointCount, int& edgeCount, float*& points, ContourEdge*& edges);

    // The long form: the mask as a relief mesh. Borders and inner points
    // become the vertices of a constrained triangulation whose heights rise
    // from 0 on the borders to 30 at the deepest inside of each region. On
    // true, triangles points at triangleCount triangles that the builder owns
    // (valid until it goes); on false nothing is written.
    bool LoadMask(int width, int height, int stride, const uint8_t* mask, float step, int spacing,
                  CTriangles**& triangles, int& triangleCount);

    // The steps of the long form.

    // Chamfer (3, 4) distance of every full (255) pixel from the nearest
    // pixel that is not full or from the image's edge; 0 elsewhere.
    void BuildDistanceRaster(TCRaster<int>& distance) const;
    // Local maxima of the distance above 4, thinned to one point per
    // spacing s along each 4-connected component (the others get 0x4).
    void AddInnerPoints(const TCRaster<int>& distance, CPointSet& set, int s);
    // Every pixel of an 8-connected region of non-zero distance gets the
    // region's largest distance; other pixels 0.
    static void LabelRegions(const TCRaster<int>& distance, TCRaster<int>& peak);
    // Traces the borders of the regions of non-zero distance that hold at
    // least sizeLimit pixels; contours shorter than 5 leave with their points.
    void RemoveSmallRegions(const TCRaster<int>& distance, int sizeLimit, ContourList& kept);
    void SetPointHeights(const TCRaster<int>& distance, const TCRaster<int>& peak);

    // The steps of LoadMask, open to the longer loads of the subsystem.

    // The border raster entry of a corner from its four pixels (upper left,
    // upper right, lower left, lower right).
    static uint8_t CornerEntry(uint8_t ul, uint8_t ur, uint8_t ll, uint8_t lr);
    // Fills the (width + 1) x (height + 1) corner raster of a mask: corner
    // (x, y) lies between pixels (x-1, y-1), (x, y-1), (x-1, y) and (x, y),
    // the pixels outside reading the mask's default value.
    static void FillBorderRaster(const TCRaster<unsigned char>& mask, TCRaster<unsigned char>& border);
    // Traces every border of the mask into lines. Throws a text when the
    // mask is empty or the corner raster cannot be had.
    void FindBorderLines(const TCRaster<unsigned char>& mask, ContourList& lines);
    // Walks one border from corner (x, y), clearing the edges it walks and
    // noting its corners in walk. Forward traces append and, with region
    // kOutsideValue, take the first edge and set the line's region values;
    // backward traces prepend and start on an edge with `region` on the
    // right. False when no edge starts or the walk dead-ends; the line then
    // ends at the dead end.
    bool TraceBorders(bool forward, uint8_t region, int y, int x, const TCRaster<unsigned char>& mask,
                      TCRaster<unsigned char>& border, CBorderLine& line, CCornerWalk& walk);
    // The walk's corners as points of the set, appended and prepended to
    // the line in the walk's order. With `made` (a trace into an empty set)
    // new points are collected there, in order, instead of being stored,
    // and `shared` finds the points of corners met again.
    void MakeWalkPoints(const CCornerWalk& walk, CBorderLine& line, std::vector<CMyPointPtr>* made,
                        CCornerPoints& shared);
    static void AppendBorderPoint(CBorderLine& line, CMyPoint* p);
    static void PrependBorderPoint(CBorderLine& line, CMyPoint* p);

    // Smooths the staircase, simplifies within step - 0.5 and subdivides to
    // the spacing (-1: no subdivision).
    void ResampleContour(CBorderLine& line, CPointSet& set, float step, int spacing);
    void MarkKeyPoints(CBorderLine& line, CPointSet& set);
    bool MarkCorner(CBorderLine& line, CBorderLine::Entry a, CPointSet& set);
    bool MarkStep(CBorderLine& line, CBorderLine::Entry a, CPointSet& set);
    // Largest distance of an entry strictly between `from` and `to` from their
    // chord; `farthest` is that entry, or line.points.end() when none is off
    // the chord.
    double FindFarthestFromChord(CBorderLine& line, CBorderLine::Entry from, CBorderLine::Entry to,
                                 CBorderLine::Entry& farthest);
    void SubdivideContourEdges(CBorderLine& line, int spacing, CPointSet& set);

    // Erase the points whose flags hold every bit of `mask` / lack one of them.
    static void ErasePointsWithFlags(CPointSet& set, uint32_t mask);
    static void ErasePointsWithoutFlags(CPointSet& set, uint32_t mask);

    // The points of the last load (kept until the builder goes).
    CPointSet& PointSet() { return points_; }
    // The caller's mask while a load reads it; empty between loads.
    const TCRaster<unsigned char>& MaskRaster() const { return mask_; }

    // The error texts thrown inside and caught by LoadMask.
    static const char* const kLoadMaskError;
    static const char* const kBorderRasterError;
    static const char* const kStoppedError;

protected:
    // List nodes of the traced lines.
    CBorderLine::NodePool pool_;
    ContourList contours_;
    TCRaster<unsigned char> mask_;
    CPointSet points_;
    // The relief of the long LoadMask; goes first, releasing its triangles'
    // points and ribs before the point set.
    std::unique_ptr<CTriangulation> triangulation_;
    WorkWatch* watch_ = nullptr;

    // Counts `units` of work on the watch; throws kStoppedError once it says stop.
    void CountWork(uint32_t units) const {
        if (!KeepGoing(watch_, units)) throw kStoppedError;
    }

    // step to 1..10 (0 or less and NaN: 1), spacing to 2..30.
    static void ClampSteps(float& step, int& spacing);
    // Drops the closed contours of fewer than 4 entries (their points get
    // 0x104), keys every remaining contour's points and erases the rest.
    void DropSmallContours();

private:
    void BorrowMask(int width, int height, int stride, const uint8_t* mask);
    bool WriteOutput(int& pointCount, int& edgeCount, float*& points, ContourEdge*& edges);
};

}  // namespace frostel
