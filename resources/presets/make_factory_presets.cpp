// Writes the factory presets into a Basic folder and the preset lists'
// folder glyphs into a bitmap folder:
//   frostel_make_factory_presets resources/presets/Basic resources/presets
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "FactoryPresets.h"
#include "FolderArt.h"
#include "PresetFiles.h"

namespace {

bool MakeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        struct stat st {};
        if (stat(part.c_str(), &st) == 0) continue;
        if (mkdir(part.c_str(), 0755) != 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: frostel_make_factory_presets <Basic folder> <bitmap folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    for (const frostel::FactoryPreset& preset : frostel::FactoryPresets()) {
        const std::string path = root + "/" + preset.path;
        if (!MakeFolders(path.substr(0, path.rfind('/'))) || !frostel::SavePresetFile(path, preset.parameters)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    for (const bool up : {false, true}) {
        const frostel::hostutil::RgbaImage img = frostel::FolderGlyph(up);
        const std::string path = std::string(argv[2]) + (up ? "/folder-150.bmp" : "/folder-148.bmp");
        if (frostel::hostutil::WriteBmpFile(path.c_str(), img.pixels.data(), img.width, img.height,
                                            size_t(img.width) * 4) != frostel::hostutil::BmpError::None) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
