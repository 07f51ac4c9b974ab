// The laser bank without a window (neither model nor sound file exists
// here; both loaders report it and the bank works on): firing, the full
// bank, culling and the hit test with its score and health.
#include "LaserBank.h"
#include "MeteorField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

namespace {

// Without a window no model may load: play where no data folder is.
const int awayFromData = chdir("/");

struct Bank : LaserBank {
    Bank(int maxCount = 10) : LaserBank(maxCount, 2.8f) {}
    using LaserBank::lasers;
    void put(ofPoint pos) { lasers.push_back(Laser{pos, ofPoint(2.8f, 0, 0)}); }
};

TEST(LaserBank, FiresAheadOfTheShipAtItsSpeedAndReplacesTheOldestWhenFull) {
    Bank bank;
    for (int shot = 0; shot < 10; ++shot) bank.fire(ofPoint(100.f + shot, 37.5f, 37.5f), ofPoint(80, 0, 0));
    const Laser& first = bank.lasers[0];
    EXPECT_EQ(first.pos.x, 105);
    EXPECT_EQ(first.pos.y, 37.5f);
    EXPECT_EQ(first.pos.z, 37);
    EXPECT_FLOAT_EQ(first.dir.x, 2.8f);
    EXPECT_EQ(first.dir.y, 0);
    bank.fire(ofPoint(500, 37.5f, 37.5f), ofPoint(0, 30, 40));  // the eleventh
    ASSERT_EQ(bank.lasers.size(), 10u);
    EXPECT_EQ(bank.lasers[0].pos.x, 106);
    EXPECT_FLOAT_EQ(bank.lasers[9].dir.y, 1.68f);
    EXPECT_FLOAT_EQ(bank.lasers[9].dir.z, 2.24f);
    bank.move();
    EXPECT_FLOAT_EQ(bank.lasers[9].pos.z, 37 + 2.24f);

    bank.fire(ofPoint(10, 37.5f, 37.5f), ofPoint(0, 0, 0));  // no direction at all
    for (float v : {bank.lasers[9].dir.x, bank.lasers[9].dir.y, bank.lasers[9].dir.z}) EXPECT_TRUE(std::isfinite(v));
    Bank none(0);  // a bank without room fires nothing, and returns
    none.fire(ofPoint(0, 0, 0), ofPoint(1, 0, 0));
    EXPECT_TRUE(none.lasers.empty());
}

TEST(LaserBank, CullKeepsTheBorderAndDropsEveryLaserOutsideIt) {
    Bank bank;
    for (ofPoint p : {ofPoint(10, 0, 30), ofPoint(10, -0.01f, 30), ofPoint(10, 75.01f, 30), ofPoint(10, 75, 75),
                      ofPoint(10, 30, -0.01f), ofPoint(10, 30, 75.01f), ofPoint(99999, 30, 0)})
        bank.put(p);
    ofPoint box(2520, 75, 75);
    bank.cull(&box);
    ASSERT_EQ(bank.lasers.size(), 3u);
    EXPECT_EQ(bank.lasers[1].pos.y, 75);
    EXPECT_EQ(bank.lasers[2].pos.x, 99999);  // x has no limit
}

TEST(LaserBank, EveryHitPaysAndEveryHitAtOrBelowZeroPaysTheKillBonus) {
    const struct {
        float size, hitPoints;
        std::vector<float> laserZ;  // lasers at these heights, the meteor's centre at 30
        float score, health, hitPointsAfter;
        size_t lasersLeft;
    } cases[] = {
        {2, 66, {32.51f, 32.5f}, 350, 312.5f, 0, 1},  // reach is size + 0.5
        {2, 66, {30, 30.5f}, 700, 625, -66, 0},       // two in one frame pay twice
        {8, 264, {30, 30, 30}, 300, 0, 66, 0},
        {8, 66, {29}, 1100, 1250, 0, 0},              // the fourth hit on a large one
    };
    for (const auto& c : cases) {
        Bank bank;
        for (float z : c.laserZ) bank.put(ofPoint(100, 30, z));
        Meteor m;
        m.pos = ofPoint(100, 30, 30);
        m.size = c.size;
        m.hitPoints = c.hitPoints;
        float score = 0, health = 0;
        bank.hitTest(m, &score, &health);
        EXPECT_EQ(score, c.score);
        EXPECT_EQ(health, c.health);
        EXPECT_EQ(m.hitPoints, c.hitPointsAfter);
        EXPECT_EQ(bank.lasers.size(), c.lasersLeft);
    }
}

}  // namespace
