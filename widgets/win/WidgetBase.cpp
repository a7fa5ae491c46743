#include "AnimatedWidgets.h"
#include "ColorEqualizer.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"
#include "PageMemory.h"

#include <commctrl.h>

#include <cstring>

namespace frostel::widgets {

HBRUSH gBackBrush = nullptr;
WidgetCursors gCursors;

void LoadWidgetCursors(HINSTANCE instance) {
    ReleaseWidgetCursors();
    gCursors.arrow = LoadCursorA(nullptr, IDC_ARROW);  // shared: never destroyed
    gCursors.ibeam = LoadCursorA(nullptr, IDC_IBEAM);
    gCursors.sizeAll = LoadCursorA(nullptr, IDC_SIZEALL);
    gCursors.hand = LoadCursorA(nullptr, IDC_HAND);
    // Not shared: the system's cursor size at this dpi, destroyed after the dialog.
    gCursors.place = static_cast<HCURSOR>(
        LoadImageA(instance, MAKEINTRESOURCEA(kPlaceCursorId), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
}

void ReleaseWidgetCursors() {
    if (gCursors.place) DestroyCursor(gCursors.place);
    gCursors = WidgetCursors{};
}
COLORREF gFaceColor = RGB(236, 233, 216);
BYTE gFaceRed = 236, gFaceGreen = 233, gFaceBlue = 216;
HINSTANCE gUiInstance = nullptr;
int gScreenDpi = 96;
HFONT gDialogFont = nullptr;
HFONT gEditFont = nullptr;

namespace detail {

namespace {
// The module's activation context, made on first use; none without a manifest.
HANDLE ModuleContext() {
    static HANDLE context = INVALID_HANDLE_VALUE;
    static bool tried = false;
    if (tried) return context;
    tried = true;
    HINSTANCE module = gUiInstance;
    if (!module || !FindResourceA(module, MAKEINTRESOURCEA(2), reinterpret_cast<LPCSTR>(RT_MANIFEST))) return context;
    char path[MAX_PATH];
    if (!GetModuleFileNameA(module, path, MAX_PATH)) return context;
    ACTCTXA act{};
    act.cbSize = sizeof act;
    act.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    act.lpSource = path;
    act.hModule = module;
    act.lpResourceName = MAKEINTRESOURCEA(2);
    context = CreateActCtxA(&act);
    return context;
}
}  // namespace

ModuleActivation::ModuleActivation() {
    HANDLE context = ModuleContext();
    if (context != INVALID_HANDLE_VALUE) active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

ModuleActivation::~ModuleActivation() {
    if (active_) DeactivateActCtx(0, cookie_);
}

int RegisterWidget(HINSTANCE instance, const char* name, WNDPROC proc, UINT style, LPCSTR cursor) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = 4;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, cursor);  // shared: never destroyed
    wc.hbrBackground = nullptr;  // the dialog's brush is not ours to hand to the class
    wc.lpszClassName = name;
    ModuleActivation scope;
    RegisterClassA(&wc);
    return 1;
}

Surface::Surface(HDC like, int width, int height) : width_(width), height_(height) {
    if (width <= 0 || height <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bmp_ = CreateDIBSection(like, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp_) return;
    dc_ = CreateCompatibleDC(like);
    if (!dc_) {
        DeleteObject(bmp_);
        bmp_ = nullptr;
        return;
    }
    old_ = SelectObject(dc_, bmp_);
    bits_ = static_cast<uint8_t*>(bits);
    stride_ = ((ptrdiff_t(width) * 3 + 3) / 4) * 4;
}

Surface::~Surface() {
    if (dc_) {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    if (bmp_) DeleteObject(bmp_);
}

Canvas Surface::canvas() {
    GdiFlush();
    return Canvas(bits_, width_, height_, stride_);
}

void Surface::CopyTo(HDC target, int x, int y) const {
    if (dc_) BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

void FillBackground(HDC dc, const RECT& rc) {
    if (gBackBrush) {
        FillRect(dc, &rc, gBackBrush);
        return;
    }
    HBRUSH grey = CreateSolidBrush(kDialogGrey);
    FillRect(dc, &rc, grey);
    DeleteObject(grey);
}

Rgb BackgroundRgb() {
    LOGBRUSH lb{};
    if (gBackBrush && GetObjectA(gBackBrush, sizeof lb, &lb) == sizeof lb) return RgbOfColorRef(lb.lbColor);
    return RgbOfColorRef(kDialogGrey);
}

std::string WindowText(HWND wnd, int maxChars) {
    std::string text(size_t(maxChars) + 1, '\0');
    int n = GetWindowTextA(wnd, text.data(), maxChars + 1);
    text.resize(n > 0 ? size_t(n) : 0);
    return text;
}

void SetText(HWND wnd, const std::string& text) {
    if (wnd) SendMessageA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace detail

bool IsControlColourMessage(UINT msg) {
    switch (msg) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return true;  // not edits: they keep the system's white field
        default:
            return false;
    }
}

LRESULT AnswerControlColour(UINT msg, WPARAM wp) {
    if (msg == WM_CTLCOLORSTATIC) {
        SetTextColor(reinterpret_cast<HDC>(wp), kStaticTextColor);
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
    }
    return reinterpret_cast<LRESULT>(gBackBrush);
}

int TextWidthIn(HWND w, HFONT font, const char* text) {
    if (!text || !*text) return 0;
    HDC dc = GetDC(w);
    if (!dc) return 0;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &size);
    if (old) SelectObject(dc, old);
    ReleaseDC(w, dc);
    return size.cx;
}

HFONT MakeFittingFont(HWND w, HFONT base, const char* text, int room) {
    if (!text || !*text || TextWidthIn(w, base, text) <= room) return nullptr;
    LOGFONTA lf{};
    if (!GetObjectA(base ? static_cast<HGDIOBJ>(base) : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf))
        return nullptr;
    const int sign = lf.lfHeight < 0 ? -1 : 1;
    int height = lf.lfHeight * sign;
    if (height == 0) height = 13;
    HFONT fit = nullptr;
    for (int h = height - 1; h >= 6; --h) {
        if (fit) DeleteObject(fit);
        lf.lfHeight = sign * h;
        lf.lfWidth = 0;
        fit = CreateFontIndirectA(&lf);
        if (!fit || TextWidthIn(w, fit, text) <= room) break;
    }
    return fit;
}

using namespace detail;

void* FindControlObject(HWND window, const char* className) {
    if (!window || !className) return nullptr;
    char name[65] = {};
    if (!GetClassNameA(window, name, sizeof name)) return nullptr;
    if (std::strcmp(name, className) != 0) return nullptr;
    return reinterpret_cast<void*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND AddToolTip(HWND control, const char* text, const char* title) {
    if (!control || !text) return nullptr;
    HWND tip = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | WS_CAPTION | TTS_BALLOON | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr, gUiInstance, nullptr);
    if (!tip) return nullptr;
    SetWindowPos(tip, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the common controls
    ti.uFlags = TTF_SUBCLASS | TTF_TRANSPARENT | TTF_CENTERTIP;
    ti.hwnd = control;
    ti.uId = 0;
    GetClientRect(control, &ti.rect);
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    if (title) SendMessageA(tip, TTM_SETTITLEA, 1, reinterpret_cast<LPARAM>(title));
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 100);
    return tip;
}

// ---- TContaner ------------------------------------------------------------
TContaner::~TContaner() { std::free(ownedBuffer); }

void TContaner::Paint(HDC dc) {
    RECT rc{0, 0, width, height};
    FillBackground(dc, rc);
}

LRESULT TContaner::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        Paint(dc);
        EndPaint(w, &ps);
        return 0;
    }
    if (msg == WM_PRINTCLIENT) {
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    }
    if (msg == WM_SIZE) {
        width = LOWORD(lp);
        height = HIWORD(lp);
        return 0;
    }
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(w, &rc);
        FillBackground(reinterpret_cast<HDC>(wp), rc);
        return 1;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// ---- TControl -------------------------------------------------------------
TControl::~TControl() { FreePages(pixels); }

bool TControl::SetPixels(const uint8_t* bgr, int w, int h) {
    FreePages(pixels);
    pixels = nullptr;
    header = BITMAPINFOHEADER{};
    if (!bgr || w <= 0 || h <= 0) return false;
    const size_t rowBytes = (size_t(w) * 3 + 3) / 4 * 4;
    pixels = static_cast<uint8_t*>(AllocPages(rowBytes * size_t(h)));
    if (!pixels) return false;
    std::memcpy(pixels, bgr, rowBytes * size_t(h));
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    return true;
}

void TControl::Paint(HDC dc) {
    if (!((kind == 1 || kind == 3) && bitmap) && !(kind == 2 && pixels)) {
        TContaner::Paint(dc);  // nothing to show yet: the dialog's background
        return;
    }
    if ((kind == 1 || kind == 3) && bitmap) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap);
        BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else if (kind == 2 && pixels) {
        BITMAPINFO bi{};
        bi.bmiHeader = header;
        HBITMAP b = CreateDIBitmap(dc, &header, CBM_INIT, pixels, &bi, DIB_RGB_COLORS);
        if (b) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, b);
            BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
            DeleteObject(b);
        }
    }
}

LRESULT TControl::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            SetFocus(w);
            break;
        case WM_COMMAND:
            return SendMessageA(GetParent(w), WM_COMMAND, wp, lp);
        default:
            break;
    }
    return TContaner::Handle(w, msg, wp, lp);
}

// ---- TControlButton -------------------------------------------------------
namespace {
HBITMAP gSharedSets[3][3] = {};
}

void SetSharedButtonSet(int set, HBITMAP normal, HBITMAP hot, HBITMAP pressed) {
    if (set < 1 || set > 3) return;
    gSharedSets[set - 1][0] = normal;
    gSharedSets[set - 1][1] = hot;
    gSharedSets[set - 1][2] = pressed;
}

TControlButton::~TControlButton() {
    for (int i = 0; i < 4; ++i) ReleaseBitmap(i);
}

void TControlButton::ReleaseBitmap(int i) {
    if (ownsBitmap[i] && bitmaps[i]) DeleteObject(bitmaps[i]);
    bitmaps[i] = nullptr;
    ownsBitmap[i] = false;
}

void TControlButton::SetBitmaps(int normalId, int hotId, int pressedId, int disabledId) {
    if (normalId >= -3 && normalId <= -1) {
        for (int i = 0; i < 3; ++i) {
            ReleaseBitmap(i);
            bitmaps[i] = gSharedSets[-normalId - 1][i];
        }
        return;
    }
    HINSTANCE module = wnd ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(wnd, GWLP_HINSTANCE)) : gUiInstance;
    const int ids[4] = {normalId, hotId, pressedId, disabledId};
    for (int i = 0; i < 4; ++i) {
        if (ids[i] == 0) continue;
        ReleaseBitmap(i);
        bitmaps[i] = LoadBitmapA(module, MAKEINTRESOURCEA(ids[i]));
        ownsBitmap[i] = bitmaps[i] != nullptr;
    }
}

void TControlButton::Paint(HDC dc) {
    ButtonLook look{state, hotLook, alternate != 0, checked, buttonKind == 1, enabled, bitmaps[3] != nullptr};
    HBITMAP b = bitmaps[ChooseButtonFace(look)];
    RECT rc{0, 0, width, height};
    if (b) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, b);
        BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        FillBackground(dc, rc);
    }
}

LRESULT TControlButton::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE: {
            if (wp == MK_LBUTTON) return 0;
            if (state == 0) {
                SetCapture(w);
                state = 1;
                InvalidateRect(w, nullptr, FALSE);
            }
            const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
            if (x < 0 || y < 0 || x > width || y > height) {
                state = 0;
                ReleaseCapture();
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        }
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
                if (buttonKind > 1) return 0;
                state = 0;
                PostMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0);
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_ENABLE:
            enabled = wp != 0;
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_DESTROY:
            return 0;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            return TContaner::Handle(w, msg, wp, lp);
        default:
            break;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

int RegisterControlClass(HINSTANCE instance) {
    return RegisterWidget(instance, kControlClass, WidgetWindowProc<TControl>, 0, IDC_ARROW);
}

int RegisterControlButtonClass(HINSTANCE instance) {
    return RegisterWidget(instance, kControlButtonClass, WidgetWindowProc<TControlButton>, 0, IDC_ARROW);
}

namespace {
struct ClassEntry {
    const char* name;
    int (*registration)(HINSTANCE);
};
// The TContaner classes, registered and unregistered together. The fire
// button, glass slider and control, animated container and colour
// equalizer join this list with their registrations.
const ClassEntry kClasses[] = {
    {kControlClass, RegisterControlClass},
    {kControlButtonClass, RegisterControlButtonClass},
    {kRotorClass, RegisterRotorClass},
    {kMacSliderClass, RegisterMacSliderClass},
    {kPreviewClass, RegisterPreviewContanerClass},
    {kColorClass, RegisterContanerColorClass},
    {kSpinEditClass, RegisterSpinEditClass},
    {kContanerClass, RegisterContanerClass},
    {kContaner1Class, RegisterContaner1Class},  // no dialog needs it; registered with the rest all the same
    {kSpinEditHorClass, RegisterSpinEditHorClass},
    {kControlButtonFireClass, RegisterControlButtonFireClass},
    {kGlassSliderClass, RegisterGlassSliderClass},
    {kContanerAnimClass, RegisterContanerAnimClass},
    {kControlGlassClass, RegisterControlGlassClass},
    {kColorEqualizerClass, RegisterColorEqualizerClass},
};
}  // namespace

void RegisterWidgetClasses(HINSTANCE instance) {
    for (const ClassEntry& c : kClasses) c.registration(instance);
}

void UnregisterWidgetClasses(HINSTANCE instance) {
    ModuleActivation scope;
    for (const ClassEntry& c : kClasses) UnregisterClassA(c.name, instance);
}

}  // namespace frostel::widgets
