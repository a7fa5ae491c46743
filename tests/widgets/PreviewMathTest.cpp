#include "PreviewMath.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace frostel::widgets;

TEST(PreviewLayout, WidthIsAMultipleOfFourAndCentred) {
    PreviewLayout l = LayoutPreviewBitmap(800, 600, 401, 300);
    EXPECT_EQ(l.width, 400);
    EXPECT_EQ(l.height, 300);
    EXPECT_EQ(l.offsetX, 199);
    EXPECT_EQ(l.offsetY, 150);
    l = LayoutPreviewBitmap(300, 200, 1000, 1000);
    EXPECT_EQ(l.width, 300);
    EXPECT_EQ(l.height, 200);
    EXPECT_EQ(l.offsetX, 0) << "never negative";
    EXPECT_EQ(l.offsetY, 0);
}

namespace {
// One DIB row of width 4: 12 bytes.
std::vector<uint8_t> Convert(const PreviewSource& s, int w, int h) {
    std::vector<uint8_t> out(size_t(w) * 3 * h, 0xAB);
    ConvertPreviewPixels(s, w, h, out.data(), size_t(w) * 3);
    return out;
}
}  // namespace

TEST(PreviewPixels, ThreePlanesCopyBottomUpAsBgr) {
    // 4 x 2 pixels, RGB, rows padded to 16 bytes.
    std::vector<uint8_t> src(32, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = src.data() + y * 16 + x * 3;
            p[0] = uint8_t(10 * x + 1);
            p[1] = uint8_t(100 + y);
            p[2] = 200;
        }
    PreviewSource s;
    s.data = src.data();
    s.rowBytes = 16;
    s.planes = 3;
    s.width = 4;
    s.height = 2;
    auto out = Convert(s, 4, 2);
    // Source row 0 is the last DIB row.
    EXPECT_EQ(out[12 + 0], 200);
    EXPECT_EQ(out[12 + 1], 100);
    EXPECT_EQ(out[12 + 2], 1);
    EXPECT_EQ(out[12 + 3 * 3 + 2], 31);
    EXPECT_EQ(out[0 + 1], 101);
}

TEST(PreviewPixels, FourPlanesBlendOrMultiplyByAlpha) {
    uint8_t src[4 * 4] = {
        200, 100, 50, 255,   // opaque: copied
        200, 100, 50, 0,     // transparent
        200, 100, 50, 51,    // 20 %
        0, 0, 0, 128,
    };
    PreviewSource s;
    s.data = src;
    s.rowBytes = 16;
    s.planes = 4;
    s.width = 4;
    s.height = 1;
    auto out = Convert(s, 4, 1);
    EXPECT_EQ(out[0], 50);
    EXPECT_EQ(out[2], 200);
    EXPECT_EQ(out[3 + 2], 0) << "no background: multiplied by alpha";
    EXPECT_EQ(out[6 + 2], 40);
    EXPECT_EQ(out[6 + 1], 20);

    const uint8_t background[4 * 3] = {10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30};
    s.background = background;
    s.backgroundWidth = 4;
    s.backgroundHeight = 1;
    s.backgroundRowBytes = 12;
    out = Convert(s, 4, 1);
    EXPECT_EQ(out[3 + 0], 30) << "transparent shows the background (blue)";
    EXPECT_EQ(out[3 + 2], 10);
    EXPECT_EQ(out[6 + 2], (10 * 204 + 200 * 51 + 127) / 255);

    s.isCmyk = true;  // four CMYK planes carry no alpha: the background is not used
    out = Convert(s, 4, 1);
    EXPECT_EQ(out[3 + 2], 0);
    s.planes = 5;
    uint8_t five[5 * 4] = {0};
    five[5 + 3] = 0;
    s.data = five;
    s.rowBytes = 20;
    out = Convert(s, 4, 1);
    EXPECT_EQ(out[3 + 2], 10) << "with a fifth plane the background shows again";
}

TEST(PreviewPixels, SixteenBitRowsAreSteppedInBytes) {
    // 4 x 3 pixels of 3 planes, 16 bits: 24 bytes of pixels a row, rows 32 bytes apart.
    const int rowBytes = 32;
    std::vector<uint8_t> src(size_t(rowBytes) * 3, 0);
    auto put = [&](int x, int y, int c, uint16_t v) { std::memcpy(&src[y * rowBytes + (x * 3 + c) * 2], &v, 2); };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            put(x, y, 0, uint16_t(0x8000));          // full scale
            put(x, y, 1, uint16_t(y * 0x1000));      // row marker
            put(x, y, 2, uint16_t(0x0080 * x));      // 1 per x step
        }
    PreviewSource s;
    s.data = src.data();
    s.rowBytes = rowBytes;
    s.planes = 3;
    s.depth = 16;
    s.width = 4;
    s.height = 3;
    auto out = Convert(s, 4, 3);
    for (int y = 0; y < 3; ++y) {
        const uint8_t* row = out.data() + (2 - y) * 12;
        EXPECT_EQ(row[2], 255) << "0x8000 and above give 255";
        EXPECT_EQ(row[1], (y * 0x1000) >> 7) << "row " << y;
        EXPECT_EQ(row[3 * 3 + 0], 3);
    }
}

TEST(PreviewPixels, UnsupportedInputStaysBlack) {
    uint8_t grey[4] = {200, 200, 200, 200};
    PreviewSource s;
    s.data = grey;
    s.rowBytes = 4;
    s.planes = 1;
    s.width = 4;
    s.height = 1;
    auto out = Convert(s, 4, 1);
    for (uint8_t v : out) EXPECT_EQ(v, 0);
    s.planes = 3;
    s.depth = 32;
    out = Convert(s, 4, 1);
    for (uint8_t v : out) EXPECT_EQ(v, 0);
}

TEST(PreviewPercent, CentreAndCornerMapBothWays) {
    PreviewFrame f{400.0f, 300.0f, 0, 0, 0, 0};
    float x, y;
    ASSERT_TRUE(ClientToPercent(f, 200, 150, &x, &y));
    EXPECT_FLOAT_EQ(x, 0.0f);
    EXPECT_FLOAT_EQ(y, 0.0f);
    ASSERT_TRUE(ClientToPercent(f, 0, 0, &x, &y));
    EXPECT_FLOAT_EQ(x, -100.0f);
    EXPECT_FLOAT_EQ(y, 100.0f);
    ASSERT_TRUE(ClientToPercent(f, -20, -5, &x, &y));
    EXPECT_FLOAT_EQ(x, -100.0f) << "points left of the client count as its edge";

    // A scrolled view inside a centred bitmap.
    PreviewFrame g{1000.0f, 800.0f, 300, 200, 12, 7};
    ASSERT_TRUE(ClientToPercent(g, 250, 180, &x, &y));
    float sx, sy;
    PercentToClient(g, x, y, &sx, &sy);
    EXPECT_NEAR(sx, 250.0f, 1e-3);
    EXPECT_NEAR(sy, 180.0f, 1e-3);

    PreviewFrame empty{0.0f, 300.0f, 0, 0, 0, 0};
    EXPECT_FALSE(ClientToPercent(empty, 10, 10, &x, &y));
}

TEST(PreviewPercent, NavigatorFrameScales) {
    EXPECT_EQ(NavigatorFrameExtent(400, 0.25f, 2.0f), 201);
    EXPECT_EQ(NavigatorFrameExtent(0, 0.25f, 2.0f), 1);
}

// A frame of the whole image is drawn on the image's edges, not a pixel past
// them; a frame on part of it keeps its size; one dragged off it is cut to
// what it still covers, and one that misses it, or no image, stays as it is.
TEST(PreviewPercent, NavigatorFrameLiesOnItsImage) {
    auto text = [](FrameBox b) {
        return std::to_string(b.x) + "," + std::to_string(b.y) + " " + std::to_string(b.w) + "x" + std::to_string(b.h);
    };
    EXPECT_EQ(text(NavigatorFrameOnImage(0, 0, 114, 114, 112, 112)), "0,0 112x112");
    EXPECT_EQ(text(NavigatorFrameOnImage(10, 5, 60, 40, 112, 112)), "10,5 60x40");
    EXPECT_EQ(text(NavigatorFrameOnImage(-20, 90, 60, 40, 112, 112)), "0,90 40x22");
    EXPECT_EQ(text(NavigatorFrameOnImage(200, 0, 60, 40, 112, 112)), "200,0 60x40");
    EXPECT_EQ(text(NavigatorFrameOnImage(0, 0, 60, 40, 0, 0)), "0,0 60x40");
    EXPECT_EQ(text(NavigatorFrameOnImage(2147483600, 0, 100, 40, 112, 112)), "2147483600,0 100x40");
}

TEST(PreviewView, ViewIsClampedToTheZoomedImageAndCentredWhenSmaller) {
    // 100 x 80 at zoom 2 is 200 x 160: a 120 x 90 client shows part of it.
    PreviewView v = ClampPreviewView(120, 90, 100, 80, 2.0f, 150, -5);
    EXPECT_EQ(v.width, 120);
    EXPECT_EQ(v.height, 90);
    EXPECT_EQ(v.viewX, 80) << "right edge of the zoomed image";
    EXPECT_EQ(v.viewY, 0);
    EXPECT_EQ(v.offsetX, 0);
    // At zoom 0.5 the image (50 x 40) is smaller: all of it, centred.
    v = ClampPreviewView(120, 90, 100, 80, 0.5f, 30, 30);
    EXPECT_EQ(v.width, 48);
    EXPECT_EQ(v.height, 40);
    EXPECT_EQ(v.viewX, 2);
    EXPECT_EQ(v.viewY, 0);
    EXPECT_EQ(v.offsetX, 36);
    EXPECT_EQ(v.offsetY, 25);
    for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        v = ClampPreviewView(120, 90, 100, 80, bad, 0, 0);
        EXPECT_EQ(v.width * v.height, 0) << bad;
    }
}

TEST(PreviewView, CutTakesTheViewAtTheZoomBottomUp) {
    // 6 x 4 image, bottom-up rows (padded to 20 bytes); pixel (x, y) = (x, y, 7).
    const int w = 6, h = 4;
    const size_t row = 20;
    std::vector<uint8_t> src(row * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &src[size_t(h - 1 - y) * row + size_t(x) * 3];
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 7;
        }
    auto at = [](const std::vector<uint8_t>& d, const PreviewView& v, int c, int r) {
        const uint8_t* p = &d[size_t(v.height - 1 - r) * size_t(v.width) * 3 + size_t(c) * 3];
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    PreviewView v = ClampPreviewView(4, 2, w, h, 1.0f, 1, 2);
    std::vector<uint8_t> out(size_t(v.width) * 3 * size_t(v.height), 0);
    CutPreviewView(src.data(), w, h, row, 1.0f, v, out.data(), size_t(v.width) * 3);
    EXPECT_EQ(at(out, v, 0, 0), (std::array<int, 3>{1, 2, 7})) << "view origin at the top-left";
    EXPECT_EQ(at(out, v, 3, 1), (std::array<int, 3>{4, 3, 7}));
    // Zoom 2: each source pixel covers 2 x 2.
    v = ClampPreviewView(8, 4, w, h, 2.0f, 3, 1);
    out.assign(size_t(v.width) * 3 * size_t(v.height), 0);
    CutPreviewView(src.data(), w, h, row, 2.0f, v, out.data(), size_t(v.width) * 3);
    EXPECT_EQ(at(out, v, 0, 0), (std::array<int, 3>{1, 0, 7}));
    EXPECT_EQ(at(out, v, 1, 1), (std::array<int, 3>{2, 1, 7}));
    EXPECT_EQ(at(out, v, 7, 3), (std::array<int, 3>{5, 2, 7}));
}
