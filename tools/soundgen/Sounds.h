// The game's sounds, each made from scratch by a fixed recipe.
#pragma once

#include "Synth.h"

#include <vector>

namespace sounds {

std::vector<double> laserShot();   // a short falling zap, mono
std::vector<double> explosion();   // a rumbling burst for a meteor hit, mono
synth::LoopBuffer musicLoop();     // a dark, driving loop of eight bars, stereo

} // namespace sounds
