// The built-in pixel shader: material, four texture maps, glass refraction
// with chromatic aberration, and the lights.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "PageMemory.h"
#include "Shading.h"

namespace {

constexpr ShadeMaterial kDefaultMaterial = {{0.5f, 0.5f, 0.5f}, {1.0f, 1.0f, 1.0f}, 150.0f, 10.0f, 0.0f, 1.0f};

using Texels = TexelMap;

// Whole specular exponents up to this are raised by squaring.
constexpr int kMostWholeExponent = 1 << 16;

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
    out.brightness = nullptr;
    return true;
}

// Wraps a texel coordinate into 0..size.
float Wrap(float x, int size) {
    if (!std::isfinite(x)) return 0.0f;
    // fmod gives back a value already within the size unchanged.
    float r = std::fabs(static_cast<double>(x)) < static_cast<double>(size)
                  ? x
                  : static_cast<float>(WholeRemainder(static_cast<double>(x), static_cast<double>(size)));
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
// they lie more than 2 texels apart; at most kMostFootprint texels a side.
constexpr int kMostFootprint = 10;
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
    f.nx = static_cast<int>(std::min(std::fabs(f.dX) + 1.0f, static_cast<float>(kMostFootprint)));
    f.ny = static_cast<int>(std::min(std::fabs(f.dY) + 1.0f, static_cast<float>(kMostFootprint)));
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
        int col[kMostFootprint], row[kMostFootprint];
        for (int i = 0; i < f.nx; ++i) col[i] = Col(Wrap(f.Xp + i * f.dX / f.nx, t.w), t);
        for (int j = 0; j < f.ny; ++j) row[j] = Row(Wrap(f.Yp + j * f.dY / f.ny, t.h), t);
        for (int j = 0; j < f.ny; ++j)
            for (int i = 0; i < f.nx; ++i) t.Texel(col[i], row[j], out);
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
        // A box column depends on i alone and a box row on j alone.
        int col[kMostFootprint], colRight[kMostFootprint], row[kMostFootprint], rowDown[kMostFootprint];
        for (int i = 0; i < f.nx; ++i) {
            col[i] = Col(Wrap(f.Xp + i * f.dX / f.nx, t.w), t);
            colRight[i] = static_cast<int>((static_cast<int64_t>(col[i]) + right) % t.w);
        }
        for (int j = 0; j < f.ny; ++j) {
            row[j] = Row(Wrap(f.Yp + j * f.dY / f.ny, t.h), t);
            rowDown[j] = static_cast<int>((static_cast<int64_t>(row[j]) + down) % t.h);
        }
        for (int j = 0; j < f.ny; ++j)
            for (int i = 0; i < f.nx; ++i) {
                sc += t.Brightness(col[i], row[j]);
                sr += t.Brightness(colRight[i], row[j]);
                sd += t.Brightness(col[i], rowDown[j]);
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

// Component k of the background behind frame pixel (i, j) at depth zs.
template <BackgroundRule kRule>
float Background(const TriangleShading& t, int k, int i, int j, float zs) {
    const ptrdiff_t p = static_cast<ptrdiff_t>(j) * t.width + i;
    const ptrdiff_t ch = 4 * p + k;
    if (kRule == BackgroundRule::kSource) return static_cast<float>(__GetChannel(t.src, ch));
    const int alpha = __GetChannel(_TargetBuffer, 4 * p + 3);
    if (kRule == BackgroundRule::kMultiRefraction) {
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
    if (__GetChannel(_BackgroundCopy, 4 * p + 3) == 0) return static_cast<float>(__GetChannel(t.src, ch));
    const float f = static_cast<float>(alpha) / t.colorMax;
    return static_cast<float>(__GetChannel(t.src, ch)) * (1 - f) +
           static_cast<float>(__GetChannel(_BackgroundCopy, ch)) * f;
}

int FrameCol(float x, int fallback, int width) {
    if (!(x >= 0.0f && x < static_cast<float>(width))) return fallback;
    return static_cast<int>(x);
}

// The source rule never reads the depth: it is not even computed then.
template <BackgroundRule kRule>
float PlaneDepthFor(const float plane[4], float x, float y, float z) {
    return kRule == BackgroundRule::kSource ? z : PlaneDepth(plane, x, y, z);
}

// One background component around the displaced position (px, py).
template <BackgroundRule kRule>
float GlassSample(const TriangleShading& t, const float plane[4], float z, int k, float px, float py, int ownCol,
                  int ownRow) {
    const int i = FrameCol(px, ownCol, t.width), j = FrameCol(py, ownRow, t.height);
    const float cm = t.colorMax;
    if (!t.quality) return Background<kRule>(t, k, i, j, z) / cm;
    const float fx = std::fabs(px - static_cast<float>(i)), fy = std::fabs(py - static_cast<float>(j));
    const int i1 = std::min(i + 1, t.width - 1), j1 = std::min(j + 1, t.height - 1);
    const float w00 = (2 - fx - fy) * (2 - fx - fy), w10 = (1 + fx - fy) * (1 + fx - fy);
    const float w01 = (1 - fx + fy) * (1 - fx + fy), w11 = (fx + fy) * (fx + fy);
    float sum = w00 + w10 + w01 + w11;
    if (sum == 0.0f) sum = 1.0f;
    const float v = w00 * Background<kRule>(t, k, i, j, z) +
                    w10 * Background<kRule>(t, k, i1, j, PlaneDepthFor<kRule>(plane, px + 1, py, z)) +
                    w01 * Background<kRule>(t, k, i, j1, PlaneDepthFor<kRule>(plane, px, py + 1, z)) +
                    w11 * Background<kRule>(t, k, i1, j1, PlaneDepthFor<kRule>(plane, px + 1, py + 1, z));
    return v / (sum * cm);
}

// The glass box is at most this many pixels a side.
constexpr int kMostGlassBox = 5;

// Replaces the surface colour by the refracted, colour-split background.
template <BackgroundRule kRule>
void Glass(const TriangleShading& t, const float plane[4], float x, float y, float z, float nx, float ny, float nz,
           const __PrevInfo* prev, float color[3]) {
    const GlassProp& glass = *t.glass;
    const float K = glass.coefficient, Roff = glass.offset, Ab = glass.aberration / 100.0f;
    const float q = Ab != 0.0f ? (1 - Ab) * (1 + Ab) : 1.0f;
    const float s = -K * nz - (K * (nz - 1) + 1);
    const float R[3] = {Roff, q * Roff, q * q * Roff};
    const float Px = t.offX + x, Py = t.offY + y;
    const int ownCol = std::clamp(FrameCol(Px, 0, t.width), 0, t.width - 1);
    const int ownRow = std::clamp(FrameCol(Py, 0, t.height), 0, t.height - 1);
    double tint[3];
    for (int k = 0; k < 3; ++k) tint[k] = static_cast<double>(color[k]) - 0.5;

    float pk[3][2];
    for (int k = 0; k < 3; ++k) {
        pk[k][0] = Px + s * R[k] * nx;
        pk[k][1] = Py + s * R[k] * ny;
    }

    if (prev != nullptr && prev->valid && !t.twoPass && t.quality) {
        float pnx = prev->normal.x, pny = prev->normal.y, pnz = prev->normal.z;
        const float len = std::sqrt(pnx * pnx + pny * pny + pnz * pnz);
        if (len > 0.0f) pnx /= len, pny /= len;
        const float Ppx = t.offX + prev->x, Ppy = t.offY + prev->y;
        float delta[3][2];
        for (int k = 0; k < 3; ++k) {
            delta[k][0] = Ppx + s * R[k] * pnx - pk[k][0];
            delta[k][1] = Ppy + s * R[k] * pny - pk[k][1];
        }
        // A displacement past float's range (a huge aberration) has no box: sample one pixel.
        bool finite = true;
        for (int k = 0; k < 3; ++k) finite = finite && std::isfinite(delta[k][0]) && std::isfinite(delta[k][1]);
        if (finite && std::fabs(delta[0][0]) + std::fabs(delta[0][1]) > 2.0f) {
            for (int k = 0; k < 3; ++k) {
                const int Nx = static_cast<int>(std::min(std::fabs(delta[k][0]) + 1.0f, float(kMostGlassBox)));
                const int Ny = static_cast<int>(std::min(std::fabs(delta[k][1]) + 1.0f, float(kMostGlassBox)));
                int col[kMostGlassBox], row[kMostGlassBox];
                for (int i = 0; i < Nx; ++i) col[i] = FrameCol(pk[k][0] + i * delta[k][0] / Nx, ownCol, t.width);
                for (int j = 0; j < Ny; ++j) row[j] = FrameCol(pk[k][1] + j * delta[k][1] / Ny, ownRow, t.height);
                double sum = 0.0;
                if (kRule == BackgroundRule::kSource) {
                    // Whole channel values: their sum is exact in any order.
                    int64_t whole = 0;
                    for (int j = 0; j < Ny; ++j) {
                        const ptrdiff_t rowStart = 4 * (static_cast<ptrdiff_t>(row[j]) * t.width) + k;
                        for (int i = 0; i < Nx; ++i) whole += __GetChannel(t.src, rowStart + 4 * col[i]);
                    }
                    sum = static_cast<double>(whole);
                } else {
                    for (int j = 0; j < Ny; ++j)
                        for (int i = 0; i < Nx; ++i)
                            sum += Background<kRule>(t, k, col[i], row[j],
                                                     PlaneDepth(plane, static_cast<float>(col[i]),
                                                                static_cast<float>(row[j]), z));
                }
                const double mean = sum / (static_cast<double>(t.colorMax) * Nx * Ny);
                color[k] = static_cast<float>(ClampD(mean + tint[k], 0.0, 1.0));
            }
            return;
        }
    }
    for (int k = 0; k < 3; ++k) {
        const float v = GlassSample<kRule>(t, plane, z, k, pk[k][0], pk[k][1], ownCol, ownRow);
        color[k] = static_cast<float>(ClampD(v + tint[k], 0.0, 1.0));
    }
}

// ---- The frame's bump brightness planes

// One plane per distinct bump texture; a scene brings one or a few.
constexpr int kMostPlanes = 16;
// Larger textures are read texel by texel: a plane must stay small beside the frame.
constexpr int64_t kMostPlaneTexels = int64_t(1) << 22;

struct BrightnessPlane {
    const uint8_t* pixels;
    int w, h;
    bool is16;
    float scale;
    float* plane;
};

struct FramePlanes {
    BrightnessPlane entry[kMostPlanes];
    int count = 0;
} gPlanes;

const float* FramePlaneFor(const TexelMap& t) {
    for (int i = 0; i < gPlanes.count; ++i) {
        const BrightnessPlane& e = gPlanes.entry[i];
        if (e.pixels == t.pixels && e.w == t.w && e.h == t.h && e.is16 == t.is16 && e.scale == t.scale)
            return e.plane;
    }
    return nullptr;
}

}  // namespace

ShaderFrame::ShaderFrame(const SceneArgs& s) {
    gPlanes.count = 0;
    // A client's shader reads the textures its own way.
    if (RenderOnePixel != __DefRenderOnePixel || s.materials == nullptr || s.textures == nullptr) return;
    for (int m = 0; m < s.materialCount && gPlanes.count < kMostPlanes; ++m) {
        TexelMap t;
        if (!SlotTexels(s.textures + 4 * static_cast<ptrdiff_t>(m), 2, t) || FramePlaneFor(t) != nullptr) continue;
        const int64_t texels = static_cast<int64_t>(t.w) * t.h;
        if (texels > kMostPlaneTexels) continue;
        float* plane = static_cast<float*>(frostel::AllocPages(static_cast<size_t>(texels) * sizeof(float)));
        if (plane == nullptr) continue;
        for (int j = 0; j < t.h; ++j)
            for (int i = 0; i < t.w; ++i) plane[static_cast<ptrdiff_t>(j) * t.w + i] = t.ReadBrightness(i, j);
        gPlanes.entry[gPlanes.count++] = {t.pixels, t.w, t.h, t.is16, t.scale, plane};
    }
}

ShaderFrame::~ShaderFrame() {
    for (int i = 0; i < gPlanes.count; ++i) frostel::FreePages(gPlanes.entry[i].plane);
    gPlanes.count = 0;
}

void ResolveShading(TriangleShading& out, float offX, float offY, const uint8_t* src, const __Triangle3ds* tri,
                    const material3ds* materials, int materialCount, const __Texture* textures, int lightCount,
                    const light3ds* lights, const GlassProp* glass, bool framePlanes) {
    const int m = tri != nullptr ? tri->material : 0;
    const bool ownMaterial = materials != nullptr && materialCount >= 1 && m < materialCount;
    out.material = kDefaultMaterial;
    out.maps = nullptr;
    for (bool& b : out.mapped) b = false;
    if (ownMaterial) {
        const material3ds& src3 = materials[m];
        ShadeMaterial& mat = out.material;
        for (int k = 0; k < 3; ++k) mat.diffuse[k] = src3.diffuse[k], mat.specular[k] = src3.specular[k];
        mat.exponent = src3.shininess * 100.0f;
        mat.strength = src3.shineStrength;
        mat.selfIllum = src3.selfIllum;
        mat.opacity = 1.0f - Clamp(-src3.transparency, 0.0f, 1.0f);
        out.maps = src3.maps;
        const __Texture* slots = textures != nullptr ? textures + 4 * static_cast<ptrdiff_t>(m) : nullptr;
        for (int k = 0; k < 4; ++k) out.mapped[k] = SlotTexels(slots, k, out.texture[k]);
        if (framePlanes && out.mapped[2]) out.texture[2].brightness = FramePlaneFor(out.texture[2]);
        // Without a texture to sample the maps change nothing: no pixel goes through them.
        if (!out.mapped[0] && !out.mapped[1] && !out.mapped[2] && !out.mapped[3]) out.maps = nullptr;
    }
    const float e = out.material.exponent;
    out.wholeExponent = e >= 0.0f && e <= static_cast<float>(kMostWholeExponent) && e == std::floor(e)
                            ? static_cast<int>(e)
                            : -1;
    if (lightCount <= 0 || lights == nullptr) {
        lights = _LightDef;
        lightCount = 1;
    }
    out.lights = lights;
    out.lightCount = lights != nullptr ? lightCount : 0;
    out.src = src;
    out.offX = offX, out.offY = offY;
    out.colorMax = static_cast<float>(_ColorMax);
    out.width = Zwidth, out.height = Zheight;
    out.glass = glass != nullptr && ownMaterial && glass[m].enabled && src != nullptr && Zwidth > 0 && Zheight > 0
                    ? &glass[m]
                    : nullptr;
    out.quality = _Quality != 0;
    out.backPass = _DrawBackFaces1 != 0;
    out.doubleSide = _DubleSide != 0;
    out.twoPass = _DrawBackFaces == 1;
    if (_BackgroundCopy == nullptr || _RefractDepth == nullptr || _TargetBuffer == nullptr ||
        ((!_DrawBackFaces || _DrawBackFaces1) && !_UseMultyRefract))
        out.background = BackgroundRule::kSource;
    else if (!_DrawBackFaces || _DrawBackFaces1)
        out.background = BackgroundRule::kMultiRefraction;
    else
        out.background = BackgroundRule::kThroughBackFaces;
}

namespace {

// ---- Lanes: the same float operations on four pixels at once

inline __m128 Select(__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); }
// Clamp's rule lane by lane: NaN gives lo.
inline __m128 ClampLanes(__m128 v, __m128 lo, __m128 hi) {
    return Select(_mm_cmpgt_ps(v, lo), Select(_mm_cmplt_ps(v, hi), v, hi), lo);
}
inline __m128 NaNToZero(__m128 v) { return _mm_and_ps(_mm_cmpord_ps(v, v), v); }

// cosine^exponent for the highlight, lane by lane. A whole exponent is taken
// by squaring in double, two lanes at a time: its few roundings of 2^-53 lie
// far below float's 2^-24, so the result is the power correctly rounded
// (unless it lies that close to a rounding edge), within an ulp of powf's,
// and the same under every C runtime.
__m128 SpecularPowerLanes(__m128 cosine, float exponent, int wholeExponent) {
    if (wholeExponent < 0) {
        alignas(16) float c[kShadeLanes];
        _mm_store_ps(c, cosine);
        for (float& lane : c) lane = std::pow(lane, exponent);
        return _mm_load_ps(c);
    }
    __m128d lo = _mm_cvtps_pd(cosine), hi = _mm_cvtps_pd(_mm_movehl_ps(cosine, cosine));
    __m128d powerLo = _mm_set1_pd(1.0), powerHi = powerLo;
    for (unsigned n = static_cast<unsigned>(wholeExponent);;) {
        if (n & 1u) powerLo = _mm_mul_pd(powerLo, lo), powerHi = _mm_mul_pd(powerHi, hi);
        n >>= 1;
        if (n == 0) break;
        lo = _mm_mul_pd(lo, lo), hi = _mm_mul_pd(hi, hi);
    }
    return _mm_movelh_ps(_mm_cvtpd_ps(powerLo), _mm_cvtpd_ps(powerHi));
}

// The maps at one pixel: the diffuse colour, the opacity and the normal's
// tilt, with toCosine the light's cosine over the tilted normal's length.
void ApplyMaps(const TriangleShading& t, float x, float y, float z, bool useTextures, float u, float v,
               const __PrevInfo* prev, float& nx, float& ny, float nz, float& toCosine, ShadeMaterial& mat) {
    const MapParams3ds* maps = t.maps;
    float reflection[3];
    const bool reflect = t.mapped[3];
    if (reflect) SampleReflection(t.texture[3], maps[kReflectionMapSlot], x, y, z, nx, ny, nz, reflection);
    if (useTextures && t.mapped[0]) {
        float s[4];
        SampleMap(t.texture[0], maps[kColorMapSlot], u, v, prev, s);
        const float w = Clamp(maps[kColorMapSlot].amount, 0.0f, 1.0f) * s[3];
        for (int k = 0; k < 3; ++k) mat.diffuse[k] = w * s[k] + std::max(1 - w, 0.0f) * mat.diffuse[k];
    }
    if (useTextures && t.mapped[1]) {
        float s[4];
        SampleMap(t.texture[1], maps[kOpacityMapSlot], u, v, prev, s);
        const float w = Clamp(maps[kOpacityMapSlot].amount, 0.0f, 1.0f) * s[3];
        const float brightest = std::max({s[0], s[1], s[2]});
        mat.opacity = brightest * w + std::max(1 - w, 0.0f) * mat.opacity;
    }
    if (useTextures && t.mapped[2]) {
        Bump(t.texture[2], maps[kBumpMapSlot], u, v, prev, nx, ny);
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

void GlassAt(const TriangleShading& t, const float plane[4], float x, float y, float z, float nx, float ny,
             float nz, const __PrevInfo* prev, float surface[3]) {
    switch (t.background) {
        case BackgroundRule::kSource:
            Glass<BackgroundRule::kSource>(t, plane, x, y, z, nx, ny, nz, prev, surface);
            break;
        case BackgroundRule::kMultiRefraction:
            Glass<BackgroundRule::kMultiRefraction>(t, plane, x, y, z, nx, ny, nz, prev, surface);
            break;
        case BackgroundRule::kThroughBackFaces:
            Glass<BackgroundRule::kThroughBackFaces>(t, plane, x, y, z, nx, ny, nz, prev, surface);
            break;
    }
}

}  // namespace

void ShadeBatchBuiltIn(const TriangleShading& t, bool useTextures, ShadeBatch& b) {
    const int count = b.count;
    // Lanes past the count repeat the first pixel: whatever they compute is dropped.
    for (int i = count; i < kShadeLanes; ++i) {
        b.x[i] = b.x[0], b.y[i] = b.y[0], b.z[i] = b.z[0];
        b.nx[i] = b.nx[0], b.ny[i] = b.ny[0], b.nz[i] = b.nz[0];
    }
    const __m128 zero = _mm_setzero_ps();
    const __m128 signBit = _mm_set1_ps(-0.0f);

    // Normals, turned for the back faces and double-sided surfaces.
    __m128 nx = _mm_loadu_ps(b.nx), ny = _mm_loadu_ps(b.ny), nz = _mm_loadu_ps(b.nz);
    if (t.backPass) nx = _mm_xor_ps(nx, signBit), ny = _mm_xor_ps(ny, signBit), nz = _mm_xor_ps(nz, signBit);
    if (t.doubleSide) nz = Select(_mm_cmplt_ps(nz, zero), _mm_xor_ps(nz, signBit), nz);
    const __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, nx), _mm_mul_ps(ny, ny)), _mm_mul_ps(nz, nz)));
    const __m128 unit = _mm_and_ps(_mm_cmpgt_ps(len, zero), _mm_cmplt_ps(len, _mm_set1_ps(HUGE_VALF)));
    nx = Select(unit, _mm_div_ps(nx, len), nx);
    ny = Select(unit, _mm_div_ps(ny, len), ny);
    nz = Select(unit, _mm_div_ps(nz, len), nz);

    // The light's cosine over the normal's length: 1 for a unit normal.
    __m128 toCosine = _mm_set1_ps(1.0f);
    __m128 surface[3];
    const float opacity = Clamp(t.material.opacity, 0.0f, 1.0f);
    for (float& o : b.opacity) o = opacity;
    for (int k = 0; k < 3; ++k) surface[k] = _mm_set1_ps(t.material.diffuse[k]);
    if (t.maps != nullptr || (t.glass != nullptr && t.lights != nullptr)) {
        alignas(16) float lx[kShadeLanes], ly[kShadeLanes], lz[kShadeLanes], lc[kShadeLanes];
        alignas(16) float ls[3][kShadeLanes];
        _mm_store_ps(lx, nx), _mm_store_ps(ly, ny), _mm_store_ps(lz, nz), _mm_store_ps(lc, toCosine);
        for (int k = 0; k < 3; ++k) _mm_store_ps(ls[k], surface[k]);
        for (int i = 0; i < count; ++i) {
            ShadeMaterial mat = t.material;
            if (t.maps != nullptr)
                ApplyMaps(t, b.x[i], b.y[i], b.z[i], useTextures, b.u[i], b.v[i], &b.prev[i], lx[i], ly[i], lz[i],
                          lc[i], mat);
            b.opacity[i] = Clamp(mat.opacity, 0.0f, 1.0f);
            if (t.lights == nullptr) continue;
            float s[3] = {mat.diffuse[0], mat.diffuse[1], mat.diffuse[2]};
            if (t.glass != nullptr) GlassAt(t, b.plane[i], b.x[i], b.y[i], b.z[i], lx[i], ly[i], lz[i], &b.prev[i], s);
            for (int k = 0; k < 3; ++k) ls[k][i] = s[k];
        }
        nx = _mm_load_ps(lx), ny = _mm_load_ps(ly), toCosine = _mm_load_ps(lc);
        for (int k = 0; k < 3; ++k) surface[k] = _mm_load_ps(ls[k]);
    }

    __m128 out[3] = {zero, zero, zero};
    if (t.lights != nullptr) {
        const ShadeMaterial& mat = t.material;  // the maps change neither the highlight nor the self-illumination
        const __m128 x = _mm_loadu_ps(b.x), y = _mm_loadu_ps(b.y), z = _mm_loadu_ps(b.z);
        const __m128 keep = _mm_set1_ps(1 - mat.selfIllum), self = _mm_set1_ps(mat.selfIllum);
        for (int i = 0; i < t.lightCount; ++i) {
            const light3ds& l = t.lights[i];
            __m128 lx = _mm_sub_ps(_mm_set1_ps(l.x), x), ly = _mm_sub_ps(_mm_set1_ps(l.y), y),
                   lz = _mm_sub_ps(_mm_set1_ps(l.z), z);
            const __m128 ll =
                _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(lx, lx), _mm_mul_ps(ly, ly)), _mm_mul_ps(lz, lz)));
            const __m128 apart = _mm_cmpgt_ps(ll, zero);
            lx = Select(apart, _mm_div_ps(lx, ll), lx);
            ly = Select(apart, _mm_div_ps(ly, ll), ly);
            lz = Select(apart, _mm_div_ps(lz, ll), lz);
            __m128 dd = _mm_mul_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(lx, nx), _mm_mul_ps(ly, ny)), _mm_mul_ps(lz, nz)),
                                   _mm_set1_ps(l.intensity));
            dd = _mm_and_ps(_mm_cmpgt_ps(dd, zero), dd);
            // A huge power saturates; 0^0 and inf * 0 must not turn into NaN.
            // pow(0, e > 0) is 0 and a zero strength gives no highlight.
            __m128 spec = zero;
            if (mat.strength != 0.0f) {
                spec = _mm_mul_ps(SpecularPowerLanes(_mm_mul_ps(dd, toCosine), mat.exponent, t.wholeExponent),
                                  _mm_set1_ps(mat.strength));
                if (mat.exponent > 0.0f) spec = _mm_and_ps(_mm_cmpneq_ps(dd, zero), spec);
                spec = _mm_min_ps(NaNToZero(spec), _mm_set1_ps(1e30f));
            }
            const __m128 dif = _mm_add_ps(_mm_mul_ps(dd, keep), self);
            const float light[3] = {l.r, l.g, l.b};
            for (int k = 0; k < 3; ++k) {
                const __m128 term = _mm_mul_ps(
                    _mm_add_ps(_mm_mul_ps(spec, _mm_set1_ps(mat.specular[k])), _mm_mul_ps(dif, surface[k])),
                    _mm_set1_ps(light[k]));
                out[k] = _mm_add_ps(out[k], NaNToZero(term));
            }
        }
        const __m128 cm = _mm_set1_ps(t.colorMax);
        for (int k = 0; k < 3; ++k) out[k] = ClampLanes(_mm_mul_ps(out[k], cm), zero, cm);
    }
    for (int k = 0; k < 3; ++k) _mm_storeu_ps(b.color[k], out[k]);
}

float ShadeBuiltIn(const TriangleShading& t, float x, float y, float z, const __Point* normal, bool useTextures,
                   float u, float v, const __PrevInfo* prev, const float plane[4], float color[3]) {
    ShadeBatch b;
    b.count = 1;
    b.x[0] = x, b.y[0] = y, b.z[0] = z;
    b.nx[0] = normal ? normal->x : 0.0f, b.ny[0] = normal ? normal->y : 0.0f, b.nz[0] = normal ? normal->z : 1.0f;
    b.u[0] = u, b.v[0] = v;
    if (prev != nullptr)
        b.prev[0] = *prev;
    else
        b.prev[0].valid = 0;
    for (int k = 0; k < 4; ++k) b.plane[0][k] = plane[k];
    ShadeBatchBuiltIn(t, useTextures, b);
    for (int k = 0; k < 3; ++k) color[k] = b.color[k][0];
    return b.opacity[0];
}

float __DefRenderOnePixel(float offX, float offY, unsigned char* /*frame*/, unsigned char* src, float x, float y,
                          float z, __Triangle3ds* tri, material3ds* materials, int materialCount, float& out0,
                          float& out1, float& out2, __Point* normal, unsigned char useTextures, float u, float v,
                          __Texture* textures, int lightCount, light3ds* lights, __PrevInfo* prev,
                          GlassProp* glass, float a, float b, float c, float d) {
    TriangleShading t;
    ResolveShading(t, offX, offY, src, tri, materials, materialCount, textures, lightCount, lights, glass, false);
    const float plane[4] = {a, b, c, d};
    float color[3];
    const float opacity = ShadeBuiltIn(t, x, y, z, normal, useTextures != 0, u, v, prev, plane, color);
    out0 = color[0], out1 = color[1], out2 = color[2];
    return opacity;
}
