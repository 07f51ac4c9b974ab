// TrueType font costs: loading the full 256-glyph set at 28 points (the menu
// font's load), and drawing one 40-character string, each per call.
// Needs an X display (run under Xvfb with LIBGL_ALWAYS_SOFTWARE=1 to measure
// the software renderer the tests use).
#include "ofGLHeaders.h"
#include "ofTrueTypeFont.h"

#include <benchmark/benchmark.h>

namespace {
// An absolute path is taken as it is, not under data/.
const char* FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int W = 800, H = 600;

void openWindow() {
    static bool open = false;
    if (open) return;
    int argc = 1;
    char name[] = "bench_font";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(W, H);
    glutCreateWindow(name);
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, W, H, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    open = true;
}

void BM_LoadFullSet28(benchmark::State& state) {
    openWindow();
    for (auto _ : state) {
        ofTrueTypeFont font;
        font.loadFont(FONT, 28, true, true, false);
        if (!font.bLoadedOk) state.SkipWithError("font did not load");
        glFinish();
    }
}
BENCHMARK(BM_LoadFullSet28)->Unit(benchmark::kMillisecond);

void BM_DrawString40(benchmark::State& state) {
    openWindow();
    ofTrueTypeFont font;
    font.loadFont(FONT, 28, true, true, false);
    if (!font.bLoadedOk) state.SkipWithError("font did not load");
    const std::string text = "Start_Game Highscores Instructions 12345";  // 40 bytes
    for (auto _ : state) {
        font.drawString(text, 20, 300);
        // Count the rendering, not only the handing over of commands.
        glFinish();
    }
}
BENCHMARK(BM_DrawString40)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
