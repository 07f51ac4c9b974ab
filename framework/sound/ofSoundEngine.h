#pragma once
// The software mixer behind ofSoundPlayer: sounds loaded whole (samples) or
// read ahead from their file (streams), played on a fixed number of
// channels, mixed on the audio device's thread.
//
// Channels and sounds are reached through handles that carry a serial
// number unique in the whole process. A handle whose channel has ended,
// was stopped, was taken over by a later play, or belongs to an engine that
// has been closed is stale: every call with it, or with an empty handle,
// does nothing and reads nothing.
//
// Ranges: volumes 0 to 1; pan 0 (left) to 1 (right), 0.5 in the middle;
// frequencies in Hz from 0 (the channel holds still and is silent) up to 8
// times the output rate or twice the highest rate a file may have, whichever
// is more. Values outside are clamped; NaN is ignored.
// Positions and lengths are in PCM frames of the sound's own rate.
#include "ofSoundDevice.h"
#include "ofSoundStream.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ofSoundEngine {
public:
    static constexpr int kMaxSpectrum = 8192;

    enum Result { OK = 0, ERR_NOT_RUNNING = 1, ERR_FILE = 2, ERR_TOO_LARGE = 3 };

    struct SoundHandle {
        int index = -1;
        uint64_t serial = 0;
    };
    struct ChannelHandle {
        int index = -1;
        uint64_t serial = 0;
    };

    ofSoundEngine();
    ~ofSoundEngine();
    ofSoundEngine(const ofSoundEngine&) = delete;
    ofSoundEngine& operator=(const ofSoundEngine&) = delete;

    // Opens the output and starts the decoder. False when already running
    // or when there is no output at all.
    bool init(int channelCount);
    // Stops every thread, frees every sound; handles made so far go stale.
    void close();
    bool isRunning() const;
    int outputRate() const;
    // Starts the channels played since the last update and lets the
    // decoder look at its streams at once.
    void update();

    // stream: read ahead from the file while playing instead of decoding
    // the whole file now. Returns OK and sets *sound, or an error.
    int createSound(const std::string& path, bool stream, SoundHandle* sound);
    bool getLength(SoundHandle sound, unsigned int* frames);
    // Stops the channels that play the sound, then frees it.
    void releaseSound(SoundHandle sound);

    // Takes a channel for the sound at its own rate, volume 1, pan 0.5, not
    // looping. It counts as playing at once but sounds only from the next
    // update, so that settings made in between apply from its first frame.
    ChannelHandle playSound(SoundHandle sound, bool paused);

    void stop(ChannelHandle channel);
    void setPaused(ChannelHandle channel, bool paused);
    void setVolume(ChannelHandle channel, float volume);
    void setPan(ChannelHandle channel, float pan);
    void setFrequency(ChannelHandle channel, float hz);
    bool getFrequency(ChannelHandle channel, float* hz);
    void setLoop(ChannelHandle channel, bool loop);
    // Positions at or beyond the sound's length are refused.
    void setPosition(ChannelHandle channel, unsigned int frame);
    bool getPosition(ChannelHandle channel, unsigned int* frame);
    // A paused channel counts as playing.
    bool isPlaying(ChannelHandle channel);

    // The master group: scales the whole mix, stops every channel.
    void setMasterVolume(float volume);
    void stopAll();

    // Magnitudes of `count` (1 to kMaxSpectrum) frequency bins, lowest first,
    // from the last 2 × count mixed frames of output channel `channelOffset`
    // (0 left, 1 right) under a Hann window; bin k is centred on
    // k × outputRate / (2 × count) Hz, and a full-scale sine reads about 1 at
    // its bin. False (and zeros) for a count out of range.
    bool getSpectrum(float* out, int count, int channelOffset);

private:
    struct Sound;
    struct Channel;

    static bool decodeInto(Sound& sound, ofSoundFile& file, uint64_t room, uint64_t keepAtMost);
    static void mixCallback(void* self, float* out, int frames);
    void mix(float* out, int frames);
    void mixChannel(Channel& channel, float* out, int frames);
    void mixStreamChannel(Channel& channel, float* out, int frames);
    void endChannel(Channel& channel);
    Sound* findSound(SoundHandle handle);
    Channel* findChannel(ChannelHandle handle);
    int chooseChannelSlot();
    void rememberOutput(const float* out, int frames);

    mutable std::mutex mutex;
    ofSoundDevice device;
    ofSoundStreamDecoder decoder{mutex};
    bool running = false;
    int rate = 0;
    float masterVolume = 1.0f;
    std::vector<std::unique_ptr<Sound>> sounds;
    std::vector<Channel> channels;
    std::vector<float> history;   // the last mixed stereo frames, for the spectrum
    size_t historyNext = 0;
};
