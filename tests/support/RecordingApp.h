#pragma once
// An application that reports, one flushed line each, every callback the
// window calls on it and every global event notified, so a test in another
// process can compare the order with what the frame loop promises.
//
// Lines: "setup", "update <frame>", "draw <frame>", "exit", "destructor",
// "windowResized <w> <h> size <ofGetWidth> <ofGetHeight>", "keyPressed <k>",
// "keyReleased <k>", "mouseMoved <x> <y> at <mouseX> <mouseY>",
// "mouseDragged|mousePressed|mouseReleased <x> <y> <button> at <mouseX>
// <mouseY>", "mouseReleased"; events as "event <name> <fields>".
#include "ofBaseApp.h"
#include "ofEvents.h"

#include <functional>

class RecordingApp : public ofBaseApp {
public:
    RecordingApp();
    ~RecordingApp() override;

    // Frame lines (update, draw and their events) are left out when false.
    bool recordFrames = true;
    // Called after the line of the same callback is written.
    std::function<void()> onSetup, onUpdate, onDraw, onExit;

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

private:
    void onSetupEvent(const void*, ofEventArgs&);
    void onUpdateEvent(const void*, ofEventArgs&);
    void onDrawEvent(const void*, ofEventArgs&);
    void onExitEvent(const void*, ofEventArgs&);
    void onResizeEvent(const void*, ofResizeEventArgs& args);
    void onKeyPressedEvent(const void*, ofKeyEventArgs& args);
    void onKeyReleasedEvent(const void*, ofKeyEventArgs& args);
    void onMouseMovedEvent(const void*, ofMouseEventArgs& args);
    void onMouseDraggedEvent(const void*, ofMouseEventArgs& args);
    void onMousePressedEvent(const void*, ofMouseEventArgs& args);
    void onMouseReleasedEvent(const void*, ofMouseEventArgs& args);
    void listen(bool on);
};
