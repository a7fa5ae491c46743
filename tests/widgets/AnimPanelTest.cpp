#include "AnimPanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace frostel::widgets;

namespace {
struct Frame {
    Frame(int w, int h, Rgb fill) : px(size_t(w) * h * 3), canvas(px.data(), w, h, ptrdiff_t(w) * 3) {
        canvas.Fill(fill);
    }
    std::vector<uint8_t> px;
    Canvas canvas;
};
constexpr Rgb kGrey{192, 192, 192};
}  // namespace

TEST(LightSpots, StartInsideAndBounceOffTheEdges) {
    SpotRandom random(7);
    const auto spots = MakeLightSpots(10, 16, 100, 50, random);
    ASSERT_EQ(spots.size(), 10u);
    for (const LightSpot& s : spots) {
        EXPECT_GE(s.x, 0);
        EXPECT_LE(s.x, 100 - 16);
        EXPECT_LE(s.y, 50 - 16);
        EXPECT_LE(std::max({s.r, s.g, s.b}), 127.0f);
        EXPECT_NEAR(std::hypot(s.vx, s.vy), 2.0, 1e-9);
    }
    LightSpot s;
    s.size = 16;
    s.x = 83.5;
    s.vx = 2.0;
    s.y = 10;
    s.vy = -1.0;
    MoveLightSpot(s, 100, 50);
    EXPECT_DOUBLE_EQ(s.x, 84.0) << "kept at the far edge";
    EXPECT_DOUBLE_EQ(s.vx, -2.0) << "and turned";
    EXPECT_DOUBLE_EQ(s.vy, -1.0);
    s.y = 0.5;
    MoveLightSpot(s, 100, 50);
    EXPECT_DOUBLE_EQ(s.y, 0.0);
    EXPECT_DOUBLE_EQ(s.vy, 1.0);
}

TEST(LightSpots, AddClippedAndSaturated) {
    Frame f(10, 10, kGrey);
    LightSpot s;
    s.size = 4;
    s.x = 8;
    s.y = -2;  // past two edges
    s.r = 100;
    s.g = 10;
    s.b = 0;
    AddLightSpot(f.canvas, s, std::vector<float>(16, 1.0f));
    EXPECT_EQ(f.canvas.Get(9, 0), (Rgb{255, 202, 192}));
    EXPECT_EQ(f.canvas.Get(9, 1), (Rgb{255, 202, 192}));
    EXPECT_EQ(f.canvas.Get(9, 2), kGrey);
    EXPECT_EQ(f.canvas.Get(7, 0), kGrey);
}

TEST(GlowSpots, PlacedBySixteenthsAndClipped) {
    Frame f(40, 40, Rgb{0, 0, 0});
    GlowSpot g;
    g.width = g.height = 32;
    g.left = 4;
    g.top = 1;  // first row 1 - 2 = -1: skipped
    g.colour = Rgb{200, 100, 50};
    g.intensity.assign(32 * 32, 0.5f);
    DrawGlowSpot(f.canvas, g);
    EXPECT_EQ(f.canvas.Get(0, 0), (Rgb{0, 0, 0})) << "not visible yet";
    g.visible = true;
    DrawGlowSpot(f.canvas, g);
    EXPECT_EQ(f.canvas.Get(6, 0), (Rgb{100, 50, 25})) << "first column 4 + 2";
    EXPECT_EQ(f.canvas.Get(5, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(f.canvas.Get(37, 30), (Rgb{100, 50, 25}));
    EXPECT_EQ(f.canvas.Get(38, 30), (Rgb{0, 0, 0})) << "the square's last column is 37";
}

TEST(Refraction, WeightsDisplacedReadsAndBrightness) {
    Frame src(4, 1, Rgb{0, 0, 0});
    for (int x = 0; x < 4; ++x) src.canvas.Set(x, 0, Rgb{uint8_t(10 * x), 0, 0});
    RefractionMaps m;
    m.width = 4;
    m.height = 1;
    m.brightness = {0, 5, 0, 300};
    m.weight = {0.0f, 1.0f, 0.5f, 1.0f};
    m.dx = {1.0f, 1.0f, -2.0f, 9.0f};
    m.dy = {0.0f, 0.0f, 0.0f, -4.0f};
    EXPECT_EQ(RefractPixel(src.canvas, 0, 0, m, 0, 0), (Rgb{0, 0, 0})) << "weight 0: untouched";
    EXPECT_EQ(RefractPixel(src.canvas, 1, 0, m, 1, 0), (Rgb{25, 5, 5})) << "the neighbour, brightened";
    EXPECT_EQ(RefractPixel(src.canvas, 2, 0, m, 2, 0), (Rgb{10, 0, 0})) << "half of 0 and 20";
    EXPECT_EQ(RefractPixel(src.canvas, 3, 0, m, 3, 0), (Rgb{255, 255, 255})) << "read clamped inside, saturated";
    EXPECT_EQ(RefractPixel(src.canvas, 3, 0, m, 9, 9), (Rgb{30, 0, 0})) << "outside the maps: copied";
}

TEST(Scatter, SwapsPixelsAmongThemselvesAndLeavesAOneRowPanelsOutsidePartners) {
    Frame f(30, 1, Rgb{0, 0, 0});
    for (int x = 0; x < 30; ++x) f.canvas.Set(x, 0, Rgb{uint8_t(x), uint8_t(x), uint8_t(x)});
    Scatter(f.canvas);
    std::vector<int> seen;
    int moved = 0;
    for (int x = 0; x < 30; ++x) {
        seen.push_back(f.canvas.Get(x, 0).r);
        moved += f.canvas.Get(x, 0).r != x;
    }
    std::sort(seen.begin(), seen.end());
    for (int x = 0; x < 30; ++x) EXPECT_EQ(seen[size_t(x)], x) << "a permutation";
    EXPECT_GT(moved, 0) << "partners in the same row do swap";
    EXPECT_LT(moved, 30) << "most partners lie outside the one row";
}

TEST(Refraction, MapsFromADomeBendOutwardsSymmetrically) {
    const int n = 21;
    std::vector<uint8_t> bright(n * n, 137), weight(n * n, 255), relief(n * n, 0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double d = std::hypot(x - 10, y - 10) / 9.0;
            relief[size_t(y) * n + x] = uint8_t(d >= 1 ? 0 : 255 * std::sqrt(1 - d * d));
        }
    const RefractionMaps m = MakeRefractionMaps(n, n, bright, weight, relief, 1.9, -1020.0);
    ASSERT_EQ(m.width, n);
    EXPECT_EQ(m.brightness[0], 10);
    EXPECT_FLOAT_EQ(m.weight[0], 1.0f);
    const float left = m.dx[size_t(10) * n + 5], right = m.dx[size_t(10) * n + 15];
    EXPECT_NE(left, 0.0f);
    EXPECT_LT(left * right, 0.0f) << "opposite sides bend opposite ways";
    EXPECT_NEAR(m.dy[size_t(5) * n + 10], left, std::fabs(left) * 0.35f) << "the same in both directions";
    EXPECT_EQ(m.dx[0], 0.0f) << "the border is not written";
}
