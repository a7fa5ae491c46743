#include "MeshBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "TriangulationChecks.h"

namespace frostel {
namespace {

std::vector<uint8_t> Disc(int w, int h, float cx, float cy, float r) {
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (std::hypot(x + 0.5f - cx, y + 0.5f - cy) < r) mask[y * w + x] = 255;
    return mask;
}

// The distance of a full pixel by brute force: the (3, 4) chamfer length of
// the shortest offset to a pixel that is not full or lies outside.
int ChamferReference(const std::vector<uint8_t>& mask, int w, int h, int x, int y) {
    if (mask[y * w + x] < 255) return 0;
    int best = INT32_MAX;
    for (int sy = -1; sy <= h; ++sy)
        for (int sx = -1; sx <= w; ++sx) {
            const bool outside = sx < 0 || sy < 0 || sx >= w || sy >= h;
            if (!outside && mask[sy * w + sx] >= 255) continue;
            const int dx = std::abs(sx - x), dy = std::abs(sy - y);
            best = std::min(best, 4 * std::min(dx, dy) + 3 * (std::max(dx, dy) - std::min(dx, dy)));
        }
    return best;
}

class Relief : public CMeshBuilder {
public:
    using CMeshBuilder::mask_;
};

TEST(Relief, DistanceRasterIsTheChamferDistance) {
    std::mt19937 rng(2);
    const int w = 23, h = 17;
    std::vector<uint8_t> mask(w * h);
    for (auto& m : mask) m = rng() % 5 ? 255 : static_cast<uint8_t>(rng() % 255);
    Relief builder;
    ASSERT_TRUE(builder.mask_.CreateStrided(h, w, w));
    std::copy(mask.begin(), mask.end(), builder.mask_.Pixels());
    TCRaster<int> distance(-1, -1, 0);
    builder.BuildDistanceRaster(distance);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) EXPECT_EQ(distance.Get(x, y), ChamferReference(mask, w, h, x, y)) << x << "," << y;
}

TEST(Relief, PeaksAndHeights) {
    CMeshBuilder builder;
    TCRaster<int> distance(10, 4, 0), peak(10, 4, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
            distance.Set(x, y, x * 3);
            peak.Set(x, y, 27);
        }
    CPointSet& set = builder.PointSet();
    CMyPoint* border = set.Insert(9, 1, 0);
    border->flags |= kPointRibEnd;
    CMyPoint* deepest = set.Insert(9, 2, 0);
    CMyPoint* half = set.Insert(4.5f, 2, 0);   // 4.5 rounds down to pixel 4
    CMyPoint* past = set.Insert(4.51f, 3, 0);  // rounds up to 5
    CMyPoint* outside = set.Insert(30, 1, 0);
    builder.SetPointHeights(distance, peak);
    EXPECT_EQ(border->z, 0.0f);
    EXPECT_FLOAT_EQ(deepest->z, 30.0f);
    EXPECT_FLOAT_EQ(half->z, static_cast<float>(30 * std::sqrt(12.0 / 27)));
    EXPECT_FLOAT_EQ(past->z, static_cast<float>(30 * std::sqrt(15.0 / 27)));
    EXPECT_EQ(outside->z, 0.0f);

    TCRaster<int> regions(6, 3, 0), peaks(-1, -1, 0);
    const int values[18] = {0, 5, 7, 0, 2, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4};
    for (int i = 0; i < 18; ++i) regions.Set(i % 6, i / 6, values[i]);
    CMeshBuilder::LabelRegions(regions, peaks);
    EXPECT_EQ(peaks.Get(1, 0), 9);
    EXPECT_EQ(peaks.Get(1, 1), 9);
    EXPECT_EQ(peaks.Get(4, 0), 2);  // 8-connected to nothing else
    EXPECT_EQ(peaks.Get(5, 2), 4);
    EXPECT_EQ(peaks.Get(0, 0), 0);
}

// Mesh properties shared by the loads below.
void ExpectSoundMesh(CMeshBuilder& builder, CTriangles** triangles, int count, int w, int h) {
    ASSERT_GT(count, 0);
    EXPECT_EQ(testing::CheckStructure(triangles, count, static_cast<float>(w), static_cast<float>(h)), "");
    EXPECT_EQ(testing::CheckEuler(triangles, count, static_cast<float>(w), static_cast<float>(h)), "");
    // Every point of the set, border points first of all, is a vertex.
    for (const CMyPointPtr& p : builder.PointSet()) EXPECT_FALSE(p->triangles.empty()) << p->x << "," << p->y;
}

TEST(Relief, DiscRisesFromItsBorderToItsCentre) {
    const int w = 64, h = 56;
    const float cx = 30, cy = 27, r = 20;
    const std::vector<uint8_t> mask = Disc(w, h, cx, cy, r);
    CMeshBuilder builder;
    CTriangles** triangles = nullptr;
    int count = 0;
    ASSERT_TRUE(builder.LoadMask(w, h, w, mask.data(), 1.0f, 6, triangles, count));
    ExpectSoundMesh(builder, triangles, count, w, h);

    int ribEnds = 0, inner = 0;
    float top = 0;
    std::map<int, std::pair<double, int>> rings;  // mean height by distance from the centre
    for (const CMyPointPtr& p : builder.PointSet()) {
        const double d = std::hypot(p->x - cx, p->y - cy);
        if (p->flags & kPointRibEnd) {
            ++ribEnds;
            EXPECT_EQ(p->z, 0.0f);
            // On the disc's border, within the simplification's tolerance
            // (step + 2 - 0.5), or on the frame.
            if (d < r + 3) {
                EXPECT_NEAR(d, r, 3.0) << p->x << "," << p->y;
            }
        }
        if (p->flags & kPointInner) {
            ++inner;
            EXPECT_LT(d, r);
            EXPECT_GT(p->z, 0.0f);
        }
        top = std::max(top, p->z);
        if (d < r) {
            auto& ring = rings[static_cast<int>(d / 5)];
            ring.first += p->z;
            ++ring.second;
        }
    }
    EXPECT_GT(ribEnds, 20);
    EXPECT_GE(inner, 1);
    EXPECT_FLOAT_EQ(top, 30.0f);  // the deepest point of the region
    double last = 1e9;
    for (const auto& [band, sum] : rings) {
        const double mean = sum.first / sum.second;
        EXPECT_LT(mean, last) << "band " << band;
        last = mean;
    }
    // The disc's border ribs are sides of the mesh.
    int restricted = 0;
    for (int k = 0; k < count; ++k)
        for (int s = 0; s < 3; ++s) restricted += triangles[k]->side[s] != 0;
    EXPECT_GT(restricted, 20);
}

TEST(Relief, MaskWithoutFullPixelsIsFlat) {
    const int w = 20, h = 15;
    std::vector<uint8_t> mask(w * h, 128);
    CMeshBuilder builder;
    CTriangles** triangles = nullptr;
    int count = 0;
    ASSERT_TRUE(builder.LoadMask(w, h, w, mask.data(), 1.0f, 4, triangles, count));
    ExpectSoundMesh(builder, triangles, count, w, h);
    for (const CMyPointPtr& p : builder.PointSet()) {
        EXPECT_FALSE(p->flags & kPointInner);
        EXPECT_EQ(p->z, 0.0f);
    }
}

TEST(Relief, SeveralRegionsAndBadInput) {
    const int w = 48, h = 40;
    std::vector<uint8_t> mask = Disc(w, h, 14, 14, 9);
    const std::vector<uint8_t> second = Disc(w, h, 34, 26, 10);
    for (size_t i = 0; i < mask.size(); ++i) mask[i] |= second[i];
    mask[39 * w + 47] = 255;  // a speck
    CMeshBuilder builder;
    CTriangles** triangles = nullptr;
    int count = 0;
    ASSERT_TRUE(builder.LoadMask(w, h, w, mask.data(), 0.0f, 100, triangles, count));
    ExpectSoundMesh(builder, triangles, count, w, h);
    int peaks = 0;
    for (const CMyPointPtr& p : builder.PointSet()) peaks += (p->flags & kPointInner) != 0;
    EXPECT_GE(peaks, 2);

    CMeshBuilder bad;
    CTriangles** untouched = reinterpret_cast<CTriangles**>(&bad);
    int n = -7;
    EXPECT_FALSE(bad.LoadMask(0, 10, 10, mask.data(), 1.0f, 4, untouched, n));
    EXPECT_FALSE(bad.LoadMask(10, 10, 10, nullptr, 1.0f, 4, untouched, n));
    EXPECT_EQ(untouched, reinterpret_cast<CTriangles**>(&bad));
    EXPECT_EQ(n, -7);
}

}  // namespace
}  // namespace frostel
