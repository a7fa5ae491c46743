// Module entry of the Windows build: only remembers the instance handle.
#include <windows.h>

#include "Plugin.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    frostel::gModule = instance;
    return TRUE;
}
