// Image files on which the image library crashes, hangs, overruns its
// buffers or asks for more memory than it may have. Each is a failed load:
// loadImage returns false, the image keeps what it had, the test lives on,
// and at most the one line of a load stopped at the time limit is logged.
// The files are fuzzing finds, kept beside the fuzz target that finds more.
#include "CaptureStdout.h"
#include "TestPaths.h"
#include "ofImage.h"
#include "ofImageDecoder.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {
const std::string FOUND = testpaths::sourceDir() + "/tests/fuzz/regressions/image_decode";

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' && std::string(e->d_name) != "README.md") names.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// An image that has pixels of its own, to keep through a failed load.
struct Kept : ofImage {
    unsigned char before[6] = {10, 20, 30, 40, 50, 60};
    Kept() {
        setUseTexture(false);
        setFromPixels(before, 2, 1, 1, true);
    }
    bool unchanged() { return width == 2 && height == 1 && type == 1 && std::equal(before, before + 6, getPixels()); }
};
}  // namespace

TEST(ImageDecoder, MalformedFilesAreFailedLoadsAndTheNextFileStillLoads) {
    const std::vector<std::string> files = filesIn(FOUND);
    // One file for each fault found so far (README.md says what each does).
    ASSERT_GE(files.size(), 24u);
    // A file that hangs costs its time limit. A decode moved back into this
    // process crashes or hangs it, and the alarm ends the test rather than
    // the suite's timeout.
    const int limit = ofGetImageDecodeTimeLimit();
    ofSetImageDecodeTimeLimit(250);
    alarm(120);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        Kept img;
        CaptureStdout out;
        EXPECT_FALSE(img.loadImage(file));
        const std::string said = out.finish();
        EXPECT_TRUE(said.empty() || said == "OF_WARNING: ofImage: decoding " + file + " took longer than 250 ms and was stopped\n") << said;
        EXPECT_TRUE(img.unchanged());
    }
    alarm(0);
    ofSetImageDecodeTimeLimit(limit);
    ofImage after;
    after.setUseTexture(false);
    EXPECT_TRUE(after.loadImage(testpaths::sourceDir() + "/data/brackwater_logo.png"));
    EXPECT_EQ(after.width * 1000 + after.height, 384096);
}

// The library would spend the whole time limit on this header, asking for
// ever more memory; the decoder's memory limit refuses it at once.
TEST(ImageDecoder, AFileThatAsksForTooMuchMemoryIsRefusedWithoutWaitingForTheTimeLimit) {
    Kept img;
    CaptureStdout out;
    EXPECT_FALSE(img.loadImage(FOUND + "/exr-endless-header.exr"));
    EXPECT_EQ(out.finish(), "");
    EXPECT_TRUE(img.unchanged());
}
