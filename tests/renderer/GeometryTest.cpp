// The helpers the kernels share, the triangle buffer's composition and the
// matrix toolkit.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "Engine.h"
#include "Matrix.h"
#include "RenderKit.h"
#include "TurnAngles.h"

namespace rtest {
namespace {

// A small frame the helpers write into, set up as a render would.
struct Canvas {
    int w, h;
    std::vector<uint8_t> px;
    Canvas(int width, int height, uint8_t fill = 0) : w(width), h(height), px(size_t(width) * height * 4, fill) {
        _ColorMax = 255;
        _RowLength = w * 4;
        _Clip = _FrameClip = {0, 0, w, h};
        Zwidth = w, Zheight = h;
    }
    ~Canvas() { Zwidth = Zheight = 0; }
    uint8_t* at(int x, int y) { return &px[size_t(y * w + x) * 4]; }
};

TEST(Geometry, FixTriangleOrderTurnsOneWayAndRejectsCollinear) {
    // The top vertex (largest y) first, as the rasterisers hand it.
    __Point3ds pts[3] = {Vertex(5, 10, 0), Vertex(0, 0, 0), Vertex(10, 0, 0)};
    EdgeTriple edges[3] = {{0, 1, 7}, {1, 2, 8}, {2, 0, 9}};
    ASSERT_TRUE(__FixTriangleOrder(edges, pts));
    EXPECT_EQ(pts[1].x, 0.0f);  // already turning the chosen way: unchanged
    EXPECT_EQ(edges[0][2], 7);

    __Point3ds other[3] = {Vertex(5, 10, 0), Vertex(10, 0, 0), Vertex(0, 0, 0)};
    ASSERT_TRUE(__FixTriangleOrder(edges, other));
    EXPECT_EQ(other[1].x, 0.0f);  // b and c swapped, records and attributes
    EXPECT_EQ(other[2].x, 10.0f);
    EXPECT_EQ(edges[0][2], 9);
    EXPECT_EQ(edges[2][2], 7);

    __Point3ds line[3] = {Vertex(10, 10, 0), Vertex(5, 5, 0), Vertex(0, 0, 0)};
    EdgeTriple e2[3] = {{0, 1, 0}, {1, 2, 0}, {2, 0, 0}};
    EXPECT_FALSE(__FixTriangleOrder(e2, line));
}

// The corner sort without acos decides as the float angles do wherever it
// claims to know: edges at any angle, near the axes and near one another,
// pairs near a straight line, lengths from tiny to huge. What it leaves to
// acos stays rare, or the frame would pay for acos after all.
TEST(Geometry, TheCornerSortWithoutAcosDecidesAsTheAnglesDo) {
    const auto angle = [](float dx, float dy) {  // the sorts' own: quadrant base plus acos
        const float ax = std::fabs(dx), ay = std::fabs(dy), len = std::hypot(ax, ay);
        float base, m;
        if (dx >= 0 && dy > 0) base = 0.0f, m = ax;
        else if (dx < 0 && dy > 0) base = 1.5707964f, m = ay;
        else if (dx < 0) base = 3.1415927f, m = ax;
        else base = 4.712389f, m = ay;
        return len > 0 ? base + std::acos(m / len) : base;
    };
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), turn(-3.2f, 3.2f), scale(-6.0f, 6.0f);
    int unsure = 0, checked = 0;
    for (int i = 0; i < 2000000; ++i) {
        const float lb = std::pow(10.0f, scale(rng)), lc = std::pow(10.0f, scale(rng));
        float bx = unit(rng) * lb, by = unit(rng) * lb, cx, cy;
        switch (i % 4) {
            case 0: cx = unit(rng) * lc, cy = unit(rng) * lc; break;
            case 1: {  // c turned from b by a small angle or by nearly pi
                const float t = (i % 8 == 1 ? 3.1415927f : 0.0f) + turn(rng) * 1e-3f;
                cx = (bx * std::cos(t) - by * std::sin(t)) * lc, cy = (bx * std::sin(t) + by * std::cos(t)) * lc;
                break;
            }
            case 2:  // b near an axis
                bx = lb, by = unit(rng) * lb * 0.02f;
                if (i % 8 == 2) std::swap(bx, by);
                cx = unit(rng) * lc, cy = unit(rng) * lc;
                break;
            default:  // both at whole coordinates, as small figures have them
                bx = std::round(unit(rng) * 20), by = std::round(unit(rng) * 20);
                cx = std::round(unit(rng) * 20), cy = std::round(unit(rng) * 20);
        }
        const turn::Order quick = turn::QuickOrder(bx, by, cx, cy);
        if (quick == turn::kUnsure) {
            ++unsure;
            continue;
        }
        const float delta = angle(cx, cy) - angle(bx, by);
        ASSERT_FALSE(std::fabs(delta) < 1e-5f) << bx << " " << by << " " << cx << " " << cy;
        ASSERT_EQ(quick == turn::kSwap, delta < 0 || delta > 3.141592f) << bx << " " << by << " " << cx << " " << cy;
        ++checked;
    }
    EXPECT_LT(unsure, 2000000 / 4);
    EXPECT_GT(checked, 2000000 / 2);
    // Edges of no length or not finite are always left to the angles.
    for (float bad : {0.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(turn::QuickOrder(bad, bad, 1.0f, 2.0f), turn::kUnsure);
    EXPECT_EQ(turn::QuickOrder(1.0f, 0.0f, 1.0f, 2.0f), turn::kUnsure);  // on an axis
    EXPECT_EQ(turn::QuickOrder(1.0f, 1.0f, -1.0f, 2.0f), turn::kKeep);
    EXPECT_EQ(turn::QuickOrder(-1.0f, 2.0f, 1.0f, 1.0f), turn::kSwap);
}

TEST(Geometry, FaceNormalFacesTheViewerForTheFrontWinding) {
    float nx, ny, nz;
    __FaceNormal(Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 1, 0), nx, ny, nz);
    EXPECT_GT(nz, 0.0f);
    __FaceNormal(Vertex(0, 0, 0), Vertex(0, 1, 0), Vertex(1, 0, 0), nx, ny, nz);
    EXPECT_LT(nz, 0.0f);
}

TEST(Geometry, SpanEdgeOfAFlatEdgeAndTheMinimumBand) {
    __Point3ds pts[3] = {Vertex(2, 5, 0), Vertex(30, 5.5f, 0), Vertex(10, 40, 0)};
    const EdgeTriple edges[3] = {{0, 1, 0}, {1, 2, 0}, {2, 0, 0}};
    SpanEdge e;
    EXPECT_EQ(__FindSpanEdge(3, 0, pts, edges, 5, e), 30.0f);  // |dy| < 1: the larger end x
    EXPECT_GE(e.band, 3.0f);
    const float x = __FindSpanEdge(3, 1, pts, edges, 20, e);
    EXPECT_NEAR(x, 30 + (20 - 5.5f) * (10 - 30) / (40 - 5.5f), 1e-4);
    EXPECT_FLOAT_EQ(e.pq2, e.p * e.p + e.q * e.q);
    EXPECT_GE(e.band, 3.0f);
    float minY;
    EXPECT_EQ(__FindTopVertex(3, pts, edges, minY), 2);
    EXPECT_EQ(minY, 5.0f);
    EXPECT_EQ(__FindTopVertex(0, pts, edges, minY), 1);
}

TEST(Geometry, RotateTriplesAndLineEquation) {
    EdgeTriple e[3] = {{0, 1, 5}, {1, 2, 6}, {2, 0, 7}};
    __RotateTriples(3, 2, e);
    EXPECT_EQ(e[0][0], 2);
    EXPECT_EQ(e[0][2], 7);
    EXPECT_EQ(e[1][0], 0);
    float p, q, r;
    __LineEquation(1, 2, 4, 6, p, q, r);
    EXPECT_EQ(p * 1 + q * 2 + r, 0.0f);
    EXPECT_EQ(p * 4 + q * 6 + r, 0.0f);
}

TEST(Geometry, IntersectPlaneFindsTheFootAndLeavesAZeroNormalAlone) {
    const float point[3] = {3, 4, 10}, on[3] = {0, 0, 2};
    const float up[3] = {0, 0, 1}, slant[3] = {0.6f, 0, 0.8f}, none[3] = {0, 0, 0};
    float out[3];
    ProjectOntoTangentPlane(point, on, up, out);
    EXPECT_FLOAT_EQ(out[0], 3);
    EXPECT_FLOAT_EQ(out[1], 4);
    EXPECT_FLOAT_EQ(out[2], 2);
    ProjectOntoTangentPlane(point, on, slant, out);
    EXPECT_NEAR(0.6f * out[0] + 0.8f * (out[2] - 2), 0.0f, 1e-5);  // on the plane
    EXPECT_NEAR((out[0] - 3) * 0.8f - (out[2] - 10) * 0.6f, 0.0f, 1e-4);  // moved along the normal
    ProjectOntoTangentPlane(point, on, none, out);
    EXPECT_EQ(out[0], 3.0f);
    EXPECT_EQ(out[2], 10.0f);
}

TEST(Geometry, BlendPixelRules) {
    Canvas c(4, 4);
    __BlendPixel(c.px.data(), 200, 100, 50, 1, 1, 0.5f);  // onto alpha 0: unmixed, half alpha
    EXPECT_EQ(c.at(1, 1)[0], 200);
    EXPECT_EQ(c.at(1, 1)[3], 127);
    uint8_t* p = c.at(2, 2);
    p[0] = 100, p[1] = 100, p[2] = 100, p[3] = 255;
    __BlendPixel(c.px.data(), 200, 0, 300, 2, 2, 0.5f);  // colours clamp first
    EXPECT_EQ(p[0], 150);
    EXPECT_EQ(p[1], 50);
    EXPECT_EQ(p[2], 177);
    EXPECT_EQ(p[3], 255);
    __BlendPixel(c.px.data(), 9, 9, 9, 3, 0, 1.0f);
    EXPECT_EQ(c.at(3, 0)[3], 255);
    const std::vector<uint8_t> before = c.px;
    __BlendPixel(c.px.data(), 9, 9, 9, 4, 0, 1.0f);
    __BlendPixel(c.px.data(), 9, 9, 9, 0, -1, 1.0f);
    __BlendPixel(c.px.data(), 9, 9, 9, 0, 0, 0.0f);
    __BlendPixel(c.px.data(), 9, 9, 9, 0, 0, std::nanf(""));
    EXPECT_EQ(c.px, before);
}

TEST(Geometry, EdgeCoverageFallsOffOverOnePixelWithRoundCaps) {
    // A horizontal segment from (2, 5) to (12, 5), half-width 1.
    float p, q, r;
    __LineEquation(2, 5, 12, 5, p, q, r);
    const float pq2 = p * p + q * q, root = std::sqrt(pq2);
    auto cov = [&](float x, float y) { return SegmentCoverage(p, q, r, pq2, root, x, y, 1.0f, 2, 5, 12, 5); };
    EXPECT_FLOAT_EQ(cov(6, 5), 1.0f);
    EXPECT_FLOAT_EQ(cov(6, 5.5f), 0.5f);
    EXPECT_FLOAT_EQ(cov(6, 6), 0.0f);
    EXPECT_NEAR(cov(12.6f, 5), 0.4f, 1e-6);  // past the end: distance to the end point
    EXPECT_NEAR(cov(1.7f, 5.4f), 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(cov(20, 5), 0.0f);
}

uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// The kernels divide by a reciprocal taken once in double; the result must be
// the float division's to the bit, or pictures would move.
TEST(Numbers, DividingByADoubleReciprocalIsTheFloatDivision) {
    std::mt19937 rng(23);
    auto same = [](float x, float y) {
        const float q = x / y, p = DivideBy(x, Reciprocal(y));
        return std::isnan(q) ? std::isnan(p) : Bits(q) == Bits(p);
    };
    // Any bit patterns: every exponent, subnormals, infinities, both zeros.
    for (int i = 0; i < 1000000; ++i) {
        const uint32_t a = rng(), b = rng();
        float x, y;
        std::memcpy(&x, &a, 4), std::memcpy(&y, &b, 4);
        ASSERT_TRUE(same(x, y)) << x << " / " << y;
    }
    // Whole numbers of 24 bits, whose quotients come closest to the midpoints
    // between floats; and the pixel coordinates a depth plane divides.
    std::uniform_int_distribution<int> wide(1, (1 << 24) - 1);
    for (int i = 0; i < 1000000; ++i) {
        const float x = float(wide(rng)), y = float(wide(rng));
        ASSERT_TRUE(same(x, y)) << x << " / " << y;
        ASSERT_TRUE(same(float(i % 4099) * 0.37f - 750.0f, 0.01f + float(i % 977) * 1e-3f)) << i;
    }
    const float inf = std::numeric_limits<float>::infinity(), tiny = std::numeric_limits<float>::denorm_min();
    const float big = std::numeric_limits<float>::max();
    for (float x : {0.0f, -0.0f, 1.0f, -3.0f, tiny, big, inf, -inf})
        for (float y : {0.0f, -0.0f, 3.0f, -0.5f, tiny, big, inf, 1e-30f})
            EXPECT_TRUE(same(x, y)) << x << " / " << y;
}

// Texel coordinates wrap by WholeRemainder: fmod's result to the bit, the
// sign of a zero included, for floats of any size and whole sizes.
TEST(Numbers, TheWholeRemainderIsFmods) {
    std::mt19937 rng(11);
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (double n : {1.0, 2.0, 3.0, 97.0, 100.0, 4096.0, 2147483647.0}) {
        for (int i = 0; i < 200000; ++i) {
            const uint32_t bits = rng();
            float x;
            std::memcpy(&x, &bits, 4);
            if (!std::isfinite(x)) continue;
            ASSERT_TRUE(same(WholeRemainder(x, n), std::fmod(double(x), n))) << x << " mod " << n;
        }
        // Multiples of n and their neighbours, where the quotient rounds to a whole number.
        for (int k = -3000; k <= 3000; ++k)
            for (float x : {float(k * n), std::nextafter(float(k * n), 1e30f), std::nextafter(float(k * n), -1e30f)})
                ASSERT_TRUE(same(WholeRemainder(x, n), std::fmod(double(x), n))) << x << " mod " << n;
    }
}

// The depth test's depth is PlaneDepth's, its division taken once a triangle.
TEST(Numbers, TheDepthTestTakesThePlanesDepth) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coefficient(-1.0f, 1.0f), offset(-5000.0f, 5000.0f);
    ZBuff = nullptr;
    for (int i = 0; i < 2000; ++i) {
        float plane[4] = {coefficient(rng), coefficient(rng), coefficient(rng), offset(rng)};
        if (i % 10 == 0) plane[2] = 0.005f;  // seen edge-on: the corner's depth
        const DepthTest test(plane, 42.0f);
        for (int y = -3; y < 4000; y += 397)
            for (int x = -3; x < 4000; x += 131) {
                float depth;
                ASSERT_TRUE(test(x, y, false, depth));
                ASSERT_EQ(Bits(depth), Bits(PlaneDepth(plane, float(x), float(y), 42.0f))) << i << " " << x << " " << y;
            }
    }
}

// The clamped floor and ceiling are the library's, clamped, for values in and
// beyond the range, negative fractions, exact integers and NaN.
TEST(Numbers, ClampedFloorAndCeilingAreTheLibrarys) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> value(-3e9, 3e9), small(-3.0, 3.0);
    const int limits[][2] = {{-5, 5}, {0, 640}, {INT_MIN, INT_MAX}, {-2147483647, 100}};
    for (int i = 0; i < 200000; ++i) {
        double v = i % 3 == 0 ? small(rng) : value(rng);
        if (i % 5 == 0) v = std::round(v);
        if (i % 7 == 0) v = std::nextafter(std::round(v), i % 2 ? 1e300 : -1e300);
        for (const auto& l : limits) {
            const double c = std::min(std::max(v, double(l[0])), double(l[1]));
            ASSERT_EQ(FloorClamp(v, l[0], l[1]), int(std::floor(c))) << v;
            ASSERT_EQ(CeilClamp(v, l[0], l[1]), int(std::ceil(c))) << v;
        }
    }
    EXPECT_EQ(FloorClamp(std::nan(""), -4, 9), -4);
    EXPECT_EQ(CeilClamp(std::nan(""), -4, 9), -4);
    EXPECT_EQ(FloorClamp(-0.0, -4, 9), 0);
    EXPECT_EQ(CeilClamp(-0.5, -4, 9), 0);
}

// Scanning a row four pixels at a time finds the pixels, depths and stored
// values that testing them one by one does, whatever the run's length and
// start, the plane (edge-on included) and the z-buffer's ties and NaNs.
TEST(Numbers, TheDepthScanOfARowIsThePixelByPixelTest) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coefficient(-1.0f, 1.0f), offset(-500.0f, 500.0f);
    const int w = 97, h = 5;
    std::vector<float> scanned(size_t(w) * h), single(scanned.size());
    Zwidth = w, Zheight = h;
    for (int i = 0; i < 3000; ++i) {
        float plane[4] = {coefficient(rng), coefficient(rng), coefficient(rng), offset(rng)};
        if (i % 10 == 0) plane[2] = 0.005f;
        if (i % 7 == 0) plane[0] = 0.0f;  // a depth that does not change along the row
        // Stored depths near the plane's, some equal to it, some NaN.
        ZBuff = single.data();
        const DepthTest probe(plane, 42.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float depth;
                single[size_t(y) * w + x] = kDepthFill;
                probe(x, y, false, depth);
                const int pick = int(rng() % 5);
                single[size_t(y) * w + x] = pick == 0 ? depth
                                            : pick == 1 ? std::nanf("")
                                                        : depth + offset(rng) * 0.01f;
            }
        scanned = single;
        const int y = int(rng() % h);
        const int x0 = int(rng() % w), x1 = std::min(w - 1, x0 + int(rng() % 40) - 3);
        std::vector<std::pair<int, uint32_t>> a, b;
        ZBuff = scanned.data();
        const DepthTest scan(plane, 42.0f);
        float depth;
        for (int x = scan.NextPass(x0, x1, y, depth); x <= x1; x = scan.NextPass(x + 1, x1, y, depth))
            a.push_back({x, Bits(depth)});
        ZBuff = single.data();
        const DepthTest one(plane, 42.0f);
        for (int x = x0; x <= x1; ++x)
            if (one(x, y, true, depth)) b.push_back({x, Bits(depth)});
        ASSERT_EQ(a, b) << i;
        ASSERT_EQ(std::memcmp(scanned.data(), single.data(), scanned.size() * sizeof(float)), 0) << i;
    }
    ZBuff = nullptr;
    Zwidth = Zheight = 0;
}

TEST(Compose, OneSurfacesEdgesBlendOnceOverTheBackground) {
    Canvas dst(3, 1);
    std::vector<uint8_t> tri(12), edges(3 * kEdgeChannels);
    _TriangleBuffer = tri.data(), _EdgeMemory = edges.data();
    for (int x = 0; x < 3; ++x) {
        uint8_t* d = dst.at(x, 0);
        d[0] = d[1] = d[2] = 0, d[3] = 255;  // black, drawn
    }
    auto put = [&](int x, uint8_t v, uint8_t a) {
        tri[4 * x] = tri[4 * x + 1] = tri[4 * x + 2] = v;
        tri[4 * x + 3] = a;
    };
    // First triangle covers the pixel half: blended over black.
    put(0, 200, 128);
    __ComposeTriangleRect(dst.px.data(), 0, 0, 1, 1);
    EXPECT_EQ(dst.at(0, 0)[0], 100);
    // Its neighbour, 19 levels off: the same surface; blended over black again, with the larger coverage.
    put(0, 219, 102);
    __ComposeTriangleRect(dst.px.data(), 0, 0, 1, 1);
    EXPECT_EQ(dst.at(0, 0)[0], 109);  // 219 * 128/255 over black, not over the first blend
    // Exactly 20 levels off: a new edge, blended over what is there now.
    put(0, 239, 128);
    __ComposeTriangleRect(dst.px.data(), 0, 0, 1, 1);
    EXPECT_EQ(dst.at(0, 0)[0], int(239 * (128 / 255.0f) + 109 * (1 - 128 / 255.0f)));
    // Full coverage replaces; no coverage leaves; onto an empty pixel the colour goes unmixed.
    put(1, 50, 255);
    put(2, 70, 0);
    __ComposeTriangleRect(dst.px.data(), 1, 0, 3, 1);
    EXPECT_EQ(dst.at(1, 0)[0], 50);
    EXPECT_EQ(dst.at(2, 0)[0], 0);
    dst.at(2, 0)[3] = 0;
    put(2, 70, 90);
    __ComposeTriangleRect(dst.px.data(), 2, 0, 3, 1);
    EXPECT_EQ(dst.at(2, 0)[0], 70);
    EXPECT_EQ(dst.at(2, 0)[3], 90);
    _TriangleBuffer = _EdgeMemory = nullptr;
}

TEST(Matrix, DeterminantInverseAndRotations) {
    const Matrix3 corners = {{0, 1, 0, 0, 0, 1, 1, 1, 1}};
    EXPECT_EQ(Matrix3::Determinant(corners), 1.0f);
    Matrix3 singular = {{1, 2, 3, 2, 4, 6, 0, 1, 1}};
    const Matrix3 copy = singular;
    EXPECT_FALSE(Matrix3::Invert(singular));
    EXPECT_EQ(0, std::memcmp(&singular, &copy, sizeof copy));
    Matrix3 m = {{2, 0, 1, 1, 3, 0, 0, 1, 4}}, inv = m, product;
    ASSERT_TRUE(Matrix3::Invert(inv));
    Matrix3::Multiply(product, m, inv);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(product.m[i], i % 4 == 0 ? 1 : 0, 1e-6) << i;

    Matrix4 d;
    Matrix4::SetDiagonal(d, 2);
    EXPECT_EQ(d.m[0], 2);
    EXPECT_EQ(d.m[10], 2);
    EXPECT_EQ(d.m[15], 1);
    EXPECT_EQ(d.m[1], 0);
    const float x[3] = {1, 0, 0};
    float out[3];
    Matrix4 rz;
    Matrix4::RotateZ(rz, 1.5707963f);
    Matrix4::TransformPoint(out, rz, x);
    EXPECT_NEAR(out[0], 0, 1e-6);
    EXPECT_NEAR(out[1], 1, 1e-6);
    Matrix3 rz3;
    Matrix3::RotateZ(rz3, 1.5707963f);
    Matrix3::TransformVector(out, rz3, x);
    EXPECT_NEAR(out[0], 0, 1e-6);
    EXPECT_NEAR(out[1], -1, 1e-6);
    // Both families share the rotation about y.
    Matrix4 ry;
    Matrix3 ry3;
    Matrix4::RotateY(ry, 0.3f);
    Matrix3::RotateY(ry3, 0.3f);
    EXPECT_EQ(ry.m[2], ry3.m[2]);
    EXPECT_EQ(ry.m[8], ry3.m[6]);
}

TEST(Matrix, Matrix4InverseAndProjectiveDivide) {
    Matrix4 t, r, m, inv, id;
    const float move[3] = {3, -2, 5};
    Matrix4::SetTranslation(t, move);
    const float axis[3] = {0.6f, 0, 0.8f};
    Matrix4::RotateAxis(r, axis, 0.7f);
    Matrix4::Multiply(m, t, r);
    inv = m;
    ASSERT_TRUE(Matrix4::Invert(inv));
    Matrix4::Multiply(id, m, inv);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(id.m[i], i % 5 == 0 ? 1 : 0, 1e-5) << i;
    const float p[3] = {1, 2, 3};
    float out[3];
    Matrix4 proj;
    Matrix4::SetDiagonal(proj, 1);
    proj.m[14] = 1, proj.m[15] = 0;  // w = z
    Matrix4::TransformPoint(out, proj, p);
    EXPECT_FLOAT_EQ(out[0], 1.0f / 3);
    EXPECT_FLOAT_EQ(out[2], 1.0f);
    Matrix4 zero;
    Matrix4::SetDiagonal(zero, 0);
    EXPECT_FALSE(Matrix4::Invert(zero));
    Matrix4::Transpose(t);
    EXPECT_EQ(t.m[12], 3.0f);
}

}  // namespace
}  // namespace rtest
