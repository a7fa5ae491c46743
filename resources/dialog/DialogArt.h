// The filter dialog's bitmaps, drawn by program so that the committed files
// can be made again byte for byte: the header strip (left part, tile, right
// part), the tab faces and the three picture buttons' faces.
#pragma once

#include <cstdint>
#include <vector>

#include "WidgetArt.h"

namespace frostel::dialogart {

std::vector<widgetart::Art> DialogArt();

// The module's cursor (resource 201, "cursor-201.cur"): the crosshair that
// the big preview shows while the right button places the emitter's centre.
// A .cur file with 32, 48 and 64 pixel images (32-bit with alpha and their
// masks), each with its hot spot at its centre, so that the system picks the
// size of its own cursors at any dpi.
constexpr const char* kCursorFile = "cursor-201.cur";
constexpr int kCursorSizes[3] = {32, 48, 64};
std::vector<uint8_t> PlaceCursorFile();

}  // namespace frostel::dialogart
