// The data-path rule, number and text conversions, splitting and the
// browser hand-off.
#include "CaptureStdout.h"
#include "TestPaths.h"
#include "ofUtils.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using Tokens = std::vector<std::string>;

TEST(DataPath, RootGoesInFrontOfRelativeNamesOnly) {
    const char* cases[][2] = {
        {"meteor.3ds", "data/meteor.3ds"},
        {"a", "data/a"},                 // one character: no second one to test
        {"", "data/"},                   // empty: the root, nothing read beyond the text
        {":", "data/:"},
        {"data/scores.txt", "data/scores.txt"},
        {"/tmp/x", "/tmp/x"},
        {"c:a", "c:a"},
        {"ab:c", "data/ab:c"},           // only a colon in second place counts
        {"Data/x", "data/Data/x"},       // the root compares case-sensitively
        {"data", "data/data"},           // shorter than the root
        {"\\x", "data/\\x"},             // a backslash is not absolute
    };
    for (const auto& c : cases) EXPECT_EQ(ofToDataPath(c[0]), c[1]) << '"' << c[0] << '"';

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(ofToDataPath("a", true), std::string(cwd) + "/data/a");
    EXPECT_EQ(ofToDataPath("/etc/x", true), "/etc/x");

    ofDisableDataPath();
    EXPECT_EQ(ofToDataPath("a", true), "a");
    EXPECT_EQ(ofToDataPath(""), "");
    ofEnableDataPath();
    ofSetDataPathRoot("assets/");
    EXPECT_EQ(ofToDataPath("assets/a"), "assets/a");
    EXPECT_EQ(ofToDataPath("data/a"), "assets/data/a");
    ofSetDataPathRoot("data/");
}

TEST(Conversions, ToStringToIntToFloat) {
    EXPECT_EQ(ofToString(-7), "-7");
    EXPECT_EQ(ofToString(1234567), "1234567");
    EXPECT_EQ(ofToString(2.5, 3), "2.500");
    EXPECT_EQ(ofToString(3.14159, 2), "3.14");
    EXPECT_EQ(ofToString(3.6, 0), "4");

    EXPECT_EQ(ofToInt(" 12x"), 12);
    EXPECT_EQ(ofToInt("-3"), -3);
    EXPECT_EQ(ofToInt("\t\n+42 points"), 42);
    EXPECT_EQ(ofToInt("-2147483648"), INT_MIN);
    EXPECT_FLOAT_EQ(ofToFloat("  2.5kg"), 2.5f);
    EXPECT_FLOAT_EQ(ofToFloat("-1e3"), -1000.0f);
}

TEST(Conversions, NonNumbersGiveZeroAndOutOfRangeIsClamped) {
    for (const char* text : {"", "abc", "- 5", "0x1F"}) EXPECT_EQ(ofToInt(text), 0) << text;
    EXPECT_EQ(ofToInt("2147483648"), INT_MAX);
    EXPECT_EQ(ofToInt("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ofToInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ofToFloat("x1"), 0.0f);
    EXPECT_EQ(ofToFloat("1e999"), FLT_MAX);
    EXPECT_EQ(ofToFloat("-1e999"), -FLT_MAX);
    EXPECT_EQ(ofToFloat("1e-999"), 0.0f);
}

TEST(Conversions, SplitSkipsRunsOfDelimitersAndVersionText) {
    EXPECT_EQ(ofSplitString("a,,b,", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(ofSplitString(",,,", ","), Tokens{});
    EXPECT_EQ(ofSplitString("a b;c", " ;"), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(ofSplitString("", ","), Tokens{});
    EXPECT_EQ(ofSplitString("whole text", ""), Tokens{"whole text"});
    EXPECT_EQ(ofGetVersionInfo(), "of version: 6\n");
}

// A stand-in opener first on PATH records the arguments it receives.
class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << dir << "/tmp'\n"
                                         << "mv '" << dir << "/tmp' '" << dir << "/args'\n";
        chmod((dir + "/xdg-open").c_str(), 0755);
        savedPath = std::getenv("PATH");
        setenv("PATH", (dir + ":" + savedPath).c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
    }
    // What the opener received, or "" if it did not run within the wait.
    std::string opened(std::chrono::milliseconds wait) {
        for (auto until = std::chrono::steady_clock::now() + wait; std::chrono::steady_clock::now() < until;) {
            std::ifstream in(dir + "/args");
            if (in) return (std::stringstream() << in.rdbuf()).str();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }
    ScratchDir scratch{"browser"};
    std::string dir = scratch.path(), savedPath;
};

TEST_F(Browser, RefusesAnythingButPlainHttp) {
    CaptureStdout out;
    for (const char* url : {"ftp://example.org/", "HTTP://example.org/", "https://example.org/", "http:/", ""})
        ofLaunchBrowser(url);
    std::string expected;
    for (int i = 0; i < 5; ++i) expected += "OF_WARNING: ofLaunchBrowser: url must begin http://\n";
    EXPECT_EQ(out.finish(), expected);
    EXPECT_EQ(opened(std::chrono::milliseconds(200)), "");
}

TEST_F(Browser, HandsTheAddressOverAsOneArgumentWithoutAShell) {
    const std::string url = "http://x/a b;touch " + dir + "/p1 $(touch " + dir + "/p2)`touch " + dir + "/p3`|x&y";
    ofLaunchBrowser(url);
    EXPECT_EQ(opened(std::chrono::seconds(10)), url + "\n");
    for (const char* name : {"/p1", "/p2", "/p3"}) EXPECT_NE(access((dir + name).c_str(), F_OK), 0) << name;
}
