// The dialog's decisions without windows: screen bands, layout, zoom steps,
// the effect-kind table and enabling rules, the spin tables, centre input,
// the cancel snapshot, module folders, placement and the navigator picture.
#include "DialogLogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace frostel;
using namespace frostel::dialog;

TEST(DialogBands, MarginAndMinimumSizeFollowTheDpiBands) {
    struct Band {
        int dpi, margin, w, h;
    };
    for (const Band& b : {Band{96, 0, 990, 703}, Band{72, 15, 990, 703}, Band{119, 15, 990, 703},
                          Band{120, 20, 1160, 828}, Band{143, 20, 1160, 828}, Band{144, 30, 1390, 985},
                          Band{215, 30, 1390, 985}, Band{216, 40, 1400, 1000}, Band{288, 40, 1400, 1000}}) {
        EXPECT_EQ(PreviewMarginForDpi(b.dpi), b.margin) << b.dpi;
        EXPECT_EQ(MinimumDialogSize(b.dpi).width, b.w) << b.dpi;
        EXPECT_EQ(MinimumDialogSize(b.dpi).height, b.h) << b.dpi;
    }
    EXPECT_EQ(RotationDialForDpi(96).width, 70);
    EXPECT_EQ(RotationDialForDpi(120).width, 84);
    EXPECT_EQ(RotationDialForDpi(144).height, 8);
    EXPECT_EQ(RotationDialForDpi(240).width, 136);
    for (int dpi : {96, 120, 144, 216})
        EXPECT_LT(RotationFieldWidth(RotationDialForDpi(dpi).width), RotationDialForDpi(dpi).width) << dpi;
}

TEST(DialogBands, FontsScaleBySquareRootOrLinearly) {
    EXPECT_EQ(ScaledFontHeight(13, 96, false), 13);
    EXPECT_EQ(ScaledFontHeight(13, 72, false), 13);   // never below 96
    EXPECT_EQ(ScaledFontHeight(13, 144, false), 15);  // 13 * 1.2247 = 15.9, truncated
    EXPECT_EQ(ScaledFontHeight(14, 192, false), 19);  // 14 * 1.4142 = 19.8
    EXPECT_EQ(ScaledFontHeight(13, 144, true), 19);   // 13 * 1.5 = 19.5
    EXPECT_EQ(ScaledFontHeight(13, 72, true), 9);     // 13 * 0.75 = 9.75
}

TEST(DialogLayoutTest, PreviewWidthRoundsUpToFourAndButtonsCentreUnderIt) {
    // Client 990 wide, preview from x 12, pages 285 wide: right = 990 - 285 - 21 = 684.
    const DialogLayout l = ComputeLayout(990, 665, 12, 55, 285, 15, true);
    EXPECT_EQ(l.previewRight, 684);
    EXPECT_EQ(l.previewWidth, 672);
    EXPECT_EQ(l.preview.x, 17);
    EXPECT_EQ(l.preview.h, 665 - 79 - 55);
    EXPECT_EQ(l.tabs.x, 700);
    EXPECT_EQ(l.tabs.h, 606);
    EXPECT_EQ(l.page.h, 665 - 64 - 15 - 1);
    const int c = 12 + (684 - 12) / 2;
    EXPECT_EQ(l.ok.x, c + 91);
    EXPECT_EQ(l.cancel.x, c - 180);
    EXPECT_EQ(l.zoomIn.x, c + 28);
    EXPECT_EQ(l.zoomOut.x, c - 57);
    EXPECT_EQ(l.scaleText.x, c - 26);
    EXPECT_EQ(l.progress.w, 2 * 336 - 48);
    EXPECT_EQ(l.headerRight.x, 891);
    EXPECT_EQ(l.headerFillWidth, 419);
    // A preview 401 wide becomes 404; 404 stays.
    EXPECT_EQ(ComputeLayout(401 + 100 + 21, 600, 0, 50, 100, 15, true).previewWidth, 404);
    EXPECT_EQ(ComputeLayout(404 + 100 + 21, 600, 0, 50, 100, 15, true).previewWidth, 404);
    EXPECT_EQ(RoundUpToFour(401), 404);
    EXPECT_EQ(RoundUpToFour(-3), 0);
}

TEST(DialogLayoutTest, TinyOrMinimisedSizesNeverGoNegative) {
    for (int w : {0, 10, 300}) {
        const DialogLayout l = ComputeLayout(w, 0, 12, 55, 285, 15, true);
        for (const Box& b : {l.preview, l.tabs, l.page, l.progress, l.navigator}) {
            EXPECT_GE(b.w, 0) << w;
            EXPECT_GE(b.h, 0) << w;
        }
        EXPECT_GE(l.previewWidth, 0);
        EXPECT_GE(l.headerFillWidth, 0);
    }
    // Without a tab control the pages take the whole column.
    const DialogLayout l = ComputeLayout(990, 665, 12, 55, 285, 15, false);
    EXPECT_EQ(l.page.x, l.previewRight + 16);
    EXPECT_EQ(l.page.w, 284);
}

TEST(DialogZoom, StepsClampAndSetBothButtons) {
    ZoomState z{0.0f, 3.0f};  // fit scale 3: levels 0, 1, 2 (2 is 1:1)
    EXPECT_TRUE(ZoomInAllowed(z));
    EXPECT_FALSE(ZoomOutAllowed(z));
    z.level = ZoomAfter(ZoomCommand::In, z);
    EXPECT_EQ(z.level, 1.0f);
    EXPECT_TRUE(ZoomInAllowed(z));
    EXPECT_TRUE(ZoomOutAllowed(z));
    z.level = ZoomAfter(ZoomCommand::In, z);
    z.level = ZoomAfter(ZoomCommand::In, z);
    EXPECT_EQ(z.level, 2.0f) << "zoom in stops at 1:1";
    EXPECT_FALSE(ZoomInAllowed(z));
    z.level = ZoomAfter(ZoomCommand::Out, ZoomState{0.0f, 3.0f});
    EXPECT_EQ(z.level, 0.0f) << "zoom out stops at the whole document";
    // Ctrl+0 from 1:1: the fit view allows "+" again, whatever the old scale was.
    z = ZoomState{ZoomAfter(ZoomCommand::Fit, ZoomState{2.0f, 3.0f}), 3.0f};
    EXPECT_EQ(z.level, 0.0f);
    EXPECT_TRUE(ZoomInAllowed(z));
    EXPECT_FALSE(ZoomOutAllowed(z));
    EXPECT_EQ(ZoomAfter(ZoomCommand::One, z), -1.0f);
    // A document that fits: no zoom either way.
    EXPECT_FALSE(ZoomInAllowed(ZoomState{0.0f, 1.0f}));
    EXPECT_FALSE(ZoomOutAllowed(ZoomState{0.0f, 1.0f}));
}

TEST(DialogZoom, ScaleTextTruncates) {
    EXPECT_EQ(ScaleText(1.0f), "100%");
    EXPECT_EQ(ScaleText(2.0f), "50%");
    EXPECT_EQ(ScaleText(3.0f), "33%");
    EXPECT_EQ(ScaleText(7.0f), "14%");
    EXPECT_EQ(ScaleText(0.0f), "");
    EXPECT_EQ(ScaleText(std::numeric_limits<float>::quiet_NaN()), "");
}

TEST(DialogEffects, FlatIndexRoundTripsAndClampsValuesOutsideTheTable) {
    for (int i = 0; i < kEffectChoices; ++i) {
        uint8_t kind = 0, pattern = 0;
        EffectFromIndex(i, &kind, &pattern);
        EXPECT_EQ(FlatEffectIndex(kind, pattern), i);
    }
    uint8_t kind = 0, pattern = 0;
    EffectFromIndex(4, &kind, &pattern);  // "Floral 2"
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(pattern, 2);
    EffectFromIndex(9, &kind, &pattern);  // "Single 4"
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(pattern, 4);
    EXPECT_EQ(FlatEffectIndex(3, 200), 9);
    EXPECT_EQ(FlatEffectIndex(1, 0), 0);
    EXPECT_EQ(FlatEffectIndex(7, 2), 0);
    EffectFromIndex(-5, &kind, &pattern);
    EXPECT_EQ(kind, 1);
    EffectFromIndex(40, &kind, &pattern);
    EXPECT_EQ(pattern, 4);
}

TEST(DialogEffects, KindTableRowsAndEmitterRules) {
    auto cols = [](int index, int emitter) {
        std::string s;
        for (bool b : KindControls(index, emitter).column) s += b ? '1' : '0';
        return s;
    };
    // With the pattern emitter the rows hold as they are.
    EXPECT_EQ(cols(0, 2), "111111111111000");
    EXPECT_EQ(cols(2, 2), "111111111111000");
    EXPECT_EQ(cols(3, 2), "111111110001100");
    EXPECT_EQ(cols(4, 2), "111111110011100");
    EXPECT_EQ(cols(5, 2), "111111110011100");
    EXPECT_EQ(cols(6, 2), "001010000000100");
    EXPECT_EQ(cols(7, 2), "001010000000100");
    EXPECT_EQ(cols(8, 2), "000000000000111");
    EXPECT_EQ(cols(9, 2), "000000000000111");
    // Other emitters: mask kind off, direction on, the rest unchanged.
    EXPECT_EQ(cols(0, 0), "011111111111000");
    EXPECT_EQ(cols(8, 1), "010000000000111");
    EXPECT_EQ(cols(42, 2), cols(9, 2)) << "an index outside the table reads its last row";
    EXPECT_FALSE(KindControls(5, 2).rotationDial);
    EXPECT_TRUE(KindControls(6, 2).rotationDial);

    const EmitterEnabling single = EmitterControls(9, true);
    EXPECT_FALSE(single.path || single.selection || single.pattern);
    const EmitterEnabling noPath = EmitterControls(0, false);
    EXPECT_FALSE(noPath.path);
    EXPECT_TRUE(noPath.selection && noPath.pattern);
    EXPECT_TRUE(EmitterControls(5, true).path);

    EXPECT_FALSE(BackgroundSwatchEnabled(false, 3, false));
    EXPECT_TRUE(BackgroundSwatchEnabled(true, 3, false));
    EXPECT_FALSE(BackgroundSwatchEnabled(true, 4, false)) << "a layer with transparency";
    EXPECT_TRUE(BackgroundSwatchEnabled(true, 4, true)) << "CMYK's fourth plane is ink";
    EXPECT_FALSE(BackgroundSwatchEnabled(true, 5, true));
}

TEST(DialogSpins, TablesNameRealParametersAndStoreByFieldType) {
    FilterParameters p{};
    ApplyParameterDefaults(p);
    for (const SpinSpec* table : {kGeometrySpins, kMaterialSpins}) {
        const int n = table == kGeometrySpins ? 17 : 9;
        for (int i = 0; i < n; ++i) {
            const SpinSpec& s = table[i];
            ASSERT_NE(FindParameter(s.key), nullptr) << s.name;
            EXPECT_LT(s.lower, s.upper) << s.name;
            EXPECT_LE(s.outerLower, s.lower) << s.name;
            EXPECT_GE(s.outerUpper, s.upper) << s.name;
            if (!s.wide) {
                EXPECT_EQ(s.outerLower, s.lower) << s.name;
                EXPECT_EQ(s.outerUpper, s.upper) << s.name;
            }
            // The reset value is the factory value.
            EXPECT_FLOAT_EQ(SpinParameter(p, s), s.reset) << s.name;
        }
    }
    const SpinSpec& seed = kGeometrySpins[0];
    StoreSpinParameter(p, seed, 41.9f);
    EXPECT_EQ(p.RndS, 41u) << "integer fields take the value truncated";
    StoreSpinParameter(p, seed, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.RndS, 41u);
    StoreSpinParameter(p, kGeometrySpins[8], 37.25f);  // Dispersion
    EXPECT_FLOAT_EQ(p.Dspr, 37.25f);
}

TEST(DialogCentre, TypedInputIsFiniteClampedAndChanged) {
    float v = 0.0f;
    EXPECT_TRUE(TypedCentre("150", 0.0f, &v));
    EXPECT_EQ(v, 100.0f);
    EXPECT_FALSE(TypedCentre("150", 100.0f, &v)) << "the same value again changes nothing";
    EXPECT_TRUE(TypedCentre("-12.5", 0.0f, &v));
    EXPECT_EQ(v, -12.5f);
    v = 7.0f;
    for (const char* bad : {"nan", "-inf", "1e39", "-1e300", "NAN(1)"}) {
        EXPECT_FALSE(TypedCentre(bad, 3.0f, &v)) << bad;
        EXPECT_EQ(v, 7.0f) << bad;
    }
    EXPECT_FALSE(TypedCentre(nullptr, 0.0f, &v));
    EXPECT_TRUE(TypedCentre("abc", 3.0f, &v)) << "text that is no number reads as 0";
    EXPECT_EQ(v, 0.0f);
    // The restored text keeps the fraction.
    EXPECT_EQ(CentreText(12.5f), "12.50");
    float back = 0.0f;
    EXPECT_FALSE(TypedCentre(CentreText(12.5f).c_str(), 12.5f, &back));
}

TEST(DialogSnapshot, CancelRestoresTheParametersButNotPlacementOrCaches) {
    FilterParameters p{};
    ApplyParameterDefaults(p);
    ApplyWindowPlacementDefaults(p);
    const ParameterSnapshot s = TakeSnapshot(p);
    const FilterParameters before = p;
    p.CtnX = 55.5f;
    p.EfKn = 3;
    p.RndS = 77;
    p.BkCl = 0x123456;
    p.Alph = -4.0f;
    p.dialogLeft = 321;
    p.geometryDirty = 0;
    RestoreSnapshot(p, s);
    EXPECT_EQ(p.CtnX, before.CtnX);
    EXPECT_EQ(p.EfKn, before.EfKn);
    EXPECT_EQ(p.RndS, before.RndS);
    EXPECT_EQ(p.BkCl, before.BkCl);
    EXPECT_EQ(p.Alph, before.Alph);
    EXPECT_EQ(p.dialogLeft, 321) << "the placement is the dialog's own";
    EXPECT_EQ(p.geometryDirty, 1) << "the figure is grown again from the restored values";
}

TEST(DialogFolders, FromAnyModuleFileName) {
    for (const char* path : {"C:\\Plug-ins\\Frostel64.8bf", "C:\\Plug-ins\\renamed copy.8bf"}) {
        const ModuleFolders f = FoldersFromModulePath(path);
        EXPECT_EQ(f.moduleDir, "C:\\Plug-ins\\") << path;
        EXPECT_EQ(f.helpFolder, "C:\\Plug-ins\\Frostel\\Help\\") << path;
        EXPECT_EQ(f.presetFolder, "C:\\Plug-ins\\Frostel\\Presets\\") << path;
    }
    EXPECT_EQ(FoldersFromModulePath("D:\\x.8bf").presetFolder, "D:\\Frostel\\Presets\\");
}

namespace {

bool Inside(const Rect& r, const Rect& area) {
    return r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom;
}

std::string Text(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

}  // namespace

TEST(DialogPlacement, AWindowWhollyOnTheScreensKeepsItsPlace) {
    const std::vector<Rect> screens = {{0, 0, 1920, 1040}, {1920, 0, 3840, 1040}};
    const Rect host{100, 100, 1100, 900};
    for (const Rect& r : {Rect{2000, 100, 3000, 900}, Rect{0, 0, 1920, 1040}, Rect{1500, 300, 2600, 1040}}) {
        const Rect got = ChoosePlacement({r.left, r.top, r.right - r.left, r.bottom - r.top}, screens, host, {990, 703});
        EXPECT_EQ(Text(got), Text(r)) << "a window across two monitors is on the screens too";
    }
    // The size grows to the minimum where it stands when that still fits.
    EXPECT_EQ(Text(ChoosePlacement({100, 100, 828, 602}, screens, host, {990, 703})), "100,100,1090,803");
}

TEST(DialogPlacement, TitleBarAndButtonsAlwaysOnAWorkArea) {
    const std::vector<Rect> screen = {{0, 0, 1024, 768}};
    const Rect host{0, 0, 1024, 768};
    const int32_t big = INT32_MAX, small = INT32_MIN;
    struct Case {
        StoredPlacement stored;
        const char* want;
    } cases[] = {
        {{1023, 767, 990, 703}, "34,65,1024,768"},   // one pixel showing: moved in, not kept
        {{-989, -702, 990, 703}, "0,0,990,703"},
        {{10, -690, 990, 703}, "10,0,1000,703"},     // title above the screen
        {{10, 760, 990, 703}, "10,65,1000,768"},
        {{100, 100, 5000, 703}, "0,65,1024,768"},    // wider than the screen: its width
        {{100, 100, 990, 5000}, "34,0,1024,768"},
        {{0, 0, 0, 0}, "17,32,1007,735"},             // no size: the minimum, centred on the host
        {{0, 0, -990, -703}, "17,32,1007,735"},
        {{5000, 5000, 990, 703}, "17,32,1007,735"},   // off every screen: centred on the host
        {{big, big, big, big}, "0,0,1024,768"},       // sums that overflow 32 bits
        {{small, small, big, big}, "0,0,1024,768"},
        {{big - 500, 0, 990, 703}, "17,32,1007,735"},
        {{small, 0, 990, 703}, "17,32,1007,735"},
        {{-32768, -32768, 1036, 780}, "0,0,1024,768"},
    };
    for (const Case& c : cases) {
        const Rect r = ChoosePlacement(c.stored, screen, host, {990, 703});
        const std::string what = std::to_string(c.stored.left) + "," + std::to_string(c.stored.top) + " " +
                                 std::to_string(c.stored.width) + "x" + std::to_string(c.stored.height);
        EXPECT_EQ(Text(r), c.want) << what;
        EXPECT_TRUE(Inside(r, screen[0])) << what;
    }
}

TEST(DialogPlacement, PicksTheScreenItOverlapsMostOrTheOneNearestTheHost) {
    // A taller monitor at the right, a little above the first one.
    const std::vector<Rect> screens = {{0, 0, 1280, 984}, {1280, -200, 2560, 1240}};
    const Rect host{50, 50, 1050, 850};
    // Mostly on the second: pulled onto it.
    Rect r = ChoosePlacement({1200, -300, 1000, 800}, screens, host, {990, 703});
    EXPECT_EQ(Text(r), "1280,-200,2280,600");
    // Mostly on the first.
    r = ChoosePlacement({-100, 900, 1000, 800}, screens, host, {990, 703});
    EXPECT_EQ(Text(r), "0,184,1000,984");
    // Off both, with the host on the second monitor: centred on the host, on that monitor.
    r = ChoosePlacement({9000, 9000, 1000, 800}, screens, {1500, 1000, 2500, 1400}, {990, 703});
    EXPECT_EQ(Text(r), "1500,440,2500,1240");
    // A stored rect in the gap above the first monitor is not on the screens.
    r = ChoosePlacement({100, -150, 1000, 800}, screens, host, {990, 703});
    EXPECT_TRUE(Inside(r, screens[0])) << Text(r);
}

TEST(DialogPlacement, WorkAreasSmallerThanTheMinimumOrMissing) {
    // A small work area: the size is the area's, never more.
    const Rect r = ChoosePlacement({100, 100, 990, 703}, {{0, 0, 800, 570}}, {0, 0, 800, 600}, {990, 703});
    EXPECT_EQ(Text(r), "0,0,800,570");
    // Empty work areas are ignored; with none left the host's window serves.
    EXPECT_EQ(Text(ChoosePlacement({5000, 0, 990, 703}, {{10, 10, 10, 500}}, {0, 0, 1200, 900}, {990, 703})),
              "105,98,1095,801");
    EXPECT_EQ(Text(ChoosePlacement({5, 5, 990, 703}, {}, {0, 0, 0, 0}, {990, 703})), "0,0,990,703");
}

TEST(DialogPlacement, CoverageCountsEveryPixel) {
    const std::vector<Rect> two = {{0, 0, 100, 100}, {100, 20, 200, 80}};
    EXPECT_TRUE(CoveredByAreas({50, 30, 150, 70}, two));
    EXPECT_FALSE(CoveredByAreas({50, 10, 150, 70}, two));  // the corner above the second
    EXPECT_FALSE(CoveredByAreas({0, 0, 101, 100}, {{0, 0, 100, 100}}));
    EXPECT_TRUE(CoveredByAreas({0, 0, 100, 100}, {{0, 0, 60, 100}, {40, 0, 100, 100}}));  // overlapping areas
    EXPECT_FALSE(CoveredByAreas({5, 5, 5, 9}, two));  // empty
}

// The ini file keeps pixels: a window saved at 144 dpi on a big screen, read
// where the work area is smaller, is reduced to fit it.
TEST(DialogPlacement, ASizeLargerThanTheWorkAreaIsReducedToFit) {
    const std::vector<Rect> screen = {{0, 0, 1280, 984}};
    const Rect host{100, 100, 1100, 900};
    const Rect r = ChoosePlacement(StoredPlacement{40, 30, 1390, 985}, screen, host, Size{990, 703});
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 984);
    const Rect f = ChoosePlacement(StoredPlacement{20, 20, 990, 703}, screen, host, Size{990, 703});
    EXPECT_EQ(f.left, 20);
    EXPECT_EQ(f.top, 20);
    EXPECT_EQ(f.right, 20 + 990);
    EXPECT_EQ(f.bottom, 20 + 703);
}

TEST(DialogNavigator, FitsTheBoxInWholeQuadsOverACheckerboard) {
    // 200 x 100, half transparent red at the top left, opaque blue elsewhere.
    std::vector<uint8_t> rgba(200 * 100 * 4);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            uint8_t* p = &rgba[(size_t(y) * 200 + x) * 4];
            const bool corner = x < 50 && y < 50;
            p[0] = corner ? 255 : 0, p[1] = 0, p[2] = corner ? 0 : 255, p[3] = corner ? 0 : 255;
        }
    const NavigatorImage n = ComposeNavigator(rgba.data(), 200, 100, 90, 66);
    EXPECT_FLOAT_EQ(n.scale, 0.45f);
    EXPECT_EQ(n.width, 88);  // 90 down to a multiple of 4
    EXPECT_EQ(n.height, 45);
    const size_t row = (size_t(n.width) * 3 + 3) / 4 * 4;
    ASSERT_EQ(n.bgr.size(), row * size_t(n.height));
    auto at = [&](int x, int y) { return &n.bgr[row * size_t(n.height - 1 - y) + size_t(x) * 3]; };
    EXPECT_EQ(at(0, 0)[0], 255) << "transparent: the light square";
    EXPECT_EQ(at(16, 0)[0], 204) << "the next square is dark";
    EXPECT_EQ(at(16, 16)[0], 255) << "odd rows swap the squares";
    EXPECT_EQ(at(80, 40)[0], 255) << "opaque blue";
    EXPECT_EQ(at(80, 40)[2], 0);
    // Small pictures keep their size; nothing for nothing.
    EXPECT_FLOAT_EQ(ComposeNavigator(rgba.data(), 200, 100, 400, 400).scale, 1.0f);
    EXPECT_EQ(ComposeNavigator(nullptr, 200, 100, 90, 66).width, 0);
    EXPECT_EQ(ComposeNavigator(rgba.data(), 200, 100, 2, 66).width, 0);
}
