#pragma once
// The ship's lasers in flight: fired towards the aim point, moved, dropped
// when they leave the box sideways, tested against the meteors (damage,
// score and health for every hit) and drawn along their direction.
#include "ofTypes.h"

#include <vector>

struct Meteor;
class ofx3DModelLoader;
class ofSoundPlayer;

struct Laser {
    ofPoint pos;
    ofPoint dir;  // per frame; its length is the bank's speed
};

class LaserBank {
public:
    LaserBank(int maxCount, float speed);
    ~LaserBank();
    LaserBank(const LaserBank&) = delete;
    LaserBank& operator=(const LaserBank&) = delete;

    // Starts a laser 5 ahead of and 0.5 below `from`; a full bank first
    // drops its oldest laser.
    void fire(ofPoint from, ofPoint direction);
    // Scales v to length 1; a zero vector stays zero.
    void normalize(ofPoint& v);
    void move();
    void cull(ofPoint* bounds);
    // Every laser within reach of the meteor hits it, is spent, and pays;
    // a hit that leaves the meteor at or below 0 hit points pays the kill
    // bonus, also when it was already down.
    void hitTest(Meteor& meteor, float* score, float* health);
    void erase(int i);
    void draw();

protected:
    int getCount() const { return static_cast<int>(lasers.size()); }

    int maxCount;
    float speed;
    std::vector<Laser> lasers;  // oldest first
    ofx3DModelLoader* model = nullptr;
    ofSoundPlayer* hitSound = nullptr;
};
