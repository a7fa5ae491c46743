#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <commdlg.h>

namespace frostel::widgets {

using namespace detail;

namespace {
HostColorPicker gHostPicker = nullptr;
SystemColorDialog gSystemDialog = nullptr;
COLORREF gSharedCustomColors[16] = {};

// Brings the hooked colour dialog up at once where some hosts would leave it hidden.
UINT_PTR CALLBACK ChooseColorHookProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG) return 0;
    SetWindowLongA(dlg, GWL_STYLE, GetWindowLongA(dlg, GWL_STYLE) | WS_VISIBLE);
    InvalidateRect(dlg, nullptr, TRUE);
    UpdateWindow(dlg);
    PostMessageA(dlg, WM_PAINT, 0, 0);
    SetFocus(dlg);
    RECT rc;
    GetWindowRect(dlg, &rc);
    MoveWindow(dlg, 0, 0, 1, 1, FALSE);
    MoveWindow(dlg, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    return 1;
}

bool RunChooseColor(HWND owner, COLORREF* color, COLORREF custom[16], bool hooked) {
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.hInstance = reinterpret_cast<HWND>(gUiInstance);
    cc.rgbResult = *color;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | (hooked ? CC_ENABLEHOOK : 0);
    cc.lpfnHook = hooked ? ChooseColorHookProc : nullptr;
    ModuleActivation scope;
    if (!ChooseColorA(&cc)) return false;
    *color = cc.rgbResult;
    return true;
}

bool SystemDialog(HWND owner, COLORREF* color, COLORREF custom[16], bool hooked) {
    return (gSystemDialog ? gSystemDialog : RunChooseColor)(owner, color, custom, hooked);
}
}  // namespace

void SetHostColorPicker(HostColorPicker picker) { gHostPicker = picker; }
void SetSystemColorDialog(SystemColorDialog dialog) { gSystemDialog = dialog; }

bool PickColor(HWND owner, COLORREF* color) {
    COLORREF c = *color;
    const int result = gHostPicker ? gHostPicker(&c) : -1;
    if (result == 0) {
        *color = c;
        return true;
    }
    if (result == -128) return false;  // the user said no: no second dialog
    c = *color;
    if (!SystemDialog(owner, &c, gSharedCustomColors, false)) return false;
    *color = c;
    return true;
}

void TContanerColor::Paint(HDC dc) {
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(color);
    if (enabled) {
        HPEN pen = CreatePen(PS_SOLID, 1, SwatchOutlineColor(color, hover));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        Rectangle(dc, 0, 0, width, height);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    } else {
        FillBackground(dc, all);
        RECT inner{4, 3, width - 4, height - 3};
        FillRect(dc, &inner, brush);
    }
    DeleteObject(brush);
}

LRESULT TContanerColor::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE: {
            const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
            const bool inside = x >= 0 && y >= 0 && x < width && y < height;
            if (inside) {
                if (GetCapture() != w) SetCapture(w);
                hover = true;
            } else {
                if (GetCapture() == w) ReleaseCapture();
                hover = false;
            }
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            if (GetCapture() == w) ReleaseCapture();
            COLORREF c = color;
            const bool chosen = gHostPicker ? PickColor(GetAncestor(w, GA_ROOT), &c)
                                            : SystemDialog(w, &c, customColors, true);
            hover = false;
            InvalidateRect(w, nullptr, FALSE);
            if (chosen) {
                color = c;
                SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            }
            return 0;
        }
        case WM_ENABLE:
            enabled = wp != 0;
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            if (label) EnableWindow(label, enabled);
            return 0;
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

int RegisterContanerColorClass(HINSTANCE instance) {
    return RegisterWidget(instance, kColorClass, WidgetWindowProc<TContanerColor>, 0, IDC_ARROW);
}

}  // namespace frostel::widgets
