// The GLUT window's frame loop, resizing, full screen and ways out, each run
// in a child process (the loop never returns; the process ends through
// exit()) whose report lines the test reads.
#include "ChildProcess.h"
#include "RecordingApp.h"
#include "XWindowTools.h"
#include "ofAppGlutWindow.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofUtils.h"

#include <Poco/Delegate.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// GLUT draws only windows that are not fully covered, and tests run side by
// side: each child window gets a place of its own, away from the top left
// where other tests open theirs.
void runInChild(RecordingApp* app, int x, int y) {
    static ofAppGlutWindow window;
    xwindow::placeOnScreen(x, y, 160, 120);
    glutInitWindowPosition(x, y);
    ofSetupOpenGL(&window, 160, 120, 0);
    ofRunApp(app);
}

std::string num(double v) {
    char buf[64];
    snprintf(buf, sizeof(buf), "%.9g", v);
    return buf;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Leaves out the size GLUT reports once a new window shows.
std::vector<std::string> withoutResizes(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const std::string& l : lines) {
        if (!startsWith(l, "windowResized 160 120") && l != "event windowResized 160 120") kept.push_back(l);
    }
    return kept;
}

}  // namespace

TEST(FrameLoop, CallbacksAndEventsComeInOrderAndFramesAreCounted) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        app->onSetup = [] { childSay("before first frame " + num(ofGetFrameNum()) + " " + num(ofGetFrameRate())); };
        app->onDraw = [] {
            childSay("timing " + num(ofGetFrameRate()) + " " + num(ofGetLastFrameTime()));
            if (ofGetFrameNum() == 5) exit(3);  // the status the program ends with is this one
            ofSleepMillis(3);                   // frames the millisecond clock can measure
        };
        runInChild(app, 1100, 20);
    });
    std::vector<std::string> lines = withoutResizes(child.readUntil());
    ASSERT_EQ(child.waitExit(), 3);

    std::vector<std::string> expected = {"setup", "before first frame 0 60", "update 0", "event setup",
                                         "event update"};
    std::vector<double> rates, lastTimes;
    size_t i = expected.size();
    for (int frame = 0; frame <= 5; frame++) {
        // Idle steps until the display step: each its update, then its event.
        for (; i < lines.size() && startsWith(lines[i], "update"); i += 2) {
            expected.push_back("update " + std::to_string(frame));
            expected.push_back("event update");
        }
        expected.push_back("draw " + std::to_string(frame));
        expected.push_back(i + 1 < lines.size() ? lines[i + 1] : "timing");
        double rate = 0, last = 0;
        sscanf(expected.back().c_str(), "timing %lf %lf", &rate, &last);
        rates.push_back(rate);
        lastTimes.push_back(last);
        if (frame < 5) expected.push_back("event draw");  // exit() inside the last draw
        i = expected.size();
    }
    for (const char* end : {"exit", "event exit", "destructor"}) expected.push_back(end);
    EXPECT_EQ(lines, expected);

    // The first frame reports 60; each later one mixes in a tenth of the last
    // frame's own rate.
    ASSERT_EQ(rates.size(), 6u);
    EXPECT_EQ(rates[0], 60);
    for (size_t k = 1; k < rates.size(); k++) {
        ASSERT_GT(lastTimes[k], 0.002);
        double smoothed = 0.9 * rates[k - 1] + 0.1 / lastTimes[k];
        EXPECT_NEAR(rates[k], smoothed, 1e-3 * smoothed) << "frame " << k;
    }
}

TEST(FrameLoop, LimiterWaitsWholeMillisecondsAndNeverForANegativeTarget) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        RecordingApp::recordFrames = false;
        app->onSetup = [] {
            ofSetFrameRate(60);
            childSay("rate " + num(ofGetFrameRate()));
        };
        // Timed where the limiter has just waited: right after its update.
        ofAppEvents.update += Poco::delegate(+[](const void*, ofEventArgs&) {
            static int startMillis = 0, lastFrame = -1, clockBeforeRestart = 0;
            int frame = ofGetFrameNum();
            if (frame == lastFrame) return;  // idle steps may repeat before a frame
            lastFrame = frame;
            if (frame == 2 || frame == 22) startMillis = ofGetElapsedTimeMillis();
            if (frame == 12 || frame == 32) childSay("span " + num(ofGetElapsedTimeMillis() - startMillis));
            if (frame == 31) ofSleepMillis(600);  // the clock runs well ahead first
            if (frame == 12) {
                ofSetFrameRate(-1);
                childSay("rate " + num(ofGetFrameRate()));
            } else if (frame == 32) {
                float before = ofGetFrameRate();
                ofSetFrameRate(0);
                childSay(ofGetFrameRate() == before ? "rate kept" : "rate changed");
                // Restarting the clock well into the run must not stall the
                // limiter until the old time comes round again.
                ofSetFrameRate(60);
                clockBeforeRestart = ofGetElapsedTimeMillis();
                ofResetElapsedTimeCounter();
                startMillis = static_cast<int>(ofGetSystemTime());
            } else if (frame == 35) {
                childSay("after restart " + num(static_cast<int>(ofGetSystemTime()) - startMillis) + " " +
                         num(clockBeforeRestart));
                exit(0);
            }
        });
        runInChild(app, 1100, 170);
    });
    std::vector<std::string> lines = withoutResizes(child.readUntil("", 30000));
    ASSERT_EQ(child.waitExit(), 0);
    ASSERT_EQ(lines.size(), 11u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[1], "rate 60");
    // At 60 a second a frame lasts 16 whole milliseconds.
    int span60 = std::stoi(lines[3].substr(5));
    EXPECT_GE(span60, 10 * 16 - 2);
    EXPECT_LT(span60, 2000);
    EXPECT_EQ(lines[4], "rate -1");
    // -1 a second makes -1000 ms a frame: never a wait, never a second a frame.
    EXPECT_LT(std::stoi(lines[5].substr(5)), 2000);
    EXPECT_EQ(lines[6], "rate kept");
    // Three frames of 16 ms. A stall would wait until the clock came round
    // to where it stood before the restart (past the 600 ms sleep), and
    // then a frame more; however slowly the frames come, they take less.
    int afterRestart = 0, clockBeforeRestart = 0;
    ASSERT_EQ(sscanf(lines[7].c_str(), "after restart %d %d", &afterRestart, &clockBeforeRestart), 2) << lines[7];
    EXPECT_GT(clockBeforeRestart, 600);
    EXPECT_LT(afterRestart, clockBeforeRestart) << lines[7];
}

TEST(FrameLoop, ReshapeStoresTheSizeFirstAndHeightZeroKeepsAViewport) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        RecordingApp::recordFrames = false;
        app->onDraw = [] {
            GLint vp[4];
            glGetIntegerv(GL_VIEWPORT, vp);
            std::string viewport = "viewport " + num(vp[0]) + " " + num(vp[1]) + " " + num(vp[2]) + " " + num(vp[3]);
            if (ofGetFrameNum() == 2) ofSetWindowShape(400, 300);
            if (ofGetWidth() == 400 && ofGetHeight() == 300) {
                childSay(viewport);
                ofAppGlutWindow::resizeCallback(400, 0);  // what a minimised window reports
            } else if (ofGetHeight() == 0) {
                childSay(viewport);
                exit(0);
            }
        };
        runInChild(app, 20, 640);
    });
    std::vector<std::string> lines = withoutResizes(child.readUntil());
    EXPECT_EQ(child.waitExit(), 0);
    std::vector<std::string> expected = {
        "setup", "event setup", "windowResized 400 300 size 400 300", "event windowResized 400 300",
        "viewport 0 0 400 300", "windowResized 400 0 size 400 0", "event windowResized 400 0", "viewport 0 0 400 1",
        "exit", "event exit", "destructor"};
    EXPECT_EQ(lines, expected);
}

TEST(FrameLoop, WithoutAutomaticClearingFramesAccumulateOnTheFrontBuffer) {
    ChildProcess child([] {
        auto* app = new RecordingApp;
        RecordingApp::recordFrames = false;
        app->onSetup = [] { ofSetBackgroundAuto(false); };
        app->onDraw = [] {
            int frame = ofGetFrameNum();
            GLint drawBuffer = 0;
            glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
            if (frame == 8) {
                // Frame k left a square at x = 20 k.
                std::string seen = "front";
                glReadBuffer(GL_FRONT);
                for (int k = 0; k < 8; k++) {
                    unsigned char px[4] = {0, 0, 0, 0};
                    glReadPixels(20 * k + 5, ofGetHeight() - 1 - 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
                    seen += px[0] > 200 ? " X" : " .";
                }
                childSay(seen);
                ofSetBackgroundAuto(true);
            }
            if (frame == 8 || frame == 10) childSay(drawBuffer == GL_BACK ? "drawing to back" : "drawing to front");
            if (frame == 10) exit(0);
            ofSetColor(255, 0, 0);
            ofRect(20 * frame, 0, 10, 10);
        };
        runInChild(app, 920, 20);
    });
    std::vector<std::string> lines;
    for (const std::string& l : child.readUntil()) {
        if (startsWith(l, "front") || startsWith(l, "drawing")) lines.push_back(l);
    }
    EXPECT_EQ(child.waitExit(), 0);
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    // The first three frames cleared squares 0 and 1 away; from then on
    // nothing clears (a late first reshape may clear one or two more).
    EXPECT_EQ(lines[0].substr(0, 9), "front . .") << lines[0];
    EXPECT_EQ(lines[0].substr(15), " X X X") << lines[0];
    EXPECT_EQ(lines[1], "drawing to front");
    EXPECT_EQ(lines[2], "drawing to back");
}

TEST(FrameLoop, CloseRequestAndLostServerEndThroughTheExitHandlerWithTheirStatus) {
    struct Ending {
        const char* name;
        bool (*cause)(unsigned long window);
        int status;
    };
    const Ending endings[] = {
        {"close request", xwindow::sendCloseRequest, 0},
        // Xlib ends the program with status 1 when its connection breaks.
        {"killed client", [](unsigned long w) { return xwindow::xdotool({"windowkill", std::to_string(w)}); }, 1}};
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.name);
        ChildProcess child([] {
            auto* app = new RecordingApp;
            RecordingApp::recordFrames = false;
            app->onSetup = [] { childSay("window " + std::to_string(xwindow::currentGlWindow())); };
            app->onDraw = [] {
                if (ofGetFrameNum() == 1) childSay("drawing");
            };
            app->onExit = [] { childSay(xwindow::glContextCurrent() ? "context current" : "context gone"); };
            runInChild(app, 920, 170);
        });
        std::vector<std::string> start = child.readUntil("drawing");
        ASSERT_GE(start.size(), 3u);
        ASSERT_TRUE(startsWith(start[1], "window ")) << start[1];
        ASSERT_TRUE(ending.cause(std::stoul(start[1].substr(7))));
        EXPECT_EQ(child.readUntil(), (std::vector<std::string>{"exit", "context current", "event exit", "destructor"}));
        EXPECT_EQ(child.waitExit(), ending.status);
    }
}

TEST(FrameLoop, RunsWithoutAnApplicationAndStillAnnouncesTheExit) {
    ChildProcess child([] {
        static ofAppGlutWindow window;
        int x = 920, y = 320;
        xwindow::placeOnScreen(x, y, 160, 120);
        glutInitWindowPosition(x, y);
        ofSetupOpenGL(&window, 160, 120, 0);
        ofAppEvents.draw += Poco::delegate(+[](const void*, ofEventArgs&) {
            if (ofGetFrameNum() == 2) exit(0);
        });
        ofAppEvents.exit += Poco::delegate(+[](const void*, ofEventArgs&) { childSay("event exit"); });
        ofRunApp(nullptr);
    });
    EXPECT_EQ(child.readUntil(), std::vector<std::string>{"event exit"});
    EXPECT_EQ(child.waitExit(), 0);
}
