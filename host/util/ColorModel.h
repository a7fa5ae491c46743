// Colour models: HLS with components 0..240 (the scale of the system colour
// dialog) to 8-bit RGB.
#pragma once

namespace frostel::hostutil {

constexpr int kHlsMax = 240;

struct Rgb8 { unsigned char r, g, b; };

// One hue sector step: the component value between the two magic levels
// n1 and n2 for a hue (wrapped into 0..240).
int HueToComponent(int n1, int n2, int hue);

// Components outside 0..240 are clamped. Saturation 0 gives grey.
Rgb8 HlsToRgb(int hue, int lum, int sat);

}  // namespace frostel::hostutil
