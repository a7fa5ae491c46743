// The About box (dialog template 16000): the text of string 16000 with ^0
// replaced by the module's file version, and two link items whose text is a
// web address opened on a click. OK, Cancel, Enter, Escape or a click
// elsewhere in the box closes it.
#pragma once

#include <windows.h>

namespace frostel::hostutil {

// Opens a web address; true on success.
using WebAddressOpener = bool (*)(const char* address);
void SetWebAddressOpener(WebAddressOpener opener);  // null restores the shell's

void ShowAboutBox(HWND parent, HINSTANCE module);

}  // namespace frostel::hostutil
