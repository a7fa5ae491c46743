#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "ContourChecks.h"
#include "MeshBuilder.h"
#include "TestMasks.h"

namespace frostel {
namespace {

using test::CheckBorderLines;
using test::Mask;
using test::MaskView;

MaskView View(const Mask& m) { return {m.width, m.height, m.width, m.pixels.data()}; }

TCRaster<unsigned char> Raster(const Mask& m) {
    TCRaster<unsigned char> r(m.width, m.height, kOutsideValue);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) r.Set(x, y, m.pixels[static_cast<size_t>(y) * m.width + x]);
    return r;
}

TEST(BorderTraceTest, CornerEntriesOfEveryConfiguration) {
    // Four pixels from four values cover every pattern of equalities.
    for (int code = 0; code < 256; ++code) {
        const uint8_t ul = code & 3, ur = code >> 2 & 3, ll = code >> 4 & 3, lr = code >> 6 & 3;
        // Going round the corner UL, UR, LR, LL: an edge between each pair of
        // neighbours that differ.
        int expected = 0, edges = 0;
        if (ur != lr) expected |= kEdgeRight, ++edges;
        if (ll != lr) expected |= kEdgeDown, ++edges;
        if (ul != ll) expected |= kEdgeLeft, ++edges;
        if (ul != ur) expected |= kEdgeUp, ++edges;
        const size_t values = std::set<int>{ul, ur, ll, lr}.size();
        // Borders end wherever three or more values meet.
        if (values >= 3) expected |= kJunction;
        EXPECT_EQ(CMeshBuilder::CornerEntry(ul, ur, ll, lr), expected)
            << int(ul) << " " << int(ur) << " / " << int(ll) << " " << int(lr) << " (" << edges << " edges)";
    }
}

TEST(BorderTraceTest, BorderRasterUsesTheOutsideValueAlongTheFrame) {
    Mask m = test::FilledMask(2, 1, 0);
    m.at(1, 0) = 5;
    TCRaster<unsigned char> mask = Raster(m), border(3, 2, 0);
    CMeshBuilder::FillBorderRaster(mask, border);
    // Top-left corner: outside on three sides, 0 below right.
    EXPECT_EQ(border.Get(0, 0), kEdgeRight | kEdgeDown);
    // Top middle: outside above, 0 and 5 below: three values.
    EXPECT_EQ(border.Get(1, 0), kEdgeRight | kEdgeDown | kEdgeLeft | kJunction);
    EXPECT_EQ(border.Get(2, 1), kEdgeLeft | kEdgeUp);
}

// Every border edge walked once, with the right regions on each side.
void ExpectCoverage(const Mask& m, const std::string& what) {
    CMeshBuilder builder;
    ContourList lines;
    builder.FindBorderLines(Raster(m), lines);
    const std::string problem = CheckBorderLines(View(m), lines);
    ASSERT_TRUE(problem.empty()) << what << " " << m.width << "x" << m.height << ": " << problem;
}

TEST(BorderTraceTest, EveryBorderEdgeIsWalkedExactlyOnce) {
    const int sizes[] = {1, 2, 3, 5, 8, 13, 31, 64};
    uint32_t seed = 1;
    for (int w : sizes)
        for (int h : sizes) {
            ExpectCoverage(test::NoiseMask(w, h, 2, seed++), "binary noise");
            ExpectCoverage(test::NoiseMask(w, h, 4, seed++), "4-level noise");
            ExpectCoverage(test::NoiseMask(w, h, 7, seed++), "7-level noise");
            ExpectCoverage(test::SmoothMask(w, h, 4, seed++), "smooth 4-level");
            ExpectCoverage(test::SmoothMask(w, h, 2, seed++, 0.3), "smooth binary");
        }
}

TEST(BorderTraceTest, ATwoValuedCheckerboardCornerIsPassedThrough) {
    // 0 5 / 5 0 inside a 0 frame: the 5s touch only at the centre corner.
    Mask m = test::FilledMask(4, 4, 0);
    m.at(1, 2) = 5;
    m.at(2, 1) = 5;
    CMeshBuilder builder;
    ContourList lines;
    builder.FindBorderLines(Raster(m), lines);
    ASSERT_TRUE(CheckBorderLines(View(m), lines).empty());
    // The two squares' borders run through corner (2, 2) without ending there:
    // both are closed, plus the frame.
    int closedInner = 0;
    for (auto& line : lines)
        if (line->regionA != kOutsideValue && line->regionB != kOutsideValue) {
            EXPECT_TRUE(line->closed);
            ++closedInner;
        }
    EXPECT_GE(closedInner, 1);
    EXPECT_LE(closedInner, 2);
}

TEST(BorderTraceTest, BordersBetweenAdjacentJunctionsAreKept) {
    // Three stripes of values meeting a fourth: short borders whose ends are
    // both junctions.
    Mask m = test::FilledMask(3, 2, 0);
    m.at(0, 0) = 1, m.at(1, 0) = 2, m.at(2, 0) = 3;
    m.at(0, 1) = 4, m.at(1, 1) = 5, m.at(2, 1) = 6;
    ExpectCoverage(m, "six values");
}

TEST(BorderTraceTest, LinesEndingAtATakenCheckerboardCornerAreKept) {
    // Three values in a short repeating pattern: at corner (2, 19) the ways on
    // are taken by earlier traces, so a line has to end there.
    const uint8_t cycle[] = {57, 44, 16, 227, 44, 43, 247};
    Mask m = test::FilledMask(37, 20, 0);
    for (size_t i = 0; i < m.pixels.size(); ++i) m.pixels[i] = static_cast<uint8_t>(cycle[i % 7] % 3 * 40);
    ExpectCoverage(m, "repeating three values");
}

// The line that walks the edge from corner (x0, y) to (x0 + 1, y), or null.
const CBorderLine* LineThrough(const ContourList& lines, int x0, int y) {
    for (const auto& line : lines) {
        auto it = line->points.begin();
        for (auto next = std::next(it); next != line->points.end(); it = next++) {
            const CMyPoint &a = **it, &b = **next;
            if (a.y == y && b.y == y && std::min(a.x, b.x) <= x0 && std::max(a.x, b.x) >= x0 + 1) return line.get();
        }
    }
    return nullptr;
}

TEST(BorderTraceTest, ALineThatMeetsItsOtherEndAtACheckerboardCornerAndGoesOnStaysOpen) {
    // 0 2 1 1 1 1 1 1
    // 0 2 1 1 1 0 0 1
    // 0 0 0 0 0 1 1 1
    // The border of the 0s at the right goes round them from corner (5, 1)
    // to the checkerboard corner (5, 2); walked back from (5, 1), it meets
    // that end there and goes on through it to the junction (2, 2): one
    // open line from (2, 2) to (5, 2), not a closed one.
    Mask m = test::FilledMask(8, 3, 40);
    for (int y = 0; y < 3; ++y) m.at(0, y) = 0;
    m.at(1, 0) = m.at(1, 1) = 80;
    for (int x = 1; x < 5; ++x) m.at(x, 2) = 0;
    m.at(5, 1) = m.at(6, 1) = 0;
    CMeshBuilder builder;
    ContourList lines;
    builder.FindBorderLines(Raster(m), lines);
    ASSERT_EQ(CheckBorderLines(View(m), lines), "");
    const CBorderLine* line = LineThrough(lines, 5, 2);
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(line->closed);
    const CMyPoint &front = *line->points.front(), &back = *line->points.back();
    const auto is = [](const CMyPoint& p, float x, float y) { return p.x == x && p.y == y; };
    EXPECT_TRUE((is(front, 2, 2) && is(back, 5, 2)) || (is(front, 5, 2) && is(back, 2, 2)))
        << "from (" << front.x << "," << front.y << ") to (" << back.x << "," << back.y << ")";
}

TEST(BorderTraceTest, ALineDoesNotRunStraightThroughACheckerboardCornerItCannotTurnAt) {
    // 0 2 0 1
    // 0 1 1 0
    // 0 0 0 0
    // At corner (3, 1) the 1s at (2, 1) and (3, 0) touch diagonally. The
    // traces that come down and up into it find their ways on taken and end
    // there; the one that comes along y = 1 from the junction (2, 1), with 1
    // below, finds only the edge straight on, which has 0 below: the border
    // of another region, so the line ends at (3, 1).
    Mask m = test::FilledMask(4, 3, 0);
    m.at(1, 0) = 80, m.at(3, 0) = 40;
    m.at(1, 1) = 40, m.at(2, 1) = 40;
    CMeshBuilder builder;
    ContourList lines;
    builder.FindBorderLines(Raster(m), lines);
    ASSERT_EQ(CheckBorderLines(View(m), lines), "");

    const CBorderLine* below1 = LineThrough(lines, 2, 1);
    const CBorderLine* below0 = LineThrough(lines, 3, 1);
    ASSERT_TRUE(below1 && below0);
    ASSERT_NE(below1, below0);
    for (const CBorderLine* line : {below1, below0}) {
        EXPECT_FALSE(line->closed);
        const CMyPoint &front = *line->points.front(), &back = *line->points.back();
        EXPECT_TRUE((front.x == 3 && front.y == 1) || (back.x == 3 && back.y == 1))
            << "a line through (3, 1) from (" << front.x << "," << front.y << ") to (" << back.x << "," << back.y
            << ")";
    }
}

TEST(BorderTraceTest, EmptyMaskIsRefused) {
    CMeshBuilder builder;
    ContourList lines;
    TCRaster<unsigned char> empty(-1, -1, kOutsideValue);
    EXPECT_THROW(builder.FindBorderLines(empty, lines), const char*);
}

}  // namespace
}  // namespace frostel
