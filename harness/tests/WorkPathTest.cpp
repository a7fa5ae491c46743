#include <gtest/gtest.h>

#include "WorkPath.h"

namespace frostel::hostsim {
namespace {

TEST(WorkPath, ParsesAndEncodesRecords) {
    WorkPath path;
    std::string error;
    ASSERT_TRUE(ParseWorkPath("# a corner\nclosed knots=7\n  knot 50 20 unlinked\nrecord 8\n"
                              "knot 100 40 90 40 110 40\nopen\n",
                              path, error))
        << error;
    EXPECT_EQ(path.KnotCount(), 2);
    const auto bytes = EncodeWorkPath(path, 100, 80);
    ASSERT_EQ(bytes.size(), 5 * kPathRecordSize);
    // Closed length record claiming 7 knots.
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ((bytes[2] << 8) | bytes[3], 7);
    // Unlinked closed knot; its anchor x (the fourth value) is half the width.
    const uint8_t* knot = &bytes[kPathRecordSize];
    EXPECT_EQ(knot[1], 2);
    EXPECT_EQ(knot[14], 0x00);
    EXPECT_EQ(knot[15], 0x80);
    // Anchor y: 20 of 80 is a quarter.
    EXPECT_EQ(knot[10], 0x00);
    EXPECT_EQ(knot[11], 0x40);
    EXPECT_EQ(bytes[2 * kPathRecordSize + 1], 8);
    EXPECT_EQ(bytes[3 * kPathRecordSize + 1], 1);  // linked closed knot
    // The open subpath counts its own (no) knots.
    EXPECT_EQ(bytes[4 * kPathRecordSize + 1], 3);
    EXPECT_EQ(bytes[4 * kPathRecordSize + 3], 0);
}

TEST(WorkPath, ReportsTheLineOfABadItem) {
    WorkPath path;
    std::string error;
    EXPECT_FALSE(ParseWorkPath("knot 1 2\n", path, error));
    EXPECT_EQ(error, "line 1: knot outside a subpath");
    EXPECT_FALSE(ParseWorkPath("open\n\nknot 1 x\n", path, error));
    EXPECT_EQ(error, "line 3: 'x' is not a number");
    EXPECT_FALSE(ParseWorkPath("open\nknot 1 2 3\n", path, error));
    EXPECT_EQ(error, "line 2: knot needs X Y or X Y BX BY AX AY");
    EXPECT_FALSE(ParseWorkPath("open knots=-1\n", path, error));
    EXPECT_FALSE(ParseWorkPath("record 70000\n", path, error));
    EXPECT_FALSE(ParseWorkPath("curve 1 2\n", path, error));
    EXPECT_EQ(error, "line 1: unknown item 'curve'");
}

}  // namespace
}  // namespace frostel::hostsim
