#include "ColorModel.h"

namespace frostel::hostutil {

namespace {
constexpr int kRgbMax = 255;
int Clamp(int v) { return v < 0 ? 0 : (v > kHlsMax ? kHlsMax : v); }
unsigned char ToRgb(int level) {
    return static_cast<unsigned char>((level * kRgbMax + kHlsMax / 2) / kHlsMax);
}
}  // namespace

int HueToComponent(int n1, int n2, int hue) {
    if (hue < 0) hue += kHlsMax;
    if (hue > kHlsMax) hue -= kHlsMax;
    // Rising over the first sixth, flat to one half, falling to two thirds.
    if (hue < kHlsMax / 6) return n1 + ((n2 - n1) * hue + kHlsMax / 12) / (kHlsMax / 6);
    if (hue < kHlsMax / 2) return n2;
    if (hue < kHlsMax * 2 / 3)
        return n1 + ((n2 - n1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6);
    return n1;
}

Rgb8 HlsToRgb(int hue, int lum, int sat) {
    hue = Clamp(hue);
    lum = Clamp(lum);
    sat = Clamp(sat);
    if (sat == 0) {
        auto grey = static_cast<unsigned char>(lum * kRgbMax / kHlsMax);
        return Rgb8{grey, grey, grey};
    }
    int magic2 = lum <= kHlsMax / 2 ? (lum * (kHlsMax + sat) + kHlsMax / 2) / kHlsMax
                                    : lum + sat - (lum * sat + kHlsMax / 2) / kHlsMax;
    int magic1 = 2 * lum - magic2;
    return Rgb8{ToRgb(HueToComponent(magic1, magic2, hue + kHlsMax / 3)),
                ToRgb(HueToComponent(magic1, magic2, hue)),
                ToRgb(HueToComponent(magic1, magic2, hue - kHlsMax / 3))};
}

}  // namespace frostel::hostutil
