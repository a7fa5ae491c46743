// The factory presets that ship in the Basic tree: each a set of parameter
// changes from the factory values, under a path relative to Basic/.
#pragma once

#include <string>
#include <vector>

#include "FilterParameters.h"

namespace frostel {

struct FactoryPreset {
    std::string path;  // relative to the Basic folder, with its ".frlpst"
    FilterParameters parameters;
};

std::vector<FactoryPreset> FactoryPresets();

}  // namespace frostel
