#include "LaserBank.h"

#include "MeteorField.h"
#include "PointMath.h"
#include "ofGLHeaders.h"
#include "ofSoundPlayer.h"
#include "ofx3DModelLoader.h"

#include <algorithm>
#include <cmath>

using namespace pointmath;

namespace {
constexpr float LASER_DAMAGE = 66;
constexpr float HIT_SCORE = 100;
constexpr float KILL_SCORE_PER_SIZE = 125;
constexpr float KILL_HEALTH_PER_SIZE = 156.25f;
constexpr float LASER_REACH = 0.5f;  // added to the meteor's radius
constexpr double PI = 3.141592653589793;
}  // namespace

LaserBank::LaserBank(int maxCount, float speed) : maxCount(maxCount), speed(speed) {
    model = new ofx3DModelLoader();
    model->loadModel("laserBeam.3ds", 1.0f);
    hitSound = new ofSoundPlayer();
    hitSound->loadSound("data/explosion.wav", true);
    hitSound->setMultiPlay(true);
    hitSound->setVolume(0.8f);
}

LaserBank::~LaserBank() {
    delete model;
    delete hitSound;
}

void LaserBank::fire(ofPoint from, ofPoint direction) {
    // A bank without room drops its oldest laser; one that can hold none
    // fires nothing.
    if (maxCount <= 0) return;
    while (getCount() >= maxCount) erase(0);
    normalize(direction);
    Laser laser;
    laser.pos = ofPoint(from.x + 5, from.y, from.z - 0.5f);
    laser.dir = scaled(direction, speed);
    lasers.push_back(laser);
}

void LaserBank::normalize(ofPoint& v) {
    float len = length(v);
    if (len > 0 && std::isfinite(len)) v = ofPoint(v.x / len, v.y / len, v.z / len);
}

void LaserBank::move() {
    for (Laser& l : lasers) l.pos = plus(l.pos, l.dir);
}

void LaserBank::cull(ofPoint* bounds) {
    for (int i = 0; i < getCount();) {
        const ofPoint& p = lasers[i].pos;
        if (p.y < 0 || p.y > bounds->y || p.z < 0 || p.z > bounds->z)
            erase(i);
        else
            ++i;
    }
}

void LaserBank::hitTest(Meteor& meteor, float* score, float* health) {
    for (int i = 0; i < getCount();) {
        if (length(minus(meteor.pos, lasers[i].pos)) > meteor.size + LASER_REACH) {
            ++i;
            continue;
        }
        meteor.hitPoints -= LASER_DAMAGE;
        erase(i);
        hitSound->play();
        *score += HIT_SCORE;
        if (meteor.hitPoints <= 0) {
            *score += KILL_SCORE_PER_SIZE * meteor.size;
            *health += KILL_HEALTH_PER_SIZE * meteor.size;
        }
    }
}

void LaserBank::erase(int i) {
    if (i >= 0 && i < getCount()) lasers.erase(lasers.begin() + i);
}

void LaserBank::draw() {
    for (const Laser& l : lasers) {
        const float len = length(l.dir);
        // A laser at rest has no heading to tilt to.
        const double tilt = len > 0 ? std::asin(std::clamp(static_cast<double>(l.dir.z / len), -1.0, 1.0)) : 0.0;
        glPushMatrix();
        glTranslatef(l.pos.x, l.pos.y, l.pos.z);
        glRotatef(static_cast<float>(std::atan2(l.dir.y, l.dir.x) * 180 / PI), 0, 0, 1);
        glRotatef(static_cast<float>(-tilt * 180 / PI), 0, 1, 0);
        model->draw();
        glPopMatrix();
    }
}
