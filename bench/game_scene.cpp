// The game scene in an 800 x 600 window: one frame's update of the full
// field, one drawn frame, and building the scene (the "Loading..." pause).
// Run from anywhere under an X server; it reads the repository's data folder.
#include "Driftfield.h"
#include "Ship.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofMath.h"

#include <benchmark/benchmark.h>

#include <iostream>
#include <streambuf>
#include <string>
#include <unistd.h>

namespace {

// Each scene loads three models and the loader prints a line for each: a few
// hundred over a run, around the three results. While a benchmark runs, those
// lines are dropped from std::cout; every other line, an error among them,
// passes.
class DropModelLoadedLines : public std::streambuf {
public:
    DropModelLoadedLines() : out(std::cout.rdbuf(this)) {}
    ~DropModelLoadedLines() override {
        out->sputn(line.data(), static_cast<std::streamsize>(line.size()));
        std::cout.rdbuf(out);
    }

protected:
    int overflow(int c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        line += traits_type::to_char_type(c);
        if (line.back() == '\n') {
            static const std::string head = "[3DS] Model '", tail = "' loaded\n";
            const bool loaded = line.size() >= head.size() + tail.size() && line.compare(0, head.size(), head) == 0 &&
                                line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
            if (!loaded) out->sputn(line.data(), static_cast<std::streamsize>(line.size()));
            line.clear();
        }
        return c;
    }
    int sync() override { return out->pubsync(); }

private:
    std::streambuf* out;
    std::string line;
};

void openWindow() {
    static bool open = false;
    if (open) return;
    if (chdir(DRIFTFIELD_SOURCE_DIR) != 0) return;
    ofSetupOpenGL(800, 600, 0);
    open = true;
}

// Steers in a slow circle and fires every few frames, as a player might.
void play(Driftfield& scene, int frame) {
    scene.mouseX = 300 + frame % 200;
    scene.mouseY = 250 + frame % 100;
    scene.keyReleased((frame / 60) % 2 ? 'a' : 'd');
    scene.keyPressed((frame / 60) % 2 ? 'd' : 'a');
    if (frame % 8 == 0) scene.mouseReleased(scene.mouseX, scene.mouseY, 0);
}

// Frames of play with the ship kept alive, so every frame runs the whole
// field; drawn frames are swapped and finished like the window's.
void playFrames(benchmark::State& state, bool drawn) {
    DropModelLoadedLines quiet;
    openWindow();
    ofSeedRandom(1);
    Driftfield scene;
    int frame = 0;
    for (auto _ : state) {
        play(scene, frame++);
        scene.getShip()->getHealth() = 5000;
        scene.update();
        if (!drawn) continue;
        scene.draw();
        glutSwapBuffers();
        glFinish();
    }
}

void BM_SceneUpdate(benchmark::State& state) { playFrames(state, false); }
BENCHMARK(BM_SceneUpdate)->Unit(benchmark::kMicrosecond);

void BM_SceneDrawnFrame(benchmark::State& state) { playFrames(state, true); }
BENCHMARK(BM_SceneDrawnFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SceneConstruction(benchmark::State& state) {
    DropModelLoadedLines quiet;
    openWindow();
    for (auto _ : state) {
        Driftfield* scene = new Driftfield();
        glFinish();
        state.PauseTiming();
        delete scene;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SceneConstruction)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
