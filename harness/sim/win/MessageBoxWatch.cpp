// Watches the calling thread for message boxes and for the plug-in's About
// box and message dialog: once one has set up its texts (after
// WM_INITDIALOG) they go to the host, and an OK click is posted to it. The
// system colour dialog is logged and cancelled.
// Works without a display, under Wine's null driver.
#include <windows.h>

#include <string>

#include "HostSim.h"
#include "MessageBoxWatch.h"

namespace frostel::hostsim {

namespace {

thread_local Host* tHost = nullptr;
thread_local HHOOK tHook = nullptr;

std::string WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthA(hwnd);
    std::string text(size_t(n) + 1, '\0');
    GetWindowTextA(hwnd, text.data(), n + 1);
    text.resize(size_t(std::max(n, 0)));
    return text;
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// A message box is a dialog of buttons and static texts only; its message
// is the static with text (the icon's static has none).
bool ReadMessageBox(HWND dialog, std::string& text) {
    if (ClassOf(dialog) != "#32770") return false;
    bool button = false, other = false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassOf(child);
        if (_stricmp(cls.c_str(), "Button") == 0) {
            button = true;
        } else if (_stricmp(cls.c_str(), "Static") == 0) {
            const std::string t = WindowText(child);
            if (!t.empty() && text.empty()) text = t;
        } else {
            other = true;
        }
    }
    return button && !other;
}

// The plug-in's own small dialogs: its About box (item 1033, the version
// line) and its message dialog (item 1142, the text). Both end with id 1.
// Static texts without an id (-1) are kept in their order.
bool ReadPluginDialog(HWND dialog, DialogShown& shown) {
    if (ClassOf(dialog) != "#32770" || !(GetDlgItem(dialog, 1033) || GetDlgItem(dialog, 1142))) return false;
    shown.caption = WindowText(dialog);
    if (HWND owner = GetWindow(dialog, GW_OWNER)) shown.owner = WindowText(owner);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id > 0 && id != 0xFFFF) shown.items[id] = WindowText(child);
        else if (const std::string t = WindowText(child); !t.empty()) shown.texts.push_back(t);
    }
    return true;
}

// The system's colour dialog: its red, green and blue fields.
bool IsColorDialog(HWND dialog) {
    return ClassOf(dialog) == "#32770" && GetDlgItem(dialog, 706) && GetDlgItem(dialog, 707) &&
           GetDlgItem(dialog, 708);
}

LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->message == WM_INITDIALOG && tHost) {
        std::string text;
        DialogShown dialog;
        if (ReadMessageBox(msg->hwnd, text)) {
            tHost->RecordMessageBox(WindowText(msg->hwnd), text);
            PostMessageA(msg->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else if (ReadPluginDialog(msg->hwnd, dialog)) {
            tHost->RecordDialog(dialog);
            PostMessageA(msg->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else if (IsColorDialog(msg->hwnd)) {
            // Logged and cancelled: no person is there to choose.
            tHost->log().Add("colorDialog", {{"caption", JsonString(WindowText(msg->hwnd))}});
            PostMessageA(msg->hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(tHook, code, wParam, lParam);
}

}  // namespace

MessageBoxWatch::MessageBoxWatch(Host& host) : previous_(tHost) {
    tHost = &host;
    if (!tHook) {
        tHook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
        hook_ = tHook;
    }
}

MessageBoxWatch::~MessageBoxWatch() {
    if (hook_) {
        UnhookWindowsHookEx(static_cast<HHOOK>(hook_));
        tHook = nullptr;
    }
    tHost = previous_;
}

}  // namespace frostel::hostsim
