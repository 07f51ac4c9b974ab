// The ship without a window: steering and banking, border damage and
// meteor contact.
#include "MeteorField.h"
#include "MeteorRecord.h"
#include "Ship.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <unistd.h>

namespace {

// Without a window no model may load: play where no data folder is.
const int awayFromData = chdir("/");

ofPoint box(2520, 75, 75);

struct TestShip : Ship {
    TestShip() : Ship(5000, 4.0f, 0.7f, &box) {}
    using Ship::health;
    using Ship::pos;
    using Ship::rot;
    using Ship::vel;
    void frames(int n, bool w, bool s, bool a, bool d) {
        for (int i = 0; i < n; ++i) steer(w, s, a, d, &box);
    }
};

TEST(Ship, SteersAndBanksToItsLimitsAndLevelsOutAfter) {
    TestShip ship;
    EXPECT_EQ(ship.getPosition().x, 4);
    EXPECT_EQ(ship.getPosition().z, 37.5f);
    ship.frames(1, false, false, true, true);  // 'a' and 'd' together act as 'a'
    EXPECT_FLOAT_EQ(ship.pos.x, 4.7f);
    EXPECT_FLOAT_EQ(ship.pos.y, 37.7f);
    ship.frames(28, false, false, true, false);
    EXPECT_LT(ship.rot.z, 45);
    ship.frames(1, false, false, true, false);
    EXPECT_EQ(ship.rot.z, 45);  // yaw in 30 frames
    ship.frames(16, false, false, true, false);
    EXPECT_GT(ship.rot.x, -70);
    ship.frames(1, false, false, true, false);
    EXPECT_EQ(ship.rot.x, -70);  // roll in 47
    ship.frames(30, false, true, false, false);
    EXPECT_EQ(ship.rot.y, 45);
    // Released, 45 degrees fall below 1 in 125 frames, not before.
    ship.frames(124, false, false, false, false);
    EXPECT_GT(ship.rot.y, 1);
    ship.frames(1, false, false, false, false);
    EXPECT_LT(ship.rot.y, 1);
    EXPECT_LT(ship.rot.z, 1);
    EXPECT_EQ(ship.vel.y, 0);
}

TEST(Ship, EveryBankAngleLevelsOutOnceItsKeysAreLetGo) {
    // Steered to its limit, then with only the other pair's key held: the
    // angle loses 3% a frame, below 1 degree after 140 frames from 70 and
    // after 125 from 45.
    struct Case {
        const char* keys;
        float ofPoint::*angle;
        float limit;
        int toLevel;
        const char* after;
    };
    for (const Case& c : {Case{"a", &ofPoint::x, -70, 140, "w"}, Case{"d", &ofPoint::x, 70, 140, "s"},
                          Case{"a", &ofPoint::z, 45, 125, "s"}, Case{"d", &ofPoint::z, -45, 125, "w"},
                          Case{"w", &ofPoint::y, -45, 125, "d"}, Case{"s", &ofPoint::y, 45, 125, "a"}}) {
        SCOPED_TRACE(std::string(c.keys) + " then " + c.after);
        TestShip ship;
        auto held = [](const char* keys, char key) { return std::string(keys).find(key) != std::string::npos; };
        auto frames = [&](int n, const char* keys) {
            ship.frames(n, held(keys, 'w'), held(keys, 's'), held(keys, 'a'), held(keys, 'd'));
        };
        frames(60, c.keys);
        ASSERT_EQ(ship.rot.*c.angle, c.limit);
        frames(1, c.after);
        EXPECT_FLOAT_EQ(ship.rot.*c.angle, c.limit * 0.97f);
        frames(c.toLevel - 2, c.after);
        EXPECT_GT(std::fabs(ship.rot.*c.angle), 1);
        frames(1, c.after);
        EXPECT_LT(std::fabs(ship.rot.*c.angle), 1);
    }
}

TEST(Ship, BorderStopsTheShipAndCostsHealthPerAxis) {
    TestShip ship;
    ship.frames(300, false, false, true, false);
    EXPECT_GT(ship.pos.y + 4, 75);
    EXPECT_LE(ship.pos.y + 4, 75.2f + 1e-4f);  // at most 0.2 past
    const float y = ship.pos.y;
    ship.frames(1, false, false, true, false);
    EXPECT_EQ(ship.pos.y, y);
    ship.frames(1, false, false, true, true);  // the other key still acts
    EXPECT_FLOAT_EQ(ship.pos.y, y - 0.2f);
    ship.pos.y = 71;  // edge on the border: still free to move on
    ship.frames(1, false, false, true, false);
    EXPECT_FLOAT_EQ(ship.pos.y, 71.2f);

    ship.pos = ofPoint(9, 71, 37.5f);
    ship.borderDamage(&box);
    EXPECT_EQ(ship.health, 5000 - 16);
    ship.pos.z = 4;  // a corner
    ship.borderDamage(&box);
    EXPECT_EQ(ship.health, 5000 - 48);
    ship.pos = ofPoint(9, 37.5f, 37.5f);
    ship.borderDamage(&box);
    EXPECT_EQ(ship.health, 5000 - 48);
    for (float h : {0.f, -1.f, 0.5f}) {
        ship.health = h;
        EXPECT_EQ(ship.isDead(), h <= 0);
    }
}

TEST(Ship, MeteorContactDamagesPushesAndBouncesTheMeteor) {
    TestShip ship;
    ship.pos = ofPoint(100, 37.5f, 37.5f);
    // Size 5 at 9 from the centre touches (9 = 5 + 4); at 9.01 it does not.
    Meteor beside = meteorAt({100, 46.5f, 37.5f}, {0.01f, -0.05f, 0.02f}, 5);
    Meteor apart = meteorAt({100.7f, 46.51f, 37.5f}, {0, -0.05f, 0}, 5);
    ship.collide(beside);
    ship.collide(apart);
    EXPECT_EQ(ship.health, 5000 - 33);
    EXPECT_FLOAT_EQ(beside.vel.y, 0.05f);  // its part along the line reversed
    EXPECT_EQ(beside.vel.z, 0.02f);
    EXPECT_FLOAT_EQ(ship.pos.x, 100.7f);  // beside it, an extra forward step
    EXPECT_EQ(apart.vel.y, -0.05f);

    // Straight ahead it holds the ship where it is, frame after frame.
    ship.pos = ofPoint(200, 37.5f, 37.5f);
    for (int frame = 0; frame < 5; ++frame) {
        Meteor ahead = meteorAt({208, 37.5f, 37.5f}, {-0.05f, 0, 0}, 5);
        ship.collide(ahead);
        ship.frames(1, false, false, false, false);
        EXPECT_NEAR(ship.pos.x, 200, 1e-3);
    }
    // Two at once cost 66; coinciding centres cost 33 and stay finite.
    ship.health = 1000;
    Meteor one = meteorAt({205, 37.5f, 37.5f}, {0, 0, 0}, 2);
    Meteor two = meteorAt({200, 37.5f, 31}, {0, 0, 0}, 5);
    ship.collide(one);
    ship.collide(two);
    Meteor inside = meteorAt(ship.getPosition(), {0.03f, 0.03f, 0.03f}, 8);
    ship.collide(inside);
    EXPECT_EQ(ship.health, 1000 - 99);
    for (float v : {ship.pos.x, ship.pos.y, ship.vel.y, ship.vel.z, inside.vel.x, inside.vel.y})
        EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
