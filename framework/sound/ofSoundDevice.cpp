#include "ofSoundDevice.h"

#include "ofLog.h"

#include <SDL.h>

#include <string>

namespace {
constexpr int kWantedRate = 44100;
constexpr int kBufferFrames = 1024;

}

void ofSoundDevice::audioCallback(void* self, unsigned char* stream, int len) {
    auto* device = static_cast<ofSoundDevice*>(self);
    device->mixFunction(device->mixUser, reinterpret_cast<float*>(stream),
                        len / static_cast<int>(2 * sizeof(float)));
}

ofSoundDevice::~ofSoundDevice() {
    close();
}

bool ofSoundDevice::openWithCurrentDriver(MixFunction mix, void* user) {
    // SDL would otherwise turn SIGINT and SIGTERM into quit events that
    // nobody reads, and the game could no longer be stopped from a terminal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    subsystemUp = true;
    SDL_AudioSpec want;
    SDL_AudioSpec have;
    SDL_zero(want);
    SDL_zero(have);
    want.freq = kWantedRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = audioCallback;
    want.userdata = this;
    mixFunction = mix;
    mixUser = user;
    // SDL converts format and channel count for us when the device differs,
    // so the mix is always float stereo; only the rate is taken from the
    // device, to spare a resampling step.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp = false;
        return false;
    }
    rate = have.freq;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

bool ofSoundDevice::open(MixFunction mix, void* user) {
    close();
    if (openWithCurrentDriver(mix, user)) {
        return true;
    }
    std::string reason = SDL_GetError();
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    bool ok = openWithCurrentDriver(mix, user);
    // Back to what the environment asks for, for the next engine.
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (ok) {
        ofLog(OF_WARNING, "ofSoundPlayer: no audio device (%s), sound is muted", reason.c_str());
    } else {
        ofLog(OF_ERROR, "ofSoundPlayer: no audio output at all (%s)", SDL_GetError());
    }
    return ok;
}

void ofSoundDevice::close() {
    if (device != 0) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    if (subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp = false;
    }
    rate = 0;
}
