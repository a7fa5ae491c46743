#include "BitmapButtons.h"

#include "WidgetInternal.h"

#include <memory>

namespace frostel::widgets {

using namespace detail;

// ---- BUTTON subclass --------------------------------------------------------
HBITMAP BitmapButtonImage(const ButtonBitmaps& b, bool enabled, bool checked, bool hot) {
    HBITMAP want;
    if (!enabled) want = checked ? b.checkedDisabled : b.disabled;
    else if (hot) want = checked ? b.checkedHot : b.hot;
    else want = checked ? b.checked : b.normal;
    return want ? want : b.normal;
}

namespace {
constexpr const char* kSubclassProp = "FrostelBitmapButton";

struct Subclass {
    WNDPROC previous = nullptr;
    bool hot = false;
    ButtonBitmaps bitmaps;
};

void Show(HWND w, const Subclass& s) {
    const bool checked = SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
    HBITMAP image = BitmapButtonImage(s.bitmaps, IsWindowEnabled(w) != FALSE, checked, s.hot);
    CallWindowProcA(s.previous, w, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

LRESULT CALLBACK BitmapButtonProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = static_cast<Subclass*>(GetPropA(w, kSubclassProp));
    if (!s) return DefWindowProcA(w, msg, wp, lp);
    const WNDPROC previous = s->previous;
    switch (msg) {
        case WM_ENABLE:
        case BM_SETCHECK: {
            const LRESULT r = CallWindowProcA(previous, w, msg, wp, lp);
            Show(w, *s);
            return r;
        }
        case WM_MOUSEMOVE: {
            RECT rc;
            GetClientRect(w, &rc);
            const POINT p{short(LOWORD(lp)), short(HIWORD(lp))};
            if (PtInRect(&rc, p)) {
                if (!s->hot) {
                    SetCapture(w);
                    s->hot = true;
                    Show(w, *s);
                }
            } else if (s->hot) {
                ReleaseCapture();
                s->hot = false;
                Show(w, *s);
            }
            break;
        }
        case WM_LBUTTONUP:
            s->hot = false;
            break;
        case WM_NCDESTROY:
            RemovePropA(w, kSubclassProp);
            SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            delete s;
            return CallWindowProcA(previous, w, msg, wp, lp);
        default:
            break;
    }
    return CallWindowProcA(previous, w, msg, wp, lp);
}
}  // namespace

bool InstallBitmapButton(HWND button, const ButtonBitmaps& bitmaps) {
    char cls[16] = {};
    if (!button || !GetClassNameA(button, cls, sizeof cls) || lstrcmpiA(cls, "Button") != 0) return false;
    if (GetPropA(button, kSubclassProp)) return false;
    auto s = std::make_unique<Subclass>();
    s->bitmaps = bitmaps;
    if (!SetPropA(button, kSubclassProp, s.get())) return false;
    s->previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BitmapButtonProc)));
    Show(button, *s);
    s.release();
    return true;
}

// ---- Bitmap lists -----------------------------------------------------------
void BitmapList::Load(HINSTANCE module, const std::vector<int>& ids) {
    Release();
    for (int id : ids) bitmaps_.push_back(LoadBitmapA(module, MAKEINTRESOURCEA(id)));
}

void BitmapList::Release() {
    for (HBITMAP b : bitmaps_)
        if (b) DeleteObject(b);
    bitmaps_.clear();
}

// ---- Animated button --------------------------------------------------------
namespace {
constexpr UINT_PTR kFrameTimer = 1, kLeaveTimer = 2;
}

void TAnimatedButton::Stop() {
    KillTimer(wnd, kFrameTimer);
    KillTimer(wnd, kLeaveTimer);
    state = 0;
    phase = 0;
    leaveIndex = 0;
}

void TAnimatedButton::Paint(HDC dc) {
    HBITMAP b;
    if (!enabled && bitmaps[3]) b = bitmaps[3];
    else if (state == 2) b = bitmaps[2];
    else if (state == 1 && phase == 2 && leaveFrames.count()) b = leaveFrames.at(leaveIndex);
    else if (state == 1 && hoverFrames.count()) b = hoverFrames.at(hoverIndex);
    else if (state == 1) b = bitmaps[1];
    else b = bitmaps[0];
    if (!b) {
        RECT rc{0, 0, width, height};
        FillBackground(dc, rc);
        return;
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, b);
    BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

LRESULT TAnimatedButton::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    const int px = short(LOWORD(lp)), py = short(HIWORD(lp));
    switch (msg) {
        case WM_MOUSEMOVE:
            if (px < 0 || py < 0 || px >= width || py >= height) {
                if (state == 1 && phase == 0) {
                    ReleaseCapture();
                    phase = 1;
                    leaveIndex = -1;
                    SetTimer(w, kLeaveTimer, 500, nullptr);
                }
            } else if (state == 0) {
                SetCapture(w);
                state = 1;
                hoverIndex = leaveIndex = phase = 0;
                SetTimer(w, kFrameTimer, 75, nullptr);
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_TIMER:
            if (wp == kFrameTimer) {
                if (phase == 0) {
                    hoverIndex = hoverFrames.count() ? (hoverIndex + 1) % hoverFrames.count() : 0;
                } else if (hoverIndex + 1 < hoverFrames.count()) {
                    ++hoverIndex;
                } else {
                    phase = 2;
                    if (++leaveIndex >= leaveFrames.count()) Stop();
                }
            } else if (wp == kLeaveTimer) {
                Stop();
            }
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(w);
            SetCapture(w);
            state = 2;
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP:
            ReleaseCapture();
            if (state == 2) {
                if (buttonKind == 1) checked = !checked;
                KillTimer(w, kFrameTimer);
                state = 0;
                PostMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            }
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_DESTROY:
            KillTimer(w, kFrameTimer);
            KillTimer(w, kLeaveTimer);
            return 0;
        default:
            return TControlButton::Handle(w, msg, wp, lp);
    }
}

}  // namespace frostel::widgets
