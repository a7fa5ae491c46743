// Dialog-item utilities: visibility, enabling, text as length-prefixed
// strings, check boxes and radio groups, and centring a dialog.
#pragma once

#include "HostInterface.h"

#include <windows.h>

namespace frostel::hostutil {

void ShowItem(HWND dlg, int item);
void HideItem(HWND dlg, int item);
void EnableItem(HWND dlg, int item);
void DisableItem(HWND dlg, int item);

// Selects all text of an edit item.
void SelectAllText(HWND dlg, int item);
// Makes the button the dialog's default push button.
void SetDefaultButton(HWND dlg, int item);
// Flips a check box; returns the new state.
bool ToggleCheckBox(HWND dlg, int item);
// The first checked button of first..last, or -1.
int FirstCheckedButton(HWND dlg, int first, int last);

// Item text, cut to 255 characters.
void GetItemPStr(HWND dlg, int item, pi::Str255& text);
void SetItemPStr(HWND dlg, int item, const pi::Str255& text);

// Centres the dialog over its parent (or the desktop when it has none or the
// parent is hidden or minimised) and keeps it inside the monitor's work area.
void CenterDialog(HWND dlg);

}  // namespace frostel::hostutil
