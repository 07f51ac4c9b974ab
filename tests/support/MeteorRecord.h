#pragma once
// A meteor record as the game makes them, at a chosen place and speed, for
// tests that set up contacts, bounces and hits by hand.
#include "MeteorField.h"

inline Meteor meteorAt(ofPoint pos, ofPoint vel, float size) {
    Meteor m;
    m.pos = pos;
    m.vel = vel;
    m.size = size;
    m.hitPoints = 33 * size;
    return m;
}
