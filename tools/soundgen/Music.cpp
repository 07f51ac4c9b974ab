#include "Sounds.h"

#include <cmath>

using namespace synth;

namespace sounds {

namespace {

// A sixteenth note lasts a whole number of frames, so every step of the loop
// starts on an exact frame and the loop's length is exact: about 120 beats
// per minute.
constexpr size_t kStep = 5512;
constexpr int kStepsPerBar = 16;
constexpr int kBars = 8;

struct Chord {
    int bass;          // MIDI note of the bass line
    int pad[4];        // MIDI notes of the pad
    int arpeggio[4];   // MIDI notes the lead runs through
};

// D minor with a flat second and a major dominant: D, D, Bb, A, D, D, Eb, A.
const Chord kChords[kBars] = {
    {38, {50, 53, 57, 62}, {74, 77, 81, 86}},
    {38, {50, 53, 57, 62}, {74, 77, 81, 86}},
    {34, {46, 50, 53, 58}, {70, 74, 77, 82}},
    {33, {45, 49, 52, 57}, {69, 73, 76, 81}},
    {38, {50, 53, 57, 62}, {74, 77, 81, 86}},
    {38, {50, 53, 57, 62}, {74, 77, 81, 86}},
    {39, {51, 55, 58, 63}, {75, 79, 82, 87}},
    {33, {45, 49, 52, 57}, {69, 73, 76, 81}},
};

size_t frames(double seconds) { return static_cast<size_t>(seconds * kSampleRate); }
double at(size_t i) { return static_cast<double>(i) / kSampleRate; }

void kick(LoopBuffer& out, size_t start, double velocity) {
    Oscillator osc;
    for (size_t i = 0; i < frames(0.4); ++i) {
        const double t = at(i);
        const double v = osc.sine(44.0 + 120.0 * std::exp(-t / 0.03)) * std::exp(-t / 0.17);
        out.add(start + i, velocity * v * std::min(1.0, t / 0.001));
    }
}

void snare(LoopBuffer& out, size_t start, double velocity, Noise& noise) {
    Biquad band = Biquad::bandPass(1900, 0.6);
    Oscillator body;
    for (size_t i = 0; i < frames(0.3); ++i) {
        const double t = at(i);
        const double v = 0.9 * band.process(noise.next()) * std::exp(-t / 0.075)
                       + 0.45 * body.sine(180.0) * std::exp(-t / 0.045);
        out.add(start + i, velocity * v, -0.05);
    }
}

void hat(LoopBuffer& out, size_t start, double velocity, bool open, Noise& noise) {
    Biquad high = Biquad::highPass(7500, 0.8);
    const double decay = open ? 0.09 : 0.018;
    for (size_t i = 0; i < frames(open ? 0.35 : 0.08); ++i) {
        const double t = at(i);
        out.add(start + i, velocity * high.process(noise.next()) * std::exp(-t / decay), 0.3);
    }
}

void bass(LoopBuffer& out, size_t start, int note, size_t length, double velocity) {
    Oscillator a, b, sub;
    Biquad filter = Biquad::lowPass(800, 3.0);
    const double hz = midiToHz(note);
    for (size_t i = 0; i < length + frames(0.02); ++i) {
        const double t = at(i);
        filter.setLowPass(160.0 + 1500.0 * velocity * std::exp(-t / 0.07), 3.0);
        double v = 0.5 * a.saw(hz) + 0.5 * b.saw(hz * 1.004) + 0.6 * sub.sine(hz * 0.5);
        v = std::tanh(2.0 * filter.process(v));
        double env = std::min(1.0, t / 0.003) * std::exp(-t / 0.35);
        if (i >= length) env *= 1.0 - at(i - length) / 0.02; // release
        out.add(start + i, velocity * v * env);
    }
}

void padNote(LoopBuffer& out, size_t start, int note, size_t length) {
    const double hz = midiToHz(note);
    Oscillator left, right;
    Biquad filterL = Biquad::lowPass(900, 0.7), filterR = Biquad::lowPass(900, 0.7);
    const size_t release = frames(1.2);
    for (size_t i = 0; i < length + release; ++i) {
        const double t = at(i);
        const double cutoff = 700.0 + 350.0 * std::sin(2.0 * kPi * 0.25 * t);
        filterL.setLowPass(cutoff, 0.7);
        filterR.setLowPass(cutoff, 0.7);
        double env = std::min(1.0, t / 0.7);
        if (i >= length) env *= std::exp(-at(i - length) / 0.3);
        out.add(start + i, env * filterL.process(left.saw(hz * 0.996)), -0.7);
        out.add(start + i, env * filterR.process(right.saw(hz * 1.004)), 0.7);
    }
}

void leadNote(LoopBuffer& out, size_t start, int note, size_t length, double brightness, double pan) {
    const double hz = midiToHz(note);
    Oscillator osc, vibrato;
    Biquad filter = Biquad::lowPass(2000, 1.5);
    for (size_t i = 0; i < length + frames(0.05); ++i) {
        const double t = at(i);
        const double wobble = 1.0 + 0.006 * vibrato.sine(5.5) * std::min(1.0, t / 0.4);
        filter.setLowPass(400.0 + brightness * std::exp(-t / 0.12), 1.5);
        double env = std::min(1.0, t / 0.005);
        if (i >= length) env *= 1.0 - at(i - length) / 0.05;
        out.add(start + i, env * filter.process(osc.square(hz * wobble)), pan);
    }
}

size_t stepFrame(int bar, int step) { return (static_cast<size_t>(bar) * kStepsPerBar + step) * kStep; }

void mix(LoopBuffer& into, const LoopBuffer& part, double level) {
    for (size_t i = 0; i < into.frames(); ++i) {
        into.left[i] += level * part.left[i];
        into.right[i] += level * part.right[i];
    }
}

} // namespace

LoopBuffer musicLoop() {
    const size_t length = stepFrame(kBars, 0);
    LoopBuffer drums(length), bassLine(length), pad(length), lead(length);
    Noise noise(0xd41f7u);

    // Bass: driving sixteenths with gaps, an octave jump on the last off-beats.
    const bool bassHits[kStepsPerBar] = {1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1};
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& chord = kChords[bar];
        for (int step = 0; step < kStepsPerBar; ++step) {
            // Drums.
            if (step % 4 == 0 || ((bar == 3 || bar == 7) && step == 14)) kick(drums, stepFrame(bar, step), 1.0);
            if (step == 4 || step == 12) snare(drums, stepFrame(bar, step), 0.8, noise);
            if (bar == 7 && step == 15) snare(drums, stepFrame(bar, step), 0.45, noise);
            hat(drums, stepFrame(bar, step), step % 2 ? 0.35 : 0.2, step % 4 == 2 && bar % 2 == 1, noise);
            if (!bassHits[step]) continue;
            const int note = chord.bass + ((step == 7 || step == 15) ? 12 : 0);
            const double accent = step % 4 == 0 ? 1.0 : 0.7;
            bass(bassLine, stepFrame(bar, step), note, kStep * 3 / 4, accent);
        }
        for (int note : chord.pad) padNote(pad, stepFrame(bar, 0), note, kStep * kStepsPerBar);
    }

    // Lead, first half: a slow creeping line a semitone apart.
    const int motif[4][2] = {{74, 75}, {74, 73}, {74, 77}, {76, 73}};
    for (int bar = 0; bar < 4; ++bar)
        for (int half = 0; half < 2; ++half)
            leadNote(lead, stepFrame(bar, half * 8), motif[bar][half], kStep * 7, 900.0, half ? 0.35 : -0.35);
    // Second half: arpeggios in eighths over the chords.
    const int order[8] = {0, 1, 2, 3, 2, 1, 0, 2};
    for (int bar = 4; bar < kBars; ++bar)
        for (int eighth = 0; eighth < 8; ++eighth)
            leadNote(lead, stepFrame(bar, eighth * 2), kChords[bar].arpeggio[order[eighth]], kStep * 3 / 2,
                     2600.0, eighth % 2 ? 0.45 : -0.45);
    lead.echo(kStep * 3, 0.4, 0.55);

    LoopBuffer out(length);
    mix(out, drums, 0.55);
    mix(out, bassLine, 0.42);
    mix(out, pad, 0.05);
    mix(out, lead, 0.13);
    out.master(1.3, 0.89);
    return out;
}

} // namespace sounds
