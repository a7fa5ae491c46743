#include "AboutBox.h"

#include <commctrl.h>

#include <new>

#include "AboutIds.h"
#include "AboutText.h"
#include "Plugin.h"
#include "Scripting.h"
#include "UpdateCheck.h"
#include "WidgetInternal.h"
#include "Widgets.h"
#include "Workers.h"

namespace frostel {

namespace w = widgets;

namespace {

constexpr COLORREF kErrorTextColor = 0x323296;

// The dialogs' brush: the one already made (by the main dialog) or our own
// for the time of one box.
class DialogBrushScope {
public:
    DialogBrushScope() {
        if (!w::gBackBrush) own_ = w::gBackBrush = CreateSolidBrush(w::kDialogGrey);
    }
    ~DialogBrushScope() {
        if (own_) {
            w::gBackBrush = nullptr;
            DeleteObject(own_);
        }
    }
    DialogBrushScope(const DialogBrushScope&) = delete;
    DialogBrushScope& operator=(const DialogBrushScope&) = delete;

private:
    HBRUSH own_ = nullptr;
};

// The push button's and the link's fonts, bitmaps and classes.
class WidgetResourcesScope {
public:
    explicit WidgetResourcesScope(bool link) : link_(link) {
        if (!w::gUiInstance) w::gUiInstance = ThisModuleInstance();
        w::CreateMacStyleBtnFonts();
        if (link_) w::CreateLinkFonts();
    }
    ~WidgetResourcesScope() {
        if (link_) w::DestroyLinkResources();
        w::DestroyMacStyleBtnResources();
    }
    WidgetResourcesScope(const WidgetResourcesScope&) = delete;
    WidgetResourcesScope& operator=(const WidgetResourcesScope&) = delete;

private:
    bool link_;
};

struct AboutState {
    HBITMAP logo = nullptr;
    RECT logoRect{};
    ~AboutState() {
        if (logo) DeleteObject(logo);
    }
};

INT_PTR ColorAnswer(UINT msg, WPARAM wp, COLORREF text) {
    if (msg == WM_CTLCOLORSTATIC) {
        SetTextColor(reinterpret_cast<HDC>(wp), text);
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
    }
    return reinterpret_cast<INT_PTR>(w::gBackBrush);
}

void InitAbout(HWND dialog, AboutState& state) {
    HDC dc = GetDC(dialog);
    if (dc) {
        w::gScreenDpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(dialog, dc);
    }
    state.logo = LoadBitmapA(ThisModuleInstance(), MAKEINTRESOURCEA(IDB_ABOUT_LOGO));
    RECT client{};
    GetClientRect(dialog, &client);
    int areaHeight = client.bottom;
    if (HWND frame = GetDlgItem(dialog, IDC_ABOUT_LOGO_FRAME)) {
        RECT r{};
        GetWindowRect(frame, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        areaHeight = r.top;
    }
    const LogoRect logo = PlaceLogo(w::gScreenDpi, client.right, areaHeight);
    state.logoRect = {logo.x, logo.y, logo.x + logo.width, logo.y + logo.height};

    static const std::string site = MakerSiteName();
    w::SetupContainerLink(dialog, IDC_ABOUT_LINK, site.c_str(), true, true);
    w::SetupMacStyleBtn(dialog, IDCANCEL, "Close", true);
    w::SetupMacStyleBtn(dialog, IDC_ABOUT_UPDATES, "Get Updates", false);
    w::AddToolTip(GetDlgItem(dialog, IDC_ABOUT_LINK), "Visit author site and look at other plug-ins", nullptr);
    w::AddToolTip(GetDlgItem(dialog, IDCANCEL), "Close window", nullptr);
    w::AddToolTip(GetDlgItem(dialog, IDC_ABOUT_UPDATES), "Go to site and check freshest version of this software",
                  nullptr);

    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, AboutVersionText(), -1, wide, 64);
    SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, wide);
}

void PaintAbout(HWND dialog, const AboutState& state) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    if (dc && state.logo) {
        HDC mem = CreateCompatibleDC(dc);
        if (mem) {
            HGDIOBJ old = SelectObject(mem, state.logo);
            SetStretchBltMode(dc, HALFTONE);
            const RECT& r = state.logoRect;
            StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, 400, 300, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
    }
    EndPaint(dialog, &ps);
}

struct MessageCall {
    const char* text;
    uint32_t iconKind;
};

INT_PTR CALLBACK MessageDlgProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            const auto* call = reinterpret_cast<const MessageCall*>(lp);
            SetWindowLongPtrA(dialog, DWLP_USER, LONG_PTR(call ? call->iconKind : 0));
            w::SetupMacStyleBtn(dialog, IDOK, "Close", true);
            SetDlgItemTextA(dialog, IDC_MESSAGE_TEXT, call && call->text ? call->text : "");
            LPCSTR icon = nullptr;
            if (call && call->iconKind == kMessageWarning) icon = IDI_WARNING;
            else if (call && call->iconKind == kMessageError) icon = IDI_ERROR;
            else if (call && call->iconKind != kMessageNoIcon) icon = IDI_INFORMATION;
            if (icon)
                SendDlgItemMessageA(dialog, IDC_MESSAGE_ICON, STM_SETICON,
                                    reinterpret_cast<WPARAM>(LoadIconA(nullptr, icon)), 0);
            w::AddToolTip(GetDlgItem(dialog, IDOK), "Close message", nullptr);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dialog, LOWORD(wp));
            return TRUE;
        case WM_HELP:
            StartHelpThread(kHelpTopicMain, dialog);
            return TRUE;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC: {
            const bool error = GetWindowLongPtrA(dialog, DWLP_USER) == kMessageError;
            return ColorAnswer(msg, wp, error ? kErrorTextColor : w::kStaticTextColor);
        }
        default:
            return FALSE;
    }
}

}  // namespace

std::string CurrentHostToken() {
    // During the about selector there is no filter record: only the basic
    // suite of the about record can tell who the host is.
    const bool suites = gFilterRecord ? gActionSuitesPresent : HasActionDescriptorSuites();
    if (suites) return HostTokenFromVersion(GetHostVersion());
    return HostTokenFromSignature(gFilterRecord ? gFilterRecord->hostSig : 0);
}

bool StartUpdateCheck() { return StartUpdateCheckWithToken(CurrentHostToken()); }

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            state = new (std::nothrow) AboutState();
            SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            if (state) InitAbout(dialog, *state);
            return TRUE;
        }
        case WM_PAINT:
            if (!state) return FALSE;
            PaintAbout(dialog, *state);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDOK:
                case IDCANCEL:
                    if (HIWORD(wp) == 0) EndDialog(dialog, LOWORD(wp));
                    return TRUE;
                case IDC_ABOUT_UPDATES:
                    OpenUpdatesPage(dialog);
                    StartUpdateCheck();
                    return TRUE;
                case IDC_ABOUT_LINK:
                    ShellOpenAsync(MakerSiteUrl().c_str(), dialog);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            return ColorAnswer(msg, wp, w::kStaticTextColor);
        case WM_DESTROY:
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            delete state;
            return TRUE;
        default:
            return FALSE;
    }
}

void ShowAboutBox(HWND parent) {
    w::gUiInstance = ThisModuleInstance();
    w::gFaceRed = w::gFaceGreen = w::gFaceBlue = 232;
    {
        DialogBrushScope brush;
        WidgetResourcesScope resources(true);
        w::detail::ModuleActivation activation;
        DialogBoxParamA(w::gUiInstance, MAKEINTRESOURCEA(IDD_ABOUT), parent, AboutDlgProc, 0);
    }
    // Threads started here must not outlive the host's call: a running check
    // gets a moment to finish, then is cancelled.
    StopDialogWorkers(2000, 1000);
}

INT_PTR ShowMessageDialog(HWND parent, const char* text, uint32_t iconKind) {
    if (!w::gUiInstance) w::gUiInstance = ThisModuleInstance();
    DialogBrushScope brush;
    WidgetResourcesScope resources(false);
    w::detail::ModuleActivation activation;
    MessageCall call{text, iconKind};
    return DialogBoxParamA(w::gUiInstance, MAKEINTRESOURCEA(IDD_MESSAGE), parent, MessageDlgProc,
                           reinterpret_cast<LPARAM>(&call));
}

}  // namespace frostel
