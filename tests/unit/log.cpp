// The console log: exact lines, the threshold, and colour only on terminals.
#include "CaptureStdout.h"
#include "ofLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {
class Log : public ::testing::Test {
protected:
    void TearDown() override { ofSetLogLevel(OF_WARNING); }
};

// Runs fn with standard output pointed at a fresh pseudo-terminal and
// returns what reached the terminal.
template <class Fn>
std::string captureOnTerminal(Fn fn) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "<no pty>";
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(slave, STDOUT_FILENO);
    fn();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(slave);
    std::string text;
    fcntl(master, F_SETFL, O_NONBLOCK);
    char buf[256];
    ssize_t n;
    while ((n = read(master, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(master);
    return text;
}
}

TEST_F(Log, FormatFormWritesPrefixTextAndNewline) {
    CaptureStdout out;
    ofLog(OF_ERROR, "count %d", 5);
    ofLog(OF_WARNING, "at the threshold");
    ofLog(OF_FATAL_ERROR, "%s|%05.1f", "x", 2.25);
    ofLog(OF_WARNING, "ends in its own newline\n");
    EXPECT_EQ(out.finish(),
              "OF_ERROR: count 5\n"
              "OF_WARNING: at the threshold\n"
              "OF_FATAL_ERROR: x|002.2\n"
              "OF_WARNING: ends in its own newline\n\n");
}

TEST_F(Log, ThresholdDropsLowerLevelsAndUnknownLevelsHaveNoPrefix) {
    CaptureStdout out;
    ofLog(OF_VERBOSE, "hidden %d", 0);
    ofLog(OF_NOTICE, "hidden %d", 1);
    ofLog(7, "seven");
    ofLog(-1, "hidden below the default");
    ofSetLogLevel(OF_VERBOSE);
    ofLog(OF_VERBOSE, "v");
    ofLog(OF_NOTICE, "n");
    ofSetLogLevel(-5);
    ofLog(-1, "minus one");
    ofSetLogLevel(OF_ERROR);
    ofLog(OF_WARNING, "dropped");
    ofLog(OF_WARNING, std::string("dropped too"));
    EXPECT_EQ(out.finish(),
              "seven\n"
              "OF_VERBOSE: v\n"
              "OF_NOTICE: n\n"
              "minus one\n");
}

TEST_F(Log, StringFormWritesTheMessageLiterally) {
    CaptureStdout out;
    ofLog(OF_ERROR, std::string("100%d %s done"));
    ofLog(9, std::string("no prefix"));
    EXPECT_EQ(out.finish(), "OF_ERROR: 100%d %s done\nno prefix\n");
}

TEST_F(Log, ConsoleColoursReachOnlyATerminal) {
    {
        CaptureStdout out;
        ofSetConsoleColor(0x1C);
        std::printf("plain");
        ofRestoreConsoleColor();
        EXPECT_EQ(out.finish(), "plain");
    }
    const std::string onTerminal = captureOnTerminal([] {
        ofSetConsoleColor(0x1C);   // bright red on blue
        std::printf("a");
        ofSetConsoleColor(0x0A);   // bright green on black
        std::printf("b");
        ofSetConsoleColor(0xE1);   // blue on bright yellow
        ofRestoreConsoleColor();
    });
    EXPECT_EQ(onTerminal, "\x1b[91;44ma\x1b[92;40mb\x1b[34;103m\x1b[0m");
}
