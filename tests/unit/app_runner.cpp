// The runner's forwarding to the current window, its exit handler, its
// choice of swap-interval control, which key a key code came from, and the
// QuickTime stand-in's pixels.
#include "ofAppBaseWindow.h"
#include "ofAppRunner.h"
#include "ofBaseApp.h"
#include "ofEvents.h"
#include "ofKeyboard.h"
#include "ofQtUtils.h"
#include "ofSoundPlayer.h"
#include "ofSwapControl.h"

#include <Poco/Delegate.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

// First in the file, so that run as one program no window is set yet.
TEST(Runner, BeforeAnyWindowTheForwardersDoNothingAndAnswerZero) {
    EXPECT_EQ(ofGetWidth(), 0);
    EXPECT_EQ(ofGetFrameNum(), 0);
    ofSetWindowShape(10, 10);
}

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

TEST(Keyboard, AKeyLetGoUnderOtherModifiersPairsWithWhatItTypedOnAnyLayout) {
    // Two keysyms a key, as the X server lists a keymap: a row of keys from
    // a US keyboard, with the extra key of 105-key boards (less and greater
    // also on the comma and full stop keys) and Backspace beside an empty
    // level; then French ones, where '1' is the shifted '&' and '!' a key of
    // its own.
    const std::vector<unsigned long> us = {'1', '!', '2', '@', ',', '<', '.', '>', '<', '>', 'w', 'W', 0xff08, 0};
    const std::vector<unsigned long> fr = {'&', '1', 0xe9, '2', '!', 0xa7, 'z', 'Z', 'w', 'W'};
    struct Case {
        const std::vector<unsigned long>& map;
        int held, letGo;
        bool same;
    };
    const Case cases[] = {
        {us, '1', '!', true}, {us, '!', '1', true}, {us, '2', 0, true},  // Ctrl makes 0 of '2'
        {us, ',', '<', true}, {us, '<', ',', true}, {us, '<', '>', true}, {us, '.', '<', false},
        {us, '1', '2', false}, {us, '!', '@', false}, {us, 'w', 23, true},
        {us, 8, 0, false},  // Backspace types 8 whatever the modifiers; an empty level types nothing
        {fr, '1', '&', true}, {fr, '1', '!', false}, {fr, 0xe9, '2', true}, {fr, '!', 0xa7, true},
        {fr, 'w', 'Z', false}};
    for (const Case& c : cases)
        EXPECT_EQ(keymapTypesBoth(c.map, 2, c.held, c.letGo), c.same) << c.held << " let go as " << c.letGo;
    // Letters in either case and their control codes, with or without a
    // display; special keys only with themselves.
    for (int letter : {'a', 'q', 'w', 'z'})
        for (int code : {letter, letter - 'a' + 'A', letter - 'a' + 1}) EXPECT_TRUE(ofSameKey(letter, code)) << code;
    EXPECT_FALSE(ofSameKey('w', 'W' + 1));
    EXPECT_FALSE(ofSameKey(0x100 | 'w', 'w'));
    EXPECT_EQ(ofLetterKey(0x100 | 1), 0x100 | 1);
}

TEST(QuickTime, ArgbToRgbStaysInsideBothBuffers) {
    const unsigned char argb[] = {9, 1, 2, 3, 9, 4, 5, 6};
    std::vector<unsigned char> rgb(7, 0xEE);
    ofQtConvertArgbToRgb(argb, rgb.data(), 0, 4);
    ofQtConvertArgbToRgb(argb, rgb.data(), 4, -1);
    ofQtConvertArgbToRgb(argb, rgb.data(), 2, 1);
    EXPECT_EQ(rgb, (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 0xEE}));
}
