#pragma once
// The window back end on GLUT: creates the OpenGL window, runs the frame loop
// (idle step, then display step) and turns GLUT's input reports into the
// application's callbacks and the global events.
//
// GLUT callbacks are plain functions, so the window state is one set per
// process, shared by every object of this class; constructing one resets it.
#include "ofAppBaseWindow.h"

#include <string>

class ofAppGlutWindow : public ofAppBaseWindow {
public:
    ofAppGlutWindow();
    ~ofAppGlutWindow() override {}

    void setupOpenGL(int w, int h, int screenMode) override;
    void initializeWindow() override;
    void runMainLoop(ofBaseApp* appPtr) override;

    void hideCursor() override;
    void showCursor() override;

    void setWindowPosition(int x, int y) override;
    void setWindowShape(int w, int h) override;

    int getFrameNum() override;
    float getFrameRate() override;
    double getLastFrameTime() override;

    ofPoint getWindowPosition() override;
    ofPoint getWindowSize() override;
    ofPoint getScreenSize() override;

    void setFrameRate(float targetRate) override;
    void setWindowTitle(std::string title) override;

    int getWindowMode() override;

    void setFullscreen(bool fullscreen) override;
    void toggleFullscreen() override;

    void enableSetupScreen() override;
    void disableSetupScreen() override;

    // Replaces the default display mode; only before setupOpenGL.
    void setGlutDisplayString(std::string str);

    static void exitApp();

    // The frame.
    static void idleCallback();
    static void displayCallback();

    // Input and window reports.
    static void mouseCallback(int button, int state, int x, int y);
    static void motionCallback(int x, int y);
    static void passiveMotionCallback(int x, int y);
    static void keyboardCallback(unsigned char key, int x, int y);
    static void keyboardUpCallback(unsigned char key, int x, int y);
    static void specialKeyCallback(int key, int x, int y);
    static void specialKeyUpCallback(int key, int x, int y);
    static void resizeCallback(int w, int h);
    // A close request from the window manager ends the program like Escape.
    static void closeCallback();

private:
    std::string displayString;
};
