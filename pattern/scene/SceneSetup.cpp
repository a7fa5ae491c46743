// The render set-up: lights, material, bump texels and glass from the
// parameters.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "BumpMap.h"
#include "PageMemory.h"
#include "Scene.h"

namespace frostel {

namespace {

void Rgb(uint32_t colour, float out[3]) {
    out[0] = float(colour & 0xFF) / 255.0f;
    out[1] = float((colour >> 8) & 0xFF) / 255.0f;
    out[2] = float((colour >> 16) & 0xFF) / 255.0f;
}

void Name(char* dst, size_t size, const char* name) {
    std::memset(dst, 0, size);
    std::strncpy(dst, name, size - 1);
}

}  // namespace

uint8_t DrawModeFor(int renderMode) {
    switch (renderMode) {
        case 1: return 0;  // "Rough"
        case 2: return 1;  // "Line"
        case 3: return 2;  // "Wire"
        case 4: return 3;  // "Flat"
        case 6: return 8;  // curved surfaces, scripts and presets only
        case 7: return 9;
        default: return 6;  // "Phong"
    }
}

float BumpAmount(float bumpPercent, bool preview) {
    float a = 2.0f * bumpPercent;
    if (preview && a <= 30.0f) a *= 2.0f;
    return a * 3.0f / 1000.0f;
}

void MakeLights(const FilterParameters& p, light3ds lights[2]) {
    std::memset(lights, 0, 2 * sizeof(light3ds));
    const float alpha = float(double(p.LgAl) * 3.141592 / 180.0);
    const float beta = float(double(p.LgBt) * 3.141592 / 180.0);
    float colour[3];
    Rgb(p.LgCl, colour);
    const float intensity = p.LgMt / 100.0f;

    light3ds& one = lights[0];
    Name(one.name, sizeof one.name, "LightOne");
    one.x = std::cos(alpha) * std::cos(beta) * 2000.0f;
    one.y = std::sin(alpha) * std::cos(beta) * 2000.0f;
    one.z = std::sin(beta) * 2000.0f;

    light3ds& two = lights[1];
    Name(two.name, sizeof two.name, "Light#2");
    const double pi = 3.14159265358979323846;
    const double below = -0.4363323129985824;  // -25 degrees
    two.x = float(std::cos(double(alpha) + pi) * std::cos(below) * 2000.0);
    two.y = float(std::sin(double(alpha) + pi) * std::cos(below) * 2000.0);
    two.z = float(std::sin(below) * 2000.0);

    for (light3ds* l : {&one, &two}) {
        l->r = colour[0], l->g = colour[1], l->b = colour[2];
        l->intensity = intensity;
    }
}

void MakeMaterial(const FilterParameters& p, bool bump, bool preview, material3ds& m) {
    std::memset(&m, 0, sizeof m);
    Name(m.name, sizeof m.name, "Material#0");
    Rgb(p.Diff, m.diffuse);
    std::memcpy(m.firstColor, m.diffuse, sizeof m.diffuse);
    Rgb(p.Spec, m.specular);
    m.shininess = p.Shin / 10.0f;
    m.shineStrength = p.ShSt / 10.0f;
    m.transparency = p.Trns / -100.0f;
    m.selfIllum = p.SlIl / 100.0f;
    if (bump) {
        MapParams3ds& map = m.maps[kBumpMapSlot];
        Name(map.name, sizeof map.name, "Bump");
        map.amount = BumpAmount(p.BmpP, preview);
        map.uScale = map.vScale = 1.0f;
    }
}

void MakeGlass(const FilterParameters& p, float k, GlassProp& g) {
    std::memset(&g, 0, sizeof g);
    g.enabled = p.UsGl ? 1 : 0;
    g.coefficient = p.Keff / 10.0f;
    g.offset = p.Rfrc / 10.0f * k;
    g.aberration = p.Abbr;
}

bool DocumentHasTransparency(int planes, bool cmyk) { return cmyk ? planes > 4 : planes > 3; }

bool InterleaveForEngine(uint8_t*& dst, const uint8_t* src, int width, int height, int srcRowBytes) {
    if (src == nullptr || width <= 0 || height <= 0 || srcRowBytes < width * 4) return false;
    const bool deep = __GetDeep() != 0;
    const size_t pixels = size_t(width) * size_t(height);
    if (dst == nullptr) dst = static_cast<uint8_t*>(TakePages(pixels * (deep ? 8 : 4)));
    if (dst == nullptr) return false;
    static constexpr int kOrder[4] = {2, 1, 0, 3};
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + size_t(y) * size_t(srcRowBytes);
        for (int x = 0; x < width; ++x, s += 4) {
            const size_t at = (size_t(y) * size_t(width) + size_t(x)) * 4;
            for (int c = 0; c < 4; ++c) {
                if (deep) {
                    // 0..255 onto 0..32768.
                    const uint16_t w = uint16_t((uint32_t(s[kOrder[c]]) * 32768u + 127u) / 255u);
                    std::memcpy(dst + 2 * (at + c), &w, 2);
                } else {
                    dst[at + c] = s[kOrder[c]];
                }
            }
        }
    }
    return true;
}

uint8_t* ExpandBumpTexels(const uint8_t* texels, int width, int height, int rowBytes) {
    if (texels == nullptr || width <= 0 || height <= 0 || rowBytes < width * kBumpTexelBytes) return nullptr;
    auto* out = static_cast<uint8_t*>(TakePages(size_t(width) * size_t(height) * 4));
    if (out == nullptr) return nullptr;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = texels + size_t(y) * size_t(rowBytes);
        uint8_t* d = out + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x, s += kBumpTexelBytes, d += 4) {
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
            d[3] = 255;
        }
    }
    return out;
}

}  // namespace frostel
