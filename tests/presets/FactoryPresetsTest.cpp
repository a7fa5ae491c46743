#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "FactoryPresets.h"
#include "FolderArt.h"
#include "PresetFiles.h"
#include "PresetFormat.h"

namespace frostel {
namespace {

// The committed files are what the generator writes today.
TEST(FactoryPresets, CommittedFilesAreTheGeneratorsOutput) {
    const auto presets = FactoryPresets();
    ASSERT_GE(presets.size(), 6u);
    ASSERT_LE(presets.size(), 10u);
    for (const FactoryPreset& preset : presets) {
        SCOPED_TRACE(preset.path);
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(std::string(FROSTEL_FACTORY_DIR) + "/" + preset.path, bytes))
            << "run frostel_make_factory_presets resources/presets/Basic";
        EXPECT_EQ(bytes, WritePresetText(preset.parameters));
        EXPECT_TRUE(HasPresetExtension(preset.path));
    }
}

TEST(FactoryPresets, CommittedFolderGlyphsAreTheGeneratorsOutput) {
    for (const bool up : {false, true}) {
        const std::string name = up ? "/folder-150.bmp" : "/folder-148.bmp";
        const std::string fresh = ::testing::TempDir() + "glyph" + (up ? "150" : "148") + ".bmp";
        const hostutil::RgbaImage img = FolderGlyph(up);
        ASSERT_EQ(hostutil::BmpError::None,
                  hostutil::WriteBmpFile(fresh.c_str(), img.pixels.data(), img.width, img.height, size_t(img.width) * 4));
        std::string want, have;
        ASSERT_TRUE(ReadWholeFile(fresh, want));
        ASSERT_TRUE(ReadWholeFile(std::string(FROSTEL_FACTORY_DIR) + "/.." + name, have)) << name;
        EXPECT_EQ(want, have) << name;
        std::remove(fresh.c_str());
    }
    // The up glyph differs from the plain folder only inside the body.
    const hostutil::RgbaImage folder = FolderGlyph(false), up = FolderGlyph(true);
    EXPECT_EQ(16, folder.width);
    EXPECT_EQ(14, folder.height);
    EXPECT_NE(folder.pixels, up.pixels);
}

// Each preset is a look of its own, and loads back onto any record as itself.
TEST(FactoryPresets, AreDistinctAndLoadWhole) {
    std::set<std::string> names, texts;
    FilterParameters start{};
    ApplyParameterDefaults(start);
    for (const FactoryPreset& preset : FactoryPresets()) {
        SCOPED_TRACE(preset.path);
        const std::string name = preset.path.substr(preset.path.rfind('/') + 1);
        EXPECT_EQ(nullptr, CheckPresetName(StripPresetExtension(name)));
        EXPECT_TRUE(names.insert(name).second);
        const std::string text = WritePresetText(preset.parameters);
        EXPECT_TRUE(texts.insert(text).second);
        FilterParameters loaded = start;
        ASSERT_TRUE(ReadPresetText(text.data(), text.size(), loaded));
        EXPECT_EQ(text, WritePresetText(loaded));
    }
}

}  // namespace
}  // namespace frostel
