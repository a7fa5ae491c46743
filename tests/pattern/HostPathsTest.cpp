#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "GrowAlong.h"
#include "HarnessMain.h"
#include "HostPaths.h"
#include "HostSim.h"
#include "HostSuites.h"
#include "ImageIO.h"
#include "PathSegments.h"
#include "Plugin.h"
#include "WorkPath.h"

namespace frostel {
namespace {

using hostsim::Host;

struct Seen {
    std::vector<BezierSegment> segments;
    bool suiteFailure = false;
    int ribs = 0;
    std::vector<BranchTriangle> grown;  // along the path's emitter, seed 1212
};
Seen gSeen;

// A filter that only reads the work path in its start selector, the way the
// module's entry holds the host's record and result.
void PathEntry(int16_t selector, void* record, intptr_t*, int16_t* result) {
    *result = 0;
    if (selector != pi::filterSelectorStart) return;
    gFilterRecord = static_cast<pi::FilterRecord*>(record);
    gResult = result;
    gBasicSuite = gFilterRecord->sSPBasic;
    gSeen = {};
    try {
        ReadHostPaths();
    } catch (const SuiteFailure&) {
        gSeen.suiteFailure = true;
        *result = pi::errPlugInHostInsufficient;
    }
    for (const BezierSegment* s = gPathHead; s; s = s->next) gSeen.segments.push_back(*s);
    Emitter emitter;
    if (BuildPathEmitter(emitter, 0, 0, PathView{})) {
        gSeen.ribs = emitter.ribCount();
        gSeen.grown = testing::GrowAlong(emitter, 1212);
    }
    FreePathList();
    gFilterRecord = nullptr;
    gResult = nullptr;
}

hostsim::WorkPath Parse(const std::string& text) {
    hostsim::WorkPath path;
    std::string error;
    EXPECT_TRUE(hostsim::ParseWorkPath(text, path, error)) << error;
    return path;
}

// Each test starts with the property suite not yet acquired.
class HostPaths : public ::testing::Test {
protected:
    void SetUp() override { gPropertySuiteHolder.suite = nullptr; }
    void TearDown() override { gPropertySuiteHolder.suite = nullptr; }
};

TEST_F(HostPaths, ReadsTheWorkPathThroughTheHost) {
    Host host(&PathEntry);
    host.SetDocument(hostsim::Document::Blank(400, 300));
    const auto path = Parse("open\nknot 10 20\nknot 200 20\nknot 200 150\nrecord 6\n"
                            "closed\nknot 300 50\nknot 380 50\nknot 380 250\nknot 300 250\n");
    hostsim::ServePaths(host, &path);
    const auto rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    ASSERT_EQ(gSeen.segments.size(), 2u + 4u);
    EXPECT_NEAR(gSeen.segments[0].xs[0], 10, 0.01f);
    EXPECT_NEAR(gSeen.segments[0].ys[0], 20, 0.01f);
    EXPECT_NEAR(gSeen.segments[1].ys[3], 150, 0.01f);
    EXPECT_NEAR(gSeen.segments[5].xs[3], 300, 0.01f);
    EXPECT_NEAR(gSeen.segments[5].ys[3], 50, 0.01f);
    // The count and the records through the callbacks, the index through the suite.
    const auto calls = host.log().Find("getProperty");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Arg("key"), "\"nupa\"");
    EXPECT_EQ(calls[1].Arg("key"), "\"wkpa\"");
    EXPECT_EQ(calls[1].Arg("via"), "\"suite\"");
    EXPECT_EQ(calls[2].Arg("key"), "\"path\"");
    // The host's path handle and the unpacked copy are both gone.
    EXPECT_EQ(host.log().Count("handOut"), 1u);
    EXPECT_EQ(host.LiveHandles(), 0);
    EXPECT_EQ(host.Misuses(), 0);
    EXPECT_EQ(host.OutstandingLocks(), 0);
}

TEST_F(HostPaths, BranchesGrowAlongTheServedPathFromTheSeedAlone) {
    const auto path = Parse("open\nknot 20 30 0 0 120 10\nknot 300 200 250 120 320 260\n"
                            "closed\nknot 50 250\nknot 90 280\nknot 40 290 unlinked\n");
    auto grow = [&] {
        Host host(&PathEntry);
        host.SetDocument(hostsim::Document::Blank(400, 300));
        hostsim::ServePaths(host, &path);
        EXPECT_TRUE(host.RunFilter(true).ok);
        return gSeen;
    };
    const Seen first = grow(), second = grow();
    ASSERT_EQ(first.segments.size(), 1u + 3u);
    // About one rib per 5 pixels: the curve alone is longer than its 327-pixel chord.
    EXPECT_GT(first.ribs, 327 / 5);
    EXPECT_EQ(int(first.grown.size()), first.ribs * testing::kTrianglesPerRib);
    EXPECT_TRUE(testing::SameBytes(first.grown, second.grown));
}

TEST_F(HostPaths, NoPathsNoCallbacksNoSegments) {
    {
        Host host(&PathEntry);
        host.SetDocument(hostsim::Document::Blank(64, 64));
        hostsim::ServePaths(host, nullptr);
        ASSERT_TRUE(host.RunFilter(true).ok);
        EXPECT_TRUE(gSeen.segments.empty());
        EXPECT_EQ(host.log().Count("getProperty"), 1u);  // only the count
    }
    {
        Host host(&PathEntry);
        host.SetDocument(hostsim::Document::Blank(64, 64));
        ASSERT_TRUE(host.RunFilter(true).ok);
        EXPECT_TRUE(gSeen.segments.empty());
    }
}

TEST_F(HostPaths, AMissingPropertySuiteIsASuiteFailure) {
    Host host(&PathEntry);
    host.options().disabledSuites.insert(pi::kPSPropertySuite);
    host.SetDocument(hostsim::Document::Blank(64, 64));
    const auto path = Parse("open\nknot 1 1\nknot 30 30\n");
    hostsim::ServePaths(host, &path);
    const auto rr = host.RunFilter(true);
    EXPECT_FALSE(rr.ok);
    EXPECT_EQ(rr.result, pi::errPlugInHostInsufficient);
    EXPECT_TRUE(gSeen.suiteFailure);
    EXPECT_TRUE(gSeen.segments.empty());
    EXPECT_EQ(host.log().Count("handOut"), 0u);
}

// A path that cannot be read whole is out of memory, not a document
// without a path (whose branches would follow the contours instead).
TEST_F(HostPaths, NoRoomToUnpackTheRecordsIsOutOfMemory) {
    const auto path = Parse("open\nknot 1 1\nknot 30 30\n");
    for (const bool lock : {false, true}) {
        SCOPED_TRACE(lock ? "lock" : "new");
        Host host(&PathEntry);
        // The records' copy is the filter's first new handle; the host's
        // path data its first lock.
        if (lock) host.options().failLockAt = 1;
        else host.options().failNewAt = 1;
        host.SetDocument(hostsim::Document::Blank(64, 64));
        hostsim::ServePaths(host, &path);
        const auto rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.result, pi::memFullErr);
        EXPECT_TRUE(gSeen.segments.empty());
        EXPECT_EQ(host.LiveHandles(), 0);
        EXPECT_EQ(host.OutstandingLocks(), 0);
    }
}

TEST_F(HostPaths, TheHarnessServesAPathFile) {
    // The length record claims nine knots; the subpath ends with its three.
    const std::string text = "closed knots=9\nknot 5 5\nknot 60 5\nknot 60 40\n";
    std::vector<uint8_t> png;
    std::string why;
    ASSERT_TRUE(hostsim::DocumentToPng(hostsim::Document::Blank(80, 60), png, why)) << why;
    hostsim::FileAccess files;
    files.read = [&](const std::string& name, std::vector<uint8_t>& bytes) {
        if (name == "in.png") bytes = png;
        else if (name == "work.txt") bytes.assign(text.begin(), text.end());
        else return false;
        return true;
    };
    files.write = [](const std::string&, const std::vector<uint8_t>&) { return true; };
    auto parsed = hostsim::ParseHarnessArgs({"module.8bf", "in.png", "out.png", "--path", "work.txt"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    std::ostringstream out, err;
    EXPECT_EQ(hostsim::RunHarness(parsed.args, &PathEntry, files, out, err), hostsim::kExitOk) << err.str();
    ASSERT_EQ(gSeen.segments.size(), 2u);
    EXPECT_NEAR(gSeen.segments[1].xs[3], 60, 0.01f);
    EXPECT_NEAR(gSeen.segments[1].ys[3], 40, 0.01f);

    // Properties switched off: no path.
    parsed = hostsim::ParseHarnessArgs({"module.8bf", "in.png", "out.png", "--path", "work.txt", "--no-property-procs"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(hostsim::RunHarness(parsed.args, &PathEntry, files, out, err), hostsim::kExitOk) << err.str();
    EXPECT_TRUE(gSeen.segments.empty());

    // A missing path file stops the harness before the filter runs.
    parsed = hostsim::ParseHarnessArgs({"module.8bf", "in.png", "out.png", "--path", "missing.txt"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(hostsim::RunHarness(parsed.args, &PathEntry, files, out, err), hostsim::kExitFiles);
}

}  // namespace
}  // namespace frostel
