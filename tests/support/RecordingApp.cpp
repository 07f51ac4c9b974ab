#include "RecordingApp.h"

#include "ChildProcess.h"
#include "ofAppRunner.h"

#include <Poco/Delegate.h>

#include <string>

bool RecordingApp::recordFrames = true;

namespace {
std::string str(int v) { return std::to_string(v); }

std::string mouseLine(const char* name, int x, int y, int button, const ofBaseApp& app) {
    return std::string(name) + " " + str(x) + " " + str(y) + " " + str(button) + " at " + str(app.mouseX) + " " +
           str(app.mouseY);
}

void sayMouse(const char* name, ofMouseEventArgs& a) {
    childSay(std::string("event ") + name + " " + str(a.x) + " " + str(a.y) + " " + str(a.button));
}
}  // namespace

RecordingApp::RecordingApp() {
    static bool listening = false;
    if (listening) return;
    listening = true;
    using Args = ofEventArgs;
    ofAppEvents.setup += Poco::delegate(+[](const void*, Args&) { childSay("event setup"); });
    ofAppEvents.update += Poco::delegate(+[](const void*, Args&) {
        if (recordFrames) childSay("event update");
    });
    ofAppEvents.draw += Poco::delegate(+[](const void*, Args&) {
        if (recordFrames) childSay("event draw");
    });
    ofAppEvents.exit += Poco::delegate(+[](const void*, Args&) { childSay("event exit"); });
    ofAppEvents.windowResized += Poco::delegate(+[](const void*, ofResizeEventArgs& a) {
        childSay("event windowResized " + str(a.width) + " " + str(a.height));
    });
    ofAppEvents.keyPressed +=
        Poco::delegate(+[](const void*, ofKeyEventArgs& a) { childSay("event keyPressed " + str(a.key)); });
    ofAppEvents.keyReleased +=
        Poco::delegate(+[](const void*, ofKeyEventArgs& a) { childSay("event keyReleased " + str(a.key)); });
    ofAppEvents.mouseMoved += Poco::delegate(+[](const void*, ofMouseEventArgs& a) { sayMouse("mouseMoved", a); });
    ofAppEvents.mouseDragged +=
        Poco::delegate(+[](const void*, ofMouseEventArgs& a) { sayMouse("mouseDragged", a); });
    ofAppEvents.mousePressed +=
        Poco::delegate(+[](const void*, ofMouseEventArgs& a) { sayMouse("mousePressed", a); });
    ofAppEvents.mouseReleased +=
        Poco::delegate(+[](const void*, ofMouseEventArgs& a) { sayMouse("mouseReleased", a); });
}

RecordingApp::~RecordingApp() { childSay("destructor"); }

void RecordingApp::setup() {
    childSay("setup");
    if (onSetup) onSetup();
}

void RecordingApp::update() {
    if (recordFrames) childSay("update " + str(ofGetFrameNum()));
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
