// The built-in pixel shader: material, four texture maps, glass refraction
// with chromatic aberration, and the lights.
#include <algorithm>
#include <cmath>

#include "Engine.h"

namespace {

struct Material {
    float diffuse[3];
    float specular[3];
    float exponent;
    float strength;
    float selfIllum;
    float opacity;
};

constexpr Material kDefaultMaterial = {{0.5f, 0.5f, 0.5f}, {1.0f, 1.0f, 1.0f}, 150.0f, 10.0f, 0.0f, 1.0f};

// A texture slot that can be sampled: present, with pixels and a size. Texels
// are read at the texture's own depth and scaled to the frame's.
struct Texels {
    const uint8_t* pixels;
    int w, h;
    bool is16;
    float scale;  // raw texel value to frame channel units

    int Raw(int i, int j, int k) const {
        const ptrdiff_t index = (static_cast<ptrdiff_t>(j) * w + i) * 4 + k;
        if (!is16) return pixels[index];
        uint16_t v;
        std::memcpy(&v, pixels + 2 * index, 2);
        return v;
    }
    float Channel(int i, int j, int k) const { return Raw(i, j, k) * scale; }
    // Colour components 0, 1, 2 come from texel channels 2, 1, 0; then alpha.
    void Texel(int i, int j, float out[4]) const {
        out[0] += Channel(i, j, 2);
        out[1] += Channel(i, j, 1);
        out[2] += Channel(i, j, 0);
        out[3] += Channel(i, j, 3);
    }
    float Brightness(int i, int j) const { return Channel(i, j, 0) + Channel(i, j, 1) + Channel(i, j, 2); }
};

bool SlotTexels(const __Texture* textures, int slot, Texels& out) {
    if (textures == nullptr) return false;
    const __Texture& t = textures[slot];
    if (!t.present || t.pixels == nullptr || t.width <= 0 || t.height <= 0) return false;
    out.pixels = t.pixels;
    out.w = t.width;
    out.h = t.height;
    out.is16 = t.is16Bit != 0;
    const bool frame16 = _Deep != 0;
    out.scale = out.is16 == frame16 ? 1.0f : (frame16 ? 32768.0f / 255.0f : 255.0f / 32768.0f);
    return true;
}

// Wraps a texel coordinate into 0..size.
float Wrap(float x, int size) {
    if (!std::isfinite(x)) return 0.0f;
    float r = static_cast<float>(std::fmod(static_cast<double>(x), static_cast<double>(size)));
    if (r < 0.0f) r += static_cast<float>(size);
    if (r >= static_cast<float>(size)) r = static_cast<float>(size - 1);
    return r;
}

void TexelCoords(const MapParams3ds& map, float u, float v, const Texels& t, float& X, float& Y) {
    if (!std::isfinite(u)) u = 0.0f;
    if (!std::isfinite(v)) v = 0.0f;
    X = Wrap((map.uScale * u + map.uOffset) * static_cast<float>(t.w - 1), t.w);
    Y = Wrap((map.vScale * v + map.vOffset) * static_cast<float>(t.h - 1), t.h);
}

int Col(float x, const Texels& t) { return std::min(static_cast<int>(x), t.w - 1); }
int Row(float y, const Texels& t) { return std::min(static_cast<int>(y), t.h - 1); }

// Bilinear sample; the neighbour past the last column or row wraps to the
// first, or is clamped to the last one.
void Bilinear(const Texels& t, float X, float Y, bool clampNeighbour, float out[4]) {
    const int i = Col(X, t), j = Row(Y, t);
    const float fx = X - static_cast<float>(i), fy = Y - static_cast<float>(j);
    int i1 = i + 1, j1 = j + 1;
    if (i1 > t.w - 1) i1 = clampNeighbour ? t.w - 1 : 0;
    if (j1 > t.h - 1) j1 = clampNeighbour ? t.h - 1 : 0;
    float a[4] = {}, b[4] = {}, c[4] = {}, d[4] = {};
    t.Texel(i, j, a);
    t.Texel(i1, j, b);
    t.Texel(i, j1, c);
    t.Texel(i1, j1, d);
    for (int k = 0; k < 4; ++k)
        out[k] = a[k] * (1 - fx) * (1 - fy) + b[k] * fx * (1 - fy) + c[k] * (1 - fx) * fy + d[k] * fx * fy;
}

// The footprint box between the previous sample's texel and this one, when
// they lie more than 2 texels apart.
struct Footprint {
    bool active;
    float Xp, Yp, dX, dY;
    int nx, ny;
};

Footprint FootprintOf(const Texels& t, const MapParams3ds& map, const __PrevInfo* prev, float X, float Y) {
    Footprint f{};
    if (!_Quality || prev == nullptr || !prev->valid) return f;
    TexelCoords(map, prev->u, prev->v, t, f.Xp, f.Yp);
    f.dX = X - f.Xp;
    f.dY = Y - f.Yp;
    if (std::fabs(f.dX) + std::fabs(f.dY) <= 2.0f) return f;
    f.active = true;
    f.nx = static_cast<int>(std::min(std::fabs(f.dX) + 1.0f, 10.0f));
    f.ny = static_cast<int>(std::min(std::fabs(f.dY) + 1.0f, 10.0f));
    return f;
}

// Colour (components 0..2 divided by _ColorMax) and alpha of a colour or
// opacity map at u, v.
void SampleMap(const Texels& t, const MapParams3ds& map, float u, float v, const __PrevInfo* prev, float out[4]) {
    float X, Y;
    TexelCoords(map, u, v, t, X, Y);
    for (int k = 0; k < 4; ++k) out[k] = 0.0f;
    const Footprint f = FootprintOf(t, map, prev, X, Y);
    if (f.active) {
        for (int j = 0; j < f.ny; ++j)
            for (int i = 0; i < f.nx; ++i)
                t.Texel(Col(Wrap(f.Xp + i * f.dX / f.nx, t.w), t), Row(Wrap(f.Yp + j * f.dY / f.ny, t.h), t), out);
        for (int k = 0; k < 4; ++k) out[k] /= static_cast<float>(f.nx * f.ny);
    } else if (_Quality) {
        Bilinear(t, X, Y, false, out);
    } else {
        t.Texel(Col(X, t), Row(Y, t), out);
    }
    for (int k = 0; k < 4; ++k) out[k] /= static_cast<float>(_ColorMax);
}

// Tilts the normal by the bump map's brightness gradient.
void Bump(const Texels& t, const MapParams3ds& map, float u, float v, const __PrevInfo* prev, float& nx,
          float& ny) {
    float A = map.amount;
    if (_Deep) A *= 0.007781982421875f;
    float X, Y;
    TexelCoords(map, u, v, t, X, Y);
    float sc = 0.0f, sr = 0.0f, sd = 0.0f;
    const Footprint f = FootprintOf(t, map, prev, X, Y);
    if (f.active) {
        const int right = static_cast<int>(std::max(std::fabs(f.dX), 1.0f));
        const int down = static_cast<int>(std::max(std::fabs(f.dY), 1.0f));
        for (int j = 0; j < f.ny; ++j)
            for (int i = 0; i < f.nx; ++i) {
                const int ci = Col(Wrap(f.Xp + i * f.dX / f.nx, t.w), t);
                const int cj = Row(Wrap(f.Yp + j * f.dY / f.ny, t.h), t);
                sc += t.Brightness(ci, cj);
                sr += t.Brightness(static_cast<int>((static_cast<int64_t>(ci) + right) % t.w), cj);
                sd += t.Brightness(ci, static_cast<int>((static_cast<int64_t>(cj) + down) % t.h));
            }
        const float n = static_cast<float>(f.nx * f.ny);
        sc /= n, sr /= n, sd /= n;
    } else {
        const int i = Col(X, t), j = Row(Y, t);
        sc = t.Brightness(i, j);
        sr = t.Brightness(i + 1 < t.w ? i + 1 : i, j);
        sd = t.Brightness(i, j + 1 < t.h ? j + 1 : j);
    }
    nx -= (sr - sc) * A / 10.0f;
    ny -= (sd - sc) * A / 10.0f;
}

// Where the reflected view ray leaves the square of half-side S around the
// scene origin, in one plane (a is x or y, ra its ray component).
float EnvironmentCoord(float a, float z, float ra, float rz, float S) {
    if (std::fabs(rz) < 0.0001f && std::fabs(ra) < 0.0001f) return (S + a) / (2 * S);
    const float h = rz * a - ra * z;
    float x1 = 0.0f, z2 = 0.0f, d1 = 1e21f, d2 = 1e21f;
    if (std::fabs(rz) >= 0.00001f) {
        const float wall = rz >= 0 ? S : -S;
        x1 = (h + ra * wall) / rz;
        d1 = x1 * x1 + S * S;
    }
    if (std::fabs(ra) >= 0.00001f) {
        const float wall = ra >= 0 ? S : -S;
        z2 = (rz * wall - h) / ra;
        d2 = z2 * z2 + S * S;
    }
    return d1 <= d2 ? (S + x1) / (2 * S) : (S + z2) / (2 * S);
}

void SampleReflection(const Texels& t, const MapParams3ds& map, float x, float y, float z, float nx, float ny,
                      float nz, float out[3]) {
    const float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
    const float S = std::max(static_cast<float>(Zwidth), 1.0f);
    const float u = EnvironmentCoord(x, z, rx, rz, S);
    const float v = EnvironmentCoord(y, z, ry, rz, S);
    float X, Y, s[4] = {};
    TexelCoords(map, u, v, t, X, Y);
    if (_Quality)
        Bilinear(t, X, Y, true, s);
    else
        t.Texel(Col(X, t), Row(Y, t), s);
    for (int k = 0; k < 3; ++k) out[k] = s[k] / static_cast<float>(_ColorMax);
}

// ---- Glass

struct GlassView {
    const uint8_t* src;
    float plane[4];
    float z;
    int width, height;
};

// Component k of the background behind frame pixel (i, j) at depth zs.
float Background(const GlassView& g, int k, int i, int j, float zs) {
    const ptrdiff_t p = static_cast<ptrdiff_t>(j) * g.width + i;
    const ptrdiff_t ch = 4 * p + k;
    const float cm = static_cast<float>(_ColorMax);
    if (_BackgroundCopy == nullptr || _RefractDepth == nullptr || _TargetBuffer == nullptr)
        return static_cast<float>(__GetChannel(g.src, ch));
    const int alpha = __GetChannel(_TargetBuffer, 4 * p + 3);
    if (!_DrawBackFaces || _DrawBackFaces1) {
        if (!_UseMultyRefract) return static_cast<float>(__GetChannel(g.src, ch));
        const float D = _RefractDepth[p];
        const bool otherSurface = std::fabs(D - zs) >= 30.0f;
        float value;
        if (otherSurface && alpha == _ColorMax && D > -1e37f) {
            const int target = __GetChannel(_TargetBuffer, ch);
            __PutChannel(_BackgroundCopy, ch, target);
            value = static_cast<float>(target);
        } else {
            value = static_cast<float>(__GetChannel(_BackgroundCopy, ch));
        }
        if (k == 2 && otherSurface) _RefractDepth[p] = zs;
        return value;
    }
    // Front pass after the back faces: look through what they left.
    if (__GetChannel(_BackgroundCopy, 4 * p + 3) == 0) return static_cast<float>(__GetChannel(g.src, ch));
    const float f = static_cast<float>(alpha) / cm;
    return static_cast<float>(__GetChannel(g.src, ch)) * (1 - f) +
           static_cast<float>(__GetChannel(_BackgroundCopy, ch)) * f;
}

int FrameCol(float x, int fallback, int width) {
    if (!(x >= 0.0f && x < static_cast<float>(width))) return fallback;
    return static_cast<int>(x);
}

// One background component around the displaced position (px, py).
float GlassSample(const GlassView& g, int k, float px, float py, int ownCol, int ownRow) {
    const int i = FrameCol(px, ownCol, g.width), j = FrameCol(py, ownRow, g.height);
    const float cm = static_cast<float>(_ColorMax);
    if (!_Quality) return Background(g, k, i, j, g.z) / cm;
    const float fx = std::fabs(px - static_cast<float>(i)), fy = std::fabs(py - static_cast<float>(j));
    const int i1 = std::min(i + 1, g.width - 1), j1 = std::min(j + 1, g.height - 1);
    const float w00 = (2 - fx - fy) * (2 - fx - fy), w10 = (1 + fx - fy) * (1 + fx - fy);
    const float w01 = (1 - fx + fy) * (1 - fx + fy), w11 = (fx + fy) * (fx + fy);
    float sum = w00 + w10 + w01 + w11;
    if (sum == 0.0f) sum = 1.0f;
    const float v = w00 * Background(g, k, i, j, g.z) +
                    w10 * Background(g, k, i1, j, PlaneDepth(g.plane, px + 1, py, g.z)) +
                    w01 * Background(g, k, i, j1, PlaneDepth(g.plane, px, py + 1, g.z)) +
                    w11 * Background(g, k, i1, j1, PlaneDepth(g.plane, px + 1, py + 1, g.z));
    return v / (sum * cm);
}

// Replaces the surface colour by the refracted, colour-split background.
void Glass(const GlassProp& glass, const GlassView& g, float offX, float offY, float x, float y, float nx,
           float ny, float nz, const __PrevInfo* prev, float color[3]) {
    const float K = glass.coefficient, Roff = glass.offset, Ab = glass.aberration / 100.0f;
    const float q = Ab != 0.0f ? (1 - Ab) * (1 + Ab) : 1.0f;
    const float s = -K * nz - (K * (nz - 1) + 1);
    const float R[3] = {Roff, q * Roff, q * q * Roff};
    const float Px = offX + x, Py = offY + y;
    const int ownCol = std::clamp(FrameCol(Px, 0, g.width), 0, g.width - 1);
    const int ownRow = std::clamp(FrameCol(Py, 0, g.height), 0, g.height - 1);
    double tint[3];
    for (int k = 0; k < 3; ++k) tint[k] = static_cast<double>(color[k]) - 0.5;

    float pk[3][2];
    for (int k = 0; k < 3; ++k) {
        pk[k][0] = Px + s * R[k] * nx;
        pk[k][1] = Py + s * R[k] * ny;
    }

    if (prev != nullptr && prev->valid && _DrawBackFaces != 1 && _Quality) {
        float pnx = prev->normal.x, pny = prev->normal.y, pnz = prev->normal.z;
        const float len = std::sqrt(pnx * pnx + pny * pny + pnz * pnz);
        if (len > 0.0f) pnx /= len, pny /= len;
        const float Ppx = offX + prev->x, Ppy = offY + prev->y;
        float delta[3][2];
        for (int k = 0; k < 3; ++k) {
            delta[k][0] = Ppx + s * R[k] * pnx - pk[k][0];
            delta[k][1] = Ppy + s * R[k] * pny - pk[k][1];
        }
        if (std::fabs(delta[0][0]) + std::fabs(delta[0][1]) > 2.0f) {
            for (int k = 0; k < 3; ++k) {
                const int Nx = static_cast<int>(std::min(std::fabs(delta[k][0]) + 1.0f, 5.0f));
                const int Ny = static_cast<int>(std::min(std::fabs(delta[k][1]) + 1.0f, 5.0f));
                double sum = 0.0;
                for (int j = 0; j < Ny; ++j)
                    for (int i = 0; i < Nx; ++i) {
                        const float sx = pk[k][0] + i * delta[k][0] / Nx, sy = pk[k][1] + j * delta[k][1] / Ny;
                        const int ci = FrameCol(sx, ownCol, g.width), cj = FrameCol(sy, ownRow, g.height);
                        sum += Background(g, k, ci, cj, PlaneDepth(g.plane, static_cast<float>(ci),
                                                                   static_cast<float>(cj), g.z));
                    }
                const double mean = sum / (static_cast<double>(_ColorMax) * Nx * Ny);
                color[k] = static_cast<float>(ClampD(mean + tint[k], 0.0, 1.0));
            }
            return;
        }
    }
    for (int k = 0; k < 3; ++k) {
        const float v = GlassSample(g, k, pk[k][0], pk[k][1], ownCol, ownRow);
        color[k] = static_cast<float>(ClampD(v + tint[k], 0.0, 1.0));
    }
}

}  // namespace

float __DefRenderOnePixel(float offX, float offY, unsigned char* /*frame*/, unsigned char* src, float x, float y,
                          float z, __Triangle3ds* tri, material3ds* materials, int materialCount, float& out0,
                          float& out1, float& out2, __Point* normal, unsigned char useTextures, float u, float v,
                          __Texture* textures, int lightCount, light3ds* lights, __PrevInfo* prev,
                          GlassProp* glass, float a, float b, float c, float d) {
    // Normal, turned for the back faces and double-sided surfaces.
    float nx = normal ? normal->x : 0.0f, ny = normal ? normal->y : 0.0f, nz = normal ? normal->z : 1.0f;
    if (_DrawBackFaces1) nx = -nx, ny = -ny, nz = -nz;
    if (_DubleSide && nz < 0) nz = -nz;
    const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len > 0.0f && std::isfinite(len)) nx /= len, ny /= len, nz /= len;

    // The light's cosine over the normal's length: 1 for a unit normal.
    float toCosine = 1.0f;
    const int m = tri != nullptr ? tri->material : 0;
    const bool ownMaterial = materials != nullptr && materialCount >= 1 && m < materialCount;
    Material mat = kDefaultMaterial;
    if (ownMaterial) {
        const material3ds& src3 = materials[m];
        for (int k = 0; k < 3; ++k) mat.diffuse[k] = src3.diffuse[k], mat.specular[k] = src3.specular[k];
        mat.exponent = src3.shininess * 100.0f;
        mat.strength = src3.shineStrength;
        mat.selfIllum = src3.selfIllum;
        mat.opacity = 1.0f - Clamp(-src3.transparency, 0.0f, 1.0f);

        const __Texture* slots = textures != nullptr ? textures + 4 * static_cast<ptrdiff_t>(m) : nullptr;
        const MapParams3ds* maps = src3.maps;
        Texels t;
        float reflection[3];
        const bool reflect = SlotTexels(slots, 3, t);
        if (reflect) SampleReflection(t, maps[kReflectionMapSlot], x, y, z, nx, ny, nz, reflection);
        if (useTextures && SlotTexels(slots, 0, t)) {
            float s[4];
            SampleMap(t, maps[kColorMapSlot], u, v, prev, s);
            const float w = Clamp(maps[kColorMapSlot].amount, 0.0f, 1.0f) * s[3];
            for (int k = 0; k < 3; ++k) mat.diffuse[k] = w * s[k] + std::max(1 - w, 0.0f) * mat.diffuse[k];
        }
        if (useTextures && SlotTexels(slots, 1, t)) {
            float s[4];
            SampleMap(t, maps[kOpacityMapSlot], u, v, prev, s);
            const float w = Clamp(maps[kOpacityMapSlot].amount, 0.0f, 1.0f) * s[3];
            const float brightest = std::max({s[0], s[1], s[2]});
            mat.opacity = brightest * w + std::max(1 - w, 0.0f) * mat.opacity;
        }
        if (useTextures && SlotTexels(slots, 2, t)) {
            Bump(t, maps[kBumpMapSlot], u, v, prev, nx, ny);
            // The tilted normal keeps its length, which the diffuse term reads
            // as it is. The highlight follows the angle alone: a "cosine"
            // above 1 raised to the exponent would be a white speck.
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            if (len > 0.0f && std::isfinite(len)) toCosine = 1.0f / len;
        }
        if (reflect) {
            const float r = Clamp(maps[kReflectionMapSlot].amount, 0.0f, 1.0f);
            for (int k = 0; k < 3; ++k) mat.diffuse[k] = reflection[k] * r + std::max(1 - r, 0.0f) * mat.diffuse[k];
        }
    }
    const float opacity = Clamp(mat.opacity, 0.0f, 1.0f);

    if (lightCount <= 0 || lights == nullptr) {
        lights = _LightDef;
        lightCount = 1;
    }
    out0 = out1 = out2 = 0.0f;
    if (lights == nullptr) return opacity;

    float color[3] = {mat.diffuse[0], mat.diffuse[1], mat.diffuse[2]};
    if (glass != nullptr && ownMaterial && glass[m].enabled && src != nullptr && Zwidth > 0 && Zheight > 0) {
        const GlassView g{src, {a, b, c, d}, z, Zwidth, Zheight};
        Glass(glass[m], g, offX, offY, x, y, nx, ny, nz, prev, color);
    }

    float out[3] = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < lightCount; ++i) {
        const light3ds& l = lights[i];
        float lx = l.x - x, ly = l.y - y, lz = l.z - z;
        const float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
        if (ll > 0.0f) lx /= ll, ly /= ll, lz /= ll;
        float dd = (lx * nx + ly * ny + lz * nz) * l.intensity;
        if (!(dd > 0.0f)) dd = 0.0f;
        const float cosine = dd * toCosine;
        // A huge power saturates; 0^0 and inf * 0 must not turn into NaN.
        // pow(0, e > 0) is 0 and a zero strength gives no highlight: skip the power.
        float spec = (dd == 0.0f && mat.exponent > 0.0f) || mat.strength == 0.0f
                         ? 0.0f
                         : std::pow(cosine, mat.exponent) * mat.strength;
        if (std::isnan(spec)) spec = 0.0f;
        spec = std::min(spec, 1e30f);
        const float dif = dd * (1 - mat.selfIllum) + mat.selfIllum;
        const float lc[3] = {l.r, l.g, l.b};
        for (int k = 0; k < 3; ++k) {
            float term = (spec * mat.specular[k] + dif * color[k]) * lc[k];
            if (std::isnan(term)) term = 0.0f;
            out[k] += term;
        }
    }
    const float cm = static_cast<float>(_ColorMax);
    out0 = Clamp(out[0] * cm, 0.0f, cm);
    out1 = Clamp(out[1] * cm, 0.0f, cm);
    out2 = Clamp(out[2] * cm, 0.0f, cm);
    return opacity;
}
