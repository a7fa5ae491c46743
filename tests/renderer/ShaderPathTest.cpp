// The kernels shade with the built-in shader resolved once per triangle, and
// its bump map from a brightness plane made per frame; an installed client
// shader is called per pixel instead. Both ways must draw the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Engine.h"
#include "PageMemory.h"
#include "RenderKit.h"

namespace rtest {
namespace {

using frostel::FailPageAllocationAfter;
using frostel::GetPageMemoryStats;

constexpr int kSize = 96;

// A client shader that hands every call on to the built-in one.
struct Forward {
    static inline int calls = 0;
    static float Shade(float offX, float offY, unsigned char* frame, unsigned char* src, float x, float y, float z,
                       __Triangle3ds* tri, material3ds* m, int mc, float& c0, float& c1, float& c2, __Point* n,
                       unsigned char tex, float u, float v, __Texture* t, int lc, light3ds* l, __PrevInfo* prev,
                       GlassProp* g, float a, float b, float c, float d) {
        ++calls;
        return __DefRenderOnePixel(offX, offY, frame, src, x, y, z, tri, m, mc, c0, c1, c2, n, tex, u, v, t, lc, l,
                                   prev, g, a, b, c, d);
    }
};

// Grain in every channel, so that brightness sums and texel colours vary.
struct Grain {
    std::vector<uint8_t> px;
    Grain(int w, int h, uint32_t seed) : px(size_t(w) * h * 4) {
        for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(((i + seed) * 2654435761u) >> 24);
        for (size_t i = 3; i < px.size(); i += 4) px[i] = uint8_t(128 + px[i] / 2);
    }
};

void UseMap(material3ds& m, int slot, float amount, float scale) {
    m.maps[slot].amount = amount;
    m.maps[slot].uScale = m.maps[slot].vScale = scale;
}

// A dome with every map on its first material, a second material on some
// triangles, one triangle past the materials, and a few turned away.
struct Look {
    Scene scene = Dome(40, 14, 48, 48);
    Grain bump{23, 17, 1}, colour{8, 8, 2}, opacity{5, 7, 3}, reflection{16, 16, 4};
    enum : unsigned { kBump = 1, kMaps = 2, kGlass = 4, kBackFaces = 8 };

    explicit Look(unsigned parts) {
        Scene& s = scene;
        s.AddMaterial(0.9f, 0.7f, 0.2f);
        material3ds& m = s.materials[0];
        m.transparency = -0.2f;
        if (parts & kBump) {
            s.textures[2] = {1, 23, 17, bump.px.data(), 0};
            UseMap(m, kBumpMapSlot, 0.05f, 2.5f);  // the coordinates wrap
        }
        if (parts & kMaps) {
            s.textures[0] = {1, 8, 8, colour.px.data(), 0};
            s.textures[1] = {1, 5, 7, opacity.px.data(), 0};
            s.textures[3] = {1, 16, 16, reflection.px.data(), 0};
            UseMap(m, kColorMapSlot, 0.7f, 1.5f);
            UseMap(m, kOpacityMapSlot, 0.5f, 1.0f);
            UseMap(m, kReflectionMapSlot, 0.3f, 1.0f);
        }
        if (parts & kGlass) s.glass = {{1, 1.3f, 9.0f, 30.0f}, {0, 0, 0, 0}};
        for (size_t i = 0; i < s.triangles.size(); ++i) {
            if (i % 3 == 1) s.triangles[i].material = 1;
            if (i == 4) s.triangles[i].material = 2;  // the default material
            if ((parts & kBackFaces) && i % 4 == 2) std::swap(s.triangles[i].b, s.triangles[i].c);
        }
    }
};

Rgba Draw(Look& look, bool client) {
    if (client) __SetNewRenderOnePixel(Forward::Shade);
    const Rgba src = Checker(kSize, kSize);
    Rgba dst = src;
    Render(dst, src, look.scene);
    __SetDefRenderOnePixel();
    return dst;
}

size_t Differing(const Rgba& a, const Rgba& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.px.size(); ++i) n += a.px[i] != b.px[i];
    return n;
}

TEST(ShaderPath, TheBuiltInShaderDrawsWhatTheClientHookDraws) {
    Flags keep;
    const unsigned looks[] = {Look::kBump | Look::kMaps, Look::kGlass, Look::kBump | Look::kGlass | Look::kBackFaces};
    for (uint8_t mode : {1, 2, 3, 6, 8, 9})
        for (uint8_t quality : {0, 1})
            for (unsigned parts : looks)
                for (uint8_t multi : {0, 1}) {
                    if (multi && !(parts & Look::kGlass)) continue;
                    _DrawMode = mode, _Quality = quality, _UseMultyRefract = multi;
                    _DrawBackFaces = (parts & Look::kBackFaces) ? 1 : 0;
                    const std::string what = "mode " + std::to_string(mode) + ", quality " +
                                             std::to_string(quality) + ", look " + std::to_string(parts) +
                                             ", multi " + std::to_string(multi);
                    Look look(parts);
                    const Rgba builtIn = Draw(look, false);
                    Forward::calls = 0;
                    const Rgba client = Draw(look, true);
                    EXPECT_GT(Forward::calls, 100) << what;
                    EXPECT_EQ(Differing(builtIn, client), 0u) << what;
                    EXPECT_GT(Differing(builtIn, Checker(kSize, kSize)), 1000u) << what;
                }
}

TEST(ShaderPath, SixteenBitFramesAndTexturesOfTheOtherDepth) {
    Flags keep;
    _DrawMode = 6, _Quality = 1;
    for (uint8_t deep : {0, 1}) {
        Look look(Look::kBump | Look::kMaps);
        // A 16-bit bump map in an 8-bit frame and the other way round: its
        // brightness is scaled to the frame's depth.
        std::vector<uint8_t> wide(look.bump.px.size() * 2);
        for (size_t i = 0; i < look.bump.px.size(); ++i) {
            const uint16_t w = uint16_t(look.bump.px[i] * 128);
            std::memcpy(&wide[2 * i], &w, 2);
        }
        if (!deep) look.scene.textures[2] = {1, 23, 17, wide.data(), 1};
        Rgba src = Checker(kSize, kSize);
        uint8_t* frame = src.px.data();
        if (deep) __ConvertBYTE8TO16(&frame, kSize, kSize, kSize * 4);
        auto draw = [&](bool client) {
            if (client) __SetNewRenderOnePixel(Forward::Shade);
            std::vector<uint8_t> dst(frame, frame + src.px.size() * (deep ? 2 : 1));
            _Deep = deep;
            Scene& s = look.scene;
            __RasterScene(dst.data(), frame, kSize, kSize, kSize * 4, int(s.points.size()), int(s.triangles.size()),
                          s.triangles.data(), s.points.data(), s.offX, s.offY, int(s.materials.size()),
                          s.materials.data(), s.textures.data(), int(s.lights.size()), s.lights.data(), nullptr);
            _Deep = 0;
            __SetDefRenderOnePixel();
            return dst;
        };
        const std::vector<uint8_t> builtIn = draw(false), client = draw(true);
        EXPECT_TRUE(builtIn == client) << "deep " << int(deep);
        EXPECT_FALSE(builtIn == std::vector<uint8_t>(frame, frame + builtIn.size()));
        if (deep) frostel::FreePages(frame);
    }
}

TEST(ShaderPath, EachFrameSeesTheBumpTexelsItIsGiven) {
    Flags keep;
    _DrawMode = 6, _Quality = 1;
    Look look(Look::kBump);
    const Rgba first = Draw(look, false);
    // New texels at the same address: no brightness of the last frame may stay.
    for (uint8_t& v : look.bump.px) v = uint8_t(255 - v);
    const Rgba second = Draw(look, false);
    EXPECT_GT(Differing(first, second), 100u);
    EXPECT_EQ(Differing(second, Draw(look, true)), 0u);
}

TEST(ShaderPath, RunningOutOfMemoryGivesTheWholePictureOrNone) {
    Flags keep;
    _DrawMode = 6, _Quality = 1;
    Look look(Look::kBump | Look::kGlass);
    const int64_t before = GetPageMemoryStats().allocated;
    const Rgba reference = Draw(look, false);
    const int64_t allocations = GetPageMemoryStats().allocated - before;
    const Rgba src = Checker(kSize, kSize);
    int whole = 0;
    for (int64_t n = 1; n <= allocations; ++n) {
        const int64_t live = GetPageMemoryStats().live;
        FailPageAllocationAfter(n);
        Rgba dst = src;
        Render(dst, src, look.scene);
        FailPageAllocationAfter(0);
        EXPECT_EQ(GetPageMemoryStats().live, live) << "allocation " << n;
        if (dst == reference) {
            ++whole;
        } else {
            EXPECT_TRUE(dst == src) << "allocation " << n << " failing drew part of the picture";
        }
    }
    // The brightness plane is the one allocation the frame can do without.
    EXPECT_EQ(whole, 1);
}

}  // namespace
}  // namespace rtest
