#include "ParameterArgs.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "FilterParameters.h"
#include "ParameterSanitizer.h"

namespace frostel::hostsim {

bool ParseParameterSetting(const std::string& text, ParameterSetting& out, std::string& error) {
    const size_t eq = text.find('=');
    if (eq != 4) {
        error = "--set needs KEY=VALUE with a four-character key, not '" + text + "'";
        return false;
    }
    const std::string key = text.substr(0, 4), value = text.substr(5);
    uint32_t code = 0;
    for (char c : key) code = (code << 8) | uint8_t(c);
    out.key = FindParameter(code);
    if (out.key == nullptr) {
        error = "--set: no parameter has the key '" + key + "'";
        return false;
    }
    out.isFloat = out.key->isFloat();
    errno = 0;
    char* end = nullptr;
    if (out.isFloat) {
        out.number = std::strtod(value.c_str(), &end);
        // strtod's ERANGE also marks a value that is merely tiny (4e-320): only
        // an overflow, which comes back infinite, is refused.
        if (value.empty() || *end || !std::isfinite(out.number)) {
            error = "--set " + key + ": '" + value + "' is not a finite number";
            return false;
        }
    } else {
        const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
        out.integer = std::strtoll(value.c_str(), &end, hex ? 16 : 10);
        if (value.empty() || *end || errno) {
            error = "--set " + key + ": '" + value + "' is not an integer";
            return false;
        }
    }
    return true;
}

bool ApplyParameterSettings(const std::vector<ParameterSetting>& settings, uint8_t* record, size_t size) {
    if (record == nullptr || size < sizeof(FilterParameters)) return false;
    auto& p = *reinterpret_cast<FilterParameters*>(record);
    for (const ParameterSetting& s : settings) {
        if (s.isFloat) StoreFloatParameter(p, *s.key, s.number);
        else StoreIntegerParameter(p, *s.key, s.integer);
    }
    p.geometryDirty = 1;
    return true;
}

std::string ParameterUsage() {
    return "  --set KEY=VALUE         set a parameter by its four-character key after the\n"
           "                          parameters selector (repeatable; also beyond the\n"
           "                          dialog's ranges: an integer keeps its field's bits,\n"
           "                          a number that is not finite is refused), e.g.\n"
           "                          --set RndS=7 --set EfKn=3 --set BkCl=0x00FF00\n";
}

}  // namespace frostel::hostsim
