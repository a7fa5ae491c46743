// The buffer's further operations against plain references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "PageMemory.h"
#include "PlanarImage.h"
#include "PlanarTestUtil.h"

namespace frostel {
namespace {

using testing::At;
using testing::FillRandom;
using testing::InnerPlane;
using testing::MakeImage;
using testing::Snapshot;

TEST(PlanarInvert, ComplementsEveryByteAndTwiceRestores) {
    auto img = MakeImage(kModeRGB, 5, 3, 3, 2);
    FillRandom(*img, 1);
    const std::vector<uint8_t> before = Snapshot(*img);
    ASSERT_TRUE(img->Invert());
    const std::vector<uint8_t> once = Snapshot(*img);
    for (size_t i = 0; i < before.size(); ++i) ASSERT_EQ(once[i], 255 - before[i]);
    ASSERT_TRUE(img->Invert());
    EXPECT_EQ(Snapshot(*img), before);

    auto fresh = MakeImage(kModeRGB, 2, 2, 1);  // allocated on the way
    ASSERT_TRUE(fresh->Invert());
    EXPECT_EQ(At(*fresh, 0, 1, 1), 255);
}

TEST(PlanarCopyIntoRect, CopiesTheSourcesCornerClippedToBothBuffers) {
    auto src = MakeImage(kModeRGB, 3, 2, 3);
    FillRandom(*src, 2);
    auto dst = MakeImage(kModeRGB, 6, 5, 3, 1);
    ASSERT_NE(dst->Data(), nullptr);
    ASSERT_TRUE(dst->CopyIntoRect(src.get(), PlaneRect{2, 1, 5, 3}));
    for (int c = 0; c < 3; ++c)
        for (int x = -1; x < 7; ++x)
            for (int y = -1; y < 6; ++y) {
                const bool in = x >= 2 && x < 5 && y >= 1 && y < 3;
                ASSERT_EQ(At(*dst, c, x, y), in ? At(*src, c, x - 2, y - 1) : 0) << c << x << y;
            }

    // A rect larger than the source copies the source's size; one beyond the
    // buffer is clipped; one outside copies nothing.
    auto dst2 = MakeImage(kModeRGB, 4, 4, 3);
    ASSERT_TRUE(dst2->CopyIntoRect(src.get(), PlaneRect{2, 3, 10, 10}));
    EXPECT_EQ(At(*dst2, 0, 2, 3), At(*src, 0, 0, 0));
    EXPECT_EQ(At(*dst2, 1, 3, 3), At(*src, 1, 1, 0));
    ASSERT_TRUE(dst2->CopyIntoRect(src.get(), PlaneRect{-3, -3, 0, 0}));
    auto wide = MakeImage(kModeRGB, 6, 6, 3);
    ASSERT_TRUE(wide->CopyIntoRect(src.get(), PlaneRect{0, 0, 6, 6}));
    EXPECT_EQ(At(*wide, 2, 2, 1), At(*src, 2, 2, 1));
    EXPECT_EQ(At(*wide, 2, 3, 1), 0);
    EXPECT_FALSE(dst2->CopyIntoRect(nullptr, PlaneRect{0, 0, 1, 1}));
}

TEST(PlanarCopyRectCentred, TwoByTwoLandsInTheMiddle) {
    auto src = MakeImage(kModeRGB, 5, 5, 2);
    FillRandom(*src, 3);
    auto dst = MakeImage(kModeRGB, 4, 4, 2);
    ASSERT_TRUE(dst->CopyRectCentred(src.get(), PlaneRect{1, 2, 3, 4}));
    for (int c = 0; c < 2; ++c)
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 4; ++y) {
                const bool in = x >= 1 && x <= 2 && y >= 1 && y <= 2;
                ASSERT_EQ(At(*dst, c, x, y), in ? At(*src, c, x, y + 1) : 0);
            }
    // The rect is clipped to the source; a rect that does not fit fails.
    auto dst2 = MakeImage(kModeRGB, 3, 3, 2);
    ASSERT_TRUE(dst2->CopyRectCentred(src.get(), PlaneRect{4, 4, 9, 9}));  // 1 x 1 left
    EXPECT_EQ(At(*dst2, 0, 1, 1), At(*src, 0, 4, 4));
    const std::vector<uint8_t> before = Snapshot(*dst2);
    EXPECT_FALSE(dst2->CopyRectCentred(src.get(), PlaneRect{0, 0, 4, 2}));
    EXPECT_EQ(Snapshot(*dst2), before);
}

TEST(PlanarMirror, LeftRightAndTopBottomAgainstReferences) {
    for (int border : {0, 1}) {
        auto src = MakeImage(kModeRGB, 5, 3, 3, border);
        FillRandom(*src, 4);
        auto lr = MakeImage(kModeRGB, 5, 3, 3, border);
        ASSERT_TRUE(lr->MirrorLeftRight(src.get()));
        auto tb = MakeImage(kModeRGB, 5, 3, 3, border);
        ASSERT_TRUE(tb->MirrorTopBottom(src.get()));
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < 5; ++x)
                for (int y = 0; y < 3; ++y) {
                    ASSERT_EQ(At(*lr, c, x, y), At(*src, c, 4 - x, y));
                    ASSERT_EQ(At(*tb, c, x, y), At(*src, c, x, 2 - y));
                }
        // Top-bottom covers the border too.
        if (border) {
            EXPECT_EQ(At(*tb, 1, -1, -1), At(*src, 1, -1, 3));
        }
        // In place gives the same as from a copy.
        ASSERT_TRUE(src->MirrorLeftRight(src.get()));
        EXPECT_EQ(InnerPlane(*src, 2), InnerPlane(*lr, 2));
        ASSERT_TRUE(lr->MirrorTopBottom(lr.get()));
        ASSERT_TRUE(src->MirrorTopBottom(src.get()));
        EXPECT_EQ(InnerPlane(*lr, 1), InnerPlane(*src, 1));
    }
    auto a = MakeImage(kModeRGB, 4, 3, 3);
    auto b = MakeImage(kModeRGB, 4, 2, 3);
    auto c = MakeImage(kModeRGB, 4, 3, 4);
    FillRandom(*b, 1);
    FillRandom(*c, 1);
    EXPECT_FALSE(a->MirrorLeftRight(b.get()));
    EXPECT_FALSE(a->MirrorTopBottom(b.get()));
    EXPECT_FALSE(a->MirrorLeftRight(c.get()));
}

TEST(PlanarRotate, TurnsPlaneZeroAndTransposesTheRect) {
    auto src = CPlanarImage(kModeRGB, PlaneRect{10, 20, 13, 22}, 3, 8, 1, 0);  // 3 x 2
    FillRandom(src, 5);
    std::unique_ptr<CPlanarImage> cw, ccw;
    ASSERT_TRUE(CPlanarImage::RotateClockwise(cw, &src));
    ASSERT_TRUE(CPlanarImage::RotateCounterClockwise(ccw, &src));
    EXPECT_EQ(cw->Rect(), (PlaneRect{10, 20, 12, 23}));
    EXPECT_EQ(cw->Border(), 0u);
    EXPECT_EQ(cw->Channels(), 3);
    EXPECT_EQ(At(*cw, 0, 1, 0), At(src, 0, 0, 0));   // top-right <- top-left
    EXPECT_EQ(At(*ccw, 0, 0, 2), At(src, 0, 0, 0));  // bottom-left <- top-left
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y) {
            ASSERT_EQ(At(*cw, 0, 1 - y, x), At(src, 0, x, y));
            ASSERT_EQ(At(*ccw, 0, y, 2 - x), At(src, 0, x, y));
            ASSERT_EQ(At(*cw, 1, y, x), 0);
            ASSERT_EQ(At(*ccw, 2, y, x), 0);
        }
    std::unique_ptr<CPlanarImage> keep = MakeImage(kModeRGB, 1, 1, 1);
    CPlanarImage* kept = keep.get();
    EXPECT_FALSE(CPlanarImage::RotateClockwise(keep, nullptr));
    EXPECT_EQ(keep.get(), kept);
}

// A made-up conversion: every mode's components are the RGB ones shifted.
bool FakeBetween(uint16_t comps[4], uint16_t from, uint16_t to) {
    if (to == kModeLab && comps[0] == 99) return false;  // a host refusing one colour
    const uint16_t r = comps[0], g = comps[1], b = comps[2];
    if (from != kModeRGB) return false;
    comps[0] = uint16_t(r + 1);
    comps[1] = uint16_t(g + 2);
    comps[2] = uint16_t(b + 3);
    comps[3] = uint16_t(to * 10);
    return true;
}

class PlanarConvert : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = GetPlanarColorHooks();
        SetPlanarColorHooks(PlanarColorHooks{nullptr, &FakeBetween});
    }
    void TearDown() override { SetPlanarColorHooks(saved_); }
    PlanarColorHooks saved_;
};

TEST_F(PlanarConvert, ToCmykMakesAFourPlaneBufferOverEverySample) {
    std::unique_ptr<CPlanarImage> img = MakeImage(kModeRGB, 3, 2, 3, 1);
    for (int c = 0; c < 3; ++c)
        for (int x = -1; x < 4; ++x)
            for (int y = -1; y < 3; ++y) At(*img, c, x, y) = uint8_t(10 * c + 3 * x + y + 20);
    auto ref = MakeImage(kModeRGB, 3, 2, 3, 1);
    ASSERT_TRUE(ref->CopyFrom(img.get()));
    const int64_t live = GetPageMemoryStats().live;
    ASSERT_TRUE(CPlanarImage::ConvertMode(img, kModeCMYK));
    EXPECT_EQ(GetPageMemoryStats().live, live);  // the old storage went
    EXPECT_EQ(img->Mode(), kModeCMYK);
    EXPECT_EQ(img->Channels(), 4);
    EXPECT_EQ(img->Border(), 1u);
    for (int x = -1; x < 4; ++x)
        for (int y = -1; y < 3; ++y) {
            for (int c = 0; c < 3; ++c) ASSERT_EQ(At(*img, c, x, y), At(*ref, c, x, y) + c + 1);
            ASSERT_EQ(At(*img, 3, x, y), 40);
        }
    // Its own mode: nothing happens, not even a conversion.
    SetPlanarColorHooks(PlanarColorHooks{});
    CPlanarImage* same = img.get();
    EXPECT_TRUE(CPlanarImage::ConvertMode(img, kModeCMYK));
    EXPECT_EQ(img.get(), same);
}

TEST_F(PlanarConvert, InPlaceKeepsChannelsAndFailuresKeepWhatTheyMust) {
    std::unique_ptr<CPlanarImage> img = MakeImage(kModeRGB, 2, 2, 4);
    At(*img, 0, 0, 0) = 5;
    At(*img, 0, 1, 0) = 99;  // refused when going to Lab
    At(*img, 3, 1, 1) = 77;
    CPlanarImage* same = img.get();
    EXPECT_FALSE(CPlanarImage::ConvertMode(img, kModeLab));
    EXPECT_EQ(img.get(), same);
    EXPECT_EQ(img->Mode(), kModeRGB);       // the old mode stays
    EXPECT_EQ(At(*img, 0, 0, 0), 6);        // converted before the failure
    EXPECT_EQ(At(*img, 0, 1, 0), 99);       // from there on untouched
    At(*img, 0, 1, 0) = 50;
    At(*img, 0, 0, 0) = 5;
    ASSERT_TRUE(CPlanarImage::ConvertMode(img, kModeLab));
    EXPECT_EQ(img->Mode(), kModeLab);
    EXPECT_EQ(img->Channels(), 4);
    EXPECT_EQ(At(*img, 0, 1, 0), 51);
    EXPECT_EQ(At(*img, 3, 1, 1), 77);  // beyond the three result planes

    // A new buffer that fails leaves the caller's buffer as it was.
    std::unique_ptr<CPlanarImage> rgb = MakeImage(kModeRGB, 2, 1, 3);
    At(*rgb, 0, 1, 0) = 99;
    SetPlanarColorHooks(PlanarColorHooks{nullptr, [](uint16_t c[4], uint16_t, uint16_t) { return c[0] != 99; }});
    const std::vector<uint8_t> before = Snapshot(*rgb);
    CPlanarImage* orig = rgb.get();
    EXPECT_FALSE(CPlanarImage::ConvertMode(rgb, kModeGrayScale));
    EXPECT_EQ(rgb.get(), orig);
    EXPECT_EQ(Snapshot(*rgb), before);

    // In place into a buffer with too few planes for the result, or no hook.
    std::unique_ptr<CPlanarImage> grey = MakeImage(kModeGrayScale, 2, 2, 1);
    EXPECT_FALSE(CPlanarImage::ConvertMode(grey, kModeRGB));
    EXPECT_EQ(grey->Mode(), kModeGrayScale);
    SetPlanarColorHooks(PlanarColorHooks{});
    EXPECT_FALSE(CPlanarImage::ConvertMode(img, kModeRGB));
    std::unique_ptr<CPlanarImage> none;
    EXPECT_FALSE(CPlanarImage::ConvertMode(none, kModeRGB));
}

// ---- Resample -------------------------------------------------------------------

// Truncation of a weighted mean, forgiving rounding noise below a whole value.
int Truncated(double mean) { return int(std::trunc(mean + 1e-6)); }

// The reducing rule written out per output sample: the covered area, with
// the far column and row weighted by how much of them is covered.
int ReduceReference(CPlanarImage& src, int c, int i, int j, double d) {
    const int64_t w = src.Width(), h = src.Height();
    double xs = 0, ys = 0;
    for (int k = 0; k < i; ++k) xs += d;
    for (int k = 0; k < j; ++k) ys += d;
    const double xe = xs + d, ye = ys + d;
    const int64_t x0 = int64_t(xs), y0 = int64_t(ys);
    const int64_t lx = std::min<int64_t>(w, int64_t(xe + 1)) - 1, ly = std::min<int64_t>(h, int64_t(ye + 1)) - 1;
    const double fx = xe - double(lx), fy = ye - double(ly);
    double sum = 0, weights = 0;
    for (int64_t x = x0; x <= lx; ++x)
        for (int64_t y = y0; y <= ly; ++y) {
            const double wgt = (x == lx ? fx : 1.0) * (y == ly ? fy : 1.0);
            sum += wgt * At(src, c, x, y);
            weights += wgt;
        }
    return Truncated(sum / weights);
}

// The enlarging rule: four neighbours weighted by squared distances.
int EnlargeReference(CPlanarImage& src, int c, float x, float y) {
    const int64_t w = src.Width(), h = src.Height();
    const int64_t xt = int64_t(x), yt = int64_t(y);
    const double fx = x - float(xt), fy = y - float(yt);
    const int64_t xs[2] = {std::min(xt, w - 1), std::min(xt + 1, w - 1)};
    const int64_t ys[2] = {std::min(yt, h - 1), std::min(yt + 1, h - 1)};
    double sum = 0, weights = 0;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            const double dx = a ? fx : 1 - fx, dy = b ? fy : 1 - fy;
            const double wgt = float(float(dx * dx) + float(dy * dy));
            sum += wgt * At(src, c, xs[a], ys[b]);
            weights += wgt;
        }
    return Truncated(sum / weights);
}

TEST(PlanarResample, ScaleOneCopiesAndHalfAveragesBlocks) {
    CPlanarImage src(kModeRGB, PlaneRect{5, 6, 9, 10}, 2, 8, 0, 0);
    FillRandom(src, 6);
    std::unique_ptr<CPlanarImage> one, half;
    ASSERT_TRUE(CPlanarImage::Resample(one, &src, 1.0, 0));
    EXPECT_EQ(one->Rect(), (PlaneRect{0, 0, 4, 4}));
    EXPECT_EQ(InnerPlane(*one, 0), InnerPlane(src, 0));
    EXPECT_EQ(InnerPlane(*one, 1), InnerPlane(src, 1));
    ASSERT_TRUE(CPlanarImage::Resample(half, &src, 0.5, 1));
    EXPECT_EQ(half->Rect(), (PlaneRect{0, 0, 2, 2}));
    EXPECT_EQ(half->UseMapping(), 1);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                const int sum = At(src, c, 2 * i, 2 * j) + At(src, c, 2 * i + 1, 2 * j) +
                                At(src, c, 2 * i, 2 * j + 1) + At(src, c, 2 * i + 1, 2 * j + 1);
                ASSERT_EQ(At(*half, c, i, j), sum / 4);
            }
}

TEST(PlanarResample, UnevenReductionAndEnlargementMatchTheirRules) {
    auto src = MakeImage(kModeRGB, 7, 5, 1);
    FillRandom(*src, 7);
    std::unique_ptr<CPlanarImage> small, large;
    const double s = 0.3;
    ASSERT_TRUE(CPlanarImage::Resample(small, src.get(), s, 0));
    ASSERT_EQ(small->Width(), 2);  // trunc(7 x 0.3 + 0.5)
    ASSERT_EQ(small->Height(), 2);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) ASSERT_EQ(At(*small, 0, i, j), ReduceReference(*src, 0, i, j, 1 / s));

    ASSERT_TRUE(CPlanarImage::Resample(large, src.get(), 2.5, 0));
    ASSERT_EQ(large->Width(), 18);
    ASSERT_EQ(large->Height(), 13);
    const double d = 1 / 2.5;
    float x = 0;
    for (int i = 0; i < 18; ++i, x = float(double(x) + d)) {
        float y = 0;
        for (int j = 0; j < 13; ++j, y = float(double(y) + d))
            ASSERT_EQ(At(*large, 0, i, j), EnlargeReference(*src, 0, x, y)) << i << "," << j;
    }
}

TEST(PlanarResample, TwoPixelsDoubled) {
    auto src = MakeImage(kModeRGB, 2, 1, 1);
    At(*src, 0, 0, 0) = 0;
    At(*src, 0, 1, 0) = 100;
    std::unique_ptr<CPlanarImage> out;
    ASSERT_TRUE(CPlanarImage::Resample(out, src.get(), 2.0, 0));
    ASSERT_EQ(out->Width(), 4);
    ASSERT_EQ(out->Height(), 2);
    // Worked by hand from the squared-distance weights.
    EXPECT_EQ(testing::InnerPlane(*out, 0), (std::vector<uint8_t>{25, 50, 100, 100, 16, 50, 100, 100}));
}

TEST(PlanarResample, FlatPlanesStayFlatAtAnyScale) {
    for (int value : {1, 100, 255}) {
        auto src = MakeImage(kModeRGB, 9, 7, 1);
        std::fill(src->Data(), src->Data() + src->StorageBytes(), uint8_t(value));
        for (double s : {0.13, 0.3, 0.77, 1.0, 1.3, 2.5, 3.7}) {
            std::unique_ptr<CPlanarImage> out;
            ASSERT_TRUE(CPlanarImage::Resample(out, src.get(), s, 0));
            for (uint8_t v : Snapshot(*out)) ASSERT_EQ(v, value) << "scale " << s;
        }
    }
}

TEST(PlanarResample, BadScalesFailAndLeaveTheOutPointer) {
    auto src = MakeImage(kModeRGB, 4, 4, 1);
    FillRandom(*src, 8);
    std::unique_ptr<CPlanarImage> out = MakeImage(kModeRGB, 1, 1, 1);
    CPlanarImage* kept = out.get();
    for (double s : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e12, 1e-9})
        EXPECT_FALSE(CPlanarImage::Resample(out, src.get(), s, 0)) << s;
    EXPECT_FALSE(CPlanarImage::Resample(out, nullptr, 1.0, 0));
    EXPECT_EQ(out.get(), kept);
}

// ---- BoxBlur, Smooth3x3 ------------------------------------------------------------

// Clamped window down each outer column, then a wrapping window along each outer row.
std::vector<uint8_t> BoxBlurReference(CPlanarImage& img, int r) {
    const int64_t wo = img.OuterWidth(), ho = img.OuterHeight(), b = img.Border();
    std::vector<uint8_t> out;
    for (int c = 0; c < img.Channels(); ++c) {
        std::vector<int> cols(size_t(wo * ho));
        for (int64_t x = 0; x < wo; ++x)
            for (int64_t k = 0; k < ho; ++k) {
                int s = 0;
                for (int64_t j = k - r; j <= k + r; ++j) s += At(img, c, x - b, std::clamp<int64_t>(j, 0, ho - 1) - b);
                cols[size_t(x * ho + k)] = s / (2 * r + 1);
            }
        for (int64_t x = 0; x < wo; ++x)
            for (int64_t k = 0; k < ho; ++k) {
                int s = 0;
                for (int64_t j = x - r; j <= x + r; ++j) s += cols[size_t(((j % wo + wo) % wo) * ho + k)];
                out.push_back(uint8_t(s / (2 * r + 1)));
            }
    }
    return out;
}

TEST(PlanarBoxBlur, MatchesTheWindowsOverTheWholeStorage) {
    for (int r : {1, 2, 3}) {
        auto img = MakeImage(kModeRGB, 6, 4, 2, 1);
        FillRandom(*img, uint32_t(10 + r));
        const std::vector<uint8_t> want = BoxBlurReference(*img, r);
        ASSERT_TRUE(img->BoxBlur(uint32_t(r)));
        EXPECT_EQ(Snapshot(*img), want) << "radius " << r;
    }
    auto same = MakeImage(kModeRGB, 5, 3, 3, 2);
    FillRandom(*same, 9);
    const std::vector<uint8_t> before = Snapshot(*same);
    ASSERT_TRUE(same->BoxBlur(0));
    EXPECT_EQ(Snapshot(*same), before);
}

TEST(PlanarBoxBlur, ARadiusWiderThanTheBufferFails) {
    auto img = MakeImage(kModeRGB, 5, 3, 1, 1);  // outer width 7: radius 3 is the widest
    FillRandom(*img, 3);
    const std::vector<uint8_t> before = Snapshot(*img);
    EXPECT_FALSE(img->BoxBlur(4));
    EXPECT_FALSE(img->BoxBlur(0xFFFFFFFFu));
    EXPECT_EQ(Snapshot(*img), before);
    const std::vector<uint8_t> want = BoxBlurReference(*img, 3);
    ASSERT_TRUE(img->BoxBlur(3));
    EXPECT_EQ(Snapshot(*img), want);
}

TEST(PlanarSmooth, SequentialKernelOnPlaneZeroOnly) {
    auto img = MakeImage(kModeRGB, 5, 4, 2);
    FillRandom(*img, 12);
    auto ref = MakeImage(kModeRGB, 5, 4, 2);
    ASSERT_TRUE(ref->CopyFrom(img.get()));
    for (int x = 1; x < 4; ++x)
        for (int y = 1; y < 3; ++y) {
            // 0.4 x itself + 0.1 x each edge neighbour + 0.05 x each corner, truncated.
            double s = 0;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) {
                    const double weight = dx == 0 && dy == 0 ? 0.4 : dx == 0 || dy == 0 ? 0.1 : 0.05;
                    s += weight * 100 * At(*ref, 0, x + dx, y + dy);
                }
            At(*ref, 0, x, y) = uint8_t(std::lround(s) / 100);
        }
    img->Smooth3x3();
    EXPECT_EQ(Snapshot(*img), Snapshot(*ref));

    // A flat plane stays flat, edges included.
    for (int value : {0, 1, 100, 254, 255}) {
        auto flat = MakeImage(kModeRGB, 4, 4, 1);
        std::fill(flat->Data(), flat->Data() + flat->StorageBytes(), uint8_t(value));
        flat->Smooth3x3();
        EXPECT_EQ(Snapshot(*flat), std::vector<uint8_t>(16, uint8_t(value))) << value;
    }
    auto narrow = MakeImage(kModeRGB, 2, 5, 1);
    FillRandom(*narrow, 4);
    const std::vector<uint8_t> before = Snapshot(*narrow);
    narrow->Smooth3x3();
    EXPECT_EQ(Snapshot(*narrow), before);
}

// ---- BuildMask ------------------------------------------------------------------

TEST(PlanarBuildMask, AnyOfTheFirstThreePlanesAbove100) {
    auto src = MakeImage(kModeRGB, 2, 1, 4, 1);
    At(*src, 0, 0, 0) = 100;
    At(*src, 1, 0, 0) = 100;
    At(*src, 2, 0, 0) = 100;
    At(*src, 3, 0, 0) = 255;  // the fourth plane does not count
    At(*src, 2, 1, 0) = 101;
    At(*src, 1, -1, -1) = 200;  // border positions count too
    std::unique_ptr<CPlanarImage> mask = MakeImage(kModeRGB, 1, 1, 1);
    ASSERT_TRUE(CPlanarImage::BuildMask(mask, src.get()));
    EXPECT_EQ(mask->Mode(), kModeGrayScale);
    EXPECT_EQ(mask->Channels(), 1);
    EXPECT_EQ(mask->Rect(), src->Rect());
    EXPECT_EQ(At(*mask, 0, 0, 0), 0);
    EXPECT_EQ(At(*mask, 0, 1, 0), 255);
    EXPECT_EQ(At(*mask, 0, -1, -1), 255);
    EXPECT_EQ(At(*mask, 0, 2, 1), 0);

    // A two-plane source: only its two planes are read.
    auto two = MakeImage(kModeGrayScale, 3, 3, 2);
    At(*two, 1, 2, 2) = 150;
    ASSERT_TRUE(CPlanarImage::BuildMask(mask, two.get()));
    EXPECT_EQ(At(*mask, 0, 2, 2), 255);
    EXPECT_EQ(At(*mask, 0, 0, 0), 0);

    auto noMemory = MakeImage(kModeRGB, 2, 2, 3);
    EXPECT_FALSE(CPlanarImage::BuildMask(mask, noMemory.get()));
    EXPECT_EQ(mask, nullptr);
}

}  // namespace
}  // namespace frostel
