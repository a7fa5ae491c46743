// The plain panel and captions, the cross frame and the horizontal spin edit.
#include <gtest/gtest.h>

#include "RigSupport.h"
#include "WidgetMath.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
TContanerPanel* Panel(HWND w) { return static_cast<TContanerPanel*>(FindControlObject(w, kContanerClass)); }

int CountPixels(const Snapshot& s, COLORREF c) {
    int n = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) n += s.At(x, y) == c;
    return n;
}
}  // namespace

TEST(PlainPanel, CaptionsPaintFrameAndTextOnlyWhenAsked) {
    HWND w = Child(kContanerClass, 700, 0, 0, 80, 20);
    TContanerPanel* p = Panel(w);
    ASSERT_NE(p, nullptr);
    p->style = 4;
    Snapshot s = Snap(w);
    EXPECT_EQ(CountPixels(s, kDialogGrey), 80 * 20 - (2 * 80 + 2 * 18)) << "no text: background and frame only";
    EXPECT_EQ(s.At(0, 0), p->frameColor);

    p->text = "Position";
    p->textColor = RGB(0, 0, 200);
    s = Snap(w);
    const int inked = CountPixels(s, RGB(0, 0, 200));
    EXPECT_GT(inked, 10) << "the caption is written";
    EnableWindow(w, FALSE);
    s = Snap(w);
    EXPECT_EQ(CountPixels(s, RGB(0, 0, 200)), 0);
    EXPECT_EQ(CountPixels(s, DisabledCaptionColor(RGB(0, 0, 200))), inked) << "halved plus 100 when disabled";
    EXPECT_EQ(s.At(0, 0), p->shadow) << "disabled frame";

    p->style = 0;
    EnableWindow(w, TRUE);
    EXPECT_EQ(CountPixels(Snap(w), kDialogGrey), 80 * 20) << "a plain panel shows only its background";
    DestroyWindow(w);
}

TEST(PlainPanel, ClickableCaptionPostsOnReleaseUnlessDisabled) {
    HWND w = Child(kContanerClass, 701, 0, 0, 80, 20);
    TContanerPanel* p = Panel(w);
    p->style = 5;
    p->text = "More";
    ClearCommands();
    Click(w, 10, 10);
    Pump(20);
    EXPECT_EQ(CountCommands(701, 0), 1);

    EnableWindow(w, FALSE);
    ClearCommands();
    SendMessageA(w, WM_LBUTTONUP, 0, Pt(10, 10));
    Pump(20);
    EXPECT_EQ(CountCommands(701), 0) << "a disabled caption ignores the release";
    DestroyWindow(w);
}

TEST(PlainPanel, HoverPanelFollowsTheMouseAndPassesCommandsOn) {
    HWND w = Child(kContanerClass, 702, 0, 0, 60, 40);
    TContanerPanel* p = Panel(w);
    p->mode = 6;
    Move(w, 10, 10, 0);
    EXPECT_EQ(p->state, 1);
    EXPECT_EQ(GetCapture(), w);
    Move(w, 100, 10, 0);
    EXPECT_EQ(p->state, 0);
    EXPECT_NE(GetCapture(), w);

    ClearCommands();
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(5001, 7), 42);
    Pump(20);
    ASSERT_EQ(CountCommands(5001, 7), 1) << "a child's command reaches the panel's parent unchanged";
    EXPECT_EQ(FirstCommand(5001)->lp, 42);
    DestroyWindow(w);
}

TEST(CrossFrame, DrawsItsCrossFromTheInset) {
    HWND w = Child(kContaner1Class, 703, 0, 0, 50, 40);
    auto* c = static_cast<TContaner1*>(FindControlObject(w, kContaner1Class));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->inset, 10);
    Snapshot s = Snap(w);
    EXPECT_EQ(s.At(10, 0), RGB(0, 0, 0));
    EXPECT_EQ(s.At(9, 0), kDialogGrey) << "nothing left of the inset";
    EXPECT_EQ(s.At(30, 20), RGB(0, 0, 0)) << "the lines cross in the middle of their span";
    EXPECT_EQ(s.At(30, 5), kDialogGrey);
    DestroyWindow(w);
}

namespace {
struct HorFixture : ::testing::Test {
    void SetUp() override {
        w = Child(kSpinEditHorClass, 710, 0, 0, 200, 24);
        ASSERT_NE(w, nullptr);
        s = static_cast<TSpinEditHor*>(FindControlObject(w, kSpinEditHorClass));
        ASSERT_NE(s, nullptr);
        track = GetDlgItem(s->slider, 333);
        ClearCommands();
    }
    void TearDown() override { DestroyWindow(w); }
    RECT Place(HWND child) const {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    HWND w = nullptr;
    TSpinEditHor* s = nullptr;
    HWND track = nullptr;
};
}  // namespace

TEST_F(HorFixture, LaysOutTrackbarEditAndUpDown) {
    EXPECT_EQ(FindControlObject(w, kSpinEditClass), nullptr) << "its own class name";
    EXPECT_TRUE(s->horizontal);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(s->sliderObject->kind, 2);
    EXPECT_EQ(s->sliderObject->trackbar, track);
    const RECT bar = Place(s->slider), edit = Place(s->edit), ud = Place(s->upDown);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.top, 3);
    EXPECT_EQ(bar.right, 200 - 62);
    EXPECT_EQ(edit.left, 200 - 62);
    EXPECT_EQ(edit.right - edit.left, 40);
    EXPECT_EQ(ud.left, 200 - 20);
    EXPECT_EQ(ud.right - ud.left, 16);
}

TEST_F(HorFixture, TrackbarValueEditAndUpDownStayInStep) {
    SetSpinEditRange(s, 0, 50);
    EXPECT_EQ(SendMessageA(track, TBM_GETRANGEMAX, 0, 0), 50);
    SetControlValueText(s, 30);
    EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 30);
    EXPECT_EQ(detail::WindowText(s->edit, 31), "30.00");

    // The user drags the thumb: reported while dragging, then once at the end.
    SendMessageA(track, TBM_SETPOS, TRUE, 12);
    SendMessageA(s->slider, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 12), reinterpret_cast<LPARAM>(track));
    Pump(20);
    EXPECT_FLOAT_EQ(s->value, 12);
    EXPECT_EQ(CountCommands(710, 0), 1);
    EXPECT_EQ(FirstCommand(710)->lp, 1) << "a drag step";
    SendMessageA(s->slider, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(track));
    Pump(20);
    EXPECT_EQ(CountCommands(710, 0), 2);
    EXPECT_EQ(gCommands.back().lp, 0);
    EXPECT_EQ(detail::WindowText(s->edit, 31), "12.00");

    // Typed text moves the thumb.
    SetWindowTextA(s->edit, "44");
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(1, EN_KILLFOCUS), reinterpret_cast<LPARAM>(s->edit));
    EXPECT_EQ(SendMessageA(track, TBM_GETPOS, 0, 0), 44);
}

TEST_F(HorFixture, AnswersColourMessagesWithTheDialogBrush) {
    HDC dc = GetDC(w);
    EXPECT_EQ(SendMessageA(w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(gBackBrush));
    EXPECT_EQ(GetTextColor(dc), kStaticTextColor);
    EXPECT_EQ(SendMessageA(w, WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(dc), 0),
              reinterpret_cast<LRESULT>(gBackBrush));
    ReleaseDC(w, dc);
}
