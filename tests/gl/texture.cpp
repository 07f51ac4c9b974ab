// ofTexture against a real GL context: allocation on both paths, uploads and
// their limits, screen copies, and the quad that draw sends, read back both
// through GL feedback (exact corners and texture coordinates) and as pixels.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
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

// Drawing coordinates: x right, y down, (-200, -200) at the top left, so
// quads that reach into negative coordinates are not clipped away.
const float ORIGIN = 200;

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        frameworkwindow::ensure();
        pixelscreen::set(W, H, -ORIGIN, -ORIGIN);
        glColor4f(1, 1, 1, 1);
        glDisable(GL_BLEND);
        ofSetRectMode(0);
        ofEnableArbTex();
        ofEnableTextureEdgeHack();
    }
    void TearDown() override {
        ofSetRectMode(0);
        ofEnableArbTex();
        ofEnableTextureEdgeHack();
    }
};

struct Corner {
    float x, y, s, t;
};

// The vertices of everything draw() sends, in drawing coordinates, with
// their texture coordinates.
std::vector<Corner> feedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buf(4096);
    glFeedbackBuffer(GLsizei(buf.size()), GL_3D_COLOR_TEXTURE, buf.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    int n = glRenderMode(GL_RENDER);
    std::vector<Corner> out;
    const int stride = 3 + 4 + 4;  // window xyz, RGBA, strq
    for (int i = 0; i < n;) {
        if (buf[i] == GL_POLYGON_TOKEN) {
            int count = int(buf[i + 1]);
            for (int v = 0; v < count; v++) {
                const GLfloat* p = &buf[i + 2 + v * stride];
                out.push_back({p[0] - ORIGIN, H - ORIGIN - p[1], p[7], p[8]});
            }
            i += 2 + count * stride;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << buf[i];
            break;
        }
    }
    return out;
}

// Every vertex is one of the quad's four corners with its own texture
// coordinate, and every corner is used.
void expectQuad(const std::vector<Corner>& got, float px0, float py0, float px1, float py1, float tx0,
                float ty0, float tx1, float ty1) {
    const Corner want[4] = {{px0, py0, tx0, ty0}, {px1, py0, tx1, ty0}, {px1, py1, tx1, ty1}, {px0, py1, tx0, ty1}};
    bool seen[4] = {false, false, false, false};
    ASSERT_EQ(got.size(), 6u) << "a fan of four vertices is two triangles";
    for (const Corner& c : got) {
        bool matched = false;
        for (int k = 0; k < 4; k++) {
            if (std::fabs(c.x - want[k].x) < 0.01f && std::fabs(c.y - want[k].y) < 0.01f) {
                EXPECT_NEAR(c.s, want[k].s, 1e-5) << "s at corner " << k;
                EXPECT_NEAR(c.t, want[k].t, 1e-5) << "t at corner " << k;
                seen[k] = matched = true;
            }
        }
        EXPECT_TRUE(matched) << "vertex (" << c.x << ", " << c.y << ") is not a corner";
    }
    for (int k = 0; k < 4; k++) EXPECT_TRUE(seen[k]) << "corner " << k << " missing";
}

std::vector<unsigned char> solid(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
    std::vector<unsigned char> px;
    for (int i = 0; i < w * h; i++) px.insert(px.end(), {r, g, b});
    return px;
}

// The colour at a point of the back buffer, in drawing coordinates.
std::vector<int> pixelAt(float x, float y) {
    unsigned char px[3] = {0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(int(x + ORIGIN), int(H - ORIGIN - y - 1), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}

GLint levelSize(GLenum target, GLuint name, GLenum what) {
    glBindTexture(target, name);
    GLint v = -1;
    glGetTexLevelParameteriv(target, 0, what, &v);
    return v;
}
}  // namespace

TEST_F(TextureTest, AllocationOnBothPathsAndUploadLimits) {
    // Power-of-two path: the switch off, or the extension asked not to be used.
    ofDisableArbTex();
    ofTexture pot;
    pot.allocate(100, 50, GL_RGB);
    ofTextureData d = pot.getTextureData();
    EXPECT_TRUE(d.bAllocated);
    EXPECT_EQ(d.textureTarget, GL_TEXTURE_2D);
    EXPECT_EQ(d.texWidth, 128);
    EXPECT_EQ(d.texHeight, 64);
    EXPECT_EQ(d.texCoordRight, 1.0f);
    EXPECT_EQ(d.texCoordBottom, 1.0f);
    EXPECT_EQ(d.width, 100);
    EXPECT_EQ(d.height, 50);
    EXPECT_EQ(d.glType, GL_LUMINANCE);
    EXPECT_EQ(d.glTypeInternal, GL_RGB);
    EXPECT_EQ(d.pixelType, GL_UNSIGNED_BYTE);
    EXPECT_EQ(levelSize(GL_TEXTURE_2D, d.textureID, GL_TEXTURE_WIDTH), 128);
    EXPECT_EQ(levelSize(GL_TEXTURE_2D, d.textureID, GL_TEXTURE_HEIGHT), 64);

    std::vector<unsigned char> px = solid(129, 64, 1, 2, 3);
    pot.loadData(px.data(), 100, 50, GL_RGB);
    d = pot.getTextureData();
    EXPECT_FLOAT_EQ(d.texCoordRight, 0.78125f);
    EXPECT_FLOAT_EQ(d.texCoordBottom, 0.78125f);
    EXPECT_EQ(d.glType, GL_RGB);

    {
        CaptureStdout out;
        pot.loadData(px.data(), 129, 64, GL_RGB);
        EXPECT_EQ(out.finish(), "OF_ERROR: image data too big for allocated texture. not uploading...\n");
    }
    d = pot.getTextureData();
    EXPECT_EQ(d.width, 100) << "a refused upload changes nothing";
    EXPECT_FLOAT_EQ(d.texCoordRight, 0.78125f);
    {
        CaptureStdout out;
        pot.loadData(px.data(), 128, 64, GL_RGB);
        EXPECT_EQ(out.finish(), "");
    }
    EXPECT_EQ(pot.getWidth(), 128);
    EXPECT_FLOAT_EQ(pot.getTextureData().texCoordRight, 1.0f);

    // A float internal format brings its own client format and pixel type.
    ofTexture fl;
    fl.allocate(3, 3, GL_RGBA32F_ARB, false);
    EXPECT_EQ(fl.getTextureData().glType, GL_RGBA);
    EXPECT_EQ(fl.getTextureData().pixelType, GL_FLOAT);

    ofTexture empty;
    empty.allocate(0, 0, GL_RGB);
    d = empty.getTextureData();
    EXPECT_EQ(d.texWidth, 1);
    EXPECT_EQ(d.texHeight, 1);
    EXPECT_EQ(d.width, 0);

    // Rectangle path: the exact size, addressed in texels.
    ofEnableArbTex();
    ASSERT_TRUE(epoxy_has_gl_extension("GL_ARB_texture_rectangle"));
    ofTexture rect;
    rect.allocate(100, 50, GL_RGB);
    d = rect.getTextureData();
    EXPECT_EQ(d.textureTarget, GL_TEXTURE_RECTANGLE_ARB);
    EXPECT_EQ(d.texWidth, 100);
    EXPECT_EQ(d.texHeight, 50);
    EXPECT_EQ(d.texCoordRight, 100);
    EXPECT_EQ(d.texCoordBottom, 50);
    EXPECT_EQ(levelSize(GL_TEXTURE_RECTANGLE_ARB, d.textureID, GL_TEXTURE_WIDTH), 100);
    EXPECT_EQ(levelSize(GL_TEXTURE_RECTANGLE_ARB, d.textureID, GL_TEXTURE_HEIGHT), 50);
    rect.loadData(px.data(), 60, 40, GL_RGB);
    EXPECT_EQ(rect.getTextureData().texCoordRight, 60);
    EXPECT_EQ(rect.getTextureData().texCoordBottom, 40);
    EXPECT_EQ(rect.getCoordFromPoint(30, 20).x, 30);
    EXPECT_EQ(rect.getCoordFromPercent(0.5f, 0.5f).y, 20);
    EXPECT_FLOAT_EQ(pot.getCoordFromPercent(0.5f, 0.5f).x, 0.5f);
}

TEST_F(TextureTest, UnallocatedTexturesRefuseUploadsAndReportTheirRecord) {
    ofTexture t;
    std::vector<unsigned char> px = solid(1, 1, 0, 0, 0);
    CaptureStdout out;
    ofTextureData d = t.getTextureData();
    t.loadData(px.data(), 1, 1, GL_RGB);
    EXPECT_EQ(out.finish(),
              "OF_ERROR: getTextureData() - texture has not been allocated\n"
              "OF_ERROR: image data too big for allocated texture. not uploading...\n");
    EXPECT_FALSE(d.bAllocated);
    EXPECT_EQ(d.textureTarget, GL_TEXTURE_2D);
    EXPECT_EQ(d.pixelType, GL_UNSIGNED_BYTE);
    EXPECT_EQ(d.textureID, 0u);
    EXPECT_EQ(t.getCoordFromPoint(3, 4).x, 0);
}

TEST_F(TextureTest, CopiesShareNothingAndClearReleasesTheName) {
    ofTexture a;
    a.allocate(8, 8, GL_RGB);
    GLuint name = a.getTextureData().textureID;
    ASSERT_TRUE(glIsTexture(name));
    {
        CaptureStdout out;
        ofTexture copy(a);
        EXPECT_FALSE(copy.bAllocated());
        EXPECT_EQ(out.finish(),
                  "OF_WARNING: overloaded ofTexture copy constructor to do nothing. please use FBO or other "
                  "means to copy textures\n");
    }
    // The copy's destruction must not have taken the original's texture.
    EXPECT_TRUE(glIsTexture(name));
    ofTexture b;
    b.allocate(4, 4, GL_RGB);
    GLuint bName = b.getTextureData().textureID;
    {
        CaptureStdout out;
        b = a;
        EXPECT_EQ(out.finish(),
                  "OF_WARNING: overloaded ofTexture = operator to do nothing. please use FBO or other means "
                  "to copy textures\n");
    }
    EXPECT_EQ(b.getTextureData().textureID, bName);
    EXPECT_EQ(b.getWidth(), 4);

    a.clear();
    EXPECT_FALSE(a.bAllocated());
    EXPECT_FALSE(glIsTexture(name));
    // The released name may go to another texture; clearing or destroying
    // the first one again must leave that one alone.
    ofTexture c;
    c.allocate(2, 2, GL_RGB);
    GLuint cName = c.getTextureData().textureID;
    a.clear();
    EXPECT_TRUE(glIsTexture(cName));
}

TEST_F(TextureTest, QuadCornersFollowRectModeAnchorAndEdgeHack) {
    ofDisableArbTex();
    ofTexture t;
    t.allocate(128, 64, GL_RGB);
    const float ow = 1.0f / 128, oh = 1.0f / 64;

    // Corner mode, edge hack on: a one-texel inset on every side.
    expectQuad(feedback([&] { t.draw(10, 20, 40, 30); }), 10, 20, 50, 50, ow, oh, 1 - ow, 1 - oh);
    ofDisableTextureEdgeHack();
    expectQuad(feedback([&] { t.draw(10, 20, 40, 30); }), 10, 20, 50, 50, 0, 0, 1, 1);
    ofEnableTextureEdgeHack();

    // Centre mode puts the quad around the point.
    ofSetRectMode(1);
    expectQuad(feedback([&] { t.draw(10, 20, 40, 30); }), -10, 5, 30, 35, ow, oh, 1 - ow, 1 - oh);
    ofSetRectMode(0);

    // Anchors: a fraction of the drawn size, or pixels; reset goes back.
    t.setAnchorPercent(0.5f, 0.5f);
    expectQuad(feedback([&] { t.draw(0, 0, 40, 30); }), -20, -15, 20, 15, ow, oh, 1 - ow, 1 - oh);
    t.setAnchorPoint(5, 7);
    expectQuad(feedback([&] { t.draw(0, 0, 40, 30); }), -5, -7, 35, 23, ow, oh, 1 - ow, 1 - oh);
    t.resetAnchor();
    // The two-argument form through the drawable interface uses the data size.
    ofBaseDraws& drawable = t;
    expectQuad(feedback([&] { drawable.draw(3, 4); }), 3, 4, 131, 68, ow, oh, 1 - ow, 1 - oh);

    // Rectangle textures are never inset and are addressed in texels.
    ofEnableArbTex();
    ofTexture r;
    r.allocate(100, 50, GL_RGB);
    expectQuad(feedback([&] { r.draw(0, 0, 100, 50); }), 0, 0, 100, 50, 0, 0, 100, 50);
}

TEST_F(TextureTest, ScreenCopyIsFlippedBackWhenDrawn) {
    ofDisableArbTex();
    // A frame whose top half (in drawing coordinates) is red and bottom half
    // blue, over a 64 x 32 region at the window's top-left corner.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 0, 0);
    glRectf(-ORIGIN, -ORIGIN, -ORIGIN + 64, -ORIGIN + 16);
    glColor3f(0, 0, 1);
    glRectf(-ORIGIN, -ORIGIN + 16, -ORIGIN + 64, -ORIGIN + 32);
    glColor3f(1, 1, 1);

    ofTexture t;
    t.allocate(64, 32, GL_RGB);
    glReadBuffer(GL_BACK);
    t.loadScreenData(0, 0, 64, 32);
    ofTextureData d = t.getTextureData();
    EXPECT_TRUE(d.bFlipTexture);
    EXPECT_EQ(d.glType, GL_RGB);

    // Drawn in corner mode the quad is turned over: its top edge uses the
    // bottom texture coordinate.
    const float ow = 1.0f / 64, oh = 1.0f / 32;
    expectQuad(feedback([&] { t.draw(0, 0, 64, 32); }), 0, 32, 64, 0, ow, oh, 1 - ow, 1 - oh);
    // In centre mode it is not.
    ofSetRectMode(1);
    expectQuad(feedback([&] { t.draw(0, 0, 64, 32); }), -32, -16, 32, 16, ow, oh, 1 - ow, 1 - oh);
    ofSetRectMode(0);

    glClear(GL_COLOR_BUFFER_BIT);
    t.draw(100, 100, 64, 32);
    EXPECT_EQ(pixelAt(132, 104), (std::vector<int>{255, 0, 0})) << "top of the copy stays on top";
    EXPECT_EQ(pixelAt(132, 127), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(pixelAt(132, 140), (std::vector<int>{0, 0, 0})) << "nothing below the quad";

    // A refused copy still leaves the texture flipped.
    t.loadData(solid(64, 32, 9, 9, 9).data(), 64, 32, GL_RGB);
    EXPECT_FALSE(t.getTextureData().bFlipTexture);
    CaptureStdout out;
    t.loadScreenData(0, 0, 65, 32);
    EXPECT_EQ(out.finish(), "OF_ERROR: image data too big for allocated texture. not uploading...\n");
    EXPECT_TRUE(t.getTextureData().bFlipTexture);
    EXPECT_EQ(t.getTextureData().glType, GL_RGB);
}

TEST_F(TextureTest, UploadedPixelsAppearWhereTheQuadIs) {
    for (bool arb : {false, true}) {
        SCOPED_TRACE(arb ? "rectangle texture" : "power-of-two texture");
        arb ? ofEnableArbTex() : ofDisableArbTex();
        ofTexture t;
        t.allocate(30, 20, GL_RGB);
        // Left half green, right half red, in a tight RGB buffer of odd row length.
        std::vector<unsigned char> px;
        for (int y = 0; y < 20; y++)
            for (int x = 0; x < 30; x++) {
                unsigned char red = x < 15 ? 0 : 255;
                px.insert(px.end(), {red, (unsigned char)(255 - red), 0});
            }
        t.loadData(px.data(), 30, 20, GL_RGB);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        t.draw(50, 60);
        EXPECT_EQ(pixelAt(55, 70), (std::vector<int>{0, 255, 0}));
        EXPECT_EQ(pixelAt(75, 70), (std::vector<int>{255, 0, 0}));
        EXPECT_EQ(pixelAt(85, 70), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(pixelAt(55, 85), (std::vector<int>{0, 0, 0}));
        GLint unpack = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
        EXPECT_EQ(unpack, 4) << "the unpack alignment is restored";
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    }
}
