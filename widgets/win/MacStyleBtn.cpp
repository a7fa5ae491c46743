#include "WidgetIds.h"
#include "WidgetInternal.h"
#include "WidgetMath.h"

#include <cstdlib>
#include <cstring>

namespace frostel::widgets {

using namespace detail;

namespace {
HFONT gButtonFont = nullptr;
HBITMAP gButtonBitmaps[12] = {};  // by id - 155: state + 4 x part
int gButtonUsers = 0;

HFONT gLinkPlainFont = nullptr;
HFONT gLinkFont = nullptr;
HCURSOR gHandCursor = nullptr;  // shared system cursor: never destroyed
int gLinkUsers = 0;

HFONT MakeArial(int weight, bool underline) {
    LOGFONTA lf{};
    lf.lfHeight = 14;
    lf.lfWeight = weight;
    lf.lfUnderline = underline;
    lf.lfQuality = PROOF_QUALITY;
    lstrcpyA(lf.lfFaceName, "Arial");
    return CreateFontIndirectA(&lf);
}

char* CopyText(char* old, const char* text) {
    std::free(old);
    if (!text) return nullptr;
    const size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

// Skin set of a button state: 0 normal, 1 hot, 2 pressed, 3 default.
int SkinOfState(int state) {
    static const int sets[4] = {0, 1, 3, 2};
    return sets[state & 3];
}

// One column of the skin, `w` wide at `x`, fitted to the button's height: the
// rounded top and bottom rows keep their size, the rows between them stretch
// (or shrink), so the whole border shows at any height.
void BlitPart(HDC dc, HBITMAP b, int x, int w, int srcX, int srcW, int height) {
    if (!b || w <= 0 || height <= 0) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, b);
    const SkinRows rows = FitSkinRows(height);
    auto band = [&](int y, int h, int srcY, int srcH) {
        if (h <= 0 || srcH <= 0) return;
        if (w == srcW && h == srcH) BitBlt(dc, x, y, w, h, mem, srcX, srcY, SRCCOPY);
        else StretchBlt(dc, x, y, w, h, mem, srcX, srcY, srcW, srcH, SRCCOPY);
    };
    band(0, rows.top, 0, rows.top);
    band(rows.top, height - rows.top - rows.bottom, rows.top, kSkinHeight - rows.top - rows.bottom);
    band(height - rows.bottom, rows.bottom, kSkinHeight - rows.bottom, rows.bottom);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void MacStyleBtnPaint(HDC target, const MacStyleBtn& b) {
    Surface s(target, b.width, b.height);
    if (!s) return;
    HDC dc = s.dc();
    const int set = b.enabled ? SkinOfState(b.state) : 0;
    const CapLayout l = LayoutSkinnedButton(b.width);
    BlitPart(dc, MacStyleBtnBitmap(set, 0), 0, l.leftWidth, 0, l.leftWidth, b.height);
    BlitPart(dc, MacStyleBtnBitmap(set, 1), l.middleX, l.middleWidth, 0, kCapWidth, b.height);
    BlitPart(dc, MacStyleBtnBitmap(set, 2), l.rightX, l.rightWidth, l.rightSrcX, l.rightWidth, b.height);
    if (b.caption) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, b.enabled ? RGB(0, 0, 0) : 0x7F7F7F);
        HGDIOBJ oldFont = gButtonFont ? SelectObject(dc, gButtonFont) : nullptr;
        RECT text{0, 0, b.width, b.height};
        DrawTextA(dc, b.caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (oldFont) SelectObject(dc, oldFont);
    }
    s.CopyTo(target, b.drawX, b.drawY);
}

LRESULT CALLBACK MacStyleBtnWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* b = reinterpret_cast<MacStyleBtn*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        b = cs->lpCreateParams ? static_cast<MacStyleBtn*>(cs->lpCreateParams) : new (std::nothrow) MacStyleBtn();
        if (!b) return -1;
        RECT rc;
        GetClientRect(w, &rc);
        b->width = rc.right;
        b->height = rc.bottom;
        b->wnd = w;
        b->id = int(GetWindowLongPtrA(w, GWLP_ID));
        b->drawX = b->drawY = 0;
        b->state = 0;
        b->caption = CopyText(b->caption, cs->lpszName && *cs->lpszName ? cs->lpszName : nullptr);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b));
        return 1;
    }
    if (msg == WM_NCDESTROY) {
        if (b) {
            SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            std::free(b->caption);
            delete b;
        }
        DefWindowProcA(w, msg, wp, lp);
        return 0;
    }
    if (!b) return DefWindowProcA(w, msg, wp, lp);
    const uint8_t rest = b->isDefault ? 3 : 0;
    switch (msg) {
        case WM_SIZE:
            b->width = LOWORD(lp);
            b->height = HIWORD(lp);
            return 1;
        case WM_ENABLE:
            b->enabled = wp != 0;
            InvalidateRect(w, nullptr, FALSE);
            return 1;
        case WM_MOUSEMOVE: {
            if (!b->enabled) return 1;
            const int x = short(LOWORD(lp)), y = short(HIWORD(lp));
            const bool inside = x >= 0 && y >= 0 && x < b->width && y < b->height;
            if (inside && b->state != 1 && b->state != 2) {
                SetCapture(w);
                b->state = 1;
                InvalidateRect(w, nullptr, FALSE);
            } else if (!inside) {
                ReleaseCapture();
                b->state = rest;
                InvalidateRect(w, nullptr, FALSE);
            }
            return 1;
        }
        case WM_LBUTTONDOWN:
            if (b->enabled) {
                b->state = 2;
                InvalidateRect(w, nullptr, FALSE);
            }
            return 1;
        case WM_LBUTTONUP:
            b->state = rest;
            InvalidateRect(w, nullptr, FALSE);
            SetFocus(w);
            PostMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(b->id, kNotifyChanged), reinterpret_cast<LPARAM>(w));
            return 1;
        case WM_COMMAND:
            PostMessageA(GetParent(w), WM_COMMAND, wp, lp);
            return 1;
        case WM_ERASEBKGND:
            return 1;
        case WM_GETFONT:  // the font its caption is drawn in
            return reinterpret_cast<LRESULT>(gButtonFont);
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            MacStyleBtnPaint(dc, *b);
            EndPaint(w, &ps);
            return 1;
        }
        case WM_PRINTCLIENT:
            MacStyleBtnPaint(reinterpret_cast<HDC>(wp), *b);
            return 1;
        default:
            return DefWindowProcA(w, msg, wp, lp);
    }
}

// ---- Link -----------------------------------------------------------------
void PaintLink(HWND w, HDC target, const ContainerLink& l) {
    Surface s(target, l.width, l.height);
    if (!s) return;
    HDC dc = s.dc();
    RECT all{0, 0, l.width, l.height};
    if (l.hasBackground && l.background) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, l.background);
        BitBlt(dc, 0, 0, l.width, l.height, mem, l.sourceX, l.sourceY, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        FillBackground(dc, all);
    }
    if (l.kind == 5 && l.text) {
        HFONT font = l.font ? l.font : (l.link ? gLinkFont : gLinkPlainFont);
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        SetTextColor(dc, l.useOwnColor ? l.textColor : (l.link ? 0xFF0000 : 0x000000));
        SetBkMode(dc, TRANSPARENT);
        const int n = int(std::strlen(l.text));
        SIZE size{};
        GetTextExtentPoint32A(dc, l.text, n, &size);
        const int x = l.leftAligned ? 0 : (l.width - size.cx) / 2;
        TextOutA(dc, x, (l.height - size.cy) / 2, l.text, n);
        if (oldFont) SelectObject(dc, oldFont);
    }
    s.CopyTo(target, 0, 0);
    (void)w;
}

LRESULT CALLBACK ContainerLinkWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* l = reinterpret_cast<ContainerLink*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        l = cs->lpCreateParams ? static_cast<ContainerLink*>(cs->lpCreateParams) : new (std::nothrow) ContainerLink();
        if (!l) return -1;
        RECT rc;
        GetClientRect(w, &rc);
        l->width = rc.right;
        l->height = rc.bottom;
        l->wnd = w;
        l->id = int(GetWindowLongPtrA(w, GWLP_ID));
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(l));
        return 1;
    }
    if (msg == WM_NCDESTROY) {
        if (l) {
            SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            std::free(l->text);
            delete l;
        }
        DefWindowProcA(w, msg, wp, lp);
        return 0;
    }
    if (!l) return DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            PaintLink(w, dc, *l);
            EndPaint(w, &ps);
            return 1;
        }
        case WM_PRINTCLIENT:
            PaintLink(w, reinterpret_cast<HDC>(wp), *l);
            return 1;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            if (l->link && gHandCursor && LOWORD(lp) == HTCLIENT) {
                SetCursor(gHandCursor);
                return TRUE;
            }
            return DefWindowProcA(w, msg, wp, lp);
        case WM_MOUSEMOVE:
            if (l->link && gHandCursor) SetCursor(gHandCursor);
            return 1;
        case WM_LBUTTONDOWN:
            if (l->link) SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(l->id, kNotifyChanged), reinterpret_cast<LPARAM>(w));
            return 1;
        case WM_COMMAND:
            PostMessageA(GetParent(w), WM_COMMAND, wp, lp);
            return 1;
        default:
            return DefWindowProcA(w, msg, wp, lp);
    }
}
}  // namespace

int RegisterMacStyleBtnClass(HINSTANCE instance) {
    return RegisterWidget(instance, kMacStyleBtnClass, MacStyleBtnWndProc, 0, IDC_ARROW);
}

int RegisterContainerLinkClass(HINSTANCE instance) {
    return RegisterWidget(instance, kContainerLinkClass, ContainerLinkWndProc, 0, IDC_ARROW);
}

HBITMAP MacStyleBtnBitmap(int state, int part) {
    if (state < 0 || state > 3 || part < 0 || part > 2) return nullptr;
    return gButtonBitmaps[state + 4 * part];
}

void CreateMacStyleBtnFonts() {
    if (gButtonUsers++ > 0) return;
    gButtonFont = MakeArial(FW_BOLD, false);
    static const int order[12] = {155, 159, 163, 157, 161, 165, 156, 160, 164, 158, 162, 166};
    for (int id : order) gButtonBitmaps[id - IDB_MACBTN_NORMAL_LEFT] = LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(id));
    RegisterMacStyleBtnClass(gUiInstance);
}

void DestroyMacStyleBtnResources() {
    if (gButtonUsers == 0 || --gButtonUsers > 0) return;
    if (gButtonFont) DeleteObject(gButtonFont);
    gButtonFont = nullptr;
    {
        ModuleActivation scope;
        UnregisterClassA(kMacStyleBtnClass, gUiInstance);
    }
    for (HBITMAP& b : gButtonBitmaps) {
        if (b) DeleteObject(b);
        b = nullptr;
    }
}

void SetupMacStyleBtn(HWND dialog, int item, const char* caption, bool isDefault) {
    auto* b = FindControl<MacStyleBtn>(dialog, item, kMacStyleBtnClass);
    if (!b) return;
    b->isDefault = isDefault;
    b->state = isDefault ? 3 : 0;
    b->enabled = true;
    if (caption) b->caption = CopyText(b->caption, caption);
    if (b->wnd) InvalidateRect(b->wnd, nullptr, FALSE);
}

void CreateLinkFonts() {
    if (gLinkUsers++ > 0) return;
    gLinkPlainFont = MakeArial(FW_BOLD, false);
    gLinkFont = MakeArial(FW_NORMAL, true);
    gHandCursor = LoadCursorA(nullptr, IDC_HAND);
    RegisterContainerLinkClass(gUiInstance);
}

void DestroyLinkResources() {
    if (gLinkUsers == 0 || --gLinkUsers > 0) return;
    gHandCursor = nullptr;
    for (HFONT* f : {&gLinkPlainFont, &gLinkFont}) {
        if (*f) DeleteObject(*f);
        *f = nullptr;
    }
    ModuleActivation scope;
    UnregisterClassA(kContainerLinkClass, gUiInstance);
}

void SetupContainerLink(HWND dialog, int item, const char* text, bool link, bool leftAligned) {
    auto* l = FindControl<ContainerLink>(dialog, item, kContainerLinkClass);
    if (!l) return;
    l->kind = 5;
    l->link = link;
    if (text) l->text = CopyText(l->text, text);
    l->leftAligned = leftAligned;
    l->font = nullptr;
    l->textColor = 0;
    l->useOwnColor = false;
    if (l->wnd) InvalidateRect(l->wnd, nullptr, FALSE);
}

void SetContainerLinkFont(HWND dialog, int item, HFONT font, COLORREF color) {
    auto* l = FindControl<ContainerLink>(dialog, item, kContainerLinkClass);
    if (!l) return;
    l->font = font;
    l->textColor = color;
    l->useOwnColor = true;
    if (l->wnd) InvalidateRect(l->wnd, nullptr, FALSE);
}

void SetContainerLinkBackground(HWND dialog, int item, HBITMAP background, int sourceX, int sourceY) {
    auto* l = FindControl<ContainerLink>(dialog, item, kContainerLinkClass);
    if (!l) return;
    l->background = background;
    l->sourceX = sourceX;
    l->sourceY = sourceY;
    l->hasBackground = background != nullptr;
    if (l->wnd) InvalidateRect(l->wnd, nullptr, FALSE);
}

}  // namespace frostel::widgets
