#include "Glass.h"

#include <algorithm>
#include <cmath>

namespace frostel::widgets {

namespace {
constexpr double kPi = 3.14159265358979323846;

// Bilinear sample of the pixels and the mask; outside the sprite counts as
// transparent black.
void Sample(const Sprite& s, double x, double y, double rgbm[4]) {
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    for (int k = 0; k < 4; ++k) rgbm[k] = 0.0;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
            const int sx = x0 + i, sy = y0 + j;
            if (sx < 0 || sy < 0 || sx >= s.width || sy >= s.height) continue;
            const double w = (i ? fx : 1.0 - fx) * (j ? fy : 1.0 - fy);
            const size_t at = size_t(sy) * s.width + sx;
            const Rgb p = s.pixels[at];
            const double m = s.mask[at];
            // Colours weighted by coverage so that transparent texels add nothing.
            rgbm[0] += w * p.r * m;
            rgbm[1] += w * p.g * m;
            rgbm[2] += w * p.b * m;
            rgbm[3] += w * m;
        }
}
}  // namespace

Sprite RotateSprite(const Sprite& src, double radians) {
    Sprite out;
    out.width = src.width;
    out.height = src.height;
    out.pixels.assign(size_t(std::max(0, src.width)) * std::max(0, src.height), Rgb{0, 0, 0});
    out.mask.assign(out.pixels.size(), 0);
    if (src.empty()) return out;
    const double cx = src.width / 2.0, cy = src.height / 2.0;
    const double c = std::cos(radians), s = std::sin(radians);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            // The source point that lands here: turned back by the angle.
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double sx = c * dx + s * dy + cx - 0.5, sy = -s * dx + c * dy + cy - 0.5;
            double v[4];
            Sample(src, sx, sy, v);
            const size_t at = size_t(y) * out.width + x;
            if (v[3] <= 0.0) continue;
            out.pixels[at] = {uint8_t(std::clamp(std::lround(v[0] / v[3]), 0L, 255L)),
                              uint8_t(std::clamp(std::lround(v[1] / v[3]), 0L, 255L)),
                              uint8_t(std::clamp(std::lround(v[2] / v[3]), 0L, 255L))};
            out.mask[at] = uint8_t(std::clamp(std::lround(v[3]), 0L, 255L));
        }
    return out;
}

void BlendSprite(Canvas& out, const Sprite& s, int x, int y) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(out.width(), x + s.width), y1 = std::min(out.height(), y + s.height);
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            const size_t at = size_t(py - y) * s.width + (px - x);
            const uint8_t m = s.mask[at];
            if (m == 0) continue;
            out.Set(px, py, m == 255 ? s.pixels[at] : MixRgb(out.Get(px, py), s.pixels[at], m / 255.0));
        }
}

void BlendSpriteCentred(Canvas& out, const Sprite& s, float cx, float cy) {
    BlendSprite(out, s, int(std::lround(cx - s.width / 2.0f)), int(std::lround(cy - s.height / 2.0f)));
}

void StepGlow(GlowState& g, bool burning) {
    g.glow = burning ? std::min(1.0f, g.glow + 0.06f) : std::max(0.0f, g.glow - 0.02f);
    if (g.glow > 0.0f) {
        g.spin += g.glow;
        if (g.spin >= 360.0f) g.spin -= 360.0f;
    }
}

void RenderGlass(Canvas& out, const GlassLook& look, const GlassSkins& skins) {
    const int w = out.width(), h = out.height();
    out.Fill(look.background);
    const float cx = w / 2.0f, cy = h / 2.0f;
    const double angle = look.angle * kPi / 180.0;
    if (!skins.face.empty()) BlendSpriteCentred(out, RotateSprite(skins.face, -angle), cx, cy);
    if (look.kind == 2) {
        // A lit hemisphere over the face: light from the elevation and the angle + 180 degrees.
        const double r = std::min(w, h) / 2.0;
        const double e = look.elevation * kPi / 180.0, a = angle + kPi;
        const double lx = std::cos(e) * std::cos(a), ly = -std::cos(e) * std::sin(a), lz = std::sin(e);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double nx = (x + 0.5 - cx) / r, ny = (y + 0.5 - cy) / r, q = nx * nx + ny * ny;
                if (q >= 1.0) continue;
                const double light = std::max(0.0, nx * lx + ny * ly + std::sqrt(1.0 - q) * lz) * 255.0;
                out.Set(x, y, MixRgb(out.Get(x, y), Rgb{255, 255, 255}, std::clamp(light / 255.0, 0.0, 1.0) * 0.5));
            }
        const double spin = look.glow.spin * kPi / 180.0;
        if (!skins.knob.empty()) {
            BlendSpriteCentred(out, RotateSprite(skins.knob, (angle + spin) / 2.0), 13.0f, 17.0f);
            BlendSpriteCentred(out, RotateSprite(skins.knob, (-spin - angle) / 2.0), 68.0f, 14.0f);
        }
        if (!skins.marker.empty())
            BlendSpriteCentred(out, skins.marker, cx + float(std::sin(-angle) * (cx - look.inset)),
                               cy - float(std::cos(-angle) * (cy - look.inset)));
    } else {
        const double spin = look.glow.spin * kPi / 180.0;
        if (!skins.knob.empty()) BlendSpriteCentred(out, RotateSprite(skins.knob, (angle + spin) / 2.0), 42.0f, 32.0f);
        if (!skins.marker.empty()) {
            const double m = look.kind == 3 ? -angle : angle;
            BlendSpriteCentred(out, RotateSprite(skins.marker, look.kind == 3 ? -angle : angle),
                               cx + float(std::sin(-m) * (cx - look.inset)), cy - float(std::cos(-m) * (cy - look.inset)));
        }
    }
    if (!skins.highlight.empty() && look.glow.glow > 0.0f) {
        // The highlight's mask, turned by the spin, lights the frame by the three glow weights.
        const Sprite turned = RotateSprite(skins.highlight, look.glow.spin * kPi / 180.0);
        const float g = look.glow.glow;
        const double wr = g * 0.7, wg = g, wb = g * 0.5;
        const int ox = int(std::lround(cx - turned.width / 2.0)), oy = int(std::lround(cy - turned.height / 2.0));
        for (int y = std::max(0, oy); y < std::min(h, oy + turned.height); ++y)
            for (int x = std::max(0, ox); x < std::min(w, ox + turned.width); ++x) {
                const double m = turned.mask[size_t(y - oy) * turned.width + (x - ox)];
                if (m <= 0.0) continue;
                const Rgb p = out.Get(x, y);
                out.Set(x, y, Rgb{uint8_t(std::min(255.0, p.r + m * wr)), uint8_t(std::min(255.0, p.g + m * wg)),
                                  uint8_t(std::min(255.0, p.b + m * wb))});
            }
    }
}

}  // namespace frostel::widgets
