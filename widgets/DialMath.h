// The rotor dial's mathematics: angles from the mouse, turn counting, the
// value mode's mapping and the light pad's circle-to-square mapping.
#pragma once

namespace frostel::widgets {

// The dial's own pi, kept so that the angles read as they always have.
constexpr double kDialPi = 3.141592;

enum DialKind : unsigned char { kDirectionDial = 0, kTurnDial = 3, kValueDial = 4 };

// Elevation in degrees of a point at distance d from the centre: acos(min(1,
// d / divisor)). A divisor of 0 or less gives 0.
float DialElevation(float x, float y, float cx, float cy, float divisor);

// Direction in degrees of the point as the dial kind reads it; false (and
// *angle untouched) when the point is level with the centre.
bool DialDirection(int kind, float x, float y, float cx, float cy, float* angle);

// Whole turns after the angle in the turn moved from `previous` to `next`:
// crossing 0 upwards (above 300 to below 90) adds one, downwards takes one.
float StepTurns(float turns, float previous, float next);

// Value mode: the dial angle onto [valueLower, valueUpper] and back.
float DialValueFromAngle(float angle, float valueLower, float valueUpper, float angleLower,
                         float angleUpper, bool integer);
float DialAngleFromValue(float value, float valueLower, float valueUpper, float angleLower,
                         float angleUpper);

// The pad point (radius 100, the circle stretched onto the square) of the
// light angles (around, elevation) in degrees, y upwards; and back from a
// point given with y downwards, as the page hands it (so that
// PointToLightAngles(x, -y) undoes LightAnglesToPoint).
void LightAnglesToPoint(float around, float elevation, float* x, float* y);
void PointToLightAngles(float x, float y, float* around, float* elevation);

// Where the knob sits for angle 1 on a circle of radius r (angle 0 at the top,
// growing clockwise).
void DialKnobPoint(float angle, float cx, float cy, float r, float* x, float* y);

}  // namespace frostel::widgets
