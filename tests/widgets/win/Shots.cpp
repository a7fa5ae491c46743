// Screenshots of every widget class in its states, taken from a real screen:
//   widget_shots.exe <out dir>      (run under xvfb-run: scripts/widget-shots)
// Each control is drawn in a window on the screen and copied from it, with
// the system's own controls (edits, up-downs) inside, as a user sees them.
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "AnimatedWidgets.h"
#include "ColorEqualizer.h"
#include "ImageIO.h"
#include "RigSupport.h"
#include "ScreenCapture.h"
#include "WidgetIds.h"
#include "Widgets.h"

using namespace frostel::widgets;

namespace {

HWND gWindow = nullptr;
std::string gOut;
int gFailures = 0;

LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CTLCOLORSTATIC) {
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        SetTextColor(reinterpret_cast<HDC>(wp), kStaticTextColor);
        return reinterpret_cast<LRESULT>(gBackBrush);
    }
    return DefWindowProcA(w, msg, wp, lp);
}

using rig::Pump;

void SaveScreen(const RECT& r, const std::string& name) {
    std::string error;
    if (!rig::SaveScreenPng(r, gOut + "/" + name + ".png", error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", name.c_str(), error.c_str());
        ++gFailures;
    }
}

// The control with a margin of the dialog around it.
void Shot(HWND control, const std::string& name, int margin = 4) {
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(60);
    RECT r;
    GetWindowRect(control, &r);
    InflateRect(&r, margin, margin);
    SaveScreen(r, name);
}

HWND Make(const char* cls, int id, int x, int y, int w, int h, DWORD exStyle = 0, const char* text = "") {
    return CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE, x, y, w, h, gWindow,
                           reinterpret_cast<HMENU>(INT_PTR(id)), gUiInstance, nullptr);
}

template <typename T>
T* Obj(HWND w, const char* cls) {
    return static_cast<T*>(FindControlObject(w, cls));
}

void SpinEdits() {
    HWND a = Make(kSpinEditClass, 10, 20, 20, 150, 46, WS_EX_CLIENTEDGE);
    TSpinEdit* s = nullptr;
    SetupSpinEdit(&s, gWindow, 10, 0, 0, 100, 0, 200, "Lenght", nullptr, false, true, true, 10);
    SetControlValueText(s, 42.5f);
    Shot(a, "spinedit-float");
    SetControlValueText(s, 150.0f);  // widens the range: the bar's thumb moves left
    Shot(a, "spinedit-range-followed");
    s->integer = true;
    SetControlValueText(s, 7.0f);
    Shot(a, "spinedit-integer");
    EnableWindow(a, FALSE);
    Shot(a, "spinedit-disabled");
    DestroyWindow(a);

    HWND b = Make(kSpinEditClass, 11, 20, 20, 150, 46, WS_EX_CLIENTEDGE);
    SetupSpinEdit(&s, gWindow, 11, 0, 0, 100, 0, 100, "Plain", nullptr, false, false, true, 0);
    SetControlValueText(s, 80.0f);
    Shot(b, "spinedit-no-range-following");
    DestroyWindow(b);
}

void Sliders() {
    HWND a = Make(kMacSliderClass, 20, 20, 20, 200, 20, WS_EX_STATICEDGE);
    auto* m = Obj<TMacSlider>(a, kMacSliderClass);
    m->limited = true;
    m->innerLower = 20;
    m->innerUpper = 70;
    m->SetValue(55, true);
    Shot(a, "slider-limited");
    m->limited = false;
    m->thinLook = true;
    m->SetValue(30, true);
    Shot(a, "slider-thin");
    DestroyWindow(a);
    HWND v = Make(kMacSliderClass, 21, 20, 20, 20, 120, WS_EX_STATICEDGE);
    auto* mv = Obj<TMacSlider>(v, kMacSliderClass);
    mv->kind = 1;
    mv->SetValue(75, true);
    Shot(v, "slider-vertical");
    DestroyWindow(v);
}

void Rotors() {
    HWND d = Make(kRotorClass, 30, 20, 20, 90, 90);
    auto* r = Obj<TRotor>(d, kRotorClass);
    r->rotorKind = 0;
    SetControlAngles(r, 45, 40);
    Shot(d, "dial-direction-upper-right");
    SetControlAngles(r, 200, 70);
    Shot(d, "dial-direction-left-high");
    EnableControl(r, false);
    Shot(d, "dial-direction-disabled");
    EnableControl(r, true);
    r->lightPosition = true;
    PointToLightAngles(r, 40, -30);
    Shot(d, "dial-pad");
    DestroyWindow(d);

    HWND t = Make(kRotorClass, 31, 20, 20, 110, 110);
    auto* rt = Obj<TRotor>(t, kRotorClass);
    rt->rotorKind = 3;
    rt->knobSize = 6;
    CreateRoundEdit(rt, 50);
    SetControlAngles(rt, 135, 0);
    Shot(t, "dial-turn");
    SetControlAngles(rt, 370, 0);
    Shot(t, "dial-turn-370");
    EnableControl(rt, false);
    Shot(t, "dial-turn-disabled");
    DestroyWindow(t);

    HWND v = Make(kRotorClass, 32, 20, 20, 80, 80);
    auto* rv = Obj<TRotor>(v, kRotorClass);
    SetRotorValueRange(rv, 0, 10);
    SetRotorValue(rv, 7.5f);
    Shot(v, "dial-value");
    DestroyWindow(v);
}

std::vector<uint8_t> gImage;

void Previews() {
    // A stand-in for the host's output buffer: a gradient with a bright disc.
    const int W = 321, H = 200, rowBytes = W * 4;
    gImage.assign(size_t(rowBytes) * H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t* p = &gImage[size_t(y) * rowBytes + x * 4];
            const double d = std::hypot(x - 200.0, y - 90.0);
            const double glow = std::exp(-d * d / 900.0);
            p[0] = uint8_t(20 + 40 * glow * 5 > 255 ? 255 : 20 + 200 * glow);
            p[1] = uint8_t(40 + x * 100 / W + 150 * glow);
            p[2] = uint8_t(90 + y * 80 / H + 100 * glow);
            p[3] = uint8_t(x < 40 ? x * 6 : 255);  // a transparent left edge
        }
    PreviewDialogCalls calls;
    calls.documentSize = [](float* w, float* h) {
        *w = 321.0f;
        *h = 200.0f;
        return true;
    };
    SetPreviewDialogCalls(calls);
    HWND pw = Make(kPreviewClass, 40, 20, 20, 360, 240);
    auto* p = Obj<TPreviewContaner>(pw, kPreviewClass);
    PreviewSource src;
    src.data = gImage.data();
    src.rowBytes = rowBytes;
    src.planes = 4;
    src.width = W;
    src.height = H;
    BuildPreviewBitmap(p, src);
    p->markers.resize(1);
    p->markers[0].visible = true;
    p->markers[0].x = 25.0f;
    p->markers[0].y = 10.0f;
    Shot(pw, "preview-marker");
    p->centreMode = 2;
    p->pendingX = -50.0f;
    p->pendingY = -40.0f;
    p->markers[0].style = 1;
    Shot(pw, "preview-centre-and-corner-marker");

    HWND nw = Make(kPreviewClass, 41, 400, 20, 120, 80);
    auto* n = Obj<TPreviewContaner>(nw, kPreviewClass);
    n->mode = 0;
    n->mainPreview = p;
    n->navigatorScale = 0.3f;
    n->previewScale = 1.0f;
    n->frameX = 20;
    n->frameY = 10;
    Shot(nw, "navigator-no-image");
    std::vector<uint8_t> small(size_t(96) * 3 * 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 96; ++x) {
            uint8_t* q = &small[(size_t(y) * 96 + x) * 3];
            q[0] = uint8_t(120 + y);
            q[1] = uint8_t(60 + x);
            q[2] = 40;
        }
    SetPreviewPixels(n, small.data(), 96, 60);
    Shot(nw, "navigator");
    DestroyWindow(nw);
    DestroyWindow(pw);
    HWND empty = Make(kPreviewClass, 42, 20, 20, 200, 120);
    Shot(empty, "preview-empty");
    DestroyWindow(empty);
    SetPreviewDialogCalls(PreviewDialogCalls{});
}

void Buttons() {
    HWND panel = Make(kControlClass, 50, 20, 20, 160, 46);
    auto* c = Obj<TControl>(panel, kControlClass);
    HBITMAP pb = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(IDB_RIG_PANEL));
    c->kind = 1;
    c->bitmap = pb;
    Shot(panel, "panel");
    DestroyWindow(panel);
    DeleteObject(pb);

    HWND bw = Make(kControlButtonClass, 51, 20, 20, 40, 24);
    auto* b = Obj<TControlButton>(bw, kControlButtonClass);
    b->SetBitmaps(IDB_RIG_BUTTON_NORMAL, IDB_RIG_BUTTON_HOT, IDB_RIG_BUTTON_PRESSED, IDB_RIG_BUTTON_DISABLED);
    const char* names[3] = {"controlbutton-normal", "controlbutton-hot", "controlbutton-pressed"};
    for (int s = 0; s < 3; ++s) {
        b->state = uint8_t(s);
        Shot(bw, names[s]);
    }
    b->state = 0;
    b->buttonKind = 1;
    b->checked = true;
    Shot(bw, "controlbutton-toggle-checked");
    b->checked = false;
    EnableWindow(bw, FALSE);
    Shot(bw, "controlbutton-disabled");
    DestroyWindow(bw);

    HWND sw = Make(kColorClass, 52, 20, 20, 50, 22);
    auto* col = Obj<TContanerColor>(sw, kColorClass);
    col->color = RGB(200, 100, 0);
    Shot(sw, "swatch");
    col->hover = true;
    Shot(sw, "swatch-hover");
    col->hover = false;
    EnableWindow(sw, FALSE);
    Shot(sw, "swatch-disabled");
    DestroyWindow(sw);
}

void PushButtons() {
    struct Case {
        const char* name;
        int w, h;
        uint8_t state;
        bool isDefault, enabled;
    } cases[] = {
        {"macbtn-normal", 90, 24, 0, false, true},   {"macbtn-hot", 90, 24, 1, false, true},
        {"macbtn-default", 90, 24, 3, true, true},   {"macbtn-pressed", 90, 24, 2, false, true},
        {"macbtn-disabled", 90, 24, 0, false, false}, {"macbtn-narrow-20", 20, 24, 0, false, true},
        {"macbtn-tall-30", 90, 30, 0, false, true},
    };
    for (const Case& k : cases) {
        HWND w = Make(kMacStyleBtnClass, 60, 20, 20, k.w, k.h);
        SetupMacStyleBtn(gWindow, 60, k.w > 30 ? "Apply" : nullptr, k.isDefault);
        auto* b = Obj<MacStyleBtn>(w, kMacStyleBtnClass);
        b->state = k.state;
        if (!k.enabled) EnableWindow(w, FALSE);
        Shot(w, k.name);
        DestroyWindow(w);
    }
    HWND l = Make(kContainerLinkClass, 70, 20, 20, 220, 20);
    SetupContainerLink(gWindow, 70, "Visit author site", true, false);
    Shot(l, "link");
    SetupContainerLink(gWindow, 70, "Version 1.0 (64 Bit)", false, true);
    Shot(l, "link-plain-left");
    SetupContainerLink(gWindow, 70, "A caption far wider than the control it is drawn in", true, false);
    Shot(l, "link-centred-overflow");
    DestroyWindow(l);
}

// The "Set value" dialog, shot from inside its own loop.
TSpinEdit* gDialogSpin = nullptr;
void CALLBACK DialogTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = FindWindowA(nullptr, "Set value");
    if (!dlg) return;
    KillTimer(nullptr, id);
    Pump(100);
    RECT r;
    GetWindowRect(dlg, &r);
    SaveScreen(r, "setvalue-dialog");
    SendMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
}

void SetValueDialog() {
    HWND a = Make(kSpinEditClass, 80, 20, 20, 150, 46, WS_EX_CLIENTEDGE);
    SetupSpinEdit(&gDialogSpin, gWindow, 80, 0, 0, 100, -50, 500, "Lenght", nullptr, false, true, true, 10);
    SetControlValueText(gDialogSpin, 42.5f);
    SetTimer(nullptr, 0, 100, DialogTimer);
    SendMessageA(a, WM_RBUTTONDOWN, 0, 0);
    DestroyWindow(a);
}
}  // namespace

void Containers() {
    HWND c = Make(kContanerClass, 90, 20, 20, 100, 22);
    auto* p = Obj<TContanerPanel>(c, kContanerClass);
    p->style = 4;
    p->text = "Position";
    Shot(c, "caption-framed");
    EnableWindow(c, FALSE);
    Shot(c, "caption-framed-disabled");
    DestroyWindow(c);
    c = Make(kContanerClass, 91, 20, 20, 100, 22);
    p = Obj<TContanerPanel>(c, kContanerClass);
    p->style = 5;
    p->text = "Clickable";
    p->state = 1;
    Shot(c, "caption-clickable-hot");
    DestroyWindow(c);
    c = Make(kContaner1Class, 92, 20, 20, 80, 50);
    Shot(c, "contaner1-cross");
    DestroyWindow(c);
    c = Make(kSpinEditHorClass, 93, 20, 20, 220, 26);
    auto* h = Obj<TSpinEditHor>(c, kSpinEditHorClass);
    SetControlValueText(h, 65);
    Shot(c, "spinedit-hor");
    EnableWindow(c, FALSE);
    Shot(c, "spinedit-hor-disabled");
    DestroyWindow(c);
}

void FireButtons() {
    HWND b = Make(kControlButtonFireClass, 95, 20, 20, 40, 24);
    auto* f = Obj<TControlButtonFire>(b, kControlButtonFireClass);
    f->SetBitmaps(IDB_RIG_BUTTON_NORMAL, 0, 0, 0);
    Shot(b, "fire-button-still");
    SendMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(20, 12));
    Pump(300);
    Shot(b, "fire-button-burning");
    SendMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(300, 20));
    Pump(20);
    Shot(b, "fire-button-dying", 4);
    ReleaseCapture();
    DestroyWindow(b);
    HWND k = Make(kControlButtonFireClass, 96, 20, 20, 80, 80);
    f = Obj<TControlButtonFire>(k, kControlButtonFireClass);
    f->fireKind = 1;
    f->SetRange(0, 100);
    f->SetValue(30);
    SendMessageA(k, WM_MOUSEMOVE, 0, MAKELPARAM(76, 40));
    Pump(300);
    Shot(k, "fire-knob-burning");
    ReleaseCapture();
    DestroyWindow(k);
}

void GlassSliders() {
    LoadGlassSkins();
    for (int kind = 1; kind <= 3; ++kind) {
        HWND g = Make(kGlassSliderClass, 97, 20, 20, 84, 84);
        auto* s = Obj<TGlassSlider>(g, kGlassSliderClass);
        s->fireKind = uint8_t(kind);
        s->SetRange(0, 100);
        s->knob.angle = 60;
        s->angle2 = 40;
        const std::string name = kind == 1 ? "knob" : kind == 2 ? "light" : "angle";
        Shot(g, "glass-" + name);
        if (kind == 1) {
            SendMessageA(g, WM_MOUSEMOVE, 0, MAKELPARAM(42, 6));
            Pump(400);
            Shot(g, "glass-knob-glowing");
            ReleaseCapture();
        }
        DestroyWindow(g);
    }
    FreeGlassSkins();
}

void AnimPanels() {
    for (int effect = 0; effect <= 2; ++effect) {
        HWND w = Make(kContanerAnimClass, 98, 20, 20, 240, 130);
        auto* p = Obj<TContanerAnim>(w, kContanerAnimClass);
        SetContanerAnimEffect(p, effect, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF);
        HWND g = CreateWindowExA(0, kControlGlassClass, "", WS_CHILD | WS_VISIBLE, 130, 24, 84, 84, w,
                                 reinterpret_cast<HMENU>(99), gUiInstance, nullptr);
        auto* glass = Obj<TControlGlass>(g, kControlGlassClass);
        LoadControlGlassSkin(glass, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF);
        StartContanerAnim(p, 8, 48, {}, 1);
        if (effect == 0) {
            SendMessageA(g, WM_MOUSEMOVE, 0, MAKELPARAM(42, 42));
        }
        Pump(500);
        const char* names[] = {"anim-panel-glass-glowing", "anim-panel-refraction", "anim-panel-scatter"};
        RECT r;
        GetWindowRect(w, &r);
        InflateRect(&r, 4, 4);
        SaveScreen(r, names[effect]);
        ReleaseCapture();
        DestroyWindow(w);
    }
}

void Equalizers() {
    HWND w = Make(kColorEqualizerClass, 100, 10, 10, 360, 330);
    auto* e = Obj<TColorEqualizer>(w, kColorEqualizerClass);
    BuildColorEqualizer(e);
    SetControlValueText(e->knobs[1], 60.0f);
    e->ReadKnobs(0);
    e->Recompute();
    Shot(w, "equalizer-true-color");
    const char* names[] = {"equalizer-true-color", "equalizer-hi-color", "equalizer-custom-palette",
                           "equalizer-fix-palette"};
    for (int mode = 1; mode <= 3; ++mode) {
        e->paletteMode = uint8_t(mode);
        e->SyncSelection();
        Shot(w, names[mode]);
    }
    DestroyWindow(w);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: widget_shots <out dir>\n");
        return 2;
    }
    gOut = argv[1];
    gUiInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    gBackBrush = CreateSolidBrush(kDialogGrey);
    gFaceRed = gFaceGreen = gFaceBlue = 232;
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    lstrcpyA(lf.lfFaceName, "Arial");
    gDialogFont = gEditFont = CreateFontIndirectA(&lf);
    RegisterWidgetClasses(gUiInstance);
    CreateMacStyleBtnFonts();
    CreateLinkFonts();
    LoadBackgroundBitmap();
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = gUiInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = gBackBrush;
    wc.lpszClassName = "Widget Shots";
    RegisterClassA(&wc);
    gWindow = CreateWindowExA(0, wc.lpszClassName, "Widgets", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr,
                              nullptr, gUiInstance, nullptr);
    Pump(300);
    SpinEdits();
    Sliders();
    Rotors();
    Previews();
    Buttons();
    PushButtons();
    SetValueDialog();
    Containers();
    FireButtons();
    GlassSliders();
    AnimPanels();
    Equalizers();
    DestroyWindow(gWindow);
    FreeBackgroundBitmap();
    DestroyLinkResources();
    DestroyMacStyleBtnResources();
    UnregisterWidgetClasses(gUiInstance);
    DeleteObject(gDialogFont);
    DeleteObject(gBackBrush);
    return gFailures ? 1 : 0;
}
