#include "GameScreens.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace screens {

namespace {

bool isWhite(Rgb c) { return c.r >= 235 && c.g >= 235 && c.b >= 235; }

int redIn(const Screenshot& s, Area a) { return s.count(a, isMenuRed); }

bool near(int value, int expected, int tolerance) { return std::abs(value - expected) <= tolerance; }

}  // namespace

std::vector<Band> centreText(const Screenshot& s) { return s.bands(Area{150, 0, 650, s.height}, isMenuRed, 5); }

bool menuPoints(const Screenshot& s, MenuPoints& p) {
    // Title on baseline 75, then Start_Game, Controls, Highscores,
    // Instructions and EXIT, each centred near x 400.
    // Start_Game's underscore may hang detached below its line: a band too
    // thin for a line of text belongs to the one above.
    std::vector<Band> lines;
    for (const Band& b : s.bands(Area{150, 0, 650, 460}, isMenuRed, 5)) {
        if (lines.empty() || b.bottom - b.top > 3) {
            lines.push_back(b);
            continue;
        }
        lines.back().bottom = b.bottom;
        lines.back().left = std::min(lines.back().left, b.left);
        lines.back().right = std::max(lines.back().right, b.right);
    }
    if (lines.size() != 6) return false;
    if (!near(lines[0].bottom, 76, 4) || !near(lines[0].centreX(), 400, 12)) return false;
    for (size_t i = 1; i < lines.size(); ++i)
        if (!near(lines[i].centreX(), 400, 20)) return false;
    const std::vector<Band> credits = s.bands(Area{560, 440, s.width, s.height}, isMenuRed, 5);
    if (credits.size() != 1) return false;
    p = MenuPoints{lines[1].centreX(),   lines[1].centreY(),   lines[2].centreX(), lines[2].centreY(),
                   lines[3].centreX(),   lines[3].centreY(),   lines[4].centreX(), lines[4].centreY(),
                   credits[0].centreX(), credits[0].centreY(), lines[5].centreX(), lines[5].centreY()};
    return true;
}

bool isMenu(const Screenshot& s) {
    MenuPoints p;
    return menuPoints(s, p);
}

bool isLoading(const Screenshot& s) {
    if (redIn(s, Area{0, 0, s.width, s.height}) > 0) return false;
    // "Loading..." in white, its lines centred on the window's middle.
    return s.count(Area{300, 270, 500, 310}, isWhite) > 30 && s.count(Area{0, 0, 800, 60}, isWhite) < 200;
}

bool isPlaying(const Screenshot& s) {
    // The white frame of the health bar: the camera follows the ship, so it
    // stays below the window's middle, a long straight white run that no
    // other screen has. It does not depend on the score line's font.
    for (int y = 420; y < 580; ++y) {
        int run = 0;
        for (int x = 150; x < 650; ++x) {
            run = isWhite(s.at(x, y)) ? run + 1 : 0;
            if (run >= 200) return true;
        }
    }
    return false;
}

bool isInformation(const Screenshot& s, int lines) {
    // Long lines run over the window's edges, so the whole width counts.
    const std::vector<Band> text = s.bands(Area{0, 0, s.width, s.height}, isMenuRed, 5);
    int left, right, top, bottom;
    if (text.size() < 2 || text[0].bottom > 62 || text[0].top < 20) return false;
    if (nameBoxEdges(s, left, right, top, bottom)) return false;
    // Lines of text follow each other at the font's line height of 40 and
    // may touch, so they are counted from the height of the block under Back.
    const int block = text.back().bottom - text[1].top;
    return int((block + 6) / 40.0 + 0.5) == lines;
}

bool nameBoxEdges(const Screenshot& s, int& left, int& right, int& top, int& bottom) {
    // The box's top and bottom edges are the only long straight red runs on
    // any screen: no text has one of 140 pixels.
    bool found = false;
    for (int y = 150; y < 450; ++y) {
        int run = 0;
        for (int x = 100; x < 700; ++x) {
            run = isMenuRed(s.at(x, y)) ? run + 1 : 0;
            if (run < 140) continue;
            if (!found) {
                top = y;
                left = x - run + 1;
            }
            found = true;
            bottom = y;
            int end = x;
            while (isMenuRed(s.at(end + 1, y))) ++end;
            right = end;
            break;
        }
    }
    return found && bottom > top;
}

int nameInk(const Screenshot& s) {
    int left, right, top, bottom;
    if (!nameBoxEdges(s, left, right, top, bottom)) return 0;
    return redIn(s, Area{left + 2, top + 2, right - 1, bottom - 1});
}

bool isNameEntry(const Screenshot& s) {
    int left, right, top, bottom;
    return redIn(s, Area{0, 20, 30, 140}) > 20 && nameBoxEdges(s, left, right, top, bottom);
}

bool isAfterGame(const Screenshot& s) {
    const std::vector<Band> text = centreText(s);
    if (text.size() < 3 || redIn(s, Area{0, 20, 30, 140}) > 0) return false;
    // Back_to_Menu at the top, EXIT drawn from its box 70 above the bottom.
    return text.front().top >= 30 && text.front().top <= 50 && text.back().bottom >= 515 && text.back().bottom <= 545;
}

bool reachMenu(GameProcess& game, MenuPoints& p, std::string& why) {
    Screenshot s;
    if (!game.waitFor([&](const Screenshot& shot) { return menuPoints(shot, p); }, 20 * GameProcess::patience(), &s)) {
        why = "the menu did not appear";
        s.savePng(game.dir() + "/no-menu.png");
        return false;
    }
    return true;
}

bool startGame(GameProcess& game, const MenuPoints& p, std::string& why, bool* sawLoading) {
    // The loading screen shows only while the scene is built.
    game.clickAsync(p.startX, p.startY);
    bool loading = false;
    Screenshot s;
    const bool playing = game.waitFor(
        [&](const Screenshot& shot) {
            loading = loading || isLoading(shot);
            return isPlaying(shot);
        },
        30 * GameProcess::patience(), &s);
    if (sawLoading) *sawLoading = loading;
    if (!playing) {
        why = "the game did not start";
        s.savePng(game.dir() + "/no-play.png");
    }
    return playing;
}

bool dieAtBorder(GameProcess& game, std::string& why) {
    // Up and to the left until both borders of the corner wear the ship down.
    game.moveMouse(400, 300);
    const std::vector<std::string> keys{"a", "w"};
    game.keyDown(keys);
    game.buttonDown();
    Screenshot s;
    const bool over = game.waitFor(
        [](const Screenshot& shot) { return isNameEntry(shot) || isAfterGame(shot); }, 90 * GameProcess::patience(),
        &s);
    if (over) {
        // The name entry's labels close its column: Save, then Back.
        const std::vector<Band> text = centreText(s);
        const Band& label = isNameEntry(s) ? text[text.size() - 2] : text.back();
        game.moveMouse(label.centreX(), label.centreY());
    }
    game.buttonUp();
    game.keyUp(keys);
    // Time for the game to take in the release.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!over) {
        why = "the ship did not die";
        s.savePng(game.dir() + "/no-death.png");
    }
    return over;
}

bool playOneGame(GameProcess& game, std::string& why) {
    MenuPoints p;
    return reachMenu(game, p, why) && startGame(game, p, why) && dieAtBorder(game, why);
}

void writeScores(const std::string& path, const std::vector<std::pair<std::string, int>>& entries) {
    std::ofstream out(path);
    for (const auto& e : entries) out << e.first << "\n" << e.second << "\n";
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace screens
