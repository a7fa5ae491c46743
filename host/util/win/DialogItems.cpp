#include "win/DialogItems.h"

#include "PascalString.h"
#include "RectMath.h"

namespace frostel::hostutil {

void ShowItem(HWND dlg, int item) { ShowWindow(GetDlgItem(dlg, item), SW_SHOW); }
void HideItem(HWND dlg, int item) { ShowWindow(GetDlgItem(dlg, item), SW_HIDE); }
void EnableItem(HWND dlg, int item) { EnableWindow(GetDlgItem(dlg, item), TRUE); }
void DisableItem(HWND dlg, int item) { EnableWindow(GetDlgItem(dlg, item), FALSE); }

void SelectAllText(HWND dlg, int item) { SendDlgItemMessageA(dlg, item, EM_SETSEL, 0, -1); }

void SetDefaultButton(HWND dlg, int item) {
    SendMessageA(dlg, DM_SETDEFID, WPARAM(item), 0);
    SendDlgItemMessageA(dlg, item, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

bool ToggleCheckBox(HWND dlg, int item) {
    bool checked = IsDlgButtonChecked(dlg, item) != BST_CHECKED;
    CheckDlgButton(dlg, item, checked ? BST_CHECKED : BST_UNCHECKED);
    return checked;
}

int FirstCheckedButton(HWND dlg, int first, int last) {
    for (int id = first; id <= last; ++id)
        if (IsDlgButtonChecked(dlg, id) == BST_CHECKED) return id;
    return -1;
}

void GetItemPStr(HWND dlg, int item, pi::Str255& text) {
    char buf[kPStrMax + 1] = {};
    GetDlgItemTextA(dlg, item, buf, sizeof buf);
    CToPStr(buf, text);
}

void SetItemPStr(HWND dlg, int item, const pi::Str255& text) {
    char buf[kPStrMax + 1];
    PToCStr(text, buf, sizeof buf);
    SetDlgItemTextA(dlg, item, buf);
}

namespace {
pi::VRect ToVRect(const RECT& r) { return pi::VRect{r.top, r.left, r.bottom, r.right}; }
}  // namespace

void CenterDialog(HWND dlg) {
    RECT win;
    if (!GetWindowRect(dlg, &win)) return;
    HWND parent = GetParent(dlg);
    RECT over;
    if (!parent || !IsWindowVisible(parent) || IsIconic(parent) || !GetWindowRect(parent, &over))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &over, 0);

    RECT screen = over;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(MonitorFromRect(&over, MONITOR_DEFAULTTONEAREST), &mi))
        screen = mi.rcWork;

    pi::VPoint at = CenterOver(ToVRect(win), ToVRect(over), ToVRect(screen));
    SetWindowPos(dlg, nullptr, at.h, at.v, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace frostel::hostutil
