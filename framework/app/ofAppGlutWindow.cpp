#include "ofAppGlutWindow.h"

#include "ofAppRunner.h"
#include "ofBaseApp.h"
#include "ofEvents.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofLog.h"
#include "ofUtils.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {
// One set per process: GLUT's callbacks reach it without an object.
int windowMode;
bool bNewScreenMode;
int requestedWidth, requestedHeight;
int nonFullScreenX, nonFullScreenY;
int windowWidth, windowHeight;  // as GLUT last reported them
int frameCount;
int framesSinceResize;
float frameRate;
double lastFrameTime;
float timeThen;
bool bFrameRateSet;
int millisForFrame;
int prevMillis;
bool bEnableSetupScreen;
int buttonInUse;
bool bDrawingToFront;  // the front buffer was selected while clearing was off
ofBaseApp* ofAppPtr;
bool processExiting;  // exit() has begun: its handlers are running

void noteProcessExiting() { processExiting = true; }

// Kept between calls and handed to listeners by reference.
ofMouseEventArgs mouseEventArgs;
ofMouseEventArgs moveEventArgs;
ofMouseEventArgs dragEventArgs;
ofKeyEventArgs keyPressedEventArgs;
ofKeyEventArgs keyReleasedEventArgs;
ofKeyEventArgs specialKeyPressedEventArgs;
ofKeyEventArgs specialKeyReleasedEventArgs;
ofResizeEventArgs resizeEventArgs;

constexpr int escapeKey = 27;
constexpr int specialKeyFlag = 0x100;
constexpr int bitsPerPixel = 32;
constexpr int refreshRate = 60;

// freeglut also reports each wheel notch as a press and release of buttons
// 3 to 6; applications take any release for a click.
bool isMouseButton(int button) { return button >= GLUT_LEFT_BUTTON && button <= GLUT_RIGHT_BUTTON; }

// Function keys, arrows, page up and down, home, end and insert. freeglut
// also reports Shift, Ctrl, Alt, Num Lock, keypad Begin and Delete as
// special keys, which would reach applications as keys of their own.
bool isSpecialKey(int key) {
    return (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F12) || (key >= GLUT_KEY_LEFT && key <= GLUT_KEY_INSERT);
}

void initDisplayMode(const std::string& displayString) {
    if (!displayString.empty()) {
        glutInitDisplayString(displayString.c_str());
    } else {
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    }
}

void clearToBackground() {
    const float* bg = ofGetBackgroundColor();
    glClearColor(bg[0], bg[1], bg[2], bg[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void notifyKeyPressed(ofKeyEventArgs& args, int key) {
    if (ofAppPtr) ofAppPtr->keyPressed(key);
    args.key = key;
    ofAppEvents.keyPressed.notify(nullptr, args);
}

void notifyKeyReleased(ofKeyEventArgs& args, int key) {
    if (ofAppPtr) ofAppPtr->keyReleased(key);
    args.key = key;
    ofAppEvents.keyReleased.notify(nullptr, args);
}
}

ofAppGlutWindow::ofAppGlutWindow() {
    windowMode = 0;
    bNewScreenMode = true;
    requestedWidth = 0;
    requestedHeight = 0;
    nonFullScreenX = -1;
    nonFullScreenY = -1;
    frameCount = 0;
    framesSinceResize = 0;
    frameRate = 60.0f;
    lastFrameTime = 0.0;
    timeThen = 0.0f;
    bFrameRateSet = false;
    millisForFrame = 0;
    prevMillis = 0;
    bEnableSetupScreen = true;
    buttonInUse = 0;
    bDrawingToFront = false;
}

void ofAppGlutWindow::setGlutDisplayString(std::string str) { displayString = str; }

void ofAppGlutWindow::setupOpenGL(int w, int h, int screenMode) {
    static char programName[] = "driftfield";
    static char* argv[] = {programName, nullptr};
    int argc = 1;
    glutInit(&argc, argv);

    initDisplayMode(displayString);
    windowMode = screenMode;
    bNewScreenMode = true;

    if (windowMode == 2) {
        initDisplayMode(displayString);
        char gameStr[64];
        snprintf(gameStr, sizeof(gameStr), "%dx%d:%d@%d", w, h, bitsPerPixel, refreshRate);
        glutGameModeString(gameStr);
        if (!glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) {
            ofLog(OF_ERROR, "game mode error: selected format (%s) not available \n", gameStr);
        }
        glutEnterGameMode();
    } else {
        glutInitWindowSize(w, h);
        glutCreateWindow("");
        ofSetupGraphicDefaults();
        requestedWidth = glutGet(GLUT_WINDOW_WIDTH);
        requestedHeight = glutGet(GLUT_WINDOW_HEIGHT);
    }

    windowWidth = glutGet(GLUT_WINDOW_WIDTH);
    windowHeight = glutGet(GLUT_WINDOW_HEIGHT);
}

void ofAppGlutWindow::initializeWindow() {
    glutMouseFunc(mouseCallback);
    glutMotionFunc(motionCallback);
    glutPassiveMotionFunc(passiveMotionCallback);
    glutIdleFunc(idleCallback);
    glutDisplayFunc(displayCallback);
    glutKeyboardFunc(keyboardCallback);
    glutKeyboardUpFunc(keyboardUpCallback);
    glutSpecialFunc(specialKeyCallback);
    glutSpecialUpFunc(specialKeyUpCallback);
    glutReshapeFunc(resizeCallback);
    framesSinceResize = 0;
    // Left to GLUT, a close request would tear the window and its GL context
    // down before exit(); ending here keeps them alive for the exit handler.
    glutCloseFunc(closeCallback);
    // GLUT closes its windows once more from inside exit(), calling the hook
    // again. Registered after glutInit, this handler runs before that.
    static bool exitNoted = false;
    if (!exitNoted) {
        atexit(noteProcessExiting);
        exitNoted = true;
    }
}

void ofAppGlutWindow::runMainLoop(ofBaseApp* appPtr) {
    ofAppPtr = appPtr;
    if (ofAppPtr) {
        ofAppPtr->setup();
        ofAppPtr->update();
    }
    ofEventArgs args;
    ofAppEvents.setup.notify(nullptr, args);
    ofAppEvents.update.notify(nullptr, args);
    glutMainLoop();
}

void ofAppGlutWindow::hideCursor() { glutSetCursor(GLUT_CURSOR_NONE); }
void ofAppGlutWindow::showCursor() { glutSetCursor(GLUT_CURSOR_LEFT_ARROW); }

void ofAppGlutWindow::setWindowPosition(int x, int y) { glutPositionWindow(x, y); }

void ofAppGlutWindow::setWindowShape(int w, int h) {
    glutReshapeWindow(w, h);
    // Also the size to come back to after full screen. The stored window
    // size follows only when GLUT reports the reshape.
    requestedWidth = w;
    requestedHeight = h;
}

int ofAppGlutWindow::getFrameNum() { return frameCount; }
float ofAppGlutWindow::getFrameRate() { return frameRate; }
double ofAppGlutWindow::getLastFrameTime() { return lastFrameTime; }

ofPoint ofAppGlutWindow::getWindowPosition() {
    return ofPoint(glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), 0);
}

ofPoint ofAppGlutWindow::getWindowSize() { return ofPoint(windowWidth, windowHeight, 0); }

ofPoint ofAppGlutWindow::getScreenSize() {
    return ofPoint(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT), 0);
}

void ofAppGlutWindow::setFrameRate(float targetRate) {
    if (targetRate == 0) {
        bFrameRateSet = false;
        return;
    }
    bFrameRateSet = true;
    // Whole milliseconds, truncated: 60 gives 16. A negative target gives a
    // negative count, which never sleeps. Tiny targets would leave int's
    // range; they saturate instead.
    double millis = 1.0 / targetRate * 1000.0;
    if (millis >= INT_MAX) {
        millisForFrame = INT_MAX;
    } else if (millis > INT_MIN) {
        millisForFrame = static_cast<int>(millis);
    } else {
        millisForFrame = INT_MIN;  // also for a target that is not a number
    }
    frameRate = targetRate;
}

void ofAppGlutWindow::setWindowTitle(std::string title) { glutSetWindowTitle(title.c_str()); }

int ofAppGlutWindow::getWindowMode() { return windowMode; }

void ofAppGlutWindow::setFullscreen(bool fullscreen) {
    if (windowMode == 2) return;
    if (fullscreen && windowMode != 1) {
        windowMode = 1;
        bNewScreenMode = true;
    } else if (!fullscreen && windowMode != 0) {
        windowMode = 0;
        bNewScreenMode = true;
    }
}

void ofAppGlutWindow::toggleFullscreen() {
    if (windowMode == 2) return;
    windowMode = (windowMode == 0) ? 1 : 0;
    bNewScreenMode = true;
}

void ofAppGlutWindow::enableSetupScreen() { bEnableSetupScreen = true; }
void ofAppGlutWindow::disableSetupScreen() { bEnableSetupScreen = false; }

void ofAppGlutWindow::exitApp() {
    ofLog(OF_VERBOSE, "GLUT OF app is being terminated!");
    exit(0);
}

void ofAppGlutWindow::idleCallback() {
    if (frameCount != 0 && bFrameRateSet) {
        // Modular, like the clock itself, so its wrap-around is harmless. A
        // clock restarted since the last frame reads as a negative span: that
        // frame waits at most its own length, not until the old time returns.
        unsigned span = static_cast<unsigned>(ofGetElapsedTimeMillis()) - static_cast<unsigned>(prevMillis);
        int elapsed = static_cast<int>(span);
        if (elapsed < 0) elapsed = 0;
        if (elapsed <= millisForFrame) ofSleepMillis(millisForFrame - elapsed);
    }
    prevMillis = ofGetElapsedTimeMillis();

    if (ofAppPtr) ofAppPtr->update();
    ofEventArgs args;
    ofAppEvents.update.notify(nullptr, args);

    glutPostRedisplay();
}

void ofAppGlutWindow::displayCallback() {
    if (windowMode != 2 && bNewScreenMode) {
        if (windowMode == 1) {
            nonFullScreenX = glutGet(GLUT_WINDOW_X);
            nonFullScreenY = glutGet(GLUT_WINDOW_Y);
            glutFullScreen();
        } else if (windowMode == 0) {
            glutReshapeWindow(requestedWidth, requestedHeight);
            if (frameCount > 0) glutPositionWindow(nonFullScreenX, nonFullScreenY);
        }
        bNewScreenMode = false;
    }

    int width = ofGetWidth();
    int height = ofGetHeight();
    if (height < 1) height = 1;
    glViewport(0, 0, width, height);

    bool bClearAuto = ofGetBackgroundAutoClear();
    if (!bClearAuto) {
        glDrawBuffer(GL_FRONT);
        bDrawingToFront = true;
    } else if (bDrawingToFront) {
        // Clearing was switched back on: frames go through the back buffer
        // and the swap again.
        glDrawBuffer(GL_BACK);
        bDrawingToFront = false;
    }

    // Without automatic clearing drawing accumulates on the front buffer;
    // the first frames after the window appears or changes size start from
    // the background all the same, since their old contents are undefined.
    if (bClearAuto || framesSinceResize < 3) clearToBackground();

    if (bEnableSetupScreen) ofSetupScreen();

    if (ofAppPtr) ofAppPtr->draw();
    ofEventArgs args;
    ofAppEvents.draw.notify(nullptr, args);

    if (bClearAuto) {
        glutSwapBuffers();
    } else {
        glFlush();
    }

    framesSinceResize++;

    float timeNow = ofGetElapsedTimeSeconds();
    float diff = timeNow - timeThen;
    if (diff > 0.00001f) {
        float fps = static_cast<float>(1.0 / diff);
        frameRate = 0.9f * frameRate + 0.1f * fps;
    }
    lastFrameTime = diff;
    timeThen = timeNow;

    frameCount++;
}

void ofAppGlutWindow::mouseCallback(int button, int state, int x, int y) {
    if (frameCount <= 0 || !isMouseButton(button)) return;
    if (ofAppPtr) {
        ofAppPtr->mouseX = x;
        ofAppPtr->mouseY = y;
    }
    if (state == GLUT_DOWN) {
        if (ofAppPtr) ofAppPtr->mousePressed(x, y, button);
        mouseEventArgs.x = x;
        mouseEventArgs.y = y;
        mouseEventArgs.button = button;
        ofAppEvents.mousePressed.notify(nullptr, mouseEventArgs);
    } else if (state == GLUT_UP) {
        if (ofAppPtr) {
            ofAppPtr->mouseReleased(x, y, button);
            ofAppPtr->mouseReleased();
        }
        mouseEventArgs.x = x;
        mouseEventArgs.y = y;
        mouseEventArgs.button = button;
        ofAppEvents.mouseReleased.notify(nullptr, mouseEventArgs);
    }
    buttonInUse = button;
}

void ofAppGlutWindow::motionCallback(int x, int y) {
    if (frameCount <= 0) return;
    if (ofAppPtr) {
        ofAppPtr->mouseX = x;
        ofAppPtr->mouseY = y;
        ofAppPtr->mouseDragged(x, y, buttonInUse);
    }
    dragEventArgs.x = x;
    dragEventArgs.y = y;
    dragEventArgs.button = buttonInUse;
    ofAppEvents.mouseDragged.notify(nullptr, dragEventArgs);
}

void ofAppGlutWindow::passiveMotionCallback(int x, int y) {
    if (frameCount <= 0) return;
    if (ofAppPtr) {
        ofAppPtr->mouseX = x;
        ofAppPtr->mouseY = y;
        ofAppPtr->mouseMoved(x, y);
    }
    moveEventArgs.x = x;
    moveEventArgs.y = y;
    ofAppEvents.mouseMoved.notify(nullptr, moveEventArgs);
}

void ofAppGlutWindow::keyboardCallback(unsigned char key, int, int) {
    notifyKeyPressed(keyPressedEventArgs, key);
    if (key == escapeKey) exitApp();
}

void ofAppGlutWindow::keyboardUpCallback(unsigned char key, int, int) {
    notifyKeyReleased(keyReleasedEventArgs, key);
}

void ofAppGlutWindow::specialKeyCallback(int key, int, int) {
    if (!isSpecialKey(key)) return;
    notifyKeyPressed(specialKeyPressedEventArgs, key | specialKeyFlag);
}

void ofAppGlutWindow::specialKeyUpCallback(int key, int, int) {
    if (!isSpecialKey(key)) return;
    notifyKeyReleased(specialKeyReleasedEventArgs, key | specialKeyFlag);
}

void ofAppGlutWindow::resizeCallback(int w, int h) {
    // Stored first, so ofGetWidth and ofGetHeight already answer the new
    // size inside windowResized.
    windowWidth = w;
    windowHeight = h;
    if (ofAppPtr) ofAppPtr->windowResized(w, h);
    resizeEventArgs.width = w;
    resizeEventArgs.height = h;
    ofAppEvents.windowResized.notify(nullptr, resizeEventArgs);
    framesSinceResize = 0;
}

void ofAppGlutWindow::closeCallback() {
    // Only a close request ends the program here. Once exit() runs, a second
    // exit() from inside its handlers would be undefined and would replace
    // the status the program ends with.
    if (!processExiting) exit(0);
}
