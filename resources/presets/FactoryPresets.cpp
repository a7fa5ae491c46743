#include "FactoryPresets.h"

#include <cstdlib>
#include <initializer_list>

#include "ParameterSanitizer.h"

namespace frostel {

namespace {

struct Change {
    const char* key;
    double value;
};

// Colours are COLORREF: 0x00BBGGRR.
FactoryPreset Make(const char* path, std::initializer_list<Change> changes) {
    FactoryPreset preset{path, {}};
    FilterParameters& p = preset.parameters;
    ApplyWindowPlacementDefaults(p);
    ApplyParameterDefaults(p);
    for (const Change& c : changes) {
        uint32_t code = 0;
        for (int i = 0; i < 4; ++i) code = (code << 8) | uint8_t(c.key[i]);
        const ParameterKey* k = FindParameter(code);
        if (k == nullptr) std::abort();  // a mistyped key in the table below
        if (k->isFloat()) StoreFloatParameter(p, *k, c.value);
        else StoreIntegerParameter(p, *k, int64_t(c.value));
    }
    return preset;
}

}  // namespace

std::vector<FactoryPreset> FactoryPresets() {
    return {
        Make("Ice Flowers.frlpst", {{"RndS", 11}, {"Colr", 0xFFE0B0}, {"Diff", 0xF0D0A0}, {"Trns", 30}}),
        Make("Geometric Crystals.frlpst",
             {{"EfKn", 1}, {"RndM", 4}, {"UsGl", 0}, {"RndS", 5}, {"Diff", 0xE0A060}, {"LgCl", 0xC0E0FF}}),
        Make("Glass/Amber Glass.frlpst",
             {{"RndS", 3}, {"Diff", 0x1090F0}, {"Trns", 60}, {"Rfrc", -120}, {"Abbr", 60}, {"Keff", 90}}),
        Make("Glass/Clear Lens.frlpst",
             {{"EfKn", 1}, {"RndS", 9}, {"Diff", 0xFFFFFF}, {"Trns", 85}, {"Rfrc", 150}, {"Abbr", 120}}),
        // AlphaCut paints the background colour instead of the image.
        Make("Render Modes/Green Wire at Night.frlpst",
             {{"RndM", 3}, {"UsGl", 0}, {"RndS", 21}, {"Diff", 0x80FF80}, {"AlpC", 1}, {"BkCl", 0x401808}}),
        Make("Render Modes/Curved Ice.frlpst",
             {{"RndM", 6}, {"EfKn", 1}, {"RndS", 13}, {"Diff", 0xFFF0E0}, {"Trns", 40}, {"Shin", 60}}),
        Make("Render Modes/Line Sketch.frlpst",
             {{"RndM", 2}, {"UsGl", 0}, {"EfKn", 1}, {"RndS", 8}, {"Diff", 0x202020}}),
        Make("Render Modes/Rough Lace.frlpst",
             {{"RndM", 1}, {"UsGl", 0}, {"BmpP", 180}, {"RndS", 4}, {"Diff", 0x90B0C0}, {"LgAl", 120}}),
        Make("Figures/Frosted Window.frlpst",
             {{"MskK", 6}, {"GrwD", 8}, {"RndS", 17}, {"Diff", 0xA0C0FF}, {"LgCl", 0xFFD0A0}}),
        Make("Figures/Golden Curl.frlpst",
             {{"EfKn", 3}, {"PtrK", 2}, {"MxT1", 40}, {"Scle", 200}, {"RndS", 2}, {"Diff", 0x40C0FF}}),
    };
}

}  // namespace frostel
