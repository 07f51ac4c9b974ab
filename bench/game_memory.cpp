// Resident memory over a long session: plays whole games one after another
// the way the game manager runs them (build the scene with the window's GL
// context current, fly and fire until the ship breaks up, delete the scene)
// and prints the resident size and the heap in use after each game. What a
// game leaves behind shows as growth from one game to the next.
//
// Usage: bench_game_memory [games]   (20 by default), under an X server.
// It reads the repository's data folder; the loader's own lines are dropped.
#include "Driftfield.h"
#include "Ship.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofMath.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Steers in a slow circle and fires every few frames, as a player might.
int playOneGame() {
    Driftfield* scene = new Driftfield();
    int frame = 0;
    while (!scene->getShip()->isDead()) {
        scene->mouseX = 300 + frame % 200;
        scene->mouseY = 250 + frame % 100;
        scene->keyReleased((frame / 60) % 2 ? 'a' : 'd');
        scene->keyPressed((frame / 60) % 2 ? 'd' : 'a');
        if (frame % 8 == 0) scene->mouseReleased(scene->mouseX, scene->mouseY, 0);
        scene->update();
        scene->draw();
        glutSwapBuffers();
        ++frame;
    }
    glFinish();
    delete scene;
    return frame;
}

}  // namespace

int main(int argc, char** argv) {
    const int games = argc > 1 ? std::atoi(argv[1]) : 20;
    if (games < 3 || chdir(DRIFTFIELD_SOURCE_DIR) != 0) {
        std::fprintf(stderr, "usage: bench_game_memory [games, at least 3]\n");
        return 2;
    }
    // The report keeps standard output; everything the game prints goes.
    FILE* report = fdopen(dup(1), "w");
    int devnull = open("/dev/null", O_WRONLY);
    if (!report || devnull < 0 || dup2(devnull, 1) < 0) return 1;

    ofSetupOpenGL(800, 600, 0);
    ofSeedRandom(1);
    std::fprintf(report, "before the first game: %ld KB resident\n", residentKb());
    // In use: what the heap has handed out and not had back. Resident: what
    // the process holds, which also counts blocks the heap keeps after they
    // were freed, to hand out again.
    std::fprintf(report, "%5s %7s %12s %10s\n", "game", "frames", "resident KB", "in use KB");
    std::vector<long> resident, inUse;
    for (int game = 1; game <= games; ++game) {
        int frames = playOneGame();
        const struct mallinfo2 heap = mallinfo2();
        resident.push_back(residentKb());
        inUse.push_back(static_cast<long>((heap.uordblks + heap.hblkhd) / 1024));
        std::fprintf(report, "%5d %7d %12ld %10ld\n", game, frames, resident.back(), inUse.back());
        std::fflush(report);
    }
    // Single games jump up and down as the heap keeps and reuses blocks; the
    // slope of the line fitted through the games after the first moves less.
    const double n = games - 1, mid = games / 2.0;
    double meanKb = 0, slope = 0, spread = 0;
    for (int i = 1; i < games; ++i) meanKb += resident[i] / n;
    for (int i = 1; i < games; ++i) {
        slope += (i - mid) * (resident[i] - meanKb);
        spread += (i - mid) * (i - mid);
    }
    std::fprintf(report,
                 "a game after the first: resident %+.0f KB (first to last), %+.0f KB (fitted from the second); "
                 "in use %+.0f KB (first to last)\n",
                 (resident.back() - resident.front()) / n, slope / spread, (inUse.back() - inUse.front()) / n);
    return 0;
}
