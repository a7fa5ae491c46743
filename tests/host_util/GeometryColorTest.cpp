#include "ColorModel.h"
#include "PixelOps.h"
#include "RectMath.h"
#include "TickTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace frostel::hostutil;

namespace {
void ExpectRect(const pi::Rect& r, int t, int l, int b, int rt) {
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.bottom, b);
    EXPECT_EQ(r.right, rt);
}
}  // namespace

TEST(RectMath, ScaleRectRoundsHalfUpInFloat) {
    pi::Rect r;
    ASSERT_TRUE(MakeRect16(&r, 0, 0, 101, 99));
    ASSERT_TRUE(ScaleRect(&r, 1, 2));
    ExpectRect(r, 0, 0, 51, 50);

    MakeRect16(&r, -3, 7, 20000, 32000);
    ScaleRect(&r, 3, 2);
    ExpectRect(r, -4, 11, 30000, 32767);  // -4.5 + 0.5 truncates to -4

    EXPECT_FALSE(ScaleRect(&r, 1, 0));
    EXPECT_FALSE(ScaleRect(nullptr, 1, 2));
    EXPECT_FALSE(MakeRect16(nullptr, 0, 0, 1, 1));
}

TEST(RectMath, ScaleFactorTakesTheLargerRatio) {
    pi::Rect a{0, 0, 100, 300}, b{0, 0, 50, 200};
    float f = 0;
    ASSERT_TRUE(ScaleRectFactor(&a, &b, &f));
    EXPECT_FLOAT_EQ(f, 2.0f);
    pi::Rect c{10, 10, 10, 60};
    f = -1;
    EXPECT_FALSE(ScaleRectFactor(&a, &c, &f));
    EXPECT_EQ(f, -1);
}

TEST(RectMath, InsetOffsetContainsRatio) {
    pi::Rect r{10, 20, 50, 80};
    InsetRect16(r, 5, 2);
    ExpectRect(r, 12, 25, 48, 75);
    OffsetRect16(r, -25, 3);
    ExpectRect(r, 15, 0, 51, 50);

    pi::Rect box{0, 0, 10, 10};
    EXPECT_TRUE(PointInRect16(pi::Point{0, 0}, box));
    EXPECT_TRUE(PointInRect16(pi::Point{9, 9}, box));
    EXPECT_FALSE(PointInRect16(pi::Point{10, 5}, box));
    EXPECT_FALSE(PointInRect16(pi::Point{5, 10}, box));
    EXPECT_FALSE(PointInRect16(pi::Point{-1, 5}, box));

    pi::Rect s{-7, 3, 101, 99};
    ASSERT_TRUE(ScaleRectRatio(s, 1, 2));
    ExpectRect(s, -3, 1, 50, 49);
    EXPECT_FALSE(ScaleRectRatio(s, 1, 0));

    pi::VRect v{1, 2, 70000, 4}, w{};
    EXPECT_TRUE(CopyVRect(&w, &v));
    EXPECT_EQ(w.bottom, 70000);
    EXPECT_FALSE(CopyVRect(nullptr, &v));
}

TEST(RectMath, CenterOverKeepsTheWindowOnScreen) {
    pi::VRect screen{0, 0, 768, 1024};
    pi::VRect win{0, 0, 200, 300};
    pi::VPoint p = CenterOver(win, pi::VRect{100, 100, 500, 700}, screen);
    EXPECT_EQ(p.v, 200);
    EXPECT_EQ(p.h, 250);
    p = CenterOver(win, pi::VRect{700, 900, 760, 1020}, screen);  // parent near the corner
    EXPECT_EQ(p.v, 568);
    EXPECT_EQ(p.h, 724);
    p = CenterOver(pi::VRect{0, 0, 1000, 2000}, screen, screen);  // larger than the screen
    EXPECT_EQ(p.v, 0);
    EXPECT_EQ(p.h, 0);
}

TEST(ColorModel, HlsRoundNumbers) {
    auto expect = [](int h, int l, int s, int r, int g, int b) {
        Rgb8 c = HlsToRgb(h, l, s);
        EXPECT_EQ(c.r, r) << h << "," << l << "," << s;
        EXPECT_EQ(c.g, g) << h << "," << l << "," << s;
        EXPECT_EQ(c.b, b) << h << "," << l << "," << s;
    };
    expect(0, 120, 240, 255, 0, 0);
    expect(80, 120, 240, 0, 255, 0);
    expect(160, 120, 240, 0, 0, 255);
    expect(40, 120, 240, 255, 255, 0);
    expect(0, 240, 0, 255, 255, 255);
    expect(123, 0, 240, 0, 0, 0);
    expect(0, 120, 0, 127, 127, 127);
    expect(0, 60, 240, 128, 0, 0);
    expect(-5, 400, 240, 255, 255, 255);  // clamped
}

TEST(ColorModel, HueSectorStep) {
    EXPECT_EQ(HueToComponent(0, 240, 20), 120);   // rising sixth
    EXPECT_EQ(HueToComponent(0, 240, 100), 240);  // flat
    EXPECT_EQ(HueToComponent(0, 240, 140), 120);  // falling
    EXPECT_EQ(HueToComponent(0, 240, 200), 0);
    EXPECT_EQ(HueToComponent(0, 240, -220), 120);  // wraps
}

TEST(PixelOps, AlphaAndDirection) {
    unsigned char px[12] = {1, 2, 3, 0, 4, 5, 6, 7, 8, 9, 10, 11};
    SetAlphaOpaque(px, 2);
    EXPECT_EQ(px[3], 255);
    EXPECT_EQ(px[7], 255);
    EXPECT_EQ(px[11], 11) << "third pixel untouched";
    EXPECT_EQ(px[6], 6);

    Direction d = UnitDirection(1, 1, 4, 5);
    EXPECT_DOUBLE_EQ(d.x, 0.6);
    EXPECT_DOUBLE_EQ(d.y, 0.8);
    d = UnitDirection(2, 2, 2, 2);
    EXPECT_EQ(d.x, 0.0);
    EXPECT_EQ(d.y, 0.0);
}

namespace {
pi::ColorServicesInfo gSeen;
pi::OSErr gColorResult;
pi::OSErr FakeColorServices(pi::ColorServicesInfo* info) {
    gSeen = *info;
    for (auto& c : info->colorComponents) c = pi::int16(c + 1);
    return gColorResult;
}
}  // namespace

TEST(PixelOps, ConvertModeColorGoesThroughTheCallback) {
    pi::int16 c[4] = {10, 20, 30, 40};
    EXPECT_EQ(ConvertModeColor(nullptr, pi::plugInModeCMYKColor, 0, c), pi::errPlugInHostInsufficient);
    EXPECT_EQ(ConvertModeColor(FakeColorServices, pi::plugInModeCMYKColor, 0, nullptr),
              pi::errMissingParameter);

    gColorResult = pi::noErr;
    ASSERT_EQ(ConvertModeColor(FakeColorServices, pi::plugInModeCMYKColor,
                               pi::plugIncolorServicesRGBSpace, c), pi::noErr);
    EXPECT_EQ(gSeen.selector, pi::plugIncolorServicesConvertColor);
    EXPECT_EQ(gSeen.sourceSpace, pi::plugIncolorServicesCMYKSpace);
    EXPECT_EQ(gSeen.resultSpace, pi::plugIncolorServicesRGBSpace);
    EXPECT_EQ(gSeen.infoSize, pi::int32(sizeof(pi::ColorServicesInfo)));
    EXPECT_EQ(c[0], 11);
    EXPECT_EQ(c[3], 41);

    gColorResult = -1;
    EXPECT_EQ(ConvertModeColor(FakeColorServices, pi::plugInModeLabColor, 0, c), -1);
    EXPECT_EQ(gSeen.sourceSpace, pi::plugIncolorServicesLabSpace);
    EXPECT_EQ(c[0], 11) << "a failed conversion leaves the colour alone";
}

namespace {
uint32_t gFakeMs;
uint32_t FakeTicks() { return gFakeMs; }
}  // namespace

TEST(TickTime, SixtiethsFromTheTickSource) {
    SetTickSource(FakeTicks);
    gFakeMs = 1700;
    EXPECT_EQ(TickCount60(), 100u);
    gFakeMs = 16;
    EXPECT_EQ(TickCount60(), 0u);
    gFakeMs = 0xFFFFFFFFu;
    EXPECT_EQ(TickCount60(), 0xFFFFFFFFu / 17);
    SetTickSource(nullptr);
    uint32_t a = TickCount60();
    EXPECT_GE(TickCount60(), a);
}
