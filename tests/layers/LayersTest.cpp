// Reading the document's layers through the test host: natively under the
// sanitizers, and as a Windows program under Wine (page memory from the
// system's virtual-memory allocator there).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DocumentLayers.h"
#include "HostSim.h"
#include "HostSuites.h"
#include "HostUtil.h"
#include "Layers.h"
#include "PageMemory.h"
#include "Plugin.h"

namespace frostel {
namespace {

using hostsim::Host;
using hostsim::LayeredDocument;
using hostsim::LayerImage;
using hostsim::LayerService;
using hostsim::LayerServiceOptions;

constexpr int32_t kW = 13, kH = 11;  // odd, and columns long enough for the vector blend

// What runs inside the start selector, with the module's globals set.
std::function<void()> gBody;

void Entry(int16_t selector, void* record, intptr_t*, int16_t* result) {
    *result = 0;
    if (selector != pi::filterSelectorStart || !gBody) return;
    gFilterRecord = static_cast<pi::FilterRecord*>(record);
    gBasicSuite = gFilterRecord->sSPBasic;
    gResult = result;
    gBody();
    gFilterRecord = nullptr;
    gBasicSuite = nullptr;
    gResult = nullptr;
}

// A layer whose sample of plane k at (x, y) is f(k, x, y).
LayerImage MakeLayer(const std::string& name, int planes, std::function<int(int, int, int)> f,
                     std::function<int(int, int)> transparency = nullptr, bool visible = true) {
    LayerImage l;
    l.name = name;
    l.visible = visible;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int k = 0; k < planes; ++k) l.pixels.push_back(uint8_t(f(k, x, y)));
    if (transparency)
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) l.transparency.push_back(uint8_t(transparency(x, y)));
    return l;
}

int At(const CPlanarImage* img, int c, int x, int y) { return *img->Sample(c, x, y); }

class LayersTest : public ::testing::Test {
protected:
    void Serve(LayeredDocument doc, LayerServiceOptions options = {}) {
        doc.width = kW;
        doc.height = kH;
        ASSERT_EQ(doc.Check(), "");
        host_ = std::make_unique<Host>(&Entry);
        service_ = std::make_unique<LayerService>(*host_, std::move(doc), options);
    }
    // ReadTargetDocumentLayers in a start selector; its result.
    int16_t Read() {
        gBody = [] { ReadTargetDocumentLayers(); };
        return host_->CallSelector(pi::filterSelectorStart);
    }
    int16_t Run(std::function<void()> body) {
        gBody = std::move(body);
        return host_->CallSelector(pi::filterSelectorStart);
    }
    int Reads(const std::string& via) const {
        int n = 0;
        for (const auto& e : host_->log().Find("readPixels"))
            if (e.Arg("via") == "\"" + via + "\"" && e.result == 0) ++n;
        return n;
    }
    void TearDown() override {
        if (host_) {
            // Holders are the module's statics: hand them back to this host.
            gBasicSuite = host_->record().sSPBasic;
            ReleaseSuiteHolders();
            gBasicSuite = nullptr;
            if (service_ && service_->actions()) {
                EXPECT_EQ(service_->actions()->LiveDescriptors(), 0);
                EXPECT_EQ(service_->actions()->LiveReferences(), 0);
                EXPECT_EQ(service_->actions()->Misuses(), 0);
            }
            EXPECT_EQ(service_ ? service_->RefusedReads() : 0, 0);
            for (const auto& [suite, balance] : host_->SuiteBalances()) EXPECT_EQ(balance, 0) << suite;
        }
        FreeLayerBuffers();
        gBody = nullptr;
        service_.reset();
        host_.reset();
    }

    std::unique_ptr<Host> host_;
    std::unique_ptr<LayerService> service_;
};

auto Pattern(int seed) {
    return [seed](int k, int x, int y) { return (seed * 53 + k * 71 + x * 19 + y * 7 + x * y * 3) & 255; };
}
auto Ramp(int seed) {
    return [seed](int x, int y) { return (seed * 40 + x * 23 + y * 17) % 256; };
}

// The composite the walk should build: each visible layer below the target
// blended over the ones before it through its transparency (truncating),
// alpha the running maximum; an opaque layer replaces what is below.
struct Reference {
    std::vector<int> colour, alpha;
    int planes;
    explicit Reference(int p) : colour(size_t(kW * kH * p), 0), alpha(size_t(kW * kH), 0), planes(p) {}
    void Over(const LayerImage& l) {
        for (int i = 0; i < kW * kH; ++i) {
            const int m = l.transparency.empty() ? 255 : l.transparency[size_t(i)];
            for (int k = 0; k < planes; ++k) {
                int& d = colour[size_t(i * planes + k)];
                const int s = l.pixels[size_t(i * planes + k)];
                d = l.transparency.empty() ? s : d + (s - d) * m / 255;
            }
            alpha[size_t(i)] = std::max(alpha[size_t(i)], m);
        }
    }
};

void ExpectBelow(const Reference& ref, bool withAlpha) {
    const CPlanarImage* below = gBelowLayersBuffer.get();
    ASSERT_NE(below, nullptr);
    ASSERT_EQ(below->Channels(), ref.planes + (withAlpha ? 1 : 0));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            for (int k = 0; k < ref.planes; ++k)
                ASSERT_EQ(At(below, k, x, y), ref.colour[size_t((y * kW + x) * ref.planes + k)])
                    << "plane " << k << " at " << x << "," << y;
            if (withAlpha) {
                ASSERT_EQ(At(below, ref.planes, x, y), ref.alpha[size_t(y * kW + x)]) << x << "," << y;
            }
        }
}

void ExpectAllZero(const CPlanarImage* img) {
    ASSERT_NE(img, nullptr);
    const uint8_t* d = img->DataNoAlloc();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(std::all_of(d, d + img->StorageBytes(), [](uint8_t v) { return v == 0; }));
}

// ---- The walk --------------------------------------------------------------------

TEST_F(LayersTest, ASingleBackgroundTargetLeavesNothingBelow) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Background", 3, Pattern(1)));
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    ExpectAllZero(gBelowLayersBuffer.get());
    const CPlanarImage* target = gLayerBuffer.get();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->Channels(), 3);  // no transparency in the document, no alpha plane
    EXPECT_EQ(target->Rect(), (PlaneRect{0, 0, kW, kH}));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int k = 0; k < 3; ++k) ASSERT_EQ(At(target, k, x, y), Pattern(1)(k, x, y));
}

TEST_F(LayersTest, ThreeLayersComposeBelowTheTargetWithTransparency) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1), Ramp(1)));  // no background: the document has alpha
    doc.layers.push_back(MakeLayer("Glow", 3, Pattern(2), Ramp(2)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3), Ramp(3)));
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    Reference ref(3);
    ref.Over(doc.layers[0]);
    ref.Over(doc.layers[1]);
    ExpectBelow(ref, true);
    const CPlanarImage* target = gLayerBuffer.get();
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(target->Channels(), 4);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            for (int k = 0; k < 3; ++k) ASSERT_EQ(At(target, k, x, y), Pattern(3)(k, x, y));
            ASSERT_EQ(At(target, 3, x, y), Ramp(3)(x, y));  // the transparency is its alpha
        }
    EXPECT_GT(Reads("suite"), 0);
    EXPECT_EQ(Reads("procs"), 0);
}

TEST_F(LayersTest, AnOpaqueLayerBelowReplacesAndMakesAlphaFull) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1), Ramp(1)));
    doc.layers.push_back(MakeLayer("Solid", 3, Pattern(2)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    Reference ref(3);
    ref.Over(doc.layers[0]);
    ref.Over(doc.layers[1]);
    ExpectBelow(ref, true);
    EXPECT_EQ(At(gLayerBuffer.get(), 3, 5, 5), 255);  // a target without transparency is opaque
}

TEST_F(LayersTest, AHiddenLayerBelowContributesNothing) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1), Ramp(1)));
    doc.layers.push_back(MakeLayer("Hidden", 3, Pattern(2), nullptr, false));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3), Ramp(3)));
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    Reference ref(3);
    ref.Over(doc.layers[0]);
    ExpectBelow(ref, true);
    for (const auto& e : host_->log().Find("readPixels")) EXPECT_EQ(e.Arg("port").find("Hidden"), std::string::npos);
}

TEST_F(LayersTest, TwoLayersWithTheTargetsName) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1), Ramp(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(2), Ramp(2)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3), Ramp(3)));  // the target
    {
        // The host's target lists share the layer's ports: the real target is found.
        Serve(doc);
        ASSERT_EQ(Read(), 0);
        Reference ref(3);
        ref.Over(doc.layers[0]);
        ref.Over(doc.layers[1]);
        ExpectBelow(ref, true);
        EXPECT_EQ(At(gLayerBuffer.get(), 0, 4, 4), Pattern(3)(0, 4, 4));
        TearDown();
    }
    // Ports of their own: only the name is left, and the lower layer is taken.
    LayerServiceOptions separate;
    separate.separateTargetPorts = true;
    Serve(doc, separate);
    ASSERT_EQ(Read(), 0);
    Reference ref(3);
    ref.Over(doc.layers[0]);
    ExpectBelow(ref, true);
    EXPECT_EQ(At(gLayerBuffer.get(), 0, 4, 4), Pattern(2)(0, 4, 4));
}

TEST_F(LayersTest, NoLayerListOrAnUnsupportedDescriptionSkipsTheWalk) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1), Ramp(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    for (int variant = 0; variant < 3; ++variant) {
        LayerServiceOptions o;
        if (variant == 0) o.layerList = false;
        if (variant == 1) o.minVersion = 3, o.maxVersion = 4;
        if (variant == 2) o.documentInfo = false;
        Serve(doc, o);
        // A target buffer from before stays as it is.
        gLayerBuffer = std::make_unique<CPlanarImage>(kModeRGB, PlaneRect{0, 0, 1, 1}, 1, 8, 0, 0);
        const CPlanarImage* before = gLayerBuffer.get();
        ASSERT_EQ(Read(), 0) << variant;
        EXPECT_EQ(gLayerBuffer.get(), before) << variant;
        ExpectAllZero(gBelowLayersBuffer.get());
        EXPECT_EQ(host_->log().Count("readPixels"), 0u) << variant;
        TearDown();
    }
}

TEST_F(LayersTest, TheFloatingOffsetMovesTheWholeReadAndIsClipped) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(4)));
    for (const pi::VPoint offset : {pi::VPoint{2, -3}, pi::VPoint{-4, 5}}) {
        LayerServiceOptions o;
        o.floatCoord = offset;
        Serve(doc, o);
        ASSERT_EQ(Read(), 0);
        const CPlanarImage* target = gLayerBuffer.get();
        ASSERT_NE(target, nullptr);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int sx = x + offset.h, sy = y + offset.v;
                const bool inside = sx >= 0 && sx < kW && sy >= 0 && sy < kH;
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(At(target, k, x, y), inside ? Pattern(4)(k, sx, sy) : 0) << x << "," << y;
            }
        TearDown();  // also checks that no read went outside a channel
    }
}

TEST_F(LayersTest, CmykLayersKeepTheirBlack) {
    LayeredDocument doc;
    doc.mode = pi::plugInModeCMYKColor;
    doc.layers.push_back(MakeLayer("Base", 4, Pattern(1), Ramp(1)));
    doc.layers.push_back(MakeLayer("Ink", 4, Pattern(2), Ramp(2)));
    doc.layers.push_back(MakeLayer("Frost", 4, Pattern(3)));
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    Reference ref(4);
    ref.Over(doc.layers[0]);
    ref.Over(doc.layers[1]);
    ExpectBelow(ref, true);  // black blended like the inks, alpha in plane 4
    const CPlanarImage* target = gLayerBuffer.get();
    ASSERT_EQ(target->Channels(), 5);
    EXPECT_EQ(target->AlphaPlane(), 4);
    EXPECT_EQ(At(target, 3, 6, 2), Pattern(3)(3, 6, 2));
    EXPECT_EQ(At(target, 4, 6, 2), 255);
}

TEST_F(LayersTest, CmykWithoutTransparencyHasNoAlphaToClamp) {
    LayeredDocument doc;
    doc.mode = pi::plugInModeCMYKColor;
    doc.layers.push_back(MakeLayer("Background", 4, Pattern(5)));
    doc.layers.push_back(MakeLayer("Frost", 4, Pattern(6)));
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    Reference ref(4);
    ref.Over(doc.layers[0]);
    ExpectBelow(ref, false);
    ASSERT_EQ(gLayerBuffer->Channels(), 4);
    for (int x = 0; x < kW; ++x) ASSERT_EQ(At(gLayerBuffer.get(), 3, x, 1), Pattern(6)(3, x, 1));
}

TEST_F(LayersTest, AnAlphaChannelTargetReadsOnePlanePerLayer) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Background", 3, Pattern(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(2)));
    doc.alphaChannel.assign(size_t(kW * kH), 77);
    doc.targetIsAlpha = true;
    Serve(doc);
    ASSERT_EQ(Read(), 0);
    ASSERT_EQ(gBelowLayersBuffer->Channels(), 1);
    EXPECT_EQ(At(gBelowLayersBuffer.get(), 0, 3, 3), Pattern(1)(0, 3, 3));
    EXPECT_EQ(At(gLayerBuffer.get(), 0, 3, 3), Pattern(2)(0, 3, 3));
    EXPECT_EQ(Reads("suite"), 2);  // one plane of each layer
}

// ---- Missing and failing services -----------------------------------------------------

TEST_F(LayersTest, WithoutTheChannelPortsSuiteTheCallbacksRead) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1), Ramp(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3), Ramp(3)));
    LayerServiceOptions o;
    o.channelPortsSuite = false;
    o.floatCoord = {1, 1};
    Serve(doc, o);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(Reads("suite"), 0);
    EXPECT_GT(Reads("procs"), 0);
    EXPECT_EQ(At(gLayerBuffer.get(), 2, 0, 0), Pattern(3)(2, 1, 1));
    EXPECT_EQ(At(gLayerBuffer.get(), 2, kW - 1, kH - 1), 0);
}

TEST_F(LayersTest, WithNeitherPortsNorCallbacksTheHostIsInsufficient) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    LayerServiceOptions o;
    o.channelPortsSuite = false;
    o.channelPortProcs = false;
    Serve(doc, o);
    EXPECT_EQ(Read(), pi::errPlugInHostInsufficient);
    EXPECT_EQ(gLayerBuffer, nullptr);
    ExpectAllZero(gBelowLayersBuffer.get());
}

TEST_F(LayersTest, WithoutTheScriptingSuitesThereIsNoTargetName) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    LayerServiceOptions o;
    o.actionSuites = false;
    Serve(doc, o);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(gLayerBuffer, nullptr);
    ExpectAllZero(gBelowLayersBuffer.get());
    Run([] {
        EXPECT_EQ(GetTargetLayerName(), nullptr);
        pi::PIActionDescriptor d = reinterpret_cast<pi::PIActionDescriptor>(1);
        EXPECT_EQ(GetLayerProperty(pi::FourCC("Vsbl"), "Base", &d), pi::errPlugInHostInsufficient);
        EXPECT_EQ(d, nullptr);
    });
}

// Each of the three scripting suites alone is enough to lose the target's
// name: the walk is skipped, nothing is read, and what was acquired goes back.
TEST_F(LayersTest, AnyOneScriptingSuiteMissingSkipsTheWalk) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    for (const char* suite : {pi::kPSActionDescriptorSuite, pi::kPSActionReferenceSuite, pi::kPSActionControlSuite}) {
        Serve(doc);
        for (int32_t v = 1; v <= 3; ++v) host_->UnregisterSuite(suite, v);
        ASSERT_EQ(Read(), 0) << suite;
        EXPECT_EQ(gLayerBuffer, nullptr) << suite;
        ExpectAllZero(gBelowLayersBuffer.get());
        EXPECT_EQ(host_->log().Count("readPixels"), 0u) << suite;
        Run([] {
            EXPECT_EQ(GetTargetLayerName(), nullptr);
            EXPECT_FALSE(IsLayerVisible(gFilterRecord->documentInfo->layersDescriptor));
        });
        TearDown();
    }
    // Without a description the count is the record's planes.
    LayerServiceOptions none;
    none.documentInfo = false;
    Serve(doc, none);
    Run([] { EXPECT_EQ(CountCompositeChannels(gFilterRecord), gFilterRecord->planes); });
}

TEST_F(LayersTest, UnreadablePortsAndFailedReadsEndTheWalk) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1)));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    LayerServiceOptions unreadable;
    unreadable.unreadablePorts = true;
    Serve(doc, unreadable);
    EXPECT_EQ(Read(), pi::errPlugInHostInsufficient);
    EXPECT_EQ(gLayerBuffer, nullptr);
    ExpectAllZero(gBelowLayersBuffer.get());
    TearDown();

    for (int failAt : {2, 5}) {  // in the layer below; in the target
        LayerServiceOptions failing;
        failing.failReadAt = failAt;
        Serve(doc, failing);
        EXPECT_EQ(Read(), hostsim::kReadFaultErr) << failAt;
        EXPECT_EQ(gLayerBuffer, nullptr);
        if (failAt == 2) {
            ExpectAllZero(gBelowLayersBuffer.get());  // a layer that failed is not composited
        } else {
            Reference ref(3);
            ref.Over(doc.layers[0]);
            ExpectBelow(ref, false);
        }
        TearDown();
    }
}

TEST_F(LayersTest, WithoutMemoryTheBuffersAreNotMade) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    Serve(doc);
    const int64_t live = GetPageMemoryStats().live;
    FailPageAllocationAfter(1);
    EXPECT_EQ(Read(), pi::memFullErr);
    FailPageAllocationAfter(0);
    EXPECT_EQ(gBelowLayersBuffer, nullptr);
    EXPECT_EQ(gLayerBuffer, nullptr);
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

// ---- The family's other operations ---------------------------------------------------

TEST_F(LayersTest, PropertiesByNameAndTheTargetsName) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Base", 3, Pattern(1)));
    doc.layers.push_back(MakeLayer("Hidden", 3, Pattern(2), nullptr, false));
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(3)));
    doc.target = 1;
    Serve(doc);
    Run([] {
        std::unique_ptr<char[]> name = GetTargetLayerName();
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(name.get(), "Hidden");
        const pi::ReadLayerDesc* layers = gFilterRecord->documentInfo->layersDescriptor;
        EXPECT_TRUE(IsLayerVisible(layers));
        EXPECT_FALSE(IsLayerVisible(layers->next));
        pi::ReadLayerDesc unknown{};
        unknown.name = "Nowhere";
        EXPECT_FALSE(IsLayerVisible(&unknown));
        EXPECT_EQ(FindTargetLayer(gFilterRecord->documentInfo, name.get()), layers->next);
        EXPECT_EQ(CountCompositeChannels(gFilterRecord), 3);
        EXPECT_EQ(LayerBufferChannels(gFilterRecord), 3);
    });
}

TEST_F(LayersTest, ScaledReadAndTheInputCopies) {
    LayeredDocument doc;
    doc.layers.push_back(MakeLayer("Frost", 3, Pattern(7)));
    for (bool suite : {true, false}) {
        LayerServiceOptions o;
        o.channelPortsSuite = suite;
        Serve(doc, o);
        ASSERT_EQ(Run([] {
            // The whole layer scaled into the top-left 7 x 6 of a buffer.
            CPlanarImage img(kModeRGB, PlaneRect{0, 0, kW, kH}, 3, 8, 0, 0);
            ReadScaledLayerPixels(gFilterRecord->documentInfo->targetCompositeChannels, &img, {0, 0, 6, 7});
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 7; ++x) ASSERT_EQ(At(&img, 1, x, y), Pattern(7)(1, x * kW / 7, y * kH / 6));
            EXPECT_EQ(At(&img, 1, 7, 0), 0);
            EXPECT_EQ(At(&img, 1, 0, 6), 0);
        }), 0);
        EXPECT_EQ(Reads(suite ? "suiteScaled" : "procs"), 3);
        TearDown();
    }
    Serve(doc);
    EXPECT_EQ(Run([] {
        pi::FilterRecord* fr = gFilterRecord;
        SetInRect(fr, GetFilterRect(fr));
        fr->inLoPlane = 0;
        fr->inHiPlane = 2;
        ASSERT_EQ(fr->advanceState(), 0);
        CPlanarImage all(kModeRGB, PlaneRect{0, 0, kW, kH}, 3, 8, 1, 0);
        ASSERT_TRUE(CopyInputToImage(&all));
        CPlanarImage one(kModeGrayScale, PlaneRect{2, 3, 6, 20}, 1, 8, 0, 0);  // partly outside the input
        ASSERT_TRUE(CopyInputPlaneToImage(&one, 2, 0));
        EXPECT_FALSE(CopyInputPlaneToImage(&one, 3, 0));
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                for (int k = 0; k < 3; ++k) ASSERT_EQ(At(&all, k, x, y), Pattern(7)(k, x, y));
        EXPECT_EQ(At(&all, 0, -1, -1), 0);  // the border stays
        EXPECT_EQ(At(&one, 0, 1, 2), Pattern(7)(2, 3, 5));
        EXPECT_EQ(At(&one, 0, 1, 10), 0);
    }), 0);
}

// ---- Colour through the host ------------------------------------------------------

TEST_F(LayersTest, BuffersConvertColoursThroughTheHostsColourServices) {
    LayeredDocument doc;
    doc.mode = pi::plugInModeCMYKColor;
    doc.layers.push_back(MakeLayer("Frost", 4, Pattern(1)));
    Serve(doc);
    CPlanarImage outside(kModeCMYK, PlaneRect{0, 0, 2, 2}, 5, 8, 0, 0);
    EXPECT_FALSE(outside.FillColor(Rgb16{0xFF00, 0, 0}));  // no host call, no colour services
    ASSERT_EQ(Run([] {
        CPlanarImage cmyk(kModeCMYK, PlaneRect{0, 0, 3, 2}, 5, 8, 0, 0);
        ASSERT_TRUE(cmyk.FillColor(Rgb16{0xFF00, 0x3300, 0}));
        // The test host's model, in plane values (255 = no ink): black is the
        // brightest component, each ink 255 less the distance below it.
        EXPECT_EQ(At(&cmyk, 0, 2, 1), 255);
        EXPECT_EQ(At(&cmyk, 1, 2, 1), 0x33);
        EXPECT_EQ(At(&cmyk, 2, 2, 1), 0);
        EXPECT_EQ(At(&cmyk, 3, 2, 1), 255);
        EXPECT_EQ(At(&cmyk, 4, 2, 1), 0);  // alpha untouched

        std::unique_ptr<CPlanarImage> rgb = std::make_unique<CPlanarImage>(kModeRGB, PlaneRect{0, 0, 2, 1}, 3, 8, 0, 0);
        ASSERT_NE(rgb->Data(), nullptr);
        *rgb->Sample(0, 1, 0) = 200;
        *rgb->Sample(1, 1, 0) = 100;
        ASSERT_TRUE(CPlanarImage::ConvertMode(rgb, kModeCMYK));
        ASSERT_EQ(rgb->Channels(), 4);
        EXPECT_EQ(At(rgb.get(), 0, 1, 0), 255);
        EXPECT_EQ(At(rgb.get(), 1, 1, 0), 155);
        EXPECT_EQ(At(rgb.get(), 2, 1, 0), 55);
        EXPECT_EQ(At(rgb.get(), 3, 1, 0), 200);
        EXPECT_EQ(At(rgb.get(), 3, 0, 0), 0);  // black: all the ink there is
        EXPECT_EQ(At(rgb.get(), 0, 0, 0), 255);
    }), 0);
    EXPECT_GT(host_->CallCount("colorServices"), 0);
}

}  // namespace
}  // namespace frostel
