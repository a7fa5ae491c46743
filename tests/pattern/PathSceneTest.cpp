// Scenes grown along a work path that leaves the frame: what the frame shows
// is pinned byte for byte (digests of renders made before growth was limited
// to the frame's reach), and long or far-off paths cost little.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "Dialog.h"
#include "Effect.h"
#include "Engine.h"
#include "FilterParameters.h"
#include "GrowthReach.h"
#include "PageMemory.h"
#include "PathSegments.h"
#include "Plugin.h"
#include "Scene.h"
#include "SceneImage.h"

namespace frostel {
namespace {

constexpr int kW = 96, kH = 64;

std::vector<uint8_t> Backdrop() {
    std::vector<uint8_t> px(size_t(kW) * kH * 4);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &px[(size_t(y) * kW + x) * 4];
            p[0] = uint8_t(40 + x), p[1] = uint8_t(60 + 2 * y), p[2] = uint8_t(120 + (x ^ y) % 32), p[3] = 255;
        }
    return px;
}

uint64_t Digest(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

// A segment in document pixels (72 dpi: a pixel is a point).
void Segment(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    auto p = [](double v) { return int32_t(v * 65536); };
    ASSERT_TRUE(AppendBezierSegment(p(x0), p(y0), p(x1), p(y1), p(x2), p(y2), p(x3), p(y3), 72 << 16));
}
void Line(double x0, double y0, double x1, double y1) {
    Segment(x0, y0, x0 + (x1 - x0) / 3, y0 + (y1 - y0) / 3, x0 + 2 * (x1 - x0) / 3, y0 + 2 * (y1 - y0) / 3, x1, y1);
}

// Enters the frame, leaves it far to the left and comes back, crosses it,
// loops wide around it and ends inside.
void PartlyOffCanvasPath() {
    FreePathList();
    Segment(20, 30, 40, 5, 70, 10, 80, 40);
    Segment(80, 40, 60, 90, -300, 120, -400, -50);
    Segment(-400, -50, -350, -300, -40, -100, 10, 20);
    Line(10, 20, 90, 55);
    Line(90, 55, 700, 300);
    Segment(700, 300, 900, -500, -200, -400, 50, 10);
    Line(50, 10, 55, 50);
}

// The same kind of path inside the frame.
void PathInsideTheFrame() {
    FreePathList();
    Segment(10, 10, 40, -5, 60, 60, 88, 30);
    Line(88, 30, 50, 58);
    Segment(50, 58, 5, 60, 30, 20, 12, 40);
}

struct Setting {
    const char* key;
    double value;
};

void Apply(FilterParameters& p, const std::vector<Setting>& settings) {
    for (const Setting& s : settings) {
        const uint32_t code = uint32_t(uint8_t(s.key[0])) << 24 | uint32_t(uint8_t(s.key[1])) << 16 |
                              uint32_t(uint8_t(s.key[2])) << 8 | uint8_t(s.key[3]);
        const ParameterKey* k = FindParameter(code);
        ASSERT_NE(k, nullptr) << s.key;
        if (k->isFloat())
            SetFloatField(p, *k, s.value);
        else
            SetIntegerField(p, *k, int64_t(s.value));
    }
}

struct PreviewView {
    float scale;
    int x, y, w, h;
};

std::vector<uint8_t> SceneSource(const PreviewView* view) {
    std::vector<uint8_t> source = Backdrop();
    if (view) source.resize(size_t(view->w) * view->h * 4, 200);
    return source;
}

// One render of the path scene: final (no view) or a dialog preview.
std::vector<uint8_t> RenderPathScene(const std::vector<Setting>& settings, const PreviewView* view = nullptr) {
    testing::SceneImage image(view ? view->w : kW, view ? view->h : kH, SceneSource(view));
    gImageWidth = kW, gImageHeight = kH;
    if (view) {
        gDialogOpen = true;
        gPreviewScale = view->scale;
        gViewX = view->x, gViewY = view->y;
    }
    image.params.EmTp = 0;
    Apply(image.params, settings);
    BuildAndRenderScene(image.params);
    EXPECT_EQ(image.result, 0);
    FreeSceneCache();
    gPreviewScale = 1.0f;
    gViewX = gViewY = 0;
    return image.work;
}

struct PinnedScene {
    const char* name;
    std::vector<Setting> settings;
    bool preview;
    uint64_t digest;
    bool inside = false;
};

const PreviewView kZoomedIn{0.5f, 30, 20, 100, 70};

std::vector<PinnedScene> PinnedScenes() {
    return {
        {"floral 3", {}, false, 0x95b0cdb0ee1ae906ull},
        {"geometric 1, sparse, all directions",
         {{"EfKn", 1}, {"PtrK", 1}, {"MnIn", 60}, {"GrwD", 8}, {"RndM", 6}},
         false,
         0x7e504a2fc0ddd2c8ull},
        {"floral 1, faded, scaled and moved",
         {{"PtrK", 1},
          {"Comp", 70},
          {"CmDs", 20},
          {"Scle", 60},
          {"CtnX", 30},
          {"CtnY", -20},
          {"RndM", 7},
          {"MnIn", 40}},
         false,
         0x73ea5c07d831d955ull},
        {"geometric 3, dense, grown by length",
         {{"EfKn", 1}, {"PtrK", 3}, {"MnIn", 6}, {"MxIt", 2}, {"InDp", 500}, {"Scle", 140}, {"RndM", 3}},
         false,
         0xba6ff17c7ecf7d25ull},
        {"floral 4, sparse, flat",
         {{"PtrK", 4}, {"MnIn", 80}, {"RndM", 4}, {"Lngh", 20}},
         false,
         0x67c4c788fbdd1566ull},
        {"floral 2, zoomed preview",
         {{"PtrK", 2}, {"RndM", 1}, {"MnIn", 30}, {"Lngh", 30}},
         true,
         0xf4b72338f4bf4e23ull},
        {"geometric 2, zoomed preview, half done",
         {{"EfKn", 1}, {"PtrK", 2}, {"MnIn", 15}, {"Comp", 45}, {"CmDs", 35}, {"RndM", 2}},
         true,
         0x35d5e300ac34e6c2ull},
        {"inside: floral 3", {}, false, 0x65e7aabaa8cd900bull, true},
        {"inside: geometric 1, all directions",
         {{"EfKn", 1}, {"PtrK", 1}, {"GrwD", 8}, {"RndM", 6}},
         false,
         0x6766d47fbd8e4e6eull,
         true},
    };
}

TEST(PathScene, WhatTheFrameShowsIsPinned) {
    const int64_t live = GetPageMemoryStats().live;
    const bool print = std::getenv("FROSTEL_PRINT_DIGESTS") != nullptr;
    for (const PinnedScene& s : PinnedScenes()) {
        SCOPED_TRACE(s.name);
        if (s.inside)
            PathInsideTheFrame();
        else
            PartlyOffCanvasPath();
        const std::vector<uint8_t> out = RenderPathScene(s.settings, s.preview ? &kZoomedIn : nullptr);
        // Every scene draws crystals in the frame.
        EXPECT_NE(out, SceneSource(s.preview ? &kZoomedIn : nullptr));
        if (print)
            std::printf("%s: 0x%016llxull\n", s.name, (unsigned long long)Digest(out));
        else
            EXPECT_EQ(Digest(out), s.digest);
    }
    FreePathList();
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

// ---- Long paths --------------------------------------------------------------

// A closed triangle inside the 96 x 64 frame.
void Triangle() {
    Line(20, 12, 70, 18);
    Line(70, 18, 45, 52);
    Line(45, 52, 20, 12);
}

// Knots alternating between x = -8000 and 8000, a quarter pixel apart in y
// from y0 on: segments of 16,000 pixels that never cross the frame.
void ZigZag(int knots, double y0) {
    for (int k = 0; k + 1 < knots; ++k)
        Line(k % 2 ? 8000 : -8000, y0 + 0.25 * k, k % 2 ? -8000 : 8000, y0 + 0.25 * (k + 1));
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024;
}

// Growing along every rib of the knots, as before, took some 6 GB and
// about a minute; nothing of it could show.
TEST(PathScene, KnotsOffTheImageAfterAVisibleTriangleCostNothing) {
    FreePathList();
    Triangle();
    const std::vector<uint8_t> alone = RenderPathScene({});
    ASSERT_NE(alone, SceneSource(nullptr));
    ZigZag(20000, 5000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RenderPathScene({}), alone);
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_LT(PeakMegabytes(), 1500.0);
    FreePathList();
}

TEST(PathScene, APathWhollyOffTheImageDrawsNothingQuickly) {
    FreePathList();
    ZigZag(100000, 2000);
    for (const std::vector<Setting>& kind : {std::vector<Setting>{}, std::vector<Setting>{{"EfKn", 1}, {"PtrK", 1}}}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RenderPathScene(kind), SceneSource(nullptr));
        EXPECT_LT(Seconds(start), 5.0);
    }
    FreePathList();
}

// Ahead of the visible part the growth walks the path out of reach only so
// far (its spacing and draws then go on from where they were): still the
// triangle's crystals, in bounded time.
TEST(PathScene, ManyKnotsOffTheImageAheadOfItsVisiblePartTakeBoundedTime) {
    FreePathList();
    ZigZag(100000, 2000);
    Triangle();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(RenderPathScene({}), SceneSource(nullptr));
    EXPECT_LT(Seconds(start), 20.0);
    FreePathList();
}

TEST(PathScene, ShortMemoryForThePathIsReportedAndLeavesTheWorkAlone) {
    const int64_t live = GetPageMemoryStats().live;
    FreePathList();
    PartlyOffCanvasPath();
    testing::SceneImage image(kW, kH, Backdrop());
    image.params.EmTp = 0;
    std::fill(image.work.begin(), image.work.end(), 7);
    // The path's segment table is the scene's first page block.
    FailPageAllocationAfter(1);
    BuildAndRenderScene(image.params);
    FailPageAllocationAfter(0);
    EXPECT_EQ(image.result, pi::memFullErr);
    EXPECT_EQ(image.work, std::vector<uint8_t>(image.work.size(), 7));
    EXPECT_EQ(image.params.geometryDirty, 1);
    image.result = 0;
    BuildAndRenderScene(image.params);
    EXPECT_EQ(image.result, 0);
    EXPECT_NE(image.work, image.source);
    FreeSceneCache();
    FreePathList();
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

// Distance in the plane from (x, y) to the segment a-b.
double FromSegment(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay, d2 = dx * dx + dy * dy;
    const double t = d2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / d2, 0.0, 1.0) : 0.0;
    return std::hypot(x - ax - t * dx, y - ay - t * dy);
}

// Branches grown along a short path in the middle of a large frame, with
// parameters drawn at random over and beyond the dialog's ranges: every
// corner, every curved patch's control point and every split midpoint lies
// within the reach the growth's values give.
TEST(PathScene, BranchesStayWithinTheirReach) {
    constexpr int kFW = 400, kFH = 300;
    std::mt19937 random(24);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    auto integer = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    SetSceneTriangleBudget(20000);
    FreePathList();
    Line(190, 150, 215, 153);  // five ribs of about 5 pixels
    const double ax = 190 - kFW / 2, ay = 150 - kFH / 2, bx = 215 - kFW / 2, by = 153 - kFH / 2;
    int64_t grown = 0;
    for (int run = 0; run < 60; ++run) {
        SCOPED_TRACE(run);
        testing::SceneImage image(kFW, kFH, std::vector<uint8_t>(size_t(kFW) * kFH * 4, 90));
        gDialogOpen = true;  // the geometry stays in the record
        FilterParameters& p = image.params;
        p.EmTp = 0;
        p.RndM = 1;
        p.EfKn = uint8_t(integer(1, 2));
        p.PtrK = uint8_t(integer(0, 4));
        p.GrwD = uint8_t(integer(0, 8));
        p.RndS = uint32_t(random());
        p.MnIn = float(uniform(0.5, 120));
        p.MxIt = uint32_t(integer(1, 6));
        p.MxTr = uint32_t(integer(0, 10));
        p.MxT1 = uint32_t(integer(0, 10));
        p.Wdth = float(uniform(-300, 300));
        p.Lngh = float(uniform(-10, 70));
        p.Dspr = float(uniform(-200, 200));
        p.LsID = float(uniform(-100, 200));
        p.PLen = float(uniform(-200, 300));
        p.PWid = float(uniform(-200, 300));
        p.InDp = float(uniform(-1500, 1500));
        p.Turn = float(uniform(-720, 720));
        p.Trn1 = float(uniform(-720, 720));
        p.Comp = float(uniform(30, 150));
        p.CmDs = float(uniform(0, 100));
        BuildAndRenderScene(p);
        ASSERT_EQ(image.result, 0);

        const GrowthBounds g = GrowthBoundsFor(p);
        const BranchExtent e = BranchExtentAt(g, 5.1);
        const double curved = BranchReach(g, ReachBox{}, true).Radius(5.1);
        double farthest = 0, highest = 0, bulge = 0;
        for (int32_t k = 0; k < p.cachedTriangleCount; ++k) {
            const __Triangle3ds& t = p.cachedTriangles[k];
            const __Point3ds* c[3] = {&p.cachedPoints[t.a], &p.cachedPoints[t.b], &p.cachedPoints[t.c]};
            for (const __Point3ds* q : c) {
                farthest = std::max(farthest, FromSegment(q->x, q->y, ax, ay, bx, by));
                highest = std::max(highest, double(std::fabs(q->z)));
            }
            CurvedPatch patch;
            patch.Build(*c[0], *c[1], *c[2]);
            for (const auto& q : patch.p) bulge = std::max(bulge, FromSegment(q[0], q[1], ax, ay, bx, by));
            __Point3ds mid[3];
            const __Point3ds* sub[4][3];
            SplitAtCurvedMidpoints(c, mid, sub);
            for (const __Point3ds& q : mid) bulge = std::max(bulge, FromSegment(q.x, q.y, ax, ay, bx, by));
        }
        EXPECT_LE(farthest, e.xy);
        EXPECT_LE(highest, e.z);
        EXPECT_LE(bulge, curved);
        grown += p.cachedTriangleCount;
        FreeSceneCache();
    }
    // Most scenes grow: the bounds were put to the test.
    EXPECT_GT(grown, 60 * 1000);
    SetSceneTriangleBudget(0);
    FreePathList();
}

}  // namespace
}  // namespace frostel
