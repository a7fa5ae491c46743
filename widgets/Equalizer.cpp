#include "Equalizer.h"

#include <algorithm>
#include <cmath>

namespace frostel::widgets {

namespace {
uint8_t Byte(double v) { return uint8_t(std::clamp(std::floor(v + 0.5), 0.0, 255.0)); }
Rgb Lerp(Rgb a, Rgb b, double t) {
    return {Byte(a.r + (b.r - a.r) * t), Byte(a.g + (b.g - a.g) * t), Byte(a.b + (b.b - a.b) * t)};
}
}  // namespace

SpectrumTable MakeSpectrum(const SpectrumKnobs& k) {
    SpectrumTable t{};
    const double m = k.max;
    const int p = std::clamp(int(k.position), 0, 255);
    for (int i = 0; i < 256; ++i) {
        double v;
        if (i == p) v = std::min(m, 255.0);
        else if (i < p) v = m - double(p - i) * k.increase * m / p;
        else v = m - double(i - p) * k.decrease * m / (255 - p);
        t[size_t(i)] = Byte(v);
    }
    return t;
}

std::array<Rgb, 256> MakeGradient(const GradientStops& g) {
    std::array<Rgb, 256> out{};
    std::array<float, 4> p = g.positions;
    for (int k = 1; k < 4; ++k) p[size_t(k)] = std::max(p[size_t(k)], p[size_t(k) - 1]);
    const auto& c = g.colours;
    for (int i = 0; i < 256; ++i) {
        const float x = float(i);
        Rgb v;
        if (x <= p[0]) v = c[0];
        else if (x <= p[1]) v = Lerp(c[0], c[1], (x - p[0]) / (p[1] - p[0]));
        else if (x <= p[2]) v = Lerp(c[1], c[2], (x - p[1]) / (p[2] - p[1]));
        else if (x <= p[3]) {
            const double t = (x - p[2]) / (p[3] - p[2]);
            v = Lerp(c[2], c[3], t * t * t);
        } else v = c[3];
        out[size_t(i)] = v;
    }
    return out;
}

std::array<Rgb, 256> MakeEqualizerPalette(int mode, const SpectrumTable& red, const SpectrumTable& green,
                                          const SpectrumTable& blue, const GradientStops& gradient) {
    if (mode == kCustomPalette) return MakeGradient(gradient);
    std::array<Rgb, 256> out{};
    for (int i = 0; i < 256; ++i) {
        const size_t n = size_t(i);
        if (mode == kFixPalette)
            out[n] = {Byte((i >> 5) * 255.0 / 7), Byte(((i >> 2) & 7) * 255.0 / 7), Byte((i & 3) * 255.0 / 3)};
        else if (mode == kHiColor)
            out[n] = {uint8_t(red[n] & 0xF8), uint8_t(green[n] & 0xFC), uint8_t(blue[n] & 0xF8)};
        else
            out[n] = {red[n], green[n], blue[n]};
    }
    return out;
}

void GradientSliderLimits(const std::array<float, 4>& positions, int k, float* low, float* high) {
    *low = k > 0 ? positions[size_t(k) - 1] : 0.0f;
    *high = k < 3 ? positions[size_t(k) + 1] : 255.0f;
}

}  // namespace frostel::widgets
