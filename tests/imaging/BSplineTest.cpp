#include "BSpline.h"

#include "PageMemory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace frostel {
namespace {

using Image = std::vector<float>;

// A value no pass writes: marks the samples a pass must leave alone.
constexpr float kUntouched = -12345.0f;

Image RandomImage(int w, int h, unsigned seed, float scale = 255.0f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(0.0f, scale);
    Image image(static_cast<size_t>(w) * h);
    for (float& v : image) v = value(rng);
    return image;
}

// The uniform cubic B-spline basis centred at 0, in closed form.
double Cubic(double t) {
    t = std::fabs(t);
    if (t < 1) return (4 - 6 * t * t + 3 * t * t * t) / 6;
    if (t < 2) return (2 - t) * (2 - t) * (2 - t) / 6;
    return 0;
}

// Every pass leaves page memory as it found it.
class BSpline : public ::testing::Test {
protected:
    void SetUp() override { live_ = GetPageMemoryStats().live; }
    void TearDown() override {
        FailPageAllocationAfter(0);
        EXPECT_EQ(GetPageMemoryStats().live, live_);
    }
    int64_t live_ = 0;
};

TEST_F(BSpline, IntervalsAndKernelValues) {
    EXPECT_EQ(BSplineInterval(5, 3.0f), -2);
    EXPECT_EQ(BSplineInterval(5, 4.0f), -1);
    EXPECT_EQ(BSplineInterval(5, 5.0f), 0);
    EXPECT_EQ(BSplineInterval(5, 6.5f), 1);
    EXPECT_EQ(BSplineInterval(5, 7.0f), -3);
    EXPECT_EQ(BSplineInterval(5, 2.99f), -3);
    EXPECT_FLOAT_EQ(BSplineTensionTerm(0, 1.0f), 1.0f / 6);
    EXPECT_EQ(BSplineTensionTerm(0, 2.0f), 0.0f);
    EXPECT_FLOAT_EQ(BSplineTension(3, 3.0f, 1.0f), 2.0f / 3);
    EXPECT_FLOAT_EQ(BSplineTension(3, 3.0f, 0.0f), 0.5f);
    for (float a : {0.0f, 0.5f, 1.0f, 2.0f}) {
        EXPECT_FLOAT_EQ(BSplineTension(0, 1.0f, a), a / 6);
        EXPECT_FLOAT_EQ(BSplineTension(0, -1.0f, a), (3 - 2 * a) / 6);
    }
}

TEST_F(BSpline, TensionKernelIsQuadraticPlusTensionTimesTerm) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> pos(-2.5f, 2.5f), tension(-1.0f, 3.0f);
    for (int n = 0; n < 2000; ++n) {
        const float x = pos(rng), a = tension(rng);
        const float closed = BSplineTension(0, x, a);
        EXPECT_NEAR(closed, BSplineTensionSum(0, x, a), 1e-5) << x << " " << a;
        EXPECT_NEAR(closed, BSplineQuadratic(0, x) + a * BSplineTensionTerm(0, x), 1e-5);
        // At a = 1 the kernel is the cubic B-spline, at a = 0 the quadratic
        // one on the knots -2 .. 1.
        EXPECT_NEAR(BSplineTension(0, x, 1.0f), Cubic(x), 1e-6) << x;
        // The four knots around any position share it out completely.
        const int base = static_cast<int>(std::floor(x));
        float sum = 0.0f;
        for (int k = base - 1; k <= base + 2; ++k) sum += BSplineTension(k, x, a);
        EXPECT_NEAR(sum, 1.0f, 1e-5) << x << " " << a;
    }
}

TEST_F(BSpline, StepKernelsAreTheLeftEndValuesOfTheirPieces) {
    for (int piece = -2; piece <= 1; ++piece) {
        const float left = static_cast<float>(piece);
        for (float t : {left, left + 0.3f, left + 0.99f}) {
            EXPECT_FLOAT_EQ(BSplineCubicStep(0, t), static_cast<float>(Cubic(left)))
                << piece;
            EXPECT_FLOAT_EQ(BSplineCubicStep(0, t),
                            BSplineQuadraticStep(0, t) + BSplineTensionTermStep(0, t));
        }
    }
    // Slopes at the left ends of pieces 1, 0, -1.
    EXPECT_FLOAT_EQ(BSplineCubicSlopeStep(0, 1.5f), -0.5f);
    EXPECT_FLOAT_EQ(BSplineCubicSlopeStep(0, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(BSplineCubicSlopeStep(0, -0.5f), 0.5f);
    EXPECT_FLOAT_EQ(BSplineCubicSlopeStep(0, -1.5f), 0.0f);
    EXPECT_FLOAT_EQ(BSplineQuadraticSlopeStep(0, 0.2f), -1.0f);
    EXPECT_FLOAT_EQ(BSplineQuadraticSlopeStep(0, -0.2f), 1.0f);
}

TEST_F(BSpline, TablesHoldTheKernelsAtTheirPositions) {
    struct Expect4 {
        float* (*make)();
        float v[4];
    };
    const Expect4 fours[] = {
        {MakeQuadraticTable4, {0, 0.5f, 0.5f, 0}},
        {MakeQuadraticSlopeTable4, {0, -1, 1, 0}},
        {MakeTensionTermTable4, {1.0f / 6, 1.0f / 6, -1.0f / 3, 0}},
        {MakeTensionSlopeTable4, {-0.5f, 1, -0.5f, 0}},
    };
    for (const Expect4& e : fours) {
        float* table = e.make();
        ASSERT_NE(table, nullptr);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(table[i], e.v[i]) << i;
        ReleaseTable(table);
    }
    float* one = MakeTensionTable(1, 0.8f);
    ASSERT_NE(one, nullptr);
    EXPECT_FLOAT_EQ(one[0], 0.0f);
    EXPECT_FLOAT_EQ(one[1], 0.0f);
    EXPECT_FLOAT_EQ(one[2], 0.8f / 6);
    EXPECT_FLOAT_EQ(one[3], 3.8f / 6);
    ReleaseTable(one);

    const int n = 5;
    float* quadratic = MakeQuadraticTable(n);
    float* term = MakeTensionTermTable(n);
    float* tension = MakeTensionTable(n, 0.6f);
    ASSERT_TRUE(quadratic && term && tension);
    for (int r = 0; r < 4; ++r) {
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(i + 2) / n;
            EXPECT_FLOAT_EQ(quadratic[r * n + i], BSplineQuadratic(r - 1, x));
            EXPECT_NEAR(TensionTableWeight(r, i, n, quadratic, term, 0.6f), tension[r * n + i], 1e-6);
        }
    }
    EXPECT_FLOAT_EQ(SumTableWeights(1, 2, quadratic, term), quadratic[3] + term[3]);
    ReleaseTable(quadratic);
    ReleaseTable(term);
    ReleaseTable(tension);

    EXPECT_EQ(MakeQuadraticTable(0), nullptr);
    EXPECT_EQ(MakeTensionTable(-4, 1.0f), nullptr);
    ReleaseTable(nullptr);
}

TEST_F(BSpline, PrefilterOfThreeByThreeSolvesTheCentre) {
    Image source = {7, 8, 9, 10, 4, 11, 12, 13, 14};
    Image destination(9, kUntouched);
    ASSERT_TRUE(PrefilterBSpline(3, 3, destination.data(), source.data()));
    for (int i = 0; i < 9; ++i) {
        if (i == 4)
            EXPECT_FLOAT_EQ(destination[i], 9.0f);  // 9/4 x 4
        else if (i == 1)
            EXPECT_EQ(destination[i], 0.0f);
        else
            EXPECT_EQ(destination[i], kUntouched) << i;
    }
}

// The prefilter's coefficients, weighted 1/6, 2/3, 1/6 on each axis, give
// the samples back.
TEST_F(BSpline, PrefilterThenReconstructionReturnsTheSamples) {
    const int w = 13, h = 9;
    const Image source = RandomImage(w, h, 5);
    Image coefficients(source.size(), 0.0f), back(source.size(), kUntouched);
    ASSERT_TRUE(PrefilterBSpline(w, h, coefficients.data(), source.data()));
    ASSERT_TRUE(ReconstructBSpline(w, h, nullptr, coefficients.data(), back.data()));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float v = back[y * w + x];
            if (x >= 2 && x <= w - 3 && y >= 2 && y <= h - 3)
                EXPECT_NEAR(v, source[y * w + x], 2e-3) << x << "," << y;
            else
                EXPECT_EQ(v, kUntouched) << x << "," << y;
        }
    }
}

// Applies the tridiagonal operator of a solve with per-sample tensions: the
// mapped prefilter must invert it on the interior.
TEST_F(BSpline, MappedPrefilterInvertsItsOwnOperators) {
    const int w = 11, h = 8;
    const Image source = RandomImage(w, h, 9);
    const Image rowTension = RandomImage(w, h, 10, 1.0f);
    Image columnTension = RandomImage(w, h, 11, 1.0f);
    for (float& a : columnTension) a += 0.5f;  // 0.5 .. 1.5
    Image c(source.size(), 0.0f);
    ASSERT_TRUE(PrefilterBSplineMapped(w, h, c.data(), source.data(), rowTension.data(),
                                       columnTension.data()));
    // Column operator on the coefficients gives the row solution...
    Image rows(source.size(), 0.0f);
    for (int x = 1; x <= w - 2; ++x)
        for (int j = 1; j <= h - 2; ++j) {
            const float a = columnTension[j * w + x];
            double sum = 0;
            for (int k = j - 1; k <= j + 1; ++k)
                sum += BSplineTension(k, float(j), a) * (k == h - 1 ? 0.0f : c[k * w + x]);
            rows[j * w + x] = static_cast<float>(sum);
        }
    // ...and the row operator on that gives the samples.
    for (int y = 1; y <= h - 2; ++y)
        for (int i = 1; i <= w - 2; ++i) {
            const float a = rowTension[y * w + i];
            double sum = 0;
            for (int k = i - 1; k <= i + 1; ++k) sum += BSplineTension(k, float(i), a) * rows[y * w + k];
            EXPECT_NEAR(sum, source[y * w + i], 5e-3) << i << "," << y;
        }
    // Constant maps of 1 are the plain prefilter; absent maps too.
    Image plain(source.size(), 0.0f), ones(source.size(), 1.0f), mapped(source.size(), 0.0f),
        absent(source.size(), 0.0f);
    ASSERT_TRUE(PrefilterBSpline(w, h, plain.data(), source.data()));
    ASSERT_TRUE(PrefilterBSplineMapped(w, h, mapped.data(), source.data(), ones.data(), ones.data()));
    ASSERT_TRUE(PrefilterBSplineMapped(w, h, absent.data(), source.data(), nullptr, nullptr));
    EXPECT_EQ(plain, mapped);
    EXPECT_EQ(plain, absent);
}

TEST_F(BSpline, BytePrefilterConvertsOrSolves) {
    const int w = 7, h = 6;
    std::vector<unsigned char> bytes(w * h);
    Image floats(w * h);
    for (int i = 0; i < w * h; ++i) {
        bytes[i] = static_cast<unsigned char>((i * 37) % 256);
        floats[i] = bytes[i];
    }
    Image converted(w * h, kUntouched);
    ASSERT_TRUE(PrefilterBSplineBytes(w, h, converted.data(), bytes.data(), 1.0f, 1));
    EXPECT_EQ(converted, floats);
    Image solved(w * h, 0.0f), reference(w * h, 0.0f);
    ASSERT_TRUE(PrefilterBSplineBytes(w, h, solved.data(), bytes.data(), 1.0f, 0));
    ASSERT_TRUE(PrefilterBSpline(w, h, reference.data(), floats.data()));
    EXPECT_EQ(solved, reference);
}

TEST_F(BSpline, PrefilterRefusesDegenerateInputWithoutWriting) {
    const Image source = RandomImage(6, 6, 1);
    Image destination(36, kUntouched);
    const Image untouched = destination;
    // One row or column would write index -1.
    EXPECT_FALSE(PrefilterBSpline(1, 6, destination.data(), source.data()));
    EXPECT_FALSE(PrefilterBSpline(6, 1, destination.data(), source.data()));
    EXPECT_FALSE(PrefilterBSpline(0, 6, destination.data(), source.data()));
    // Tension -3 makes the first pivot 0; a non-number poisons every pivot.
    const std::vector<unsigned char> bytes(36, 100);
    EXPECT_FALSE(PrefilterBSplineBytes(6, 6, destination.data(), bytes.data(), -3.0f, 0));
    EXPECT_FALSE(PrefilterBSplineBytes(6, 6, destination.data(), bytes.data(), NAN, 0));
    Image map(36, 1.0f);
    map[1 * 6 + 2] = -3.0f;  // the column solves fail after the row solves succeeded
    EXPECT_FALSE(PrefilterBSplineMapped(6, 6, destination.data(), source.data(), nullptr, map.data()));
    EXPECT_FALSE(PrefilterBSpline(6, 6, destination.data(), nullptr));
    EXPECT_EQ(destination, untouched);
    // Two by two has no interior: only row 0 of nothing is written.
    EXPECT_TRUE(PrefilterBSpline(2, 2, destination.data(), source.data()));
    EXPECT_EQ(destination, untouched);
}

TEST_F(BSpline, PassesCleanUpWhenMemoryRunsOut) {
    const int w = 8, h = 8;
    const Image source = RandomImage(w, h, 2);
    Image destination(w * h * 4, kUntouched);
    const Image untouched = destination;
    for (int n = 1; n <= 4; ++n) {
        FailPageAllocationAfter(n);
        EXPECT_FALSE(EnlargeBSplineTables(w, h, 2, 2, nullptr, source.data(), nullptr, nullptr,
                                          destination.data()))
            << n;
        FailPageAllocationAfter(n);
        EXPECT_FALSE(ResampleImageBSpline(w, h, 1, 1, nullptr, source.data(), nullptr, nullptr,
                                          destination.data(), 1))
            << n;
    }
    for (int n = 1; n <= 3; ++n) {
        FailPageAllocationAfter(n);
        EXPECT_FALSE(PrefilterBSpline(w, h, destination.data(), source.data())) << n;
    }
    FailPageAllocationAfter(0);
    EXPECT_EQ(destination, untouched);
}

// The relief driver against the central difference of the spline whose
// coefficients are the samples.
TEST_F(BSpline, DriverGivesTheSplineDerivativeOnTheInterior) {
    const int w = 12, h = 10;
    const Image s = RandomImage(w, h, 21);
    const double wt[3] = {1.0 / 6, 2.0 / 3, 1.0 / 6};
    for (int mode : {1, 0}) {
        Image d(s.size(), kUntouched);
        ASSERT_TRUE(ResampleImageBSpline(w, h, 1, 1, nullptr, s.data(), nullptr, nullptr, d.data(), mode));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (x < 2 || x > w - 3 || y < 2 || y > h - 3) {
                    EXPECT_EQ(d[y * w + x], kUntouched) << x << "," << y;
                    continue;
                }
                double expect = 0;
                for (int i = -1; i <= 1; ++i) {
                    if (mode == 1)
                        expect += wt[i + 1] * (s[(y + i) * w + x + 1] - s[(y + i) * w + x - 1]) / 2;
                    else
                        expect += wt[i + 1] * (s[(y + 1) * w + x + i] - s[(y - 1) * w + x + i]) / 2;
                }
                EXPECT_NEAR(d[y * w + x], expect, 1e-3) << mode << " " << x << "," << y;
            }
        }
        // The block pass gives the same derivative at factor 1.
        Image blocks(s.size(), kUntouched);
        ASSERT_TRUE(SlopeBlocksBSpline(w, h, 1, 1, nullptr, s.data(), nullptr, nullptr, blocks.data(), mode));
        for (size_t i = 0; i < s.size(); ++i) EXPECT_NEAR(blocks[i], d[i], 1e-4) << i;
    }
}

TEST_F(BSpline, DriverOnSmallAndRampImages) {
    Image ramp(25), d(25, kUntouched);
    for (int i = 0; i < 25; ++i) ramp[i] = static_cast<float>(i % 5);
    ASSERT_TRUE(ResampleImageBSpline(5, 5, 1, 1, nullptr, ramp.data(), nullptr, nullptr, d.data(), 1));
    for (int i = 0; i < 25; ++i) {
        if (i == 12)
            EXPECT_FLOAT_EQ(d[i], 1.0f);
        else
            EXPECT_EQ(d[i], kUntouched) << i;
    }
    ASSERT_TRUE(ResampleImageBSpline(5, 5, 1, 1, nullptr, ramp.data(), nullptr, nullptr, d.data(), 0));
    EXPECT_NEAR(d[12], 0.0f, 1e-6);
    Image four(5 * 4, 1.0f), out(5 * 4, kUntouched);
    ASSERT_TRUE(ResampleImageBSpline(5, 4, 1, 1, nullptr, four.data(), nullptr, nullptr, out.data(), 1));
    EXPECT_EQ(out, Image(5 * 4, kUntouched));
    // Factors above 1 would index past the four-entry tables: refused.
    Image big(100, kUntouched);
    EXPECT_FALSE(ResampleImageBSpline(5, 5, 2, 2, nullptr, ramp.data(), nullptr, nullptr, big.data(), 1));
    EXPECT_FALSE(ResampleImageBSpline(5, 5, 1, 0, nullptr, ramp.data(), nullptr, nullptr, big.data(), 1));
    EXPECT_EQ(big, Image(100, kUntouched));
}

TEST_F(BSpline, SlopeBlocksRepeatTheCellDerivative) {
    const int w = 8, h = 7, f = 3;
    const Image s = RandomImage(w, h, 4);
    Image one(s.size(), 0.0f), blocks(s.size() * f * f, kUntouched);
    ASSERT_TRUE(SlopeBlocksBSpline(w, h, 1, 1, nullptr, s.data(), nullptr, nullptr, one.data(), 1));
    ASSERT_TRUE(SlopeBlocksBSpline(w, h, f, f, nullptr, s.data(), nullptr, nullptr, blocks.data(), 1));
    for (int Y = 0; Y < h * f; ++Y)
        for (int X = 0; X < w * f; ++X) {
            const int cx = X / f, cy = Y / f;
            const float v = blocks[Y * w * f + X];
            if (cx >= 2 && cx <= w - 3 && cy >= 2 && cy <= h - 3)
                EXPECT_FLOAT_EQ(v, one[cy * w + cx]) << X << "," << Y;
            else
                EXPECT_EQ(v, kUntouched) << X << "," << Y;
        }
}

// The mapped enlargement at tension 1 evaluates the cubic spline at the
// exact sub-positions.
TEST_F(BSpline, MappedEnlargementEvaluatesTheSpline) {
    const int w = 9, h = 8, f = 2;
    const Image s = RandomImage(w, h, 8, 200.0f);
    Image d(s.size() * f * f, kUntouched);
    ASSERT_TRUE(EnlargeBSplineMapped(w, h, f, f, nullptr, s.data(), nullptr, nullptr, d.data()));
    for (int r = 1; r <= h - 4; ++r)
        for (int c = 1; c <= w - 4; ++c)
            for (int ky = 0; ky < f; ++ky)
                for (int kx = 0; kx < f; ++kx) {
                    const double x = c + 1 + double(kx) / f, y = r + 1 + double(ky) / f;
                    double expect = 0;
                    for (int i = 0; i < 4; ++i)
                        for (int j = 0; j < 4; ++j)
                            expect += Cubic(x - (c + j)) * Cubic(y - (r + i)) * s[(r + i) * w + c + j];
                    expect = std::min(255.0, std::max(0.0, expect));
                    EXPECT_NEAR(d[((r + 1) * f + ky) * w * f + (c + 1) * f + kx], expect, 1e-3);
                }
    EXPECT_EQ(d[0], kUntouched);
    // Results are clamped to the byte range.
    const Image bright(s.size(), 400.0f);
    ASSERT_TRUE(EnlargeBSplineMapped(w, h, 1, 1, nullptr, bright.data(), nullptr, nullptr, d.data()));
    EXPECT_FLOAT_EQ(d[2 * w + 2], 255.0f);
    EXPECT_FALSE(EnlargeBSplineMapped(w, h, 0, 1, nullptr, s.data(), nullptr, nullptr, d.data()));
}

// The table enlargement weights the four knots at (kx + 2) / fx beyond the
// second one, with no fifth knot where that position leaves the window.
TEST_F(BSpline, TableEnlargementUsesTheShiftedSubPositions) {
    const int w = 8, h = 7, f = 4;
    const Image s = RandomImage(w, h, 12);
    Image tension(s.size(), 1.0f);
    Image d(s.size() * f * f, kUntouched), mapped(s.size() * f * f, kUntouched);
    ASSERT_TRUE(EnlargeBSplineTables(w, h, f, f, nullptr, s.data(), nullptr, nullptr, d.data()));
    ASSERT_TRUE(EnlargeBSplineTables(w, h, f, f, nullptr, s.data(), tension.data(), tension.data(),
                                     mapped.data()));
    EXPECT_EQ(d, mapped);
    for (int r = 1; r <= h - 4; ++r)
        for (int c = 1; c <= w - 4; ++c)
            for (int ky = 0; ky < f; ++ky)
                for (int kx = 0; kx < f; ++kx) {
                    const double x = c + 1 + double(kx + 2) / f, y = r + 1 + double(ky + 2) / f;
                    double expect = 0;
                    for (int i = 0; i < 4; ++i)
                        for (int j = 0; j < 4; ++j) {
                            // Piece [1, 2) of knot c ends at 2: a position of exactly
                            // two beyond a knot is outside it.
                            const double tx = x - (c + j), ty = y - (r + i);
                            const double wx = (tx >= -2 && tx < 2) ? Cubic(tx) : 0;
                            const double wy = (ty >= -2 && ty < 2) ? Cubic(ty) : 0;
                            expect += wx * wy * s[(r + i) * w + c + j];
                        }
                    EXPECT_NEAR(d[((r + 1) * f + ky) * w * f + (c + 1) * f + kx], expect, 1e-3)
                        << c << "," << r << " " << kx << "," << ky;
                }
}

TEST_F(BSpline, ByteEnlargements) {
    const int w = 7, h = 7, f = 2;
    // At factor 2 the tension-1 table weighs sub-position 0 (x = 1) with
    // 1/6, 2/3, 1/6 (sum 1) and sub-position 1 (x = 1.5) with 0, 1/48,
    // 23/48, 23/48 (sum 47/48: the fifth knot is missing). A constant comes
    // out scaled by that, clamped, then truncated.
    for (float v : {100.7f, 300.0f, -5.0f}) {
        const Image s(w * h, v);
        std::vector<unsigned char> d(w * h * f * f, 77);
        ASSERT_TRUE(EnlargeBSplineToBytes(w, h, f, f, nullptr, s.data(), 1.0f, d.data()));
        for (int Y = 0; Y < h * f; ++Y)
            for (int X = 0; X < w * f; ++X) {
                const bool inside = X / f >= 2 && X / f <= w - 3 && Y / f >= 2 && Y / f <= h - 3;
                const double scaled = v * (X % f ? 47.0 / 48 : 1.0) * (Y % f ? 47.0 / 48 : 1.0);
                const int expect = static_cast<int>(std::min(255.0, std::max(0.0, scaled)));
                EXPECT_EQ(d[Y * w * f + X], inside ? expect : 77) << v << " " << X << "," << Y;
            }
    }
    // Rows 1..3 of the same table weigh three samples: the same sums.
    float* table = MakeTensionTable(f, 1.0f);
    ASSERT_NE(table, nullptr);
    const std::vector<unsigned char> s(w * h, 100);
    std::vector<unsigned char> d(w * h * f * f, 7);
    ASSERT_TRUE(EnlargeBSplineBytes3x3(w, h, f, f, s.data(), d.data(), table));
    const int row = w * f;
    EXPECT_GE(d[4 * row + 4], 99);  // 100 x 1, the float sum may fall a hair short
    EXPECT_LE(d[4 * row + 4], 100);
    EXPECT_EQ(d[4 * row + 5], 97);  // 100 x 47/48
    EXPECT_EQ(d[5 * row + 5], 95);  // 100 x (47/48)^2
    EXPECT_EQ(d[3 * row + 3], 7);
    // One table cannot serve two factors.
    EXPECT_FALSE(EnlargeBSplineBytes3x3(w, h, 2, 3, s.data(), d.data(), table));
    ReleaseTable(table);
}

TEST_F(BSpline, DifferenceAndFixedKernel) {
    const int w = 7, h = 6;
    Image ramp(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ramp[y * w + x] = static_cast<float>(3 * x + 5 * y);
    Image d(w * h, kUntouched);
    ASSERT_TRUE(DifferenceImage(w, h, 1, 1, nullptr, ramp.data(), nullptr, nullptr, d.data(), 1));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(d[y * w + x], (x == 0 || y == 0) ? kUntouched : 3.0f) << x << "," << y;
    ASSERT_TRUE(DifferenceImage(w, h, 1, 1, nullptr, ramp.data(), nullptr, nullptr, d.data(), 0));
    EXPECT_EQ(d[2 * w + 3], 5.0f);

    // The stencil keeps constants and moves a ramp by one sample: its first
    // moment per axis is 6 over a weight sum of 6.
    const Image constant(w * h, 42.5f);
    Image k(w * h, kUntouched);
    ASSERT_TRUE(ApplyFixedKernel4x4(w, h, 1, 1, nullptr, constant.data(), nullptr, nullptr, k.data()));
    EXPECT_FLOAT_EQ(k[2 * w + 2], 42.5f);
    EXPECT_FLOAT_EQ(k[3 * w + 4], 42.5f);
    EXPECT_EQ(k[1 * w + 2], kUntouched);
    EXPECT_EQ(k[2 * w + 5], kUntouched);
    ASSERT_TRUE(ApplyFixedKernel4x4(w, h, 1, 1, nullptr, ramp.data(), nullptr, nullptr, k.data()));
    for (int y = 2; y <= h - 3; ++y)
        for (int x = 2; x <= w - 3; ++x) EXPECT_FLOAT_EQ(k[y * w + x], 3.0f * (x + 1) + 5.0f * (y + 1));
}

}  // namespace
}  // namespace frostel
