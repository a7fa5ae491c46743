// The spin edit and its bar: values, range following, typed text, the
// up-down's delayed commit, the bar's click timing and the "Set value" dialog.
#include <gtest/gtest.h>


#include <string>

#include "RigSupport.h"
#include "WidgetMath.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kSpin = 201;

struct SpinFixture : ::testing::Test {
    void SetUp() override {
        w = Child(kSpinEditClass, kSpin, 10, 10, 140, 46);
        ASSERT_NE(w, nullptr);
        s = static_cast<TSpinEdit*>(FindControlObject(w, kSpinEditClass));
        ASSERT_NE(s, nullptr);
        ClearCommands();
    }
    void TearDown() override { DestroyWindow(w); }
    std::string Text() const { return detail::WindowText(s->edit, 63); }
    // The bar's coordinate of a value of 0..100 (its client is inside a static edge).
    int BarX(float v) const {
        RECT rc;
        GetClientRect(s->slider, &rc);
        return SliderPositionOf(v, rc.right, 0.0f, 100.0f);
    }
    void Type(const char* text) {
        SetWindowTextA(s->edit, text);
        SendMessageA(w, WM_COMMAND, MAKEWPARAM(1, EN_KILLFOCUS), reinterpret_cast<LPARAM>(s->edit));
    }
    HWND w = nullptr;
    TSpinEdit* s = nullptr;
};
}  // namespace

TEST_F(SpinFixture, RangeFollowsUpToTheOuterLimit) {
    SetSpinEditRange(s, 0, 100);
    s->outerLower = 0;
    s->outerUpper = 200;
    SetControlValueText(s, 150);
    EXPECT_FLOAT_EQ(s->upper, 150);
    EXPECT_FLOAT_EQ(s->sliderObject->upper, 150) << "the bar follows";
    EXPECT_EQ(Text(), "150.00");

    SetSpinEditRange(s, 0, 100);
    s->outerUpper = 120;
    SetControlValueText(s, 150);
    EXPECT_FLOAT_EQ(s->upper, 120);
    EXPECT_FLOAT_EQ(s->value, 150);
    EXPECT_EQ(Text(), "150.00");
    EXPECT_EQ(SendMessageA(s->upDown, UDM_GETRANGE, 0, 0), MAKELONG(120, 0));

    s->rangeFollowing = false;
    SetSpinEditRange(s, 0, 100);
    SetControlValueText(s, 150);
    EXPECT_FLOAT_EQ(s->upper, 100) << "without range following the range stays";
}

TEST_F(SpinFixture, TypedValuesAreClampedCheckedAndReported) {
    SetSpinEditRange(s, -10, 10);
    s->rangeFollowing = false;
    SetControlValueText(s, 2);
    ClearCommands();

    Type("500");
    EXPECT_FLOAT_EQ(s->value, 10);
    EXPECT_EQ(Text(), "10.00");
    EXPECT_EQ(CountCommands(kSpin, 0), 1);
    EXPECT_EQ(FirstCommand(kSpin)->lp, reinterpret_cast<LPARAM>(s->edit)) << "the edit's lParam is passed on";

    ClearCommands();
    Type("10.005");
    EXPECT_EQ(CountCommands(kSpin), 0) << "within 0.01 of the value: nothing to report";
    Type("600");
    EXPECT_EQ(CountCommands(kSpin), 0) << "clamped onto the value it already has";
    EXPECT_EQ(Text(), "10.00") << "but the field shows the value again";

    Type("1e39");
    EXPECT_FLOAT_EQ(s->value, 10);
    EXPECT_EQ(Text(), "10.00") << "a value beyond float is refused";
    EXPECT_EQ(CountCommands(kSpin), 0);

    Type("abc");
    EXPECT_FLOAT_EQ(s->value, 0) << "text that is no number reads 0";
    EXPECT_EQ(CountCommands(kSpin), 1);

    s->integer = true;
    ClearCommands();
    Type("7.9");
    EXPECT_FLOAT_EQ(s->value, 7);
    EXPECT_EQ(Text(), "7");

    SetWindowTextA(s->edit, "junk");
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(1, kNotifyRestoreField), 0);
    EXPECT_EQ(Text(), "7");
}

TEST_F(SpinFixture, UpDownClicksCommitOnce500msAfterTheLast) {
    s->notifyAtOnce = false;
    SetSpinEditRange(s, 0, 100);
    const HWND ud = s->upDown;
    DWORD last = 0;
    for (int pos = 11; pos <= 13; ++pos) {
        SendMessageA(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(ud));
        SendMessageA(w, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, pos), reinterpret_cast<LPARAM>(ud));
        last = GetTickCount();
        Pump(100);
    }
    EXPECT_FLOAT_EQ(s->value, 13);
    EXPECT_EQ(CountCommands(kSpin), 0) << "nothing while the clicks go on";
    ASSERT_TRUE(PumpUntil([] { return CountCommands(kSpin) > 0; }, 2000));
    EXPECT_GE(int(FirstCommand(kSpin)->tick - last), 450) << "500 ms after the last click";
    Pump(600);
    EXPECT_EQ(CountCommands(kSpin), 1);

    // With notify at once every click reports.
    s->notifyAtOnce = true;
    ClearCommands();
    SendMessageA(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 20), reinterpret_cast<LPARAM>(ud));
    EXPECT_EQ(CountCommands(kSpin), 1);
}

TEST_F(SpinFixture, PendingCommitIsFlushedWhenTheValueIsRead) {
    s->notifyAtOnce = false;
    SendMessageA(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 42), reinterpret_cast<LPARAM>(s->upDown));
    SendMessageA(w, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 42), reinterpret_cast<LPARAM>(s->upDown));
    EXPECT_TRUE(s->timerPending);
    EXPECT_FLOAT_EQ(GetSpinEditValue(s), 42);
    EXPECT_EQ(CountCommands(kSpin), 1) << "OK right after the click keeps the value";
    EXPECT_FALSE(s->timerPending);
    Pump(700);
    EXPECT_EQ(CountCommands(kSpin), 1) << "and the timer does not report it again";

    // Text typed but not yet taken is taken when the value is read.
    ClearCommands();
    SetWindowTextA(s->edit, "55");
    EXPECT_FLOAT_EQ(GetSpinEditValue(s), 55);
    EXPECT_EQ(CountCommands(kSpin), 1);
}

TEST_F(SpinFixture, BarClickCommits200msAfterReleaseAndReportsOnce) {
    SetSpinEditRange(s, 0, 100);
    HWND bar = s->slider;
    Click(bar, BarX(50), 10);
    const DWORD released = GetTickCount();
    EXPECT_EQ(CountCommands(kSpin), 0) << "nothing until the click is known not to be a double click";
    ASSERT_TRUE(PumpUntil([] { return CountCommands(kSpin) > 0; }, 1000));
    EXPECT_GE(int(FirstCommand(kSpin)->tick - released), 150);
    Pump(100);
    EXPECT_EQ(CountCommands(kSpin), 1);
    EXPECT_NEAR(s->value, 50.0f, 0.5);
}

TEST_F(SpinFixture, FastDoubleClickRestoresTheDefaultAndReportsOnce) {
    SetSpinEditRange(s, 0, 100);
    s->defaultValue = 25;
    SetControlValueText(s, 80);
    ClearCommands();
    RealDoubleClick(s->slider, 110, 10);
    Pump(400);
    EXPECT_FLOAT_EQ(s->value, 25);
    EXPECT_EQ(CountCommands(kSpin), 1) << "the first click's commit is dropped";
}

TEST_F(SpinFixture, SlowSecondClickCommitsThenRestores) {
    SetSpinEditRange(s, 0, 100);
    s->defaultValue = 25;
    HWND bar = s->slider;
    const int x = BarX(50);
    Click(bar, x, 10);
    Pump(300);
    EXPECT_EQ(CountCommands(kSpin), 1);
    EXPECT_NEAR(s->value, 50.0f, 0.5);
    Press(bar, x, 10);
    SendMessageA(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(x, 10));
    Release(bar, x, 10);
    Pump(300);
    EXPECT_FLOAT_EQ(s->value, 25);
    EXPECT_EQ(CountCommands(kSpin), 2);
}

TEST_F(SpinFixture, DragStepsReportWhileTheBarHasTheMouse) {
    SetSpinEditRange(s, 0, 100);
    HWND bar = s->slider;
    Press(bar, BarX(0), 10);
    Move(bar, BarX(25), 10, MK_LBUTTON);
    Move(bar, BarX(50), 10, MK_LBUTTON);
    EXPECT_EQ(CountCommands(kSpin), 2) << "one report per drag step";
    EXPECT_NEAR(s->value, 50.0f, 0.5);
    Release(bar, BarX(50), 10);
    Pump(300);
    EXPECT_EQ(CountCommands(kSpin), 3) << "and one for the commit";
}

TEST(SpinEditBands, UpDownWidthFollowsTheDpi) {
    const int saved = gScreenDpi;
    for (auto [dpi, width] : {std::pair{96, 20}, {120, 25}, {144, 30}}) {
        gScreenDpi = dpi;
        HWND w = Child(kSpinEditClass, 202, 0, 0, 140, 46);
        auto* s = static_cast<TSpinEdit*>(FindControlObject(w, kSpinEditClass));
        RECT ud, edit;
        GetWindowRect(s->upDown, &ud);
        GetWindowRect(s->edit, &edit);
        EXPECT_EQ(ud.right - ud.left, width) << dpi;
        EXPECT_EQ(edit.right - edit.left, 140 - width) << dpi;
        EXPECT_EQ(edit.bottom - edit.top, 26);
        DestroyWindow(w);
    }
    gScreenDpi = saved;
}

TEST(SpinEditSetup, SetupConfiguresByItem) {
    HWND w = Child(kSpinEditClass, 203, 0, 0, 140, 46);
    HWND label = Child("STATIC", 204, 0, 50, 60, 14);
    TSpinEdit* s = nullptr;
    static const char kTip[] = "Length of the branches";
    SetupSpinEdit(&s, Parent(), 203, 204, 1, 50, 0, 300, "Lenght", kTip, true, false, false, 10);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "Lenght");
    EXPECT_EQ(s->label, label);
    EXPECT_TRUE(s->integer);
    EXPECT_FALSE(s->rangeFollowing);
    EXPECT_FALSE(s->sliderObject->framed);
    EXPECT_FLOAT_EQ(s->outerUpper, 100) << "outer limits only with range following";
    EXPECT_FLOAT_EQ(s->upper, 50);
    EnableWindow(w, FALSE);
    EXPECT_FALSE(IsWindowEnabled(label));
    EXPECT_FALSE(IsWindowEnabled(s->edit));
    EnableWindow(w, TRUE);
    EXPECT_TRUE(IsWindowEnabled(s->slider));

    TSpinEdit* none = reinterpret_cast<TSpinEdit*>(1);
    SetupSpinEdit(&none, Parent(), 204, 0, 0, 1, 0, 1, "x", nullptr, false, true, true, 0);
    EXPECT_EQ(none, nullptr) << "another class is not a spin edit";
    DestroyWindow(label);
    DestroyWindow(w);
}

#include "DialogScript.h"

TEST_F(SpinFixture, SetValueDialogWidensTheRangeWithinTheOuterLimits) {
    SetSpinEditRange(s, 0, 100);
    s->outerLower = -50;
    s->outerUpper = 500;
    lstrcpyA(s->name, "Lenght");
    SetControlValueText(s, 40);
    ClearCommands();
    std::string type, range;
    RunWithDialog([&] { SendMessageA(w, WM_RBUTTONDOWN, 0, 0); },
                  [&](HWND dlg) {
                      type = ItemText(dlg, 15904);
                      range = ItemText(dlg, 15905);
                      EXPECT_EQ(ItemText(dlg, 15901), "Lenght");
                      EXPECT_EQ(ItemText(dlg, 15903), "Not used");
                      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, 15907)));
                      Enter(dlg, 15909, "900");  // beyond the outer limit: cut to 500
                      EXPECT_EQ(ItemText(dlg, 15909), "500.00");
                      Enter(dlg, 15908, "600");  // not below the maximum: refused
                      EXPECT_EQ(ItemText(dlg, 15908), "0.00");
                      Enter(dlg, 15908, "-20");
                      Enter(dlg, 15906, "300");
                      SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
                  });
    EXPECT_EQ(type, "Float slider");
    EXPECT_EQ(range, "-50.00 ... 500.00");
    EXPECT_FLOAT_EQ(s->lower, -20);
    EXPECT_FLOAT_EQ(s->upper, 500);
    EXPECT_FLOAT_EQ(s->value, 300);
    EXPECT_EQ(Text(), "300.00");
    Pump(50);
    EXPECT_EQ(CountCommands(kSpin), 1);
}

TEST_F(SpinFixture, SetValueDialogCancelChangesNothing) {
    SetSpinEditRange(s, 0, 100);
    s->outerUpper = 100;
    SetControlValueText(s, 40);
    ClearCommands();
    RunWithDialog([&] { SendMessageA(w, WM_RBUTTONDOWN, 0, 0); },
                  [&](HWND dlg) {
                      Enter(dlg, 15906, "70");
                      // Cancel with a field in hand restores the field and stays open.
                      SetFocus(GetDlgItem(dlg, 15906));
                      SetDlgItemTextA(dlg, 15906, "99");
                      SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                      Pump(20);
                      EXPECT_EQ(ItemText(dlg, 15906), "70.00");
                      SetFocus(GetDlgItem(dlg, IDCANCEL));
                      SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
                  });
    EXPECT_FLOAT_EQ(s->value, 40);
    Pump(50);
    EXPECT_EQ(CountCommands(kSpin), 0);

    // Without range following a right click opens nothing.
    s->rangeFollowing = false;
    bool opened = false;
    DialogScript script{[&](HWND d) {
        opened = true;
        EndDialog(d, 2);
    }};
    gScript = &script;
    UINT_PTR t = SetTimer(nullptr, 0, 20, ScriptTimer);
    SendMessageA(w, WM_RBUTTONDOWN, 0, 0);
    Pump(150);
    KillTimer(nullptr, t);
    gScript = nullptr;
    EXPECT_FALSE(opened);
}
