// The test host's layered documents: the flattened input, the description,
// the strictness of its channel reads and the scripting answers.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "HarnessMain.h"
#include "HostSim.h"
#include "ImageIO.h"
#include "Layers.h"
#include "TestFilter.h"

using namespace frostel::hostsim;

namespace {

LayerImage Flat(const std::string& name, int planes, uint8_t value, int w, int h, int alpha = -1) {
    LayerImage l;
    l.name = name;
    l.pixels.assign(size_t(w * h * planes), value);
    if (alpha >= 0) l.transparency.assign(size_t(w * h), uint8_t(alpha));
    return l;
}

LayeredDocument TwoByTwo() {
    LayeredDocument d;
    d.width = 2;
    d.height = 2;
    d.layers.push_back(Flat("Base", 3, 200, 2, 2));
    d.layers.push_back(Flat("Half", 3, 0, 2, 2, 128));
    d.layers.push_back(Flat("Gone", 3, 90, 2, 2));
    d.layers.back().visible = false;
    return d;
}

}  // namespace

TEST(LayeredDocumentTest, FlattensTheVisibleLayersOver) {
    const LayeredDocument d = TwoByTwo();
    ASSERT_EQ(d.Check(), "");
    const Document flat = d.Flatten();
    EXPECT_EQ(flat.planes, 3);  // an opaque bottom layer: no transparency plane
    // 0 over 200 at 128/255: 200 x 127/255 = 99.6.
    EXPECT_EQ(flat.pixels[0], 100);

    LayeredDocument open = d;
    open.layers[0].transparency.assign(4, 0);  // a bottom that shows nothing
    const Document f2 = open.Flatten();
    ASSERT_EQ(f2.planes, 4);
    EXPECT_EQ(f2.pixels[0], 0);    // only the half layer shows, black
    EXPECT_EQ(f2.pixels[3], 128);  // at its own opacity

    LayeredDocument bad = d;
    bad.layers[1].pixels.pop_back();
    EXPECT_NE(bad.Check(), "");
    bad = d;
    bad.target = 3;
    EXPECT_NE(bad.Check(), "");
}

class LayerServiceTest : public ::testing::Test {
protected:
    static void Entry(int16_t selector, void* record, intptr_t*, int16_t* result) {
        *result = 0;
        if (selector == pi::filterSelectorStart && gBody) gBody(*static_cast<pi::FilterRecord*>(record));
    }
    static inline std::function<void(pi::FilterRecord&)> gBody;
    void TearDown() override { gBody = nullptr; }
};

TEST_F(LayerServiceTest, DescribesTheLayersAndRefusesReadsOutsideAChannel) {
    Host host(&Entry);
    LayerServiceOptions o;
    o.floatCoord = {1, -2};
    LayerService service(host, TwoByTwo(), o);
    gBody = [&](pi::FilterRecord& fr) {
        const pi::ReadImageDocumentDesc* doc = fr.documentInfo;
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->maxVersion, 2);
        const pi::ReadLayerDesc* base = doc->layersDescriptor;
        ASSERT_NE(base, nullptr);
        EXPECT_STREQ(base->name, "Base");
        EXPECT_EQ(base->transparency, nullptr);
        ASSERT_NE(base->next, nullptr);
        EXPECT_NE(base->next->transparency, nullptr);
        EXPECT_EQ(doc->targetCompositeChannels, base->next->next->compositeChannelsList);  // the top one
        EXPECT_EQ(fr.floatCoord.v, 1);
        EXPECT_EQ(fr.bigDocumentData->floatCoord32.h, -2);

        uint8_t out[4] = {};
        pi::PixelMemoryDesc mem{out, 8, 16, 0, 8};  // 2 x 2, column-major
        const pi::VRect all{0, 0, 2, 2};
        pi::PSScaling same{all, all};
        pi::VRect wrote{};
        ASSERT_EQ(fr.channelPortProcs->readPixelsProc(base->compositeChannelsList->port, &same, &all, &mem, &wrote), 0);
        EXPECT_EQ(out[3], 200);
        const pi::VRect beyond{0, 0, 3, 2};
        pi::PSScaling over{beyond, beyond};
        EXPECT_EQ(fr.channelPortProcs->readPixelsProc(base->compositeChannelsList->port, &over, &beyond, &mem, &wrote),
                  kReadRefusedErr);
        pi::PixelMemoryDesc deep{out, 16, 32, 0, 16};
        EXPECT_EQ(fr.channelPortProcs->readPixelsProc(base->compositeChannelsList->port, &same, &all, &deep, &wrote),
                  kReadRefusedErr);
    };
    ASSERT_EQ(host.CallSelector(pi::filterSelectorStart), 0);
    EXPECT_EQ(service.RefusedReads(), 2);
    EXPECT_EQ(host.log().Count("readPixels"), 3u);
}

TEST_F(LayerServiceTest, TheControlSuiteAnswersVisibilityAndNames) {
    Host host(&Entry);
    LayerService service(host, TwoByTwo());
    ActionSuites& actions = *service.actions();
    auto ask = [&](std::vector<ActionReferencePart> parts, ActionDescriptorData& out) {
        const pi::PIActionReference r = actions.NewReference();
        actions.Reference(r)->parts = std::move(parts);
        pi::PIActionDescriptor d = nullptr;
        const pi::OSErr err = actions.Get(&d, r);
        actions.FreeReference(r);
        if (d) {
            out = *actions.Descriptor(d);
            actions.FreeDescriptor(d);
        }
        return err;
    };
    auto prop = [](const char (&key)[5]) {
        ActionReferencePart p;
        p.form = pi::FourCC("prop");
        p.desiredClass = pi::FourCC("Prpr");
        p.value = pi::FourCC(key);
        return p;
    };
    ActionReferencePart byName;
    byName.form = pi::FourCC("name");
    byName.desiredClass = pi::FourCC("Lyr ");
    byName.name = "Gone";
    ActionReferencePart target;
    target.form = pi::FourCC("Enmr");
    target.desiredClass = pi::FourCC("Lyr ");
    target.type = pi::FourCC("Ordn");
    target.value = pi::FourCC("Trgt");

    ActionDescriptorData answer;
    ASSERT_EQ(ask({prop("Vsbl"), byName}, answer), 0);
    ASSERT_NE(answer.Find(pi::FourCC("Vsbl")), nullptr);
    EXPECT_FALSE(answer.Find(pi::FourCC("Vsbl"))->boolean);
    EXPECT_EQ(answer.Find(pi::FourCC("Nm  ")), nullptr);
    ASSERT_EQ(ask({prop("Nm  "), target}, answer), 0);
    EXPECT_EQ(answer.Find(pi::FourCC("Nm  "))->text, "Gone");
    byName.name = "Nobody";
    EXPECT_EQ(ask({prop("Vsbl"), byName}, answer), kActionKeyMissing);
    EXPECT_EQ(ask({prop("Opct"), target}, answer), kActionKeyMissing);
    EXPECT_EQ(actions.LiveDescriptors(), 0);
}

TEST(HarnessLayerArgsTest, ReadsTheLayerOptions) {
    const ParsedArgs p = ParseHarnessArgs({"f.8bf", "in.png", "out.png", "--layer",
                                           "dir/glow.png,name=Glow,hidden,transparency=t.png", "--layer", "b.png",
                                           "--target", "1", "--doc-versions", "0,3", "--float-offset", "2,-3",
                                           "--no-channel-ports", "--no-channel-ports-suite", "--no-layer-list",
                                           "--alpha-channel", "a.png", "--target-alpha"});
    ASSERT_TRUE(p.ok) << p.error;
    const LayerArgs& l = p.args.layers;
    EXPECT_TRUE(l.any);
    ASSERT_EQ(l.layers.size(), 2u);
    EXPECT_EQ(l.layers[0].path, "dir/glow.png");
    EXPECT_EQ(l.layers[0].name, "Glow");
    EXPECT_TRUE(l.layers[0].hidden);
    EXPECT_EQ(l.layers[0].transparency, "t.png");
    EXPECT_EQ(l.layers[1].name, "b");  // from the file name
    EXPECT_EQ(l.target, 1);
    EXPECT_EQ(l.options.maxVersion, 3);
    EXPECT_EQ(l.options.floatCoord.v, 2);
    EXPECT_EQ(l.options.floatCoord.h, -3);
    EXPECT_FALSE(l.options.channelPortProcs);
    EXPECT_FALSE(l.options.channelPortsSuite);
    EXPECT_FALSE(l.options.layerList);
    EXPECT_EQ(l.alphaChannel, "a.png");
    EXPECT_TRUE(l.targetAlpha);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"f.8bf", "in.png", "out.png", "--layer", ",hidden"},
             {"f.8bf", "in.png", "out.png", "--layer", "x.png,shiny"},
             {"f.8bf", "in.png", "out.png", "--doc-versions", "3"},
             {"f.8bf", "in.png", "out.png", "--float-offset", "1,x"},
             {"f.8bf", "in.png", "out.png", "--target", "-1"},
             {"f.8bf", "--about", "--layer", "x.png"}}) {
        EXPECT_FALSE(ParseHarnessArgs(bad).ok) << ::testing::PrintToString(bad);
    }
    EXPECT_NE(HarnessUsage().find("--layer PNG"), std::string::npos);
}

TEST(HarnessLayerRunTest, TheFilterSeesTheCompositeOfTheVisibleLayers) {
    testfilter::Reset();
    const std::string dir = ::testing::TempDir() + "harness_layers_";
    auto write = [&](const std::string& name, int channels, std::function<uint8_t(int, int, int)> f) {
        Image8 img;
        img.width = 4;
        img.height = 3;
        img.channels = channels;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                for (int c = 0; c < channels; ++c) img.pixels.push_back(f(c, x, y));
        std::vector<uint8_t> png;
        std::string error;
        EXPECT_TRUE(EncodePng(img, png, error)) << error;
        EXPECT_TRUE(WriteFileBytes(dir + name, png));
        return dir + name;
    };
    const std::string in = write("in.png", 3, [](int c, int x, int) { return uint8_t(10 * c + 40 * x); });
    const std::string top = write("top.png", 4, [](int c, int, int y) { return uint8_t(c == 3 ? (y == 0 ? 255 : 0) : 250); });
    const std::string hidden = write("hidden.png", 3, [](int, int, int) { return uint8_t(7); });
    const std::string out = dir + "out.png";
    const ParsedArgs p = ParseHarnessArgs({"t.8bf", in, out, "--layer", hidden + ",hidden", "--layer", top});
    ASSERT_TRUE(p.ok) << p.error;
    std::ostringstream o, e;
    ASSERT_EQ(RunHarness(p.args, &testfilter::Entry, StandardFileAccess(), o, e), kExitOk) << e.str();
    const std::vector<uint8_t>& seen = testfilter::gObserved.in;
    ASSERT_EQ(seen.size(), size_t(4 * 3 * 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(seen[size_t((y * 4 + x) * 3 + c)], y == 0 ? 250 : 10 * c + 40 * x) << x << "," << y;

    const ParsedArgs missing = ParseHarnessArgs({"t.8bf", in, out, "--layer", dir + "nothing.png"});
    std::ostringstream o2, e2;
    EXPECT_EQ(RunHarness(missing.args, &testfilter::Entry, StandardFileAccess(), o2, e2), kExitFiles);
    EXPECT_NE(e2.str().find("cannot read"), std::string::npos);
}
