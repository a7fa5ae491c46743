// The rotor dials: dragging with turns and limits, click timing, the centre
// field, the pad, the value mode and the dial's "Set value" dialog.
#include <gtest/gtest.h>

#include <cmath>

#include "DialMath.h"
#include "DialogScript.h"
#include "RigSupport.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kRotor = 301;

struct RotorFixture : ::testing::Test {
    void SetUp() override {
        w = Child(kRotorClass, kRotor, 20, 20, 100, 100);
        ASSERT_NE(w, nullptr);
        r = static_cast<TRotor*>(FindControlObject(w, kRotorClass));
        ASSERT_NE(r, nullptr);
        ClearCommands();
    }
    void TearDown() override { DestroyWindow(w); }
    // The client point at `angle` on the turn dial, 40 pixels out.
    POINT At(float angle) const {
        float x, y;
        DialKnobPoint(angle, 50.0f, 50.0f, 40.0f, &x, &y);
        return POINT{int(std::lround(x)), int(std::lround(y))};
    }
    HWND w = nullptr;
    TRotor* r = nullptr;
};

void Drag(HWND w, std::initializer_list<POINT> points) {
    auto it = points.begin();
    Press(w, it->x, it->y);
    for (++it; it != points.end(); ++it) Move(w, it->x, it->y, MK_LBUTTON);
}
}  // namespace

TEST_F(RotorFixture, UnlimitedTurnDialRunsOnAcrossZero) {
    r->rotorKind = kTurnDial;
    Drag(w, {At(350), At(355), At(5), At(10)});
    EXPECT_NEAR(r->angle1, 370.0f, 1.5);
    EXPECT_EQ(r->turns, 1.0f);
    Release(w, At(10).x, At(10).y);
}

TEST_F(RotorFixture, LimitedTurnDialStopsAtItsUpperLimit) {
    r->rotorKind = kTurnDial;
    r->limited = true;
    r->angleLower = 0;
    r->angleUpper = 360;
    Drag(w, {At(350), At(355), At(5), At(10)});
    EXPECT_FLOAT_EQ(r->angle1, 360.0f);
    Release(w, At(10).x, At(10).y);
}

TEST_F(RotorFixture, ClickReportsAfter200msAndFastDoubleClickOnce) {
    r->rotorKind = kTurnDial;
    r->default1 = 90;
    POINT p = At(200);
    Click(w, p.x, p.y);
    const DWORD released = GetTickCount();
    EXPECT_EQ(CountCommands(kRotor), 0);
    ASSERT_TRUE(PumpUntil([] { return CountCommands(kRotor) > 0; }, 1000));
    EXPECT_GE(int(FirstCommand(kRotor)->tick - released), 150);
    EXPECT_NEAR(r->angle1, 200.0f, 1.5);

    ClearCommands();
    RealDoubleClick(w, p.x, p.y);
    Pump(400);
    EXPECT_EQ(CountCommands(kRotor), 1) << "the double click reports, its first click does not";
    EXPECT_FLOAT_EQ(r->angle1, 90.0f) << "the default comes back";
}

TEST_F(RotorFixture, CentreFieldTakesTypedAnglesAndItsOwnClicks) {
    r->rotorKind = kTurnDial;
    HWND edit = CreateRoundEdit(r, 50);
    ASSERT_NE(edit, nullptr);
    RECT rc;
    GetWindowRect(edit, &rc);
    EXPECT_EQ(rc.right - rc.left, 50);
    EXPECT_EQ(rc.bottom - rc.top, 22) << "96 dpi";
    EXPECT_EQ(r->hitRect.left, 25);

    SetWindowTextA(edit, "123.5");
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(1, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
    EXPECT_FLOAT_EQ(r->angle1, 123.5f);
    EXPECT_EQ(CountCommands(kRotor), 1);
    EXPECT_EQ(detail::WindowText(edit, 20), "123.50");

    // Hovering over the dial captures the mouse; over the field it lets go,
    // so that the field gets its own clicks.
    Move(w, At(0).x, At(0).y, 0);
    EXPECT_EQ(GetCapture(), w);
    Move(w, 50, 50, 0);
    EXPECT_NE(GetCapture(), w);
    Press(w, 50, 50);
    EXPECT_FLOAT_EQ(r->angle1, 123.5f) << "a press on the field is not a dial click";
    EXPECT_FALSE(r->dragging);
    Move(w, 300, 300, 0);
}

TEST_F(RotorFixture, PadShowsItsPointAndRestoresTheDefaultPoint) {
    r->rotorKind = kDirectionDial;
    r->lightPosition = true;
    HWND x = Child("EDIT", 302, 200, 20, 60, 20);
    HWND y = Child("EDIT", 303, 200, 50, 60, 20);
    r->text1 = x;
    r->text3 = y;
    PointToLightAngles(r, 50.0f, -25.0f);  // the page hands y downwards
    EXPECT_EQ(detail::WindowText(x, 20), "50.00");
    EXPECT_EQ(detail::WindowText(y, 20), "25.00");

    r->default1 = 0;
    r->default2 = 0;
    SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(10, 10));
    EXPECT_NEAR(r->angle2, 90.0f, 1e-3) << "the default point is the pad's centre";
    EXPECT_EQ(detail::WindowText(x, 20), "0.00");
    EXPECT_EQ(CountCommands(kRotor), 1);

    // A press right of the centre, at the rim, lights from the right at elevation 0.
    Press(w, 99, 51);
    EXPECT_NEAR(r->angle1, 0.0f, 1.5);
    EXPECT_NEAR(r->angle2, 0.0f, 1e-3);
    Release(w, 99, 51);
    EnableControl(r, false);
    EXPECT_FALSE(IsWindowEnabled(x));
    EXPECT_FALSE(IsWindowEnabled(w));
    EnableControl(r, true);
    DestroyWindow(x);
    DestroyWindow(y);
}

TEST_F(RotorFixture, ValueModeMapsTheDialOntoTheRange) {
    SetRotorValueRange(r, 0, 50);
    EXPECT_EQ(r->rotorKind, kValueDial);
    EXPECT_EQ(r->knobSize, 8);
    HWND t = Child("EDIT", 304, 200, 20, 60, 20);
    r->text1 = t;
    r->integer = true;
    SetRotorValue(r, 25.7f);
    EXPECT_FLOAT_EQ(r->value, 25.0f);
    EXPECT_FLOAT_EQ(r->angle1, 180.0f);
    EXPECT_EQ(detail::WindowText(t, 20), "25");
    SetRotorValue(r, 99.0f);
    EXPECT_FLOAT_EQ(r->value, 50.0f) << "clamped to the range";
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(3, 0), 1);  // one down, quietly
    EXPECT_FLOAT_EQ(r->value, 49.0f);
    EXPECT_EQ(CountCommands(kRotor), 0);
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(2, 0), 0);
    EXPECT_FLOAT_EQ(r->value, 50.0f);
    EXPECT_EQ(CountCommands(kRotor), 1);
    DestroyWindow(t);
}

TEST_F(RotorFixture, SetValueDialogOfTheDirectionDialTakesBothAngles) {
    r->rotorKind = kDirectionDial;
    SetControlAngles(r, 30, 45);
    std::string type, range;
    RunWithDialog([&] { SendMessageA(w, WM_RBUTTONDOWN, 0, 0); },
                  [&](HWND dlg) {
                      type = ItemText(dlg, 15904);
                      range = ItemText(dlg, 15905);
                      EXPECT_EQ(ItemText(dlg, 15903), "45.00");
                      EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, 15907)));
                      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, 15908)));
                      Enter(dlg, 15906, "120");
                      Enter(dlg, 15907, "10");
                      SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
                  });
    EXPECT_EQ(type, "Light position");
    EXPECT_EQ(range, "Not limit");
    EXPECT_FLOAT_EQ(r->angle1, 120);
    EXPECT_FLOAT_EQ(r->angle2, 10);
    Pump(30);
    EXPECT_EQ(CountCommands(kRotor), 1);
}

TEST_F(RotorFixture, TurnDialDialogClampsOnlyWhenLimited) {
    r->rotorKind = kTurnDial;
    r->limited = true;
    r->angleUpper = 360;
    RunWithDialog([&] { SendMessageA(w, WM_RBUTTONDOWN, 0, 0); },
                  [&](HWND dlg) {
                      EXPECT_EQ(ItemText(dlg, 15904), "Float angle");
                      Enter(dlg, 15906, "500");
                      EXPECT_EQ(ItemText(dlg, 15906), "360.00");
                      SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
                  });
    EXPECT_FLOAT_EQ(r->angle1, 360);
    r->limited = false;
    RunWithDialog([&] { SendMessageA(w, WM_RBUTTONDOWN, 0, 0); },
                  [&](HWND dlg) {
                      Enter(dlg, 15906, "500");
                      SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
                  });
    EXPECT_FLOAT_EQ(r->angle1, 500);
}

TEST(RotorTexture, LoadsTheSphereTextureOfItsSize) {
    ASSERT_TRUE(LoadBackgroundBitmap());
    ASSERT_NE(BackgroundTexture(), nullptr);
    FreeBackgroundBitmap();
    EXPECT_EQ(BackgroundTexture(), nullptr);
    // A bitmap of another size is refused rather than read out of bounds.
    EXPECT_FALSE(LoadBackgroundBitmap(IDB_RIG_PANEL));
    EXPECT_EQ(BackgroundTexture(), nullptr);
    EXPECT_FALSE(LoadBackgroundBitmap(4999)) << "missing resource";
}
