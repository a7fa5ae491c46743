#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "BranchGrowers.h"
#include "GrowthRandom.h"
#include "GrowthTree.h"
#include "PageMemory.h"
#include "WorkWatch.h"

namespace frostel {
namespace {

std::vector<BranchTriangle> Contents(BranchTree& tree) {
    std::vector<BranchTriangle> out;
    for (FTTrNode* n = tree.head()->next; n; n = n->next) out.push_back(*n->payload);
    return out;
}

bool SameBytes(const std::vector<BranchTriangle>& a, const std::vector<BranchTriangle>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(BranchTriangle)) == 0;
}

// z of (p1 - p0) x (p2 - p0) in the image plane.
float Winding(const BranchTriangle& t) {
    return (t.p1.x - t.p0.x) * (t.p2.y - t.p0.y) - (t.p1.y - t.p0.y) * (t.p2.x - t.p0.x);
}

// A fresh scene: count reset and the generator seeded, as the driver does.
void StartScene(uint32_t seed) {
    gBranchCount = 0;
    SeedGrowthRandom(seed);
}

std::vector<BranchTriangle> Recursive(uint32_t seed, int T, int It, int K = 2, int rib = 0) {
    StartScene(seed);
    BranchTree tree;
    GrowBranchRecursive(rib, K, tree, 0, 10, 20, 0, 0, -1, 0, 0.4f, 30, 0.2f, 0.1f, 0.3f, 0.5f, T, It);
    EXPECT_EQ(gBranchCount, tree.size());
    return Contents(tree);
}

TEST(GrowthRandom, FollowsTheLinearCongruentialSequence) {
    SeedGrowthRandom(1212);
    const int expected[] = {3996, 25892, 12966, 3653, 25511};
    for (int e : expected) EXPECT_EQ(GrowthRandom(), e);
    // The state wraps modulo 2^32: 0xFFFFFFFF * 214013 + 2531011 = 2316998 (mod 2^32).
    SeedGrowthRandom(0xFFFFFFFFu);
    EXPECT_EQ(GrowthRandom(), (2316998 >> 16) & 0x7FFF);
    SeedGrowthRandom(1212);
    EXPECT_EQ(GrowthRandom(), 3996);
}

TEST(BranchTree, CountsAppendsAndDrainsInOrder) {
    gBranchCount = 0;
    BranchTree tree;
    EXPECT_EQ(tree.head(), tree.tail());
    for (int i = 0; i < 5; ++i) {
        BranchTriangle t{};
        t.tag = i;
        ASSERT_TRUE(tree.Add(t));
    }
    EXPECT_EQ(gBranchCount, 5);
    EXPECT_EQ(tree.tail()->prev->next, tree.tail());
    std::vector<int> tags;
    tree.Drain([&](const BranchTriangle& t) { tags.push_back(t.tag); });
    EXPECT_EQ(tags, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(tree.size(), 0);
    EXPECT_EQ(tree.head(), tree.tail());
    EXPECT_EQ(tree.head()->next, nullptr);
}

TEST(BranchGrowers, RecursiveCountsDoNotDependOnTheSeed) {
    for (uint32_t seed : {1212u, 1213u, 99999u}) {
        // T = 15: 7 triangles at depth 0, 11 per call at depth 1, 16 at depth 2.
        const auto three = Recursive(seed, 15, 3);
        ASSERT_EQ(three.size(), 5089u) << seed;
        int perDepth[3] = {};
        for (const auto& t : three) {
            ASSERT_TRUE(t.tag >= 0 && t.tag < 3);
            ++perDepth[t.tag];
        }
        EXPECT_EQ(perDepth[0], 7);
        EXPECT_EQ(perDepth[1], 7 * 2 * 11);
        EXPECT_EQ(perDepth[2], 7 * 2 * 11 * 2 * 16);
        EXPECT_EQ(Recursive(seed, 15, 1).size(), 7u) << seed;
    }
}

TEST(BranchGrowers, SameSeedSameBytesNextSeedOtherBytes) {
    const auto a = Recursive(1212, 15, 3, 1, 3);
    const auto b = Recursive(1212, 15, 3, 1, 3);
    const auto c = Recursive(1213, 15, 3, 1, 3);
    EXPECT_TRUE(SameBytes(a, b));
    ASSERT_EQ(a.size(), c.size());
    EXPECT_FALSE(SameBytes(a, c));
    // Every corner of every stored triangle carries a normal.
    for (const auto& t : a) EXPECT_TRUE(t.p0.hasNormal && t.p1.hasNormal && t.p2.hasNormal);
}

// The cosines of the triangle counts are kept from one growth to the next,
// up to a limit: a figure grown with them fresh, kept, or across the limit
// is the same, and each fan corner's depth follows its own count's cosine.
TEST(BranchGrowers, KeptCountCosinesGrowTheSameFigure) {
    for (int32_t first : {0, 5000, (1 << 20) - 40}) {
        SCOPED_TRACE(first);
        FreeCountCosines();
        const auto grow = [&] {
            StartScene(9);
            gBranchCount = first;
            BranchTree tree;
            GrowBranchRecursive(0, 2, tree, 0, 10, 20, 0, 0, -1, 0, 0.4f, 30, 0.2f, 0.1f, 0.3f, 0.5f, 15, 3);
            return Contents(tree);
        };
        const auto fresh = grow();
        const auto kept = grow();
        ASSERT_GT(fresh.size(), 100u);
        EXPECT_TRUE(SameBytes(fresh, kept));
        // The first triangle's corners lie at counts first and first + 1.
        const BranchTriangle& t = fresh[0];
        for (int k = 0; k < 2; ++k) {
            const PatternVertex& c = k == 0 ? t.p1 : t.p2;
            const double rho = std::hypot(double(c.x) - t.p0.x, double(c.y) - t.p0.y);
            EXPECT_NEAR(c.z, std::cos(double(first + k)) * rho, 1e-4 * rho) << k;
        }
    }
    FreeCountCosines();
}

TEST(BranchGrowers, RecursiveFanStartsAtTheOriginAndTagsTheDepth) {
    const auto fan = Recursive(7, 15, 1);
    for (const auto& t : fan) {
        EXPECT_EQ(t.p0.x, 10.0f);
        EXPECT_EQ(t.p0.y, 20.0f);
        EXPECT_EQ(t.tag, 0);
    }
    // Children start at the corners of their parent.
    const auto tree = Recursive(7, 15, 2);
    EXPECT_EQ(tree[1].tag, 1);
    EXPECT_EQ(tree[1].p0.x, tree[0].p1.x);
    EXPECT_EQ(tree[1].p0.y, tree[0].p1.y);
}

TEST(BranchGrowers, CornerNormalsFollowTheEdgesAndTheFace) {
    const auto fan = Recursive(5, 15, 1);
    for (const auto& t : fan) {
        const PatternVertex* c[3] = {&t.p0, &t.p1, &t.p2};
        for (int i = 0; i < 3; ++i) {
            const PatternVertex& a = *c[i];
            const PatternVertex& b = *c[(i + 1) % 3];
            const float ex = b.x - a.x, ey = b.y - a.y;
            const float len = std::hypot(ex, ey);
            ASSERT_GT(len, 0.0f);
            // Perpendicular to the edge leaving the corner, unit length.
            EXPECT_NEAR(a.nx * ex + a.ny * ey, 0.0f, 1e-3f * len);
            EXPECT_NEAR(std::hypot(a.nx, a.ny), 1.0f, 1e-5f);
            EXPECT_NEAR(a.nx, ey / len, 1e-5f);
        }
        // nz is the negated z of the unit face normal, the same at every corner.
        const float ax = t.p0.x - t.p1.x, ay = t.p0.y - t.p1.y, az = t.p0.z - t.p1.z;
        const float bx = t.p2.x - t.p1.x, by = t.p2.y - t.p1.y, bz = t.p2.z - t.p1.z;
        const float cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
        EXPECT_NEAR(t.p0.nz, -cz / std::sqrt(cx * cx + cy * cy + cz * cz), 1e-5f);
        EXPECT_EQ(t.p1.nz, t.p0.nz);
        EXPECT_EQ(t.p2.nz, t.p0.nz);
    }
}

TEST(BranchGrowers, EmitterTrianglesShareOneWindingAndStartAtTheLowestCorner) {
    StartScene(4242);
    BranchTree tree;
    for (int i = 0; i < 400; ++i) {
        const float angle = float(i) * 0.37f;
        const float x1 = float(i % 17) * 3 - 20, y1 = float(i % 11) * 5 - 25;
        const float x2 = x1 + 9 * std::cos(angle), y2 = y1 + 9 * std::sin(angle);
        float nx, ny;
        SegmentNormal(x1, y1, x2, y2, nx, ny);
        if (i % 2) nx = -nx, ny = -ny;
        AddBranchTriangle(tree, x1, y1, x2, y2, nx, ny, 4, 1.0f);
    }
    ASSERT_EQ(tree.size(), 400);
    for (const auto& t : Contents(tree)) {
        EXPECT_GT(Winding(t), 0.0f);
        EXPECT_GE(t.p0.y, t.p1.y);
        EXPECT_GE(t.p0.y, t.p2.y);
        EXPECT_EQ(t.p2.z, 0.0f);
        EXPECT_EQ(t.tag, 0);
    }
}

TEST(BranchGrowers, GrowingTakesPageMemoryBySlabsNotByTriangle) {
    // Page blocks are large: the tree takes one for thousands of triangles.
    const int64_t before = GetPageMemoryStats().allocated;
    const int64_t live = GetPageMemoryStats().live;
    StartScene(9);
    {
        BranchTree tree;
        for (int i = 0; i < 50; ++i) AddBranchTriangle(tree, float(i), 0, float(i) + 4, 1, 0, -1, 2, 0.7f);
        GrowBranchRecursive(0, 1, tree, 0, 0, 0, 0, 0, -1, 0, 0.4f, 30, 0.2f, 0.1f, 0.3f, 0.5f, 15, 2);
        EXPECT_GT(tree.size(), 50);
        EXPECT_EQ(GetPageMemoryStats().allocated, before + 1);
    }
    EXPECT_EQ(GetPageMemoryStats().live, live);

    // No slab: the triangle is refused and the tree is full for good.
    BranchTree tree;
    FailPageAllocationAfter(1);
    EXPECT_FALSE(tree.Add(BranchTriangle{}));
    FailPageAllocationAfter(0);
    EXPECT_TRUE(tree.OutOfMemory());
    EXPECT_TRUE(tree.Full());
    EXPECT_EQ(tree.size(), 0);
}

TEST(BranchGrowers, TriangleSizeFactorIsClampedExceptAtOne) {
    // Segment (0,0)-(10,0), normal up: the apex lies s above the midpoint.
    auto apexHeight = [](float f) {
        StartScene(1212);
        BranchTree tree;
        AddBranchTriangle(tree, 0, 0, 10, 0, 0, -1, 2, f);
        const BranchTriangle& t = *tree.head()->next->payload;
        float minY = t.p0.y;
        for (float y : {t.p1.y, t.p2.y}) minY = std::fmin(minY, y);
        return -minY;
    };
    // First draw of seed 1212 is 3996: r = 0.996, s0 = 1 + 1.992.
    const float s0 = 2 * 0.5f + 0.996f * 2;
    EXPECT_FLOAT_EQ(apexHeight(1.0f), s0);
    EXPECT_FLOAT_EQ(apexHeight(0.5f), s0 * 0.5f);
    EXPECT_FLOAT_EQ(apexHeight(0.05f), s0 * 0.1f);
    EXPECT_FLOAT_EQ(apexHeight(3.0f), s0 * 1.5f);
}

TEST(BranchGrowers, SubBranchArcsHaveAtLeastEightTriangles) {
    for (int n : {3, 7, 12}) {
        StartScene(1);
        BranchTree tree;
        float ex = -1, ey = -1;
        GrowSubBranches(ex, ey, tree, 5, 5, 0, 0.3f, 0.8f, 40, n, 0.2f, 3);  // depth 3: no side arc
        EXPECT_EQ(tree.size(), (n > 7 ? n : 7) + 1) << n;
        EXPECT_NE(ex, -1.0f);
    }
    // Nothing at all for a count of 0: no triangle and no draw.
    StartScene(1212);
    BranchTree tree;
    float ex, ey;
    GrowSubBranches(ex, ey, tree, 5, 5, 0, 0.3f, 0.8f, 40, 0, 0.2f, 0);
    EXPECT_EQ(tree.size(), 0);
    EXPECT_EQ(GrowthRandom(), 3996);
}

TEST(BranchGrowers, NegativeCurlMirrorsTheArc) {
    const float theta = 0.6f, kappa = 0.9f, x = 30, y = -12;
    auto arc = [&](float k) {
        StartScene(3);
        BranchTree tree;
        float ex, ey;
        GrowSubBranches(ex, ey, tree, x, y, 7, theta, k, 50, 9, 0.3f, 3);
        return Contents(tree);
    };
    const auto pos = arc(kappa), neg = arc(-kappa);
    ASSERT_EQ(pos.size(), neg.size());
    // Mirror across the line through the start at angle theta.
    const float c2 = std::cos(2 * theta), s2 = std::sin(2 * theta);
    auto mirror = [&](const PatternVertex& v, float& mx, float& my) {
        const float dx = v.x - x, dy = v.y - y;
        mx = dx * c2 + dy * s2 + x;
        my = dx * s2 - dy * c2 + y;
    };
    for (size_t i = 0; i < pos.size(); ++i) {
        float mx, my;
        mirror(pos[i].p0, mx, my);
        EXPECT_NEAR(neg[i].p0.x, mx, 1e-3f);
        EXPECT_NEAR(neg[i].p0.y, my, 1e-3f);
        // The two outer corners trade places, so the winding flips back.
        mirror(pos[i].p2, mx, my);
        EXPECT_NEAR(neg[i].p1.x, mx, 1e-3f);
        EXPECT_NEAR(neg[i].p1.y, my, 1e-3f);
        mirror(pos[i].p1, mx, my);
        EXPECT_NEAR(neg[i].p2.x, mx, 1e-3f);
        EXPECT_NEAR(neg[i].p2.y, my, 1e-3f);
        EXPECT_EQ(neg[i].p1.z, pos[i].p1.z);
        if (std::fabs(Winding(pos[i])) > 1e-2f) {
            EXPECT_GT(Winding(pos[i]) * Winding(neg[i]), 0.0f) << i;
        }
    }
}

TEST(BranchGrowers, FigureAAltIsEightTrianglesWithoutDraws) {
    StartScene(1212);
    BranchTree tree;
    GrowFigureAAlt(tree, 1, 2, 10, 0.5f, 0.7f, 60);
    EXPECT_EQ(tree.size(), 8);
    EXPECT_EQ(GrowthRandom(), 3996);
    for (const auto& t : Contents(tree)) {
        EXPECT_EQ(t.p0.x, 1.0f);
        EXPECT_EQ(t.p1.z, 5.0f);
        EXPECT_EQ(t.p2.z, 15.0f);
    }
}

TEST(BranchGrowers, FigureASpendsOneDrawPerArcAndIsDeterministic) {
    auto grow = [](uint32_t seed, bool variant) {
        StartScene(seed);
        BranchTree tree;
        GrowFigureA(3, tree, 0, 0, 0, 1.0f, 0.8f, 120, 0.3f, variant, 10);
        return Contents(tree);
    };
    const auto a = grow(77, true);
    EXPECT_TRUE(SameBytes(a, grow(77, true)));
    EXPECT_FALSE(SameBytes(a, grow(78, true)));
    // Variant: 8 opening triangles, then arcs of 11, 12 and 13 triangles,
    // each possibly with side arcs of at least 8.
    EXPECT_GE(a.size(), 8u + 11 + 12 + 13);
    const auto b = grow(77, false);
    EXPECT_GE(b.size(), 8u + 11 + 12 + 13);  // the plain opening is an arc of 5 -> 8
}

TEST(BranchGrowers, FigureBCountsFollowTheSpine) {
    auto grow = [](uint32_t seed, int n, int N2) {
        StartScene(seed);
        BranchTree tree;
        GrowFigureB(2, tree, 0, 0, 0, 0.2f, 0.5f, 100, 0.3f, n, N2, 0.0f, 0.5f, 0.0f);
        return tree.size();
    };
    for (uint32_t seed : {1u, 2u}) {
        // Side length (4.4 - k) / 4 * 25 falls below 3 at k = 4: four steps, two
        // side arcs each of 7 + 1 triangles.
        EXPECT_EQ(grow(seed, 4, 7), 4 * 2 * 8);
        // Ten-triangle sides shrink by half a triangle a step: 10, 9.5, 9, 8.5.
        EXPECT_EQ(grow(seed, 4, 10), 2 * (11 + 10 + 10 + 9));
    }
    // No spine steps: nothing grows (and nothing divides by zero).
    EXPECT_EQ(grow(1, 0, 7), 0);
    EXPECT_EQ(grow(1, -5, 7), 0);
}

TEST(BranchGrowers, DirectionAngleCoversTheCompass) {
    EXPECT_FLOAT_EQ(DirectionAngleDeg(0, 0, -1, 0), 90.0f);
    EXPECT_FLOAT_EQ(DirectionAngleDeg(0, 0, 1, 0), 270.0f);
    EXPECT_FLOAT_EQ(DirectionAngleDeg(0, 0, 0, 1), 0.0f);
    EXPECT_FLOAT_EQ(DirectionAngleDeg(0, 1, 0, 0), 180.0f);
    EXPECT_NEAR(DirectionAngleDeg(0, 0, 1, 1), 315.0f, 1e-4f);
    EXPECT_NEAR(DirectionAngleDeg(0, 0, -1, 1), 45.0f, 1e-4f);
    EXPECT_NEAR(DirectionAngleDeg(0, 1, 1, 0), 225.0f, 1e-4f);
}

TEST(BranchGrowers, RotatePointArrayBringsTheRecordFirst) {
    int r[5] = {0, 1, 2, 3, 4};
    RotatePointArray(5, 2, r);
    EXPECT_EQ(std::vector<int>(r, r + 5), (std::vector<int>{2, 3, 4, 0, 1}));
    RotatePointArray(5, 0, r);
    EXPECT_EQ(r[0], 2);
}

// Where a fan is not grown its triangles are still counted: the count the
// fan would have reached, for any start, direction and draw.
TEST(BranchGrowers, TheFanCountedWithoutGrowingIt) {
    for (int T : {0, 3, 15, 40})
        for (int It = 0; It <= (T < 15 ? 5 : T < 40 ? 4 : 3); ++It) {
            SCOPED_TRACE(std::to_string(T) + " " + std::to_string(It));
            for (uint32_t seed : {1u, 977u})
                EXPECT_EQ(int64_t(Recursive(seed, T, It).size()), BranchRecursiveTriangles(T, It));
        }
    // The dialog's maxima and beyond: capped, never overflowing.
    EXPECT_EQ(BranchRecursiveTriangles(150, 10), int64_t(1) << 40);
    EXPECT_EQ(BranchRecursiveTriangles(INT_MAX, INT_MAX), int64_t(1) << 40);

    gBranchCount = 5;
    CountUngrownBranches(1000);
    CountUngrownBranches(-7);
    EXPECT_EQ(gBranchCount, 1005);
    CountUngrownBranches(BranchRecursiveTriangles(INT_MAX, INT_MAX));
    EXPECT_EQ(gBranchCount, kMostBranchCount);
    // A triangle stored at the top keeps the count where it is.
    BranchTree tree;
    ASSERT_TRUE(tree.Add(BranchTriangle{}));
    EXPECT_EQ(gBranchCount, kMostBranchCount);
    gBranchCount = 0;
}

TEST(BranchBudget, HugeRequestsStopAtTheBudget) {
    constexpr int32_t kBudget = 30000;
    const auto start = std::chrono::steady_clock::now();
    {
        StartScene(1);
        BranchTree tree(kBudget);
        GrowBranchRecursive(0, 1, tree, 0, 0, 0, 0, 1, 0, 0, 0.5f, 20, 0.01f, 0.01f, 0.3f, 0.5f, INT_MAX,
                            INT_MAX);
        EXPECT_EQ(tree.size(), kBudget);
        EXPECT_EQ(gBranchCount, kBudget);
        EXPECT_TRUE(tree.BudgetSpent());
        EXPECT_FALSE(tree.OutOfMemory());
        BranchTriangle t{};
        EXPECT_FALSE(tree.Add(t));
    }
    {
        StartScene(2);
        BranchTree tree(kBudget);
        GrowFigureA(INT_MAX, tree, 0, 0, 0, 0, 0.9f, 1e6f, 0.3f, false, INT_MAX);
        EXPECT_EQ(tree.size(), kBudget);
    }
    {
        StartScene(3);
        BranchTree tree(kBudget);
        GrowFigureB(3, tree, 0, 0, 0, 0, 0.5f, 1e6f, 0.3f, INT_MAX, INT_MAX, 0.5f, 0.2f, 0.1f);
        EXPECT_EQ(tree.size(), kBudget);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10.0);
    EXPECT_GE(kBranchBudget, 2000000);
}

// Stops at its n-th ask.
struct StopAt {
    int n, asks = 0;
    static bool Ask(void* self) {
        auto& s = *static_cast<StopAt*>(self);
        return ++s.asks < s.n;
    }
};

TEST(BranchBudget, AWatchStopsEveryGrowerWithTheFigureGrownSoFar) {
    using Grow = void (*)(BranchTree&);
    const Grow growers[] = {
        [](BranchTree& t) {
            GrowBranchRecursive(0, 1, t, 0, 0, 0, 0, 1, 0, 0, 0.5f, 20, 0.01f, 0.01f, 0.3f, 0.5f, INT_MAX, INT_MAX);
        },
        [](BranchTree& t) { GrowFigureA(INT_MAX, t, 0, 0, 0, 0, 0.9f, 1e6f, 0.3f, false, INT_MAX); },
        [](BranchTree& t) { GrowFigureB(3, t, 0, 0, 0, 0, 0.5f, 1e6f, 0.3f, INT_MAX, INT_MAX, 0.5f, 0.2f, 0.1f); },
    };
    for (const Grow grow : growers) {
        StopAt twelfth{12};
        WorkWatch watch(&StopAt::Ask, &twelfth, 0);
        StartScene(7);
        BranchTree stopped(kBranchBudget, &watch);
        grow(stopped);  // would grow millions of triangles
        EXPECT_TRUE(stopped.Stopped());
        EXPECT_TRUE(stopped.Full());
        EXPECT_FALSE(stopped.BudgetSpent());
        EXPECT_EQ(twelfth.asks, 12);
        EXPECT_EQ(gBranchCount, stopped.size());
        EXPECT_FALSE(stopped.Add(BranchTriangle{}));
        ASSERT_GT(stopped.size(), 0);

        // What it holds is the start of the same figure, byte for byte.
        StartScene(7);
        BranchTree cut(stopped.size());
        grow(cut);
        EXPECT_TRUE(SameBytes(Contents(stopped), Contents(cut)));
    }
}

BranchTriangle Flat(float x0, float y0, float x1, float y1, float x2, float y2) {
    BranchTriangle t{};
    t.p0.x = x0, t.p0.y = y0, t.p1.x = x1, t.p1.y = y1, t.p2.x = x2, t.p2.y = y2;
    return t;
}

TEST(BranchBudget, CoverCountsWhatATriangleWillCoverOfTheFrame) {
    CoverBudget c;
    c.left = -50, c.right = 50, c.top = -40, c.bottom = 40;
    EXPECT_DOUBLE_EQ(c.Cover(Flat(0, 0, 10, 0, 0, 10)), 50.0);          // inside: its area
    EXPECT_DOUBLE_EQ(c.Cover(Flat(40, 0, 80, 0, 40, 10)), 100.0);       // mostly out: its box within
    EXPECT_DOUBLE_EQ(c.Cover(Flat(60, 0, 70, 0, 60, 10)), 0.0);         // beyond the frame
    EXPECT_DOUBLE_EQ(c.Cover(Flat(-100, -100, 100, -100, 0, 100)), 8000.0);  // over it all: the frame
    const float nan = std::nanf("");
    EXPECT_DOUBLE_EQ(c.Cover(Flat(nan, 0, 10, 0, 0, 10)), 0.0);
    // Scaled about the pivot, then shifted: where the driver puts it.
    c.scale = 2, c.pivotX = 10, c.pivotY = 10, c.shiftX = -30;
    EXPECT_DOUBLE_EQ(c.Cover(Flat(10, 10, 20, 10, 10, 20)), 200.0);
    EXPECT_DOUBLE_EQ(c.Cover(Flat(45, 0, 50, 0, 45, 5)), 0.0);  // at x 50..60: out
}

TEST(BranchBudget, TheCoverBudgetEndsTheGrowthWithTheSameFigureSoFar) {
    const auto grow = [](BranchTree& t) {
        GrowBranchRecursive(0, 1, t, 0, 0, 0, 0, 1, 0, 0, 0.5f, 20, 0.01f, 0.01f, 0.3f, 0.5f, INT_MAX, INT_MAX);
    };
    CoverBudget cover;
    cover.left = -100, cover.right = 100, cover.top = -80, cover.bottom = 80;
    cover.pixels = 1000;
    StartScene(5);
    BranchTree covered;
    covered.SetCoverBudget(cover);
    grow(covered);
    EXPECT_TRUE(covered.BudgetSpent());
    EXPECT_LE(covered.Covered(), cover.pixels);
    ASSERT_GT(covered.size(), 0);
    double sum = 0;
    for (const BranchTriangle& t : Contents(covered)) sum += cover.Cover(t);
    EXPECT_NEAR(sum, covered.Covered(), 1e-6 * sum);

    // The same figure without the cover budget: its start, and the next
    // triangle would have covered too much.
    StartScene(5);
    BranchTree more(covered.size() + 1);
    grow(more);
    std::vector<BranchTriangle> grown = Contents(more);
    ASSERT_EQ(grown.size(), size_t(covered.size()) + 1);
    EXPECT_GT(covered.Covered() + cover.Cover(grown.back()), cover.pixels);
    grown.pop_back();
    EXPECT_TRUE(SameBytes(Contents(covered), grown));
}

}  // namespace
}  // namespace frostel
