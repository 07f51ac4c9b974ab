#include "ofAppRunner.h"
#include "ofImage.h"
#include "ofUtils.h"

namespace {
int screenshotCounter = 0;
}

void ofSaveScreen(std::string filename) {
    ofImage screen;
    screen.allocate(ofGetWidth(), ofGetHeight(), 1);
    screen.grabScreen(0, 0, ofGetWidth(), ofGetHeight());
    screen.saveImage(filename);
}

void ofSaveFrame() {
    // The count moves on whether or not the save worked, so a failed frame
    // never makes the next one overwrite it under the same number.
    ofSaveScreen(ofToString(screenshotCounter) + ".png");
    screenshotCounter++;
}
