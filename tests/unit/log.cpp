// The console log: exact lines, the threshold, and colour only on terminals.
#include "CaptureStdout.h"
#include "ofLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

TEST(Log, LinesThresholdAndPrefixes) {
    CaptureStdout out;
    ofLog(OF_ERROR, "count %d", 5);
    ofLog(OF_WARNING, "ends in its own newline\n");   // the default threshold lets it through
    ofLog(OF_VERBOSE, "hidden");
    ofLog(OF_NOTICE, "hidden");
    ofLog(7, "seven");
    ofLog(OF_ERROR, std::string("100%d %s literally"));
    ofSetLogLevel(OF_VERBOSE);
    ofLog(OF_VERBOSE, "v");
    ofLog(OF_NOTICE, std::string("n"));
    ofSetLogLevel(-5);
    ofLog(-1, "minus one");
    ofSetLogLevel(OF_ERROR);
    ofLog(OF_WARNING, "dropped");
    ofLog(OF_WARNING, std::string("dropped"));
    ofLog(OF_FATAL_ERROR, "%s|%05.1f", "x", 2.25);
    ofSetLogLevel(OF_WARNING);
    EXPECT_EQ(out.finish(),
              "OF_ERROR: count 5\n"
              "OF_WARNING: ends in its own newline\n\n"
              "seven\n"
              "OF_ERROR: 100%d %s literally\n"
              "OF_VERBOSE: v\n"
              "OF_NOTICE: n\n"
              "minus one\n"
              "OF_FATAL_ERROR: x|002.2\n");
}

TEST(Log, ConsoleColoursReachOnlyATerminal) {
    auto paint = [] {
        ofSetConsoleColor(0x1C);   // bright red on blue
        std::printf("a");
        ofSetConsoleColor(0xE1);   // blue on bright yellow
        ofRestoreConsoleColor();
    };
    CaptureStdout toFile;
    paint();
    EXPECT_EQ(toFile.finish(), "a");

    // Standard output pointed at a fresh pseudo-terminal.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    const int saved = dup(STDOUT_FILENO);
    dup2(terminal, STDOUT_FILENO);
    paint();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(terminal);
    char buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    close(master);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "\x1b[91;44ma\x1b[34;103m\x1b[0m");
}
