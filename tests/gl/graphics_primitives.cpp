// Primitives and the default screen projection, checked by what GL rasterises
// into the back buffer and by the vertices GL's feedback mode reports.
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

using frameworkwindow::pixel;

// The distinct vertices of what `draw` sends down, in the order GL reports
// them, and how many primitives (triangles or lines) they formed.
struct Feedback {
    std::vector<glfeedback::Vertex> vertices;
    int primitives = 0;
};

Feedback feedback(const std::function<void()>& draw) {
    const auto prims = glfeedback::capture(draw);
    return {glfeedback::distinct(prims), int(prims.size())};
}

class Primitives : public ::testing::Test {
protected:
    void SetUp() override {
        frameworkwindow::ensure();
        glViewport(0, 0, ofGetWidth(), ofGetHeight());
        ofSetupScreen();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ofFill();
        ofDisableSmoothing();
        ofSetRectMode(0);
        ofSetColor(255, 0, 0);
    }
};

bool isRed(frameworkwindow::Rgb p) { return p.r > 200 && p.g < 50 && p.b < 50; }
bool isBlack(frameworkwindow::Rgb p) { return p.r < 50 && p.g < 50 && p.b < 50; }

}  // namespace

// Kept first: the circle table has not been built yet in this process.
TEST_F(Primitives, FirstCircleBuildsTheTwentyTwoPointTable) {
    EXPECT_EQ(ofGetStyle().circleResolution, 20);
    Feedback fan = feedback([] { ofCircle(100, 100, 50); });
    ASSERT_EQ(fan.vertices.size(), 22u);
    EXPECT_EQ(fan.primitives, 20);  // a fan of 22 points
    EXPECT_NEAR(fan.vertices[0].x, 150, 1e-3);
    EXPECT_NEAR(fan.vertices[0].y, 100, 1e-3);
    // 2 pi / 22 further on, towards increasing y.
    EXPECT_NEAR(fan.vertices[1].x, 100 + 50 * std::cos(2 * M_PI / 22), 1e-3);
    EXPECT_NEAR(fan.vertices[1].y, 100 + 50 * std::sin(2 * M_PI / 22), 1e-3);
    EXPECT_EQ(ofGetStyle().circleResolution, 22);

    ofCircle(400, 300, 50);
    EXPECT_TRUE(isRed(pixel(400, 300)));
    EXPECT_TRUE(isRed(pixel(448, 300)));
    EXPECT_TRUE(isBlack(pixel(452, 300)));
    EXPECT_TRUE(isBlack(pixel(400, 352)));
}

TEST_F(Primitives, CircleResolutionRules) {
    auto points = [] { return feedback([] { ofNoFill(); ofCircle(200, 200, 80); ofFill(); }).vertices.size(); };
    ofSetCircleResolution(8);
    EXPECT_EQ(points(), 8u);
    EXPECT_EQ(points(), 8u) << "a later circle went back to the default table";
    ofSetCircleResolution(1);
    EXPECT_EQ(points(), 8u);
    EXPECT_EQ(ofGetStyle().circleResolution, 8);
    ofSetCircleResolution(0);
    EXPECT_EQ(points(), 8u);
    ofSetCircleResolution(5000);
    EXPECT_EQ(points(), 1024u);
    EXPECT_EQ(ofGetStyle().circleResolution, 1024);
    setupCircle();
    EXPECT_EQ(points(), 22u);

    ofSetCircleResolution(4);
    Feedback ellipse = feedback([] { ofEllipse(300, 200, 100, 40); });
    ASSERT_EQ(ellipse.vertices.size(), 4u);
    EXPECT_NEAR(ellipse.vertices[0].x, 350, 1e-3);
    EXPECT_NEAR(ellipse.vertices[0].y, 200, 1e-3);
    EXPECT_NEAR(ellipse.vertices[1].x, 300, 1e-3);
    EXPECT_NEAR(ellipse.vertices[1].y, 220, 1e-3);
}

TEST_F(Primitives, RectanglesInCornerAndCentreModeFilledAndOutlined) {
    ofRect(100, 200, 50, 30);
    EXPECT_TRUE(isRed(pixel(101, 201)));
    EXPECT_TRUE(isRed(pixel(148, 228)));
    EXPECT_TRUE(isBlack(pixel(152, 215)));
    EXPECT_TRUE(isBlack(pixel(125, 232)));
    EXPECT_TRUE(isBlack(pixel(98, 215)));
    EXPECT_TRUE(isBlack(pixel(125, 198)));

    // Centred on (10, 20): x -5 to 25, y 0 to 40.
    ofSetRectMode(1);
    ofSetColor(0, 255, 0);
    ofRect(10, 20, 30, 40);
    EXPECT_EQ(pixel(0, 1).g > 200, true);
    EXPECT_EQ(pixel(23, 38).g > 200, true);
    EXPECT_TRUE(isBlack(pixel(27, 20)));
    EXPECT_TRUE(isBlack(pixel(10, 42)));

    ofSetRectMode(0);
    ofSetColor(255, 0, 0);
    ofNoFill();
    ofRect(300, 300, 100, 50);
    EXPECT_TRUE(isBlack(pixel(350, 325))) << "an outline filled its inside";
    bool leftEdge = isRed(pixel(299, 325)) || isRed(pixel(300, 325)) || isRed(pixel(301, 325));
    bool topEdge = isRed(pixel(350, 299)) || isRed(pixel(350, 300)) || isRed(pixel(350, 301));
    EXPECT_TRUE(leftEdge);
    EXPECT_TRUE(topEdge);
    ofFill();
}

TEST_F(Primitives, SmoothingWrapsOutlinesAndLinesAndRestoresState) {
    // A smoothed line leaves partly covered pixels; a plain one does not.
    auto partlyCovered = [](float y) {
        ofLine(100, y, 300, y + 37);
        int partial = 0;
        for (int x = 110; x < 290; x++) {
            for (int dy = -2; dy <= 3; dy++) {
                int red = pixel(x, static_cast<int>(y + (x - 100) * 37.0f / 200.0f) + dy).r;
                if (red > 20 && red < 235) partial++;
            }
        }
        return partial;
    };
    EXPECT_EQ(partlyCovered(100), 0);
    ofEnableSmoothing();
    EXPECT_GT(partlyCovered(200), 20);
    for (bool fill : {true, false}) {
        if (fill) {
            ofFill();
        } else {
            ofNoFill();
        }
        ofLine(1, 1, 5, 5);
        ofRect(10, 10, 5, 5);
        ofCircle(10, 10, 5);
        ofEllipse(10, 10, 5, 5);
        ofTriangle(1, 1, 5, 1, 1, 5);
        GLint depth = -1;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 0);
        EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
    ofDisableSmoothing();
    ofFill();
}

TEST_F(Primitives, ScreenSetUpPutsTheOriginTopLeftOneUnitPerPixel) {
    ASSERT_EQ(ofGetWidth(), 800);
    ASSERT_EQ(ofGetHeight(), 600);
    GLfloat proj[16], model[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    // 60 degree field of view, aspect 4:3, near and far at a tenth and ten
    // times the distance 300 / tan 30 degrees = 519.6152.
    const double dist = 300 / std::tan(M_PI / 6), nearD = dist / 10, farD = dist * 10;
    const double f = 1 / std::tan(M_PI / 6);
    const double expectedProj[16] = {f / (800.0 / 600.0), 0, 0, 0, 0, f, 0, 0, 0, 0, (farD + nearD) / (nearD - farD), -1,
                                     0, 0, 2 * farD * nearD / (nearD - farD), 0};
    const double expectedModel[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, -400, 300, -dist, 1};
    for (int i = 0; i < 16; i++) {
        EXPECT_NEAR(proj[i], expectedProj[i], 1e-4 * (1 + std::fabs(expectedProj[i]))) << "projection " << i;
        EXPECT_NEAR(model[i], expectedModel[i], 1e-4 * (1 + std::fabs(expectedModel[i]))) << "modelview " << i;
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    ofSetColor(0, 0, 255);
    ofRect(0, 0, 1, 1);
    ofRect(799, 599, 1, 1);
    EXPECT_GT(pixel(0, 0).b, 200);
    EXPECT_GT(pixel(799, 599).b, 200);
    EXPECT_LT(pixel(1, 1).b, 50);
}

TEST_F(Primitives, BackgroundClearsAtOnceOnlyWithoutAutomaticClearing) {
    ofRect(0, 0, 20, 20);
    ofBackground(255, 255, 255);
    EXPECT_TRUE(isRed(pixel(5, 5)));
    ofSetBackgroundAuto(false);
    ofBackground(0, 0, 255);
    ofSetBackgroundAuto(true);
    frameworkwindow::Rgb p = pixel(5, 5);
    EXPECT_LT(p.r, 5);
    EXPECT_GT(p.b, 250);
    const float* bg = ofGetBackgroundColor();
    EXPECT_FLOAT_EQ(bg[2], 1.0f);
    ofBackground(510, -255, 0);  // stored as given
    EXPECT_FLOAT_EQ(bg[0], 2.0f);
    EXPECT_FLOAT_EQ(bg[1], -1.0f);
}
