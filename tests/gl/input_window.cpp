// Real X input through xdotool reaching a GLUT window in a child process: the
// keys and mouse reports the application and the events see, in order, and
// Escape ending the program through the exit handler. Full screen is here
// too: it covers every window, so it runs alone like the input tests.
#include "ChildProcess.h"
#include "RecordingApp.h"
#include "XWindowTools.h"
#include "ofAppGlutWindow.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using xwindow::xdotool;

// The next n report lines, leaving out the size GLUT reports when the
// window first shows.
std::vector<std::string> nextLines(ChildProcess& child, size_t n) {
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < n && child.readLine(line)) {
        if (line.rfind("windowResized", 0) == 0 || line.rfind("event windowResized", 0) == 0) continue;
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(WindowInput, KeysAndMouseReachTheAppThenTheEventsAndEscapeExits) {
    ChildProcess child([] {
        int x = 940, y = 760;
        xwindow::placeOnScreen(x, y, 320, 240);
        glutInitWindowPosition(x, y);
        static ofAppGlutWindow window;
        ofSetupOpenGL(&window, 320, 240, 0);
        auto* app = new RecordingApp;
        RecordingApp::recordFrames = false;
        app->onSetup = [] {
            ofSetLogLevel(OF_VERBOSE);
            childSay("window " + std::to_string(xwindow::currentGlWindow()));
            childListen();  // the test clicks before the first frame meanwhile
        };
        app->onDraw = [] {
            if (ofGetFrameNum() == 1) childSay("drawing");
        };
        ofRunApp(app);
    });
    std::string line;
    ASSERT_TRUE(child.readLine(line));
    ASSERT_EQ(line, "setup");
    ASSERT_TRUE(child.readLine(line));
    ASSERT_EQ(line.rfind("window ", 0), 0u) << line;
    std::string window = line.substr(7);
    ASSERT_TRUE(xwindow::waitViewable(std::stoul(window)));

    // Before the first frame: a press of the right button is dropped whole,
    // so the button it leaves held drags as button 0 afterwards.
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "100", "100"}));
    ASSERT_TRUE(xdotool({"mousedown", "3"}));
    ASSERT_TRUE(xwindow::waitButtonHeld(3));
    child.writeLine("go");
    std::vector<std::string> early = child.readUntil("drawing");
    ASSERT_EQ(early.back(), "drawing");
    for (const std::string& l : early) EXPECT_EQ(l.find("mouse"), std::string::npos) << l;
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));

    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "120", "110"}));
    EXPECT_EQ(nextLines(child, 2),
              (std::vector<std::string>{"mouseDragged 120 110 0 at 120 110", "event mouseDragged 120 110 0"}));
    ASSERT_TRUE(xdotool({"mouseup", "3"}));
    EXPECT_EQ(nextLines(child, 3), (std::vector<std::string>{"mouseReleased 120 110 2 at 120 110", "mouseReleased",
                                                             "event mouseReleased 120 110 2"}));

    // Moving with no button held.
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "200", "150"}));
    EXPECT_EQ(nextLines(child, 2),
              (std::vector<std::string>{"mouseMoved 200 150 at 200 150", "event mouseMoved 200 150 0"}));

    // A right-button drag reports the held button.
    ASSERT_TRUE(xdotool({"mousedown", "3"}));
    EXPECT_EQ(nextLines(child, 2),
              (std::vector<std::string>{"mousePressed 200 150 2 at 200 150", "event mousePressed 200 150 2"}));
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "220", "160"}));
    EXPECT_EQ(nextLines(child, 2),
              (std::vector<std::string>{"mouseDragged 220 160 2 at 220 160", "event mouseDragged 220 160 2"}));
    ASSERT_TRUE(xdotool({"mouseup", "3"}));
    EXPECT_EQ(nextLines(child, 3), (std::vector<std::string>{"mouseReleased 220 160 2 at 220 160", "mouseReleased",
                                                             "event mouseReleased 220 160 2"}));

    ASSERT_TRUE(xdotool({"click", "1"}));
    EXPECT_EQ(nextLines(child, 5),
              (std::vector<std::string>{"mousePressed 220 160 0 at 220 160", "event mousePressed 220 160 0",
                                        "mouseReleased 220 160 0 at 220 160", "mouseReleased",
                                        "event mouseReleased 220 160 0"}));

    // A character key as its code; a special key with 0x100 or-ed in.
    ASSERT_TRUE(xdotool({"key", "a"}));
    EXPECT_EQ(nextLines(child, 4), (std::vector<std::string>{"keyPressed 97", "event keyPressed 97", "keyReleased 97",
                                                             "event keyReleased 97"}));
    ASSERT_TRUE(xdotool({"key", "Left"}));
    EXPECT_EQ(nextLines(child, 4), (std::vector<std::string>{"keyPressed 356", "event keyPressed 356",
                                                             "keyReleased 356", "event keyReleased 356"}));
    // Wheel notches and modifier keys reach neither: the next report is the
    // key after them.
    ASSERT_TRUE(xdotool({"click", "4", "click", "5", "click", "6", "click", "7", "key", "Shift_L", "Control_L",
                         "Alt_L", "a"}));
    EXPECT_EQ(nextLines(child, 4), (std::vector<std::string>{"keyPressed 97", "event keyPressed 97", "keyReleased 97",
                                                             "event keyReleased 97"}));

    // Escape: the application and the event see it, then the program ends
    // through the exit handler.
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    EXPECT_EQ(child.readUntil(),
              (std::vector<std::string>{"keyPressed 27", "event keyPressed 27",
                                        "OF_VERBOSE: GLUT OF app is being terminated!", "exit", "event exit",
                                        "destructor"}));
    EXPECT_EQ(child.waitExit(), 0);
}

TEST(WindowInput, FullScreenAndBackRestoresTheSizeAndPosition) {
    int x = 500, y = 640;
    xwindow::placeOnScreen(x, y, 160, 120);
    ChildProcess child([x, y] {
        glutInitWindowPosition(x, y);
        static ofAppGlutWindow window;
        ofSetupOpenGL(&window, 160, 120, 0);
        auto* app = new RecordingApp;
        RecordingApp::recordFrames = false;
        app->onDraw = [] {
            static int phase = 0;
            auto say = [](const std::string& what, int a, int b) {
                childSay(what + " " + std::to_string(a) + " " + std::to_string(b));
            };
            if (ofGetFrameNum() > 300) exit(3);
            if (phase == 0 && ofGetFrameNum() == 2) {
                ofToggleFullscreen();
                say("mode", ofGetWindowMode(), 0);
                phase = 1;
            } else if (phase == 1 && ofGetWidth() == ofGetScreenWidth()) {
                say("full less screen", ofGetWidth() - ofGetScreenWidth(), ofGetHeight() - ofGetScreenHeight());
                ofSetFullscreen(true);  // already: nothing pending
                ofSetFullscreen(false);
                say("mode", ofGetWindowMode(), 0);
                phase = 2;
            } else if (phase == 2 && ofGetWidth() == 160) {
                say("back at", ofGetWindowPositionX(), ofGetWindowPositionY());
                exit(0);
            }
        };
        ofRunApp(app);
    });
    std::vector<std::string> lines = nextLines(child, 9);
    EXPECT_EQ(child.waitExit(), 0);
    std::vector<std::string> expected = {"setup",
                                         "event setup",
                                         "mode 1 0",
                                         "full less screen 0 0",
                                         "mode 0 0",
                                         "back at " + std::to_string(x) + " " + std::to_string(y),
                                         "exit",
                                         "event exit",
                                         "destructor"};
    EXPECT_EQ(lines, expected);
}
