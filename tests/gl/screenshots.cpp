// Screenshots: what the window shows, saved through the data path and read
// back from the file, under a given name and under the running count.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "PixelScreen.h"
#include "TestPaths.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofImage.h"
#include "ofUtils.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {
const int W = 800, H = 600;

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A scene whose colours and places are known: black, a red block at the top
// left and a blue block at the bottom right, in framework coordinates.
void drawScene(int shift) {
    pixelscreen::set(W, H);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ofFill();
    ofSetRectMode(0);
    ofSetColor(255, 0, 0);
    ofRect(10 + shift, 20, 100, 50);
    ofSetColor(0, 0, 255);
    ofRect(600, 500 - shift, 150, 80);
    glFinish();
}

// The back buffer as top-down RGB rows, read independently of ofImage.
std::vector<unsigned char> screenRows() {
    std::vector<unsigned char> bottomUp(size_t(W) * H * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<unsigned char> rows(bottomUp.size());
    for (int y = 0; y < H; y++) {
        std::copy_n(bottomUp.begin() + size_t(H - 1 - y) * W * 3, W * 3, rows.begin() + size_t(y) * W * 3);
    }
    return rows;
}

void expectFileShowsScene(const std::string& name, int shift, const std::vector<unsigned char>& screen) {
    SCOPED_TRACE(name);
    ofImage saved;
    saved.setUseTexture(false);
    ASSERT_TRUE(saved.loadImage(name));
    ASSERT_EQ(saved.width, W);
    ASSERT_EQ(saved.height, H);
    ASSERT_EQ(saved.type, 1);
    const unsigned char* px = saved.getPixels();
    auto at = [&](int x, int y) { return px + (size_t(y) * W + x) * 3; };
    // Inside the red block, inside the blue block, and outside both.
    EXPECT_EQ(at(60 + shift, 45)[0], 255);
    EXPECT_EQ(at(60 + shift, 45)[2], 0);
    EXPECT_EQ(at(700, 540 - shift)[2], 255);
    EXPECT_EQ(at(700, 540 - shift)[0], 0);
    EXPECT_EQ(at(400, 300)[0] + at(400, 300)[1] + at(400, 300)[2], 0);
    // Top row stays on top: the block's top-left corner is where it was drawn.
    EXPECT_EQ(at(10 + shift, 20)[0], 255);
    EXPECT_EQ(at(10 + shift, 19)[0], 0);
    EXPECT_TRUE(std::equal(screen.begin(), screen.end(), px)) << "file differs from the window";
}

class Screenshots : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        static ScratchDir scratch("screenshots");
        folder = scratch.path();
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_EQ(mkdir("data", 0755), 0);
    }
    static inline std::string folder;
};
}  // namespace

TEST_F(Screenshots, SaveScreenWritesTheWindowUnderTheDataPath) {
    drawScene(0);
    std::vector<unsigned char> screen = screenRows();
    ofSaveScreen("named.png");
    EXPECT_FALSE(exists("named.png"));
    ASSERT_TRUE(exists("data/named.png"));
    expectFileShowsScene("named.png", 0, screen);
}

// The count belongs to the process, so one test walks it from the start:
// two frames, a frame whose file cannot be written, and one more.
TEST_F(Screenshots, SaveFrameNumbersFilesAndMovesOnAfterAFailure) {
    drawScene(0);
    std::vector<unsigned char> first = screenRows();
    ofSaveFrame();
    drawScene(30);
    std::vector<unsigned char> second = screenRows();
    ofSaveFrame();
    expectFileShowsScene("0.png", 0, first);
    expectFileShowsScene("1.png", 30, second);

    // A folder in the way of 2.png makes that save fail, and it says so.
    ASSERT_EQ(mkdir("data/2.png", 0755), 0);
    CaptureStdout out;
    ofSaveFrame();
    EXPECT_EQ(out.finish(), "OF_ERROR: error saving image - couldn't write data/2.png\n");
    drawScene(60);
    std::vector<unsigned char> fourth = screenRows();
    ofSaveFrame();
    expectFileShowsScene("3.png", 60, fourth);
    // The earlier frames were not touched by the later ones.
    expectFileShowsScene("0.png", 0, first);
}
