// A run that the host's user stops, through the test host: natively against
// the plug-in's entry (its page memory in view) and under Wine against the
// built module. The host's abort callback is the only way in.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "FilterEntry.h"
#include "HostSim.h"
#include "PageMemory.h"
#include "ProtocolSupport.h"
#include "Renderer.h"

using namespace frostel::hostsim;

namespace {

// The most the dialog's fields take: a growth of more than 10^13 triangles
// asked for, most of them large.
const std::vector<std::string> kDialogMaxima = {"EfKn=1", "MxIt=10", "MxTr=30",  "MnIn=1",  "MxT1=40", "Wdth=300",
                                                "Lngh=70", "Scle=200", "Dspr=200", "Comp=100", "CmDs=100"};

double SecondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

void ExpectClean(const Host& host) {
    EXPECT_EQ(host.OutstandingLocks(), 0);
    EXPECT_EQ(host.Misuses(), 0);
    for (const auto& balance : host.SuiteBalances()) EXPECT_EQ(balance.second, 0) << balance.first;
}

int64_t LivePages() { return kRunsTheModule ? 0 : frostel::GetPageMemoryStats().live; }

}  // namespace

TEST(Cancel, TheDialogsMaximaEndCancelledSoonAfterTheAskWithTheDocumentUntouched) {
    // Rough is over in a few tenths of a second; Phong takes seconds.
    const struct {
        const char* mode;
        int after;
    } cases[] = {{"RndM=1", 0}, {"RndM=5", 0}, {"RndM=5", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + ", abort after " + std::to_string(c.after));
        Options o;
        o.abortAfter = c.after;
        Host host(FilterEntry(), o);
        const Document doc = protocoltest::Noise(640, 400);
        host.SetDocument(doc);
        std::vector<std::string> settings = kDialogMaxima;
        settings.push_back(c.mode);
        protocoltest::SetParameters(host, settings);
        const int64_t live = LivePages();
        const auto start = std::chrono::steady_clock::now();
        const RunResult rr = host.RunFilter(true);
        const double seconds = SecondsSince(start);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
        EXPECT_EQ(rr.result, pi::userCanceledErr);
        EXPECT_EQ(host.document().pixels, doc.pixels);
        // Stopped at the answer: no question after it.
        EXPECT_EQ(host.CallCount("abortProc"), c.after + 1);
        EXPECT_LT(seconds, 4.0);
        EXPECT_EQ(LivePages(), live);
        ExpectClean(host);
    }
}

TEST(Cancel, ARunNobodyStopsAsksEveryFewTensOfMsAndItsBarMovesThroughTheRender) {
    // A light growth and a longer render: large figures in Phong, on one
    // render thread so that the render lasts long enough to be asked.
    // (The module under Wine reads it from the environment.)
    struct OneThread {
        OneThread() { Set("1"), frostel::SetRenderThreads(1); }
        ~OneThread() { Set(""), frostel::SetRenderThreads(0); }
        static void Set(const char* value) {
#ifdef _WIN32
            _putenv_s("FROSTEL_RENDER_THREADS", value);
#else
            setenv("FROSTEL_RENDER_THREADS", value, 1);
#endif
        }
    } oneThread;
    Host host(FilterEntry());
    const Document doc = protocoltest::Noise(240, 160);
    host.SetDocument(doc);
    protocoltest::SetParameters(host, {"Lngh=70", "Wdth=300", "RndM=5"});
    const auto start = std::chrono::steady_clock::now();
    const RunResult rr = host.RunFilter(true);
    const double ms = SecondsSince(start) * 1000;
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_NE(host.document().pixels, doc.pixels);
    const int asks = host.CallCount("abortProc");
    EXPECT_LE(asks, int(ms / 30) + 1) << ms << " ms";
    EXPECT_GE(asks, 2) << ms << " ms";

    std::vector<int> bar;
    for (const std::string& v : host.log().ArgValues("progressProc", "done")) bar.push_back(std::stoi(v));
    ASSERT_GE(bar.size(), 3u);
    const auto end = std::find(bar.begin(), bar.end(), 100);
    ASSERT_NE(end, bar.end());
    EXPECT_TRUE(std::is_sorted(bar.begin(), end + 1));
    EXPECT_GE(std::count_if(bar.begin(), end, [](int v) { return v > 75 && v < 100; }), 2)
        << "the bar stands still through the render";
    EXPECT_EQ(bar.back(), 0);
    ExpectClean(host);
}
