#include "GameManager.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Driftfield.h"
#include "HighscoreFile.h"
#include "Ship.h"
#include "ofAppRunner.h"
#include "ofBitmapFont.h"
#include "ofGraphics.h"
#include "ofKeyboard.h"
#include "ofLog.h"
#include "ofMath.h"

namespace {

const char* const kControlsText =
    "[w] to move up\n[s] to move down\n[a] to move left\n[d] to move right\n"
    "[move mouse] to aim\n[mouse 1] to fire\n[Q] to quit (while playing)";

const char* const kInstructionsText =
    "Survive as long as you can!\nYou are flying through a field of meteorits\n"
    "and there's no way out.\nIf you try to escape and get to near to the border\n"
    "you will loose health.\nYou also loose health in time, more and more\n"
    "the longer you fly.\nThe only way to restore some health is to shoot\n"
    "the meteorits flying around.\nGood luck!";

// Every asset is made by the project's own generators (data/ASSETS.md).
const char* const kCreditsText =
    "Programming: The Driftfield developers\n"
    "Music: synthesised with our soundgen tool\n"
    "Ship model: built with our modelgen tool\n"
    "Laser sound: synthesised with soundgen\n"
    "Hit sound: synthesised with soundgen";

const char* const kNamePrompt =
    "You made it to the top 10!\nPlease enter your name\nto store your highscore.";

const int kEnter = 13;
const int kBlank = 32;
const int kBackspace = 8;
const int kDelete = 127;
const int kSpecialKey = 0x100;

// The bitmap font's cell: 8 pixels a byte, 14 rows of which 3 lie below the
// baseline, lines 13.6 pixels apart.
const float kBitmapAdvance = 8.0f;
const float kBitmapAscent = 11.0f;
const float kBitmapCell = 14.0f;
const float kBitmapLine = 13.6f;

// Window halves in whole pixels, as the layout measures from them.
float halfWidth() { return float(ofGetWidth() / 2); }
float halfHeight() { return float(ofGetHeight() / 2); }

// The codes in keys that the key reported as code may have typed.
std::vector<int> sameKeyIn(const std::set<int>& keys, int code) {
    std::vector<int> found;
    for (int key : keys)
        if (ofSameKey(key, code)) found.push_back(key);
    return found;
}

}  // namespace

GameManager::GameManager() {
    mouseX = 0;
    mouseY = 0;
}

GameManager::~GameManager() {
    // A game still running when the program ends goes too, so its music stops
    // and nothing it holds is left behind.
    delete scene;
    delete scores;
    delete logo;
    delete background;
}

void GameManager::setup() {
    ofBackground(255, 255, 255);
    ofNoFill();
    state = STATE_MAIN_MENU;
    scores = new HighscoreFile("data/scores.txt");
    logo = new ofImage();
    background = new ofImage();
    // The menus work without any of these, but a player should learn why
    // they look bare.
    if (!logo->loadImage("data/brackwater_logo.png")) ofLog(OF_ERROR, "Failed to load logo");
    if (!background->loadImage("data/background.jpg")) ofLog(OF_ERROR, "Failed to load background");
    loadingShown = false;
    font.loadFont("vantor.ttf", 28, true, true, false);
    if (!font.bLoadedOk) ofLog(OF_ERROR, "Failed to load menu font");

    startGameLabel = "Start_Game";
    controlsLabel = "Controls";
    controlsText = kControlsText;
    highscoresLabel = "Highscores";
    highscoreText = scores->toText();
    backToMenuLabel = "Back_to_Menu";
    saveLabel = "Save";
    playerName.clear();
    exitLabel = "EXIT";
    backLabel = "Back";
    instructionsLabel = "Instructions";
    instructionsText = kInstructionsText;
    creditsLabel = "Credits";
    creditsText = kCreditsText;
    loadingText = "Loading...";
}

// ---------------------------------------------------------------------------
// Frame

void GameManager::update() {
    // Input comes in batches between frames; a stray key released in the
    // last one with no press right after it is up for real.
    for (int key : releasedStrayKeys) strayKeys.erase(key);
    releasedStrayKeys.clear();
    if (state == STATE_PLAYING) {
        if (!scene) return;
        scene->mouseX = mouseX;
        scene->mouseY = mouseY;
        scene->update();
        if (scene->getShip()->isDead()) gameOver();
        return;
    }
    ofShowCursor();
    layout();
}

void GameManager::gameOver() {
    // The last frame of the game stays on the screen for a moment.
    ofSleepMillis(1000);
    finalScore = scene->getScore();
    state = scores->rankOf(finalScore) != -1 ? STATE_ENTER_NAME : STATE_AFTER_GAME;
    delete scene;
    scene = nullptr;
    screenShown = false;
    releaseNeedsPress = true;
    buttonsPressedOnScreen.clear();
    strayKeys = heldKeys;
}

void GameManager::leaveGame() {
    state = STATE_MAIN_MENU;
    delete scene;
    scene = nullptr;
}

void GameManager::startScene() {
    if (!loadingShown) {
        // Let one whole frame of the loading screen reach the window first.
        loadingShown = true;
        return;
    }
    scene = new Driftfield();
    state = STATE_PLAYING;
    heldKeys.clear();
    loadingShown = false;
}

void GameManager::saveName() {
    scores->insert(finalScore, std::string(playerName));
    playerName.clear();
    highscoreText = scores->toText();
    state = STATE_AFTER_GAME;
}

// ---------------------------------------------------------------------------
// Layout and hit test

ofRectangle GameManager::centredBox(const ofRectangle& r, float d) {
    return ofRectangle(r.x - r.width / 2 - 5, r.y - r.height / 2 - d - 5, r.width + 5, r.height + 5);
}

ofRectangle GameManager::topBox(const ofRectangle& r) {
    return ofRectangle(r.x - r.width / 2 - 5, r.y + 5, r.width + 5, r.height + 5);
}

ofRectangle GameManager::measuredBox(const ofRectangle& r) {
    return ofRectangle(r.x, r.y, r.width + 5, r.height + 5);
}

bool GameManager::hits(const ofRectangle& box, int x, int y) {
    const float fx = float(x);
    const float fy = float(y);
    return box.x <= fx && fx <= box.x + box.width && box.y <= fy && fy <= box.y + box.height;
}

void GameManager::layout() {
    const float cx = halfWidth();
    const float cy = halfHeight();
    switch (state) {
    case STATE_MAIN_MENU: {
        startGameRect = centredBox(textBox(startGameLabel, cx, cy), 70);
        controlsRect = centredBox(textBox(controlsLabel, cx, cy), 25);
        highscoresRect = centredBox(textBox(highscoresLabel, cx, cy), -25);
        instructionsRect = centredBox(textBox(instructionsLabel, cx, cy), -80);
        const float creditsX = float(ofGetWidth()) - textWidth(creditsLabel) - 50;
        const float creditsY = float(ofGetHeight()) - textHeight(creditsLabel) - 50;
        creditsRect = measuredBox(textBox(creditsLabel, creditsX, creditsY));
        // The EXIT box adds its 5 below the offset where the others take it off.
        const ofRectangle r = textBox(exitLabel, cx, cy);
        exitRect = centredBox(r, 0);
        exitRect.y = r.y - r.height / 2 + 125 + 5;
        break;
    }
    case STATE_AFTER_GAME: {
        backToMenuRect = topBox(textBox(backToMenuLabel, cx, 50));
        const ofRectangle r = textBox(exitLabel, cx, float(ofGetHeight() - 70));
        exitRect = topBox(r);
        exitRect.y = r.y;
        break;
    }
    case STATE_CONTROLS:
    case STATE_HIGHSCORES:
    case STATE_INSTRUCTIONS:
    case STATE_CREDITS:
        backRect = topBox(textBox(backLabel, cx, 50));
        break;
    case STATE_ENTER_NAME: {
        const ofRectangle r = textBox(playerName, cx, 200);
        nameRect.width = ofClamp(r.width, 150, 300) + 5;
        nameRect.height = ofClamp(r.height, saveRect.height, 200);
        nameRect.x = cx - nameRect.width / 2;
        nameRect.y = cy - nameRect.height / 2 - 5;
        saveRect = topBox(textBox(saveLabel, cx, nameRect.y + nameRect.height + 50));
        backRect = topBox(textBox(backLabel, cx, saveRect.y + saveRect.height + 100));
        break;
    }
    default:
        break;
    }
}

void GameManager::mousePressed(int, int, int button) {
    if (screenShown) buttonsPressedOnScreen.insert(button);
}

void GameManager::mouseReleased(int x, int y, int button) {
    if (state != STATE_PLAYING && releaseNeedsPress && !buttonsPressedOnScreen.erase(button)) return;
    switch (state) {
    case STATE_MAIN_MENU:
        if (hits(startGameRect, x, y)) state = STATE_LOADING;
        else if (hits(controlsRect, x, y)) state = STATE_CONTROLS;
        else if (hits(highscoresRect, x, y)) state = STATE_HIGHSCORES;
        else if (hits(instructionsRect, x, y)) state = STATE_INSTRUCTIONS;
        else if (hits(creditsRect, x, y)) state = STATE_CREDITS;
        else if (hits(exitRect, x, y)) std::exit(0);
        break;
    case STATE_PLAYING:
        if (scene) scene->mouseReleased(x, y, button);
        break;
    case STATE_AFTER_GAME:
        if (hits(backToMenuRect, x, y)) state = STATE_MAIN_MENU;
        else if (hits(exitRect, x, y)) std::exit(0);
        break;
    case STATE_CONTROLS:
    case STATE_HIGHSCORES:
    case STATE_INSTRUCTIONS:
    case STATE_CREDITS:
        if (hits(backRect, x, y)) state = STATE_MAIN_MENU;
        break;
    case STATE_ENTER_NAME:
        if (hits(saveRect, x, y)) saveName();
        else if (hits(backRect, x, y)) state = STATE_MAIN_MENU;
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Keys

bool GameManager::editName(std::string& name, int key) {
    if (key == kEnter) return true;
    if (key == kBackspace || key == kDelete) {
        if (!name.empty()) name.pop_back();
        return false;
    }
    // Special keys, the blank and control bytes are not part of a name: a
    // line break or carriage return would split the line of the scores file.
    if ((key & kSpecialKey) || key < 0 || key > 255 || key <= kBlank) return false;
    if (name.size() < maxNameLength) name.push_back(char(key));
    return false;
}

void GameManager::keyPressed(int key) {
    heldKeys.insert(key);
    if (state == STATE_PLAYING) {
        if (key == 'q' || key == 'Q') leaveGame();
        else if (scene) scene->keyPressed(key);
        return;
    }
    if (!screenShown) strayKeys.insert(key);
    const std::vector<int> stray = sameKeyIn(strayKeys, key);
    if (!stray.empty()) {
        for (int k : stray) releasedStrayKeys.erase(k);
        return;
    }
    if (state == STATE_ENTER_NAME && editName(playerName, key)) saveName();
}

void GameManager::keyReleased(int key) {
    for (int k : sameKeyIn(heldKeys, key)) heldKeys.erase(k);
    for (int k : sameKeyIn(strayKeys, key)) releasedStrayKeys.insert(k);
    if (state == STATE_PLAYING && scene) scene->keyReleased(key);
}

// ---------------------------------------------------------------------------
// Drawing

ofRectangle GameManager::textBox(const std::string& s, float x, float y) {
    if (s.empty()) return ofRectangle(0, 0, 0, 0);
    if (font.bLoadedOk) return font.getStringBoundingBox(s, x, y);
    // Without the font every label would measure empty and its box collapse
    // into the top left corner, out of reach; the built-in bitmap font
    // stands in for it, measured by its fixed cells.
    size_t lines = 1, column = 0, widest = 0;
    for (char c : s) {
        column = c == '\n' ? 0 : column + 1;
        lines += c == '\n' ? 1 : 0;
        widest = std::max(widest, column);
    }
    return ofRectangle(x, y - kBitmapAscent, kBitmapAdvance * float(widest),
                       kBitmapCell + float(int(kBitmapLine * float(lines - 1))));
}

float GameManager::textWidth(const std::string& s) { return textBox(s, 0, 0).width; }

float GameManager::textHeight(const std::string& s) { return textBox(s, 0, 0).height; }

void GameManager::drawText(const std::string& s, float x, float y) {
    if (font.bLoadedOk) font.drawString(s, x, y);
    else ofDrawBitmapString(s, x, y);
}

void GameManager::drawLabel(const std::string& label, const ofRectangle& box) {
    drawText(label, box.x, box.y + box.height - 5);
}

void GameManager::drawCentred(const std::string& text, float y) {
    drawText(text, halfWidth() - textWidth(text) * 0.5f, y);
}

void GameManager::drawTable() {
    drawCentred(highscoreText, halfHeight() - textHeight(highscoreText) * 0.5f);
}

void GameManager::drawLogo() {
    const int x = ofGetWidth() / 2 - logo->width / 2;
    const int y = ofGetHeight() - logo->height - 50;
    logo->draw(float(x), float(y));
}

void GameManager::draw() {
    if (state == STATE_PLAYING) {
        if (scene) scene->draw();
        return;
    }
    screenShown = true;
    ofSetColor(255, 255, 255);
    background->draw(0, 0, float(ofGetWidth()), float(ofGetHeight()));

    const float cy = halfHeight();
    switch (state) {
    case STATE_MAIN_MENU:
        drawLogo();
        ofSetColor(255, 0, 0);
        drawCentred("Driftfield 2", 75);
        drawLabel(startGameLabel, startGameRect);
        drawLabel(controlsLabel, controlsRect);
        drawLabel(highscoresLabel, highscoresRect);
        drawLabel(instructionsLabel, instructionsRect);
        drawLabel(creditsLabel, creditsRect);
        drawLabel(exitLabel, exitRect);
        break;
    case STATE_AFTER_GAME:
        ofSetColor(255, 0, 0);
        drawLabel(backToMenuLabel, backToMenuRect);
        drawTable();
        drawLabel(exitLabel, exitRect);
        break;
    case STATE_HIGHSCORES:
        ofSetColor(255, 0, 0);
        drawTable();
        drawLabel(backLabel, backRect);
        break;
    case STATE_CONTROLS:
    case STATE_INSTRUCTIONS:
    case STATE_CREDITS: {
        const std::string& text = state == STATE_CONTROLS       ? controlsText
                                  : state == STATE_INSTRUCTIONS ? instructionsText
                                                                : creditsText;
        ofSetColor(255, 0, 0);
        drawCentred(text, backRect.y + backRect.height + 50);
        drawLabel(backLabel, backRect);
        break;
    }
    case STATE_ENTER_NAME:
        ofSetColor(255, 0, 0);
        drawLabel(backLabel, backRect);
        drawLabel(saveLabel, saveRect);
        drawText(kNamePrompt, 10, 50);
        ofRect(nameRect.x, nameRect.y, nameRect.width, nameRect.height);
        drawText(playerName, nameRect.x, nameRect.y + nameRect.height - 5);
        break;
    case STATE_LOADING:
        drawLogo();
        drawText(loadingText, halfWidth() - textWidth(loadingText) * 0.5f,
                 cy - textHeight(loadingText) * 0.5f);
        startScene();
        break;
    default:
        break;
    }
}
