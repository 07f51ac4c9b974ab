// The GLUT window: frame loop, clearing, input callbacks, full screen and
// the ways out. Each run is a death test's child, since the loop never
// returns and the process ends through exit(); the child writes a line to
// standard error for each application callback and event, and the test
// compares the whole run and its exit status. Most runs step the window's
// callbacks by hand on a clock the test moves, so what they report does not
// depend on the machine or the display. Two send real input through the X
// server: one to see that GLUT hands each kind on, one to play the game with
// keys let go under another modifier than they went down with. Full screen
// covers every window, so these run alone like the input tests.
#include "Driftfield.h"
#include "GameManager.h"
#include "Ship.h"
#include "TestPaths.h"
#include "XWindowTools.h"
#include "ofAppGlutWindow.h"
#include "ofAppRunner.h"
#include "ofBaseApp.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofLog.h"
#include "ofMath.h"
#include "ofPlatform.h"
#include "ofUtils.h"

#include <Poco/Delegate.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <unistd.h>
// Last: Xlib defines names such as None and Status as macros.
#include <epoxy/glx.h>

namespace fs = std::filesystem;
using Glut = ofAppGlutWindow;
using ::testing::ExitedWithCode;

namespace {
bool recordFrames = true, recordInput = true;  // whether frame and input lines are written

void say(const std::string& line, bool on = true) { if (on) std::fprintf(stderr, "%s\n", line.c_str()); }

std::string nums(std::initializer_list<int> values) {
    std::string text;
    for (int v : values) text += " " + std::to_string(v);
    return text;
}

struct RecordingApp : ofBaseApp {
    std::function<void()> onDraw, onExit;  // after the line of their callback
    explicit RecordingApp(std::function<void()> draw = {}, std::function<void()> quit = {}) : onDraw(draw), onExit(quit) {}
    std::string at() const { return " at" + nums({mouseX, mouseY}); }
    ~RecordingApp() override { say("destructor"); }
    void setup() override { say("setup"); }
    void update() override { say("update", recordFrames); }
    void draw() override { say("draw", recordFrames); if (onDraw) onDraw(); }
    void exit() override { say("exit"); if (onExit) onExit(); }
    void windowResized(int w, int h) override { say("windowResized" + nums({w, h, ofGetWidth(), ofGetHeight()}), recordInput); }
    void keyPressed(int key) override { say("keyPressed" + nums({key}), recordInput); }
    void keyReleased(int key) override { say("keyReleased" + nums({key}), recordInput); }
    void mouseMoved(int x, int y) override { say("mouseMoved" + nums({x, y}) + at(), recordInput); }
    void mouseDragged(int x, int y, int b) override { say("mouseDragged" + nums({x, y, b}) + at(), recordInput); }
    void mousePressed(int x, int y, int b) override { say("mousePressed" + nums({x, y, b}) + at(), recordInput); }
    void mouseReleased() override { say("mouseReleased", recordInput); }
    void mouseReleased(int x, int y, int b) override { say("mouseReleased" + nums({x, y, b}) + at(), recordInput); }
};

#define ECHO(name, on, Args, ...) \
    ofAppEvents.name += Poco::delegate(+[](const void*, [[maybe_unused]] Args& a) { say("event " #name + nums({__VA_ARGS__}), on); })

void (*script)();

// Opens a 160 x 120 window at x, y (moved to fit a smaller screen) and runs
// the loop with app, which may be null, calling script from the setup event.
[[noreturn]] void run(int x, int y, ofBaseApp* app, void (*body)()) {
    alarm(60);  // a run that hangs fails instead of stalling the suite
    dup2(STDERR_FILENO, STDOUT_FILENO);  // log lines in order among the others
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    script = body;
    ofAppEvents.setup += Poco::delegate(+[](const void*, ofEventArgs&) { say("event setup"); script(); });
    ECHO(update, recordFrames, ofEventArgs);
    ECHO(draw, recordFrames, ofEventArgs);
    ECHO(exit, true, ofEventArgs);
    ECHO(windowResized, recordInput, ofResizeEventArgs, a.width, a.height);
    ECHO(keyPressed, recordInput, ofKeyEventArgs, a.key);
    ECHO(keyReleased, recordInput, ofKeyEventArgs, a.key);
    ECHO(mouseMoved, recordInput, ofMouseEventArgs, a.x, a.y, a.button);
    ECHO(mouseDragged, recordInput, ofMouseEventArgs, a.x, a.y, a.button);
    ECHO(mousePressed, recordInput, ofMouseEventArgs, a.x, a.y, a.button);
    ECHO(mouseReleased, recordInput, ofMouseEventArgs, a.x, a.y, a.button);
    static ofAppGlutWindow window;
    xwindow::placeOnScreen(x, y, 160, 120);
    glutInitWindowPosition(x, y);
    ofSetupOpenGL(&window, 160, 120, 0);
    ofRunApp(app);
    std::abort();
}

uint32_t fakeNow = 5000;

void report() {
    char line[80];
    snprintf(line, sizeof line, "frame %d rate %.2f last %.3f", ofGetFrameNum(), ofGetFrameRate(), ofGetLastFrameTime());
    say(line);
}

// Turns of GLUT's loop, each ms after the last: the idle and the display step.
void frames(std::initializer_list<int> spans) {
    for (int ms : spans) {
        fakeNow += ms;
        Glut::idleCallback();
        Glut::displayCallback();
        report();
    }
}
}

TEST(WindowDeathTest, LimiterWaitsWhatIsLeftOfTheFrameAndTheRateIsSmoothed) {
    // The limiter's waits are written down and pass at once on a fake clock.
    EXPECT_EXIT((ofPlatform::setMillisSource(+[] { return fakeNow; }),
                 ofPlatform::setSleeper(+[](int ms) { say("sleep" + nums({ms})); fakeNow += ms; }),
                 run(1100, 20, new RecordingApp([] { if (ofGetFrameNum() == 7) exit(3); }), [] {
                    const float seeded = ofRandomUnit();
                    ofSeedRandom(5000);
                    say(seeded == ofRandomUnit() ? "seeded from the clock" : "not seeded from the clock");
                    report();
                    ofSetFrameRate(60);  // 16 whole milliseconds a frame
                    frames({0});         // nothing drawn yet: no wait
                    recordFrames = false;
                    frames({5, 30, 16});
                    ofSetFrameRate(0);
                    frames({5});
                    ofSetFrameRate(-1);  // never waits, however short the frame
                    frames({5});
                    ofSetFrameRate(60);
                    ofResetElapsedTimeCounter();  // the frame waits its length, no more
                    frames({0});
                    recordFrames = true;
                    frames({0});
                })),
                ExitedWithCode(3),
                "setup\nupdate\nevent setup\nseeded from the clock\nframe 0 rate 60.00 last 0.000\nupdate\n"
                "event update\ndraw\nevent draw\nframe 1 rate 60.00 last 0.000\nsleep 11\nframe 2 rate 60.25 last 0.016\n"
                "frame 3 rate 57.56 last 0.030\nsleep 0\nframe 4 rate 58.05 last 0.016\nframe 5 rate 72.25 last 0.005\n"
                "frame 6 rate 19.10 last 0.005\nsleep 16\nframe 7 rate 60.00 last -0.056\nsleep 16\nupdate\n"
                "event update\ndraw\nexit\nevent exit\ndestructor\n$");
}

TEST(WindowDeathTest, InputReachesTheAppThenTheEventsOnlyAfterTheFirstFrameAndEscapeExits) {
    EXPECT_EXIT((recordFrames = false, run(920, 20, new RecordingApp, [] {
                     ofSetLogLevel(OF_VERBOSE);
                     // Before the first frame even a press is lost: the drag
                     // after it reports button 0.
                     Glut::mouseCallback(GLUT_RIGHT_BUTTON, GLUT_DOWN, 5, 6);
                     Glut::motionCallback(5, 6);
                     Glut::passiveMotionCallback(5, 6);
                     Glut::displayCallback();
                     Glut::motionCallback(7, 8);
                     Glut::mouseCallback(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 20);
                     for (int wheel = 3; wheel <= 6; wheel++) Glut::mouseCallback(wheel, GLUT_UP, 1, 2);  // no buttons
                     Glut::motionCallback(11, 21);
                     Glut::mouseCallback(GLUT_RIGHT_BUTTON, GLUT_UP, 12, 22);
                     Glut::passiveMotionCallback(30, 40);
                     Glut::keyboardCallback('a', 0, 0);
                     Glut::keyboardUpCallback('a', 0, 0);
                     // Function keys and arrows to insert; not Num Lock, Shift, Ctrl or Alt.
                     for (int key : {1, 12, 13, 99, 100, 108, 109, GLUT_KEY_SHIFT_L, GLUT_KEY_CTRL_L, GLUT_KEY_ALT_L})
                         Glut::specialKeyCallback(key, 0, 0);
                     Glut::specialKeyUpCallback(GLUT_KEY_LEFT, 0, 0);
                     Glut::specialKeyUpCallback(GLUT_KEY_SHIFT_R, 0, 0);
                     Glut::resizeCallback(400, 0);  // what a minimised window reports
                     Glut::displayCallback();
                     GLint vp[4];
                     glGetIntegerv(GL_VIEWPORT, vp);
                     say("viewport" + nums({vp[0], vp[1], vp[2], vp[3]}));
                     Glut::keyboardCallback(27, 0, 0);
                 })),
                ExitedWithCode(0),
                "setup\nevent setup\nmouseDragged 7 8 0 at 7 8\nevent mouseDragged 7 8 0\nmousePressed 10 20 2 at 10 20\n"
                "event mousePressed 10 20 2\nmouseDragged 11 21 2 at 11 21\nevent mouseDragged 11 21 2\n"
                "mouseReleased 12 22 2 at 12 22\nmouseReleased\nevent mouseReleased 12 22 2\nmouseMoved 30 40 at 30 40\n"
                "event mouseMoved 30 40 0\nkeyPressed 97\nevent keyPressed 97\nkeyReleased 97\nevent keyReleased 97\n"
                "keyPressed 257\nevent keyPressed 257\nkeyPressed 268\nevent keyPressed 268\nkeyPressed 356\n"
                "event keyPressed 356\nkeyPressed 364\nevent keyPressed 364\nkeyReleased 356\nevent keyReleased 356\n"
                "windowResized 400 0 400 0\nevent windowResized 400 0\nviewport 0 0 400 1\nkeyPressed 27\n"
                "event keyPressed 27\nOF_VERBOSE: GLUT OF app is being terminated!\nexit\nevent exit\ndestructor\n$");
}

TEST(WindowDeathTest, RealInputReachesTheAppButWheelNotchesModifierKeysAndAPressBeforeTheFirstFrameDoNot) {
    // One xdotool step a frame. The round trip after it has the server queue
    // all the step makes for the next turn of the loop, so each step's
    // reports come before the next step's; those of the first, which puts
    // the focus and the pointer in place, are not recorded.
    auto draw = [] {
        static size_t step = 0;
        const std::string w = std::to_string(glXGetCurrentDrawable());
        const std::vector<std::string> steps[] = {
            {"windowfocus", "--sync", w, "mousemove", "--window", w, "5", "5"},
            {"mousemove", "--window", w, "30", "40"}, {"mouseup", "3"}, {"mousemove", "--window", w, "35", "45"},
            {"mousedown", "3"}, {"mousemove", "--window", w, "50", "60"}, {"mouseup", "3"}, {"click", "1"},
            {"key", "a"},
            {"click", "4", "click", "5", "click", "6", "click", "7", "key", "Shift_L", "Control_L", "Alt_L", "F12",
             "Left"},
            {"key", "Escape"}};
        recordInput = step > 0;
        if (step == std::size(steps)) return;
        if (!xwindow::xdotool(steps[step++])) say("xdotool failed");
        XSync(glXGetCurrentDisplay(), False);
    };
    // Before the first frame the right button goes down in the window: the
    // press is dropped whole, so the button drags as button 0 afterwards.
    auto pressEarly = [] {
        ofSetLogLevel(OF_VERBOSE);
        XSync(glXGetCurrentDisplay(), False);  // the window is mapped
        const std::string w = std::to_string(glXGetCurrentDrawable());
        if (!xwindow::xdotool({"mousemove", "--window", w, "20", "20", "mousedown", "3"})) say("xdotool failed");
        XSync(glXGetCurrentDisplay(), False);
    };
    EXPECT_EXIT((recordFrames = recordInput = false, run(920, 320, new RecordingApp(draw), pressEarly)),
                ExitedWithCode(0),
                "setup\nevent setup\nmouseDragged 30 40 0 at 30 40\nevent mouseDragged 30 40 0\n"
                "mouseReleased 30 40 2 at 30 40\nmouseReleased\nevent mouseReleased 30 40 2\n"
                "mouseMoved 35 45 at 35 45\nevent mouseMoved 35 45 0\n"
                "mousePressed 35 45 2 at 35 45\nevent mousePressed 35 45 2\nmouseDragged 50 60 2 at 50 60\n"
                "event mouseDragged 50 60 2\nmouseReleased 50 60 2 at 50 60\nmouseReleased\nevent mouseReleased 50 60 2\n"
                "mousePressed 50 60 0 at 50 60\nevent mousePressed 50 60 0\nmouseReleased 50 60 0 at 50 60\n"
                "mouseReleased\nevent mouseReleased 50 60 0\nkeyPressed 97\nevent keyPressed 97\nkeyReleased 97\n"
                "event keyReleased 97\nkeyPressed 268\nevent keyPressed 268\nkeyReleased 268\nevent keyReleased 268\n"
                "keyPressed 356\nevent keyPressed 356\nkeyReleased 356\nevent keyReleased 356\nkeyPressed 27\n"
                "event keyPressed 27\nOF_VERBOSE: GLUT OF app is being terminated!\nexit\nevent exit\ndestructor\n$");
    xwindow::xdotool({"mouseup", "3"});  // should the run have ended with the button held
}

TEST(WindowDeathTest, AKeyLetGoUnderShiftOrCtrlStopsTheShipAndTypesAgainOnTheNameEntry) {
    // The game's own manager and scene, on a copy of the game's data. Once
    // the game runs, one step a frame: an xdotool command, or "still", which
    // notes where the ship is and ten frames later says whether it moved;
    // "end", which breaks the ship up; "name", which says the name typed.
    struct Player : GameManager {
        size_t step = 0;
        int waited = 0;
        ofPoint at;
        void draw() override {
            GameManager::draw();
            const std::string w = std::to_string(glXGetCurrentDrawable());
            const std::vector<std::string> steps[] = {
                {"windowfocus", "--sync", w, "mousemove", "--window", w, "80", "60"},
                {"keydown", "w"}, {"keydown", "Shift_L"}, {"keyup", "w"}, {"keyup", "Shift_L"}, {"still", "w, Shift"},
                {"keydown", "a"}, {"keydown", "Control_L"}, {"keyup", "a"}, {"keyup", "Control_L"}, {"still", "a, Ctrl"},
                // Held through the end of the game, let go on the name entry.
                {"keydown", "1"}, {"keydown", "w"}, {"end"},
                {"keydown", "Shift_L"}, {"keyup", "1"}, {"keyup", "Shift_L"}, {"type", "121"},
                {"keydown", "Control_L"}, {"keyup", "w"}, {"keyup", "Control_L"}, {"type", "wxw"}, {"name"}};
            if ((state != STATE_PLAYING && state != STATE_ENTER_NAME) || step == std::size(steps)) return;
            const std::vector<std::string>& now = steps[step];
            if (now[0] == "still") {
                const ofPoint p = scene->getShip()->getPosition();
                if (waited++ == 0) at = p;
                if (waited <= 10) return;
                say(now[1] + (p.y == at.y && p.z == at.z ? ": stopped" : ": still steering"));
                waited = 0;
            } else if (now[0] == "end") {
                scene->getShip()->getHealth() = -1;
            } else if (now[0] == "name") {
                say("name " + playerName);
                std::exit(0);
            } else if (!xwindow::xdotool(now)) {
                say("xdotool failed");
            }
            XSync(glXGetCurrentDisplay(), False);
            step++;
        }
    };
    ScratchDir folder("input-game");
    fs::copy(testpaths::sourceDir() + "/data", folder / "data", fs::copy_options::recursive);
    EXPECT_EXIT(
        {
            recordFrames = recordInput = false;
            if (chdir(folder.path().c_str()) != 0) std::abort();
            run(620, 320, new Player,
                [] { static_cast<GameManager*>(ofGetAppPtr())->state = GameManager::STATE_LOADING; });
        },
        ExitedWithCode(0), "\nw, Shift: stopped\na, Ctrl: stopped\nname 121wxw\nevent exit\n$");
    // Should the run have ended with keys held.
    xwindow::xdotool({"keyup", "w", "a", "1", "Shift_L", "Control_L"});
}

TEST(WindowDeathTest, WithoutAutomaticClearingOnlyTheFirstThreeFramesAreClearedAndNoAppIsNeeded) {
    EXPECT_EXIT((recordFrames = false, run(920, 170, nullptr, [] {
                     for (int k = 0; k < 5; k++) {
                         ofSetBackgroundAuto(k == 4);
                         Glut::displayCallback();
                         // Cleared since the marker the last turn left? And drawn where?
                         float depth = 0;
                         GLint buffer;
                         glReadPixels(0, 0, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
                         glGetIntegerv(GL_DRAW_BUFFER, &buffer);
                         say(std::string(depth == 1 ? "cleared" : "kept") + (buffer == GL_FRONT ? " front" : " back"));
                         glClearDepth(0.5);
                         glClear(GL_DEPTH_BUFFER_BIT);
                         glClearDepth(1);
                     }
                     exit(0);
                 })),
                ExitedWithCode(0),
                "event setup\ncleared front\ncleared front\ncleared front\nkept front\ncleared back\nevent exit\n$");
}

TEST(WindowDeathTest, CloseRequestAndLostServerEndThroughTheExitHandlerWithTheirStatus) {
    static bool (*cause)(unsigned long window);
    const std::pair<bool (*)(unsigned long), int> endings[] = {
        {xwindow::sendCloseRequest, 0},
        // Xlib ends the program with status 1 when its connection breaks.
        {[](unsigned long w) { return xwindow::xdotool({"windowkill", std::to_string(w)}); }, 1}};
    for (const auto& ending : endings) {
        cause = ending.first;
        auto draw = [] { static const bool sent = cause(glXGetCurrentDrawable()); (void)sent; };
        auto onExit = [] { say(glXGetCurrentContext() ? "context current" : "context gone"); };
        // From here GLUT runs the loop its own way: only the ending counts.
        EXPECT_EXIT(run(1100, 170, new RecordingApp(draw, onExit), [] {}), ExitedWithCode(ending.second),
                    "setup\nupdate\nevent setup\n.*exit\ncontext current\nevent exit\ndestructor\n$");
    }
}

TEST(WindowDeathTest, LeavingFullScreenRestoresTheLastShapeAndThePlaceBefore) {
    auto draw = [] {  // a step on each time GLUT has reported the size asked for
        static int step = 0, x, y;
        const int w = ofGetWidth(), h = ofGetHeight();
        const bool full = w == ofGetScreenWidth() && h == ofGetScreenHeight();
        if (step == 0)
            ofSetWindowShape(200, 150);
        else if (step == 1 && w == 200 && h == 150)
            x = ofGetWindowPositionX(), y = ofGetWindowPositionY(), ofToggleFullscreen();
        else if (step == 2 && full)
            ofSetFullscreen(true), ofSetFullscreen(false);  // the first finds it full already
        else if (step == 3 && !full)
            say("back to" + nums({w, h, ofGetWindowPositionX() - x, ofGetWindowPositionY() - y})), exit(0);
        else
            return;
        say("mode" + nums({ofGetWindowMode(), step++}));
    };
    EXPECT_EXIT((recordFrames = recordInput = false, run(500, 640, new RecordingApp(draw), [] {})), ExitedWithCode(0),
                "setup\nevent setup\nmode 0 0\nmode 1 1\nmode 0 2\nback to 200 150 0 0\nexit\nevent exit\ndestructor\n$");
}
