#include "ofSoundPlayer.h"

#include "ofLog.h"
#include "ofMath.h"
#include "ofUtils.h"

#include <cmath>
#include <limits>

namespace {
constexpr int kChannels = 32;
constexpr int kMaxBands = ofSoundEngine::kMaxSpectrum;

bool soundSystemInitialised = false;

// Never destroyed: players that outlive the exit handler (statics, or ones
// deleted after it) still call into it, and find it closed.
ofSoundEngine& sys() {
    static ofSoundEngine* engine = new ofSoundEngine();
    return *engine;
}

float fftValues[kMaxBands];
float fftInterpValues[kMaxBands];
float fftSpectrum[kMaxBands];

// length × fraction, truncated toward zero. Fractions that land outside
// what a position can be (negative, NaN, beyond 32 bits) give a position
// the engine refuses, rather than an undefined conversion.
unsigned int positionFor(unsigned int length, float fraction) {
    float at = static_cast<float>(length) * fraction;
    if (!(at >= 0.0f) || at >= 4294967296.0f) {
        return std::numeric_limits<unsigned int>::max();
    }
    return static_cast<unsigned int>(at);
}
}

void ofSoundStopAll() {
    ofSoundPlayer::initializeFmod();
    sys().stopAll();
}

void ofSoundSetVolume(float vol) {
    ofSoundPlayer::initializeFmod();
    sys().setMasterVolume(vol);
}

void ofSoundUpdate() {
    if (soundSystemInitialised) {
        sys().update();
    }
}

float* ofSoundGetSpectrum(int nBands) {
    ofSoundPlayer::initializeFmod();
    for (int i = 0; i < kMaxBands; ++i) {
        fftInterpValues[i] = 0;
    }
    if (nBands > kMaxBands) {
        ofLog(OF_ERROR, "error in ofSoundGetSpectrum, the maximum number of bands is 8192 - you asked for %i we will return 8192", nBands);
        nBands = kMaxBands;
    } else if (nBands <= 0) {
        ofLog(OF_ERROR, "error in ofSoundSpectrum, you've asked for %i bands, minimum is 1", nBands);
        return fftInterpValues;
    }

    int nBandsToGet = ofNextPow2(nBands);
    if (nBandsToGet < 64) {
        nBandsToGet = 64;
    }
    sys().getSpectrum(fftValues, nBandsToGet, 0);
    ofSoundSpectrumBands(fftValues, nBandsToGet, nBands, fftInterpValues);
    return fftInterpValues;
}

void ofSoundSpectrumBands(const float* raw, int rawCount, int nBands, float* bands) {
    for (int i = 0; i < rawCount; ++i) {
        float level = std::log10(raw[i] + 1);
        fftSpectrum[i] = 2 * (10 * level);
    }

    if (rawCount == nBands) {
        for (int i = 0; i < rawCount; ++i) {
            bands[i] = fftSpectrum[i];
        }
        return;
    }

    // Each band gathers `ratio` levels; a level on a boundary is shared
    // between the two bands it straddles.
    float ratio = static_cast<float>(rawCount) / static_cast<float>(nBands);
    int currentBand = 0;
    for (int i = 0; i < rawCount; ++i) {
        float boundary = (currentBand + 1) * ratio;
        if (i < boundary) {
            bands[currentBand] += fftSpectrum[i];
        } else {
            float remainder = boundary - (i - 1);
            bands[currentBand] += remainder * fftSpectrum[i];
            currentBand++;
            if (currentBand >= nBands) {
                ofLog(OF_ERROR, "ofSoundGetSpectrum - currentBand >= nBands");
            }
            bands[currentBand] += (1 - remainder) * fftSpectrum[i];
        }
    }
    for (int i = 0; i < nBands; ++i) {
        bands[i] /= ratio;
        if (bands[i] > 1) {
            bands[i] = 1.0f;
        }
    }
}

ofSoundPlayer::ofSoundPlayer()
    : isStreaming(false), bMultiPlay(false), bLoop(false), bLoadedOk(false), bPaused(false),
      pan(0.5f), volume(1.0f), internalFreq(44100.0f), speed(1.0f), length(0), result(0) {}

ofSoundPlayer::~ofSoundPlayer() {
    unloadSound();
}

void ofSoundPlayer::initializeFmod() {
    if (!soundSystemInitialised) {
        sys().init(kChannels);
        soundSystemInitialised = true;
    }
}

void ofSoundPlayer::closeFmod() {
    if (soundSystemInitialised) {
        sys().close();
        soundSystemInitialised = false;
    }
}

void ofSoundPlayer::loadSound(std::string fileName, bool stream) {
    fileName = ofToDataPath(fileName);
    bMultiPlay = false;
    initializeFmod();

    // The old sound goes first, whatever comes of the new one: a failed load
    // leaves nothing that a later play could sound.
    unloadSound();

    result = sys().createSound(fileName, stream, &sound);
    if (result != ofSoundEngine::OK) {
        bLoadedOk = false;
        ofLog(OF_ERROR, "ofSoundPlayer: Could not load sound file %s", fileName.c_str());
        return;
    }
    bLoadedOk = true;
    sys().getLength(sound, &length);
    isStreaming = stream;
}

// Streams are released too: each holds its decoded head in the engine until
// it is, however many are loaded over a long run.
void ofSoundPlayer::unloadSound() {
    if (bLoadedOk) {
        sys().stop(channel);
        sys().releaseSound(sound);
        bLoadedOk = false;
    }
}

bool ofSoundPlayer::getIsPlaying() {
    return bLoadedOk && sys().isPlaying(channel);
}

float ofSoundPlayer::getSpeed() {
    return speed;
}

float ofSoundPlayer::getPan() {
    return pan;
}

void ofSoundPlayer::setVolume(float vol) {
    if (getIsPlaying()) {
        sys().setVolume(channel, vol);
    }
    volume = vol;
}

float ofSoundPlayer::getPosition() {
    if (!getIsPlaying()) {
        return 0;
    }
    unsigned int at = 0;
    sys().getPosition(channel, &at);
    return length > 0 ? static_cast<float>(at) / static_cast<float>(length) : 0.0f;
}

void ofSoundPlayer::setPosition(float pct) {
    if (getIsPlaying()) {
        sys().setPosition(channel, positionFor(length, pct));
    }
}

void ofSoundPlayer::setPan(float p) {
    if (getIsPlaying()) {
        sys().setPan(channel, p);
    }
    pan = p;
}

void ofSoundPlayer::setPaused(bool bP) {
    if (getIsPlaying()) {
        sys().setPaused(channel, bP);
        bPaused = bP;
    }
}

void ofSoundPlayer::setSpeed(float spd) {
    if (getIsPlaying()) {
        sys().setFrequency(channel, internalFreq * spd);
    }
    speed = spd;
}

void ofSoundPlayer::setLoop(bool bLp) {
    if (getIsPlaying()) {
        sys().setLoop(channel, bLp);
    }
    bLoop = bLp;
}

void ofSoundPlayer::setMultiPlay(bool bMp) {
    bMultiPlay = bMp;
}

void ofSoundPlayer::play() {
    // A looping player never overlaps its own plays.
    if (bLoop) {
        sys().stop(channel);
    }
    if (!bMultiPlay) {
        sys().stop(channel);
    }
    channel = sys().playSound(sound, bPaused);
    sys().getFrequency(channel, &internalFreq);
    sys().setVolume(channel, volume);
    sys().setPan(channel, pan);
    sys().setFrequency(channel, internalFreq * speed);
    sys().setLoop(channel, bLoop);
    sys().update();
}

void ofSoundPlayer::stop() {
    sys().stop(channel);
}
