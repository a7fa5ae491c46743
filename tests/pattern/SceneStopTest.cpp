// The scene driver stopped part-way: by the host's abort callback in a
// silent run, by waiting input while the dialog draws its preview.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cmath>
#include <functional>
#include <vector>

#include "Dialog.h"
#include "Effect.h"
#include "ImageTransfer.h"
#include "PageMemory.h"
#include "PathSegments.h"
#include "Renderer.h"
#include "Plugin.h"
#include "RunStop.h"
#include "Scene.h"
#include "SceneImage.h"

namespace frostel {
namespace {

// Discs of light on a dark ramp: contours to trace and a figure to grow.
std::vector<uint8_t> Discs(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 4];
            const bool disc = std::hypot(x % 80 - 40.0, y % 60 - 30.0) < 18.0;
            p[0] = disc ? 240 : uint8_t(20 + x / 4), p[1] = disc ? 230 : uint8_t(40 + y / 4), p[2] = 90, p[3] = 255;
        }
    return px;
}

// What the host hears, and when it says stop.
struct HostEar {
    static inline std::vector<int> progress;
    static inline std::function<bool()> stopWhen;
    static inline int asks = 0;
    static void Progress(pi::int32 done, pi::int32) { progress.push_back(done); }
    static pi::Boolean Abort() {
        ++asks;
        return stopWhen && stopWhen() ? 1 : 0;
    }
};

// The dialog's queue: input waits when `waitingWhen` says so.
struct Queue : InputPort {
    std::function<bool()> waitingWhen;
    int asks = 0;
    bool InputWaiting() override {
        ++asks;
        return waitingWhen && waitingWhen();
    }
};

// The dialog's bar tells the same ear.
struct Bar : ProgressPort {
    void Show(int32_t done, int32_t total) override { HostEar::Progress(done, total); }
};

int LastProgress() { return HostEar::progress.empty() ? -1 : HostEar::progress.back(); }

class SceneStop : public ::testing::Test {
protected:
    static constexpr int W = 160, H = 120;

    void SetUp() override {
        live_ = GetPageMemoryStats().live;
        image_.record.progressProc = &HostEar::Progress;
        image_.record.abortProc = &HostEar::Abort;
        HostEar::progress.clear();
        HostEar::stopWhen = nullptr;
        HostEar::asks = 0;
        params_.EmTp = 1;  // the picture's contours
        SetStopCheckInterval(0);  // every look at the clock asks
        // The render's watch on one thread hears of every triangle; on many
        // it hears every few ms, which a small frame may never last.
        SetRenderThreads(1);
    }
    void TearDown() override {
        SetRenderThreads(0);
        SetStopCheckInterval(-1);
        gInputPort = nullptr;
        gProgressPort = nullptr;
        gDialogOpen = false;
        FreeSceneCache();
        FreePathList();
        EXPECT_EQ(GetPageMemoryStats().live, live_);
    }
    RunStatus Run() {
        HostEar::progress.clear();
        gBranchCount = -1;  // the growth sets it to 0 when it starts
        params_.geometryDirty = 1;
        return RunEffect();
    }

    testing::SceneImage image_{W, H, Discs(W, H)};
    FilterParameters& params_ = image_.params;
    int64_t live_ = 0;
};

TEST_F(SceneStop, EachStepStopsWhenTheHostSaysSoAndKeepsNothing) {
    struct Case {
        const char* step;
        std::function<bool()> when;
        int lastProgressFrom, lastProgressTo;  // where the bar was left
    };
    const Case cases[] = {
        {"start", [] { return true; }, 0, 10},
        {"contours", [] { return HostEar::asks >= 3; }, 0, 10},
        {"growth", [] { return gBranchCount > 50 && LastProgress() < 50; }, 10, 50},
        {"render", [] { return LastProgress() > 76; }, 76, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        HostEar::stopWhen = c.when;
        HostEar::asks = 0;
        EXPECT_EQ(Run(), RunStatus::Cancelled);
        EXPECT_EQ(image_.result, 0) << "the driver leaves the result word to the entry";
        EXPECT_EQ(GetPageMemoryStats().live, live_);
        EXPECT_EQ(params_.cachedTriangles, nullptr);
        EXPECT_EQ(params_.cachedPoints, nullptr);
        EXPECT_EQ(params_.bumpTexture, nullptr);
        EXPECT_GE(LastProgress(), c.lastProgressFrom);
        EXPECT_LE(LastProgress(), c.lastProgressTo);
        if (c.lastProgressTo <= 10) {
            EXPECT_EQ(gBranchCount, -1) << "no growth began";
        }
    }
    // Nothing stops it: done, with the bar through the render to its end.
    HostEar::stopWhen = nullptr;
    EXPECT_EQ(Run(), RunStatus::Done);
    EXPECT_EQ(GetPageMemoryStats().live, live_);
}

TEST_F(SceneStop, TheBarMovesThroughTheRenderAndTheHostIsAskedOnlyNowAndThen) {
    params_.RndM = 5;  // Phong
    ASSERT_EQ(Run(), RunStatus::Done);
    std::vector<int> during;
    for (int v : HostEar::progress)
        if (v > 75 && v < 100) during.push_back(v);
    EXPECT_GE(during.size(), 3u) << "the bar stands still while the render draws";
    // Forward only, from 0 to 100, then back to 0 for the next run.
    ASSERT_GE(HostEar::progress.size(), 2u);
    EXPECT_TRUE(std::is_sorted(HostEar::progress.begin(), HostEar::progress.end() - 1));
    EXPECT_EQ(HostEar::progress[HostEar::progress.size() - 2], 100);
    EXPECT_EQ(HostEar::progress.back(), 0);

    // At the usual pace the host hears of the run every few tens of ms.
    SetStopCheckInterval(25);
    HostEar::asks = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run(), RunStatus::Done);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LE(HostEar::asks, int(ms / 25) + 1);
    EXPECT_GE(HostEar::asks, int(ms / 25) / 3) << ms << " ms";
}

TEST_F(SceneStop, APreviewThatInputStopsShowsNothingNewAndDrawsTheSameLater) {
    gDialogOpen = true;
    Queue queue;
    gInputPort = &queue;
    Bar bar;
    gProgressPort = &bar;
    ASSERT_EQ(Run(), RunStatus::Done);
    const std::vector<uint8_t> finished = image_.work;

    // Input during the growth: no geometry is kept.
    queue.waitingWhen = [] { return gBranchCount > 50 && LastProgress() < 50; };
    EXPECT_EQ(Run(), RunStatus::Superseded);
    EXPECT_EQ(params_.cachedTriangles, nullptr);
    EXPECT_EQ(params_.geometryDirty, 1);

    // Input during the render: the finished geometry stays for the next try.
    queue.waitingWhen = [] { return LastProgress() > 76; };
    std::fill(image_.work.begin(), image_.work.end(), 0);
    EXPECT_EQ(Run(), RunStatus::Superseded);
    EXPECT_EQ(params_.geometryDirty, 0);
    EXPECT_GT(params_.cachedTriangleCount, 0);
    EXPECT_NE(image_.work, finished);

    // Once the queue is idle, the same picture as an uninterrupted preview.
    queue.waitingWhen = nullptr;
    HostEar::progress.clear();
    EXPECT_EQ(RunEffect(), RunStatus::Done);
    EXPECT_EQ(image_.work, finished);
    EXPECT_GT(queue.asks, 0);
    EXPECT_EQ(HostEar::asks, 0) << "the host's abort callback is not asked during a preview";
}

// The dialog's maxima ask for more than 10^13 triangles, many of them
// covering a good part of the frame: what they may cover bounds the growth
// and so the render, the same in the preview and the final run.
TEST(SceneBudget, TheDialogsMaximaCoverAtMostTheirBudget) {
    constexpr int W = 120, H = 80;
    testing::SceneImage image(W, H, Discs(W, H));
    FilterParameters& p = image.params;
    p.EfKn = 1, p.MxIt = 10, p.MxTr = 30, p.MnIn = 1, p.MxT1 = 40, p.Wdth = 300, p.Lngh = 70, p.Scle = 200;
    p.Dspr = 200, p.Comp = 100, p.CmDs = 100, p.RndM = 1;
    gDialogOpen = true;  // keeps the geometry, here in the frame's own pixels
    const int64_t live = GetPageMemoryStats().live;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunEffect(), RunStatus::Done);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    CoverBudget frame;
    frame.left = -W / 2, frame.right = W - W / 2, frame.top = -H / 2, frame.bottom = H - H / 2;
    double covered = 0;
    for (int32_t i = 0; i < p.cachedTriangleCount; ++i) {
        BranchTriangle t{};
        const __Point3ds* c = p.cachedPoints + 3 * i;
        t.p0.x = c[0].x, t.p0.y = c[0].y, t.p1.x = c[1].x, t.p1.y = c[1].y, t.p2.x = c[2].x, t.p2.y = c[2].y;
        covered += frame.Cover(t);
    }
    const double budget = kCoverFrames * W * H;
    EXPECT_LE(covered, budget * 1.0001);
    EXPECT_GT(covered, budget * 0.99) << "the budget, not the triangle count, ends this growth";
    EXPECT_LT(p.cachedTriangleCount, kBranchBudget);
    EXPECT_LT(seconds, 30.0);
    FreeSceneCache();
    gDialogOpen = false;
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

// The whole write-back of a silent run, stopped in its render: the host's
// output keeps what it held, and nothing is left behind.
TEST(SceneStopWrite, AStoppedRenderLeavesTheHostsOutputAsItWas) {
    constexpr int W = 160, H = 120;
    const std::vector<uint8_t> rgba = Discs(W, H);
    std::vector<uint8_t> in(size_t(W) * H * 3), out(in.size(), 0x5A);
    for (size_t i = 0; i < size_t(W) * H; ++i) std::memcpy(&in[3 * i], &rgba[4 * i], 3);
    pi::FilterRecord fr{};
    fr.planes = 3;
    fr.imageMode = pi::plugInModeRGBColor;
    fr.depth = 8;
    fr.filterRect = fr.inRect = fr.outRect = pi::Rect{0, 0, H, W};
    fr.inData = in.data(), fr.outData = out.data();
    fr.inRowBytes = fr.outRowBytes = W * 3;
    fr.progressProc = &HostEar::Progress;
    fr.abortProc = &HostEar::Abort;
    FilterParameters params{};
    ApplyParameterDefaults(params);
    int16_t result = 0;
    gFilterRecord = &fr, gParams = &params, gResult = &result;
    SetStopCheckInterval(0);
    const int64_t live = GetPageMemoryStats().live;

    HostEar::progress.clear();
    HostEar::stopWhen = [] { return LastProgress() > 76; };
    EXPECT_EQ(WriteResult(), RunStatus::Cancelled);
    EXPECT_EQ(result, 0) << "the entry, not the write-back, says cancelled";
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(GetPageMemoryStats().live, live);

    HostEar::stopWhen = nullptr;
    EXPECT_EQ(WriteResult(), RunStatus::Done);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(GetPageMemoryStats().live, live);

    SetStopCheckInterval(-1);
    gFilterRecord = nullptr, gParams = nullptr, gResult = nullptr;
}

}  // namespace
}  // namespace frostel
