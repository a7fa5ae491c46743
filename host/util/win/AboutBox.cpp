#include "win/AboutBox.h"

#include "NumberText.h"
#include "win/DialogItems.h"
#include "win/HostUtilIds.h"
#include "win/ModuleVersion.h"
#include "win/ResourceHandles.h"

#include <shellapi.h>

#include <string>

namespace frostel::hostutil {

namespace {

// The host's file-list suite, which could open the address in the host's
// browser, is not served here; the shell opens it instead.
bool ShellOpen(const char* address) {
    auto r = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL));
    return r > 32;
}
WebAddressOpener gOpener = ShellOpen;

void OpenLink(HWND dlg, int item) {
    char address[1024] = {};
    if (GetDlgItemTextA(dlg, item, address, sizeof address) > 0) gOpener(address);
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            auto module = reinterpret_cast<HINSTANCE>(lp);
            std::string version = ModuleVersionText(module);
            std::string text = ReplaceCaretArgs(LoadStringText(module, IDS_HOSTUTIL_ABOUT), version.c_str());
            SetDlgItemTextA(dlg, IDC_ABOUT_TEXT, text.c_str());
            CenterDialog(dlg);
            return TRUE;
        }
        case WM_COMMAND: {
            int id = LOWORD(wp);
            if (id == IDOK || id == IDCANCEL) {
                EndDialog(dlg, id);
                return TRUE;
            }
            if ((id == IDC_ABOUT_LINK1 || id == IDC_ABOUT_LINK2) && HIWORD(wp) == STN_CLICKED) {
                OpenLink(dlg, id);
                return TRUE;
            }
            break;
        }
        case WM_SETCURSOR:
            // A hand over the links tells the user they can be clicked.
            if (HWND(wp) == GetDlgItem(dlg, IDC_ABOUT_LINK1) || HWND(wp) == GetDlgItem(dlg, IDC_ABOUT_LINK2)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            EndDialog(dlg, IDOK);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void SetWebAddressOpener(WebAddressOpener opener) { gOpener = opener ? opener : ShellOpen; }

void ShowAboutBox(HWND parent, HINSTANCE module) {
    DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_HOSTUTIL_ABOUT), parent, AboutProc,
                    reinterpret_cast<LPARAM>(module));
}

}  // namespace frostel::hostutil
