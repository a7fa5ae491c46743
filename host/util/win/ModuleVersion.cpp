#include "win/ModuleVersion.h"

#include "HostIdentity.h"

namespace frostel::hostutil {

bool GetModuleFileVersion(HINSTANCE module, uint16_t parts[4]) {
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    if (!res) return false;
    HGLOBAL loaded = LoadResource(module, res);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data && ParseFixedFileVersion(data, SizeofResource(module, res), parts);
}

std::string ModuleVersionText(HINSTANCE module) {
    uint16_t parts[4];
    return GetModuleFileVersion(module, parts) ? VersionText(parts) : std::string();
}

}  // namespace frostel::hostutil
