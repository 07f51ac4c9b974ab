// Small building blocks for synthesising sounds offline: a seeded noise
// source, a biquad filter, band-limited oscillators and a stereo buffer that
// wraps around, so that anything written past its end lands at its start and
// the buffer loops without a seam.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;

double midiToHz(double note);

// xorshift32: the same sounds on every run and every machine.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 1u) {}
    double next(); // uniform in [-1, 1)
private:
    uint32_t state;
};

// Second-order filter after the well-known audio-EQ cookbook formulas.
class Biquad {
public:
    static Biquad lowPass(double hz, double q);
    static Biquad highPass(double hz, double q);
    static Biquad bandPass(double hz, double q);
    // Retunes a low-pass in place, keeping the filter's state (for sweeps).
    void setLowPass(double hz, double q);
    double process(double x);
private:
    void set(int kind, double hz, double q);
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Sawtooth and square with polyBLEP edges, so high notes do not alias badly.
class Oscillator {
public:
    double saw(double hz);
    double square(double hz);
    double sine(double hz);
private:
    double phase = 0;
    double advance(double hz);
};

// A stereo buffer of fixed length whose writes wrap around its end.
class LoopBuffer {
public:
    explicit LoopBuffer(size_t frames) : left(frames, 0.0), right(frames, 0.0) {}
    size_t frames() const { return left.size(); }
    // Adds one sample at frame (start + i), panned with constant power
    // (pan -1 left .. +1 right).
    void add(size_t frame, double value, double pan = 0.0);
    // A feedback echo that also wraps: the echoes of the last notes ring on
    // into the first ones, as they will when the loop plays again.
    void echo(size_t delayFrames, double feedback, double wet);
    // Soft-clips and scales so that the loudest sample reaches peak.
    void master(double drive, double peak);
    std::vector<double> left, right;
};

// Writes 16-bit PCM; one channel when right is empty.
bool writeWav(const std::string& path, const std::vector<double>& left,
              const std::vector<double>& right);

} // namespace synth
