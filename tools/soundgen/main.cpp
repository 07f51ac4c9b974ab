// soundgen OUTDIR: writes laser_shot.wav, explosion.wav and evil_2.wav (the
// music loop, still to be encoded) into OUTDIR.
#include "Sounds.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: soundgen OUTDIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const synth::LoopBuffer music = sounds::musicLoop();
    const bool ok = synth::writeWav(dir + "laser_shot.wav", sounds::laserShot(), {}) &&
                    synth::writeWav(dir + "explosion.wav", sounds::explosion(), {}) &&
                    synth::writeWav(dir + "evil_2.wav", music.left, music.right);
    return ok ? 0 : 1;
}
