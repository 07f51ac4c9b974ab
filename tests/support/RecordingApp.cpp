#include "RecordingApp.h"

#include "ChildProcess.h"
#include "ofAppRunner.h"

#include <Poco/Delegate.h>

#include <string>

namespace {
std::string str(int v) { return std::to_string(v); }
std::string mouseLine(const char* name, int x, int y, int button, const ofBaseApp& app) {
    return std::string(name) + " " + str(x) + " " + str(y) + " " + str(button) + " at " + str(app.mouseX) + " " +
           str(app.mouseY);
}
std::string eventLine(const char* name, const ofMouseEventArgs& a) {
    return std::string("event ") + name + " " + str(a.x) + " " + str(a.y) + " " + str(a.button);
}
}

RecordingApp::RecordingApp() { listen(true); }

RecordingApp::~RecordingApp() {
    listen(false);
    childSay("destructor");
}

void RecordingApp::listen(bool on) {
    auto wire = [on](auto& event, auto delegate) {
        if (on) {
            event += delegate;
        } else {
            event -= delegate;
        }
    };
    wire(ofAppEvents.setup, Poco::delegate(this, &RecordingApp::onSetupEvent));
    wire(ofAppEvents.update, Poco::delegate(this, &RecordingApp::onUpdateEvent));
    wire(ofAppEvents.draw, Poco::delegate(this, &RecordingApp::onDrawEvent));
    wire(ofAppEvents.exit, Poco::delegate(this, &RecordingApp::onExitEvent));
    wire(ofAppEvents.windowResized, Poco::delegate(this, &RecordingApp::onResizeEvent));
    wire(ofAppEvents.keyPressed, Poco::delegate(this, &RecordingApp::onKeyPressedEvent));
    wire(ofAppEvents.keyReleased, Poco::delegate(this, &RecordingApp::onKeyReleasedEvent));
    wire(ofAppEvents.mouseMoved, Poco::delegate(this, &RecordingApp::onMouseMovedEvent));
    wire(ofAppEvents.mouseDragged, Poco::delegate(this, &RecordingApp::onMouseDraggedEvent));
    wire(ofAppEvents.mousePressed, Poco::delegate(this, &RecordingApp::onMousePressedEvent));
    wire(ofAppEvents.mouseReleased, Poco::delegate(this, &RecordingApp::onMouseReleasedEvent));
}

void RecordingApp::setup() {
    childSay("setup");
    if (onSetup) onSetup();
}

void RecordingApp::update() {
    if (recordFrames) childSay("update " + str(ofGetFrameNum()));
    if (onUpdate) onUpdate();
}

void RecordingApp::draw() {
    if (recordFrames) childSay("draw " + str(ofGetFrameNum()));
    if (onDraw) onDraw();
}

void RecordingApp::exit() {
    childSay("exit");
    if (onExit) onExit();
}

void RecordingApp::windowResized(int w, int h) {
    childSay("windowResized " + str(w) + " " + str(h) + " size " + str(ofGetWidth()) + " " + str(ofGetHeight()));
}

void RecordingApp::keyPressed(int key) { childSay("keyPressed " + str(key)); }
void RecordingApp::keyReleased(int key) { childSay("keyReleased " + str(key)); }

void RecordingApp::mouseMoved(int x, int y) {
    childSay("mouseMoved " + str(x) + " " + str(y) + " at " + str(mouseX) + " " + str(mouseY));
}
void RecordingApp::mouseDragged(int x, int y, int button) { childSay(mouseLine("mouseDragged", x, y, button, *this)); }
void RecordingApp::mousePressed(int x, int y, int button) { childSay(mouseLine("mousePressed", x, y, button, *this)); }
void RecordingApp::mouseReleased() { childSay("mouseReleased"); }
void RecordingApp::mouseReleased(int x, int y, int button) {
    childSay(mouseLine("mouseReleased", x, y, button, *this));
}

void RecordingApp::onSetupEvent(const void*, ofEventArgs&) { childSay("event setup"); }
void RecordingApp::onUpdateEvent(const void*, ofEventArgs&) {
    if (recordFrames) childSay("event update");
}
void RecordingApp::onDrawEvent(const void*, ofEventArgs&) {
    if (recordFrames) childSay("event draw");
}
void RecordingApp::onExitEvent(const void*, ofEventArgs&) { childSay("event exit"); }
void RecordingApp::onResizeEvent(const void*, ofResizeEventArgs& a) {
    childSay("event windowResized " + str(a.width) + " " + str(a.height));
}
void RecordingApp::onKeyPressedEvent(const void*, ofKeyEventArgs& a) { childSay("event keyPressed " + str(a.key)); }
void RecordingApp::onKeyReleasedEvent(const void*, ofKeyEventArgs& a) { childSay("event keyReleased " + str(a.key)); }
void RecordingApp::onMouseMovedEvent(const void*, ofMouseEventArgs& a) { childSay(eventLine("mouseMoved", a)); }
void RecordingApp::onMouseDraggedEvent(const void*, ofMouseEventArgs& a) { childSay(eventLine("mouseDragged", a)); }
void RecordingApp::onMousePressedEvent(const void*, ofMouseEventArgs& a) { childSay(eventLine("mousePressed", a)); }
void RecordingApp::onMouseReleasedEvent(const void*, ofMouseEventArgs& a) { childSay(eventLine("mouseReleased", a)); }
