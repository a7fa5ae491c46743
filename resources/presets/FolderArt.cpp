#include "FolderArt.h"

#include <cstdint>
#include <cstdlib>

namespace frostel {

namespace {

struct Rgb {
    uint8_t r, g, b;
};

void Put(hostutil::RgbaImage& img, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) return;
    uint8_t* p = &img.pixels[(size_t(y) * size_t(img.width) + size_t(x)) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = 255;
}

}  // namespace

hostutil::RgbaImage FolderGlyph(bool up) {
    constexpr int kW = 16, kH = 14;
    hostutil::RgbaImage img;
    img.width = kW;
    img.height = kH;
    img.pixels.assign(size_t(kW) * kH * 4, 0);
    const Rgb window{255, 255, 255}, edge{86, 104, 128}, light{206, 222, 240}, body{150, 180, 214};
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) Put(img, x, y, window);
    // The tab, then the body with a lighter top rim and a darker outline.
    for (int x = 1; x <= 6; ++x) Put(img, x, 2, edge);
    for (int y = 3; y <= 12; ++y)
        for (int x = 1; x <= 14; ++x) {
            const bool outline = x == 1 || x == 14 || y == 12 || (y == 3 && x > 6) || y == 4;
            Put(img, x, y, outline ? edge : (y == 5 ? light : body));
        }
    for (int x = 2; x <= 5; ++x) Put(img, x, 3, light);
    if (up) {
        // An arrow pointing up, in the middle of the body.
        const Rgb arrow{24, 48, 96};
        for (int y = 6; y <= 11; ++y) Put(img, 8, y, arrow);
        for (int d = 1; d <= 3; ++d) {
            Put(img, 8 - d, 6 + d, arrow);
            Put(img, 8 + d, 6 + d, arrow);
        }
    }
    return img;
}

}  // namespace frostel
