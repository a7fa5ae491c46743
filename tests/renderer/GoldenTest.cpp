// Small reference pictures of the looks that are hard to pin by properties:
// anti-aliased edges, bump, glass and the curved modes. Compared with a
// tolerance, since C runtimes differ in the last bits of powf and friends.
// FROSTEL_WRITE_GOLDEN=1 writes them anew (look at them before committing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "ImageIO.h"
#include "RenderKit.h"

namespace rtest {
namespace {

using frostel::hostsim::DecodePng;
using frostel::hostsim::EncodePng;
using frostel::hostsim::Image8;
using frostel::hostsim::ReadFileBytes;
using frostel::hostsim::WriteFileBytes;

constexpr int kSize = 128;

// Overlapping flat triangles of three colours, some with slanted depth.
Scene Shards() {
    Scene s;
    s.AddFront(Vertex(10.3f, 12.7f, 10), Vertex(118.2f, 30.1f, 30), Vertex(40.6f, 70.4f, 20), 0);
    s.AddFront(Vertex(60.5f, 5.2f, 25), Vertex(100.9f, 110.3f, 5), Vertex(20.1f, 118.8f, 25), 1);
    s.AddFront(Vertex(5.5f, 60.5f, 15), Vertex(64.0f, 64.0f, 15), Vertex(30.25f, 125.75f, 15), 2);
    s.AddFront(Vertex(64.0f, 64.0f, 15), Vertex(122.0f, 80.0f, 15), Vertex(30.25f, 125.75f, 15), 2);
    s.AddMaterial(0.9f, 0.3f, 0.2f);
    s.AddMaterial(0.2f, 0.8f, 0.3f);
    s.AddMaterial(0.9f, 0.85f, 0.2f);
    s.AddLight(64, 64, 400);
    return s;
}

// Concentric ripples of brightness, 32 x 32 texels in the engine's order.
struct Ripples {
    std::vector<uint8_t> px = std::vector<uint8_t>(32 * 32 * 4);
    Ripples() {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const float d = std::hypot(x - 15.5f, y - 15.5f);
                const uint8_t v = uint8_t(128 + 100 * std::sin(d * 0.9f));
                uint8_t* p = &px[(y * 32 + x) * 4];
                p[0] = p[1] = p[2] = v, p[3] = 255;
            }
    }
};

void Compare(const std::string& name, const Rgba& picture) {
    const std::string path = std::string(FROSTEL_GOLDEN_DIR) + "/" + name + ".png";
    Image8 image;
    image.width = picture.width, image.height = picture.height, image.channels = 4;
    image.pixels = picture.px;
    std::string error;
    if (std::getenv("FROSTEL_WRITE_GOLDEN") != nullptr) {
        std::vector<uint8_t> file;
        ASSERT_TRUE(EncodePng(image, file, error)) << error;
        ASSERT_TRUE(WriteFileBytes(path, file)) << path;
        return;
    }
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file)) << "missing " << path;
    Image8 golden;
    ASSERT_TRUE(DecodePng(file, 4, golden, error)) << error;
    ASSERT_EQ(golden.width, picture.width);
    ASSERT_EQ(golden.height, picture.height);
    // A last-bit difference may move a glass sample across a checker edge:
    // a few values may be far off, the picture as a whole not.
    size_t far = 0;
    double total = 0;
    for (size_t i = 0; i < golden.pixels.size(); ++i) {
        const int d = std::abs(int(golden.pixels[i]) - int(picture.px[i]));
        far += d > 8;
        total += d;
    }
    EXPECT_LE(far, golden.pixels.size() / 500) << name;
    EXPECT_LT(total / double(golden.pixels.size()), 0.25) << name;
}

TEST(Golden, AntiAliasedEdges) {
    Flags keep;
    _DrawMode = 3, _Quality = 1;
    const Rgba src = Checker(kSize, kSize);
    Scene s = Shards();
    Rgba dst = src;
    Render(dst, src, s);
    Compare("edges-mode3", dst);
}

// The ripples as the scene's bump map, through its one material.
void AddBump(Scene& s, Ripples& ripples) {
    __Texture& bump = s.textures[2];
    bump.present = 1, bump.width = 32, bump.height = 32, bump.pixels = ripples.px.data();
    MapParams3ds& map = s.materials[0].maps[kBumpMapSlot];
    std::memcpy(map.name, "Bump", 5);
    map.amount = 0.02f, map.uScale = map.vScale = 1.0f;
}

TEST(Golden, PhongWithBump) {
    Flags keep;
    _DrawMode = 6, _Quality = 1;
    const Rgba src = Checker(kSize, kSize);
    Scene s = Dome(56, 16, 64, 64);
    Ripples ripples;
    AddBump(s, ripples);
    Rgba dst = src;
    Render(dst, src, s);
    Compare("bump-mode6", dst);
}

TEST(Golden, GlassWithAberration) {
    Flags keep;
    _DrawMode = 6, _Quality = 1;
    const Rgba src = Checker(kSize, kSize);
    Scene s = Dome(56, 16, 64, 64);
    s.glass.push_back({1, 1.5f, 12.0f, 40.0f});
    Rgba dst = src;
    Render(dst, src, s);
    Compare("glass-mode6", dst);
}

TEST(Golden, CurvedModes) {
    Flags keep;
    const Rgba src = Checker(kSize, kSize);
    for (uint8_t mode : {2, 8, 9}) {
        _DrawMode = mode, _Quality = 1;
        Scene s = Dome(56, 10, 64, 64);
        Rgba dst = src;
        Render(dst, src, s);
        Compare("dome-mode" + std::to_string(mode), dst);
    }
}

// The curved mode with the effect's own look: each pixel shaded once from
// its nearest sample, through a rippled bump map and glass.
TEST(Golden, CurvedWithBumpAndGlass) {
    Flags keep;
    _DrawMode = 9, _Quality = 1;
    const Rgba src = Checker(kSize, kSize);
    Scene s = Dome(56, 10, 64, 64);
    Ripples ripples;
    AddBump(s, ripples);
    s.glass.push_back({1, 1.5f, 12.0f, 40.0f});
    Rgba dst = src;
    Render(dst, src, s);
    Compare("bump-glass-mode9", dst);
}

}  // namespace
}  // namespace rtest
