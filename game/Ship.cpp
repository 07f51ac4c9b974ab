#include "Ship.h"

#include "MeteorField.h"
#include "PointMath.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofMath.h"
#include "ofx3DModelLoader.h"

using namespace pointmath;

namespace {
constexpr float STEER_SPEED = 0.2f;
constexpr float BANK_STEP = 1.5f;
constexpr float BANK_DECAY = 0.97f;
constexpr float MAX_ROLL = 70;
constexpr float MAX_TURN = 45;  // pitch and yaw
constexpr float BORDER_DAMAGE = 16;
constexpr float CONTACT_DAMAGE = 33;
}  // namespace

Ship::Ship(int health, float radius, float speedX, ofPoint* bounds)
    : radius(radius),
      health(static_cast<float>(health)),
      pos(radius, bounds->y * 0.5f, bounds->z * 0.5f),
      vel(speedX, 0, 0),
      rot(0, 0, 0) {
    model = new ofx3DModelLoader();
    model->loadModel("arWing/arwing.3ds", 1.0f);
}

Ship::~Ship() { delete model; }

void Ship::steer(bool w, bool s, bool a, bool d, ofPoint* bounds) {
    // A key whose move the border blocks counts as not held.
    if (a && pos.y + radius <= bounds->y) {
        vel.y = STEER_SPEED;
        rot.x = ofClamp(rot.x - BANK_STEP, -MAX_ROLL, MAX_ROLL);
        rot.z = ofClamp(rot.z + BANK_STEP, -MAX_TURN, MAX_TURN);
    } else if (d && pos.y - radius >= 0) {
        vel.y = -STEER_SPEED;
        rot.x = ofClamp(rot.x + BANK_STEP, -MAX_ROLL, MAX_ROLL);
        rot.z = ofClamp(rot.z - BANK_STEP, -MAX_TURN, MAX_TURN);
    } else {
        vel.y = 0;
        rot.x *= BANK_DECAY;
        rot.z *= BANK_DECAY;
    }
    if (w && pos.z + radius <= bounds->z) {
        vel.z = STEER_SPEED;
        rot.y = ofClamp(rot.y - BANK_STEP, -MAX_TURN, MAX_TURN);
    } else if (s && pos.z - radius >= 0) {
        vel.z = -STEER_SPEED;
        rot.y = ofClamp(rot.y + BANK_STEP, -MAX_TURN, MAX_TURN);
    } else {
        vel.z = 0;
        rot.y *= BANK_DECAY;
    }
    pos = plus(pos, vel);
}

void Ship::collide(Meteor& meteor) {
    ofPoint d = minus(meteor.pos, pos);
    if (length(d) > meteor.size + radius) return;
    ofPoint h = scaled(d, 0.5f);
    float hh = dot(h, h);
    // Coinciding centres give no line to push along: the ship only takes
    // the damage.
    float k = hh > 0 ? dot(h, vel) / hh : 0;
    pos.x += vel.x - 2 * k * h.x;
    // Felt only by further meteors touching in the same frame: steering sets
    // these anew before the ship moves.
    vel.y -= 2.3f * k * h.y;
    vel.z -= 2.3f * k * h.z;
    health -= CONTACT_DAMAGE;
    if (hh > 0) {
        ofPoint minusH = scaled(h, -1);
        float km = dot(minusH, meteor.vel) / hh;
        meteor.vel = minus(meteor.vel, scaled(minusH, 2 * km));
    }
}

void Ship::borderDamage(ofPoint* bounds) {
    if (pos.y + radius >= bounds->y || pos.y - radius <= 0) health -= BORDER_DAMAGE;
    if (pos.z + radius >= bounds->z || pos.z - radius <= 0) health -= BORDER_DAMAGE;
}

void Ship::draw() {
    glPushMatrix();
    glTranslatef(pos.x, pos.y, pos.z);
    glRotatef(rot.z, 0, 0, 1);
    glRotatef(rot.y, 0, 1, 0);
    glRotatef(rot.x, 1, 0, 0);
    ofPushMatrix();
    // The model's nose lies along its own axis; a quarter turn about x
    // stands it upright in the field.
    glRotatef(90, 1, 0, 0);
    model->draw();
    ofPopMatrix();
    glPopMatrix();
}

void Ship::drawHealthBar() {
    const float x = pos.x - 10;  // between the camera and the ship
    const float Y = pos.y;
    const float Z = pos.z;
    auto quad = [x](float y1, float z1, float y2, float z2, float y3, float z3, float y4, float z4) {
        glVertex3f(x, y1, z1);
        glVertex3f(x, y2, z2);
        glVertex3f(x, y3, z3);
        glVertex3f(x, y4, z4);
    };
    const float end = Y + 5 - 0.002f * health;
    glBegin(GL_QUADS);
    glColor3f(0, 0.33f, 0);
    glVertex3f(x, Y + 5, Z - 1);
    glVertex3f(x, Y + 5, Z - 2);
    glColor3f(0.5f, 1, 0);
    glVertex3f(x, end, Z - 2);
    glVertex3f(x, end, Z - 1);
    glColor3f(1, 1, 1);
    quad(Y + 5.2f, Z - 0.8f, Y + 5.2f, Z - 1, Y - 5.2f, Z - 1, Y - 5.2f, Z - 0.8f);
    quad(Y + 5.2f, Z - 0.8f, Y + 5.2f, Z - 2.2f, Y + 5, Z - 2.2f, Y + 5, Z - 0.8f);
    quad(Y + 5.2f, Z - 2, Y + 5.2f, Z - 2.2f, Y - 5.2f, Z - 2.2f, Y - 5.2f, Z - 2);
    quad(Y - 5, Z - 0.8f, Y - 5, Z - 2.2f, Y - 5.2f, Z - 2.2f, Y - 5.2f, Z - 0.8f);
    glEnd();
}
