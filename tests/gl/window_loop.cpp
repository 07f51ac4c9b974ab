// The GLUT window's frame loop, resizing and ways out, each run in a child
// process (the loop never returns; the process ends through exit()) whose
// report lines the test reads.
#include "ChildProcess.h"
#include "RecordingApp.h"
#include "XWindowTools.h"
#include "ofAppGlutWindow.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofUtils.h"

#include <Poco/Delegate.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Opens the window and runs the application in the child.
void runInChild(RecordingApp* app, int w = 320, int h = 240) {
    static ofAppGlutWindow window;
    ofSetupOpenGL(&window, w, h, 0);
    ofRunApp(app);
}

std::string num(double v) {
    char buf[64];
    snprintf(buf, sizeof(buf), "%.9g", v);
    return buf;
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

TEST(FrameLoop, CallbacksAndEventsComeInOrderAndFramesAreCounted) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        app->onSetup = [] { childSay("before first frame " + num(ofGetFrameNum()) + " " + num(ofGetFrameRate())); };
        app->onDraw = [] {
            childSay("timing " + num(ofGetFrameRate()) + " " + num(ofGetLastFrameTime()));
            if (ofGetFrameNum() == 5) exit(0);
            ofSleepMillis(3);  // frames long enough for the millisecond clock
        };
        runInChild(app);
    });
    std::vector<std::string> lines = child.readAll();
    ASSERT_EQ(child.waitExit(), 0);

    std::vector<std::string> start = {"setup", "before first frame 0 60", "update 0", "event setup", "event update"};
    ASSERT_GE(lines.size(), start.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), start);

    // Then idle and display steps: every callback followed by its event, the
    // frame number counting the completed display steps.
    int draws = 0;
    std::vector<double> rates, lastTimes;
    size_t i = start.size();
    for (; i < lines.size() && lines[i] != "exit"; i++) {
        const std::string& l = lines[i];
        if (startsWith(l, "update ")) {
            EXPECT_EQ(l, "update " + std::to_string(draws));
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[++i], "event update");
        } else if (startsWith(l, "draw ")) {
            EXPECT_EQ(l, "draw " + std::to_string(draws));
            ASSERT_LT(i + 2, lines.size());
            std::istringstream timing(lines[++i].substr(7));
            double rate = 0, last = 0;
            timing >> rate >> last;
            rates.push_back(rate);
            lastTimes.push_back(last);
            if (draws == 5) break;  // exit() inside draw: no draw event
            EXPECT_EQ(lines[++i], "event draw");
            draws++;
        } else if (startsWith(l, "windowResized ")) {
            // GLUT reports the new window's size once it is shown.
            EXPECT_EQ(l, "windowResized 320 240 size 320 240");
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[++i], "event windowResized 320 240");
        } else {
            ADD_FAILURE() << "unexpected line " << l;
        }
    }
    EXPECT_EQ(draws, 5);
    std::vector<std::string> end(lines.begin() + static_cast<long>(std::min(i + 1, lines.size())), lines.end());
    EXPECT_EQ(end, (std::vector<std::string>{"exit", "event exit", "destructor"}));

    // The first frame reports 60; each later one smooths in the last frame's
    // own rate with a weight of a tenth.
    ASSERT_EQ(rates.size(), 6u);
    EXPECT_EQ(rates[0], 60);
    for (size_t k = 1; k < rates.size(); k++) {
        ASSERT_GT(lastTimes[k], 0.002);
        double expected = 0.9 * rates[k - 1] + 0.1 / lastTimes[k];
        EXPECT_NEAR(rates[k], expected, 1e-3 * expected) << "frame " << k;
    }
}

TEST(FrameLoop, LimiterWaitsWholeMillisecondsAndNeverForANegativeTarget) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        app->recordFrames = false;
        static int startMillis = 0;
        app->onSetup = [] {
            ofSetFrameRate(60);
            childSay("rate " + num(ofGetFrameRate()));
        };
        app->onDraw = [] {
            int frame = ofGetFrameNum();
            if (frame == 2 || frame == 22) startMillis = ofGetElapsedTimeMillis();
            if (frame == 12) {
                childSay("span " + num(ofGetElapsedTimeMillis() - startMillis));
                ofSetFrameRate(-1);
                childSay("rate " + num(ofGetFrameRate()));
            }
            if (frame == 32) {
                childSay("span " + num(ofGetElapsedTimeMillis() - startMillis));
                float before = ofGetFrameRate();
                ofSetFrameRate(0);
                childSay(ofGetFrameRate() == before ? "rate kept" : "rate changed");
                exit(0);
            }
        };
        runInChild(app);
    });
    std::vector<std::string> lines;
    for (const std::string& l : child.readAll(20000)) {
        if (!startsWith(l, "windowResized") && !startsWith(l, "event windowResized")) lines.push_back(l);
    }
    ASSERT_EQ(child.waitExit(), 0);
    ASSERT_EQ(lines.size(), 10u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "setup");
    EXPECT_EQ(lines[1], "rate 60");
    EXPECT_EQ(lines[2], "event setup");
    lines.erase(lines.begin() + 2);
    // 60 frames a second is 16 whole milliseconds a frame.
    int span60 = std::stoi(lines[2].substr(5));
    EXPECT_GE(span60, 10 * 16 - 2);
    EXPECT_LT(span60, 1000);
    EXPECT_EQ(lines[3], "rate -1");
    // -1 frames a second gives -1000 ms a frame: never a wait.
    int spanNegative = std::stoi(lines[4].substr(5));
    EXPECT_LT(spanNegative, 1000);
    EXPECT_EQ(lines[5], "rate kept");
    EXPECT_EQ(lines[6], "exit");
}

TEST(FrameLoop, ReshapeStoresTheSizeFirstAndHeightZeroKeepsAViewport) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        app->recordFrames = false;
        app->onDraw = [] {
            GLint vp[4];
            glGetIntegerv(GL_VIEWPORT, vp);
            std::string viewport = "viewport " + num(vp[0]) + " " + num(vp[1]) + " " + num(vp[2]) + " " + num(vp[3]);
            if (ofGetFrameNum() == 2) ofSetWindowShape(400, 300);
            if (ofGetWidth() == 400 && ofGetHeight() == 300) {
                childSay(viewport);
                // What GLUT reports for a minimised window.
                ofAppGlutWindow::resizeCallback(400, 0);
            } else if (ofGetHeight() == 0) {
                childSay(viewport);
                exit(0);
            }
        };
        runInChild(app);
    });
    std::vector<std::string> lines = child.readAll();
    ASSERT_EQ(child.waitExit(), 0);
    std::vector<std::string> relevant;
    bool started = false;
    for (const std::string& l : lines) {
        started = started || startsWith(l, "windowResized 400 300");
        if (started) relevant.push_back(l);
    }
    std::vector<std::string> expected = {"windowResized 400 300 size 400 300",
                                         "event windowResized 400 300",
                                         "viewport 0 0 400 300",
                                         "windowResized 400 0 size 400 0",
                                         "event windowResized 400 0",
                                         "viewport 0 0 400 1",
                                         "exit",
                                         "event exit",
                                         "destructor"};
    EXPECT_EQ(relevant, expected) << ::testing::PrintToString(lines);
}

TEST(FrameLoop, CloseRequestEndsThroughTheExitHandlerWithTheContextAlive) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        app->recordFrames = false;
        app->onSetup = [] { childSay("window " + std::to_string(xwindow::currentGlWindow())); };
        app->onDraw = [] {
            if (ofGetFrameNum() == 1) childSay("drawing");
        };
        app->onExit = [] { childSay(xwindow::glContextCurrent() ? "context current" : "context gone"); };
        runInChild(app);
    });
    std::string line;
    ASSERT_TRUE(child.readLine(line));
    ASSERT_EQ(line, "setup");
    ASSERT_TRUE(child.readLine(line));
    ASSERT_TRUE(startsWith(line, "window ")) << line;
    unsigned long window = std::stoul(line.substr(7));
    ASSERT_EQ(child.readUntil("drawing").back(), "drawing");
    ASSERT_TRUE(xwindow::sendCloseRequest(window));
    std::vector<std::string> rest = child.readAll();
    EXPECT_EQ(child.waitExit(), 0);
    std::vector<std::string> expected = {"exit", "context current", "event exit", "destructor"};
    EXPECT_EQ(rest, expected);
}

namespace {
void countFramesThenExit(const void*, ofEventArgs&) {
    if (ofGetFrameNum() == 2) exit(0);
}
void reportExitEvent(const void*, ofEventArgs&) { childSay("event exit"); }
}  // namespace

TEST(FrameLoop, RunsWithoutAnApplicationAndStillAnnouncesTheExit) {
    ChildProcess child([] {
        static ofAppGlutWindow window;
        ofSetupOpenGL(&window, 160, 120, 0);
        ofAppEvents.draw += Poco::delegate(countFramesThenExit);
        ofAppEvents.exit += Poco::delegate(reportExitEvent);
        ofRunApp(nullptr);
    });
    EXPECT_EQ(child.readAll(), std::vector<std::string>{"event exit"});
    EXPECT_EQ(child.waitExit(), 0);
}
