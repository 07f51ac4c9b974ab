// Random draws and the float helpers.
#include "CaptureStdout.h"
#include "ofAppBaseWindow.h"
#include "ofAppRunner.h"
#include "ofMath.h"
#include "ofPlatform.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
constexpr float scale = 3.0517578125e-05f;   // 1/32768

// The draws the framework should see: glibc's 31-bit values cut to 15 bits.
std::vector<float> drawsAfterSeed(unsigned seed, int count) {
    std::srand(seed);
    std::vector<float> draws;
    for (int i = 0; i < count; ++i) draws.push_back(static_cast<float>(std::rand() >> 16));
    return draws;
}

uint32_t fixedTimer() { return 4242u; }
}

TEST(Random, DrawsAreScaledFrom0To32767WithSinglePrecisionRounding) {
    const std::vector<float> draws = drawsAfterSeed(1234, 3000);
    ofSeedRandom(1234);
    EXPECT_EQ(ofRandom(5, 5), 5.0f);   // consumes no draw
    for (size_t i = 0; i + 3 <= draws.size(); i += 3) {
        // The span is multiplied by the draw before the scale.
        ASSERT_EQ(ofRandom(7.3f, -2.1f), -2.1f + scale * (draws[i] * (7.3f - -2.1f))) << draws[i];
        ASSERT_EQ(ofRandomUnit(), draws[i + 1] * scale);
        ASSERT_EQ(ofRandomSignedUnit(), draws[i + 2] * scale * 2.0f - 1.0f);
    }
    // Seeding from the system timer is seeding with its value.
    const std::vector<float> timed = drawsAfterSeed(4242, 3);
    ofPlatform::setMillisSource(fixedTimer);
    ofSeedRandom();
    ofPlatform::setMillisSource(nullptr);
    for (float r : timed) EXPECT_EQ(ofRandomUnit(), r * scale);
}

TEST(Random, UnitRangesAreHalfOpenAndFullyReached) {
    ofSeedRandom(7);
    float lowest = 1, highest = 0;
    for (int i = 0; i < 300000; ++i) {
        const float u = ofRandomUnit();
        ASSERT_TRUE(u >= 0.0f && u < 1.0f);
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
        const float r = ofRandom(3, 1);
        ASSERT_TRUE(r >= 1.0f && r < 3.0f);
    }
    EXPECT_EQ(lowest, 0.0f);
    EXPECT_EQ(highest, 32767.0f / 32768.0f);
}

TEST(Random, WindowFormsSpanTheWindowAndAZeroSizeDrawsNothing) {
    const std::vector<float> draws = drawsAfterSeed(3, 2);
    ofSeedRandom(3);
    EXPECT_EQ(ofRandomWidth(), 0.0f);    // no window yet: size 0
    EXPECT_EQ(ofRandomHeight(), 0.0f);
    static struct : ofAppBaseWindow {
        ofPoint getWindowSize() override { return ofPoint(640, 480, 0); }
    } window;
    ofSetupOpenGL(&window, 640, 480, 0);
    EXPECT_EQ(ofRandomWidth(), scale * (draws[0] * 640.0f));
    EXPECT_EQ(ofRandomHeight(), scale * (draws[1] * 480.0f));
}

TEST(Maths, ClampNormalizeAndMap) {
    EXPECT_EQ(ofClamp(5, 0, 10), 5.0f);
    EXPECT_EQ(ofClamp(-1, 0, 10), 0.0f);
    EXPECT_EQ(ofClamp(11, 0, 10), 10.0f);
    EXPECT_EQ(ofClamp(5, 10, 0), 10.0f);   // the lower bound is tested first

    EXPECT_EQ(ofNormalize(15, 0, 10), 1.0f);
    EXPECT_EQ(ofNormalize(-5, 0, 10), 0.0f);
    EXPECT_EQ(ofNormalize(3, 2, 2), 1.0f);
    EXPECT_TRUE(std::isnan(ofNormalize(2, 2, 2)));

    EXPECT_EQ(ofMap(5, 0, 10, 0, 100, false), 50.0f);
    EXPECT_EQ(ofMap(15, 0, 10, 0, 100, false), 150.0f);
    EXPECT_EQ(ofMap(15, 0, 10, 0, 100, true), 100.0f);
    EXPECT_EQ(ofMap(15, 0, 10, 100, 0, true), 0.0f);
    EXPECT_EQ(ofMap(-5, 0, 10, 100, 0, true), 100.0f);
    EXPECT_EQ(ofMap(2.5f, 0, 10, 100, 0, true), 75.0f);
    CaptureStdout out;
    EXPECT_EQ(ofMap(1, 2, 2, 7, 9, false), 7.0f);
    EXPECT_EQ(out.finish(), "OF_WARNING: ofMap: avoiding possible divide by zero, check inputMin and inputMax\n\n");
}

TEST(Maths, SmallHelpers) {
    EXPECT_EQ(ofDist(0, 0, 3, 4), 5.0f);
    EXPECT_EQ(ofDistSquared(1, 1, -2, 5), 25.0f);
    EXPECT_EQ(ofSign(0), 0);
    EXPECT_EQ(ofSign(1e-30f), 1);
    EXPECT_EQ(ofSign(-3), -1);
    EXPECT_TRUE(ofInRange(10, 0, 10));
    EXPECT_FALSE(ofInRange(10.001f, 0, 10));
    EXPECT_EQ(ofRadToDeg(1), static_cast<float>(57.29577951308232));
    EXPECT_EQ(ofDegToRad(180), static_cast<float>(180 * 0.017453292519943295));
    EXPECT_EQ(ofLerp(2, 12, 1.5f), 17.0f);

    const int pow2[][2] = {{-40, 1}, {0, 1}, {1, 1}, {5, 8}, {64, 64}, {65, 128}, {1 << 30, 1 << 30}};
    for (const auto& c : pow2) EXPECT_EQ(ofNextPow2(c[0]), c[1]) << c[0];
    // Beyond 2^30 the doubling stops rather than overflow.
    EXPECT_EQ(ofNextPow2(INT_MAX), 1 << 30);
}
