// "Glass Slider CPP" and the glass skins.
#include "AnimatedWidgets.h"
#include "BitmapFile.h"
#include "DialMath.h"
#include "ValueDialog.h"
#include "WidgetIds.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace frostel::widgets {

using namespace detail;

// ---- Skins ------------------------------------------------------------------
bool LoadSkinPixels(HINSTANCE module, int id, int* width, int* height, std::vector<Rgb>* pixels) {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!info) return false;
    HGLOBAL res = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const auto* dib = static_cast<const uint8_t*>(res ? LockResource(res) : nullptr);
    hostutil::RgbaImage img;
    // The resource is a packed DIB; its headers are checked against its length.
    if (!dib || hostutil::DecodeDib(dib, size, img) != hostutil::BmpError::None) return false;
    *width = img.width;
    *height = img.height;
    pixels->resize(size_t(img.width) * img.height);
    for (size_t i = 0; i < pixels->size(); ++i)
        (*pixels)[i] = Rgb{img.pixels[i * 4], img.pixels[i * 4 + 1], img.pixels[i * 4 + 2]};
    return true;
}

bool LoadSkinSprite(HINSTANCE module, int pictureId, int maskId, Sprite* out) {
    Sprite s;
    int mw = 0, mh = 0;
    std::vector<Rgb> mask;
    if (!LoadSkinPixels(module, pictureId, &s.width, &s.height, &s.pixels) ||
        !LoadSkinPixels(module, maskId, &mw, &mh, &mask) || mw != s.width || mh != s.height) {
        MessageBeep(UINT(-1));
        return false;
    }
    s.mask.resize(mask.size());
    for (size_t i = 0; i < mask.size(); ++i) s.mask[i] = mask[i].g;
    *out = std::move(s);
    return true;
}

namespace {
std::unique_ptr<GlassSkins> gGlassSkins;
}

bool LoadGlassSkins() {
    if (gGlassSkins) return true;
    auto skins = std::make_unique<GlassSkins>();
    Sprite highlight;
    int w = 0, h = 0;
    std::vector<Rgb> grey;
    if (!LoadSkinSprite(gUiInstance, IDB_GLASS_FACE, IDB_GLASS_FACE_MASK, &skins->face) ||
        !LoadSkinSprite(gUiInstance, IDB_GLASS_KNOB, IDB_GLASS_KNOB_MASK, &skins->knob) ||
        !LoadSkinSprite(gUiInstance, IDB_GLASS_MARKER, IDB_GLASS_MARKER_MASK, &skins->marker) ||
        !LoadSkinPixels(gUiInstance, IDB_GLASS_HIGHLIGHT, &w, &h, &grey))
        return false;
    skins->highlight.width = w;
    skins->highlight.height = h;
    skins->highlight.pixels.assign(grey.size(), Rgb{255, 255, 255});
    skins->highlight.mask.resize(grey.size());
    for (size_t i = 0; i < grey.size(); ++i) skins->highlight.mask[i] = grey[i].g;
    gGlassSkins = std::move(skins);
    return true;
}

void FreeGlassSkins() { gGlassSkins.reset(); }
const GlassSkins* SharedGlassSkins() { return gGlassSkins.get(); }

// ---- TGlassSlider -----------------------------------------------------------
TGlassSlider::TGlassSlider() {
    notifyWhileDragging = true;
    fireKind = 1;
    hot = -1;
}

void TGlassSlider::Redraw() {
    dirty = true;
    if (wnd) RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TGlassSlider::RenderFrame(const Canvas&, Canvas& out) {
    if (!IsWindowVisible(wnd)) flameLevel = 1;
    StepGlow(glow, flameLevel > height);
    GlassLook look;
    look.kind = fireKind;
    look.angle = knob.angle;
    look.elevation = angle2;
    look.inset = markerInset;
    look.glow = glow;
    look.background = BackgroundRgb();
    static const GlassSkins kNone;
    const GlassSkins* s = skins ? skins : SharedGlassSkins();
    RenderGlass(out, look, s ? *s : kNone);
    ++framesRendered;
    dirty = false;
}

void TGlassSlider::PaintStill(HDC dc) {
    Surface s(dc, width, height);
    if (!s) return;
    Canvas c = s.canvas();
    StillKey key;
    key.w = width;
    key.h = height;
    key.kind = fireKind;
    key.inset = markerInset;
    key.angle = knob.angle;
    key.elevation = angle2;
    key.spin = glow.spin;
    key.background = BackgroundRgb();
    key.skins = skins ? skins : SharedGlassSkins();
    const size_t bytes = size_t(std::max(0, width)) * size_t(std::max(0, height)) * 3;
    if (!dirty && key == stillKey_ && still_.size() == bytes) {
        ShowKept(still_, c);
        s.CopyTo(dc, 0, 0);
        return;
    }
    GlowState g = glow;
    glow = GlowState{0.0f, glow.spin};
    const int level = flameLevel;
    RenderFrame(c, c);
    flameLevel = level;
    glow = g;
    KeepCanvas(c, &still_);
    stillKey_ = key;
    s.CopyTo(dc, 0, 0);
}

void TGlassSlider::WriteOut() {
    if (fireKind == 2) {
        if (outValue) *outValue = knob.angle;
        if (outElevation) *outElevation = angle2;
    } else if (outValue) {
        *outValue = knob.value;
    }
}

void TGlassSlider::Drag(int px, int py) {
    const float cx = width / 2.0f, cy = height / 2.0f;
    angle2 = DialElevation(float(px), float(py), cx, cy, cx - 2.0f);
    DragKnob(knob, float(px), float(py), cx, cy);
    WriteOut();
    UpdateValueText();
    Redraw();
    PostMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 1);
}

LRESULT TGlassSlider::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const int px = short(LOWORD(lp)), py = short(HIWORD(lp));
    const bool knobKind = fireKind >= 1 && fireKind <= 3;
    switch (msg) {
        case WM_COMMAND: {
            const int from = LOWORD(wp), code = HIWORD(wp);
            if (from == 1 && code == EN_MAXTEXT) wp = MAKEWPARAM(1, EN_KILLFOCUS);  // taken like leaving it
            const LRESULT r = TControlButtonFire::Handle(w, WM_COMMAND, wp, lp);
            WriteOut();
            Redraw();
            return r;
        }
        case WM_SHOWWINDOW:
            if (!wp) flameLevel = 0;
            return DefWindowProcA(w, msg, wp, lp);
        case WM_MOUSEMOVE:
            if ((wp & MK_LBUTTON) && dragging && knobKind) {
                Drag(px, py);
                return 0;
            }
            return TControlButtonFire::Handle(w, msg, wp, lp);
        case WM_LBUTTONDOWN:
            SetCapture(w);
            state = 2;
            flameLevel = height + 10;
            if (knobKind) {
                dragging = true;
                if (knob.limited) knob.turns = 0.0f;
                Drag(px, py);
            } else {
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_RBUTTONDOWN:
            if (knobKind) OpenGlassValueDialog(this);
            return 0;
        default:
            return TControlButtonFire::Handle(w, msg, wp, lp);
    }
}

INT_PTR OpenGlassValueDialog(TGlassSlider* g) {
    if (!g || g->fireKind < 1 || g->fireKind > 3) return 2;
    const KnobState& k = g->knob;
    ValueDialogModel m;
    m.name = g->name;
    m.unusedText = "Not Used";
    m.integerNumbers = k.integer;
    if (g->fireKind == 1) {
        m.type = std::string(k.integer ? "Integer " : "Float ") + "Slider";
        m.value1 = k.value;
        m.rangeText = FormatWidgetNumber(g->outerLow, k.integer) + " ... " + FormatWidgetNumber(g->outerHigh, k.integer);
        m.rangeEditable = true;
        m.newMin = k.rangeLow;
        m.newMax = k.rangeHigh;
        m.outerLower = g->outerLow;
        m.outerUpper = g->outerHigh;
        m.clampValue = k.limited;
    } else if (g->fireKind == 2) {
        m.type = "Light Position";
        m.integerNumbers = false;
        m.value1 = k.angle;
        m.value2 = g->angle2;
        m.hasValue2 = true;
        m.rangeText = "Not Limit";
    } else {
        m.type = std::string(k.integer ? "Integer " : "Float ") + "Angle";
        m.value1 = k.value;
        m.rangeText = "Not Limit";
    }
    const INT_PTR r = RunValueDialog(g->wnd, m);
    if (r != 1) return r;
    if (g->fireKind == 2) {
        g->knob.angle = float(m.value1);
        g->angle2 = float(m.value2);
    } else {
        g->SetValue(float(m.value1));
        if (g->fireKind == 1 && k.limited) {
            const auto whole = [&](double v) { return float(k.integer ? std::round(v) : v); };
            g->SetRange(whole(m.newMin), whole(m.newMax));
            g->SetValue(float(m.value1));
        }
    }
    g->WriteOut();
    g->Redraw();
    PostMessageA(GetParent(g->wnd), WM_COMMAND, MAKEWPARAM(g->id, kNotifyChanged), 0);
    return r;
}

int RegisterGlassSliderClass(HINSTANCE instance) {
    return RegisterWidget(instance, kGlassSliderClass, WidgetWindowProc<TGlassSlider>, 0, IDC_ARROW);
}

}  // namespace frostel::widgets
