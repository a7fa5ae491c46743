// The module's own file version from its version resource.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace frostel::hostutil {

// False when the module has no readable version resource.
bool GetModuleFileVersion(HINSTANCE module, uint16_t parts[4]);
// "1.0", "1.2.3"; empty without a version resource.
std::string ModuleVersionText(HINSTANCE module);

}  // namespace frostel::hostutil
