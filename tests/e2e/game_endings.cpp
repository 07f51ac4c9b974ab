// The other ways a game ends: a score below the table, Back on the name
// entry, 'q', Escape and a close request during play.
#include <gtest/gtest.h>

#include "GameScreens.h"

using namespace screens;

namespace {

std::vector<std::pair<std::string, int>> strongTable() {
    std::vector<std::pair<std::string, int>> table;
    for (int i = 0; i < 10; ++i) table.push_back({"Ace " + std::to_string(i), 90000000 - 1000000 * i});
    return table;
}

// The red band of the name entry's Back label: the lowest in the centre.
Band backOfNameEntry(const Screenshot& s) { return centreText(s).back(); }

}  // namespace

TEST(GameEndings, LowScoreGoesStraightToTheTable) {
    GameProcess game("e2e-low-score");
    writeScores(game.dataFile("scores.txt"), strongTable());
    const std::string before = readFile(game.dataFile("scores.txt"));
    ASSERT_TRUE(game.start()) << game.failure();
    std::string why;
    ASSERT_TRUE(playOneGame(game, why)) << why;
    Screenshot s;
    ASSERT_TRUE(game.waitFor(isAfterGame, 5 * GameProcess::patience(), &s));
    EXPECT_EQ(readFile(game.dataFile("scores.txt")), before);

    // Back_to_Menu, then Escape from the menu.
    const Band backToMenu = centreText(s).front();
    game.click(backToMenu.centreX(), backToMenu.centreY());
    ASSERT_TRUE(game.waitFor(isMenu, 10 * GameProcess::patience()));
    game.key("Escape");
    EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0) << game.log();
}

TEST(GameEndings, BackOnTheNameEntryKeepsTheName) {
    if (GameProcess::patience() > 1) GTEST_SKIP() << "two whole games take too long with sanitizers";
    GameProcess game("e2e-name-kept");
    const std::string before = readFile(game.dataFile("scores.txt"));
    ASSERT_TRUE(game.start()) << game.failure();
    std::string why;
    ASSERT_TRUE(playOneGame(game, why)) << why;
    Screenshot s;
    ASSERT_TRUE(game.waitFor(isNameEntry, 5 * GameProcess::patience(), &s));
    game.moveMouse(700, 100);
    game.type("Zed");
    // Shift let go before p: P is typed, and p is up all the same.
    game.keyDown({"Shift_L", "p"});
    game.keyUp({"Shift_L", "p"});
    ASSERT_TRUE(game.waitFor([](const Screenshot& shot) { return nameInk(shot) > 0; }, 5, &s));
    const Band back = backOfNameEntry(s);
    game.click(back.centreX(), back.centreY());
    ASSERT_TRUE(game.waitFor(isMenu, 10));
    EXPECT_EQ(readFile(game.dataFile("scores.txt")), before) << "Back saved the score";

    // The next name entry starts from the kept name and takes another P.
    ASSERT_TRUE(playOneGame(game, why)) << why;
    ASSERT_TRUE(game.waitFor(isNameEntry, 5, &s));
    game.moveMouse(700, 100);
    game.type("P");
    game.key("Return");
    ASSERT_TRUE(game.waitFor(isAfterGame, 5));
    const std::vector<std::string> lines = readLines(game.dataFile("scores.txt"));
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "ZedPP");
    game.key("Escape");
    EXPECT_EQ(game.waitExit(10), 0) << game.log();
}

TEST(GameEndings, QuitEscapeAndCloseDuringPlay) {
    GameProcess game("e2e-quit");
    writeScores(game.dataFile("scores.txt"), strongTable());
    const std::string before = readFile(game.dataFile("scores.txt"));
    ASSERT_TRUE(game.start()) << game.failure();
    MenuPoints p;
    std::string why;
    ASSERT_TRUE(reachMenu(game, p, why)) << why;
    ASSERT_TRUE(startGame(game, p, why)) << why;
    game.key("q");
    ASSERT_TRUE(game.waitFor(isMenu, 10 * GameProcess::patience()));
    EXPECT_EQ(readFile(game.dataFile("scores.txt")), before);

    // A second game, ended by Escape: the whole program ends cleanly.
    ASSERT_TRUE(reachMenu(game, p, why)) << why;
    ASSERT_TRUE(startGame(game, p, why)) << why;
    game.key("Escape");
    EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0) << game.log();
    EXPECT_EQ(readFile(game.dataFile("scores.txt")), before);

    GameProcess closed("e2e-close-in-play");
    ASSERT_TRUE(closed.start()) << closed.failure();
    ASSERT_TRUE(reachMenu(closed, p, why)) << why;
    ASSERT_TRUE(startGame(closed, p, why)) << why;
    closed.requestClose();
    EXPECT_EQ(closed.waitExit(10 * GameProcess::patience()), 0) << closed.log();
}
