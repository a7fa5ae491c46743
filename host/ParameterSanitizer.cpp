#include "ParameterSanitizer.h"

#include <cfloat>
#include <cmath>

#include "HostInterface.h"

namespace frostel {

namespace {

enum class Rule : uint8_t {
    Bits,     // every 32-bit pattern is valid (colours, the seed)
    Integer,  // clamped to [lo, hi]
    Boolean,  // 0 or 1
    Number,   // finite, clamped to [lo, hi]
};

struct Limits {
    uint32_t key;
    Rule rule;
    double lo, hi;
};

using pi::FourCC;
// Angles may run over several turns; they only have to stay finite as floats.
constexpr double kAngle = FLT_MAX;

// In the order of ParameterKeys, found by key. The number ranges are the dialog's typed
// ranges; the enumerations list their values.
constexpr Limits kLimits[kParameterCount] = {
    {FourCC("BkCl"), Rule::Bits, 0, 0},
    {FourCC("EmTp"), Rule::Integer, 0, 3},
    {FourCC("CtnX"), Rule::Number, -100, 100},
    {FourCC("CtnY"), Rule::Number, -100, 100},
    {FourCC("RndM"), Rule::Integer, 1, 7},
    {FourCC("MskK"), Rule::Integer, 1, 6},
    {FourCC("PtrK"), Rule::Integer, 1, 4},  // 4 only for the single figure, see SanitizeParameters
    {FourCC("GrwD"), Rule::Integer, 1, 8},
    {FourCC("RndS"), Rule::Bits, 0, 0},
    {FourCC("MnIn"), Rule::Number, 1, 300},
    {FourCC("MxIt"), Rule::Integer, 2, 10},
    {FourCC("MxTr"), Rule::Integer, 1, 30},
    {FourCC("Wdth"), Rule::Number, 1, 300},
    {FourCC("Lngh"), Rule::Number, 0, 70},
    {FourCC("Comp"), Rule::Number, 0, 100},
    {FourCC("CmDs"), Rule::Number, 0, 100},
    {FourCC("Dspr"), Rule::Number, 0, 200},
    {FourCC("LsID"), Rule::Number, 0, 200},
    {FourCC("PLen"), Rule::Number, -200, 200},
    {FourCC("PWid"), Rule::Number, -200, 200},
    {FourCC("InDp"), Rule::Number, -200, 200},
    {FourCC("Scle"), Rule::Number, 5, 200},
    {FourCC("Diff"), Rule::Bits, 0, 0},
    {FourCC("Spec"), Rule::Bits, 0, 0},
    {FourCC("Shin"), Rule::Number, 0, 300},
    {FourCC("ShSt"), Rule::Number, 0, 999},
    {FourCC("SlIl"), Rule::Number, 0, 300},
    {FourCC("Trns"), Rule::Number, 0, 100},
    {FourCC("BmpP"), Rule::Number, -300, 300},
    {FourCC("Rfrc"), Rule::Number, -200, 200},
    {FourCC("Keff"), Rule::Number, -200, 200},
    {FourCC("Abbr"), Rule::Number, 0, 200},
    {FourCC("LgCl"), Rule::Bits, 0, 0},
    {FourCC("LgAl"), Rule::Number, -kAngle, kAngle},
    {FourCC("LgBt"), Rule::Number, -kAngle, kAngle},
    {FourCC("LgMt"), Rule::Number, 0, 300},
    {FourCC("UsBk"), Rule::Boolean, 0, 1},
    {FourCC("AlpC"), Rule::Boolean, 0, 1},
    {FourCC("UsGl"), Rule::Boolean, 0, 1},
    {FourCC("EfKn"), Rule::Integer, 1, 3},
    {FourCC("Turn"), Rule::Number, -360, 360},
    {FourCC("Trn1"), Rule::Number, -360, 360},
    {FourCC("MxT1"), Rule::Integer, 10, 40},
    {FourCC("RttX"), Rule::Number, -kAngle, kAngle},
    {FourCC("Alph"), Rule::Number, -kAngle, kAngle},
    {FourCC("Beta"), Rule::Number, -kAngle, kAngle},
    {FourCC("Colr"), Rule::Bits, 0, 0},
};

constexpr bool RangesAreOrdered() {
    for (const Limits& l : kLimits)
        if (!(l.lo <= l.hi)) return false;
    return true;
}
static_assert(RangesAreOrdered(), "a parameter range is empty");

const Limits& LimitsOf(const ParameterKey& k) {
    for (const Limits& l : kLimits)
        if (l.key == k.key) return l;
    static constexpr Limits kUnknown{0, Rule::Bits, 0, 0};
    return kUnknown;
}

int64_t ClampInteger(int64_t v, const Limits& l) {
    if (v < int64_t(l.lo)) return int64_t(l.lo);
    if (v > int64_t(l.hi)) return int64_t(l.hi);
    return v;
}

double ClampNumber(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
double ClampNumber(double v, const Limits& l) { return ClampNumber(v, l.lo, l.hi); }

}  // namespace

void StoreIntegerParameter(FilterParameters& p, const ParameterKey& k, int64_t value) {
    const Limits& l = LimitsOf(k);
    switch (l.rule) {
        case Rule::Bits: SetIntegerField(p, k, int64_t(uint32_t(value))); break;
        case Rule::Integer: SetIntegerField(p, k, ClampInteger(value, l)); break;
        case Rule::Boolean: SetIntegerField(p, k, value != 0 ? 1 : 0); break;
        case Rule::Number: SetFloatField(p, k, ClampNumber(double(value), l)); break;
    }
}

bool StoreFloatParameter(FilterParameters& p, const ParameterKey& k, double value) {
    if (!std::isfinite(value)) return false;
    const Limits& l = LimitsOf(k);
    switch (l.rule) {
        case Rule::Bits: {
            // A number for a bit pattern: whatever fits 32 bits, as the integer would.
            const double t = std::trunc(ClampNumber(value, -2147483648.0, 4294967295.0));
            SetIntegerField(p, k, int64_t(uint32_t(int64_t(t))));
            return true;
        }
        case Rule::Integer: SetIntegerField(p, k, int64_t(std::trunc(ClampNumber(value, l)))); return true;
        case Rule::Boolean: SetIntegerField(p, k, value != 0 ? 1 : 0); return true;
        case Rule::Number: SetFloatField(p, k, ClampNumber(value, l)); return true;
    }
    return false;
}

bool SanitizeParameters(FilterParameters& p) {
    bool changed = false;
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat()) {
            const double before = GetFloatField(p, k);
            if (!StoreFloatParameter(p, k, before)) SetFloatField(p, k, k.defaultValue);
            changed |= !(GetFloatField(p, k) == before);
        } else {
            const int64_t before = GetIntegerField(p, k);
            StoreIntegerParameter(p, k, before);
            changed |= GetIntegerField(p, k) != before;
        }
    }
    // Only the single figure has a fourth pattern.
    if (p.EfKn != 3 && p.PtrK > 3) {
        p.PtrK = 3;
        changed = true;
    }
    return changed;
}

}  // namespace frostel
