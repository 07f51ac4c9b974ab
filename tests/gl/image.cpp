// ofImage as an object: its pixel record and public fields, allocation,
// setting pixels in both byte orders, copies, type changes and rescaling,
// screen grabs, and the texture that mirrors the buffer.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "PixelScreen.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofImage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
typedef std::vector<int> Bytes;
const int W = 800, H = 600;

struct Probe : ofImage {
    using ofImage::bUseTexture;
    using ofImage::myPixels;
    using ofImage::tex;
    unsigned int textureID() { return tex.getTextureData().textureID; }
};

Bytes bytesOf(ofImage& img) {
    const unsigned char* p = img.getPixels();
    return Bytes(p, p + size_t(img.width) * img.height * (img.bpp / 8));
}

GLint texLevel(ofTexture& t, GLenum what) {
    ofTextureData d = t.getTextureData();
    glBindTexture(d.textureTarget, d.textureID);
    GLint v = -1;
    glGetTexLevelParameteriv(d.textureTarget, 0, what, &v);
    return v;
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        frameworkwindow::ensure();
        pixelscreen::set(W, H);
        glColor4f(1, 1, 1, 1);
        ofSetRectMode(0);
        ofDisableArbTex();
    }
    void TearDown() override { ofEnableArbTex(); }
};
}  // namespace

TEST_F(ImageTest, NewAndAllocatedImages) {
    Probe img;
    EXPECT_EQ(img.width, 0);
    EXPECT_EQ(img.height, 0);
    EXPECT_EQ(img.bpp, 0);
    EXPECT_EQ(img.type, 3);
    EXPECT_EQ(img.getWidth(), 0.0f);
    {
        CaptureStdout out;
        img.getTextureReference();
        EXPECT_EQ(out.finish(), "OF_WARNING: ofImage - getTextureReference - texture is not allocated\n");
    }

    img.allocate(4, 2, 2);
    EXPECT_EQ(img.bpp, 32);
    EXPECT_EQ(img.type, 2);
    EXPECT_EQ(img.myPixels.bytesPerPixel, 4);
    EXPECT_EQ(img.myPixels.glDataType, GL_RGBA);
    EXPECT_EQ(img.getTextureReference().getTextureData().texWidth, 4);
    EXPECT_EQ(img.getTextureReference().getTextureData().texHeight, 2);
    EXPECT_EQ(img.getTextureReference().getTextureData().glTypeInternal, GL_RGBA);

    // A bad type changes nothing; a same-sized allocation keeps the buffer.
    unsigned char* buffer = img.getPixels();
    {
        CaptureStdout out;
        img.allocate(9, 9, 5);
        EXPECT_EQ(out.finish(), "OF_ERROR: error = bad imageType in ofImage::allocate\n");
    }
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.type, 2);
    img.allocate(4, 2, 2);
    EXPECT_EQ(img.getPixels(), buffer);
    img.allocate(3, 3, 0);
    EXPECT_EQ(img.bpp, 8);
    EXPECT_EQ(img.myPixels.glDataType, GL_LUMINANCE);

    img.clear();
    EXPECT_EQ(img.type, 3);
    EXPECT_FALSE(img.myPixels.bAllocated);
    EXPECT_FALSE(img.tex.bAllocated());
}

TEST_F(ImageTest, SetFromPixelsByteOrdersAndBadTypes) {
    unsigned char six[] = {1, 2, 3, 4, 5, 6};
    ofImage img;
    img.setFromPixels(six, 2, 1, 1, false);
    EXPECT_EQ(bytesOf(img), (Bytes{3, 2, 1, 6, 5, 4}));
    img.setFromPixels(six, 2, 1, 1, true);
    EXPECT_EQ(bytesOf(img), (Bytes{1, 2, 3, 4, 5, 6}));
    img.setFromPixels(six, 6, 1, 0, false);
    EXPECT_EQ(bytesOf(img), (Bytes{1, 2, 3, 4, 5, 6})) << "grey bytes are never exchanged";
    unsigned char bgra[] = {1, 2, 3, 4, 5, 6, 7, 8};
    img.setFromPixels(bgra, 2, 1, 2, false);
    EXPECT_EQ(bytesOf(img), (Bytes{3, 2, 1, 4, 7, 6, 5, 8})) << "alpha stays fourth";
    EXPECT_EQ(img.type, 2);

    // A bad type on an image holding pixels: the image is cleared first.
    CaptureStdout out;
    img.setFromPixels(six, 2, 1, 7, true);
    EXPECT_EQ(out.finish(),
              "OF_ERROR: error = bad imageType in ofImage::allocate\n"
              "OF_ERROR: error = bad imageType in ofImage::setFromPixels\n");
    EXPECT_EQ(img.type, 3);
    EXPECT_EQ(img.width, 0);
    CaptureStdout out2;
    ofImage fresh;
    fresh.setFromPixels(six, 2, 1, 7, true);
    EXPECT_EQ(out2.finish(),
              "OF_ERROR: error = bad imageType in ofImage::allocate\n"
              "OF_ERROR: error = bad imageType in ofImage::allocate\n"
              "OF_ERROR: error = bad imageType in ofImage::setFromPixels\n");
}

TEST_F(ImageTest, TextureUseFollowsTheSwitch) {
    Probe img;
    img.setUseTexture(false);
    unsigned char px[12] = {0};
    img.setFromPixels(px, 2, 2, 1, true);
    EXPECT_FALSE(img.tex.bAllocated()) << "no texture while texture use is off";
    // Pixels of another size clear the image, which turns texture use back on.
    img.setUseTexture(false);
    img.setFromPixels(px, 4, 1, 1, true);
    EXPECT_TRUE(img.bUseTexture);
    EXPECT_TRUE(img.tex.bAllocated());
    EXPECT_EQ(img.tex.getWidth(), 4);

    // Anchors and drawing go nowhere while texture use is off.
    img.setUseTexture(false);
    img.setAnchorPercent(0.5f, 0.5f);
    img.setUseTexture(true);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char white[] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    img.setFromPixels(white, 4, 1, 1, true);
    img.draw(10, 10, 20, 20);
    unsigned char rgb[3];
    glReadPixels(12, H - 12 - 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_EQ(rgb[0], 255) << "the anchor set while texture use was off did not reach the texture";
    glClear(GL_COLOR_BUFFER_BIT);
    img.setUseTexture(false);
    img.draw(10, 10, 20, 20);
    glReadPixels(12, H - 12 - 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_EQ(rgb[0], 0);
}

TEST_F(ImageTest, CopiesOwnTheirPixelsAndTexture) {
    unsigned char px[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    Probe a;
    a.setFromPixels(px, 2, 2, 1, true);
    Probe b(static_cast<Probe&>(a));
    EXPECT_EQ(bytesOf(b), bytesOf(a));
    EXPECT_NE(b.getPixels(), a.getPixels());
    EXPECT_NE(b.textureID(), a.textureID());
    EXPECT_TRUE(b.tex.bAllocated());
    EXPECT_EQ(b.type, 1);

    Probe c;
    c.allocate(7, 7, 0);
    c = a;
    EXPECT_EQ(c.width, 2);
    EXPECT_EQ(c.type, 1);
    EXPECT_EQ(bytesOf(c), bytesOf(a));
    EXPECT_NE(c.textureID(), a.textureID());

    a = a;
    EXPECT_EQ(bytesOf(a), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(a.width, 2);
    EXPECT_TRUE(a.tex.bAllocated());

    // Copying an empty image gives an empty image and makes no texture.
    Probe empty;
    Probe d(empty);
    EXPECT_EQ(d.type, 3);
    EXPECT_FALSE(d.tex.bAllocated());
    c = empty;
    EXPECT_EQ(c.type, 3);
    EXPECT_EQ(c.width, 0);
}

TEST_F(ImageTest, TypeChangesAndRescaling) {
    Probe img;
    std::vector<unsigned char> px(16 * 16 * 3);
    for (size_t i = 0; i < px.size(); i += 3) {
        px[i] = 200;
        px[i + 1] = 100;
        px[i + 2] = 50;
    }
    img.setFromPixels(px.data(), 16, 16, 1, true);
    unsigned int rgbTexture = img.textureID();

    img.setImageType(2);
    EXPECT_EQ(img.type, 2);
    EXPECT_EQ(img.bpp, 32);
    EXPECT_EQ(Bytes(img.getPixels(), img.getPixels() + 4), (Bytes{200, 100, 50, 255}));
    EXPECT_EQ(texLevel(img.tex, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    unsigned int rgbaTexture = img.textureID();
    EXPECT_NE(rgbaTexture, rgbTexture);

    img.setImageType(1);
    EXPECT_EQ(img.type, 1);
    EXPECT_EQ(Bytes(img.getPixels(), img.getPixels() + 3), (Bytes{200, 100, 50}));
    EXPECT_EQ(img.textureID(), rgbaTexture) << "going down keeps the texture";

    img.setImageType(0);
    EXPECT_EQ(img.type, 0);
    EXPECT_EQ(img.bpp, 8);
    // The buffer reaches the library's conversions without the red/blue
    // exchange of file loads and saves, so the library weighs the first
    // byte as blue.
    const int grey = 97;  // 0.2126 * 50 + 0.7152 * 100 + 0.0722 * 200
    EXPECT_NEAR(img.getPixels()[0], grey, 1);

    img.setImageType(9);
    img.setImageType(0);
    EXPECT_EQ(img.type, 0);
    EXPECT_EQ(img.width, 16);

    img.setImageType(1);
    img.resize(8, 4);
    EXPECT_EQ(img.width, 8);
    EXPECT_EQ(img.height, 4);
    EXPECT_EQ(img.type, 1);
    EXPECT_EQ(img.myPixels.bytesPerPixel, 3);
    EXPECT_EQ(img.tex.getWidth(), 8);
    EXPECT_EQ(img.tex.getTextureData().texHeight, 4);
    EXPECT_EQ(Bytes(img.getPixels(), img.getPixels() + 3), (Bytes{grey, grey, grey}));

    // Sizes the library cannot rescale to leave the image as it was.
    img.resize(0, 0);
    img.resize(-3, 2);
    EXPECT_EQ(img.width, 8);
    EXPECT_EQ(img.height, 4);
    Probe empty;
    empty.resize(5, 5);
    empty.setImageType(1);
    EXPECT_EQ(empty.type, 3);
}

TEST_F(ImageTest, GrabScreenTurnsRowsOverAndUsesTheImagesType) {
    // Three rows at the top left: red, green, blue from the top.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    const float rows[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int r = 0; r < 3; r++) {
        glColor3fv(rows[r]);
        glRectf(0, r, 5, r + 1);
    }
    glColor3f(1, 1, 1);
    glReadBuffer(GL_BACK);

    Probe img;
    img.grabScreen(0, 0, 5, 3);
    EXPECT_EQ(img.type, 1);
    EXPECT_EQ(img.width, 5);
    EXPECT_EQ(img.height, 3);
    Bytes got = bytesOf(img);
    for (int r = 0; r < 3; r++)
        for (int x = 0; x < 5; x++)
            for (int c = 0; c < 3; c++)
                EXPECT_EQ(got[(r * 5 + x) * 3 + c], rows[r][c] * 255) << "row " << r << " x " << x;
    GLint pack = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    EXPECT_EQ(pack, 4) << "the pixel-store state is restored";

    // An image of another size is rescaled first, then overwritten whole.
    Probe other;
    std::vector<unsigned char> grey(40 * 40 * 3, 77);
    other.setFromPixels(grey.data(), 40, 40, 1, true);
    other.grabScreen(0, 1, 5, 2);
    EXPECT_EQ(other.width, 5);
    EXPECT_EQ(other.height, 2);
    EXPECT_EQ(Bytes(other.getPixels(), other.getPixels() + 3), (Bytes{0, 255, 0}));
    EXPECT_EQ(Bytes(other.getPixels() + 15, other.getPixels() + 18), (Bytes{0, 0, 255}));

    // An RGBA image grabs RGBA.
    Probe rgba;
    rgba.allocate(5, 3, 2);
    rgba.grabScreen(0, 0, 5, 3);
    EXPECT_EQ(rgba.type, 2);
    EXPECT_EQ(Bytes(rgba.getPixels() + 40, rgba.getPixels() + 43), (Bytes{0, 0, 255}));
}

TEST_F(ImageTest, DrawingThroughTheDrawableInterface) {
    std::vector<unsigned char> px(256 * 128 * 3, 255);
    Probe img;
    img.setFromPixels(px.data(), 256, 128, 1, true);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ofBaseDraws& drawable = img;
    drawable.draw(20, 30);
    auto lit = [](int x, int y) {
        unsigned char rgb[3];
        glReadPixels(x, H - y - 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return rgb[0] > 128;
    };
    EXPECT_TRUE(lit(21, 31));
    EXPECT_TRUE(lit(274, 156));
    EXPECT_FALSE(lit(277, 100)) << "the quad is 256 wide";
    EXPECT_FALSE(lit(100, 159)) << "and 128 high";
    EXPECT_FALSE(lit(19, 31));

    // Anchors reach the texture while it is in use.
    glClear(GL_COLOR_BUFFER_BIT);
    img.setAnchorPoint(10, 10);
    img.draw(20, 30, 5, 5);
    EXPECT_TRUE(lit(11, 21));
    EXPECT_FALSE(lit(21, 31));
    img.resetAnchor();
    EXPECT_EQ(img.getHeight(), 128.0f);
}
