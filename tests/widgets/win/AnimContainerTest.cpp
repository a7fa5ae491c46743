// The animated panel and its glass controls.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AnimatedWidgets.h"
#include "RigSupport.h"
#include "WidgetIds.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kPanel = 840, kGlass = 841;

struct AnimFixture : ::testing::Test {
    void SetUp() override {
        w = Child(kContanerAnimClass, kPanel, 0, 0, 200, 120);
        ASSERT_NE(w, nullptr);
        p = static_cast<TContanerAnim*>(FindControlObject(w, kContanerAnimClass));
        ASSERT_NE(p, nullptr);
        ClearCommands();
    }
    void TearDown() override {
        if (w) DestroyWindow(w);
        RealMove(Parent(), 650, 450);
    }
    HWND Glass(int id, int x, int y) {
        return CreateWindowExA(0, kControlGlassClass, "", WS_CHILD | WS_VISIBLE, x, y, 84, 84, w,
                               reinterpret_cast<HMENU>(INT_PTR(id)), gUiInstance, nullptr);
    }
    static int MeanDifference(const Snapshot& a, const Snapshot& b) {
        long sum = 0;
        for (size_t i = 0; i < a.bgr.size(); ++i) sum += std::abs(int(a.bgr[i]) - int(b.bgr[i]));
        return int(sum * 100 / long(a.bgr.size()));  // hundredths of a level
    }
    HWND w = nullptr;
    TContanerAnim* p = nullptr;
};
}  // namespace

TEST_F(AnimFixture, SpotsMoveFromFrameToFrameOverTheGrey) {
    EXPECT_EQ(p->spotCount, 10);
    EXPECT_EQ(p->spotSize, 64);
    StartContanerAnim(p, 6, 32, {}, 0);
    ASSERT_TRUE(p->running);
    Pump(120);
    const Snapshot a = Snap(w);
    Pump(110);
    const Snapshot b = Snap(w);
    const int diff = MeanDifference(a, b);
    EXPECT_GT(diff, 0) << "the spots move";
    EXPECT_LT(diff, 2000) << "a few pixels a frame, not a new picture";
    int grey = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) grey += a.At(x, y) == RGB(192, 192, 192);
    EXPECT_GT(grey, 200 * 120 / 4) << "the panel stays grey between the spots";
}

TEST_F(AnimFixture, RefractionEffectReadsItsMapsFromTheModule) {
    EXPECT_FALSE(SetContanerAnimEffect(p, 1, 4242, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF)) << "a missing map";
    ASSERT_TRUE(SetContanerAnimEffect(p, 1, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF));
    EXPECT_EQ(p->maps.width, 84);
    StartContanerAnim(p, 4, 32, {}, 0);
    Pump(120);
    const Snapshot s = Snap(w);
    EXPECT_NE(s.At(42, 8), RGB(192, 192, 192)) << "the lens brightens its top";
    EXPECT_TRUE(SetContanerAnimEffect(p, 2, 0, 0, 0)) << "scatter needs no maps";
}

TEST_F(AnimFixture, GlassControlsJoinThePanelUpTo25AndForwardTheirCommands) {
    std::vector<HWND> glass;
    for (int i = 0; i < 26; ++i) glass.push_back(Glass(kGlass + i, 0, 0));
    EXPECT_EQ(p->children.size(), 25u) << "a 26th child is ignored";
    DestroyWindow(glass[3]);
    EXPECT_EQ(p->children.size(), 24u) << "a destroyed control leaves the list";

    auto* g = static_cast<TControlGlass*>(FindControlObject(glass[0], kControlGlassClass));
    Click(glass[0], 10, 10);
    Pump(20);
    EXPECT_EQ(CountCommands(kGlass, 0), 1) << "through the panel to its parent";
    g->buttonMode = 2;
    Press(glass[0], 10, 10);
    Release(glass[0], 10, 10);
    Press(glass[0], 10, 10);
    Release(glass[0], 10, 10);
    EXPECT_EQ(CountCommands(kGlass, 0), 2) << "a latch reports its first press only";
    EXPECT_TRUE(g->pressed);
    g->buttonMode = 1;
    Click(glass[0], 10, 10);
    EXPECT_FALSE(g->pressed) << "a toggle flips";
}

TEST_F(AnimFixture, HoveredGlassGlowsOnThePanelAndShowsItThroughItself) {
    HWND gw = Glass(kGlass, 60, 20);
    auto* g = static_cast<TControlGlass*>(FindControlObject(gw, kControlGlassClass));
    ASSERT_TRUE(LoadControlGlassSkin(g, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF));
    EXPECT_FALSE(LoadControlGlassSkin(g, IDB_GLASS_BRIGHTNESS, 4242, IDB_GLASS_RELIEF));
    ASSERT_TRUE(LoadControlGlassSkin(g, IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF));
    StartContanerAnim(p, 0, 32, {}, 1);
    EXPECT_EQ(g->x, 60);
    Pump(80);
    const Snapshot before = Snap(gw);
    EXPECT_EQ(before.At(0, 0), RGB(192, 192, 192)) << "clear glass outside its disc";

    RealMove(gw, 42, 42);
    EXPECT_EQ(HotGlassControl(), g);
    EXPECT_TRUE(g->glow.visible);
    Pump(120);
    const Snapshot lit = Snap(gw);
    const int green = GetGValue(lit.At(60, 30)) - GetGValue(before.At(60, 30));
    const int red = GetRValue(lit.At(60, 30)) - GetRValue(before.At(60, 30));
    EXPECT_GT(green, 15) << "the glow shows through the glass";
    EXPECT_GT(green, 4 * red) << "and it is green";

    RealMove(w, 5, 110);
    EXPECT_EQ(HotGlassControl(), nullptr);
    EXPECT_FALSE(g->glow.visible);
}

TEST_F(AnimFixture, DestroyedWhileAnimatingLeavesNoTimer) {
    StartContanerAnim(p, 5, 32, {}, 0);
    Pump(60);
    ASSERT_TRUE(p->running) << "the frame timer runs";
    EXPECT_FALSE(DestroyLeavesTimer(w, 1)) << "the panel's WM_DESTROY left its frame timer set";
    w = nullptr;
    Pump(120);  // and no frame reaches the freed panel
}

TEST(SharedSkins, LoadedOnceFromTheModuleInEitherVariant) {
    EXPECT_FALSE(LoadSharedSkins(IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, 4242, false)) << "a missing relief";
    EXPECT_EQ(SharedSkinMaps(), nullptr);
    ASSERT_TRUE(LoadSharedSkins(IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF, false));
    const RefractionMaps* m = SharedSkinMaps();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->width, 84);
    EXPECT_TRUE(LoadSharedSkins(IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF, true));
    EXPECT_EQ(SharedSkinMaps(), m) << "loaded once";
    FreeSharedSkins();
    ASSERT_TRUE(LoadSharedSkins(IDB_GLASS_BRIGHTNESS, IDB_GLASS_FACE_MASK, IDB_GLASS_RELIEF, true));
    EXPECT_NE(SharedSkinMaps()->dx[size_t(42) * 84 + 20], 0.0f);
    FreeSharedSkins();
}
