#include "Triangulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "TriangulationChecks.h"

namespace frostel {
namespace {

using testing::CheckAll;
using testing::IsRestrictedSide;

constexpr float kW = 100.0f, kH = 80.0f;

// A point set with the frame corners, and the triangulation over it.
struct Frame {
    CPointSet set;
    CMyPoint* corners[4];
    explicit Frame(float w = kW, float h = kH) {
        corners[0] = set.Insert(0, 0, kFrameZ);
        corners[1] = set.Insert(w, 0, kFrameZ);
        corners[2] = set.Insert(w, h, kFrameZ);
        corners[3] = set.Insert(0, h, kFrameZ);
    }
    CMyPoint* Add(float x, float y) { return set.Insert(x, y, kFrameZ); }
};

std::string Thrown(const std::function<void()>& f) {
    try {
        f();
    } catch (const char* text) {
        return text;
    }
    return {};
}

// Every point of the set is a vertex.
bool AllVertices(const CPointSet& set) {
    for (const CMyPointPtr& p : set)
        if (p->triangles.empty()) return false;
    return true;
}

TEST(Triangulation, FrameCornersAloneGiveTwoTriangles) {
    Frame f;
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    EXPECT_EQ(tri.TriangleCount(), 2);
    EXPECT_EQ(CheckAll(tri, kW, kH), "");
    EXPECT_EQ(tri.TriangleMaximum(), 24);

    CPointSet three;
    three.Insert(0, 0, 0);
    three.Insert(1, 0, 0);
    three.Insert(1, 1, 0);
    CTriangulation small(three);
    EXPECT_FALSE(small.BuildDelone2(f.corners));
}

TEST(Triangulation, PointsOnASideSplitIt) {
    Frame f;
    CMyPoint* centre = f.Add(50, 40);  // on the diagonal of the two first triangles
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    EXPECT_EQ(tri.TriangleCount(), 4);
    EXPECT_EQ(centre->triangles.size(), 4u);
    EXPECT_EQ(CheckAll(tri, kW, kH), "");

    Frame g;
    g.Add(0, 30);  // on the frame: one triangle becomes two
    CTriangulation onFrame(g.set);
    ASSERT_TRUE(onFrame.BuildDelone2(g.corners));
    EXPECT_EQ(onFrame.TriangleCount(), 3);
    EXPECT_EQ(CheckAll(onFrame, kW, kH), "");
}

TEST(Triangulation, CacheSize) {
    EXPECT_EQ(CTriangulationStaticCache(100, 1000, 1000).n, 4);  // 0.7 x 100^0.375 = 3.94
    EXPECT_EQ(CTriangulationStaticCache(10000, 3, 3).n, 1);      // 22 > 3: 1.5, halves round down
    const CTriangulationStaticCache cache(100, 1000, 1000);
    EXPECT_EQ(cache.CellIndex(-50, -3), 0);  // left of and above the frame: no negative cell
    EXPECT_EQ(cache.CellIndex(5000, 5000), 15);
    EXPECT_EQ(cache.CellIndex(260, 510), 2 * 4 + 1);
    EXPECT_EQ(Thrown([] { CTriangulationStaticCache(10, 0.015f, 5); }),
              "CTriangulationStaticCache::CTriangulationStaticCache(): Error (0)");
}

// Exact against an integer oracle: coordinates that are multiples of 2^-20
// below 64 scale to integers whose products fit 64 bits.
TEST(Triangulation, OrientationIsExactNearCollinearPoints) {
    const double unit = std::ldexp(1.0, -20), ulp = std::ldexp(1.0, -19);  // ulp of floats in [16, 32)
    auto scaled = [unit](float v) { return static_cast<int64_t>(std::llround(v / unit)); };
    const CMyPoint a(0.5f, 0.5f, 0), b(12.0f, 12.0f, 0);
    int disagreements = 0, zeros = 0;
    for (int i = -32; i < 32; ++i) {
        for (int j = -32; j < 32; ++j) {
            const CMyPoint c(24.0f + static_cast<float>(i * ulp), 24.0f + static_cast<float>(j * ulp), 0);
            const __int128 det = static_cast<__int128>(scaled(b.x) - scaled(a.x)) * (scaled(c.y) - scaled(a.y)) -
                                 static_cast<__int128>(scaled(b.y) - scaled(a.y)) * (scaled(c.x) - scaled(a.x));
            const int want = det > 0 ? 1 : (det < 0 ? -1 : 0);
            zeros += want == 0;
            if (CTriangulation::Orientation(a, b, c) != want) ++disagreements;
            // The orientation is a property of the three points, not of their order.
            if (CTriangulation::Orientation(b, c, a) != want) ++disagreements;
            if (CTriangulation::Orientation(c, b, a) != -want) ++disagreements;
        }
    }
    EXPECT_EQ(disagreements, 0);
    EXPECT_EQ(zeros, 64);  // the diagonal i == j
}

// Near-collinear triples where a plain double sum of the determinant's
// terms rounds wrongly: a and b a few units in the last place apart, c far
// out on their line. The oracle scales the coordinates (multiples of 2^-20)
// to exact integers.
TEST(Triangulation, OrientationIsExactForNearlyCollinearFloats) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> coordinate(8.0f, 16.0f);
    const double unit = std::ldexp(1.0, -20);
    auto scaled = [unit](float v) { return static_cast<__int128>(std::llround(v / unit)); };
    auto step = [&rng](float v) {
        for (int k = static_cast<int>(rng() % 17) - 8; k != 0; k += k > 0 ? -1 : 1)
            v = std::nextafter(v, k > 0 ? 1e9f : -1e9f);
        return v;
    };
    int disagreements = 0, zeros = 0;
    for (int n = 0; n < 20000; ++n) {
        const CMyPoint a(coordinate(rng), coordinate(rng), 0);
        const CMyPoint b(step(a.x), step(a.y), 0);
        const double far = std::ldexp(1.0, 24 + static_cast<int>(rng() % 5));
        const CMyPoint c(step(static_cast<float>(a.x + far * (double(b.x) - a.x))),
                         step(static_cast<float>(a.y + far * (double(b.y) - a.y))), 0);
        if (!(c.x >= 8.0f && c.y >= 8.0f && c.x < 4096.0f && c.y < 4096.0f)) continue;
        const __int128 det = (scaled(b.x) - scaled(a.x)) * (scaled(c.y) - scaled(a.y)) -
                             (scaled(b.y) - scaled(a.y)) * (scaled(c.x) - scaled(a.x));
        const int want = det > 0 ? 1 : (det < 0 ? -1 : 0);
        zeros += want == 0;
        disagreements += CTriangulation::Orientation(a, b, c) != want;
        disagreements += CTriangulation::Orientation(c, a, b) != want;
        disagreements += CTriangulation::Orientation(b, a, c) != -want;
    }
    EXPECT_EQ(disagreements, 0);
    EXPECT_GT(zeros, 0);
}

TEST(Triangulation, CosineErrors) {
    const CMyPoint a(0, 0, 0), b(1, 0, 0), c(1.005f, 0.005f, 0), up(1, 1, 0);
    EXPECT_NEAR(CTriangulation::FindCos(&a, &b, &up), 0.0, 1e-12);
    EXPECT_EQ(Thrown([&] { CTriangulation::FindCos(&a, &b, &a); }),
              "Error: FindCos: Wrong triangle - consilient vertixes.");
    EXPECT_EQ(Thrown([&] { CTriangulation::FindCos(&a, &b, &c); }), "Error: FindCos: Division by zero.");
}

// Random sets mixing free points, a lattice (long collinear runs, points on
// the frame) and repeated coordinates (merged by the set).
TEST(Triangulation, RandomSetsAreDelaunayAndComplete) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        std::mt19937 rng(seed);
        Frame f;
        std::uniform_real_distribution<float> x(0, kW), y(0, kH);
        const int free = 20 + static_cast<int>(rng() % 200);
        for (int i = 0; i < free; ++i) f.Add(x(rng), y(rng));
        const int lattice = static_cast<int>(rng() % 60);
        for (int i = 0; i < lattice; ++i)
            f.Add(static_cast<float>(rng() % 11) * 10.0f, static_cast<float>(rng() % 9) * 10.0f);
        for (int i = 0; i < 10; ++i) f.Add(30.0f, 20.0f);
        CTriangulation tri(f.set);
        ASSERT_TRUE(tri.BuildDelone2(f.corners)) << seed;
        EXPECT_EQ(CheckAll(tri, kW, kH), "") << seed;
        EXPECT_TRUE(AllVertices(f.set)) << seed;
    }
}

TEST(Triangulation, PointsOutsideTheFrameFailWithTheirText) {
    Frame f;
    f.Add(-5, 10);
    f.Add(50, 50);
    CTriangulation tri(f.set);
    EXPECT_EQ(Thrown([&] { tri.BuildDelone2(f.corners); }), "Error! CTriangulation::BuildDelone2: (2)");
}

std::vector<CRibPtr> Polyline(const std::vector<CMyPoint*>& points) {
    std::vector<CRibPtr> ribs;
    for (size_t i = 0; i + 1 < points.size(); ++i) ribs.emplace_back(new CRib(points[i], points[i + 1], 0, 0));
    return ribs;
}

TEST(Triangulation, RibsBecomeRestrictedSidesOfAConstrainedDelaunayMesh) {
    for (unsigned seed = 1; seed <= 15; ++seed) {
        std::mt19937 rng(seed);
        Frame f;
        std::uniform_real_distribution<float> x(1, kW - 1), y(1, kH - 1);
        for (int i = 0; i < 150; ++i) f.Add(x(rng), y(rng));
        // A closed ring and an open zigzag: long ribs across many triangles.
        std::vector<CMyPoint*> ring, zigzag;
        const int sides = 5 + static_cast<int>(rng() % 20);
        for (int i = 0; i <= sides; ++i) {
            const double angle = 2 * M_PI * (i % sides) / sides;
            ring.push_back(f.Add(static_cast<float>(50 + 30 * std::cos(angle)),
                                 static_cast<float>(40 + 25 * std::sin(angle))));
        }
        for (int i = 0; i < 6; ++i) zigzag.push_back(f.Add(8.0f + 17.0f * i, i % 2 ? 3.5f : 12.25f));
        CTriangulation tri(f.set);
        ASSERT_TRUE(tri.BuildDelone2(f.corners));
        std::vector<CRibPtr> ribs = Polyline(ring), more = Polyline(zigzag);
        ribs.insert(ribs.end(), more.begin(), more.end());
        const bool whole = tri.AddRestrictionRibs(ribs, f.set);
        EXPECT_EQ(CheckAll(tri, kW, kH), "") << seed;
        int restricted = 0;
        for (const CRibPtr& r : ribs) restricted += IsRestrictedSide(r->a.get(), r->b.get());
        // A rib that runs exactly through a random point is split there;
        // otherwise every rib is one restricted side.
        EXPECT_TRUE(whole) << seed;
        EXPECT_GE(restricted, static_cast<int>(ribs.size()) - 2) << seed;
    }
}

TEST(Triangulation, CrossingRibsMeetAtANewPoint) {
    Frame f;
    CMyPoint* a = f.Add(10, 10);
    CMyPoint* b = f.Add(90, 70);
    CMyPoint* c = f.Add(10, 70);
    CMyPoint* d = f.Add(90, 10);
    for (int i = 1; i < 9; ++i) f.Add(10.0f * i + 3, 40.0f + (i % 3) * 7);
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    const size_t before = f.set.size();
    std::vector<CRibPtr> ribs{CRibPtr(new CRib(a, b, 0, 0)), CRibPtr(new CRib(c, d, 0, 0))};
    EXPECT_TRUE(tri.AddRestrictionRibs(ribs, f.set));  // the second one in two pieces
    EXPECT_EQ(CheckAll(tri, kW, kH), "");
    ASSERT_EQ(f.set.size(), before + 1);
    CMyPoint* meet = f.set.FindNear(50, 40, kFrameZ);
    ASSERT_NE(meet, nullptr);
    for (CMyPoint* end : {a, b, c, d}) EXPECT_TRUE(IsRestrictedSide(meet, end));
}

TEST(Triangulation, RibThroughAPointIsSplitThere) {
    Frame f;
    CMyPoint* a = f.Add(20, 20);
    CMyPoint* m = f.Add(40, 20);
    CMyPoint* b = f.Add(60, 20);
    f.Add(40, 21);
    f.Add(40, 19);
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    std::vector<CRibPtr> ribs{CRibPtr(new CRib(a, b, 0, 0))};
    tri.AddRestrictionRibs(ribs, f.set);
    EXPECT_TRUE(IsRestrictedSide(a, m));
    EXPECT_TRUE(IsRestrictedSide(m, b));
    EXPECT_EQ(CheckAll(tri, kW, kH), "");
}

// The rib and its end points hold each other; the triangulation breaks the
// cycle when it goes, and every object is then freed once (the leak checker
// of the sanitized build watches the rest).
TEST(Triangulation, RibsAndPointsAreReleasedWithTheTriangulation) {
    CMyPointPtr keepA, keepB;
    CRibPtr keepRib;
    {
        Frame f;
        keepA = f.Add(20, 20);
        keepB = f.Add(70, 50);
        auto tri = std::make_unique<CTriangulation>(f.set);
        ASSERT_TRUE(tri->BuildDelone2(f.corners));
        keepRib = CRibPtr(new CRib(keepA.get(), keepB.get(), 0, 0));
        ASSERT_TRUE(tri->AddRestrictionRibs({keepRib}, f.set));
        EXPECT_TRUE(keepA->flags & kPointRibEnd);
        tri.reset();
        EXPECT_TRUE(keepA->ribs.empty());
        EXPECT_TRUE(keepA->triangles.empty());
        EXPECT_EQ(keepRib->RefCount(), 1);
    }
    // The set is gone: the points live on through the rib and our pointers.
    EXPECT_EQ(keepA->RefCount(), 2);
    keepRib.Reset();
    EXPECT_EQ(keepA->RefCount(), 1);
    EXPECT_FALSE(keepA->flags & kPointRibEnd);
}

TEST(Triangulation, RegionsFloodUpToRibs) {
    Frame f;
    std::vector<CMyPoint*> square{f.Add(30, 20), f.Add(70, 20), f.Add(70, 60), f.Add(30, 60), nullptr};
    square[4] = square[0];
    f.Add(50, 40);
    f.Add(10, 10);
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    ASSERT_TRUE(tri.AddRestrictionRibs(Polyline(square), f.set));
    CMyPoint* centre = f.set.FindNear(50, 40, kFrameZ);
    tri.MarkRegions({centre->triangles.front()});
    int inside = 0;
    for (int k = 0; k < tri.TriangleCount(); ++k) {
        const CTriangles* t = tri.Triangles()[k];
        const float cx = (t->vertex[0]->x + t->vertex[1]->x + t->vertex[2]->x) / 3;
        const float cy = (t->vertex[0]->y + t->vertex[1]->y + t->vertex[2]->y) / 3;
        const bool in = cx > 30 && cx < 70 && cy > 20 && cy < 60;
        EXPECT_EQ((t->flags & kTriangleMarked) != 0, in) << cx << "," << cy;
        inside += in;
    }
    EXPECT_EQ(inside, 4);
}

// Two rib ends and a contour point make a triangle flat against the border:
// Rebuild turns its free side between the rib ends towards the inside.
TEST(Triangulation, RebuildTurnsFlatBorderTriangles) {
    Frame f;
    CMyPoint* a = f.Add(40, 40);
    CMyPoint* b = f.Add(60, 40);
    CMyPoint* c = f.Add(50, 60);
    CMyPoint* d = f.Add(50, 20);
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    int side = 0;
    ASSERT_NE(tri.FindTriangle(a, b, side), nullptr);  // a-b is Delaunay here
    a->flags |= kPointRibEnd;
    b->flags |= kPointRibEnd;
    c->flags |= kPointKey | kPointContour;
    tri.Rebuild();
    EXPECT_EQ(Thrown([&] { tri.FindTriangle(a, b, side); }), "Error! CTriangulation::FindTriangle(): (0)");
    EXPECT_NE(tri.FindTriangle(c, d, side), nullptr);
    EXPECT_EQ(testing::CheckStructure(tri.Triangles(), tri.TriangleCount(), kW, kH), "");

    // A restricted side stays.
    Frame g;
    CMyPoint* ga = g.Add(40, 40);
    CMyPoint* gb = g.Add(60, 40);
    CMyPoint* gc = g.Add(50, 60);
    g.Add(50, 20);
    CTriangulation kept(g.set);
    ASSERT_TRUE(kept.BuildDelone2(g.corners));
    ASSERT_TRUE(kept.AddRestrictionRibs({CRibPtr(new CRib(ga, gb, 0, 0))}, g.set));
    gc->flags |= kPointKey | kPointContour;
    kept.Rebuild();
    EXPECT_TRUE(IsRestrictedSide(ga, gb));
}

TEST(Triangulation, DeletingAVertexReTriangulatesItsRing) {
    std::mt19937 rng(4);
    Frame f;
    std::uniform_real_distribution<float> x(1, kW - 1), y(1, kH - 1);
    for (int i = 0; i < 60; ++i) f.Add(x(rng), y(rng));
    CMyPoint* victim = f.Add(50.5f, 40.5f);
    CTriangulation tri(f.set);
    ASSERT_TRUE(tri.BuildDelone2(f.corners));
    std::vector<CMyPoint*> ring;
    bool closed = false;
    tri.FindBorder(victim, ring, closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(ring.size(), victim->triangles.size());
    for (size_t i = 0; i < ring.size(); ++i)  // counter-clockwise around the victim
        EXPECT_GT(CTriangulation::Orientation(*victim, *ring[i], *ring[(i + 1) % ring.size()]), 0);
    const int before = tri.TriangleCount();
    tri.DeleteTriangulationVertex(victim);
    EXPECT_TRUE(victim->triangles.empty());
    EXPECT_EQ(tri.TriangleCount(), before - 2);
    EXPECT_EQ(CheckAll(tri, kW, kH), "");
    EXPECT_EQ(Thrown([&] { tri.DeleteTriangulationVertex(f.corners[0]); }),
              "Error! CTriangulation::DeleteTriangulationVertex: (1)");
}

}  // namespace
}  // namespace frostel
