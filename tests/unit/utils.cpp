// The utilities: elapsed time on a timer the test sets, the levelled log,
// console colours, the data-path rule, text conversion and splitting, the
// browser's hand-off and refusals, random draws, the float helpers and
// simplex noise.
#include "CaptureStdout.h"
#include "TestPaths.h"
#include "ofAppBaseWindow.h"
#include "ofAppRunner.h"
#include "ofLog.h"
#include "ofMath.h"
#include "ofNoise.h"
#include "ofPlatform.h"
#include "ofUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <pty.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

TEST(Clock, ElapsedTimeCountsFromTheLastResetAcrossTheTimersWrap) {
    static uint32_t now;
    // Reset and read at these timer values: milliseconds and seconds. The
    // last span, about 24.8 days, turns negative: nothing guards it.
    const struct { uint32_t reset, now; int millis; float seconds; } cases[] = {
        {5000, 5000, 0, 0}, {5000, 6500, 1500, 1.5f}, {0xFFFFFF00u, 0x100u, 512, 0.512f},
        {0, 0x80000000u, INT_MIN, -2147483.648f}};
    ofPlatform::setMillisSource(+[] { return now; });
    for (const auto& c : cases) {
        now = c.reset;
        ofResetElapsedTimeCounter();
        now = c.now;
        EXPECT_EQ(ofGetElapsedTimeMillis(), c.millis) << c.now;
        EXPECT_FLOAT_EQ(ofGetElapsedTimeSeconds(), c.seconds) << c.now;
    }
    ofPlatform::setMillisSource(nullptr);
}

TEST(Log, EveryLevelAgainstTheThresholdWithItsPrefixInBothForms) {
    // Levels -1 to 8 at the default threshold, 2, then at -5: the same lines from either form.
    const std::string table = "OF_WARNING: 2\nOF_ERROR: 3\nOF_FATAL_ERROR: 4\n5\n6\n7\n8\n"
                              "-1\nOF_VERBOSE: 0\nOF_NOTICE: 1\nOF_WARNING: 2\nOF_ERROR: 3\nOF_FATAL_ERROR: 4\n5\n6\n7\n8\n";
    for (bool printfForm : {true, false}) {
        CaptureStdout out;
        for (int threshold : {int(OF_WARNING), -5}) {
            ofSetLogLevel(threshold);
            for (int level = -1; level <= 8; level++) printfForm ? ofLog(level, "%d", level) : ofLog(level, std::to_string(level));
        }
        ofSetLogLevel(OF_WARNING);
        EXPECT_EQ(out.finish(), table) << (printfForm ? "printf form" : "string form");
    }
    CaptureStdout out;
    ofSetLogLevel(OF_ERROR);
    ofLog(OF_WARNING, std::string("dropped")), ofLog(OF_ERROR, std::string("100%d literally"));
    ofSetLogLevel(OF_WARNING);
    ofLog(OF_WARNING, "%s|%05.1f ends in its own newline\n", "x", 2.25);
    EXPECT_EQ(out.finish(), "OF_ERROR: 100%d literally\nOF_WARNING: x|002.2 ends in its own newline\n\n");
}

TEST(Log, EachLineReachesAPipeAsItIsWrittenAndOutlivesACrash) {
    int status = 0;
    const std::string text = stdoutOfAChild(
        [] {
            // Held back in a buffer of this size, the lines would die with the process.
            std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
            ofLog(OF_WARNING, "%s form", "printf");
            ofLog(OF_ERROR, std::string("string form"));
            raise(SIGKILL);
        },
        status);
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(text, "OF_WARNING: printf form\nOF_ERROR: string form\n");
}

TEST(Log, LinesFromSeveralThreadsStayWhole) {
    CaptureStdout out;
    std::thread other([] {
        for (int i = 0; i < 2000; i++) ofLog(OF_ERROR, std::string("from the other thread"));
    });
    for (int i = 0; i < 2000; i++) ofLog(OF_WARNING, "%s", "from this thread");
    other.join();
    std::istringstream lines(out.finish());
    int whole = 0;
    for (std::string line; std::getline(lines, line);)
        whole += line == "OF_ERROR: from the other thread" || line == "OF_WARNING: from this thread";
    EXPECT_EQ(whole, 4000);
}

TEST(Log, ConsoleColoursAsTerminalEscapes) {
    auto paint = [] {
        ofSetConsoleColor(0x1C);  // bright red on blue
        std::printf("a");
        ofSetConsoleColor(0xE1);  // blue on bright yellow
        ofRestoreConsoleColor();
        std::fflush(stdout);
    };
    int master, terminal;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    const int saved = dup(STDOUT_FILENO);
    dup2(terminal, STDOUT_FILENO);
    paint();
    dup2(saved, STDOUT_FILENO);
    char buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    for (int fd : {saved, terminal, master}) close(fd);
    EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "\x1b[91;44ma\x1b[34;103m\x1b[0m");
}

TEST(DataPath, RootGoesInFrontOfRelativeNamesOnly) {
    // One character has no second one to test; a backslash is not absolute;
    // the root compares case-sensitively and only at the start.
    const char* cases[][2] = {{"meteor.3ds", "data/meteor.3ds"}, {"a", "data/a"}, {":", "data/:"},
                              {"data/scores.txt", "data/scores.txt"}, {"/tmp/x", "/tmp/x"}, {"c:a", "c:a"},
                              {"ab:c", "data/ab:c"}, {"maps/data/a", "data/maps/data/a"}, {"Data/x", "data/Data/x"},
                              {"data", "data/data"}, {"\\x", "data/\\x"}};
    for (const auto& c : cases) EXPECT_EQ(ofToDataPath(c[0]), c[1]) << c[0];
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(ofToDataPath("a", true), std::string(cwd) + "/data/a");
    EXPECT_EQ(ofToDataPath("/etc/x", true), "/etc/x");
    ofDisableDataPath();
    EXPECT_EQ(ofToDataPath("a", true), "a");
    ofEnableDataPath();
    ofSetDataPathRoot("assets/");
    EXPECT_EQ(ofToDataPath("assets/a"), "assets/a");
    EXPECT_EQ(ofToDataPath("data/a"), "assets/data/a");
    ofSetDataPathRoot("data/");
}

TEST(Conversions, IntToTextAndSplittingAtASetOfDelimiters) {
    EXPECT_EQ(ofToString(-7) + ofToString(1234567), "-71234567");
    using Tokens = std::vector<std::string>;
    EXPECT_EQ(ofSplitString("a,,b,", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(ofSplitString(",,,", ","), Tokens{});
    EXPECT_EQ(ofSplitString("a b;;c", " ;"), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(ofSplitString("whole text", ""), Tokens{"whole text"});
}

TEST(Conversions, FixedPointTextAndNumbersReadFromTheStartOfAText) {
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

TEST(Browser, RefusesAnythingButPlainHttp) {
    const std::string path = std::getenv("PATH"), refused = "OF_WARNING: ofLaunchBrowser: url must begin http://\n";
    setenv("PATH", "", 1);  // should one get through, nothing opens it
    CaptureStdout out;
    for (const char* url : {"ftp://x/", "HTTP://x/", "https://x/", "http:/", ""}) ofLaunchBrowser(url);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(out.finish(), refused + refused + refused + refused + refused);
}

TEST(Browser, HandsTheAddressOverAsOneArgumentWithoutAShell) {
    // A stand-in opener first on PATH writes down the arguments it receives.
    ScratchDir scratch("browser");
    const std::string dir = scratch.path(), path = std::getenv("PATH");
    std::ofstream(dir + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << dir << "/tmp'\n"
                                     << "mv '" << dir << "/tmp' '" << dir << "/args'\n";
    chmod((dir + "/xdg-open").c_str(), 0755);
    setenv("PATH", (dir + ":" + path).c_str(), 1);
    const std::string url = "http://x/a b;touch " + dir + "/p1 $(touch " + dir + "/p2)`touch " + dir + "/p3`|x&y";
    ofLaunchBrowser(url);
    setenv("PATH", path.c_str(), 1);
    // The opener runs on its own: wait, generously, for what it wrote.
    std::string opened;
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         opened.empty() && std::chrono::steady_clock::now() < until;) {
        std::ifstream in(dir + "/args");
        if (in) opened = (std::stringstream() << in.rdbuf()).str();
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(opened, url + "\n");
    for (const char* name : {"/p1", "/p2", "/p3"}) EXPECT_NE(access((dir + name).c_str(), F_OK), 0) << name;
}

constexpr float scale = 3.0517578125e-05f;  // 1/32768

TEST(Random, DrawsOf0To32767ScaledAfterTheSpanSeededFromTheTimerAndSpanningTheWindow) {
    ofSeedRandom(1234);
    std::vector<float> units(3000);
    for (float& u : units) u = ofRandomUnit();
    for (float u : units) ASSERT_TRUE(u >= 0 && u < 1 && u * 32768 == std::floor(u * 32768)) << u;
    ofSeedRandom(1234);
    EXPECT_EQ(ofRandom(5, 5), 5.0f);  // consumes no draw
    static struct : ofAppBaseWindow {
        ofPoint size;
        ofPoint getWindowSize() override { return size; }
    } window;
    ofSetupOpenGL(&window, 640, 480, 0);
    EXPECT_TRUE(ofRandomWidth() == 0 && ofRandomHeight() == 0);  // a zero size draws nothing
    window.size = ofPoint(640, 480);
    EXPECT_EQ(ofRandomWidth(), scale * (units[0] * 32768 * 640));
    EXPECT_EQ(ofRandomHeight(), scale * (units[1] * 32768 * 480));
    for (size_t i = 2; i < units.size(); i += 2) {
        ASSERT_EQ(ofRandom(7.3f, -2.1f), -2.1f + scale * (units[i] * 32768 * (7.3f - -2.1f))) << i;
        ASSERT_EQ(ofRandomSignedUnit(), units[i + 1] * 2 - 1) << i;
    }
    ofPlatform::setMillisSource(+[]() -> uint32_t { return 1234; });
    ofSeedRandom();
    ofPlatform::setMillisSource(nullptr);
    EXPECT_EQ(ofRandomUnit(), units[0]);
}

TEST(Maths, ClampNormalizeMapAndPowersOfTwo) {
    EXPECT_TRUE(ofClamp(5, 0, 10) == 5 && ofClamp(-1, 0, 10) == 0 && ofClamp(11, 0, 10) == 10);
    EXPECT_EQ(ofClamp(5, 10, 0), 10.0f);  // the lower bound is tested first
    EXPECT_TRUE(ofNormalize(15, 0, 10) == 1 && ofNormalize(-5, 0, 10) == 0 && ofNormalize(2.5f, 0, 10) == 0.25f);
    EXPECT_TRUE(std::isnan(ofNormalize(2, 2, 2)));
    // value, input range, output range, clamp: result
    const float map[][7] = {{5, 0, 10, 0, 100, 0, 50},   {15, 0, 10, 0, 100, 0, 150}, {15, 0, 10, 0, 100, 1, 100},
                            {-5, 0, 10, 0, 100, 1, 0},   {15, 0, 10, 100, 0, 1, 0},   {-5, 0, 10, 100, 0, 1, 100},
                            {2.5f, 0, 10, 100, 0, 1, 75}};
    for (const auto& m : map) EXPECT_EQ(ofMap(m[0], m[1], m[2], m[3], m[4], m[5] != 0), m[6]) << m[0] << " " << m[3];
    CaptureStdout out;
    EXPECT_EQ(ofMap(1, 2, 2, 7, 9, false), 7.0f);
    EXPECT_EQ(out.finish(), "OF_WARNING: ofMap: avoiding possible divide by zero, check inputMin and inputMax\n\n");

    const int pow2[][2] = {{-40, 1}, {0, 1}, {1, 1}, {5, 8}, {64, 64}, {65, 128}, {1 << 30, 1 << 30}, {INT_MAX, 1 << 30}};
    for (const auto& c : pow2) EXPECT_EQ(ofNextPow2(c[0]), c[1]) << c[0];

    EXPECT_TRUE(ofSign(0) == 0 && ofSign(1e-30f) == 1 && ofSign(-3) == -1);
    EXPECT_TRUE(ofInRange(10, 0, 10) && ofInRange(0, 0, 10) && !ofInRange(10.001f, 0, 10));
}

TEST(Maths, DistanceAndItsSquare) {
    const float points[][4] = {{0, 0, 3, 4}, {1, 1, -2, 5}};  // x1, y1, x2, y2: 5 apart
    for (const auto& p : points) {
        EXPECT_EQ(ofDist(p[0], p[1], p[2], p[3]), 5.0f) << p[2];
        EXPECT_EQ(ofDistSquared(p[0], p[1], p[2], p[3]), 25.0f) << p[2];
    }
}

TEST(Noise, PerlinsPermutationTwiceAndValuesWorkedOutIndependently) {
    const unsigned char* perm = ofNoiseTables::perm;
    EXPECT_TRUE(perm[0] == 151 && perm[1] == 160 && perm[7] == 13 && perm[255] == 180);
    EXPECT_TRUE(std::equal(perm, perm + 256, perm + 256));
    // 1D at 0.5 by hand: hashes 151 and 160 give gradients 8 and 1, the
    // falloff (3/4)^4, so 0.25 * (0.31640625 * 4 - 0.31640625 * 0.5). At
    // -0.5 the lower cell is -1, which wraps to 255 (hash 180).
    EXPECT_TRUE(ofSignedNoise(0) == 0 && ofNoise(0) == 0.5f && ofSignedNoise(0, 0, 0, 0) == 0);
    EXPECT_FLOAT_EQ(ofSignedNoise(0.5f), 0.27685546875f);
    EXPECT_FLOAT_EQ(ofSignedNoise(-0.5f), -0.11865234375f);
    EXPECT_FLOAT_EQ(ofSignedNoise(-255.5f), 0.27685546875f);
    // Worked out in double precision from the same tables, at points that
    // floats hold exactly; the 3D ones take each ordering of the offsets.
    const double tolerance = 3e-5;
    EXPECT_NEAR(ofSignedNoise(0.25f, 0), -0.3287417414084712, tolerance);
    EXPECT_NEAR(ofSignedNoise(1.3125f, -2.6875f), -0.6779600481911439, tolerance);
    const float d3[][4] = {{0.5f, 0.3125f, 0.125f, 0.23950539f}, {0.5f, 0.125f, 0.3125f, 0.41364145f},
                           {0.3125f, 0.125f, 0.5f, 0.63621020f}, {0.125f, 0.3125f, 0.5f, 0.67464278f},
                           {0.125f, 0.5f, 0.3125f, 0.46067240f}, {0.3125f, 0.5f, 0.125f, 0.26141628f},
                           {-1.3125f, 2.1875f, -0.40625f, -0.61347965f}};
    for (const auto& p : d3) EXPECT_NEAR(ofSignedNoise(p[0], p[1], p[2]), p[3], tolerance) << p[0] << " " << p[1];
    EXPECT_NEAR(ofSignedNoise(0.25f, 0.5f, 0.75f, 0.09375f), -0.2605898307276177, tolerance);
    EXPECT_NEAR(ofSignedNoise(10.125f, -20.1875f, 30.3125f, -4.375f), 0.028301545577385033, tolerance);
}

TEST(Noise, SimplexRowsRankEachAxisByItsOrdering) {
    // Row c has a bit for each pairwise comparison of the offsets; an axis'
    // rank is the number of axes it exceeds. Contradictory rows are zero.
    for (int c = 0; c < 64; ++c) {
        const int xy = (c >> 5) & 1, xz = (c >> 4) & 1, yz = (c >> 3) & 1;
        const int xw = (c >> 2) & 1, yw = (c >> 1) & 1, zw = c & 1;
        int rank[4] = {xy + xz + xw, (1 - xy) + yz + yw, (1 - xz) + (1 - yz) + zw, (1 - xw) + (1 - yw) + (1 - zw)};
        int sorted[4] = {rank[0], rank[1], rank[2], rank[3]};
        std::sort(sorted, sorted + 4);
        const bool possible = sorted[0] == 0 && sorted[1] == 1 && sorted[2] == 2 && sorted[3] == 3;
        for (int axis = 0; axis < 4; ++axis)
            EXPECT_EQ(ofNoiseTables::simplex[c][axis], possible ? rank[axis] : 0) << "row " << c << " axis " << axis;
    }
}
