#include "ofSoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
// Float files may hold anything, NaN included; the mixer must only see
// samples in range.
void sanitize(float* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        float v = samples[i];
        samples[i] = std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
    }
}
}

ofSoundFile::~ofSoundFile() {
    close();
}

bool ofSoundFile::open(const std::string& path) {
    close();
    SF_INFO info;
    std::memset(&info, 0, sizeof(info));
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return false;
    }
    if (info.channels < 1 || info.samplerate < kMinRate || info.samplerate > kMaxRate) {
        close();
        return false;
    }
    fileChannels = info.channels;
    outChannels = std::min(fileChannels, 2);
    rate = info.samplerate;
    // libsndfile gives SF_COUNT_MAX when the header leaves the length open.
    frames = info.frames > 0 && info.frames != SF_COUNT_MAX ? static_cast<uint64_t>(info.frames) : 0;
    return true;
}

void ofSoundFile::close() {
    if (file != nullptr) {
        sf_close(file);
        file = nullptr;
    }
    std::free(scratch);
    scratch = nullptr;
    scratchFrames = 0;
    fileChannels = outChannels = rate = 0;
    frames = 0;
}

int ofSoundFile::read(float* out, int maxFrames) {
    if (file == nullptr || maxFrames <= 0) {
        return 0;
    }
    if (fileChannels == outChannels) {
        sf_count_t got = sf_readf_float(file, out, maxFrames);
        if (got <= 0) {
            return 0;
        }
        sanitize(out, static_cast<size_t>(got) * outChannels);
        return static_cast<int>(got);
    }
    // More than two channels: read them all, keep the first two.
    if (scratchFrames < maxFrames) {
        float* grown = static_cast<float*>(
            std::realloc(scratch, sizeof(float) * static_cast<size_t>(maxFrames) * fileChannels));
        if (grown == nullptr) {
            return 0;
        }
        scratch = grown;
        scratchFrames = maxFrames;
    }
    sf_count_t got = sf_readf_float(file, scratch, maxFrames);
    if (got <= 0) {
        return 0;
    }
    for (sf_count_t i = 0; i < got; ++i) {
        out[2 * i] = scratch[i * fileChannels];
        out[2 * i + 1] = scratch[i * fileChannels + 1];
    }
    sanitize(out, static_cast<size_t>(got) * 2);
    return static_cast<int>(got);
}

bool ofSoundFile::seek(uint64_t frame) {
    if (file == nullptr || frame > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    return sf_seek(file, static_cast<sf_count_t>(frame), SEEK_SET) == static_cast<sf_count_t>(frame);
}
