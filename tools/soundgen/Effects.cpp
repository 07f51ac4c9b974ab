#include "Sounds.h"

#include <algorithm>
#include <cmath>

using namespace synth;

namespace sounds {

namespace {
void normalise(std::vector<double>& samples, double peak) {
    double loudest = 0.0;
    for (double v : samples) loudest = std::max(loudest, std::fabs(v));
    if (loudest > 0.0)
        for (double& v : samples) v *= peak / loudest;
}

// Short linear fades at both ends, so the sound starts and stops without a click.
void fadeEnds(std::vector<double>& samples, double seconds) {
    const size_t n = std::min(samples.size() / 2, static_cast<size_t>(seconds * kSampleRate));
    for (size_t i = 0; i < n; ++i) {
        const double g = static_cast<double>(i) / n;
        samples[i] *= g;
        samples[samples.size() - 1 - i] *= g;
    }
}
} // namespace

std::vector<double> laserShot() {
    const double length = 0.32;
    std::vector<double> out(static_cast<size_t>(length * kSampleRate));
    Oscillator body, overtone, buzz;
    Biquad tone = Biquad::lowPass(6000, 0.8);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        // An exponential fall from 2.2 kHz to 180 Hz: the classic ray-gun sweep.
        const double hz = 2200.0 * std::pow(180.0 / 2200.0, std::min(t / 0.26, 1.0));
        const double s = body.sine(hz);
        double v = 0.55 * std::tanh(3.0 * s) + 0.25 * overtone.sine(hz * 1.5) + 0.2 * buzz.square(hz * 0.5);
        v *= std::exp(-t / 0.085) * std::min(1.0, t / 0.002);
        out[i] = tone.process(v);
    }
    fadeEnds(out, 0.004);
    normalise(out, 0.7);
    return out;
}

std::vector<double> explosion() {
    const double length = 1.1;
    std::vector<double> out(static_cast<size_t>(length * kSampleRate));
    Noise noise(0x5eed1u);
    Noise crackleNoise(0xc4ac1u);
    Biquad rumble = Biquad::lowPass(3000, 0.9);
    Biquad crackleFilter = Biquad::highPass(2500, 0.7);
    Oscillator thump;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        // The noise darkens as the burst dies away.
        rumble.setLowPass(180.0 + 3800.0 * std::exp(-t / 0.12), 0.9);
        double v = rumble.process(noise.next()) * std::exp(-t / 0.28);
        // A low punch whose pitch drops like a kick drum's.
        v += 0.9 * thump.sine(35.0 + 85.0 * std::exp(-t / 0.05)) * std::exp(-t / 0.16);
        // Sparse debris crackle during the first half.
        double crackle = crackleNoise.next();
        crackle = std::fabs(crackle) > 0.997 ? crackle : 0.0;
        v += 2.5 * crackleFilter.process(crackle) * std::exp(-t / 0.15);
        out[i] = std::tanh(1.6 * v * std::min(1.0, t / 0.003));
    }
    fadeEnds(out, 0.01);
    normalise(out, 0.8);
    return out;
}

} // namespace sounds
