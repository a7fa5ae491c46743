// The glass slider: its skins from the module, the drag and the outside
// values, the glow's animation and its "Set value" dialog.
#include <gtest/gtest.h>

#include "AnimatedWidgets.h"
#include "DialogScript.h"
#include "RigSupport.h"

using namespace frostel::widgets;
using namespace rig;

namespace {
constexpr int kGlass = 820;

struct GlassFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(LoadGlassSkins());
        w = Child(kGlassSliderClass, kGlass, 10, 10, 84, 84);
        ASSERT_NE(w, nullptr);
        g = static_cast<TGlassSlider*>(FindControlObject(w, kGlassSliderClass));
        ASSERT_NE(g, nullptr);
        g->outValue = &value;
        g->outElevation = &elevation;
        ClearCommands();
    }
    void TearDown() override {
        if (w) DestroyWindow(w);
    }
    HWND w = nullptr;
    TGlassSlider* g = nullptr;
    float value = -1.0f, elevation = -1.0f;
};
}  // namespace

TEST(GlassSkins, LoadedFromTheModuleOnceAndReleasedTogether) {
    ASSERT_TRUE(LoadGlassSkins());
    const GlassSkins* s = SharedGlassSkins();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->face.width, 84);
    EXPECT_EQ(s->knob.width, 60);
    EXPECT_EQ(s->marker.width, 18);
    EXPECT_EQ(s->highlight.width, 84);
    EXPECT_EQ(s->face.mask[0], 0) << "the corner is clear";
    EXPECT_GT(s->face.mask[size_t(42) * 84 + 42], 200);
    EXPECT_TRUE(LoadGlassSkins());
    EXPECT_EQ(SharedGlassSkins(), s) << "loaded once";
    FreeGlassSkins();
    EXPECT_EQ(SharedGlassSkins(), nullptr);

    Sprite none;
    EXPECT_FALSE(LoadSkinSprite(gUiInstance, 4242, 4243, &none)) << "a missing resource";
    EXPECT_TRUE(none.empty());
}

TEST_F(GlassFixture, DragTurnsTheKnobAndPostsEachStep) {
    g->SetRange(0.0f, 100.0f);
    Press(w, 42, 0);
    Move(w, 0, 41, MK_LBUTTON);
    Pump(20);
    EXPECT_NEAR(g->knob.angle, 88.6f, 0.5f);
    EXPECT_FLOAT_EQ(value, g->knob.value) << "the outside value follows";
    EXPECT_NEAR(elevation, 0.0f, 3.0f) << "on the rim";
    EXPECT_EQ(CountCommands(kGlass, 0), 2);
    EXPECT_EQ(gCommands.back().lp, 1) << "posted while dragging";
    Release(w, 0, 41);
    EXPECT_EQ(CountCommands(kGlass, 0), 3);
    EXPECT_EQ(gCommands.back().lp, 0);

    g->fireKind = 2;
    Press(w, 42, 43);
    EXPECT_NEAR(elevation, 90.0f, 2.0f) << "the light pad's centre";
    EXPECT_FLOAT_EQ(value, g->knob.angle) << "kind 2 mirrors the angle";
    Release(w, 42, 43);
}

TEST_F(GlassFixture, GlowsWhileHoveredAndStopsItsTimerAfterwards) {
    const Snapshot still = Snap(w);
    EXPECT_NE(still.At(42, 42), kDialogGrey) << "the glass face";
    EXPECT_EQ(still.At(1, 1), kDialogGrey) << "the dialog outside the disc";
    Move(w, 42, 42, 0);
    EXPECT_LT(g->flameLevel, 84) << "the knob's centre does not light it";
    RealMove(w, 42, 6);  // its rim does
    EXPECT_EQ(g->flameLevel, 85);
    ASSERT_TRUE(PumpUntil([&] { return g->glow.glow >= 1.0f; }, 2000));
    const Snapshot lit = Snap(w);
    int brighter = 0;
    for (int y = 0; y < 84; ++y)
        for (int x = 0; x < 84; ++x) brighter += GetGValue(lit.At(x, y)) > GetGValue(still.At(x, y));
    EXPECT_GT(brighter, 200) << "the highlight glows";

    RealMove(w, 200, 42);
    ASSERT_TRUE(PumpUntil([&] { return g->flameLevel == 0; }, 2000));
    Pump(40);
    EXPECT_FALSE(g->timerRunning);

    RealMove(w, 42, 6);
    EXPECT_GT(g->flameLevel, 0);
    SendMessageA(w, WM_SHOWWINDOW, FALSE, 0);
    EXPECT_EQ(g->flameLevel, 0) << "hidden: no glow";
    RealMove(w, 200, 42);
}

TEST_F(GlassFixture, SetValueDialogTakesValueAndRange) {
    g->SetRange(0.0f, 100.0f);
    g->outerLow = 0.0f;
    g->outerHigh = 500.0f;
    g->knob.integer = true;
    g->SetValue(30.0f);
    std::string type, unused;
    RunWithDialog([&] { SendMessageA(w, WM_RBUTTONDOWN, 0, 0); },
                  [&](HWND dlg) {
                      type = ItemText(dlg, 15904);
                      unused = ItemText(dlg, 15903);
                      EXPECT_EQ(ItemText(dlg, 15905), "0 ... 500");
                      Enter(dlg, 15909, "200");
                      Enter(dlg, 15906, "150");
                      SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
                  });
    EXPECT_EQ(type, "Integer Slider");
    EXPECT_EQ(unused, "Not Used");
    EXPECT_FLOAT_EQ(g->knob.rangeHigh, 200.0f);
    EXPECT_FLOAT_EQ(g->knob.value, 150.0f);
    EXPECT_FLOAT_EQ(value, 150.0f);
    Pump(30);
    EXPECT_EQ(CountCommands(kGlass, 0), 1);
}

TEST_F(GlassFixture, StillFaceIsReusedUntilWhatItShowsChanges) {
    const Snapshot first = Snap(w);
    const int rendered = g->framesRendered;
    const Snapshot again = Snap(w);
    EXPECT_EQ(g->framesRendered, rendered) << "nothing changed: the kept frame";
    EXPECT_EQ(again.bgr, first.bgr);

    // Changed without asking for a redraw: the kept frame is stale and not used.
    g->knob.angle += 90.0f;
    const Snapshot turned = Snap(w);
    EXPECT_EQ(g->framesRendered, rendered + 1);
    EXPECT_NE(turned.bgr, first.bgr) << "the mark moved";
    g->knob.angle -= 90.0f;
    EXPECT_EQ(Snap(w).bgr, first.bgr);

    const int before = g->framesRendered;
    g->Redraw();
    EXPECT_EQ(g->framesRendered, before + 1) << "a redraw asked for draws again";
    MoveWindow(w, 10, 10, 60, 60, TRUE);
    const Snapshot smaller = Snap(w);
    EXPECT_EQ(smaller.width, 60);
    EXPECT_GT(g->framesRendered, before + 1) << "a new size draws again";
}
