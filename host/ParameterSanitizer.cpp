#include "ParameterSanitizer.h"

#include <cfloat>
#include <cmath>

namespace frostel {

namespace {

double ClampNumber(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

void StoreIntegerParameter(FilterParameters& p, const ParameterKey& k, int64_t value) {
    if (k.isFloat()) SetFloatField(p, k, double(value));
    else SetIntegerField(p, k, value);
}

bool StoreFloatParameter(FilterParameters& p, const ParameterKey& k, double value) {
    if (!std::isfinite(value)) return false;
    if (k.isFloat()) {
        SetFloatField(p, k, ClampNumber(value, -FLT_MAX, FLT_MAX));
    } else {
        // Within int64 first: the field then keeps the low bits, as for an integer.
        const double t = std::trunc(ClampNumber(value, -9.2e18, 9.2e18));
        SetIntegerField(p, k, int64_t(t));
    }
    return true;
}

bool SanitizeParameters(FilterParameters& p) {
    bool changed = false;
    for (const ParameterKey& k : ParameterKeys) {
        if (!k.isFloat() || std::isfinite(GetFloatField(p, k))) continue;
        SetFloatField(p, k, k.defaultValue);
        changed = true;
    }
    return changed;
}

}  // namespace frostel
