// "Contaner Anim CPP" and "Control Glass CPP".
#include "AnimatedWidgets.h"
#include "WidgetInternal.h"

#include <algorithm>
#include <cmath>

namespace frostel::widgets {

using namespace detail;

namespace {
constexpr UINT_PTR kFrameTimer = 1;
constexpr Rgb kPanelGrey{192, 192, 192};
constexpr size_t kMaxChildren = 25;
TControlGlass* gHotGlass = nullptr;

// A soft round spot: 1 in the middle, 0 at the rim.
std::vector<float> RoundSpot(int size) {
    std::vector<float> img(size_t(size) * size, 0.0f);
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x + 0.5 - c, y + 0.5 - c) / c;
            if (d < 1.0) img[size_t(y) * size + x] = float((1.0 - d) * (1.0 - d));
        }
    return img;
}

bool LoadGrey(int id, int* w, int* h, std::vector<uint8_t>* grey) {
    std::vector<Rgb> px;
    if (!LoadSkinPixels(gUiInstance, id, w, h, &px)) return false;
    grey->resize(px.size());
    for (size_t i = 0; i < px.size(); ++i) (*grey)[i] = px[i].g;
    return true;
}

// Three grey bitmaps of one size into refraction maps of the given profile.
bool LoadMaps(int brightnessId, int weightId, int reliefId, double power, double scale, RefractionMaps* out) {
    int w[3] = {}, h[3] = {};
    std::vector<uint8_t> grey[3];
    const int ids[3] = {brightnessId, weightId, reliefId};
    for (int i = 0; i < 3; ++i)
        if (!LoadGrey(ids[i], &w[i], &h[i], &grey[i]) || w[i] != w[0] || h[i] != h[0]) {
            MessageBeep(UINT(-1));
            return false;
        }
    *out = MakeRefractionMaps(w[0], h[0], grey[0], grey[1], grey[2], power, scale);
    return !out->empty();
}

void Blit(HDC dc, const std::vector<uint8_t>& bgr, int w, int h) {
    if (bgr.size() < size_t(w) * h * 3 || w <= 0 || h <= 0) return;
    Surface s(dc, w, h);
    if (!s) return;
    Canvas c = s.canvas();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &bgr[(size_t(y) * w + x) * 3];
            c.Set(x, y, Rgb{p[2], p[1], p[0]});
        }
    s.CopyTo(dc, 0, 0);
}

Canvas CanvasOf(std::vector<uint8_t>& bgr, int w, int h) { return Canvas(bgr.data(), w, h, ptrdiff_t(w) * 3); }
}  // namespace

// ---- TContanerAnim ----------------------------------------------------------
Canvas TContanerAnim::BackgroundCanvas() {
    if (background_.size() != size_t(width) * height * 3) return Canvas(nullptr, 0, 0, 0);
    return CanvasOf(background_, width, height);
}

void TContanerAnim::Frame() {
    if (closing || width <= 0 || height <= 0) return;
    background_.resize(size_t(width) * height * 3);
    output_.resize(background_.size());
    Canvas back = CanvasOf(background_, width, height), out = CanvasOf(output_, width, height);
    back.Fill(kPanelGrey);
    for (LightSpot& s : spots) {
        AddLightSpot(back, s, spotImage);
        MoveLightSpot(s, width, height);
    }
    for (int i = 0; i < std::min<int>(glowCount, int(children.size())); ++i) DrawGlowSpot(back, children[size_t(i)]->glow);
    if (effectMode == 1) Refract(back, out, maps);
    else output_ = background_;
    if (effectMode == 2) Scatter(out);
    if (wnd) {
        HDC dc = GetDC(wnd);
        if (dc) {
            Blit(dc, output_, width, height);
            ReleaseDC(wnd, dc);
        }
        for (TControlGlass* c : children)
            if (c->wnd) RedrawWindow(c->wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void TContanerAnim::Paint(HDC dc) {
    if (output_.empty()) {
        RECT rc{0, 0, width, height};
        FillBackground(dc, rc);
        return;
    }
    Blit(dc, output_, width, height);
}

LRESULT TContanerAnim::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            // Frames come from the timer; a paint only validates (and shows the last one).
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            Paint(dc);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_TIMER:
            if (!closing) Frame();
            return 0;
        case WM_COMMAND:
            return SendMessageA(GetParent(w), WM_COMMAND, wp, lp);
        case WM_MOUSEMOVE:
            if (gHotGlass) {
                gHotGlass->ShowGlow(false);
                gHotGlass = nullptr;
            }
            return 0;
        case WM_DESTROY:
            closing = true;
            running = false;
            KillTimer(w, kFrameTimer);
            for (TControlGlass* c : children) c->panel = nullptr;
            children.clear();
            return 0;
        default:
            return TContaner::Handle(w, msg, wp, lp);
    }
}

void StartContanerAnim(TContanerAnim* p, int count, int size, std::vector<float> image, int glowCount) {
    if (!p || !p->wnd || size <= 0) return;
    p->spotCount = count;
    p->spotSize = size;
    p->glowCount = glowCount;
    p->spotImage = image.size() >= size_t(size) * size ? std::move(image) : RoundSpot(size);
    SpotRandom random(1);
    p->spots = MakeLightSpots(count, size, p->width, p->height, random);
    p->running = SetTimer(p->wnd, kFrameTimer, 50, nullptr) != 0;
}

bool SetContanerAnimEffect(TContanerAnim* p, int mode, int brightnessId, int weightId, int reliefId) {
    if (!p) return false;
    p->effectMode = uint8_t(mode);
    if (mode != 1) return true;
    return LoadMaps(brightnessId, weightId, reliefId, 1.5, -510.0, &p->maps);
}

bool AddContanerAnimChild(TContanerAnim* p, TControlGlass* c) {
    if (!p || !c || p->children.size() >= kMaxChildren) return false;
    p->children.push_back(c);
    c->panel = p;
    return true;
}

int RegisterContanerAnimClass(HINSTANCE instance) {
    return RegisterWidget(instance, kContanerAnimClass, WidgetWindowProc<TContanerAnim>, 0, IDC_ARROW);
}

// ---- TControlGlass ----------------------------------------------------------
TControlGlass::~TControlGlass() {
    if (gHotGlass == this) gHotGlass = nullptr;
    if (panel) {
        auto& list = panel->children;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

TControlGlass* HotGlassControl() { return gHotGlass; }

void TControlGlass::ShowGlow(bool show) {
    if (show && enabled) {
        const Rgb c = RgbOfColorRef(pressed ? glowPressed : glowNormal);
        glow.colour = c;
        glow.visible = true;
        glow.left = x + width / 2 - 32;
        glow.top = y - height / 2 + 32;
        if (glow.intensity.empty()) {
            glow.width = glow.height = 64;
            glow.intensity.resize(64 * 64);
            for (int j = 0; j < 64; ++j)
                for (int i = 0; i < 64; ++i) {
                    const double d = std::min(1.0, std::hypot(i + 0.5 - 32, j + 0.5 - 32) / 32.0);
                    glow.intensity[size_t(j) * 64 + i] = float(0.8 * (1.0 - d) * (1.0 - d));
                }
        }
    } else {
        glow.visible = false;
    }
    if (wnd) InvalidateRect(wnd, nullptr, FALSE);
}

void TControlGlass::Paint(HDC dc) {
    Surface s(dc, width, height);
    if (!s) return;
    Canvas out = s.canvas();
    Canvas back = panel ? panel->BackgroundCanvas() : Canvas(nullptr, 0, 0, 0);
    std::vector<uint8_t> plain;
    if (back.width() == 0) {
        // No panel picture yet: the glass over the panel's grey.
        plain.assign(size_t(width) * height * 3, kPanelGrey.r);
        back = CanvasOf(plain, width, height);
    }
    const int ox = plain.empty() ? x : 0, oy = plain.empty() ? y : 0;
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) out.Set(px, py, RefractPixel(back, ox + px, oy + py, maps, px, py));
    s.CopyTo(dc, 0, 0);
}

LRESULT TControlGlass::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(w);
    const int px = short(LOWORD(lp)), py = short(HIWORD(lp));
    switch (msg) {
        case WM_CREATE: {
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
            x = r.left;
            y = r.top;
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_DESTROY:
            maps = RefractionMaps{};
            return 0;
        case WM_MOUSEMOVE:
            if (wp & (MK_LBUTTON | MK_RBUTTON)) return 0;
            if (px < 0 || py < 0 || px >= width || py >= height) {
                if (GetCapture() == w) ReleaseCapture();
                if (gHotGlass == this) gHotGlass = nullptr;
                ShowGlow(false);
                return 0;
            }
            if (gHotGlass != this) {
                SetCapture(w);
                if (gHotGlass) gHotGlass->ShowGlow(false);  // the previous one was left
                gHotGlass = this;
                ShowGlow(true);
            }
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(w);
            if (!enabled) return 0;
            SetCapture(w);
            if (buttonMode == 1) {
                pressed = !pressed;
                ShowGlow(true);
            } else if (buttonMode == 2) {
                if (!pressed) {
                    pressed = true;
                    ShowGlow(true);
                    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                }
            } else {
                pressed = true;
            }
            return 0;
        case WM_LBUTTONUP:
            if (!enabled) return 0;
            if (buttonMode == 0) pressed = false;
            if (!pressed) ShowGlow(px >= 0 && py >= 0 && px < width && py < height);
            if (buttonMode != 2) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            ReleaseCapture();
            return 0;
        case WM_ENABLE:
            enabled = wp != 0;
            if (!enabled) ShowGlow(false);
            return 0;
        default:
            return TContaner::Handle(w, msg, wp, lp);
    }
}

bool LoadControlGlassSkin(TControlGlass* g, int brightnessId, int alphaId, int reliefId) {
    if (!g) return false;
    return LoadMaps(brightnessId, alphaId, reliefId, 1.9, -1020.0, &g->maps);
}

namespace {
LRESULT CALLBACK ControlGlassWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const LRESULT r = WidgetWindowProc<TControlGlass>(w, msg, wp, lp);
    if (msg == WM_CREATE && r != -1) {
        // On an animated panel the control joins its children.
        auto* g = static_cast<TControlGlass*>(FindControlObject(w, kControlGlassClass));
        auto* p = static_cast<TContanerAnim*>(FindControlObject(GetParent(w), kContanerAnimClass));
        if (g && p) AddContanerAnimChild(p, g);
    }
    return r;
}
}  // namespace

int RegisterControlGlassClass(HINSTANCE instance) {
    return RegisterWidget(instance, kControlGlassClass, ControlGlassWndProc, 0, IDC_ARROW);
}

}  // namespace frostel::widgets
