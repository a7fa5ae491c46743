// The committed widget bitmaps are the generator's output, and they hold
// what the controls that copy and stretch them need.
#include "WidgetArt.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

using namespace frostel;

namespace {
hostutil::RgbaImage Read(const std::string& path) {
    hostutil::RgbaImage img;
    EXPECT_EQ(hostutil::ReadBmpFile(path.c_str(), img), hostutil::BmpError::None) << path;
    return img;
}

uint32_t Pixel(const hostutil::RgbaImage& img, int x, int y) {
    const uint8_t* p = img.pixels.data() + (size_t(y) * img.width + x) * 4;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void ExpectSameAsCommitted(const std::vector<widgetart::Art>& art, const std::string& dir) {
    for (const auto& a : art) {
        hostutil::RgbaImage file = Read(dir + "/" + a.file);
        ASSERT_EQ(file.width, a.image.width) << a.file;
        ASSERT_EQ(file.height, a.image.height) << a.file;
        EXPECT_TRUE(file.pixels == a.image.pixels) << a.file << " differs from the generator's output";
    }
}
}  // namespace

TEST(WidgetArt, CommittedFilesAreTheGeneratorsOutput) {
    ExpectSameAsCommitted(widgetart::ModuleArt(), FROSTEL_SOURCE_DIR "/resources/widgets");
    ExpectSameAsCommitted(widgetart::RigArt(), FROSTEL_SOURCE_DIR "/tests/widgets/win");
}

TEST(WidgetArt, ButtonSkinsFitTheirCopies) {
    constexpr uint32_t kGrey = 0xE8E8E8;
    for (const auto& a : widgetart::ModuleArt()) {
        if (a.file.rfind("macbtn-", 0) != 0) continue;
        const int id = std::stoi(a.file.substr(7));
        const auto& img = a.image;
        ASSERT_EQ(img.width, 18) << a.file;
        ASSERT_EQ(img.height, 24) << a.file;
        if (id <= 158) {  // left caps: grey outside the rounded end
            EXPECT_EQ(Pixel(img, 0, 0), kGrey) << a.file;
            EXPECT_EQ(Pixel(img, 0, 23), kGrey) << a.file;
            EXPECT_NE(Pixel(img, 17, 12), kGrey) << a.file;
        } else if (id >= 163) {  // right caps
            EXPECT_EQ(Pixel(img, 17, 0), kGrey) << a.file;
            EXPECT_EQ(Pixel(img, 17, 23), kGrey) << a.file;
            EXPECT_NE(Pixel(img, 0, 12), kGrey) << a.file;
        } else {  // middles are stretched: every column the same
            for (int x = 1; x < 18; ++x)
                for (int y = 0; y < 24; ++y) ASSERT_EQ(Pixel(img, x, y), Pixel(img, 0, y)) << a.file;
        }
    }
    // The four states look different.
    auto art = widgetart::ModuleArt();
    EXPECT_NE(art[4].image.pixels, art[5].image.pixels);  // normal and hot middles
    EXPECT_NE(art[4].image.pixels, art[7].image.pixels);  // normal and pressed middles
}

TEST(WidgetArt, SphereTextureAndRigFacesHaveTheirSizes) {
    for (const auto& a : widgetart::ModuleArt())
        if (a.file == "dial-sphere.bmp") {
            EXPECT_EQ(a.image.width, 72);
            EXPECT_EQ(a.image.height, 72);
        }
    for (const auto& a : widgetart::RigArt()) {
        if (a.file.rfind("rig-button", 0) != 0) continue;
        EXPECT_GE(a.image.width, 40) << "covers the rig's 40 x 24 buttons";
        EXPECT_GE(a.image.height, 24);
    }
}

TEST(WidgetArt, GlassSkinsHaveTheirSizesAndMasksMatchTheirPictures) {
    std::map<std::string, hostutil::RgbaImage> byName;
    for (const auto& a : widgetart::GlassArt()) byName[a.file] = a.image;
    const std::pair<const char*, int> sizes[] = {{"glass-face", 84}, {"glass-knob", 60}, {"glass-marker", 18}};
    for (const auto& [name, size] : sizes) {
        const auto& pic = byName[std::string(name) + ".bmp"];
        const auto& mask = byName[std::string(name) + "-mask.bmp"];
        EXPECT_EQ(pic.width, size) << name;
        EXPECT_EQ(pic.height, size) << name;
        EXPECT_EQ(mask.width, size) << name;
        EXPECT_EQ(mask.height, size) << name;
        EXPECT_EQ(Pixel(mask, 0, 0), 0u) << name << ": clear in the corner";
        EXPECT_NE(Pixel(mask, size / 2, size / 2 - size / 3), 0u) << name << ": covered inside";
    }
    EXPECT_EQ(byName["glass-highlight.bmp"].width, 84);
    EXPECT_EQ(byName["glass-relief.bmp"].width, 84);
}
