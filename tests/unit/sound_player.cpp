// The sound player and the global sound functions, heard through SDL's disk
// driver: every test plays real sounds and measures what was mixed.
#include "CaptureStdout.h"
#include "SoundCapture.h"
#include "TestPaths.h"
#include "ofSoundPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace soundcapture;

namespace {
void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Output is paced by the clock but falls behind it on a busy machine, so
// waits are far longer than what they wait for; only a fault runs them out.
bool waitFor(const std::function<bool()>& done, int ms = 60000) {
    for (int waited = 0; waited < ms; waited += 5) {
        if (done()) {
            return true;
        }
        sleepMs(5);
    }
    return done();
}

// Waits until a looping player's position has come round `times` times.
bool waitForLoops(ofSoundPlayer& player, int times) {
    float last = player.getPosition();
    int loops = 0;
    return waitFor([&] {
        float now = player.getPosition();
        loops += now < last ? 1 : 0;
        last = now;
        return loops >= times;
    });
}

size_t frames(double seconds) {
    return static_cast<size_t>(std::lround(seconds * kRate));
}

// The disk driver takes a block of 1024 frames at most every 23 ms and asks
// for the next before it waits: no channel can have moved on further since
// `since`, however the threads were scheduled.
using Clock = std::chrono::steady_clock;
size_t mixableSince(Clock::time_point since) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    return static_cast<size_t>(ms / 23 + 2) * 1024;
}

// Every test runs in a scratch folder whose data/ holds the fixtures.
class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(system("mkdir -p data"), 0);
        capture = captureInto(dir);
    }
    void TearDown() override {
        ofSoundPlayer::closeFmod();
    }
    // Closes the engine so the capture is complete, then reads it.
    std::vector<float> heard() {
        ofSoundPlayer::closeFmod();
        return readCapture(capture);
    }
    void playToEnd(ofSoundPlayer& player) {
        player.play();
        EXPECT_TRUE(waitFor([&] { return !player.getIsPlaying(); }));
        gap();
    }
    // Some silence in the output, to tell plays apart.
    void gap() {
        EXPECT_TRUE(waitForFrames(capture, 2048));
    }

    ScratchDir scratch{"sound"};
    std::string dir = scratch.path();
    std::string capture;
};
}

TEST_F(SoundPlayerTest, VolumePanAndSpeedComeOutAsSetForSamplesAndStreams) {
    writeTones("data/tone.wav", {{1000, 0.25}});
    writeTones("data/long.wav", {{1000, 1.0}}, 2);
    writeTones("data/forlame.wav", {{1000, 1.0}});
    ASSERT_EQ(system("lame --quiet -b 192 data/forlame.wav data/tone.mp3"), 0);

    ofSoundPlayer sample;
    sample.loadSound("tone.wav");
    ASSERT_TRUE(sample.bLoadedOk);
    EXPECT_EQ(sample.length, frames(0.25));
    sample.setPaused(true);   // not playing: changes nothing
    sample.setVolume(0.3f);
    playToEnd(sample);
    sample.setVolume(1.0f);
    sample.setPan(0.0f);
    playToEnd(sample);
    sample.setPan(1.0f);
    playToEnd(sample);
    sample.setPan(0.5f);
    sample.setSpeed(2.0f);
    playToEnd(sample);

    ofSoundPlayer stream;
    stream.loadSound("long.wav", true);
    ASSERT_TRUE(stream.bLoadedOk);
    EXPECT_EQ(stream.length, frames(1.0));
    stream.setVolume(0.5f);
    stream.setSpeed(2.0f);
    playToEnd(stream);

    ofSoundPlayer mp3;
    mp3.loadSound("tone.mp3", true);
    ASSERT_TRUE(mp3.bLoadedOk);
    EXPECT_NEAR(mp3.length, frames(1.0), 1152);
    playToEnd(mp3);

    std::vector<float> out = heard();
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 6u);
    // Volume 0.3 in the middle: 0.3 on both sides.
    EXPECT_NEAR(peak(out, spans[0], 0), 0.3f, 0.005f);
    EXPECT_NEAR(peak(out, spans[0], 1), 0.3f, 0.005f);
    EXPECT_NEAR(frequency(out, spans[0], 0), 1000.0, 5.0);
    EXPECT_NEAR(spans[0].frames(), frames(0.25), 50);
    // Pan 0: all left; pan 1: all right.
    EXPECT_NEAR(peak(out, spans[1], 0), 1.0f, 0.005f);
    EXPECT_LT(peak(out, spans[1], 1), 1e-6f);
    EXPECT_LT(peak(out, spans[2], 0), 1e-6f);
    EXPECT_NEAR(peak(out, spans[2], 1), 1.0f, 0.005f);
    // Speed 2: twice the pitch in half the time.
    EXPECT_NEAR(frequency(out, spans[3], 0), 2000.0, 10.0);
    EXPECT_NEAR(spans[3].frames(), frames(0.125), 50);
    // The stream follows the same settings.
    EXPECT_NEAR(peak(out, spans[4], 0), 0.5f, 0.005f);
    EXPECT_NEAR(frequency(out, spans[4], 1), 2000.0, 10.0);
    EXPECT_NEAR(spans[4].frames(), frames(0.5), 50);
    // The MP3 decodes to its tone.
    EXPECT_NEAR(frequency(out, spans[5], 0), 1000.0, 5.0);
    EXPECT_NEAR(spans[5].frames(), frames(1.0), 1152);
}

TEST_F(SoundPlayerTest, MultiPlayOverlapsAndSinglePlayStopsTheFirst) {
    // A constant level makes overlaps add up exactly. The second play comes
    // once the first is under way, long before it ends.
    writeTones("data/level.wav", {{0, 1.0, 0.3}});
    ofSoundPlayer player;
    player.loadSound("level.wav", true);
    player.setMultiPlay(true);
    player.play();
    EXPECT_TRUE(waitFor([&] { return player.getPosition() >= 0.05f; }));
    player.play();
    EXPECT_TRUE(waitFor([&] { return !player.getIsPlaying(); }));
    gap();
    // Switched off by hand, and by loading a sound.
    for (bool reload : {false, true}) {
        player.setMultiPlay(reload);   // a load must switch it off
        if (reload) {
            player.loadSound("level.wav", true);
        }
        player.play();
        EXPECT_TRUE(waitFor([&] { return player.getPosition() >= 0.05f; }));
        player.play();
        EXPECT_TRUE(waitFor([&] { return !player.getIsPlaying(); }));
        gap();
    }

    std::vector<float> out = heard();
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 3u);
    auto framesAt = [&](Span span, float level) {
        return std::count_if(out.begin() + 2 * span.begin, out.begin() + 2 * span.end,
                             [&](float v) { return std::fabs(v - level) < 1e-4f; }) / 2;
    };
    // Overlapping: 0.3 alone for as long as the second play came later,
    // 0.6 together, then 0.3 alone for as long again.
    const long both = framesAt(spans[0], 0.6f);
    const long alone = framesAt(spans[0], 0.3f);
    EXPECT_GT(both, 0);
    EXPECT_GE(alone, static_cast<long>(2 * frames(0.05)));
    EXPECT_NEAR(both + alone / 2, static_cast<long>(frames(1.0)), 4);
    EXPECT_EQ(both + alone, static_cast<long>(spans[0].frames()));
    // Not overlapping: never above 0.3, and the first play was cut short.
    for (Span span : {spans[1], spans[2]}) {
        EXPECT_EQ(framesAt(span, 0.6f), 0);
        EXPECT_EQ(framesAt(span, 0.3f), static_cast<long>(span.frames()));
        EXPECT_GE(span.frames(), frames(1.05));
    }
}

namespace {
// A pure tone obeys x[n+1] = 2 cos(w) x[n] - x[n-1]; a dropped, repeated or
// late frame breaks it. Returns the largest departure over the span.
double worstToneDeparture(const std::vector<float>& out, Span span, double hz) {
    const double twoCos = 2.0 * std::cos(2.0 * M_PI * hz / kRate);
    double worst = 0.0;
    for (size_t i = span.begin + 2; i + 3 < span.end; ++i) {
        double predicted = twoCos * out[2 * i] - out[2 * (i - 1)];
        worst = std::max(worst, std::fabs(predicted - out[2 * (i + 1)]));
    }
    return worst;
}
}

TEST_F(SoundPlayerTest, LoopingKeepsSoundingAndOneShotsEnd) {
    writeTones("data/short.wav", {{1000, 0.1}});
    // 440 whole periods, so the file loops without a seam; 1 s is longer
    // than what a stream keeps decoded up front.
    writeTones("data/music.wav", {{440, 1.0}});
    ASSERT_EQ(system("lame --quiet -b 192 data/music.wav data/music.mp3"), 0);

    ofSoundPlayer shortOne;
    shortOne.loadSound("short.wav");
    shortOne.setLoop(true);
    shortOne.play();
    EXPECT_TRUE(waitForLoops(shortOne, 3));
    EXPECT_TRUE(shortOne.getIsPlaying());
    shortOne.stop();
    gap();
    shortOne.setLoop(false);
    playToEnd(shortOne);

    for (const char* name : {"music.wav", "music.mp3"}) {
        ofSoundPlayer music;
        music.loadSound(name, true);
        music.setLoop(true);
        music.play();
        EXPECT_TRUE(waitForLoops(music, 1));
        EXPECT_TRUE(waitFor([&] { return music.getPosition() > 0.2f; }));
        EXPECT_TRUE(music.getIsPlaying());
        music.stop();
        gap();
    }

    std::vector<float> out = heard();
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_GT(spans[0].frames(), frames(0.3));
    EXPECT_NEAR(spans[1].frames(), frames(0.1), 50);
    EXPECT_GT(spans[2].frames(), frames(1.2));
    EXPECT_GT(spans[3].frames(), frames(1.2));
    EXPECT_LT(worstToneDeparture(out, spans[2], 440.0), 1e-4);
    // The encoder's own ringing at the file's ends stays under 0.01; a lost
    // frame at the seam (where the tone crosses zero) would be near 0.06.
    EXPECT_LT(worstToneDeparture(out, spans[3], 440.0), 0.02);
}

TEST_F(SoundPlayerTest, SetPositionSeeksSamplesAndStreamsToTheFraction) {
    // 500 Hz in the first half, 1500 Hz in the second; the half lies beyond
    // what a stream keeps decoded up front.
    writeTones("data/halves.wav", {{500, 1.0}, {1500, 1.0}});
    const float length = static_cast<float>(frames(2.0));
    std::vector<size_t> starts, beforeSeek;
    for (bool stream : {false, true}) {
        starts.push_back(capturedFrames(capture));
        ofSoundPlayer player;
        player.loadSound("halves.wav", stream);
        ASSERT_EQ(player.length, frames(2.0));
        const Clock::time_point played = Clock::now();
        player.play();
        player.setPosition(0.5f);
        const Clock::time_point seeked = Clock::now();
        float at = player.getPosition();
        EXPECT_GE(at, 0.5f);
        EXPECT_LE(at, 0.5f + mixableSince(seeked) / length);
        // Fractions no position can have change nothing.
        for (float bad : {-0.5f, 1.0f, 2.0f, 1e20f, std::nanf("")}) {
            player.setPosition(bad);
        }
        EXPECT_TRUE(player.getIsPlaying());
        EXPECT_GE(player.getPosition(), at);
        EXPECT_LE(player.getPosition(), 0.5f + mixableSince(seeked) / length);
        beforeSeek.push_back(mixableSince(played));
        EXPECT_TRUE(waitFor([&] { return !player.getIsPlaying(); }));
        EXPECT_EQ(player.getPosition(), 0.0f);
        gap();
    }
    std::vector<float> out = heard();
    starts.push_back(out.size() / 2);
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        // What the first half sounded before the seek, if anything, then the
        // second half; a stream may fall silent while it reads ahead from
        // the new place.
        std::vector<Span> spans = soundingSpans(out);
        spans.erase(std::remove_if(spans.begin(), spans.end(),
                                   [&](Span s) { return s.begin < starts[i] || s.begin >= starts[i + 1]; }),
                    spans.end());
        ASSERT_TRUE(spans.size() == 1u || spans.size() == 2u) << spans.size();
        size_t sounding = 0;
        for (Span span : spans) {
            sounding += span.frames();
        }
        EXPECT_LE(sounding, frames(1.0) + beforeSeek[i]);
        EXPECT_GE(spans.back().frames(), frames(1.0) - 1);   // the sine starts at 0
        Span second{spans.back().end - frames(1.0), spans.back().end};
        EXPECT_NEAR(frequency(out, second, 0), 1500.0, 10.0);
    }
}

TEST_F(SoundPlayerTest, MasterVolumeScalesEverythingAndStopAllSilencesIt) {
    writeTones("data/a.wav", {{0, 0.3, 0.4}});
    writeTones("data/b.wav", {{0, 0.3, 0.2}});
    ofSoundPlayer a, b;
    a.loadSound("a.wav");
    b.loadSound("b.wav", true);
    a.setLoop(true);
    b.setLoop(true);
    ofSoundSetVolume(0.5f);
    a.play();
    b.play();
    EXPECT_TRUE(waitFor([&] { return a.getPosition() > 0.5f; }));
    ofSoundStopAll();
    EXPECT_FALSE(a.getIsPlaying());
    EXPECT_FALSE(b.getIsPlaying());
    EXPECT_TRUE(waitForFrames(capture, frames(0.1)));

    std::vector<float> out = heard();
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_NEAR(peak(out, spans[0], 0), 0.3f, 1e-4f);
    EXPECT_NEAR(peak(out, spans[0], 1), 0.3f, 1e-4f);
    EXPECT_GT(spans[0].frames(), frames(0.15));
    // Nothing after the stop.
    EXPECT_LT(spans[0].end + frames(0.05), out.size() / 2);
}

TEST_F(SoundPlayerTest, SpectrumOfAPureTonePeaksInItsBand) {
    writeTones("data/tone.wav", {{1000, 0.5}});
    float* silent = ofSoundGetSpectrum(512);
    EXPECT_EQ(*std::max_element(silent, silent + 512), 0.0f);

    ofSoundPlayer player;
    player.loadSound("tone.wav");
    player.setLoop(true);
    player.play();
    EXPECT_TRUE(waitForFrames(capture, 8192));
    // 512 bands over 22050 Hz: 43 Hz each, 1000 Hz lies in band 23.
    float* bands = ofSoundGetSpectrum(512);
    EXPECT_EQ(bands, silent);
    EXPECT_EQ(std::max_element(bands, bands + 512) - bands, 23);
    // Unscaled levels: a full-scale tone reads 20 × log10 (1 + 1) there.
    EXPECT_NEAR(bands[23], 6.0, 1.5);
    EXPECT_LT(bands[100], 0.1f);

    CaptureStdout out;
    EXPECT_EQ(ofSoundGetSpectrum(0), bands);
    EXPECT_EQ(*std::max_element(bands, bands + 8192), 0.0f);
    ofSoundGetSpectrum(10000);
    EXPECT_EQ(out.finish(),
              "OF_ERROR: error in ofSoundSpectrum, you've asked for 0 bands, minimum is 1\n"
              "OF_ERROR: error in ofSoundGetSpectrum, the maximum number of bands is 8192 - you asked for 10000 we will return 8192\n");
}

TEST_F(SoundPlayerTest, FewerThanSixtyFourBandsGatherSixtyFourLevels) {
    // Exactly 10 periods in 128 frames: over the last 128 mixed frames
    // (64 magnitudes), under a Hann window, the tone reads its amplitude
    // at magnitude 10 and half of it at 9 and 11, and nothing elsewhere.
    // 64 frames hold 5 periods, so asking for fewer magnitudes would move
    // the tone to 5. The file is 690 × 64 frames long: its loop has no seam.
    const double hz = 10.0 * kRate / 128;
    writeTones("data/tone.wav", {{hz, 690.0 * 64 / kRate, 0.05}});
    ofSoundPlayer player;
    player.loadSound("tone.wav");
    player.setLoop(true);
    player.play();
    EXPECT_TRUE(waitForFrames(capture, 8192));

    const float level10 = 20 * std::log10(1.05f), level9 = 20 * std::log10(1.025f);   // = level 11
    const struct {
        int bands;
        std::vector<std::pair<int, float>> sounding;   // every other band is 0
    } cases[] = {
        {32, {{4, (level9 + level10) / 2}, {5, level9 / 2}}},
        {10, {{1, (level9 + level10 + level9) / 6.4f}}},
    };
    for (const auto& c : cases) {
        std::vector<float> expected(8192, 0.0f);
        for (auto [band, value] : c.sounding) {
            expected[band] = value;
        }
        const float* bands = ofSoundGetSpectrum(c.bands);
        for (int i = 0; i < 8192; ++i) {
            ASSERT_NEAR(bands[i], expected[i], 1e-3f) << c.bands << " bands, band " << i;
        }
    }
}

TEST(SoundSpectrumBands, BandsGatherTheLevelsOfTheRawSpectrum) {
    // Raw magnitudes chosen so that the levels are exactly 0.01 × i.
    std::vector<float> levels(64), raw(64);
    for (int i = 0; i < 64; ++i) {
        levels[i] = 0.01f * i;
    }
    levels[5] = 3.0f;
    for (int i = 0; i < 64; ++i) {
        raw[i] = std::pow(10.0f, levels[i] / 20.0f) - 1.0f;
    }
    std::vector<float> bands(8192, 0.0f);

    ofSoundSpectrumBands(raw.data(), 64, 64, bands.data());
    EXPECT_NEAR(bands[5], 3.0f, 1e-4f);   // unscaled, not capped
    EXPECT_NEAR(bands[63], 0.63f, 1e-4f);

    std::fill(bands.begin(), bands.end(), 0.0f);
    ofSoundSpectrumBands(raw.data(), 64, 32, bands.data());
    EXPECT_NEAR(bands[0], (levels[0] + levels[1] + levels[2]) / 2, 1e-4f);
    EXPECT_EQ(bands[2], 1.0f);   // (3 + 0.06) / 2, capped
    for (int k = 3; k <= 30; ++k) {
        EXPECT_NEAR(bands[k], (levels[2 * k + 1] + levels[2 * k + 2]) / 2, 1e-4f) << k;
    }
    EXPECT_NEAR(bands[31], levels[63] / 2, 1e-4f);

    levels[5] = 0.05f;
    raw[5] = std::pow(10.0f, levels[5] / 20.0f) - 1.0f;
    std::fill(bands.begin(), bands.end(), 0.0f);
    ofSoundSpectrumBands(raw.data(), 64, 10, bands.data());
    // Ratio 6.4: a level on a boundary is shared by the bands beside it.
    EXPECT_NEAR(bands[0], (0.21f + 0.4f * 0.07f) / 6.4f, 1e-4f);
    EXPECT_NEAR(bands[1], (0.6f * 0.07f + 0.50f + 0.8f * 0.13f) / 6.4f, 1e-4f);
    EXPECT_NEAR(bands[9], (0.4f * 0.58f + 0.59f + 0.60f + 0.61f + 0.62f + 0.63f) / 6.4f, 1e-4f);
}

TEST_F(SoundPlayerTest, FilesThatCannotBeReadLeaveThePlayerUnloaded) {
    writeTones("data/tone.wav", {{1000, 0.5}});
    { std::ofstream("data/empty.wav"); }
    { std::ofstream("data/junk.mp3") << std::string(5000, '\x5a'); }
    // Looping, so that only the failed load can have ended it; streamed, so
    // that a play after it would sound the old sound if it were kept.
    ofSoundPlayer player;
    player.loadSound("tone.wav", true);
    player.setLoop(true);
    player.play();
    ASSERT_TRUE(player.getIsPlaying());

    for (std::string name : {"missing.wav", "empty.wav", "junk.mp3"}) {
        for (bool stream : {false, true}) {
            CaptureStdout log;
            player.loadSound(name, stream);
            EXPECT_EQ(log.finish(), "OF_ERROR: ofSoundPlayer: Could not load sound file data/" + name + "\n");
            EXPECT_FALSE(player.bLoadedOk);
            EXPECT_NE(player.result, 0);
            player.setVolume(0.2f);
            player.play();
            EXPECT_FALSE(player.getIsPlaying());
            EXPECT_EQ(player.volume, 0.2f);
        }
    }
    player.setLoop(false);
    gap();
    // A file cut short plays what it has: 30000 bytes of which 80 are the
    // header, 4 bytes a frame.
    ASSERT_EQ(system("head -c 30000 data/tone.wav > data/cut.wav"), 0);
    for (bool stream : {false, true}) {
        player.loadSound("cut.wav", stream);
        EXPECT_TRUE(player.bLoadedOk);
        playToEnd(player);
    }
    // Float samples that are not numbers, or far out of range, never reach
    // the output as such.
    writeTones("data/wild.wav", {{0, 0.05, NAN}, {0, 0.05, 1e30}, {0, 0.05, -INFINITY}});
    player.loadSound("wild.wav");
    ASSERT_TRUE(player.bLoadedOk);
    playToEnd(player);

    std::vector<float> out = heard();
    std::vector<Span> spans = soundingSpans(out);
    // The first play may have sounded before the failed load stopped it;
    // had it not been stopped, it would have run into everything after.
    ASSERT_TRUE(spans.size() == 3u || spans.size() == 4u) << spans.size();
    spans.erase(spans.begin(), spans.end() - 3);
    EXPECT_NEAR(spans[0].frames(), (30000 - 80) / 4, 2);
    EXPECT_NEAR(spans[1].frames(), (30000 - 80) / 4, 2);
    for (size_t i = 2 * spans[2].begin; i < 2 * spans[2].end; ++i) {
        ASSERT_TRUE(out[i] >= -0.2f && out[i] <= 0.2f) << i << " " << out[i];   // volume 0.2
    }
}

// The engine gives out the lowest free slot: a new sound's slot counts the
// sounds still held.
TEST_F(SoundPlayerTest, APlayerReleasesItsSoundOnReloadUnloadAndDestruction) {
    writeTones("data/tone.wav", {{1000, 0.1}});
    auto soundsHeld = [] {
        ofSoundPlayer probe;
        probe.loadSound("tone.wav");
        return probe.sound.index;
    };
    for (bool stream : {false, true}) {
        SCOPED_TRACE(stream);
        {
            ofSoundPlayer player;
            player.loadSound("tone.wav", stream);
            player.loadSound("tone.wav", stream);
            EXPECT_EQ(soundsHeld(), 1);
            player.unloadSound();
            EXPECT_EQ(soundsHeld(), 0);
            player.loadSound("tone.wav", stream);
        }
        EXPECT_EQ(soundsHeld(), 0);
    }
}

TEST_F(SoundPlayerTest, ClosingStopsEveryThreadAndALaterLoadStartsAfresh) {
    auto threads = [] {
        std::string line;
        std::ifstream status("/proc/self/status");
        while (std::getline(status, line)) {
            if (line.rfind("Threads:", 0) == 0) {
                return std::atoi(line.c_str() + 8);
            }
        }
        return -1;
    };
    writeTones("data/music.wav", {{441, 1.0}});
    const int before = threads();
    ofSoundPlayer music;
    music.loadSound("music.wav", true);
    music.setLoop(true);
    music.play();
    EXPECT_GT(threads(), before);
    sleepMs(100);
    ofSoundUpdate();
    EXPECT_TRUE(music.getIsPlaying());
    ofSoundPlayer::closeFmod();
    // A joined thread still counts in /proc until the kernel has reaped it,
    // a moment after the join returned (longer on a busy machine).
    EXPECT_TRUE(waitFor([&] { return threads() == before; }));
    ofSoundUpdate();   // with no system it has nothing to do, and starts none
    EXPECT_EQ(threads(), before);
    EXPECT_FALSE(music.getIsPlaying());
    music.setVolume(0.5f);
    music.play();   // the old stream is gone with the old engine
    EXPECT_FALSE(music.getIsPlaying());

    music.loadSound("music.wav", true);
    music.play();
    EXPECT_TRUE(music.getIsPlaying());
    EXPECT_TRUE(waitForFrames(capture, 4096));
    std::vector<float> out = heard();
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_NEAR(peak(out, spans[0], 0), 0.5f, 0.005f);
}
