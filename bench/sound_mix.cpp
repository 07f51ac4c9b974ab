// What mixing costs: 32 looping channels whose frequencies change every few
// milliseconds, played in real time through SDL's dummy driver for two
// seconds. Reported as the share of one core that the engine's threads
// (SDL's audio thread, which mixes, and the stream decoder) used over that
// time. Argument: how many of the 32 channels are streams.
#include "ofSoundEngine.h"
#include "temp_file.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {
double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// A 3-second stereo file of noise: long enough that streams keep decoding.
const std::string& writeFixture() {
    static const bench::TempFile file(".wav");
    static const bool written = [] {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* out = sf_open(file.path().c_str(), SFM_WRITE, &info);
        if (out == nullptr) {
            std::fprintf(stderr, "%s: %s\n", file.path().c_str(), sf_strerror(nullptr));
            std::exit(1);
        }
        std::mt19937 random(7);
        std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
        std::vector<float> data(3 * 44100 * 2);
        for (float& v : data) {
            v = sample(random);
        }
        sf_writef_float(out, data.data(), 3 * 44100);
        sf_close(out);
        return true;
    }();
    (void)written;
    return file.path();
}

void BM_MixThirtyTwoChannels(benchmark::State& state) {
    const int streams = static_cast<int>(state.range(0));
    const std::string path = writeFixture();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    double share = 0.0;
    for (auto _ : state) {
        ofSoundEngine engine;
        if (!engine.init(32)) {
            state.SkipWithError("no audio output");
            return;
        }
        ofSoundEngine::SoundHandle sample, stream;
        engine.createSound(path, false, &sample);
        engine.createSound(path, true, &stream);
        std::vector<ofSoundEngine::ChannelHandle> channels;
        for (int i = 0; i < 32; ++i) {
            channels.push_back(engine.playSound(i < streams ? stream : sample, false));
            engine.setLoop(channels.back(), true);
            engine.setVolume(channels.back(), 0.03f);
        }
        engine.update();
        std::mt19937 random(1);
        std::uniform_real_distribution<float> speed(0.5f, 2.0f);
        const double cpuBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
            for (auto channel : channels) {
                engine.setFrequency(channel, 44100.0f * speed(random));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuAfter = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        share = (cpuAfter - cpuBefore) / wall;
        for (auto channel : channels) {
            if (!engine.isPlaying(channel)) {
                state.SkipWithError("a channel stopped");
            }
        }
        engine.close();
    }
    state.counters["core_percent"] = 100.0 * share;
}
}

BENCHMARK(BM_MixThirtyTwoChannels)->Arg(0)->Arg(8)->Arg(32)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
