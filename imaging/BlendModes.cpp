#include "BlendModes.h"

#include <algorithm>
#include <cstdlib>

namespace frostel {

namespace {

// Clamps the inputs, stores the opacity mix of d and the mode value b.
template <typename Mode>
int Mix(int32_t& dest, uint8_t src, float p, Mode mode) {
    const int d = std::clamp<int32_t>(dest, 0, 255);
    const int s = src;
    p = std::clamp(p, 0.0f, 1.0f);
    const int b = mode(d, s);
    dest = static_cast<int32_t>((1.0f - p) * static_cast<float>(d) + p * static_cast<float>(b));
    return dest;
}

int VividLight(int d, int s) {
    if (s >= 128) return std::min(255, (d * 256) / (511 - 2 * s));
    if (s == 0) return 0;
    return std::max(0, 255 + ((d - 255) * 256) / (2 * s));
}

}  // namespace

int BlendAdd(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return std::min(d + s, 255); });
}

int BlendAverage(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return (d + s) / 2; });
}

int BlendColorBurn(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return s == 0 ? 0 : std::max(0, 255 + ((d - 255) * 256) / s);
    });
}

int BlendColorDodge(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return s == 255 ? 255 : std::min(255, (d * 256) / (255 - s));
    });
}

int BlendDarken(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return std::min(d, s); });
}

int BlendDifference(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return std::abs(d - s); });
}

int BlendInverseDifference(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return 255 - std::abs(d - s); });
}

int BlendExclusion(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return (d + s - 2 * d * s / 255) & 0xFF; });
}

int BlendMultiply(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return d * s / 255; });
}

int BlendScreen(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return 255 - ((255 - d) * (255 - s)) / 256; });
}

int BlendNegation(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return 255 - std::abs(255 - d - s); });
}

int BlendNormal(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int, int s) { return s; });
}

int BlendReflect(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return d == 255 ? 255 : std::min(255, s * s / (255 - d));
    });
}

int BlendGlow(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return s == 255 ? 255 : std::min(255, d * d / (255 - s));
    });
}

int BlendLinearBurn(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return d + s < 255 ? 0 : d + s - 255; });
}

int BlendLinearLight(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return s >= 128 ? std::min(255, d + 2 * (s - 128)) : std::max(0, d + 2 * s - 255);
    });
}

int BlendHardLight(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return s >= 128 ? 255 + 2 * (d - 255) * (255 - s) / 255 : 2 * d * s / 255;
    });
}

int BlendPinLight(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) {
        return d >= 128 ? std::max(2 * d - 256, s) : std::min(2 * d, s);
    });
}

int BlendVividLight(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, VividLight);
}

int BlendHardMix(int32_t& d, uint8_t s, float p) {
    return Mix(d, s, p, [](int d, int s) { return VividLight(d, s) < 128 ? 0 : 255; });
}

int BlendSoftLightA(int32_t& d, uint8_t s, float p) {
    // m s / 255 is an integer quotient; the truncated rest (1 - s / 255) s
    // is the quotient s (255 - s) / 255, kept in integers so that no float
    // sum lands just below a whole number.
    return Mix(d, s, p, [](int d, int s) {
        const int m = d * s / 255;
        return m * s / 255 + s * (255 - s) / 255;
    });
}

int BlendSoftLightB(int32_t& d, uint8_t s, float p) {
    // 255 - x / 255 truncated is 255 minus the quotient rounded up.
    return Mix(d, s, p, [](int d, int s) {
        if (s < 128) return ((d | 1) + 127) * s / 255;
        return 255 - ((382 - (d & ~1)) * (255 - s) + 254) / 255;
    });
}

namespace {

float Luminance(const RgbFloat& c) { return (c.r + c.g + c.b) / 765.0f; }

float LightenChannel(float src, float dst, float t) {
    const float m = std::min(src, dst) * (1.0f - t) + t * src;
    return std::min(std::max(m, dst) * t + m * (1.0f - t), 255.0f);
}

float MultiplyAddChannel(float src, float dst, float t) {
    return std::min(dst * src * (1.0f - t) / 255.0f + (dst + src) * t, 255.0f);
}

}  // namespace

void BlendLuminanceLighten(const RgbFloat& src, RgbFloat& dst) {
    const float t = Luminance(src);
    dst.r = LightenChannel(src.r, dst.r, t);
    dst.g = LightenChannel(src.g, dst.g, t);
    dst.b = LightenChannel(src.b, dst.b, t);
}

void BlendLuminanceMultiplyAdd(const RgbFloat& src, RgbFloat& dst) {
    const float t = Luminance(src);
    dst.r = MultiplyAddChannel(src.r, dst.r, t);
    dst.g = MultiplyAddChannel(src.g, dst.g, t);
    dst.b = MultiplyAddChannel(src.b, dst.b, t);
}

}  // namespace frostel
