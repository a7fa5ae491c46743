// Ordering two corners by the angles of the edges to them, as the corner
// sorts of the growth and of the fills do it: each angle a quadrant's base
// plus acos of one side over the length, in floats, and the corners swapped
// when the difference is negative or above 3.141592 (none taken below 1e-5).
// acos is slow in some C runtimes and there are millions of these a frame;
// the answer is known without it unless an edge lies near an axis (where
// acos magnifies rounding) or the difference lies near a threshold.
#pragma once

#include <cmath>

namespace turn {

enum Order { kKeep = 0, kSwap = 1, kUnsure = 2 };

// atan on [0, 1] within 1e-6.
inline double AtanUnit(double z) {
    const double z2 = z * z;
    return z * (0.99997726 + z2 * (-0.33262347 + z2 * (0.19354346 + z2 * (-0.11643287 + z2 * (0.05265332 +
                                                                                              z2 * -0.01172120)))));
}

// The angle of (dx, dy) as the sorts build it, within 1e-6; false for an
// edge within about 0.01 of an axis, of no length, or not finite.
inline bool EstimateAngle(float dx, float dy, double& angle) {
    const double ax = std::fabs(static_cast<double>(dx)), ay = std::fabs(static_cast<double>(dy));
    const double lo = ax < ay ? ax : ay, hi = ax < ay ? ay : ax;
    if (!(hi > 0) || !(lo >= 0.01 * hi) || !(hi < 1e300)) return false;
    constexpr double kHalfPi = 1.5707963267948966;
    // The angle from the x axis within the quadrant.
    const double fromX = ax >= ay ? AtanUnit(ay / ax) : kHalfPi - AtanUnit(ax / ay);
    if (dx >= 0 && dy > 0) angle = fromX;                            // base 0, acos(|dx| / h)
    else if (dx < 0 && dy > 0) angle = kHalfPi + (kHalfPi - fromX);  // base pi / 2, acos(|dy| / h)
    else if (dx < 0) angle = 2 * kHalfPi + fromX;                    // base pi, acos(|dx| / h)
    else angle = 3 * kHalfPi + (kHalfPi - fromX);                    // base 3 pi / 2, acos(|dy| / h)
    return true;
}

// For the edges to corner b (bdx, bdy) and to corner c: whether the sort
// keeps or swaps them, or kUnsure when only the exact angles can tell. Away
// from the axes the float angles are within 1e-4 of the true ones.
inline Order QuickOrder(float bdx, float bdy, float cdx, float cdy) {
    double b, c;
    if (!EstimateAngle(bdx, bdy, b) || !EstimateAngle(cdx, cdy, c)) return kUnsure;
    const double delta = c - b;
    constexpr double kMargin = 1e-3;
    if (std::fabs(delta) < kMargin || std::fabs(delta - 3.141592) < kMargin) return kUnsure;
    return delta < 0 || delta > 3.141592 ? kSwap : kKeep;
}

}  // namespace turn
