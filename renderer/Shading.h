// The built-in shader in two halves: what stays the same over a triangle,
// resolved once, and the work of one pixel. The kernels shade through
// PixelShader, which calls an installed client shader with every argument
// instead, once per pixel as before.
#pragma once

#include <cstring>

#include "Engine.h"

// A texture slot that can be sampled: present, with pixels and a size. Texels
// are read at the texture's own depth and scaled to the frame's.
struct TexelMap {
    const uint8_t* pixels;
    int w, h;
    bool is16;
    float scale;              // raw texel value to frame channel units
    const float* brightness;  // the frame's plane of Brightness(), or null

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
    float ReadBrightness(int i, int j) const { return Channel(i, j, 0) + Channel(i, j, 1) + Channel(i, j, 2); }
    float Brightness(int i, int j) const {
        return brightness != nullptr ? brightness[static_cast<ptrdiff_t>(j) * w + i] : ReadBrightness(i, j);
    }
};

struct ShadeMaterial {
    float diffuse[3];
    float specular[3];
    float exponent;
    float strength;
    float selfIllum;
    float opacity;
};

// Where glass finds the background behind a pixel.
enum class BackgroundRule : uint8_t {
    kSource,           // the source image
    kMultiRefraction,  // the source, or opaque glass met further away
    kThroughBackFaces  // the front pass looking through the back faces' pass
};

// What the built-in shader reads of one triangle and the frame state.
struct TriangleShading {
    ShadeMaterial material;
    const MapParams3ds* maps;  // null with the default material, or when no texture can be sampled
    bool mapped[4];            // texture k can be sampled
    TexelMap texture[4];
    const GlassProp* glass;    // the triangle's glass when it is enabled, else null
    int wholeExponent;         // the material's exponent when it is a whole number the shader squares up to, else -1
    const light3ds* lights;    // null: no light at all
    int lightCount;
    const uint8_t* src;
    float offX, offY;
    float colorMax;
    int width, height;  // the frame glass samples, Zwidth x Zheight
    BackgroundRule background;
    bool quality, backPass, doubleSide, twoPass;
};

// Resolves the shader's inputs for one triangle. With framePlanes the bump
// map reads the brightness plane the frame made for it (ShaderFrame).
void ResolveShading(TriangleShading& out, float offX, float offY, const uint8_t* src, const __Triangle3ds* tri,
                    const material3ds* materials, int materialCount, const __Texture* textures, int lightCount,
                    const light3ds* lights, const GlassProp* glass, bool framePlanes);

// Pixels of one triangle shaded together: the normals and the lights are
// worked out for all of them at once in SIMD lanes, each pixel with the very
// operations it would get alone; maps and glass go pixel by pixel.
constexpr int kShadeLanes = 4;
struct ShadeBatch {
    int count = 0;  // pixels in the batch
    float x[kShadeLanes], y[kShadeLanes], z[kShadeLanes];  // scene coordinates and depth
    float nx[kShadeLanes], ny[kShadeLanes], nz[kShadeLanes];
    float u[kShadeLanes], v[kShadeLanes];
    __PrevInfo prev[kShadeLanes];  // the previous pixel's, for maps and glass
    float plane[kShadeLanes][4];   // the surface's plane, for glass
    // Out: colour 0.._ColorMax and opacity.
    float color[3][kShadeLanes];
    float opacity[kShadeLanes];
};
void ShadeBatchBuiltIn(const TriangleShading& t, bool useTextures, ShadeBatch& b);

// The built-in shader at one pixel: colour 0.._ColorMax into color, opacity back.
float ShadeBuiltIn(const TriangleShading& t, float x, float y, float z, const __Point* normal, bool useTextures,
                   float u, float v, const __PrevInfo* prev, const float plane[4], float color[3]);

// The shader of one triangle's pixels. x, y are scene coordinates (frame
// pixel minus the offset).
class PixelShader {
public:
    PixelShader(const SceneArgs& s, __Triangle3ds* tri) : scene_(s), tri_(tri), builtIn_(RenderOnePixel == __DefRenderOnePixel) {
        if (builtIn_)
            ResolveShading(shading_, static_cast<float>(s.offX), static_cast<float>(s.offY), s.src, tri, s.materials,
                           s.materialCount, s.textures, s.lightCount, s.lights, s.glass, true);
    }
    float operator()(uint8_t* frame, float x, float y, float z, __Point* normal, bool tex, float u, float v,
                     __PrevInfo* prev, const float plane[4], float color[3]) const {
        if (builtIn_) return ShadeBuiltIn(shading_, x, y, z, normal, tex, u, v, prev, plane, color);
        return RenderOnePixel(static_cast<float>(scene_.offX), static_cast<float>(scene_.offY), frame, scene_.src, x, y,
                              z, tri_, scene_.materials, scene_.materialCount, color[0], color[1], color[2], normal,
                              tex ? 1 : 0, u, v, scene_.textures, scene_.lightCount, scene_.lights, prev,
                              scene_.glass, plane[0], plane[1], plane[2], plane[3]);
    }

    // Whether the built-in shader may take a batch of pixels before the
    // earlier ones are blended into frame: not when glass reads that frame.
    bool Batches(const uint8_t* frame) const {
        if (!builtIn_ || shading_.glass == nullptr) return builtIn_;
        return frame != shading_.src && (shading_.background == BackgroundRule::kSource || frame != _TargetBuffer);
    }
    void Shade(ShadeBatch& b, bool tex) const { ShadeBatchBuiltIn(shading_, tex, b); }
    // Whether a batch's pixels need their previous sample and plane: only the
    // maps and glass read them.
    bool BatchReadsNeighbours() const { return shading_.maps != nullptr || shading_.glass != nullptr; }

private:
    const SceneArgs& scene_;
    __Triangle3ds* tri_;
    bool builtIn_;
    TriangleShading shading_;
};
