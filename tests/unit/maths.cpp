// Random draws and the float helpers.
#include "CaptureStdout.h"
#include "ofMath.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
// The draws the framework sees: glibc's 31-bit values cut to 15 bits.
std::vector<int> drawsAfterSeed(int seed, int count) {
    std::srand(static_cast<unsigned>(seed));
    std::vector<int> draws;
    for (int i = 0; i < count; ++i) draws.push_back(std::rand() >> 16);
    return draws;
}
}

TEST(Random, EveryDrawIsScaledInto0To32767AndBySinglePrecisionSteps) {
    const std::vector<int> draws = drawsAfterSeed(1234, 2000);
    ofSeedRandom(1234);
    for (int r : draws) {
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        // ofRandom multiplies the span by the draw before the scale,
        // rounding to float after each step.
        const float span = 7.3f - -2.1f;
        const float product = static_cast<float>(r) * span;
        const float expected = -2.1f + 3.0517578125e-05f * product;
        const float got = ofRandom(7.3f, -2.1f);
        ASSERT_EQ(got, expected) << "draw " << r;
        ASSERT_GE(got, -2.1f);
        ASSERT_LT(got, 7.3f);
    }
}

TEST(Random, UnitFormsAndEqualBounds) {
    const std::vector<int> draws = drawsAfterSeed(99, 3);
    ofSeedRandom(99);
    EXPECT_EQ(ofRandom(5, 5), 5.0f);   // consumes no draw
    EXPECT_EQ(ofRandomUnit(), static_cast<float>(draws[0]) / 32768.0f);
    EXPECT_EQ(ofRandomSignedUnit(), static_cast<float>(draws[1]) / 32768.0f * 2.0f - 1.0f);
    EXPECT_EQ(ofRandom(3, 1), 1.0f + 3.0517578125e-05f * (static_cast<float>(draws[2]) * 2.0f));

    // The extremes of a draw: 0 and 32767 stay below 1.
    EXPECT_EQ(0.0f * 3.0517578125e-05f * 2.0f - 1.0f, -1.0f);
    EXPECT_LT(32767.0f * 3.0517578125e-05f, 1.0f);
    ofSeedRandom(7);
    float lowest = 1, highest = -1;
    for (int i = 0; i < 200000; ++i) {
        const float u = ofRandomUnit();
        const float s = ofRandomSignedUnit();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
        ASSERT_GE(s, -1.0f);
        ASSERT_LT(s, 1.0f);
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
    }
    // The whole 15-bit range is reached, not only part of it.
    EXPECT_EQ(lowest, 0.0f);
    EXPECT_EQ(highest, 32767.0f / 32768.0f);
}

TEST(Random, SameSeedSameSequence) {
    ofSeedRandom(1);
    std::vector<float> first;
    for (int i = 0; i < 50; ++i) first.push_back(ofRandom(-100, 100));
    ofSeedRandom(1);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(ofRandom(-100, 100), first[i]);
}

TEST(Maths, ClampTestsTheLowerBoundFirst) {
    EXPECT_EQ(ofClamp(5, 0, 10), 5.0f);
    EXPECT_EQ(ofClamp(-1, 0, 10), 0.0f);
    EXPECT_EQ(ofClamp(11, 0, 10), 10.0f);
    EXPECT_EQ(ofClamp(5, 10, 0), 10.0f);
    EXPECT_EQ(ofClamp(20, 10, 0), 0.0f);
}

TEST(Maths, NormalizeClampsTheQuotient) {
    EXPECT_EQ(ofNormalize(5, 0, 10), 0.5f);
    EXPECT_EQ(ofNormalize(-5, 0, 10), 0.0f);
    EXPECT_EQ(ofNormalize(15, 0, 10), 1.0f);
    EXPECT_EQ(ofNormalize(3, 2, 2), 1.0f);
    EXPECT_EQ(ofNormalize(1, 2, 2), 0.0f);
    EXPECT_TRUE(std::isnan(ofNormalize(2, 2, 2)));
}

TEST(Maths, MapScalesClampsAndWarnsOnAnEmptyInputRange) {
    EXPECT_EQ(ofMap(5, 0, 10, 0, 100, false), 50.0f);
    EXPECT_EQ(ofMap(15, 0, 10, 0, 100, false), 150.0f);
    EXPECT_EQ(ofMap(15, 0, 10, 0, 100, true), 100.0f);
    EXPECT_EQ(ofMap(-5, 0, 10, 0, 100, true), 0.0f);
    EXPECT_EQ(ofMap(15, 0, 10, 100, 0, true), 0.0f);
    EXPECT_EQ(ofMap(-5, 0, 10, 100, 0, true), 100.0f);
    EXPECT_EQ(ofMap(2.5f, 0, 10, 100, 0, true), 75.0f);
    EXPECT_EQ(ofMap(5, 10, 0, 0, 100), 50.0f);

    CaptureStdout out;
    EXPECT_EQ(ofMap(1, 2, 2, 7, 9, false), 7.0f);
    EXPECT_EQ(ofMap(1, 2, 2.0000001f, 7, 9, true), 7.0f);
    EXPECT_EQ(out.finish(),
              "OF_WARNING: ofMap: avoiding possible divide by zero, check inputMin and inputMax\n\n"
              "OF_WARNING: ofMap: avoiding possible divide by zero, check inputMin and inputMax\n\n");
}

TEST(Maths, DistancesSignsRangesAnglesAndLerp) {
    EXPECT_EQ(ofDist(0, 0, 3, 4), 5.0f);
    EXPECT_EQ(ofDistSquared(1, 1, -2, 5), 25.0f);
    EXPECT_EQ(ofSign(0), 0);
    EXPECT_EQ(ofSign(-0.0f), 0);
    EXPECT_EQ(ofSign(1e-30f), 1);
    EXPECT_EQ(ofSign(-3), -1);
    EXPECT_TRUE(ofInRange(10, 0, 10));
    EXPECT_TRUE(ofInRange(0, 0, 10));
    EXPECT_FALSE(ofInRange(10.001f, 0, 10));
    EXPECT_FALSE(ofInRange(5, 10, 0));
    EXPECT_EQ(ofRadToDeg(1), static_cast<float>(57.29577951308232));
    EXPECT_EQ(ofDegToRad(180), static_cast<float>(180 * 0.017453292519943295));
    EXPECT_EQ(ofLerp(2, 12, 0.25f), 4.5f);
    EXPECT_EQ(ofLerp(2, 12, 1.5f), 17.0f);
}

TEST(Maths, NextPow2) {
    EXPECT_EQ(ofNextPow2(0), 1);
    EXPECT_EQ(ofNextPow2(-40), 1);
    EXPECT_EQ(ofNextPow2(1), 1);
    EXPECT_EQ(ofNextPow2(2), 2);
    EXPECT_EQ(ofNextPow2(5), 8);
    EXPECT_EQ(ofNextPow2(64), 64);
    EXPECT_EQ(ofNextPow2(65), 128);
    EXPECT_EQ(ofNextPow2(1 << 30), 1 << 30);
    // Beyond 2^30 the doubling stops rather than overflow.
    EXPECT_EQ(ofNextPow2((1 << 30) + 1), 1 << 30);
    EXPECT_EQ(ofNextPow2(INT_MAX), 1 << 30);
}
