// The About box (dialog 128) and the message dialog (dialog 162).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace frostel {

// The About box of the about selector: sets up the widget resources it
// needs, shows the box and releases them; the workers it started get a
// short grace, then are cancelled and waited for (bounded).
void ShowAboutBox(HWND parent);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// The message dialog: icon kind 0 none, 1 warning, 2 error, other
// information. Returns the id it ended with (1 or 2), or -1 when it could
// not be shown.
enum : uint32_t { kMessageNoIcon = 0, kMessageWarning = 1, kMessageError = 2, kMessageInformation = 3 };
INT_PTR ShowMessageDialog(HWND parent, const char* text, uint32_t iconKind);

// The host as the update server knows it, read on the host's thread from
// the records of the selector that is running.
std::string CurrentHostToken();

}  // namespace frostel
