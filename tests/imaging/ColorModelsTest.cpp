#include "ColorModels.h"

#include "ColorModel.h"
#include "FilePath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace frostel {
namespace {

// Visits a lattice of colours that includes every grey and both ends of
// each channel.
template <typename Visit>
void ForColours(Visit visit) {
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 5)
                visit(Rgb{uint8_t(r), uint8_t(g), uint8_t(b)});
    for (int v = 0; v < 256; ++v) visit(Rgb{uint8_t(v), uint8_t(v), uint8_t(v)});
}

int Distance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

TEST(ColorModels, HslDoubleKnownColours) {
    const Rgb red = HslDoubleToRgb(0.0, 1.0, 0.5);
    EXPECT_EQ(red.r, 255);
    EXPECT_EQ(red.g, 0);
    EXPECT_EQ(red.b, 0);
    const HslDouble blue = RgbToHslDouble(Rgb{0, 0, 255});
    EXPECT_NEAR(blue.h, 2.0 / 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(blue.s, 1.0);
    EXPECT_DOUBLE_EQ(blue.l, 0.5);
    const HslDouble grey = RgbToHslDouble(Rgb{77, 77, 77});
    EXPECT_EQ(grey.h, 0.0);
    EXPECT_EQ(grey.s, 0.0);
    const Rgb back = HslDoubleToRgb(0.3, 0.0, 0.5);
    EXPECT_EQ(back.r, 127);  // grey is truncated, not rounded
}

TEST(ColorModels, HslDoubleRoundTripWithinTruncation) {
    int worst = 0;
    ForColours([&](Rgb c) {
        const HslDouble hsl = RgbToHslDouble(c);
        ASSERT_GE(hsl.h, 0.0);
        ASSERT_LT(hsl.h, 1.0);
        worst = std::max(worst, Distance(c, HslDoubleToRgb(hsl.h, hsl.s, hsl.l)));
    });
    EXPECT_LE(worst, 1);
}

TEST(ColorModels, HlsOnTheSystemScale) {
    auto expect = [](Rgb c, int h, int l, int s) {
        const Hls v = RgbToHls(c);
        EXPECT_EQ(v.h, h) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_EQ(v.l, l);
        EXPECT_EQ(v.s, s);
    };
    expect(Rgb{255, 0, 0}, 0, 120, 240);
    expect(Rgb{0, 255, 0}, 80, 120, 240);
    expect(Rgb{0, 0, 255}, 160, 120, 240);
    expect(Rgb{255, 255, 0}, 40, 120, 240);
    expect(Rgb{255, 255, 255}, 160, 240, 0);
    expect(Rgb{128, 128, 128}, 160, 120, 0);
    expect(Rgb{0, 0, 0}, 160, 0, 0);
}

// Back through the host layer's inverse. Half a hue step of the 0..240
// scale is about 3.2 levels of a saturated channel, plus the lightness step.
TEST(ColorModels, HlsRoundTripThroughTheHostInverse) {
    int worst = 0;
    ForColours([&](Rgb c) {
        const Hls v = RgbToHls(c);
        ASSERT_TRUE(v.h >= 0 && v.h <= 240 && v.l >= 0 && v.l <= 240 && v.s >= 0 && v.s <= 240);
        const hostutil::Rgb8 back = hostutil::HlsToRgb(v.h, v.l, v.s);
        worst = std::max(worst, Distance(c, Rgb{back.r, back.g, back.b}));
    });
    EXPECT_LE(worst, 4);
}

TEST(ColorModels, CmykTakesBlackOutOfTheComplements) {
    ForColours([](Rgb c) {
        const Cmyk k = RgbToCmyk(c);
        ASSERT_EQ(k.k, 255 - std::max({c.r, c.g, c.b}));
        ASSERT_EQ(k.c + k.k, 255 - c.r);
        ASSERT_EQ(k.m + k.k, 255 - c.g);
        ASSERT_EQ(k.y + k.k, 255 - c.b);
        ASSERT_EQ(std::min({k.c, k.m, k.y}), 0);
    });
}

TEST(ColorModels, SharedExponentDecodesWithinOneMantissaStep) {
    const Rgbe one = FloatToRgbe(1.0f, 0.5f, 0.0f);
    EXPECT_EQ(one.r, 128);
    EXPECT_EQ(one.g, 64);
    EXPECT_EQ(one.b, 0);
    EXPECT_EQ(one.e, 129);
    const Rgbe tiny = FloatToRgbe(1e-33f, 0.0f, 5e-33f);
    EXPECT_EQ(tiny.r | tiny.g | tiny.b | tiny.e, 0);
    for (float v : {1e-20f, 0.003f, 0.7f, 1.0f, 3.25f, 1000.0f, 6.5e6f}) {
        const float r = v, g = v * 0.37f, b = v * 0.91f;
        const Rgbe code = FloatToRgbe(r, g, b);
        const double f = std::ldexp(1.0, code.e - (128 + 8));
        const double largest = std::max({r, g, b});
        EXPECT_NEAR(code.r * f, r, largest / 128) << v;
        EXPECT_NEAR(code.g * f, g, largest / 128) << v;
        EXPECT_NEAR(code.b * f, b, largest / 128) << v;
    }
}

TEST(ColorModels, HsvOnTheByteHueScale) {
    const Hsv red = RgbToHsv(Rgb{255, 0, 0});
    EXPECT_EQ(red.h, 0);
    EXPECT_EQ(red.s, 255);
    EXPECT_EQ(red.v, 255);
    EXPECT_EQ(RgbToHsv(Rgb{0, 200, 0}).h, 85);
    EXPECT_EQ(RgbToHsv(Rgb{0, 0, 9}).h, 170);
    EXPECT_EQ(RgbToHsv(Rgb{255, 0, 1}).h, 0);  // wraps round instead of 255
    const Hsv grey = RgbToHsv(Rgb{40, 40, 40});
    EXPECT_EQ(grey.s, 0);
    EXPECT_EQ(grey.v, 40);
    int worst = 0;
    ForColours([&](Rgb c) { worst = std::max(worst, Distance(c, HsvToRgb(RgbToHsv(c)))); });
    EXPECT_LE(worst, 3);
}

TEST(FilePath, SeparatorOnlyWhenMissingAndLengthBounded) {
    EXPECT_STREQ(JoinFilePath("C:\\Presets", "a.frlpst"), "C:\\Presets\\a.frlpst");
    EXPECT_STREQ(JoinFilePath("C:\\Presets\\", "a.frlpst"), "C:\\Presets\\a.frlpst");
    EXPECT_STREQ(JoinFilePath("dir/", "a"), "dir/a");
    EXPECT_STREQ(JoinFilePath("", "a"), "a");
    EXPECT_EQ(JoinFilePath(nullptr, "a"), nullptr);
    const std::string longest(kMaxFilePath - 3, 'x');
    const char* fits = JoinFilePath(longest.c_str(), "y");
    ASSERT_NE(fits, nullptr);
    EXPECT_EQ(std::strlen(fits), kMaxFilePath - 1);
    EXPECT_EQ(JoinFilePath(longest.c_str(), "yz"), nullptr);
    EXPECT_EQ(JoinFilePath("a", std::string(1000, 'n').c_str()), nullptr);
}

}  // namespace
}  // namespace frostel
