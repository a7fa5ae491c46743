#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "PageMemory.h"
#include "PointTransforms.h"

namespace frostel {
namespace {

constexpr float kHalfPi = 1.5707963f;

__Point3ds Point(float x, float y, float z, bool normal) {
    __Point3ds p{};
    p.x = x, p.y = y, p.z = z;
    p.u = 0.25f, p.v = 0.75f;
    p.hasNormal = normal ? 1 : 0;
    p.nx = 1, p.ny = 0, p.nz = 0;
    return p;
}

TEST(PointTransforms, TranslateAndScaleMovePositionsOnly) {
    __Point3ds pts[2] = {Point(1, 2, 3, true), Point(-4, 0, 8, false)};
    __TranslatePoints(10, -1, 0.5f, 2, pts);
    EXPECT_EQ(pts[0].x, 11);
    EXPECT_EQ(pts[0].y, 1);
    EXPECT_EQ(pts[1].z, 8.5f);
    __ScalePoints(2, 2, pts);
    EXPECT_EQ(pts[1].x, 12);
    EXPECT_EQ(pts[1].z, 17);
    EXPECT_EQ(pts[0].nx, 1);
    EXPECT_EQ(pts[0].u, 0.25f);
    EXPECT_EQ(pts[0].v, 0.75f);
    // No count, no change.
    __TranslatePoints(5, 5, 5, 0, pts);
    __ScalePoints(3, -1, pts);
    EXPECT_EQ(pts[0].x, 22);
}

TEST(PointTransforms, RotationsTurnTheirPlaneAboutTheCentre) {
    __Point3ds z[2] = {Point(2, 1, 7, true), Point(2, 1, 7, false)};
    __RotatePointsZ(1, 1, kHalfPi, 2, z);
    EXPECT_NEAR(z[0].x, 1, 1e-6f);
    EXPECT_NEAR(z[0].y, 2, 1e-6f);
    EXPECT_EQ(z[0].z, 7);
    EXPECT_NEAR(z[0].nx, 0, 1e-6f);
    EXPECT_NEAR(z[0].ny, 1, 1e-6f);
    // Without the flag the normal stays, whatever the rotation.
    EXPECT_EQ(z[1].nx, 1);
    EXPECT_EQ(z[1].ny, 0);

    __Point3ds x[1] = {Point(5, 1, 0, true)};
    x[0].nx = 0, x[0].ny = 1;
    __RotatePointsX(0, 0, kHalfPi, 1, x);
    EXPECT_EQ(x[0].x, 5);
    EXPECT_NEAR(x[0].y, 0, 1e-6f);
    EXPECT_NEAR(x[0].z, 1, 1e-6f);
    EXPECT_NEAR(x[0].nz, 1, 1e-6f);

    __Point3ds y[1] = {Point(3, 9, 2, true)};
    __RotatePointsY(2, 2, kHalfPi, 1, y);
    EXPECT_NEAR(y[0].x, 2, 1e-6f);
    EXPECT_NEAR(y[0].z, 3, 1e-6f);
    EXPECT_EQ(y[0].y, 9);
    EXPECT_NEAR(y[0].nz, 1, 1e-6f);

    // A turn by 0 keeps the positions.
    __Point3ds same[1] = {Point(3.5f, -2, 1, true)};
    __RotatePointsZ(10, 10, 0, 1, same);
    EXPECT_FLOAT_EQ(same[0].x, 3.5f);
    EXPECT_FLOAT_EQ(same[0].y, -2);
}

TEST(FrameConversion, ThreeChannelsTakeColourTimesCoverage) {
    // Two pixels: opaque and transparent; then half coverage.
    uint8_t frame[2 * 2 * 4] = {200, 100, 50, 255, 90, 90, 90, 0, 200, 100, 50, 128, 10, 20, 30, 255};
    std::vector<uint8_t> image(2 * 8, 0xEE);  // rows of 8 bytes: 6 used, 2 padding
    uint8_t* target = image.data();
    __RGBAToChannels(&target, frame, 2, 2, 8, 3);
    const std::vector<uint8_t> expected = {200, 100, 50, 0, 0, 0, 0xEE, 0xEE,
                                           100, 50, 25, 10, 20, 30, 0xEE, 0xEE};
    EXPECT_EQ(image, expected);
}

TEST(FrameConversion, OtherChannelCountsStayInsideTheirRows) {
    uint8_t frame[2 * 4] = {1, 2, 3, 4, 5, 6, 7, 8};
    // Four channels into rows wider than the frame's: row by row.
    std::vector<uint8_t> wide(2 * 12, 0xEE);
    uint8_t* target = wide.data();
    __RGBAToChannels(&target, frame, 1, 2, 12, 4);
    EXPECT_EQ(std::vector<uint8_t>(wide.begin(), wide.begin() + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(wide[4], 0xEE);
    EXPECT_EQ(wide[12], 5);
    EXPECT_EQ(wide[16], 0xEE);
    // One channel: the first frame channel, nothing past the row.
    std::vector<uint8_t> grey(2);
    target = grey.data();
    __RGBAToChannels(&target, frame, 2, 1, 2, 1);
    EXPECT_EQ(grey, (std::vector<uint8_t>{1, 5}));
    // Five channels: the four frame channels, the fifth untouched.
    std::vector<uint8_t> five(5, 0xEE);
    target = five.data();
    __RGBAToChannels(&target, frame, 1, 1, 5, 5);
    EXPECT_EQ(five, (std::vector<uint8_t>{1, 2, 3, 4, 0xEE}));
}

TEST(FrameConversion, ImagesBecomeFramesInPageMemory) {
    const int64_t live = GetPageMemoryStats().live;
    uint8_t rgb[2 * 7] = {10, 20, 30, 40, 50, 60, 0, 70, 80, 90, 1, 2, 3, 0};  // rows of 7 bytes
    uint8_t* frame = nullptr;
    __ChannelsToRGBA(&frame, rgb, 2, 2, 7, 3);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(GetPageMemoryStats().live, live + 1);
    const std::vector<uint8_t> expected = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 1, 2, 3, 255};
    EXPECT_EQ(std::vector<uint8_t>(frame, frame + 16), expected);
    FreePages(frame);

    uint8_t rgba[2 * 6] = {1, 2, 3, 4, 0, 0, 5, 6, 7, 8, 0, 0};  // one pixel a row, padded
    __ChannelsToRGBA(&frame, rgba, 1, 2, 6, 4);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(frame, frame + 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    FreePages(frame);

    // Bad sizes and failed allocations give no frame.
    __ChannelsToRGBA(&frame, rgb, 3, 2, 7, 3);
    EXPECT_EQ(frame, nullptr);
    FailPageAllocationAfter(1);
    __ChannelsToRGBA(&frame, rgb, 2, 2, 7, 3);
    EXPECT_EQ(frame, nullptr);
    FailPageAllocationAfter(0);
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

TEST(EngineLibrary, BindsTheRendererFromItsLibrary) {
    EXPECT_FALSE(LoadEngineLibrary("no-such-folder/"));
    EXPECT_EQ(gEngineRasterScene, nullptr);

    ASSERT_TRUE(LoadEngineLibrary(FROSTEL_FAKE_ENGINE_DIR "/"));
    ASSERT_NE(gEngineLibrary, nullptr);
    ASSERT_NE(gEngineRasterScene, nullptr);
    uint8_t dst[4] = {};
    gEngineRasterScene(dst, nullptr, 1, 1, 4, 0, 0, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, 0, nullptr,
                       nullptr);
    EXPECT_EQ(dst[0], 0x5A);  // the fake marks the frame it was handed
}

}  // namespace
}  // namespace frostel
