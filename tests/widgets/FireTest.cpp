#include "Fire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace frostel::widgets;

TEST(FirePalette, RisesThroughItsKnownColours) {
    const auto& p = FirePalette();
    EXPECT_EQ(p[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(p[1], (Rgb{0, 0, 24}));
    EXPECT_EQ(p[7], (Rgb{0, 0, 40}));
    EXPECT_EQ(p[8], (Rgb{8, 0, 40}));
    EXPECT_EQ(p[23], (Rgb{128, 0, 0}));
    EXPECT_EQ(p[39].r, 180);
    EXPECT_EQ(p[55], (Rgb{244, 32, 0}));
    EXPECT_EQ(p[56], (Rgb{252, 36, 0}));
    EXPECT_EQ(p[72], (Rgb{252, 68, 250}));
    EXPECT_EQ(p[73], (Rgb{252, 68, 250}));
    EXPECT_EQ(p[74], (Rgb{252, 72, 250}));
    EXPECT_EQ(p[75], (Rgb{252, 72, 250}));
    EXPECT_EQ(p[136], (Rgb{252, 200, 0}));
    EXPECT_EQ(p[187], (Rgb{252, 252, 0}));
    EXPECT_EQ(p[188].b, 4);
    EXPECT_EQ(p[255], (Rgb{252, 252, 252}));
    for (int i = 1; i < 256; ++i) {
        EXPECT_GE(p[i].r, p[i - 1].r) << i;
        EXPECT_GE(p[i].g, p[i - 1].g) << i;
        if (i >= 56 && i <= 187 && (i < 72 || i > 75)) {
            EXPECT_EQ(p[i].b, 0) << i;
        }
    }
}

TEST(FireField, HeatRisesFromTheBottomRowOverAColdGuardRow) {
    FireField f(4, 3);
    for (int x = 0; x < 4; ++x) f.heat(x, 2) = 200;
    f.Rise();
    // Right to left along each row, bottom row first: the right neighbour has
    // already cooled, the row below the last is the cold guard row.
    EXPECT_EQ(f.heat(1, 2), 188) << "the source cools by 12 and takes nothing from below";
    EXPECT_EQ(f.heat(1, 1), ((200 + 200 + 188 + 0) >> 2) - 12);
    EXPECT_EQ(f.heat(0, 1), ((200 + 0 + 188 + 0) >> 2) - 12) << "no neighbour past the edge";
    EXPECT_GT(f.heat(1, 0), 0) << "the heat reaches the top within the step";
    for (int i = 0; i < 40; ++i) f.Rise();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_LE(f.heat(x, y), 12) << "without new heat the fire dies";
}

TEST(FireField, ReseedingHeatsOnlyTheMaskAndTheMarkIsClipped) {
    FireField f(16, 16);
    f.MaskDisc();
    f.Reseed();
    int hot = 0, outside = 0, hottest = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            hot += f.heat(x, y) > 0;
            if (!f.mask(x, y)) outside += f.heat(x, y);
            hottest = std::max<int>(hottest, f.heat(x, y));
        }
    EXPECT_GT(hot, 50);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(hottest, 255) << "a block's corner: 4 * 4 * 15.9375";
    EXPECT_EQ(f.heat(4, 4), 0) << "a block's centre";
    f.Reseed(1);
    EXPECT_EQ(f.heat(4, 3), 0) << "the blocks move a row up a step";
    EXPECT_NE(f.heat(4, 4), 0);

    f.Clear();
    f.Mark(1, 14);  // arms past two edges
    EXPECT_EQ(f.heat(0, 14), 255);
    EXPECT_EQ(f.heat(6, 14), 255);
    EXPECT_EQ(f.heat(1, 15), 255);
    EXPECT_EQ(f.heat(1, 9), 255);
    EXPECT_EQ(f.heat(7, 14), 0);
}

TEST(FireField, FlamesBlendOverTheFaceWithAWeightOfAtMostOne) {
    EXPECT_FLOAT_EQ(FireBlendWeight(255, true), 1.0f) << "255/382 + 0.5 would exceed 1";
    EXPECT_FLOAT_EQ(FireBlendWeight(0, true), 0.5f);
    EXPECT_FLOAT_EQ(FireBlendWeight(0, false), 0.0f);
    EXPECT_FLOAT_EQ(FireBlendWeight(51, false), 0.2f);

    FireField f(2, 1);
    f.mask(0, 0) = 1;
    f.heat(0, 0) = 0;
    f.heat(1, 0) = 136;
    std::vector<uint8_t> facePx(6, 100), outPx(6, 0);
    Canvas face(facePx.data(), 2, 1, 6), out(outPx.data(), 2, 1, 6);
    ComposeFire(f, false, face, out);
    EXPECT_EQ(out.Get(0, 0), (Rgb{100, 100, 100})) << "cold and dying: the face";
    EXPECT_EQ(out.Get(1, 0), FirePalette()[136]) << "outside the mask: the flame alone";
    ComposeFire(f, true, face, out);
    EXPECT_EQ(out.Get(0, 0), (Rgb{50, 50, 50})) << "burning: half over black";
}

TEST(Knob, DraggingCountsTurnsAndStopsAtItsLimits) {
    KnobState k;
    k.limited = false;
    const float c = 50.0f;
    // Counter-clockwise on the screen (the angle grows), across the top once.
    for (int step = 0; step <= 16; ++step) {
        const double t = step * 3.141592653589793 / 8.0 + 0.2;
        DragKnob(k, c + 30.0f * float(std::sin(t)), c + 30.0f * float(std::cos(t)), c, c);
    }
    EXPECT_GT(k.angle, 360.0f);
    EXPECT_FLOAT_EQ(k.turns, 1.0f);

    KnobState limited;
    limited.angleLow = 0.0f;
    limited.angleHigh = 270.0f;
    limited.rangeLow = 0.0f;
    limited.rangeHigh = 10.0f;
    limited.integer = true;
    for (int step = 0; step <= 16; ++step) {
        const double t = step * 3.141592653589793 / 8.0 + 0.2;
        DragKnob(limited, c + 30.0f * float(std::sin(t)), c + 30.0f * float(std::cos(t)), c, c);
    }
    EXPECT_FLOAT_EQ(limited.angle, 270.0f);
    EXPECT_FLOAT_EQ(limited.value, 10.0f);
    DragKnob(limited, c + 30.0f, c, c, c);  // level with the centre: nothing changes
    EXPECT_FLOAT_EQ(limited.angle, 270.0f);
}

TEST(Knob, ValueSetterByKind) {
    KnobState k;
    k.rangeLow = 10.0f;
    k.rangeHigh = 20.0f;
    k.angleLow = 0.0f;
    k.angleHigh = 300.0f;
    k.integer = true;
    SetKnobValue(k, 1, 15.7f);
    EXPECT_FLOAT_EQ(k.value, 15.0f);
    EXPECT_FLOAT_EQ(k.angle, 150.0f);
    SetKnobValue(k, 1, 99.0f);
    EXPECT_FLOAT_EQ(k.value, 20.0f) << "clamped into the range";
    SetKnobValue(k, 3, -750.0f);
    EXPECT_FLOAT_EQ(k.turns, -2.0f) << "whole turns toward zero";
    EXPECT_FLOAT_EQ(k.angle, -750.0f);
    SetKnobValue(k, 0, std::numeric_limits<float>::infinity());  // not finite: ignored
    EXPECT_FLOAT_EQ(k.angle, -750.0f);

    float x, y;
    KnobMarkPoint(0.0f, 100, 100, 8, &x, &y);
    EXPECT_NEAR(x, 50.0f, 1e-4);
    EXPECT_NEAR(y, 8.0f, 1e-4) << "angle 0 at the top";
    KnobMarkPoint(90.0f, 100, 100, 8, &x, &y);
    EXPECT_LT(x, 50.0f) << "growing counter-clockwise, as the drag turns it";
    KnobMarkPoint(90.0f, 100, 100, 8, &x, &y);
    EXPECT_NEAR(std::hypot(x - 50.0f, y - 50.0f), 42.0f, 1e-3);
}
