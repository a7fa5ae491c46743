#include "DialMath.h"
#include "ValueDialog.h"
#include "WidgetIds.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"
#include "win/BitmapResources.h"

#include <cmath>

namespace frostel::widgets {

using namespace detail;

namespace {
constexpr UINT_PTR kClickTimer = 1;
constexpr int kCentreEditId = 1, kStepUpId = 2, kStepDownId = 3;

std::vector<uint8_t> gTexture;  // 72 x 72 RGB, rows top down
}  // namespace

bool LoadBackgroundBitmap(int resourceId) {
    gTexture.clear();
    hostutil::RgbaImage image;
    if (hostutil::LoadBitmapResourcePixels(gUiInstance, resourceId, image) != hostutil::BmpError::None)
        return false;
    // The sphere samples 72 x 72 texels; any other size would be read out of bounds.
    if (image.width != kSphereTextureSize || image.height != kSphereTextureSize) return false;
    gTexture.resize(size_t(kSphereTextureSize) * kSphereTextureSize * 3);
    for (size_t i = 0, n = size_t(kSphereTextureSize) * kSphereTextureSize; i < n; ++i)
        for (int c = 0; c < 3; ++c) gTexture[i * 3 + c] = image.pixels[i * 4 + c];
    return true;
}

void FreeBackgroundBitmap() { std::vector<uint8_t>().swap(gTexture); }

const uint8_t* BackgroundTexture() { return gTexture.empty() ? nullptr : gTexture.data(); }

TRotor::~TRotor() {
    if (fieldFont) DeleteObject(fieldFont);
}

namespace {
// The turn dial's field shows its whole value: in its owner's font when the
// value fits the field, else in the largest smaller font that fits.
void FitFieldFont(TRotor* r) {
    HWND e = r->text1;
    if (!e || r->rotorKind != kTurnDial) return;
    HFONT base = r->fieldBaseFont ? r->fieldBaseFont : gDialogFont;
    char text[64] = {};
    GetWindowTextA(e, text, sizeof text);
    RECT f{};
    SendMessageA(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&f));
    const int room = f.right - f.left - 2;  // the caret's column
    HFONT fit = MakeFittingFont(e, base, text, room);
    HFONT want = fit ? fit : base;
    if (want && want != reinterpret_cast<HFONT>(SendMessageA(e, WM_GETFONT, 0, 0)))
        SendMessageA(e, WM_SETFONT, reinterpret_cast<WPARAM>(want), TRUE);
    if (r->fieldFont) DeleteObject(r->fieldFont);
    r->fieldFont = fit;
}
}  // namespace

bool TRotor::OverHitRect(int x, int y) const {
    return rotorKind == kTurnDial && text1 && x >= hitRect.left && x < hitRect.right && y >= hitRect.top &&
           y < hitRect.bottom;
}

void TRotor::AnglesFromPoint(int x, int y, bool press) {
    const float cx = width / 2.0f, cy = height / 2.0f;
    angle2 = DialElevation(float(x), float(y), cx, cy, press ? cx - 2.0f : cx);
    float a;
    if (DialDirection(rotorKind, float(x), float(y), cx, cy, &a)) {
        if (!press) turns = StepTurns(turns, previousAngleInTurn, a);
        previousAngleInTurn = a;
    } else {
        a = previousAngleInTurn;
    }
    if (press && limited) turns = 0.0f;
    angleInTurn = a;
    angle1 = turns * 360.0f + a;
    if (limited) angle1 = ClampFloat(angle1, angleLower, angleUpper);
    lastAngle = angle1;
    if (rotorKind == kValueDial)
        value = DialValueFromAngle(angle1, valueLower, valueUpper, angleLower, angleUpper, integer);
}

void TRotor::Paint(HDC target) {
    Surface s(target, width, height);
    if (!s) return;
    Canvas c = s.canvas();
    if (rotorKind == kDirectionDial) {
        SphereLook look;
        look.around = angle1;
        look.elevation = angle2;
        look.face = Rgb{gFaceRed, gFaceGreen, gFaceBlue};
        look.background = BackgroundRgb();
        look.texture = BackgroundTexture();
        look.pad = lightPosition;
        look.hover = dragging && GetCapture() == wnd && !(GetKeyState(VK_LBUTTON) & 0x8000);
        look.enabled = enabled;
        PaintDialSphere(c, look);
    } else {
        TurnDialLook look;
        look.angle = angle1;
        look.knobSize = knobSize;
        look.face = RgbOfColorRef(gFaceColor);
        look.line = RgbOfColorRef(kStaticTextColor);
        look.background = BackgroundRgb();
        look.enabled = enabled;
        Canvas skin(skinPixels.data(), skinW, skinH, ptrdiff_t(skinW) * 3);
        Canvas knob(knobPixels.data(), knobSpriteW, knobSpriteH, ptrdiff_t(knobSpriteW) * 3);
        if (skinW > 0 && skinPixels.size() >= size_t(skinW) * skinH * 3) look.skin = &skin;
        const size_t sprite = size_t(knobSpriteW) * knobSpriteH;
        if (look.skin && knobPixels.size() >= sprite * 3 && knobAlpha.size() >= sprite) {
            look.knob = &knob;
            look.knobAlpha = knobAlpha.data();
        }
        PaintTurnDial(c, look);
    }
    s.CopyTo(target, 0, 0);
}

LRESULT TRotor::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(w);
    const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
    switch (msg) {
        case WM_CREATE:
            mouse = previousMouse = POINT{width / 2, height / 2};
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            if (OverHitRect(x, y)) return 0;
            doubleClicked = false;
            dragging = true;
            SetCapture(w);
            previousMouse = mouse;
            mouse = POINT{x, y};
            AnglesFromPoint(x, y, true);
            UpdateRotorEdits(this);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            if (wp & MK_LBUTTON) {
                if (!dragging || GetCapture() != w) return 0;
                previousMouse = mouse;
                mouse = POINT{x, y};
                AnglesFromPoint(x, y, false);
                InvalidateRect(w, nullptr, FALSE);
                UpdateRotorEdits(this);
                if (notifyWhileDragging) PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                return 0;
            } else {
                const bool wasHover = dragging;
                const float dx = x - width / 2.0f, dy = y - height / 2.0f;
                // Over the centre field the mouse belongs to the field.
                const bool inside = enabled && dx * dx + dy * dy <= (width / 2.0f) * (width / 2.0f) && !OverHitRect(x, y);
                if (inside) {
                    if (GetCapture() != w) SetCapture(w);
                    dragging = true;
                } else {
                    dragging = false;
                    if (GetCapture() == w) ReleaseCapture();
                }
                if (wasHover != dragging) InvalidateRect(w, nullptr, FALSE);
                return 0;
            }
        case WM_LBUTTONUP:
            dragging = false;
            ReleaseCapture();
            if (!SetTimer(w, kClickTimer, 200, nullptr)) {
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_TIMER:
            if (wp != kClickTimer) return 0;
            KillTimer(w, kClickTimer);
            if (!doubleClicked) {
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONDBLCLK:
            if (OverHitRect(x, y)) return 0;
            doubleClicked = true;
            if (lightPosition) PointToLightAngles(this, default1, -default2);
            else if (rotorKind == kDirectionDial) SetControlAngles(this, default1, default2);
            else SetControlAngles(this, default1, 0.0f);
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            return 0;
        case WM_RBUTTONDOWN:
            dragging = false;
            if (GetCapture() == w) ReleaseCapture();
            OpenRotorValueDialog(this);
            return 0;
        case WM_COMMAND: {
            const int from = LOWORD(wp), code = HIWORD(wp);
            if (from == kCentreEditId && (code == EN_KILLFOCUS || code == EN_MAXTEXT)) {
                double typed;
                if (!ParseTypedNumber(WindowText(text1, 15).c_str(), &typed)) {
                    UpdateRotorEdits(this);
                    return 0;
                }
                if (rotorKind == kValueDial) {
                    SetRotorValue(this, float(typed));
                } else {
                    float a = float(typed);
                    if (limited) a = ClampFloat(a, angleLower, angleUpper);
                    SetControlAngles(this, a, 0.0f);
                }
                SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            } else if (from == kCentreEditId && code == kNotifyRestoreField) {
                SetControlAngles(this, angle1, 0.0f);
            } else if (from == kStepUpId || from == kStepDownId) {
                const float step = from == kStepUpId ? 1.0f : -1.0f;
                if (rotorKind == kValueDial) {
                    SetRotorValue(this, std::trunc(value + step));
                } else {
                    float a = std::trunc(angle1 + step);
                    if (limited) a = ClampFloat(a, angleLower, angleUpper);
                    SetControlAngles(this, a, angle2);
                }
                if (from == kStepUpId || lp != 1) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
            }
            return 0;
        }
        case WM_ENABLE:
            enabled = wp != 0;
            for (HWND t : {text1, text2, text3})
                if (t) EnableWindow(t, enabled);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

int RegisterRotorClass(HINSTANCE instance) {
    return RegisterWidget(instance, kRotorClass, WidgetWindowProc<TRotor>, CS_DBLCLKS, IDC_ARROW);
}

void SetControlAngles(TRotor* r, float a1, float a2) {
    if (!r) return;
    r->angle1 = a1;
    r->angle2 = a2;
    if (r->rotorKind != kDirectionDial) {
        // Later drags count on from the turn the angle lies in.
        r->turns = std::floor(a1 / 360.0f);
        r->previousAngleInTurn = r->angleInTurn = a1 - r->turns * 360.0f;
    }
    if (r->rotorKind == kValueDial)
        r->value = DialValueFromAngle(a1, r->valueLower, r->valueUpper, r->angleLower, r->angleUpper, r->integer);
    if (r->wnd) InvalidateRect(r->wnd, nullptr, FALSE);
    UpdateRotorEdits(r);
}

void SetRotorValue(TRotor* r, float v) {
    if (!r) return;
    v = ClampFloat(v, std::min(r->valueLower, r->valueUpper), std::max(r->valueLower, r->valueUpper));
    if (r->integer) v = std::trunc(v);
    r->value = v;
    r->angle2 = 0.0f;
    r->angle1 = DialAngleFromValue(v, r->valueLower, r->valueUpper, r->angleLower, r->angleUpper);
    if (r->wnd) InvalidateRect(r->wnd, nullptr, FALSE);
    UpdateRotorEdits(r);
}

void SetRotorValueRange(TRotor* r, float lower, float upper) {
    if (!r) return;
    r->valueLower = lower;
    r->valueUpper = upper;
    r->rotorKind = kValueDial;
    r->limited = true;
    r->knobSize = 8;
}

void LightAnglesToPoint(const TRotor* r, float* x, float* y) {
    LightAnglesToPoint(r->angle1, r->angle2, x, y);
}

void PointToLightAngles(TRotor* r, float x, float y) {
    float a, b;
    PointToLightAngles(x, y, &a, &b);
    SetControlAngles(r, a, b);
}

void UpdateRotorEdits(TRotor* r) {
    if (!r) return;
    float first = r->angle1, second = r->angle2;
    if (r->lightPosition) LightAnglesToPoint(r, &first, &second);
    if (r->text1) {
        SetText(r->text1, r->rotorKind == kValueDial ? FormatDialNumber(r->value, r->integer)
                                                     : FormatDialNumber(first, false));
    }
    if (r->text3) SetText(r->text3, FormatDialNumber(second, false));
    FitFieldFont(r);
}

void EnableControl(TRotor* r, bool enable) {
    if (!r) return;
    for (HWND t : {r->text1, r->text2, r->text3})
        if (t) EnableWindow(t, enable);
    if (r->wnd) EnableWindow(r->wnd, enable);
    r->enabled = enable;
    if (r->wnd) InvalidateRect(r->wnd, nullptr, FALSE);
}

void SetRoundEditFont(TRotor* r, HFONT font) {
    if (!r) return;
    r->fieldBaseFont = font;
    if (r->text1 && font) SendMessageA(r->text1, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    FitFieldFont(r);
}

HWND CreateRoundEdit(TRotor* r, int editWidth) {
    if (!r || !r->wnd) return nullptr;
    const int h = RoundEditHeightForDpi(gScreenDpi);
    const int x = (r->width - editWidth) / 2, y = (r->height - h) / 2;
    HWND e = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", 0x50800080, x, y, editWidth, h, r->wnd,
                             reinterpret_cast<HMENU>(kCentreEditId), gUiInstance, nullptr);
    if (!e) return nullptr;
    r->text1 = e;
    r->hitRect = RECT{x, y, x + editWidth, y + h};
    if (gDialogFont) SendMessageA(e, WM_SETFONT, reinterpret_cast<WPARAM>(gDialogFont), FALSE);
    UpdateRotorEdits(r);
    return e;
}

INT_PTR OpenRotorValueDialog(TRotor* r) {
    if (!r) return 2;
    ValueDialogModel m;
    m.name = r->name;
    if (r->rotorKind == kValueDial) {
        m.type = r->integer ? "Integer slider" : "Float slider";
        m.integerNumbers = r->integer;
        m.value1 = r->value;
        m.rangeText = FormatWidgetNumber(r->outerLower, r->integer) + " ... " +
                      FormatWidgetNumber(r->outerUpper, r->integer);
        m.rangeEditable = true;
        m.newMin = r->valueLower;
        m.newMax = r->valueUpper;
        m.outerLower = r->outerLower;
        m.outerUpper = r->outerUpper;
        m.clampValue = r->limited;
    } else if (r->rotorKind == kDirectionDial) {
        m.type = "Light position";
        m.value1 = r->angle1;
        m.value2 = r->angle2;
        m.hasValue2 = true;
        m.rangeText = "Not limit";
    } else {
        m.type = r->integer ? "Integer angle" : "Float angle";
        m.value1 = r->angle1;
        m.rangeText = "Not limit";
        m.newMin = r->angleLower;
        m.newMax = r->angleUpper;
        m.clampValue = r->limited;
    }
    INT_PTR result = RunValueDialog(r->wnd, m);
    if (result != 1) return result;
    if (r->rotorKind == kValueDial) {
        if (r->limited) {
            const float lo = float(m.newMin), hi = float(m.newMax);
            SetRotorValueRange(r, r->integer ? std::trunc(lo) : lo, r->integer ? std::trunc(hi) : hi);
        }
        SetRotorValue(r, float(m.value1));  // the value itself, not a dial angle
    } else if (r->rotorKind == kDirectionDial) {
        SetControlAngles(r, float(m.value1), float(m.value2));
    } else {
        SetControlAngles(r, float(m.value1), 0.0f);
    }
    PostMessageA(GetParent(r->wnd), WM_COMMAND, MAKEWPARAM(r->id, kNotifyChanged), 0);
    return result;
}

}  // namespace frostel::widgets
