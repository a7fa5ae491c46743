// The effect end to end through the test host: natively against the
// plug-in's entry and under Wine against the built module. Parameters are
// set by key after the parameters selector, as the command line's --set does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FilterEntry.h"
#include "FilterParameters.h"
#include "HostSim.h"
#include "ImageIO.h"
#include "ProtocolSupport.h"
#include "WorkPath.h"

using namespace frostel;
using namespace frostel::hostsim;

namespace {

// A dusky gradient with one bright disc: the disc's rim is the only
// brightness contour.
Document Scenery(int32_t w, int32_t h, int16_t mode = pi::plugInModeRGBColor, int16_t planes = 3) {
    Document doc = Document::Blank(w, h, mode, planes);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &doc.pixels[(size_t(y) * w + x) * planes];
            const bool disc = std::hypot(x - w * 0.35, y - h * 0.45) < h * 0.25;
            p[0] = disc ? 240 : uint8_t(20 + 40 * x / w);
            p[1] = disc ? 235 : uint8_t(40 + 50 * y / h);
            p[2] = disc ? 220 : 90;
            for (int c = 3; c < planes; ++c) p[c] = 255;
        }
    return doc;
}

struct Outcome {
    bool ok = false;
    std::string message;
    std::vector<uint8_t> pixels;
};

Outcome RunWith(Document doc, const std::vector<std::string>& settings, Options o = {},
            const WorkPath* path = nullptr) {
    Host host(FilterEntry(), o);
    host.SetDocument(std::move(doc));
    if (path != nullptr) ServePaths(host, path);
    protocoltest::SetParameters(host, settings);
    const RunResult rr = host.RunFilter(true);
    EXPECT_EQ(host.OutstandingLocks(), 0);
    EXPECT_EQ(host.Misuses(), 0);
    return {rr.ok, rr.message, host.document().pixels};
}

// The share of pixels that differ between two images of the same size.
double Changed(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int planes) {
    if (a.size() != b.size() || a.empty()) return 1.0;
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += planes) n += std::memcmp(&a[i], &b[i], size_t(planes)) != 0;
    return double(n) / double(a.size() / planes);
}

constexpr int32_t kW = 120, kH = 80;

}  // namespace

TEST(Effect, TheSameSeedGrowsTheSameImageAndTheNextSeedAnother) {
    const Document doc = Scenery(kW, kH);
    const Outcome a = RunWith(doc, {});
    const Outcome b = RunWith(doc, {});
    const Outcome c = RunWith(doc, {"RndS=1"});
    ASSERT_TRUE(a.ok && b.ok && c.ok) << a.message << b.message << c.message;
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_GT(Changed(a.pixels, doc.pixels, 3), 0.05);  // factory values draw a good deal
    EXPECT_GT(Changed(a.pixels, c.pixels, 3), 0.01);
}

TEST(Effect, WithoutGrowthOnlyTheBackgroundIsDrawn) {
    const Document doc = Scenery(kW, kH);
    // MinInterval 0 grows nothing along the emitter; an effect kind other
    // than geometric, floral or single grows nothing at all.
    for (const auto& settings : {std::vector<std::string>{"Comp=0", "CmDs=0"}, {"Lngh=0"}, {"MnIn=0"},
                                 {"MnIn=0", "EfKn=1"}, {"EfKn=0"}, {"EfKn=4"}}) {
        SCOPED_TRACE(settings.front() + (settings.size() > 1 ? " " + settings[1] : ""));
        const Outcome o = RunWith(doc, settings);
        ASSERT_TRUE(o.ok) << o.message;
        EXPECT_EQ(o.pixels, doc.pixels);
    }
}

// Values a script or preset can carry past the dialog's ranges do what they
// say: one iteration is the first fan alone, a scale of 300 is not one of 200.
TEST(Effect, ValuesBeyondTheDialogsRangesKeepTheirMeaning) {
    const Document doc = Scenery(kW, kH);
    const Outcome one = RunWith(doc, {"EfKn=1", "MxIt=1"}), two = RunWith(doc, {"EfKn=1", "MxIt=2"});
    ASSERT_TRUE(one.ok && two.ok);
    EXPECT_GT(Changed(one.pixels, doc.pixels, 3), 0.02);
    EXPECT_GT(Changed(one.pixels, two.pixels, 3), 0.01);
    const Outcome small = RunWith(doc, {"Scle=200"}), large = RunWith(doc, {"Scle=300"});
    ASSERT_TRUE(small.ok && large.ok);
    EXPECT_GT(Changed(large.pixels, small.pixels, 3), 0.02);
}

TEST(Effect, EveryRenderModeDrawsItsOwnLook) {
    const Document doc = Scenery(kW, kH);
    std::vector<std::vector<uint8_t>> looks;
    for (int mode = 1; mode <= 7; ++mode) {
        SCOPED_TRACE("RenderMode " + std::to_string(mode));
        const Outcome o = RunWith(doc, {"RndM=" + std::to_string(mode)});
        ASSERT_TRUE(o.ok) << o.message;
        EXPECT_GT(Changed(o.pixels, doc.pixels, 3), 0.02);
        for (const auto& other : looks) EXPECT_NE(o.pixels, other);
        looks.push_back(o.pixels);
    }
    // 0, 8 and above draw as Phong (5); 300 is 44 in the byte.
    for (const char* other : {"RndM=0", "RndM=8", "RndM=200", "RndM=300"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(RunWith(doc, {other}).pixels, looks[4]);
    }
}

// The triangle budget does not follow the image: a figure of about 585,000
// triangles is whole on a small document as on a large one, so it covers
// about the same share of both.
TEST(Effect, AFigureIsWholeAtEverySize) {
    if (!kRunsTheModule) GTEST_SKIP() << "sizes that take long with sanitizers";
    const std::vector<std::string> dense = {"EfKn=1", "MnIn=10"};
    const Outcome small = RunWith(Scenery(640, 400), dense);
    const Outcome large = RunWith(Scenery(1600, 1000), dense);
    ASSERT_TRUE(small.ok && large.ok);
    const double a = Changed(small.pixels, Scenery(640, 400).pixels, 3);
    const double b = Changed(large.pixels, Scenery(1600, 1000).pixels, 3);
    EXPECT_GT(a, 0.2);
    EXPECT_NEAR(a / b, 1.0, 0.2) << a << " at 640 x 400, " << b << " at 1600 x 1000";
}

// A Geometric figure along a star's outline grows more than 250,000
// triangles whatever the star's size: it fills every arm, as a Floral one
// does, and is not cut short partway along the outline's trace.
TEST(Effect, AFigureAlongAStarFillsEveryArm) {
    constexpr int32_t w = 200, h = 125;
    constexpr double cx = w / 2.0, cy = h * 0.525, outer = h * 0.475, inner = outer * 0.385;
    constexpr double kPi = 3.14159265358979323846;
    Document doc = Scenery(w, h);
    doc.mask.assign(size_t(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Even-odd test against the ten corners, the first arm pointing up.
            bool in = false;
            for (int i = 0, j = 9; i < 10; j = i++) {
                const double ai = -kPi / 2 + i * kPi / 5, aj = -kPi / 2 + j * kPi / 5;
                const double ri = i % 2 ? inner : outer, rj = j % 2 ? inner : outer;
                const double xi = cx + ri * std::cos(ai), yi = cy + ri * std::sin(ai);
                const double xj = cx + rj * std::cos(aj), yj = cy + rj * std::sin(aj);
                if ((yi > y + 0.5) != (yj > y + 0.5) && x + 0.5 < (xj - xi) * (y + 0.5 - yi) / (yj - yi) + xi)
                    in = !in;
            }
            doc.mask[size_t(y) * w + x] = in ? 255 : 0;
        }
    const std::vector<std::vector<std::string>> figures = {
        {"EfKn=1", "PtrK=1", "GrwD=1"}, {"EfKn=1", "PtrK=1", "GrwD=2"}, {"EfKn=1", "PtrK=1", "GrwD=8"},
        {"EfKn=2", "GrwD=1"}};
    for (const auto& settings : figures) {
        SCOPED_TRACE(settings[0] + " " + settings.back());
        std::vector<std::string> all = settings;
        all.push_back("EmTp=1");
        const Outcome o = RunWith(doc, all);
        ASSERT_TRUE(o.ok) << o.message;
        for (int arm = 0; arm < 5; ++arm) {
            // Halfway out along the arm, a 9 x 9 window inside it.
            const double a = -kPi / 2 + arm * 2 * kPi / 5;
            const int ax = int(cx + 0.6 * outer * std::cos(a)), ay = int(cy + 0.6 * outer * std::sin(a));
            int changed = 0, total = 0;
            for (int y = ay - 4; y <= ay + 4; ++y)
                for (int x = ax - 4; x <= ax + 4; ++x) {
                    const size_t i = (size_t(y) * w + x) * 3;
                    ++total;
                    changed += std::memcmp(&o.pixels[i], &doc.pixels[i], 3) != 0;
                }
            // A Floral figure is lace: a share of its pixels, an arm left out none.
            EXPECT_GT(changed, settings[0] == "EfKn=1" ? total / 2 : total / 8)
                << "arm " << arm << " at " << ax << "," << ay;
        }
    }
}

TEST(Effect, AlphaCutDrawsOnTheBackgroundColourOrOnTransparency) {
    const std::vector<std::string> cut = {"AlpC=1", "BkCl=0x30A020", "Comp=0", "CmDs=0"};
    {
        const Outcome o = RunWith(Scenery(kW, kH), cut);
        ASSERT_TRUE(o.ok) << o.message;
        for (size_t i = 0; i < o.pixels.size(); i += 3)
            ASSERT_TRUE(o.pixels[i] == 0x20 && o.pixels[i + 1] == 0xA0 && o.pixels[i + 2] == 0x30) << i;
    }
    {
        // A transparency plane: the scene is drawn onto transparent black.
        const Outcome o = RunWith(Scenery(kW, kH, pi::plugInModeRGBColor, 4), cut);
        ASSERT_TRUE(o.ok) << o.message;
        EXPECT_TRUE(std::all_of(o.pixels.begin(), o.pixels.end(), [](uint8_t v) { return v == 0; }));
    }
    for (int16_t planes : {int16_t(4), int16_t(5)}) {
        SCOPED_TRACE(std::to_string(planes) + " CMYK planes");
        const Outcome o = RunWith(Scenery(kW, kH, pi::plugInModeCMYKColor, planes), cut);
        ASSERT_TRUE(o.ok) << o.message;
        // One colour everywhere; the fifth plane (transparency) fully clear.
        for (size_t i = 0; i < o.pixels.size(); i += planes) {
            ASSERT_EQ(std::memcmp(&o.pixels[i], &o.pixels[0], 4), 0) << i;
            if (planes == 5) {
                ASSERT_EQ(o.pixels[i + 4], 0) << i;
            }
        }
        if (planes == 4) {
            EXPECT_NE(std::memcmp(&o.pixels[0], "\0\0\0\0", 4), 0);
        }
    }
    // With growth, the crystals are drawn over the colour.
    const Outcome grown = RunWith(Scenery(kW, kH), {"AlpC=1", "BkCl=0x30A020"});
    size_t background = 0;
    for (size_t i = 0; i < grown.pixels.size(); i += 3)
        background += grown.pixels[i] == 0x20 && grown.pixels[i + 1] == 0xA0 && grown.pixels[i + 2] == 0x30;
    EXPECT_GT(background, 0u);
    EXPECT_LT(background, grown.pixels.size() / 3);
}

TEST(Effect, APictureOfManyMegabytesComesBackWholeWhereNothingIsDrawn) {
    // Large enough for the source copy and the work buffer to be written in
    // several bands on several threads.
    constexpr int32_t w = 1100, h = 900;
    const std::vector<std::string> none = {"Comp=0", "CmDs=0"};
    for (int16_t planes : {int16_t(3), int16_t(4)}) {
        Document doc = Document::Blank(w, h, pi::plugInModeRGBColor, planes);
        for (size_t i = 0; i < doc.pixels.size(); ++i) doc.pixels[i] = uint8_t(i * 2654435761u >> 13);
        const Outcome same = RunWith(doc, none);
        ASSERT_TRUE(same.ok) << same.message;
        EXPECT_TRUE(same.pixels == doc.pixels) << planes << " planes";
        std::vector<std::string> cut = none;
        cut.insert(cut.end(), {"AlpC=1", "BkCl=0x30A020"});
        const Outcome filled = RunWith(doc, cut);
        ASSERT_TRUE(filled.ok) << filled.message;
        // Over the colour, or (with a transparency plane) onto transparent black.
        const uint8_t want[4] = {uint8_t(planes == 3 ? 0x20 : 0), uint8_t(planes == 3 ? 0xA0 : 0),
                                 uint8_t(planes == 3 ? 0x30 : 0), 0};
        for (size_t i = 0; i < filled.pixels.size(); i += planes)
            ASSERT_EQ(std::memcmp(&filled.pixels[i], want, size_t(planes)), 0)
                << planes << " planes, pixel " << i / planes;
    }
}

TEST(Effect, EveryEmitterGrowsBranches) {
    const Document doc = Scenery(kW, kH);
    std::vector<std::vector<uint8_t>> figures;
    for (int kind = 1; kind <= 6; ++kind) {
        SCOPED_TRACE("MaskKind " + std::to_string(kind));
        const Outcome o = RunWith(doc, {"EmTp=2", "MskK=" + std::to_string(kind)});
        ASSERT_TRUE(o.ok) << o.message;
        EXPECT_GT(Changed(o.pixels, doc.pixels, 3), 0.02);
        for (const auto& other : figures) EXPECT_NE(o.pixels, other);
        figures.push_back(o.pixels);
    }

    // Brightness contours: the branches grow around the disc only.
    const Outcome contours = RunWith(doc, {"EmTp=1", "Lngh=6"});
    ASSERT_TRUE(contours.ok) << contours.message;
    EXPECT_GT(Changed(contours.pixels, doc.pixels, 3), 0.01);
    EXPECT_EQ(std::memcmp(&contours.pixels[(size_t(kH - 2) * kW + kW - 3) * 3],
                          &doc.pixels[(size_t(kH - 2) * kW + kW - 3) * 3], 3), 0);  // far corner untouched

    // The selection's contours: an ellipse on the right, away from the disc.
    // (The filter rectangle is the selection's bounds, so a rectangle would
    // have no contour inside it.)
    Document selected = doc;
    selected.mask.assign(size_t(kW) * kH, 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (std::hypot((x - 85) / 30.0, (y - 40) / 25.0) < 1) selected.mask[size_t(y) * kW + x] = 255;
    const Outcome selection = RunWith(selected, {"EmTp=1"});
    ASSERT_TRUE(selection.ok) << selection.message;
    EXPECT_GT(Changed(selection.pixels, doc.pixels, 3), 0.01);
    EXPECT_NE(selection.pixels, contours.pixels);

    // The work path, chosen by the automatic type when there is one.
    WorkPath path;
    std::string error;
    ASSERT_TRUE(ParseWorkPath("open\nknot 10 70\nknot 60 20\nknot 110 70\n", path, error)) << error;
    const Outcome onPath = RunWith(doc, {"EmTp=0"}, {}, &path);
    ASSERT_TRUE(onPath.ok) << onPath.message;
    EXPECT_GT(Changed(onPath.pixels, doc.pixels, 3), 0.01);
    EXPECT_EQ(RunWith(doc, {"EmTp=3"}, {}, &path).pixels, onPath.pixels);
    // Without a path both become the contours.
    EXPECT_EQ(RunWith(doc, {"EmTp=0", "Lngh=6"}).pixels, contours.pixels);

    // The single figure needs no emitter.
    for (int pattern = 1; pattern <= 4; ++pattern) {
        SCOPED_TRACE("PatternKind " + std::to_string(pattern));
        const Outcome o = RunWith(doc, {"EfKn=3", "Lngh=30", "PtrK=" + std::to_string(pattern)});
        ASSERT_TRUE(o.ok) << o.message;
        EXPECT_GT(Changed(o.pixels, doc.pixels, 3), 0.005);
    }
}

TEST(Effect, HostileParametersFinishInBoundedTimeWithASaneImage) {
    const Document doc = Scenery(kW, kH);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Host host(FilterEntry(), Options{});
        host.SetDocument(doc);
        // Written straight into the record, past any sanitiser of the host.
        host.SetParametersHook([&](uint8_t* record, size_t) {
            auto& p = *reinterpret_cast<FilterParameters*>(record);
            p.MxIt = 1000000000u;
            p.MxTr = round == 0 ? 0u : 4000000000u;
            p.MxT1 = 4000000000u;
            p.RndM = 200, p.EfKn = uint8_t(round == 2 ? 3 : 0), p.MskK = 99, p.PtrK = 77, p.GrwD = 250;
            p.EmTp = 9;
            for (float* f : {&p.Wdth, &p.Lngh, &p.Comp, &p.CmDs, &p.MnIn, &p.Scle, &p.Rfrc, &p.LgAl, &p.Turn})
                *f = round == 1 ? inf : nan;
            p.Dspr = -inf, p.InDp = 1e30f, p.BmpP = -1e30f, p.CtnX = inf, p.CtnY = -inf;
        }, kParametersHandleSize);
        const RunResult rr = host.RunFilter(true);
        ASSERT_TRUE(rr.ok) << rr.message;
        EXPECT_EQ(host.document().pixels.size(), doc.pixels.size());
    }
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
}

TEST(Effect, DrawsInAHostWithOnlyTheFilterRecordsBasics) {
    Options o;
    o.basicSuite = false;
    o.bigDocument = false;
    o.colorServices = false;
    o.progress = false;
    const Document doc = Scenery(kW, kH);
    const Outcome bare = RunWith(doc, {}, o);  // no descriptor, property or suite services either
    ASSERT_TRUE(bare.ok) << bare.message;
    EXPECT_EQ(bare.pixels, RunWith(doc, {}).pixels);
    EXPECT_GT(Changed(bare.pixels, doc.pixels, 3), 0.05);
}

// Small reference pictures of whole runs, compared with a tolerance: the C
// runtimes differ in the last bits of the maths functions.
// FROSTEL_WRITE_GOLDEN=1 writes them anew (look at them before committing).
TEST(Effect, GoldenPictures) {
    struct Case {
        const char* name;
        std::vector<std::string> settings;
    };
    const Case cases[] = {
        {"effect-defaults", {}},
        {"effect-perimeter-wire", {"MskK=4", "EfKn=1", "RndM=3", "RndS=5"}},
        {"effect-figure-flat", {"EfKn=3", "PtrK=3", "Lngh=40", "RndM=4", "UsGl=0"}},
        {"effect-contours-cut", {"EmTp=1", "AlpC=1", "BkCl=0x402010", "Lngh=8"}},
        // The curved mode shades each pixel once, here through bump and glass.
        {"effect-curved", {"RndM=7", "EfKn=3", "PtrK=3", "Lngh=40"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = RunWith(Scenery(kW, kH), c.settings);
        ASSERT_TRUE(o.ok) << o.message;
        const Image8 picture{kW, kH, 3, o.pixels};
        const std::string path = std::string(FROSTEL_EFFECT_GOLDEN_DIR) + "/" + c.name + ".png";
        std::string error;
        if (std::getenv("FROSTEL_WRITE_GOLDEN") != nullptr) {
            std::vector<uint8_t> file;
            ASSERT_TRUE(EncodePng(picture, file, error)) << error;
            ASSERT_TRUE(WriteFileBytes(path, file));
            continue;
        }
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadFileBytes(path, file)) << path;
        Image8 golden;
        ASSERT_TRUE(DecodePng(file, 3, golden, error)) << error;
        ASSERT_EQ(golden.pixels.size(), picture.pixels.size());
        size_t off = 0;
        double sum = 0;
        for (size_t i = 0; i < golden.pixels.size(); ++i) {
            const int d = std::abs(int(golden.pixels[i]) - int(picture.pixels[i]));
            off += d > 24;
            sum += d;
        }
        EXPECT_LT(double(off) / double(golden.pixels.size()), 0.01);
        EXPECT_LT(sum / double(golden.pixels.size()), 2.0);
    }
}
