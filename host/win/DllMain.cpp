// Module entry of the Windows build: remembers the instance handle, and
// hands the held host suites back when the host unloads the module.
#include <windows.h>

#include "Plugin.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    frostel::gModule = instance;
    // A null `reserved` means FreeLibrary: the host is still there. At
    // process exit it may already be gone, so nothing is called then.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) frostel::ReleaseSuiteHolders();
    return TRUE;
}
