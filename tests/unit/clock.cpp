// Elapsed time on a timer the test steps by hand, and the wall clock.
#include "ofPlatform.h"
#include "ofUtils.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {
uint32_t fakeNow = 0;
uint32_t fakeTimer() { return fakeNow; }

class Clock : public ::testing::Test {
protected:
    void SetUp() override { ofPlatform::setMillisSource(fakeTimer); }
    void TearDown() override {
        ofPlatform::setMillisSource(nullptr);
        ofResetElapsedTimeCounter();
    }
};
}

TEST_F(Clock, ElapsedTimeCountsFromTheLastReset) {
    fakeNow = 5000;
    ofResetElapsedTimeCounter();
    EXPECT_EQ(ofGetElapsedTimeMillis(), 0);
    EXPECT_EQ(ofGetElapsedTimeSeconds(), 0.0f);
    fakeNow = 6500;
    EXPECT_EQ(ofGetElapsedTimeMillis(), 1500);
    EXPECT_EQ(ofGetElapsedTimeSeconds(), 1.5f);
    EXPECT_EQ(ofGetSystemTime(), 6500u);
}

TEST_F(Clock, SpansSurviveTheTimerWrappingAndTurnNegativeBeyondTwoToThe31) {
    fakeNow = 0xFFFFFF00u;
    ofResetElapsedTimeCounter();
    fakeNow = 0x00000100u;
    EXPECT_EQ(ofGetElapsedTimeMillis(), 512);
    EXPECT_FLOAT_EQ(ofGetElapsedTimeSeconds(), 0.512f);

    fakeNow = 0;
    ofResetElapsedTimeCounter();
    fakeNow = 0x80000000u;   // about 24.8 days
    EXPECT_EQ(ofGetElapsedTimeMillis(), -2147483647 - 1);
    EXPECT_FLOAT_EQ(ofGetElapsedTimeSeconds(), -2147483.648f);
}

TEST(SystemClock, MonotonicAndWallClockFieldsAreTheLocalTime) {
    uint32_t last = ofGetSystemTime();
    for (int i = 0; i < 1000; ++i) {
        const uint32_t now = ofGetSystemTime();
        ASSERT_LE(static_cast<int32_t>(last - now), 0);
        last = now;
    }
    // Retried if a minute boundary falls between the readings.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        localtime_r(&now, &t);
        if (ofGetMinutes() != t.tm_min) continue;
        EXPECT_EQ(ofGetHours(), t.tm_hour);
        EXPECT_EQ(ofGetYear(), t.tm_year + 1900);
        EXPECT_EQ(ofGetMonth(), t.tm_mon + 1);
        EXPECT_EQ(ofGetDay(), t.tm_mday);
        EXPECT_EQ(ofGetWeekday(), t.tm_wday);
        EXPECT_LE(ofGetSeconds(), 60);
        return;
    }
    FAIL() << "the clock kept crossing minutes";
}
