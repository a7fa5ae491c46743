// The main filter dialog: DoUI, the dialog procedure, preview and navigator,
// zoom, hot keys, header strip, tabs and layout.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "AboutBox.h"
#include "ColorServices.h"
#include "DialogLogic.h"
#include "DialogWin.h"
#include "PresetPanel.h"
#include "UpdateCheck.h"
#include "Workers.h"
#include "DocumentLayers.h"
#include "HostPaths.h"
#include "ImageTransfer.h"
#include "LayerBuffers.h"
#include "PathSegments.h"
#include "Plugin.h"
#include "Scene.h"
#include "WidgetInternal.h"

namespace frostel {

using namespace widgets;
using dialog::ComputeLayout;
using dialog::DialogLayout;
using dialog::ZoomCommand;
using dialog::ZoomState;

HWND gMainDialog = nullptr;
TPreviewContaner* gPreview = nullptr;
TPreviewContaner* gNavigator = nullptr;
char gModuleDir[MAX_PATH] = {}, gPresetFolder[MAX_PATH] = {}, gHelpFolder[MAX_PATH] = {};
HFONT gPageFont = nullptr, gPageLabelFont = nullptr, gTabFont = nullptr, gPanelFont = nullptr;

namespace {

HWND gProgressBar = nullptr;
RECT gPreviewArea{};
// The preset panel at the left, under the navigator; it keeps its template width.
HWND gPresetPanel = nullptr;
int gPresetPanelWidth = 0;
int gPreviewWidth = 0;
int gHeaderFillWidth = 0;
int gPageWidth = 0;
HBITMAP gHeaderTile = nullptr, gHeaderLeft = nullptr, gHeaderRight = nullptr;
HBITMAP gTabHot = nullptr, gTabNormal = nullptr;
WNDPROC gTabBaseProc = nullptr;
int32_t gScaledWidth = 0, gScaledHeight = 0;

// The image reads' view of the big preview and of the progress bar.
class ContainerPort : public PreviewPort {
public:
    int32_t ClientWidth() const override { return gPreview ? gPreview->width : 0; }
    int32_t ClientHeight() const override { return gPreview ? gPreview->height : 0; }
    void SetScaledImageSize(int32_t w, int32_t h) override { gScaledWidth = w, gScaledHeight = h; }
    int32_t ViewX() const override { return gPreview ? gPreview->viewX : 0; }
    int32_t ViewY() const override { return gPreview ? gPreview->viewY : 0; }
    void SetView(int32_t x, int32_t y) override {
        if (gPreview) gPreview->viewX = x, gPreview->viewY = y;
    }
};
// The bar under the preview. Under Wine each message to it and its repaint
// cost about a millisecond, as much as a small preview's drawing and ten
// times over for each: it hears of a new position at most every 40 ms, and
// always of 0, with which every preview ends.
class BarPort : public ProgressPort {
public:
    void Show(int32_t done, int32_t total) override {
        if (!gProgressBar) return;
        total = std::max(total, 1);
        if (done == shown_ && total == total_) return;
        const DWORD now = GetTickCount();
        if (done != 0 && now - shownAt_ < 40) return;
        shownAt_ = now;
        if (total != total_) SendMessageA(gProgressBar, PBM_SETRANGE32, 0, total);
        SendMessageA(gProgressBar, PBM_SETPOS, WPARAM(done), 0);
        UpdateWindow(gProgressBar);
        shown_ = done, total_ = total;
    }

private:
    int32_t shown_ = -1, total_ = -1;  // what the bar shows; -1: not yet told
    DWORD shownAt_ = 0;
};

// Input that asks for something other than the picture being drawn: a key
// or a button pressed (a release alone asks nothing), the mouse moved while a
// drag holds it, a hot key, or a command posted to the dialog or its
// controls. Timers are not: they come only once the queue is idle.
bool Waiting(HWND w, UINT first, UINT last, UINT kinds) {
    MSG m;
    return PeekMessageA(&m, w, first, last, PM_NOREMOVE | PM_NOYIELD | kinds) != 0;
}
class QueuePort : public InputPort {
public:
    bool InputWaiting() override {
        const UINT pending = HIWORD(GetQueueStatus(QS_KEY | QS_MOUSE | QS_HOTKEY | QS_POSTMESSAGE));
        if (pending & QS_HOTKEY) return true;
        if ((pending & QS_MOUSEMOVE) && GetCapture()) return true;
        if (pending & QS_KEY)
            for (UINT m : {WM_KEYDOWN, WM_SYSKEYDOWN})
                if (Waiting(nullptr, m, m, PM_QS_INPUT)) return true;
        if (pending & QS_MOUSEBUTTON)
            for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                           WM_MBUTTONDBLCLK, WM_NCLBUTTONDOWN, WM_NCLBUTTONDBLCLK, WM_NCRBUTTONDOWN})
                if (Waiting(nullptr, m, m, PM_QS_INPUT)) return true;
        constexpr UINT kSysTimer = 0x118;  // the caret's blink
        return (pending & QS_POSTMESSAGE) && gMainDialog &&
               (Waiting(gMainDialog, 0, WM_TIMER - 1, PM_QS_POSTMESSAGE) ||
                Waiting(gMainDialog, WM_TIMER + 1, kSysTimer - 1, PM_QS_POSTMESSAGE) ||
                Waiting(gMainDialog, kSysTimer + 1, 0xFFFFFFFFu, PM_QS_POSTMESSAGE));
    }
};
ContainerPort gPort;
BarPort gBar;
QueuePort gQueue;

// The preview shows the last render that finished. One that newer input
// stopped leaves it there, and the latest values are drawn once the queue
// is idle (this timer's message comes only then).
constexpr UINT_PTR kIdleRenderTimer = 0x7E57;
bool gPreviewStale = false;

void RenderWhenIdle() {
    gPreviewStale = true;
    if (gMainDialog) SetTimer(gMainDialog, kIdleRenderTimer, USER_TIMER_MINIMUM, nullptr);
}

bool DocumentSize(float* w, float* h) {
    if (gScaledWidth <= 0 || gScaledHeight <= 0) return false;
    *w = float(gScaledWidth);
    *h = float(gScaledHeight);
    return true;
}

PreviewSource CurrentPreviewSource() {
    PreviewSource s;
    const pi::FilterRecord* fr = gFilterRecord;
    if (!fr || !fr->outData || gWorkWidth <= 0 || gWorkHeight <= 0) return s;
    s.data = fr->outData;
    s.rowBytes = fr->outRowBytes;
    s.planes = fr->planes;
    s.depth = 8;
    s.width = gWorkWidth;
    s.height = gWorkHeight;
    s.isCmyk = false;  // the preview is written as RGB
    if (gLayersBackground) {
        s.background = gLayersBackground;
        s.backgroundWidth = gWorkWidth;
        s.backgroundHeight = gWorkHeight;
        s.backgroundRowBytes = ptrdiff_t(gWorkWidth) * 3;
    }
    return s;
}

void Redraw(TContaner* c, bool erase) {
    if (c && c->wnd) {
        InvalidateRect(c->wnd, nullptr, erase);
        UpdateWindow(c->wnd);
    }
}

void EnableItem(HWND dlg, int id, bool on) {
    if (HWND w = GetDlgItem(dlg, id)) EnableWindow(w, on);
}

// Both zoom buttons from the state after a preview read.
void SetZoomButtons(HWND dlg) {
    const ZoomState z{gZoomLevel, gFitScale};
    EnableItem(dlg, IDC_ZOOM_IN, dialog::ZoomInAllowed(z));
    EnableItem(dlg, IDC_ZOOM_OUT, dialog::ZoomOutAllowed(z));
}

void SetScaleText(HWND dlg) {
    const std::string t = dialog::ScaleText(gPreviewScale);
    if (!t.empty()) SetDlgItemTextA(dlg, IDC_SCALE_TEXT, t.c_str());
}

void PlaceNavigatorMarker() {
    if (!gNavigator || !gPreview) return;
    gNavigator->previewScale = gPreviewScale;
    gNavigator->frameX = int(float(gViewX) * gNavigator->navigatorScale * gPreviewScale + 0.5f);
    gNavigator->frameY = int(float(gViewY) * gNavigator->navigatorScale * gPreviewScale + 0.5f);
}

// The swatches' colour picker when the host offers its own: 0 with the
// colour, -128 when the user cancelled it; any other answer sends the swatch
// to the system colour dialog.
int PickWithHost(COLORREF* rgb) {
    static const pi::Str255 kPrompt = {14, 'S', 'e', 'l', 'e', 'c', 't', ' ', 'a', ' ', 'C', 'o', 'l', 'o', 'r'};
    pi::RGBColor c{uint16_t(GetRValue(*rgb) * 0x101), uint16_t(GetGValue(*rgb) * 0x101),
                   uint16_t(GetBValue(*rgb) * 0x101)};
    const pi::OSErr err = PickColorAsRgb(&kPrompt, c);
    if (err == pi::noErr) *rgb = RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
    return err;
}

void RenderIntoPreview() {
    const RunStatus status = WriteResult();
    SetResult(0);  // a failed preview leaves the last picture; the host hears of none of it
    if (status != RunStatus::Done) {
        RenderWhenIdle();
        return;
    }
    gPreviewStale = false;
    if (gMainDialog) KillTimer(gMainDialog, kIdleRenderTimer);
    BuildPreviewBitmap(gPreview, CurrentPreviewSource());
}

// The tail of every zoom and pan: read, view, render, show.
void ZoomTail(HWND dlg, bool withText) {
    if (gPreview) ReadPreviewImage(gPort);
    if (gPreview) gViewX = gPreview->viewX, gViewY = gPreview->viewY;
    PlaceNavigatorMarker();
    Redraw(gNavigator, false);
    if (PrepareSourceImage() != 0) {
        SetResult(0);
    } else {
        if (withText) SetScaleText(dlg);
        RenderIntoPreview();
    }
    SetZoomButtons(dlg);
    Redraw(gPreview, false);
    Redraw(gNavigator, false);
}

void BuildNavigatorImage() {
    if (!gNavigator) return;
    if (!ReadSourceImage()) {
        SetResult(0);
        return;
    }
    const dialog::NavigatorImage n = dialog::ComposeNavigator(gNavigatorSource, gNavigatorWidth, gNavigatorHeight,
                                                              gNavigator->width, gNavigator->height);
    gNavigator->navigatorScale = n.scale;
    if (n.width > 0) SetPreviewPixels(gNavigator, n.bgr.data(), n.width, n.height);
}

HFONT MakeArialFont(int height, int weight) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfQuality = PROOF_QUALITY;
    std::strcpy(lf.lfFaceName, "Arial");
    return CreateFontIndirectA(&lf);
}

void CreateFonts() {
    gPageFont = MakeArialFont(dialog::ScaledFontHeight(13, gScreenDpi, false), FW_BOLD);
    gPageLabelFont = MakeArialFont(dialog::ScaledFontHeight(13, gScreenDpi, true), FW_BOLD);
    gTabFont = MakeArialFont(dialog::ScaledFontHeight(14, gScreenDpi, false), FW_BOLD);
    gPanelFont = MakeArialFont(dialog::ScaledFontHeight(13, gScreenDpi, false), FW_NORMAL);
}

void DeleteFonts() {
    for (HFONT* f : {&gPageFont, &gPageLabelFont, &gTabFont, &gPanelFont}) {
        if (*f) DeleteObject(*f);
        *f = nullptr;
    }
}

void DeleteBitmap(HBITMAP& b) {
    if (b) DeleteObject(b);
    b = nullptr;
}

HBITMAP LoadModuleBitmap(int id) { return LoadBitmapA(gUiInstance, MAKEINTRESOURCEA(id)); }

void MoveItem(HWND dlg, int id, const dialog::Box& b, bool repaint = true) {
    if (HWND w = GetDlgItem(dlg, id)) MoveWindow(w, b.x, b.y, b.w, b.h, repaint);
}

// ---- Tabs ----------------------------------------------------------------------
const DLGTEMPLATE* LoadDialogTemplate(int id) {
    HRSRC r = FindResourceA(gUiInstance, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (!r) return nullptr;
    HGLOBAL g = LoadResource(gUiInstance, r);
    return g ? static_cast<const DLGTEMPLATE*>(LockResource(g)) : nullptr;
}

int HitTestTab(const TabState& t, POINT p) {
    for (int i = 0; i < 2; ++i) {
        const RECT& r = t.itemRects[i];
        if (p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom) return i;
    }
    return -1;
}

LRESULT CALLBACK TabSubclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        TabState* t = GetTabState();
        if (msg == WM_MOUSEMOVE && t) {
            POINT p{short(LOWORD(lp)), short(HIWORD(lp))};
            POINT screen = p;
            ClientToScreen(w, &screen);
            if (WindowFromPoint(screen) != w) {
                ReleaseCapture();
                if (t->hover != -1) InvalidateRect(w, nullptr, FALSE);
                t->hover = -1;
            } else {
                if (GetCapture() != w) {
                    SetCapture(w);
                    InvalidateRect(w, nullptr, FALSE);
                }
                const int hit = HitTestTab(*t, p);
                if (hit != t->hover) {
                    t->hover = hit;
                    InvalidateRect(w, nullptr, FALSE);
                }
            }
        } else if (msg == WM_LBUTTONDOWN && GetCapture() == w) {
            ReleaseCapture();
        } else if (msg == WM_PAINT) {
            // The strip beside the tabs is painted in the system's face colour: the dialog's grey instead.
            const LRESULT r = CallWindowProcA(gTabBaseProc, w, msg, wp, lp);
            RECT c;
            GetClientRect(w, &c);
            HDC dc = GetDC(w);
            HGDIOBJ old = SelectObject(dc, gBackBrush);
            ExtFloodFill(dc, c.right - 3, 3, GetSysColor(COLOR_BTNFACE), FLOODFILLSURFACE);
            SelectObject(dc, old);
            ReleaseDC(w, dc);
            return r;
        }
        return CallWindowProcA(gTabBaseProc, w, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

void CreateTabControl(HWND dlg) {
    auto* t = static_cast<TabState*>(LocalAlloc(LPTR, sizeof(TabState)));
    if (!t) return;
    new (t) TabState();
    t->hover = -1;
    SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(t));
    const int x = gPreviewArea.right + 16;
    t->tabs = CreateWindowExA(0, WC_TABCONTROLA, "",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_OWNERDRAWFIXED |
                                  TCS_FOCUSONBUTTONDOWN | TCS_HOTTRACK,
                              x, 50, std::max(gPageWidth, 100), 400, dlg, reinterpret_cast<HMENU>(IDC_TABS),
                              gUiInstance, nullptr);
    if (!t->tabs) return;
    gTabBaseProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(t->tabs, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabSubclassProc)));
    if (gTabFont) SendMessageA(t->tabs, WM_SETFONT, reinterpret_cast<WPARAM>(gTabFont), FALSE);
    char geometry[] = " Geometry ", material[] = "   Material   ";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = geometry;
    SendMessageA(t->tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = material;
    SendMessageA(t->tabs, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
    t->templates[0] = LoadDialogTemplate(IDD_GEOMETRY_PAGE);
    t->templates[1] = LoadDialogTemplate(IDD_MATERIAL_PAGE);
    GetClientRect(t->tabs, &t->display);
    SendMessageA(t->tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&t->display));
}

void PlacePages(HWND dlg) {
    TabState* t = GetTabState();
    if (!t || !t->tabs) return;
    RECT tr;
    GetWindowRect(t->tabs, &tr);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&tr), 2);
    RECT d;
    GetClientRect(t->tabs, &d);
    SendMessageA(t->tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&d));
    t->display = d;
    for (HWND p : t->pages) {
        if (!p) continue;
        const int left = tr.left + d.left, top = tr.top + d.top;
        // Above the tab control, which clips itself against it.
        SetWindowPos(p, HWND_TOP, left, top, tr.right - GetSystemMetrics(SM_CXDLGFRAME) - left,
                     tr.bottom - GetSystemMetrics(SM_CYDLGFRAME) - top, SWP_NOACTIVATE);
    }
}

void ShowSelectedPage(HWND dlg) {
    TabState* t = GetTabState();
    if (!t || !t->tabs) return;
    const int i = std::clamp(int(SendMessageA(t->tabs, TCM_GETCURSEL, 0, 0)), 0, 1);
    if (t->current) ShowWindow(t->current, SW_HIDE);
    if (t->pages[i]) {
        t->current = t->pages[i];
        ShowWindow(t->current, SW_SHOW);
        RefreshPageValues(dlg);
        return;
    }
    if (!t->templates[i]) return;
    t->current = nullptr;
    HWND page = CreateDialogIndirectParamA(gUiInstance, t->templates[i], dlg, PageProc, LPARAM(i));
    if (!page) return;
    t->pages[i] = page;
    t->current = page;
    RECT wr;
    GetWindowRect(page, &wr);
    // The tab control is wider than the page by its frame, so that the page
    // keeps the whole width its template gives it.
    if (gPageWidth == 0)
        gPageWidth = wr.right - wr.left + std::max(0L, t->display.left) + GetSystemMetrics(SM_CXDLGFRAME);
    PlacePages(dlg);
    ShowWindow(page, SW_SHOW);
    InvalidateRect(dlg, nullptr, TRUE);
}

void DrawTab(const DRAWITEMSTRUCT& di) {
    TabState* t = GetTabState();
    if (!t) return;
    const int i = int(di.itemID);
    if (i >= 0 && i < 2) t->itemRects[i] = di.rcItem;
    char text[32] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 31;
    SendMessageA(di.hwndItem, TCM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    const bool selected = (di.itemState & ODS_SELECTED) != 0;
    HDC dc = di.hDC;
    int textX = di.rcItem.left + 3;
    if (selected || !gTabHot) {
        FillRect(dc, &di.rcItem, gBackBrush);
        textX = di.rcItem.left + 6;
    } else {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, t->hover == i ? gTabHot : gTabNormal ? gTabNormal : gTabHot);
        StretchBlt(dc, di.rcItem.left, di.rcItem.top, di.rcItem.right - di.rcItem.left + 2,
                   di.rcItem.bottom - di.rcItem.top + 2, mem, 0, 0, 4, 4, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    HGDIOBJ oldFont = gTabFont ? SelectObject(dc, gTabFont) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kStaticTextColor);
    TextOutA(dc, textX, di.rcItem.top + 3, text, int(std::strlen(text)));
    if (oldFont) SelectObject(dc, oldFont);
}

// ---- Header ----------------------------------------------------------------------
void PaintHeaderStrip(HWND dlg) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    const int w = dialog::RoundUpToFour(gHeaderFillWidth);
    if (gHeaderTile && w > 0) {
        HDC tile = CreateCompatibleDC(dc);
        HGDIOBJ oldTile = SelectObject(tile, gHeaderTile);
        HDC off = CreateCompatibleDC(dc);
        HBITMAP strip = CreateCompatibleBitmap(dc, w, 46);
        HGDIOBJ oldOff = SelectObject(off, strip);
        for (int x = 0; x < w; x += 4) BitBlt(off, x, 0, 4, 46, tile, 0, 0, SRCCOPY);
        BitBlt(dc, 472, 0, gHeaderFillWidth, 46, off, 0, 0, SRCCOPY);
        SelectObject(off, oldOff);
        DeleteObject(strip);
        DeleteDC(off);
        SelectObject(tile, oldTile);
        DeleteDC(tile);
    }
    EndPaint(dlg, &ps);
}

void SetupPictureButton(HWND dlg, int id, int x, int y, int w, int h, int normal, int hot, const char* tip) {
    HWND b = GetDlgItem(dlg, id);
    auto* o = static_cast<TControlButton*>(FindControlObject(b, kControlButtonClass));
    if (!b || !o) return;
    SetWindowPos(b, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    o->width = w;
    o->height = h;
    o->SetBitmaps(normal, hot, normal, 0);
    AddToolTip(b, tip, nullptr);
}

void SetupHeader(HWND dlg) {
    gHeaderTile = LoadModuleBitmap(IDB_HEADER_TILE);
    gHeaderLeft = LoadModuleBitmap(IDB_HEADER_LEFT);
    gHeaderRight = LoadModuleBitmap(IDB_HEADER_RIGHT);
    struct Picture {
        int id, w;
        HBITMAP bitmap;
    };
    for (const Picture& p : {Picture{IDC_HEADER_LEFT, 472, gHeaderLeft}, Picture{IDC_HEADER_RIGHT, 99, gHeaderRight}}) {
        HWND w = GetDlgItem(dlg, p.id);
        auto* o = static_cast<TControl*>(FindControlObject(w, kControlClass));
        if (!w) continue;
        MoveWindow(w, 0, 0, p.w, 46, FALSE);
        if (!o) continue;
        o->width = p.w;
        o->height = 46;
        o->kind = 1;
        o->bitmap = p.bitmap;
    }
}

void SetupHeaderButtons(HWND dlg) {
    SetupPictureButton(dlg, IDC_HELP_BUTTON, 646, 17, 42, 17, IDB_HELP_NORMAL, IDB_HELP_HOT, "View manual (F1)");
    const bool fresh = gUpdateFlags[0].load() != 0;
    SetupPictureButton(dlg, IDC_PRODUCT_BUTTON, 19, 11, 37, 30, fresh ? IDB_PRODUCT_NEW_NORMAL : IDB_PRODUCT_NORMAL,
                       fresh ? IDB_PRODUCT_NEW_HOT : IDB_PRODUCT_HOT,
                       "Visit the product page on site\n(Press F4 as alternative)");
    // A new version: draw the eye to the product-page button once the dialog shows.
    if (fresh && GetDlgItem(dlg, IDC_PRODUCT_BUTTON)) SetTimer(dlg, IDC_PRODUCT_BUTTON, 100, nullptr);
    SetupPictureButton(dlg, IDC_ABOUT_BUTTON, 105, 11, 236, 24, IDB_ABOUT_NORMAL, IDB_ABOUT_HOT,
                       "About Vornhal Frostel");
}

// ---- Placement ---------------------------------------------------------------------
BOOL CALLBACK CollectWorkArea(HMONITOR m, HDC, LPRECT, LPARAM out) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(m, &mi)) {
        const RECT& r = mi.rcWork;
        reinterpret_cast<std::vector<dialog::Rect>*>(out)->push_back({r.left, r.top, r.right, r.bottom});
    }
    return TRUE;
}

void RestorePlacement(HWND dlg) {
    if (!gParams) return;
    std::vector<dialog::Rect> areas;
    EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
    RECT work{};
    if (areas.empty() && SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        areas.push_back({work.left, work.top, work.right, work.bottom});
    RECT host{};
    HWND parent = GetParent(dlg);
    if (!parent || !GetWindowRect(parent, &host)) host = work;
    const FilterParameters& p = *gParams;
    const dialog::Rect r =
        dialog::ChoosePlacement({p.dialogLeft, p.dialogTop, p.dialogWidth, p.dialogHeight}, areas,
                                {host.left, host.top, host.right, host.bottom}, dialog::MinimumDialogSize(gScreenDpi));
    MoveWindow(dlg, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void SavePlacement(HWND dlg) {
    if (!gParams) return;
    RECT r{};
    if (!IsIconic(dlg) && !IsZoomed(dlg)) {
        if (!GetWindowRect(dlg, &r)) return;
    } else {
        // The size it is restored to, in workspace coordinates: offset by the
        // primary work area's origin to make screen coordinates.
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        if (!GetWindowPlacement(dlg, &wp)) return;
        r = wp.rcNormalPosition;
        RECT work{};
        if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) OffsetRect(&r, work.left, work.top);
    }
    if (r.right <= r.left || r.bottom <= r.top) return;
    gParams->dialogLeft = r.left;
    gParams->dialogTop = r.top;
    gParams->dialogWidth = r.right - r.left;
    gParams->dialogHeight = r.bottom - r.top;
}

// ---- Layout -------------------------------------------------------------------------
void LayoutDialog(HWND dlg, int w, int h) {
    TabState* t = GetTabState();
    const DialogLayout l = ComputeLayout(w, h, gPreviewArea.left, gPreviewArea.top, gPageWidth,
                                         GetSystemMetrics(SM_CYSMCAPTION), t && t->tabs);
    gHeaderFillWidth = l.headerFillWidth;
    if (HWND about = GetDlgItem(dlg, IDC_ABOUT_BUTTON)) InvalidateRect(about, nullptr, FALSE);
    MoveItem(dlg, IDC_HEADER_RIGHT, l.headerRight);
    MoveItem(dlg, IDC_HELP_BUTTON, l.helpButton);
    gPreviewArea.right = l.previewRight;
    gPreviewArea.bottom = l.previewBottom;
    gPreviewWidth = l.previewWidth;
    if (HWND p = GetDlgItem(dlg, IDC_PREVIEW)) {
        RECT r{0, 0, l.preview.w, l.preview.h};
        AdjustWindowRectEx(&r, DWORD(GetWindowLongA(p, GWL_STYLE)), FALSE, DWORD(GetWindowLongA(p, GWL_EXSTYLE)));
        MoveWindow(p, l.preview.x, l.preview.y, r.right - r.left, r.bottom - r.top, TRUE);
    }
    if (t && t->tabs) {
        MoveWindow(t->tabs, l.tabs.x, l.tabs.y, l.tabs.w, l.tabs.h, TRUE);
        PlacePages(dlg);
    }
    MoveItem(dlg, IDOK, l.ok);
    MoveItem(dlg, IDCANCEL, l.cancel);
    MoveItem(dlg, IDC_ZOOM_IN, l.zoomIn);
    MoveItem(dlg, IDC_ZOOM_OUT, l.zoomOut);
    MoveItem(dlg, IDC_SCALE_TEXT, l.scaleText);
    MoveItem(dlg, IDC_PROGRESS, l.progress);
    if (gPresetPanel) {
        // The navigator takes the panel's width above it; the panel reaches to the bottom.
        const dialog::Box nav{5, int(gPreviewArea.top), gPresetPanelWidth, gPresetPanelWidth * 3 / 4};
        MoveItem(dlg, IDC_NAVIGATOR, nav);
        const int panelTop = nav.y + nav.h + 5;
        SetWindowPos(gPresetPanel, nullptr, 5, panelTop, gPresetPanelWidth, std::max(0, h - panelTop),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        LayoutPresetPanel(gPresetPanel, gPresetPanelWidth, h);
    } else {
        MoveItem(dlg, IDC_NAVIGATOR, l.navigator);
    }
    RECT band{gPreviewArea.left, gPreviewArea.bottom, gPreviewArea.right, gPreviewArea.bottom + 200};
    InvalidateRect(dlg, &band, TRUE);
}

bool PreviewSizeChanged(HWND) {
    if (!gData || !gPreview) return false;
    const int w = gPreview->width, h = gPreview->height;
    if (gData->previewRight == w && gData->previewBottom == h && gData->previewTop == 0 && gData->previewLeft == 0)
        return false;
    gData->previewTop = gData->previewLeft = 0;
    gData->previewRight = int16_t(w);
    gData->previewBottom = int16_t(h);
    return true;
}

// ---- Messages -------------------------------------------------------------------------
constexpr int kAboutDialog = 128;
constexpr int kHelpTopicBase = 778;

void OpenProductPage(HWND dlg) {
    const std::string url = MakerSiteUrl() + "products/products.php?menu=get_prod_id&p_menustate=&prod_id=8";
    ShellOpenAsync(url.c_str(), dlg);
}

// The help page of the page on show.
void OpenTabHelp(HWND dlg) {
    TabState* t = GetTabState();
    const int tab = t && t->tabs ? std::max(0, int(SendMessageA(t->tabs, TCM_GETCURSEL, 0, 0))) : 0;
    StartHelpThread(kHelpTopicBase + tab, dlg);
}

bool FocusIsEdit(HWND* edit) {
    HWND f = GetFocus();
    char cls[16] = {};
    if (!f || !GetClassNameA(f, cls, sizeof cls) || lstrcmpiA(cls, "Edit") != 0) return false;
    *edit = f;
    return true;
}

void Zoom(HWND dlg, ZoomCommand c) {
    PreviewSizeChanged(dlg);
    gZoomLevel = dialog::ZoomAfter(c, ZoomState{gZoomLevel, gFitScale});
    if (c == ZoomCommand::One) gPreviewScale = 1.0f;
    ZoomTail(dlg, true);
}

BOOL InitDialog(HWND dlg) {
    gMainDialog = dlg;
    gDialogOpen = true;
    try {
        ReadHostPaths();
    } catch (...) {
        SetResult(0);  // no paths: the path emitter stays off
    }
    if (gParams) ResolveEmitterType(*gParams);
    if (HDC dc = GetDC(dlg)) {
        gScreenDpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(dlg, dc);
    }
    RegisterHotKey(dlg, 1, MOD_CONTROL, VK_ADD);
    RegisterHotKey(dlg, 2, MOD_CONTROL, VK_SUBTRACT);
    RegisterHotKey(dlg, 3, MOD_CONTROL, '0');
    RegisterHotKey(dlg, 4, MOD_CONTROL, '1');
    RegisterHotKey(dlg, 5, 0, VK_F1);
    RegisterHotKey(dlg, 6, 0, VK_F4);

    if (!GetDlgItem(dlg, IDOK)) return TRUE;
    SetupMacStyleBtn(dlg, IDOK, "OK", true);
    SetupMacStyleBtn(dlg, IDCANCEL, "Cancel", false);
    SetupMacStyleBtn(dlg, IDC_ZOOM_IN, "+", false);
    SetupMacStyleBtn(dlg, IDC_ZOOM_OUT, "-", false);
    SetupHeader(dlg);

    if (HWND p = GetDlgItem(dlg, IDC_PREVIEW)) {
        GetWindowRect(p, &gPreviewArea);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&gPreviewArea), 2);
        gPreviewArea.left = std::max(0L, gPreviewArea.left - LONG(dialog::PreviewMarginForDpi(gScreenDpi)));
    }
    AddToolTip(GetDlgItem(dlg, IDOK), "Apply effect", nullptr);
    AddToolTip(GetDlgItem(dlg, IDCANCEL), "Don't apply effect", nullptr);
    AddToolTip(GetDlgItem(dlg, IDC_ZOOM_IN), "Enlarge preview size (Use Ctrl+'+' or Ctrl+'1')", nullptr);
    AddToolTip(GetDlgItem(dlg, IDC_ZOOM_OUT), "Decrease preview size (Use Ctrl+'-' or Ctrl+'0')", nullptr);
    AddToolTip(GetDlgItem(dlg, IDC_SCALE_TEXT), "Preview scale", nullptr);
    CreateFonts();
    gDialogFont = gPageFont;
    gEditFont = gPageLabelFont;
    if (gPanelFont) SendDlgItemMessageA(dlg, IDC_SCALE_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(gPanelFont), 0);
    gProgressBar = GetDlgItem(dlg, IDC_PROGRESS);

    gPreview = FindControl<TPreviewContaner>(dlg, IDC_PREVIEW, kPreviewClass);
    gNavigator = FindControl<TPreviewContaner>(dlg, IDC_NAVIGATOR, kPreviewClass);
    if (gPreview) gPreview->mode = 1;
    if (gNavigator) {
        gNavigator->mode = 0;
        gNavigator->mainPreview = gPreview;
    }
    gPreviewPort = &gPort;
    gBar = BarPort();  // a new bar
    gProgressPort = &gBar;
    gInputPort = &gQueue;
    PreviewDialogCalls calls;
    calls.documentSize = DocumentSize;
    calls.centreMoved = OnCentreMoved;
    calls.setCentreRotor = SetCentreRotor;
    calls.storeCentre = [](float x, float y) {
        if (!gParams) return;
        gParams->CtnX = x;
        gParams->CtnY = y;
        gParams->geometryDirty = 1;
    };
    calls.rerenderPreview = RerenderPreview;
    SetPreviewDialogCalls(calls);
    SetHostColorPicker(gFilterRecord != nullptr && gFilterRecord->colorServices != nullptr ? PickWithHost : nullptr);

    CreateTabControl(dlg);
    SetPresetFolder(gPresetFolder);
    gPresetPanel = CreatePresetPanel(dlg);
    if (gPresetPanel) {
        RECT r;
        GetWindowRect(gPresetPanel, &r);
        gPresetPanelWidth = r.right - r.left;
        // The big preview moves right of the panel.
        gPreviewArea.left = std::max(gPreviewArea.left, LONG(gPresetPanelWidth + 5));
    }
    ShowSelectedPage(dlg);
    SetupHeaderButtons(dlg);
    RestorePlacement(dlg);

    if (gPreview) gPreview->quietDrag = false;
    gPreviewScale = 1.0f;
    gZoomLevel = -1.0f;
    ReadTargetDocumentLayers();
    SetResult(0);
    BuildNavigatorImage();
    PreviewSizeChanged(dlg);
    if (gPreview) ReadPreviewImage(gPort);
    if (gPreview) gViewX = gPreview->viewX, gViewY = gPreview->viewY;
    PlaceNavigatorMarker();
    gTabHot = LoadModuleBitmap(IDB_TAB_HOT);
    gTabNormal = LoadModuleBitmap(IDB_TAB_NORMAL);
    LoadBackgroundBitmap();
    SetZoomButtons(dlg);
    SetScaleText(dlg);
    // The first picture is drawn once the dialog is up and idle: a long one
    // must not keep it from showing, nor from hearing OK or Cancel.
    if (PrepareSourceImage() != 0 || !ResultOk()) SetResult(0);
    else RenderWhenIdle();
    SetResult(0);
    UpdatePreviewBitmap(gNavigator);
    return TRUE;
}

void DestroyDialog(HWND dlg) {
    for (int i = 1; i <= 6; ++i) UnregisterHotKey(dlg, i);
    DeleteBitmap(gHeaderLeft);
    DeleteBitmap(gHeaderRight);
    DeleteBitmap(gHeaderTile);
    FreeLayerBuffers();
    FreeLayersBackground();
    FreePathList();
    FreeNavigatorSource();
    DeleteBitmap(gTabHot);
    DeleteBitmap(gTabNormal);
    FreeBackgroundBitmap();
    gDialogFont = gEditFont = nullptr;
    DeleteFonts();
    FreeResultBuffer();
    SavePlacement(dlg);
    if (TabState* t = GetTabState()) {
        t->~TabState();
        LocalFree(t);
        SetWindowLongPtrA(dlg, GWLP_USERDATA, 0);
    }
    gPreviewPort = nullptr;
    gProgressPort = nullptr;
    gInputPort = nullptr;
    gProgressBar = nullptr;
    gPreviewStale = false;
    SetPreviewDialogCalls(PreviewDialogCalls{});
    SetHostColorPicker(nullptr);
    gPreview = gNavigator = nullptr;
    gPresetPanel = nullptr;
    gPresetPanelWidth = 0;
    gPageWidth = 0;
    StopDialogWorkers();
    gDialogOpen = false;
    gMainDialog = nullptr;
}

INT_PTR OnCommand(HWND dlg, int id, int code) {
    switch (id) {
        case IDOK: {
            HWND edit;
            if (FocusIsEdit(&edit) && code == 0) {
                PostMessageA(GetParent(GetParent(edit)), WM_NEXTDLGCTL, 0, 0);
                return TRUE;
            }
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDCANCEL: {
            HWND edit;
            if (FocusIsEdit(&edit)) {
                SendMessageA(GetParent(edit), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), kNotifyRestoreField),
                             reinterpret_cast<LPARAM>(edit));
                SetFocus(GetDlgItem(dlg, IDOK));
                return TRUE;
            }
            EndDialog(dlg, 2);
            return TRUE;
        }
        case IDC_ZOOM_IN: Zoom(dlg, ZoomCommand::In); return TRUE;
        case IDC_ZOOM_OUT: Zoom(dlg, ZoomCommand::Out); return TRUE;
        case IDC_ZOOM_FIT: Zoom(dlg, ZoomCommand::Fit); return TRUE;
        case IDC_ZOOM_ONE: Zoom(dlg, ZoomCommand::One); return TRUE;
        case IDC_PREVIEW:
            if (code == kNotifyPreviewMoved && gPreview) {
                if (GetCapture() == gPreview->wnd) RerenderPreview();
                else ZoomTail(dlg, false);
            }
            return TRUE;
        case IDC_NAVIGATOR:
            if (code == kNotifyPreviewMoved && gNavigator && gPreview && GetCapture() != gNavigator->wnd) {
                float f = gPreviewScale * gNavigator->navigatorScale;
                if (f == 0.0f) f = 1.0f;
                gPreview->viewX = gViewX = int(float(gNavigator->frameX) / f);
                gPreview->viewY = gViewY = int(float(gNavigator->frameY) / f);
                ZoomTail(dlg, false);
            }
            return TRUE;
        case IDC_RERENDER:
        case IDC_RERENDER_ALT:
            RenderIntoPreview();
            if (gPreview && gPreview->wnd) InvalidateRect(gPreview->wnd, nullptr, TRUE);
            return TRUE;
        case IDC_ABOUT_BUTTON:
            DialogBoxParamA(gUiInstance, MAKEINTRESOURCEA(kAboutDialog), dlg, AboutDlgProc, 0);
            return TRUE;
        case IDC_PRODUCT_BUTTON:
            OpenProductPage(dlg);
            return TRUE;
        case IDC_HELP_BUTTON:
            StartHelpThread(0, dlg);
            return TRUE;
        default:
            return TRUE;
    }
}

INT_PTR HandleMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            return InitDialog(dlg);
        case WM_COMMAND:
            return OnCommand(dlg, LOWORD(wp), HIWORD(wp));
        case WM_HOTKEY:
            switch (int(wp)) {
                case 1:
                    if (IsWindowEnabled(GetDlgItem(dlg, IDC_ZOOM_IN))) PostMessageA(dlg, WM_COMMAND, IDC_ZOOM_IN, 0);
                    break;
                case 2:
                    if (IsWindowEnabled(GetDlgItem(dlg, IDC_ZOOM_OUT))) PostMessageA(dlg, WM_COMMAND, IDC_ZOOM_OUT, 0);
                    break;
                case 3: PostMessageA(dlg, WM_COMMAND, IDC_ZOOM_FIT, 0); break;
                case 4: PostMessageA(dlg, WM_COMMAND, IDC_ZOOM_ONE, 0); break;
                case 5: OpenTabHelp(dlg); break;
                case 6: OpenProductPage(dlg); break;
                default: break;
            }
            return TRUE;
        case WM_HELP:
            OpenTabHelp(dlg);
            return TRUE;
        case WM_TIMER:
            if (wp == kIdleRenderTimer) {
                KillTimer(dlg, kIdleRenderTimer);
                if (gPreviewStale) RerenderPreview();
            } else if (wp == IDC_PRODUCT_BUTTON) {
                KillTimer(dlg, IDC_PRODUCT_BUTTON);
                if (HWND b = GetDlgItem(dlg, IDC_PRODUCT_BUTTON)) PostMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
            }
            return TRUE;
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED) return TRUE;
            LayoutDialog(dlg, LOWORD(lp), HIWORD(lp));
            return TRUE;
        case WM_EXITSIZEMOVE:
            if (PreviewSizeChanged(dlg)) ZoomTail(dlg, true);
            return TRUE;
        case WM_SYSCOMMAND: {
            const WPARAM c = wp & 0xFFF0;
            if (c == SC_MAXIMIZE || c == SC_RESTORE) PostMessageA(dlg, WM_EXITSIZEMOVE, 0, 0);
            else if (c == SC_CLOSE) PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            return FALSE;
        }
        case WM_GETMINMAXINFO: {
            dialog::Size s = dialog::MinimumDialogSize(gScreenDpi);
            // Never larger than the screen it is on: OK must stay reachable.
            MONITORINFO mi{};
            mi.cbSize = sizeof mi;
            if (GetMonitorInfoA(MonitorFromWindow(dlg, MONITOR_DEFAULTTONEAREST), &mi)) {
                s.width = std::min<int>(s.width, mi.rcWork.right - mi.rcWork.left);
                s.height = std::min<int>(s.height, mi.rcWork.bottom - mi.rcWork.top);
            }
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            mmi->ptMinTrackSize = POINT{s.width, s.height};
            return TRUE;
        }
        case WM_PAINT:
            PaintHeaderStrip(dlg);
            return TRUE;
        case WM_NOTIFY: {
            const auto* n = reinterpret_cast<const NMHDR*>(lp);
            if (n->idFrom == IDC_TABS && n->code == TCN_SELCHANGE) {
                ShowSelectedPage(dlg);
                // An unfinished render left nothing new to show.
                if (!gPreviewStale) BuildPreviewBitmap(gPreview, CurrentPreviewSource());
                Redraw(gPreview, false);
            } else if (n->idFrom == IDC_TABS && int(n->code) == -521) {
                MessageBeep(0xFFFFFFFF);
            }
            return TRUE;
        }
        case WM_DRAWITEM:
            if (wp == IDC_TABS) {
                DrawTab(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return TRUE;
            }
            return FALSE;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return DialogControlColour(msg, wp);
        case WM_DESTROY:
            DestroyDialog(dlg);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR DialogControlColour(UINT msg, WPARAM wp) { return AnswerControlColour(msg, wp); }

TabState* GetTabState() {
    return gMainDialog ? reinterpret_cast<TabState*>(GetWindowLongPtrA(gMainDialog, GWLP_USERDATA)) : nullptr;
}

void RerenderPreview() {
    RenderIntoPreview();
    Redraw(gPreview, false);
}

bool DocumentHasPath() { return gPathHead != nullptr; }

void InitModulePaths() {
    HMODULE module = static_cast<HMODULE>(gModule);
    gUiInstance = module;
    char path[MAX_PATH] = {};
    if (!GetModuleFileNameA(module, path, MAX_PATH)) return;
    const dialog::ModuleFolders f = dialog::FoldersFromModulePath(path);
    lstrcpynA(gModuleDir, f.moduleDir.c_str(), MAX_PATH);
    lstrcpynA(gPresetFolder, f.presetFolder.c_str(), MAX_PATH);
    lstrcpynA(gHelpFolder, f.helpFolder.c_str(), MAX_PATH);
}

bool DoUI() {
    if (!gFilterRecord || !gParams) return true;
    const auto* platform = static_cast<const pi::PlatformData*>(gFilterRecord->platformData);
    HWND parent = platform ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
    if (!gUiInstance) InitModulePaths();
    const dialog::ParameterSnapshot before = dialog::TakeSnapshot(*gParams);

    gFaceRed = gFaceGreen = gFaceBlue = 232;
    gBackBrush = CreateSolidBrush(kDialogGrey);
    INT_PTR end = -1;
    {
        detail::ModuleActivation scope;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        CreateLinkFonts();
        CreateMacStyleBtnFonts();
        RegisterWidgetClasses(gUiInstance);
        LoadWidgetCursors(gUiInstance);
        end = DialogBoxParamA(gUiInstance, IDD_MAIN_DIALOG, parent, DissolveProc, 0);
        ReleaseWidgetCursors();
        DestroyMacStyleBtnResources();
        DestroyLinkResources();
        UnregisterWidgetClasses(gUiInstance);
    }
    if (gBackBrush) DeleteObject(gBackBrush);
    gBackBrush = nullptr;
    // The pages write the record live: a cancelled dialog leaves it as it was.
    if (end != 1) dialog::RestoreSnapshot(*gParams, before);
    // The window placement survives in the ini file beside the module.
    if (end != -1) WriteIniFile();
    SetResult(0);
    return end == 1;
}

}  // namespace frostel

extern "C" INT_PTR CALLBACK DissolveProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return frostel::HandleMessage(dialog, msg, wp, lp);
    } catch (...) {
        return FALSE;
    }
}

#ifndef _WIN64
// The 32-bit module also exports the decorated name.
__asm__(".section .drectve\n\t.ascii \" -export:_DissolveProc@16=DissolveProc@16\"\n\t.text");
#endif
