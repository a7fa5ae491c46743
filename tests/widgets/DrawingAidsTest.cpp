#include "DrawingAids.h"

#include <gtest/gtest.h>

#include "TestFrame.h"

#include <cmath>
#include <vector>

using namespace frostel::widgets;

namespace {
using Frame = TestFrame;
constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};
}  // namespace

TEST(DrawingAids, CircleTouchesOnlyItsRingInAllEightOctants) {
    Frame f(41, 41, kBlack);
    DrawCircleAA(f.canvas, 20, 20, 15, PlotMode::MixGrey);
    int touched = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            if (f.canvas.Get(x, y) == kBlack) continue;
            ++touched;
            EXPECT_NEAR(std::hypot(x - 20, y - 20), 15.0, 1.5) << x << "," << y;
            EXPECT_EQ(f.canvas.Get(40 - x, y), f.canvas.Get(x, y)) << "mirrored";
            EXPECT_EQ(f.canvas.Get(y, x), f.canvas.Get(x, y)) << "mirrored across the diagonal";
        }
    EXPECT_GT(touched, 80);
    EXPECT_EQ(f.canvas.Get(35, 20), (Rgb{192, 192, 192})) << "on the curve: full weight";

    Frame s(41, 41, kBlack);
    DrawCircleAA(s.canvas, 38, 20, 15, PlotMode::Set, kWhite);  // half outside: clipped
    EXPECT_EQ(s.canvas.Get(23, 20), kWhite);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            const Rgb p = s.canvas.Get(x, y);
            EXPECT_TRUE(p == kBlack || p == kWhite) << "set mode writes the colour alone";
        }
}

TEST(DrawingAids, QuarterRampAndLine) {
    Frame f(20, 20, kWhite);
    DrawQuarterRamp(f.canvas, 2, 2, 10);
    EXPECT_EQ(f.canvas.Get(2, 2), kWhite) << "255 at the centre";
    EXPECT_EQ(f.canvas.Get(8, 2).r, 102) << "255 x (1 - 6 / 10)";
    EXPECT_EQ(f.canvas.Get(11, 11), kBlack) << "0 past the radius";
    EXPECT_EQ(f.canvas.Get(1, 1), kWhite) << "only right of and below the centre";

    Frame l(20, 20, kBlack);
    DrawLineAA(l.canvas, 2.0f, 3.0f, 17.0f, 3.0f);
    EXPECT_EQ(l.canvas.Get(10, 3), (Rgb{192, 192, 192}));
    EXPECT_EQ(l.canvas.Get(10, 4), kBlack);
    DrawLineAA(l.canvas, 5.0f, 0.0f, 5.0f, 19.0f);  // steep
    EXPECT_EQ(l.canvas.Get(5, 12), (Rgb{192, 192, 192}));
    EXPECT_EQ(l.canvas.Get(6, 12), kBlack);
}
