// The test host's parameter overrides: --set KEY=VALUE by a parameter's
// four-character key, written into the plug-in's parameter record after its
// parameters selector set the factory values, as a user would in the
// dialog. Values go through the plug-in's own sanitiser, so the record
// holds what the dialog could hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frostel {
struct ParameterKey;
}

namespace frostel::hostsim {

struct ParameterSetting {
    const ParameterKey* key = nullptr;
    bool isFloat = false;
    int64_t integer = 0;
    double number = 0;
};

// "Wdth=80", "RndS=7", "BkCl=0x00FF00" (integers in decimal or 0x hex;
// floats as decimal numbers, finite). False with `error` saying why.
bool ParseParameterSetting(const std::string& text, ParameterSetting& out, std::string& error);

// Applies the settings in order to a parameter record of `size` bytes;
// false (nothing written) when the record is too small to be one.
bool ApplyParameterSettings(const std::vector<ParameterSetting>& settings, uint8_t* record, size_t size);

std::string ParameterUsage();

}  // namespace frostel::hostsim
