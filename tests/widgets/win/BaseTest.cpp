// The window-procedure pattern, registration, lookup, tool tips, the panel
// and the control button.
#include <gtest/gtest.h>

#include "AnimatedWidgets.h"
#include "ColorEqualizer.h"
#include "DialMath.h"
#include "RigSupport.h"
#include "WidgetIds.h"

#include <functional>
#include <utility>
#include <vector>

using namespace frostel::widgets;
using namespace rig;

namespace {
int gDestroyed = 0;
struct CountingControl : TControl {
    ~CountingControl() override { ++gDestroyed; }
};
}  // namespace

TEST(WidgetBase, ClassesHaveNoBrushToLose) {
    WNDCLASSA wc{};
    for (const char* name : {kSpinEditClass, kMacSliderClass, kRotorClass, kPreviewClass, kControlClass,
                             kControlButtonClass, kColorClass, kMacStyleBtnClass, kContainerLinkClass}) {
        ASSERT_TRUE(GetClassInfoA(gUiInstance, name, &wc)) << name;
        EXPECT_EQ(wc.hbrBackground, nullptr) << name;
    }
    EXPECT_TRUE(GetClassInfoA(gUiInstance, kRotorClass, &wc));
    EXPECT_TRUE(wc.style & CS_DBLCLKS);
    GetClassInfoA(gUiInstance, kPreviewClass, &wc);
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_SIZEALL));

    // Unregistering every class leaves the dialog's brush alive.
    UnregisterWidgetClasses(gUiInstance);
    EXPECT_TRUE(Alive(gBackBrush));
    EXPECT_FALSE(GetClassInfoA(gUiInstance, kRotorClass, &wc));
    RegisterWidgetClasses(gUiInstance);

    // The background is still painted: by the widget, from the shared brush.
    HWND panel = Child(kControlClass, 900, 0, 0, 30, 20);
    EXPECT_EQ(Snap(panel).At(5, 5), kDialogGrey) << "a panel without a bitmap shows the dialog grey";
    DestroyWindow(panel);
}

TEST(WidgetBase, FindControlObjectComparesTheWholeName) {
    HWND w = Child(kSpinEditClass, 901, 0, 0, 120, 44);
    ASSERT_NE(w, nullptr);
    EXPECT_NE(FindControlObject(w, kSpinEditClass), nullptr);
    EXPECT_EQ(FindControlObject(w, "Spin Edit CPP Hor"), nullptr);
    EXPECT_EQ(FindControlObject(w, "Spin Edit CP"), nullptr);
    EXPECT_EQ(FindControlObject(w, "spin edit cpp"), nullptr) << "case-sensitive";
    EXPECT_EQ(FindControlObject(nullptr, kSpinEditClass), nullptr);
    auto* s = static_cast<TSpinEdit*>(FindControlObject(w, kSpinEditClass));
    EXPECT_EQ(s->wnd, w);
    EXPECT_EQ(s->id, 901);
    EXPECT_EQ(s->width, 120);
    EXPECT_EQ(s->height, 44);
    DestroyWindow(w);
}

TEST(WidgetBase, CreationParameterObjectIsUsedAndFreed) {
    gDestroyed = 0;
    auto* own = new CountingControl();
    HWND w = Child(kControlClass, 902, 0, 0, 10, 10, WS_CHILD | WS_VISIBLE, own);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(FindControlObject(w, kControlClass), own);
    EXPECT_EQ(own->id, 902);
    DestroyWindow(w);
    EXPECT_EQ(gDestroyed, 1);
}

TEST(WidgetBase, SpinEditWithoutItsBarFailsToCreate) {
    {
        detail::ModuleActivation scope;
        UnregisterClassA(kMacSliderClass, gUiInstance);
    }
    HWND w = Child(kSpinEditClass, 903, 0, 0, 100, 44);
    EXPECT_EQ(w, nullptr) << "no bar object: the creation fails instead of leaving an empty control";
    RegisterMacSliderClass(gUiInstance);
}

TEST(WidgetBase, TemplateControlsGetObjectsOfTheirOwn) {
    HWND dlg = CreateDialogParamA(gUiInstance, MAKEINTRESOURCEA(IDD_RIG_TEMPLATE), Parent(),
                                  [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dlg, nullptr);
    auto* spin = FindControl<TSpinEdit>(dlg, 101, kSpinEditClass);
    ASSERT_NE(spin, nullptr);
    EXPECT_NE(spin->sliderObject, nullptr);
    EXPECT_TRUE(spin->sliderObject->ownedBySpinEdit);
    EXPECT_NE(FindControl<TRotor>(dlg, 102, kRotorClass), nullptr);
    auto* button = FindControl<MacStyleBtn>(dlg, 103, kMacStyleBtnClass);
    ASSERT_NE(button, nullptr);
    EXPECT_STREQ(button->caption, "OK") << "the caption comes from the window text";
    EXPECT_TRUE(button->enabled);
    EXPECT_EQ(button->state, 0);
    DestroyWindow(dlg);
}

TEST(WidgetBase, ToolTips) {
    HWND w = Child(kControlClass, 904, 0, 0, 40, 20);
    EXPECT_EQ(AddToolTip(w, nullptr, "title"), nullptr);
    EXPECT_EQ(AddToolTip(nullptr, "text", nullptr), nullptr);
    static const char kText[] = "Tip text";
    HWND tip = AddToolTip(w, kText, "Title");
    ASSERT_NE(tip, nullptr);
    char cls[64];
    GetClassNameA(tip, cls, sizeof cls);
    EXPECT_STREQ(cls, "tooltips_class32");
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 100);
    DestroyWindow(tip);
    DestroyWindow(w);
}

TEST(ControlPanel, ShowsABitmapItDoesNotOwn) {
    HWND w = Child(kControlClass, 905, 0, 0, 160, 46);
    auto* c = static_cast<TControl*>(FindControlObject(w, kControlClass));
    HBITMAP b = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_PANEL));
    ASSERT_NE(b, nullptr);
    c->kind = 1;
    c->bitmap = b;
    Snapshot s = Snap(w);
    EXPECT_NE(s.At(150, 40), kDialogGrey);
    DestroyWindow(w);
    EXPECT_TRUE(Alive(b)) << "whoever loads a bitmap deletes it";
    DeleteObject(b);

    // Kind 2: stored pixels.
    w = Child(kControlClass, 906, 0, 0, 4, 2);
    c = static_cast<TControl*>(FindControlObject(w, kControlClass));
    BYTE px[2 * 12];
    for (int i = 0; i < 24; i += 3) { px[i] = 255; px[i + 1] = 0; px[i + 2] = 0; }  // blue
    ASSERT_TRUE(c->SetPixels(px, 4, 2));
    c->kind = 2;
    s = Snap(w);
    EXPECT_EQ(s.At(1, 1), RGB(0, 0, 255));
    DestroyWindow(w);
}

TEST(ControlButton, PressMoveOffAndReleaseStillCommands) {
    HWND w = Child(kControlButtonClass, 910, 10, 10, 40, 24);
    auto* b = static_cast<TControlButton*>(FindControlObject(w, kControlButtonClass));
    b->SetBitmaps(IDB_RIG_BUTTON_NORMAL, IDB_RIG_BUTTON_HOT, IDB_RIG_BUTTON_PRESSED, IDB_RIG_BUTTON_DISABLED);
    for (HBITMAP h : b->bitmaps) ASSERT_NE(h, nullptr);
    ClearCommands();

    Move(w, 5, 5, 0);
    EXPECT_EQ(b->state, 1);
    EXPECT_EQ(GetCapture(), w);
    Press(w, 5, 5);
    EXPECT_EQ(b->state, 2);
    EXPECT_EQ(GetFocus(), w) << "the press takes the focus";
    Move(w, 200, 200, MK_LBUTTON);  // ignored while held
    EXPECT_EQ(b->state, 2);
    Release(w, 200, 200);
    Pump(30);
    EXPECT_EQ(CountCommands(910, 0), 1) << "a press that ends outside still counts";
    EXPECT_EQ(b->state, 0);
    EXPECT_EQ(FirstCommand(910)->lp, 0);

    // The faces follow the state.
    HDC dc = CreateCompatibleDC(nullptr);
    auto faceAt = [&](HBITMAP h) {
        HGDIOBJ o = SelectObject(dc, h);
        COLORREF c = GetPixel(dc, 20, 4);
        SelectObject(dc, o);
        return c;
    };
    EXPECT_EQ(Snap(w).At(20, 4), faceAt(b->bitmaps[0]));
    EnableWindow(w, FALSE);
    EXPECT_EQ(Snap(w).At(20, 4), faceAt(b->bitmaps[3]));
    EnableWindow(w, TRUE);
    DeleteDC(dc);

    HBITMAP loaded[4];
    for (int i = 0; i < 4; ++i) loaded[i] = b->bitmaps[i];
    DestroyWindow(w);
    for (HBITMAP h : loaded) EXPECT_FALSE(Alive(h)) << "the button's own bitmaps go with it";
}

TEST(ControlButton, ToggleFlipsOncePerPressAndShowsPressed) {
    HWND w = Child(kControlButtonClass, 911, 10, 10, 40, 24);
    auto* b = static_cast<TControlButton*>(FindControlObject(w, kControlButtonClass));
    b->SetBitmaps(IDB_RIG_BUTTON_NORMAL, IDB_RIG_BUTTON_HOT, IDB_RIG_BUTTON_PRESSED, 0);
    b->buttonKind = 1;
    ClearCommands();
    Click(w, 5, 5);
    EXPECT_TRUE(b->checked);
    Release(w, 5, 5);  // a release without a press is no click
    EXPECT_TRUE(b->checked);
    Pump(20);
    EXPECT_EQ(CountCommands(911), 1);
    const COLORREF pressedFace = Snap(w).At(20, 4);
    Click(w, 5, 5);
    EXPECT_FALSE(b->checked);
    EXPECT_NE(Snap(w).At(20, 4), pressedFace);
    DestroyWindow(w);
}

TEST(ControlButton, SharedSetsStayWithTheirOwner) {
    HBITMAP n = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_NORMAL));
    HBITMAP h = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_HOT));
    HBITMAP p = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_BUTTON_PRESSED));
    SetSharedButtonSet(2, n, h, p);
    for (int i = 0; i < 2; ++i) {
        HWND w = Child(kControlButtonClass, 912, 10, 10, 40, 24);
        auto* b = static_cast<TControlButton*>(FindControlObject(w, kControlButtonClass));
        b->SetBitmaps(-2, 0, 0, 0);
        EXPECT_EQ(b->bitmaps[0], n);
        DestroyWindow(w);
    }
    EXPECT_TRUE(Alive(n) && Alive(h) && Alive(p)) << "two buttons shared the set; neither deleted it";
    SetSharedButtonSet(2, nullptr, nullptr, nullptr);
    DeleteObject(n);
    DeleteObject(h);
    DeleteObject(p);

    // An empty shared set paints the background instead of garbage.
    HWND w = Child(kControlButtonClass, 913, 10, 10, 40, 24);
    static_cast<TControlButton*>(FindControlObject(w, kControlButtonClass))->SetBitmaps(-3, 0, 0, 0);
    EXPECT_EQ(Snap(w).At(20, 12), kDialogGrey);
    DestroyWindow(w);
}

namespace {
// Each live class created, configured, painted in its states and destroyed.
void PanelRound() {
    HWND w = Child(kControlClass, 910, 0, 0, 160, 46);
    auto* c = static_cast<TControl*>(FindControlObject(w, kControlClass));
    BYTE px[4 * 3 * 2] = {};
    c->SetPixels(px, 4, 2);
    c->kind = 2;
    Snap(w);
    DestroyWindow(w);
}

void ButtonRound() {
    HWND w = Child(kControlButtonClass, 911, 0, 50, 24, 24);
    auto* b = static_cast<TControlButton*>(FindControlObject(w, kControlButtonClass));
    b->SetBitmaps(IDB_RIG_BUTTON_NORMAL, IDB_RIG_BUTTON_HOT, IDB_RIG_BUTTON_PRESSED, IDB_RIG_BUTTON_DISABLED);
    b->SetBitmaps(IDB_RIG_BUTTON_NORMAL, IDB_RIG_BUTTON_HOT, IDB_RIG_BUTTON_PRESSED, 0);  // replaced ones go
    Move(w, 5, 5, 0);
    Snap(w);
    Move(w, 50, 5, 0);
    DestroyWindow(w);
}

void SpinEditRound() {
    HWND w = Child(kSpinEditClass, 912, 0, 80, 150, 46);
    TSpinEdit* s = nullptr;
    SetupSpinEdit(&s, Parent(), 912, 0, 0, 100, 0, 200, "Size", nullptr, false, true, true, 10);
    SetControlValueText(s, 150);
    Snap(w);
    Snap(s->slider);
    DestroyWindow(w);
}

void DialRound(uint8_t kind) {
    HWND w = Child(kRotorClass, 913, 0, 130, 90, 90);
    auto* r = static_cast<TRotor*>(FindControlObject(w, kRotorClass));
    r->rotorKind = kind;
    if (kind == kTurnDial) CreateRoundEdit(r, 50);
    if (kind == kValueDial) SetRotorValueRange(r, 0, 10);
    Snap(w);
    DestroyWindow(w);
}

void PreviewRound() {
    HWND w = Child(kPreviewClass, 916, 0, 0, 100, 80);
    auto* p = static_cast<TPreviewContaner*>(FindControlObject(w, kPreviewClass));
    std::vector<uint8_t> image(64 * 3 * 40, 90);
    PreviewSource src;
    src.data = image.data();
    src.rowBytes = 64 * 3;
    src.planes = 3;
    src.width = 64;
    src.height = 40;
    BuildPreviewBitmap(p, src);
    BuildPreviewBitmap(p, src);
    UpdatePreviewBitmap(p);
    p->markers.resize(1);
    p->markers[0].visible = true;
    Snap(w);
    DestroyWindow(w);
}

void SwatchRound() {
    HWND w = Child(kColorClass, 917, 0, 0, 40, 20);
    Move(w, 5, 5, 0);
    Snap(w);
    Move(w, 90, 5, 0);
    DestroyWindow(w);
}

void PushButtonRound() {
    HWND w = Child(kMacStyleBtnClass, 918, 0, 0, 80, 30);
    SetupMacStyleBtn(Parent(), 918, "Apply", true);
    Snap(w);
    DestroyWindow(w);
}

void CaptionRound() {
    HWND w = Child(kContanerClass, 920, 0, 0, 80, 20);
    auto* p = static_cast<TContanerPanel*>(FindControlObject(w, kContanerClass));
    p->style = 4;
    p->text = "Caption";
    Snap(w);
    HWND cross = Child(kContaner1Class, 921, 0, 0, 30, 30);
    Snap(cross);
    DestroyWindow(cross);
    DestroyWindow(w);
}

void SpinEditHorRound() {
    HWND w = Child(kSpinEditHorClass, 922, 0, 0, 200, 24);
    SetControlValueText(static_cast<TSpinEdit*>(FindControlObject(w, kSpinEditHorClass)), 40);
    Snap(w);
    DestroyWindow(w);
}

void FireRound() {
    HWND w = Child(kControlButtonFireClass, 923, 0, 0, 40, 40);
    Move(w, 20, 20, 0);
    Pump(60);
    Snap(w);
    Move(w, 90, 20, 0);
    Pump(400);
    DestroyWindow(w);
}

void GlassRound() {
    LoadGlassSkins();
    HWND w = Child(kGlassSliderClass, 924, 0, 0, 84, 84);
    Move(w, 42, 6, 0);
    Pump(60);
    Snap(w);
    DestroyWindow(w);
    ReleaseCapture();
}

void AnimPanelRound() {
    HWND w = Child(kContanerAnimClass, 925, 0, 0, 200, 120);
    auto* p = static_cast<TContanerAnim*>(FindControlObject(w, kContanerAnimClass));
    SetContanerAnimEffect(p, 1, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF);
    HWND g = CreateWindowExA(0, kControlGlassClass, "", WS_CHILD | WS_VISIBLE, 60, 20, 84, 84, w,
                             reinterpret_cast<HMENU>(926), gUiInstance, nullptr);
    LoadControlGlassSkin(static_cast<TControlGlass*>(FindControlObject(g, kControlGlassClass)), IDB_GLASS_BRIGHTNESS,
                         IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF);
    StartContanerAnim(p, 4, 32, {}, 1);
    Move(g, 42, 42, 0);
    Pump(120);
    Snap(w);
    ReleaseCapture();
    DestroyWindow(w);
}

void EqualizerRound() {
    HWND w = Child(kColorEqualizerClass, 927, 0, 0, 360, 330);
    BuildColorEqualizer(static_cast<TColorEqualizer*>(FindControlObject(w, kColorEqualizerClass)));
    Snap(w);
    DestroyWindow(w);
}

void LinkRound() {
    HWND w = Child(kContainerLinkClass, 919, 0, 0, 80, 20);
    SetupContainerLink(Parent(), 919, "www", true, false);
    Snap(w);
    DestroyWindow(w);
}
}  // namespace

TEST(WidgetBase, NoGdiObjectOutlivesItsWidget) {
    const std::pair<const char*, std::function<void()>> rounds[] = {
        {"panel", PanelRound},
        {"control button", ButtonRound},
        {"spin edit", SpinEditRound},
        {"direction dial", [] { DialRound(kDirectionDial); }},
        {"turn dial", [] { DialRound(kTurnDial); }},
        {"value dial", [] { DialRound(kValueDial); }},
        {"preview", PreviewRound},
        {"swatch", SwatchRound},
        {"push button", PushButtonRound},
        {"link", LinkRound},
        {"captions", CaptionRound},
        {"horizontal spin edit", SpinEditHorRound},
        {"fire button", FireRound},
        {"glass slider", GlassRound},
        {"animated panel and glass control", AnimPanelRound},
        {"colour equalizer", EqualizerRound},
    };
    for (const auto& [name, round] : rounds) {
        round();  // shared fonts, cursors and caches made on first use
        Pump(10);
        const int before = LiveGdiObjects();
        if (before < 0) GTEST_SKIP() << "no way to count GDI objects here";
        for (int i = 0; i < 3; ++i) round();
        Pump(10);
        EXPECT_EQ(LiveGdiObjects(), before) << name;
    }

    // The counter itself sees a leak.
    const int before = LiveGdiObjects();
    HBRUSH leak = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(LiveGdiObjects(), before + 1);
    DeleteObject(leak);
}
