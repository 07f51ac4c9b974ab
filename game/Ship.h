#pragma once
// The player's craft: flies forward at a constant speed, is steered sideways
// and up and down by the held keys, banks while steering, and takes damage
// from the border of the box and from meteors.
#include "ofTypes.h"

struct Meteor;
class ofx3DModelLoader;

class Ship {
public:
    Ship(int health, float radius, float speedX, ofPoint* bounds);
    ~Ship();
    Ship(const Ship&) = delete;
    Ship& operator=(const Ship&) = delete;

    // Sets the sideways and vertical velocity and the bank angles from the
    // held keys, then moves the ship.
    void steer(bool w, bool s, bool a, bool d, ofPoint* bounds);
    void collide(Meteor& meteor);
    void borderDamage(ofPoint* bounds);
    void draw();
    void drawHealthBar();

    bool isDead() const { return health <= 0; }
    float getRadius() const { return radius; }
    ofPoint getPosition() const { return pos; }
    float& getHealth() { return health; }

protected:
    float radius;
    float health;
    ofPoint pos;
    ofPoint vel;
    ofPoint rot;  // bank angles in degrees: x roll, y pitch, z yaw
    ofx3DModelLoader* model = nullptr;
};
