// The application and window interfaces, the runner's forwarding and its exit
// handler, driven through a window that records what it is asked.
#include "ofAppBaseWindow.h"
#include "ofAppRunner.h"
#include "ofBaseApp.h"
#include "ofEvents.h"
#include "ofQtUtils.h"
#include "ofSwapControl.h"

#include <Poco/Delegate.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

// Answers with fixed, deliberately fractional and negative values so that
// the int forwarders' truncation shows.
class RecordingWindow : public ofAppBaseWindow {
public:
    std::vector<std::string> calls;
    void setupOpenGL(int w, int h, int mode) override {
        calls.push_back("setupOpenGL " + std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(mode));
    }
    void initializeWindow() override { calls.push_back("initializeWindow"); }
    void runMainLoop(ofBaseApp* app) override {
        calls.push_back(std::string("runMainLoop ") + (app ? "app" : "null"));
    }
    void setFrameRate(float rate) override { calls.push_back("setFrameRate " + std::to_string(rate)); }
    void setWindowTitle(std::string title) override { calls.push_back("title " + title); }
    void setWindowShape(int w, int h) override {
        calls.push_back("shape " + std::to_string(w) + " " + std::to_string(h));
    }
    ofPoint getWindowPosition() override { return ofPoint(-3.7f, 12.9f, 0); }
    ofPoint getWindowSize() override { return ofPoint(799.9f, 600.0f, 0); }
    ofPoint getScreenSize() override { return ofPoint(1280.5f, -0.5f, 0); }
    int getFrameNum() override { return 42; }
    float getFrameRate() override { return 59.5f; }
    double getLastFrameTime() override { return 0.25; }
    int getWindowMode() override { return 1; }
};

// Writes each callback of the exit path to standard error, where death tests
// look for it.
class FarewellApp : public ofBaseApp {
public:
    FarewellApp() { ofAppEvents.exit += Poco::delegate(this, &FarewellApp::onExitEvent); }
    ~FarewellApp() override {
        ofAppEvents.exit -= Poco::delegate(this, &FarewellApp::onExitEvent);
        fprintf(stderr, "[destructor]");
    }
    void exit() override { fprintf(stderr, "[exit %d %d]", mouseX, mouseY); }
    void onExitEvent(const void*, ofEventArgs&) { fprintf(stderr, "[exit event]"); }
};

void exitEventToStderr(const void*, ofEventArgs&) { fprintf(stderr, "[exit event]"); }

}  // namespace

// Must stay the first test: it needs a process in which no window was set.
TEST(Runner, ForwardersWithoutAWindowDoNothing) {
    EXPECT_EQ(ofGetWidth(), 0);
    EXPECT_EQ(ofGetHeight(), 0);
    EXPECT_EQ(ofGetFrameNum(), 0);
    EXPECT_EQ(ofGetWindowMode(), 0);
    ofSetWindowShape(10, 10);
    ofSetFrameRate(30);
    ofHideCursor();
    EXPECT_EQ(ofGetAppPtr(), nullptr);
}

TEST(Interfaces, DefaultsDoNothingAndReportZero) {
    ofBaseApp app;
    EXPECT_EQ(app.mouseX, 0);
    EXPECT_EQ(app.mouseY, 0);
    app.setup();
    app.update();
    app.draw();
    app.exit();
    app.windowResized(1, 2);
    app.keyPressed('a');
    app.keyReleased('a');
    app.mouseMoved(1, 2);
    app.mouseDragged(1, 2, 0);
    app.mousePressed(1, 2, 0);
    app.mouseReleased();
    app.mouseReleased(1, 2, 0);

    ofAppBaseWindow window;
    EXPECT_EQ(window.getFrameNum(), 0);
    EXPECT_EQ(window.getFrameRate(), 0.0f);
    EXPECT_EQ(window.getLastFrameTime(), 0.0);
    EXPECT_EQ(window.getWindowMode(), 0);
    for (const ofPoint& p : {window.getWindowPosition(), window.getWindowSize(), window.getScreenSize()}) {
        EXPECT_EQ(p.x, 0.0f);
        EXPECT_EQ(p.y, 0.0f);
        EXPECT_EQ(p.z, 0.0f);
    }
}

TEST(Runner, ForwardsToTheCurrentWindowAndTruncatesToWholePixels) {
    static RecordingWindow window;
    ofSetupOpenGL(&window, 800, 600, 0);
    ofSetFrameRate(60);
    ofSetWindowShape(1024, 700);
    std::string title = "Driftfield";
    ofSetWindowTitle(title);
    std::vector<std::string> expected = {"setupOpenGL 800 600 0", "setFrameRate 60.000000", "shape 1024 700",
                                         "title Driftfield"};
    EXPECT_EQ(window.calls, expected);

    // Truncation toward zero, not rounding or flooring.
    EXPECT_EQ(ofGetWindowPositionX(), -3);
    EXPECT_EQ(ofGetWindowPositionY(), 12);
    EXPECT_EQ(ofGetWidth(), 799);
    EXPECT_EQ(ofGetHeight(), 600);
    EXPECT_EQ(ofGetScreenWidth(), 1280);
    EXPECT_EQ(ofGetScreenHeight(), 0);
    EXPECT_EQ(ofGetFrameNum(), 42);
    EXPECT_EQ(ofGetFrameRate(), 59.5f);
    EXPECT_EQ(ofGetLastFrameTime(), 0.25);
    EXPECT_EQ(ofGetWindowMode(), 1);
}

TEST(Runner, StartsTheWindowAndOwnsTheApplication) {
    static RecordingWindow window;
    ofSetupOpenGL(&window, 320, 240, 2);
    auto* app = new ofBaseApp;
    app->mouseX = 5;
    app->mouseY = 7;
    // This window's loop returns, so ofRunApp does too. The application is
    // deleted by the exit handler when this test program ends.
    ofRunApp(app);
    EXPECT_EQ(ofGetAppPtr(), app);
    EXPECT_EQ(app->mouseX, 0);
    EXPECT_EQ(app->mouseY, 0);
    std::vector<std::string> expected = {"setupOpenGL 320 240 2", "initializeWindow", "runMainLoop app"};
    EXPECT_EQ(window.calls, expected);
}

using RunnerDeathTest = ::testing::Test;

TEST_F(RunnerDeathTest, ExitCallsTheAppThenTheEventThenDeletesTheApp) {
    EXPECT_EXIT(
        {
            static RecordingWindow window;
            ofSetupOpenGL(&window, 800, 600, 0);
            auto* app = new FarewellApp;
            ofRunApp(app);
            app->mouseX = 3;
            app->mouseY = 4;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "^\\[exit 3 4\\]\\[exit event\\]\\[destructor\\]$");
}

TEST_F(RunnerDeathTest, ExitEventIsNotifiedWithoutAnApplication) {
    EXPECT_EXIT(
        {
            static RecordingWindow window;
            ofSetupOpenGL(&window, 800, 600, 0);
            ofAppEvents.exit += Poco::delegate(exitEventToStderr);
            ofRunApp(nullptr);
            exit(0);
        },
        ::testing::ExitedWithCode(0), "^\\[exit event\\]$");
}

TEST(VerticalSync, PrefersExtThenMesaThenSgiAndOtherwiseNothing) {
    auto choose = [](std::set<std::string> listed) {
        return chooseSwapControl([&](const char* name) { return listed.count(name) > 0; });
    };
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_MESA_swap_control", "GLX_EXT_swap_control"}), SwapControl::ext);
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_MESA_swap_control"}), SwapControl::mesa);
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_EXT_swap_control_tear"}), SwapControl::sgi);
    EXPECT_EQ(choose({"GLX_EXT_swap_control_tear", "GLX_MESA_swap_frame_usage"}), SwapControl::none);
    // Without any GL context there is nothing to ask and nothing happens.
    ofSetVerticalSync(true);
    ofSetVerticalSync(false);
}

TEST(QuickTime, StopWithoutStartAndPixelConversion) {
    ofQtClose();
    ofQtInitialize();
    ofQtClose();
    ofQtClose();

    // Alpha, red, green, blue in; red, green, blue out, rows without gaps.
    const unsigned char argb[] = {9, 1, 2, 3, 9, 4, 5, 6, 9, 7, 8, 9, 9, 10, 11, 12};
    unsigned char rgb[13];
    std::fill(std::begin(rgb), std::end(rgb), 0xEE);
    ofQtConvertArgbToRgb(argb, rgb, 2, 2);
    for (int i = 0; i < 12; i++) EXPECT_EQ(rgb[i], i + 1) << i;
    EXPECT_EQ(rgb[12], 0xEE) << "wrote past the last pixel";

    std::fill(std::begin(rgb), std::end(rgb), 0xEE);
    ofQtConvertArgbToRgb(argb, rgb, 0, 4);
    ofQtConvertArgbToRgb(argb, rgb, 4, -1);
    for (unsigned char c : rgb) EXPECT_EQ(c, 0xEE);

    double fps = 1;
    ofQtGetMovieFrameRate(nullptr, &fps);
    EXPECT_EQ(fps, 0.0);
    bool isMpeg = true;
    EXPECT_NE(ofQtIsMpegMedia(nullptr, &isMpeg), 0);
    EXPECT_FALSE(isMpeg);
}
