#include "PlanarImage.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "PageMemory.h"
#include "PlanarKernels.h"
#include "PlanarTestUtil.h"

namespace frostel {
namespace {

using testing::At;
using testing::FillRandom;
using testing::MakeImage;
using testing::Snapshot;

// ---- Layout ------------------------------------------------------------------

TEST(PlanarLayout, BorderedBufferSizesAndFirstPixel) {
    CPlanarImage img(kModeRGB, PlaneRect{3, 4, 13, 9}, 3, 8, 2, 0);
    EXPECT_EQ(img.Width(), 10);
    EXPECT_EQ(img.Height(), 5);
    EXPECT_EQ(img.OuterWidth(), 14);
    EXPECT_EQ(img.OuterHeight(), 9);
    EXPECT_EQ(img.ColumnBits(), 72u);
    EXPECT_EQ(img.FirstPixelBitOffset(), 160u);
    EXPECT_EQ(img.PlaneBytes(), 126u);
    EXPECT_EQ(img.StorageBytes(), 378u);
    EXPECT_EQ(img.DataNoAlloc(), nullptr);  // lazy
    ASSERT_NE(img.Data(), nullptr);
    EXPECT_EQ(img.Bits() - img.Data(), 20);
    EXPECT_EQ(img.Storage().bytes, 378u);
}

TEST(PlanarLayout, BorderlessOddSizeAndDefaultDepth) {
    CPlanarImage img(kModeGrayScale, PlaneRect{0, 0, 7, 3}, 2, 0, 0, 1);
    EXPECT_EQ(img.BitsPerSample(), 8u);  // 0 means 8
    EXPECT_EQ(img.PlaneBytes(), 21u);
    EXPECT_EQ(img.StorageBytes(), 42u);
    ASSERT_NE(img.Data(), nullptr);
    EXPECT_EQ(img.Bits(), img.Data());
    EXPECT_EQ(img.Storage().fileMapping, 1);
    EXPECT_EQ(img.Storage().mapping, -1);
}

// Every (c, x, y) of the outer area, border included, reaches a distinct byte
// and together they cover the storage exactly.
TEST(PlanarLayout, SampleAddressesTileTheStorage) {
    for (int border : {0, 2}) {
        CPlanarImage img(kModeRGB, PlaneRect{0, 0, 5, 3}, 3, 8, uint32_t(border), 0);
        ASSERT_NE(img.Data(), nullptr);
        std::vector<int> hits(img.StorageBytes(), 0);
        for (int c = 0; c < 3; ++c)
            for (int x = -border; x < 5 + border; ++x)
                for (int y = -border; y < 3 + border; ++y) {
                    uint8_t* p = &At(img, c, x, y);
                    ASSERT_EQ(p, img.Sample(c, x, y));
                    ASSERT_EQ(p, img.Column(c, x) + y);
                    const ptrdiff_t off = p - img.Data();
                    ASSERT_GE(off, 0);
                    ASSERT_LT(size_t(off), hits.size());
                    ++hits[size_t(off)];
                }
        for (size_t i = 0; i < hits.size(); ++i) ASSERT_EQ(hits[i], 1) << "border " << border << " byte " << i;
        EXPECT_EQ(img.Sample(0, 5 + border, 0), nullptr);
        EXPECT_EQ(img.Sample(3, 0, 0), nullptr);
        EXPECT_EQ(img.Sample(0, 0, -border - 1), nullptr);
    }
}

TEST(PlanarLayout, SizesBeyondThirtyTwoBitsAreComputedOrRefused) {
    // 70000 x 70000: about 4.9 G samples per plane.
    CPlanarImage big(kModeRGB, PlaneRect{0, 0, 70000, 70000}, 4, 8, 0, 0);
    EXPECT_EQ(big.PlaneBytes(), 4900000000ull);
    EXPECT_EQ(big.ColumnBits(), 560000ull);
    // A layout the address space cannot hold gets no storage, and the
    // operations fail instead of writing anywhere.
    const int32_t most = std::numeric_limits<int32_t>::max();
    CPlanarImage huge(kModeRGB, PlaneRect{-most, -most, most, most}, 255, 8, 0xFFFFFFFFu, 0);
    EXPECT_EQ(huge.StorageBytes(), 0u);
    EXPECT_EQ(huge.Data(), nullptr);
    EXPECT_FALSE(huge.FillColor(Rgb16{}));
    EXPECT_FALSE(huge.Invert());
    huge.ClampAlpha(255);
}

TEST(PlanarLayout, EmptyOrInvertedRectsHoldNothing) {
    CPlanarImage inverted(kModeRGB, PlaneRect{10, 10, 5, 20}, 3, 8, 0, 0);
    EXPECT_EQ(inverted.Width(), 0);
    EXPECT_EQ(inverted.Data(), nullptr);
    CPlanarImage noChannels(kModeRGB, PlaneRect{0, 0, 4, 4}, 0, 8, 0, 0);
    EXPECT_EQ(noChannels.Data(), nullptr);
    CPlanarImage oddBits(kModeRGB, PlaneRect{0, 0, 4, 4}, 1, 1, 0, 0);
    EXPECT_EQ(oddBits.Data(), nullptr);
}

TEST(PlaneRectOps, IntersectOffsetTranspose) {
    const PlaneRect a{0, 0, 10, 8}, b{4, -2, 20, 5};
    EXPECT_EQ(a.Intersect(b), (PlaneRect{4, 0, 10, 5}));
    EXPECT_EQ(a.Offset(3, -2), (PlaneRect{-2, 3, 8, 11}));
    const int32_t most = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(a.Offset(0, most).right, most);  // saturates, no overflow
    EXPECT_EQ((PlaneRect{2, 3, 7, 5}).Transposed(), (PlaneRect{2, 3, 4, 8}));
}

// ---- Storage lifecycle ----------------------------------------------------------

TEST(PlanarStorage, ZeroFilledReleasedAndCached) {
    const int64_t live = GetPageMemoryStats().live;
    {
        auto img = MakeImage(kModeRGB, 6, 4, 4, 1);
        uint8_t* d = img->Data();
        ASSERT_NE(d, nullptr);
        for (uint64_t i = 0; i < img->StorageBytes(); ++i) ASSERT_EQ(d[i], 0);
        EXPECT_EQ(img->Data(), d);  // allocated once
        img->CacheBits();
        EXPECT_EQ(img->CachedBits(), d);
        EXPECT_EQ(GetPageMemoryStats().live, live + 1);
        img->Release();
        EXPECT_EQ(img->CachedBits(), nullptr);
        EXPECT_EQ(img->DataNoAlloc(), nullptr);
        EXPECT_EQ(img->Storage().mapping, -1);
        EXPECT_EQ(GetPageMemoryStats().live, live);
        ASSERT_NE(img->Data(), nullptr);  // usable again
    }
    EXPECT_EQ(GetPageMemoryStats().live, live);  // the destructor releases
}

TEST(PlanarStorage, FailedAllocationLeavesEveryOperationFailing) {
    auto src = MakeImage(kModeRGB, 4, 4, 4);
    auto mask = MakeImage(kModeGrayScale, 4, 4, 1);
    FillRandom(*src, 1);
    FillRandom(*mask, 2);
    auto img = MakeImage(kModeRGB, 4, 4, 4);
    FailPageAllocationAfter(1);
    EXPECT_EQ(img->Data(), nullptr);
    FailPageAllocationAfter(0);
    EXPECT_EQ(img->Storage().data, nullptr);
    // Each of these allocates first; with that allocation failing they fail.
    auto failing = [&](auto op) {
        FailPageAllocationAfter(1);
        const bool ok = op();
        FailPageAllocationAfter(0);
        return ok;
    };
    EXPECT_FALSE(failing([&] { return img->CopyFrom(src.get()); }));
    EXPECT_FALSE(failing([&] { return img->BlendMasked(src.get(), mask.get(), PlaneRect{0, 0, 4, 4}); }));
    EXPECT_FALSE(failing([&] { return img->FillColor(Rgb16{1, 2, 3}); }));
    EXPECT_FALSE(failing([&] { return img->Invert(); }));
    EXPECT_FALSE(failing([&] { return img->BoxBlur(1); }));
    std::unique_ptr<CPlanarImage> out;
    EXPECT_FALSE(failing([&] { return CPlanarImage::RotateClockwise(out, src.get()); }));
    EXPECT_FALSE(failing([&] { return CPlanarImage::Resample(out, src.get(), 0.5, 0); }));
    EXPECT_FALSE(failing([&] { return CPlanarImage::BuildMask(out, src.get()); }));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(img->DataNoAlloc(), nullptr);
}

// ---- CopyFrom -------------------------------------------------------------------

TEST(PlanarCopyFrom, CopiesSameLayoutsOnly) {
    auto src = MakeImage(kModeRGB, 5, 3, 3, 1);
    FillRandom(*src, 7);
    auto dst = MakeImage(kModeRGB, 5, 3, 3, 1, 100, 200);  // the position does not matter
    ASSERT_TRUE(dst->CopyFrom(src.get()));
    EXPECT_EQ(Snapshot(*dst), Snapshot(*src));

    auto taller = MakeImage(kModeRGB, 5, 4, 3, 1);
    ASSERT_NE(taller->Data(), nullptr);
    EXPECT_FALSE(taller->CopyFrom(src.get()));
    EXPECT_EQ(Snapshot(*taller), std::vector<uint8_t>(taller->StorageBytes(), 0));
    EXPECT_FALSE(dst->CopyFrom(nullptr));
}

TEST(PlanarCopyFrom, ASourceWithFewerPlanesCopiesOnlyThose) {
    auto src = MakeImage(kModeGrayScale, 4, 4, 1);
    FillRandom(*src, 3);
    auto dst = MakeImage(kModeRGB, 4, 4, 3);
    FillRandom(*dst, 4);
    const std::vector<uint8_t> before = Snapshot(*dst);
    ASSERT_TRUE(dst->CopyFrom(src.get()));
    const std::vector<uint8_t> after = Snapshot(*dst);
    const size_t plane = size_t(dst->PlaneBytes());
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + plane, Snapshot(*src).begin()));
    EXPECT_TRUE(std::equal(after.begin() + plane, after.end(), before.begin() + plane));
}

// ---- BlendMasked ------------------------------------------------------------------

int BlendReference(int d, int s, int m) { return d + (s - d) * m / 255; }

class PlanarBlend : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !planar::HaveSse41()) GTEST_SKIP() << "no SSE4.1 here";
        planar::SetVectorPathsEnabled(GetParam());
    }
    void TearDown() override { planar::SetVectorPathsEnabled(true); }
};

TEST_P(PlanarBlend, MatchesTheFormulaInsideTheRectAndNothingElseMoves) {
    // 13 rows: a vector part and a tail in every column.
    auto dst = MakeImage(kModeRGB, 9, 13, 4);
    auto src = MakeImage(kModeRGB, 6, 11, 4);
    auto mask = MakeImage(kModeGrayScale, 6, 11, 1);
    FillRandom(*dst, 11);
    FillRandom(*src, 12);
    FillRandom(*mask, 13);
    auto before = MakeImage(kModeRGB, 9, 13, 4);
    ASSERT_TRUE(before->CopyFrom(dst.get()));
    const PlaneRect rect{2, 1, 8, 12};
    ASSERT_TRUE(dst->BlendMasked(src.get(), mask.get(), rect));
    for (int c = 0; c < 4; ++c)
        for (int x = 0; x < 9; ++x)
            for (int y = 0; y < 13; ++y) {
                const bool inside = c < 3 && x >= 2 && x < 8 && y >= 1 && y < 12;
                const int d = At(*before, c, x, y);
                const int want = inside ? BlendReference(d, At(*src, c, x - 2, y - 1), At(*mask, 0, x - 2, y - 1)) : d;
                ASSERT_EQ(At(*dst, c, x, y), want) << c << "," << x << "," << y;
            }
}

TEST_P(PlanarBlend, MaskExtremesAndHalf) {
    auto dst = MakeImage(kModeRGB, 3, 1, 3);
    auto src = MakeImage(kModeRGB, 3, 1, 3);
    auto mask = MakeImage(kModeGrayScale, 3, 1, 1);
    for (int x = 0; x < 3; ++x) {
        At(*src, 0, x, 0) = 255;
        At(*dst, 0, x, 0) = 0;
    }
    At(*mask, 0, 0, 0) = 255;
    At(*mask, 0, 1, 0) = 0;
    At(*mask, 0, 2, 0) = 128;
    ASSERT_TRUE(dst->BlendMasked(src.get(), mask.get(), PlaneRect{0, 0, 3, 1}));
    EXPECT_EQ(At(*dst, 0, 0, 0), 255);
    EXPECT_EQ(At(*dst, 0, 1, 0), 0);
    EXPECT_EQ(At(*dst, 0, 2, 0), 128);
}

TEST_P(PlanarBlend, RectsReachingOutsideAreClippedAndBadInputsRefused) {
    auto dst = MakeImage(kModeRGB, 6, 6, 3);
    auto src = MakeImage(kModeRGB, 4, 4, 3);
    auto mask = MakeImage(kModeGrayScale, 4, 4, 1);
    FillRandom(*src, 5);
    std::fill(mask->Data(), mask->Data() + mask->StorageBytes(), 255);
    ASSERT_NE(dst->Data(), nullptr);
    // The rect hangs over the top-left corner: source (2, 3) lands on (0, 0).
    ASSERT_TRUE(dst->BlendMasked(src.get(), mask.get(), PlaneRect{-2, -3, 4, 3}));
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 6; ++y) {
            const bool covered = x < 2 && y < 1;
            ASSERT_EQ(At(*dst, 1, x, y), covered ? At(*src, 1, x + 2, y + 3) : 0) << x << "," << y;
        }
    // Past the bottom-right corner, and past the source's own size.
    auto dst2 = MakeImage(kModeRGB, 6, 6, 3);
    ASSERT_TRUE(dst2->BlendMasked(src.get(), mask.get(), PlaneRect{4, 5, 10, 11}));
    EXPECT_EQ(At(*dst2, 0, 5, 5), At(*src, 0, 1, 0));
    EXPECT_EQ(At(*dst2, 0, 3, 5), 0);

    const std::vector<uint8_t> before = Snapshot(*dst);
    auto smallMask = MakeImage(kModeGrayScale, 3, 4, 1);
    EXPECT_FALSE(dst->BlendMasked(src.get(), smallMask.get(), PlaneRect{0, 0, 4, 4}));
    EXPECT_FALSE(dst->BlendMasked(src.get(), mask.get(), PlaneRect{0, 0, 7, 4}));  // wider than dst
    EXPECT_FALSE(dst->BlendMasked(nullptr, mask.get(), PlaneRect{0, 0, 4, 4}));
    EXPECT_FALSE(dst->BlendMasked(src.get(), nullptr, PlaneRect{0, 0, 4, 4}));
    EXPECT_FALSE(dst->BlendMasked(dst.get(), mask.get(), PlaneRect{0, 0, 4, 4}));
    EXPECT_EQ(Snapshot(*dst), before);
}

TEST_P(PlanarBlend, CmykBlendsItsBlackAndKeepsAlpha) {
    auto dst = MakeImage(kModeCMYK, 2, 9, 5);
    auto src = MakeImage(kModeCMYK, 2, 9, 5);
    auto mask = MakeImage(kModeGrayScale, 2, 9, 1);
    std::fill(src->Data(), src->Data() + src->StorageBytes(), 200);
    std::fill(mask->Data(), mask->Data() + mask->StorageBytes(), 255);
    ASSERT_NE(dst->Data(), nullptr);
    ASSERT_TRUE(dst->BlendMasked(src.get(), mask.get(), PlaneRect{0, 0, 2, 9}));
    for (int c = 0; c < 5; ++c) EXPECT_EQ(At(*dst, c, 1, 8), c < 4 ? 200 : 0) << c;
}

INSTANTIATE_TEST_SUITE_P(ScalarAndVector, PlanarBlend, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Sse41" : "Scalar"; });

// Every destination, source and mask value, in columns whose lengths leave
// vector tails of every size.
TEST(PlanarBlendKernel, EveryValueGivesTheSameBytesOnBothPaths) {
    std::vector<uint8_t> s(256), m(256), ds(256), dv(256);
    for (int i = 0; i < 256; ++i) s[size_t(i)] = uint8_t(i);
    const bool vector = planar::HaveSse41();
    for (int d = 0; d < 256; ++d) {
        for (int mv = 0; mv < 256; ++mv) {
            std::fill(m.begin(), m.end(), uint8_t(mv));
            std::fill(ds.begin(), ds.end(), uint8_t(d));
            std::fill(dv.begin(), dv.end(), uint8_t(d));
            const size_t n = 249 + size_t(mv % 8);  // 249..256
            planar::BlendColumnScalar(ds.data(), s.data(), m.data(), n);
            for (size_t i = 0; i < n; ++i) ASSERT_EQ(ds[i], BlendReference(d, int(i), mv)) << d << " " << i << " " << mv;
            if (vector) {
                planar::BlendColumnSse41(dv.data(), s.data(), m.data(), n);
                ASSERT_EQ(ds, dv) << "d " << d << " m " << mv;
            }
        }
    }
    if (!vector) GTEST_SKIP() << "no SSE4.1 here: the scalar path was checked alone";
}

// ---- FillColor, ClampAlpha, MaxAlpha ------------------------------------------------

bool FakeRgbToMode(const Rgb16& color, uint16_t out[4], uint16_t mode) {
    if (mode != kModeCMYK) return false;
    out[0] = 255 - (color.red >> 8);
    out[1] = 255 - (color.green >> 8);
    out[2] = 255 - (color.blue >> 8);
    out[3] = 0x1FF;  // only the low byte lands in the plane
    return true;
}

class PlanarHooks : public ::testing::Test {
protected:
    void SetUp() override { saved_ = GetPlanarColorHooks(); }
    void TearDown() override { SetPlanarColorHooks(saved_); }
    PlanarColorHooks saved_;
};

TEST_F(PlanarHooks, FillColorConvertsIntoTheModeAndLeavesAlpha) {
    SetPlanarColorHooks(PlanarColorHooks{});
    auto rgb = MakeImage(kModeRGB, 3, 2, 4, 1);
    FillRandom(*rgb, 9);
    const std::vector<uint8_t> before = Snapshot(*rgb);
    ASSERT_TRUE(rgb->FillColor(Rgb16{0x12FF, 0x3400, 0xFE01}));  // RGB needs no conversion
    const size_t plane = size_t(rgb->PlaneBytes());
    const std::vector<uint8_t> after = Snapshot(*rgb);
    for (size_t i = 0; i < plane; ++i) {
        ASSERT_EQ(after[i], 0x12);
        ASSERT_EQ(after[plane + i], 0x34);
        ASSERT_EQ(after[2 * plane + i], 0xFE);
        ASSERT_EQ(after[3 * plane + i], before[3 * plane + i]);
    }

    auto cmyk = MakeImage(kModeCMYK, 2, 2, 5);
    ASSERT_NE(cmyk->Data(), nullptr);
    EXPECT_FALSE(cmyk->FillColor(Rgb16{}));  // no hook, no conversion
    EXPECT_EQ(Snapshot(*cmyk), std::vector<uint8_t>(cmyk->StorageBytes(), 0));
    SetPlanarColorHooks(PlanarColorHooks{&FakeRgbToMode, nullptr});
    ASSERT_TRUE(cmyk->FillColor(Rgb16{0x1000, 0x2000, 0x3000}));
    EXPECT_EQ(At(*cmyk, 0, 1, 1), 255 - 0x10);
    EXPECT_EQ(At(*cmyk, 2, 0, 0), 255 - 0x30);
    EXPECT_EQ(At(*cmyk, 3, 0, 1), 0xFF);
    EXPECT_EQ(At(*cmyk, 4, 1, 0), 0);  // alpha stays
    ASSERT_TRUE(cmyk->Clear());
    EXPECT_EQ(At(*cmyk, 0, 0, 0), 255);  // black in CMYK is ink, not zero

    auto lab = MakeImage(kModeLab, 2, 2, 3);
    EXPECT_FALSE(lab->FillColor(Rgb16{}));  // the hook refuses the mode
}

TEST(PlanarAlpha, ClampAlphaTouchesOnlyTheInnerAlphaPlane) {
    auto rgb = MakeImage(kModeRGB, 4, 3, 3, 1);
    FillRandom(*rgb, 21);
    const std::vector<uint8_t> rgbBefore = Snapshot(*rgb);
    rgb->ClampAlpha(200);  // no alpha plane
    EXPECT_EQ(Snapshot(*rgb), rgbBefore);

    auto rgba = MakeImage(kModeRGB, 4, 3, 4, 1);
    FillRandom(*rgba, 22);
    auto ref = MakeImage(kModeRGB, 4, 3, 4, 1);
    ASSERT_TRUE(ref->CopyFrom(rgba.get()));
    rgba->ClampAlpha(200);
    for (int c = 0; c < 4; ++c)
        for (int x = -1; x < 5; ++x)
            for (int y = -1; y < 4; ++y) {
                const bool inner = x >= 0 && x < 4 && y >= 0 && y < 3;
                const int v = At(*ref, c, x, y);
                ASSERT_EQ(At(*rgba, c, x, y), (c == 3 && inner) ? std::max(v, 200) : v);
            }

    // CMYK: plane 3 is black; alpha is plane 4 when there is one.
    auto cmyk4 = MakeImage(kModeCMYK, 2, 2, 4);
    ASSERT_NE(cmyk4->Data(), nullptr);
    cmyk4->ClampAlpha(255);
    EXPECT_EQ(Snapshot(*cmyk4), std::vector<uint8_t>(cmyk4->StorageBytes(), 0));
    auto cmyk5 = MakeImage(kModeCMYK, 2, 2, 5);
    cmyk5->ClampAlpha(255);
    EXPECT_EQ(cmyk5->AlphaPlane(), 4);
    EXPECT_EQ(At(*cmyk5, 3, 1, 1), 0);
    EXPECT_EQ(At(*cmyk5, 4, 1, 1), 255);
}

TEST(PlanarAlpha, MaxAlphaReadsTheOthersAlphaOrItsOnlyPlane) {
    auto img = MakeImage(kModeRGB, 3, 3, 4);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) At(*img, 3, x, y) = uint8_t(40 * (x + y));
    auto mask = MakeImage(kModeGrayScale, 3, 3, 1);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) At(*mask, 0, x, y) = uint8_t(100 + y);
    img->MaxAlpha(mask.get());
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) ASSERT_EQ(At(*img, 3, x, y), std::max(40 * (x + y), 100 + y));

    auto rgba = MakeImage(kModeRGB, 2, 2, 4);
    At(*rgba, 0, 0, 0) = 250;  // a colour plane: must not be read as alpha
    At(*rgba, 3, 1, 1) = 230;
    auto target = MakeImage(kModeRGB, 3, 3, 4);
    target->MaxAlpha(rgba.get());  // sizes differ: the common part only
    EXPECT_EQ(At(*target, 3, 0, 0), 0);
    EXPECT_EQ(At(*target, 3, 1, 1), 230);
    EXPECT_EQ(At(*target, 3, 2, 2), 0);

    auto cmyk = MakeImage(kModeCMYK, 3, 3, 5);
    cmyk->MaxAlpha(mask.get());
    EXPECT_EQ(At(*cmyk, 3, 1, 1), 0);  // black untouched
    EXPECT_EQ(At(*cmyk, 4, 1, 1), 101);
    auto cmykNoAlpha = MakeImage(kModeCMYK, 3, 3, 4);
    cmykNoAlpha->MaxAlpha(mask.get());
    EXPECT_EQ(At(*cmykNoAlpha, 3, 1, 1), 0);
}

TEST(PlanarModes, ColourPlanesAndAlpha) {
    EXPECT_EQ(ColourPlanesOfMode(kModeRGB, 4), 3);
    EXPECT_EQ(ColourPlanesOfMode(kModeRGB, 1), 1);  // an alpha-channel target
    EXPECT_EQ(ColourPlanesOfMode(kModeCMYK, 5), 4);
    EXPECT_EQ(ColourPlanesOfMode(kModeGrayScale, 2), 1);
    EXPECT_EQ(ColourPlanesOfMode(kModeMultichannel, 6), 6);
    EXPECT_EQ(MakeImage(kModeRGB, 1, 1, 3)->AlphaPlane(), -1);
    EXPECT_EQ(MakeImage(kModeRGB, 1, 1, 4)->AlphaPlane(), 3);
    EXPECT_EQ(MakeImage(kModeGrayScale, 1, 1, 2)->AlphaPlane(), 1);
}

}  // namespace
}  // namespace frostel
