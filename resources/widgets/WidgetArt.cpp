#include "WidgetArt.h"

#include "ArtPixels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace frostel::widgetart {

namespace {

using hostutil::RgbaImage;

using art::Blank;
using art::Colour;
using art::Mix;
using art::Put;
constexpr Colour kGrey{232, 232, 232};  // the dialog's background

// Signed distance from the pixel centre to a rounded rectangle (negative inside).
double RoundedBox(double px, double py, double x0, double y0, double x1, double y1, double r) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double qx = std::fabs(px - cx) - ((x1 - x0) / 2 - r);
    const double qy = std::fabs(py - cy) - ((y1 - y0) / 2 - r);
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

struct ButtonStyle {
    Colour border, top, bottom;
    double borderWidth;
};

// One pixel of a push button `width` wide and 24 high.
Colour ButtonPixel(const ButtonStyle& s, int width, int x, int y) {
    const double d = RoundedBox(x + 0.5, y + 0.5, 0.5, 0.5, width - 0.5, 23.5, 8.0);
    const double t = y / 23.0;
    Colour fill = Mix(s.top, s.bottom, t);
    if (y < 11) fill = Mix(fill, Colour{255, 255, 255}, 0.25 * (1.0 - y / 11.0));
    Colour inside = Mix(fill, s.border, std::clamp(d + s.borderWidth + 0.5, 0.0, 1.0));
    return Mix(kGrey, inside, std::clamp(0.5 - d, 0.0, 1.0));
}

RgbaImage ButtonPart(const ButtonStyle& s, int part) {
    const int virtualWidth = 100;  // caps and middle cut from one wide button
    RgbaImage img = Blank(18, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 18; ++x) {
            const int vx = part == 0 ? x : (part == 2 ? virtualWidth - 18 + x : virtualWidth / 2);
            Put(img, x, y, ButtonPixel(s, virtualWidth, vx, y));
        }
    return img;
}

double Hash(int x, int y, int seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

// Smooth value noise over a wrapped grid of `cell` pixels.
double Noise(double x, double y, int cell, int seed) {
    const double fx = x / cell, fy = y / cell;
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    auto s = [](double t) { return t * t * (3 - 2 * t); };
    const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * s(tx)) * (1 - s(ty)) + (c + (d - c) * s(tx)) * s(ty);
}

RgbaImage SphereTexture() {
    RgbaImage img = Blank(72, 72);
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 72; ++x) {
            const double n = 0.6 * Noise(x, y, 12, 1) + 0.3 * Noise(x, y, 5, 2) + 0.1 * Noise(x, y, 2, 3);
            // Faint frost veins: thin bright ridges where a second noise crosses its middle.
            const double vein = std::max(0.0, 1.0 - std::fabs(Noise(x, y, 9, 4) - 0.5) * 14.0);
            Colour c{214 + 34 * n, 224 + 28 * n, 240 + 15 * n};
            c = Mix(c, Colour{255, 255, 255}, 0.5 * vein);
            Put(img, x, y, c);
        }
    return img;
}

// A 40 x 24 face of the rig's control button: a rounded tile with a plus.
RgbaImage RigButtonFace(Colour tile, Colour ink, double sink) {
    RgbaImage img = Blank(40, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) {
            const double d = RoundedBox(x + 0.5, y + 0.5, 1, 1, 39, 23, 5);
            Colour c = Mix(tile, Colour{0, 0, 0}, sink * (y / 23.0));
            c = Mix(c, ink, std::clamp(d + 1.5, 0.0, 1.0));
            const bool plus = (std::abs(x - 20) <= 6 && std::abs(y - 12) <= 1) || (std::abs(y - 12) <= 6 && std::abs(x - 20) <= 1);
            if (plus) c = ink;
            Put(img, x, y, Mix(kGrey, c, std::clamp(0.5 - d, 0.0, 1.0)));
        }
    return img;
}

RgbaImage RigPanel() {
    RgbaImage img = Blank(160, 46);
    for (int y = 0; y < 46; ++y)
        for (int x = 0; x < 160; ++x) {
            Colour c = Mix(Colour{40, 70, 120}, Colour{120, 170, 220}, x / 159.0);
            c = Mix(c, Colour{255, 255, 255}, 0.3 * Noise(x, y, 8, 7) * (1.0 - y / 45.0));
            Put(img, x, y, c);
        }
    return img;
}

// Coverage of a disc of radius r about (c, c) at the pixel (x, y).
double Disc(int x, int y, double c, double r) {
    const double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
    return std::clamp(r - d + 0.5, 0.0, 1.0);
}

RgbaImage Grey(int size, double (*value)(int, int, int)) {
    RgbaImage img = Blank(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double v = 255.0 * value(x, y, size);
            Put(img, x, y, Colour{v, v, v});
        }
    return img;
}

// The glass knob's face: a blue-grey glass disc lit from the upper left, with
// a groove from the centre to the top so that its turn shows.
RgbaImage GlassFace() {
    RgbaImage img = Blank(84, 84);
    for (int y = 0; y < 84; ++y)
        for (int x = 0; x < 84; ++x) {
            const double nx = (x + 0.5 - 42) / 40, ny = (y + 0.5 - 42) / 40;
            const double q = std::min(1.0, nx * nx + ny * ny), nz = std::sqrt(1.0 - q);
            const double lit = std::max(0.0, -0.45 * nx - 0.55 * ny + 0.7 * nz);
            Colour c = Mix(Colour{70, 96, 130}, Colour{200, 222, 240}, lit);
            c = Mix(c, Colour{255, 255, 255}, 0.5 * std::pow(lit, 12));
            if (std::fabs(x + 0.5 - 42) < 2.0 && y < 38 && y > 6) c = Mix(c, Colour{30, 40, 60}, 0.7);
            Put(img, x, y, c);
        }
    return img;
}

// A small glossy bead of `size` pixels in `tint`.
RgbaImage Bead(int size, Colour tint) {
    RgbaImage img = Blank(size, size);
    const double r = size / 2.0 - 1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double nx = (x + 0.5 - size / 2.0) / r, ny = (y + 0.5 - size / 2.0) / r;
            const double q = std::min(1.0, nx * nx + ny * ny), nz = std::sqrt(1.0 - q);
            const double lit = std::max(0.0, -0.5 * nx - 0.5 * ny + 0.7 * nz);
            Colour c = Mix(Mix(tint, Colour{0, 0, 0}, 0.4), tint, lit);
            Put(img, x, y, Mix(c, Colour{255, 255, 255}, 0.7 * std::pow(lit, 16)));
        }
    return img;
}

}  // namespace

std::vector<Art> GlassArt() {
    return {
        {"glass-face.bmp", GlassFace()},
        {"glass-face-mask.bmp", Grey(84, [](int x, int y, int n) { return Disc(x, y, n / 2.0, n / 2.0 - 2); })},
        {"glass-knob.bmp", Bead(60, Colour{120, 180, 230})},
        // The knob's bead: a ring of glass, clear in its middle.
        {"glass-knob-mask.bmp", Grey(60, [](int x, int y, int n) {
             return 0.75 * Disc(x, y, n / 2.0, n / 2.0 - 1) * (1.0 - 0.6 * Disc(x, y, n / 2.0, n / 4.0));
         })},
        {"glass-marker.bmp", Bead(18, Colour{250, 140, 40})},
        {"glass-marker-mask.bmp", Grey(18, [](int x, int y, int n) { return Disc(x, y, n / 2.0, n / 2.0 - 1.5); })},
        // The glow's highlight: a soft streak across the upper half.
        {"glass-highlight.bmp", Grey(84, [](int x, int y, int n) {
             const double u = (x + 0.5 - n / 2.0) / (n / 2.0), v = (y + 0.5 - n / 2.0) / (n / 2.0);
             const double streak = std::exp(-std::pow((v + 0.45 - 0.25 * u * u) / 0.12, 2));
             return 0.8 * streak * Disc(x, y, n / 2.0, n / 2.0 - 3);
         })},
        // The glass's brightness offset (grey - 127): a bright rim at the top, a darker bottom.
        {"glass-brightness.bmp", Grey(84, [](int x, int y, int n) {
             const double u = (x + 0.5 - n / 2.0) / (n / 2.0), v = (y + 0.5 - n / 2.0) / (n / 2.0);
             const double streak = std::exp(-std::pow((v + 0.6 - 0.3 * u * u) / 0.15, 2));
             return std::clamp((127.0 + 110.0 * streak - 35.0 * std::max(0.0, v)) / 255.0, 0.0, 1.0);
         })},
        // A dome relief for the glass displacement (grey = height).
        {"glass-relief.bmp", Grey(84, [](int x, int y, int n) {
             const double d = std::hypot(x + 0.5 - n / 2.0, y + 0.5 - n / 2.0) / (n / 2.0 - 2);
             return d >= 1.0 ? 0.0 : std::sqrt(1.0 - d * d);
         })},
    };
}

std::vector<Art> ModuleArt() {
    const ButtonStyle normal{{122, 128, 138}, {252, 252, 253}, {212, 216, 222}, 1.0};
    const ButtonStyle hot{{86, 126, 188}, {255, 255, 255}, {198, 218, 244}, 1.0};
    const ButtonStyle byDefault{{38, 88, 168}, {240, 245, 253}, {196, 210, 234}, 2.0};
    const ButtonStyle pressed{{66, 96, 146}, {176, 192, 218}, {222, 231, 246}, 1.0};
    const ButtonStyle* styles[4] = {&normal, &hot, &byDefault, &pressed};  // ids 155 + state
    std::vector<Art> art;
    for (int part = 0; part < 3; ++part)
        for (int state = 0; state < 4; ++state)
            art.push_back({"macbtn-" + std::to_string(155 + state + 4 * part) + ".bmp", ButtonPart(*styles[state], part)});
    art.push_back({"dial-sphere.bmp", SphereTexture()});
    for (Art& a : GlassArt()) art.push_back(std::move(a));
    return art;
}

std::vector<Art> RigArt() {
    return {
        {"rig-button-normal.bmp", RigButtonFace({205, 210, 218}, {60, 66, 76}, 0.15)},
        {"rig-button-hot.bmp", RigButtonFace({225, 236, 252}, {40, 90, 170}, 0.10)},
        {"rig-button-pressed.bmp", RigButtonFace({150, 165, 190}, {20, 40, 80}, -0.2)},
        {"rig-button-disabled.bmp", RigButtonFace({222, 222, 222}, {170, 170, 170}, 0.0)},
        {"rig-panel.bmp", RigPanel()},
    };
}

}  // namespace frostel::widgetart
