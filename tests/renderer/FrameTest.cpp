// The frame around the draw modes: z-buffer hand-over, passes, buffers and
// their failure, bad arguments, and the conversions, sort and perspective.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "Engine.h"
#include "PageMemory.h"
#include "RenderKit.h"

namespace rtest {
namespace {

using frostel::FailPageAllocationAfter;
using frostel::GetPageMemoryStats;
using frostel::PageBlock;

constexpr int kW = 48, kH = 40;
const uint8_t kAllModes[] = {0, 1, 2, 3, 6, 8, 9, 10};

// One lit triangle with a material, filling the middle of the frame.
Scene LitTriangle(float z = 10.0f, uint16_t material = 0) {
    Scene s;
    s.AddFront(Vertex(4, 4, z, 0.2f, 0.1f, 1), Vertex(44, 8, z, 0, 0, 1), Vertex(12, 36, z, -0.2f, 0.3f, 1), material);
    s.AddMaterial(0.8f, 0.4f, 0.2f);
    s.AddMaterial(0.1f, 0.3f, 0.9f);
    s.AddLight(20, 10, 300);
    return s;
}

// The same with glass, so that every per-frame buffer is taken.
Scene GlassTriangle() {
    Scene s = LitTriangle();
    s.glass.resize(2);
    s.glass[0] = {1, 1.5f, 8.0f, 20.0f};
    return s;
}

struct DepthBuffer {
    PageBlock block;
    int width, height;
    DepthBuffer(int w, int h, float value) : block(size_t(w) * h * sizeof(float)), width(w), height(h) {
        for (int i = 0; i < w * h; ++i) block.as<float>()[i] = value;
    }
    float* get() { return block.as<float>(); }
};

// The z-buffer hand-over as __GetZBuff reports it.
void ExpectHandOver(float* expected, int width, int height) {
    float* buffer;
    int w, h;
    __GetZBuff(buffer, w, h);
    EXPECT_EQ(buffer, expected);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
}

TEST(Frame, HandedOverDepthsCarryIntoTheNextFrameAndStayTheCallers) {
    Flags keep;
    _DrawMode = 3, _Quality = 1;
    DepthBuffer depth(kW, kH, kDepthFill);
    __SetZBuff(depth.get(), kW, kH);
    const Rgba src = Checker(kW, kH);
    Scene nearScene = LitTriangle(50.0f);
    Rgba first = src;
    Render(first, src, nearScene);
    EXPECT_GT(depth.get()[20 * kW + 20], 40.0f);
    // The anti-aliased band outside the edges blends but keeps no depth, so that
    // a farther surface drawn later still shows through its partial coverage.
    const __Point3ds* c = nearScene.points.data();
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (SignedDistance(c[0], c[1], c[2], x, y) <= 0.01) continue;
            ASSERT_EQ(depth.get()[y * kW + x], kDepthFill) << x << "," << y;
        }
    EXPECT_FALSE(first == src);

    // A farther triangle over the same place is hidden by the first frame's depths.
    Scene farScene = LitTriangle(20.0f, 1);
    Rgba second = src;
    Render(second, src, farScene);
    // Only the anti-aliased fringe outside the first triangle may show.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (SignedDistance(farScene.points[0], farScene.points[1], farScene.points[2], x, y) >= 0) continue;
            ASSERT_EQ(0, std::memcmp(second.at(x, y), src.at(x, y), 4)) << x << "," << y;
        }

    ExpectHandOver(depth.get(), kW, kH);
}

TEST(Frame, AHandedOverBufferOfAnotherSizeIsNeitherUsedNorFreed) {
    Flags keep;
    _DrawMode = 6;
    DepthBuffer depth(10, 10, 1e30f);  // would hide everything if it were used
    __SetZBuff(depth.get(), 10, 10);
    const Rgba src = Checker(kW, kH);
    Scene s = LitTriangle();
    const int64_t live = GetPageMemoryStats().live;
    Rgba dst = src;
    Render(dst, src, s);
    EXPECT_FALSE(dst == src);
    EXPECT_EQ(GetPageMemoryStats().live, live);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(depth.get()[i], 1e30f);
    ExpectHandOver(depth.get(), 10, 10);
}

TEST(Frame, OwnDepthBufferIsReleasedAndTheSizeKept) {
    Flags keep;
    _DrawMode = 6;
    const Rgba src = Checker(kW, kH);
    Scene s = LitTriangle();
    Rgba dst = src;
    Render(dst, src, s);
    ExpectHandOver(nullptr, kW, kH);
}

TEST(Frame, EveryModeBalancesItsAllocations) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    for (uint8_t mode : {0, 1, 2, 3, 4, 6, 8, 9, 10, 11}) {
        for (uint8_t quality : {0, 1}) {
            _DrawMode = mode, _Quality = quality;
            Scene s = GlassTriangle();
            const int64_t live = GetPageMemoryStats().live;
            Rgba dst = src;
            Render(dst, src, s);
            EXPECT_EQ(GetPageMemoryStats().live, live) << "mode " << int(mode);
            if (mode == 4 || mode == 11) {
                EXPECT_TRUE(dst == src) << "mode " << int(mode) << " draws nothing";
            }
        }
    }
}

TEST(Frame, RunningOutOfMemoryLeavesTheDestinationAsItWas) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    // With multiple refraction on one thread, else on every core.
    for (uint8_t mode : {3, 9}) for (uint8_t multi : {1, 0}) {
        _DrawMode = mode, _Quality = 1, _UseMultyRefract = multi;
        Scene s = GlassTriangle();
        const int64_t before = GetPageMemoryStats().allocated;
        Rgba reference = src;
        Render(reference, src, s);
        const int64_t allocations = GetPageMemoryStats().allocated - before;
        ASSERT_GE(allocations, 4);
        for (int64_t n = 1; n <= allocations; ++n) {
            const int64_t live = GetPageMemoryStats().live;
            FailPageAllocationAfter(n);
            Rgba dst = src;
            Render(dst, src, s);
            FailPageAllocationAfter(0);
            EXPECT_TRUE(dst == src) << "mode " << int(mode) << ", allocation " << n << " failing";
            EXPECT_TRUE(frostel::RenderLackedMemory()) << "mode " << int(mode) << ", allocation " << n;
            EXPECT_EQ(GetPageMemoryStats().live, live);
            EXPECT_EQ(ZBuff, nullptr);
        }
        Rgba again = src;
        Render(again, src, s);
        EXPECT_TRUE(again == reference);
        EXPECT_FALSE(frostel::RenderLackedMemory());
    }
}

// A row of separate triangles, one per 6-pixel column.
Scene TriangleRow(int count) {
    Scene s;
    for (int i = 0; i < count; ++i) {
        const float x = 1.0f + 6.0f * float(i);
        s.AddFront(Vertex(x, 4, 10), Vertex(x + 4, 4, 10), Vertex(x, 30, 10));
    }
    s.AddMaterial(0.8f, 0.4f, 0.2f);
    s.AddLight(20, 10, 300);
    return s;
}

struct WatchLog {
    int calls = 0, stopAfter = -1;
    int64_t lastDone = -1, total = -1;
    bool rising = true, increasing = true;
    std::chrono::steady_clock::time_point stoppedAt;
};

bool Watch(void* context, int64_t done, int64_t total) {
    WatchLog& log = *static_cast<WatchLog*>(context);
    log.rising = log.rising && done >= log.lastDone && done < total;
    log.increasing = log.increasing && done > log.lastDone;
    log.lastDone = done, log.total = total;
    const bool go = log.stopAfter < 0 || ++log.calls <= log.stopAfter;
    if (log.stopAfter < 0) ++log.calls;
    if (!go) log.stoppedAt = std::chrono::steady_clock::now();
    return go;
}

// The triangles of TriangleRow that changed a pixel of their own column.
int ColumnsDrawn(const Rgba& dst, const Rgba& src) {
    int drawn = 0;
    for (int i = 0; i < 7; ++i) {
        bool changed = false;
        for (int y = 0; y < dst.height; ++y)
            for (int x = 6 * i + 1; x < 6 * i + 6; ++x) changed = changed || std::memcmp(dst.at(x, y), src.at(x, y), 4) != 0;
        drawn += changed;
    }
    return drawn;
}

// On one thread the watch is asked before each triangle of each band, in order.
TEST(Frame, TheWatchSeesEveryTriangleOfEachPassAndCanEndTheFrame) {
    Flags keep;
    frostel::SetRenderThreads(1);
    const Rgba src = Checker(kW, kH);
    for (uint8_t mode : {0, 3, 6, 9}) {
        for (uint8_t back : {0, 1}) {
            _DrawMode = mode, _Quality = 1, _DrawBackFaces = back;
            Scene s = TriangleRow(7);
            WatchLog all;
            frostel::SetRenderWatch(Watch, &all);
            Rgba whole = src;
            Render(whole, src, s);
            EXPECT_FALSE(frostel::RenderWasStopped());
            EXPECT_EQ(all.calls, all.total) << "mode " << int(mode);
            EXPECT_GE(all.total, (mode != 0 && back) ? 14 : 7);
            EXPECT_EQ(all.lastDone, all.total - 1);
            EXPECT_TRUE(all.increasing);
            EXPECT_EQ(ColumnsDrawn(whole, src), 7) << "mode " << int(mode);

            WatchLog three;
            three.stopAfter = 3;
            frostel::SetRenderWatch(Watch, &three);
            Rgba part = src;
            const int64_t live = GetPageMemoryStats().live;
            Render(part, src, s);
            EXPECT_TRUE(frostel::RenderWasStopped());
            EXPECT_EQ(GetPageMemoryStats().live, live);
            EXPECT_EQ(ZBuff, nullptr);
            EXPECT_EQ(_DrawBackFaces1, 0);
            // A stop in the back-face pass skips the front pass as well.
            EXPECT_EQ(ColumnsDrawn(part, src), back && mode != 0 ? 0 : 3) << "mode " << int(mode);
            frostel::SetRenderWatch(nullptr, nullptr);
        }
    }
    frostel::SetRenderThreads(0);
}

// Many threads: the watch is still asked on the calling thread only, now and
// then, with the work done so far; a stop ends the frame within a moment.
TEST(Frame, TheWatchStopsAFrameDrawnOnManyThreads) {
    Flags keep;
    frostel::SetRenderThreads(8);
    _DrawMode = 9, _Quality = 1;
    constexpr int w = 480, h = 360;
    const Rgba src = Checker(w, h);
    Scene s;
    for (int i = 0; i < 200; ++i) {
        const float x = float((i * 37) % 400), y = float((i * 53) % 300), z = float(i);
        s.AddFront(Vertex(x, y, z, -0.3f, 0, 1), Vertex(x + 200, y + 20, z, 0.3f, 0.2f, 1),
                   Vertex(x + 60, y + 180, z, 0, 0.3f, 1));
    }
    s.AddMaterial(0.8f, 0.4f, 0.2f);
    s.AddLight(200, 100, 400);
    const std::thread::id caller = std::this_thread::get_id();
    struct Log : WatchLog {
        std::thread::id caller;
        bool onCaller = true;
    } log;
    log.caller = caller;
    auto watch = [](void* context, int64_t done, int64_t total) {
        Log& l = *static_cast<Log*>(context);
        l.onCaller = l.onCaller && std::this_thread::get_id() == l.caller;
        return Watch(context, done, total);
    };
    frostel::SetRenderWatch(watch, &log);
    Rgba whole = src;
    Render(whole, src, s);
    EXPECT_FALSE(frostel::RenderWasStopped());
    EXPECT_TRUE(log.rising);
    EXPECT_TRUE(log.onCaller);

    Log stop;
    stop.caller = caller;
    stop.stopAfter = 1;
    frostel::SetRenderWatch(watch, &stop);
    const int64_t live = GetPageMemoryStats().live;
    Rgba part = src;
    Render(part, src, s);
    const auto returned = std::chrono::steady_clock::now();
    frostel::SetRenderWatch(nullptr, nullptr);
    frostel::SetRenderThreads(0);
    ASSERT_EQ(stop.calls, 2) << "the frame ended before the watch was asked twice";
    EXPECT_TRUE(frostel::RenderWasStopped());
    EXPECT_TRUE(stop.rising);
    EXPECT_TRUE(stop.onCaller);
    EXPECT_LT(stop.lastDone, stop.total);
    EXPECT_FALSE(part == whole);
    EXPECT_LT(std::chrono::duration<double>(returned - stop.stoppedAt).count(), 0.25);
    EXPECT_EQ(GetPageMemoryStats().live, live);
    EXPECT_EQ(ZBuff, nullptr);
}

TEST(Frame, RoughLinesFarPastTheFrameEndAndDrawWhatCrossesIt) {
    Flags keep;
    _DrawMode = 0;
    const Rgba src = Checker(kW, kH);
    for (float far : {1e9f, 1e17f, 3e38f}) {
        Scene s;
        // One edge along row 5 from far left to far right, the others far below.
        s.AddTriangle(Vertex(-far, 5.25f, 1), Vertex(far, 5.25f, 1), Vertex(0, far, 1));
        Rgba dst = src;
        Render(dst, src, s);
        for (int x = 0; x < kW; ++x) {
            const uint8_t* p = dst.at(x, 5);
            const uint8_t* q = src.at(x, 5);
            ASSERT_TRUE(p[0] == 255 - q[0] && p[1] == 255 - q[1] && p[2] == 255 - q[2]) << far << " at " << x;
        }
        // The two other edges run far outside the frame.
        for (int y = 0; y < kH; ++y)
            if (y != 5) {
                EXPECT_EQ(std::memcmp(dst.at(0, y), src.at(0, y), size_t(kW) * 4), 0) << far << " row " << y;
            }
    }
}

TEST(Frame, BadFramesAreLeftAlone) {
    Flags keep;
    _DrawMode = 6;
    const Rgba src = Checker(kW, kH);
    Scene s = LitTriangle();
    const int64_t allocated = GetPageMemoryStats().allocated;
    Rgba dst = src;
    auto call = [&](int width, int height, int rowLength) {
        __RasterScene(dst.px.data(), const_cast<uint8_t*>(src.px.data()), width, height, rowLength,
                      int(s.points.size()), int(s.triangles.size()), s.triangles.data(), s.points.data(), 0, 0,
                      int(s.materials.size()), s.materials.data(), s.textures.data(), 1, s.lights.data(), nullptr);
    };
    call(kW, kH, kW * 4 + 8);  // padded rows: the buffers would not match
    call(kW / 2, kH, kW * 4);
    call(0, kH, 0);
    call(kW, -1, kW * 4);
    __RasterScene(nullptr, dst.px.data(), kW, kH, kW * 4, 3, 1, s.triangles.data(), s.points.data(), 0, 0, 0,
                  nullptr, nullptr, 0, nullptr, nullptr);
    EXPECT_TRUE(dst == src);
    EXPECT_EQ(GetPageMemoryStats().allocated, allocated);
}

TEST(Frame, BrokenTrianglesAreSkippedAndHugeOnesClipped) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (uint8_t mode : kAllModes) {
        for (uint8_t quality : {0, 1}) {
            _DrawMode = mode, _Quality = quality;
            Scene clean = LitTriangle();
            Rgba reference = src;
            Render(reference, src, clean);

            Scene s = LitTriangle();
            s.AddTriangle(Vertex(nan, 3, 1), Vertex(30, 30, 1), Vertex(3, 30, 1));
            s.AddTriangle(Vertex(1, 1, std::numeric_limits<float>::infinity()), Vertex(30, 3, 1), Vertex(3, 30, 1));
            __Triangle3ds outOfRange{};
            outOfRange.a = 0, outOfRange.b = 1, outOfRange.c = 1000;
            s.triangles.push_back(outOfRange);
            outOfRange.c = -1;
            s.triangles.push_back(outOfRange);
            Rgba dst = src;
            Render(dst, src, s);
            EXPECT_TRUE(dst == reference) << "mode " << int(mode) << " quality " << int(quality);

            // A triangle far larger than the frame covers it in the fills and ends quickly everywhere.
            Scene huge;
            huge.AddFront(Vertex(-1e30f, -1e30f, 1), Vertex(1e30f, -1e29f, 1), Vertex(-1e29f, 1e30f, 1));
            Rgba big = src;
            Render(big, src, huge);
            if (mode != 3 && mode != 6) continue;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) ASSERT_EQ(big.at(x, y)[3], 255) << x << "," << y;
        }
    }
}

TEST(Frame, ModeZeroInvertsTheEdgesAndClearsTheBackFacePass) {
    Flags keep;
    _DrawMode = 0;
    _DrawBackFaces = 1;
    const Rgba src = Checker(kW, kH);
    Scene s;
    s.AddFront(Vertex(2, 2, 1), Vertex(40, 2, 1), Vertex(2, 30, 1));
    Rgba dst = src;
    Render(dst, src, s);
    EXPECT_EQ(_DrawBackFaces, 0);
    // The top edge runs along row 2 from column 2 (its far end not drawn).
    for (int x = 2; x < 40; ++x) {
        for (int k = 0; k < 3; ++k) ASSERT_EQ(dst.at(x, 2)[k], 255 - src.at(x, 2)[k]) << x;
        ASSERT_EQ(dst.at(x, 2)[3], 255);
    }
    EXPECT_EQ(0, std::memcmp(dst.at(20, 10), src.at(20, 10), 4));
    // The back faces stay off for the next frame in another mode.
    _DrawMode = 3;
    Scene back;
    back.AddTriangle(Vertex(2, 2, 1), Vertex(2, 30, 1), Vertex(40, 2, 1));
    Rgba next = src;
    Render(next, src, back);
    EXPECT_TRUE(next == src);
}

// A back-facing triangle in front of a front-facing one.
Scene BackInFront() {
    Scene s;
    s.AddFront(Vertex(4, 4, 10), Vertex(44, 4, 10), Vertex(4, 36, 10), 0);
    // Clockwise, its normals turned away: a back face.
    s.AddTriangle(Vertex(6, 6, 50, 0, 0, -1), Vertex(6, 36, 50, 0, 0, -1), Vertex(44, 6, 50, 0, 0, -1), 1);
    s.AddMaterial(1, 0, 0);
    s.AddMaterial(0, 0, 1);
    for (material3ds& m : s.materials) m.shineStrength = 0;
    s.AddLight(20, 20, 400);
    return s;
}

TEST(Frame, TheBackFacePassDrawsFirstAndTheFrontFacesGetAFreshDepthBuffer) {
    Flags keep;
    _DrawMode = 6;
    _DrawBackFaces = 1;
    const Rgba src = Checker(kW, kH);
    Scene s = BackInFront();
    Rgba dst = src;
    Render(dst, src, s);
    // Front face drawn over the back face although the back face is nearer.
    EXPECT_GT(dst.at(12, 12)[0], 100);
    EXPECT_LT(dst.at(12, 12)[2], 30);

    // With a handed-over buffer the front faces are tested against the back faces' depths.
    DepthBuffer depth(kW, kH, kDepthFill);
    __SetZBuff(depth.get(), kW, kH);
    Rgba kept = src;
    Render(kept, src, s);
    EXPECT_GT(kept.at(12, 12)[2], 100);
    EXPECT_LT(kept.at(12, 12)[0], 30);

    // Without the pass, the back face is culled.
    __SetZBuff(nullptr, 0, 0);
    _DrawBackFaces = 0;
    Rgba single = src;
    Render(single, src, s);
    EXPECT_GT(single.at(12, 12)[0], 100);
    EXPECT_EQ(0, std::memcmp(single.at(42, 7), src.at(42, 7), 4));  // only the back face lies there
}

TEST(Frame, FullMultipleRefractionDrawsBackFacesInTheFillsOnly) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    Scene s;
    s.AddTriangle(Vertex(4, 4, 10, 0, 0, -1), Vertex(4, 36, 10, 0, 0, -1), Vertex(44, 4, 10, 0, 0, -1));  // a back face
    s.AddMaterial(1, 1, 1);
    s.AddLight(20, 20, 400);
    for (uint8_t mode : kAllModes) {
        _DrawMode = mode;
        for (uint8_t multi : {1, 2}) {
            _UseMultyRefract = multi;
            Rgba dst = src;
            Render(dst, src, s);
            const bool fill = mode == 3 || mode == 6 || mode == 8 || mode == 9;
            const bool drawn = !(dst == src);
            EXPECT_EQ(drawn, fill && multi == 2) << "mode " << int(mode) << " multi " << int(multi);
        }
    }
}

TEST(Frame, ModeTenCopiesTheSourceInTheFrontPassOnly) {
    Flags keep;
    _DrawMode = 10;
    const Rgba src = Checker(kW, kH);
    Scene s = LitTriangle();
    const Rgba blank(kW, kH, 0, 0, 0, 0);
    Rgba dst = blank;
    _DrawBackFaces = 1;
    Render(dst, src, s);
    EXPECT_EQ(0, std::memcmp(dst.at(15, 15), src.at(15, 15), 4));
    EXPECT_EQ(0, std::memcmp(dst.at(46, 38), blank.at(46, 38), 4));

    // Near the silhouette: an outline in the material colour, strongest at |nz| = 0.15.
    auto outline = [&](float nz, int materials) {
        Scene t;
        const float nx = std::sqrt(1 - nz * nz);
        t.AddFront(Vertex(4, 4, 1, nx, 0, nz), Vertex(44, 4, 1, nx, 0, nz), Vertex(4, 36, 1, nx, 0, nz));
        for (int i = 0; i < materials; ++i) t.AddMaterial(0.0f, 1.0f, 0.0f);
        Rgba out = blank;
        _DrawBackFaces = 0;
        Render(out, src, t);
        return std::vector<uint8_t>(out.at(12, 12), out.at(12, 12) + 4);
    };
    EXPECT_EQ(outline(0.15f, 1), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(outline(0.15f, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(outline(0.32f, 1), std::vector<uint8_t>(src.at(12, 12), src.at(12, 12) + 4));  // faces the viewer
    EXPECT_LE(outline(0.29f, 1)[3], 2);
    const std::vector<uint8_t> faint = outline(0.25f, 1);
    EXPECT_GT(faint[3], 0);
    EXPECT_LT(faint[3], 255);
}

TEST(Frame, OnlyTheBuffersTheSettingsReadAreTaken) {
    Flags keep;
    const Rgba src = Checker(kW, kH);
    auto allocations = [&](uint8_t mode, uint8_t quality, Scene s) {
        _DrawMode = mode, _Quality = quality;
        const int64_t before = GetPageMemoryStats().allocated;
        Rgba dst = src;
        Render(dst, src, s);
        return GetPageMemoryStats().allocated - before;
    };
    // The fast fills draw straight into the destination.
    const Scene lit = LitTriangle();
    const int64_t fast = allocations(3, 0, lit);
    EXPECT_EQ(allocations(6, 0, lit), fast);
    // The triangle buffer, its edge memory and its rows; the curved mode's winners.
    EXPECT_EQ(allocations(3, 1, lit), fast + 3);
    EXPECT_EQ(allocations(8, 0, lit), fast + 3);
    EXPECT_EQ(allocations(9, 0, lit), fast + 4);
    // Glass that is off, or on without multiple refraction or back faces,
    // reads neither the background copy nor the refraction depths.
    Scene off = GlassTriangle();
    off.glass[0].enabled = 0;
    EXPECT_EQ(allocations(6, 1, off), fast + 3);
    _UseMultyRefract = 0;
    EXPECT_EQ(allocations(6, 1, GlassTriangle()), fast + 3);
    _UseMultyRefract = 1;
    EXPECT_EQ(allocations(6, 1, GlassTriangle()), fast + 5);
}

// The one-colour fill and lines for outside clients: no shader and no depth
// test, and a z-buffer handed over for another size stays handed over.
TEST(Frame, SolidFillAndColourLinesNeedNoDepthBuffer) {
    Flags keep;
    _Quality = 0;
    DepthBuffer depth(10, 10, 1e30f);  // would hide everything if it were used
    __SetZBuff(depth.get(), 10, 10);
    Probe::Install(kW, kH);
    const Rgba src = Checker(kW, kH);
    Scene s = LitTriangle();
    s.AddTriangle(Vertex(30, 30, 1), Vertex(30, 38, 1), Vertex(46, 30, 1));  // a back face: filled too
    auto solid = [&](Rgba& dst, float opacity) {
        __RasterSolid(dst.px.data(), kW, kH, kW * 4, int(s.points.size()), int(s.triangles.size()),
                      s.triangles.data(), s.points.data(), 1, 0, 10, 20, 30, opacity);
    };
    Rgba full = src, half = src;
    solid(full, 1.0f);
    solid(half, 0.5f);
    EXPECT_EQ(std::vector<uint8_t>(full.at(16, 16), full.at(16, 16) + 4), (std::vector<uint8_t>{10, 20, 30, 255}));
    EXPECT_EQ(std::vector<uint8_t>(full.at(40, 32), full.at(40, 32) + 4), (std::vector<uint8_t>{10, 20, 30, 255}));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(half.at(16, 16)[k], (src.at(16, 16)[k] + full.at(16, 16)[k]) / 2, 1);
    EXPECT_EQ(0, std::memcmp(full.at(2, 38), src.at(2, 38), 4));
    for (int c : Probe::calls) ASSERT_EQ(c, 0);
    ExpectHandOver(depth.get(), 10, 10);

    // Colour lines: the front faces' edges only, unless both sides are drawn.
    auto lines = [&](Rgba& dst) {
        __DrawScenesLineColor(1.0f, 200, 0, 0, dst.px.data(), const_cast<uint8_t*>(src.px.data()), kW, kH,
                              int(s.points.size()), int(s.triangles.size()), s.triangles.data(), s.points.data(), 0, 0);
    };
    for (uint8_t quality : {0, 1}) {
        _Quality = quality;
        Rgba front = src, both = src;
        lines(front);
        _DubleSide = 1;
        lines(both);
        _DubleSide = 0;
        EXPECT_EQ(std::vector<uint8_t>(front.at(4, 4), front.at(4, 4) + 4), (std::vector<uint8_t>{200, 0, 0, 255}));
        EXPECT_EQ(0, std::memcmp(front.at(20, 16), src.at(20, 16), 4));  // inside: untouched
        EXPECT_EQ(0, std::memcmp(front.at(38, 30), src.at(38, 30), 4));  // the back face's top edge
        EXPECT_EQ(both.at(38, 30)[0], 200);
    }
    EXPECT_EQ(ZBuff, depth.get());
}

TEST(Frame, DefaultLightOnlyForTheFrame) {
    Flags keep;
    _DrawMode = 6;
    const Rgba src = Checker(kW, kH);
    Scene s = LitTriangle();
    s.lights.clear();
    Rgba dst = src;
    Render(dst, src, s);
    EXPECT_GT(dst.at(15, 15)[0], 50);
    EXPECT_EQ(_LightDef, nullptr);

    // A light of the caller's, dimmer, takes its place and stays set.
    light3ds dim{};
    dim.x = 200, dim.y = 200, dim.z = 1000;
    dim.r = dim.g = dim.b = 1;
    dim.intensity = 0.25f;
    __SetLightDef(&dim);
    Rgba dimmed = src;
    Render(dimmed, src, s);
    EXPECT_LT(dimmed.at(15, 15)[0], dst.at(15, 15)[0]);
    EXPECT_EQ(_LightDef, &dim);
}

TEST(Frame, SixteenBitFramesMatchEightBitOnes) {
    Flags keep;
    for (uint8_t mode : {3, 6, 9}) {
        _DrawMode = mode;
        const Rgba src = Checker(kW, kH);
        Scene s = LitTriangle();
        Rgba narrow = src;
        _Deep = 0;
        Render(narrow, src, s);

        uint8_t* wide = const_cast<uint8_t*>(src.px.data());
        __ConvertBYTE8TO16(&wide, kW, kH, kW * 4);
        uint8_t* wideDst = const_cast<uint8_t*>(src.px.data());
        __ConvertBYTE8TO16(&wideDst, kW, kH, kW * 4);
        _Deep = 1;
        __RasterScene(wideDst, wide, kW, kH, kW * 4, int(s.points.size()), int(s.triangles.size()),
                      s.triangles.data(), s.points.data(), 0, 0, int(s.materials.size()), s.materials.data(),
                      s.textures.data(), int(s.lights.size()), s.lights.data(), nullptr);
        _Deep = 0;
        uint8_t* back = wideDst;
        __ConvertBYTE16TO8(&back, kW, kH, kW * 4);
        for (size_t i = 0; i < narrow.px.size(); ++i)
            ASSERT_NEAR(back[i], narrow.px[i], 2) << "mode " << int(mode) << " channel " << i;
        frostel::FreePages(wide);
        frostel::FreePages(wideDst);
        frostel::FreePages(back);
    }
}

TEST(Conversions, FullScaleRoundTripsAndTheOldBufferStaysTheCallers) {
    std::vector<uint8_t> bytes(256 * 4);
    for (int i = 0; i < 256 * 4; ++i) bytes[i] = uint8_t(i / 4);
    uint8_t* buffer = bytes.data();
    __ConvertBYTE8TO16(&buffer, 256, 1, 256 * 4);
    ASSERT_NE(buffer, bytes.data());
    uint16_t words[4];
    std::memcpy(words, buffer + 2 * 4 * 255, 8);
    EXPECT_EQ(words[0], 32768);
    std::memcpy(words, buffer, 8);
    EXPECT_EQ(words[0], 0);
    uint8_t* wide = buffer;
    __ConvertBYTE16TO8(&buffer, 256, 1, 256 * 4);
    for (int i = 0; i < 256 * 4; ++i) ASSERT_EQ(buffer[i], bytes[i]) << i;
    EXPECT_EQ(bytes[1023], 255);  // the caller's buffer is intact
    frostel::FreePages(wide);
    frostel::FreePages(buffer);

    // A failed allocation leaves the pointer.
    uint8_t* kept = bytes.data();
    FailPageAllocationAfter(1);
    __ConvertBYTE8TO16(&kept, 256, 1, 256 * 4);
    FailPageAllocationAfter(0);
    EXPECT_EQ(kept, bytes.data());
}

TEST(Conversions, TexturesFollowTheEngineDepth) {
    Flags keep;
    std::vector<uint8_t> texels(2 * 2 * 4, 255);
    __Texture t{};
    t.present = 1, t.width = 2, t.height = 2, t.pixels = texels.data();
    _Deep = 1;
    __ConvertText(&t);
    EXPECT_EQ(t.is16Bit, 1);
    ASSERT_NE(t.pixels, texels.data());
    uint16_t w;
    std::memcpy(&w, t.pixels + 6, 2);
    EXPECT_EQ(w, 32768);
    uint8_t* wide = t.pixels;
    __ConvertText(&t);  // already at the depth
    EXPECT_EQ(t.pixels, wide);
    _Deep = 0;
    __ConvertText(&t);
    EXPECT_EQ(t.is16Bit, 0);
    EXPECT_EQ(t.pixels[5], 255);
    frostel::FreePages(wide);
    frostel::FreePages(t.pixels);
    __Texture absent{};
    __ConvertText(&absent);
    __ConvertText(nullptr);
}

TEST(Interface, SettersGettersAndTheHandOverRules) {
    Flags keep;
    __SetQuality(5);
    EXPECT_EQ(__GetQuality(), 1);
    __SetQuality(0);
    EXPECT_EQ(_Quality, 0);
    float buffer[4];
    __SetZBuff(buffer, 2, 2);
    EXPECT_EQ(ZBuff, buffer);
    __SetZBuff(buffer, 0, 10);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(Zwidth, 0);
    EXPECT_EQ(Zheight, 0);
    __SetDubleSide(1);
    EXPECT_EQ(__GetDubleSide(), 1);
    __SetUseGlass(1);
    EXPECT_EQ(__GetUseGlass(), 1);
    __SetUseGlass(0);
    EXPECT_EQ(__mmx_present(), 1);
}

TEST(Interface, SortPutsTheFarthestFirstAndKeepsTies) {
    std::vector<__Point3ds> p = {Vertex(0, 0, 5), Vertex(0, 0, 1), Vertex(0, 0, 9), Vertex(0, 0, 1)};
    std::vector<__Triangle3ds> t(5);
    auto set = [&](int i, int a, int b, int c, uint16_t tag) { t[i] = {a, b, c, 0, tag}; };
    set(0, 2, 2, 2, 0);  // 27
    set(1, 1, 1, 1, 1);  // 3
    set(2, 0, 0, 0, 2);  // 15
    set(3, 3, 3, 3, 3);  // 3, after triangle 1
    set(4, 0, 0, -7, 4); // broken: first
    __Sort(5, t.data(), p.data());
    const uint16_t order[5] = {4, 1, 3, 2, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(t[i].material, order[i]) << i;
    __Sort(0, t.data(), p.data());
}

TEST(Interface, PerspectiveDividesAroundItsCentre) {
    Flags keep;
    std::vector<__Point3ds> p = {Vertex(110, 50, 500)};
    __AddPersp(1, p.data(), 1.0f, 100.0f, 50.0f, 0.0f);
    EXPECT_EQ(p[0].x, 110.0f);
    EXPECT_EQ(_Persp_x, 100.0f);
    EXPECT_EQ(_Persp_Far, 0.0f);
    __AddPersp(1, p.data(), 1.0f, 100.0f, 50.0f, 1000.0f);
    EXPECT_FLOAT_EQ(p[0].x, 120.0f);  // (110 - 100) / 0.5 + 100
    EXPECT_FLOAT_EQ(p[0].y, 50.0f);
    EXPECT_EQ(p[0].z, 500.0f);
    // And back, as the kernels map the corners for their texture coordinates.
    float x, y;
    __ProjectPersp(p[0].x, p[0].y, p[0].z, x, y);
    EXPECT_FLOAT_EQ(x, 110.0f);
    __ProjectPersp(3.0f, 4.0f, 1000.0f, x, y);
    EXPECT_FLOAT_EQ(x, 100.0f);
    EXPECT_FLOAT_EQ(y, 50.0f);
}

}  // namespace
}  // namespace rtest
