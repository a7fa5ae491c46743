// Binding the renderer from its own library file.
#include <windows.h>

#include <string>

#include "PointTransforms.h"

namespace frostel {

void* gEngineLibrary = nullptr;
RasterSceneFn gEngineRasterScene = nullptr;

bool LoadEngineLibrary(const char* folder) {
    const std::string path = std::string(folder ? folder : "") + "Quorlith.dll";
    HMODULE module = LoadLibraryA(path.c_str());
    gEngineLibrary = module;
    gEngineRasterScene =
        module ? reinterpret_cast<RasterSceneFn>(reinterpret_cast<void*>(GetProcAddress(module, "__RasterScene")))
               : nullptr;
    return gEngineRasterScene != nullptr;
}

}  // namespace frostel
