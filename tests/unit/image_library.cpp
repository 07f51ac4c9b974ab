// The image library's start and stop, without a display: images with
// texture use off load, rescale and save after any number of stops.
#include "TestPaths.h"
#include "ofImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

TEST(ImageLibrary, StartsWithTheNextImageAfterEveryStop) {
    ScratchDir folder("image-library");
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
    ASSERT_EQ(system("mkdir data && /usr/bin/convert -size 6x4 xc:'rgb(250,120,10)' data/c.png"), 0);
    // Stopping before any image exists, and twice, does nothing.
    ofCloseFreeImage();
    ofCloseFreeImage();
    for (int round = 0; round < 2; round++) {
        ofImage img;
        img.setUseTexture(false);
        ASSERT_TRUE(img.loadImage("c.png"));
        img.resize(3, 2);
        img.saveImage("out.png");
        ASSERT_TRUE(img.loadImage("out.png"));
        EXPECT_EQ(img.width, 3);
        ofCloseFreeImage();
    }
}
