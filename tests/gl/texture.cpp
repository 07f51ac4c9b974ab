// ofTexture in the framework's window: allocation on both paths, upload
// limits, copies, and the quad that draw sends, read back through GL
// feedback (exact corners and texture coordinates) and as pixels.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "PixelScreen.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {
const int W = 800, H = 600;
const float ORIGIN = 200;  // drawing starts at (-200, -200): quads left of 0 stay visible
const char* TOO_BIG = "OF_ERROR: image data too big for allocated texture. not uploading...\n";

struct Corner {
    float x, y, s, t;
};

// The vertices draw() sends, in drawing coordinates, with their texture coordinates.
std::vector<Corner> feedback(const std::function<void()>& draw) {
    std::vector<Corner> out;
    for (const auto& prim : glfeedback::capture(draw))
        for (const auto& v : prim.v) out.push_back({v.x - ORIGIN, v.y - ORIGIN, v.s, v.t});
    return out;
}

// Two triangles over exactly the quad's corners, each with its own texture coordinate.
void expectQuad(const std::vector<Corner>& got, float px0, float py0, float px1, float py1, float tx0,
                float ty0, float tx1, float ty1) {
    const Corner want[4] = {{px0, py0, tx0, ty0}, {px1, py0, tx1, ty0}, {px1, py1, tx1, ty1}, {px0, py1, tx0, ty1}};
    ASSERT_EQ(got.size(), 6u);
    int seen = 0;
    for (const Corner& c : got) {
        int k = 0;
        while (k < 4 && (std::fabs(c.x - want[k].x) > 0.01f || std::fabs(c.y - want[k].y) > 0.01f)) k++;
        ASSERT_LT(k, 4) << "vertex (" << c.x << ", " << c.y << ") is not a corner";
        EXPECT_NEAR(c.s, want[k].s, 1e-5) << "corner " << k;
        EXPECT_NEAR(c.t, want[k].t, 1e-5) << "corner " << k;
        seen |= 1 << k;
    }
    EXPECT_EQ(seen, 15);
}

int red(float x, float y) {
    unsigned char px[3];
    glReadPixels(int(x + ORIGIN), int(H - ORIGIN - y - 1), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    return px[0];
}

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        frameworkwindow::ensure();
        pixelscreen::set(W, H, -ORIGIN, -ORIGIN);
        glColor4f(1, 1, 1, 1);
        glReadBuffer(GL_BACK);
    }
    void TearDown() override {
        ofSetRectMode(0);
        ofEnableArbTex();
        ofEnableTextureEdgeHack();
    }
};
}  // namespace

TEST_F(TextureTest, AllocationAndUploadsOnBothPaths) {
    std::vector<unsigned char> px(129 * 64 * 3, 255);
    ofDisableArbTex();
    ofTexture pot;
    pot.allocate(100, 50, GL_RGB);
    ofTextureData d = pot.getTextureData();
    EXPECT_EQ(d.textureTarget, GL_TEXTURE_2D);
    EXPECT_EQ(d.texWidth, 128);
    EXPECT_EQ(d.texHeight, 64);
    EXPECT_EQ(d.texCoordRight, 1.0f);
    EXPECT_EQ(d.glType, GL_LUMINANCE);
    EXPECT_EQ(d.pixelType, GL_UNSIGNED_BYTE);
    pot.loadData(px.data(), 100, 50, GL_RGB);
    d = pot.getTextureData();
    EXPECT_FLOAT_EQ(d.texCoordRight, 0.78125f);
    EXPECT_FLOAT_EQ(d.texCoordBottom, 0.78125f);
    EXPECT_EQ(d.glType, GL_RGB);
    CaptureStdout out;
    pot.loadData(px.data(), 129, 64, GL_RGB);
    EXPECT_EQ(out.finish(), TOO_BIG);
    EXPECT_EQ(pot.getWidth(), 100) << "a refused upload changes nothing";


    ofEnableArbTex();
    ASSERT_TRUE(epoxy_has_gl_extension("GL_ARB_texture_rectangle"));
    ofTexture rect;
    rect.allocate(100, 50, GL_RGB);
    d = rect.getTextureData();
    EXPECT_EQ(d.textureTarget, GL_TEXTURE_RECTANGLE_ARB);
    EXPECT_EQ(d.texWidth, 100);
    EXPECT_EQ(d.texCoordRight, 100);
    EXPECT_EQ(d.texCoordBottom, 50);
}

TEST_F(TextureTest, EmptyTexturesAndCopiesHoldNothing) {
    ofTexture a, b;
    unsigned char px[3] = {0, 0, 0};
    CaptureStdout out;
    ofTextureData d = a.getTextureData();
    a.loadData(px, 1, 1, GL_RGB);
    a.allocate(8, 8, GL_RGB);
    b.allocate(4, 4, GL_RGB);
    unsigned int aName = a.getTextureData().textureID, bName = b.getTextureData().textureID;
    { ofTexture copy(a); }
    b = a;
    EXPECT_EQ(out.finish(), std::string("OF_ERROR: getTextureData() - texture has not been allocated\n") + TOO_BIG +
                                "OF_WARNING: overloaded ofTexture copy constructor to do nothing. please use FBO "
                                "or other means to copy textures\n"
                                "OF_WARNING: overloaded ofTexture = operator to do nothing. please use FBO or other "
                                "means to copy textures\n");
    EXPECT_FALSE(d.bAllocated);
    EXPECT_EQ(d.textureID, 0u);
    EXPECT_TRUE(glIsTexture(aName)) << "the copy's end did not take the original's texture";
    EXPECT_EQ(b.getTextureData().textureID, bName);
    a.clear();
    EXPECT_FALSE(glIsTexture(aName));
    // The freed name may be handed out again; a second clear must not delete it.
    ofTexture c;
    c.allocate(2, 2, GL_RGB);
    a.clear();
    EXPECT_TRUE(glIsTexture(c.getTextureData().textureID));
}

TEST_F(TextureTest, QuadFollowsRectModeAnchorsAndEdgeHack) {
    ofDisableArbTex();
    ofTexture t;
    t.allocate(128, 64, GL_RGB);
    const float ow = 1.0f / 128, oh = 1.0f / 64;
    expectQuad(feedback([&] { t.draw(10, 20, 40, 30); }), 10, 20, 50, 50, ow, oh, 1 - ow, 1 - oh);
    ofDisableTextureEdgeHack();
    expectQuad(feedback([&] { t.draw(10, 20, 40, 30); }), 10, 20, 50, 50, 0, 0, 1, 1);
    ofEnableTextureEdgeHack();
    ofSetRectMode(1);
    expectQuad(feedback([&] { t.draw(10, 20, 40, 30); }), -10, 5, 30, 35, ow, oh, 1 - ow, 1 - oh);
    ofSetRectMode(0);
    t.setAnchorPercent(0.5f, 0.5f);
    expectQuad(feedback([&] { t.draw(0, 0, 40, 30); }), -20, -15, 20, 15, ow, oh, 1 - ow, 1 - oh);
    t.setAnchorPoint(5, 7);
    expectQuad(feedback([&] { t.draw(0, 0, 40, 30); }), -5, -7, 35, 23, ow, oh, 1 - ow, 1 - oh);
    t.resetAnchor();
    ofBaseDraws& drawable = t;
    expectQuad(feedback([&] { drawable.draw(3, 4); }), 3, 4, 131, 68, ow, oh, 1 - ow, 1 - oh);

    // Rectangle textures: addressed in texels and never inset.
    ofEnableArbTex();
    ofTexture r;
    r.allocate(100, 50, GL_RGB);
    expectQuad(feedback([&] { r.draw(0, 0, 100, 50); }), 0, 0, 100, 50, 0, 0, 100, 50);
}

TEST_F(TextureTest, ScreenCopiesAreDrawnTheRightWayUp) {
    for (bool arb : {false, true}) {
        SCOPED_TRACE(arb ? "rectangle texture" : "power-of-two texture");
        arb ? ofEnableArbTex() : ofDisableArbTex();
        // A 64 x 33 region at the window's top left: red above, black below.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 0, 0);
        glRectf(-ORIGIN, -ORIGIN, -ORIGIN + 64, -ORIGIN + 16);
        glColor3f(1, 1, 1);
        ofTexture t;
        t.allocate(64, 33, GL_RGB);
        t.loadScreenData(0, 0, 64, 33);
        EXPECT_TRUE(t.getTextureData().bFlipTexture);
        float c = arb ? 0 : 1.0f / 64, right = arb ? 64 : 1 - c;
        expectQuad(feedback([&] { t.draw(0, 0, 64, 33); }), 0, 33, 64, 0, c, arb ? 0 : 1.0f / 64, right,
                   arb ? 33 : 33.0f / 64 - 1.0f / 64);

        glClear(GL_COLOR_BUFFER_BIT);
        t.draw(100, 100);
        EXPECT_EQ(red(130, 103), 255) << "the top of the copy stays on top";
        EXPECT_EQ(red(130, 128), 0);
        ofSetRectMode(1);  // centre mode does not turn it over
        glClear(GL_COLOR_BUFFER_BIT);
        t.draw(100, 100);
        EXPECT_EQ(red(100, 110), 255);
        ofSetRectMode(0);
        EXPECT_FALSE(glIsEnabled(arb ? GL_TEXTURE_RECTANGLE_ARB : GL_TEXTURE_2D));

        // A refused copy still leaves the texture flipped.
        t.loadData(std::vector<unsigned char>(64 * 33 * 3).data(), 64, 33, GL_RGB);
        EXPECT_FALSE(t.getTextureData().bFlipTexture);
        CaptureStdout out;
        t.loadScreenData(0, 0, 65, 33);
        EXPECT_EQ(out.finish(), TOO_BIG);
        EXPECT_TRUE(t.getTextureData().bFlipTexture);
    }
}
