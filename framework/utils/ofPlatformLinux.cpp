#include "ofPlatform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ofPlatform {

namespace {
uint32_t monotonicMillis() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u +
                        static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

MillisSource millisSource = monotonicMillis;

void threadSleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Sleeper sleeper = threadSleep;

// A console attribute numbers its colours blue=1, green=2, red=4; ANSI
// numbers them red=1, green=2, blue=4.
int ansiColour(unsigned bits) {
    return static_cast<int>(((bits & 1u) << 2) | (bits & 2u) | ((bits & 4u) >> 2));
}
}

uint32_t millis() {
    return millisSource();
}

void setMillisSource(MillisSource source) {
    millisSource = source ? source : monotonicMillis;
}

void sleepMillis(int ms) {
    sleeper(ms);
}

void setSleeper(Sleeper replacement) {
    sleeper = replacement ? replacement : threadSleep;
}

void setConsoleColor(unsigned short attribute) {
    if (!isatty(STDOUT_FILENO)) return;
    const unsigned fg = attribute & 0x0fu;
    const unsigned bg = (attribute >> 4) & 0x0fu;
    std::printf("\x1b[%d;%dm",
                ((fg & 8u) ? 90 : 30) + ansiColour(fg),
                ((bg & 8u) ? 100 : 40) + ansiColour(bg));
}

void restoreConsoleColor() {
    if (!isatty(STDOUT_FILENO)) return;
    std::fputs("\x1b[0m", stdout);
}

std::string currentDirectory() {
    char* dir = getcwd(nullptr, 0);
    if (!dir) return std::string();
    std::string result(dir);
    std::free(dir);
    return result;
}

void openUrl(const std::string& url) {
    // Everything the child needs is prepared before fork: after it only
    // exec and _exit run.
    char program[] = "xdg-open";
    std::string address = url;
    char* argv[] = {program, address.data(), nullptr};
    // The middle child exits at once, so the opener is adopted by init and
    // never left behind as a zombie, and the caller does not wait for it.
    const pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        const pid_t opener = fork();
        if (opener == 0) {
            execvp(program, argv);
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}
