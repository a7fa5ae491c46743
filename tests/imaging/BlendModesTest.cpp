#include "BlendModes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace frostel {
namespace {

// Reference mode values written straight from the formulas, in double
// precision with explicit truncation, independent of the integer forms of
// the implementation.
double Q(double a, double b) { return std::trunc(a / b); }

double VividReference(int d, int s) {
    if (s >= 128) return std::min(255.0, Q(d * 256.0, 511.0 - 2 * s));
    if (s == 0) return 0;
    return std::max(0.0, 255 + Q((d - 255) * 256.0, 2.0 * s));
}

struct Mode {
    const char* name;
    int (*blend)(int32_t&, uint8_t, float);
    double (*reference)(int d, int s);
};

const Mode kModes[] = {
    {"add", BlendAdd, [](int d, int s) { return std::clamp(d + s, 0, 255) * 1.0; }},
    {"average", BlendAverage, [](int d, int s) { return Q(d + s, 2); }},
    {"colour burn", BlendColorBurn,
     [](int d, int s) { return s == 0 ? 0.0 : std::max(0.0, 255 + Q((d - 255) * 256.0, s)); }},
    {"colour dodge", BlendColorDodge,
     [](int d, int s) { return s == 255 ? 255.0 : std::min(255.0, Q(d * 256.0, 255 - s)); }},
    {"darken", BlendDarken, [](int d, int s) { return std::min(d, s) * 1.0; }},
    {"difference", BlendDifference, [](int d, int s) { return std::abs(d - s) * 1.0; }},
    {"inverse difference", BlendInverseDifference,
     [](int d, int s) { return 255.0 - std::abs(d - s); }},
    {"exclusion", BlendExclusion,
     [](int d, int s) { return std::fmod(d + s - Q(2.0 * d * s, 255), 256.0); }},
    {"multiply", BlendMultiply, [](int d, int s) { return Q(d * s, 255); }},
    {"screen", BlendScreen, [](int d, int s) { return 255 - Q((255.0 - d) * (255 - s), 256); }},
    {"negation", BlendNegation, [](int d, int s) { return 255.0 - std::abs(255 - d - s); }},
    {"normal", BlendNormal, [](int, int s) { return s * 1.0; }},
    {"reflect", BlendReflect,
     [](int d, int s) { return d == 255 ? 255.0 : std::min(255.0, Q(s * s, 255 - d)); }},
    {"glow", BlendGlow,
     [](int d, int s) { return s == 255 ? 255.0 : std::min(255.0, Q(d * d, 255 - s)); }},
    {"linear burn", BlendLinearBurn, [](int d, int s) { return d + s < 255 ? 0.0 : d + s - 255.0; }},
    {"linear light", BlendLinearLight,
     [](int d, int s) {
         return s >= 128 ? std::min(255.0, d + 2.0 * (s - 128)) : std::max(0.0, d + 2.0 * s - 255);
     }},
    {"hard light", BlendHardLight,
     [](int d, int s) {
         return s >= 128 ? 255 + Q(2.0 * (d - 255) * (255 - s), 255) : Q(2.0 * d * s, 255);
     }},
    {"pin light", BlendPinLight,
     [](int d, int s) {
         return d >= 128 ? std::max(2 * d - 256, s) * 1.0 : std::min(2 * d, s) * 1.0;
     }},
    {"vivid light", BlendVividLight, VividReference},
    {"hard mix", BlendHardMix, [](int d, int s) { return VividReference(d, s) < 128 ? 0.0 : 255.0; }},
    {"soft light A", BlendSoftLightA,
     [](int d, int s) {
         const double m = Q(d * s, 255);
         return std::trunc(Q(m * s, 255) + (1 - s / 255.0) * s);
     }},
    {"soft light B", BlendSoftLightB,
     [](int d, int s) {
         if (s < 128) return std::trunc(((d | 1) + 127.0) * s / 255.0);
         return std::trunc(255 - (382.0 - (d & ~1)) * (255 - s) / 255.0);
     }},
};

// Opacities k / 4 are exact in single precision, so the mix has an exact
// integer reference.
TEST(BlendModes, EveryModeMatchesItsFormulaOnAllBytePairs) {
    for (const Mode& mode : kModes) {
        int failures = 0;
        for (int k = 0; k <= 4 && failures < 5; ++k) {
            const float p = static_cast<float>(k) / 4.0f;
            for (int d = 0; d < 256 && failures < 5; ++d) {
                for (int s = 0; s < 256 && failures < 5; ++s) {
                    const double b = mode.reference(d, s);
                    ASSERT_TRUE(b >= 0 && b <= 255) << mode.name << " reference " << d << "," << s;
                    const int expected =
                        static_cast<int>(std::floor(((4 - k) * d + k * b) / 4.0));
                    int32_t dest = d;
                    const int returned = mode.blend(dest, static_cast<uint8_t>(s), p);
                    if (dest != expected || returned != expected) {
                        ++failures;
                        ADD_FAILURE() << mode.name << " d=" << d << " s=" << s << " p=" << p
                                      << ": got " << dest << " (returned " << returned
                                      << "), want " << expected;
                    }
                }
            }
        }
    }
}

TEST(BlendModes, OtherOpacitiesStayBetweenDestinationAndModeValue) {
    std::mt19937 rng(7);
    for (const Mode& mode : kModes) {
        for (int n = 0; n < 2000; ++n) {
            const int d = static_cast<int>(rng() % 256), s = static_cast<int>(rng() % 256);
            const float p = static_cast<float>(rng() % 1000) / 999.0f;
            const double b = mode.reference(d, s);
            int32_t dest = d;
            mode.blend(dest, static_cast<uint8_t>(s), p);
            EXPECT_GE(dest, std::floor(std::min<double>(d, b)) - 1) << mode.name;
            EXPECT_LE(dest, std::max<double>(d, b)) << mode.name;
        }
    }
}

TEST(BlendModes, OutOfRangeInputsAreClampedNotDividedByZero) {
    // d = 255 and s = 255 are the divisor edges of reflect and glow.
    int32_t d = 300;
    EXPECT_EQ(BlendReflect(d, 200, 1.0f), 255);
    d = -20;
    EXPECT_EQ(BlendMultiply(d, 200, 1.0f), 0);
    d = 100;
    EXPECT_EQ(BlendNormal(d, 200, 1.5f), 200);
    d = 100;
    EXPECT_EQ(BlendNormal(d, 200, -0.5f), 100);
}

TEST(BlendModes, LuminanceWeightedPixelOperations) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> byte(0.0f, 255.0f);
    for (int n = 0; n < 500; ++n) {
        const RgbFloat src{byte(rng), byte(rng), byte(rng)};
        const RgbFloat dst{byte(rng), byte(rng), byte(rng)};
        const double t = (double(src.r) + src.g + src.b) / 765.0;
        auto lighten = [t](double s, double d) {
            const double m = std::min(s, d) * (1 - t) + t * s;
            return std::min(255.0, std::max(m, d) * t + m * (1 - t));
        };
        auto mix = [t](double s, double d) { return std::min(255.0, d * s * (1 - t) / 255 + (d + s) * t); };
        RgbFloat a = dst, b = dst;
        BlendLuminanceLighten(src, a);
        BlendLuminanceMultiplyAdd(src, b);
        EXPECT_NEAR(a.r, lighten(src.r, dst.r), 1e-3);
        EXPECT_NEAR(a.g, lighten(src.g, dst.g), 1e-3);
        EXPECT_NEAR(a.b, lighten(src.b, dst.b), 1e-3);
        EXPECT_NEAR(b.r, mix(src.r, dst.r), 1e-3);
        EXPECT_NEAR(b.g, mix(src.g, dst.g), 1e-3);
        EXPECT_NEAR(b.b, mix(src.b, dst.b), 1e-3);
    }
    // A white source adds fully and clamps; a black one multiplies to black.
    RgbFloat dst{100, 200, 250};
    BlendLuminanceMultiplyAdd(RgbFloat{255, 255, 255}, dst);
    EXPECT_EQ(dst.r, 255.0f);
    EXPECT_EQ(dst.b, 255.0f);
    dst = RgbFloat{100, 200, 250};
    BlendLuminanceMultiplyAdd(RgbFloat{0, 0, 0}, dst);
    EXPECT_EQ(dst.g, 0.0f);
}

}  // namespace
}  // namespace frostel
