// The global drawing state and the style stack, read back from the current
// style and from the GL context it drives.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofLog.h"

#include <gtest/gtest.h>

namespace {

void expectStyle(const ofStyle& s, float r, float g, float b, float a, int polyMode, int rectMode, bool fill,
                 bool blending, bool smoothing, int circleRes, float lineWidth) {
    EXPECT_EQ(s.color.r, r);
    EXPECT_EQ(s.color.g, g);
    EXPECT_EQ(s.color.b, b);
    EXPECT_EQ(s.color.a, a);
    EXPECT_EQ(s.polyMode, polyMode);
    EXPECT_EQ(s.rectMode, rectMode);
    EXPECT_EQ(s.bFill, fill);
    EXPECT_EQ(s.blending, blending);
    EXPECT_EQ(s.smoothing, smoothing);
    EXPECT_EQ(s.circleResolution, circleRes);
    EXPECT_EQ(s.lineWidth, lineWidth);
}

void expectGlColor(float r, float g, float b, float a) {
    float c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_FLOAT_EQ(c[0], r);
    EXPECT_FLOAT_EQ(c[1], g);
    EXPECT_FLOAT_EQ(c[2], b);
    EXPECT_FLOAT_EQ(c[3], a);
}

class DrawingState : public ::testing::Test {
protected:
    void SetUp() override {
        frameworkwindow::ensure();
        ofSetStyle(ofStyle());
    }
};

}  // namespace

// Kept first: it reads the state as the window set-up left it.
TEST_F(DrawingState, StartsWhiteFilledOnGreyBackground) {
    expectStyle(ofGetStyle(), 255, 255, 255, 255, GLU_TESS_WINDING_ODD, 0, true, false, false, 20, 1.0f);
    expectGlColor(1, 1, 1, 1);
    const float* bg = ofGetBackgroundColor();
    EXPECT_FLOAT_EQ(bg[0], 200 / 255.0f);
    EXPECT_FLOAT_EQ(bg[1], 200 / 255.0f);
    EXPECT_FLOAT_EQ(bg[2], 200 / 255.0f);
    EXPECT_FLOAT_EQ(bg[3], 1.0f);
    EXPECT_TRUE(ofGetBackgroundAutoClear());
    EXPECT_TRUE(ofGetUsingArbTex());
    GLboolean vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
    EXPECT_TRUE(vertexArray);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(DrawingState, ColourIsClampedAndKeptWhole) {
    ofSetColor(300, -5, 128);
    expectGlColor(1, 0, 128 / 255.0f, 1);
    ofStyle s = ofGetStyle();
    EXPECT_EQ(s.color.r, 255);
    EXPECT_EQ(s.color.g, 0);
    EXPECT_EQ(s.color.b, 128);
    EXPECT_EQ(s.color.a, 255);

    ofSetColor(10, 20, 30, 1000);
    expectGlColor(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1);
    EXPECT_EQ(ofGetStyle().color.a, 255);
    ofSetColor(10, 20, 30, -1);
    EXPECT_EQ(ofGetStyle().color.a, 0);

    ofSetColor(0xFF8000);
    s = ofGetStyle();
    EXPECT_EQ(s.color.r, 255);
    EXPECT_EQ(s.color.g, 128);
    EXPECT_EQ(s.color.b, 0);
    expectGlColor(1, 128 / 255.0f, 0, 1);

    // A saved style holds whole numbers, so applying it back loses nothing.
    for (int c = 0; c <= 255; c++) {
        ofSetColor(c, 255 - c, c, c);
        s = ofGetStyle();
        ASSERT_EQ(s.color.r, c);
        ASSERT_EQ(s.color.g, 255 - c);
        ASSERT_EQ(s.color.a, c);
    }
}

TEST_F(DrawingState, SettersRefuseWhatTheyCannotTake) {
    ofSetRectMode(1);
    ofSetRectMode(2);
    EXPECT_EQ(ofGetRectMode(), 1);
    EXPECT_EQ(ofGetStyle().rectMode, 1);
    ofSetRectMode(-1);
    EXPECT_EQ(ofGetRectMode(), 1);

    ofSetPolyMode(GLU_TESS_WINDING_ABS_GEQ_TWO);
    EXPECT_EQ(ofGetStyle().polyMode, GLU_TESS_WINDING_ABS_GEQ_TWO);
    for (int bad : {GLU_TESS_WINDING_ODD - 1, GLU_TESS_WINDING_ABS_GEQ_TWO + 1, 0}) {
        CaptureStdout out;
        ofSetPolyMode(bad);
        EXPECT_EQ(out.finish(), "OF_ERROR:  error in ofSetPolyMode\n");
        EXPECT_EQ(ofGetStyle().polyMode, GLU_TESS_WINDING_ABS_GEQ_TWO);
    }

    ofSetLineWidth(3.5f);
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 3.5f);
    EXPECT_EQ(ofGetStyle().lineWidth, 3.5f);

    ofEnableAlphaBlending();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    ofDisableAlphaBlending();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Smoothing is only remembered; the primitives apply it.
    ofEnableSmoothing();
    EXPECT_TRUE(ofGetStyle().smoothing);
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    ofDisableSmoothing();
}

TEST_F(DrawingState, StyleStackKeepsTheNewest32) {
    // Before push i the state is style i: colour i, 2i, 3i and line width i.
    for (int i = 1; i <= 33; i++) {
        ofSetColor(i, 2 * i, 3 * i);
        ofSetLineWidth(static_cast<float>(i));
        ofSetRectMode(i % 2);
        if (i % 3 == 0) {
            ofNoFill();
        } else {
            ofFill();
        }
        ofPushStyle();
    }
    ofSetColor(0, 0, 0);
    for (int pop = 1; pop <= 32; pop++) {
        ofPopStyle();
        int i = 34 - pop;  // newest first
        ofStyle s = ofGetStyle();
        ASSERT_EQ(s.color.r, i) << "pop " << pop;
        ASSERT_EQ(s.color.b, 3 * i);
        ASSERT_EQ(s.lineWidth, static_cast<float>(i));
        ASSERT_EQ(s.rectMode, i % 2);
        ASSERT_EQ(ofGetRectMode(), i % 2);
        ASSERT_EQ(s.bFill, i % 3 != 0);
        expectGlColor(i / 255.0f, 2 * i / 255.0f, 3 * i / 255.0f, 1);
    }
    // The 33rd pop finds the stack empty: the state of the second push stays.
    ofPopStyle();
    EXPECT_EQ(ofGetStyle().color.r, 2);
    EXPECT_EQ(ofGetStyle().lineWidth, 2.0f);
}

TEST_F(DrawingState, ApplyingAStyleGoesThroughTheSetters) {
    ofStyle saved = ofGetStyle();
    saved.color = ofColor(12.9f, 300, -4, 77.5f);
    saved.polyMode = 4242;
    saved.rectMode = 7;
    saved.blending = true;
    saved.smoothing = true;
    saved.bFill = false;
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    ofSetRectMode(1);

    CaptureStdout out;
    ofSetStyle(saved);
    EXPECT_EQ(out.finish(), "OF_ERROR:  error in ofSetPolyMode\n");
    expectStyle(ofGetStyle(), 12, 255, 0, 77, GLU_TESS_WINDING_NONZERO, 1, false, true, true, ofGetStyle().circleResolution,
                saved.lineWidth);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    ofDisableAlphaBlending();
}
