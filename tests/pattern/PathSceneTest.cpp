// Scenes grown along a work path that leaves the frame: what the frame shows
// is pinned byte for byte (digests of renders made before growth was limited
// to the frame's reach), and long or far-off paths cost little.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Dialog.h"
#include "Effect.h"
#include "FilterParameters.h"
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
         0x8fb11796468267e2ull},
        {"geometric 3, dense, grown by length",
         {{"EfKn", 1}, {"PtrK", 3}, {"MnIn", 3}, {"InDp", 500}, {"Scle", 140}, {"RndM", 3}},
         false,
         0x851bcf55ef6ac2ddull},
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

}  // namespace
}  // namespace frostel
