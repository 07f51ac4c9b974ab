#pragma once
// An application that reports, one flushed line each (childSay), every
// callback the window calls on it and every global event notified, so a test
// in another process can compare their order with what the loop promises.
// One per process: the event listeners are plain functions.
//
// Callbacks: "setup", "update <frame>", "draw <frame>", "exit", "destructor",
// "windowResized <w> <h> size <ofGetWidth> <ofGetHeight>", "keyPressed <k>",
// "mouseMoved <x> <y> at <mouseX> <mouseY>", "mousePressed <x> <y> <button>
// at <mouseX> <mouseY>" (likewise dragged and released), "mouseReleased".
// Events: "event <name>" followed by the record's fields.
#include "ofBaseApp.h"

#include <functional>

class RecordingApp : public ofBaseApp {
public:
    RecordingApp();
    ~RecordingApp() override;

    // Update and draw lines, and those of their events, only when true.
    static bool recordFrames;
    // Run after the line of the same callback.
    std::function<void()> onSetup, onDraw, onExit;

    void setup() override;
    void update() override;
    void draw() override;
    void exit() override;
    void windowResized(int w, int h) override;
    void keyPressed(int key) override;
    void keyReleased(int key) override;
    void mouseMoved(int x, int y) override;
    void mouseDragged(int x, int y, int button) override;
    void mousePressed(int x, int y, int button) override;
    void mouseReleased() override;
    void mouseReleased(int x, int y, int button) override;
};
