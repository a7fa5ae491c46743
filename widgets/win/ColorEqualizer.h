// "Color Equalizer CPP": a palette editor built of nested sections (the
// palette bar, the red, green and blue knob panels, the spectrum graph),
// combo boxes for the palette mode and the spectrum, and a four-colour
// gradient of sliders and swatches.
#pragma once

#include "Equalizer.h"
#include "Widgets.h"

#include <array>

namespace frostel::widgets {

constexpr const char* kColorEqualizerClass = "Color Equalizer CPP";
int RegisterColorEqualizerClass(HINSTANCE instance);

class TColorEqualizer : public TContaner {
public:
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

    uint8_t paletteMode = kTrueColor;  // the first combo box's selection
    uint8_t section = 0;  // 0 editor, 1 palette bar, 7 spectrum graph
    uint32_t spectrum = 0;  // 0 red, 1 green, 2 blue
    HWND modeCombo = nullptr, spectrumCombo = nullptr;
    HWND spectrumPanel = nullptr, gradientPanel = nullptr;
    HWND knobPanels[3] = {};
    HWND sections[3] = {};  // the two palette bars and the graph
    TSpinEdit* knobs[12] = {};  // red, green, blue x Max, Position, Increase, Decrease
    TMacSlider* sliders[4] = {};
    TContanerColor* swatches[4] = {};
    SpectrumKnobs spectra[3];
    GradientStops gradient;

    // Mode and spectrum into the combo boxes and the panels they show.
    void SyncSelection();
    // Tables rebuilt from the knobs and sliders, bars and graph redrawn.
    void Recompute();
    // The knobs of a colour, the sliders and swatches, into the parameters.
    void ReadKnobs(int colour);
    void ReadGradient();

private:
    void Notify();
};

// Makes the children of the editor (section 0); other sections need none.
bool BuildColorEqualizer(TColorEqualizer* e);
// The editor's tables, shared by its sections (one editor at a time).
const SpectrumTable& EqualizerSpectrum(int colour);
const std::array<Rgb, 256>& EqualizerPaletteTable();

}  // namespace frostel::widgets
