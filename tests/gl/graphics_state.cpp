// The global drawing state and the style stack, read back from the current
// style and from the GL context it drives.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
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

TEST_F(DrawingState, ColourIsClampedAndKeptWhole) {
    ofSetColor(300, -5, 128);
    expectGlColor(1, 0, 128 / 255.0f, 1);
    ofStyle s = ofGetStyle();
    EXPECT_EQ(s.color.r, 255);
    EXPECT_EQ(s.color.g, 0);
    EXPECT_EQ(s.color.b, 128);
    EXPECT_EQ(s.color.a, 255);

    ofSetColor(0xFF8000);
    expectGlColor(1, 128 / 255.0f, 0, 1);
    ofSetColor(10, 20, 30, -1);
    EXPECT_EQ(ofGetStyle().color.a, 0);

    // Whole numbers in, whole numbers kept: a saved style loses nothing.
    for (int c = 0; c <= 255; c++) {
        ofSetColor(c, 255 - c, c, c);
        ASSERT_EQ(ofGetStyle().color.r, c);
        ASSERT_EQ(ofGetStyle().color.g, 255 - c);
    }
}

TEST_F(DrawingState, RefusedModesKeepTheCurrentOneAndBadWindingRulesAreLogged) {
    ofSetRectMode(1);
    ofSetRectMode(2);
    EXPECT_EQ(ofGetRectMode(), 1);
    EXPECT_EQ(ofGetStyle().rectMode, 1);

    ofSetPolyMode(GLU_TESS_WINDING_ABS_GEQ_TWO);
    for (int bad : {GLU_TESS_WINDING_ODD - 1, GLU_TESS_WINDING_ABS_GEQ_TWO + 1}) {
        CaptureStdout out;
        ofSetPolyMode(bad);
        EXPECT_EQ(out.finish(), "OF_ERROR:  error in ofSetPolyMode\n");
        EXPECT_EQ(ofGetStyle().polyMode, GLU_TESS_WINDING_ABS_GEQ_TWO);
    }
}

TEST_F(DrawingState, StyleStackKeepsTheNewest32) {
    // Before push i the state is colour (i, 2i, 3i), line width i, rectangle
    // mode i % 2 and outline on every third.
    for (int i = 1; i <= 33; i++) {
        ofSetColor(i, 2 * i, 3 * i);
        ofSetLineWidth(static_cast<float>(i));
        ofSetRectMode(i % 2);
        i % 3 ? ofFill() : ofNoFill();
        ofPushStyle();
    }
    ofSetColor(0, 0, 0);
    for (int pop = 1; pop <= 32; pop++) {
        ofPopStyle();
        int i = 34 - pop;
        ofStyle s = ofGetStyle();
        ASSERT_EQ(s.color.r, i) << "pop " << pop;
        ASSERT_EQ(s.lineWidth, static_cast<float>(i));
        ASSERT_EQ(ofGetRectMode(), i % 2);
        ASSERT_EQ(s.bFill, i % 3 != 0);
        expectGlColor(i / 255.0f, 2 * i / 255.0f, 3 * i / 255.0f, 1);
    }
    ofPopStyle();  // empty: the state of the second push stays
    EXPECT_EQ(ofGetStyle().color.r, 2);
}

TEST_F(DrawingState, ApplyingAStyleGoesThroughTheSetters) {
    ofStyle saved = ofGetStyle();
    saved.color = ofColor(12.9f, 300, -4, 77.5f);
    saved.polyMode = 4242;
    saved.rectMode = 7;
    saved.blending = true;
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    ofSetRectMode(1);

    CaptureStdout out;
    ofSetStyle(saved);
    EXPECT_EQ(out.finish(), "OF_ERROR:  error in ofSetPolyMode\n");
    ofStyle s = ofGetStyle();
    EXPECT_EQ(s.color.r, 12);
    EXPECT_EQ(s.color.g, 255);
    EXPECT_EQ(s.color.b, 0);
    EXPECT_EQ(s.color.a, 77);
    EXPECT_EQ(s.polyMode, GLU_TESS_WINDING_NONZERO);
    EXPECT_EQ(s.rectMode, 1);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));

    // Beyond int a component clamps like any other; NaN keeps the current one.
    saved.color = ofColor(1e10f, -INFINITY, INFINITY, NAN);
    saved.polyMode = GLU_TESS_WINDING_ODD;
    ofSetStyle(saved);
    s = ofGetStyle();
    EXPECT_EQ((std::vector<float>{s.color.r, s.color.g, s.color.b, s.color.a}), (std::vector<float>{255, 0, 255, 77}));
}

// Xvfb's GLX lists no swap-interval control; calling one anyway aborts.
TEST(VerticalSync, WithoutAListedControlDoesNothingAndSaysNothing) {
    frameworkwindow::ensure();
    CaptureStdout out;
    ofSetVerticalSync(true);
    ofSetVerticalSync(false);
    EXPECT_EQ(out.finish(), "");
}
