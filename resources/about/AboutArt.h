// The About box's logo and the font list's marks, drawn by program so that
// the committed files can be made again byte for byte.
#pragma once

#include <string>
#include <vector>

#include "BitmapFile.h"

namespace frostel::aboutart {

struct Art {
    std::string file;
    hostutil::RgbaImage image;
};

// "about-logo.bmp" (400 x 300) and "fontbmp.bmp" (32 x 15: the device-font
// mark at x 0, the TrueType mark at x 16, on white, drawn with SRCAND).
std::vector<Art> AboutBitmaps();

}  // namespace frostel::aboutart
