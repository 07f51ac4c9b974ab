// The sound engine on its own: channel handles, busy channels, releasing,
// and running without a sound card.
#include "CaptureStdout.h"
#include "SoundCapture.h"
#include "TestPaths.h"
#include "ofSoundEngine.h"
#include "ofSoundFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace soundcapture;
using Channel = ofSoundEngine::ChannelHandle;
using Sound = ofSoundEngine::SoundHandle;

namespace {
class SoundEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        capture = captureInto(dir);
    }
    void TearDown() override {
        engine.close();
    }
    Sound load(const std::vector<Tone>& tones, bool stream = false) {
        std::string path = dir + "/f" + std::to_string(++files) + ".wav";
        writeTones(path, tones);
        Sound sound;
        EXPECT_EQ(engine.createSound(path, stream, &sound), ofSoundEngine::OK);
        return sound;
    }

    // An encoder that cannot seek back leaves a FLAC's length open: total
    // samples 0 in its header, which libsndfile reports as the largest count.
    std::string openLengthFlac(const std::string& name, Tone tone, int channels) {
        const std::string path = dir + "/" + name;
        writeTones(path, {tone}, channels);
        // Total samples, the 36 bits from the low half of byte 21, and the
        // MD5 after them, which is zero when not known.
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        char streamInfo[42];
        f.read(streamInfo, sizeof streamInfo);
        std::fill(streamInfo + 22, streamInfo + 42, '\0');
        streamInfo[21] = static_cast<char>(streamInfo[21] & 0xF0);
        f.seekp(0);
        f.write(streamInfo, sizeof streamInfo);
        return path;
    }

    ofSoundEngine engine;
    ScratchDir scratch{"engine"};
    std::string dir = scratch.path();
    std::string capture;
    int files = 0;
};

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Output is paced by the clock but falls behind it on a busy machine: a
// channel is given far longer than it lasts before it counts as stuck.
bool waitUntilEnded(ofSoundEngine& engine, Channel channel) {
    for (int waited = 0; waited < 60000; waited += 10) {
        if (!engine.isPlaying(channel)) {
            return true;
        }
        sleepMs(10);
    }
    return false;
}
}

TEST_F(SoundEngineTest, StaleAndEmptyHandlesDoNothing) {
    ASSERT_TRUE(engine.init(4));
    Sound tone = load({{0, 0.6, 0.5}});
    Sound gone = load({{0, 0.1, 0.5}});
    engine.releaseSound(gone);

    Channel first = engine.playSound(tone, false);
    engine.stop(first);
    // Not sounding until the update after the stale calls, however long
    // they take; started a third of the way in, so that a stray seek
    // would show in its length.
    Channel live = engine.playSound(tone, false);
    ASSERT_EQ(live.index, first.index);   // the slot came round again
    engine.setPosition(live, kRate / 5);

    ofSoundEngine other;
    captureInto(dir + "/f1.wav.d");   // its own capture file
    ASSERT_EQ(system(("mkdir " + dir + "/f1.wav.d").c_str()), 0);
    ASSERT_TRUE(other.init(4));
    captureInto(dir);
    Sound otherTone;
    ASSERT_EQ(other.createSound(dir + "/f1.wav", false, &otherTone), ofSoundEngine::OK);
    Channel elsewhere = other.playSound(otherTone, false);   // a channel of another engine
    ASSERT_TRUE(other.isPlaying(elsewhere));
    other.close();

    const Channel stale[] = {Channel(), first, elsewhere, Channel{first.index, live.serial + 1},
                             Channel{-3, live.serial}, Channel{1 << 20, live.serial}};
    float hz = -1.0f;
    unsigned int frame = 12345;
    for (int i = 0; i < 10000; ++i) {
        const Channel h = stale[i % 6];
        engine.setVolume(h, 0.0f);
        engine.setPan(h, 0.0f);
        engine.setFrequency(h, 1.0f);
        engine.setPaused(h, true);
        engine.setLoop(h, true);
        engine.setPosition(h, 0);
        EXPECT_FALSE(engine.getFrequency(h, &hz));
        EXPECT_FALSE(engine.getPosition(h, &frame));
        EXPECT_FALSE(engine.isPlaying(h));
        engine.stop(h);
        EXPECT_EQ(engine.playSound(gone, false).serial, 0u);
        engine.releaseSound(gone);
    }
    EXPECT_EQ(hz, -1.0f);
    EXPECT_EQ(frame, 12345u);
    EXPECT_FALSE(engine.getLength(gone, &frame));

    // The live channel went on as it was: full level on both sides, at
    // its own rate, to its end.
    ASSERT_TRUE(engine.isPlaying(live));
    ASSERT_TRUE(engine.getFrequency(live, &hz));
    EXPECT_EQ(hz, 44100.0f);
    ASSERT_TRUE(engine.getPosition(live, &frame));
    EXPECT_EQ(frame, static_cast<unsigned>(kRate / 5));
    engine.update();
    ASSERT_TRUE(waitUntilEnded(engine, live));
    engine.close();
    std::vector<float> out = readCapture(capture);
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_NEAR(peak(out, spans[0], 0), 0.5f, 1e-6f);
    EXPECT_NEAR(peak(out, spans[0], 1), 0.5f, 1e-6f);
    EXPECT_EQ(spans[0].frames(), static_cast<size_t>(std::lround(0.6 * kRate) - kRate / 5));
}

TEST_F(SoundEngineTest, APlaySoundsFromTheNextUpdateWithTheSettingsMadeBefore) {
    ASSERT_TRUE(engine.init(32));
    Sound level = load({{0, 0.3, 1.0}});
    Channel channel = engine.playSound(level, false);
    EXPECT_TRUE(engine.isPlaying(channel));
    ASSERT_TRUE(waitForFrames(capture, 4096));   // mixing goes on, silent
    engine.setVolume(channel, 0.3f);
    engine.setPan(channel, 0.0f);
    engine.update();
    ASSERT_TRUE(waitUntilEnded(engine, channel));
    engine.close();
    std::vector<float> out = readCapture(capture);
    std::vector<Span> spans = soundingSpans(out, 1);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].frames(), static_cast<size_t>(0.3 * kRate));
    for (size_t i = spans[0].begin; i < spans[0].end; ++i) {
        ASSERT_EQ(out[2 * i], 0.3f) << i;
        ASSERT_EQ(out[2 * i + 1], 0.0f) << i;
    }
}

TEST_F(SoundEngineTest, BusyChannelsGiveWayOldestOneShotFirst) {
    ASSERT_TRUE(engine.init(3));
    Sound tone = load({{1000, 2.0}});
    Sound stream = load({{1000, 2.0}}, true);
    Channel music = engine.playSound(stream, false);
    engine.setLoop(music, true);
    Channel a = engine.playSound(tone, false);
    Channel b = engine.playSound(tone, true);   // paused still counts as busy
    Channel c = engine.playSound(tone, false);
    EXPECT_FALSE(engine.isPlaying(a));
    EXPECT_TRUE(engine.isPlaying(b));
    EXPECT_TRUE(engine.isPlaying(c));
    EXPECT_TRUE(engine.isPlaying(music));
    EXPECT_EQ(c.index, a.index);

    // When every channel loops, the oldest gives way.
    engine.setLoop(b, true);
    engine.setLoop(c, true);
    Channel d = engine.playSound(tone, false);
    EXPECT_FALSE(engine.isPlaying(music));
    EXPECT_EQ(d.index, music.index);
    EXPECT_TRUE(engine.isPlaying(b));
    EXPECT_TRUE(engine.isPlaying(c));
}

TEST_F(SoundEngineTest, ReleasingASoundStopsEveryChannelPlayingIt) {
    ASSERT_TRUE(engine.init(32));
    Sound tone = load({{1000, 1.0}});
    Sound stream = load({{1000, 1.0}}, true);
    Channel one = engine.playSound(tone, false);
    Channel two = engine.playSound(tone, false);
    Channel three = engine.playSound(stream, false);
    Channel four = engine.playSound(stream, false);
    engine.update();
    EXPECT_TRUE(waitForFrames(capture, 2048));
    engine.releaseSound(tone);
    engine.releaseSound(stream);
    for (Channel h : {one, two, three, four}) {
        EXPECT_FALSE(engine.isPlaying(h));
    }
    EXPECT_TRUE(waitForFrames(capture, kRate / 10));
    engine.close();
    std::vector<float> out = readCapture(capture);
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_GT(out.size() / 2 - spans[0].end, 0.05 * kRate);   // silent since the release
}

TEST_F(SoundEngineTest, EveryRateAFileMayHaveCanPlayAtTwiceItsSpeed) {
    ASSERT_TRUE(engine.init(4));
    const std::string path = dir + "/fast.wav";
    writeTones(path, {{1000, 0.2}}, 1, 384000);
    Sound sound;
    ASSERT_EQ(engine.createSound(path, false, &sound), ofSoundEngine::OK);
    for (float hz : {384000.0f, 768000.0f}) {
        Channel channel = engine.playSound(sound, false);
        engine.setFrequency(channel, hz);
        float got = 0.0f;
        ASSERT_TRUE(engine.getFrequency(channel, &got));
        EXPECT_EQ(got, hz);
        engine.update();
        ASSERT_TRUE(waitUntilEnded(engine, channel));
        ASSERT_TRUE(waitForFrames(capture, 2048));   // silence between the plays
    }
    // Heard as stored: speed 1 plays the tone as written, speed 2 at twice
    // its pitch in half the time.
    engine.close();
    std::vector<float> out = readCapture(capture);
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(frequency(out, spans[0], 0), 1000.0, 5.0);
    EXPECT_NEAR(spans[0].frames(), 0.2 * kRate, 50);
    EXPECT_NEAR(frequency(out, spans[1], 0), 2000.0, 10.0);
    EXPECT_NEAR(spans[1].frames(), 0.1 * kRate, 50);
}

namespace {
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(field));
        }
    }
    return -1;
}
}

TEST_F(SoundEngineTest, ASampleTooLongToHoldIsRefusedBeforeItIsDecoded) {
    ASSERT_TRUE(engine.init(4));
    // 8-bit mono, one frame more than a sample may hold (2^27 floats), all
    // silence; a sparse file, so it takes no room on the disk.
    const uint32_t frames = (1u << 27) + 1;
    const std::string path = dir + "/long.wav";
    {
        std::ofstream f(path, std::ios::binary);
        auto put = [&](uint32_t v, int bytes) { f.write(reinterpret_cast<const char*>(&v), bytes); };
        f << "RIFF";
        put(36 + frames, 4);
        f << "WAVEfmt ";
        // Format chunk size, PCM, mono, rate, bytes a second, bytes a frame, bits.
        for (auto [v, bytes] : {std::pair<uint32_t, int>{16, 4}, {1, 2}, {1, 2}, {kRate, 4}, {kRate, 4}, {1, 2}, {8, 2}}) {
            put(v, bytes);
        }
        f << "data";
        put(frames, 4);
    }
    ASSERT_EQ(truncate(path.c_str(), 44 + frames), 0);
    std::ofstream("/proc/self/clear_refs") << "5";   // the peak starts again from here
    const long before = statusKb("VmRSS:");
    Sound sound;
    EXPECT_EQ(engine.createSound(path, false, &sound), ofSoundEngine::ERR_TOO_LARGE);
    EXPECT_LT(statusKb("VmHWM:") - before, 64 * 1024);   // decoding it would take 512 MiB
    EXPECT_EQ(engine.createSound(path, true, &sound), ofSoundEngine::OK);
}

TEST_F(SoundEngineTest, ASampleOfOpenLengthIsRefusedOnlyWhenItsDataPassesTheLimit) {
    ASSERT_TRUE(engine.init(4));
    Sound sound;
    unsigned int length = 0;
    ASSERT_EQ(engine.createSound(openLengthFlac("second.flac", {1000, 1.0}, 2), false, &sound), ofSoundEngine::OK);
    ASSERT_TRUE(engine.getLength(sound, &length));
    EXPECT_EQ(length, static_cast<unsigned>(kRate));
    // One frame more than a stereo sample may hold (2^27 floats), silent so
    // that it is quick to write.
    const std::string tooLong = openLengthFlac("long.flac", {0, ((1 << 26) + 1) / double(kRate), 0.0}, 2);
    EXPECT_EQ(engine.createSound(tooLong, false, &sound), ofSoundEngine::ERR_TOO_LARGE);
    EXPECT_EQ(engine.createSound(tooLong, true, &sound), ofSoundEngine::OK);
}

// libsndfile refuses to seek this file to the frame after the part a stream
// keeps decoded from the start (32768 frames); the stream reads forward to
// it instead, once through and, looping, pass after pass.
TEST_F(SoundEngineTest, AStreamWhoseFileRefusesToSeekPlaysToItsEnd) {
    const int frames = 40000;
    const std::string path = openLengthFlac("refuses.flac", {440, double(frames) / kRate, 0.5}, 1);
    {
        ofSoundFile file;
        ASSERT_TRUE(file.open(path));
        ASSERT_FALSE(file.seek(32768)) << "the fixture no longer shows the refusal";
    }
    ASSERT_TRUE(engine.init(4));
    Sound sound;
    ASSERT_EQ(engine.createSound(path, true, &sound), ofSoundEngine::OK);
    for (bool loop : {false, true}) {
        Channel channel = engine.playSound(sound, false);
        engine.setLoop(channel, loop);
        engine.update();
        if (loop) {
            ASSERT_TRUE(waitForFrames(capture, 3 * frames));
            engine.stop(channel);
        }
        ASSERT_TRUE(waitUntilEnded(engine, channel));
        ASSERT_TRUE(waitForFrames(capture, 2048));   // silence between the plays
    }
    engine.close();
    std::vector<float> out = readCapture(capture);
    std::vector<Span> spans = soundingSpans(out);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(double(spans[0].frames()), frames, 2);
    EXPECT_GT(spans[1].frames(), size_t(2 * frames));
}

TEST_F(SoundEngineTest, WithoutADeviceTheDummyDriverTakesOverWithOneWarning) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CaptureStdout log;
    ASSERT_TRUE(engine.init(32));
    std::string text = log.finish();
    EXPECT_EQ(text.rfind("OF_WARNING: ", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_EQ(engine.outputRate(), kRate);

    // Sounds still take their time, never less than they last, and end.
    Sound tone = load({{1000, 0.5}}, true);
    Channel channel = engine.playSound(tone, false);
    const auto start = std::chrono::steady_clock::now();
    engine.update();
    EXPECT_TRUE(waitUntilEnded(engine, channel));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));

    // The fallback was for that engine only: the next one takes the driver
    // the environment names.
    engine.close();
    captureInto(dir);
    CaptureStdout quiet;
    ASSERT_TRUE(engine.init(32));
    EXPECT_EQ(quiet.finish(), "");
    engine.close();
    EXPECT_EQ(access(capture.c_str(), F_OK), 0);
}

// A player stops the game from a terminal with Ctrl+C or a plain kill; the
// sound device must not swallow those signals on the game's behalf.
TEST(SoundEngineSignals, TerminationSignalsStillEndTheProcessWhileSoundRuns) {
    for (int sig : {SIGTERM, SIGINT}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            ofSoundEngine engine;
            if (!engine.init(32)) _exit(2);
            raise(sig);
            sleepMs(2000);
            _exit(3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << sig << " ignored, exit status "
                                         << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        EXPECT_EQ(WTERMSIG(status), sig);
    }
}
