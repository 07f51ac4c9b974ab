#pragma once
// Runs the real game binary in a scratch folder that holds its own copy of
// data/, finds the game's window on the harness's X server, drives it with
// real X input through xdotool and reads its pixels back.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "TestPaths.h"

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// Rows y0 <= y < y1 and columns x0 <= x < x1 of a window.
struct Area {
    int x0, y0, x1, y1;
};

// A run of rows holding matching pixels, with their horizontal extent
// (all bounds inclusive).
struct Band {
    int top, bottom, left, right;
    int centreX() const { return (left + right) / 2; }
    int centreY() const { return (top + bottom) / 2; }
};

class Screenshot {
public:
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // rows top down, three bytes a pixel

    Rgb at(int x, int y) const;
    int count(Area area, const std::function<bool(Rgb)>& match) const;
    // Rows of the region with matching pixels, merged where fewer than
    // maxGap rows without any lie between them.
    std::vector<Band> bands(Area area, const std::function<bool(Rgb)>& match, int maxGap = 4) const;
    // Writes a PNG for a person to look at (through ImageMagick).
    bool savePng(const std::string& path) const;
};

// The pure red the menus draw with, allowing for the blending at glyph edges.
bool isMenuRed(Rgb c);

class GameProcess {
public:
    // Makes the scratch folder and copies the repository's data/ into it;
    // the folder goes with the object.
    explicit GameProcess(const std::string& tag);
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    const std::string& dir() const { return workDir; }
    std::string dataFile(const std::string& name) const { return workDir + "/data/" + name; }

    // Starts build/game/driftfield in the folder and waits until its window
    // is mapped; false (with the reason in failure()) when it is not.
    bool start(const std::vector<std::string>& args = {});
    const std::string& failure() const { return why; }
    bool running();

    Screenshot shot();
    // Takes screenshots until one satisfies the predicate; the last one taken
    // is left in *last, and saved in the folder when none did.
    bool waitFor(const std::function<bool(const Screenshot&)>& done, double seconds, Screenshot* last = nullptr);

    // Input through xdotool, in window coordinates.
    void moveMouse(int x, int y);
    void click(int x, int y, int button = 1);
    // Clicks the first button without waiting for the click to be sent, so
    // that screenshots can follow at once.
    void clickAsync(int x, int y);
    void key(const std::string& keysym);
    void type(const std::string& text);
    // Held keys auto-repeat as the X server repeats them.
    void keyDown(const std::vector<std::string>& keysyms);
    void keyUp(const std::vector<std::string>& keysyms);
    // The first mouse button, held and let go wherever the pointer is.
    void buttonDown();
    void buttonUp();
    // What a window manager sends when the close box is pressed.
    void requestClose();

    // The exit status once the process ends within the time; -1 when it is
    // still running, 128 + signal when a signal ended it.
    int waitExit(double seconds);
    // Everything the game wrote to standard output and standard error.
    std::string log() const;

    // Saves the screenshot as <name>.png in the folder that the environment
    // variable DRIFTFIELD_E2E_SHOTS names, when it is set.
    static void keepShot(const Screenshot& s, const std::string& name);

    // Seconds a test may wait for slow steps: longer in sanitizer builds.
    static double patience();

private:
    bool findWindow(double seconds);
    void raise();
    void xdotool(const std::vector<std::string>& args);
    void reapClicker();

    ScratchDir scratch;
    std::string workDir;
    std::string why;
    pid_t pid = -1;
    int status = -1;
    void* display = nullptr;  // Display*, kept out of this header
    unsigned long window = 0;
    int timeouts = 0;
    pid_t clicker = -1;
};
