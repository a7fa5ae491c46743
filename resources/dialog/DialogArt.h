// The filter dialog's bitmaps, drawn by program so that the committed files
// can be made again byte for byte: the header strip (left part, tile, right
// part), the tab faces and the three picture buttons' faces.
#pragma once

#include <vector>

#include "WidgetArt.h"

namespace frostel::dialogart {

std::vector<widgetart::Art> DialogArt();

}  // namespace frostel::dialogart
