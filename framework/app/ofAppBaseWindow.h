#pragma once
// What a windowing back end implements. The runner drives the window only
// through this interface; every operation has a do-nothing default.
#include "ofTypes.h"

#include <string>

class ofBaseApp;

class ofAppBaseWindow {
public:
    ofAppBaseWindow() {}
    virtual ~ofAppBaseWindow() {}

    virtual void setupOpenGL(int w, int h, int screenMode) { (void)w; (void)h; (void)screenMode; }
    virtual void initializeWindow() {}
    virtual void runMainLoop(ofBaseApp* appPtr) { (void)appPtr; }

    virtual void hideCursor() {}
    virtual void showCursor() {}

    virtual void setWindowPosition(int x, int y) { (void)x; (void)y; }
    virtual void setWindowShape(int w, int h) { (void)w; (void)h; }

    virtual int getFrameNum() { return 0; }
    virtual float getFrameRate() { return 0.0f; }
    virtual double getLastFrameTime() { return 0.0; }

    virtual ofPoint getWindowPosition() { return ofPoint(0, 0, 0); }
    virtual ofPoint getWindowSize() { return ofPoint(0, 0, 0); }
    virtual ofPoint getScreenSize() { return ofPoint(0, 0, 0); }

    virtual void setFrameRate(float targetRate) { (void)targetRate; }
    virtual void setWindowTitle(std::string title) { (void)title; }

    // 0 a window, 1 full screen, 2 GLUT game mode.
    virtual int getWindowMode() { return 0; }

    virtual void setFullscreen(bool fullscreen) { (void)fullscreen; }
    virtual void toggleFullscreen() {}

    virtual void enableSetupScreen() {}
    virtual void disableSetupScreen() {}
};
