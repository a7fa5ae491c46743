// The two 16 x 14 glyphs of the preset lists' folder entries, drawn by
// program: a folder (148) and a folder with an arrow leading up (150).
#pragma once

#include "BitmapFile.h"

namespace frostel {

hostutil::RgbaImage FolderGlyph(bool up);

}  // namespace frostel
