// "Contaner CPP", "Contaner1 CPP" and "Spin Edit CPP Hor".
#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <commctrl.h>

#include <algorithm>

namespace frostel::widgets {

using namespace detail;

// ---- TContanerPanel -------------------------------------------------------
void TContanerPanel::Paint(HDC target) {
    Surface s(target, width, height);
    if (!s) return;
    HDC dc = s.dc();
    RECT all{0, 0, width, height};
    bool painted = false;
    if (background) {
        HDC mem = CreateCompatibleDC(dc);
        if (mem) {
            HGDIOBJ old = SelectObject(mem, background);
            painted = BitBlt(dc, 0, 0, width, height, mem, backX, backY, SRCCOPY) != FALSE;
            SelectObject(mem, old);
            DeleteDC(mem);
        }
    }
    if (!painted) FillBackground(dc, all);
    if (style == 4) {
        HBRUSH frame = CreateSolidBrush(enabled ? frameColor : shadow);
        FrameRect(dc, &all, frame);
        DeleteObject(frame);
    }
    if ((style == 4 || style == 5) && !text.empty()) {
        COLORREF ink = style == 4 ? textColor : stateColors[std::min<int>(state, 2)];
        if (!enabled) ink = DisabledCaptionColor(ink);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        HFONT f = font ? font : gDialogFont;
        HGDIOBJ oldFont = f ? SelectObject(dc, f) : nullptr;
        DrawTextA(dc, text.c_str(), int(text.size()), &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (oldFont) SelectObject(dc, oldFont);
    }
    s.CopyTo(target, 0, 0);
}

LRESULT TContanerPanel::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(w);
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_COMMAND:
            PostMessageA(parent, WM_COMMAND, wp, lp);
            return 0;
        case WM_ENABLE:
            enabled = wp != 0;
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE: {
            if (!enabled) return 0;
            if (style == 5) SetCursor(gCursors.hand ? gCursors.hand : LoadCursorA(nullptr, IDC_HAND));
            if (mode != 6) return 0;
            const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
            const bool inside = x >= 0 && y >= 0 && x < width && y < height;
            if (inside && state == 0) {
                SetCapture(w);
                state = 1;
                InvalidateRect(w, nullptr, FALSE);
            } else if (!inside && state != 2) {
                if (GetCapture() == w) ReleaseCapture();
                if (state != 0) {
                    state = 0;
                    InvalidateRect(w, nullptr, FALSE);
                }
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            SetFocus(w);
            if (style == 5 && enabled) SetCapture(w);
            return 0;
        case WM_LBUTTONUP:
            if (style != 5 || !enabled) return 0;
            if (GetCapture() == w) ReleaseCapture();
            if (state != 2) state = 0;
            InvalidateRect(w, nullptr, FALSE);
            PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            return 0;
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

int RegisterContanerClass(HINSTANCE instance) {
    return RegisterWidget(instance, kContanerClass, WidgetWindowProc<TContanerPanel>, 0, IDC_ARROW);
}

// ---- TContaner1 -----------------------------------------------------------
void TContaner1::Paint(HDC dc) {
    RECT all{0, 0, width, height};
    FillBackground(dc, all);
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, inset, 0, nullptr);
    LineTo(dc, width, height);
    MoveToEx(dc, inset, height, nullptr);
    LineTo(dc, width, 0);
    SelectObject(dc, old);
}

LRESULT TContaner1::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT || msg == WM_PRINTCLIENT || msg == WM_ERASEBKGND || msg == WM_SIZE)
        return TContaner::Handle(w, msg, wp, lp);
    return DefWindowProcA(w, msg, wp, lp);
}

int RegisterContaner1Class(HINSTANCE instance) {
    return RegisterWidget(instance, kContaner1Class, WidgetWindowProc<TContaner1>, 0, IDC_ARROW);
}

// ---- TSpinEditHor ---------------------------------------------------------
namespace {
constexpr int kTrackbarId = 333;
constexpr int kFieldsWidth = 62;  // edit and up-down at the right end
}  // namespace

LRESULT TSpinEditHor::Create() {
    slider = CreateWindowExA(0, kMacSliderClass, "", 0x50800000, 0, 3, std::max(0, width - kFieldsWidth),
                             std::max(0, height - 3), wnd, reinterpret_cast<HMENU>(3), gUiInstance, nullptr);
    sliderObject = static_cast<TMacSlider*>(FindControlObject(slider, kMacSliderClass));
    if (!sliderObject) return -1;
    RECT bar;
    GetClientRect(slider, &bar);
    HWND track = CreateWindowExA(0, TRACKBAR_CLASSA, "", 0x50000014, 0, 0, bar.right, bar.bottom, slider,
                                 reinterpret_cast<HMENU>(kTrackbarId), gUiInstance, nullptr);
    edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", 0x50801080, std::max(0, width - kFieldsWidth), 0, 40,
                           height, wnd, reinterpret_cast<HMENU>(1), gUiInstance, nullptr);
    upDown = CreateWindowExA(0, UPDOWN_CLASSA, "", 0x50800000, std::max(0, width - 20), 0, 16, height, wnd,
                             reinterpret_cast<HMENU>(2), gUiInstance, nullptr);
    if (!track || !edit || !upDown) return -1;
    if (gDialogFont) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(gDialogFont), FALSE);
    SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SetWindowPos(upDown, nullptr, std::max(0, width - 20), 0, 16, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(upDown, UDM_SETRANGE, 0, MAKELONG(short(SaturateToInt(upper)), short(SaturateToInt(lower))));
    SendMessageA(upDown, UDM_SETPOS, 0, MAKELONG(short(SaturateToInt(value)), 0));
    sliderObject->kind = 2;
    sliderObject->trackbar = track;
    sliderObject->ownedBySpinEdit = true;
    sliderObject->notifyWhileDragging = true;
    sliderObject->SetRange(lower, upper);
    sliderObject->SetValue(value, true);
    return 0;
}

LRESULT TSpinEditHor::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    // The trackbar is this window's child: answer its colours like the bar does.
    if (IsControlColourMessage(msg)) return AnswerControlColour(msg, wp);
    return TSpinEdit::Handle(w, msg, wp, lp);
}

int RegisterSpinEditHorClass(HINSTANCE instance) {
    return RegisterWidget(instance, kSpinEditHorClass, WidgetWindowProc<TSpinEditHor>, 0, IDC_ARROW);
}

}  // namespace frostel::widgets
