#include "Glass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace frostel::widgets;

namespace {
Sprite Solid(int w, int h, Rgb c, uint8_t m = 255) {
    Sprite s;
    s.width = w;
    s.height = h;
    s.pixels.assign(size_t(w) * h, c);
    s.mask.assign(size_t(w) * h, m);
    return s;
}
struct Frame {
    Frame(int w, int h) : px(size_t(w) * h * 3, 0), canvas(px.data(), w, h, ptrdiff_t(w) * 3) {}
    std::vector<uint8_t> px;
    Canvas canvas;
};
constexpr Rgb kRed{255, 0, 0};
}  // namespace

TEST(GlassSprites, TurnedSpritesKeepTheirShapeAndLeaveTheCornersClear) {
    Sprite bar = Solid(21, 21, kRed, 0);
    for (int x = 0; x < 21; ++x) bar.mask[size_t(10) * 21 + x] = 255;  // a horizontal bar
    const Sprite turned = RotateSprite(bar, 3.14159265358979323846 / 2);
    EXPECT_EQ(turned.mask[size_t(2) * 21 + 10], 255) << "now vertical";
    EXPECT_EQ(turned.pixels[size_t(2) * 21 + 10], kRed);
    EXPECT_EQ(turned.mask[size_t(10) * 21 + 2], 0);

    const Sprite square = RotateSprite(Solid(20, 20, kRed), 3.14159265358979323846 / 4);
    EXPECT_EQ(square.mask[0], 0) << "samples from outside the source are transparent";
    EXPECT_EQ(square.mask[size_t(10) * 20 + 10], 255);
}

TEST(GlassSprites, BlendingIsClippedAndWeightedByTheMask) {
    Frame f(10, 10);
    BlendSprite(f.canvas, Solid(8, 8, kRed), 6, -4);  // past two edges (ASan checks the writes)
    EXPECT_EQ(f.canvas.Get(9, 0), kRed);
    EXPECT_EQ(f.canvas.Get(6, 3), kRed);
    EXPECT_EQ(f.canvas.Get(5, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(f.canvas.Get(6, 4), (Rgb{0, 0, 0}));
    BlendSprite(f.canvas, Solid(4, 4, Rgb{0, 0, 200}, 128), 0, 6);
    EXPECT_EQ(f.canvas.Get(1, 7), (Rgb{0, 0, 100}));
    BlendSprite(f.canvas, Solid(4, 4, kRed), 40, 40);  // wholly outside
}

TEST(GlassGlow, RisesWhileHoveredFallsAfterAndSpins) {
    GlowState g;
    for (int i = 0; i < 16; ++i) StepGlow(g, true);
    EXPECT_NEAR(g.glow, 0.96f, 1e-4);
    StepGlow(g, true);
    EXPECT_FLOAT_EQ(g.glow, 1.0f);
    StepGlow(g, true);
    EXPECT_FLOAT_EQ(g.glow, 1.0f) << "no more than 1";
    const float spin = g.spin;
    StepGlow(g, false);
    EXPECT_FLOAT_EQ(g.glow, 0.98f);
    EXPECT_FLOAT_EQ(g.spin, spin + 0.98f);
    g.spin = 359.5f;
    StepGlow(g, false);
    EXPECT_LT(g.spin, 1.0f) << "wraps at 360";
    for (int i = 0; i < 60; ++i) StepGlow(g, false);
    EXPECT_FLOAT_EQ(g.glow, 0.0f);
    const float still = g.spin;
    StepGlow(g, false);
    EXPECT_FLOAT_EQ(g.spin, still) << "no glow, no spin";
}

TEST(GlassFrame, MarkerFollowsTheAngleAndTheHighlightNeedsGlow) {
    GlassSkins skins;
    skins.marker = Solid(4, 4, kRed);
    skins.highlight = Solid(84, 84, Rgb{255, 255, 255}, 100);
    GlassLook look;
    look.kind = 1;
    look.background = Rgb{0, 0, 0};
    look.angle = 0.0f;
    Frame f(84, 84);
    RenderGlass(f.canvas, look, skins);
    EXPECT_EQ(f.canvas.Get(42, 0), kRed) << "angle 0: the marker on the rim at the top";
    EXPECT_EQ(f.canvas.Get(42, 42), (Rgb{0, 0, 0})) << "no glow: no highlight";
    look.angle = 90.0f;
    look.inset = 8;
    RenderGlass(f.canvas, look, skins);
    EXPECT_EQ(f.canvas.Get(42, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(f.canvas.Get(8, 42), kRed) << "a quarter turn: on the left, 8 in from the rim";
    look.glow.glow = 1.0f;
    RenderGlass(f.canvas, look, skins);
    const Rgb lit = f.canvas.Get(42, 60);
    EXPECT_EQ(lit, (Rgb{70, 100, 50})) << "the mask by the glow weights 0.7, 1, 0.5";
}
