// Font records: names kept within their fields, look-up and marks.
#include <gtest/gtest.h>

#include <string>

#include "FontRecords.h"

using namespace frostel;

TEST(FontRecords, NamesAreCutAndFound) {
    FontRecordList list;
    FontRecord r;
    InitFontRecord(r, std::string(40, 'L').c_str(), nullptr, 0, 0x22, kFontTrueType);
    EXPECT_EQ(std::string(r.faceName), std::string(31, 'L'));
    EXPECT_STREQ(r.scriptName, "");
    list.push_back(r);
    InitFontRecord(r, "Arial", "Western", 0, 0x22, kFontDevice);
    list.push_back(r);
    InitFontRecord(r, "Arial", "Cyrillic", 204, 0x22, kFontRaster);
    list.push_back(r);

    const FontRecord* found = FindFontRecord("Arial", list);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->scriptName, "Western");  // the first one
    EXPECT_EQ(FindFontRecord("Arial Black", list), nullptr);
    EXPECT_EQ(FindFontRecord("Aria", list), nullptr);
    EXPECT_EQ(FindFontRecord(nullptr, list), nullptr);
}

TEST(FontRecords, KindsAndMarks) {
    EXPECT_EQ(FontTypeFlags(4), kFontTrueType);   // TRUETYPE_FONTTYPE
    EXPECT_EQ(FontTypeFlags(2), kFontDevice);     // DEVICE_FONTTYPE
    EXPECT_EQ(FontTypeFlags(1), kFontRaster);     // RASTER_FONTTYPE
    EXPECT_EQ(FontTypeFlags(0), kFontRaster);     // vector fonts
    EXPECT_EQ(FontMarkX(kFontTrueType), 16);
    EXPECT_EQ(FontMarkX(kFontDevice), 0);
    EXPECT_EQ(FontMarkX(kFontRaster), -1);
}
