// Writes the bump texture's bitmap resource: frostel_make_bump_bitmap <file.bmp>
// The height is the red channel; green and blue carry it too, so the file
// reads as the grey height map it is.
#include <cstdio>
#include <vector>

#include "BitmapFile.h"
#include "BumpMap.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.bmp>\n", argv[0]);
        return 2;
    }
    uint8_t heights[frostel::kBumpSize * frostel::kBumpSize];
    frostel::GenerateBumpHeights(heights);
    std::vector<uint8_t> rgba(sizeof heights * 4);
    for (size_t i = 0; i < sizeof heights; ++i) {
        rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = heights[i];
        rgba[4 * i + 3] = 255;
    }
    const auto err = frostel::hostutil::WriteBmpFile(argv[1], rgba.data(), frostel::kBumpSize, frostel::kBumpSize,
                                                     size_t(frostel::kBumpSize) * 4);
    if (err != frostel::hostutil::BmpError::None) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], frostel::hostutil::BmpErrorText(err));
        return 1;
    }
    return 0;
}
