// The menu of the real game under X: its look, the four information screens
// and the ways out of it.
#include <gtest/gtest.h>

#include "GameScreens.h"

using namespace screens;

namespace {

bool isWhiteish(Rgb c) { return c.r >= 235 && c.g >= 235 && c.b >= 235; }

}  // namespace

TEST(Menu, InformationScreensOpenAndBackReturns) {
    GameProcess game("e2e-menu");
    // Arguments change nothing.
    ASSERT_TRUE(game.start({"--fullscreen", "-w", "1024"})) << game.failure();
    MenuPoints p;
    std::string why;
    ASSERT_TRUE(reachMenu(game, p, why)) << why;

    Screenshot menu = game.shot();
    EXPECT_EQ(menu.width, 800);
    EXPECT_EQ(menu.height, 600);
    // The background picture covers the white the window is cleared to.
    EXPECT_LT(menu.count(Area{10, 100, 150, 400}, isWhiteish), 140 * 300 / 2);
    // Labels are centred on the window's middle column, Credits lies in the
    // bottom right corner, EXIT lowest of the centred ones.
    EXPECT_LT(p.startY, p.controlsY);
    EXPECT_LT(p.controlsY, p.highscoresY);
    EXPECT_LT(p.highscoresY, p.instructionsY);
    EXPECT_LT(p.instructionsY, p.exitY);
    EXPECT_GT(p.creditsX, 600);
    EXPECT_GT(p.creditsY, 480);

    struct Screen {
        const char* name;
        int x, y, lines;
    };
    const Screen information[] = {{"Controls", p.controlsX, p.controlsY, 7},
                                  {"Highscores", p.highscoresX, p.highscoresY, 10},
                                  {"Instructions", p.instructionsX, p.instructionsY, 10},
                                  {"Credits", p.creditsX, p.creditsY, 5}};
    for (const Screen& screen : information) {
        SCOPED_TRACE(screen.name);
        game.click(screen.x, screen.y);
        Screenshot s;
        ASSERT_TRUE(game.waitFor([&](const Screenshot& shot) { return isInformation(shot, screen.lines); },
                                 10 * GameProcess::patience(), &s))
            << (s.savePng(game.dir() + "/screen.png") ? "screen.png" : "");
        // Back sits at the top, the same place on every screen.
        const Band back = centreText(s).front();
        EXPECT_NEAR(back.centreX(), 400, 20);
        game.click(back.centreX(), back.centreY());
        ASSERT_TRUE(game.waitFor(isMenu, 10 * GameProcess::patience()));
    }

    game.key("Escape");
    EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0) << game.log();
}

TEST(Menu, ExitLabelAndCloseRequestEndTheProgram) {
    {
        GameProcess game("e2e-menu-exit");
        ASSERT_TRUE(game.start()) << game.failure();
        MenuPoints p;
        std::string why;
        ASSERT_TRUE(reachMenu(game, p, why)) << why;
        game.click(p.exitX, p.exitY);
        EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0) << game.log();
    }
    {
        GameProcess game("e2e-menu-close");
        ASSERT_TRUE(game.start()) << game.failure();
        MenuPoints p;
        std::string why;
        ASSERT_TRUE(reachMenu(game, p, why)) << why;
        game.requestClose();
        EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0) << game.log();
    }
}
