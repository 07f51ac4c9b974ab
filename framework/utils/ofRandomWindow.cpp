// Kept apart from the other random functions because it needs the window.
#include "ofMath.h"

// The window's size in pixels, from the application runner.
int ofGetWidth();
int ofGetHeight();

float ofRandomWidth() {
    return ofRandom(0.0f, static_cast<float>(ofGetWidth()));
}

float ofRandomHeight() {
    return ofRandom(0.0f, static_cast<float>(ofGetHeight()));
}
