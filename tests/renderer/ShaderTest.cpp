// The built-in pixel shader, one pixel at a time: lighting, materials, maps
// and glass.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "Engine.h"
#include "PageMemory.h"
#include "RenderKit.h"
#include "Shading.h"

namespace rtest {
namespace {

// One shader call with everything at a neutral default.
struct Pixel {
    float offX = 0, offY = 0;
    float x = 10, y = 10, z = 0;
    __Triangle3ds tri{};
    std::vector<material3ds> materials;
    std::vector<__Texture> textures;
    std::vector<light3ds> lights;
    std::vector<GlassProp> glass;
    std::vector<uint8_t> src;
    __Point normal{0, 0, 1};
    uint8_t useTextures = 0;
    float u = 0, v = 0;
    __PrevInfo* prev = nullptr;
    float plane[4] = {0, 0, -1, 0};
    float out[3] = {-1, -1, -1};

    Pixel() {
        _ColorMax = 255;
        material3ds m{};
        m.diffuse[0] = 0.6f, m.diffuse[1] = 0.4f, m.diffuse[2] = 0.2f;
        materials.push_back(m);
        textures.resize(4);
        Light(x, y, z + 100, 1.0f);
    }
    void Light(float lx, float ly, float lz, float intensity) {
        light3ds l{};
        l.x = lx, l.y = ly, l.z = lz;
        l.r = l.g = l.b = 1;
        l.intensity = intensity;
        lights.push_back(l);
    }
    float Shade() {
        return __DefRenderOnePixel(offX, offY, nullptr, src.empty() ? nullptr : src.data(), x, y, z, &tri,
                                   materials.data(), int(materials.size()), out[0], out[1], out[2], &normal,
                                   useTextures, u, v, textures.data(), int(lights.size()),
                                   lights.empty() ? nullptr : lights.data(), prev,
                                   glass.empty() ? nullptr : glass.data(), plane[0], plane[1], plane[2], plane[3]);
    }
};

TEST(Shader, AnOverheadLightOnAFlatNormalGivesItsIntensity) {
    Flags keep;
    Pixel p;
    p.lights[0].intensity = 0.5f;
    EXPECT_EQ(p.Shade(), 1.0f);
    EXPECT_NEAR(p.out[0], 0.6f * 0.5f * 255, 1e-3);
    EXPECT_NEAR(p.out[1], 0.4f * 0.5f * 255, 1e-3);
    EXPECT_NEAR(p.out[2], 0.2f * 0.5f * 255, 1e-3);
    // A light behind the surface leaves only the self-illumination.
    Pixel behind;
    behind.lights[0].z = -100;
    behind.materials[0].selfIllum = 0.25f;
    behind.Shade();
    EXPECT_NEAR(behind.out[0], 0.6f * 0.25f * 255, 1e-3);
}

TEST(Shader, MirroringNormalAndLightKeepsTheColour) {
    Flags keep;
    const float n[3] = {0.3f, -0.2f, 0.9f};
    Pixel a, b;
    for (Pixel* p : {&a, &b}) {
        p->materials[0].specular[0] = p->materials[0].specular[1] = p->materials[0].specular[2] = 1;
        p->materials[0].shininess = 0.2f, p->materials[0].shineStrength = 0.7f;
        p->lights.clear();
    }
    a.normal = {n[0], n[1], n[2]};
    a.Light(a.x + 40, a.y - 25, 60, 1.0f);
    b.normal = {-n[0], n[1], n[2]};
    b.Light(b.x - 40, b.y - 25, 60, 1.0f);
    a.Shade();
    b.Shade();
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.out[k], b.out[k], 1e-3) << k;
    EXPECT_GT(a.out[0], 50);
}

TEST(Shader, TransparencyGivesTheOpacity) {
    Flags keep;
    Pixel p;
    p.materials[0].transparency = -0.25f;
    EXPECT_FLOAT_EQ(p.Shade(), 0.75f);
    p.materials[0].transparency = 0.4f;
    EXPECT_FLOAT_EQ(p.Shade(), 1.0f);
    p.materials[0].transparency = -7.0f;
    EXPECT_FLOAT_EQ(p.Shade(), 0.0f);
}

TEST(Shader, AMaterialIndexPastTheArrayGetsTheDefaultMaterial) {
    Flags keep;
    Pixel p;
    p.tri.material = 1;  // one material only
    p.glass.push_back({1, 2.0f, 30.0f, 0.0f});  // one record: must not be read for index 1
    EXPECT_EQ(p.Shade(), 1.0f);
    // Grey 0.5 lit straight on, plus a white highlight of strength 10: saturated.
    EXPECT_EQ(p.out[0], 255.0f);
    Pixel dim;
    dim.tri.material = 3;
    dim.lights[0].intensity = 0.9f;  // 0.9^150 * 10 is about 1.4e-6
    dim.Shade();
    EXPECT_NEAR(dim.out[0], 0.5f * 0.9f * 255, 0.01);
}

TEST(Shader, BackFacesAndDoubleSidesTurnTheNormal) {
    Flags keep;
    Pixel p;
    _DrawBackFaces1 = 1;
    p.Shade();
    EXPECT_EQ(p.out[0], 0.0f);  // lit from behind
    _DubleSide = 1;
    p.Shade();
    EXPECT_NEAR(p.out[0], 0.6f * 255, 1e-3);
}

TEST(Shader, HugeHighlightsSaturateWithoutNaN) {
    Flags keep;
    Pixel p;
    p.materials[0].specular[0] = 1, p.materials[0].specular[1] = 0, p.materials[0].specular[2] = 0;
    p.materials[0].shininess = 50.0f;  // exponent 5000
    p.materials[0].shineStrength = 1.0f;
    p.lights[0].intensity = 1e6f;
    p.Shade();
    EXPECT_EQ(p.out[0], 255.0f);
    EXPECT_EQ(p.out[1], 255.0f);  // the diffuse part saturates too, no NaN from inf * 0
    EXPECT_FALSE(std::isnan(p.out[2]));
    Pixel z;
    z.materials[0].shininess = 0.0f;  // 0^0 with the light edge-on
    z.materials[0].shineStrength = 1.0f;
    z.lights[0].z = z.z;
    z.lights[0].x += 50;
    z.Shade();
    for (float c : z.out) EXPECT_TRUE(c >= 0 && c <= 255);
}

// The highlight alone (black diffuse, white specular) under one light seen
// at many angles: a whole exponent gives the power of the cosine rounded
// once, as a double power rounds it, under every C runtime; a fractional one
// gives powf's.
TEST(Shader, HighlightsAreTheCosinesPowerRoundedOnce) {
    Flags keep;
    for (float shininess : {0.01f, 0.25f, 1.5f, 7.0f, 0.125f, 1000.125f}) {
        const float exponent = shininess * 100.0f;
        const bool whole = exponent == std::floor(exponent);
        for (int i = 1; i < 4000; ++i) {
            Pixel p;
            material3ds& m = p.materials[0];
            m.diffuse[0] = m.diffuse[1] = m.diffuse[2] = 0;
            m.specular[0] = m.specular[1] = m.specular[2] = 1;
            m.shininess = shininess, m.shineStrength = 1.0f;
            light3ds& l = p.lights[0];
            l.x = p.x + 0.05f * float(i), l.y = p.y + 0.013f * float(i % 97), l.z = p.z + 100;
            p.Shade();
            // The flat normal's cosine, as the shader computes it.
            const float lx = l.x - p.x, ly = l.y - p.y, lz = l.z - p.z;
            const float cosine = lz / std::sqrt(lx * lx + ly * ly + lz * lz);
            const float power = whole ? float(std::pow(double(cosine), double(exponent))) : std::pow(cosine, exponent);
            ASSERT_EQ(p.out[0], std::min(power * 255.0f, 255.0f)) << exponent << " at " << cosine;
        }
    }
}

TEST(Shader, WithoutAnyLightTheColourIsBlackButTheOpacityStays) {
    Flags keep;
    Pixel p;
    p.lights.clear();
    p.materials[0].transparency = -0.5f;
    _LightDef = nullptr;
    EXPECT_FLOAT_EQ(p.Shade(), 0.5f);
    EXPECT_EQ(p.out[0], 0.0f);
}

// A texture of w x h texels in the engine's texel order from (r, g, b, a) per texel.
struct Texture {
    std::vector<uint8_t> px;
    __Texture t{};
    Texture(int w, int h, const std::vector<std::array<uint8_t, 4>>& rgba) : px(size_t(w) * h * 4) {
        for (int i = 0; i < w * h; ++i) {
            const auto& c = rgba[size_t(i) % rgba.size()];
            px[4 * i] = c[2], px[4 * i + 1] = c[1], px[4 * i + 2] = c[0], px[4 * i + 3] = c[3];
        }
        t.present = 1, t.width = w, t.height = h, t.pixels = px.data();
    }
};

void UseMap(material3ds& m, int slot, float amount) {
    m.maps[slot].amount = amount;
    m.maps[slot].uScale = m.maps[slot].vScale = 1.0f;
}

TEST(Shader, ColourMapBlendsByItsAlphaAndAmount) {
    Flags keep;
    _Quality = 0;
    Pixel p;
    Texture tex(2, 2, {{255, 0, 0, 255}});
    p.textures[0] = tex.t;
    UseMap(p.materials[0], kColorMapSlot, 0.5f);
    p.useTextures = 1;
    p.Shade();
    EXPECT_NEAR(p.out[0], (0.5f * 1.0f + 0.5f * 0.6f) * 255, 0.01);
    EXPECT_NEAR(p.out[1], 0.5f * 0.4f * 255, 0.01);
    p.useTextures = 0;  // the flag of the triangle gates the map
    p.Shade();
    EXPECT_NEAR(p.out[0], 0.6f * 255, 0.01);
}

TEST(Shader, UnusableTexturesAndCoordinatesAreHandledSafely) {
    Flags keep;
    for (uint8_t quality : {0, 1}) {
        _Quality = quality;
        Pixel p;
        UseMap(p.materials[0], kColorMapSlot, 1.0f);
        p.useTextures = 1;
        // Zero size or no pixels: the slot counts as absent.
        __Texture empty{};
        empty.present = 1, empty.width = 0, empty.height = 4;
        p.textures[0] = empty;
        p.Shade();
        EXPECT_NEAR(p.out[0], 0.6f * 255, 0.01);
        // One texel wide: its bilinear neighbour is itself.
        Texture thin(1, 3, {{0, 255, 0, 255}});
        p.textures[0] = thin.t;
        p.u = 0.7f, p.v = 0.3f;
        p.Shade();
        EXPECT_NEAR(p.out[1], 255, 0.01);
        // Non-finite coordinates read texel 0.
        Texture two(2, 1, {{0, 0, 255, 255}, {255, 0, 0, 255}});
        p.textures[0] = two.t;
        p.u = std::numeric_limits<float>::quiet_NaN();
        p.v = std::numeric_limits<float>::infinity();
        p.Shade();
        EXPECT_NEAR(p.out[2], 255, 0.01);
        EXPECT_NEAR(p.out[0], 0, 0.01);
    }
}

TEST(Shader, TexelCoordinatesWrap) {
    Flags keep;
    _Quality = 0;
    Pixel p;
    Texture tex(4, 1, {{10, 0, 0, 255}, {20, 0, 0, 255}, {30, 0, 0, 255}, {40, 0, 0, 255}});
    p.textures[0] = tex.t;
    UseMap(p.materials[0], kColorMapSlot, 1.0f);
    p.useTextures = 1;
    auto texel = [&](float u) {
        p.u = u;
        p.Shade();
        return int(std::lround(p.out[0]));
    };
    EXPECT_EQ(texel(0.0f), 10);
    EXPECT_EQ(texel(4.0f / 3.0f), 10);  // X = 4 = W wraps to 0
    EXPECT_EQ(texel(-1.0f / 3.0f), 40);  // X = -1 wraps to 3
    EXPECT_EQ(texel(2.0f / 3.0f), 30);
}

TEST(Shader, OpacityMapTakesTheBrightestChannel) {
    Flags keep;
    _Quality = 0;
    Pixel p;
    Texture tex(1, 1, {{51, 102, 0, 255}});
    p.textures[1] = tex.t;
    UseMap(p.materials[0], kOpacityMapSlot, 1.0f);
    p.useTextures = 1;
    EXPECT_NEAR(p.Shade(), 0.4f, 1e-4);
}

TEST(Shader, BumpTiltsTheNormalAlikeAtBothDepths) {
    Flags keep;
    _Quality = 0;
    // Brightness rises to the right: the normal tilts to the left, away from a light on the right.
    Texture tex(2, 1, {{0, 0, 0, 255}, {30, 30, 30, 255}});
    auto shade = [&](bool deep) {
        Pixel p;
        p.lights.clear();
        p.Light(p.x + 100, p.y, p.z + 100, 1.0f);
        __Texture t = tex.t;
        if (deep) {
            _Deep = 1;
            _ColorMax = 32768;
            __ConvertText(&t);
        }
        p.textures[2] = t;
        UseMap(p.materials[0], kBumpMapSlot, 0.02f);
        p.useTextures = 1;
        p.Shade();
        if (deep) frostel::FreePages(t.pixels);
        _Deep = 0;
        return p.out[0] / (deep ? 32768.0f : 255.0f);
    };
    Pixel flat;
    flat.lights.clear();
    flat.Light(flat.x + 100, flat.y, flat.z + 100, 1.0f);
    flat.Shade();
    const float plain = flat.out[0] / 255.0f;
    const float bumped8 = shade(false), bumped16 = shade(true);
    EXPECT_LT(bumped8, plain - 0.05f);
    EXPECT_NEAR(bumped8, bumped16, 2e-3);
}

// The bump leaves the tilted normal longer than 1. The highlight must still
// follow the angle to the light alone: a bumped normal facing the light
// shines as a flat one facing it, never the white speck of a "cosine" of
// 1.41 raised to the exponent.
TEST(Shader, ABumpedNormalFacingTheLightShinesAsAFlatOne) {
    Flags keep;
    _Quality = 0;
    // Brightness 0 then 90 to the right, amount 1/9: the normal tilts by (-1, 0).
    Texture tex(2, 1, {{0, 0, 0, 255}, {30, 30, 30, 255}});
    auto highlight = [&](bool bumped, float lightX) {
        Pixel p;
        material3ds& m = p.materials[0];
        m.diffuse[0] = m.diffuse[1] = m.diffuse[2] = 0;  // the highlight alone
        m.specular[0] = m.specular[1] = m.specular[2] = 1;
        m.shininess = 1.5f;  // exponent 150, the factory material's
        m.shineStrength = 0.5f;
        p.lights.clear();
        p.Light(p.x + lightX, p.y, p.z + 100, 1.0f);
        if (bumped) {
            p.textures[2] = tex.t;
            UseMap(m, kBumpMapSlot, 1.0f / 9.0f);
            p.useTextures = 1;
        } else {
            p.normal = {-1, 0, 1};
        }
        p.Shade();
        return p.out[0];
    };
    EXPECT_NEAR(highlight(false, -100), 0.5f * 255, 0.5f);
    EXPECT_NEAR(highlight(true, -100), 0.5f * 255, 0.5f);
    // Off the tilted normal the highlight falls away as it does on a flat one.
    EXPECT_NEAR(highlight(true, -80), highlight(false, -80), 0.5f);
    EXPECT_LT(highlight(true, -80), 0.5f * 255 * 0.5f);
}

TEST(Shader, ReflectionMapBlendsTheEnvironment) {
    Flags keep;
    _Quality = 1;
    Zwidth = 64, Zheight = 64;
    Pixel p;
    Texture env(3, 3, {{0, 200, 0, 255}});
    p.textures[3] = env.t;
    UseMap(p.materials[0], kReflectionMapSlot, 1.0f);
    p.Shade();  // not gated by the texture flag
    EXPECT_NEAR(p.out[1], 200, 0.01);
    EXPECT_NEAR(p.out[0], 0, 0.01);
    Zwidth = Zheight = 0;
}

// Glass over a horizontal ramp: source value = 4 x column.
struct GlassPixel : Pixel {
    static constexpr int kSize = 64;
    std::vector<uint8_t> target, copy;
    std::vector<float> refract;
    GlassPixel() {
        src.resize(kSize * kSize * 4);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                for (int k = 0; k < 4; ++k) src[(y * kSize + x) * 4 + k] = k == 3 ? 255 : uint8_t(4 * x);
        target = src;
        copy = src;
        refract.assign(kSize * kSize, kDepthFill);
        _TargetBuffer = target.data();
        _BackgroundCopy = copy.data();
        _RefractDepth = refract.data();
        Zwidth = Zheight = kSize;
        _RowLength = kSize * 4;
        x = 30, y = 20;
        lights.clear();
        Light(x, y, 100, 1.0f);
        material3ds& m = materials[0];
        m.diffuse[0] = m.diffuse[1] = m.diffuse[2] = 0.5f;  // no tint
        m.selfIllum = 1.0f;                                    // colour = what the glass shows
        glass.push_back({1, 1.0f, 10.0f, 0.0f});
    }
    ~GlassPixel() {
        _TargetBuffer = _BackgroundCopy = nullptr;
        _RefractDepth = nullptr;
        Zwidth = Zheight = 0;
    }
    // Column the glass sampled for component k.
    float Column(int k) const { return out[k] / 4.0f; }
};

TEST(Shader, GlassShowsTheBackgroundDisplacedByTheNormal) {
    Flags keep;
    _Quality = 0;
    GlassPixel p;
    const float nx = 0.6f, nz = 0.8f;
    p.normal = {nx, 0, nz};
    p.Shade();
    // s = -K nz - (K (nz - 1) + 1) = -0.8 - 0.8 = -1.6; displacement s * R * nx = -9.6.
    EXPECT_NEAR(p.Column(0), std::trunc(30 - 9.6f), 1e-3);
    for (int k = 1; k < 3; ++k) EXPECT_EQ(p.out[k], p.out[0]);
    // A flat normal looks straight through.
    p.normal = {0, 0, 1};
    p.Shade();
    EXPECT_NEAR(p.Column(0), 30, 1e-3);
}

TEST(Shader, AberrationSplitsTheComponents) {
    Flags keep;
    _Quality = 0;
    GlassPixel p;
    p.glass[0].aberration = 50.0f;  // q = 0.75
    p.glass[0].offset = 20.0f;
    p.normal = {0.6f, 0, 0.8f};
    p.Shade();
    const float d = -1.6f * 20.0f * 0.6f;
    EXPECT_NEAR(p.Column(0), std::trunc(30 + d), 1e-3);
    EXPECT_NEAR(p.Column(1), std::trunc(30 + d * 0.75f), 1e-3);
    EXPECT_NEAR(p.Column(2), std::trunc(30 + d * 0.5625f), 1e-3);
    // Aberration 100 collapses components 1 and 2 onto the pixel itself.
    p.glass[0].aberration = 100.0f;
    p.Shade();
    EXPECT_NEAR(p.Column(1), 30, 1e-3);
    EXPECT_NEAR(p.Column(2), 30, 1e-3);
}

TEST(Shader, GlassSamplesOffTheFrameStayOnThePixelsRowAndColumn) {
    Flags keep;
    _Quality = 1;
    GlassPixel p;
    p.glass[0].offset = 500.0f;
    p.normal = {0.6f, 0.6f, 0.52f};
    const float opacity = p.Shade();
    EXPECT_EQ(opacity, 1.0f);
    for (float c : p.out) EXPECT_TRUE(c >= 0 && c <= 255);
}

TEST(Shader, MultipleRefractionSeesOpaqueGlassFurtherAway) {
    Flags keep;
    _Quality = 0;
    _UseMultyRefract = 1;
    GlassPixel p;
    p.normal = {0, 0, 1};
    const int index = 20 * GlassPixel::kSize + 30;
    for (int k = 0; k < 3; ++k) p.target[index * 4 + k] = 222;  // an earlier glass surface drew here
    // The refraction depth at its fill value: the background copy is read, and the depth is recorded.
    p.Shade();
    EXPECT_NEAR(p.out[0], 120, 1e-3);
    EXPECT_EQ(p.refract[index], 0.0f);
    // A surface exactly 30 further away counts as another surface and sees the frame.
    p.z = 30.0f;
    p.Shade();
    EXPECT_NEAR(p.out[0], 222, 1e-3);
    EXPECT_EQ(p.copy[index * 4], 222);
    EXPECT_EQ(p.refract[index], 30.0f);
    // Within 30 of the recorded surface: the background copy (now holding that colour).
    p.z = 40.0f;
    p.copy[index * 4] = 17;
    p.Shade();
    EXPECT_NEAR(p.out[0], 17, 1e-3);
}

TEST(Shader, GlassAveragesTowardsAFarPreviousSampleExceptInTheTwoPassRender) {
    Flags keep;
    _Quality = 1;
    GlassPixel p;
    p.normal = {0, 0, 1};
    const float single = (p.Shade(), p.out[0]);
    // The previous pixel refracted 10 columns to the right (s = -2): a box over the ramp between.
    __PrevInfo prev{};
    prev.normal = {-0.6f, 0, 0.8f};
    prev.valid = 1;
    prev.x = p.x - 2, prev.y = p.y;
    p.prev = &prev;
    p.Shade();
    EXPECT_GT(p.out[0], single + 4 * 3);
    // The front pass of a two-pass render looks through one sample.
    _DrawBackFaces = 1;
    p.Shade();
    EXPECT_EQ(p.out[0], single);
}

// Pixels shaded a batch at a time come out as each shaded alone: maps and
// glass with their previous pixel, back faces and double sides, whole and
// fractional exponents, and batches that are not full.
TEST(Shader, ABatchShadesEachPixelAsItWouldAlone) {
    Flags keep;
    _Quality = 1;
    Texture grain(5, 3, {{200, 30, 90, 255}, {20, 240, 60, 128}, {90, 90, 250, 40}, {255, 255, 255, 255}});
    uint32_t seed = 1;
    auto random = [&](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * float(seed >> 8) / float(1 << 24);
    };
    for (int look = 0; look < 8; ++look) {
        GlassPixel p;
        material3ds& m = p.materials[0];
        m.specular[0] = 1, m.specular[1] = 0.7f, m.specular[2] = 0.4f;
        m.shininess = look & 1 ? 0.125f : 1.5f, m.shineStrength = 0.8f, m.selfIllum = 0.2f;
        p.Light(5, 60, 40, 0.7f);
        if (look & 2) {
            // Texture slots 0..3: colour, opacity, bump, reflection.
            for (__Texture& texture : p.textures) texture = grain.t;
            for (int slot : {kColorMapSlot, kOpacityMapSlot, kBumpMapSlot, kReflectionMapSlot})
                UseMap(m, slot, slot == kBumpMapSlot ? 0.3f : 0.6f);
        }
        if (!(look & 4)) p.glass.clear();
        _DrawBackFaces1 = look == 5, _DubleSide = look == 6;
        TriangleShading t;
        ResolveShading(t, 0, 0, p.src.data(), &p.tri, p.materials.data(), int(p.materials.size()), p.textures.data(),
                       int(p.lights.size()), p.lights.data(), p.glass.empty() ? nullptr : p.glass.data(), false);
        for (int count = 1; count <= kShadeLanes; ++count) {
            ShadeBatch b;
            b.count = count;
            for (int i = 0; i < count; ++i) {
                b.x[i] = random(5, 55), b.y[i] = random(5, 55), b.z[i] = random(-20, 60);
                b.nx[i] = random(-1, 1), b.ny[i] = random(-1, 1), b.nz[i] = random(-0.3f, 1);
                b.u[i] = random(0, 3), b.v[i] = random(0, 3);
                b.prev[i] = {};
                b.prev[i].valid = i % 2;
                b.prev[i].normal = {random(-1, 1), random(-1, 1), 1};
                b.prev[i].x = b.x[i] - random(1, 4), b.prev[i].y = b.y[i];
                b.prev[i].u = random(0, 3), b.prev[i].v = random(0, 3);
                const float plane[4] = {0, 0, -1, b.z[i]};
                std::memcpy(b.plane[i], plane, sizeof plane);
            }
            ShadeBatch together = b;
            ShadeBatchBuiltIn(t, true, together);
            for (int i = 0; i < count; ++i) {
                const __Point normal{b.nx[i], b.ny[i], b.nz[i]};
                float color[3];
                const float opacity =
                    ShadeBuiltIn(t, b.x[i], b.y[i], b.z[i], &normal, true, b.u[i], b.v[i], &b.prev[i], b.plane[i], color);
                EXPECT_EQ(together.opacity[i], opacity) << look << " " << count << " " << i;
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(together.color[k][i], color[k]) << look << " " << count << " " << i << " " << k;
            }
        }
    }
}

}  // namespace
}  // namespace rtest
