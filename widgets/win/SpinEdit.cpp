#include "ValueDialog.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

namespace frostel::widgets {

using namespace detail;

namespace {
constexpr int kEditId = 1, kUpDownId = 2, kBarId = 3;
constexpr UINT_PTR kCommitTimer = 333;
constexpr UINT_PTR kClickTimer = 1;
constexpr UINT kClickDelay = 200, kCommitDelay = 500;

float IntegerPart(float v, bool integer) { return integer ? std::trunc(v) : v; }
short Short16(float v) { return short(std::clamp<int32_t>(SaturateToInt(v), -32768, 32767)); }
}  // namespace

// ---- TMacSlider -----------------------------------------------------------
float TMacSlider::ValueAt(int x, int y) const {
    float v = kind == 1 ? SliderValueAt(y, height, lower, upper) : SliderValueAt(x, width, lower, upper);
    return limited ? ClampFloat(v, innerLower, innerUpper) : v;
}

void TMacSlider::SetValue(float v, bool quiet) {
    value = limited ? ClampFloat(v, innerLower, innerUpper) : v;
    if (kind == 2) {
        if (trackbar) SendMessageA(trackbar, TBM_SETPOS, TRUE, SaturateToInt(value));
    } else if (wnd) {
        InvalidateRect(wnd, nullptr, FALSE);
    }
    HWND parent = wnd ? GetParent(wnd) : nullptr;
    if (parent && textItem) SetDlgItemInt(parent, textItem, UINT(SaturateToInt(value)), TRUE);
    if (parent && upDownItem && !quiet)
        SendDlgItemMessageA(parent, upDownItem, UDM_SETPOS, 0, MAKELONG(Short16(value), 0));
}

void TMacSlider::SetRange(float lo, float hi) {
    lower = lo;
    upper = hi;
    HWND parent = wnd ? GetParent(wnd) : nullptr;
    if (parent && upDownItem) {
        SendDlgItemMessageA(parent, upDownItem, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(parent, textItem)), 0);
        SendDlgItemMessageA(parent, upDownItem, UDM_SETRANGE, 0, MAKELONG(Short16(hi), Short16(lo)));
    }
    if (kind == 2) {
        if (trackbar) {
            SendMessageA(trackbar, TBM_SETRANGE, TRUE, MAKELONG(Short16(lo), Short16(hi)));
            SendMessageA(trackbar, TBM_SETPAGESIZE, 0, 10);
        }
    } else if (wnd) {
        InvalidateRect(wnd, nullptr, FALSE);
    }
}

void TMacSlider::Commit() {
    SetValue(ValueAt(lastX, lastY), false);
    InvalidateRect(wnd, nullptr, FALSE);
    HWND parent = GetParent(wnd);
    SendMessageA(parent, WM_HSCROLL, 0, 0);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
}

void TMacSlider::Paint(HDC target) {
    Surface s(target, width, height);
    if (!s) return;
    HDC dc = s.dc();
    RECT all{0, 0, width, height};
    FillBackground(dc, all);
    const bool vertical = kind == 1;
    const int along = vertical ? height : width, across = vertical ? width : height;
    // Drawn in bar coordinates (a along the track, b across it), turned for the vertical kind.
    auto pt = [&](int a, int b) { return vertical ? POINT{b, a} : POINT{a, b}; };
    const COLORREF ink = !enabled ? 0x7F7F7F : (framed ? 0x960000 : 0x000000);
    HPEN pen = CreatePen(PS_SOLID, 1, ink);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(enabled ? GRAY_BRUSH : LTGRAY_BRUSH));
    auto triangle = [&](int x, int apex, int base, int half) {
        POINT p[3] = {pt(x, apex), pt(x - half, base), pt(x + half, base)};
        Polygon(dc, p, 3);
    };
    if (thinLook) {
        const int mid = across / 2;
        POINT line[2] = {pt(5, mid), pt(along - 5, mid)};
        Polyline(dc, line, 2);
        POINT tickA[2] = {pt(5, mid), pt(5, mid - 5)};
        POINT tickB[2] = {pt(along - 5, mid), pt(along - 5, mid - 5)};
        Polyline(dc, tickA, 2);
        Polyline(dc, tickB, 2);
        triangle(SliderPositionOf(value, along, lower, upper), mid, std::min(across - 1, mid + 5), 3);
    } else {
        const int q = std::max(1, across / 4);
        if (limited) {
            HPEN red = CreatePen(PS_SOLID, 2, RGB(155, 0, 0));
            HGDIOBJ prev = SelectObject(dc, red);
            for (float limit : {innerLower, innerUpper})
                triangle(SliderPositionOf(limit, along, lower, upper), across - q - 2, across - 2, 5);
            SelectObject(dc, prev);
            DeleteObject(red);
        }
        POINT a = pt(5, q), b = pt(along - 5, across - 2 * q);
        Rectangle(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
        triangle(SliderPositionOf(value, along, lower, upper), across - q - 2, across - 2, 5);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    s.CopyTo(target, 0, 0);
}

LRESULT TMacSlider::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(w);
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            doubleClicked = 0;
            SetCapture(w);
            lastX = short(LOWORD(lp));
            lastY = short(HIWORD(lp));
            SetValue(ValueAt(lastX, lastY), false);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            if (wp != MK_LBUTTON) return 0;
            lastX = short(LOWORD(lp));
            lastY = short(HIWORD(lp));
            SetValue(ValueAt(lastX, lastY), false);
            SendMessageA(parent, WM_HSCROLL, 0, 0);
            InvalidateRect(w, nullptr, FALSE);
            if (notifyWhileDragging) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 1);
            return 0;
        case WM_LBUTTONUP:
            ReleaseCapture();
            if (!SetTimer(w, kClickTimer, kClickDelay, nullptr)) Commit();
            return 0;
        case WM_TIMER:
            if (wp != kClickTimer) return 0;
            KillTimer(w, kClickTimer);
            if (!doubleClicked) Commit();
            return 0;
        case WM_LBUTTONDBLCLK:
            doubleClicked = 1;
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 2);
            return 0;
        case WM_RBUTTONDOWN:
            if (ownedBySpinEdit) SendMessageA(parent, WM_RBUTTONDOWN, 0, 0);
            return 0;
        case WM_ENABLE:
            enabled = wp != 0;
            if (trackbar) EnableWindow(trackbar, enabled);
            if (textItem) EnableWindow(GetDlgItem(parent, textItem), enabled);
            if (upDownItem) EnableWindow(GetDlgItem(parent, upDownItem), enabled);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_HSCROLL: {
            if (kind != 2 || !trackbar || reinterpret_cast<HWND>(lp) != trackbar) return 0;
            int pos = int(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
            if (snap && std::fabs(float(pos) - snapValue) <= snapDistance) {
                pos = SaturateToInt(snapValue);
                SendMessageA(trackbar, TBM_SETPOS, TRUE, pos);
            }
            value = float(pos);
            if (textItem) SetDlgItemInt(parent, textItem, UINT(pos), TRUE);
            if (upDownItem) SendDlgItemMessageA(parent, upDownItem, UDM_SETPOS, 0, MAKELONG(short(pos), 0));
            const WORD request = LOWORD(wp);
            if (notifyWhileDragging || request == SB_ENDSCROLL) {
                const LPARAM dragging = request == TB_THUMBTRACK ? 1 : 0;
                if (request == SB_ENDSCROLL) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), dragging);
                else PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), dragging);
            }
            return 0;
        }
        default:
            if (IsControlColourMessage(msg)) return AnswerControlColour(msg, wp);
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

int RegisterMacSliderClass(HINSTANCE instance) {
    return RegisterWidget(instance, kMacSliderClass, WidgetWindowProc<TMacSlider>, CS_DBLCLKS, IDC_ARROW);
}

// ---- TSpinEdit ------------------------------------------------------------
TSpinEdit::~TSpinEdit() = default;

LRESULT TSpinEdit::Create() {
    const int udWidth = UpDownWidthForDpi(gScreenDpi);
    const int editWidth = std::max(0, width - udWidth);
    const int editHeight = std::max(0, height - 20);
    edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", 0x50801080, 0, 0, editWidth, editHeight, wnd,
                           reinterpret_cast<HMENU>(kEditId), gUiInstance, nullptr);
    upDown = CreateWindowExA(0, UPDOWN_CLASSA, "", 0x50800000, editWidth + 1, 0, udWidth, editHeight, wnd,
                             reinterpret_cast<HMENU>(kUpDownId), gUiInstance, nullptr);
    slider = CreateWindowExA(WS_EX_STATICEDGE, kMacSliderClass, "", 0x50800000, 0, height - 20, width, 20, wnd,
                             reinterpret_cast<HMENU>(kBarId), gUiInstance, nullptr);
    sliderObject = static_cast<TMacSlider*>(FindControlObject(slider, kMacSliderClass));
    // Without its three parts the control cannot work: let its creation fail.
    if (!edit || !upDown || !sliderObject) return -1;
    HFONT font = gEditFont ? gEditFont : gDialogFont;
    if (font) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    // Some up-down versions size themselves at creation; the band's width holds.
    SetWindowPos(upDown, nullptr, editWidth + 1, 0, udWidth, editHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(upDown, UDM_SETRANGE, 0, MAKELONG(Short16(upper), Short16(lower)));
    SendMessageA(upDown, UDM_SETPOS, 0, MAKELONG(Short16(value), 0));
    sliderObject->ownedBySpinEdit = true;
    sliderObject->SetRange(lower, upper);
    sliderObject->SetValue(value, true);
    return 0;
}

void TSpinEdit::CommitTypedText(LPARAM reportLp) {
    std::string text = WindowText(edit, 31);
    double typed;
    if (!ParseTypedNumber(text.c_str(), &typed)) {
        SetControlValueText(this, value);  // refused: show the value again
        return;
    }
    float v = ClampFloat(float(typed), lower, upper);
    v = IntegerPart(v, integer);
    if (std::fabs(v - value) > 0.01f) {
        SetControlValueText(this, v);
        SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), reportLp);
    } else if (text != FormatWidgetNumber(value, integer)) {
        SetControlValueText(this, value);  // clamped back onto the value: show it
    }
}

LRESULT TSpinEdit::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(w);
    switch (msg) {
        case WM_CREATE:
            return Create();
        case WM_HSCROLL:
            if (sliderObject && sliderObject->value != value) {
                SetControlValueText(this, IntegerPart(sliderObject->value, integer));
                // Drag steps report here; the bar's commit reports once, through WM_COMMAND.
                if (notifyAtOnce && GetCapture() == slider)
                    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            }
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            return 0;
        case WM_VSCROLL: {
            const WORD request = LOWORD(wp);
            if (request == SB_THUMBPOSITION) {
                SetControlValueText(this, float(short(HIWORD(wp))));
                if (notifyAtOnce) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            } else if (request == SB_ENDSCROLL && !notifyAtOnce) {
                SetControlValueText(this, float(short(HIWORD(wp))));
                if (timerPending) KillTimer(w, kCommitTimer);
                timerPending = true;
                SetTimer(w, kCommitTimer, kCommitDelay, nullptr);
            }
            return 0;
        }
        case WM_TIMER:
            if (wp == kCommitTimer) {
                KillTimer(w, kCommitTimer);
                timerPending = false;
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            }
            return 0;
        case WM_RBUTTONDOWN:
            if (rangeFollowing) OpenSpinEditValueDialog(this);
            return 0;
        case WM_SETFOCUS:
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            return 0;
        case WM_ENABLE:
            enabled = wp != 0;
            for (HWND part : {edit, upDown, slider, label})
                if (part) EnableWindow(part, enabled);
            return 0;
        case WM_COMMAND: {
            const int from = LOWORD(wp), code = HIWORD(wp);
            if (from == kEditId) {
                if (code == EN_KILLFOCUS || code == EN_MAXTEXT) {
                    CommitTypedText(lp);
                    if (code == EN_KILLFOCUS) FlushSpinEdit(this);
                } else if (code == kNotifyRestoreField) {
                    SetText(edit, FormatWidgetNumber(value, integer));
                }
            } else if (from == kBarId && sliderObject) {
                if (lp == 2) {
                    SetControlValueText(this, defaultValue);
                    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                } else {
                    const float v = IntegerPart(sliderObject->value, integer);
                    if (v != value) SetControlValueText(this, v);
                    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), lp);
                }
            }
            return 0;
        }
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

int RegisterSpinEditClass(HINSTANCE instance) {
    return RegisterWidget(instance, kSpinEditClass, WidgetWindowProc<TSpinEdit>, 0, IDC_ARROW);
}

void SetSpinEditRange(TSpinEdit* s, float lower, float upper) {
    if (!s) return;
    s->lower = lower;
    s->upper = upper;
    if (s->sliderObject) s->sliderObject->SetRange(lower, upper);
    if (s->upDown) SendMessageA(s->upDown, UDM_SETRANGE, 0, MAKELONG(Short16(upper), Short16(lower)));
}

void SetControlValueText(TSpinEdit* s, float value) {
    if (!s) return;
    if (s->rangeFollowing) {
        FollowedRange r = FollowRange(value, s->lower, s->upper, s->outerLower, s->outerUpper);
        if (r.moved) SetSpinEditRange(s, r.lower, r.upper);
    }
    s->value = value;
    if (s->upDown) SendMessageA(s->upDown, UDM_SETPOS, 0, MAKELONG(Short16(value), 0));
    SetText(s->edit, FormatWidgetNumber(value, s->integer));
    if (s->sliderObject) s->sliderObject->SetValue(value, false);
}

void FlushSpinEdit(TSpinEdit* s) {
    if (!s || !s->timerPending) return;
    KillTimer(s->wnd, kCommitTimer);
    s->timerPending = false;
    SendMessageA(GetParent(s->wnd), WM_COMMAND, MAKEWPARAM(s->id, kNotifyChanged), 0);
}

float GetSpinEditValue(TSpinEdit* s) {
    if (!s) return 0.0f;
    if (s->edit) s->CommitTypedText(0);
    FlushSpinEdit(s);
    return s->value;
}

void SetupSpinEdit(TSpinEdit** out, HWND dialog, int item, int labelItem, float lower, float upper,
                   float outerLower, float outerUpper, const char* name, const char* toolTip, bool integer,
                   bool rangeFollowing, bool notifyAtOnce, float defaultValue) {
    auto* s = FindControl<TSpinEdit>(dialog, item, kSpinEditClass);
    if (out) *out = s;
    if (!s) return;
    s->defaultValue = defaultValue;
    s->notifyAtOnce = notifyAtOnce;
    s->integer = integer;
    if (toolTip) {
        AddToolTip(s->edit, toolTip, nullptr);
        AddToolTip(s->upDown, toolTip, nullptr);
        AddToolTip(s->slider, toolTip, nullptr);
    }
    lstrcpynA(s->name, name ? name : "", sizeof s->name);
    s->label = GetDlgItem(dialog, labelItem);
    if (s->label && gDialogFont) SendMessageA(s->label, WM_SETFONT, reinterpret_cast<WPARAM>(gDialogFont), TRUE);
    SetSpinEditRange(s, lower, upper);
    if (rangeFollowing) {
        s->outerLower = outerLower;
        s->outerUpper = outerUpper;
    } else {
        s->rangeFollowing = false;
        if (s->sliderObject) s->sliderObject->framed = false;
    }
}

INT_PTR OpenSpinEditValueDialog(TSpinEdit* s) {
    if (!s) return 2;
    ValueDialogModel m;
    m.name = s->name;
    m.type = s->integer ? "Integer slider" : "Float slider";
    m.integerNumbers = s->integer;
    m.value1 = s->value;
    m.rangeEditable = true;
    m.newMin = s->lower;
    m.newMax = s->upper;
    m.outerLower = s->outerLower;
    m.outerUpper = s->outerUpper;
    m.rangeText = FormatWidgetNumber(s->outerLower, s->integer) + " ... " + FormatWidgetNumber(s->outerUpper, s->integer);
    m.clampValue = true;
    m.checkOnOk = true;
    INT_PTR r = RunValueDialog(s->wnd, m);
    if (r != 1) return r;
    SetControlValueText(s, float(m.value1));
    SetSpinEditRange(s, float(m.newMin), float(m.newMax));
    SetControlValueText(s, s->value);
    InvalidateRect(s->wnd, nullptr, TRUE);
    PostMessageA(GetParent(s->wnd), WM_COMMAND, MAKEWPARAM(s->id, kNotifyChanged), 0);
    return r;
}

}  // namespace frostel::widgets
