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
    fakeNow = 6501;   // read afresh on every call
    EXPECT_EQ(ofGetElapsedTimeMillis(), 1501);
    EXPECT_FLOAT_EQ(ofGetElapsedTimeSeconds(), 1.501f);
}

TEST_F(Clock, SpansSurviveTheTimerWrappingAndTurnNegativeBeyondTwoToThe31) {
    fakeNow = 0xFFFFFF00u;
    ofResetElapsedTimeCounter();
    fakeNow = 0x00000100u;   // the timer wrapped past 2^32
    EXPECT_EQ(ofGetElapsedTimeMillis(), 512);
    EXPECT_FLOAT_EQ(ofGetElapsedTimeSeconds(), 0.512f);

    fakeNow = 0;
    ofResetElapsedTimeCounter();
    fakeNow = 0x80000000u;   // about 24.8 days
    EXPECT_EQ(ofGetElapsedTimeMillis(), -2147483647 - 1);
    EXPECT_FLOAT_EQ(ofGetElapsedTimeSeconds(), -2147483.648f);
}

TEST(MonotonicClock, NeverRunsBackwards) {
    uint32_t last = ofGetSystemTime();
    for (int i = 0; i < 1000; ++i) {
        const uint32_t now = ofGetSystemTime();
        EXPECT_LE(static_cast<int32_t>(last - now), 0);
        last = now;
    }
}

TEST(WallClock, FieldsMatchTheLocalTime) {
    // Retried if a second boundary falls between the two readings.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const int sec = ofGetSeconds(), min = ofGetMinutes(), hour = ofGetHours();
        const int year = ofGetYear(), month = ofGetMonth(), day = ofGetDay(), weekday = ofGetWeekday();
        if (std::time(nullptr) != before) continue;
        std::tm expected{};
        localtime_r(&before, &expected);
        EXPECT_EQ(sec, expected.tm_sec);
        EXPECT_EQ(min, expected.tm_min);
        EXPECT_EQ(hour, expected.tm_hour);
        EXPECT_EQ(year, expected.tm_year + 1900);
        EXPECT_GE(year, 2000);
        EXPECT_EQ(month, expected.tm_mon + 1);
        EXPECT_EQ(day, expected.tm_mday);
        EXPECT_EQ(weekday, expected.tm_wday);
        return;
    }
    FAIL() << "the clock kept crossing seconds";
}
