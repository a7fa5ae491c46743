#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "MeshBuilder.h"

namespace frostel {
namespace {

CBorderLine Line(CPointSet& set, std::initializer_list<std::pair<float, float>> pts, bool closed = false) {
    CBorderLine line;
    for (auto [x, y] : pts) line.points.emplace_back(set.Insert(x, y, kContourZ));
    line.closed = closed;
    return line;
}

TEST(ContourResampleTest, FarthestFromChordSplitsOnlyInsideTheSpan) {
    CMeshBuilder b;
    CPointSet set;
    CBorderLine line = Line(set, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}});
    CBorderLine::Entry f;
    // All on the chord: no split point, so a zero tolerance cannot loop.
    EXPECT_EQ(b.FindFarthestFromChord(line, line.points.begin(), std::prev(line.points.end()), f), 0.0);
    EXPECT_EQ(f, line.points.end());
    EXPECT_EQ(b.FindFarthestFromChord(line, line.points.begin(), line.points.begin(), f), 0.0);
    EXPECT_EQ(f, line.points.end());

    CBorderLine bent = Line(set, {{0, 0}, {1, 1}, {2, 3}, {3, 3}, {4, 0}});
    const double d = b.FindFarthestFromChord(bent, bent.points.begin(), std::prev(bent.points.end()), f);
    EXPECT_DOUBLE_EQ(d, 3.0);
    ASSERT_NE(f, bent.points.end());
    EXPECT_EQ((*f)->x, 2.0f);  // the first of the two farthest
}

TEST(ContourResampleTest, SubdivisionKeepsNeighboursWithinTheSpacing) {
    CMeshBuilder b;
    CPointSet set;
    CBorderLine line = Line(set, {{0, 0}, {10, 0}, {10, 3}, {4, 7}});
    b.SubdivideContourEdges(line, 3, set);
    auto prev = line.points.begin();
    int n = 1;
    for (auto it = std::next(prev); it != line.points.end(); prev = it++, ++n) {
        EXPECT_LE(std::fabs((*it)->x - (*prev)->x) + std::fabs((*it)->y - (*prev)->y), 3.0f);
        EXPECT_EQ((*it)->flags & kPointSubdivide, 0u);
    }
    // Runs of 10, 3 and 10 get 3, 1 and 3 points.
    EXPECT_EQ(n, 4 + 3 + 1 + 3);
    EXPECT_EQ(line.points.back()->x, 4.0f);
}

TEST(ContourResampleTest, SingleRunIsStillSubdivided) {
    CMeshBuilder b;
    CPointSet set;
    CBorderLine line = Line(set, {{0, 12}, {40, 12}});
    b.ResampleContour(line, set, 1.0f, 6);
    EXPECT_EQ(line.points.size(), 8u);
    EXPECT_EQ(line.points.front()->x, 0.0f);
    EXPECT_EQ(line.points.back()->x, 40.0f);
}

TEST(ContourResampleTest, ClosedStaircaseStaysClosedOnAKeyPoint) {
    CMeshBuilder b;
    CPointSet set;
    // A 6 x 6 square with a notch, as the tracer leaves it.
    CBorderLine line = Line(set, {{2, 0}, {6, 0}, {6, 6}, {3, 6}, {3, 5}, {2, 5}, {2, 6}, {0, 6}, {0, 0}, {2, 0}}, true);
    b.ResampleContour(line, set, 1.0f, -1);  // no subdivision: only key points stay
    ASSERT_GE(line.points.size(), 5u);
    EXPECT_EQ(line.points.front(), line.points.back());
    for (auto& p : line.points) EXPECT_TRUE(p->flags & kPointKey) << p->x << "," << p->y;
}

}  // namespace
}  // namespace frostel
