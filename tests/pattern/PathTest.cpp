#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "GrowAlong.h"
#include "PageMemory.h"
#include "PathSegments.h"
#include "WorkPath.h"

namespace frostel {
namespace {

using hostsim::WorkPath;

constexpr int32_t k72 = 72 << 16;

struct ImportedPath {
    std::vector<BezierSegment> segments;
};

// Encodes the text path for a width x height document and imports it.
std::vector<BezierSegment> Import(const std::string& text, int32_t width = 1000, int32_t height = 800,
                                  int32_t resolution = k72, size_t dropBytes = 0) {
    WorkPath path;
    std::string error;
    EXPECT_TRUE(hostsim::ParseWorkPath(text, path, error)) << error;
    std::vector<uint8_t> bytes = hostsim::EncodeWorkPath(path, width, height);
    bytes.resize(bytes.size() - dropBytes);
    PathDocument doc;
    EXPECT_TRUE(ComputeDocumentSize72(width, height, resolution, resolution, doc));
    std::vector<PathRecord> records(bytes.size() / kPathRecordBytes);
    EXPECT_EQ(UnpackPathRecords(bytes.data(), bytes.size(), records.data()), records.size());
    FreePathList();
    ImportPathRecords(records.data(), int(records.size()), doc);
    std::vector<BezierSegment> out;
    for (const BezierSegment* s = gPathHead; s; s = s->next) out.push_back(*s);
    return out;
}

TEST(Bezier, StraightEvenSegmentIsUniform) {
    const float xs[4] = {0, 10, 20, 30}, ys[4] = {5, 5, 5, 5};
    EXPECT_FLOAT_EQ(BezierValue(0, xs), 0);
    EXPECT_FLOAT_EQ(BezierValue(1, xs), 30);
    EXPECT_FLOAT_EQ(BezierValue(0.25f, xs), 7.5f);
    EXPECT_FLOAT_EQ(BezierDerivative(0.7f, xs), 30);
    EXPECT_FLOAT_EQ(BezierLength(xs, ys), 30);
    float x, y, dx, dy;
    BezierPointAtLength(0.5f, xs, ys, x, y, dx, dy);
    EXPECT_NEAR(x, 15, 30.0 / 1024);
    EXPECT_FLOAT_EQ(y, 5);
    EXPECT_FLOAT_EQ(dx, 30);
    EXPECT_FLOAT_EQ(dy, 0);
    BezierPointAtLength(-1, xs, ys, x, y, dx, dy);
    EXPECT_EQ(x, 0);
    BezierPointAtLength(2, xs, ys, x, y, dx, dy);
    EXPECT_EQ(x, 30);
}

TEST(Bezier, SplitKeepsTheCurveUpToT) {
    const float c[4] = {0, 40, -10, 25};
    float d[4];
    BezierSplit(0.4f, c, d);
    // The part [0, 0.4] traced over [0, 1] is the curve over [0, 0.4].
    for (float u : {0.0f, 0.3f, 0.6f, 1.0f}) EXPECT_NEAR(BezierValue(u, d), BezierValue(0.4f * u, c), 1e-4f) << u;
    // A curved arc is longer than its chord.
    const float xs[4] = {0, 0, 100, 100}, ys[4] = {0, 100, 100, 0};
    EXPECT_GT(BezierLength(xs, ys), 100.0f);
    EXPECT_LT(BezierLength(xs, ys), 300.0f);
}

TEST(PathRecords, UnpackBigEndianValues) {
    const uint8_t bytes[26] = {0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x80, 0x00, 0x00, 0x01, 0x02,
                               0x03, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x2A};
    const PathRecord r = ReadPathRecord(bytes);
    EXPECT_EQ(r.selector, 4);
    EXPECT_EQ(r.value[0], -2);
    EXPECT_EQ(r.value[1], 0x00800000);
    EXPECT_EQ(r.value[2], 0x01020304);
    EXPECT_EQ(r.value[5], 42);
}

TEST(PathRecords, OpenAndClosedSubpaths) {
    // Open: k knots, k - 1 segments.
    auto open = Import("open\nknot 100 100\nknot 500 100\nknot 500 400\n");
    ASSERT_EQ(open.size(), 2u);
    EXPECT_FLOAT_EQ(open[0].xs[0], 100);
    EXPECT_FLOAT_EQ(open[0].ys[0], 100);
    EXPECT_FLOAT_EQ(open[0].xs[3], 500);
    EXPECT_FLOAT_EQ(open[1].ys[3], 400);
    // Corner segments (controls on the anchors) measure 1.005 x their chord
    // with the ten-sample rule.
    EXPECT_NEAR(open[0].length, 400 * 1.005f, 0.01f);
    EXPECT_NEAR(open[1].length, 300 * 1.005f, 0.01f);
    // Closed: k segments, the last back to the first anchor.
    auto closed = Import("closed\nknot 100 100\nknot 500 100\nknot 500 400 unlinked\n");
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_FLOAT_EQ(closed[2].xs[0], 500);
    EXPECT_FLOAT_EQ(closed[2].xs[3], 100);
    EXPECT_FLOAT_EQ(closed[2].ys[3], 100);
    EXPECT_NEAR(closed[2].length, 500 * 1.005f, 0.02f);
    // Controls: the outgoing control of a knot, then the incoming one of the next.
    auto curve = Import("open\nknot 0 0 -5 -5 100 0\nknot 100 100 100 50 0 0\n");
    ASSERT_EQ(curve.size(), 1u);
    EXPECT_FLOAT_EQ(curve[0].xs[1], 100);
    EXPECT_FLOAT_EQ(curve[0].ys[1], 0);
    EXPECT_FLOAT_EQ(curve[0].xs[2], 100);
    EXPECT_FLOAT_EQ(curve[0].ys[2], 50);
    // A single open knot makes no segment; a closed one a segment onto itself.
    EXPECT_EQ(Import("open\nknot 1 1\n").size(), 0u);
    EXPECT_EQ(Import("closed\nknot 1 1\n").size(), 1u);
    FreePathList();
    EXPECT_TRUE(PathListEmpty());
    EXPECT_EQ(gPathTail, nullptr);
}

TEST(PathRecords, OtherRecordsAreIgnoredAnywhere) {
    const auto plain = Import("open\nknot 0 0\nknot 10 0\nknot 10 10\nclosed\nknot 50 50\nknot 60 50\n");
    const auto noisy = Import(
        "record 6\nrecord 8\nopen\nknot 0 0\nrecord 7\nknot 10 0\nrecord 6\nrecord 8\nknot 10 10\n"
        "record 7\nclosed\nknot 50 50\nrecord 6\nknot 60 50\nrecord 8\n");
    ASSERT_EQ(plain.size(), 4u);
    ASSERT_EQ(noisy.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(noisy[i].xs[3], plain[i].xs[3]);
}

TEST(PathRecords, BadCountsAndTruncatedDataStayInsideTheRecords) {
    // The length record claims more knots than the data holds.
    EXPECT_EQ(Import("open knots=40\nknot 0 0\nknot 10 0\nknot 20 0\n").size(), 2u);
    EXPECT_EQ(Import("closed knots=9\nknot 0 0\nknot 10 0\n").size(), 1u);  // no closing segment
    // The last record cut short is dropped; the stream ends mid-subpath.
    EXPECT_EQ(Import("open\nknot 0 0\nknot 10 0\nknot 20 0\n", 1000, 800, k72, 5).size(), 1u);
    // A claim that runs into the next subpath keeps that subpath.
    EXPECT_EQ(Import("open knots=5\nknot 0 0\nknot 10 0\nopen\nknot 0 20\nknot 10 20\n").size(), 2u);
    // Knots of the other kind, a zero count or a stray knot start no subpath.
    EXPECT_EQ(Import("open\nknot 0 0\nrecord 1\n").size(), 0u);
    EXPECT_EQ(Import("open knots=0\nknot 0 0\nknot 10 0\nopen\nknot 0 0\nknot 5 0\n").size(), 1u);
    EXPECT_EQ(Import("record 4\nrecord 3\n").size(), 0u);
    FreePathList();
}

TEST(PathRecords, CoordinatesScaleWithResolutionAndLargeDocuments) {
    // 3000 px at 300 dpi are 720 points; half the width is 1500 px again.
    auto hires = Import("open\nknot 1500 1000\nknot 3000 2000\n", 3000, 2000, 300 << 16);
    ASSERT_EQ(hires.size(), 1u);
    EXPECT_NEAR(hires[0].xs[0], 1500, 0.05f);
    EXPECT_NEAR(hires[0].ys[3], 2000, 0.05f);
    // 30000 px at 72 dpi: the 8.24 x 16.8 product needs 64 bits.
    auto big = Import("open\nknot 27000 100\nknot 29999 20000\n", 30000, 30000);
    ASSERT_EQ(big.size(), 1u);
    EXPECT_NEAR(big[0].xs[0], 27000, 0.05f);
    EXPECT_NEAR(big[0].ys[3], 20000, 0.05f);
    // Too large for 16-bit points.
    PathDocument doc;
    EXPECT_FALSE(ComputeDocumentSize72(40000, 100, k72, k72, doc));
    EXPECT_TRUE(ComputeDocumentSize72(40000, 100, 300 << 16, 300 << 16, doc));
    EXPECT_FALSE(ComputeDocumentSize72(100, 100, 0, k72, doc));
    int32_t out;
    EXPECT_FALSE(ConvertPathCoordinate(2 << 24, 20000 << 16, out));
    EXPECT_FALSE(ConvertPathCoordinate(INT32_MIN, 30000 << 16, out));
    ASSERT_TRUE(ConvertPathCoordinate(-(1 << 23), 30000 << 16, out));
    EXPECT_EQ(out, -15000 * 65536);
    // A point off the document by far fails its subpath, not the others.
    EXPECT_EQ(Import("open\nknot 0 0\nknot 90000 0\nopen\nknot 0 0\nknot 10 10\n", 30000, 30000).size(), 1u);
    FreePathList();
}

TEST(PathEmitter, RibsEveryFivePixelsOnEverySegment) {
    Import("open\nknot 0 0\nknot 100 0\nknot 100 12\nknot 103 12\n");
    Emitter e;
    ASSERT_TRUE(BuildPathEmitter(e, -50, -40, PathView{}));
    // Measured 100.5, 12.06 and 3.015 px: 21, 3 and 1 ribs.
    ASSERT_EQ(e.ribCount(), 25);
    ASSERT_EQ(e.vertexCount(), 50);
    for (int c = 0; c < e.ribCount(); ++c) {
        const PatternRib& r = e.ribs()[c];
        EXPECT_EQ(r.a, 2 * c);
        EXPECT_EQ(r.b, 2 * c + 1);
        EXPECT_GT(r.length, 0.5f) << c;
        EXPECT_LE(r.length, 5.01f) << c;
        EXPECT_EQ(r.flag, 1);
        EXPECT_EQ(r.nz, 0.0f);
    }
    // Offsets applied; the first segment's ribs face up (y grows downwards).
    EXPECT_FLOAT_EQ(e.vertices()[0].x, -50);
    EXPECT_FLOAT_EQ(e.vertices()[0].y, -40);
    EXPECT_NEAR(e.ribs()[0].ny, -1, 1e-5f);
    EXPECT_NEAR(e.vertices()[1].nx, 1, 1e-5f);  // the tangent, scaled to |dx| + |dy| = 1
    // Consecutive ribs of a segment meet; the last rib ends at the path's end.
    EXPECT_FLOAT_EQ(e.vertices()[1].x, e.vertices()[2].x);
    EXPECT_NEAR(e.vertices()[49].x, 53, 1e-3f);
    EXPECT_NEAR(e.vertices()[49].y, -28, 1e-3f);
    // The second segment runs downwards: its normal (dy, -dx) faces +x.
    EXPECT_NEAR(e.ribs()[21].nx, 1, 1e-5f);

    // Branches grow along it, from the seed alone.
    const auto grown = testing::GrowAlong(e, 1212);
    EXPECT_EQ(int(grown.size()), 25 * testing::kTrianglesPerRib);
    EXPECT_TRUE(testing::SameBytes(grown, testing::GrowAlong(e, 1212)));

    // Zoomed preview: document pixels / scale - view offset.
    ASSERT_TRUE(BuildPathEmitter(e, 0, 0, PathView{2.0f, 10, 4}));
    EXPECT_FLOAT_EQ(e.vertices()[0].x, -10);
    EXPECT_FLOAT_EQ(e.vertices()[0].y, -4);
    EXPECT_NEAR(e.vertices()[49].x, 103 / 2.0f - 10, 1e-3f);

    FreePathList();
    ASSERT_TRUE(BuildPathEmitter(e, 0, 0, PathView{}));
    EXPECT_EQ(e.ribCount(), 0);
    EXPECT_EQ(e.vertexCount(), 0);
}

// A segment in document pixels at 72 dpi.
void Curve(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    auto p = [](float v) { return int32_t(v * 65536); };
    ASSERT_TRUE(AppendBezierSegment(p(x0), p(y0), p(x1), p(y1), p(x2), p(y2), p(x3), p(y3), k72));
}
void Straight(float x0, float y0, float x1, float y1) {
    Curve(x0, y0, x0 + (x1 - x0) / 3, y0 + (y1 - y0) / 3, x1 - (x1 - x0) / 3, y1 - (y1 - y0) / 3, x1, y1);
}

std::vector<EmitterRib> Walk(PathRibs& ribs) {
    std::vector<EmitterRib> out;
    EmitterRib r;
    while (ribs.Next(r)) out.push_back(r);
    return out;
}

bool SameVertex(const PatternVertex& a, const PatternVertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The walk samples each segment where BezierPointAtLength puts its points,
// to the bit, and leaves out only ribs whose two points are one: a segment
// far longer than 5 x 1024 pixels has more ribs than its length search has
// parameters, and is walked in about 1000 steps whatever its length.
TEST(PathRibs, SampleWhereTheLengthSearchPutsThePoints) {
    FreePathList();
    Curve(0, 0, 80, -60, 220, 200, 300, 120);
    Straight(300, 120, 303, 121);  // shorter than 5 pixels: one rib
    Curve(303, 121, 10000, -8000, 20000, 9000, 30000, 500);
    const PathView view{1.5f, 3, 4};
    Emitter all;
    ASSERT_TRUE(BuildPathEmitter(all, -10, 20, view));
    int c = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next) {
        const int steps = std::max(1, int(std::ceil(double(s->length) / 5)));
        for (int j = 1; j <= steps; ++j, ++c) {
            for (int end = 0; end < 2; ++end) {
                const int k = j - 1 + end;
                float x, y, dx, dy;
                BezierPointAtLength(k == steps ? 1.0f : float(double(k) / steps), s->xs, s->ys, x, y, dx, dy);
                const PatternVertex& v = all.vertices()[2 * c + end];
                ASSERT_EQ(v.x, x / 1.5f - 3 - 10) << c;
                ASSERT_EQ(v.y, y / 1.5f - 4 + 20) << c;
            }
        }
    }
    ASSERT_EQ(c, all.ribCount());

    PathRibs ribs;
    ASSERT_TRUE(ribs.Start(-10, 20, view));
    EXPECT_EQ(ribs.ribCount(), all.ribCount());
    std::vector<bool> walked(size_t(all.ribCount()), false);
    int64_t last = -1, longSegment = 0;
    for (const EmitterRib& r : Walk(ribs)) {
        ASSERT_GT(r.index, last);
        last = r.index;
        walked[size_t(r.index)] = true;
        const PatternRib& whole = all.ribs()[r.index];
        EXPECT_TRUE(SameVertex(r.a, all.vertices()[2 * r.index]));
        EXPECT_TRUE(SameVertex(r.b, all.vertices()[2 * r.index + 1]));
        EXPECT_EQ(r.rib.nx, whole.nx);
        EXPECT_EQ(r.rib.ny, whole.ny);
        EXPECT_EQ(r.rib.length, whole.length);
        EXPECT_TRUE(r.inReach);
        longSegment += r.index >= all.ribCount() - 4000;
    }
    for (int i = 0; i < all.ribCount(); ++i)
        if (!walked[size_t(i)]) {
            EXPECT_EQ(all.ribs()[i].length, 0.0f) << i;
        }
    EXPECT_GT(all.ribCount(), 6000);
    EXPECT_LT(longSegment, 1100);
    FreePathList();
}

// A reach as small as a pixel around a box in emitter coordinates.
BranchReach TightReach(const ReachBox& box) {
    GrowthBounds g;
    g.effectKind = 0;  // grows nothing: the reach is the renderer's pixel
    return BranchReach(g, box, false);
}

TEST(PathRibs, TheReachMarksRibsAndEndsTheWalk) {
    FreePathList();
    Straight(0, 50, 100, 50);    // crosses the box
    Straight(100, 50, 900, 50);  // leaves it
    Straight(900, 50, 60, 20);   // comes back
    Straight(60, 20, 60, -800);  // and leaves for good
    Straight(60, -800, 0, -800);
    Straight(0, -800, 0, -900);
    PathRibs ribs;
    ASSERT_TRUE(ribs.Start(0, 0, PathView{}, TightReach({40, 0, 80, 100})));
    const std::vector<EmitterRib> walked = Walk(ribs);
    ASSERT_FALSE(walked.empty());
    int64_t firstOfFifth = 0, count = 0, k = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next, ++k) {
        if (k == 4) firstOfFifth = count;
        count += int64_t(std::ceil(double(s->length) / 5));
    }
    int inReach = 0;
    for (const EmitterRib& r : walked) {
        const bool near = std::min(r.a.x, r.b.x) <= 81 && std::max(r.a.x, r.b.x) >= 39 &&
                          std::min(r.a.y, r.b.y) <= 101 && std::max(r.a.y, r.b.y) >= -1;
        EXPECT_EQ(r.inReach, near) << r.index;
        inReach += r.inReach;
    }
    EXPECT_GT(inReach, 10);
    // Nothing after the last segment that meets the box.
    EXPECT_EQ(walked.back().index, firstOfFifth - 1);
    EXPECT_EQ(ribs.ribCount(), count);
    FreePathList();
}

// Out of reach the walk spends a budget: far segments beyond it are passed
// over, and the ribs after them keep their places.
TEST(PathRibs, FarSegmentsAreWalkedOnlySoFar) {
    FreePathList();
    for (int k = 0; k < 1000; ++k) Straight(k % 2 ? 8000 : -8000, 5000 + k, k % 2 ? -8000 : 8000, 5001 + k);
    Straight(-8000, 6000, 50, 50);
    Straight(50, 50, 60, 50);
    PathRibs everything, reached;
    ASSERT_TRUE(everything.Start(0, 0, PathView{}));
    ASSERT_TRUE(reached.Start(0, 0, PathView{}, TightReach({0, 0, 100, 100})));
    const std::vector<EmitterRib> all = Walk(everything), some = Walk(reached);
    EXPECT_EQ(reached.ribCount(), everything.ribCount());
    ASSERT_GT(some.size(), 1000u);
    EXPECT_LT(some.size(), all.size() / 2);
    // The last segment's ribs, where every walk has them.
    for (size_t k = 1; k <= 2; ++k) {
        EXPECT_EQ(some[some.size() - k].index, all[all.size() - k].index);
        EXPECT_TRUE(SameVertex(some[some.size() - k].b, all[all.size() - k].b));
        EXPECT_TRUE(some[some.size() - k].inReach);
    }
    FreePathList();
}

TEST(PathRibs, ShortMemoryStartsNoWalk) {
    FreePathList();
    Straight(0, 0, 100, 0);
    PathRibs ribs;
    FailPageAllocationAfter(1);
    EXPECT_FALSE(ribs.Start(0, 0, PathView{}));
    FailPageAllocationAfter(0);
    EXPECT_EQ(ribs.ribCount(), 0);
    EmitterRib r;
    EXPECT_FALSE(ribs.Next(r));
    Emitter e;
    FailPageAllocationAfter(1);
    EXPECT_FALSE(BuildPathEmitter(e, 0, 0, PathView{}));
    FailPageAllocationAfter(0);
    EXPECT_EQ(e.ribCount(), 0);
    FreePathList();
}

}  // namespace
}  // namespace frostel
