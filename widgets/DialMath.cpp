#include "DialMath.h"

#include <algorithm>
#include <cmath>

namespace frostel::widgets {

namespace {
constexpr double kExactPi = 3.14159265358979323846;
constexpr double kDegPerRad = 180.0 / kDialPi;

// The stretch of the pad: the angle within its quarter folded onto 0..45°.
double SquareStretch(double around) {
    double m = std::fmod(std::fabs(around), 90.0);
    double u = m * kDialPi / 180.0;
    if (m > 45.0) u = kDialPi / 2.0 - u;
    return std::cos(u);
}
}  // namespace

float DialElevation(float x, float y, float cx, float cy, float divisor) {
    if (divisor <= 0.0f) return 0.0f;
    double d = std::hypot(double(x) - cx, double(y) - cy);
    return float(std::acos(std::min(1.0, d / divisor)) * kDegPerRad);
}

bool DialDirection(int kind, float x, float y, float cx, float cy, float* angle) {
    if (y == cy) return false;
    double t = std::atan((double(x) - cx) / (double(y) - cy)) * kDegPerRad;
    double a;
    if (kind == kDirectionDial) {
        a = t - 90.0;
        if (y < cy) a += 180.0;
    } else {
        a = -t;
        if (y > cy) a += 180.0;
        else if (x < cx) a += 360.0;
    }
    *angle = float(a);
    return true;
}

float StepTurns(float turns, float previous, float next) {
    if (previous > 300.0f && next < 90.0f) return turns + 1.0f;
    if (previous < 90.0f && next > 300.0f) return turns - 1.0f;
    return turns;
}

float DialValueFromAngle(float angle, float valueLower, float valueUpper, float angleLower,
                         float angleUpper, bool integer) {
    if (angleUpper == angleLower) return valueLower;
    float v = (valueUpper - valueLower) / (angleUpper - angleLower) * (angle - angleLower) + valueLower;
    return integer ? std::trunc(v) : v;
}

float DialAngleFromValue(float value, float valueLower, float valueUpper, float angleLower,
                         float angleUpper) {
    if (valueUpper == valueLower) return angleLower;
    return (value - valueLower) / ((valueUpper - valueLower) / (angleUpper - angleLower)) + angleLower;
}

void LightAnglesToPoint(float around, float elevation, float* x, float* y) {
    double r = 100.0 * std::cos(double(elevation) * kDialPi / 180.0);
    double t = double(around) * -kDialPi / 180.0;
    double px = r * std::cos(t);
    double py = -r * std::sin(t);
    double c = SquareStretch(around);
    if (c != 0.0) {
        px /= c;
        py /= c;
    }
    *x = float(px);
    *y = float(py);
}

void PointToLightAngles(float x, float y, float* around, float* elevation) {
    double a = std::atan2(-double(y), double(x)) * 180.0 / kExactPi;
    double c = SquareStretch(a);
    double q = (c * y) * (c * y) + (c * x) * (c * x);
    double b = std::atan2(std::sqrt(std::max(0.0, 10000.0 - q)), std::sqrt(q)) * 180.0 / kExactPi;
    *around = float(a);
    *elevation = float(b);
}

void DialKnobPoint(float angle, float cx, float cy, float r, float* x, float* y) {
    double t = (180.0 - angle) * kDialPi / 180.0;
    *x = float(cx + std::sin(t) * r);
    *y = float(cy + std::cos(t) * r);
}

}  // namespace frostel::widgets
