#include "ColorModels.h"

#include "ColorModel.h"

#include <algorithm>
#include <cmath>

namespace frostel {

namespace {

// The thirds of the hue circle as single-precision constants widened to
// double, so that hue boundaries fall where the float tables put them.
constexpr double kThird = static_cast<double>(1.0f / 3.0f);
constexpr double kTwoThirds = static_cast<double>(2.0f / 3.0f);

double HueChannel(double p, double q, double t) {
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    if (t < 1.0 / 6.0) return p + (q - p) * 6.0 * t;
    if (t < 0.5) return q;
    if (t < kTwoThirds) return p + (q - p) * (kTwoThirds - t) * 6.0;
    return p;
}

uint8_t TruncByte(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

}  // namespace

Rgb HslDoubleToRgb(double h, double s, double l) {
    if (s == 0.0) {
        const uint8_t grey = TruncByte(l * 255.0);
        return Rgb{grey, grey, grey};
    }
    const double q = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double p = 2.0 * l - q;
    return Rgb{TruncByte(HueChannel(p, q, h + kThird) * 255.0),
               TruncByte(HueChannel(p, q, h) * 255.0),
               TruncByte(HueChannel(p, q, h - kThird) * 255.0)};
}

HslDouble RgbToHslDouble(Rgb c) {
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    HslDouble out{0.0, 0.0, (mx + mn) / 2.0};
    const double delta = mx - mn;
    if (delta == 0.0) return out;
    out.s = out.l < 0.5 ? delta / (mx + mn) : delta / (2.0 - mx - mn);
    double h;
    if (r == mx)
        h = (g - b) / delta;
    else if (g == mx)
        h = 2.0 + (b - r) / delta;
    else
        h = 4.0 + (r - g) / delta;
    h /= 6.0;
    if (h < 0.0) h += 1.0;
    out.h = h;
    return out;
}

Hls RgbToHls(Rgb c) {
    constexpr int kHls = hostutil::kHlsMax;
    constexpr int kRgb = 255;
    const int r = c.r, g = c.g, b = c.b;
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    Hls out{};
    out.l = ((mx + mn) * kHls + kRgb) / (2 * kRgb);
    if (mx == mn) {
        out.s = 0;
        out.h = kHls * 2 / 3;
        return out;
    }
    const int delta = mx - mn;
    if (out.l <= kHls / 2)
        out.s = (delta * kHls + (mx + mn) / 2) / (mx + mn);
    else
        out.s = (delta * kHls + (2 * kRgb - mx - mn) / 2) / (2 * kRgb - mx - mn);
    // Distance of each channel from the largest, in sixths of the circle.
    const int rd = ((mx - r) * (kHls / 6) + delta / 2) / delta;
    const int gd = ((mx - g) * (kHls / 6) + delta / 2) / delta;
    const int bd = ((mx - b) * (kHls / 6) + delta / 2) / delta;
    int h;
    if (r == mx)
        h = bd - gd;
    else if (g == mx)
        h = kHls / 3 + rd - bd;
    else
        h = kHls * 2 / 3 + gd - rd;
    if (h < 0) h += kHls;
    if (h > kHls) h -= kHls;
    out.h = h;
    return out;
}

Cmyk RgbToCmyk(Rgb c) {
    Cmyk out{static_cast<uint8_t>(255 - c.r), static_cast<uint8_t>(255 - c.g),
             static_cast<uint8_t>(255 - c.b), 0};
    out.k = std::min({out.c, out.m, out.y});
    if (out.k >= 1) {
        out.c = static_cast<uint8_t>(out.c - out.k);
        out.m = static_cast<uint8_t>(out.m - out.k);
        out.y = static_cast<uint8_t>(out.y - out.k);
    }
    return out;
}

Rgbe FloatToRgbe(float r, float g, float b) {
    const float v = std::max({r, g, b});
    // Not-a-number and tiny colours alike give the black code.
    if (!(v >= 1e-32f)) return Rgbe{0, 0, 0, 0};
    int e = 0;
    const float scale = std::frexp(v, &e) * 256.0f / v;
    auto mantissa = [scale](float x) {
        return static_cast<uint8_t>(std::clamp(x * scale, 0.0f, 255.0f));
    };
    return Rgbe{mantissa(r), mantissa(g), mantissa(b), static_cast<uint8_t>(std::clamp(e + 128, 0, 255))};
}

Hsv RgbToHsv(Rgb c) {
    const int r = c.r, g = c.g, b = c.b;
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    const int delta = mx - mn;
    Hsv out{0, 0, static_cast<uint8_t>(mx)};
    if (mx == 0 || delta == 0) return out;
    out.s = static_cast<uint8_t>(delta * 255.0f / mx + 0.5f);
    float h;
    if (r == mx)
        h = 42.5f * (g - b) / delta;
    else if (g == mx)
        h = 85.0f + 42.5f * (b - r) / delta;
    else
        h = 170.0f + 42.5f * (r - g) / delta;
    if (h < 0.0f) h += 255.0f;
    int hue = static_cast<int>(h + 0.5f);
    if (hue >= 255) hue -= 255;  // 255 is 0 again around the circle
    out.h = static_cast<uint8_t>(hue);
    return out;
}

Rgb HsvToRgb(Hsv c) {
    const int v = c.v, s = c.s;
    if (s == 0) return Rgb{c.v, c.v, c.v};
    const float sector = c.h / 42.5f;
    const int i = std::min(static_cast<int>(sector), 5);
    const float f = sector - static_cast<float>(i);
    // Products of two 0..255 values scaled back with rounding at 127.5.
    auto level = [v](float x) { return static_cast<uint8_t>((v * x + 127.5f) / 255.0f); };
    const uint8_t p = level(255.0f - s);
    const uint8_t q = level(255.0f - s * f);
    const uint8_t t = level(255.0f - s * (1.0f - f));
    const uint8_t vv = c.v;
    switch (i) {
        case 0: return Rgb{vv, t, p};
        case 1: return Rgb{q, vv, p};
        case 2: return Rgb{p, vv, t};
        case 3: return Rgb{p, q, vv};
        case 4: return Rgb{t, p, vv};
        default: return Rgb{vv, p, q};
    }
}

}  // namespace frostel
