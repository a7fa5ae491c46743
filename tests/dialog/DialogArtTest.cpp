// The committed dialog bitmaps are the generator's output and have the sizes
// the dialog places them at.
#include "DialogArt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace frostel;

TEST(DialogArt, CommittedFilesAreTheGeneratorsOutputAtTheirSizes) {
    const std::map<std::string, std::pair<int, int>> sizes = {
        {"header-133.bmp", {472, 46}}, {"header-214.bmp", {4, 46}},   {"header-215.bmp", {99, 46}},
        {"tab-105.bmp", {4, 4}},       {"tab-106.bmp", {4, 4}},       {"help-228.bmp", {42, 17}},
        {"help-227.bmp", {42, 17}},    {"product-226.bmp", {37, 30}}, {"product-217.bmp", {37, 30}},
        {"product-225.bmp", {37, 30}}, {"product-224.bmp", {37, 30}}, {"about-232.bmp", {236, 24}},
        {"about-231.bmp", {236, 24}}};
    const auto art = dialogart::DialogArt();
    ASSERT_EQ(art.size(), sizes.size());
    for (const auto& a : art) {
        const auto want = sizes.find(a.file);
        ASSERT_NE(want, sizes.end()) << a.file;
        EXPECT_EQ(a.image.width, want->second.first) << a.file;
        EXPECT_EQ(a.image.height, want->second.second) << a.file;
        hostutil::RgbaImage file;
        const std::string path = std::string(FROSTEL_SOURCE_DIR "/resources/dialog/") + a.file;
        ASSERT_EQ(hostutil::ReadBmpFile(path.c_str(), file), hostutil::BmpError::None) << path;
        ASSERT_EQ(file.width, a.image.width) << a.file;
        ASSERT_EQ(file.height, a.image.height) << a.file;
        EXPECT_TRUE(file.pixels == a.image.pixels) << a.file << " differs from the generator's output";
    }
}

// The header tile repeats seamlessly: every column of it is the left part's
// right edge and the right part's left edge.
TEST(DialogArt, HeaderTileJoinsBothParts) {
    std::map<std::string, hostutil::RgbaImage> by;
    for (auto& a : dialogart::DialogArt()) by[a.file] = a.image;
    const auto& tile = by["header-214.bmp"];
    const auto& left = by["header-133.bmp"];
    const auto& right = by["header-215.bmp"];
    auto px = [](const hostutil::RgbaImage& i, int x, int y) {
        const uint8_t* p = i.pixels.data() + (size_t(y) * size_t(i.width) + size_t(x)) * 4;
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    };
    for (int y = 0; y < 46; ++y) {
        for (int x = 1; x < 4; ++x) EXPECT_EQ(px(tile, x, y), px(tile, 0, y));
        EXPECT_EQ(px(left, 471, y), px(tile, 0, y)) << y;
        EXPECT_EQ(px(right, 98, y), px(tile, 0, y)) << y;
    }
}

// The module's cursor 201 is the generator's output: a cursor file (type 2)
// of three square images, each hot spot at its centre, each image 32-bit with
// the mask below it.
TEST(DialogArt, CursorFileIsTheGeneratorsOutputWithCentredHotSpots) {
    const std::vector<uint8_t> made = dialogart::PlaceCursorFile();
    std::vector<uint8_t> file;
    {
        const std::string path = std::string(FROSTEL_SOURCE_DIR "/resources/dialog/") + dialogart::kCursorFile;
        FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr) << path;
        int c;
        while ((c = std::fgetc(f)) != EOF) file.push_back(uint8_t(c));
        std::fclose(f);
    }
    EXPECT_TRUE(file == made) << "resources/dialog/cursor-201.cur differs from the generator's output";
    auto u16 = [&](size_t at) { return unsigned(made[at] | made[at + 1] << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at) | u16(at + 2) << 16); };
    ASSERT_GE(made.size(), 6u);
    EXPECT_EQ(u16(0), 0u);
    EXPECT_EQ(u16(2), 2u) << "a cursor, not an icon";
    ASSERT_EQ(u16(4), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const size_t e = 6 + 16 * i;
        const unsigned n = unsigned(dialogart::kCursorSizes[i]);
        EXPECT_EQ(made[e], n);
        EXPECT_EQ(made[e + 1], n);
        EXPECT_EQ(u16(e + 4), n / 2) << "hot spot x";
        EXPECT_EQ(u16(e + 6), n / 2) << "hot spot y";
        const uint32_t size = u32(e + 8), offset = u32(e + 12);
        ASSERT_LE(size_t(offset) + size, made.size());
        EXPECT_EQ(u32(offset), 40u);
        EXPECT_EQ(u32(offset + 8), 2 * n) << "colour rows and mask rows";
        EXPECT_EQ(u16(offset + 14), 32u);
        EXPECT_EQ(size, 40 + n * n * 4 + n * ((n + 31) / 32 * 4));
        // The hot spot's pixel is drawn (opaque); a corner is transparent.
        const size_t pixels = offset + 40;
        auto alpha = [&](unsigned x, unsigned y) { return made[pixels + ((n - 1 - y) * n + x) * 4 + 3]; };
        EXPECT_EQ(alpha(n / 2, n / 2), 255);
        EXPECT_EQ(alpha(0, 0), 0);
    }
}
