// Per-channel blend operations on 8-bit values.
//
// Every operation takes the destination value d (in/out), the source value s
// and the opacity p, computes its mode value B(d, s) and stores
// trunc((1 - p) * d + p * B) in single precision, which it also returns.
// Integer divisions truncate toward zero; "/ 255" is exact division.
// d is taken as 0..255 and p as 0..1: values outside are clamped first, so
// no mode can divide by zero.
#pragma once

#include <cstdint>

namespace frostel {

int BlendAdd(int32_t& d, uint8_t s, float p);             // min(d + s, 255)
int BlendAverage(int32_t& d, uint8_t s, float p);         // (d + s) / 2
int BlendColorBurn(int32_t& d, uint8_t s, float p);
int BlendColorDodge(int32_t& d, uint8_t s, float p);
int BlendDarken(int32_t& d, uint8_t s, float p);          // min(d, s)
int BlendDifference(int32_t& d, uint8_t s, float p);      // |d - s|
int BlendInverseDifference(int32_t& d, uint8_t s, float p);
int BlendExclusion(int32_t& d, uint8_t s, float p);
int BlendMultiply(int32_t& d, uint8_t s, float p);        // d * s / 255
int BlendScreen(int32_t& d, uint8_t s, float p);
int BlendNegation(int32_t& d, uint8_t s, float p);
int BlendNormal(int32_t& d, uint8_t s, float p);          // s
int BlendReflect(int32_t& d, uint8_t s, float p);
int BlendGlow(int32_t& d, uint8_t s, float p);
int BlendLinearBurn(int32_t& d, uint8_t s, float p);
int BlendLinearLight(int32_t& d, uint8_t s, float p);
int BlendHardLight(int32_t& d, uint8_t s, float p);
int BlendPinLight(int32_t& d, uint8_t s, float p);
int BlendVividLight(int32_t& d, uint8_t s, float p);
int BlendHardMix(int32_t& d, uint8_t s, float p);         // vivid light, then 0 or 255
int BlendSoftLightA(int32_t& d, uint8_t s, float p);
int BlendSoftLightB(int32_t& d, uint8_t s, float p);

// Whole-pixel operations weighted by the source's luminance
// t = (R + G + B) / 765, in floats; each destination channel ends clamped
// at 255.
struct RgbFloat {
    float r, g, b;
};
// Lighten-like: m = min(src, dst) (1 - t) + t src, then dst = max(m, dst) t + m (1 - t).
void BlendLuminanceLighten(const RgbFloat& src, RgbFloat& dst);
// Multiply-add mix: dst = dst src (1 - t) / 255 + (dst + src) t.
void BlendLuminanceMultiplyAdd(const RgbFloat& src, RgbFloat& dst);

}  // namespace frostel
