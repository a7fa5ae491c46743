#include "ByteReader.h"

#include <gtest/gtest.h>

#include "ByteWriter.h"

namespace frostel::inspect {
namespace {

TEST(ByteReader, FailedReadsLeaveThePositionAlone) {
    const std::vector<uint8_t> bytes = {1, 2, 3};
    ByteReader r(bytes);
    uint32_t v = 99;
    EXPECT_FALSE(r.U32(v));
    EXPECT_EQ(v, 99u);
    EXPECT_EQ(r.Position(), 0u);
    EXPECT_FALSE(r.Skip(4));
    EXPECT_FALSE(r.Seek(4));
    EXPECT_TRUE(r.Seek(3));  // the end itself is a valid position
    EXPECT_TRUE(r.AtEnd());

    ByteReader empty(nullptr, 10);  // a null range is empty whatever size it claims
    uint8_t b;
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_FALSE(empty.U8(b));
}

TEST(ByteReader, StringsMustLieInsideTheRange) {
    testing::ByteWriter w;
    w.Pascal("abc").CString("xy").U8(5).Chars("ab");  // last length byte claims more than is there
    const std::vector<uint8_t> bytes = w.Bytes();
    ByteReader r(bytes);
    std::string s;
    ASSERT_TRUE(r.PascalString(s));
    EXPECT_EQ(s, "abc");
    ASSERT_TRUE(r.CString(s));
    EXPECT_EQ(s, "xy");
    const size_t before = r.Position();
    EXPECT_FALSE(r.PascalString(s));
    EXPECT_EQ(r.Position(), before);

    const std::vector<uint8_t> unterminated = {'a', 'b'};
    ByteReader u(unterminated);
    EXPECT_FALSE(u.CString(s));
    EXPECT_EQ(u.Position(), 0u);
}

TEST(ByteReader, SubRangesAreClippedToTheParent) {
    const std::vector<uint8_t> bytes = {0, 1, 2, 3, 4, 5};
    ByteReader r(bytes);
    ByteReader sub;
    ASSERT_TRUE(r.Sub(2, 3, sub));
    uint8_t v;
    ASSERT_TRUE(sub.U8(v));
    EXPECT_EQ(v, 2);
    EXPECT_EQ(sub.Remaining(), 2u);
    EXPECT_TRUE(r.Sub(6, 0, sub));
    EXPECT_FALSE(r.Sub(4, 3, sub));
    EXPECT_FALSE(r.Sub(7, 0, sub));
    EXPECT_FALSE(r.Sub(1, SIZE_MAX, sub));  // no wrap-around of offset + length
}

TEST(FourCCString, PrintsCodesAndHexForTheRest) {
    EXPECT_EQ(FourCCString(FourCC("kind")), "'kind'");
    EXPECT_EQ(FourCCString(FourCC("#ImR")), "'#ImR'");
    EXPECT_EQ(FourCCString(0x6B696E00), "0x6B696E00");
}

}  // namespace
}  // namespace frostel::inspect
