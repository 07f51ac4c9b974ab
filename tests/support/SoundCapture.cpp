#include "SoundCapture.h"

#include <sndfile.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace soundcapture {
namespace {
constexpr float kSilence = 1e-4f;
}

std::string captureInto(const std::string& dir) {
    std::string path = dir + "/mix.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    return path;
}

std::vector<float> readCapture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / (2 * sizeof(float)) * 2);
    std::copy(bytes.begin(), bytes.begin() + samples.size() * sizeof(float),
              reinterpret_cast<char*>(samples.data()));
    return samples;
}

size_t capturedFrames(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<size_t>(info.st_size) / 8 : 0;
}

bool waitForFrames(const std::string& path, size_t frames) {
    const size_t target = capturedFrames(path) + frames;
    for (int waited = 0; waited < 60000; waited += 5) {
        if (capturedFrames(path) >= target) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

std::vector<Span> soundingSpans(const std::vector<float>& stereo, size_t minGap) {
    std::vector<Span> spans;
    const size_t frames = stereo.size() / 2;
    for (size_t i = 0; i < frames; ++i) {
        if (std::fabs(stereo[2 * i]) < kSilence && std::fabs(stereo[2 * i + 1]) < kSilence) {
            continue;
        }
        if (!spans.empty() && i - spans.back().end < minGap) {
            spans.back().end = i + 1;
        } else {
            spans.push_back(Span{i, i + 1});
        }
    }
    return spans;
}

float peak(const std::vector<float>& stereo, Span span, int side) {
    const size_t margin = span.frames() / 8;
    float best = 0.0f;
    for (size_t i = span.begin + margin; i < span.end - margin; ++i) {
        best = std::max(best, std::fabs(stereo[2 * i + side]));
    }
    return best;
}

double frequency(const std::vector<float>& stereo, Span span, int side, int rate) {
    const size_t margin = span.frames() / 8;
    size_t first = 0, last = 0, crossings = 0;
    for (size_t i = span.begin + margin + 1; i < span.end - margin; ++i) {
        if (stereo[2 * (i - 1) + side] < 0.0f && stereo[2 * i + side] >= 0.0f) {
            if (crossings == 0) {
                first = i;
            }
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}

void writeTones(const std::string& path, const std::vector<Tone>& tones, int channels, int rate) {
    const bool flac = path.size() > 5 && path.compare(path.size() - 5, 5, ".flac") == 0;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = flac ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16 : SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error("writeTones: cannot write " + path);
    }
    // In blocks, so that long tones take little memory.
    constexpr long kBlock = 65536;
    std::vector<float> data(static_cast<size_t>(kBlock) * channels);
    for (const Tone& tone : tones) {
        const long frames = std::lround(tone.seconds * rate);
        for (long start = 0; start < frames; start += kBlock) {
            const long count = std::min(kBlock, frames - start);
            for (long i = 0; i < count; ++i) {
                const long n = start + i;
                float v = static_cast<float>(
                    tone.hz == 0.0 ? tone.amplitude : tone.amplitude * std::sin(2.0 * M_PI * tone.hz * n / rate));
                for (int c = 0; c < channels; ++c) {
                    data[static_cast<size_t>(i) * channels + c] = v;
                }
            }
            sf_writef_float(file, data.data(), count);
        }
    }
    sf_close(file);
}
}
