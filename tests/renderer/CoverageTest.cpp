// Which pixels the fill modes touch, seen through a probe shader: interiors
// exactly once, nothing far outside, no gaps between neighbours, and
// pictures that follow translation, vertex order, draw order and depth.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "RenderKit.h"

namespace rtest {
namespace {

constexpr int kW = 64, kH = 64;

struct ModeCase {
    uint8_t mode, quality;
};
const ModeCase kFillModes[] = {{3, 0}, {3, 1}, {6, 0}, {6, 1}, {8, 1}, {9, 1}};

std::string Name(const ModeCase& m) {
    return "mode " + std::to_string(m.mode) + " quality " + std::to_string(m.quality);
}

// Random triangles of every shape inside the frame (offset included).
std::vector<Scene> RandomScenes(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-20.0f, 50.0f);
    std::vector<Scene> scenes;
    for (int i = 0; i < count; ++i) {
        Scene s;
        s.offX = 10, s.offY = 8;
        s.AddFront(Vertex(coord(rng), coord(rng), 5), Vertex(coord(rng), coord(rng), 5),
                   Vertex(coord(rng), coord(rng), 5));
        scenes.push_back(s);
    }
    return scenes;
}

TEST(FillCoverage, InteriorPixelsOnceAndNothingFarOutside) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    for (const ModeCase& m : kFillModes) {
        SCOPED_TRACE(Name(m));
        _DrawMode = m.mode, _Quality = m.quality;
        // Curved modes bulge past their corners unless the normals are flat; these are.
        const double reach = m.quality ? 1.0 : 0.0;
        for (Scene& s : RandomScenes(12, 7)) {
            Rgba dst = src;
            Probe::Install(kW, kH);
            Render(dst, src, s);
            __Point3ds c[3];
            for (int k = 0; k < 3; ++k) {
                c[k] = s.points[k];
                c[k].x += float(s.offX), c[k].y += float(s.offY);
            }
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const double d = SignedDistance(c[0], c[1], c[2], x, y);
                    if (d < -1.0) {
                        if (m.mode < 8) {
                            ASSERT_EQ(Probe::Calls(x, y), 1) << x << "," << y;
                        }
                        ASSERT_EQ(dst.at(x, y)[0], 40) << x << "," << y;
                        ASSERT_EQ(dst.at(x, y)[3], 255) << x << "," << y;
                    } else if (d > reach + 1e-6) {
                        ASSERT_EQ(Probe::Calls(x, y), 0) << x << "," << y << " at " << d;
                        ASSERT_EQ(0, std::memcmp(dst.at(x, y), src.at(x, y), 4)) << x << "," << y;
                    }
                }
            ASSERT_EQ(Probe::outside, 0);
        }
    }
}

// A jittered grid cut into triangles; every triangle a step nearer than the
// one drawn before it, so that a pixel covered twice is shaded twice.
Scene JitteredMesh(unsigned seed, float z0, float dz) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> jitter(-3.0f, 3.0f);
    const int n = 5;
    const float step = 11.0f;
    Scene s;
    s.offX = 4, s.offY = 4;
    std::vector<__Point3ds> grid;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const bool border = i == 0 || j == 0 || i == n || j == n;
            grid.push_back(Vertex(i * step + (border ? 0 : jitter(rng)), j * step + (border ? 0 : jitter(rng)), 0));
        }
    float z = z0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            __Point3ds p[4] = {grid[j * (n + 1) + i], grid[j * (n + 1) + i + 1], grid[(j + 1) * (n + 1) + i + 1],
                               grid[(j + 1) * (n + 1) + i]};
            const bool other = (i + j) % 2 == 1;
            const int tri[2][3] = {{0, 1, other ? 3 : 2}, {other ? 1 : 0, 2, 3}};
            for (const auto& t : tri) {
                __Point3ds a = p[t[0]], b = p[t[1]], c = p[t[2]];
                a.z = b.z = c.z = z;
                z += dz;
                s.AddFront(a, b, c);
            }
        }
    return s;
}

TEST(FillCoverage, TrianglesSharingEdgesLeaveNoGapAndNoOverlap) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    for (uint8_t mode : {3, 6}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        _DrawMode = mode, _Quality = 0;
        for (unsigned seed : {1u, 2u, 3u}) {
            Scene s = JitteredMesh(seed, 1.0f, 1.0f);
            Rgba dst = src;
            Probe::Install(kW, kH);
            Render(dst, src, s);
            // The mesh covers [4, 59] x [4, 59] in frame pixels.
            for (int y = 5; y < 59; ++y)
                for (int x = 5; x < 59; ++x) ASSERT_EQ(Probe::Calls(x, y), 1) << x << "," << y << " seed " << seed;
        }
    }
}

TEST(FillCoverage, ComposedNeighboursShowNoSeam) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    for (const ModeCase& m : kFillModes) {
        if (!m.quality) continue;
        SCOPED_TRACE(Name(m));
        _DrawMode = m.mode, _Quality = 1;
        Scene s = JitteredMesh(5, 1.0f, 0.0f);  // one flat surface
        Rgba dst = src;
        Probe::Install(kW, kH);
        Render(dst, src, s);
        for (int y = 5; y < 59; ++y)
            for (int x = 5; x < 59; ++x) {
                const uint8_t* p = dst.at(x, y);
                ASSERT_TRUE(p[0] == 40 && p[1] == 200 && p[2] == 90 && p[3] == 255)
                    << x << "," << y << ": " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]) << " " << int(p[3]);
            }
    }
}

// Two overlapping triangles of different materials and depths.
Scene Overlap(bool nearFirst, int rotate, int offX = 0, int offY = 0, float shift = 0.0f) {
    Scene s;
    s.offX = offX, s.offY = offY;
    __Point3ds nearT[3] = {Vertex(6.5f, 5.25f, 20), Vertex(50.125f, 12.5f, 20), Vertex(20.75f, 52.0f, 20)};
    __Point3ds farT[3] = {Vertex(30.5f, 3.0f, 10), Vertex(58.0f, 40.25f, 10), Vertex(9.875f, 33.5f, 10)};
    for (auto* t : {nearT, farT})
        for (int k = 0; k < 3; ++k) t[k].x += shift, t[k].y += shift;
    auto add = [&](__Point3ds* t, uint16_t material) {
        const int r = rotate % 3;
        // Orient once, then rotate the corner order (the winding stays).
        Scene tmp;
        tmp.AddFront(t[0], t[1], t[2]);
        __Point3ds c[3] = {tmp.points[0], tmp.points[1], tmp.points[2]};
        s.AddTriangle(c[r], c[(r + 1) % 3], c[(r + 2) % 3], material);
    };
    if (nearFirst) {
        add(nearT, 1), add(farT, 2);
    } else {
        add(farT, 2), add(nearT, 1);
    }
    return s;
}

TEST(FillCoverage, VertexOrderAndDrawOrderKeepThePicture) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    for (const ModeCase& m : kFillModes) {
        SCOPED_TRACE(Name(m));
        _DrawMode = m.mode, _Quality = m.quality;
        Probe::Install(kW, kH);
        Scene first = Overlap(true, 0);
        Rgba reference = src;
        Render(reference, src, first);
        // Interior of the near triangle shows material 1, the far one's rest material 2.
        EXPECT_EQ(reference.at(20, 20)[0], 90);
        EXPECT_EQ(reference.at(50, 30)[0], 140);
        for (bool nearFirst : {true, false})
            for (int rotate = 0; rotate < 3; ++rotate) {
                Scene s = Overlap(nearFirst, rotate);
                Rgba dst = src;
                Render(dst, src, s);
                if (!m.quality) {
                    EXPECT_TRUE(dst == reference) << "near first " << nearFirst << " rotate " << rotate;
                    continue;
                }
                // Anti-aliased fringes over another surface depend on what was drawn first;
                // everything a pixel away from every edge does not.
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        bool nearEdge = false;
                        for (int t = 0; t < 2; ++t) {
                            const double d = SignedDistance(s.points[3 * t], s.points[3 * t + 1], s.points[3 * t + 2], x, y);
                            nearEdge = nearEdge || std::fabs(d) <= 1.5;
                        }
                        if (nearEdge) continue;
                        ASSERT_EQ(0, std::memcmp(dst.at(x, y), reference.at(x, y), 4))
                                << x << "," << y << " near first " << nearFirst << " rotate " << rotate;
                    }
            }
    }
}

TEST(FillCoverage, TranslationShiftsThePictureExactly) {
    Flags keep;
    const int dx = 7, dy = -5;
    Rgba src(kW + 16, kH + 16, 10, 20, 30, 255);
    for (const ModeCase& m : kFillModes) {
        SCOPED_TRACE(Name(m));
        _DrawMode = m.mode, _Quality = m.quality;
        Probe::Install(kW + 16, kH + 16);
        Scene base = Overlap(true, 0, 0, 8);
        Scene byOffset = Overlap(true, 0, dx, 8 + dy);
        Scene byVertices = Overlap(true, 0, 0, 8, 0.0f);
        for (__Point3ds& p : byVertices.points) p.x += dx, p.y += dy;
        Rgba a = src, b = src, c = src;
        Render(a, src, base);
        Render(b, src, byOffset);
        Render(c, src, byVertices);
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                const int sx = x + dx, sy = y + dy;
                if (sx < 0 || sy < 0 || sx >= a.width || sy >= a.height) continue;
                ASSERT_EQ(0, std::memcmp(a.at(x, y), b.at(sx, sy), 4)) << "offset: " << x << "," << y;
                ASSERT_EQ(0, std::memcmp(a.at(x, y), c.at(sx, sy), 4)) << "vertices: " << x << "," << y;
            }
    }
}

// Two surfaces crossing in depth meet where their depths cross, wherever the
// frame offset puts them: each plane is evaluated in the frame its corners
// were placed in.
TEST(FillCoverage, CrossingSurfacesMeetWhereTheirDepthsCross) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    const float r = std::sqrt(0.5f);
    for (const ModeCase& m : kFillModes) {
        _DrawMode = m.mode, _Quality = m.quality;
        for (int off : {0, 9}) {
            SCOPED_TRACE(Name(m) + " offset " + std::to_string(off));
            Scene s;
            s.offX = off, s.offY = off / 3;
            // z = x, its normals those of its plane (flat in the curved modes too), and a level
            // surface at z = 20: they cross at scene x = 20.
            s.AddFront(Vertex(2, 4, 2, -r, 0, r), Vertex(42, 4, 42, -r, 0, r), Vertex(22, 44, 22, -r, 0, r), 1);
            s.AddFront(Vertex(4, 2, 20), Vertex(40, 6, 20), Vertex(20, 46, 20), 2);
            Rgba dst = src;
            Probe::Install(kW, kH);
            Render(dst, src, s);
            for (int y = 10; y <= 20; ++y) {
                EXPECT_EQ(dst.at(off + 16, y + s.offY)[0], 140) << "row " << y;  // the level one is nearer
                EXPECT_EQ(dst.at(off + 24, y + s.offY)[0], 90) << "row " << y;   // the rising one is
            }
        }
    }
}

// The flat fill and the lines hand the shader the unit face normal, turned
// towards the viewer; the Phong fill the interpolated vertex normals.
TEST(FillCoverage, FlatFillAndLinesShadeWithTheFaceNormal) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    const float r = std::sqrt(0.5f);
    for (uint8_t mode : {1, 3, 6}) {
        for (uint8_t quality : {0, 1}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " quality " + std::to_string(quality));
            _DrawMode = mode, _Quality = quality;
            Scene s;
            s.offX = 3, s.offY = 2;
            s.AddFront(Vertex(4, 4, 4), Vertex(44, 8, 44), Vertex(12, 50, 12));  // z = x, vertex normals (0, 0, 1)
            Rgba dst = src;
            Probe::Install(kW, kH);
            Render(dst, src, s);
            int shaded = 0;
            for (int i = 0; i < kW * kH; ++i) {
                if (Probe::calls[i] == 0) continue;
                ++shaded;
                const __Point n = Probe::normal[i];
                const float expected[3] = {mode == 6 ? 0.0f : -r, 0.0f, mode == 6 ? 1.0f : r};
                ASSERT_NEAR(n.x, expected[0], 1e-5) << i;
                ASSERT_NEAR(n.y, expected[1], 1e-5) << i;
                ASSERT_NEAR(n.z, expected[2], 1e-5) << i;
            }
            EXPECT_GT(shaded, mode == 1 ? 50 : 500);
        }
    }
}

TEST(FillCoverage, TheNearerSurfaceWinsWithTheRealShaderToo) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    for (const ModeCase& m : kFillModes) {
        SCOPED_TRACE(Name(m));
        _DrawMode = m.mode, _Quality = m.quality;
        for (bool nearFirst : {true, false}) {
            Scene s = Overlap(nearFirst, 1);
            s.AddMaterial(1, 0, 0);
            s.AddMaterial(0, 1, 0);
            s.AddMaterial(0, 0, 1);
            for (material3ds& mat : s.materials) mat.shineStrength = 0.0f;
            s.AddLight(30, 30, 500);
            Rgba dst = src;
            Render(dst, src, s);
            const uint8_t* overlap = dst.at(30, 20);  // inside both
            EXPECT_GT(overlap[1], 100) << "near first " << nearFirst;
            EXPECT_LT(overlap[2], 60) << "near first " << nearFirst;
            const uint8_t* farOnly = dst.at(50, 30);
            EXPECT_GT(farOnly[2], 100);
            EXPECT_LT(farOnly[1], 60);
        }
    }
}

}  // namespace
}  // namespace rtest
