#pragma once
// The application object: the menu and screen state machine around one game,
// the highscore table and the name entry.
#include <set>
#include <string>

#include "ofBaseApp.h"
#include "ofImage.h"
#include "ofTrueTypeFont.h"
#include "ofTypes.h"

class Driftfield;
class HighscoreFile;

class GameManager : public ofBaseApp {
public:
    enum {
        STATE_MAIN_MENU = 0,
        STATE_PLAYING = 1,
        STATE_AFTER_GAME = 2,
        STATE_CONTROLS = 3,
        STATE_HIGHSCORES = 4,
        STATE_INSTRUCTIONS = 5,
        STATE_CREDITS = 6,
        STATE_ENTER_NAME = 7,
        STATE_LOADING = 8
    };

    GameManager();
    ~GameManager() override;
    GameManager(const GameManager&) = delete;
    GameManager& operator=(const GameManager&) = delete;

    void setup() override;
    void update() override;
    void draw() override;
    void keyPressed(int key) override;
    void keyReleased(int key) override;
    void mousePressed(int x, int y, int button) override;
    void mouseReleased(int x, int y, int button) override;

    // The rules that turn a measured text box into a clickable box.
    static ofRectangle centredBox(const ofRectangle& r, float d);
    static ofRectangle topBox(const ofRectangle& r);
    static ofRectangle measuredBox(const ofRectangle& r);
    // Edges belong to the box.
    static bool hits(const ofRectangle& box, int x, int y);
    // Applies one key of the name entry to name; true when the key asks to save.
    static bool editName(std::string& name, int key);

    static const size_t maxNameLength = 12;

    // The screen state and what the screens show; public so the behaviour of
    // the state machine can be checked without a window.
    Driftfield* scene = nullptr;
    int state = STATE_MAIN_MENU;
    HighscoreFile* scores = nullptr;
    ofTrueTypeFont font;
    ofImage* logo = nullptr;
    ofImage* background = nullptr;
    std::string startGameLabel;
    ofRectangle startGameRect;
    std::string controlsLabel;
    ofRectangle controlsRect;
    std::string controlsText;
    std::string exitLabel;
    ofRectangle exitRect;
    std::string highscoresLabel;
    ofRectangle highscoresRect;
    std::string highscoreText;
    std::string backToMenuLabel;
    ofRectangle backToMenuRect;
    std::string saveLabel;
    ofRectangle saveRect;
    std::string playerName;
    ofRectangle nameRect;
    std::string backLabel;
    ofRectangle backRect;
    std::string instructionsLabel;
    ofRectangle instructionsRect;
    std::string instructionsText;
    std::string creditsLabel;
    ofRectangle creditsRect;
    std::string creditsText;
    std::string loadingText;
    bool loadingShown = false;
    int finalScore = 0;

private:
    // Input that began during play must not act on the screens after it:
    // the name entry's Save box lies where players aim, and the after-game
    // EXIT box where the health bar was. Until the screen after a game has
    // been drawn, whatever arrives was meant for the game.
    bool screenShown = true;
    // On the screens after a game a mouse release acts only after a press
    // of the same button there: other buttons say nothing about one held
    // since play.
    bool releaseNeedsPress = false;
    std::set<int> buttonsPressedOnScreen;
    // Keys down as far as their presses and releases tell. Shift or Ctrl
    // may change between a key's press and its release, and with them the
    // character reported: a release lets go of every code its key may have
    // typed. A key whose release went unseen stays here until the next game
    // starts.
    std::set<int> heldKeys;
    // Keys held since play type nothing until they are really let go.
    std::set<int> strayKeys;
    // Stray keys released in the current batch of input: auto-repeat sends a
    // release and a press together while the key stays down.
    std::set<int> releasedStrayKeys;

    void layout();
    void gameOver();
    void saveName();
    void leaveGame();
    void startScene();

    // Measuring and drawing go through these so the menus stay usable when
    // the font file could not be loaded: the bitmap font stands in.
    ofRectangle textBox(const std::string& s, float x, float y);
    float textWidth(const std::string& s);
    float textHeight(const std::string& s);
    void drawText(const std::string& s, float x, float y);
    void drawLabel(const std::string& label, const ofRectangle& box);
    void drawCentred(const std::string& text, float y);
    void drawTable();
    void drawLogo();
};
