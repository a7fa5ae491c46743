#include "Fire.h"

#include <algorithm>
#include <cmath>

#include "DialMath.h"

namespace frostel::widgets {

namespace {
uint8_t Snap4(double v) { return uint8_t(std::clamp(4 * int(std::lround(v / 4.0)), 0, 255)); }

// Green of the yellow ramp (entries 56..187) through its known points.
double YellowGreen(int i) {
    struct Anchor { int at; double green; };
    static const Anchor kAnchors[] = {{56, 36}, {73, 68}, {74, 72}, {75, 72}, {136, 200}, {187, 252}};
    for (size_t k = 1; k < std::size(kAnchors); ++k) {
        const Anchor a = kAnchors[k - 1], b = kAnchors[k];
        if (i <= b.at) return a.green + (b.green - a.green) * (i - a.at) / double(b.at - a.at);
    }
    return 252;
}

std::array<Rgb, 256> MakePalette() {
    std::array<Rgb, 256> p{};
    for (int i = 1; i < 256; ++i) {
        Rgb& c = p[size_t(i)];
        if (i <= 7) {
            c = {0, 0, uint8_t(24 + (i - 1) * 8 / 3)};
        } else if (i <= 23) {
            c = {uint8_t(8 * (i - 7)), 0, uint8_t(40 - (i - 8) * 40 / 15)};
        } else if (i <= 39) {
            c = {uint8_t(128 + (i - 23) * 52 / 16), 0, 0};
        } else if (i <= 55) {
            c = {uint8_t(180 + (i - 39) * 4), uint8_t(4 + (i - 40) * 28 / 15), 0};
        } else if (i <= 187) {
            c = {252, Snap4(YellowGreen(i)), uint8_t(i >= 72 && i <= 75 ? 250 : 0)};
        } else {
            c = {252, 252, Snap4(4 + (i - 188) * 248.0 / 67.0)};
        }
    }
    return p;
}
}  // namespace

const std::array<Rgb, 256>& FirePalette() {
    static const std::array<Rgb, 256> palette = MakePalette();
    return palette;
}

FireField::FireField(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      heat_(size_t(width_) * (height_ + 1), 0), mask_(size_t(width_) * height_, 0) {}

void FireField::Clear() { std::fill(heat_.begin(), heat_.end(), uint8_t(0)); }

void FireField::MaskAll() { std::fill(mask_.begin(), mask_.end(), uint8_t(1)); }

void FireField::MaskDisc() {
    const double cx = width_ / 2.0, cy = height_ / 2.0, r = std::min(width_, height_) / 2.0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            mask(x, y) = dx * dx + dy * dy <= r * r ? 1 : 0;
        }
}

void FireField::Rise() {
    const int w = width_;
    // From the last pixel back to the second row; the row below the last is the cold guard row.
    for (int y = height_ - 1; y >= 1; --y) {
        uint8_t* row = &heat_[size_t(y) * w];
        const uint8_t* below = row + w;
        uint8_t* above = row - w;
        for (int x = w - 1; x >= 0; --x) {
            const int left = x > 0 ? row[x - 1] : 0, right = x + 1 < w ? row[x + 1] : 0;
            above[x] = uint8_t((row[x] + left + right + below[x]) >> 2);
            if (row[x] > 12) row[x] = uint8_t(row[x] - 12);
        }
    }
}

void FireField::Reseed(int phase) {
    constexpr int kBlock = 8;  // |dx|, |dy| <= 4: at most 16 * 15.9375 = 255
    const int sx = ((phase * 3) % kBlock + kBlock) % kBlock, sy = (phase % kBlock + kBlock) % kBlock;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            if (!mask(x, y)) continue;
            const int dx = (x + sx) % kBlock - kBlock / 2, dy = (y + sy) % kBlock - kBlock / 2;
            heat(x, y) = uint8_t(std::abs(dx) * std::abs(dy) * 15.9375);
        }
}

void FireField::Mark(int cx, int cy) {
    for (int d = -5; d <= 5; ++d) {
        if (cx + d >= 0 && cx + d < width_ && cy >= 0 && cy < height_) heat(cx + d, cy) = 255;
        if (cy + d >= 0 && cy + d < height_ && cx >= 0 && cx < width_) heat(cx, cy + d) = 255;
    }
}

float FireBlendWeight(int heat, bool burning) {
    const float a = burning ? heat / 382.0f + 0.5f : heat / 255.0f;
    return std::clamp(a, 0.0f, 1.0f);
}

void ComposeFire(const FireField& field, bool burning, const Canvas& face, Canvas& out) {
    const auto& palette = FirePalette();
    const int w = std::min({field.width(), face.width(), out.width()});
    const int h = std::min({field.height(), face.height(), out.height()});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t heat = field.heat(x, y);
            const Rgb flame = palette[heat];
            out.Set(x, y, field.mask(x, y) ? MixRgb(face.Get(x, y), flame, FireBlendWeight(heat, burning)) : flame);
        }
}

void DragKnob(KnobState& k, float x, float y, float cx, float cy) {
    float raw;
    if (!DialDirection(kTurnDial, x, y, cx, cy, &raw)) return;
    float a = 360.0f - raw;
    if (a >= 360.0f) a -= 360.0f;
    k.turns = StepTurns(k.turns, k.previous, a);
    k.previous = a;
    k.angle = k.turns * 360.0f + a;
    if (k.limited) k.angle = std::clamp(k.angle, std::min(k.angleLow, k.angleHigh), std::max(k.angleLow, k.angleHigh));
    if (k.angleHigh != k.angleLow) {
        k.value = k.rangeLow + (k.rangeHigh - k.rangeLow) * (k.angle - k.angleLow) / (k.angleHigh - k.angleLow);
        if (k.integer) k.value = std::round(k.value);
    }
}

void SetKnobValue(KnobState& k, int kind, float value) {
    if (!std::isfinite(value)) return;
    if (kind == 3) k.turns = std::trunc(value / 360.0f);
    float angle = value;
    if (kind == 1) {
        value = std::clamp(value, std::min(k.rangeLow, k.rangeHigh), std::max(k.rangeLow, k.rangeHigh));
        if (k.integer) value = std::trunc(value);
        angle = k.rangeHigh == k.rangeLow
                    ? k.angleLow
                    : (value - k.rangeLow) / ((k.rangeHigh - k.rangeLow) / (k.angleHigh - k.angleLow)) + k.angleLow;
    }
    k.value = value;
    k.angle = angle;
    k.previous = std::fmod(std::fmod(angle, 360.0f) + 360.0f, 360.0f);
}

void KnobMarkPoint(float angle, int width, int height, int inset, float* x, float* y) {
    const double t = -angle * kDialPi / 180.0;
    *x = float(width / 2.0 + std::sin(t) * (width / 2.0 - inset));
    *y = float(height / 2.0 - std::cos(t) * (height / 2.0 - inset));
}

}  // namespace frostel::widgets
