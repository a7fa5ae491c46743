// "Control Button Fire CPP": the fire button and knob.
#include "AnimatedWidgets.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace frostel::widgets {

using namespace detail;

TControlButtonFire::~TControlButtonFire() = default;

void TControlButtonFire::UpdateValueText() {
    if (editChild) SetText(editChild, FormatWidgetNumber(knob.value, knob.integer));
}

void TControlButtonFire::SetValue(float value) {
    SetKnobValue(knob, fireKind, value);
    UpdateValueText();
}

void TControlButtonFire::SetRange(float low, float high) {
    knob.rangeLow = low;
    knob.rangeHigh = high;
    markerInset = 8;
}

void TControlButtonFire::SetSkins(const uint8_t* face, const float* alpha, const uint8_t* background,
                                  int backgroundW, int backgroundH) {
    skinFace = face;
    skinAlpha = alpha;
    parentBackground = background;
    parentW = backgroundW;
    parentH = backgroundH;
    skinsLoaded = face && alpha;
    field_.reset();  // the shape mask follows the skin's alpha
    hasFrame_ = false;
    if (wnd) InvalidateRect(wnd, nullptr, FALSE);
}

void TControlButtonFire::PaintStill(HDC dc) {
    if (skinFace && skinAlpha && width > 0 && height > 0) {
        Surface s(dc, width, height);
        if (!s) return;
        Canvas c = s.canvas();
        const Rgb grey = BackgroundRgb();
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px) {
                const size_t i = size_t(py) * width + px;
                Rgb back = grey;
                const int bx = x + px, by = y + py;
                if (parentBackground && bx >= 0 && by >= 0 && bx < parentW && by < parentH) {
                    const uint8_t* b = parentBackground + (size_t(by) * parentW + bx) * 3;
                    back = {b[2], b[1], b[0]};
                }
                const uint8_t* f = skinFace + i * 3;
                const float a = std::clamp(skinAlpha[i], 0.0f, 1.0f);
                c.Set(px, py, a <= 0.0f ? back : MixRgb(back, Rgb{f[2], f[1], f[0]}, a));
            }
        s.CopyTo(dc, 0, 0);
        return;
    }
    if (bitmaps[0]) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmaps[0]);
        BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        return;
    }
    RECT rc{0, 0, width, height};
    FillBackground(dc, rc);
}

void TControlButtonFire::Paint(HDC dc) {
    if (flameLevel > 0 && hasFrame_ && frame_.size() == size_t(width) * height * 3) {
        Surface s(dc, width, height);
        if (!s) return;
        Canvas c = s.canvas();
        ShowKept(frame_, c);
        s.CopyTo(dc, 0, 0);
        return;
    }
    PaintStill(dc);
}

void TControlButtonFire::RenderFrame(const Canvas& face, Canvas& out) {
    if (!field_ || field_->width() != width || field_->height() != height) {
        field_ = std::make_unique<FireField>(width, height);
        if (fireKind == 1) field_->MaskDisc();
        else field_->MaskAll();
        if (skinAlpha)
            for (int py = 0; py < height; ++py)
                for (int px = 0; px < width; ++px) field_->mask(px, py) = skinAlpha[size_t(py) * width + px] > 0.0f;
    }
    if (fireKind == 1 && !IsWindowVisible(wnd)) flameLevel = 1;
    field_->Rise();
    const bool burning = flameLevel > height;
    if (burning) {
        field_->Reseed(step_);
        if (fireKind == 1 && (step_ & 1) == 0) {
            float mx, my;
            KnobMarkPoint(knob.angle, width, height, markerInset, &mx, &my);
            field_->Mark(int(std::lround(mx)), int(std::lround(my)));
        }
    }
    ComposeFire(*field_, burning, face, out);
}

void TControlButtonFire::StartAnimation() {
    if (timerRunning || flameLevel <= 0) return;
    if (field_) field_->Clear();
    busy_ = false;
    if (SetTimer(wnd, kFireTimer, 15, nullptr)) timerRunning = true;
}

void TControlButtonFire::Tick() {
    if (busy_ || width <= 0 || height <= 0) return;
    busy_ = true;
    HDC dc = GetDC(wnd);
    if (dc) {
        Surface face(dc, width, height), out(dc, width, height);
        if (face && out) {
            PaintStill(face.dc());
            Canvas f = face.canvas(), o = out.canvas();
            RenderFrame(f, o);
            ++step_;
            KeepCanvas(o, &frame_);
            hasFrame_ = true;
            out.CopyTo(dc, 0, 0);
        }
        ReleaseDC(wnd, dc);
    }
    if (flameLevel <= height) flameLevel = std::max(0, flameLevel - 2);
    if (flameLevel == 0) {
        KillTimer(wnd, kFireTimer);
        timerRunning = false;
        hasFrame_ = false;
        InvalidateRect(wnd, nullptr, FALSE);  // the still face again
    }
    busy_ = false;
}

void TControlButtonFire::ApplyDrag(int px, int py) {
    DragKnob(knob, float(px), float(py), width / 2.0f, height / 2.0f);
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateValueText();
    if (notifyWhileDragging) SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 1);
}

LRESULT TControlButtonFire::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(w);
    const int px = short(LOWORD(lp)), py = short(HIWORD(lp));
    const bool inside = px >= 0 && py >= 0 && px < width && py < height;
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            if (flameLevel > 0) {
                if (!timerRunning) StartAnimation();
                if (hasFrame_) Paint(dc);  // the timer draws the next frames
                else PaintStill(dc);
            } else {
                if (timerRunning) {
                    KillTimer(w, kFireTimer);
                    timerRunning = false;
                }
                PaintStill(dc);
            }
            EndPaint(w, &ps);
            return 0;
        }
        case WM_TIMER:
            if (wp == kFireTimer) Tick();
            return 0;
        case WM_COMMAND: {
            const int from = LOWORD(wp), code = HIWORD(wp);
            if (from == 1 && code == EN_KILLFOCUS) {
                double typed;
                if (editChild && ParseTypedNumber(WindowText(editChild, 16).c_str(), &typed)) SetValue(float(typed));
                else UpdateValueText();
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                flameLevel = height;
            } else if (from == 2 || from == 3) {
                SetValue(std::trunc(knob.value + (from == 2 ? 1.0f : -1.0f)));
                if (from == 2 || lp != 1) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            } else if (from == 4) {
                flameLevel = height;
            } else {
                return 0;
            }
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        }
        case WM_DESTROY:
            flameLevel = 0;
            KillTimer(w, kFireTimer);
            timerRunning = false;
            return 0;
        case WM_ENABLE:
            enabled = wp != 0;
            if (editChild) EnableWindow(editChild, enabled);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            if (wp & MK_LBUTTON) {
                if (dragging && fireKind == 1) ApplyDrag(px, py);
                return 0;
            }
            previousCursor = cursor;
            cursor = POINT{px, py};
            if (GetCapture() != w) SetCapture(w);
            flameLevel = height + 1;
            if (!inside) {
                ReleaseCapture();
                flameLevel = height - 1;
            } else if (fireKind == 1) {
                // The knob burns along its rim; its centre lets the fire die.
                const float dx = px - width / 2.0f, dy = py - height / 2.0f;
                const float ring = std::min(width, height) / 2.0f - 25.0f;
                if (dx * dx + dy * dy < ring * ring) {
                    ReleaseCapture();
                    flameLevel = height - 1;
                }
            }
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetCapture(w);
            state = 2;
            flameLevel = height + 10;
            if (fireKind == 1) {
                dragging = true;
                if (knob.limited) knob.turns = 0.0f;
                ApplyDrag(px, py);
            } else {
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONUP:
            flameLevel = height + 1;
            ReleaseCapture();
            dragging = false;
            state = 0;
            if (!inside) flameLevel = height - 1;
            InvalidateRect(w, nullptr, FALSE);
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            return 0;
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

namespace {
// The focus comes first on a press, as for the other buttons.
LRESULT CALLBACK ControlButtonFireWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN) SetFocus(w);
    return WidgetWindowProc<TControlButtonFire>(w, msg, wp, lp);
}
}  // namespace

int RegisterControlButtonFireClass(HINSTANCE instance) {
    return RegisterWidget(instance, kControlButtonFireClass, ControlButtonFireWndProc, 0, IDC_ARROW);
}

}  // namespace frostel::widgets
