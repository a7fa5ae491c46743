#include "WidgetMath.h"

#include <gtest/gtest.h>

#include <climits>

using namespace frostel::widgets;

TEST(ScreenBands, SizesFollowTheDpiBands) {
    EXPECT_EQ(UpDownWidthForDpi(96), 20);
    EXPECT_EQ(UpDownWidthForDpi(120), 25);
    EXPECT_EQ(UpDownWidthForDpi(144), 30);
    EXPECT_EQ(UpDownWidthForDpi(97), 25);
    EXPECT_EQ(UpDownWidthForDpi(143), 25);

    EXPECT_EQ(DialKnobSizeForDpi(96), 4);
    EXPECT_EQ(DialKnobSizeForDpi(119), 4);
    EXPECT_EQ(DialKnobSizeForDpi(120), 6);
    EXPECT_EQ(DialKnobSizeForDpi(144), 8);
    EXPECT_EQ(DialKnobSizeForDpi(216), 10);
    EXPECT_EQ(RoundEditWidthForDpi(96), 50);
    EXPECT_EQ(RoundEditWidthForDpi(120), 60);
    EXPECT_EQ(RoundEditWidthForDpi(144), 80);
    EXPECT_EQ(RoundEditHeightForDpi(96), 22);
    EXPECT_EQ(RoundEditHeightForDpi(120), 23);
    EXPECT_EQ(RoundEditHeightForDpi(144), 24);
    EXPECT_EQ(RoundEditHeightForDpi(300), 34);
}

TEST(NumberText, FormatsIntegerPartOrTwoDecimals) {
    EXPECT_EQ(FormatWidgetNumber(12.99, true), "12");
    EXPECT_EQ(FormatWidgetNumber(-12.99, true), "-12");
    EXPECT_EQ(FormatWidgetNumber(12.345, false), "12.35");
    EXPECT_EQ(FormatWidgetNumber(150.0, false), "150.00");
    EXPECT_EQ(FormatWidgetNumber(1e30, true), "2147483647");

    EXPECT_EQ(FormatDialNumber(-0.00005, false), "0.00");
    EXPECT_EQ(FormatDialNumber(-0.004, false), "-0.00");
    EXPECT_EQ(FormatDialNumber(45.5, false), "45.50");
}

TEST(NumberText, SaturatesFloatToInt) {
    EXPECT_EQ(SaturateToInt(3e9), INT32_MAX);
    EXPECT_EQ(SaturateToInt(-3e9), INT32_MIN);
    EXPECT_EQ(SaturateToInt(-7.9), -7);
    EXPECT_EQ(SaturateToInt(0.0 / 0.0), 0);
}

TEST(NumberText, TypedTextRejectsNonFiniteValues) {
    double v = -1.0;
    ASSERT_TRUE(ParseTypedNumber("  42.5", &v));
    EXPECT_DOUBLE_EQ(v, 42.5);
    ASSERT_TRUE(ParseTypedNumber("-3abc", &v));
    EXPECT_DOUBLE_EQ(v, -3.0);
    ASSERT_TRUE(ParseTypedNumber("abc", &v));
    EXPECT_DOUBLE_EQ(v, 0.0) << "text without a number reads 0";
    ASSERT_TRUE(ParseTypedNumber(".5", &v));
    EXPECT_DOUBLE_EQ(v, 0.5);

    v = 7.0;
    EXPECT_FALSE(ParseTypedNumber("1e39", &v));
    EXPECT_FALSE(ParseTypedNumber("-1e39", &v));
    EXPECT_DOUBLE_EQ(v, 7.0) << "a rejected text leaves the value";
    ASSERT_TRUE(ParseTypedNumber("inf", &v));
    EXPECT_DOUBLE_EQ(v, 0.0) << "words are not numbers";
    ASSERT_TRUE(ParseTypedNumber("1e38", &v));
    EXPECT_DOUBLE_EQ(v, 1e38);
}

TEST(Slider, PositionAndValueMapBothWays) {
    // A 110-pixel bar over 0..100: the track is 100 pixels from x = 5.
    EXPECT_FLOAT_EQ(SliderValueAt(5, 110, 0.0f, 100.0f), 0.0f);
    EXPECT_FLOAT_EQ(SliderValueAt(55, 110, 0.0f, 100.0f), 50.0f);
    EXPECT_FLOAT_EQ(SliderValueAt(105, 110, 0.0f, 100.0f), 100.0f);
    EXPECT_FLOAT_EQ(SliderValueAt(-40, 110, 0.0f, 100.0f), 0.0f);
    EXPECT_FLOAT_EQ(SliderValueAt(400, 110, 0.0f, 100.0f), 100.0f);
    EXPECT_FLOAT_EQ(SliderValueAt(30, 110, -50.0f, 50.0f), -25.0f);

    EXPECT_EQ(SliderPositionOf(50.0f, 110, 0.0f, 100.0f), 55);
    EXPECT_EQ(SliderPositionOf(-25.0f, 110, -50.0f, 50.0f), 30);
    for (int p = 5; p <= 205; p += 7)
        EXPECT_EQ(SliderPositionOf(SliderValueAt(p, 210, 10.0f, 20.0f), 210, 10.0f, 20.0f), p);

    // Degenerate bars do not divide by zero.
    EXPECT_FLOAT_EQ(SliderValueAt(50, 110, 5.0f, 5.0f), 5.0f);
    EXPECT_FLOAT_EQ(SliderValueAt(50, 8, 0.0f, 100.0f), 0.0f);
    EXPECT_EQ(SliderPositionOf(5.0f, 110, 5.0f, 5.0f), 5);
}

TEST(RangeFollowing, WidensUpToTheOuterLimits) {
    FollowedRange r = FollowRange(150.0f, 0.0f, 100.0f, 0.0f, 200.0f);
    EXPECT_TRUE(r.moved);
    EXPECT_FLOAT_EQ(r.upper, 150.0f);
    EXPECT_FLOAT_EQ(r.lower, 0.0f);

    r = FollowRange(150.0f, 0.0f, 100.0f, 0.0f, 120.0f);
    EXPECT_TRUE(r.moved);
    EXPECT_FLOAT_EQ(r.upper, 120.0f);

    r = FollowRange(-30.0f, 0.0f, 100.0f, -10.0f, 100.0f);
    EXPECT_TRUE(r.moved);
    EXPECT_FLOAT_EQ(r.lower, -10.0f);

    r = FollowRange(50.0f, 0.0f, 100.0f, 0.0f, 200.0f);
    EXPECT_FALSE(r.moved);
    r = FollowRange(150.0f, 0.0f, 100.0f, 0.0f, 100.0f);
    EXPECT_FALSE(r.moved) << "already at the outer limit";
}

TEST(SetValueDialog, FieldChecks) {
    // New minimum: refused at or above the new maximum, cut at the outer lower.
    FieldCheck f = CheckMinField(120.0, 10.0, 100.0, 0.0, false);
    EXPECT_TRUE(f.beep);
    EXPECT_TRUE(f.rewrite);
    EXPECT_DOUBLE_EQ(f.value, 10.0);
    f = CheckMinField(-5.0, 10.0, 100.0, 0.0, false);
    EXPECT_TRUE(f.beep);
    EXPECT_DOUBLE_EQ(f.value, 0.0);
    f = CheckMinField(20.5, 10.0, 100.0, 0.0, false);
    EXPECT_FALSE(f.beep);
    EXPECT_FALSE(f.rewrite);
    EXPECT_DOUBLE_EQ(f.value, 20.5);
    f = CheckMinField(20.5, 10.0, 100.0, 0.0, true);
    EXPECT_FALSE(f.beep);
    EXPECT_TRUE(f.rewrite) << "the cut integer is shown";
    EXPECT_DOUBLE_EQ(f.value, 20.0);
    f = CheckMinField(0.0, 10.0, 100.0, 0.0, false);
    EXPECT_TRUE(f.rewrite) << "a field reading zero is rewritten";

    // New maximum.
    f = CheckMaxField(5.0, 100.0, 10.0, 200.0, false);
    EXPECT_TRUE(f.beep);
    EXPECT_DOUBLE_EQ(f.value, 100.0);
    f = CheckMaxField(500.0, 100.0, 10.0, 200.0, false);
    EXPECT_TRUE(f.beep);
    EXPECT_DOUBLE_EQ(f.value, 200.0);
    f = CheckMaxField(150.0, 100.0, 10.0, 200.0, false);
    EXPECT_FALSE(f.beep);
    EXPECT_DOUBLE_EQ(f.value, 150.0);

    // New value: clamped only when asked.
    f = CheckValueField(300.0, 0.0, 100.0, true, false);
    EXPECT_DOUBLE_EQ(f.value, 100.0);
    EXPECT_TRUE(f.rewrite);
    f = CheckValueField(300.0, 0.0, 100.0, false, false);
    EXPECT_DOUBLE_EQ(f.value, 300.0);
    EXPECT_FALSE(f.rewrite);
}

TEST(SetValueDialog, OkChecksInOrder) {
    EXPECT_EQ(CheckSetValueOk(0, 100, 50, 0, 200).failure, SetValueFailure::None);
    SetValueVerdict v = CheckSetValueOk(-5, 300, 500, 0, 200);
    EXPECT_EQ(v.failure, SetValueFailure::Minimum);
    EXPECT_DOUBLE_EQ(v.bound, 0.0);
    v = CheckSetValueOk(0, 300, 500, 0, 200);
    EXPECT_EQ(v.failure, SetValueFailure::Maximum);
    EXPECT_DOUBLE_EQ(v.bound, 200.0);
    v = CheckSetValueOk(10, 100, 5, 0, 200);
    EXPECT_EQ(v.failure, SetValueFailure::Value);
    EXPECT_DOUBLE_EQ(v.bound, 10.0);
    v = CheckSetValueOk(10, 100, 105, 0, 200);
    EXPECT_DOUBLE_EQ(v.bound, 100.0);
}

TEST(Swatch, OutlineContrastsWithTheColour) {
    EXPECT_EQ(SwatchOutlineColor(MakeColorRef(200, 100, 0), false), MakeColorRef(182, 77, 127));
    EXPECT_EQ(SwatchOutlineColor(MakeColorRef(200, 100, 0), true), MakeColorRef(55, 155, 255));
    // 128 is the last channel value that counts as dark: d = 127.
    EXPECT_EQ(RedOf(SwatchOutlineColor(MakeColorRef(128, 0, 0), false)), 63);
    EXPECT_EQ(RedOf(SwatchOutlineColor(MakeColorRef(129, 0, 0), false)), 253);
    EXPECT_EQ(SwatchOutlineColor(MakeColorRef(255, 255, 255), false), MakeColorRef(127, 127, 127));
}

TEST(Caption, DisabledTextIsHalvedPlus100) {
    EXPECT_EQ(DisabledCaptionColor(MakeColorRef(0, 0, 200)), MakeColorRef(100, 100, 200));
    EXPECT_EQ(DisabledCaptionColor(MakeColorRef(255, 1, 60)), MakeColorRef(227, 100, 130));
}

TEST(SkinnedButton, CapsAndMiddleCoverTheWidth) {
    CapLayout l = LayoutSkinnedButton(100);
    EXPECT_EQ(l.leftWidth, 18);
    EXPECT_EQ(l.middleX, 18);
    EXPECT_EQ(l.middleWidth, 64);
    EXPECT_EQ(l.rightX, 82);
    EXPECT_EQ(l.rightWidth, 18);
    EXPECT_EQ(l.rightSrcX, 0);

    l = LayoutSkinnedButton(36);
    EXPECT_EQ(l.middleWidth, 0);
    EXPECT_EQ(l.rightX, 18);

    // Narrow: the outer half of each cap, no middle, nothing mirrored.
    for (int w : {0, 1, 20, 35}) {
        l = LayoutSkinnedButton(w);
        EXPECT_EQ(l.middleWidth, 0) << w;
        EXPECT_EQ(l.leftWidth + l.rightWidth, w) << w;
        EXPECT_EQ(l.rightX, l.leftWidth) << w;
        EXPECT_EQ(l.rightSrcX + l.rightWidth, kCapWidth) << "the right cap's outer end is kept";
        EXPECT_GE(l.leftWidth, 0);
        EXPECT_LE(l.leftWidth, kCapWidth);
    }
}

// The skin's bottom border (its last row) is drawn at every height a
// button gets: 22 in the main dialog, taller at higher dpi.
TEST(SkinnedButton, RoundedEndsFitAnyHeight) {
    for (int h : {22, 24, 28, 40}) {
        const SkinRows r = FitSkinRows(h);
        EXPECT_EQ(r.top, kSkinEndRows) << h;
        EXPECT_EQ(r.bottom, kSkinEndRows) << h;
        EXPECT_LE(r.top + r.bottom, h) << h;
    }
    for (int h : {0, 1, 9, 15}) {
        const SkinRows r = FitSkinRows(h);
        EXPECT_EQ(r.top + r.bottom, h) << "a low button is all ends: " << h;
        EXPECT_LE(r.top - r.bottom, 1) << h;
    }
}

TEST(ControlButton, FaceFollowsStateCheckAndEnable) {
    ButtonLook look{};
    look.enabled = true;
    EXPECT_EQ(ChooseButtonFace(look), kFaceNormal);
    look.state = 1;
    EXPECT_EQ(ChooseButtonFace(look), kFaceHot);
    look.hotLook = 2;
    EXPECT_EQ(ChooseButtonFace(look), kFaceHot) << "the alternate face needs the alternate flag";
    look.alternate = true;
    EXPECT_EQ(ChooseButtonFace(look), kFaceDisabled);
    look = ButtonLook{};
    look.enabled = true;
    look.state = 2;
    EXPECT_EQ(ChooseButtonFace(look), kFacePressed);
    look.state = 0;
    look.toggle = true;
    look.checked = true;
    EXPECT_EQ(ChooseButtonFace(look), kFacePressed) << "a checked toggle shows pressed";
    look.enabled = false;
    EXPECT_EQ(ChooseButtonFace(look), kFacePressed) << "no disabled face: keep the state's";
    look.hasDisabledFace = true;
    EXPECT_EQ(ChooseButtonFace(look), kFaceDisabled);
}
