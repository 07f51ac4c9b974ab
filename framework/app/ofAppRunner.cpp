#include "ofAppRunner.h"

#include "ofAppBaseWindow.h"
#include "ofAppGlutWindow.h"
#include "ofBaseApp.h"
#include "ofEvents.h"
#include "ofImage.h"
#include "ofImageDecoder.h"
#include "ofMath.h"
#include "ofPlatform.h"
#include "ofQtUtils.h"
#include "ofSoundPlayer.h"
#include "ofSwapControl.h"
#include "ofUtils.h"

#include <cstdlib>

namespace {
ofAppBaseWindow* window = nullptr;  // not owned
ofBaseApp* currentApp = nullptr;    // owned from ofRunApp on

// Runs once when the process ends through exit(); the frame loop never
// returns, so this is how every run finishes.
void ofExitCallback() {
    ofSoundPlayer::closeFmod();

    ofQtClose();

    ofCloseFreeImage();

    if (currentApp) currentApp->exit();
    ofEventArgs args;
    ofAppEvents.exit.notify(nullptr, args);
    // The pointer is left as it was: nothing runs after this but the
    // destruction of static objects, which never reach the application.
    if (currentApp) delete currentApp;
}
}

void ofSetupOpenGL(ofAppBaseWindow* windowPtr, int w, int h, int screenMode) {
    // The decoder program starts while the window opens, so that it is
    // ready when the first picture is wanted.
    ofStartImageDecoder();
    window = windowPtr;
    window->setupOpenGL(w, h, screenMode);
}

void ofSetupOpenGL(int w, int h, int screenMode) {
    ofSetupOpenGL(new ofAppGlutWindow(), w, h, screenMode);
}

void ofRunApp(ofBaseApp* app) {
    currentApp = app;
    if (currentApp) {
        currentApp->mouseX = 0;
        currentApp->mouseY = 0;
    }
    // Once per process: a second registration would delete the application
    // twice.
    static bool exitHandlerRegistered = false;
    if (!exitHandlerRegistered) {
        atexit(ofExitCallback);
        exitHandlerRegistered = true;
    }
    window->initializeWindow();
    ofSeedRandom();
    ofResetElapsedTimeCounter();
    window->runMainLoop(currentApp);
}

ofBaseApp* ofGetAppPtr() { return currentApp; }

int ofGetFrameNum() { return window ? window->getFrameNum() : 0; }
float ofGetFrameRate() { return window ? window->getFrameRate() : 0.0f; }
double ofGetLastFrameTime() { return window ? window->getLastFrameTime() : 0.0; }
void ofSetFrameRate(int targetRate) {
    if (window) window->setFrameRate(static_cast<float>(targetRate));
}

void ofHideCursor() {
    if (window) window->hideCursor();
}
void ofShowCursor() {
    if (window) window->showCursor();
}

void ofSetWindowPosition(int x, int y) {
    if (window) window->setWindowPosition(x, y);
}
void ofSetWindowShape(int w, int h) {
    if (window) window->setWindowShape(w, h);
}

// The window answers in float points; callers get whole pixels, truncated.
int ofGetWindowPositionX() { return window ? static_cast<int>(window->getWindowPosition().x) : 0; }
int ofGetWindowPositionY() { return window ? static_cast<int>(window->getWindowPosition().y) : 0; }
int ofGetScreenWidth() { return window ? static_cast<int>(window->getScreenSize().x) : 0; }
int ofGetScreenHeight() { return window ? static_cast<int>(window->getScreenSize().y) : 0; }
int ofGetWidth() { return window ? static_cast<int>(window->getWindowSize().x) : 0; }
int ofGetHeight() { return window ? static_cast<int>(window->getWindowSize().y) : 0; }

void ofEnableSetupScreen() {
    if (window) window->enableSetupScreen();
}
void ofDisableSetupScreen() {
    if (window) window->disableSetupScreen();
}

void ofToggleFullscreen() {
    if (window) window->toggleFullscreen();
}
void ofSetFullscreen(bool fullscreen) {
    if (window) window->setFullscreen(fullscreen);
}
int ofGetWindowMode() { return window ? window->getWindowMode() : 0; }
void ofSetWindowTitle(std::string title) {
    if (window) window->setWindowTitle(title);
}

void ofSleepMillis(int millis) {
    ofPlatform::sleepMillis(millis);
}

void ofSetVerticalSync(bool bSync) {
    ofSetSwapInterval(bSync ? 1 : 0);
}
