// Widgets made by program, the BUTTON subclass and the animated button.
#include <gtest/gtest.h>

#include "BitmapButtons.h"
#include "RigSupport.h"
#include "WidgetCreators.h"
#include "WidgetIds.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
bool InRegion(HWND w, int x, int y) {
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(w, r) != ERROR;
    const bool in = has && PtInRegion(r, x, y);
    DeleteObject(r);
    return in;
}
}  // namespace

TEST(Creators, EachClassByItsCreatorWithItsExtras) {
    HWND p = Parent();
    TControlButtonFire* f = CreateFireButton(p, 10, 12, 40, 40, 1001);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->x, 10);
    EXPECT_EQ(f->y, 12);
    EXPECT_EQ(GetWindowLongA(f->wnd, GWL_STYLE) & 0x56000000, 0x56000000);

    TContanerPanel* c = CreateCaption(p, 0, 0, 80, 18, 1002, "Size");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->style, 4);
    EXPECT_EQ(c->text, "Size");
    TContanerPanel* link = CreateClickableCaption(p, 0, 20, 80, 18, 1003, "More", false);
    EXPECT_EQ(link->style, 5);
    EXPECT_FALSE(link->enabled);

    static const char kTip[] = "Background colour";
    TContanerColor* s = CreateSwatchWithCaption(p, 100, 0, 40, 20, 1004, RGB(1, 2, 3), "Back", kTip);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->color, RGB(1, 2, 3));
    ASSERT_NE(s->label, nullptr);
    RECT r;
    GetWindowRect(s->label, &r);
    MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.top, 20) << "the caption below the swatch";
    EXPECT_EQ(r.bottom - r.top, 18);

    TRotor* rot = CreateRotor(p, 0, 40, 60, 60, 1015, true);
    ASSERT_NE(rot, nullptr);
    EXPECT_FALSE(InRegion(rot->wnd, 0, 0)) << "rounded corners";
    EXPECT_TRUE(InRegion(rot->wnd, 30, 30));

    TSpinEdit* knob = CreateSpinEditKnob(p, 0, 100, 84, 46, 1006, "Position", 0, 255, 300);
    ASSERT_NE(knob, nullptr);
    EXPECT_FALSE(knob->rangeFollowing);
    EXPECT_FLOAT_EQ(knob->upper, 255) << "no range following: the range stays";
    ASSERT_NE(knob->label, nullptr);

    TGlassSlider* g = CreateGlassSlider(p, 200, 0, 84, 84, 1007, "Light");
    ASSERT_NE(g, nullptr);
    EXPECT_STREQ(g->name, "Light");
    EXPECT_FALSE(InRegion(g->wnd, 1, 1));

    EXPECT_NE(CreatePreview(p, 300, 0, 40, 40, 1009), nullptr);
    EXPECT_NE(CreateControlButton(p, 300, 50, 40, 24, 1010), nullptr);
    TContanerAnim* panel = CreateAnimPanel(p, 300, 100, 200, 120, 1011);
    ASSERT_NE(panel, nullptr);
    TControlGlass* glass =
        CreateGlassControl(panel->wnd, 10, 10, 84, 84, 1012, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF);
    ASSERT_NE(glass, nullptr);
    EXPECT_EQ(glass->maps.width, 84);
    EXPECT_EQ(panel->children.size(), 1u);
    EXPECT_FALSE(InRegion(glass->wnd, 2, 2)) << "elliptic";

    // The widgets, and the captions at id + 1 (the knob's at id + 100).
    for (int id : {1001, 1002, 1003, 1004, 1005, 1006, 1106, 1007, 1008, 1009, 1010, 1011, 1015})
        DestroyWindow(GetDlgItem(p, id));
}

TEST(Creators, SkinnedControlCutsItsPixelsFromTheBackground) {
    HBITMAP back = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_PANEL));
    HBITMAP mask = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_GLASS_FACE_MASK));
    ASSERT_NE(back, nullptr);
    TControl* plain = CreateSkinnedControl(Parent(), 20, 10, 30, 20, 1020, back, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->kind, 2);
    HWND ref = Child(kControlClass, 1021, 0, 0, 160, 46);
    auto* whole = static_cast<TControl*>(FindControlObject(ref, kControlClass));
    whole->kind = 1;
    whole->bitmap = back;
    EXPECT_EQ(Snap(plain->wnd).At(5, 5), Snap(ref).At(25, 15)) << "the panel's own part of the picture";

    TControl* masked = CreateSkinnedControl(Parent(), 30, 30, 20, 16, 1022, back, mask, nullptr);
    EXPECT_EQ(Snap(masked->wnd).At(10, 8), RGB(255, 0, 0)) << "under the mask: pure red";
    DestroyWindow(plain->wnd);
    DestroyWindow(masked->wnd);
    DestroyWindow(ref);
    EXPECT_TRUE(Alive(back)) << "the caller's bitmaps";
    DeleteObject(back);
    DeleteObject(mask);
}

TEST(BitmapButton, ImageFollowsEnableCheckAndHover) {
    HBITMAP normal = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_NORMAL));
    HBITMAP hot = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_HOT));
    HBITMAP pressed = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_PRESSED));
    HBITMAP disabled = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_DISABLED));
    HWND b = Child("BUTTON", 1030, 0, 0, 40, 24, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_BITMAP);
    ButtonBitmaps set;
    set.normal = normal;
    set.hot = hot;
    set.checked = pressed;
    set.disabled = disabled;
    ASSERT_TRUE(InstallBitmapButton(b, set));
    EXPECT_FALSE(InstallBitmapButton(b, set)) << "once";
    EXPECT_FALSE(InstallBitmapButton(Parent(), set)) << "buttons only";
    auto image = [&] { return reinterpret_cast<HBITMAP>(SendMessageA(b, BM_GETIMAGE, IMAGE_BITMAP, 0)); };
    EXPECT_EQ(image(), normal);
    Move(b, 5, 5, 0);
    EXPECT_EQ(image(), hot);
    EXPECT_EQ(GetCapture(), b);
    Move(b, 90, 5, 0);
    EXPECT_EQ(image(), normal);
    SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(image(), pressed);
    Move(b, 5, 5, 0);
    EXPECT_EQ(image(), normal) << "no checked-hot image: the normal one";
    Move(b, 90, 5, 0);
    EnableWindow(b, FALSE);
    EXPECT_EQ(image(), normal) << "checked and disabled without its image: normal";
    SendMessageA(b, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(image(), disabled);
    DestroyWindow(b);
    for (HBITMAP h : {normal, hot, pressed, disabled}) {
        EXPECT_TRUE(Alive(h));
        DeleteObject(h);
    }
}

TEST(AnimatedButton, PlaysHoverFramesThenLeaveFramesAndReleasesThem) {
    auto* a = new TAnimatedButton();
    a->hoverFrames.Load(gUiInstance, {IDB_RIG_BUTTON_HOT, IDB_RIG_BUTTON_PRESSED});
    a->leaveFrames.Load(gUiInstance, {IDB_RIG_BUTTON_DISABLED, IDB_RIG_BUTTON_NORMAL, 4242});
    EXPECT_EQ(a->leaveFrames.count(), 3);
    EXPECT_EQ(a->leaveFrames.at(2), nullptr) << "an id that does not load";
    HBITMAP first = a->hoverFrames.at(0);
    HWND w = Child(kControlButtonClass, 1040, 0, 0, 40, 24, WS_CHILD | WS_VISIBLE, a);
    ASSERT_NE(w, nullptr);
    ClearCommands();
    Move(w, 5, 5, 0);
    EXPECT_EQ(a->state, 1);
    Pump(200);
    EXPECT_EQ(a->phase, 0);
    Move(w, 90, 5, 0);
    EXPECT_EQ(a->phase, 1);
    ASSERT_TRUE(PumpUntil([&] { return a->state == 0; }, 1000));
    EXPECT_EQ(a->phase, 0);
    Click(w, 5, 5);
    Pump(20);
    EXPECT_EQ(CountCommands(1040, 0), 1);
    DestroyWindow(w);
    EXPECT_FALSE(Alive(first)) << "the lists go with the button";
}

namespace {
int gPanelsFreed = 0;
struct CountedPanel : TContaner {
    ~CountedPanel() override { ++gPanelsFreed; }
};
}  // namespace

TEST(DialogPanel, ModelessAndModalPanelsKeepAndFreeTheirObject) {
    gPanelsFreed = 0;
    auto* obj = new CountedPanel();
    HWND dlg = CreateDialogPanel(Parent(), MAKEINTRESOURCEA(IDD_RIG_TEMPLATE), obj, 10, 20, 300, 200);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(obj->wnd, dlg);
    EXPECT_EQ(obj->width, 300);
    RECT r;
    GetWindowRect(dlg, &r);
    EXPECT_EQ(r.right - r.left, 300) << "moved to its place";
    EXPECT_NE(FindControl<TSpinEdit>(dlg, 101, kSpinEditClass), nullptr) << "the template's widgets";
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(dlg)) << "OK ends a modeless panel";
    EXPECT_EQ(gPanelsFreed, 1);

    EXPECT_EQ(CreateDialogPanel(Parent(), "NO SUCH TEMPLATE", new CountedPanel(), 0, 0, 0, 0), nullptr);
    EXPECT_EQ(gPanelsFreed, 2) << "freed when the dialog cannot be made";

    // Modal, with an object of its own: Cancel ends it with its id.
    UINT_PTR t = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND d = GetActiveWindow();
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(RunDialogPanel(Parent(), MAKEINTRESOURCEA(IDD_RIG_TEMPLATE), nullptr), IDCANCEL);
    KillTimer(nullptr, t);
}

TEST(Creators, SwatchAndRotorSetsCutTheirPanelsFromOneBitmap) {
    HWND p = Parent();
    WidgetSetLayout layout;
    for (int i = 0; i < 4; ++i) layout.items[i] = {i * 40, 60, 36, 36};
    layout.panels[0] = {0, 0, 80, 20};
    layout.panels[1] = {80, 20, 60, 26};
    layout.firstId = 1100;
    HBITMAP back = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_PANEL));
    HWND ref = Child(kControlClass, 1099, 0, 0, 160, 46);
    auto* whole = static_cast<TControl*>(FindControlObject(ref, kControlClass));
    whole->kind = 1;
    whole->bitmap = back;
    const Snapshot picture = Snap(ref);

    const int before = LiveGdiObjects();
    SwatchSet swatches;
    ASSERT_TRUE(CreateSwatchSet(p, IDB_RIG_PANEL, layout, &swatches));
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(swatches.swatches[i], nullptr);
        EXPECT_EQ(GetDlgCtrlID(swatches.swatches[i]->wnd), 1100 + i);
    }
    ASSERT_NE(swatches.panels[1], nullptr);
    EXPECT_EQ(GetDlgCtrlID(swatches.panels[1]->wnd), 1105);
    EXPECT_EQ(swatches.panels[0]->kind, 2);
    EXPECT_EQ(Snap(swatches.panels[0]->wnd).At(70, 10), picture.At(70, 10));
    EXPECT_EQ(Snap(swatches.panels[1]->wnd).At(10, 5), picture.At(90, 25)) << "each panel its own part";
    for (int id = 1100; id < 1106; ++id) DestroyWindow(GetDlgItem(p, id));
    if (before >= 0) {
        EXPECT_LE(LiveGdiObjects(), before) << "the set's bitmap is released";
    }

    RotorSet rotors;
    ASSERT_TRUE(CreateRotorSet(p, IDB_RIG_PANEL, layout, &rotors));
    for (TRotor* r : rotors.rotors) {
        ASSERT_NE(r, nullptr);
        EXPECT_FALSE(InRegion(r->wnd, 0, 0)) << "rounded";
        EXPECT_TRUE(InRegion(r->wnd, 18, 18));
    }
    EXPECT_EQ(Snap(rotors.panels[1]->wnd).At(50, 20), picture.At(130, 40));
    for (int id = 1100; id < 1106; ++id) DestroyWindow(GetDlgItem(p, id));

    EXPECT_FALSE(CreateRotorSet(p, 4242, layout, &rotors)) << "no such bitmap";
    EXPECT_EQ(rotors.rotors[0], nullptr);
    EXPECT_EQ(GetDlgItem(p, 1100), nullptr) << "nothing made";
    DestroyWindow(ref);
    DeleteObject(back);
}
