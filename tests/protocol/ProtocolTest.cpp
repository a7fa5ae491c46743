// The filter's side of the host protocol, driven by the test host: natively
// against the plug-in's own entry, and under Wine against the built module.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "FilterEntry.h"
#include "FilterParameters.h"
#include "HostSim.h"
#include "ProtocolSupport.h"

using namespace frostel;
using namespace frostel::hostsim;
using protocoltest::Noise;

namespace {

FilterParameters ReadParameters(const Host& host) {
    const std::vector<uint8_t> bytes = host.HandleBytes(host.parameterHandle());
    EXPECT_EQ(bytes.size(), size_t(kParametersHandleSize));
    FilterParameters p;
    std::memcpy(&p, bytes.data(), sizeof p);
    return p;
}

FilterData ReadData(const Host& host) {
    const pi::Handle h = reinterpret_cast<pi::Handle>(host.dataSlot());
    const std::vector<uint8_t> bytes = host.HandleBytes(h);
    EXPECT_EQ(bytes.size(), size_t(kDataHandleSize));
    FilterData d;
    std::memcpy(&d, bytes.data(), sizeof d);
    return d;
}

// Changes the parameter record as a dialog or script would have.
void WriteWidth(Host& host, float width) {
    pi::HandleProcs* procs = host.record().handleProcs;
    auto* p = reinterpret_cast<FilterParameters*>(procs->lockProc(host.parameterHandle(), false));
    ASSERT_NE(p, nullptr);
    p->Wdth = width;
    procs->unlockProc(host.parameterHandle());
}

// A fresh record as the defaults leave it: zeroed at creation, then every
// factory value written.
FilterParameters ExpectedDefaults() {
    FilterParameters p;
    std::memset(&p, 0, sizeof p);
    ApplyWindowPlacementDefaults(p);
    ApplyParameterDefaults(p);
    return p;
}

// Nothing the filter did with handles may outlive a selector.
void ExpectHandlesBalanced(const Host& host) {
    EXPECT_EQ(host.OutstandingLocks(), 0);
    EXPECT_EQ(host.UnbalancedUnlocks(), 0);
    EXPECT_EQ(host.Misuses(), 0);
}

class Protocol : public protocoltest::BigDocumentTest {};

}  // namespace

TEST_P(Protocol, FullRunWithNothingToDrawGivesTheImageBack) {
    Host host(FilterEntry(), HostOptions());
    const Document doc = Noise(37, 23);
    host.SetDocument(doc);
    protocoltest::DrawNothing(host);

    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(host.document().pixels, doc.pixels);

    // The whole image in one request; with 32-bit coordinates the host calls
    // continue once more to see the 32-bit rectangles emptied.
    EXPECT_EQ(host.CallCount("advanceState"), 1);
    EXPECT_EQ(rr.continueCalls, GetParam() ? 1 : 0);
    const std::vector<std::string> order = GetParam() ? std::vector<std::string>{"1", "2", "3", "4", "5"}
                                                      : std::vector<std::string>{"1", "2", "3", "5"};
    EXPECT_EQ(host.log().ArgValues("selector", "selector"), order);
    if (GetParam()) {
        EXPECT_EQ(host.bigDocument().PluginUsing32BitCoordinates, 1);
    }

    EXPECT_EQ(host.LiveHandles(), 2);  // the parameter and data records, kept by the host
    ExpectHandlesBalanced(host);
}

TEST_P(Protocol, ParametersLeaveEveryDefaultAndTheDialogFlag) {
    Host host(FilterEntry(), HostOptions());
    host.SetDocument(Noise(8, 8));
    ASSERT_EQ(host.CallSelector(pi::filterSelectorParameters), 0);

    const FilterParameters expected = ExpectedDefaults();
    const FilterParameters actual = ReadParameters(host);
    EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0);
    EXPECT_EQ(actual.bumpTexture, nullptr);
    EXPECT_EQ(actual.cachedTriangles, nullptr);
    EXPECT_EQ(actual.cachedPoints, nullptr);
    EXPECT_EQ(ReadData(host).showDialog, 1);
    ExpectHandlesBalanced(host);

    // Parameters again: a changed value is reset.
    WriteWidth(host, 3.0f);
    ASSERT_EQ(host.CallSelector(pi::filterSelectorParameters), 0);
    EXPECT_EQ(ReadParameters(host).Wdth, 80.0f);
    EXPECT_EQ(host.CallCount("newProc"), 2);  // the handles were created once
}

TEST_P(Protocol, RepeatRunKeepsTheValuesAndShowsNoDialog) {
    Host host(FilterEntry(), HostOptions());
    host.SetDocument(Noise(16, 9));
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_EQ(ReadData(host).showDialog, 0);

    WriteWidth(host, 42.5f);
    const int created = host.CallCount("newProc");
    const RunResult repeat = host.RunFilter(false);
    ASSERT_TRUE(repeat.ok) << repeat.message;
    EXPECT_EQ(host.CallCount("newProc"), created);
    EXPECT_EQ(ReadParameters(host).Wdth, 42.5f);
    EXPECT_EQ(ReadData(host).showDialog, 0);
    ExpectHandlesBalanced(host);

    // Through parameters again: back to the factory value.
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_EQ(ReadParameters(host).Wdth, 80.0f);
}

TEST_P(Protocol, PrepareAloneCreatesAndInitialisesTheRecords) {
    Host host(FilterEntry(), HostOptions());
    host.SetDocument(Noise(8, 8));
    ASSERT_EQ(host.CallSelector(pi::filterSelectorPrepare), 0);
    const FilterParameters expected = ExpectedDefaults();
    const FilterParameters actual = ReadParameters(host);
    EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0);
    EXPECT_EQ(ReadData(host).showDialog, 1);
    ExpectHandlesBalanced(host);
}

TEST_P(Protocol, AboutTouchesNoHandleAndNoRecord) {
    Host host(FilterEntry(), HostOptions());
    host.SetDocument(Noise(8, 8));
    EXPECT_EQ(host.About(), 0);
    EXPECT_EQ(host.CallCount("newProc"), 0);
    EXPECT_EQ(host.CallCount("lockProc"), 0);
    EXPECT_EQ(host.CallCount("unlockProc"), 0);
    EXPECT_EQ(host.bigDocument().PluginUsing32BitCoordinates, 0);
    EXPECT_EQ(host.parameterHandle(), nullptr);

    // About between runs leaves the kept records alone.
    ASSERT_TRUE(host.RunFilter(true).ok);
    const FilterParameters before = ReadParameters(host);
    const int locks = host.CallCount("lockProc");
    EXPECT_EQ(host.About(), 0);
    const FilterParameters after = ReadParameters(host);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(host.CallCount("lockProc"), locks);
}

TEST_P(Protocol, UnknownSelectorsDoNothing) {
    Host host(FilterEntry(), HostOptions());
    host.SetDocument(Noise(8, 8));
    ASSERT_TRUE(host.RunFilter(true).ok);
    const FilterParameters before = ReadParameters(host);
    const int locks = host.CallCount("lockProc");
    const int unlocks = host.CallCount("unlockProc");
    for (int16_t selector : {int16_t(6), int16_t(100), int16_t(-1)}) {
        EXPECT_EQ(host.CallSelector(selector), 0) << selector;
    }
    EXPECT_EQ(host.CallCount("lockProc"), locks);
    EXPECT_EQ(host.CallCount("unlockProc"), unlocks);
    const FilterParameters after = ReadParameters(host);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    ExpectHandlesBalanced(host);
}

TEST_P(Protocol, EveryHandleCreationOrLockFailureIsReported) {
    // In a first run the module makes 2 handles and locks 8 times (2 while
    // creating, 2 each in parameters, prepare, start and finish).
    struct Case {
        int failNew, failLock;
        int16_t selector;
    };
    const Case cases[] = {
        {1, 0, pi::filterSelectorParameters}, {2, 0, pi::filterSelectorParameters},
        {0, 1, pi::filterSelectorParameters}, {0, 2, pi::filterSelectorParameters},
        {0, 3, pi::filterSelectorParameters}, {0, 4, pi::filterSelectorParameters},
        {0, 5, pi::filterSelectorPrepare},    {0, 6, pi::filterSelectorPrepare},
        {0, 7, pi::filterSelectorStart},      {0, 8, pi::filterSelectorStart},
        {0, 9, pi::filterSelectorFinish},     {0, 10, pi::filterSelectorFinish},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("new " + std::to_string(c.failNew) + " lock " + std::to_string(c.failLock));
        Options o = HostOptions();
        o.failNewAt = c.failNew;
        o.failLockAt = c.failLock;
        Host host(FilterEntry(), o);
        const Document doc = Noise(12, 7);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.failedSelector, c.selector);
        EXPECT_EQ(rr.result, pi::memFullErr);
        EXPECT_EQ(host.document().pixels, doc.pixels);
        ExpectHandlesBalanced(host);
    }
}

TEST_P(Protocol, FailuresWhilePrepareCreatesTheRecordsAreReported) {
    // Without a parameters selector, prepare creates both handles (locks 1
    // and 2 zero them) and locks them for the defaults (3 and 4).
    for (int failLock = 1; failLock <= 4; ++failLock) {
        SCOPED_TRACE("lock " + std::to_string(failLock));
        Options o = HostOptions();
        o.failLockAt = failLock;
        Host host(FilterEntry(), o);
        host.SetDocument(Noise(12, 7));
        const RunResult rr = host.RunFilter(false);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.failedSelector, pi::filterSelectorPrepare);
        EXPECT_EQ(rr.result, pi::memFullErr);
        ExpectHandlesBalanced(host);
    }
}

TEST_P(Protocol, AMissingHandleAtStartIsABadParameter) {
    for (DropHandle drop : {DropHandle::Parameters, DropHandle::Data}) {
        Options o = HostOptions();
        o.dropHandle = drop;
        o.dropBefore = pi::filterSelectorStart;
        Host host(FilterEntry(), o);
        const Document doc = Noise(10, 10);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
        EXPECT_EQ(rr.result, pi::filterBadParameters);
        EXPECT_EQ(host.CallCount("advanceState"), 0);
        EXPECT_EQ(host.document().pixels, doc.pixels);
        ExpectHandlesBalanced(host);
    }
}

TEST_P(Protocol, AHandleLostBeforePrepareIsRecreatedWithDefaults) {
    Options o = HostOptions();
    o.dropHandle = DropHandle::Data;
    o.dropBefore = pi::filterSelectorPrepare;
    Host host(FilterEntry(), o);
    host.SetDocument(Noise(10, 10));
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    const FilterParameters expected = ExpectedDefaults();
    const FilterParameters actual = ReadParameters(host);
    EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0);
    ExpectHandlesBalanced(host);
}

TEST_P(Protocol, ARefusedRequestStopsStartAndRendersNothing) {
    Options o = HostOptions();
    o.refuseAdvance = true;
    Host host(FilterEntry(), o);
    const Document doc = Noise(9, 9);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    EXPECT_FALSE(rr.ok);
    EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
    EXPECT_EQ(rr.result, kRefusedErr);
    EXPECT_EQ(host.document().pixels, doc.pixels);
    // The 16-bit request is withdrawn even so.
    EXPECT_EQ(host.record().inRect.bottom, 0);
    EXPECT_EQ(host.record().outRect.right, 0);
    ExpectHandlesBalanced(host);
}

// A host that answers the request without buffers: nothing is read or
// written, and the run fails as one without memory would.
TEST_P(Protocol, ARequestAnsweredWithoutBuffersRendersNothing) {
    Options o = HostOptions();
    o.serveNothing = true;
    Host host(FilterEntry(), o);
    const Document doc = Noise(9, 9);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    EXPECT_FALSE(rr.ok);
    EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
    EXPECT_EQ(rr.result, pi::memFullErr);
    EXPECT_EQ(host.document().pixels, doc.pixels);
    ExpectHandlesBalanced(host);
}

TEST_P(Protocol, WorksWithoutABasicSuite) {
    Options o = HostOptions();
    o.basicSuite = false;
    Host host(FilterEntry(), o);
    const Document doc = Noise(64, 40);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_NE(host.document().pixels, doc.pixels);  // the effect is drawn
    EXPECT_EQ(host.About(), 0);
}

TEST_P(Protocol, KeepsItsRecordsInOwnHandlesWithoutHandleCallbacks) {
    Options o = HostOptions();
    o.handleProcs = false;
    Host host(FilterEntry(), o);
    const Document doc = Noise(19, 11);
    host.SetDocument(doc);
    protocoltest::DrawNothing(host);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(host.document().pixels, doc.pixels);
    EXPECT_EQ(host.LiveHandles(), 0);

    // The records live in the module's own handles: the host keeps the
    // handles, and a repeat run finds the values of the first.
    const pi::Handle params = host.parameterHandle();
    ASSERT_NE(params, nullptr);
    ASSERT_NE(host.dataSlot(), 0);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(params) + sizeof(pi::Ptr), "OTOF", 4), 0);
    auto* p = reinterpret_cast<FilterParameters*>(*params);
    EXPECT_EQ(p->Wdth, 80.0f);
    p->Wdth = 12.0f;
    ASSERT_TRUE(host.RunFilter(false).ok);
    EXPECT_EQ(host.parameterHandle(), params);
    EXPECT_EQ(reinterpret_cast<FilterParameters*>(*params)->Wdth, 12.0f);
    EXPECT_EQ(host.CallCount("newProc") + host.CallCount("lockProc"), 0);
}

TEST_P(Protocol, ANewerHandleTableIsStillTheHosts) {
    Options o = HostOptions();
    o.handleProcsVersion = 2;
    Host host(FilterEntry(), o);
    host.SetDocument(Noise(8, 8));
    ASSERT_TRUE(host.RunFilter(true).ok);
    EXPECT_EQ(host.LiveHandles(), 2);
    EXPECT_EQ(ReadParameters(host).Wdth, 80.0f);
    ExpectHandlesBalanced(host);
}

TEST_P(Protocol, SelectionAndAlphaPlanesComeBackWhenNothingIsDrawn) {
    Host host(FilterEntry(), HostOptions());
    protocoltest::DrawNothing(host);
    Document doc = Noise(20, 10, pi::plugInModeRGBColor, 4);
    doc.mask.assign(size_t(20 * 10), 0);
    for (int y = 2; y < 8; ++y)
        for (int x = 5; x < 15; ++x) doc.mask[size_t(y * 20 + x)] = uint8_t(40 * x);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(host.document().pixels, doc.pixels);
}

INSTANTIATE_TEST_SUITE_P(BigDocument, Protocol, ::testing::Bool(), protocoltest::BigDocumentName);

// The host's tile budget, set at prepare from the filter rectangle.
TEST(Prepare, LimitsTheBufferBudget) {
    struct Case {
        int32_t maxSpace;
        bool maskData;
        int32_t expected;
    };
    const Case cases[] = {
        {10000000, false, 2 * 4 * 256 * 256},  // 524288
        {100000, false, 100000},               // already below: unchanged
        {10000000, true, 2 * 5 * 256 * 256},   // 655360, the mask counts as a plane
    };
    for (const Case& c : cases) {
        Options o;
        o.maxSpace = c.maxSpace;
        Host host(FilterEntry(), o);
        host.SetDocument(Document::Blank(1000, 800, pi::plugInModeRGBColor, 4));
        ASSERT_EQ(host.CallSelector(pi::filterSelectorParameters), 0);
        uint8_t someMask = 0;
        host.record().bufferSpace = 12345;
        host.record().maskData = c.maskData ? &someMask : nullptr;
        ASSERT_EQ(host.CallSelector(pi::filterSelectorPrepare), 0);
        host.record().maskData = nullptr;
        EXPECT_EQ(host.record().maxSpace, c.expected);
        EXPECT_EQ(host.record().bufferSpace, 0);
    }
}

TEST(Prepare, SmallImagesBudgetTheirOwnSize) {
    Options o;
    o.maxSpace = 10000000;
    Host host(FilterEntry(), o);
    host.SetDocument(Document::Blank(100, 30));
    ASSERT_EQ(host.CallSelector(pi::filterSelectorPrepare), 0);
    EXPECT_EQ(host.record().maxSpace, 2 * 3 * 30 * 100);
}

namespace {

// Action suites of a host that can script: counts what the filter does with them.
struct ScriptingSuites {
    static int made, freed;
    static pi::OSErr Make(pi::PIActionReference* ref) {
        ++made;
        *ref = reinterpret_cast<pi::PIActionReference>(&made);
        return 0;
    }
    static pi::OSErr Free(pi::PIActionReference) {
        ++freed;
        return 0;
    }
    static pi::OSErr FailMake(pi::PIActionReference*) { return pi::OSErr(-1); }
};
int ScriptingSuites::made = 0;
int ScriptingSuites::freed = 0;

}  // namespace

TEST(Prepare, ProbesTheActionSuitesAndReleasesThem) {
    static const char descriptorSuite[16] = {};  // only its presence is checked
    auto table = [](auto make) {
        pi::PSActionReferenceProcs procs{};
        procs.Make = make;
        procs.Free = &ScriptingSuites::Free;
        return procs;
    };
    static const pi::PSActionReferenceProcs references = table(&ScriptingSuites::Make);
    static const pi::PSActionReferenceProcs failing = table(&ScriptingSuites::FailMake);
    const char* descriptors = "df135115-c769-11d0-8079-00c04fd7ec47";
    const char* refs = "df135117-c769-11d0-8079-00c04fd7ec47";

    for (const pi::PSActionReferenceProcs* suite : {&references, &failing}) {
        ScriptingSuites::made = ScriptingSuites::freed = 0;
        Host host(FilterEntry());
        host.SetDocument(Noise(8, 8));
        host.RegisterSuite(descriptors, 3, descriptorSuite);
        host.RegisterSuite(refs, 3, suite);
        ASSERT_EQ(host.CallSelector(pi::filterSelectorPrepare), 0);
        EXPECT_EQ(host.SuiteBalance(descriptors, 3), 0);
        EXPECT_EQ(host.SuiteBalance(refs, 3), 0);
        EXPECT_EQ(ScriptingSuites::freed, ScriptingSuites::made);
        EXPECT_EQ(ScriptingSuites::made, suite == &references ? 1 : 0);
        EXPECT_GE(host.CallCount("AcquireSuite"), 2);
    }

    // Without the descriptor suite the reference suite is never asked for.
    Host host(FilterEntry());
    host.SetDocument(Noise(8, 8));
    host.RegisterSuite(refs, 3, &references);
    ASSERT_EQ(host.CallSelector(pi::filterSelectorPrepare), 0);
    for (const std::string& name : host.log().ArgValues("AcquireSuite", "name"))
        EXPECT_EQ(name.find("df135117"), std::string::npos);
}
