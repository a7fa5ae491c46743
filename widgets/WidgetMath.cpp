#include "WidgetMath.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace frostel::widgets {

int UpDownWidthForDpi(int dpi) {
    if (dpi <= 96) return 20;
    if (dpi < 144) return 25;
    return 30;
}

namespace {
// The dials' bands: below 120, from 120, from 144, from 216 dpi.
int DialBand(int dpi) {
    if (dpi < 120) return 0;
    if (dpi < 144) return 1;
    if (dpi < 216) return 2;
    return 3;
}
}  // namespace

int DialKnobSizeForDpi(int dpi) {
    static const int sizes[4] = {4, 6, 8, 10};
    return sizes[DialBand(dpi)];
}

int RoundEditWidthForDpi(int dpi) {
    static const int widths[4] = {50, 60, 80, 100};
    return widths[DialBand(dpi)];
}

int RoundEditHeightForDpi(int dpi) {
    static const int heights[4] = {22, 23, 24, 34};
    return heights[DialBand(dpi)];
}

int32_t SaturateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);
}

std::string FormatWidgetNumber(double v, bool integer) {
    char text[64];
    if (integer) {
        std::snprintf(text, sizeof text, "%d", int(SaturateToInt(v)));
    } else {
        if (!std::isfinite(v)) v = 0.0;
        // Keep the text short for absurd magnitudes; %f would print 300 digits.
        if (std::fabs(v) >= 1e15) std::snprintf(text, sizeof text, "%0.2e", v);
        else std::snprintf(text, sizeof text, "%0.2f", v);
    }
    return text;
}

std::string FormatDialNumber(double v, bool integer) {
    if (v < 0.0 && v > -0.0001) v = 0.0;
    return FormatWidgetNumber(v, integer);
}

bool ParseTypedNumber(const char* text, double* out) {
    if (!text) {
        *out = 0.0;
        return true;
    }
    while (*text == ' ' || *text == '\t') ++text;
    // Only plain decimal notation: strtod would also read "inf", "nan" and hex.
    const char* p = text;
    if (*p == '+' || *p == '-') ++p;
    if (!(std::isdigit(static_cast<unsigned char>(*p)) ||
          (*p == '.' && std::isdigit(static_cast<unsigned char>(p[1]))))) {
        *out = 0.0;
        return true;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        *out = 0.0;
        return true;
    }
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (!std::isfinite(v) || std::fabs(v) > double(FLT_MAX)) return false;
    *out = v;
    return true;
}

float ClampFloat(float v, float lo, float hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

float SliderValueAt(int p, int extent, float lower, float upper) {
    const int track = extent - 10;
    if (track <= 0 || upper == lower) return lower;
    float v = lower + float(p - 5) / (float(track) / (upper - lower));
    return lower < upper ? ClampFloat(v, lower, upper) : ClampFloat(v, upper, lower);
}

int SliderPositionOf(float value, int extent, float lower, float upper) {
    if (upper == lower) return 5;
    double pos = double(value - lower) * double(extent - 10) / double(upper - lower) + 5.0;
    return SaturateToInt(std::floor(pos + 0.5));
}

FollowedRange FollowRange(float value, float lower, float upper, float outerLower, float outerUpper) {
    FollowedRange r{lower, upper, false};
    if (value > upper) {
        r.upper = value;
        if (r.upper > outerUpper) r.upper = outerUpper;
    }
    if (value < lower) {
        r.lower = value;
        if (r.lower < outerLower) r.lower = outerLower;
    }
    r.moved = r.lower != lower || r.upper != upper;
    return r;
}

namespace {
FieldCheck Finish(double typed, double kept, bool beep, bool integer) {
    double v = integer ? std::trunc(kept) : kept;
    return {v, beep, beep || v != typed || v == 0.0};
}
}  // namespace

FieldCheck CheckMinField(double typed, double previousMin, double newMax, double outerLower, bool integer) {
    if (typed >= newMax) return Finish(typed, previousMin, true, integer);
    if (typed < outerLower) return Finish(typed, outerLower, true, integer);
    return Finish(typed, typed, false, integer);
}

FieldCheck CheckMaxField(double typed, double previousMax, double newMin, double outerUpper, bool integer) {
    if (typed <= newMin) return Finish(typed, previousMax, true, integer);
    if (typed > outerUpper) return Finish(typed, outerUpper, true, integer);
    return Finish(typed, typed, false, integer);
}

FieldCheck CheckValueField(double typed, double newMin, double newMax, bool clamp, bool integer) {
    if (clamp && typed < newMin) return Finish(typed, newMin, false, integer);
    if (clamp && typed > newMax) return Finish(typed, newMax, false, integer);
    return Finish(typed, typed, false, integer);
}

SetValueVerdict CheckSetValueOk(double newMin, double newMax, double newValue, double outerLower,
                                double outerUpper) {
    if (newMin < outerLower) return {SetValueFailure::Minimum, outerLower};
    if (newMax > outerUpper) return {SetValueFailure::Maximum, outerUpper};
    if (newValue < newMin) return {SetValueFailure::Value, newMin};
    if (newValue > newMax) return {SetValueFailure::Value, newMax};
    return {SetValueFailure::None, newValue};
}

uint32_t SwatchOutlineColor(uint32_t color, bool hovered) {
    int c[3] = {RedOf(color), GreenOf(color), BlueOf(color)};
    for (int& v : c) {
        if (hovered) {
            v = 255 - v;
        } else {
            int d = 255 - v;
            v = d < 127 ? (382 - v) % 256 : d / 2;
        }
    }
    return MakeColorRef(c[0], c[1], c[2]);
}

SkinRows FitSkinRows(int height) {
    if (height < 0) height = 0;
    const int top = std::min(kSkinEndRows, height / 2);
    return {top, std::min(kSkinEndRows, height - top)};
}

CapLayout LayoutSkinnedButton(int width) {
    if (width < 0) width = 0;
    CapLayout l{};
    if (width >= 2 * kCapWidth) {
        l.leftWidth = kCapWidth;
        l.middleX = kCapWidth;
        l.middleWidth = width - 2 * kCapWidth;
        l.rightX = width - kCapWidth;
        l.rightSrcX = 0;
        l.rightWidth = kCapWidth;
    } else {
        l.leftWidth = width / 2;
        l.middleX = l.leftWidth;
        l.middleWidth = 0;
        l.rightWidth = width - l.leftWidth;
        l.rightX = l.leftWidth;
        l.rightSrcX = kCapWidth - l.rightWidth;
    }
    return l;
}

int ChooseButtonFace(const ButtonLook& look) {
    if (!look.enabled && look.hasDisabledFace) return kFaceDisabled;
    if (look.toggle && look.checked) return kFacePressed;
    switch (look.state) {
        case 1: return (look.hotLook == 2 && look.alternate) ? kFaceDisabled : kFaceHot;
        case 2: return kFacePressed;
        default: return kFaceNormal;
    }
}

uint32_t DisabledCaptionColor(uint32_t c) {
    return MakeColorRef(RedOf(c) / 2 + 100, GreenOf(c) / 2 + 100, BlueOf(c) / 2 + 100);
}

}  // namespace frostel::widgets
