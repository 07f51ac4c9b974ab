#pragma once
// Plays one sound file, loaded whole or streamed, on the shared sound
// system. The player remembers volume, pan, speed, looping, pausing and
// whether plays may overlap, and hands them to its channel while it plays
// and again at every play. It releases the sound it created, sample or
// stream, when it loads another, unloads or is destroyed.
#include "ofSoundEngine.h"

#include <string>

void ofSoundStopAll();
void ofSoundSetVolume(float vol);
void ofSoundUpdate();
// The spectrum of the mixed output in nBands bands (1 to 8192). The array
// lives as long as the program; the next call overwrites it.
float* ofSoundGetSpectrum(int nBands);
// The band arithmetic of ofSoundGetSpectrum: rawCount magnitudes (a power
// of two, 64 to 8192, at least nBands) become levels of 20 × log10 (1 +
// magnitude), gathered into nBands bands that are added to `bands` (8192
// values, zero on entry).
void ofSoundSpectrumBands(const float* raw, int rawCount, int nBands, float* bands);

class ofSoundPlayer {
public:
    ofSoundPlayer();
    virtual ~ofSoundPlayer();

    void loadSound(std::string fileName, bool stream = false);
    void unloadSound();
    void play();
    void stop();

    void setVolume(float vol);
    void setPan(float vol);
    void setSpeed(float spd);
    void setPaused(bool bP);
    void setLoop(bool bLp);
    void setMultiPlay(bool bMp);
    void setPosition(float pct);   // 0 to 1

    float getPosition();
    bool getIsPlaying();
    float getSpeed();
    float getPan();

    static void initializeFmod();
    static void closeFmod();

    bool isStreaming;
    bool bMultiPlay;
    bool bLoop;
    bool bLoadedOk;
    bool bPaused;
    float pan;
    float volume;
    float internalFreq;
    float speed;
    unsigned int length;
    int result;
    ofSoundEngine::ChannelHandle channel;
    ofSoundEngine::SoundHandle sound;
};
