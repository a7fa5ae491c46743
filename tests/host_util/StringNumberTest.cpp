#include "NumberText.h"
#include "PascalString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace frostel::hostutil;

namespace {
std::string P(const pi::Str255& s) { return PToString(s); }
void Set(pi::Str255& s, const std::string& text) { CToPStr(text.c_str(), s); }
}  // namespace

TEST(PascalString, ConvertsBothWaysAndCutsLongText) {
    pi::Str255 s;
    std::string longText(300, 'x');
    CToPStr(longText.c_str(), s);
    EXPECT_EQ(s[0], 255);
    CToPStr(nullptr, s);
    EXPECT_EQ(s[0], 0);

    Set(s, "hello");
    EXPECT_EQ(s[6], 0) << "zero kept behind the text";
    char small[4];
    EXPECT_EQ(PToCStr(s, small, sizeof small), 3u);
    EXPECT_STREQ(small, "hel");
}

TEST(PascalString, AppendStopsAt255) {
    pi::Str255 a, b;
    Set(a, std::string(250, 'a'));
    Set(b, "0123456789");
    EXPECT_FALSE(PStrAppend(a, b));
    ASSERT_EQ(a[0], 255);
    EXPECT_EQ(P(a).substr(250), "01234");

    EXPECT_FALSE(PStrAppendChar(a, 'z'));
    EXPECT_EQ(a[0], 255);

    Set(a, std::string(254, 'a'));
    EXPECT_TRUE(PStrAppendChar(a, 'z'));
    EXPECT_EQ(a[0], 255);
    EXPECT_EQ(a[255], 'z');

    Set(a, "ab");
    EXPECT_TRUE(PStrAppend(a, a));
    EXPECT_EQ(P(a), "abab");
    EXPECT_EQ(a[5], 0);
}

TEST(PascalString, PrependKeepsTheHeadWhenTooLong) {
    pi::Str255 a, b;
    Set(a, "world");
    Set(b, "hello ");
    EXPECT_TRUE(PStrPrepend(a, b));
    EXPECT_EQ(P(a), "hello world");

    Set(a, "tail");
    Set(b, std::string(253, 'h'));
    EXPECT_FALSE(PStrPrepend(a, b));
    EXPECT_EQ(P(a), std::string(253, 'h') + "ta");
}

TEST(PascalString, ReverseAndSplit) {
    pi::Str255 s, head, tail;
    Set(s, "abc");
    PStrReverse(s);
    EXPECT_EQ(P(s), "cba");

    Set(s, "1.234,5");
    EXPECT_TRUE(PStrSplitAtLastSeparator(s, head, tail));
    EXPECT_EQ(P(head), "1.234");
    EXPECT_EQ(P(tail), "5");

    Set(s, "42");
    EXPECT_FALSE(PStrSplitAtLastSeparator(s, head, tail));
    EXPECT_EQ(P(head), "42");
    EXPECT_EQ(P(tail), "");

    // In place: head aliases the source.
    Set(s, "7.25");
    EXPECT_TRUE(PStrSplitAtLastSeparator(s, s, tail));
    EXPECT_EQ(P(s), "7");
    EXPECT_EQ(P(tail), "25");
}

TEST(NumberText, FormatDoubleRoundsHalfUpAndDropsOneTrailingZero) {
    EXPECT_EQ(FormatDouble(1.25, 1), "1.3");
    EXPECT_EQ(FormatDouble(1.24, 1), "1.2");
    EXPECT_EQ(FormatDouble(2.675, 2), "2.68");
    EXPECT_EQ(FormatDouble(2.5, 2), "2.5");
    EXPECT_EQ(FormatDouble(2.0, 2), "2.0");
    EXPECT_EQ(FormatDouble(3.0, 1), "3");
    EXPECT_EQ(FormatDouble(0.999, 2), "1.0");
    EXPECT_EQ(FormatDouble(-1.25, 1), "-1.3");
    EXPECT_EQ(FormatDouble(-0.01, 1), "0");
    EXPECT_EQ(FormatDouble(12.5, 0), "13");
    EXPECT_EQ(FormatDouble(10.0, 0), "10") << "no decimals: nothing to drop";
    EXPECT_EQ(FormatInt(-2147483647 - 1), "-2147483648");
}

TEST(NumberText, ParseIntKindsAndOverflow) {
    pi::Str255 s;
    pi::int32 v = 99;
    Set(s, "   123abc");
    EXPECT_EQ(ParseIntPStr(s, &v), NumberSign::Positive);
    EXPECT_EQ(v, 123);
    Set(s, " -45");
    EXPECT_EQ(ParseIntPStr(s, &v), NumberSign::Negative);
    EXPECT_EQ(v, -45);
    Set(s, "  -x");
    EXPECT_EQ(ParseIntPStr(s, &v), NumberSign::None);
    EXPECT_EQ(v, 0);
    Set(s, "");
    EXPECT_EQ(ParseIntPStr(s, &v), NumberSign::None);

    Set(s, "999999999");
    EXPECT_EQ(ParseIntPStr(s, &v), NumberSign::Positive);
    EXPECT_EQ(v, 999999999);
    Set(s, "1000000000");
    ParseIntPStr(s, &v);
    EXPECT_EQ(v, 2147483647);
    Set(s, "-99999999999999");
    EXPECT_EQ(ParseIntPStr(s, &v), NumberSign::Negative);
    EXPECT_EQ(v, -2147483647);
    Set(s, "000000000012");
    ParseIntPStr(s, &v);
    EXPECT_EQ(v, 12) << "leading zeros are not significant digits";
}

TEST(NumberText, ParseDecimalSplitsAtLastSeparator) {
    pi::Str255 s;
    Set(s, "12,05");
    ParsedDecimal d = ParseDecimalPStr(s);
    EXPECT_EQ(d.sign, NumberSign::Positive);
    EXPECT_EQ(d.whole, 12);
    EXPECT_EQ(d.fraction, 5);
    EXPECT_EQ(d.fractionDigits, 2);
    EXPECT_DOUBLE_EQ(d.Value(), 12.05);

    Set(s, "-0.5");
    d = ParseDecimalPStr(s);
    EXPECT_EQ(d.sign, NumberSign::Negative);
    EXPECT_DOUBLE_EQ(d.Value(), -0.5);

    Set(s, ".75");
    EXPECT_DOUBLE_EQ(ParseDecimalPStr(s).Value(), 0.75);
    Set(s, "8");
    EXPECT_DOUBLE_EQ(ParseDecimalPStr(s).Value(), 8.0);
    Set(s, "abc");
    EXPECT_EQ(ParseDecimalPStr(s).sign, NumberSign::None);
}

TEST(NumberText, SmallHelpers) {
    EXPECT_EQ(IntPower(10, 9), 1000000000);
    EXPECT_EQ(IntPower(10, 10), 2147483647);
    EXPECT_EQ(IntPower(-2, 31), -2147483647 - 1);
    EXPECT_EQ(IntPower(-1, 3), -1);
    EXPECT_EQ(IntPower(7, 0), 1);
    EXPECT_EQ(IntPower(7, -1), 0);

    EXPECT_EQ(AsciiLower('Q'), 'q');
    EXPECT_EQ(AsciiLower('['), '[');
    EXPECT_EQ(FourCCToText(pi::FourCC("8BIM")), "8BIM");

    std::string big(40000, 'a');
    EXPECT_EQ(BoundedStrLen(big.c_str()), 32767u);
    EXPECT_EQ(BoundedStrLen("abc"), 3u);
    EXPECT_EQ(BoundedStrLen(nullptr), 0u);

    EXPECT_EQ(ReplaceCaretArgs("Between ^0 and ^1^2 (^3)", "1", "10", nullptr), "Between 1 and 10 (^3)");
    EXPECT_EQ(ReplaceCaretArgs("^1^0^1", "a", "b"), "bab");
}
