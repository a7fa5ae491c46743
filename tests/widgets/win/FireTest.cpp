// The fire button and knob: burning while hovered, dying down by its timer,
// the value commands and the knob's drag.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "AnimatedWidgets.h"
#include "RigSupport.h"
#include "WidgetCreators.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kFire = 800;

struct FireFixture : ::testing::Test {
    void SetUp() override {
        w = Child(kControlButtonFireClass, kFire, 10, 10, 40, 40);
        ASSERT_NE(w, nullptr);
        f = static_cast<TControlButtonFire*>(FindControlObject(w, kControlButtonFireClass));
        ASSERT_NE(f, nullptr);
        ClearCommands();
    }
    void TearDown() override {
        if (w) DestroyWindow(w);
    }
    int Differing(const Snapshot& a, const Snapshot& b, int* meanDiff = nullptr) const {
        int n = 0;
        long sum = 0;
        for (size_t i = 0; i < a.bgr.size(); ++i) {
            const int d = std::abs(int(a.bgr[i]) - int(b.bgr[i]));
            n += d != 0;
            sum += d;
        }
        if (meanDiff) *meanDiff = int(sum / long(a.bgr.size()));
        return n;
    }
    HWND w = nullptr;
    TControlButtonFire* f = nullptr;
};
}  // namespace

TEST_F(FireFixture, BurnsWhileHoveredAndDiesDownAfterLeaving) {
    EXPECT_TRUE(f->knob.limited);
    EXPECT_EQ(f->flameLevel, 0);
    const Snapshot still = Snap(w);
    EXPECT_EQ(still.At(20, 20), kDialogGrey);

    RealMove(w, 20, 20);
    EXPECT_EQ(f->flameLevel, 41);
    EXPECT_EQ(GetCapture(), w);
    Pump(100);
    EXPECT_TRUE(f->timerRunning);
    const Snapshot a = Snap(w);
    Pump(30);
    const Snapshot b = Snap(w);
    EXPECT_GT(Differing(still, a), 40 * 40) << "the face burns";
    int mean = 0;
    EXPECT_GT(Differing(a, b, &mean), 0) << "the flames move";
    EXPECT_LT(mean, 100) << "from one frame to the next, not a new picture";

    RealMove(w, 60, 20);  // pumps 20 ms: a tick or two
    EXPECT_LE(f->flameLevel, 39);
    EXPECT_GE(f->flameLevel, 33);
    EXPECT_NE(GetCapture(), w);
    const DWORD left = GetTickCount();
    const int ticks = (f->flameLevel + 1) / 2;
    ASSERT_TRUE(PumpUntil([&] { return f->flameLevel == 0; }, 2000));
    // Two rows a 15 ms tick, timer resolution allowing.
    EXPECT_GE(int(GetTickCount() - left), ticks * 15 - 50);
    Pump(50);
    EXPECT_FALSE(f->timerRunning);
    EXPECT_EQ(Differing(still, Snap(w)), 0) << "the still face again";
}

TEST_F(FireFixture, ValueCommandsAndTheEditChild) {
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 30, 14, w, HMENU(1), gUiInstance, nullptr);
    f->editChild = edit;
    f->SetValue(10.0f);
    EXPECT_EQ(detail::WindowText(edit, 16), "10.00");

    SendMessageA(w, WM_COMMAND, MAKEWPARAM(3, 0), 1);
    EXPECT_FLOAT_EQ(f->knob.value, 9.0f);
    EXPECT_EQ(CountCommands(kFire), 0) << "one down with lParam 1 is quiet";
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(2, 0), 0);
    EXPECT_FLOAT_EQ(f->knob.value, 10.0f);
    EXPECT_EQ(CountCommands(kFire, 0), 1);

    SetWindowTextA(edit, "42.5");
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(1, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
    EXPECT_FLOAT_EQ(f->knob.value, 42.5f);
    EXPECT_EQ(f->flameLevel, 40) << "a typed value lights the dying fire";
    SetWindowTextA(edit, "1e39");
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(1, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
    EXPECT_FLOAT_EQ(f->knob.value, 42.5f) << "not a finite value: refused";
    EXPECT_EQ(detail::WindowText(edit, 16), "42.50");

    EnableWindow(w, FALSE);
    EXPECT_FALSE(IsWindowEnabled(edit));
    EnableWindow(w, TRUE);
}

TEST_F(FireFixture, KnobDragReportsStepsAndTheRelease) {
    f->fireKind = 1;
    f->notifyWhileDragging = true;
    f->knob.angleLow = 0.0f;
    f->knob.angleHigh = 360.0f;
    f->SetRange(0.0f, 100.0f);
    Press(w, 20, 0);  // the top: 360 less 0
    Move(w, 0, 19, MK_LBUTTON);  // about a quarter turn counter-clockwise
    EXPECT_NEAR(f->knob.angle, 87.1f, 0.2f);
    EXPECT_NEAR(f->knob.value, 87.1f / 3.6f, 0.1f);
    EXPECT_EQ(CountCommands(kFire, 0), 2);
    EXPECT_EQ(gCommands.back().lp, 1) << "drag steps say so";
    Release(w, 2, 20);
    EXPECT_EQ(gCommands.back().lp, 0);
    EXPECT_EQ(CountCommands(kFire, 0), 3);
    EXPECT_FALSE(f->dragging);
}

TEST_F(FireFixture, DestroyedWhileBurningLeavesNoTimer) {
    Move(w, 20, 20, 0);
    Pump(60);
    ASSERT_TRUE(f->timerRunning);
    EXPECT_FALSE(DestroyLeavesTimer(w, 7))  // the fire timer (TControlButtonFire::kFireTimer)
        << "the button's WM_DESTROY left its fire timer set";
    w = nullptr;
    Pump(60);  // and no tick reaches the freed object
}

TEST(FireSkins, StillFaceBlendsOverTheParentsPictureByItsAlpha) {
    TControlButtonFire* f = CreateFireButton(Parent(), 3, 2, 4, 1, 801);
    ASSERT_NE(f, nullptr);
    // The parent's picture: 10 x 5, blue where the control lies.
    std::vector<uint8_t> back(10 * 5 * 3, 0);
    for (int x = 3; x < 7; ++x) back[(size_t(2) * 10 + x) * 3] = 200;  // blue byte first
    const uint8_t face[4 * 3] = {0, 0, 250, 0, 0, 250, 0, 0, 250, 0, 0, 250};  // red
    const float alpha[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    f->SetSkins(face, alpha, back.data(), 10, 5);
    EXPECT_TRUE(f->skinsLoaded);
    const Snapshot s = Snap(f->wnd);
    EXPECT_EQ(s.At(0, 0), RGB(0, 0, 200)) << "alpha 0: the parent's picture";
    EXPECT_EQ(s.At(1, 0), RGB(125, 0, 100));
    EXPECT_EQ(s.At(2, 0), RGB(250, 0, 0));
    EXPECT_EQ(s.At(3, 0), RGB(250, 0, 0)) << "alpha above 1 counts as 1";
    DestroyWindow(f->wnd);
}
