#include "DrawingAids.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace frostel::widgets {

namespace {
void Plot(Canvas& c, int x, int y, int w, PlotMode mode, Rgb first, Rgb second) {
    if (!c.Contains(x, y) || w <= 0) return;
    switch (mode) {
        case PlotMode::MixGrey:
            MixPixelWithGrey(c, x, y, w);
            break;
        case PlotMode::Blend:
            BlendSetPixel(c, x, y, w, first, second);
            break;
        case PlotMode::Set:
            if (w >= 128) c.Set(x, y, first);
            break;
    }
}
}  // namespace

void DrawCircleAA(Canvas& c, int cx, int cy, int r, PlotMode mode, Rgb first, Rgb second) {
    if (r <= 0) return;
    // One octant (x from 0 while x <= y), mirrored into the other seven.
    for (int x = 0;; ++x) {
        const double y = std::sqrt(double(r) * r - double(x) * x);
        if (x > y) break;
        const int y0 = int(std::floor(y));
        const int far = int(std::lround((y - y0) * 255.0)), near = 255 - far;
        for (const auto& [dy, w] : {std::pair{y0, near}, std::pair{y0 + 1, far}}) {
            const int pts[8][2] = {{x, dy}, {-x, dy}, {x, -dy}, {-x, -dy}, {dy, x}, {-dy, x}, {dy, -x}, {-dy, -x}};
            for (const auto& p : pts) Plot(c, cx + p[0], cy + p[1], w, mode, first, second);
        }
    }
}

void DrawQuarterRamp(Canvas& c, int cx, int cy, int r) {
    if (r <= 0) return;
    for (int y = 0; y < r; ++y)
        for (int x = 0; x < r; ++x) {
            const double d = std::hypot(x, y);
            const int g = std::clamp(int(std::lround(255.0 * (1.0 - d / r))), 0, 255);
            if (c.Contains(cx + x, cy + y)) c.Set(cx + x, cy + y, Rgb{uint8_t(g), uint8_t(g), uint8_t(g)});
        }
}

void DrawLineAA(Canvas& c, float x0, float y0, float x1, float y1) {
    const bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const float dx = x1 - x0, gradient = dx == 0.0f ? 0.0f : (y1 - y0) / dx;
    for (int x = int(std::lround(x0)); x <= int(std::lround(x1)); ++x) {
        const float y = y0 + gradient * (x - x0);
        const int yi = int(std::floor(y));
        const int far = int(std::lround((y - yi) * 255.0f)), near = 255 - far;
        auto plot = [&](int a, int b, int w) {
            if (steep) std::swap(a, b);
            if (c.Contains(a, b) && w > 0) MixPixelWithGrey(c, a, b, w);
        };
        plot(x, yi, near);
        plot(x, yi + 1, far);
    }
}

}  // namespace frostel::widgets
