#include <gtest/gtest.h>

#include <cstring>

#include "HostUtil.h"

using namespace frostel;

namespace {

struct Record {
    pi::FilterRecord fr;
    pi::BigDocumentStruct big;
    Record() {
        std::memset(&fr, 0, sizeof fr);
        std::memset(&big, 0, sizeof big);
    }
    void OfferBigDocument(bool optedIn) {
        fr.bigDocumentData = &big;
        big.PluginUsing32BitCoordinates = optedIn ? 1 : 0;
    }
};

bool Equal(const pi::VRect& a, const pi::VRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

}  // namespace

TEST(HostUtil, WithoutTheBlockRectanglesUseTheSixteenBitFields) {
    Record r;
    r.fr.filterRect = pi::Rect{-5, 2, 300, 400};
    EXPECT_TRUE(Equal(GetFilterRect(&r.fr), pi::VRect{-5, 2, 300, 400}));

    SetInRect(&r.fr, pi::VRect{0, 0, 70000, 10});
    EXPECT_EQ(r.fr.inRect.bottom, int16_t(70000 & 0xFFFF));
    EXPECT_EQ(r.fr.inRect.right, 10);
    // Read back through the 16-bit field: sign-extended.
    EXPECT_EQ(GetInRect(&r.fr).bottom, int16_t(70000 & 0xFFFF));
}

TEST(HostUtil, OfferedButNotOptedInStillUsesSixteenBits) {
    Record r;
    r.OfferBigDocument(false);
    r.big.outRect32 = pi::VRect{1, 2, 3, 4};
    r.fr.outRect = pi::Rect{5, 6, 7, 8};
    EXPECT_TRUE(Equal(GetOutRect(&r.fr), pi::VRect{5, 6, 7, 8}));
}

TEST(HostUtil, OptedInUsesOnlyTheBlock) {
    Record r;
    r.OfferBigDocument(true);
    r.fr.filterRect = pi::Rect{1, 1, 1, 1};
    r.big.filterRect32 = pi::VRect{0, 0, 100000, 90000};
    r.big.imageSize32 = pi::VPoint{100000, 90000};
    r.big.floatCoord32 = pi::VPoint{-3, 4};
    EXPECT_TRUE(Equal(GetFilterRect(&r.fr), pi::VRect{0, 0, 100000, 90000}));
    EXPECT_EQ(GetImageSize(&r.fr).v, 100000);
    EXPECT_EQ(GetFloatCoord(&r.fr).v, -3);
    EXPECT_EQ(GetFloatCoord(&r.fr).h, 4);

    const pi::Rect before = r.fr.maskRect = pi::Rect{9, 9, 9, 9};
    SetMaskRect(&r.fr, pi::VRect{0, 0, 100000, 5});
    EXPECT_TRUE(Equal(r.big.maskRect32, pi::VRect{0, 0, 100000, 5}));
    EXPECT_EQ(std::memcmp(&r.fr.maskRect, &before, sizeof before), 0) << "16-bit field written";

    // The 16-bit forms narrow what the block holds.
    const pi::Rect f16 = GetFilterRect16(&r.fr);
    EXPECT_EQ(f16.bottom, int16_t(100000 & 0xFFFF));
    SetOutRect16(&r.fr, pi::Rect{-1, -2, 3, 4});
    EXPECT_TRUE(Equal(r.big.outRect32, pi::VRect{-1, -2, 3, 4}));
}
