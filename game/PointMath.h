#pragma once
// The few vector sums the game's motion and collisions need, on the
// framework's plain point record, in single precision.
#include "ofTypes.h"

#include <cmath>

namespace pointmath {

inline ofPoint plus(const ofPoint& a, const ofPoint& b) { return ofPoint(a.x + b.x, a.y + b.y, a.z + b.z); }
inline ofPoint minus(const ofPoint& a, const ofPoint& b) { return ofPoint(a.x - b.x, a.y - b.y, a.z - b.z); }
inline ofPoint scaled(const ofPoint& a, float s) { return ofPoint(a.x * s, a.y * s, a.z * s); }
inline float dot(const ofPoint& a, const ofPoint& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float length(const ofPoint& a) { return std::sqrt(dot(a, a)); }

}  // namespace pointmath
