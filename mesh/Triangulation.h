// Constrained Delaunay triangulation of a point set inside its rectangular
// frame. BuildDelone2 inserts the points one by one into the two triangles
// of the frame, flipping sides until every pair of neighbours keeps its
// largest smallest angle; AddRestrictionRibs then forces the ribs in as
// triangle sides, which no later flip removes.
//
// Triangles are counter-clockwise: neighbour i lies across the side
// opposite vertex i, and side byte k marks the side from vertex k to vertex
// k + 1 as a restriction rib. Structural failures throw one of the texts
// below (const char*); the mesh builder's load catches them.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "MeshPoint.h"

namespace frostel {

// Point-location grid: n x n cells over the frame, each remembering a
// triangle near it to start the walk from.
class CTriangulationStaticCache {
public:
    CTriangulationStaticCache(int pointCount, float frameWidth, float frameHeight);

    // Cell of a position, clamped into the grid.
    int CellIndex(float x, float y) const;
    void Fill(CTriangles* t);

    std::vector<CTriangles*> cells;
    float cellWidth = 0.0f;
    float cellHeight = 0.0f;
    int n = 0;
    int lastCell = -1;
};

// Flag of a triangle reached by MarkRegions.
constexpr uint32_t kTriangleMarked = 0x2;
// Point classes that Rebuild reads (set by the mask-to-mesh load).
constexpr uint32_t kPointContour = 0x08;
constexpr uint32_t kPointInner = 0x40;
// z of the frame corners and of rib crossing points.
constexpr float kFrameZ = -10.0f;

class CTriangulation {
public:
    // Room for 6 triangles per point of the set at this moment.
    explicit CTriangulation(CPointSet& points);
    virtual ~CTriangulation();
    CTriangulation(const CTriangulation&) = delete;
    CTriangulation& operator=(const CTriangulation&) = delete;

    // corners: (0, 0), (width, 0), (width, height), (0, height) of the frame,
    // members of the point set. False with fewer than 4 points.
    bool BuildDelone2(CMyPoint* const corners[4]);
    // Makes every rib a side (splitting it where it runs through a point or
    // crosses an earlier rib) and restores the constrained Delaunay property.
    // The ribs are kept until the triangulation goes, and then detached from
    // their points. True when every rib, or each of its pieces, is a side.
    bool AddRestrictionRibs(const std::vector<CRibPtr>& ribs, CPointSet& set);
    // Flips the sides that the point classes call for (see the .cpp).
    void Rebuild();

    // Lawson flips over every pair until all unrestricted pairs are Delaunay.
    void MakeDelone();
    // Floods kTriangleMarked from the seeds across unrestricted sides.
    void MarkRegions(const std::vector<CTriangles*>& seeds);
    // The ring of p's neighbours, counter-clockwise; open rings (p on the
    // frame) start and end on the frame.
    void FindBorder(CMyPoint* p, std::vector<CMyPoint*>& ring, bool& closed) const;
    // Removes an inner vertex that no rib ends at, re-triangulating its ring.
    void DeleteTriangulationVertex(CMyPoint* p);

    CTriangles** Triangles() { return pool_.data(); }
    int TriangleCount() const { return count_; }
    int TriangleMaximum() const { return maximum_; }

    // Sign of (b - a) x (c - a), exact for any float coordinates.
    static int Orientation(const CMyPoint& a, const CMyPoint& b, const CMyPoint& c);
    // Cosine of the angle at b; throws for coincident or too close points.
    static double FindCos(const CMyPoint* a, const CMyPoint* b, const CMyPoint* c);
    // True when the pair's smallest angle would not grow by flipping.
    bool IsDelone(CTriangles* t1, CTriangles* t2) const;
    // Flips the common side; false when it is restricted or the other
    // diagonal leaves the quadrilateral.
    bool RebuildTriangles(CTriangles* t1, CTriangles* t2);
    // The triangle of a's list that holds b, and the side byte index of a-b.
    CTriangles* FindTriangle(CMyPoint* a, CMyPoint* b, int& side) const;
    bool IsNeighbours(const CTriangles* t1, const CTriangles* t2) const;

private:
    struct Triple {
        CMyPoint* v[3];
    };
    struct Edge {
        CMyPoint* p;
        CMyPoint* q;
    };
    struct Split {
        CMyPoint* a;
        CMyPoint* b;
        CMyPoint* p;
    };

    void FreeTriangles();
    CTriangles* NewTriangle();
    CTriangles* AddTriangle(CMyPoint* a, CMyPoint* b, CMyPoint* c);
    CTriangles* Locate(CTriangles* start, const CMyPoint& p) const;
    bool InsertPoint(CTriangles* t, CMyPoint* p);
    void BreakRib(CTriangles* t, int side, CMyPoint* p);
    void InsertRRib(CMyPoint* a, CMyPoint* b, int depth, bool& split);
    void RegisterRib(CMyPoint* a, CMyPoint* b);
    void RestoreDelaunay(std::vector<CTriangles*> work);
    void TriangulateChain(CMyPoint* u, CMyPoint* v, const std::vector<CMyPoint*>& chain,
                          std::vector<Triple>& out) const;
    void Replace(const std::vector<CTriangles*>& old, const std::vector<Triple>& fresh,
                 const std::vector<Edge>& restricted, const char* error, const Split* split = nullptr);
    // Fills a closed counter-clockwise ring (a vertex's border from
    // FindBorder) with triangles by ear clipping.
    void BuildPrimitive(const std::vector<CMyPoint*>& ring, std::vector<Triple>& fresh) const;
    bool RibCrossing(const CMyPoint& a, const CMyPoint& b, const CMyPoint& p, const CMyPoint& q,
                     float& x, float& y) const;

    std::vector<CTriangles*> pool_;
    CPointSet* points_;
    std::list<CMyPointPtr> list_;
    int pointCount_;
    int count_ = 0;
    int maximum_;
    CTriangulationStaticCache* cache_ = nullptr;
    uint8_t flag_ = 0;
    std::vector<CRibPtr> ribs_;
    long flipBudget_ = 0;
};

}  // namespace frostel
