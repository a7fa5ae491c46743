#include "Equalizer.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace frostel::widgets;

namespace {
// The spectrum formula written out for one entry.
int Reference(double m, int p, double a, double d, int i) {
    double v = i == p ? std::min(m, 255.0) : i < p ? m - (p - i) * a * m / p : m - (i - p) * d * m / (255 - p);
    return int(std::fmin(255.0, std::fmax(0.0, std::floor(v + 0.5))));
}
}  // namespace

TEST(Spectrum, PeakAndBothSlopes) {
    const SpectrumKnobs k{300.0f, 100.0f, 0.5f, 2.0f};
    const SpectrumTable t = MakeSpectrum(k);
    for (int i : {0, 1, 50, 99, 100, 101, 150, 254, 255}) EXPECT_EQ(t[size_t(i)], Reference(300, 100, 0.5, 2, i)) << i;
    EXPECT_EQ(t[100], 255) << "the peak is cut to 255";
    EXPECT_EQ(t[0], 150) << "half the max at the left end";
    EXPECT_EQ(t[255], 0) << "clamped at 0";
}

TEST(Spectrum, PositionAtEitherEndFallsOnOneSideOnly) {
    const SpectrumTable left = MakeSpectrum({200.0f, 0.0f, 1.0f, 1.0f});
    EXPECT_EQ(left[0], 200);
    EXPECT_EQ(left[255], 0);
    for (int i = 1; i < 256; ++i) EXPECT_LE(left[size_t(i)], left[size_t(i) - 1]) << i;
    const SpectrumTable right = MakeSpectrum({200.0f, 255.0f, 1.0f, 1.0f});
    EXPECT_EQ(right[255], 200);
    EXPECT_EQ(right[0], 0);
}

TEST(Gradient, SegmentsAndHardStep) {
    GradientStops g;
    g.colours = {Rgb{0, 0, 0}, Rgb{200, 0, 0}, Rgb{200, 200, 0}, Rgb{200, 200, 200}};
    g.positions = {10.0f, 110.0f, 110.0f, 210.0f};
    const auto p = MakeGradient(g);
    EXPECT_EQ(p[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(p[10], (Rgb{0, 0, 0}));
    EXPECT_EQ(p[60], (Rgb{100, 0, 0})) << "straight between the first two";
    EXPECT_EQ(p[110], (Rgb{200, 0, 0}));
    EXPECT_EQ(p[111].g, 200) << "coinciding positions: a hard step to the third colour";
    EXPECT_EQ(p[160], (Rgb{200, 200, uint8_t(std::floor(200 * 0.125 + 0.5))})) << "t cubed in the last segment";
    EXPECT_EQ(p[255], (Rgb{200, 200, 200}));
    float lo, hi;
    GradientSliderLimits(g.positions, 0, &lo, &hi);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 110.0f);
    GradientSliderLimits(g.positions, 3, &lo, &hi);
    EXPECT_EQ(lo, 110.0f);
    EXPECT_EQ(hi, 255.0f);
}

TEST(EqualizerPalette, EachModeAgainstItsReference) {
    const SpectrumTable r = MakeSpectrum({255.0f, 200.0f, 1.0f, 1.0f});
    const SpectrumTable g = MakeSpectrum({180.0f, 60.0f, 1.0f, 0.5f});
    const SpectrumTable b = MakeSpectrum({255.0f, 128.0f, 2.0f, 2.0f});
    GradientStops stops;
    stops.colours = {Rgb{0, 0, 255}, Rgb{0, 255, 0}, Rgb{255, 0, 0}, Rgb{255, 255, 255}};
    const auto truecolour = MakeEqualizerPalette(kTrueColor, r, g, b, stops);
    const auto hicolour = MakeEqualizerPalette(kHiColor, r, g, b, stops);
    const auto custom = MakeEqualizerPalette(kCustomPalette, r, g, b, stops);
    const auto fixed = MakeEqualizerPalette(kFixPalette, r, g, b, stops);
    const auto gradient = MakeGradient(stops);
    for (int i = 0; i < 256; ++i) {
        const size_t n = size_t(i);
        EXPECT_EQ(truecolour[n], (Rgb{r[n], g[n], b[n]})) << i;
        EXPECT_EQ(hicolour[n], (Rgb{uint8_t(r[n] / 8 * 8), uint8_t(g[n] / 4 * 4), uint8_t(b[n] / 8 * 8)})) << i;
        EXPECT_EQ(custom[n], gradient[n]) << i;
        EXPECT_EQ(fixed[n].r, uint8_t(std::floor((i / 32) * 255.0 / 7 + 0.5))) << i;
        EXPECT_EQ(fixed[n].b, uint8_t((i % 4) * 85)) << i;
    }
}
