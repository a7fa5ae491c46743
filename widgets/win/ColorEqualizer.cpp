#include "ColorEqualizer.h"

#include "WidgetCreators.h"
#include "WidgetInternal.h"

#include <algorithm>

namespace frostel::widgets {

using namespace detail;

namespace {
constexpr int kModeCombo = 1, kTopBar = 2, kSpectrumPanel = 3, kSpectrumCombo = 4, kSpectrumBar = 5,
              kKnobPanel = 6, kGraph = 12, kGradientPanel = 13, kRedraw = 5000, kFirstSlider = 5001,
              kFirstSwatch = 5010;
constexpr WORD kSelEndOk = 9;
constexpr int kKnobPanelHeight = 112;

struct Tables {
    SpectrumTable spectra[3]{};
    std::array<Rgb, 256> palette{};
    int mode = kTrueColor;
};
Tables& Shared() {
    static Tables t;
    return t;
}

int ComboHeight() { return GetSystemMetrics(SM_CYVSCROLL) + 2 * GetSystemMetrics(SM_CYEDGE); }

HWND Combo(HWND parent, int id, int x, int y, std::initializer_list<const char*> items) {
    HWND c = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, x, y, 120,
                             150, parent, reinterpret_cast<HMENU>(INT_PTR(id)), gUiInstance, nullptr);
    for (const char* s : items) SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessageA(c, CB_SETCURSEL, 0, 0);
    if (gDialogFont) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(gDialogFont), FALSE);
    return c;
}

HWND Section(HWND parent, int id, int number, int x, int y, int w, int h) {
    auto* s = static_cast<TColorEqualizer*>(
        CreateWidgetWindow(kColorEqualizerClass, parent, x, y, w, h, id, 0x50000000));
    if (!s) return nullptr;
    s->section = uint8_t(number);
    return s->wnd;
}

HWND Panel(HWND parent, int id, int x, int y, int w, int h, bool visible) {
    auto* p = static_cast<TContanerPanel*>(CreateWidgetWindow(kContanerClass, parent, x, y, w, h, id,
                                                              visible ? 0x50000000 : 0x40000000));
    return p ? p->wnd : nullptr;
}

const char* const kKnobNames[3][4] = {{"Red Max", "Position", "Increase", "Decrease"},
                                      {"Green Max", "Position", "Increase", "Decrease"},
                                      {"Blue Max", "Position", "Increase", "Decrease"}};
const float kKnobUpper[4] = {500.0f, 255.0f, 10.0f, 10.0f};
}  // namespace

const SpectrumTable& EqualizerSpectrum(int colour) { return Shared().spectra[std::clamp(colour, 0, 2)]; }
const std::array<Rgb, 256>& EqualizerPaletteTable() { return Shared().palette; }

bool BuildColorEqualizer(TColorEqualizer* e) {
    if (!e || !e->wnd || e->section != 0) return false;
    const int W = e->width, H = e->height, ch = ComboHeight();
    e->gradient.colours = {Rgb{0, 0, 0}, Rgb{200, 0, 0}, Rgb{255, 220, 0}, Rgb{255, 255, 255}};
    e->modeCombo = Combo(e->wnd, kModeCombo, 2, 2, {"True Color", "Hi Color", "Custom Palette", "Fix Palette"});
    e->sections[0] = Section(e->wnd, kTopBar, 1, 122, 2, std::max(1, W - 124), ch + 4);
    const int top = ch + 6, panelH = std::max(1, H - top - 2);
    e->spectrumPanel = Panel(e->wnd, kSpectrumPanel, 0, top, W, panelH, true);
    e->spectrumCombo = Combo(e->spectrumPanel, kSpectrumCombo, 2, 2, {"Red Spectrum", "Green Spectrum", "Blue Spectrum"});
    e->sections[1] = Section(e->spectrumPanel, kSpectrumBar, 1, 122, 2, std::max(1, W - 124), ch + 4);
    const int knobTop = ch + 8;
    for (int c = 0; c < 3; ++c) {
        e->knobPanels[c] = Panel(e->spectrumPanel, kKnobPanel, 0, knobTop, W, kKnobPanelHeight, c == 0);
        for (int k = 0; k < 4; ++k) {
            const int id = 1001 + 1000 * c + k;
            const float start[4] = {255.0f, 128.0f, 1.0f, 1.0f};
            e->knobs[c * 4 + k] = CreateSpinEditKnob(e->knobPanels[c], 1 + 85 * k, 19, 84, 46, id, kKnobNames[c][k],
                                                     0.0f, kKnobUpper[k], start[k]);
        }
    }
    const int graphTop = knobTop + kKnobPanelHeight + 2;
    e->sections[2] = Section(e->spectrumPanel, kGraph, 7, 0, graphTop, W, std::max(1, panelH - graphTop));
    e->gradientPanel = Panel(e->wnd, kGradientPanel, 0, top, W, panelH, false);
    for (int k = 0; k < 4; ++k) {
        const int y = 8 + (3 - k) * 28;  // the first slider lowest
        e->sliders[k] = static_cast<TMacSlider*>(CreateWidgetWindow(kMacSliderClass, e->gradientPanel, 54, y,
                                                                    std::max(20, W - 78), 20, kFirstSlider + k,
                                                                    0x50000000, WS_EX_STATICEDGE));
        e->swatches[k] = CreateSwatch(e->gradientPanel, 12, y, 40, 20, kFirstSwatch + k,
                                      RGB(e->gradient.colours[size_t(k)].r, e->gradient.colours[size_t(k)].g,
                                          e->gradient.colours[size_t(k)].b));
    }
    for (int k = 0; k < 4; ++k) {
        TMacSlider* s = e->sliders[k];
        if (!s) continue;
        s->SetRange(0.0f, 255.0f);
        s->limited = true;
        GradientSliderLimits(e->gradient.positions, k, &s->innerLower, &s->innerUpper);
        s->SetValue(e->gradient.positions[size_t(k)], true);
    }
    for (int c = 0; c < 3; ++c) e->ReadKnobs(c);
    e->ReadGradient();
    e->SyncSelection();
    return true;
}

void TColorEqualizer::SyncSelection() {
    if (modeCombo) SendMessageA(modeCombo, CB_SETCURSEL, paletteMode, 0);
    if (spectrumCombo) SendMessageA(spectrumCombo, CB_SETCURSEL, spectrum, 0);
    if (spectrumPanel) ShowWindow(spectrumPanel, paletteMode <= kHiColor ? SW_SHOW : SW_HIDE);
    if (gradientPanel) ShowWindow(gradientPanel, paletteMode == kCustomPalette ? SW_SHOW : SW_HIDE);
    for (int c = 0; c < 3; ++c)
        if (knobPanels[c]) ShowWindow(knobPanels[c], c == int(spectrum) ? SW_SHOW : SW_HIDE);
    Recompute();
}

void TColorEqualizer::ReadKnobs(int c) {
    float v[4];
    for (int k = 0; k < 4; ++k) v[k] = knobs[c * 4 + k] ? knobs[c * 4 + k]->value : 0.0f;
    spectra[c] = SpectrumKnobs{v[0], v[1], v[2], v[3]};
}

void TColorEqualizer::ReadGradient() {
    for (int k = 0; k < 4; ++k) {
        if (sliders[k]) gradient.positions[size_t(k)] = sliders[k]->value;
        if (swatches[k]) gradient.colours[size_t(k)] = RgbOfColorRef(swatches[k]->color);
    }
    // Each slider between its neighbours.
    for (int k = 0; k < 4; ++k)
        if (sliders[k]) GradientSliderLimits(gradient.positions, k, &sliders[k]->innerLower, &sliders[k]->innerUpper);
}

void TColorEqualizer::Recompute() {
    Tables& t = Shared();
    for (int c = 0; c < 3; ++c) t.spectra[c] = MakeSpectrum(spectra[c]);
    t.mode = paletteMode;
    t.palette = MakeEqualizerPalette(paletteMode, t.spectra[0], t.spectra[1], t.spectra[2], gradient);
    // Redrawn when the tables change, not on every paint.
    for (HWND s : sections)
        if (s) InvalidateRect(s, nullptr, FALSE);
}

void TColorEqualizer::Notify() { PostMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(id, kNotifyChanged), 0); }

void TColorEqualizer::Paint(HDC target) {
    Surface s(target, width, height);
    if (!s) return;
    Canvas c = s.canvas();
    c.Fill(BackgroundRgb());
    const Tables& t = Shared();
    if (section == 1 && width > 0) {
        for (int x = 0; x < width; ++x) c.FillRect(x, 0, x + 1, height, t.palette[size_t(x * 256 / width)]);
    } else if (section == 7 && t.mode <= kHiColor && width > 0) {
        const Rgb inks[3] = {{220, 0, 0}, {0, 170, 0}, {0, 0, 230}};
        for (int k = 0; k < 3; ++k)
            for (int x = 0; x < width; ++x) {
                const int v = t.spectra[k][size_t(x * 256 / width)] * height / 256;
                c.FillRect(x, height - 1 - v, x + 1, height - v + 1, inks[k]);  // a 2-pixel curve
            }
    }
    s.CopyTo(target, 0, 0);
}

LRESULT TColorEqualizer::Handle(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;
    if (msg != WM_COMMAND || section != 0) return TContaner::Handle(w, msg, wp, lp);
    const int from = LOWORD(wp), code = HIWORD(wp);
    if (from == kModeCombo && code == kSelEndOk) {
        paletteMode = uint8_t(std::clamp<LRESULT>(SendMessageA(modeCombo, CB_GETCURSEL, 0, 0), 0, 3));
        SyncSelection();
        Notify();
    } else if (from == kSpectrumCombo && code == kSelEndOk) {
        spectrum = uint32_t(std::clamp<LRESULT>(SendMessageA(spectrumCombo, CB_GETCURSEL, 0, 0), 0, 2));
        SyncSelection();
        Notify();
    } else if (from >= 1001 && from <= 3004 && (from % 1000) >= 1 && (from % 1000) <= 4) {
        ReadKnobs(from / 1000 - 1);
        Recompute();
        Notify();
    } else if ((from >= kFirstSlider && from < kFirstSlider + 4) || (from >= kFirstSwatch && from < kFirstSwatch + 4)) {
        ReadGradient();
        Recompute();
        Notify();
    } else if (from == kRedraw) {
        Recompute();
    }
    return 0;
}

int RegisterColorEqualizerClass(HINSTANCE instance) {
    return RegisterWidget(instance, kColorEqualizerClass, WidgetWindowProc<TColorEqualizer>, 0, IDC_ARROW);
}

}  // namespace frostel::widgets
