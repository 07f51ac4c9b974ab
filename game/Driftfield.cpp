#include "Driftfield.h"

#include "LaserBank.h"
#include "MeteorField.h"
#include "Ship.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofImage.h"
#include "ofKeyboard.h"
#include "ofLog.h"
#include "ofMath.h"
#include "ofSoundPlayer.h"
#include "ofUtils.h"

namespace {
constexpr int METEOR_COUNT = 200;
constexpr int MAX_LASERS = 10;
constexpr float LASER_SPEED = 2.8f;
constexpr int START_HEALTH = 5000;
constexpr float SHIP_RADIUS = 4.0f;
constexpr float SHIP_SPEED = 0.7f;
constexpr float AIM_AHEAD = 80;
constexpr float SKY_RADIUS = 450;
constexpr float FRAME_SCORE = 7;
}  // namespace

Driftfield::Driftfield() {
    ofSetVerticalSync(true);

    sky = new ofImage();
    skyTexture = new GLuint(0);
    glGenTextures(1, skyTexture);
    if (!sky->loadImage("space.jpg")) ofLog(OF_ERROR, "Failed to load space");

    // The sky gets a mipmapped texture of its own: the image's texture has
    // no mipmaps, and the sphere shows the picture small and far away.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, *skyTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    unsigned char* pixels = sky->getPixels();
    const int w = static_cast<int>(sky->getWidth());
    const int h = static_cast<int>(sky->getHeight());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The pixels are uploaded in the layout the image holds them in, so a
    // grey or transparent picture is neither read past its end nor garbled.
    const int bpp = sky->bpp;
    if (pixels && w > 0 && h > 0 && (bpp == 8 || bpp == 24 || bpp == 32)) {
        const GLenum format = bpp == 8 ? GL_LUMINANCE : bpp == 32 ? GL_RGBA : GL_RGB;
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, w, h, format, GL_UNSIGNED_BYTE, pixels);
    } else {
        // Without a picture the sky takes the colour of the empty screen.
        const unsigned char background[3] = {0, 0, 128};
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, background);
    }
    glDisable(GL_TEXTURE_2D);

    fieldSize = ofPoint(2520, 75, 75);
    ship = new Ship(START_HEALTH, SHIP_RADIUS, SHIP_SPEED, &fieldSize);
    meteors = new MeteorField(METEOR_COUNT);
    meteors->place(&fieldSize, ship->getRadius());
    lasers = new LaserBank(MAX_LASERS, LASER_SPEED);
    updateAim();

    // Loading resets multi-play, and play applies loop and volume: the
    // order of these calls matters.
    laserSound = new ofSoundPlayer();
    laserSound->loadSound("data/laser_shot.wav", true);
    laserSound->setMultiPlay(true);
    music = new ofSoundPlayer();
    music->loadSound("data/evil_2.mp3", true);
    music->setMultiPlay(false);
    music->setLoop(true);
    music->setVolume(0.3f);
    music->play();

    hudFont.loadFont("vantor.ttf", 20, true, true, false);
}

Driftfield::~Driftfield() {
    delete meteors;
    delete lasers;
    delete ship;
    if (skyTexture) {
        glDeleteTextures(1, skyTexture);
        delete skyTexture;
    }
    delete sky;
    delete laserSound;
    delete music;
}

void Driftfield::update() {
    ofHideCursor();
    // The ship's position here is where the last frame left it.
    meteors->respawnDead(static_cast<int>(ship->getPosition().x), &fieldSize);
    meteors->bounceAllPairs();
    meteors->bounceAllWalls(&fieldSize);
    meteors->move();
    lasers->move();
    lasers->cull(&fieldSize);
    for (int i = 0; i < meteors->getCount(); ++i) lasers->hitTest(meteors->getMeteor(i), &score, &ship->getHealth());
    updateAim();
    for (int i = 0; i < meteors->getCount(); ++i) ship->collide(meteors->getMeteor(i));
    ship->borderDamage(&fieldSize);
    ship->steer(keyW, keyS, keyA, keyD, &fieldSize);
    score += FRAME_SCORE;
    // The drain grows with the distance flown, up to 20 a frame.
    float& health = ship->getHealth();
    health -= ofClamp(ship->getPosition().x / 5000 * 10, 0, 20);
    health = ofClamp(health, -1, START_HEALTH);
}

void Driftfield::updateAim() {
    aim.x = ship->getPosition().x + AIM_AHEAD;
    aim.y = aimAxis(mouseX, ofGetWidth() / 2, fieldSize.y);
    aim.z = aimAxis(mouseY, ofGetHeight() / 2, fieldSize.z);
}

float Driftfield::aimAxis(int mouse, int half, float extent) {
    // The mouse spans the box within 200 pixels of the window's centre
    // across and 100 up and down (in the 800 x 600 window). A window too
    // small for that span aims at the middle instead of dividing by zero.
    const int span = half - 200;
    const double offset = span != 0 ? static_cast<double>(mouse - half) / span : 0.0;
    const float value = static_cast<float>((1 - offset) * 0.5 * extent);
    return ofClamp(value, 0, extent);
}

void Driftfield::keyPressed(int key) { setKey(key, true); }

void Driftfield::keyReleased(int key) {
    // A key comes up with the character its modifiers give then: w held
    // while Shift or Ctrl went down is let go as 'W' or 23. Presses stay as
    // they are: 'W' does not steer.
    setKey(ofLetterKey(key), false);
}

void Driftfield::setKey(int key, bool down) {
    switch (key) {
        case 'w': keyW = down; break;
        case 's': keyS = down; break;
        case 'a': keyA = down; break;
        case 'd': keyD = down; break;
        default: break;
    }
}

void Driftfield::mouseReleased(int, int, int) {
    const ofPoint from = ship->getPosition();
    lasers->fire(from, ofPoint(aim.x - from.x, aim.y - from.y, aim.z - from.z));
    laserSound->play();
}

void Driftfield::draw() {
    const int w = ofGetWidth();
    const int h = ofGetHeight();
    glPushAttrib(GL_ENABLE_BIT);

    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0.5f, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window of no height keeps a finite aspect.
    gluPerspective(60, h > 0 ? static_cast<double>(w) / h : 1.0, 0.1, 500);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const float t = ofGetElapsedTimeSeconds();
    // Behind and a little above the ship, looking along the direction of
    // flight whatever the aim.
    const ofPoint shipPos = ship->getPosition();
    gluLookAt(shipPos.x - cameraDistance, shipPos.y, shipPos.z + cameraDistance / 3.5,
              aim.x, shipPos.y, shipPos.z, 0, 0, 1);

    glEnable(GL_CULL_FACE);
    lasers->draw();
    meteors->draw(shipPos);
    ship->draw();
    ship->drawHealthBar();
    glDisable(GL_CULL_FACE);

    // Seen from inside, so without culling; the sky turns slowly about the
    // direction of flight and hides whatever lies beyond it.
    glPushMatrix();
    glTranslatef(shipPos.x, shipPos.y, shipPos.z);
    glRotatef(2 * t, 1, 0, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, *skyTexture);
    drawSphere(SKY_RADIUS);
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();

    glEnable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);

    // The crosshair, over everything.
    glBegin(GL_LINES);
    glColor3f(0, 0.5f, 1);
    glVertex3f(aim.x, aim.y + 1, aim.z);
    glColor3f(0, 0.5f, 1);
    glVertex3f(aim.x, aim.y - 1, aim.z);
    glColor3f(0, 0.5f, 1);
    glVertex3f(aim.x, aim.y, aim.z + 1);
    glColor3f(0, 0.5f, 1);
    glVertex3f(aim.x, aim.y, aim.z - 1);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, h, 0, 0, 30);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    drawScoreLine(w);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    glPopAttrib();
}

void Driftfield::drawScoreLine(int w) {
    ofSetColor(255, 0, 0);
    // The label stands where "Score: 99999" would be centred; the number
    // follows from the width of the actual line.
    const std::string label = "Score: ";
    const std::string number = ofToString(getScore());
    const float x1 = (w / 2) - 0.5f * hudFont.stringWidth("Score: 99999");
    hudFont.drawString(label, x1, 40);
    const float x2 = (w / 2) - 0.5f * hudFont.stringWidth(label + number) + hudFont.stringWidth(label) + 10;
    hudFont.drawString(number, x2, 40);
}

void Driftfield::drawSphere(float radius) {
    GLUquadric* quadric = gluNewQuadric();
    if (!quadric) return;
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluQuadricTexture(quadric, GL_TRUE);
    gluSphere(quadric, radius, 24, 8);
    gluDeleteQuadric(quadric);
}
