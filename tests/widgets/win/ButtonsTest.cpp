// The colour swatch, the skinned push button and the link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RigSupport.h"
#include "WidgetIds.h"
#include "WidgetMath.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kSwatch = 501;

struct DialogCall {
    HWND owner;
    COLORREF initial;
    bool hooked;
};
std::vector<DialogCall> gDialogCalls;
bool gDialogChooses = true;
int gHostAnswer = 0;
int gHostCalls = 0;

bool RecordingDialog(HWND owner, COLORREF* color, COLORREF custom[16], bool hooked) {
    gDialogCalls.push_back({owner, *color, hooked});
    EXPECT_NE(custom, nullptr);
    if (!gDialogChooses) return false;
    *color = RGB(1, 2, 3);
    return true;
}

int HostPicker(COLORREF* rgb) {
    ++gHostCalls;
    if (gHostAnswer == 0) *rgb = RGB(10, 20, 30);
    return gHostAnswer;
}

struct SwatchFixture : ::testing::Test {
    void SetUp() override {
        gDialogCalls.clear();
        gDialogChooses = true;
        gHostCalls = 0;
        SetSystemColorDialog(RecordingDialog);
        w = Child(kColorClass, kSwatch, 10, 10, 40, 20);
        c = static_cast<TContanerColor*>(FindControlObject(w, kColorClass));
        ASSERT_NE(c, nullptr);
        c->color = RGB(200, 100, 0);
        ClearCommands();
    }
    void TearDown() override {
        DestroyWindow(w);
        SetSystemColorDialog(nullptr);
        SetHostColorPicker(nullptr);
    }
    HWND w = nullptr;
    TContanerColor* c = nullptr;
};
}  // namespace

TEST_F(SwatchFixture, HostPickerAnswersAColour) {
    SetHostColorPicker(HostPicker);
    gHostAnswer = 0;
    Click(w, 5, 5);
    EXPECT_EQ(gHostCalls, 1);
    EXPECT_TRUE(gDialogCalls.empty());
    EXPECT_EQ(c->color, RGB(10, 20, 30));
    EXPECT_EQ(CountCommands(kSwatch, 0), 1);
}

TEST_F(SwatchFixture, HostCancelChangesNothingAndOpensNoDialog) {
    SetHostColorPicker(HostPicker);
    gHostAnswer = -128;
    Click(w, 5, 5);
    EXPECT_TRUE(gDialogCalls.empty());
    EXPECT_EQ(c->color, RGB(200, 100, 0));
    EXPECT_EQ(CountCommands(kSwatch), 0);
}

TEST_F(SwatchFixture, HostErrorFallsBackToTheSystemDialog) {
    SetHostColorPicker(HostPicker);
    gHostAnswer = -30900;
    SendMessageA(w, WM_RBUTTONUP, 0, Pt(5, 5));
    ASSERT_EQ(gDialogCalls.size(), 1u);
    EXPECT_EQ(gDialogCalls[0].owner, GetAncestor(w, GA_ROOT)) << "owned by the dialog window";
    EXPECT_EQ(gDialogCalls[0].initial, RGB(200, 100, 0));
    EXPECT_FALSE(gDialogCalls[0].hooked);
    EXPECT_EQ(c->color, RGB(1, 2, 3));
    EXPECT_EQ(CountCommands(kSwatch), 1);
}

TEST_F(SwatchFixture, WithoutHostServicesTheSwatchOpensItsOwnDialog) {
    Click(w, 5, 5);
    ASSERT_EQ(gDialogCalls.size(), 1u);
    EXPECT_EQ(gDialogCalls[0].owner, w);
    EXPECT_TRUE(gDialogCalls[0].hooked);
    EXPECT_EQ(CountCommands(kSwatch), 1);

    gDialogChooses = false;
    ClearCommands();
    Click(w, 5, 5);
    EXPECT_EQ(CountCommands(kSwatch), 0) << "a cancelled dialog reports nothing";
    EXPECT_EQ(c->color, RGB(1, 2, 3));
}

TEST_F(SwatchFixture, OutlineContrastsAndHoverInverts) {
    Snapshot s = Snap(w);
    EXPECT_EQ(s.At(0, 0), RGB(182, 77, 127));
    EXPECT_EQ(s.At(20, 10), RGB(200, 100, 0));
    Move(w, 5, 5, 0);
    EXPECT_TRUE(c->hover);
    EXPECT_EQ(GetCapture(), w);
    EXPECT_EQ(Snap(w).At(0, 0), RGB(55, 155, 255));
    Move(w, 100, 5, 0);
    EXPECT_FALSE(c->hover);
    EXPECT_NE(GetCapture(), w);

    HWND label = Child("STATIC", 502, 60, 10, 40, 14);
    c->label = label;
    EnableWindow(w, FALSE);
    EXPECT_FALSE(IsWindowEnabled(label));
    s = Snap(w);
    EXPECT_EQ(s.At(1, 1), kDialogGrey) << "disabled: no outline, an inset swatch";
    EXPECT_EQ(s.At(5, 4), RGB(200, 100, 0));
    EnableWindow(w, TRUE);
    DestroyWindow(label);
}

// ---- Skinned push button --------------------------------------------------
namespace {
COLORREF BitmapPixel(HBITMAP b, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(dc, b);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, o);
    DeleteDC(dc);
    return c;
}
}  // namespace

TEST(MacStyleButton, DefaultAndNormalButtonsReturnToTheirLook) {
    HWND a = Child(kMacStyleBtnClass, 601, 10, 10, 90, 24);
    HWND b = Child(kMacStyleBtnClass, 602, 110, 10, 90, 24);
    SetupMacStyleBtn(Parent(), 601, "Apply", true);
    SetupMacStyleBtn(Parent(), 602, "Close", false);
    auto* da = static_cast<MacStyleBtn*>(FindControlObject(a, kMacStyleBtnClass));
    auto* db = static_cast<MacStyleBtn*>(FindControlObject(b, kMacStyleBtnClass));
    EXPECT_EQ(da->state, 3);
    EXPECT_STREQ(da->caption, "Apply");
    ClearCommands();
    for (HWND w : {a, b}) {
        Move(w, 10, 10, 0);
        Press(w, 10, 10);
        Release(w, 10, 10);
        Move(w, 300, 300, 0);
    }
    EXPECT_EQ(da->state, 3);
    EXPECT_EQ(db->state, 0);
    Pump(20);
    EXPECT_EQ(CountCommands(601, 0), 1);
    EXPECT_EQ(CountCommands(602, 0), 1);

    // Each state shows its own skin: the middle column at the top edge.
    EXPECT_EQ(Snap(a).At(45, 0), BitmapPixel(MacStyleBtnBitmap(2, 1), 5, 0));
    EXPECT_EQ(Snap(b).At(45, 0), BitmapPixel(MacStyleBtnBitmap(0, 1), 5, 0));
    Move(b, 10, 10, 0);
    EXPECT_EQ(Snap(b).At(45, 0), BitmapPixel(MacStyleBtnBitmap(1, 1), 5, 0));
    Press(b, 10, 10);
    EXPECT_EQ(Snap(b).At(45, 0), BitmapPixel(MacStyleBtnBitmap(3, 1), 5, 0));
    Release(b, 10, 10);
    Move(b, 300, 300, 0);
    Pump(20);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(MacStyleButton, PressElsewhereReleaseHereCommands) {
    HWND other = Child("STATIC", 603, 200, 100, 60, 30, WS_CHILD | WS_VISIBLE | SS_NOTIFY);
    HWND b = Child(kMacStyleBtnClass, 604, 10, 100, 80, 24);
    SetupMacStyleBtn(Parent(), 604, "Go", false);
    ClearCommands();
    RealMove(other, 10, 10);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    Pump(30);
    RealMove(b, 20, 10);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    Pump(50);
    EXPECT_EQ(CountCommands(604, 0), 1);
    RealMove(other, 10, 10);
    Pump(20);
    DestroyWindow(b);
    DestroyWindow(other);
}

// A button of any height shows the skin's whole border: the rounded top
// and bottom rows keep their place at its edges (the main dialog's buttons
// are 22 pixels high, the skin 24; the preset panel's grow with the dpi).
TEST(MacStyleButton, ButtonsOfAnyHeightKeepTheirBorderAndNarrowOnesDoNotMirror) {
    for (const int h : {22, 24, 30}) {
        HWND b = Child(kMacStyleBtnClass, 605, 10, 200, 80, h);
        SetupMacStyleBtn(Parent(), 605, nullptr, false);
        Snapshot s = Snap(b);
        HBITMAP middle = MacStyleBtnBitmap(0, 1);
        for (int y = 0; y < kSkinEndRows; ++y) {
            EXPECT_EQ(s.At(40, y), BitmapPixel(middle, 9, y)) << "top row " << y << " of " << h;
            EXPECT_EQ(s.At(40, h - 1 - y), BitmapPixel(middle, 9, kSkinHeight - 1 - y))
                << "bottom row " << y << " of " << h;
        }
        DestroyWindow(b);
    }

    HWND narrow = Child(kMacStyleBtnClass, 606, 10, 240, 20, 24);
    SetupMacStyleBtn(Parent(), 606, nullptr, false);
    Snapshot s = Snap(narrow);
    // Left half from the left cap, right half from the right cap's outer end.
    for (int y = 0; y < 24; ++y) {
        EXPECT_EQ(s.At(0, y), BitmapPixel(MacStyleBtnBitmap(0, 0), 0, y)) << y;
        EXPECT_EQ(s.At(19, y), BitmapPixel(MacStyleBtnBitmap(0, 2), 17, y)) << y;
    }
    DestroyWindow(narrow);
}

TEST(MacStyleButton, ResourcesLiveUntilTheOutermostDestroy) {
    HBITMAP b = MacStyleBtnBitmap(0, 0);
    ASSERT_TRUE(Alive(b));
    CreateMacStyleBtnFonts();  // a nested dialog
    EXPECT_EQ(MacStyleBtnBitmap(0, 0), b) << "loaded once";
    DestroyMacStyleBtnResources();
    EXPECT_TRUE(Alive(b)) << "the outer dialog still shows its buttons";
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(gUiInstance, kMacStyleBtnClass, &wc));

    std::vector<HBITMAP> all;
    for (int s = 0; s < 4; ++s)
        for (int p = 0; p < 3; ++p) all.push_back(MacStyleBtnBitmap(s, p));
    DestroyMacStyleBtnResources();
    for (HBITMAP h : all) EXPECT_FALSE(Alive(h));
    EXPECT_EQ(MacStyleBtnBitmap(0, 0), nullptr) << "handles are cleared";
    EXPECT_FALSE(GetClassInfoA(gUiInstance, kMacStyleBtnClass, &wc));
    DestroyMacStyleBtnResources();  // once too often: harmless
    CreateMacStyleBtnFonts();
    EXPECT_TRUE(Alive(MacStyleBtnBitmap(3, 2)));
}

// ---- Link -----------------------------------------------------------------
TEST(ContainerLinkControl, LinksReportClicksAndPlainTextDoesNot) {
    HWND l = Child(kContainerLinkClass, 701, 10, 300, 200, 20);
    HWND t = Child(kContainerLinkClass, 702, 10, 330, 200, 20);
    SetupContainerLink(Parent(), 701, "Visit the site", true, false);
    SetupContainerLink(Parent(), 702, "Version 1.0", false, true);
    ClearCommands();
    Press(l, 5, 5);
    Press(t, 5, 5);
    EXPECT_EQ(CountCommands(701, 0), 1);
    EXPECT_EQ(CountCommands(702), 0);

    // Blue link text, black plain text, on the dialog grey.
    auto hasInk = [](const Snapshot& s, COLORREF ink) {
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                if (s.At(x, y) == ink) return true;
        return false;
    };
    Snapshot sl = Snap(l), st = Snap(t);
    EXPECT_TRUE(hasInk(sl, RGB(0, 0, 255)));
    EXPECT_TRUE(hasInk(st, RGB(0, 0, 0)));
    EXPECT_EQ(sl.At(0, 0), kDialogGrey);
    // Left-aligned text starts at the left edge; centred text does not.
    auto firstInkColumn = [](const Snapshot& s) {
        for (int x = 0; x < s.width; ++x)
            for (int y = 0; y < s.height; ++y)
                if (s.At(x, y) != kDialogGrey) return x;
        return -1;
    };
    EXPECT_LE(firstInkColumn(st), 2);
    EXPECT_GT(firstInkColumn(sl), 30);

    // A centred text wider than the control is cut on both sides.
    SetupContainerLink(Parent(), 701, "A very long line of text that never fits in the control", true, false);
    EXPECT_EQ(firstInkColumn(Snap(l)), 0);
    DestroyWindow(l);
    DestroyWindow(t);
}
