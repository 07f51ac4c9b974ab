// Image files on which the image library crashes, hangs, overruns its
// buffers or asks for more memory than it may have. Each is a failed load:
// loadImage returns false, the image keeps what it had, the test lives on.
// The files are fuzzing finds, kept beside the fuzz target that finds more.
#include "TestPaths.h"
#include "ofImage.h"
#include "ofImageDecoder.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
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
}  // namespace

TEST(ImageDecoder, MalformedFilesAreFailedLoadsAndTheImageKeepsWhatItHad) {
    const std::vector<std::string> files = filesIn(testpaths::sourceDir() + "/tests/fuzz/regressions/image_decode");
    // One file for each fault found so far (README.md says what each does).
    ASSERT_GE(files.size(), 24u);
    // A file that hangs costs its time limit; a decode moved back into this
    // process hangs it, and the alarm ends the test instead of the suite's
    // timeout.
    const int limit = ofGetImageDecodeTimeLimit();
    ofSetImageDecodeTimeLimit(250);
    alarm(120);
    unsigned char before[] = {10, 20, 30, 40, 50, 60};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        ofImage img;
        img.setUseTexture(false);
        img.setFromPixels(before, 2, 1, 1, true);
        EXPECT_FALSE(img.loadImage(file));
        ASSERT_EQ(img.width * 1000 + img.height, 2001);
        EXPECT_EQ(img.type, 1);
        EXPECT_TRUE(std::equal(before, before + 6, img.getPixels()));
    }
    alarm(0);
    ofSetImageDecodeTimeLimit(limit);
}
