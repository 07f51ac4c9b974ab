// The data-path rule, number and text conversions, splitting and the
// browser hand-off.
#include "CaptureStdout.h"
#include "TestPaths.h"
#include "ofUtils.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
using Tokens = std::vector<std::string>;

std::string workingDirectory() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}
}

TEST(DataPath, RootGoesInFrontOfRelativeNamesOnly) {
    EXPECT_EQ(ofToDataPath("meteor.3ds"), "data/meteor.3ds");
    EXPECT_EQ(ofToDataPath("a"), "data/a");               // one character: no second to test
    EXPECT_EQ(ofToDataPath("data/scores.txt"), "data/scores.txt");
    EXPECT_EQ(ofToDataPath("data/a"), "data/a");
    EXPECT_EQ(ofToDataPath("/a"), "/a");
    EXPECT_EQ(ofToDataPath("/tmp/x"), "/tmp/x");
    EXPECT_EQ(ofToDataPath("c:a"), "c:a");
    EXPECT_EQ(ofToDataPath("C:\\x"), "C:\\x");
    EXPECT_EQ(ofToDataPath("Data/x"), "data/Data/x");     // the root compares case-sensitively
    EXPECT_EQ(ofToDataPath("data"), "data/data");         // shorter than the root
    EXPECT_EQ(ofToDataPath("\\x"), "data/\\x");           // a backslash is not absolute
    EXPECT_EQ(ofToDataPath("arWing/arwing.3ds", false), "data/arWing/arwing.3ds");
}

TEST(DataPath, EmptyNameGivesTheRoot) {
    EXPECT_EQ(ofToDataPath(""), "data/");
    EXPECT_EQ(ofToDataPath(std::string(1, ':')), "data/:");
}

TEST(DataPath, AbsoluteFormJoinsTheWorkingDirectory) {
    const std::string cwd = workingDirectory();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(ofToDataPath("a", true), cwd + "/data/a");
    EXPECT_EQ(ofToDataPath("/etc/x", true), "/etc/x");
    EXPECT_EQ(ofToDataPath("", true), cwd + "/data/");
}

TEST(DataPath, SwitchesAndRootChangeTheRule) {
    ofDisableDataPath();
    EXPECT_EQ(ofToDataPath("a"), "a");
    EXPECT_EQ(ofToDataPath("a", true), "a");
    EXPECT_EQ(ofToDataPath(""), "");
    ofEnableDataPath();
    ofSetDataPathRoot("assets/");
    EXPECT_EQ(ofToDataPath("a"), "assets/a");
    EXPECT_EQ(ofToDataPath("assets/a"), "assets/a");
    EXPECT_EQ(ofToDataPath("data/a"), "assets/data/a");
    ofSetDataPathRoot("data/");
    EXPECT_EQ(ofToDataPath("a"), "data/a");
}

TEST(Conversions, ToStringWritesPlainDecimalAndFixedText) {
    EXPECT_EQ(ofToString(-7), "-7");
    EXPECT_EQ(ofToString(0), "0");
    EXPECT_EQ(ofToString(1234567), "1234567");
    EXPECT_EQ(ofToString(INT_MIN), "-2147483648");
    EXPECT_EQ(ofToString(2.5, 3), "2.500");
    EXPECT_EQ(ofToString(3.14159, 2), "3.14");
    EXPECT_EQ(ofToString(3.6, 0), "4");
    EXPECT_EQ(ofToString(-0.125, 1), "-0.1");
    EXPECT_EQ(ofToString(1e6, 1), "1000000.0");
}

TEST(Conversions, ToIntReadsTheLeadingNumber) {
    EXPECT_EQ(ofToInt(" 12x"), 12);
    EXPECT_EQ(ofToInt("-3"), -3);
    EXPECT_EQ(ofToInt("\t\n+42 points"), 42);
    EXPECT_EQ(ofToInt("007"), 7);
    EXPECT_EQ(ofToInt("2147483647"), INT_MAX);
    EXPECT_EQ(ofToInt("-2147483648"), INT_MIN);
}

TEST(Conversions, ToIntOfNonNumbersIsZeroAndOutOfRangeIsClamped) {
    EXPECT_EQ(ofToInt(""), 0);
    EXPECT_EQ(ofToInt("abc"), 0);
    EXPECT_EQ(ofToInt("- 5"), 0);
    EXPECT_EQ(ofToInt("0x1F"), 0);
    EXPECT_EQ(ofToInt("2147483648"), INT_MAX);
    EXPECT_EQ(ofToInt("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ofToInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ofToInt("-99999999999999999999999"), INT_MIN);
}

TEST(Conversions, ToFloatReadsTheLeadingNumberAndClampsOverflow) {
    EXPECT_FLOAT_EQ(ofToFloat("  2.5kg"), 2.5f);
    EXPECT_FLOAT_EQ(ofToFloat("-1e3"), -1000.0f);
    EXPECT_FLOAT_EQ(ofToFloat(".5"), 0.5f);
    EXPECT_EQ(ofToFloat(""), 0.0f);
    EXPECT_EQ(ofToFloat("x1"), 0.0f);
    EXPECT_EQ(ofToFloat("1e999"), FLT_MAX);
    EXPECT_EQ(ofToFloat("-1e999"), -FLT_MAX);
    EXPECT_EQ(ofToFloat("1e-999"), 0.0f);
}

TEST(Conversions, SplitSkipsRunsOfDelimiters) {
    EXPECT_EQ(ofSplitString("a,,b,", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(ofSplitString(",,,", ","), Tokens{});
    EXPECT_EQ(ofSplitString("a b;c", " ;"), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(ofSplitString(";;lead and trail;;", ";"), Tokens{"lead and trail"});
    EXPECT_EQ(ofSplitString("", ","), Tokens{});
    EXPECT_EQ(ofSplitString("whole text", ""), Tokens{"whole text"});
}

TEST(Conversions, VersionText) {
    EXPECT_EQ(ofGetVersionInfo(), "of version: 6\n");
}

// A stand-in opener on PATH records the arguments it receives.
class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testpaths::makeScratchDir("browser");
        record = dir + "/args";
        std::ofstream script(dir + "/xdg-open");
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << record << ".tmp'\n"
               << "mv '" << record << ".tmp' '" << record << "'\n";
        script.close();
        chmod((dir + "/xdg-open").c_str(), 0755);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (dir + ":" + savedPath).c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    // What the opener received, or "" if it did not run within the wait.
    std::string opened(std::chrono::milliseconds wait) {
        const auto until = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < until) {
            std::ifstream in(record);
            if (in) {
                std::stringstream text;
                text << in.rdbuf();
                return text.str();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }
    std::string dir, record, savedPath;
};

TEST_F(Browser, RefusesAnythingButPlainHttp) {
    CaptureStdout out;
    ofLaunchBrowser("ftp://example.org/");
    ofLaunchBrowser("HTTP://example.org/");
    ofLaunchBrowser("https://example.org/");
    ofLaunchBrowser("http:/");
    ofLaunchBrowser("");
    const std::string line = "OF_WARNING: ofLaunchBrowser: url must begin http://\n";
    EXPECT_EQ(out.finish(), line + line + line + line + line);
    EXPECT_EQ(opened(std::chrono::milliseconds(200)), "");
}

TEST_F(Browser, HandsTheAddressOverAsOneArgumentWithoutAShell) {
    const std::string url = "http://example.org/a b;touch '" + dir + "/pwned'$(touch " + dir +
                            "/pwned2)`touch " + dir + "/pwned3`|x&y";
    CaptureStdout out;
    ofLaunchBrowser(url);
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(opened(std::chrono::seconds(10)), url + "\n");
    EXPECT_NE(access((dir + "/pwned").c_str(), F_OK), 0);
    EXPECT_NE(access((dir + "/pwned2").c_str(), F_OK), 0);
    EXPECT_NE(access((dir + "/pwned3").c_str(), F_OK), 0);
}
