#include "AboutText.h"

#include <cstdint>

namespace frostel {

const char* HelpPageFile(int topic) {
    switch (topic) {
        case kHelpTopicParameters: return "frosteldoc_parameter.html";
        case kHelpTopicGeometry: return "frosteldoc_geometry.html";
        case kHelpTopicMaterial: return "frosteldoc_material.html";
        default: return "frosteldoc.html";
    }
}

std::string HelpFolderOf(const std::string& modulePath) {
    const size_t cut = modulePath.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? std::string() : modulePath.substr(0, cut + 1);
    return folder + "Frostel\\Help\\";
}

#if UINTPTR_MAX > 0xFFFFFFFFu
const char* AboutVersionText() { return FROSTEL_PLUGIN_VERSION " (64 Bit)"; }
#else
const char* AboutVersionText() { return FROSTEL_PLUGIN_VERSION; }
#endif

LogoRect PlaceLogo(int dpi, int clientWidth, int areaHeight) {
    int width = int(400.0 * dpi / 96.0);
    int height = int(300.0 * dpi / 96.0);
    const bool fits = height < areaHeight;
    if (!fits) {
        height = areaHeight - 1;
        width = int(height * 1.3333334f);
    }
    if (width > clientWidth) {
        width = clientWidth;
        height = int(width * 0.75f);
    }
    const int x = clientWidth - width > 0 ? (clientWidth - width) / 2 : 0;
    const int y = fits ? (areaHeight - height) / 2 : areaHeight - height;
    return {x, y, width, height};
}

}  // namespace frostel
