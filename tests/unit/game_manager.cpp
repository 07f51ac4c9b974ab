// The manager's screen logic without a window: the box rules, the hit test
// with its order, the name entry's keys and the transitions that need no
// drawing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GameManager.h"
#include "HighscoreFile.h"
#include "TestPaths.h"

namespace {

void expectBox(const ofRectangle& box, float x, float y, float w, float h) {
    EXPECT_FLOAT_EQ(box.x, x);
    EXPECT_FLOAT_EQ(box.y, y);
    EXPECT_FLOAT_EQ(box.width, w);
    EXPECT_FLOAT_EQ(box.height, h);
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string typed(std::initializer_list<int> keys, std::string name = "") {
    for (int key : keys) GameManager::editName(name, key);
    return name;
}

// A manager with a highscore file in a scratch folder and no window.
struct ManagerTest : ::testing::Test {
    ScratchDir dir{"game_manager"};
    std::string path = dir / "scores.txt";
    GameManager manager;

    void SetUp() override { manager.scores = new HighscoreFile(path); }

    void writeTable(int top) {
        std::ofstream out(path);
        for (int i = 0; i < 10; ++i) out << "P" << i << "\n" << top - 100 * i << "\n";
    }
};

}  // namespace

TEST(GameManagerBoxes, RulesTurnAMeasuredBoxIntoClickableBoxes) {
    const ofRectangle r(400, 274, 180, 34);
    expectBox(GameManager::centredBox(r, 70), 305, 182, 185, 39);
    expectBox(GameManager::centredBox(r, -25), 305, 277, 185, 39);
    expectBox(GameManager::topBox(r), 305, 279, 185, 39);
    expectBox(GameManager::measuredBox(r), 400, 274, 185, 39);
    // An empty string measures (0, 0, 0, 0) and still gets a 5-pixel box.
    expectBox(GameManager::topBox(ofRectangle(0, 0, 0, 0)), -5, 5, 5, 5);
}

TEST(GameManagerBoxes, HitTestIncludesEveryEdge) {
    const ofRectangle box(305, 182, 185, 39);
    EXPECT_TRUE(GameManager::hits(box, 305, 182));
    EXPECT_TRUE(GameManager::hits(box, 490, 221));
    EXPECT_TRUE(GameManager::hits(box, 400, 200));
    EXPECT_FALSE(GameManager::hits(box, 304, 200));
    EXPECT_FALSE(GameManager::hits(box, 491, 200));
    EXPECT_FALSE(GameManager::hits(box, 400, 181));
    EXPECT_FALSE(GameManager::hits(box, 400, 222));
    // A box never laid out catches only its own corner point.
    EXPECT_TRUE(GameManager::hits(ofRectangle(0, 0, 0, 0), 0, 0));
    EXPECT_FALSE(GameManager::hits(ofRectangle(0, 0, 0, 0), 1, 0));
}

TEST(GameManagerNameEntry, KeysEditTheName) {
    EXPECT_EQ(typed({'a', 'b', ' ', 'c', 'd'}), "abcd");
    EXPECT_EQ(typed({8, 127}), "");
    EXPECT_EQ(typed({'x', 'y', 127}), "x");
    // Thirteen letters keep twelve; an erase makes room again.
    const std::string twelve = typed({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M'});
    EXPECT_EQ(twelve, "ABCDEFGHIJKL");
    EXPECT_EQ(typed({8, 'Z'}, twelve), "ABCDEFGHIJKZ");
    // Bytes above 127 are characters of the full font.
    EXPECT_EQ(typed({0xE9}), std::string(1, char(0xE9)));

    std::string name = "ab";
    EXPECT_TRUE(GameManager::editName(name, 13));
    EXPECT_EQ(name, "ab");
    EXPECT_FALSE(GameManager::editName(name, 'c'));
}

TEST(GameManagerNameEntry, SpecialKeysAndControlBytesAddNothing) {
    // Arrows, F1, F8 and F10, which carry the special-key flag, would otherwise
    // add their low byte: a letter, a control byte or a line break.
    EXPECT_EQ(typed({'a', 0x164, 0x165, 0x166, 0x167, 0x101, 0x108, 0x10A, 'b'}), "ab");
    // Line feed (Ctrl+J), tab, escape and the other control bytes.
    EXPECT_EQ(typed({'a', 10, 9, 27, 1, 31, 0, 'b'}), "ab");
    // Nothing outside a byte's range gets in either.
    EXPECT_EQ(typed({-1, 256 + 'a', 1000}), "");
    // An erase key carrying the special flag is not an erase.
    EXPECT_EQ(typed({0x108}, "ab"), "ab");
}

TEST_F(ManagerTest, SavingStoresTheNameAtTheScoresRank) {
    writeTable(1000);
    manager.state = GameManager::STATE_ENTER_NAME;
    manager.finalScore = 850;
    for (int key : std::initializer_list<int>{'J', 'o', 10, 9, ' ', 0x164, 'e'}) manager.keyPressed(key);
    EXPECT_EQ(manager.playerName, "Joe");
    manager.keyPressed(13);

    EXPECT_EQ(manager.state, GameManager::STATE_AFTER_GAME);
    EXPECT_EQ(manager.playerName, "");
    const std::vector<std::string> lines = readLines(path);
    ASSERT_EQ(lines.size(), 20u);
    // Below 1000 and 900, above 800.
    EXPECT_EQ(lines[4], "Joe");
    EXPECT_EQ(lines[5], "850");
    EXPECT_EQ(lines[19], "200");
    EXPECT_NE(manager.highscoreText.find(" 3. 850 Joe\n"), std::string::npos);

    // Keys after the save no longer type.
    manager.keyPressed('x');
    EXPECT_EQ(manager.playerName, "");
}

TEST_F(ManagerTest, SaveBoxSavesAndBackKeepsTheName) {
    manager.state = GameManager::STATE_ENTER_NAME;
    manager.finalScore = 70;
    manager.saveRect = ofRectangle(350, 330, 100, 40);
    manager.backRect = ofRectangle(350, 470, 100, 40);
    manager.keyPressed('K');
    manager.keyPressed('i');

    manager.mouseReleased(450, 510, 2);  // bottom right corner of Back
    EXPECT_EQ(manager.state, GameManager::STATE_MAIN_MENU);
    EXPECT_EQ(manager.playerName, "Ki");
    EXPECT_TRUE(readLines(path).empty());

    manager.state = GameManager::STATE_ENTER_NAME;
    manager.keyPressed('m');
    manager.mouseReleased(350, 330, 0);
    EXPECT_EQ(manager.state, GameManager::STATE_AFTER_GAME);
    const std::vector<std::string> lines = readLines(path);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "Kim");
    EXPECT_EQ(lines[1], "70");
}

TEST_F(ManagerTest, MenuReleasesFollowTheBoxesInOrder) {
    struct Case {
        int x, y, to;
    };
    // Every main-menu box overlaps the one before it, so the first in the
    // order of tests wins; the EXIT box is left unreachable here.
    manager.startGameRect = ofRectangle(0, 0, 100, 100);
    manager.controlsRect = ofRectangle(50, 0, 100, 100);
    manager.highscoresRect = ofRectangle(100, 0, 100, 100);
    manager.instructionsRect = ofRectangle(150, 0, 100, 100);
    manager.creditsRect = ofRectangle(200, 0, 100, 100);
    manager.backRect = ofRectangle(500, 0, 50, 50);
    for (const Case& c : {Case{75, 50, GameManager::STATE_LOADING}, Case{125, 50, GameManager::STATE_CONTROLS},
                          Case{175, 50, GameManager::STATE_HIGHSCORES},
                          Case{225, 50, GameManager::STATE_INSTRUCTIONS},
                          Case{300, 100, GameManager::STATE_CREDITS}, Case{301, 50, GameManager::STATE_MAIN_MENU}}) {
        manager.state = GameManager::STATE_MAIN_MENU;
        manager.mouseReleased(c.x, c.y, 1);
        EXPECT_EQ(manager.state, c.to) << "release at " << c.x << ", " << c.y;
        if (c.to >= GameManager::STATE_CONTROLS && c.to <= GameManager::STATE_CREDITS) {
            manager.mouseReleased(525, 25, 0);
            EXPECT_EQ(manager.state, GameManager::STATE_MAIN_MENU);
        }
    }
    // The loading screen ignores releases, whatever box lies under them.
    manager.state = GameManager::STATE_LOADING;
    manager.mouseReleased(75, 50, 0);
    EXPECT_EQ(manager.state, GameManager::STATE_LOADING);

    manager.state = GameManager::STATE_AFTER_GAME;
    manager.backToMenuRect = ofRectangle(10, 10, 10, 10);
    manager.mouseReleased(21, 10, 0);
    EXPECT_EQ(manager.state, GameManager::STATE_AFTER_GAME);
    manager.mouseReleased(20, 20, 0);
    EXPECT_EQ(manager.state, GameManager::STATE_MAIN_MENU);
}

TEST_F(ManagerTest, KeysOutsidePlayAndNameEntryDoNothing) {
    for (int s : {GameManager::STATE_MAIN_MENU, GameManager::STATE_AFTER_GAME, GameManager::STATE_CONTROLS,
                  GameManager::STATE_CREDITS, GameManager::STATE_LOADING}) {
        manager.state = s;
        for (int key : std::initializer_list<int>{'q', 'Q', 13, 'a', 0x164}) {
            manager.keyPressed(key);
            manager.keyReleased(key);
        }
        EXPECT_EQ(manager.state, s);
    }
    EXPECT_EQ(manager.playerName, "");
    EXPECT_TRUE(readLines(path).empty());

    // Both cases of q leave a game for the menu without touching the table.
    for (int key : {'q', 'Q'}) {
        manager.state = GameManager::STATE_PLAYING;
        manager.keyPressed(key);
        EXPECT_EQ(manager.state, GameManager::STATE_MAIN_MENU);
    }
    EXPECT_TRUE(readLines(path).empty());
}
