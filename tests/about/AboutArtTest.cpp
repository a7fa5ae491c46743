// The committed About bitmaps are the generator's output and fit their use.
#include <gtest/gtest.h>

#include "AboutArt.h"

using namespace frostel;

namespace {
uint32_t Pixel(const hostutil::RgbaImage& img, int x, int y) {
    const uint8_t* p = img.pixels.data() + (size_t(y) * img.width + x) * 4;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}
}  // namespace

TEST(AboutArt, CommittedFilesAreTheGeneratorsOutput) {
    for (const auto& a : aboutart::AboutBitmaps()) {
        hostutil::RgbaImage file;
        const std::string path = FROSTEL_SOURCE_DIR "/resources/about/" + a.file;
        ASSERT_EQ(hostutil::ReadBmpFile(path.c_str(), file), hostutil::BmpError::None) << path;
        ASSERT_EQ(file.width, a.image.width) << a.file;
        ASSERT_EQ(file.height, a.image.height) << a.file;
        EXPECT_TRUE(file.pixels == a.image.pixels) << a.file << " differs from the generator's output";
    }
}

TEST(AboutArt, SizesAndMarks) {
    const auto art = aboutart::AboutBitmaps();
    ASSERT_EQ(art.size(), 2u);
    EXPECT_EQ(art[0].image.width, 400);
    EXPECT_EQ(art[0].image.height, 300);
    const auto& marks = art[1].image;
    ASSERT_EQ(marks.width, 32);
    ASSERT_EQ(marks.height, 15);
    // Drawn with AND over the item: white where the item must show through,
    // and each 16-pixel mark has its own dark figure.
    for (int mark : {0, 16}) {
        EXPECT_EQ(Pixel(marks, mark, 0), 0xFFFFFFu);
        EXPECT_EQ(Pixel(marks, mark + 15, 14), 0xFFFFFFu);
        int dark = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = mark; x < mark + 16; ++x) dark += Pixel(marks, x, y) < 0x808080u;
        EXPECT_GT(dark, 20) << mark;
    }
}
