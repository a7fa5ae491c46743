#include "Canvas.h"

#include "DialMath.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace frostel::widgets {

Rgb Canvas::Get(int x, int y) const {
    if (!Contains(x, y)) return {0, 0, 0};
    const uint8_t* p = bits_ + y * stride_ + x * 3;
    return {p[2], p[1], p[0]};
}

void Canvas::Set(int x, int y, Rgb c) {
    if (!Contains(x, y)) return;
    uint8_t* p = bits_ + y * stride_ + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

void Canvas::Invert(int x, int y) {
    if (!Contains(x, y)) return;
    uint8_t* p = bits_ + y * stride_ + x * 3;
    p[0] ^= 0xFF;
    p[1] ^= 0xFF;
    p[2] ^= 0xFF;
}

void Canvas::Fill(Rgb c) { FillRect(0, 0, width_, height_, c); }

void Canvas::FillRect(int x0, int y0, int x1, int y1, Rgb c) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) Set(x, y, c);
}

namespace {
constexpr double kExactPi = 3.14159265358979323846;
uint8_t Mix(int a, int b, double f) { return uint8_t(std::lround(a * (1.0 - f) + b * f)); }
double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }
}  // namespace

Rgb MixRgb(Rgb a, Rgb b, double f) { return {Mix(a.r, b.r, f), Mix(a.g, b.g, f), Mix(a.b, b.b, f)}; }

void BlendSetPixel(Canvas& c, int x, int y, int w, Rgb first, Rgb second) {
    w = std::clamp(w, 0, 255);
    c.Set(x, y, MixRgb(first, second, w / 255.0));
}

void MixPixelWithGrey(Canvas& c, int x, int y, int w) {
    w = std::clamp(w, 0, 255);
    c.Set(x, y, MixRgb(c.Get(x, y), Rgb{192, 192, 192}, w / 255.0));
}

void DrawLine(Canvas& c, int x0, int y0, int x1, int y1, Rgb colour) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        c.Set(x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
}

void DrawEllipseAA(Canvas& c, float cx, float cy, float rx, float ry, int weight, bool fill, Rgb face,
                   Rgb line) {
    if (rx <= 0.0f || ry <= 0.0f) return;
    const double strength = std::clamp(weight, 0, 255) / 255.0;
    const int x0 = int(std::floor(cx - rx - 2)), x1 = int(std::ceil(cx + rx + 2));
    const int y0 = int(std::floor(cy - ry - 2)), y1 = int(std::ceil(cy + ry + 2));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (!c.Contains(x, y)) continue;
            double dx = x - cx, dy = y - cy;
            double g = std::sqrt((dx * dx) / (rx * rx) + (dy * dy) / (ry * ry));
            // Distance to the curve in pixels: the level's excess over its gradient.
            double grad = g > 1e-9 ? std::sqrt((dx * dx) / (rx * rx * rx * rx) + (dy * dy) / (ry * ry * ry * ry)) / g
                                   : 1.0 / std::min(rx, ry);
            double d = (g - 1.0) / grad;
            Rgb px = c.Get(x, y);
            if (fill) px = MixRgb(px, face, Clamp01(0.5 - d));
            px = MixRgb(px, line, Clamp01(1.0 - std::fabs(d)) * strength);
            c.Set(x, y, px);
        }
    }
}

namespace {
// Pixels of a figure gathered first, so that crossing strokes invert once.
class PixelMask {
public:
    PixelMask(int x0, int y0, int w, int h) : x0_(x0), y0_(y0), w_(w), h_(h), bits_(size_t(w) * h, 0) {}
    void Mark(int x, int y) {
        x -= x0_;
        y -= y0_;
        if (x >= 0 && y >= 0 && x < w_ && y < h_) bits_[size_t(y) * w_ + x] = 1;
    }
    void HLine(int xa, int xb, int y) { for (int x = std::min(xa, xb); x <= std::max(xa, xb); ++x) Mark(x, y); }
    void VLine(int x, int ya, int yb) { for (int y = std::min(ya, yb); y <= std::max(ya, yb); ++y) Mark(x, y); }
    void InvertInto(Canvas& c) const {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (bits_[size_t(y) * w_ + x]) c.Invert(x0_ + x, y0_ + y);
    }

private:
    int x0_, y0_, w_, h_;
    std::vector<uint8_t> bits_;
};
}  // namespace

void DrawMarkerCross(Canvas& c, int x, int y, int style) {
    PixelMask m(x - 20, y - 20, 41, 41);
    switch (style) {
        case 1: m.HLine(x - 20, x, y); m.VLine(x, y - 20, y); break;
        case 2: m.HLine(x, x + 20, y); m.VLine(x, y, y + 20); break;
        case 3: m.HLine(x, x + 20, y); m.VLine(x, y - 20, y); break;
        default: m.HLine(x - 20, x + 20, y); m.VLine(x, y - 20, y + 20); break;
    }
    m.HLine(x - 10, x + 10, y - 10);
    m.HLine(x - 10, x + 10, y + 10);
    m.VLine(x - 10, y - 10, y + 10);
    m.VLine(x + 10, y - 10, y + 10);
    m.InvertInto(c);
}

void InvertFrameEdges(Canvas& c, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return;
    // Clip first: the frame may be far larger than the canvas.
    const int left = std::max(x, 0), right = std::min(x + w - 1, c.width() - 1);
    const int top = std::max(y, 0), bottom = std::min(y + h - 1, c.height() - 1);
    if (left > right || top > bottom) return;
    PixelMask m(left, top, right - left + 1, bottom - top + 1);
    if (y >= 0) m.HLine(left, right, y);
    if (y + h - 1 < c.height()) m.HLine(left, right, y + h - 1);
    if (x >= 0) m.VLine(x, top, bottom);
    if (x + w - 1 < c.width()) m.VLine(x + w - 1, top, bottom);
    m.InvertInto(c);
}

namespace {
// The light's direction: around 0 points right, 90 up, as the dial reads the mouse.
void LightVector(float around, float elevation, double l[3]) {
    double a = around * kExactPi / 180.0, e = elevation * kExactPi / 180.0;
    l[0] = std::cos(e) * std::cos(a);
    l[1] = -std::cos(e) * std::sin(a);
    l[2] = std::sin(e);
}
}  // namespace

void SpherePoint(const SphereLook& look, int width, int height, float* x, float* y) {
    double l[3];
    LightVector(look.around, look.elevation, l);
    const double r = std::min(width, height) / 2.0;
    *x = float(width / 2.0 + l[0] * r);
    *y = float(height / 2.0 + l[1] * r);
}

void PaintDialSphere(Canvas& c, const SphereLook& look) {
    const int w = c.width(), h = c.height();
    const double cx = w / 2.0, cy = h / 2.0;
    const double r = std::min(w, h) / 2.0;
    double l[3];
    LightVector(look.around, look.elevation, l);
    c.Fill(look.background);
    if (r <= 0.5) return;
    const int t0 = kSphereTextureSize / 2;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double dist = std::sqrt(dx * dx + dy * dy);
            const double cover = Clamp01(r - dist + 0.5);
            if (cover <= 0.0) continue;
            const double nx = dx / r, ny = dy / r;
            const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
            double b = std::max(0.0, nx * l[0] + ny * l[1] + nz * l[2]);
            b = b * b * b;
            Rgb base = look.face;
            if (look.texture) {
                // The texture is 72 texels across: dials larger than that repeat its rim.
                const int tx = std::clamp(t0 + int(std::floor(dx)), 0, kSphereTextureSize - 1);
                const int ty = std::clamp(t0 + int(std::floor(dy)), 0, kSphereTextureSize - 1);
                const uint8_t* t = look.texture + (size_t(ty) * kSphereTextureSize + tx) * 3;
                base = {uint8_t(base.r * t[0] / 255), uint8_t(base.g * t[1] / 255), uint8_t(base.b * t[2] / 255)};
            }
            Rgb px;
            if (look.pad) {
                const double hl = std::pow(b, look.hover ? 4.0 : 6.0) * 150.0;
                const double shade = 0.55 + 0.45 * nz;
                px = {uint8_t(std::clamp(base.r * shade + hl, 0.0, 255.0)),
                      uint8_t(std::clamp(base.g * shade + hl, 0.0, 255.0)),
                      uint8_t(std::clamp(base.b * shade + hl, 0.0, 255.0))};
            } else {
                const double light = std::clamp((std::pow(b, 20.0) + b) * 205.0 + 50.0, 0.0, 255.0) / 255.0;
                // Lit on a soft ambient floor, so the far side reads as the same grey ball.
                const double level = 0.45 + 0.55 * light;
                px = {uint8_t(base.r * level), uint8_t(base.g * level), uint8_t(base.b * level)};
            }
            if (!look.enabled) px = MixRgb(px, Rgb{192, 192, 192}, 0.6);
            c.Set(x, y, MixRgb(look.background, px, cover));
        }
    }
    if (look.pad) {
        float px, py;
        SpherePoint(look, w, h, &px, &py);
        const int ix = int(std::floor(px)), iy = int(std::floor(py));
        const Rgb ink = look.enabled ? Rgb{0, 0, 0} : Rgb{127, 127, 127};
        DrawLine(c, ix - 3, iy, ix + 4, iy, ink);
        DrawLine(c, ix, iy - 3, ix, iy + 4, ink);
    }
}

void PaintTurnDial(Canvas& c, const TurnDialLook& look) {
    const float cx = c.width() / 2.0f, cy = c.height() / 2.0f;
    const Rgb line = look.enabled ? look.line : Rgb{127, 127, 127};
    float kx, ky;
    DialKnobPoint(look.angle, cx, cy, cx - float(look.knobSize), &kx, &ky);
    const int ix = int(std::lround(kx)), iy = int(std::lround(ky));
    if (look.skin) {
        c.Fill(look.background);
        for (int y = 0; y < std::min(c.height(), look.skin->height()); ++y)
            for (int x = 0; x < std::min(c.width(), look.skin->width()); ++x) c.Set(x, y, look.skin->Get(x, y));
        if (look.knob && look.knobAlpha) {
            const int kw = look.knob->width(), kh = look.knob->height();
            const int ox = ix - kw / 2, oy = iy - kh / 2;
            for (int y = 0; y < kh; ++y)
                for (int x = 0; x < kw; ++x)
                    BlendSetPixel(c, ox + x, oy + y, look.knobAlpha[size_t(y) * kw + x], c.Get(ox + x, oy + y),
                                  look.knob->Get(x, y));
        } else {
            DrawLine(c, ix - 5, iy, ix + 5, iy, line);
            DrawLine(c, ix, iy - 5, ix, iy + 5, line);
        }
        return;
    }
    c.Fill(look.background);
    const float rd = cx - float(look.knobSize) - 2.0f;
    DrawEllipseAA(c, cx - 0.5f, cy - 0.5f, rd, rd, 255, true, look.face, line);
    DrawLine(c, ix - 5, iy, ix + 5, iy, line);
    DrawLine(c, ix, iy - 5, ix, iy + 5, line);
    DrawEllipseAA(c, float(ix), float(iy), 5.0f, 5.0f, 255, false, look.face, line);
}

}  // namespace frostel::widgets
