#include "WidgetCreators.h"

#include "WidgetInternal.h"

#include <algorithm>
#include <new>
#include <vector>

namespace frostel::widgets {

using namespace detail;

void* CreateWidgetWindow(const char* cls, HWND parent, int x, int y, int w, int h, int id, DWORD style,
                         DWORD exStyle) {
    HWND wnd = CreateWindowExA(exStyle, cls, "", style, x, y, w, h, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                               gUiInstance, nullptr);
    return wnd ? reinterpret_cast<void*>(GetWindowLongPtrA(wnd, GWLP_USERDATA)) : nullptr;
}

namespace {
template <typename T>
T* Make(const char* cls, HWND parent, int x, int y, int w, int h, int id, DWORD style = kCreatorStyle,
        DWORD exStyle = 0) {
    return static_cast<T*>(CreateWidgetWindow(cls, parent, x, y, w, h, id, style, exStyle));
}
}  // namespace

TControlButtonFire* CreateFireButton(HWND parent, int x, int y, int w, int h, int id) {
    auto* f = Make<TControlButtonFire>(kControlButtonFireClass, parent, x, y, w, h, id);
    if (!f) return nullptr;
    f->x = x;
    f->y = y;
    f->fireTint = RgbOfColorRef(gFaceColor);
    return f;
}

TControlButton* CreateControlButton(HWND parent, int x, int y, int w, int h, int id) {
    return Make<TControlButton>(kControlButtonClass, parent, x, y, w, h, id);
}

TContanerPanel* CreateCaption(HWND parent, int x, int y, int w, int h, int id, const char* text, DWORD exStyle) {
    auto* c = Make<TContanerPanel>(kContanerClass, parent, x, y, w, h, id, 0x50000000, exStyle);
    if (!c) return nullptr;
    c->style = 4;
    c->font = gDialogFont;
    c->text = text ? text : "";
    return c;
}

TContanerPanel* CreateClickableCaption(HWND parent, int x, int y, int w, int h, int id, const char* text,
                                       bool enabled) {
    auto* c = Make<TContanerPanel>(kContanerClass, parent, x, y, w, h, id, 0x50000000);
    if (!c) return nullptr;
    c->style = 5;
    c->font = gDialogFont;
    c->text = text ? text : "";
    c->enabled = enabled;
    return c;
}

TContanerAnim* CreateAnimPanel(HWND parent, int x, int y, int w, int h, int id) {
    return Make<TContanerAnim>(kContanerAnimClass, parent, x, y, w, h, id);
}

TContanerColor* CreateSwatch(HWND parent, int x, int y, int w, int h, int id, COLORREF colour) {
    auto* s = Make<TContanerColor>(kColorClass, parent, x, y, w, h, id);
    if (s) s->color = colour;
    return s;
}

TContanerColor* CreateSwatchWithCaption(HWND parent, int x, int y, int w, int h, int id, COLORREF colour,
                                        const char* caption, const char* toolTip) {
    auto* s = Make<TContanerColor>(kColorClass, parent, x, y, w, h, id, kCreatorStyle, WS_EX_CLIENTEDGE);
    if (!s) return nullptr;
    s->color = colour;
    TContanerPanel* c = CreateCaption(parent, x, y + h, w, 18, id + 1, caption);
    if (c) s->label = c->wnd;
    if (toolTip) {
        AddToolTip(s->wnd, toolTip, nullptr);
        if (c) AddToolTip(c->wnd, toolTip, nullptr);
    }
    return s;
}

TControlGlass* CreateGlassControl(HWND panel, int x, int y, int w, int h, int id, int brightnessId, int alphaId,
                                  int reliefId) {
    auto* g = Make<TControlGlass>(kControlGlassClass, panel, x, y, w, h, id);
    if (!g) return nullptr;
    SetShapeRegion(g->wnd, 1);
    LoadControlGlassSkin(g, brightnessId, alphaId, reliefId);
    return g;
}

TPreviewContaner* CreatePreview(HWND parent, int x, int y, int w, int h, int id) {
    return Make<TPreviewContaner>(kPreviewClass, parent, x, y, w, h, id);
}

TRotor* CreateRotor(HWND parent, int x, int y, int w, int h, int id, bool rounded) {
    auto* r = Make<TRotor>(kRotorClass, parent, x, y, w, h, id, 0x56010000);
    if (r && rounded) SetShapeRegion(r->wnd, 2);
    return r;
}

TSpinEdit* CreateSpinEdit(HWND parent, int x, int y, int w, int h, int id) {
    return Make<TSpinEdit>(kSpinEditClass, parent, x, y, w, h, id, kCreatorStyle, WS_EX_CLIENTEDGE);
}

TSpinEdit* CreateSpinEditKnob(HWND parent, int x, int y, int w, int h, int id, const char* caption, float lower,
                              float upper, float value) {
    TSpinEdit* s = CreateSpinEdit(parent, x, y, w, h, id);
    if (!s) return nullptr;
    s->rangeFollowing = false;
    if (s->sliderObject) s->sliderObject->framed = false;
    SetSpinEditRange(s, lower, upper);
    SetControlValueText(s, value);
    if (TContanerPanel* c = CreateCaption(parent, x, y + h, w, 20, id + 100, caption)) s->label = c->wnd;
    return s;
}

TGlassSlider* CreateGlassSlider(HWND parent, int x, int y, int w, int h, int id, const char* caption) {
    auto* g = Make<TGlassSlider>(kGlassSliderClass, parent, x, y, w, h, id, 0x56010000);
    if (!g) return nullptr;
    g->x = x;
    g->y = y;
    SetWindowRgn(g->wnd, CreateRoundRectRgn(0, 0, w, h, int(w / 1.1), int(h / 1.1)), TRUE);
    if (caption) {
        CreateCaption(parent, x, y + h, w, 18, id + 1, caption);
        lstrcpynA(g->name, caption, sizeof g->name);
    }
    return g;
}

namespace {
// The bitmap's pixels at (x, y) .. (x + w, y + h), rows top down, blue-green-red; false when unreadable.
bool ReadBitmapRect(HBITMAP b, int x, int y, int w, int h, std::vector<uint8_t>* bgr) {
    BITMAP info{};
    if (!b || !GetObjectA(b, sizeof info, &info)) return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    const size_t stride = (size_t(info.bmWidth) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> all(stride * size_t(info.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, b, 0, UINT(info.bmHeight), all.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight) return false;
    bgr->assign(size_t(w) * h * 3, 0);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int sx = x + i, sy = y + j;
            if (sx < 0 || sy < 0 || sx >= info.bmWidth || sy >= info.bmHeight) continue;
            std::copy_n(&all[size_t(sy) * stride + size_t(sx) * 3], 3, &(*bgr)[(size_t(j) * w + i) * 3]);
        }
    return true;
}
}  // namespace

TControl* CreateSkinnedControl(HWND parent, int x, int y, int w, int h, int id, HBITMAP background, HBITMAP mask,
                               HBITMAP alpha) {
    auto* c = Make<TControl>(kControlClass, parent, x, y, w, h, id);
    if (!c || !background || w <= 0 || h <= 0) return c;
    std::vector<uint8_t> cut, maskPx, alphaPx;
    if (!ReadBitmapRect(background, x, y, w, h, &cut)) {
        MessageBeep(UINT(-1));
        return c;
    }
    const bool haveMask = mask && ReadBitmapRect(mask, x, y, w, h, &maskPx);
    const bool haveAlpha = alpha && ReadBitmapRect(alpha, x, y, w, h, &alphaPx);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        uint8_t* p = &cut[i * 3];
        if (haveMask && (maskPx[i * 3] | maskPx[i * 3 + 1] | maskPx[i * 3 + 2])) {
            p[0] = 0;
            p[1] = 0;
            p[2] = 255;
        }
        if (haveAlpha) {
            const double a = alphaPx[i * 3 + 1] / 255.0;
            for (int k = 0; k < 3; ++k) p[k] = uint8_t(p[k] * (1.0 - a) + 0.5);
        }
    }
    // Bottom-up rows padded to 4 bytes, as the panel keeps them.
    const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> dib(stride * h, 0);
    for (int j = 0; j < h; ++j) std::copy_n(&cut[size_t(j) * w * 3], size_t(w) * 3, &dib[size_t(h - 1 - j) * stride]);
    if (c->SetPixels(dib.data(), w, h)) c->kind = 2;
    return c;
}

namespace {
// The set's bitmap loaded, the four items made by `makeItem`, the two panels
// cut from the bitmap; the bitmap goes once they hold their pixels.
template <typename MakeItem>
bool CreateWidgetSet(HWND parent, int bitmapId, const WidgetSetLayout& layout, TControl* panels[2],
                     MakeItem makeItem) {
    HBITMAP b = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(bitmapId));
    if (!b) {
        MessageBeep(UINT(-1));
        return false;
    }
    for (int i = 0; i < 4; ++i) makeItem(i, layout.items[i], layout.firstId + i);
    for (int i = 0; i < 2; ++i) {
        const WidgetPlace& p = layout.panels[i];
        panels[i] = CreateSkinnedControl(parent, p.x, p.y, p.w, p.h, layout.firstId + 4 + i, b, nullptr, nullptr);
    }
    if (!DeleteObject(b)) MessageBeep(UINT(-1));
    return true;
}
}  // namespace

bool CreateSwatchSet(HWND parent, int bitmapId, const WidgetSetLayout& layout, SwatchSet* out) {
    *out = SwatchSet{};
    return CreateWidgetSet(parent, bitmapId, layout, out->panels, [&](int i, const WidgetPlace& p, int id) {
        out->swatches[i] = CreateSwatch(parent, p.x, p.y, p.w, p.h, id, 0);
    });
}

bool CreateRotorSet(HWND parent, int bitmapId, const WidgetSetLayout& layout, RotorSet* out) {
    *out = RotorSet{};
    return CreateWidgetSet(parent, bitmapId, layout, out->panels, [&](int i, const WidgetPlace& p, int id) {
        out->rotors[i] = CreateRotor(parent, p.x, p.y, p.w, p.h, id, true);
    });
}

namespace {
constexpr const char* kModelessProp = "FrostelModelessPanel";

struct PanelStart {
    TContaner* object;
    bool modeless;
    int x, y, w, h;
};

INT_PTR CALLBACK DialogPanelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* obj = reinterpret_cast<TContaner*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            auto* start = reinterpret_cast<PanelStart*>(lp);
            obj = start->object ? start->object : new (std::nothrow) TContaner();
            if (!obj) {
                start->modeless ? DestroyWindow(dlg) : EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            obj->wnd = dlg;
            SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(obj));
            if (start->modeless) SetPropA(dlg, kModelessProp, reinterpret_cast<HANDLE>(1));
            if (start->modeless && start->w > 0) {
                MoveWindow(dlg, start->x, start->y, start->w, start->h, TRUE);
                obj->width = start->w;
                obj->height = start->h;
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                // A modeless panel has no modal loop to end: it goes.
                if (GetPropA(dlg, kModelessProp)) DestroyWindow(dlg);
                else EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            RemovePropA(dlg, kModelessProp);
            SetWindowLongPtrA(dlg, DWLP_USER, 0);
            delete obj;
            return FALSE;
        default:
            return FALSE;
    }
}
}  // namespace

HWND CreateDialogPanel(HWND parent, const char* templateName, TContaner* object, int x, int y, int w, int h) {
    PanelStart start{object, true, x, y, w, h};
    ModuleActivation scope;
    HWND dlg = CreateDialogParamA(gUiInstance, templateName, parent, DialogPanelProc, reinterpret_cast<LPARAM>(&start));
    if (!dlg) delete object;
    return dlg;
}

INT_PTR RunDialogPanel(HWND parent, const char* templateName, TContaner* object) {
    PanelStart start{object, false, 0, 0, 0, 0};
    ModuleActivation scope;
    const INT_PTR r = DialogBoxParamA(gUiInstance, templateName, parent, DialogPanelProc, reinterpret_cast<LPARAM>(&start));
    if (r == -1) delete object;
    return r;
}

void SetShapeRegion(HWND w, int shape) {
    RECT rc;
    if (!w || !GetClientRect(w, &rc)) return;
    const int cw = rc.right, ch = rc.bottom;
    HRGN r = nullptr;
    if (shape == 1) r = CreateEllipticRgn(0, 0, cw, ch);
    else if (shape == 4) r = CreateEllipticRgn(-1, -1, cw + 2, ch + 2);
    else if (shape == 2) r = CreateRoundRectRgn(0, 0, cw, ch, cw / 2, ch / 2);
    if (r && !SetWindowRgn(w, r, TRUE)) DeleteObject(r);  // the window owns it once set
}

void MoveWidgetWithCaption(HWND widget, HWND caption, int x, int y, int w, int h, int captionHeight) {
    if (widget) MoveWindow(widget, x, y, w, h, TRUE);
    if (caption) MoveWindow(caption, x, y + h, w, captionHeight, TRUE);
}

void ShowWidgetWithCaption(HWND widget, HWND caption, bool show) {
    for (HWND w : {widget, caption})
        if (w) ShowWindow(w, show ? SW_SHOW : SW_HIDE);
}

void EnableWidgetWithCaption(HWND widget, HWND caption, HWND edit, bool enable) {
    for (HWND w : {widget, caption, edit})
        if (w) {
            EnableWindow(w, enable);
            InvalidateRect(w, nullptr, TRUE);
        }
}

}  // namespace frostel::widgets
