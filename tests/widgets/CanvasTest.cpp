#include "Canvas.h"

#include <gtest/gtest.h>

#include <vector>

using namespace frostel::widgets;

namespace {
struct Buffer {
    Buffer(int w, int h, Rgb fill) : pixels(size_t(w) * h * 3), canvas(pixels.data(), w, h, ptrdiff_t(w) * 3) {
        canvas.Fill(fill);
    }
    int Count(Rgb c) const {
        int n = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) n += canvas.Get(x, y) == c;
        return n;
    }
    std::vector<uint8_t> pixels;
    Canvas canvas;
};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
}  // namespace

TEST(Canvas, PixelsAreStoredBlueGreenRedAndClipped) {
    Buffer b(4, 3, kBlack);
    b.canvas.Set(1, 2, Rgb{10, 20, 30});
    const uint8_t* p = b.pixels.data() + 2 * 12 + 3;
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    b.canvas.Set(-1, 0, kWhite);
    b.canvas.Set(4, 0, kWhite);
    b.canvas.Set(0, 3, kWhite);
    EXPECT_EQ(b.Count(kWhite), 0);
    EXPECT_EQ(b.canvas.Get(9, 9), kBlack);
}

TEST(Canvas, BlendAndGreyMix) {
    Buffer b(2, 1, Rgb{0, 100, 200});
    BlendSetPixel(b.canvas, 0, 0, 51, Rgb{0, 0, 0}, Rgb{255, 255, 255});
    EXPECT_EQ(b.canvas.Get(0, 0), (Rgb{51, 51, 51}));
    BlendSetPixel(b.canvas, 0, 0, 999, Rgb{0, 0, 0}, Rgb{10, 20, 30});
    EXPECT_EQ(b.canvas.Get(0, 0), (Rgb{10, 20, 30})) << "weight clamped to 255";
    MixPixelWithGrey(b.canvas, 1, 0, 255);
    EXPECT_EQ(b.canvas.Get(1, 0), (Rgb{192, 192, 192}));
    b.canvas.Set(1, 0, Rgb{0, 100, 200});
    MixPixelWithGrey(b.canvas, 1, 0, -5);
    EXPECT_EQ(b.canvas.Get(1, 0), (Rgb{0, 100, 200}));
}

TEST(Markers, EachPixelOfTheCrossIsInvertedOnce) {
    Buffer b(60, 60, kBlack);
    DrawMarkerCross(b.canvas, 30, 30, 0);
    // Arms of 41 pixels each, sharing the centre; the square's 80 outline
    // pixels, four of which the arms cross.
    EXPECT_EQ(b.Count(kWhite), 41 + 40 + 80 - 4);
    EXPECT_EQ(b.canvas.Get(30, 30), kWhite);
    EXPECT_EQ(b.canvas.Get(40, 30), kWhite) << "arm and square meet: still inverted";
    EXPECT_EQ(b.canvas.Get(50, 30), kWhite);
    EXPECT_EQ(b.canvas.Get(51, 30), kBlack);

    DrawMarkerCross(b.canvas, 30, 30, 0);
    EXPECT_EQ(b.Count(kWhite), 0) << "drawing twice restores the image";

    Buffer c(60, 60, kBlack);
    DrawMarkerCross(c.canvas, 30, 30, 1);
    EXPECT_EQ(c.canvas.Get(10, 30), kWhite);
    EXPECT_EQ(c.canvas.Get(30, 10), kWhite);
    EXPECT_EQ(c.canvas.Get(50, 30), kBlack);
    EXPECT_EQ(c.canvas.Get(30, 50), kBlack);
    Buffer d(60, 60, kBlack);
    DrawMarkerCross(d.canvas, 30, 30, 3);
    EXPECT_EQ(d.canvas.Get(50, 30), kWhite);
    EXPECT_EQ(d.canvas.Get(30, 10), kWhite);
    EXPECT_EQ(d.canvas.Get(30, 50), kBlack);

    Buffer e(10, 10, kBlack);
    DrawMarkerCross(e.canvas, 0, 0, 0);  // clipped at the corner
    EXPECT_EQ(e.canvas.Get(0, 0), kWhite);
}

TEST(Markers, NavigatorFrameEdgesAreClipped) {
    Buffer b(20, 20, kBlack);
    InvertFrameEdges(b.canvas, 2, 3, 10, 5);
    EXPECT_EQ(b.Count(kWhite), 2 * 10 + 2 * 3);
    EXPECT_EQ(b.canvas.Get(2, 3), kWhite);
    EXPECT_EQ(b.canvas.Get(11, 7), kWhite);
    EXPECT_EQ(b.canvas.Get(5, 5), kBlack);

    Buffer c(20, 20, kBlack);
    InvertFrameEdges(c.canvas, -5, -5, 100, 100);
    EXPECT_EQ(c.Count(kWhite), 0) << "every edge outside";
    InvertFrameEdges(c.canvas, 10, 10, 100, 100);
    EXPECT_EQ(c.Count(kWhite), 10 + 9);
}

TEST(DialFaces, SphereIsLitFromTheLight) {
    Buffer b(61, 61, Rgb{232, 232, 232});
    SphereLook look;
    look.around = 0.0f;     // to the right
    look.elevation = 30.0f;
    PaintDialSphere(b.canvas, look);
    Rgb right = b.canvas.Get(50, 30), left = b.canvas.Get(10, 30);
    EXPECT_GT(int(right.r), int(left.r) + 60) << "the lit side is brighter";
    EXPECT_EQ(b.canvas.Get(0, 0), (Rgb{232, 232, 232})) << "corners keep the background";

    look.around = 90.0f;    // upwards
    PaintDialSphere(b.canvas, look);
    EXPECT_GT(int(b.canvas.Get(30, 10).g), int(b.canvas.Get(30, 50).g) + 60);
}

TEST(DialFaces, TextureSamplesStayInsideForLargeDials) {
    std::vector<uint8_t> texture(72 * 72 * 3, 255);
    Buffer b(300, 300, kBlack);
    SphereLook look;
    look.texture = texture.data();
    PaintDialSphere(b.canvas, look);  // radius 150: far past the texture (ASan checks reads)
    EXPECT_NE(b.canvas.Get(150, 150), kBlack);
}

TEST(DialFaces, PadCrossFollowsTheAngles) {
    Buffer b(81, 81, Rgb{232, 232, 232});
    SphereLook look;
    look.pad = true;
    look.elevation = 90.0f;
    PaintDialSphere(b.canvas, look);
    EXPECT_EQ(b.canvas.Get(40, 40), kBlack) << "the cross at the centre";
    EXPECT_EQ(b.canvas.Get(44, 40), kBlack);
    EXPECT_EQ(b.canvas.Get(37, 40), kBlack);

    look.enabled = false;
    look.around = 0.0f;
    look.elevation = 0.0f;
    PaintDialSphere(b.canvas, look);
    float px, py;
    SpherePoint(look, 81, 81, &px, &py);
    EXPECT_NEAR(px, 81.0f, 0.01);
    EXPECT_EQ(b.canvas.Get(78, 40), (Rgb{127, 127, 127})) << "grey cross when disabled";
}

TEST(DialFaces, TurnDialDrawsDiscAndKnob) {
    Buffer b(80, 80, kBlack);
    TurnDialLook look;
    look.angle = 90.0f;
    look.knobSize = 6;
    PaintTurnDial(b.canvas, look);
    EXPECT_EQ(b.canvas.Get(40, 40), look.face) << "disc filled with the face colour";
    EXPECT_EQ(b.canvas.Get(1, 1), look.background);
    // Knob at the right: (40 + 34, 40); its cross in the line colour.
    EXPECT_EQ(b.canvas.Get(74 - 4, 40), look.line);
    EXPECT_EQ(b.canvas.Get(74, 40 - 3), look.line);

    look.enabled = false;
    PaintTurnDial(b.canvas, look);
    EXPECT_EQ(b.canvas.Get(70, 40), (Rgb{127, 127, 127}));
}

TEST(DialFaces, AntiAliasedEllipseStaysInItsBox) {
    Buffer b(40, 40, kBlack);
    DrawEllipseAA(b.canvas, 20.0f, 20.0f, 10.0f, 5.0f, 255, true, Rgb{100, 100, 100}, kWhite);
    EXPECT_EQ(b.canvas.Get(20, 20), (Rgb{100, 100, 100}));
    EXPECT_EQ(b.canvas.Get(30, 20), kWhite) << "on the curve";
    EXPECT_EQ(b.canvas.Get(20, 15), kWhite);
    EXPECT_EQ(b.canvas.Get(32, 20), kBlack);
    EXPECT_EQ(b.canvas.Get(20, 27), kBlack);
}
