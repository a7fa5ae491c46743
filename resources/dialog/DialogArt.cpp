#include "DialogArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace frostel::dialogart {

namespace {

using hostutil::RgbaImage;
using widgetart::Art;

struct Rgb {
    int r, g, b;
};

RgbaImage Blank(int w, int h) {
    RgbaImage img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * size_t(h) * 4, 255);
    return img;
}

void Put(RgbaImage& img, int x, int y, Rgb c, float a = 1.0f) {
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) return;
    uint8_t* p = img.pixels.data() + (size_t(y) * size_t(img.width) + size_t(x)) * 4;
    p[0] = uint8_t(std::lround(p[0] * (1 - a) + c.r * a));
    p[1] = uint8_t(std::lround(p[1] * (1 - a) + c.g * a));
    p[2] = uint8_t(std::lround(p[2] * (1 - a) + c.b * a));
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return {int(std::lround(a.r + (b.r - a.r) * t)), int(std::lround(a.g + (b.g - a.g) * t)),
            int(std::lround(a.b + (b.b - a.b) * t))};
}

// The strip's vertical gradient: a cold blue deepening downwards, a light
// line on top and a dark one at the bottom.
Rgb StripColour(int y, int h) {
    if (y == 0) return {190, 214, 236};
    if (y == h - 1) return {40, 62, 92};
    return Mix({104, 146, 190}, {52, 86, 128}, float(y) / float(h - 1));
}

void Gradient(RgbaImage& img, Rgb (*colour)(int, int)) {
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) Put(img, x, y, colour(y, img.height));
}

// A soft line (distance-based coverage), wide `w`.
void Line(RgbaImage& img, float x0, float y0, float x1, float y1, float w, Rgb c) {
    const int minX = int(std::floor(std::min(x0, x1) - w)), maxX = int(std::ceil(std::max(x0, x1) + w));
    const int minY = int(std::floor(std::min(y0, y1) - w)), maxY = int(std::ceil(std::max(y0, y1) + w));
    const float dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-6f);
    for (int y = minY; y <= maxY; ++y)
        for (int x = minX; x <= maxX; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            const float t = std::clamp(((px - x0) * dx + (py - y0) * dy) / len2, 0.0f, 1.0f);
            const float ex = x0 + t * dx - px, ey = y0 + t * dy - py;
            const float d = std::sqrt(ex * ex + ey * ey);
            const float a = std::clamp(w / 2 + 0.5f - d, 0.0f, 1.0f);
            if (a > 0) Put(img, x, y, c, a);
        }
}

// A six-armed ice crystal with side branches.
void Crystal(RgbaImage& img, float cx, float cy, float r, Rgb c) {
    for (int k = 0; k < 6; ++k) {
        const float a = float(k) * 3.14159265f / 3.0f;
        const float ex = cx + r * std::cos(a), ey = cy + r * std::sin(a);
        Line(img, cx, cy, ex, ey, 1.4f, c);
        for (float f : {0.45f, 0.72f}) {
            const float bx = cx + r * f * std::cos(a), by = cy + r * f * std::sin(a);
            const float s = r * (1.0f - f) * 0.6f;
            for (float side : {-0.6f, 0.6f})
                Line(img, bx, by, bx + s * std::cos(a + side), by + s * std::sin(a + side), 1.1f, c);
        }
    }
}

// A 5 x 7 capital font, enough for the header's words.
const char* Glyph(char ch) {
    switch (ch) {
        case 'A': return "01110100011000111111100011000110001";
        case 'B': return "11110100011000111110100011000111110";
        case 'E': return "11111100001000011110100001000011111";
        case 'F': return "11111100001000011110100001000010000";
        case 'H': return "10001100011000111111100011000110001";
        case 'L': return "10000100001000010000100001000011111";
        case 'N': return "10001110011010110011100011000110001";
        case 'O': return "01110100011000110001100011000101110";
        case 'P': return "11110100011000111110100001000010000";
        case 'R': return "11110100011000111110101001001010001";
        case 'S': return "01111100001000001110000010000111110";
        case 'T': return "11111001000010000100001000010000100";
        case 'U': return "10001100011000110001100011000101110";
        case 'V': return "10001100011000110001100010101000100";
        case '?': return "01110100010000100010001000000000100";
        default: return nullptr;
    }
}

// Text in cells of `scale` pixels with a dark shadow one pixel down right.
void Text(RgbaImage& img, int x, int y, const char* s, int scale, Rgb c) {
    for (int pass = 0; pass < 2; ++pass) {
        const Rgb col = pass == 0 ? Rgb{28, 44, 70} : c;
        const int off = pass == 0 ? 1 : 0;
        int cx = x;
        for (const char* p = s; *p; ++p) {
            const char* g = Glyph(*p);
            if (g)
                for (int gy = 0; gy < 7; ++gy)
                    for (int gx = 0; gx < 5; ++gx)
                        if (g[gy * 5 + gx] == '1')
                            for (int sy = 0; sy < scale; ++sy)
                                for (int sx = 0; sx < scale; ++sx)
                                    Put(img, cx + gx * scale + sx + off, y + gy * scale + sy + off, col);
            cx += 6 * scale;
        }
    }
}

// A rounded plate over the strip for the picture buttons: normal, hot
// (lighter) or marked (a warm rim: a new version is out).
RgbaImage ButtonFace(int w, int h, int top, int state, bool marked) {
    RgbaImage img = Blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put(img, x, y, StripColour(y + top, 46));
    const Rgb rim = marked ? Rgb{236, 170, 60} : state == 1 ? Rgb{226, 238, 250} : Rgb{150, 184, 218};
    const float fill = state == 1 ? 0.28f : 0.12f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            const bool corner = (x == 0 || x == w - 1) && (y == 0 || y == h - 1);
            if (corner) continue;
            Put(img, x, y, edge ? rim : Rgb{255, 255, 255}, edge ? 0.9f : fill);
        }
    return img;
}

Rgb TopStrip(int y, int h) { return StripColour(y, h); }

}  // namespace

std::vector<Art> DialogArt() {
    std::vector<Art> art;
    // Header: left part with the emblem's place and the title, the tile, the right part.
    RgbaImage left = Blank(472, 46);
    Gradient(left, TopStrip);
    Crystal(left, 37.5f, 26.0f, 13.0f, {226, 240, 252});
    Text(left, 111, 14, "VORNHAL FROSTEL", 2, {236, 244, 252});
    art.push_back({"header-133.bmp", left});
    RgbaImage tile = Blank(4, 46);
    Gradient(tile, TopStrip);
    art.push_back({"header-214.bmp", tile});
    RgbaImage right = Blank(99, 46);
    Gradient(right, TopStrip);
    for (int i = 0; i < 3; ++i) Crystal(right, 14.0f + 10.0f * i, 10.0f + 4.0f * i, 3.5f, {170, 200, 230});
    art.push_back({"header-215.bmp", right});

    // Tab faces: hovered (light) and normal (a shade darker than the dialog).
    RgbaImage hot = Blank(4, 4), normal = Blank(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            Put(hot, x, y, {214, 228, 242});
            Put(normal, x, y, {208, 208, 208});
        }
    art.push_back({"tab-105.bmp", hot});
    art.push_back({"tab-106.bmp", normal});

    // Help (42 x 17 at y 17), product page (37 x 30 at y 11), About (236 x 24 at y 11).
    for (int state : {0, 1}) {
        RgbaImage help = ButtonFace(42, 17, 17, state, false);
        Text(help, 9, 5, "HELP", 1, {240, 246, 252});
        art.push_back({state == 0 ? "help-228.bmp" : "help-227.bmp", help});
    }
    const struct {
        const char* file;
        int state;
        bool marked;
    } product[] = {{"product-226.bmp", 0, false}, {"product-217.bmp", 1, false},
                   {"product-225.bmp", 0, true},  {"product-224.bmp", 1, true}};
    for (const auto& p : product) {
        RgbaImage face = ButtonFace(37, 30, 11, p.state, p.marked);
        Crystal(face, 18.5f, 15.0f, 11.0f, p.state == 1 ? Rgb{255, 255, 255} : Rgb{226, 240, 252});
        art.push_back({p.file, face});
    }
    for (int state : {0, 1}) {
        RgbaImage about = ButtonFace(236, 24, 11, state, false);
        // The title sits where the left header shows it, so the plate only lights it up.
        Text(about, 6, 3, "VORNHAL FROSTEL", 2, state == 1 ? Rgb{255, 255, 255} : Rgb{236, 244, 252});
        art.push_back({state == 0 ? "about-232.bmp" : "about-231.bmp", about});
    }
    return art;
}

namespace {

void Le16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Le32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// One cursor image, n x n, 4 bytes a pixel (blue, green, red, alpha), rows top
// down: a black crosshair with a white rim, open around the hot spot, and a
// small ice-blue six-pointed crystal in the opening.
std::vector<uint8_t> CursorPixels(int n) {
    std::vector<uint8_t> px(size_t(n) * size_t(n) * 4, 0);
    auto put = [&](int x, int y, int r, int g, int b) {
        if (x < 0 || y < 0 || x >= n || y >= n) return;
        uint8_t* p = &px[(size_t(y) * size_t(n) + size_t(x)) * 4];
        p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r), p[3] = 255;
    };
    const int c = n / 2, gap = n / 8, reach = n / 2 - 1, t = n >= 48 ? 1 : 0;  // half the line's extra width
    // The white rim first, then the black lines over it.
    for (int pass = 0; pass < 2; ++pass) {
        const int grow = pass == 0 ? 1 : 0, v = pass == 0 ? 255 : 0;
        for (int d = gap - grow; d <= reach + grow; ++d)
            for (int w = -t - grow; w <= t + grow; ++w) {
                put(c + d, c + w, v, v, v);
                put(c - d, c + w, v, v, v);
                put(c + w, c + d, v, v, v);
                put(c + w, c - d, v, v, v);
            }
    }
    // The crystal: six spokes of gap - 2 pixels round the hot spot.
    const int spoke = std::max(2, gap - 2);
    for (int k = 0; k < 6; ++k) {
        const double a = k * 3.14159265358979 / 3.0 + 3.14159265358979 / 2.0;
        for (int s = 0; s <= spoke; ++s)
            put(c + int(std::lround(std::cos(a) * s)), c - int(std::lround(std::sin(a) * s)), 40, 150, 230);
    }
    put(c, c, 255, 255, 255);
    return px;
}

}  // namespace

std::vector<uint8_t> PlaceCursorFile() {
    const int count = int(sizeof kCursorSizes / sizeof kCursorSizes[0]);
    std::vector<std::vector<uint8_t>> images;
    for (int n : kCursorSizes) {
        const std::vector<uint8_t> px = CursorPixels(n);
        std::vector<uint8_t> img;
        // BITMAPINFOHEADER: the height counts the colour rows and the mask's.
        Le32(img, 40);
        Le32(img, uint32_t(n));
        Le32(img, uint32_t(2 * n));
        Le16(img, 1);
        Le16(img, 32);
        for (int i = 0; i < 6; ++i) Le32(img, 0);
        for (int y = n - 1; y >= 0; --y)  // bottom-up
            img.insert(img.end(), px.begin() + ptrdiff_t(y) * n * 4, px.begin() + ptrdiff_t(y + 1) * n * 4);
        const int maskRow = (n + 31) / 32 * 4;
        for (int y = n - 1; y >= 0; --y) {
            std::vector<uint8_t> row(size_t(maskRow), 0);
            for (int x = 0; x < n; ++x)
                if (px[(size_t(y) * size_t(n) + size_t(x)) * 4 + 3] == 0) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            img.insert(img.end(), row.begin(), row.end());
        }
        images.push_back(std::move(img));
    }
    std::vector<uint8_t> out;
    Le16(out, 0);
    Le16(out, 2);  // a cursor
    Le16(out, unsigned(count));
    uint32_t offset = 6 + 16 * uint32_t(count);
    for (int i = 0; i < count; ++i) {
        const int n = kCursorSizes[i];
        out.push_back(uint8_t(n == 256 ? 0 : n));
        out.push_back(uint8_t(n == 256 ? 0 : n));
        out.push_back(0);
        out.push_back(0);
        Le16(out, unsigned(n / 2));  // the hot spot
        Le16(out, unsigned(n / 2));
        Le32(out, uint32_t(images[size_t(i)].size()));
        Le32(out, offset);
        offset += uint32_t(images[size_t(i)].size());
    }
    for (const auto& img : images) out.insert(out.end(), img.begin(), img.end());
    return out;
}

}  // namespace frostel::dialogart
