// The runner's forwarding to the current window, the choice of swap-interval
// control and the QuickTime stand-in's pixel conversion.
#include "ofAppBaseWindow.h"
#include "ofAppRunner.h"
#include "ofBaseApp.h"
#include "ofQtUtils.h"
#include "ofSwapControl.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {
// Fractional and negative answers, so the int forwarders' truncation shows.
class FractionalWindow : public ofAppBaseWindow {
public:
    std::string seen;
    void setupOpenGL(int w, int h, int mode) override { seen += std::to_string(w + h + mode) + " "; }
    void setFrameRate(float rate) override { seen += std::to_string(rate) + " "; }
    void setWindowTitle(std::string title) override { seen += title; }
    ofPoint getWindowPosition() override { return ofPoint(-3.7f, 12.9f, 0); }
    ofPoint getWindowSize() override { return ofPoint(799.9f, 600.0f, 0); }
    ofPoint getScreenSize() override { return ofPoint(1280.5f, -0.5f, 0); }
};
}  // namespace

TEST(Runner, ForwardsToTheCurrentWindowInWholePixelsTruncatedTowardZero) {
    // Before any window the forwarders do nothing and answer 0.
    EXPECT_EQ(ofGetWidth(), 0);
    EXPECT_EQ(ofGetFrameNum(), 0);
    ofSetWindowShape(10, 10);

    static FractionalWindow window;
    ofSetupOpenGL(&window, 800, 600, 2);
    ofSetFrameRate(-30);
    ofSetWindowTitle("Driftfield");
    EXPECT_EQ(window.seen, "1402 -30.000000 Driftfield");
    EXPECT_EQ(ofGetWindowPositionX(), -3);
    EXPECT_EQ(ofGetWindowPositionY(), 12);
    EXPECT_EQ(ofGetWidth(), 799);
    EXPECT_EQ(ofGetHeight(), 600);
    EXPECT_EQ(ofGetScreenWidth(), 1280);
    EXPECT_EQ(ofGetScreenHeight(), 0);
}

namespace {
// A window whose loop returns at once, so ofRunApp can be called again.
class ReturningWindow : public ofAppBaseWindow {};

class FarewellApp : public ofBaseApp {
public:
    ~FarewellApp() override { fprintf(stderr, "[destructor]"); }
    void exit() override { fprintf(stderr, "[exit]"); }
};
}  // namespace

TEST(RunnerDeathTest, ExitHandlerRunsOnceForTheLastApplication) {
    EXPECT_EXIT(
        {
            static ReturningWindow window;
            static ofBaseApp replaced;  // not deleted: only the current one is
            ofSetupOpenGL(&window, 800, 600, 0);
            ofRunApp(&replaced);
            ofRunApp(new FarewellApp);
            exit(0);
        },
        ::testing::ExitedWithCode(0), "^\\[exit\\]\\[destructor\\]$");
}

TEST(VerticalSync, PrefersExtThenMesaThenSgiAndOtherwiseNothing) {
    auto choose = [](std::set<std::string> listed) {
        return chooseSwapControl([&](const char* name) { return listed.count(name) > 0; });
    };
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_MESA_swap_control", "GLX_EXT_swap_control"}), SwapControl::ext);
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_MESA_swap_control"}), SwapControl::mesa);
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_EXT_swap_control_tear"}), SwapControl::sgi);
    EXPECT_EQ(choose({"GLX_EXT_swap_control_tear", "GLX_MESA_swap_frame_usage"}), SwapControl::none);
    // With no GL context at all there is nothing to ask.
    ofSetVerticalSync(true);
}

TEST(QuickTime, ArgbToRgbStaysInsideBothBuffers) {
    const unsigned char argb[] = {9, 1, 2, 3, 9, 4, 5, 6, 9, 7, 8, 9, 9, 10, 11, 12};
    unsigned char rgb[13];
    std::fill(std::begin(rgb), std::end(rgb), 0xEE);
    ofQtConvertArgbToRgb(argb, rgb, 2, 2);
    for (int i = 0; i < 12; i++) EXPECT_EQ(rgb[i], i + 1) << i;
    EXPECT_EQ(rgb[12], 0xEE);

    std::fill(std::begin(rgb), std::end(rgb), 0xEE);
    ofQtConvertArgbToRgb(argb, rgb, 0, 4);
    ofQtConvertArgbToRgb(argb, rgb, 4, -1);
    for (unsigned char c : rgb) EXPECT_EQ(c, 0xEE);
}
