// The colour equalizer built in a window: its sections, modes, knobs,
// gradient sliders and the notifications that travel up through its panels.
#include <gtest/gtest.h>

#include "ColorEqualizer.h"
#include "RigSupport.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kEqualizer = 860;

struct EqualizerFixture : ::testing::Test {
    void SetUp() override {
        w = Child(kColorEqualizerClass, kEqualizer, 0, 0, 360, 330);
        e = static_cast<TColorEqualizer*>(FindControlObject(w, kColorEqualizerClass));
        ASSERT_NE(e, nullptr);
        ASSERT_TRUE(BuildColorEqualizer(e));
        Pump(30);
        ClearCommands();
    }
    void TearDown() override { DestroyWindow(w); }
    void Select(HWND combo, int item) {
        SendMessageA(combo, CB_SETCURSEL, item, 0);
        SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(combo));
        Pump(30);
    }
    HWND w = nullptr;
    TColorEqualizer* e = nullptr;
};
}  // namespace

TEST_F(EqualizerFixture, BuildsItsSectionsAndStartsInTrueColour) {
    for (int i = 0; i < 12; ++i) ASSERT_NE(e->knobs[i], nullptr) << i;
    for (int k = 0; k < 4; ++k) {
        ASSERT_NE(e->sliders[k], nullptr);
        ASSERT_NE(e->swatches[k], nullptr);
    }
    EXPECT_FLOAT_EQ(e->knobs[0]->upper, 500.0f) << "Red Max";
    EXPECT_FLOAT_EQ(e->knobs[2]->upper, 10.0f) << "Increase";
    EXPECT_TRUE(IsWindowVisible(e->spectrumPanel));
    EXPECT_FALSE(IsWindowVisible(e->gradientPanel));
    EXPECT_TRUE(IsWindowVisible(e->knobPanels[0]));
    EXPECT_FALSE(IsWindowVisible(e->knobPanels[1]));
    const auto expected = MakeEqualizerPalette(kTrueColor, MakeSpectrum(e->spectra[0]), MakeSpectrum(e->spectra[1]),
                                               MakeSpectrum(e->spectra[2]), e->gradient);
    EXPECT_EQ(EqualizerPaletteTable(), expected);

    // The palette bar shows the table; painting asks nothing of the parent.
    const Snapshot bar = Snap(e->sections[0]);
    const Rgb first = EqualizerPaletteTable()[0];
    EXPECT_EQ(bar.At(0, 5), RGB(first.r, first.g, first.b));
    Pump(150);
    EXPECT_EQ(gCommands.size(), 0u) << "no report while idle";
}

TEST_F(EqualizerFixture, ModesShowTheirPanelsAndReport) {
    Select(e->modeCombo, kCustomPalette);
    EXPECT_EQ(e->paletteMode, kCustomPalette);
    EXPECT_TRUE(IsWindowVisible(e->gradientPanel));
    EXPECT_FALSE(IsWindowVisible(e->spectrumPanel));
    EXPECT_EQ(EqualizerPaletteTable(), MakeGradient(e->gradient));
    EXPECT_EQ(CountCommands(kEqualizer, 0), 1);
    Select(e->modeCombo, kFixPalette);
    EXPECT_FALSE(IsWindowVisible(e->gradientPanel));
    EXPECT_FALSE(IsWindowVisible(e->spectrumPanel));
    Select(e->modeCombo, kTrueColor);
    Select(e->spectrumCombo, 1);
    EXPECT_EQ(e->spectrum, 1u);
    EXPECT_TRUE(IsWindowVisible(e->knobPanels[1]));
    EXPECT_FALSE(IsWindowVisible(e->knobPanels[0]));
    EXPECT_EQ(CountCommands(kEqualizer, 0), 4);
}

TEST_F(EqualizerFixture, KnobsAndSlidersReachTheEditorThroughTheirPanels) {
    TSpinEdit* greenPosition = e->knobs[5];
    SetControlValueText(greenPosition, 0.0f);
    SendMessageA(GetParent(greenPosition->wnd), WM_COMMAND, MAKEWPARAM(2002, 0), 0);  // as the knob reports
    Pump(50);
    EXPECT_FLOAT_EQ(e->spectra[1].position, 0.0f);
    EXPECT_EQ(EqualizerSpectrum(1), MakeSpectrum(e->spectra[1]));
    EXPECT_EQ(CountCommands(kEqualizer, 0), 1);

    e->sliders[1]->SetValue(40.0f, true);
    SendMessageA(GetParent(e->sliders[1]->wnd), WM_COMMAND, MAKEWPARAM(5002, 0), 0);
    Pump(50);
    EXPECT_FLOAT_EQ(e->gradient.positions[1], 40.0f);
    EXPECT_FLOAT_EQ(e->sliders[2]->innerLower, 40.0f) << "the next slider stays above it";
    EXPECT_FLOAT_EQ(e->sliders[0]->innerUpper, 40.0f) << "the one before stays below it";
    e->sliders[2]->SetValue(10.0f, true);
    EXPECT_FLOAT_EQ(e->sliders[2]->value, 40.0f) << "clamped to its neighbour";
}
