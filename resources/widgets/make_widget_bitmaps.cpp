// Writes the widget bitmaps: frostel_make_widget_bitmaps <module dir> <rig dir> [png dir]
// The optional PNG copies are for looking at them.
#include <cstdio>
#include <string>

#include "ImageIO.h"
#include "WidgetArt.h"

using namespace frostel;

namespace {
bool Write(const std::vector<widgetart::Art>& art, const std::string& dir, const char* pngDir) {
    for (const auto& a : art) {
        const std::string path = dir + "/" + a.file;
        if (hostutil::WriteBmpFile(path.c_str(), a.image.pixels.data(), a.image.width, a.image.height,
                                   size_t(a.image.width) * 4) != hostutil::BmpError::None) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
        if (!pngDir) continue;
        hostsim::Image8 img{a.image.width, a.image.height, 4, a.image.pixels};
        std::vector<uint8_t> png;
        std::string error;
        std::string pngPath = std::string(pngDir) + "/" + a.file.substr(0, a.file.size() - 4) + ".png";
        if (!hostsim::EncodePng(img, png, error) || !hostsim::WriteFileBytes(pngPath, png)) {
            std::fprintf(stderr, "cannot write %s\n", pngPath.c_str());
            return false;
        }
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <module dir> <rig dir> [png dir]\n", argv[0]);
        return 2;
    }
    const char* png = argc > 3 ? argv[3] : nullptr;
    return Write(widgetart::ModuleArt(), argv[1], png) && Write(widgetart::RigArt(), argv[2], png) ? 0 : 1;
}
