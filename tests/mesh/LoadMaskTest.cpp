#include <gtest/gtest.h>

#include <vector>

#include "ContourChecks.h"
#include "MeshBuilder.h"
#include "PageMemory.h"
#include "TestMasks.h"
#include "WorkWatch.h"

namespace frostel {
namespace {

using test::Mask;

// One LoadMask call, its output copied out and freed.
struct Contours {
    bool ok = false;
    int pointCount = -1, edgeCount = -1;
    std::vector<float> points;
    std::vector<ContourEdge> edges;
    size_t setSize = 0;
};

Contours Load(const Mask& m, float step = 1.0f, int spacing = 4, int stride = 0) {
    Contours c;
    std::vector<uint8_t> padded;
    const uint8_t* data = m.pixels.data();
    if (stride > m.width) {
        padded.assign(static_cast<size_t>(stride) * m.height, 0xEE);
        for (int y = 0; y < m.height; ++y)
            std::copy_n(m.pixels.begin() + static_cast<ptrdiff_t>(y) * m.width, m.width, padded.begin() + static_cast<ptrdiff_t>(y) * stride);
        data = padded.data();
    }
    float* points = nullptr;
    ContourEdge* edges = nullptr;
    CMeshBuilder builder;
    c.ok = builder.LoadMask(m.width, m.height, stride ? stride : m.width, data, step, spacing, c.pointCount,
                            c.edgeCount, points, edges);
    c.setSize = builder.PointSet().size();
    if (points) {
        c.points.assign(points, points + 2 * c.pointCount);
        c.edges.assign(edges, edges + c.edgeCount);
        FreePages(points);
        FreePages(edges);
    }
    return c;
}

std::string Check(const Mask& m, const Contours& c, float step, int spacing) {
    test::MaskView v{m.width, m.height, m.width, m.pixels.data()};
    return test::CheckLoadMaskOutput(v, step, spacing, c.pointCount, c.edgeCount, c.points.data(), c.edges.data());
}

TEST(LoadMaskTest, UniformMaskGivesNoContourAndLeavesTheOutputsAlone) {
    const Mask m = test::FilledMask(20, 10, 84);
    float* points = reinterpret_cast<float*>(0x1);
    ContourEdge* edges = reinterpret_cast<ContourEdge*>(0x2);
    int pc = -1, ec = -1;
    CMeshBuilder builder;
    ASSERT_TRUE(builder.LoadMask(20, 10, 20, m.pixels.data(), 1.0f, 4, pc, ec, points, edges));
    EXPECT_EQ(pc, 0);
    EXPECT_EQ(ec, 0);
    EXPECT_EQ(points, reinterpret_cast<float*>(0x1));
    EXPECT_EQ(edges, reinterpret_cast<ContourEdge*>(0x2));
}

TEST(LoadMaskTest, SquareGivesOneClosedContourWeightedTowardsItsMiddle) {
    Mask m = test::FilledMask(30, 30, 0);
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x) m.at(x, y) = 255;
    const Contours c = Load(m, 1.0f, 4);
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.edgeCount, c.pointCount - 1);  // one contour
    const int n = c.pointCount;
    ASSERT_GE(n, 5);
    EXPECT_EQ(c.points[0], c.points[2 * (n - 1)]);
    EXPECT_EQ(c.points[1], c.points[2 * (n - 1) + 1]);
    const int half = n / 2;
    float smallest = c.edges[0].weight;
    for (const auto& e : c.edges) smallest = std::min(smallest, e.weight);
    EXPECT_EQ(c.edges.front().weight, smallest);
    EXPECT_EQ(c.edges.back().weight, smallest);
    EXPECT_FLOAT_EQ(c.edges[half - 1].weight, static_cast<float>(half));
    // The contour keeps to the square's outline, corners cut by at most a pixel.
    for (int i = 0; i < n; ++i) {
        const float x = c.points[2 * i], y = c.points[2 * i + 1];
        EXPECT_TRUE(x >= 9.5f && x <= 20.5f && y >= 9.5f && y <= 20.5f) << x << "," << y;
        EXPECT_TRUE(x <= 11 || x >= 19 || y <= 11 || y >= 19) << x << "," << y;
    }
    EXPECT_EQ(Check(m, c, 1.0f, 4), "");
    // The set keeps the contour's points besides those of the frame's border.
    EXPECT_EQ(c.setSize, Load(test::FilledMask(30, 30, 0), 1.0f, 4).setSize + (n - 1));
}

TEST(LoadMaskTest, RegionTouchingTheEdgeGivesAnOpenContourBetweenTwoJunctions) {
    Mask m = test::FilledMask(40, 30, 0);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 40; ++x) m.at(x, y) = 255;  // the top band
    const Contours c = Load(m, 1.0f, 6);
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.edgeCount, c.pointCount - 1);
    const int n = c.pointCount;
    // From one side of the frame to the other along y = 12; the stretch
    // along the frame is not handed out.
    const float x0 = c.points[0], y0 = c.points[1], x1 = c.points[2 * (n - 1)], y1 = c.points[2 * (n - 1) + 1];
    EXPECT_EQ(y0, 12.0f);
    EXPECT_EQ(y1, 12.0f);
    EXPECT_EQ(std::min(x0, x1), 0.0f);
    EXPECT_EQ(std::max(x0, x1), 40.0f);
    for (int i = 0; i < n; ++i) EXPECT_EQ(c.points[2 * i + 1], 12.0f);
    EXPECT_GE(n, 40 / 6 + 1);
    EXPECT_EQ(Check(m, c, 1.0f, 6), "");
}

TEST(LoadMaskTest, TinyClosedBordersAreDroppedWithTheirPoints) {
    Mask m = test::FilledMask(12, 12, 0);
    m.at(5, 5) = 255;
    // A coarse step leaves the pixel's outline too few points to stay.
    const Contours c = Load(m, 10.0f, 4);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.pointCount, 0);
    EXPECT_EQ(c.edgeCount, 0);
    // Only the frame's borders (never handed out) keep points.
    EXPECT_EQ(c.setSize, Load(test::FilledMask(12, 12, 0), 10.0f, 4).setSize);
    // A fine step keeps it.
    EXPECT_GE(Load(m, 1.0f, 4).pointCount, 4);
}

TEST(LoadMaskTest, StepAndSpacingAreClamped) {
    const Mask m = test::SmoothMask(80, 60, 4, 11);
    auto same = [](const Contours& a, const Contours& b) {
        return a.ok && b.ok && a.pointCount == b.pointCount && a.points == b.points && a.edges.size() == b.edges.size();
    };
    EXPECT_TRUE(same(Load(m, 0.0f, 4), Load(m, 1.0f, 4)));
    EXPECT_TRUE(same(Load(m, -3.0f, 4), Load(m, 1.0f, 4)));
    EXPECT_TRUE(same(Load(m, 25.0f, 4), Load(m, 10.0f, 4)));
    EXPECT_TRUE(same(Load(m, 1.0f, 0), Load(m, 1.0f, 2)));
    EXPECT_TRUE(same(Load(m, 1.0f, 100), Load(m, 1.0f, 30)));
    // And they matter in between.
    EXPECT_LT(Load(m, 1.0f, 30).pointCount, Load(m, 1.0f, 2).pointCount);
    EXPECT_LT(Load(m, 10.0f, 30).pointCount, Load(m, 1.0f, 30).pointCount);
}

TEST(LoadMaskTest, OutputInvariantsOnRandomMasks) {
    uint32_t seed = 100;
    const int sizes[] = {1, 2, 7, 16, 33, 64};
    const struct { float step; int spacing; } settings[] = {{1.0f, 2}, {1.0f, 5}, {0.3f, 3}, {4.0f, 30}, {10.0f, 8}};
    for (int w : sizes)
        for (int h : sizes)
            for (auto s : settings) {
                for (const Mask& m : {test::NoiseMask(w, h, 2, seed++), test::NoiseMask(w, h, 4, seed++),
                                      test::SmoothMask(w, h, 4, seed++), test::SmoothMask(w, h, 2, seed++, 0.4)}) {
                    const Contours c = Load(m, s.step, s.spacing);
                    ASSERT_TRUE(c.ok);
                    ASSERT_EQ(Check(m, c, s.step, s.spacing), "")
                        << w << "x" << h << " step " << s.step << " spacing " << s.spacing << " seed " << seed;
                }
            }
}

TEST(LoadMaskTest, StridedRowsGiveTheSameContours) {
    const Mask m = test::SmoothMask(50, 40, 4, 5);
    const Contours plain = Load(m), strided = Load(m, 1.0f, 4, 64);
    ASSERT_TRUE(strided.ok);
    EXPECT_GT(plain.pointCount, 0);
    EXPECT_EQ(plain.points, strided.points);
}

TEST(LoadMaskTest, BadInputFailsWithoutOutput) {
    const Mask m = test::NoiseMask(8, 8, 2, 3);
    CMeshBuilder builder;
    int pc = -5, ec = -5;
    float* points = nullptr;
    ContourEdge* edges = nullptr;
    EXPECT_FALSE(builder.LoadMask(8, 8, 7, m.pixels.data(), 1, 4, pc, ec, points, edges));  // stride < width
    EXPECT_FALSE(builder.LoadMask(0, 8, 8, m.pixels.data(), 1, 4, pc, ec, points, edges));
    EXPECT_FALSE(builder.LoadMask(8, -1, 8, m.pixels.data(), 1, 4, pc, ec, points, edges));
    EXPECT_FALSE(builder.LoadMask(8, 8, 8, nullptr, 1, 4, pc, ec, points, edges));
    EXPECT_EQ(pc, -5);
    EXPECT_EQ(ec, -5);
    EXPECT_EQ(points, nullptr);
    EXPECT_EQ(edges, nullptr);
}

TEST(LoadMaskTest, FailedPageAllocationsLeaveNoBlockBehind) {
    const Mask m = test::SmoothMask(40, 40, 4, 9);
    const int64_t before = GetPageMemoryStats().allocated;
    const Contours full = Load(m);
    ASSERT_TRUE(full.ok);
    ASSERT_GT(full.pointCount, 0);
    // The last two page blocks are the output; any before them only speed
    // the searches up.
    const int64_t blocks = GetPageMemoryStats().allocated - before;
    ASSERT_GE(blocks, 2);
    for (int64_t failing = 1; failing <= blocks; ++failing) {
        const int64_t live = GetPageMemoryStats().live;
        int pc = -5, ec = -5;
        float* points = nullptr;
        ContourEdge* edges = nullptr;
        FailPageAllocationAfter(failing);
        const bool ok = CMeshBuilder().LoadMask(40, 40, 40, m.pixels.data(), 1, 4, pc, ec, points, edges);
        FailPageAllocationAfter(0);
        if (failing > blocks - 2) {
            EXPECT_FALSE(ok) << "failing block " << failing;
            EXPECT_EQ(points, nullptr);
            EXPECT_EQ(edges, nullptr);
        } else {
            ASSERT_TRUE(ok) << "failing block " << failing;
            EXPECT_EQ(std::vector<float>(points, points + 2 * pc), full.points);
            FreePages(points);
            FreePages(edges);
        }
        EXPECT_EQ(GetPageMemoryStats().live, live) << "failing block " << failing;
    }
}

TEST(LoadMaskTest, LoopThroughAJunctionLeavesTheBordersEndingThereWhole) {
    // The left 1-region's border is a loop whose only junction is (3, 2), where
    // the 2-region meets the background's diagonal. The loop is resampled
    // away from that corner; the two borders of the 2-region that end there
    // must keep it as their end. All eight orientations vary which line the
    // scan traces first.
    const char* const rows[] = {
        "........",
        ".1.2211.",
        ".11.22..",
        "........",
    };
    for (int orientation = 0; orientation < 8; ++orientation) {
        const bool transpose = orientation & 4, flipX = orientation & 1, flipY = orientation & 2;
        Mask m = transpose ? test::FilledMask(4, 8, 0) : test::FilledMask(8, 4, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) {
                const int fx = flipX ? 7 - x : x, fy = flipY ? 3 - y : y;
                const int level = rows[y][x] == '.' ? 0 : rows[y][x] - '0';
                (transpose ? m.at(fy, fx) : m.at(fx, fy)) = static_cast<uint8_t>(level * 84);
            }
        for (int spacing : {2, 5}) {
            const Contours c = Load(m, 1.0f, spacing);
            ASSERT_TRUE(c.ok);
            EXPECT_EQ(Check(m, c, 1.0f, spacing), "") << "orientation " << orientation << " spacing " << spacing;
        }
    }
}


// Stops at its n-th ask.
struct StopAt {
    int n, asks = 0;
    static bool Ask(void* self) {
        auto& s = *static_cast<StopAt*>(self);
        return ++s.asks < s.n;
    }
};

TEST(LoadMaskTest, AStoppedLoadFailsWithoutOutputOrLeftoversAndAWatchChangesNothing) {
    const Mask m = test::NoiseMask(160, 120, 4, 21);
    const Contours plain = Load(m);
    ASSERT_TRUE(plain.ok);
    ASSERT_GT(plain.pointCount, 0);

    // Interval 0: every look at the clock asks.
    StopAt never{1 << 30};
    WorkWatch all(&StopAt::Ask, &never, 0);
    {
        CMeshBuilder builder;
        builder.SetWorkWatch(&all);
        int pc = 0, ec = 0;
        float* points = nullptr;
        ContourEdge* edges = nullptr;
        ASSERT_TRUE(builder.LoadMask(m.width, m.height, m.width, m.pixels.data(), 1.0f, 4, pc, ec, points, edges));
        EXPECT_EQ(std::vector<float>(points, points + 2 * pc), plain.points);
        FreePages(points);
        FreePages(edges);
    }
    ASSERT_GE(never.asks, 2) << "the load looks at its watch as it goes";

    // A stop at any of those asks (eight of them, from the first to the
    // last): false, outputs untouched, no block left.
    int stopped = 0;
    for (int k = 0, last = 0; k < 8; ++k) {
        const int n = 1 + k * (never.asks - 1) / 7;
        if (k > 0 && n == last) continue;
        last = n;
        const int64_t live = GetPageMemoryStats().live;
        StopAt at{n};
        WorkWatch watch(&StopAt::Ask, &at, 0);
        int pc = -5, ec = -5;
        float* points = nullptr;
        ContourEdge* edges = nullptr;
        {
            CMeshBuilder builder;
            builder.SetWorkWatch(&watch);
            const bool ok = builder.LoadMask(m.width, m.height, m.width, m.pixels.data(), 1.0f, 4, pc, ec, points, edges);
            EXPECT_EQ(ok, !watch.Stopped()) << "stop at ask " << n;
            if (ok) {
                FreePages(points);
                FreePages(edges);
                continue;  // this time the load got done before its n-th ask
            }
        }
        ++stopped;
        EXPECT_EQ(pc, -5);
        EXPECT_EQ(points, nullptr);
        EXPECT_EQ(edges, nullptr);
        EXPECT_EQ(GetPageMemoryStats().live, live) << "stop at ask " << n;
    }
    EXPECT_GE(stopped, 1);
}

}  // namespace
}  // namespace frostel
