// The widget library's bitmaps, drawn by program so that the committed files
// can be made again byte for byte: the skinned push button's twelve parts,
// the direction dial's sphere texture, and the faces the widget rig's
// control buttons and panel show.
#pragma once

#include <string>
#include <vector>

#include "BitmapFile.h"

namespace frostel::widgetart {

struct Art {
    std::string file;  // file name, e.g. "macbtn-155.bmp"
    hostutil::RgbaImage image;
};

// The module's bitmaps (resources/widgets), the glass skins among them.
std::vector<Art> ModuleArt();
// The glass skins: the knob's face, its bead and marker sprites, each with a
// grey mask (white opaque), the glow's highlight and a dome relief.
std::vector<Art> GlassArt();
// The widget rig's faces (tests/widgets/win).
std::vector<Art> RigArt();

}  // namespace frostel::widgetart
