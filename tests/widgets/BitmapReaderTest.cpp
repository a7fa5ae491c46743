#include "BitmapReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "BitmapFile.h"

using namespace frostel;
using namespace frostel::widgets;

namespace {
// A w x h 24-bit file whose pixel (x, y) has red 10x, green 10y.
std::vector<uint8_t> File(int w, int h) {
    std::vector<uint8_t> rgba(size_t(w) * h * 4, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rgba[(size_t(y) * w + x) * 4] = uint8_t(10 * x);
            rgba[(size_t(y) * w + x) * 4 + 1] = uint8_t(10 * y);
            rgba[(size_t(y) * w + x) * 4 + 2] = 0;
        }
    return hostutil::EncodeBmp(rgba.data(), w, h, size_t(w) * 4);
}
void Put32(std::vector<uint8_t>& f, size_t at, int32_t v) { std::memcpy(&f[at], &v, 4); }
void Put16(std::vector<uint8_t>& f, size_t at, int16_t v) { std::memcpy(&f[at], &v, 2); }
}  // namespace

TEST(BitmapReader, ReducesByTheLargerWholeFactor) {
    const auto f = File(8, 6);
    ReducedBitmap r;
    ASSERT_TRUE(ReduceBitmapBytes(f.data(), f.size(), 4, 4, &r));
    EXPECT_EQ(r.factor, 2) << "max(8 / 4, 6 / 4)";
    EXPECT_EQ(r.width, 4);
    EXPECT_EQ(r.height, 3);
    EXPECT_EQ(r.pixels[0], (Rgb{5, 5, 0})) << "the mean of a 2 x 2 block, top row first";
    EXPECT_EQ(r.pixels[size_t(2) * 4 + 3], (Rgb{65, 45, 0}));
    ASSERT_TRUE(ReduceBitmapBytes(f.data(), f.size(), 100, 100, &r));
    EXPECT_EQ(r.factor, 1) << "never enlarged";
    EXPECT_EQ(r.width, 8);
}

TEST(BitmapReader, RefusesTruncatedAndHostileHeaders) {
    const auto good = File(8, 6);
    ReducedBitmap r;
    auto refused = [&](std::vector<uint8_t> f, const char* what) {
        EXPECT_FALSE(ReduceBitmapBytes(f.data(), f.size(), 4, 4, &r)) << what;
        EXPECT_EQ(r.factor, 1) << what;
        EXPECT_TRUE(r.pixels.empty()) << what;
    };
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 30), "cut inside the headers");
    refused(std::vector<uint8_t>(good.begin(), good.end() - 10), "cut inside the pixels");
    auto f = good;
    Put32(f, 18, 1 << 20);
    refused(f, "a width far past the data");
    f = good;
    Put32(f, 22, -(1 << 30));
    refused(f, "a height far past the data");
    f = good;
    Put32(f, 10, int32_t(good.size() + 100));
    refused(f, "pixels said to start past the end");
    f = good;
    Put16(f, 28, 7);
    refused(f, "7 bits a pixel");
    f = good;
    f[0] = 'X';
    refused(f, "no bitmap signature");
    refused({}, "nothing");
    EXPECT_FALSE(ReadReducedBitmapFile("/nonexistent/skin.bmp", 4, 4, &r));
    EXPECT_EQ(r.factor, 1);
}
