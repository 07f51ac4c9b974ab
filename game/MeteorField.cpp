#include "MeteorField.h"

#include "PointMath.h"
#include "ofGLHeaders.h"
#include "ofMath.h"
#include "ofUtils.h"
#include "ofx3DModelLoader.h"

using namespace pointmath;

MeteorField::MeteorField(int count) : meteors(count > 0 ? count : 0) {
    model = new ofx3DModelLoader();
    model->loadModel("meteor.3ds", 1.0f);
}

MeteorField::~MeteorField() { delete model; }

Meteor MeteorField::makeMeteor(float x, const ofPoint& bounds) {
    Meteor m;
    float r = ofRandomSignedUnit();
    m.size = r <= 0 ? 2.0f : (r > 0.6f ? 8.0f : 5.0f);
    m.pos.x = x;
    m.pos.y = ofRandom(m.size, bounds.y - m.size);
    m.pos.z = ofRandom(m.size, bounds.z - m.size);
    for (float* v : {&m.vel.x, &m.vel.y, &m.vel.z}) {
        *v = ofRandom(0.03f, 0.08f);
        if (ofRandomUnit() > 0.5f) *v = -*v;
    }
    m.spinAxis.x = ofRandomSignedUnit();
    m.spinAxis.y = ofRandomSignedUnit();
    m.spinAxis.z = ofRandomSignedUnit();
    m.hitPoints = 33 * m.size;
    return m;
}

void MeteorField::place(ofPoint* bounds, float minX) {
    const int n = getCount();
    for (int i = 0; i < n; ++i) {
        float x = (bounds->x / n) * (i + 1);
        if (i == 0 && x < minX) x = minX;
        meteors[i] = makeMeteor(x, *bounds);
    }
}

void MeteorField::spawn(int x, ofPoint* bounds) {
    meteors.push_back(makeMeteor(static_cast<float>(x + SPAWN_DISTANCE), *bounds));
}

void MeteorField::respawnDead(int x, ofPoint* bounds) {
    // Spawned meteors are never dead, so the walk ends at the old length's
    // worth of survivors followed by the new ones.
    for (int i = 0; i < getCount();) {
        if (meteors[i].hitPoints <= 0) {
            erase(i);
            spawn(x, bounds);
        } else {
            ++i;
        }
    }
}

void MeteorField::erase(int i) {
    if (i >= 0 && i < getCount()) meteors.erase(meteors.begin() + i);
}

void MeteorField::bouncePair(Meteor& a, Meteor& b) {
    if (a.hitPoints <= 0 || b.hitPoints <= 0) return;
    ofPoint d = minus(b.pos, a.pos);
    if (length(d) > a.size + b.size) return;
    ofPoint h = scaled(d, 0.5f);
    float hh = dot(h, h);
    // Coinciding centres give no line to bounce along.
    if (hh == 0) return;
    ofPoint minusH = scaled(h, -1);
    ofPoint pa = scaled(h, dot(h, a.vel) / hh);
    ofPoint pb = scaled(minusH, dot(minusH, b.vel) / hh);
    if (dot(minus(pb, pa), d) <= 0) {
        a.vel = minus(a.vel, scaled(pa, 2));
        b.vel = minus(b.vel, scaled(pb, 2));
    }
}

void MeteorField::bounceAllPairs() {
    const int n = getCount();
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) bouncePair(meteors[i], meteors[j]);
}

void MeteorField::bounceWalls(Meteor& m, ofPoint* bounds) {
    auto bounce = [&m](float pos, float& vel, float wall) {
        float next = pos + vel;
        if (next - m.size <= 0 || next + m.size >= wall) vel = -vel;
    };
    bounce(m.pos.x, m.vel.x, bounds->x);
    bounce(m.pos.y, m.vel.y, bounds->y);
    bounce(m.pos.z, m.vel.z, bounds->z);
}

void MeteorField::bounceAllWalls(ofPoint* bounds) {
    for (Meteor& m : meteors) bounceWalls(m, bounds);
}

void MeteorField::move() {
    for (Meteor& m : meteors) m.pos = plus(m.pos, m.vel);
}

void MeteorField::draw(ofPoint shipPos) {
    for (Meteor& m : meteors) {
        // At or behind the camera, which stands 30 behind the ship.
        if (m.pos.x - m.size <= shipPos.x - 30) {
            m.hitPoints = 0;
            continue;
        }
        glPushMatrix();
        glTranslatef(m.pos.x, m.pos.y, m.pos.z);
        glRotatef(90 * ofGetElapsedTimeSeconds(), m.spinAxis.x, m.spinAxis.y, m.spinAxis.z);
        glScalef(m.size / 10, m.size / 10, m.size / 10);
        model->draw();
        glPopMatrix();
    }
}
