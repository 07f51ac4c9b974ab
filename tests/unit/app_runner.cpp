// The runner's forwarding to the current window, its exit handler, its
// choice of swap-interval control, and the QuickTime stand-in's pixels.
#include "ofAppBaseWindow.h"
#include "ofAppRunner.h"
#include "ofBaseApp.h"
#include "ofEvents.h"
#include "ofQtUtils.h"
#include "ofSoundPlayer.h"
#include "ofSwapControl.h"

#include <Poco/Delegate.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(Runner, ForwardsToTheCurrentWindowInWholePixelsTruncatedTowardZero) {
    // Fractional and negative answers, so the int forwarders' truncation shows.
    static struct : ofAppBaseWindow {
        std::string seen;
        void setupOpenGL(int w, int h, int mode) override { seen += std::to_string(w + h + mode) + " "; }
        void setFrameRate(float rate) override { seen += std::to_string(rate) + " "; }
        void setWindowTitle(std::string title) override { seen += title; }
        ofPoint getWindowPosition() override { return ofPoint(-3.7f, 12.9f, 0); }
        ofPoint getWindowSize() override { return ofPoint(799.9f, 600.0f, 0); }
        ofPoint getScreenSize() override { return ofPoint(1280.5f, -0.5f, 0); }
    } window;
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

TEST(RunnerDeathTest, ExitHandlerClosesSoundThenRunsExitTheEventAndTheDestructorOnceWithTheStatusGiven) {
    struct FarewellApp : ofBaseApp {
        ~FarewellApp() override { fprintf(stderr, "[destructor]"); }
        void exit() override { fprintf(stderr, SDL_WasInit(SDL_INIT_AUDIO) ? "[exit, sound open]" : "[exit]"); }
    };
    static ofAppBaseWindow window;  // its loop returns at once
    static ofBaseApp replaced;      // not deleted: only the current one is
    ofSetupOpenGL(&window, 800, 600, 0);
    EXPECT_EXIT(
        {
            ofSoundSetVolume(1.0f);  // starts the sound system
            ofAppEvents.exit += Poco::delegate(+[](const void*, ofEventArgs&) { fprintf(stderr, "[event]"); });
            ofRunApp(&replaced);
            ofRunApp(new FarewellApp);
            exit(3);
        },
        ::testing::ExitedWithCode(3), "\\[exit\\]\\[event\\]\\[destructor\\]$");
}

TEST(VerticalSync, PrefersExtThenMesaThenSgiAndOtherwiseNothing) {
    auto choose = [](std::set<std::string> listed) {
        return chooseSwapControl([&](const char* name) { return listed.count(name) > 0; });
    };
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_MESA_swap_control", "GLX_EXT_swap_control"}), SwapControl::ext);
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_MESA_swap_control"}), SwapControl::mesa);
    EXPECT_EQ(choose({"GLX_SGI_swap_control", "GLX_EXT_swap_control_tear"}), SwapControl::sgi);
    EXPECT_EQ(choose({"GLX_EXT_swap_control_tear", "GLX_MESA_swap_frame_usage"}), SwapControl::none);
}

TEST(QuickTime, ArgbToRgbStaysInsideBothBuffers) {
    const unsigned char argb[] = {9, 1, 2, 3, 9, 4, 5, 6};
    std::vector<unsigned char> rgb(7, 0xEE);
    ofQtConvertArgbToRgb(argb, rgb.data(), 0, 4);
    ofQtConvertArgbToRgb(argb, rgb.data(), 4, -1);
    ofQtConvertArgbToRgb(argb, rgb.data(), 2, 1);
    EXPECT_EQ(rgb, (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 0xEE}));
}
