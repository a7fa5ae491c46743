#include "Dialog.h"

#ifdef _WIN32
#include <windows.h>

#include "AboutBox.h"
#include "Plugin.h"
#endif

namespace frostel {

void DoAbout() {
#ifdef _WIN32
    HWND parent = nullptr;
    if (gAboutRecord && gAboutRecord->platformData)
        parent = reinterpret_cast<HWND>(static_cast<const pi::PlatformData*>(gAboutRecord->platformData)->hwnd);
    ShowAboutBox(parent);
#endif
}

}  // namespace frostel
