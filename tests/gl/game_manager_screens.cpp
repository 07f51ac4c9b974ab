// The manager in a real window with the game's own data, driven call by call
// without the frame loop: every state's boxes and what each screen draws
// where and in which colour, the name box's growth, the loading frame, and
// the game-over sequence with its pause and the cursor after it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Driftfield.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "GameManager.h"
#include "HighscoreFile.h"
#include "Ship.h"
#include "TestPaths.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofPlatform.h"
// Last: Xlib defines names such as None and Status as macros.
#include <X11/XKBlib.h>
#include <epoxy/glx.h>

namespace fs = std::filesystem;

namespace {

bool isRed(frameworkwindow::Rgb c) { return c.r >= 200 && c.g <= 40 && c.b <= 40; }

// One frame as the display step would draw it, read back before any swap.
void frame(GameManager& manager) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ofSetupScreen();
    manager.draw();
    glFinish();
}

std::vector<unsigned char> backBuffer() {
    std::vector<unsigned char> px(800 * 600 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return px;
}

bool redAt(const std::vector<unsigned char>& px, int x, int y) {
    const unsigned char* p = &px[(size_t(599 - y) * 800 + size_t(x)) * 3];
    return isRed({p[0], p[1], p[2]});
}

class ManagerScreens : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        static ScratchDir folder("gl-manager");
        fs::copy(testpaths::sourceDir() + "/data", folder / "data", fs::copy_options::recursive);
        ASSERT_EQ(chdir(folder.path().c_str()), 0);
    }

    void SetUp() override {
        fs::copy_file(testpaths::sourceDir() + "/data/scores.txt", "data/scores.txt",
                      fs::copy_options::overwrite_existing);
        manager.setup();
    }

    GameManager manager;
};

// The rules that turn a label's measured box r into its clickable box.
enum class Rule { Centred, Top, Measured, MenuExit, AfterGameExit };
ofRectangle byRule(Rule rule, const ofRectangle& r, float d = 0) {
    const float x = rule == Rule::Measured ? r.x : r.x - r.width / 2 - 5;
    const float y = rule == Rule::Centred    ? r.y - r.height / 2 - d - 5
                    : rule == Rule::Top      ? r.y + 5
                    : rule == Rule::MenuExit ? r.y - r.height / 2 + 125 + 5
                                             : r.y;
    return ofRectangle(x, y, r.width + 5, r.height + 5);
}

void expectBox(const ofRectangle& got, const ofRectangle& want, const std::string& what) {
    EXPECT_FLOAT_EQ(got.x, want.x) << what;
    EXPECT_FLOAT_EQ(got.y, want.y) << what;
    EXPECT_FLOAT_EQ(got.width, want.width) << what;
    EXPECT_FLOAT_EQ(got.height, want.height) << what;
}

float clamped(float v, float low, float high) { return std::min(std::max(v, low), high); }

// Each pause asked of the sleep, and whether the game was still there to
// stay on the screen meanwhile.
using Pauses = std::vector<std::pair<int, bool>>;
Pauses pauses;
const GameManager* pausing = nullptr;

}  // namespace

TEST_F(ManagerScreens, MenuLabelsAreDrawnFromTheirBoxes) {
    ASSERT_TRUE(manager.font.bLoadedOk);
    manager.update();
    frame(manager);
    const std::vector<unsigned char> px = backBuffer();
    struct Label {
        const char* text;
        ofRectangle box;
        bool descends;
    };
    const Label labels[] = {{"Start_Game", manager.startGameRect, true},
                            {"Controls", manager.controlsRect, false},
                            {"Highscores", manager.highscoresRect, true},
                            {"Instructions", manager.instructionsRect, false},
                            {"Credits", manager.creditsRect, false},
                            {"EXIT", manager.exitRect, false}};
    for (const Label& l : labels) {
        SCOPED_TRACE(l.text);
        const ofRectangle& b = l.box;
        const int baseline = int(b.y + b.height - 5);
        // The pen starts at the box's left edge, the baseline 5 above its
        // bottom edge: ink starts near the left edge and, without
        // descenders, ends at the baseline.
        int leftmost = 800, lowest = -1;
        for (int y = baseline - 15; y <= baseline + 12; ++y)
            for (int x = int(b.x) - 10; x <= int(b.x + b.width) + 10; ++x)
                if (redAt(px, x, y)) {
                    if (y <= baseline) leftmost = std::min(leftmost, x);
                    lowest = std::max(lowest, y);
                }
        EXPECT_GE(leftmost, int(b.x));
        EXPECT_LE(leftmost, int(b.x) + 6);
        if (!l.descends) EXPECT_NEAR(lowest, baseline, 3);
        else EXPECT_GT(lowest, baseline + 2);
    }
    // Credits sits its own width plus 50 left of the right edge.
    EXPECT_NEAR(manager.creditsRect.x + manager.creditsRect.width - 5, 750, 4);
    // The title's baseline is 75: red just above it, none just below.
    int above = 0, below = 0;
    for (int x = 200; x < 600; ++x) {
        above += redAt(px, x, 72) ? 1 : 0;
        below += redAt(px, x, 80) ? 1 : 0;
    }
    EXPECT_GT(above, 10);
    EXPECT_EQ(below, 0);
}

TEST_F(ManagerScreens, EveryTextFitsTheWindow) {
    {
        std::ofstream out("data/scores.txt");
        for (int i = 0; i < 10; ++i) out << "WWWWWWWWWWWW\n2147483647\n";  // the longest names the entry takes
    }
    manager.highscoreText = manager.scores->toText();
    ofTrueTypeFont& font = manager.font;
    ASSERT_TRUE(font.bLoadedOk);
    const float W = float(ofGetWidth()), H = float(ofGetHeight());
    std::vector<std::pair<std::string, ofRectangle>> boxes;
    for (int state : {GameManager::STATE_MAIN_MENU, GameManager::STATE_AFTER_GAME, GameManager::STATE_ENTER_NAME,
                      GameManager::STATE_CONTROLS}) {
        manager.state = state;
        manager.update();
        manager.update();
        for (const ofRectangle& r : {manager.startGameRect, manager.controlsRect, manager.highscoresRect,
                                     manager.instructionsRect, manager.creditsRect, manager.exitRect,
                                     manager.backToMenuRect, manager.saveRect, manager.nameRect, manager.backRect})
            boxes.push_back({"label box in state " + std::to_string(state), r});
    }
    // Drawn as the screens draw them: centred on the window's middle.
    auto centred = [&](const std::string& text, float y) {
        boxes.push_back({text, font.getStringBoundingBox(text, float(int(W) / 2) - font.stringWidth(text) * 0.5f, y)});
    };
    const float below = manager.backRect.y + manager.backRect.height + 50;
    for (const std::string* text : {&manager.controlsText, &manager.instructionsText, &manager.creditsText})
        centred(*text, below);
    for (const std::string* text : {&manager.highscoreText, &manager.loadingText})
        centred(*text, float(int(H) / 2) - font.stringHeight(*text) * 0.5f);
    centred("Driftfield 2", 75);
    const std::string prompt = "You made it to the top 10!\nPlease enter your name\nto store your highscore.";
    boxes.push_back({prompt, font.getStringBoundingBox(prompt, 10, 50)});
    for (const auto& [text, r] : boxes) {
        EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= W && r.y + r.height <= H)
            << text << ": " << r.x << ", " << r.y << ", " << r.width << " x " << r.height;
    }
}

TEST_F(ManagerScreens, NameBoxFollowsTheName) {
    manager.state = GameManager::STATE_ENTER_NAME;
    manager.update();
    // The first layout has no Save box yet to take its height from.
    EXPECT_FLOAT_EQ(manager.nameRect.height, 0);
    EXPECT_FLOAT_EQ(manager.nameRect.width, 155);
    manager.update();
    EXPECT_FLOAT_EQ(manager.nameRect.height, manager.saveRect.height);
    EXPECT_FLOAT_EQ(manager.nameRect.x, 400 - 155 / 2.0f);
    EXPECT_FLOAT_EQ(manager.nameRect.y, 300 - manager.nameRect.height / 2 - 5);
    // Save 50 below the name box, Back 100 below Save.
    EXPECT_GT(manager.saveRect.y, manager.nameRect.y + manager.nameRect.height);
    EXPECT_GT(manager.backRect.y, manager.saveRect.y + manager.saveRect.height + 50);

    frame(manager);
    std::vector<unsigned char> px = backBuffer();
    const int left = int(manager.nameRect.x), top = int(manager.nameRect.y);
    const int midY = top + int(manager.nameRect.height / 2);
    EXPECT_TRUE(redAt(px, left, midY) || redAt(px, left + 1, midY));
    EXPECT_TRUE(redAt(px, left + 154, midY) || redAt(px, left + 155, midY));
    EXPECT_FALSE(redAt(px, left + 77, midY)) << "an empty name draws nothing inside the box";

    for (int key : {'W', 'W', 'W', 'W', 'W', 'W', 'W', 'W', 'W', 'W', 'W', 'W', 'W'}) manager.keyPressed(key);
    EXPECT_EQ(manager.playerName, "WWWWWWWWWWWW");
    manager.update();
    EXPECT_FLOAT_EQ(manager.nameRect.width, 305);
    frame(manager);
    px = backBuffer();
    int ink = 0;
    for (int x = int(manager.nameRect.x) + 2; x < int(manager.nameRect.x + manager.nameRect.width) - 2; ++x)
        ink += redAt(px, x, midY) ? 1 : 0;
    EXPECT_GT(ink, 12);
}

TEST_F(ManagerScreens, LoadingShowsOneFrameThenPlayUntilTheShipDies) {
    // Every stored score is 7, what the first frame of a game is worth.
    {
        std::ofstream out("data/scores.txt");
        for (int i = 0; i < 10; ++i) out << "Old" << i << "\n7\n";
    }
    for (int game = 0; game < 2; ++game) {
        manager.state = GameManager::STATE_LOADING;
        manager.update();
        frame(manager);
        EXPECT_EQ(manager.state, GameManager::STATE_LOADING);
        EXPECT_EQ(manager.scene, nullptr);
        frame(manager);
        ASSERT_EQ(manager.state, GameManager::STATE_PLAYING);
        ASSERT_NE(manager.scene, nullptr);
        EXPECT_FALSE(manager.loadingShown);

        manager.mouseX = 400;
        manager.mouseY = 300;
        manager.scene->getShip()->getHealth() = -1;
        manager.update();
        EXPECT_EQ(manager.scene, nullptr);
        EXPECT_EQ(manager.finalScore, 7);
        // A tie with the tenth score does not enter the table.
        EXPECT_EQ(manager.state, GameManager::STATE_AFTER_GAME);
    }
}

TEST_F(ManagerScreens, InputBegunInPlayDoesNotActOnTheNameEntry) {
    manager.state = GameManager::STATE_LOADING;
    frame(manager);
    frame(manager);
    ASSERT_EQ(manager.state, GameManager::STATE_PLAYING);
    // Firing and steering when the ship breaks up.
    manager.mousePressed(400, 300, 0);
    manager.keyPressed('w');
    manager.keyPressed('a');
    manager.scene->getShip()->getHealth() = -1;
    manager.update();
    ASSERT_EQ(manager.state, GameManager::STATE_ENTER_NAME);
    manager.update();
    manager.update();  // the Save box settles once the name box has its height
    const int x = int(manager.saveRect.x) + 5, y = int(manager.saveRect.y) + 5;
    auto clickSave = [&] {
        manager.mousePressed(x, y, 0);
        manager.mouseReleased(x, y, 0);
    };
    // Queued during the pause: clicks, a tap and w's auto-repeat.
    clickSave();
    manager.keyPressed('e');
    manager.keyReleased('e');
    manager.keyReleased('w');
    manager.keyPressed('w');
    frame(manager);
    // Once the screen shows: the fire button let go over Save, w let go, a
    // auto-repeating, then let go too.
    manager.mouseReleased(x, y, 0);
    manager.keyReleased('w');
    manager.keyReleased('a');
    manager.keyPressed('a');
    manager.update();
    manager.keyReleased('a');
    manager.update();
    EXPECT_EQ(manager.state, GameManager::STATE_ENTER_NAME);
    EXPECT_EQ(manager.playerName, "");
    std::ifstream table("data/scores.txt"), shipped(testpaths::sourceDir() + "/data/scores.txt");
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(table), {}, std::istreambuf_iterator<char>(shipped), {}));

    // Keys and clicks of this screen count.
    manager.keyPressed('a');
    manager.keyPressed('w');
    clickSave();
    EXPECT_EQ(manager.state, GameManager::STATE_AFTER_GAME);
    std::ifstream in("data/scores.txt");
    std::string name;
    std::getline(in, name);
    EXPECT_EQ(name, "aw");
}

namespace {

// From the loading screen into play; during(), then the ship breaks up and
// the screen after the game is drawn once and laid out.
void playOneGame(GameManager& manager, const std::function<void()>& during) {
    manager.state = GameManager::STATE_LOADING;
    frame(manager);
    frame(manager);
    ASSERT_EQ(manager.state, GameManager::STATE_PLAYING);
    during();
    manager.scene->getShip()->getHealth() = -1;
    manager.update();
    frame(manager);
    manager.update();
    manager.update();  // the Save box settles once the name box has its height
}

// What the key that types c types at its other shift level, as this
// display's keymap has it: '!' for '1' on a US keyboard, '&' on a French one.
int otherLevel(int c) {
    Display* display = glXGetCurrentDisplay();
    const KeyCode key = XKeysymToKeycode(display, KeySym(c));
    const int level0 = int(XkbKeycodeToKeysym(display, key, 0, 0));
    const int level1 = int(XkbKeycodeToKeysym(display, key, 0, 1));
    return level1 != c ? level1 : level0;
}

void tap(GameManager& manager, int pressed, int released) {
    manager.keyPressed(pressed);
    manager.keyReleased(released);
}

}  // namespace

TEST_F(ManagerScreens, AnotherButtonDoesNotLetTheFireButtonAct) {
    // On the name entry the fire button lands on Save; off the table, on
    // Back_to_Menu, standing in for EXIT, which would end the test program.
    struct Case {
        bool entersTable;
        int screen, after;
        ofRectangle GameManager::*box;
    };
    for (const Case& c : {Case{true, GameManager::STATE_ENTER_NAME, GameManager::STATE_AFTER_GAME,
                               &GameManager::saveRect},
                          Case{false, GameManager::STATE_AFTER_GAME, GameManager::STATE_MAIN_MENU,
                               &GameManager::backToMenuRect}}) {
        if (!c.entersTable) {
            std::ofstream out("data/scores.txt");
            for (int i = 0; i < 10; ++i) out << "Old" << i << "\n1000\n";
        }
        playOneGame(manager, [&] { manager.mousePressed(400, 300, 0); });
        ASSERT_EQ(manager.state, c.screen);
        const int x = int((manager.*c.box).x) + 5, y = int((manager.*c.box).y) + 5;
        // A right click away from the box, then the fire button let go on it.
        manager.mousePressed(5, 5, 2);
        manager.mouseReleased(5, 5, 2);
        manager.mouseReleased(x, y, 0);
        EXPECT_EQ(manager.state, c.screen);
        // A press on the screen and a release of another button over the box.
        manager.mousePressed(5, 5, 2);
        manager.mouseReleased(x, y, 1);
        EXPECT_EQ(manager.state, c.screen);
        manager.mouseReleased(5, 5, 2);
        // A click of its own acts, whatever the button.
        manager.mousePressed(x, y, 2);
        manager.mouseReleased(x, y, 2);
        EXPECT_EQ(manager.state, c.after);
    }
}

TEST_F(ManagerScreens, KeysLetGoAfterShiftAreUpAndNoneStayHeldIntoTheNextGame) {
    // Shift let go or pressed between a key's press and its release: letters
    // of either case, and a digit whose shifted byte no folding pairs up.
    playOneGame(manager, [] {});
    ASSERT_EQ(manager.state, GameManager::STATE_ENTER_NAME);
    for (auto [pressed, released] : {std::pair{'P', 'p'}, {'q', 'Q'}, {'1', '!'}}) tap(manager, pressed, released);
    EXPECT_EQ(manager.playerName, "Pq1");
    manager.keyPressed(13);
    // Steering, and Shift between press and release again.
    playOneGame(manager, [&] {
        tap(manager, 'w', 'W');
        tap(manager, 'A', 'a');
    });
    ASSERT_EQ(manager.state, GameManager::STATE_ENTER_NAME);
    for (int key : {'P', 'q', '1', 'w', 'A'}) tap(manager, key, key);
    EXPECT_EQ(manager.playerName, "Pq1wA");
    manager.keyPressed(13);
    // Held through the end of a game and let go under Shift or Ctrl: the
    // name entry takes the key's next press. Which character Shift makes of
    // '1' is the display's keymap's to say.
    struct Case {
        int held, letGo;
        const char* typed;
    };
    for (const Case& c : {Case{'1', otherLevel('1'), "121"}, {'w', 23, "wxw"}}) {
        playOneGame(manager, [&] { manager.keyPressed(c.held); });
        ASSERT_EQ(manager.state, GameManager::STATE_ENTER_NAME);
        manager.keyReleased(c.letGo);
        manager.update();
        for (const char* k = c.typed; *k; ++k) tap(manager, *k, *k);
        EXPECT_EQ(manager.playerName, c.typed) << c.held << " let go as " << c.letGo;
        manager.keyPressed(13);
    }
}

TEST_F(ManagerScreens, EveryStatesBoxesFollowTheLayoutRules) {
    // The rules themselves, on the worked example of a label measured as
    // (400, 274, 180, 34).
    const ofRectangle example(400, 274, 180, 34);
    expectBox(byRule(Rule::Centred, example, 70), ofRectangle(305, 182, 185, 39), "as Start_Game");
    expectBox(byRule(Rule::Centred, example, -25), ofRectangle(305, 277, 185, 39), "as Highscores");
    expectBox(byRule(Rule::MenuExit, example), ofRectangle(305, 387, 185, 39), "as EXIT");
    expectBox(byRule(Rule::Top, example), ofRectangle(305, 279, 185, 39), "by the top rule");

    ASSERT_TRUE(manager.font.bLoadedOk);
    ofTrueTypeFont& font = manager.font;
    const int W = ofGetWidth(), H = ofGetHeight();
    const float cx = float(W / 2), cy = float(H / 2);
    auto at = [&](const std::string& text, float x, float y) { return font.getStringBoundingBox(text, x, y); };
    const float creditsX = float(W) - font.stringWidth("Credits") - 50;
    const float creditsY = float(H) - font.stringHeight("Credits") - 50;
    GameManager& m = manager;
    struct Row {
        int state;
        const char* label;
        ofRectangle* box;
        Rule rule;
        float x0, y0, d;
    };
    const Row rows[] = {
        {GameManager::STATE_MAIN_MENU, "Start_Game", &m.startGameRect, Rule::Centred, cx, cy, 70},
        {GameManager::STATE_MAIN_MENU, "Controls", &m.controlsRect, Rule::Centred, cx, cy, 25},
        {GameManager::STATE_MAIN_MENU, "Highscores", &m.highscoresRect, Rule::Centred, cx, cy, -25},
        {GameManager::STATE_MAIN_MENU, "Instructions", &m.instructionsRect, Rule::Centred, cx, cy, -80},
        {GameManager::STATE_MAIN_MENU, "Credits", &m.creditsRect, Rule::Measured, creditsX, creditsY, 0},
        {GameManager::STATE_MAIN_MENU, "EXIT", &m.exitRect, Rule::MenuExit, cx, cy, 0},
        {GameManager::STATE_AFTER_GAME, "Back_to_Menu", &m.backToMenuRect, Rule::Top, cx, 50, 0},
        {GameManager::STATE_AFTER_GAME, "EXIT", &m.exitRect, Rule::AfterGameExit, cx, float(H - 70), 0},
        {GameManager::STATE_CONTROLS, "Back", &m.backRect, Rule::Top, cx, 50, 0},
        {GameManager::STATE_HIGHSCORES, "Back", &m.backRect, Rule::Top, cx, 50, 0},
        {GameManager::STATE_INSTRUCTIONS, "Back", &m.backRect, Rule::Top, cx, 50, 0},
        {GameManager::STATE_CREDITS, "Back", &m.backRect, Rule::Top, cx, 50, 0},
    };
    for (const Row& row : rows) {
        m.state = row.state;
        *row.box = ofRectangle(-1, -1, -1, -1);
        m.update();
        expectBox(*row.box, byRule(row.rule, at(row.label, row.x0, row.y0), row.d),
                  std::string(row.label) + " in state " + std::to_string(row.state));
    }

    // The name entry, from its first layout with no Save box yet: the name
    // box centred on the window's middle less 5, Save 50 below it, Back 100
    // below Save.
    m.state = GameManager::STATE_ENTER_NAME;
    m.saveRect = ofRectangle(0, 0, 0, 0);
    for (const char* name : {"", "", "Kim", "WWWWWWWW", "WWWWWWWWWWWW", ""}) {
        m.playerName = name;
        const float lowest = m.saveRect.height;  // from the previous layout
        m.update();
        const ofRectangle r = at(name, cx, 200);
        const float w = clamped(r.width, 150, 300) + 5, h = clamped(r.height, lowest, 200);
        const ofRectangle nameBox(cx - w / 2, cy - h / 2 - 5, w, h);
        const ofRectangle save = byRule(Rule::Top, at("Save", cx, nameBox.y + nameBox.height + 50));
        expectBox(m.nameRect, nameBox, std::string("name box of '") + name + "'");
        expectBox(m.saveRect, save, std::string("Save under '") + name + "'");
        expectBox(m.backRect, byRule(Rule::Top, at("Back", cx, save.y + save.height + 100)), "Back under Save");
    }
}

TEST_F(ManagerScreens, EveryScreenDrawsItsImagesAndTextsWhereTheRulesPlaceThemInWhiteOrRed) {
    ASSERT_TRUE(manager.font.bLoadedOk);
    GameManager& m = manager;
    ofTrueTypeFont& font = m.font;
    const int W = ofGetWidth(), H = ofGetHeight();
    const float cx = float(W / 2), cy = float(H / 2);
    // Each item as the screens' rules place it, drawn with the manager's font
    // and images: a label from its box, a text centred on the window's middle.
    auto label = [&](const std::string& text, const ofRectangle& b) { font.drawString(text, b.x, b.y + b.height - 5); };
    auto centred = [&](const std::string& text, float y) {
        font.drawString(text, cx - font.stringWidth(text) * 0.5f, y);
    };
    auto table = [&] { centred(m.highscoreText, cy - font.stringHeight(m.highscoreText) * 0.5f); };
    auto underBack = [&](const std::string& text) { centred(text, m.backRect.y + m.backRect.height + 50); };
    auto logo = [&] { m.logo->draw(float(W / 2 - m.logo->width / 2), float(H - m.logo->height - 50)); };
    const std::string prompt = "You made it to the top 10!\nPlease enter your name\nto store your highscore.";
    m.playerName = "Kim";
    // What each screen draws in white over the background, then in red.
    struct Screen {
        int state;
        std::function<void()> white, red;
    };
    const auto none = [] {};
    const Screen screens[] = {
        {GameManager::STATE_MAIN_MENU, logo,
         [&] {
             centred("Driftfield 2", 75), label("Start_Game", m.startGameRect);
             label("Controls", m.controlsRect), label("Highscores", m.highscoresRect);
             label("Instructions", m.instructionsRect), label("Credits", m.creditsRect), label("EXIT", m.exitRect);
         }},
        {GameManager::STATE_AFTER_GAME, none,
         [&] { label("Back_to_Menu", m.backToMenuRect), table(), label("EXIT", m.exitRect); }},
        {GameManager::STATE_CONTROLS, none, [&] { underBack(m.controlsText), label("Back", m.backRect); }},
        {GameManager::STATE_HIGHSCORES, none, [&] { table(), label("Back", m.backRect); }},
        {GameManager::STATE_INSTRUCTIONS, none, [&] { underBack(m.instructionsText), label("Back", m.backRect); }},
        {GameManager::STATE_CREDITS, none, [&] { underBack(m.creditsText), label("Back", m.backRect); }},
        {GameManager::STATE_ENTER_NAME, none,
         [&] {
             label("Back", m.backRect), label("Save", m.saveRect), font.drawString(prompt, 10, 50);
             ofRect(m.nameRect.x, m.nameRect.y, m.nameRect.width, m.nameRect.height);
             font.drawString("Kim", m.nameRect.x, m.nameRect.y + m.nameRect.height - 5);
         }},
        {GameManager::STATE_LOADING,
         [&] { logo(), centred("Loading...", cy - font.stringHeight("Loading...") * 0.5f); }, none},
    };
    for (const Screen& screen : screens) {
        SCOPED_TRACE("state " + std::to_string(screen.state));
        m.state = screen.state;
        m.update();
        m.update();
        ofSetupScreen();
        const auto drawn = glfeedback::capture([&] { m.draw(); });
        auto expected = glfeedback::capture([&] {
            m.background->draw(0, 0, float(W), float(H));
            screen.white();
        });
        const size_t white = expected.size();
        for (const glfeedback::Primitive& p : glfeedback::capture(screen.red)) expected.push_back(p);
        ASSERT_GT(expected.size(), 10u);
        EXPECT_EQ(glfeedback::apart(drawn, expected, 0.01f), 0);
        // Every corner in white (255, 255, 255) or red (255, 0, 0).
        int miscoloured = 0;
        for (size_t i = 0; i < std::min(drawn.size(), expected.size()); ++i)
            for (const glfeedback::Vertex& v : drawn[i].v)
                miscoloured += std::fabs(v.r - 1) > 0.01f || std::fabs(v.g - (i < white)) > 0.01f ||
                               std::fabs(v.b - (i < white)) > 0.01f || std::fabs(v.a - 1) > 0.01f;
        EXPECT_EQ(miscoloured, 0) << "of " << drawn.size() << " pieces, the first " << white << " white";
        // In the 800 x 600 window the logo's top left corner is at (208, 454).
        if (screen.state == GameManager::STATE_MAIN_MENU || screen.state == GameManager::STATE_LOADING) {
            ASSERT_TRUE(W == 800 && H == 600);
            const auto corners = glfeedback::distinct(drawn);
            EXPECT_TRUE(std::any_of(corners.begin(), corners.end(),
                                    [](const glfeedback::Vertex& v) {
                                        return std::fabs(v.x - 208) < 0.01f && std::fabs(v.y - 454) < 0.01f;
                                    }));
        }
    }
    EXPECT_EQ(m.scene, nullptr);  // the loading screen's first frame builds nothing
}

TEST_F(ManagerScreens, GameOverPausesOnTheLastFrameAndTheScreensAfterShowTheCursor) {
    // Every stored score is 7, what the first frame of a game is worth.
    {
        std::ofstream out("data/scores.txt");
        for (int i = 0; i < 10; ++i) out << "Old" << i << "\n7\n";
    }
    pausing = &manager;
    ofPlatform::setSleeper(+[](int ms) { pauses.push_back({ms, pausing->scene != nullptr}); });
    struct Ending {
        const char* how;
        int frames;  // played before the ship breaks up, or 0 for leaving with q
        int state;
    };
    for (const Ending& e : {Ending{"a tie with the tenth score", 1, GameManager::STATE_AFTER_GAME},
                            Ending{"into the table", 2, GameManager::STATE_ENTER_NAME},
                            Ending{"q", 0, GameManager::STATE_MAIN_MENU}}) {
        SCOPED_TRACE(e.how);
        manager.state = GameManager::STATE_LOADING;
        manager.update();
        frame(manager);
        frame(manager);
        ASSERT_EQ(manager.state, GameManager::STATE_PLAYING);
        pauses.clear();
        if (e.frames == 0) {
            manager.update();
            manager.keyPressed('q');
        } else {
            for (int f = 1; f < e.frames; ++f) manager.update();
            manager.scene->getShip()->getHealth() = -1;
            manager.update();
            EXPECT_EQ(manager.finalScore, 7 * e.frames);
        }
        EXPECT_EQ(glutGet(GLUT_WINDOW_CURSOR), GLUT_CURSOR_NONE);  // hidden by the scene
        EXPECT_EQ(manager.state, e.state);
        EXPECT_EQ(manager.scene, nullptr);
        EXPECT_EQ(pauses, (e.frames ? Pauses{{1000, true}} : Pauses{}));
        manager.update();
        EXPECT_EQ(glutGet(GLUT_WINDOW_CURSOR), GLUT_CURSOR_LEFT_ARROW);
    }
    ofPlatform::setSleeper(nullptr);
}
