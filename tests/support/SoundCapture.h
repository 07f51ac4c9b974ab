#pragma once
// Real audio for the sound tests: SDL's "disk" driver writes everything the
// engine mixes to a file of raw float stereo frames, which these helpers
// read back and measure. Fixtures are written here too, as WAV files.
#include <cstddef>
#include <string>
#include <vector>

namespace soundcapture {
constexpr int kRate = 44100;

// Points the disk driver at <dir>/mix.raw; call before the engine opens.
std::string captureInto(const std::string& dir);
// Interleaved left/right floats as written so far.
std::vector<float> readCapture(const std::string& path);
// Frames written so far: whatever is played from now on lands after them.
size_t capturedFrames(const std::string& path);
// The disk driver writes at its own pace, which falls behind the clock on a
// busy machine; tests that need output after some event wait for frames,
// not for time. Returns false after a minute without them.
bool waitForFrames(const std::string& path, size_t frames);

// A run of frames where either side is not silent; runs closer than
// `minGap` frames are joined.
struct Span {
    size_t begin = 0;
    size_t end = 0;   // one past the last sounding frame
    size_t frames() const { return end - begin; }
};
std::vector<Span> soundingSpans(const std::vector<float>& stereo, size_t minGap = 600);
// side: 0 left, 1 right. Measured over the middle of the span, away from
// its edges.
float peak(const std::vector<float>& stereo, Span span, int side);
double frequency(const std::vector<float>& stereo, Span span, int side, int rate = kRate);

// A WAV of 32-bit floats, or a 16-bit FLAC when the name ends in ".flac".
// Each tone is a sine of `hz` (or a constant level when hz is 0) played one
// after the other; channels 1 or 2 (the same signal on both).
struct Tone {
    double hz;
    double seconds;
    double amplitude = 1.0;
};
void writeTones(const std::string& path, const std::vector<Tone>& tones, int channels = 1,
                int rate = kRate);
}
