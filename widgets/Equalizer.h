// The colour equalizer's palettes: three spectrum tables shaped by four
// knobs each, a four-colour gradient, and the 256-colour palette of each
// palette mode. No platform calls.
#pragma once

#include <array>
#include <cstdint>

#include "Canvas.h"

namespace frostel::widgets {

using SpectrumTable = std::array<uint8_t, 256>;

// Max M, position P (0..255), increase a and decrease d: the peak min(M, 255)
// at P, falling to the left by (P - i) a M / P and to the right by
// (i - P) d M / (255 - P), rounded and clamped to 0..255.
struct SpectrumKnobs {
    float max = 255.0f, position = 128.0f, increase = 1.0f, decrease = 1.0f;
};
SpectrumTable MakeSpectrum(const SpectrumKnobs& k);

// Four colours at positions p1 <= p2 <= p3 <= p4: c1 up to p1, straight to c2
// at p2 and c3 at p3, along t cubed to c4 at p4, c4 beyond.
struct GradientStops {
    std::array<Rgb, 4> colours{};
    std::array<float, 4> positions{0.0f, 85.0f, 170.0f, 255.0f};
};
std::array<Rgb, 256> MakeGradient(const GradientStops& g);

enum PaletteMode { kTrueColor = 0, kHiColor = 1, kCustomPalette = 2, kFixPalette = 3 };
// The palette of a mode: true colour from the spectra, hi colour the same in
// 5-6-5 steps, the custom palette the gradient, the fixed palette 3-3-2.
std::array<Rgb, 256> MakeEqualizerPalette(int mode, const SpectrumTable& red, const SpectrumTable& green,
                                          const SpectrumTable& blue, const GradientStops& gradient);

// Slider k's limits: the neighbours' positions (0 before the first, 255 after the last).
void GradientSliderLimits(const std::array<float, 4>& positions, int k, float* low, float* high);

}  // namespace frostel::widgets
