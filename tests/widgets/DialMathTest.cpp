#include "DialMath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace frostel::widgets;

TEST(DialAngles, TurnDialReadsClockwiseFromTheTop) {
    float a = -1.0f;
    // Centre (50, 50).
    ASSERT_TRUE(DialDirection(kTurnDial, 50.0f, 10.0f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, 0.0f, 1e-4);
    ASSERT_TRUE(DialDirection(kTurnDial, 90.0f, 50.001f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, 90.0f, 0.01);
    ASSERT_TRUE(DialDirection(kTurnDial, 50.0f, 90.0f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, 180.0f, 1e-4);
    ASSERT_TRUE(DialDirection(kTurnDial, 10.0f, 49.999f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, 270.0f, 0.01);
    ASSERT_TRUE(DialDirection(kTurnDial, 40.0f, 10.0f, 50.0f, 50.0f, &a));
    EXPECT_GT(a, 340.0f) << "just left of the top is near 360";

    a = 123.0f;
    EXPECT_FALSE(DialDirection(kTurnDial, 80.0f, 50.0f, 50.0f, 50.0f, &a));
    EXPECT_EQ(a, 123.0f) << "level with the centre keeps the previous angle";

    // The knob sits where the angle points.
    float kx, ky;
    for (float angle : {0.0f, 45.0f, 90.0f, 200.0f, 300.0f}) {
        DialKnobPoint(angle, 50.0f, 50.0f, 40.0f, &kx, &ky);
        float back = -1.0f;
        ASSERT_TRUE(DialDirection(kTurnDial, kx, ky, 50.0f, 50.0f, &back));
        EXPECT_NEAR(back, angle, 0.01) << angle;
    }
}

TEST(DialAngles, DirectionDialReadsCounterClockwiseFromTheRight) {
    float a;
    ASSERT_TRUE(DialDirection(kDirectionDial, 90.0f, 49.999f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, 0.0f, 0.01);
    ASSERT_TRUE(DialDirection(kDirectionDial, 50.0f, 10.0f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, 90.0f, 1e-4);
    ASSERT_TRUE(DialDirection(kDirectionDial, 50.0f, 90.0f, 50.0f, 50.0f, &a));
    EXPECT_NEAR(a, -90.0f, 1e-4);
}

TEST(DialAngles, ElevationFromTheDistance) {
    EXPECT_NEAR(DialElevation(50, 50, 50, 50, 48), 90.0f, 1e-3);
    EXPECT_NEAR(DialElevation(98, 50, 50, 50, 48), 0.0f, 1e-3);
    EXPECT_NEAR(DialElevation(200, 50, 50, 50, 48), 0.0f, 1e-3) << "outside the dial: flat";
    EXPECT_NEAR(DialElevation(74, 50, 50, 50, 48), 60.0f, 1e-3);
    EXPECT_EQ(DialElevation(60, 50, 50, 50, 0), 0.0f);
}

TEST(DialAngles, TurnsCountAcrossZero) {
    // An unlimited drag from 350 across the top to 10 is at 370.
    float turns = StepTurns(0.0f, 350.0f, 10.0f);
    EXPECT_EQ(turns, 1.0f);
    EXPECT_EQ(turns * 360.0f + 10.0f, 370.0f);
    EXPECT_EQ(StepTurns(1.0f, 10.0f, 350.0f), 0.0f);
    EXPECT_EQ(StepTurns(0.0f, 100.0f, 200.0f), 0.0f);
    EXPECT_EQ(StepTurns(0.0f, 250.0f, 80.0f), 0.0f) << "a jump across the bottom is no turn";
}

TEST(DialValueMode, AngleAndValueMapBothWays) {
    // 0..360 degrees onto 10..110.
    EXPECT_FLOAT_EQ(DialValueFromAngle(180.0f, 10.0f, 110.0f, 0.0f, 360.0f, false), 60.0f);
    EXPECT_FLOAT_EQ(DialValueFromAngle(100.0f, 10.0f, 110.0f, 0.0f, 360.0f, true), 37.0f);
    EXPECT_FLOAT_EQ(DialAngleFromValue(60.0f, 10.0f, 110.0f, 0.0f, 360.0f), 180.0f);
    for (float v = 10.0f; v <= 110.0f; v += 12.5f)
        EXPECT_NEAR(DialValueFromAngle(DialAngleFromValue(v, 10, 110, 0, 360), 10, 110, 0, 360, false), v, 1e-4);
    EXPECT_FLOAT_EQ(DialAngleFromValue(5.0f, 3.0f, 3.0f, 20.0f, 360.0f), 20.0f) << "empty range";
    EXPECT_FLOAT_EQ(DialValueFromAngle(5.0f, 3.0f, 9.0f, 20.0f, 20.0f, false), 3.0f);
}

TEST(LightPad, KnownPoints) {
    float a, b;
    PointToLightAngles(100.0f, 0.0f, &a, &b);
    EXPECT_NEAR(a, 0.0f, 1e-4);
    EXPECT_NEAR(b, 0.0f, 1e-3);
    PointToLightAngles(0.0f, 0.0f, &a, &b);
    EXPECT_NEAR(b, 90.0f, 1e-4);
    PointToLightAngles(100.0f, -100.0f, &a, &b);
    EXPECT_NEAR(a, 45.0f, 1e-4);
    EXPECT_NEAR(b, 0.0f, 0.05) << "the square's corner lies on the rim";

    float x, y;
    LightAnglesToPoint(0.0f, 90.0f, &x, &y);
    EXPECT_NEAR(x, 0.0f, 1e-3);
    EXPECT_NEAR(y, 0.0f, 1e-3);
    LightAnglesToPoint(45.0f, 0.0f, &x, &y);
    EXPECT_NEAR(x, 100.0f, 1e-3);
    EXPECT_NEAR(y, 100.0f, 1e-3);
}

TEST(LightPad, PointsRoundTripThroughTheAngles) {
    // The page hands points with y downwards, and reads them back y upwards.
    for (float px = -100.0f; px <= 100.0f; px += 25.0f) {
        for (float py = -100.0f; py <= 100.0f; py += 25.0f) {
            if (px == 0.0f && py == 0.0f) continue;
            float a, b, x, y;
            PointToLightAngles(px, -py, &a, &b);
            EXPECT_GE(b, 0.0f);
            EXPECT_LE(b, 90.0f);
            LightAnglesToPoint(a, b, &x, &y);
            EXPECT_NEAR(x, px, 0.05) << px << "," << py;
            EXPECT_NEAR(y, py, 0.05) << px << "," << py;
        }
    }
}
