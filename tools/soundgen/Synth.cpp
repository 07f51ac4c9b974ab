#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace synth {

double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

double Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state / 2147483648.0 - 1.0;
}

enum { kLowPass, kHighPass, kBandPass };

void Biquad::set(int kind, double hz, double q) {
    hz = std::clamp(hz, 10.0, kSampleRate * 0.45);
    const double w = 2.0 * kPi * hz / kSampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    switch (kind) {
    case kLowPass: b0 = (1 - c) / 2; b1 = 1 - c; b2 = (1 - c) / 2; break;
    case kHighPass: b0 = (1 + c) / 2; b1 = -(1 + c); b2 = (1 + c) / 2; break;
    default: b0 = alpha; b1 = 0; b2 = -alpha; break;
    }
    b0 /= a0; b1 /= a0; b2 /= a0;
    a1 = -2 * c / a0;
    a2 = (1 - alpha) / a0;
}

Biquad Biquad::lowPass(double hz, double q) { Biquad f; f.set(kLowPass, hz, q); return f; }
Biquad Biquad::highPass(double hz, double q) { Biquad f; f.set(kHighPass, hz, q); return f; }
Biquad Biquad::bandPass(double hz, double q) { Biquad f; f.set(kBandPass, hz, q); return f; }
void Biquad::setLowPass(double hz, double q) { set(kLowPass, hz, q); }

double Biquad::process(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1; x1 = x;
    y2 = y1; y1 = y;
    return y;
}

namespace {
// Smooths the step of a discontinuity that lies t (in phase units of one
// period) from the current sample; dt is the phase step per sample.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}
} // namespace

double Oscillator::advance(double hz) {
    const double dt = hz / kSampleRate;
    phase += dt;
    if (phase >= 1.0) phase -= std::floor(phase);
    return dt;
}

double Oscillator::saw(double hz) {
    const double dt = advance(hz);
    return 2.0 * phase - 1.0 - polyBlep(phase, dt);
}

double Oscillator::square(double hz) {
    const double dt = advance(hz);
    double v = phase < 0.5 ? 1.0 : -1.0;
    v += polyBlep(phase, dt);
    v -= polyBlep(std::fmod(phase + 0.5, 1.0), dt);
    return v;
}

double Oscillator::sine(double hz) {
    advance(hz);
    return std::sin(2.0 * kPi * phase);
}

void LoopBuffer::add(size_t frame, double value, double pan) {
    const size_t i = frame % frames();
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
    // Constant power, scaled so that the centre keeps the full value on both sides.
    left[i] += value * std::cos(angle) * std::sqrt(2.0);
    right[i] += value * std::sin(angle) * std::sqrt(2.0);
}

void LoopBuffer::echo(size_t delayFrames, double feedback, double wet) {
    const size_t n = frames();
    if (delayFrames == 0 || delayFrames >= n) return;
    for (std::vector<double>* channel : {&left, &right}) {
        std::vector<double>& dry = *channel;
        std::vector<double> tail(n, 0.0);
        // tail[i] = dry[i - d] + feedback * tail[i - d], indices wrapping; a
        // few passes settle the wrapped part (feedback^passes is negligible).
        for (int pass = 0; pass < 12; ++pass) {
            for (size_t i = 0; i < n; ++i) {
                const size_t j = (i + n - delayFrames) % n;
                tail[i] = dry[j] + feedback * tail[j];
            }
        }
        for (size_t i = 0; i < n; ++i) dry[i] += wet * tail[i];
    }
}

void LoopBuffer::master(double drive, double peak) {
    double loudest = 0.0;
    for (std::vector<double>* channel : {&left, &right}) {
        // The clipping is not symmetric for every signal; taking out the mean
        // removes the offset it leaves and, the buffer being one period of
        // the loop, adds no seam.
        double mean = 0.0;
        for (double& v : *channel) {
            v = std::tanh(v * drive);
            mean += v;
        }
        mean /= static_cast<double>(channel->size());
        for (double& v : *channel) {
            v -= mean;
            loudest = std::max(loudest, std::fabs(v));
        }
    }
    if (loudest <= 0.0) return;
    for (std::vector<double>* channel : {&left, &right})
        for (double& v : *channel) v *= peak / loudest;
}

namespace {
void put16(std::FILE* f, unsigned v) { std::fputc(v & 0xff, f); std::fputc((v >> 8) & 0xff, f); }
void put32(std::FILE* f, unsigned v) { put16(f, v & 0xffff); put16(f, v >> 16); }
} // namespace

bool writeWav(const std::string& path, const std::vector<double>& left,
              const std::vector<double>& right) {
    const unsigned channels = right.empty() ? 1 : 2;
    const unsigned frames = static_cast<unsigned>(left.size());
    const unsigned dataBytes = frames * channels * 2;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
        return false;
    }
    std::fputs("RIFF", f); put32(f, 36 + dataBytes); std::fputs("WAVE", f);
    std::fputs("fmt ", f); put32(f, 16); put16(f, 1); put16(f, channels);
    put32(f, kSampleRate); put32(f, kSampleRate * channels * 2); put16(f, channels * 2); put16(f, 16);
    std::fputs("data", f); put32(f, dataBytes);
    for (unsigned i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            const double v = std::clamp(c == 0 ? left[i] : right[i], -1.0, 1.0);
            put16(f, static_cast<unsigned>(static_cast<int>(std::lround(v * 32767.0))) & 0xffff);
        }
    }
    const bool ok = std::fclose(f) == 0;
    if (!ok) std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace synth
