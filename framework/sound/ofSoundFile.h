#pragma once
// Reading sound files (WAV, MP3 and whatever else libsndfile knows) as float
// frames of one or two channels. Files with more than two channels give
// their first two; the mixer only ever sees mono or stereo.
#include <cstdint>
#include <string>

struct sf_private_tag;

class ofSoundFile {
public:
    // Files that claim rates outside these are not sound we can play.
    static constexpr int kMinRate = 1000;
    static constexpr int kMaxRate = 384000;

    ofSoundFile() = default;
    ~ofSoundFile();
    ofSoundFile(const ofSoundFile&) = delete;
    ofSoundFile& operator=(const ofSoundFile&) = delete;

    bool open(const std::string& path);
    void close();
    bool isOpen() const { return file != nullptr; }

    int channels() const { return outChannels; }      // 1 or 2
    int sampleRate() const { return rate; }
    // The length the file claims, 0 when its header leaves it open;
    // decoding may end earlier or later.
    uint64_t declaredFrames() const { return frames; }

    // Reads up to maxFrames frames into out (maxFrames × channels() floats).
    // Returns the frames read; 0 at the end of the data or on a decode error.
    int read(float* out, int maxFrames);
    bool seek(uint64_t frame);

private:
    sf_private_tag* file = nullptr;
    int fileChannels = 0;
    int outChannels = 0;
    int rate = 0;
    uint64_t frames = 0;
    float* scratch = nullptr;      // interleaved frames with every file channel
    int scratchFrames = 0;
};
