// Number text: formatting and parsing of the numbers shown in dialog items,
// plus the small text helpers that go with them.
#pragma once

#include "HostInterface.h"

#include <cstddef>
#include <string>

namespace frostel::hostutil {

std::string FormatInt(pi::int32 value);

// value with `decimals` decimals (0..9), rounded half away from zero. When
// the last decimal would be 0 it is left off (2.50 -> "2.5", 2.00 -> "2.0",
// 3.0 with one decimal -> "3"). Non-finite values give "0".
std::string FormatDouble(double value, int decimals);

enum class NumberSign { None, Positive, Negative };

// Leading blanks, an optional minus, then digits up to the first non-digit.
// More than 9 significant digits saturate to 2147483647 (with the sign).
// None when there are no digits; value is then 0.
NumberSign ParseIntPStr(const pi::Str255& text, pi::int32* value);

// A decimal number read as two integers split at the last comma or period:
// "12,05" -> whole 12, fraction 5 with 2 fraction digits. Fraction digits
// beyond 9 are dropped.
struct ParsedDecimal {
    NumberSign sign = NumberSign::None;
    pi::int32 whole = 0;       // magnitude of the whole part
    pi::int32 fraction = 0;
    int fractionDigits = 0;
    double Value() const;
};
ParsedDecimal ParseDecimalPStr(const pi::Str255& text);

// base^exponent, saturated to the 32-bit range; 0 for negative exponents
// (except bases 1 and -1).
pi::int32 IntPower(pi::int32 base, int exponent);

char AsciiLower(char c);

// 'abcd' (first character in the high byte) as four characters.
std::string FourCCToText(pi::OSType code);

// strlen that stops at 32767; 0 for null.
size_t BoundedStrLen(const char* s);

// Replaces ^0, ^1 and ^2 in a message template by the arguments (null
// arguments count as empty). Any other ^ is kept.
std::string ReplaceCaretArgs(const std::string& templ, const char* a0 = nullptr,
                             const char* a1 = nullptr, const char* a2 = nullptr);

}  // namespace frostel::hostutil
