// Images without a display: the image library's start and stop, and the
// file and conversion paths of images with texture use switched off.
#include "TestPaths.h"
#include "ofImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
class ImageLibrary : public ::testing::Test {
protected:
    static std::string dir;
    static void SetUpTestSuite() {
        dir = testpaths::makeScratchDir("image-library");
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(system("mkdir -p data && /usr/bin/convert -size 6x4 xc:'rgb(250,120,10)' data/c.png"), 0);
    }
    static void TearDownTestSuite() {
        if (chdir("/") == 0) system(("rm -rf '" + dir + "'").c_str());
    }
};
std::string ImageLibrary::dir;
}  // namespace

TEST_F(ImageLibrary, StartsWithTheFirstImageAndStopsOnRequest) {
    // Closing before any image exists, and twice, does nothing.
    ofCloseFreeImage();
    ofCloseFreeImage();
    {
        ofImage a;
        a.setUseTexture(false);
        ASSERT_TRUE(a.loadImage("c.png"));
    }
    ofCloseFreeImage();
    // The next image starts the library again.
    ofImage b;
    b.setUseTexture(false);
    ASSERT_TRUE(b.loadImage("c.png"));
    EXPECT_EQ(b.width, 6);
    ofImage copy(b);
    EXPECT_EQ(copy.width, 6);
    ofCloseFreeImage();
}

TEST_F(ImageLibrary, ImagesWithoutTexturesConvertAndSave) {
    ofImage img;
    img.setUseTexture(false);
    ASSERT_TRUE(img.loadImage("c.png"));
    EXPECT_EQ(img.type, 1);
    img.setImageType(2);
    EXPECT_EQ(img.type, 2);
    EXPECT_EQ(img.getPixels()[3], 255);
    img.resize(3, 2);
    EXPECT_EQ(img.width, 3);
    img.setImageType(0);
    EXPECT_EQ(img.bpp, 8);
    img.saveImage("grey.png");

    ofImage copy;
    copy = img;
    EXPECT_EQ(copy.type, 0);
    copy.draw(0, 0);
    copy.setAnchorPercent(0.5f, 0.5f);
    ASSERT_TRUE(copy.loadImage("grey.png"));
    EXPECT_EQ(copy.width, 3);
    EXPECT_EQ(copy.type, 0);
}
