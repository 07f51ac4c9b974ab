#pragma once
// The audio output: one SDL2 device playing float stereo, filled by a mix
// function on SDL's audio thread. When no real device can be opened (no
// sound card, a build machine) it falls back to SDL's "dummy" driver, which
// consumes the mix in real time and plays nothing, and says so once.
#include <cstdint>

class ofSoundDevice {
public:
    // Called on the audio thread: write frames × 2 interleaved floats.
    using MixFunction = void (*)(void* user, float* out, int frames);

    ofSoundDevice() = default;
    ~ofSoundDevice();
    ofSoundDevice(const ofSoundDevice&) = delete;
    ofSoundDevice& operator=(const ofSoundDevice&) = delete;

    // Opens and starts the device. False when not even the dummy driver works.
    bool open(MixFunction mix, void* user);
    // Stops the device; when this returns the mix function is not running
    // and will not be called again.
    void close();

    int sampleRate() const { return rate; }

private:
    bool openWithCurrentDriver(MixFunction mix, void* user);
    static void audioCallback(void* self, unsigned char* stream, int len);

    MixFunction mixFunction = nullptr;
    void* mixUser = nullptr;

    uint32_t device = 0;
    bool subsystemUp = false;
    int rate = 0;
};
