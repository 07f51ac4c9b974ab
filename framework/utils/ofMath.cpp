#include "ofMath.h"

#include "ofLog.h"
#include "ofPlatform.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace {
// Every range below assumes draws of 0 to 32767.
constexpr float randomScale = 1.0f / 32768.0f;

static_assert(RAND_MAX == 2147483647, "the draw keeps the top 15 of 31 bits");
int draw() {
    return std::rand() >> 16;
}
}

void ofSeedRandom() {
    std::srand(ofPlatform::millis());
}

void ofSeedRandom(int seed) {
    std::srand(static_cast<unsigned>(seed));
}

float ofRandom(float x, float y) {
    if (x == y) return x;
    const float low = x < y ? x : y;
    const float high = x < y ? y : x;
    const float span = high - low;
    const float scaled = static_cast<float>(draw()) * span;
    return low + randomScale * scaled;
}

float ofRandomSignedUnit() {
    return static_cast<float>(draw()) * randomScale * 2.0f - 1.0f;
}

float ofRandomUnit() {
    return static_cast<float>(draw()) * randomScale;
}

float ofClamp(float value, float min, float max) {
    if (value < min) return min;
    if (value > max) return max;
    return value;
}

float ofNormalize(float value, float min, float max) {
    const float quotient = (value - min) / (max - min);
    if (quotient < 0.0f) return 0.0f;
    if (quotient > 1.0f) return 1.0f;
    return quotient;
}

float ofMap(float value, float inputMin, float inputMax, float outputMin, float outputMax, bool clamp) {
    if (std::fabs(inputMin - inputMax) < FLT_EPSILON) {
        ofLog(OF_WARNING, "ofMap: avoiding possible divide by zero, check inputMin and inputMax\n");
        return outputMin;
    }
    const float outVal = (value - inputMin) / (inputMax - inputMin) * (outputMax - outputMin) + outputMin;
    if (!clamp) return outVal;
    if (outputMax < outputMin) {
        if (outVal < outputMax) return outputMax;
        if (outVal > outputMin) return outputMin;
    } else {
        if (outVal > outputMax) return outputMax;
        if (outVal < outputMin) return outputMin;
    }
    return outVal;
}

float ofDistSquared(float x1, float y1, float x2, float y2) {
    return (x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2);
}

float ofDist(float x1, float y1, float x2, float y2) {
    return std::sqrt(ofDistSquared(x1, y1, x2, y2));
}

int ofSign(float n) {
    if (n > 0) return 1;
    if (n < 0) return -1;
    return 0;
}

bool ofInRange(float t, float min, float max) {
    return t >= min && t <= max;
}

float ofRadToDeg(float radians) {
    return static_cast<float>(radians * 57.29577951308232);
}

float ofDegToRad(float degrees) {
    return static_cast<float>(degrees * 0.017453292519943295);
}

float ofLerp(float start, float stop, float amt) {
    return start + (stop - start) * amt;
}

int ofNextPow2(int a) {
    // Doubling stops at 2^30: one more step would leave the int range.
    int pow2 = 1;
    while (pow2 < a && pow2 < (1 << 30)) pow2 *= 2;
    return pow2;
}
