// A tiny program on the framework: an 800 x 600 window with a few primitives.
// Escape quits.
#include "ofMain.h"

#include <cmath>

class PrimitivesApp : public ofBaseApp {
public:
    void setup() override { ofBackground(30, 30, 40); }

    void draw() override {
        float t = ofGetElapsedTimeSeconds();

        ofFill();
        ofSetColor(0xE04040);
        ofRect(60, 60, 200, 120);

        ofSetRectMode(1);
        ofSetColor(60, 160, 230);
        ofRect(500, 120, 160, 100);
        ofSetRectMode(0);

        ofSetColor(240, 200, 60);
        ofCircle(160, 380, 80 + 10 * std::sin(t * 2));

        ofNoFill();
        ofEnableSmoothing();
        ofSetColor(120, 230, 120);
        ofEllipse(560, 380, 260, 120);
        ofTriangle(400, 520, 460, 420, 520, 520);
        ofDisableSmoothing();

        ofSetColor(255, 255, 255);
        ofPushMatrix();
        ofTranslate(400, 300, 0);
        ofRotate(t * 45);
        ofLine(-60, 0, 60, 0);
        ofPopMatrix();
    }
};

int main() {
    ofAppGlutWindow window;
    ofSetupOpenGL(&window, 800, 600, 0);
    ofRunApp(new PrimitivesApp());
    return 0;
}
