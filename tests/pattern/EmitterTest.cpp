#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EmitterFigures.h"
#include "GrowAlong.h"
#include "MeshBuilder.h"
#include "PageMemory.h"

namespace frostel {
namespace {

// Runs of consecutive vertices joined by ribs: the figure's chains.
struct Chain {
    int first, count;
};
std::vector<Chain> Chains(const Emitter& e) {
    std::vector<Chain> chains;
    int ribIndex = 0;
    for (int v = 0; v < e.vertexCount(); ++v) {
        const bool joined = ribIndex < e.ribCount() && e.ribs()[ribIndex].b == v;
        if (joined) {
            EXPECT_EQ(e.ribs()[ribIndex].a, v - 1);
            ++ribIndex;
            ++chains.back().count;
        } else {
            chains.push_back({v, 1});
        }
    }
    EXPECT_EQ(ribIndex, e.ribCount()) << "every rib joins neighbours of one chain";
    return chains;
}

TEST(VertexChain, SpacingGrowsAwayFromTheCentre) {
    FigureBuilder b;
    EmitVertexChainX(b, 7, -500, 1000, 500, 500, 0, 0, 1, 0);
    Emitter e;
    ASSERT_TRUE(b.Flatten(e));
    const float expected[] = {-500, -245, -117.5f, -53.75f, -21.875f, -5.9375f, 2.03125f, 8.046875f,
                              17.0703125f, 30.60546875f, 50.908203125f, 81.3623046875f, 127.04345703125f,
                              195.565185546875f, 298.3477783203125f, 452.52166748046875f};
    ASSERT_EQ(e.vertexCount(), 16);
    ASSERT_EQ(e.ribCount(), 15);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(e.vertices()[i].x, expected[i]) << i;
        EXPECT_EQ(e.vertices()[i].y, 7.0f);
        EXPECT_EQ(e.vertices()[i].z, 0.0f);
        EXPECT_EQ(e.vertices()[i].ny, 1.0f);
        EXPECT_EQ(e.vertices()[i].hasNormal, 1);
    }
    // The rib from j-1 to j carries the spacing from j to j+1.
    for (int j = 1; j < 15; ++j) {
        const PatternRib& r = e.ribs()[j - 1];
        EXPECT_EQ(r.a, j - 1);
        EXPECT_EQ(r.b, j);
        EXPECT_FLOAT_EQ(r.length, expected[j + 1] - expected[j]) << j;
        EXPECT_EQ(r.flag, 1);
        EXPECT_EQ(r.ny, 1.0f);
    }
}

TEST(VertexChain, EmptyAndSingleVertexChains) {
    FigureBuilder b;
    EmitVertexChainY(b, 0, 10, 100, 5, 50, 0, 1, 0, 0);  // starts past its end
    EXPECT_EQ(b.vertexCount(), 0);
    EmitVertexChainY(b, 0, 10, 100, 10, 50, 0, 1, 0, 0);
    EXPECT_EQ(b.vertexCount(), 1);
    EXPECT_EQ(b.ribCount(), 0);
    // A second chain never joins the first.
    EmitVertexChainY(b, 3, 0, 100, 40, 50, 0, 1, 0, 0);
    Emitter e;
    ASSERT_TRUE(b.Flatten(e));
    EXPECT_EQ(Chains(e).size(), 2u);
    EXPECT_EQ(e.ribs()[0].a, 1);
    // Flattening empty lists gives an empty emitter.
    ASSERT_TRUE(b.Flatten(e));
    EXPECT_EQ(e.vertexCount(), 0);
    EXPECT_EQ(e.ribCount(), 0);
    // A zero scale ends the chain instead of looping.
    EmitVertexChainX(b, 0, -10, 0, 10, 0, 0, 0, 1, 0);
    EXPECT_LE(b.vertexCount(), 2);
}

// A 400 x 300 image centred on the work centre.
constexpr float kW = 400, kH = 300, kLeft = -200, kTop = -150;

void ExpectChain(const Emitter& e, const Chain& c, int count, bool alongX, float fixed, float nx, float ny) {
    EXPECT_EQ(c.count, count);
    float last = -1e30f;
    for (int i = c.first; i < c.first + c.count; ++i) {
        const PatternVertex& v = e.vertices()[i];
        EXPECT_EQ(alongX ? v.y : v.x, fixed);
        EXPECT_EQ(v.nx, nx);
        EXPECT_EQ(v.ny, ny);
        const float run = alongX ? v.x : v.y;
        EXPECT_GT(run, last);
        last = run;
    }
    for (int r = 0; r < e.ribCount(); ++r) {
        const PatternRib& rib = e.ribs()[r];
        if (rib.a < c.first || rib.a >= c.first + c.count) continue;
        EXPECT_EQ(rib.nx, nx);
        EXPECT_EQ(rib.ny, ny);
        EXPECT_EQ(rib.nz, 0.0f);
    }
}

TEST(FixedFigures, EdgesPerimeterAndU) {
    Emitter e;
    ASSERT_TRUE(BuildSingleEdgePattern(e, kLeft, kW, 150, -1));
    auto chains = Chains(e);
    ASSERT_EQ(chains.size(), 1u);
    // The same spacing law as the 1000-pixel chain: 16 vertices.
    ExpectChain(e, chains[0], 16, true, 150, 0, -1);
    EXPECT_EQ(e.vertices()[0].x, kLeft);

    ASSERT_TRUE(BuildTopAndBottomPattern(e, kLeft, kW, kTop, 150));
    chains = Chains(e);
    ASSERT_EQ(chains.size(), 2u);
    ExpectChain(e, chains[0], 16, true, kTop, 0, 1);
    ExpectChain(e, chains[1], 16, true, 150, 0, -1);
    EXPECT_EQ(e.ribCount(), 30);

    ASSERT_TRUE(BuildPerimeterPattern(e, kLeft, kTop, kW, kH));
    chains = Chains(e);
    ASSERT_EQ(chains.size(), 4u);
    ExpectChain(e, chains[0], 16, false, kLeft, 1, 0);
    ExpectChain(e, chains[1], 16, false, kLeft + kW, -1, 0);
    ExpectChain(e, chains[2], 16, true, kTop + kH, 0, -1);
    ExpectChain(e, chains[3], 16, true, kTop, 0, 1);
    EXPECT_EQ(e.ribCount(), 60);

    // U: sides from a third of the height down, dense at their top.
    ASSERT_TRUE(BuildULikePattern(e, kLeft, kTop, kW, kH));
    chains = Chains(e);
    ASSERT_EQ(chains.size(), 3u);
    ExpectChain(e, chains[0], 11, false, kLeft, 1, 0);
    ExpectChain(e, chains[1], 11, false, kLeft + kW, -1, 0);
    ExpectChain(e, chains[2], 16, true, kTop + kH, 0, -1);
    EXPECT_EQ(e.vertices()[0].y, kTop + kH / 3);
    EXPECT_FLOAT_EQ(e.vertices()[1].y - e.vertices()[0].y, 1.5f);
}

TEST(FixedFigures, WindowPanesFaceInwards) {
    Emitter e;
    ASSERT_TRUE(BuildWindowPattern(e, kLeft, kTop, kW, kH));
    const auto chains = Chains(e);
    ASSERT_EQ(chains.size(), 16u);
    EXPECT_EQ(e.vertexCount(), 16 * 16);
    // Pane order: top left, bottom left, bottom right, top right.
    const float paneX[4] = {kLeft, kLeft, 0, 0}, paneY[4] = {kTop, 0, 0, kTop};
    for (int p = 0; p < 4; ++p) {
        const float x0 = paneX[p], y0 = paneY[p], x1 = x0 + kW / 2, y1 = y0 + kH / 2;
        ExpectChain(e, chains[4 * p + 0], 16, false, x0, 1, 0);
        ExpectChain(e, chains[4 * p + 1], 16, false, x1, -1, 0);
        ExpectChain(e, chains[4 * p + 2], 16, true, y1, 0, -1);
        ExpectChain(e, chains[4 * p + 3], 16, true, y0, 0, 1);
        // A step along the normal from any vertex lands inside its pane.
        for (int c = 0; c < 4; ++c) {
            const Chain& ch = chains[4 * p + c];
            for (int i = ch.first; i < ch.first + ch.count; ++i) {
                const PatternVertex& v = e.vertices()[i];
                const float x = v.x + v.nx, y = v.y + v.ny;
                EXPECT_TRUE(x >= x0 && x <= x1 && y >= y0 && y <= y1) << p << " " << i;
            }
        }
    }
}

}  // namespace
}  // namespace frostel

namespace frostel {
namespace {

TEST(ContourEmitter, SharedVerticesAverageTheirRibNormals) {
    // A square (0,0) (10,0) (10,10) (0,10), and a fifth point no edge uses.
    const float points[] = {0, 0, 10, 0, 10, 10, 0, 10, 3, 3};
    const ContourEdge edges[] = {{0, 1, 0.5f}, {1, 2, 9}, {2, 3, 0}, {3, 0, 1}};
    Emitter e;
    ASSERT_TRUE(BuildPointArrays(5, 4, points, edges, e, -5, -5));
    ASSERT_EQ(e.vertexCount(), 5);
    ASSERT_EQ(e.ribCount(), 4);
    EXPECT_EQ(e.vertices()[2].x, 5.0f);
    EXPECT_EQ(e.vertices()[2].y, 5.0f);
    // Along y-down image axes, (dy, -dx): the top edge faces up, the right one right.
    EXPECT_EQ(e.ribs()[0].nx, 0.0f);
    EXPECT_EQ(e.ribs()[0].ny, -1.0f);
    EXPECT_EQ(e.ribs()[1].nx, 1.0f);
    EXPECT_EQ(e.ribs()[3].nx, -1.0f);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(e.ribs()[r].length, 10.0f);
        EXPECT_EQ(e.ribs()[r].flag, 1);
    }
    // Each corner: the plain average of its two ribs (not renormalised).
    EXPECT_FLOAT_EQ(e.vertices()[1].nx, 0.5f);
    EXPECT_FLOAT_EQ(e.vertices()[1].ny, -0.5f);
    EXPECT_FLOAT_EQ(e.vertices()[0].nx, -0.5f);
    EXPECT_FLOAT_EQ(e.vertices()[0].ny, -0.5f);
    EXPECT_EQ(e.vertices()[0].hasNormal, 1);
    EXPECT_EQ(e.vertices()[4].hasNormal, 0);
    EXPECT_EQ(e.vertices()[4].nx, 0.0f);
}

TEST(ContourEmitter, BadEdgesLeaveNoEmitter) {
    const float points[] = {0, 0, 10, 0};
    const ContourEdge bad[] = {{0, 1, 0}, {1, 2, 0}};
    Emitter e;
    EXPECT_FALSE(BuildPointArrays(2, 2, points, bad, e, 0, 0));
    EXPECT_EQ(e.ribCount(), 0);
    EXPECT_EQ(e.vertexCount(), 0);
    EXPECT_TRUE(BuildPointArrays(0, 0, nullptr, nullptr, e, 0, 0));
    EXPECT_EQ(e.ribCount(), 0);
    EXPECT_FALSE(BuildPointArrays(2, 1, nullptr, bad, e, 0, 0));
}

TEST(ContourEmitter, BranchesGrowAlongTheContoursOfAMask) {
    constexpr int W = 90, H = 70;
    std::vector<uint8_t> mask(W * H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if ((x - 45) * (x - 45) + (y - 35) * (y - 35) < 25 * 25) mask[size_t(y * W + x)] = 255;
    int pointCount = 0, edgeCount = 0;
    float* points = nullptr;
    ContourEdge* edges = nullptr;
    {
        CMeshBuilder builder;
        ASSERT_TRUE(builder.LoadMask(W, H, W, mask.data(), 1.0f, 30, pointCount, edgeCount, points, edges));
    }
    ASSERT_GT(edgeCount, 8);
    Emitter e;
    const bool built = BuildPointArrays(pointCount, edgeCount, points, edges, e, -W / 2.0f, -H / 2.0f);
    FreePages(points);
    FreePages(edges);
    ASSERT_TRUE(built);
    for (int r = 0; r < e.ribCount(); ++r) {
        const PatternRib& rib = e.ribs()[r];
        EXPECT_GT(rib.length, 0.0f);
        EXPECT_NEAR(std::hypot(rib.nx, rib.ny), 1.0f, 1e-5f);
        // The ribs run around the disc of radius 25 at the work centre.
        const PatternVertex& a = e.vertices()[rib.a];
        EXPECT_NEAR(std::hypot(a.x, a.y), 25.0f, 2.0f);
    }
    const auto grown = testing::GrowAlong(e, 1212);
    EXPECT_EQ(int(grown.size()), e.ribCount() * testing::kTrianglesPerRib);
    EXPECT_TRUE(testing::SameBytes(grown, testing::GrowAlong(e, 1212)));
    const auto next = testing::GrowAlong(e, 1213);
    EXPECT_EQ(next.size(), grown.size());
    EXPECT_FALSE(testing::SameBytes(grown, next));
}

TEST(FixedFigures, BranchesGrowAlongEveryFigure) {
    Emitter e;
    const bool built[] = {
        BuildSingleEdgePattern(e, kLeft, kW, 150, -1) && testing::GrowAlong(e, 7).size() == size_t(15 * 8),
        BuildTopAndBottomPattern(e, kLeft, kW, kTop, 150) && testing::GrowAlong(e, 7).size() == size_t(30 * 8),
        BuildPerimeterPattern(e, kLeft, kTop, kW, kH) && testing::GrowAlong(e, 7).size() == size_t(60 * 8),
        BuildULikePattern(e, kLeft, kTop, kW, kH) && testing::GrowAlong(e, 7).size() == size_t(35 * 8),
        BuildWindowPattern(e, kLeft, kTop, kW, kH) && testing::GrowAlong(e, 7).size() == size_t(240 * 8),
    };
    for (size_t i = 0; i < sizeof built; ++i) EXPECT_TRUE(built[i]) << "figure " << i + 1;
}

}  // namespace
}  // namespace frostel
