// The main of a bitmap generator: writes each picture of a list as a BMP
// into a folder, and optionally a PNG copy into a second one for looking at.
// The list's entries have `file` ("name.bmp") and `image` (32-bit pixels).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "BitmapFile.h"
#include "ImageIO.h"

namespace frostel {

template <typename ArtList>
int WriteArtFiles(const ArtList& art, int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <dir> [png dir]\n", argv[0]);
        return 2;
    }
    for (const auto& a : art) {
        const std::string path = std::string(argv[1]) + "/" + a.file;
        if (hostutil::WriteBmpFile(path.c_str(), a.image.pixels.data(), a.image.width, a.image.height,
                                   size_t(a.image.width) * 4) != hostutil::BmpError::None) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        if (argc < 3) continue;
        hostsim::Image8 img{a.image.width, a.image.height, 4, a.image.pixels};
        std::vector<uint8_t> png;
        std::string error;
        const std::string pngPath = std::string(argv[2]) + "/" + a.file.substr(0, a.file.size() - 4) + ".png";
        if (!hostsim::EncodePng(img, png, error) || !hostsim::WriteFileBytes(pngPath, png)) {
            std::fprintf(stderr, "cannot write %s\n", pngPath.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace frostel
