#include "BitmapFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace frostel::hostutil;

namespace {

std::string TempPath(const char* name) {
    return testing::TempDir() + name;
}

std::vector<uint8_t> Pattern(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * size_t(h) * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * size_t(w) + size_t(x)) * 4];
            p[0] = uint8_t(x * 40);
            p[1] = uint8_t(y * 50);
            p[2] = uint8_t(x + y);
            p[3] = 255;
        }
    return px;
}

// Little-endian writers for hand-made DIBs.
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
std::vector<uint8_t> InfoHeader(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t clrUsed) {
    std::vector<uint8_t> v;
    Put32(v, 40);
    Put32(v, uint32_t(w));
    Put32(v, uint32_t(h));
    Put16(v, 1);
    Put16(v, bits);
    Put32(v, compression);
    for (int i = 0; i < 3; ++i) Put32(v, 0);
    Put32(v, clrUsed);
    Put32(v, 0);
    return v;
}

}  // namespace

TEST(BitmapFile, WriteThenReadRoundTrip) {
    // Width 5 makes the 24-bit rows need padding.
    const int w = 5, h = 3;
    std::vector<uint8_t> px = Pattern(w, h);
    std::string path = TempPath("hostutil_roundtrip.bmp");
    ASSERT_EQ(WriteBmpFile(path.c_str(), px.data(), w, h, size_t(w) * 4), BmpError::None);

    std::ifstream in(path, std::ios::binary | std::ios::ate);
    EXPECT_EQ(int(in.tellg()), 14 + 40 + 16 * 3);

    RgbaImage img;
    ASSERT_EQ(ReadBmpFile(path.c_str(), img), BmpError::None);
    EXPECT_EQ(img.width, w);
    EXPECT_EQ(img.height, h);
    EXPECT_EQ(img.pixels, px);
    std::remove(path.c_str());
}

TEST(BitmapFile, HonoursRowBytesAndRejectsBadArguments) {
    std::vector<uint8_t> px = Pattern(2, 2);
    std::vector<uint8_t> padded(2 * 12, 0xEE);
    for (int y = 0; y < 2; ++y) std::copy(&px[size_t(y) * 8], &px[size_t(y) * 8 + 8], &padded[size_t(y) * 12]);
    std::vector<uint8_t> file = EncodeBmp(padded.data(), 2, 2, 12);
    std::vector<uint8_t> dib;
    ASSERT_EQ(BmpBytesToDib(file.data(), file.size(), dib), BmpError::None);
    RgbaImage img;
    ASSERT_EQ(DecodeDib(dib.data(), dib.size(), img), BmpError::None);
    EXPECT_EQ(img.pixels, px);

    EXPECT_TRUE(EncodeBmp(px.data(), 2, 2, 7).empty());
    EXPECT_EQ(WriteBmpFile(TempPath("x.bmp").c_str(), nullptr, 2, 2, 8), BmpError::BadArgument);
    EXPECT_EQ(WriteBmpFile("/nonexistent-dir/x.bmp", px.data(), 2, 2, 8), BmpError::CannotOpen);
}

TEST(BitmapFile, RejectsDamagedFiles) {
    std::vector<uint8_t> px = Pattern(4, 4);
    std::vector<uint8_t> file = EncodeBmp(px.data(), 4, 4, 16);
    std::vector<uint8_t> dib;
    EXPECT_EQ(BmpBytesToDib(file.data(), file.size() - 1, dib), BmpError::Truncated);
    std::vector<uint8_t> notBmp = file;
    notBmp[0] = 'X';
    EXPECT_EQ(BmpBytesToDib(notBmp.data(), notBmp.size(), dib), BmpError::NotBitmap);
    std::vector<uint8_t> rle = file;
    rle[14 + 16] = 1;  // run-length compression
    EXPECT_EQ(BmpBytesToDib(rle.data(), rle.size(), dib), BmpError::Unsupported);
    EXPECT_TRUE(dib.empty()) << "nothing handed out on failure";

    RgbaImage img;
    EXPECT_EQ(ReadBmpFile(TempPath("missing.bmp").c_str(), img), BmpError::CannotOpen);
}

TEST(BitmapFile, DecodesPalettedAndTopDown32Bit) {
    // 8-bit, 2 colours, 3x2 bottom-up.
    std::vector<uint8_t> dib = InfoHeader(3, 2, 8, 0, 2);
    Put32(dib, 0x000000FF);  // blue
    Put32(dib, 0x00FF0000);  // red
    const uint8_t rows[8] = {0, 1, 0, 0, /* top: */ 1, 1, 7, 0};
    dib.insert(dib.end(), rows, rows + 8);
    RgbaImage img;
    ASSERT_EQ(DecodeDib(dib.data(), dib.size(), img), BmpError::None);
    const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
    EXPECT_TRUE(std::equal(red, red + 4, &img.pixels[0]));
    EXPECT_TRUE(std::equal(blue, blue + 4, &img.pixels[8])) << "out-of-table index reads colour 0";
    EXPECT_TRUE(std::equal(red, red + 4, &img.pixels[16]));

    // 32-bit top-down with alpha.
    std::vector<uint8_t> d32 = InfoHeader(1, -2, 32, 0, 0);
    Put32(d32, 0x80102030);
    Put32(d32, 0x00405060);
    ASSERT_EQ(DecodeDib(d32.data(), d32.size(), img), BmpError::None);
    const uint8_t first[8] = {0x10, 0x20, 0x30, 0x80, 0x40, 0x50, 0x60, 0x00};
    EXPECT_TRUE(std::equal(first, first + 8, img.pixels.begin()));

    // 32-bit without any alpha becomes opaque.
    std::vector<uint8_t> opaque = InfoHeader(1, 1, 32, 0, 0);
    Put32(opaque, 0x00102030);
    ASSERT_EQ(DecodeDib(opaque.data(), opaque.size(), img), BmpError::None);
    EXPECT_EQ(img.pixels[3], 255);

    std::vector<uint8_t> cut = InfoHeader(2, 2, 24, 0, 0);
    cut.resize(cut.size() + 15);
    EXPECT_EQ(DecodeDib(cut.data(), cut.size(), img), BmpError::Truncated);
}
