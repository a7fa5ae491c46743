// A frame drawn in bands of rows on several threads: one picture whatever the
// thread and band count, with the fallbacks; and the curved modes' sampling,
// bounded by what the frame shows.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <iterator>
#include <thread>
#include <utility>
#include <vector>

#include "Engine.h"
#include "PageMemory.h"
#include "RenderKit.h"

namespace rtest {
namespace {

constexpr int kW = 90, kH = 70;  // neither a multiple of any band height

// Threads and band rows for the scope of a test.
struct Bands {
    Bands(int threads, int rows) { Set(threads, rows); }
    ~Bands() {
        Set(0, 0);
        SetBandThreadStarter(nullptr);
    }
    static void Set(int threads, int rows) {
        frostel::SetRenderThreads(threads);
        SetBandRows(rows);
    }
};

// Grain for the bump map, in the engine's texel order.
struct Grain {
    std::vector<uint8_t> px = std::vector<uint8_t>(16 * 16 * 4);
    Grain() {
        for (int i = 0; i < 16 * 16; ++i) {
            const uint8_t v = uint8_t((uint32_t(i) * 2654435761u) >> 24);
            px[4 * i] = px[4 * i + 1] = px[4 * i + 2] = v, px[4 * i + 3] = 255;
        }
    }
};

// A dome with a bump map and glass, shards across it and across band edges,
// a large triangle leaving the frame with slanted depth, and a back face.
Scene Busy(const Grain& grain, bool glass) {
    Scene s = Dome(30, 8, 40, 35);
    s.AddMaterial(0.9f, 0.8f, 0.2f);
    s.AddFront(Vertex(-20, -30, 35, 0.3f, 0, 1), Vertex(45, -10, 5, 0, 0.4f, 1), Vertex(-5, 20, 20, -0.2f, 0, 1), 1);
    s.AddFront(Vertex(10, 2, 25), Vertex(45, 12.5f, 8), Vertex(-12, 16, 28), 1);
    s.AddFront(Vertex(-30.5f, -6, 12), Vertex(-24, -6, 12), Vertex(-28, 30, 12), 1);
    s.AddTriangle(Vertex(20, -25, 40, 0, 0, -1), Vertex(20, 5, 40, 0, 0, -1), Vertex(48, -25, 40, 0, 0, -1), 1);
    __Texture& bump = s.textures[2];
    bump.present = 1, bump.width = 16, bump.height = 16;
    bump.pixels = const_cast<uint8_t*>(grain.px.data());
    MapParams3ds& map = s.materials[0].maps[kBumpMapSlot];
    std::memcpy(map.name, "Bump", 5);
    map.amount = 0.05f, map.uScale = map.vScale = 3.0f;
    for (__Point3ds& p : s.points)
        if (p.u == 0 && p.v == 0) p.u = p.x / 37.0f, p.v = p.y / 41.0f;
    s.glass = {{uint8_t(glass ? 1 : 0), 1.3f, 6.0f, 30.0f}, {0, 1, 0, 0}};
    return s;
}

// The scene over src (or over a transparent frame, as with the alpha cut),
// in 8 or 16 bits, back as 8 bits.
Rgba Draw(Scene& s, const Rgba& src, bool transparent, bool deep) {
    Rgba dst = transparent ? Rgba(src.width, src.height) : src;
    if (!deep) {
        Render(dst, src, s);
        return dst;
    }
    uint8_t* wideSrc = const_cast<uint8_t*>(src.px.data());
    uint8_t* wideDst = dst.px.data();
    __ConvertBYTE8TO16(&wideSrc, src.width, src.height, src.width * 4);
    __ConvertBYTE8TO16(&wideDst, src.width, src.height, src.width * 4);
    _Deep = 1;
    __RasterScene(wideDst, wideSrc, src.width, src.height, src.width * 4, int(s.points.size()),
                  int(s.triangles.size()), s.triangles.data(), s.points.data(), s.offX, s.offY,
                  int(s.materials.size()), s.materials.data(), s.textures.data(), int(s.lights.size()),
                  s.lights.data(), s.glass.data());
    _Deep = 0;
    uint8_t* narrow = wideDst;
    __ConvertBYTE16TO8(&narrow, src.width, src.height, src.width * 4);
    std::memcpy(dst.px.data(), narrow, dst.px.size());
    frostel::FreePages(wideSrc);
    frostel::FreePages(wideDst);
    frostel::FreePages(narrow);
    return dst;
}

TEST(Bands, OnePictureForAnyThreadAndBandCount) {
    Flags keep;
    _UseMultyRefract = 0;  // as the effect draws
    const Grain grain;
    const Rgba src = Checker(kW, kH);
    const int layouts[][2] = {{1, 0}, {2, 7}, {3, 5}, {8, 3}, {8, 0}};
    for (uint8_t mode : {0, 1, 2, 3, 6, 8, 9, 10})
        for (uint8_t quality : {0, 1})
            for (uint8_t back : {0, 1})
                for (int look = 0; look < 3; ++look) {
                    // Glass needs the frame in triangle order behind back faces: it
                    // draws on one thread there, so it is tried in the front pass.
                    const bool transparent = look == 1, deep = look == 2;
                    if (deep && (quality == 0 || (mode != 3 && mode != 6 && mode != 9))) continue;
                    _DrawMode = mode, _Quality = quality, _DrawBackFaces = back;
                    const std::string what = "mode " + std::to_string(mode) + " quality " + std::to_string(quality) +
                                             " back " + std::to_string(back) + " look " + std::to_string(look);
                    Scene one = Busy(grain, !back);
                    Rgba reference;
                    {
                        Bands b(1, kH);
                        reference = Draw(one, src, transparent, deep);
                    }
                    if (mode != 10 || transparent) {
                        EXPECT_FALSE(reference == (transparent ? Rgba(kW, kH) : src)) << what;
                    }
                    for (const auto& layout : layouts) {
                        Bands b(layout[0], layout[1]);
                        Scene s = Busy(grain, !back);
                        _DrawBackFaces = back;
                        const Rgba picture = Draw(s, src, transparent, deep);
                        ASSERT_TRUE(picture == reference)
                            << what << ", " << layout[0] << " threads, band rows " << layout[1];
                    }
                }
}

TEST(Bands, EveryPixelATriangleCanReachHasTheFarthestDepth) {
    // A band fills its z-buffer only in the blocks of 64 columns its triangles
    // reach. Triangles behind the viewer's plane (negative depth) show only
    // where the fill was made: the picture must be the one drawn over a
    // handed-over buffer filled all over.
    Flags keep;
    _UseMultyRefract = 0;
    constexpr int w = 301, h = 84;  // a partly used last block of columns
    const Rgba src = Checker(w, h);
    Scene s;
    // Each in its own 12 rows, with an upright edge just inside a block's
    // edge: a box that fell short by a few columns would miss that block.
    struct Edge {
        float x;
        bool left;  // the triangle lies right of the edge
    };
    const Edge edges[] = {{2, true}, {61, true}, {126.5f, true}, {192.5f, false}, {258, false}, {300, false}};
    std::vector<std::pair<int, int>> inside;  // a pixel of each
    for (size_t i = 0; i < std::size(edges); ++i) {
        const float x = edges[i].x, y = 12.0f * float(i), far = -20.0f - float(i);
        const float apex = edges[i].left ? x + 14 : x - 14;
        s.AddFront(Vertex(x, y + 2, far, 0.2f, 0, 1), Vertex(x, y + 10, far), Vertex(apex, y + 6, far - 3, 0, 0.3f, 1));
        inside.emplace_back(int(edges[i].left ? x + 1 : x - 1), int(y) + 6);
    }
    s.AddFront(Vertex(96, 74, -5), Vertex(250, 76, -60), Vertex(140, 82, -30));  // long and slanted
    s.AddMaterial(0.9f, 0.5f, 0.2f);
    s.AddLight(150, 10, 400);
    std::vector<float> farthest(size_t(w) * h);
    for (uint8_t mode : {3, 6, 8, 9}) {
        _DrawMode = mode, _Quality = 1;
        for (const auto& layout : {std::pair{1, h}, std::pair{3, 4}, std::pair{8, 0}}) {
            Bands b(layout.first, layout.second);
            std::fill(farthest.begin(), farthest.end(), kDepthFill);
            __SetZBuff(farthest.data(), w, h);
            Rgba reference = src;
            Render(reference, src, s);
            __SetZBuff(nullptr, 0, 0);
            Rgba own = src;
            Render(own, src, s);
            const std::string what = "mode " + std::to_string(mode) + ", " + std::to_string(layout.first) +
                                     " threads, band rows " + std::to_string(layout.second);
            EXPECT_TRUE(own == reference) << what;
            for (const auto& [x, y] : inside)
                EXPECT_NE(std::memcmp(own.at(x, y), src.at(x, y), 4), 0) << what << " at " << x << "," << y;
        }
    }
}

int gStartsAllowed = 0, gStartsAsked = 0;
bool Starter(std::thread& thread, void (*work)(void*), void* context) {
    ++gStartsAsked;
    if (gStartsAllowed-- <= 0) return false;
    thread = std::thread(work, context);
    return true;
}

TEST(Bands, AThreadThatFailsToStartLeavesTheSamePicture) {
    Flags keep;
    _UseMultyRefract = 0;
    const Grain grain;
    const Rgba src = Checker(kW, kH);
    for (uint8_t mode : {6, 9}) {
        _DrawMode = mode, _Quality = 1;
        Scene s = Busy(grain, true);
        Rgba reference;
        {
            Bands b(1, 0);
            reference = Draw(s, src, false, false);
        }
        for (int allowed : {0, 1, 3}) {
            Bands b(8, 5);
            SetBandThreadStarter(Starter);
            gStartsAllowed = allowed, gStartsAsked = 0;
            const int64_t live = frostel::GetPageMemoryStats().live;
            EXPECT_TRUE(Draw(s, src, false, false) == reference) << "mode " << int(mode) << ", " << allowed << " started";
            EXPECT_EQ(gStartsAsked, allowed + 1);
            EXPECT_EQ(frostel::GetPageMemoryStats().live, live);
        }
    }
}

// Tens of thousands of small triangles, as the geometric figures grow them:
// the plan's reach of each triangle is found on several threads. Each
// triangle shows (two halves of each 2 x 2 cell), and a rim of them lies off
// the frame.
TEST(Bands, AManyTrianglePlanMadeOnSeveralThreadsDrawsTheSamePicture) {
    Flags keep;
    _UseMultyRefract = 0;
    constexpr int w = 256, h = 160;
    const Rgba src = Checker(w, h);
    Scene s;
    for (int y = -8; y < h + 8; y += 2)
        for (int x = -8; x < w + 8; x += 2) {
            const float z = float((x * 7 + y * 13) % 50), tilt = float((x + y) % 5) * 0.1f;
            s.AddFront(Vertex(x, y, z, tilt, 0, 1), Vertex(x + 2, y, z, tilt, 0, 1), Vertex(x, y + 2, z, tilt, 0, 1));
            s.AddFront(Vertex(x + 2, y, z, 0, tilt, 1), Vertex(x + 2, y + 2, z, 0, tilt, 1), Vertex(x, y + 2, z, 0, tilt, 1));
        }
    s.AddMaterial(0.7f, 0.6f, 0.9f);
    s.AddLight(80, 40, 300);
    for (const auto& look : {std::pair<uint8_t, uint8_t>{6, 0}, {3, 1}, {1, 0}}) {
        const uint8_t mode = look.first, quality = look.second;
        _DrawMode = mode, _Quality = quality, _DrawBackFaces = 0;
        Rgba reference;
        {
            Bands b(1, 0);
            reference = Draw(s, src, false, false);
        }
        EXPECT_FALSE(reference == src);
        for (const auto& layout : {std::pair<int, int>{8, 0}, {3, 7}}) {
            Bands b(layout.first, layout.second);
            EXPECT_TRUE(Draw(s, src, false, false) == reference)
                << "mode " << int(mode) << " quality " << int(quality) << ", " << layout.first << " threads";
        }
    }
}

// The dialog's previews: threads that wait between frames and buffers kept
// with what the last frame left in them draw what fresh ones draw, and all
// of it goes when keeping ends.
TEST(Bands, KeptThreadsAndBuffersDrawTheSamePictures) {
    Flags keep;
    _UseMultyRefract = 0;
    const Grain grain;
    const Rgba src = Checker(kW, kH);
    struct Look {
        uint8_t mode, quality, back;
        bool transparent;
    };
    // Composed frames (their triangle buffer and edges), the curved mode's
    // stash, glass behind back faces (its background copy) and a plain fill.
    const Look looks[] = {{6, 1, 0, false}, {9, 1, 0, true}, {3, 0, 1, false}, {8, 0, 0, false}, {6, 0, 0, false}};
    const auto draw = [&](const Look& l) {
        _DrawMode = l.mode, _Quality = l.quality, _DrawBackFaces = l.back;
        Scene s = Busy(grain, true);
        return Draw(s, src, l.transparent, false);
    };
    std::vector<Rgba> fresh;
    {
        Bands b(8, 0);
        for (const Look& l : looks) fresh.push_back(draw(l));
        EXPECT_EQ(frostel::RenderThreadsRunning(), 0) << "threads end with their frame";
    }
    const frostel::PageMemoryStats before = frostel::GetPageMemoryStats();
    {
        Bands b(8, 0);
        SetBandThreadStarter(Starter);
        gStartsAllowed = 100, gStartsAsked = 0;
        frostel::KeepShelvedPages(true);
        frostel::KeepRenderThreads(true);
        for (int round = 0; round < 2; ++round)
            for (size_t i = 0; i < std::size(looks); ++i)
                EXPECT_TRUE(draw(looks[i]) == fresh[i]) << "look " << i << ", round " << round;
        const int running = frostel::RenderThreadsRunning();
        EXPECT_GT(running, 1);
        EXPECT_EQ(gStartsAsked, running) << "each thread started once for every frame";
        EXPECT_GT(frostel::GetPageMemoryStats().reused, before.reused);
        EXPECT_GT(frostel::GetPageMemoryStats().kept, 0);
        frostel::KeepRenderThreads(false);
        frostel::KeepShelvedPages(false);
        EXPECT_EQ(frostel::RenderThreadsRunning(), 0);
    }
    EXPECT_EQ(frostel::GetPageMemoryStats().live, before.live);
    EXPECT_EQ(frostel::GetPageMemoryStats().kept, 0);
}

// Kept buffers hold what the last frame drew where the next one's triangles
// never reach: a small figure after a busy one is drawn as on fresh buffers.
TEST(Bands, ASmallFigureAfterABusyOneInKeptBuffersDrawsAsOnFreshOnes) {
    Flags keep;
    _UseMultyRefract = 0;
    const Grain grain;
    const Rgba src = Checker(kW, kH);
    const auto small = [&] {
        Scene s;
        s.AddMaterial(0.2f, 0.7f, 0.9f);
        s.AddFront(Vertex(4, 50, 10), Vertex(22, 47, 10), Vertex(12, 66, 10), 0);
        return s;
    };
    Bands b(3, 0);
    for (uint8_t mode : {3, 6, 9}) {
        for (uint8_t quality : {0, 1}) {
            _DrawMode = mode, _Quality = quality;
            Scene alone = small();
            const Rgba fresh = Draw(alone, src, false, false);
            ASSERT_FALSE(fresh == src) << "the small figure shows";
            frostel::KeepShelvedPages(true);
            Scene busy = Busy(grain, true);
            Draw(busy, src, false, false);
            Scene after = small();
            EXPECT_TRUE(Draw(after, src, false, false) == fresh) << "mode " << int(mode) << " quality " << int(quality);
            frostel::KeepShelvedPages(false);
        }
    }
}

// A band's rows are addressed from an origin moved back by its first row;
// a copy placed where that origin would be null (as the system may place a
// block) takes its spare row instead, for null means "no such buffer".
TEST(Bands, ABandsOriginIsNeverNull) {
    const int width = 4000, y0 = 2048;
    const ptrdiff_t back = ptrdiff_t(y0) * width;
    const auto at = [](uintptr_t address) { return reinterpret_cast<float*>(address); };
    const uintptr_t unlucky = uintptr_t(back) * sizeof(float);
    float* origin = BandOrigin(at(unlucky), size_t(width), back);
    ASSERT_NE(origin, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(origin), uintptr_t(width) * sizeof(float)) << "the spare row";
    // Anywhere else the copy's first row is the band's first row.
    EXPECT_EQ(BandOrigin(at(unlucky + 64 * 1024), size_t(width), back), at(64 * 1024));
    // The band's first pixel lies in the copy either way.
    EXPECT_EQ(origin + back, at(unlucky + uintptr_t(width) * sizeof(float)));
}

// ---- Curved sampling

double Seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A triangle a thousand times the frame's size, or far off it: the curved
// modes spend on it what the frame shows of it.
TEST(CurvedSampling, HugeAndFarOffTrianglesCostWhatTheFrameShows) {
    Flags keep;
    constexpr int w = 640, h = 400;
    const Rgba src = Checker(w, h);
    Scene huge;
    huge.AddFront(Vertex(-4e5f, -4e5f, 5), Vertex(4e5f, -4e5f, 5), Vertex(0, 4e5f, 5));
    huge.AddMaterial(0.5f, 0.5f, 0.5f);
    huge.AddLight(300, 200, 500);
    Scene far = huge;
    for (__Point3ds& p : far.points) p.x += 3e6f;

    const auto start = std::chrono::steady_clock::now();
    _Quality = 1;
    _DrawMode = 9;
    Probe::Install(w, h);
    Rgba dst = src;
    Render(dst, src, huge);
    // Once a pixel (the probe's own rounding may credit a neighbour).
    int64_t calls = 0;
    for (int c : Probe::calls) calls += c;
    EXPECT_EQ(calls, int64_t(w) * h);
    EXPECT_EQ(Probe::outside, 0);
    __SetDefRenderOnePixel();
    for (uint8_t mode : {2, 9, 10}) {
        _DrawMode = mode;
        const Rgba blank(w, h);
        Rgba out = blank;
        Render(out, src, huge);
        // Mode 10 copies the source wherever the surface faces the viewer; the
        // wire modes' edges lie far outside.
        if (mode == 10) {
            EXPECT_TRUE(out == src);
        } else if (mode == 2) {
            EXPECT_TRUE(out == blank);
        } else {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) ASSERT_EQ(out.at(x, y)[3], 255) << x << "," << y;
        }
        out = blank;
        Render(out, src, far);
        EXPECT_TRUE(out == blank) << "mode " << int(mode);
    }
    // Before the bound, mode 9 alone took minutes on such a triangle.
    EXPECT_LT(Seconds(start), 5.0);
}

// A patch small on the screen but vast in depth, with a normal far from
// unit length: its lattice, spaced by the patch's lengths in space, would
// hold about 10^32 samples. The walk gives up within a bounded cost for
// each pixel it may draw, in every curved mode.
TEST(CurvedSampling, APatchVastInDepthCostsBoundedTime) {
    Flags keep;
    constexpr int w = 16, h = 16;
    const Rgba src = Checker(w, h);
    Scene deep;
    deep.AddTriangle(Vertex(2, 2, 10, 1, 0, 0.5625f), Vertex(14, 3, 12, 1, 0, 0.5625f),
                     Vertex(5, 14, 1.14e16f, -5.5e11f, -0.25f, 0.0117f));
    deep.AddMaterial(0.5f, 0.5f, 0.5f);
    deep.AddLight(10, 5, 400);
    for (uint8_t mode : {2, 9, 10})
        for (uint8_t quality : {0, 1}) {
            _DrawMode = mode, _Quality = quality;
            const auto start = std::chrono::steady_clock::now();
            Rgba dst = src;
            Render(dst, src, deep);
            EXPECT_LT(Seconds(start), 2.0) << "mode " << int(mode);
        }
}

TEST(CurvedSampling, ModeNineShadesEachCoveredPixelOnceAPatch) {
    Flags keep;
    _DrawMode = 9, _Quality = 1;
    const Rgba src = Checker(128, 128);
    Scene s = Dome(56, 10, 64, 64);
    Probe::Install(128, 128);
    Rgba dst = src;
    Render(dst, src, s);
    int covered = 0, calls = 0, most = 0;
    for (int c : Probe::calls) covered += c > 0, calls += c, most = std::max(most, c);
    EXPECT_GT(covered, 8000);
    // Only where two patches meet may a pixel be shaded by both.
    EXPECT_LE(most, 3);
    EXPECT_LT(double(calls) / covered, 1.1);
}

}  // namespace
}  // namespace rtest
