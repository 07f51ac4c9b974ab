#pragma once
// Recognises the game's screens in screenshots of its 800 x 600 window by
// the colours and places its drawing fixes, and plays the common steps of an
// end-to-end test (reach the menu, start a game, die at the border).
#include <string>
#include <vector>

#include "GameProcess.h"

namespace screens {

// The red text lines of the centre column (x 150 to 650), top to bottom.
std::vector<Band> centreText(const Screenshot& s);

// Main menu: the red title centred on its baseline 75, the five centred
// labels below it and Credits toward the bottom right corner.
bool isMenu(const Screenshot& s);
// Loading: no red anywhere, white text across the window's middle.
bool isLoading(const Screenshot& s);
// Play: the white frame of the health bar below the window's middle.
bool isPlaying(const Screenshot& s);
// Information screens: Back at the top, that many text lines below.
bool isInformation(const Screenshot& s, int lines);
// Name entry: the prompt at the left edge and the red name box.
bool isNameEntry(const Screenshot& s);
// After a game: Back_to_Menu at the top, the table and EXIT near the bottom.
bool isAfterGame(const Screenshot& s);

// The outline of the name box: its outer columns and rows.
bool nameBoxEdges(const Screenshot& s, int& left, int& right, int& top, int& bottom);
// Red pixels inside the name box (the typed name).
int nameInk(const Screenshot& s);

// The menu's labels found in a screenshot of it, centre points to click.
struct MenuPoints {
    int startX, startY, controlsX, controlsY, highscoresX, highscoresY;
    int instructionsX, instructionsY, creditsX, creditsY, exitX, exitY;
};
bool menuPoints(const Screenshot& s, MenuPoints& p);

// Waits for the menu and returns where its labels are.
bool reachMenu(GameProcess& game, MenuPoints& p, std::string& why);
// From the menu: Start_Game, the loading screen (when sawLoading is given,
// whether a screenshot caught it) and play.
bool startGame(GameProcess& game, const MenuPoints& p, std::string& why, bool* sawLoading = nullptr);
// Steers into a corner with held keys and the fire button held until the
// game is over. As soon as the next screen shows, the button is let go over
// the label a click there would act on (Save, or EXIT after the game), and
// the keys are let go: none of it may act on that screen.
bool dieAtBorder(GameProcess& game, std::string& why);
// The three steps above: from the menu to the screen after a game.
bool playOneGame(GameProcess& game, std::string& why);

// A table of ten entries, best first, in the file's format.
void writeScores(const std::string& path, const std::vector<std::pair<std::string, int>>& entries);
std::vector<std::string> readLines(const std::string& path);
std::string readFile(const std::string& path);

}  // namespace screens
