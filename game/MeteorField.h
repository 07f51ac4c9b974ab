#pragma once
// The meteors of one game: plain records that drift, bounce off each other
// and off the walls of the box, spin, and are replaced ahead of the ship when
// destroyed or left behind. One shared model draws them all.
#include "ofTypes.h"

#include <vector>

class ofx3DModelLoader;

struct Meteor {
    ofPoint pos;
    ofPoint vel;       // per frame
    ofPoint spinAxis;  // not normalised
    float size = 0;    // collision radius; the model is drawn at size / 10
    float hitPoints = 0;  // dead at or below 0
};

class MeteorField {
public:
    // Distance ahead of the ship at which new meteors appear.
    static constexpr int SPAWN_DISTANCE = 2520;

    explicit MeteorField(int count);
    ~MeteorField();
    MeteorField(const MeteorField&) = delete;
    MeteorField& operator=(const MeteorField&) = delete;

    // Gives every record its start values; minX keeps the first meteor off
    // the ship.
    void place(ofPoint* bounds, float minX);
    void spawn(int x, ofPoint* bounds);
    void respawnDead(int x, ofPoint* bounds);
    void erase(int i);

    void bouncePair(Meteor& a, Meteor& b);
    void bounceAllPairs();
    void bounceWalls(Meteor& m, ofPoint* bounds);
    void bounceAllWalls(ofPoint* bounds);
    void move();

    // Sets the meteors behind the camera to dead and draws the others.
    void draw(ofPoint shipPos);

    Meteor& getMeteor(int i) { return meteors[i]; }
    int getCount() const { return static_cast<int>(meteors.size()); }

protected:
    // A new meteor at x: size, y and z, velocity and spin drawn at random,
    // in this fixed order, and full hit points.
    static Meteor makeMeteor(float x, const ofPoint& bounds);

    std::vector<Meteor> meteors;
    ofx3DModelLoader* model = nullptr;
};
