// One whole game of the real binary: the menu, the loading screen, play until
// the border wears the ship down, the name entry and the table on disk.
#include <gtest/gtest.h>

#include <fstream>

#include "GameScreens.h"

using namespace screens;

TEST(FullGame, BorderDeathNameEntryAndTable) {
    GameProcess game("e2e-full-game");
    ASSERT_TRUE(game.start()) << game.failure();
    MenuPoints p;
    std::string why;
    ASSERT_TRUE(reachMenu(game, p, why)) << why;
    GameProcess::keepShot(game.shot(), "menu");

    bool sawLoading = false;
    ASSERT_TRUE(startGame(game, p, why, &sawLoading)) << why;
    EXPECT_TRUE(sawLoading) << "no frame of the loading screen was seen";
    Screenshot play = game.shot();
    GameProcess::keepShot(play, "play");
    // The red score line hangs from baseline 40, centred on the window.
    const std::vector<Band> score = play.bands(Area{150, 0, 650, 90}, isMenuRed, 8);
    ASSERT_EQ(score.size(), 1u);
    EXPECT_NEAR(score[0].bottom, 41, 3);
    EXPECT_NEAR(score[0].centreX(), 400, 30);

    const std::vector<std::string> shipped = readLines(game.dataFile("scores.txt"));
    ASSERT_TRUE(dieAtBorder(game, why)) << why;
    // The shipped table holds only zeros, so any score enters it. The fire
    // button and the steering keys held into the name entry saved and typed
    // nothing.
    Screenshot s;
    ASSERT_TRUE(game.waitFor(isNameEntry, 5 * GameProcess::patience(), &s));
    EXPECT_EQ(readLines(game.dataFile("scores.txt")), shipped);
    int left, right, top, bottom;
    ASSERT_TRUE(nameBoxEdges(s, left, right, top, bottom));
    // An empty name gets a box 155 wide, centred on the window.
    EXPECT_NEAR(right - left, 155, 2);
    EXPECT_NEAR((left + right) / 2, 400, 2);
    EXPECT_EQ(nameInk(s), 0);

    // The blank and the arrow key add nothing; a steering key let go types
    // again. The window must see the pointer to get the keys.
    game.moveMouse(700, 100);
    for (const char* k : {"A", "l", "space", "Left", "e", "x", "a"}) game.key(k);
    ASSERT_TRUE(game.waitFor([](const Screenshot& shot) { return nameInk(shot) > 0; }, 5 * GameProcess::patience()));
    GameProcess::keepShot(game.shot(), "name-entry");
    game.key("Return");
    ASSERT_TRUE(game.waitFor(isAfterGame, 5 * GameProcess::patience(), &s));
    GameProcess::keepShot(s, "after-game");

    const std::vector<std::string> lines = readLines(game.dataFile("scores.txt"));
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "Alexa");
    // Every frame is worth 7 points, and a few hundred frames passed.
    EXPECT_GT(std::stoi(lines[1]), 700);
    for (size_t i = 2; i < lines.size(); i += 2) {
        EXPECT_EQ(lines[i], "");
        EXPECT_EQ(lines[i + 1], "0");
    }

    // EXIT on the after-game screen ends the program.
    const Band exitLabel = centreText(s).back();
    game.click(exitLabel.centreX(), exitLabel.centreY());
    EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0) << game.log();
    // A player's first run, with the table that comes with the game, has
    // nothing to complain about.
    EXPECT_EQ(game.log().find("OF_ERROR"), std::string::npos) << game.log();
}
