// Help topics, the help folder, the version line and the logo's place.
#include <gtest/gtest.h>

#include "AboutText.h"

using namespace frostel;

TEST(HelpPages, TopicTableAndFolder) {
    EXPECT_STREQ(HelpPageFile(777), "frosteldoc_parameter.html");
    EXPECT_STREQ(HelpPageFile(778), "frosteldoc_geometry.html");  // F1 on the first tab
    EXPECT_STREQ(HelpPageFile(779), "frosteldoc_material.html");  // F1 on the Material tab
    for (int other : {0, 780, 781, -1, 1777}) EXPECT_STREQ(HelpPageFile(other), "frosteldoc.html") << other;
    EXPECT_EQ(HelpFolderOf("C:\\Plug-ins\\Frostel64.8bf"), "C:\\Plug-ins\\Frostel\\Help\\");
    EXPECT_EQ(HelpFolderOf("Frostel64.8bf"), "Frostel\\Help\\");
}

TEST(AboutBox, VersionLine) {
    // The 32-bit module's line ("1.6") is checked in the module by scripts/inspect-modules.
    EXPECT_STREQ(AboutVersionText(), sizeof(void*) == 8 ? "1.6 (64 Bit)" : "1.6");
}

TEST(AboutBox, LogoPlacement) {
    // 1:1 and centred when there is room.
    LogoRect r = PlaceLogo(96, 420, 321);
    EXPECT_EQ(r.width, 400);
    EXPECT_EQ(r.height, 300);
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.y, 10);
    // Scaled by the dpi, then fitted to a short area with its aspect.
    r = PlaceLogo(144, 1000, 301);
    EXPECT_EQ(r.height, 300);
    EXPECT_EQ(r.width, 400);
    EXPECT_EQ(r.y, 1);
    EXPECT_EQ(r.x, 300);
    // Fitted to a narrow client.
    r = PlaceLogo(96, 200, 400);
    EXPECT_EQ(r.width, 200);
    EXPECT_EQ(r.height, 150);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 125);
    // Exactly the logo's height does not fit: one pixel less.
    r = PlaceLogo(96, 400, 300);
    EXPECT_EQ(r.height, 299);
    EXPECT_EQ(r.width, 398);
    EXPECT_EQ(r.y, 1);
}
