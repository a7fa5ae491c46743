// Warnings about host services the module needs but the host lacks.
#pragma once

#include "HostCallbacks.h"

#include <windows.h>

namespace frostel::hostutil {

// True when the service is available. Otherwise shows the version warning
// (the host is too old, or its table is newer than this module knows) with
// the interface version that brought the service, and returns false.
bool WarnIfServiceMissing(HWND owner, HINSTANCE module, const pi::FilterRecord* record,
                          HostService service);

}  // namespace frostel::hostutil
