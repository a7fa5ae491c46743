#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "GrowAlong.h"
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

}  // namespace
}  // namespace frostel
