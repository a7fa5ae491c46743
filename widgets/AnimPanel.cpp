#include "AnimPanel.h"

#include <algorithm>
#include <cmath>

#include "BSpline.h"

namespace frostel::widgets {

std::vector<LightSpot> MakeLightSpots(int count, int size, int w, int h, SpotRandom& random) {
    std::vector<LightSpot> spots;
    if (count <= 0 || w <= 0 || h <= 0) return spots;
    for (int i = 0; i < count; ++i) {
        LightSpot s;
        s.size = size;
        s.x = std::clamp(random.Next() % w, 0, std::max(0, w - size));
        s.y = std::clamp(random.Next() % h, 0, std::max(0, h - size));
        s.r = float(random.Next() % 255) / 2.0f;
        s.g = float(random.Next() % 255) / 2.0f;
        s.b = float(random.Next() % 255) / 2.0f;
        s.angle = (random.Next() % 3600) / 10.0 * 3.14159265358979323846 / 180.0;
        s.vx = 2.0 * std::cos(s.angle);
        s.vy = 2.0 * std::sin(s.angle);
        spots.push_back(s);
    }
    return spots;
}

void MoveLightSpot(LightSpot& s, int w, int h) {
    s.x += s.vx;
    s.y += s.vy;
    const double far_x = std::max(0, w - s.size), far_y = std::max(0, h - s.size);
    if (s.x <= 0.0 || s.x >= far_x) {
        s.vx = -s.vx;
        s.x = std::clamp(s.x, 0.0, far_x);
    }
    if (s.y <= 0.0 || s.y >= far_y) {
        s.vy = -s.vy;
        s.y = std::clamp(s.y, 0.0, far_y);
    }
}

void AddLightSpot(Canvas& frame, const LightSpot& s, const std::vector<float>& image) {
    if (image.size() < size_t(s.size) * s.size) return;
    const int x0 = int(s.x), y0 = int(s.y);
    for (int j = std::max(0, -y0); j < s.size && y0 + j < frame.height(); ++j)
        for (int i = std::max(0, -x0); i < s.size && x0 + i < frame.width(); ++i) {
            const float v = image[size_t(j) * s.size + i];
            if (v <= 0.0f) continue;
            const Rgb p = frame.Get(x0 + i, y0 + j);
            auto add = [v](uint8_t c, float k) { return uint8_t(std::min(255.0f, c + v * k)); };
            frame.Set(x0 + i, y0 + j, Rgb{add(p.r, s.r), add(p.g, s.g), add(p.b, s.b)});
        }
}

void DrawGlowSpot(Canvas& frame, const GlowSpot& g) {
    if (!g.visible || g.intensity.size() < size_t(g.width) * g.height) return;
    const int x0 = g.left + g.width / 16, y0 = g.top - g.height / 16;
    for (int j = 0; j < g.height; ++j) {
        const int y = y0 + j;
        if (y < 0 || y >= frame.height()) continue;
        for (int i = 0; i < g.width; ++i) {
            const int x = x0 + i;
            if (x < 0 || x >= frame.width()) continue;
            const float k = g.intensity[size_t(j) * g.width + i];
            const Rgb p = frame.Get(x, y);
            auto add = [k](uint8_t c, uint8_t by) { return uint8_t(std::clamp(c + by * k, 0.0f, 255.0f)); };
            frame.Set(x, y, Rgb{add(p.r, g.colour.r), add(p.g, g.colour.g), add(p.b, g.colour.b)});
        }
    }
}

Rgb RefractPixel(const Canvas& source, int x, int y, const RefractionMaps& maps, int mx, int my) {
    const Rgb here = source.Get(x, y);
    if (mx < 0 || my < 0 || mx >= maps.width || my >= maps.height) return here;
    const size_t at = size_t(my) * maps.width + mx;
    const float w = std::clamp(maps.weight[at], 0.0f, 1.0f);
    if (w <= 0.0f) return here;
    // The displaced read stays inside the picture.
    const int sx = std::clamp(x + int(std::lround(maps.dx[at])), 0, source.width() - 1);
    const int sy = std::clamp(y + int(std::lround(maps.dy[at])), 0, source.height() - 1);
    const Rgb p = source.Get(sx, sy);
    const int b = maps.brightness[at];
    const Rgb lit{uint8_t(std::clamp(p.r + b, 0, 255)), uint8_t(std::clamp(p.g + b, 0, 255)),
                  uint8_t(std::clamp(p.b + b, 0, 255))};
    return w >= 1.0f ? lit : MixRgb(here, lit, w);
}

void Refract(const Canvas& source, Canvas& out, const RefractionMaps& maps) {
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.Set(x, y, RefractPixel(source, x, y, maps, x, y));
}

void Scatter(Canvas& frame) {
    const int w = frame.width(), h = frame.height();
    if (w <= 0 || h <= 0) return;
    SpotRandom random(frame.Get(0, 0).b);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int r = random.Next();
            const int px = x - 2 + r % 3, py = y - 1 + r % 5;
            if (px < 0 || py < 0 || px >= w || py >= h) continue;
            const Rgb a = frame.Get(x, y);
            frame.Set(x, y, frame.Get(px, py));
            frame.Set(px, py, a);
        }
}

RefractionMaps MakeRefractionMaps(int w, int h, const std::vector<uint8_t>& brightnessGrey,
                                  const std::vector<uint8_t>& weightGrey, const std::vector<uint8_t>& reliefGrey,
                                  double power, double scale) {
    RefractionMaps m;
    const size_t n = size_t(std::max(0, w)) * std::max(0, h);
    if (n == 0 || brightnessGrey.size() < n || weightGrey.size() < n || reliefGrey.size() < n) return m;
    m.width = w;
    m.height = h;
    m.brightness.resize(n);
    m.weight.resize(n);
    for (size_t i = 0; i < n; ++i) {
        m.brightness[i] = int(brightnessGrey[i]) - 127;
        m.weight[i] = weightGrey[i] / 255.0f;
    }
    // The relief smoothed by a 2 x 2 box, its maximum, the profile.
    std::vector<float> relief(n, 0.0f);
    float top = 0.0f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x1 = std::min(x + 1, w - 1), y1 = std::min(y + 1, h - 1);
            const float r = 0.25f * (reliefGrey[size_t(y) * w + x] + reliefGrey[size_t(y) * w + x1] +
                                     reliefGrey[size_t(y1) * w + x] + reliefGrey[size_t(y1) * w + x1]);
            relief[size_t(y) * w + x] = r;
            top = std::max(top, r);
        }
    m.dx.assign(n, 0.0f);
    m.dy.assign(n, 0.0f);
    if (top <= 0.0f || w < 5 || h < 5) return m;
    for (float& r : relief) r = float(std::pow(std::max(0.0, 1.01 - r / top), power) * scale / top);
    ResampleImageBSpline(w, h, 1, 1, nullptr, relief.data(), nullptr, nullptr, m.dx.data(), 1);
    ResampleImageBSpline(w, h, 1, 1, nullptr, relief.data(), nullptr, nullptr, m.dy.data(), 0);
    return m;
}

}  // namespace frostel::widgets
