#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "Raster.h"

namespace frostel {
namespace {

TEST(RasterTest, ReadsOutsideGiveTheDefaultAndWritesOutsideAreIgnored) {
    TCRaster<int> r(3, 2, -7);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) r.Set(x, y, 10 * y + x);
    EXPECT_EQ(r.Get(2, 1), 12);
    EXPECT_EQ(r.Get(-1, 0), -7);
    EXPECT_EQ(r.Get(0, -1), -7);
    EXPECT_EQ(r.Get(3, 0), -7);
    EXPECT_EQ(r.Get(0, 2), -7);
    r.Set(3, 0, 99);
    r.Set(-1, 1, 99);
    EXPECT_EQ(r.Get(0, 1), 10);  // no write wrapped into the next row
    EXPECT_EQ(r.Get(2, 0), 2);

    TCRaster<bool> b(2, 2, true);
    b.Set(0, 0, false);
    EXPECT_FALSE(b.Get(0, 0));
    EXPECT_TRUE(b.Get(5, 5));
    EXPECT_FALSE(b.Check());
}

TEST(RasterTest, CreateLaysRowsOutInOneBlock) {
    TCRaster<unsigned char> r(-1, -1, 0x79);
    EXPECT_TRUE(r.Empty());
    EXPECT_EQ(r.Width(), -1);
    ASSERT_TRUE(r.Create(3, 4));
    EXPECT_EQ(r.Width(), 4);
    EXPECT_EQ(r.Height(), 3);
    EXPECT_EQ(r.Row(2), r.Pixels() + 8);

    ASSERT_TRUE(r.CreateStrided(3, 4, 7));
    EXPECT_EQ(r.Width(), 4);
    EXPECT_EQ(r.Row(1), r.Pixels() + 7);
    EXPECT_EQ(r.Row(2), r.Pixels() + 14);
    r.Set(3, 2, 5);
    EXPECT_EQ(r.Pixels()[17], 5);
}

TEST(RasterTest, BorrowedPixelsAreReadInPlaceAndNeverFreed) {
    // Two rows of 3 pixels, 5 bytes apart; the caller's buffer stays its own
    // (the sanitizers would see a free of the vector's block).
    std::vector<unsigned char> pixels = {1, 2, 3, 90, 91, 4, 5, 6};
    TCRaster<unsigned char> r(-1, -1, 0x79);
    ASSERT_TRUE(r.Borrow(2, 3, 5, pixels.data()));
    EXPECT_EQ(r.Width(), 3);
    EXPECT_EQ(r.Height(), 2);
    EXPECT_EQ(r.Pixels(), pixels.data());
    EXPECT_EQ(r.Get(2, 0), 3);
    EXPECT_EQ(r.Get(0, 1), 4);
    EXPECT_EQ(r.Get(3, 0), 0x79);  // the padding is outside
    pixels[7] = 60;
    EXPECT_EQ(r.Get(2, 1), 60);  // no copy

    // Owning again after borrowing, and borrowing after owning.
    ASSERT_TRUE(r.CreateStrided(2, 2, 2));
    r.Row(1)[1] = 8;
    EXPECT_EQ(pixels[6], 5);
    ASSERT_TRUE(r.Borrow(1, 3, 3, pixels.data()));
    EXPECT_EQ(r.Get(1, 0), 2);
    r.Clear();
    EXPECT_TRUE(r.Empty());
    EXPECT_EQ(r.Width(), 0);
    EXPECT_EQ(pixels[0], 1);

    EXPECT_FALSE(r.Borrow(2, 3, 2, pixels.data()));  // rows overlap
    EXPECT_FALSE(r.Borrow(2, 3, 3, nullptr));
    EXPECT_TRUE(r.Empty());
}

TEST(RasterTest, FailedCreateLeavesAnEmptyRasterWithZeroSides) {
    TCRaster<unsigned char> r(4, 4, 1);
    r.Set(1, 1, 9);
    struct Case { int rows, columns, stride; };
    for (Case c : {Case{0, 10, 10}, Case{10, 0, 10}, Case{-3, 5, 5}, Case{4, 8, 7}, Case{INT_MAX, INT_MAX, INT_MAX}}) {
        ASSERT_TRUE(r.Create(4, 4));
        EXPECT_FALSE(r.CreateStrided(c.rows, c.columns, c.stride)) << c.rows << "x" << c.columns << "/" << c.stride;
        EXPECT_TRUE(r.Empty());
        EXPECT_EQ(r.Width(), 0);
        EXPECT_EQ(r.Height(), 0);
        EXPECT_EQ(r.Get(0, 0), 1);
    }
    TCRaster<int> big(2, 2, 0);
    EXPECT_FALSE(big.Create(INT_MAX, INT_MAX));
    EXPECT_EQ(big.Width(), 0);
    EXPECT_EQ(big.Height(), 0);
}

}  // namespace
}  // namespace frostel
