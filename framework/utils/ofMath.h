#pragma once
// Random numbers from the C runtime's generator, and small float helpers.

// Seeds from the system's millisecond timer, so each run differs.
void ofSeedRandom();
void ofSeedRandom(int seed);

// Uniform in [min(x, y), max(x, y)) before the result is rounded to float;
// that rounding can give max(x, y) itself when the span is small next to
// min(x, y) (ofRandom(1e8, 1e8 + 8) often returns 1e8 + 8). x when both are
// equal.
float ofRandom(float x, float y);
float ofRandomSignedUnit();   // [-1, 1)
float ofRandomUnit();         // [0, 1)
float ofRandomWidth();        // [0, window width)
float ofRandomHeight();       // [0, window height)

float ofClamp(float value, float min, float max);
float ofNormalize(float value, float min, float max);
float ofMap(float value, float inputMin, float inputMax, float outputMin, float outputMax, bool clamp = false);
float ofDist(float x1, float y1, float x2, float y2);
float ofDistSquared(float x1, float y1, float x2, float y2);
int ofSign(float n);
bool ofInRange(float t, float min, float max);
float ofRadToDeg(float radians);
float ofDegToRad(float degrees);
float ofLerp(float start, float stop, float amt);
// The smallest power of two at least a; 1 for a below 2.
int ofNextPow2(int a);
