#include <windows.h>

#include "Dialog.h"

namespace frostel {

std::string ModuleFolder() {
    // The module that holds this code, whatever loaded it.
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleFolder), &module))
        return {};
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH + 1);
    // A path cut at the buffer's end is no path: refuse it rather than use a stem.
    if (n == 0 || n > MAX_PATH) return {};
    std::string folder(path, n);
    const size_t slash = folder.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    folder.resize(slash + 1);
    return folder;
}

}  // namespace frostel
