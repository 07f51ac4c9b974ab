// Any bytes as the highscore file: reading, ranking and the text view must
// neither crash nor read out of bounds.
#include "HighscoreFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const tmp = std::getenv("TMPDIR");
    static const std::string path =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/driftfield-fuzz-scores-" + std::to_string(getpid()) + ".txt";
    static const bool removedAtExit = std::atexit([] { std::remove(path.c_str()); }) == 0;
    (void)removedAtExit;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    HighscoreFile scores(path);
    std::string text = scores.toText();
    int rank = scores.rankOf(static_cast<int>(text.size()));
    (void)rank;
    return 0;
}
