#include "AboutArt.h"

#include "ArtPixels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace frostel::aboutart {

namespace {

using hostutil::RgbaImage;

using art::Blank;
using art::Colour;
using art::Mix;
using art::Put;

Colour Get(const RgbaImage& img, int x, int y) {
    const uint8_t* p = img.pixels.data() + (size_t(y) * img.width + x) * 4;
    return {double(p[0]), double(p[1]), double(p[2])};
}

// Distance from a point to the segment a-b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0.0;
    const double qx = ax + t * dx - px, qy = ay + t * dy - py;
    return std::sqrt(qx * qx + qy * qy);
}

struct Segment {
    double ax, ay, bx, by, width;
};

// One arm of the crystal: a spine with side branches that shrink outwards,
// each branch with its own small twigs.
void Arm(std::vector<Segment>& out, double cx, double cy, double angle, double length, double width, int depth) {
    const double ex = cx + std::cos(angle) * length, ey = cy + std::sin(angle) * length;
    out.push_back({cx, cy, ex, ey, width});
    if (depth == 0) return;
    const int branches = depth == 2 ? 4 : 2;
    for (int i = 1; i <= branches; ++i) {
        const double t = double(i) / (branches + 1);
        const double bx = cx + (ex - cx) * t, by = cy + (ey - cy) * t;
        const double sub = length * (1.0 - t) * (depth == 2 ? 0.55 : 0.5);
        for (double side : {-1.0, 1.0})
            Arm(out, bx, by, angle + side * 1.0471976, sub, width * 0.6, depth - 1);
    }
}

RgbaImage Logo() {
    constexpr int W = 400, H = 300;
    RgbaImage img = Blank(W, H);
    const Colour deep{18, 40, 82}, light{120, 170, 215}, ice{235, 248, 255}, glow{150, 210, 250};
    // Night sky to a pale horizon.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double t = std::pow(y / double(H - 1), 1.4);
            const double dx = (x - W / 2) / double(W), dy = (y - H / 2) / double(H);
            const double vignette = std::clamp(1.0 - 0.8 * (dx * dx + dy * dy), 0.0, 1.0);
            Colour c = Mix(deep, light, t);
            Put(img, x, y, Mix(Colour{8, 16, 36}, c, vignette));
        }
    std::vector<Segment> segments;
    const double cx = W / 2.0, cy = H / 2.0;
    for (int k = 0; k < 6; ++k) Arm(segments, cx, cy, -1.5707963 + k * 1.0471976, 128.0, 5.0, 2);
    // A small second crystal in the corner, turned.
    for (int k = 0; k < 6; ++k) Arm(segments, 62.0, 238.0, -1.3 + k * 1.0471976, 40.0, 2.4, 1);
    for (int k = 0; k < 6; ++k) Arm(segments, 344.0, 58.0, -1.1 + k * 1.0471976, 30.0, 2.0, 1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            double cover = 0.0, halo = 0.0;
            for (const Segment& s : segments) {
                // Skip segments whose box is far from the pixel.
                if (px < std::min(s.ax, s.bx) - 14 || px > std::max(s.ax, s.bx) + 14 ||
                    py < std::min(s.ay, s.by) - 14 || py > std::max(s.ay, s.by) + 14)
                    continue;
                const double d = SegmentDistance(px, py, s.ax, s.ay, s.bx, s.by);
                cover = std::max(cover, std::clamp(s.width / 2 - d + 0.5, 0.0, 1.0));
                halo = std::max(halo, std::exp(-d * d / (2 * 36.0)) * 0.45);
            }
            Colour c = Get(img, x, y);
            c = Mix(c, glow, halo);
            // Facets: the crystal is lighter towards its centre.
            const double r = std::hypot(px - cx, py - cy) / 140.0;
            c = Mix(c, Mix(ice, Colour{170, 215, 245}, r), cover);
            Put(img, x, y, c);
        }
    return img;
}

// The marks: 16 x 15 each, dark on white (white leaves the item as it is).
RgbaImage FontMarks() {
    RgbaImage img = Blank(32, 15);
    const Colour printer{64, 64, 64}, paper{255, 255, 255}, tt1{0, 0, 160}, tt2{96, 96, 96};
    // Device font: a small printer (x 0..15).
    for (int x = 4; x <= 11; ++x)
        for (int y = 1; y <= 5; ++y) Put(img, x, y, (x == 4 || x == 11 || y == 1) ? printer : paper);
    for (int x = 1; x <= 14; ++x)
        for (int y = 6; y <= 11; ++y) {
            const bool edge = x == 1 || x == 14 || y == 6 || y == 11;
            Put(img, x, y, edge ? printer : Colour{160, 160, 160});
        }
    Put(img, 12, 8, Colour{0, 160, 0});
    for (int x = 4; x <= 11; ++x) Put(img, x, 12, printer);
    for (int x = 4; x <= 11; ++x) Put(img, x, 13, paper), Put(img, 4, 13, printer), Put(img, 11, 13, printer);
    // TrueType: two overlapping T's (x 16..31), the back one grey.
    auto letterT = [&img](int x0, int y0, Colour c) {
        for (int x = x0; x < x0 + 9; ++x) Put(img, x, y0, c), Put(img, x, y0 + 1, c);
        Put(img, x0, y0 + 2, c);
        Put(img, x0 + 8, y0 + 2, c);
        for (int y = y0 + 2; y < y0 + 10; ++y) Put(img, x0 + 3, y, c), Put(img, x0 + 4, y, c), Put(img, x0 + 5, y, c);
        for (int x = x0 + 2; x <= x0 + 6; ++x) Put(img, x, y0 + 10, c);
    };
    letterT(17, 1, tt2);
    letterT(22, 4, tt1);
    return img;
}

}  // namespace

std::vector<Art> AboutBitmaps() {
    return {{"about-logo.bmp", Logo()}, {"fontbmp.bmp", FontMarks()}};
}

}  // namespace frostel::aboutart
