#pragma once
// One game: the ship, the meteor field and the lasers in the box of the
// game, the score, the held steering keys and the aim point, with the sky,
// the sounds and the font of the score line. The game manager builds one per
// game (inside a draw step, as it loads textures), drives it and deletes it.
#include "ofBaseApp.h"
#include "ofTrueTypeFont.h"
#include "ofTypes.h"

class Ship;
class MeteorField;
class LaserBank;
class ofImage;
class ofSoundPlayer;

class Driftfield : public ofBaseApp {
public:
    Driftfield();
    virtual ~Driftfield();
    Driftfield(const Driftfield&) = delete;
    Driftfield& operator=(const Driftfield&) = delete;

    void update() override;
    void draw() override;
    void keyPressed(int key) override;
    void keyReleased(int key) override;
    using ofBaseApp::mouseReleased;
    void mouseReleased(int x, int y, int button) override;

    Ship* getShip() { return ship; }
    int getScore() const { return static_cast<int>(score); }
    ofPoint* getBounds() { return &fieldSize; }

protected:
    void setKey(int key, bool down);
    // The point the lasers fly towards, from the mouse position.
    void updateAim();
    // One component of the aim: the mouse's distance from the window's
    // centre `half` mapped across the box's `extent`, held within it.
    static float aimAxis(int mouse, int half, float extent);
    void drawSphere(float radius);
    void drawScoreLine(int w);

    bool keyW = false, keyS = false, keyA = false, keyD = false;
    ofPoint fieldSize;
    float score = 0;
    MeteorField* meteors = nullptr;
    LaserBank* lasers = nullptr;
    Ship* ship = nullptr;
    ofPoint aim;
    float cameraDistance = 30;
    ofImage* sky = nullptr;
    unsigned int* skyTexture = nullptr;  // one OpenGL texture name
    ofSoundPlayer* laserSound = nullptr;
    ofSoundPlayer* music = nullptr;
    ofTrueTypeFont hudFont;
};
