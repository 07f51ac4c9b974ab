#pragma once
// What an application derives from. The window keeps mouseX and mouseY up to
// date and calls these callbacks; every one does nothing unless overridden.
#include "ofEvents.h"

class ofBaseApp {
public:
    ofBaseApp() : mouseX(0), mouseY(0) {}
    virtual ~ofBaseApp() {}

    virtual void setup() {}
    virtual void update() {}
    virtual void draw() {}
    virtual void exit() {}

    virtual void windowResized(int w, int h) { (void)w; (void)h; }

    virtual void keyPressed(int key) { (void)key; }
    virtual void keyReleased(int key) { (void)key; }

    virtual void mouseMoved(int x, int y) { (void)x; (void)y; }
    virtual void mouseDragged(int x, int y, int button) { (void)x; (void)y; (void)button; }
    virtual void mousePressed(int x, int y, int button) { (void)x; (void)y; (void)button; }
    // A release reaches the form with coordinates first, then this one.
    virtual void mouseReleased() {}
    virtual void mouseReleased(int x, int y, int button) { (void)x; (void)y; (void)button; }

    // Nothing calls these yet; they mirror the two audio events.
    virtual void audioA(ofAudioEventArgs& args) { (void)args; }
    virtual void audioB(ofAudioEventArgs& args) { (void)args; }

    int mouseX, mouseY;
};
