// Colour-model conversions of the image toolbox. The inverse of RgbToHls
// (HLS on the 0..240 scale back to RGB) is the host utility layer's
// hostutil::HlsToRgb.
#pragma once

#include <cstdint>

namespace frostel {

struct Rgb {
    uint8_t r, g, b;
};

// HSL as doubles 0..1. Saturation 0 gives grey L * 255; channels are
// truncated.
Rgb HslDoubleToRgb(double h, double s, double l);
struct HslDouble {
    double h, s, l;
};
HslDouble RgbToHslDouble(Rgb c);

// HLS on the 0..240 scale in integer arithmetic; grey gives saturation 0
// and the undefined hue 160.
struct Hls {
    int h, l, s;
};
Hls RgbToHls(Rgb c);

// Cyan, magenta and yellow are the complements; black is taken out of them.
struct Cmyk {
    uint8_t c, m, y, k;
};
Cmyk RgbToCmyk(Rgb c);

// Shared-exponent form: three 8-bit mantissas and an exponent + 128; a
// colour whose largest component is below 1e-32 is all zeros.
struct Rgbe {
    uint8_t r, g, b, e;
};
Rgbe FloatToRgbe(float r, float g, float b);

// HSV with all three components on 0..255 (hue sectors of 42.5).
struct Hsv {
    uint8_t h, s, v;
};
Hsv RgbToHsv(Rgb c);
Rgb HsvToRgb(Hsv c);

}  // namespace frostel
