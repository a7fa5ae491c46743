#include <gtest/gtest.h>

#include <algorithm>

#include "HostSim.h"
#include "TestFilter.h"

using namespace frostel::hostsim;

namespace {

// A w x h document whose pixel (x, y), plane p holds (x + 3y + 40p) & 0xFF.
Document Ramp(int32_t w, int32_t h, int16_t mode = pi::plugInModeRGBColor, int16_t planes = 3) {
    Document d = Document::Blank(w, h, mode, planes);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int p = 0; p < planes; ++p) d.At(x, y)[p] = uint8_t((x + 3 * y + 40 * p) & 0xFF);
    return d;
}

bool Inverted(const Document& before, const Document& after, int colourPlanes) {
    for (size_t i = 0; i < before.pixels.size(); ++i) {
        const int plane = int(i % size_t(before.planes));
        const uint8_t want = plane < colourPlanes ? uint8_t(255 - before.pixels[i]) : before.pixels[i];
        if (after.pixels[i] != want) return false;
    }
    return true;
}

std::vector<std::string> Selectors(const Host& h) { return h.log().ArgValues("selectorDone", "selector"); }

class HostSimTest : public ::testing::Test {
protected:
    void SetUp() override { testfilter::Reset(); }
};

}  // namespace

TEST_F(HostSimTest, RunsTheProtocolInOrderAndCommitsTheResult) {
    Host host(&testfilter::Entry);
    const Document doc = Ramp(37, 23);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_TRUE(Inverted(doc, host.document(), 3));
    // The filter opted into 32-bit coordinates and emptied only the 16-bit
    // rectangles, so exactly one continue follows start.
    EXPECT_EQ(rr.continueCalls, 1);
    EXPECT_EQ(Selectors(host), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    for (const LogEntry& e : host.log().Find("selectorDone")) EXPECT_EQ(e.result, 0);
    EXPECT_EQ(testfilter::gObserved.filterRect32.bottom, 23);
    EXPECT_EQ(testfilter::gObserved.filterRect32.right, 37);
    EXPECT_EQ(testfilter::gObserved.inRowBytes, 37 * 3);
}

TEST_F(HostSimTest, SixteenBitHostEndsWithoutContinue) {
    Options o;
    o.bigDocument = false;
    Host host(&testfilter::Entry, o);
    const Document doc = Ramp(20, 10);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(rr.continueCalls, 0);
    EXPECT_EQ(host.record().bigDocumentData, nullptr);
    EXPECT_EQ(testfilter::gObserved.filterRect.right, 20);
    EXPECT_TRUE(Inverted(doc, host.document(), 3));
}

TEST_F(HostSimTest, HandlesPersistBetweenRunsAndLocksBalance) {
    Host host(&testfilter::Entry);
    host.SetDocument(Ramp(8, 8));
    ASSERT_TRUE(host.RunFilter(true).ok);
    const pi::Handle params = host.parameterHandle();
    const intptr_t data = host.dataSlot();
    ASSERT_NE(params, nullptr);
    ASSERT_NE(data, 0);
    EXPECT_EQ(host.LiveHandles(), 2);
    EXPECT_EQ(host.OutstandingLocks(), 0);
    EXPECT_EQ(host.CallCount("lockProc"), host.CallCount("unlockProc") - host.UnbalancedUnlocks());
    EXPECT_EQ(host.Misuses(), 0);
    // Like the real filter, continue unlocks handles it never locked.
    EXPECT_EQ(host.UnbalancedUnlocks(), 2);

    host.log().Clear();
    ASSERT_TRUE(host.RunFilter(false).ok);
    EXPECT_EQ(Selectors(host), (std::vector<std::string>{"2", "3", "4", "5"}));
    EXPECT_EQ(host.parameterHandle(), params);
    EXPECT_EQ(host.dataSlot(), data);
    EXPECT_EQ(testfilter::gObserved.parameterValue, 42);  // kept from the parameters selector
    const std::vector<uint8_t> d = host.HandleBytes(reinterpret_cast<pi::Handle>(data));
    ASSERT_EQ(d.size(), 8u);
    EXPECT_EQ(d[0], 2);  // start ran twice on the same data record
    EXPECT_EQ(host.LiveHandles(), 2);
    // The original document is inverted twice.
    EXPECT_EQ(host.document().pixels, Ramp(8, 8).pixels);
}

TEST_F(HostSimTest, TiledRequestsAreServedBeforeEachContinue) {
    for (bool big : {true, false}) {
        testfilter::Reset();
        testfilter::gBehaviour.tiled = true;
        testfilter::gBehaviour.bandRows = 16;
        Options o;
        o.bigDocument = big;
        Host host(&testfilter::Entry, o);
        const Document doc = Ramp(19, 50);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        ASSERT_TRUE(rr.ok) << rr.message;
        EXPECT_EQ(rr.continueCalls, 4) << "bands of 16 rows over 50";
        EXPECT_EQ(host.log().Count("commitOutput"), 4u);
        EXPECT_TRUE(Inverted(doc, host.document(), 3)) << "big document " << big;
    }
}

TEST_F(HostSimTest, SelectionLimitsTheFilterAndBlendsTheResult) {
    Host host(&testfilter::Entry);
    Document doc = Ramp(10, 6);
    doc.mask.assign(60, 0);
    doc.mask[2 * 10 + 3] = 255;  // (3, 2) fully selected
    doc.mask[4 * 10 + 7] = 128;  // (7, 4) half selected
    const Document before = doc;
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_TRUE(testfilter::gObserved.sawMask);
    EXPECT_EQ(testfilter::gObserved.filterRect32.top, 2);
    EXPECT_EQ(testfilter::gObserved.filterRect32.left, 3);
    EXPECT_EQ(testfilter::gObserved.filterRect32.bottom, 5);
    EXPECT_EQ(testfilter::gObserved.filterRect32.right, 8);
    EXPECT_EQ(host.record().filterCase, 2);

    const Document& after = host.document();
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(after.At(3, 2)[p], 255 - before.At(3, 2)[p]);
        const int in = before.At(7, 4)[p], out = 255 - in;
        EXPECT_EQ(after.At(7, 4)[p], (out * 128 + in * 127 + 127) / 255);
        EXPECT_EQ(after.At(4, 2)[p], before.At(4, 2)[p]) << "unselected pixel inside the bounds";
        EXPECT_EQ(after.At(0, 0)[p], before.At(0, 0)[p]);
    }
}

TEST_F(HostSimTest, TheWholeImageIsServedInPlace) {
    // Input and output are the host's own pixels, as a host hands out its
    // tiles: the document itself, and the layer that then becomes it.
    Host host(&testfilter::Entry);
    const Document doc = Ramp(12, 7);
    host.SetDocument(doc);
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_TRUE(Inverted(doc, host.document(), 3));
    EXPECT_EQ(testfilter::gObserved.outData, host.document().pixels.data());
    EXPECT_EQ(testfilter::gObserved.in, doc.pixels);

    // A selection over the whole image blends with the document as it was.
    testfilter::Reset();
    Document masked = doc;
    masked.mask.assign(12 * 7, 0);
    masked.mask.front() = masked.mask.back() = 255;
    masked.mask[3 * 12 + 5] = 100;
    host.SetDocument(masked);
    ASSERT_TRUE(host.RunFilter(false).ok);
    EXPECT_EQ(testfilter::gObserved.inData, host.document().pixels.data());
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(host.document().At(0, 0)[p], 255 - doc.At(0, 0)[p]);
        EXPECT_EQ(host.document().At(11, 6)[p], 255 - doc.At(11, 6)[p]);
        const int in = doc.At(5, 3)[p];
        EXPECT_EQ(host.document().At(5, 3)[p], ((255 - in) * 100 + in * 155 + 127) / 255);
        EXPECT_EQ(host.document().At(6, 3)[p], doc.At(6, 3)[p]) << "unselected";
    }

    // Padded rows are the host's copy, written back when committed.
    testfilter::Reset();
    host.options().rowPadding = 2;
    host.SetDocument(doc);
    ASSERT_TRUE(host.RunFilter(false).ok);
    EXPECT_TRUE(Inverted(doc, host.document(), 3));
    EXPECT_NE(testfilter::gObserved.outData, host.document().pixels.data());
    EXPECT_EQ(testfilter::gObserved.inRowBytes, 12 * 3 + 2);
}

TEST_F(HostSimTest, EmptySelectionIsRefusedWithoutCallingThePlugIn) {
    Host host(&testfilter::Entry);
    Document doc = Ramp(4, 4);
    doc.mask.assign(16, 0);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    EXPECT_FALSE(rr.ok);
    EXPECT_EQ(rr.failedSelector, -1);
    EXPECT_EQ(host.log().Count("selector"), 0u);
}

TEST_F(HostSimTest, CmykWithAlphaKeepsTheAlphaPlane) {
    Host host(&testfilter::Entry);
    const Document doc = Ramp(9, 5, pi::plugInModeCMYKColor, 5);
    host.SetDocument(doc);
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_TRUE(Inverted(doc, host.document(), 4));
    EXPECT_EQ(host.record().imageMode, pi::plugInModeCMYKColor);
    EXPECT_EQ(host.record().planes, 5);
    EXPECT_EQ(host.record().filterCase, 4);
}

TEST_F(HostSimTest, FailuresStopTheRunAndLeaveTheDocument) {
    struct Case {
        const char* name;
        void (*setup)(Options&);
        int16_t selector;
        int16_t result;
    };
    const Case cases[] = {
        {"first new fails", [](Options& o) { o.failNewAt = 1; }, 1, pi::memFullErr},
        {"second new fails", [](Options& o) { o.failNewAt = 2; }, 1, pi::memFullErr},
        {"third lock fails", [](Options& o) { o.failLockAt = 3; }, 2, pi::memFullErr},
        {"parameters dropped", [](Options& o) { o.dropHandle = DropHandle::Parameters; }, 3,
         pi::filterBadParameters},
        {"data dropped", [](Options& o) { o.dropHandle = DropHandle::Data; }, 3, pi::filterBadParameters},
        {"advance refused", [](Options& o) { o.refuseAdvance = true; }, 3, kRefusedErr},
        {"abort", [](Options& o) { o.abortAfter = 0; }, 3, pi::userCanceledErr},
    };
    for (const Case& c : cases) {
        testfilter::Reset();
        Options o;
        c.setup(o);
        Host host(&testfilter::Entry, o);
        const Document doc = Ramp(6, 6);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok) << c.name;
        EXPECT_EQ(rr.failedSelector, c.selector) << c.name;
        EXPECT_EQ(rr.result, c.result) << c.name;
        EXPECT_EQ(host.document().pixels, doc.pixels) << c.name;
        EXPECT_EQ(testfilter::gObserved.calls[5], 0) << c.name << ": finish after a failure";
        EXPECT_EQ(host.log().Count("runFailed"), 1u) << c.name;
        EXPECT_EQ(host.record().inData, nullptr) << c.name;
    }
}

TEST_F(HostSimTest, DroppedHandleIsDisposedNotLeaked) {
    Options o;
    o.dropHandle = DropHandle::Parameters;
    o.dropBefore = pi::filterSelectorPrepare;
    Host host(&testfilter::Entry, o);
    host.SetDocument(Ramp(5, 5));
    // Prepare recreates the lost record, so the run succeeds with defaults.
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_EQ(testfilter::gObserved.parameterValue, 7);
    EXPECT_EQ(host.LiveHandles(), 2);
    EXPECT_EQ(host.CallCount("newProc"), 3);
    ASSERT_EQ(host.log().Count("dropHandle"), 1u);
    EXPECT_EQ(host.log().Find("dropHandle")[0].Arg("handle"), "1");
}

TEST_F(HostSimTest, MisbehavingFilterIsCaught) {
    testfilter::gBehaviour.leakLock = true;
    Options sixteen;
    sixteen.bigDocument = false;  // no continue, whose unlocks would hide the leak
    Host host(&testfilter::Entry, sixteen);
    host.SetDocument(Ramp(5, 5));
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_EQ(host.OutstandingLocks(), 1);
    EXPECT_EQ(host.LockCount(host.parameterHandle()), 1);
    EXPECT_EQ(host.LockCount(reinterpret_cast<pi::Handle>(host.dataSlot())), 0);

    testfilter::Reset();
    testfilter::gBehaviour.outOfRange = true;
    Host second(&testfilter::Entry);
    const Document doc = Ramp(5, 5);
    second.SetDocument(doc);
    const RunResult rr = second.RunFilter(true);
    EXPECT_FALSE(rr.ok);
    EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
    EXPECT_EQ(testfilter::gObserved.advanceResult, kBadRequestErr);
    const std::vector<LogEntry> adv = second.log().Find("advanceState");
    ASSERT_EQ(adv.size(), 1u);
    EXPECT_EQ(adv[0].result, kBadRequestErr);
    EXPECT_NE(adv[0].Arg("error").find("outside the image"), std::string::npos);
    EXPECT_EQ(second.document().pixels, doc.pixels);
}

TEST_F(HostSimTest, PaddingModesServeOutOfRangeRequests) {
    // Clipped: the request is cut to the image and the rectangle updated.
    testfilter::gBehaviour.outOfRange = true;
    testfilter::gBehaviour.padding = kPadNone;
    {
        Host host(&testfilter::Entry);
        const Document doc = Ramp(6, 4);
        host.SetDocument(doc);
        ASSERT_TRUE(host.RunFilter(true).ok);
        EXPECT_TRUE(Inverted(doc, host.document(), 3));
    }
    // Filled: the extra row is served with the padding value and not committed.
    testfilter::Reset();
    testfilter::gBehaviour.outOfRange = true;
    testfilter::gBehaviour.padding = 9;
    {
        Host host(&testfilter::Entry);
        const Document doc = Ramp(6, 4);
        host.SetDocument(doc);
        ASSERT_TRUE(host.RunFilter(true).ok);
        EXPECT_TRUE(Inverted(doc, host.document(), 3));
        const LogEntry adv = host.log().Find("advanceState").at(0);
        EXPECT_EQ(adv.Arg("inRect"), "[0,0,5,6]");
    }
}

TEST_F(HostSimTest, InputRateSamplesEveryNthPixel) {
    testfilter::gBehaviour.inputRate = 2 << 16;
    testfilter::gBehaviour.padding = kPadNone;  // the full-size request reaches past the sampled image
    Host host(&testfilter::Entry);
    host.SetDocument(Ramp(10, 7));
    ASSERT_TRUE(host.RunFilter(true).ok);
    // 10 columns sampled by 2 leave 5, 3 planes each.
    EXPECT_EQ(testfilter::gObserved.inRowBytes, 5 * 3);
    ASSERT_EQ(testfilter::gObserved.in.size(), size_t(4 * 5 * 3));
    const Document doc = Ramp(10, 7);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(testfilter::gObserved.in[1 * 15 + 1 * 3 + p], doc.At(2, 2)[p]);
        EXPECT_EQ(testfilter::gObserved.in[3 * 15 + 4 * 3 + p], doc.At(8, 6)[p]);
    }
    EXPECT_EQ(host.log().Find("advanceState").at(0).Arg("inputRate"), "131072");
}

TEST_F(HostSimTest, ContinueLoopIsBounded) {
    testfilter::gBehaviour.neverEnd = true;
    Options o;
    o.maxContinueCalls = 5;
    Host host(&testfilter::Entry, o);
    const Document doc = Ramp(4, 4);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    EXPECT_FALSE(rr.ok);
    EXPECT_EQ(rr.failedSelector, pi::filterSelectorContinue);
    EXPECT_EQ(rr.continueCalls, 5);
    EXPECT_EQ(testfilter::gObserved.calls[4], 5);
    EXPECT_EQ(host.document().pixels, doc.pixels);
}

TEST_F(HostSimTest, BasicSuiteServesRegisteredSuitesOnly) {
    static const int dummySuite = 0;
    testfilter::gBehaviour.suite = "test suite";
    {
        Host host(&testfilter::Entry);
        host.SetDocument(Ramp(3, 3));
        const RunResult rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.result, pi::errPlugInHostInsufficient);
        EXPECT_EQ(host.log().Find("AcquireSuite").at(0).result, kSuiteNotFoundErr);
    }
    {
        Host host(&testfilter::Entry);
        host.RegisterSuite("test suite", 1, &dummySuite);
        host.SetDocument(Ramp(3, 3));
        ASSERT_TRUE(host.RunFilter(true).ok);
        EXPECT_EQ(host.CallCount("AcquireSuite"), 1);
        EXPECT_EQ(host.SuiteBalance("test suite", 1), 0);
    }
    {
        Options o;
        o.basicSuite = false;
        Host host(&testfilter::Entry, o);
        host.RegisterSuite("test suite", 1, &dummySuite);
        host.SetDocument(Ramp(3, 3));
        EXPECT_EQ(host.RunFilter(true).result, pi::errPlugInHostInsufficient);
        EXPECT_EQ(host.CallCount("AcquireSuite"), 0);
    }
}

TEST_F(HostSimTest, SuitesCanBeSwitchedOffAndBalancesAreLogged) {
    static const int dummySuite = 0;
    testfilter::gBehaviour.suite = "test suite";
    for (const std::string off : {"test suite", "test suite@1"}) {
        Options o;
        o.disabledSuites = {off};
        Host host(&testfilter::Entry, o);
        host.RegisterSuite("test suite", 1, &dummySuite);
        host.SetDocument(Ramp(3, 3));
        EXPECT_EQ(host.RunFilter(true).result, pi::errPlugInHostInsufficient) << off;
        const LogEntry refused = host.log().Find("AcquireSuite").at(0);
        EXPECT_EQ(refused.Arg("disabled"), "true");
        EXPECT_EQ(refused.result, kSuiteNotFoundErr);
    }
    // Another version stays on.
    Options o;
    o.disabledSuites = {"test suite@2"};
    Host host(&testfilter::Entry, o);
    host.RegisterSuite("test suite", 1, &dummySuite);
    host.SetDocument(Ramp(3, 3));
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_EQ(host.SuiteBalances(), (std::map<std::string, int>{{"test suite@1", 0}}));
    const std::vector<LogEntry> balances = host.log().Find("suiteBalances");
    ASSERT_EQ(balances.size(), 1u);
    EXPECT_EQ(balances[0].Arg("test suite@1"), "0");
}

TEST_F(HostSimTest, HandleCallbacksCanBeWithheldOrReportANewerTable) {
    Options o;
    o.handleProcs = false;
    Host host(&testfilter::Entry, o);
    host.CallSelector(100);
    EXPECT_EQ(host.record().handleProcs, nullptr);
    Options newer;
    newer.handleProcsVersion = 3;
    Host other(&testfilter::Entry, newer);
    other.CallSelector(100);
    ASSERT_NE(other.record().handleProcs, nullptr);
    EXPECT_EQ(other.record().handleProcs->handleProcsVersion, 3);
}

TEST_F(HostSimTest, BasicSuiteBlocksAndBalanceAreTracked) {
    static const int dummySuite = 0;
    Host host(&testfilter::Entry);
    host.RegisterSuite("s", 2, &dummySuite);
    host.CallSelector(100);  // builds the record
    pi::SPBasicSuite* basic = host.record().sSPBasic;
    ASSERT_NE(basic, nullptr);
    const void* suite = nullptr;
    EXPECT_EQ(basic->AcquireSuite("s", 1, &suite), kSuiteNotFoundErr) << "wrong version";
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(basic->AcquireSuite("s", 2, &suite), 0);
    EXPECT_EQ(suite, &dummySuite);
    EXPECT_EQ(host.SuiteBalance("s", 2), 1);
    EXPECT_EQ(basic->ReleaseSuite("s", 2), 0);
    EXPECT_EQ(basic->ReleaseSuite("s", 2), 0);
    EXPECT_EQ(host.Misuses(), 1) << "released more often than acquired";
    EXPECT_TRUE(basic->IsEqual("abc", "abc"));
    EXPECT_FALSE(basic->IsEqual("abc", "abd"));

    void* block = nullptr;
    ASSERT_EQ(basic->AllocateBlock(10, &block), 0);
    EXPECT_EQ(host.LiveBlocks(), 1);
    void* grown = nullptr;
    ASSERT_EQ(basic->ReallocateBlock(block, 1000, &grown), 0);
    EXPECT_EQ(host.LiveBlocks(), 1);
    EXPECT_EQ(basic->FreeBlock(grown), 0);
    EXPECT_EQ(host.LiveBlocks(), 0);
    int local = 0;
    EXPECT_EQ(basic->FreeBlock(&local), kBadParameterErr);
}

TEST_F(HostSimTest, HandleProcsCountAndRejectMisuse) {
    Host host(&testfilter::Entry);
    host.CallSelector(100);
    const pi::HandleProcs* hp = host.record().handleProcs;
    ASSERT_NE(hp, nullptr);
    EXPECT_EQ(hp->handleProcsVersion, 1);
    EXPECT_EQ(hp->numHandleProcs, 9);

    pi::Handle h = hp->newProc(4);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(hp->getSizeProc(h), 4);
    pi::Ptr p = hp->lockProc(h, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0] | p[1] | p[2] | p[3], 0);
    p[0] = 5;
    hp->unlockProc(h);
    EXPECT_EQ(hp->setSizeProc(h, 64), 0);
    EXPECT_EQ(hp->getSizeProc(h), 64);
    const std::vector<uint8_t> bytes = host.HandleBytes(h);
    EXPECT_EQ(bytes[0], 5);
    EXPECT_TRUE(std::all_of(bytes.begin() + 1, bytes.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(host.Misuses(), 0);

    hp->unlockProc(h);  // not locked
    EXPECT_EQ(host.UnbalancedUnlocks(), 1);
    EXPECT_EQ(host.LockCount(h), 0);
    hp->disposeProc(h);
    EXPECT_FALSE(host.IsLiveHandle(h));
    hp->disposeProc(h);  // twice
    EXPECT_EQ(hp->lockProc(h, 0), nullptr);
    EXPECT_EQ(host.Misuses(), 2);
    EXPECT_EQ(host.LiveHandles(), 0);
    EXPECT_EQ(hp->newProc(-1), nullptr);
}

TEST_F(HostSimTest, ColourServicesConvertWithTheInvertibleModel) {
    Options o;
    o.background = {0x1000, 0x8000, 0xFF00};
    Host host(&testfilter::Entry, o);
    host.CallSelector(100);
    pi::ColorServicesProc cs = host.record().colorServices;
    ASSERT_NE(cs, nullptr);
    pi::ColorServicesInfo info{};
    info.infoSize = sizeof info;
    info.selector = pi::plugIncolorServicesConvertColor;
    info.sourceSpace = pi::plugIncolorServicesRGBSpace;
    info.resultSpace = pi::plugIncolorServicesCMYKSpace;
    info.colorComponents[0] = 200, info.colorComponents[1] = 100, info.colorComponents[2] = 50;
    ASSERT_EQ(cs(&info), 0);
    // Plane values: 255 is no ink.
    EXPECT_EQ(info.colorComponents[0], 255);
    EXPECT_EQ(info.colorComponents[1], 155);
    EXPECT_EQ(info.colorComponents[2], 105);
    EXPECT_EQ(info.colorComponents[3], 200);
    info.sourceSpace = pi::plugIncolorServicesCMYKSpace;
    info.resultSpace = pi::plugIncolorServicesRGBSpace;
    ASSERT_EQ(cs(&info), 0);
    EXPECT_EQ(info.colorComponents[0], 200);
    EXPECT_EQ(info.colorComponents[1], 100);
    EXPECT_EQ(info.colorComponents[2], 50);

    info.selector = pi::plugIncolorServicesGetSpecialColor;
    info.selectorParameter.specialColorID = 0;
    ASSERT_EQ(cs(&info), 0);
    EXPECT_EQ(info.colorComponents[0], 0x10);
    EXPECT_EQ(info.colorComponents[2], 0xFF);

    info.selector = pi::plugIncolorServicesConvertColor;
    info.resultSpace = pi::plugIncolorServicesLabSpace;
    EXPECT_NE(cs(&info), 0);
}

TEST_F(HostSimTest, ColourPickerAnswersTheOptionOrACancel) {
    Options o;
    o.pickedColor = {10, 20, 30};
    Host host(&testfilter::Entry, o);
    host.CallSelector(100);
    pi::ColorServicesInfo info{};
    info.infoSize = sizeof info;
    info.selector = pi::plugIncolorServicesChooseColor;
    info.sourceSpace = pi::plugIncolorServicesRGBSpace;
    info.resultSpace = pi::plugIncolorServicesChosenSpace;
    pi::Str255 prompt = {4, 'P', 'i', 'c', 'k'};
    info.selectorParameter.pickerPrompt = &prompt;
    ASSERT_EQ(host.record().colorServices(&info), 0);
    EXPECT_EQ(info.resultSpace, pi::plugIncolorServicesRGBSpace);
    EXPECT_EQ(info.colorComponents[0], 10);
    EXPECT_EQ(info.colorComponents[2], 30);
    EXPECT_EQ(host.log().Find("colorServices").back().Arg("prompt"), "\"Pick\"");
    host.options().pickCancelled = true;
    EXPECT_EQ(host.record().colorServices(&info), pi::userCanceledErr);

    Options none;
    none.colorServices = false;
    Host without(&testfilter::Entry, none);
    without.CallSelector(100);
    EXPECT_EQ(without.record().colorServices, nullptr);
}

TEST_F(HostSimTest, ColourSpaceSuiteConvertsWholeRowsBothWays) {
    Host host(&testfilter::Entry);
    host.CallSelector(100);
    const void* raw = nullptr;
    ASSERT_EQ(host.record().sSPBasic->AcquireSuite(pi::kPSColorSpaceSuite, 1, &raw), 0);
    const auto* suite = static_cast<const pi::PSColorSpaceSuite1*>(raw);
    std::vector<uint8_t> row(size_t(pi::kMaxColorArrayCount) * 4);
    for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 37 + i / 4);
    for (size_t i = 0; i < row.size(); i += 4) row[i] = 255;  // RGB lives in places 1 to 3
    const std::vector<uint8_t> rgb = row;
    auto* colors = reinterpret_cast<pi::Color8*>(row.data());
    ASSERT_EQ(suite->Convert8(pi::plugIncolorServicesRGBSpace, pi::plugIncolorServicesCMYKSpace, colors,
                              pi::kMaxColorArrayCount), 0);
    EXPECT_NE(row, rgb);
    ASSERT_EQ(suite->Convert8(pi::plugIncolorServicesCMYKSpace, pi::plugIncolorServicesRGBSpace, colors,
                              pi::kMaxColorArrayCount), 0);
    EXPECT_EQ(row, rgb);

    pi::Color16 deep[2] = {{0, 32768, 128, 32767}, {0, 0, 0, 0}};
    ASSERT_EQ(suite->Convert16(pi::plugIncolorServicesRGBSpace, pi::plugIncolorServicesCMYKSpace, deep, 2), 0);
    EXPECT_EQ(deep[0][3], 32768);  // the brightest component: no black ink
    EXPECT_EQ(deep[1][0], 32768);  // black: no colour ink, all black
    EXPECT_EQ(deep[1][3], 0);
    ASSERT_EQ(suite->Convert16(pi::plugIncolorServicesCMYKSpace, pi::plugIncolorServicesRGBSpace, deep, 2), 0);
    EXPECT_EQ(deep[0][1], 32768);
    EXPECT_EQ(deep[0][2], 128);
    EXPECT_EQ(deep[0][3], 32767);

    EXPECT_NE(suite->Convert8(pi::plugIncolorServicesLabSpace, pi::plugIncolorServicesRGBSpace, colors, 1), 0);
    EXPECT_NE(suite->Convert8(pi::plugIncolorServicesRGBSpace, pi::plugIncolorServicesCMYKSpace, colors, -1), 0);
    host.options().failConvertAt = host.CallCount("Convert8") + host.CallCount("Convert16") + 1;
    EXPECT_EQ(suite->Convert8(pi::plugIncolorServicesRGBSpace, pi::plugIncolorServicesCMYKSpace, colors, 1),
              kConvertFailedErr);
    EXPECT_EQ(host.log().Find("Convert8").back().Arg("fault"), "true");
    host.record().sSPBasic->ReleaseSuite(pi::kPSColorSpaceSuite, 1);
    EXPECT_EQ(host.SuiteBalance(pi::kPSColorSpaceSuite, 1), 0);
}

TEST_F(HostSimTest, ServesAnOffsetFilterRectangleAndPaddedRows) {
    Options o;
    o.filterRect = pi::VRect{2, 3, 7, 11};
    o.rowPadding = 5;
    Host host(&testfilter::Entry, o);
    const Document doc = Ramp(16, 9);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(testfilter::gObserved.filterRect32.top, 2);
    EXPECT_EQ(testfilter::gObserved.filterRect32.right, 11);
    EXPECT_EQ(testfilter::gObserved.inRowBytes, 8 * 3 + 5);
    // Only the filter rectangle was inverted.
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const bool inside = y >= 2 && y < 7 && x >= 3 && x < 11;
            const uint8_t v = doc.At(x, y)[1];
            ASSERT_EQ(host.document().At(x, y)[1], inside ? uint8_t(255 - v) : v) << x << "," << y;
        }
    EXPECT_EQ(host.Misuses(), 0);

    host.options().filterRect = pi::VRect{0, 0, 10, 16};  // one row past the image
    const RunResult outside = host.RunFilter(false);
    EXPECT_FALSE(outside.ok);
    EXPECT_NE(outside.message.find("outside the image"), std::string::npos);
}

TEST_F(HostSimTest, OffersOneToFivePlanesInAnyMode) {
    for (int16_t planes = 1; planes <= 5; ++planes) {
        Host host(&testfilter::Entry);
        const Document doc = Ramp(6, 4, pi::plugInModeLabColor, planes);
        host.SetDocument(doc);
        ASSERT_TRUE(host.RunFilter(true).ok) << planes;
        EXPECT_EQ(host.record().planes, planes);
        EXPECT_EQ(host.record().imageMode, pi::plugInModeLabColor);
        EXPECT_TRUE(Inverted(doc, host.document(), std::min<int>(planes, 3))) << planes;
    }
    Host host(&testfilter::Entry);
    host.SetDocument(Document::Blank(2, 2, pi::plugInModeRGBColor, 6));
    EXPECT_FALSE(host.RunFilter(true).ok);
}

TEST_F(HostSimTest, AboutAndRawSelectors) {
    Host host(&testfilter::Entry);
    host.SetDocument(Ramp(4, 4));
    EXPECT_EQ(host.About(), 0);
    EXPECT_NE(testfilter::gObserved.aboutBasic, nullptr);
    EXPECT_NE(testfilter::gObserved.aboutPlatform, nullptr);
    EXPECT_EQ(host.LiveHandles(), 0);

    ASSERT_TRUE(host.RunFilter(true).ok);
    for (int16_t s : {int16_t(6), int16_t(100), int16_t(-1)}) EXPECT_EQ(host.CallSelector(s), 0);
    EXPECT_EQ(host.OutstandingLocks(), 0);
    const std::vector<std::string> names = host.log().ArgValues("selector", "name");
    EXPECT_EQ(names.front(), "\"about\"");
    EXPECT_EQ(names.back(), "\"unknown\"");

    Options o;
    o.basicSuite = false;
    Host bare(&testfilter::Entry, o);
    bare.About();
    EXPECT_EQ(testfilter::gObserved.aboutBasic, nullptr);
}

TEST(CallLogTest, WritesOrderedEscapedJson) {
    CallLog log;
    log.Add("first", {{"name", JsonString("a\"b\\c\n\x01")}});
    log.Add("second", {{"rect", JsonRect(1, 2, 3, 4)}}, -108);
    EXPECT_EQ(log.Entries()[1].seq, 1);
    EXPECT_EQ(log.ToJson(),
              "[\n {\"seq\":0,\"call\":\"first\",\"name\":\"a\\\"b\\\\c\\n\\u0001\"},\n"
              " {\"seq\":1,\"call\":\"second\",\"rect\":[1,2,3,4],\"result\":-108}\n]\n");
    EXPECT_EQ(log.Count("second"), 1u);
    EXPECT_EQ(log.Find("second")[0].Arg("missing"), "");
}
