#include "NumberText.h"

#include "PascalString.h"

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace frostel::hostutil {

namespace {

constexpr pi::int32 kSaturated = 2147483647;
constexpr int kMaxDigits = 9;

struct Scan {
    bool negative = false;
    int digits = 0;  // significant digits seen
    bool anyDigit = false;
    pi::int32 value = 0;
};

// Scans [pos, end) of a length-prefixed string: blanks, sign, digits.
Scan ScanInt(const unsigned char* p, int len, bool allowSign) {
    Scan s;
    int i = 0;
    while (i < len && (p[i] == ' ' || p[i] == '\t')) ++i;
    if (allowSign && i < len && p[i] == '-') { s.negative = true; ++i; }
    pi::int32 v = 0;
    for (; i < len && p[i] >= '0' && p[i] <= '9'; ++i) {
        s.anyDigit = true;
        if (v == 0 && p[i] == '0') continue;  // leading zeros do not count
        if (++s.digits > kMaxDigits) continue;
        v = v * 10 + (p[i] - '0');
    }
    s.value = s.digits > kMaxDigits ? kSaturated : v;
    return s;
}

}  // namespace

std::string FormatInt(pi::int32 value) { return std::to_string(value); }

std::string FormatDouble(double value, int decimals) {
    if (!std::isfinite(value)) return "0";
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;

    double scaled = std::fabs(value) * double(scale);
    char buf[64];
    std::string out;
    if (scaled >= 1e17) {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
        out = buf;
    } else {
        // The tiny relative nudge lets 2.675 round like the 2.675 the user typed,
        // not like its binary neighbour 2.67499999...
        uint64_t r = uint64_t(std::floor(scaled * (1.0 + 1e-12) + 0.5));
        const char* sign = (value < 0 && r != 0) ? "-" : "";
        if (decimals == 0)
            std::snprintf(buf, sizeof buf, "%s%" PRIu64, sign, r);
        else
            std::snprintf(buf, sizeof buf, "%s%" PRIu64 ".%0*" PRIu64, sign, r / scale, decimals,
                          r % scale);
        out = buf;
    }
    if (decimals > 0 && out.back() == '0') {
        out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    return out;
}

NumberSign ParseIntPStr(const pi::Str255& text, pi::int32* value) {
    Scan s = ScanInt(text + 1, text[0], true);
    pi::int32 v = s.negative ? -s.value : s.value;
    if (value) *value = s.anyDigit ? v : 0;
    if (!s.anyDigit) return NumberSign::None;
    return s.negative ? NumberSign::Negative : NumberSign::Positive;
}

double ParsedDecimal::Value() const {
    double v = double(whole);
    if (fractionDigits > 0) v += double(fraction) / std::pow(10.0, fractionDigits);
    return sign == NumberSign::Negative ? -v : v;
}

ParsedDecimal ParseDecimalPStr(const pi::Str255& text) {
    pi::Str255 head, tail;
    PStrSplitAtLastSeparator(text, head, tail);
    Scan w = ScanInt(head + 1, head[0], true);

    ParsedDecimal d;
    d.whole = w.value;
    int i = 0;
    for (; i < tail[0] && tail[i + 1] >= '0' && tail[i + 1] <= '9'; ++i) {
        if (i < kMaxDigits) {
            d.fraction = d.fraction * 10 + (tail[i + 1] - '0');
            d.fractionDigits = i + 1;
        }
    }
    bool anyDigit = w.anyDigit || i > 0;
    if (anyDigit) d.sign = w.negative ? NumberSign::Negative : NumberSign::Positive;
    return d;
}

pi::int32 IntPower(pi::int32 base, int exponent) {
    if (base == 1) return 1;
    if (base == -1) return (exponent & 1) ? -1 : 1;
    if (exponent < 0) return 0;
    if (base == 0) return exponent == 0 ? 1 : 0;
    int64_t r = 1;
    for (int i = 0; i < exponent; ++i) {  // |base| >= 2: saturates within 32 steps
        r *= base;
        if (r > kSaturated) return kSaturated;
        if (r < std::numeric_limits<pi::int32>::min()) return std::numeric_limits<pi::int32>::min();
    }
    return pi::int32(r);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string FourCCToText(pi::OSType code) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[size_t(i)] = char((code >> (24 - 8 * i)) & 0xFF);
    return s;
}

size_t BoundedStrLen(const char* s) {
    if (!s) return 0;
    size_t n = 0;
    while (n < 32767 && s[n]) ++n;
    return n;
}

std::string ReplaceCaretArgs(const std::string& templ, const char* a0, const char* a1,
                             const char* a2) {
    const char* args[3] = {a0, a1, a2};
    std::string out;
    for (size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] == '^' && i + 1 < templ.size() && templ[i + 1] >= '0' && templ[i + 1] <= '2') {
            const char* a = args[templ[i + 1] - '0'];
            if (a) out += a;
            ++i;
        } else {
            out += templ[i];
        }
    }
    return out;
}

}  // namespace frostel::hostutil
