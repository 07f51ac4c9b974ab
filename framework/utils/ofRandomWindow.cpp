// Kept apart from the other random functions because it needs the window.
#include "ofAppRunner.h"
#include "ofMath.h"

float ofRandomWidth() {
    return ofRandom(0.0f, static_cast<float>(ofGetWidth()));
}

float ofRandomHeight() {
    return ofRandom(0.0f, static_cast<float>(ofGetHeight()));
}
