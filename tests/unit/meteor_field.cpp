// The meteor field without a window (the model file is absent here, which
// the loader reports and survives): placement, bounces, respawning.
#include "MeteorField.h"
#include "MeteorRecord.h"
#include "ofMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

namespace {

// Without a window no model may load: play where no data folder is.
const int awayFromData = chdir("/");

struct Field : MeteorField {
    Field(int n = 0) : MeteorField(n) {}
    using MeteorField::meteors;
};

ofPoint box(2520, 75, 75);

TEST(MeteorField, PlacesMeteorsEvenlyWithinTheWallsDrawingInAFixedOrder) {
    ofSeedRandom(7);
    Field field(200);
    field.place(&box, 4);
    for (int i = 0; i < field.getCount(); ++i) {
        const Meteor& m = field.getMeteor(i);
        EXPECT_FLOAT_EQ(m.pos.x, 12.6f * (i + 1));
        ASSERT_TRUE(m.size == 2 || m.size == 5 || m.size == 8);
        EXPECT_EQ(m.hitPoints, 33 * m.size);
        EXPECT_TRUE(m.pos.y >= m.size && m.pos.y <= 75 - m.size && m.pos.z >= m.size && m.pos.z <= 75 - m.size);
        for (float v : {m.vel.x, m.vel.y, m.vel.z}) EXPECT_TRUE(std::fabs(v) >= 0.03f && std::fabs(v) <= 0.08f);
    }
    Field few(4);
    few.place(&box, 700);  // the first never nearer the start than minX
    EXPECT_EQ(few.getMeteor(0).pos.x, 700);

    // One spawn replayed draw by draw: size, y, z, each velocity component
    // and its sign, the spin axis.
    ofSeedRandom(99);
    float r = ofRandomSignedUnit();
    float size = r <= 0 ? 2 : (r > 0.6f ? 8 : 5);
    float expected[] = {ofRandom(size, 75 - size), ofRandom(size, 75 - size), 0, 0, 0, 0, 0, 0};
    for (int i = 2; i < 5; ++i) {
        expected[i] = ofRandom(0.03f, 0.08f);
        if (ofRandomUnit() > 0.5f) expected[i] = -expected[i];
    }
    for (int i = 5; i < 8; ++i) expected[i] = ofRandomSignedUnit();
    ofSeedRandom(99);
    few.spawn(100, &box);
    const Meteor& m = few.getMeteor(4);
    EXPECT_EQ(m.size, size);
    float got[] = {m.pos.y, m.pos.z, m.vel.x, m.vel.y, m.vel.z, m.spinAxis.x, m.spinAxis.y, m.spinAxis.z};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(got[i], expected[i]) << i;
    EXPECT_EQ(m.pos.x, 2620);
}

TEST(MeteorField, BouncesOffWallsOneStepAheadAndOffEachOtherWhenClosingIn) {
    Field field;
    Meteor low = meteorAt({100, 8.02f, 30}, {0.05f, -0.05f, 0.05f}, 8);
    Meteor clear = meteorAt({100, 8.2f, 30}, {0, -0.05f, 0.05f}, 5);
    field.bounceWalls(low, &box);
    field.bounceWalls(clear, &box);
    EXPECT_EQ(low.vel.y, 0.05f);
    EXPECT_EQ(low.vel.x, 0.05f);
    EXPECT_EQ(clear.vel.y, -0.05f);
    // Beyond the x wall a meteor turns back every frame and stays put.
    field.meteors.push_back(meteorAt({2600, 30, 30}, {0.04f, 0, 0}, 2));
    for (int frame = 0; frame < 4; ++frame) {
        field.bounceAllWalls(&box);
        field.move();
        EXPECT_NEAR(field.getMeteor(0).pos.x, frame % 2 ? 2600 : 2599.96, 1e-3);
    }

    // Exactly 2 + 5 apart and closing in: each reverses its own component
    // along the line and keeps the rest.
    Meteor a = meteorAt({50, 10, 30}, {0.05f, 0.03f, 0.01f}, 2);
    Meteor b = meteorAt({50, 17, 30}, {0.02f, -0.04f, 0.06f}, 5);
    field.bouncePair(a, b);
    EXPECT_FLOAT_EQ(a.vel.y, -0.03f);
    EXPECT_FLOAT_EQ(b.vel.y, 0.04f);
    EXPECT_EQ(b.vel.z, 0.06f);
    b.pos.y = 15;  // overlapping but moving apart: left alone
    field.bouncePair(a, b);
    EXPECT_FLOAT_EQ(a.vel.y, -0.03f);
    b.pos.y = 17.01f;  // out of reach
    b.vel.y = -0.04f;
    field.bouncePair(a, b);
    EXPECT_FLOAT_EQ(b.vel.y, -0.04f);
    b.pos.y = 12;
    b.hitPoints = 0;  // the dead bounce with nobody
    field.bouncePair(a, b);
    EXPECT_FLOAT_EQ(b.vel.y, -0.04f);
    b.hitPoints = 1;  // coinciding centres have no line: values stay finite
    b.pos = a.pos;
    field.bouncePair(a, b);
    for (float v : {a.vel.x, a.vel.y, a.vel.z, b.vel.x, b.vel.y, b.vel.z}) EXPECT_TRUE(std::isfinite(v));

    // The last two of the list take part like all others.
    field.meteors.push_back(meteorAt({1000, 30, 30}, {0.05f, 0, 0}, 2));
    field.meteors.push_back(meteorAt({1003, 30, 30}, {-0.05f, 0, 0}, 2));
    field.bounceAllPairs();
    EXPECT_FLOAT_EQ(field.getMeteor(1).vel.x, -0.05f);
    EXPECT_FLOAT_EQ(field.getMeteor(2).vel.x, 0.05f);
}

TEST(MeteorField, RespawnReplacesEveryDeadMeteorAtTheEndOfTheList) {
    ofSeedRandom(3);
    Field field(200);
    field.place(&box, 4);
    const float x13 = field.getMeteor(13).pos.x;
    for (int i : {10, 11, 12, 199}) field.getMeteor(i).hitPoints = i == 11 ? -66 : 0;
    field.respawnDead(41, &box);
    ASSERT_EQ(field.getCount(), 200);
    EXPECT_EQ(field.getMeteor(10).pos.x, x13);  // moved up three places
    for (int i = 0; i < 200; ++i) {
        EXPECT_GT(field.getMeteor(i).hitPoints, 0);
        EXPECT_EQ(field.getMeteor(i).pos.x == 41 + 2520, i >= 196) << i;
    }
    field.erase(500);  // out of range: ignored
    field.erase(0);
    EXPECT_EQ(field.getCount(), 199);
}

}  // namespace
