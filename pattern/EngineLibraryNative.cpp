// Binding the renderer from its own library file, for the native build.
#include <dlfcn.h>

#include <string>

#include "PointTransforms.h"

namespace frostel {

void* gEngineLibrary = nullptr;
RasterSceneFn gEngineRasterScene = nullptr;

bool LoadEngineLibrary(const char* folder) {
    const std::string path = std::string(folder ? folder : "") + "Quorlith.dll";
    gEngineLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    gEngineRasterScene = gEngineLibrary ? reinterpret_cast<RasterSceneFn>(dlsym(gEngineLibrary, "__RasterScene"))
                                        : nullptr;
    return gEngineRasterScene != nullptr;
}

}  // namespace frostel
