#include "Dialog.h"

#include <string>

#include "Plugin.h"
#include "PresetFiles.h"
#include "PresetFormat.h"

namespace frostel {

namespace {

std::string IniPath() {
    const std::string dir = ModuleFolder();
    return dir.empty() ? std::string() : dir + kIniFileName;
}

}  // namespace

void ReadIniFile() {
    if (gParams == nullptr) return;
    const std::string path = IniPath();
    if (!path.empty()) ReadIniFileAt(path, *gParams);
}

bool WriteIniFile() {
    if (gParams == nullptr) return false;
    const std::string path = IniPath();
    return !path.empty() && WriteIniFileAt(path, *gParams);
}

}  // namespace frostel
