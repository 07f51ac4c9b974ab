#pragma once
// The framework's front door: one current window and one current
// application. The free functions forward to the current window so that
// application code never holds the window itself.
#include <string>

class ofAppBaseWindow;
class ofBaseApp;

// screenMode: 0 a window, 1 full screen, 2 GLUT game mode.
void ofSetupOpenGL(ofAppBaseWindow* windowPtr, int w, int h, int screenMode);
// Makes a GLUT window of its own, which lives until the process ends.
void ofSetupOpenGL(int w, int h, int screenMode);

// Takes ownership of the application (deleted when the process exits) and
// runs the window's frame loop; with the GLUT window it never returns.
void ofRunApp(ofBaseApp* app);
ofBaseApp* ofGetAppPtr();

// Before ofSetupOpenGL there is no window: these then do nothing and the
// queries return 0.
int ofGetFrameNum();
float ofGetFrameRate();
double ofGetLastFrameTime();
void ofSetFrameRate(int targetRate);

void ofHideCursor();
void ofShowCursor();

void ofSetWindowPosition(int x, int y);
void ofSetWindowShape(int w, int h);
int ofGetWindowPositionX();
int ofGetWindowPositionY();
int ofGetScreenWidth();
int ofGetScreenHeight();
int ofGetWidth();
int ofGetHeight();

void ofEnableSetupScreen();
void ofDisableSetupScreen();

void ofToggleFullscreen();
void ofSetFullscreen(bool fullscreen);
int ofGetWindowMode();
void ofSetWindowTitle(std::string title);

void ofSleepMillis(int millis);
// Uses the display's swap-interval control when the X server offers one;
// otherwise does nothing.
void ofSetVerticalSync(bool bSync);
