// Shapes: what the tessellator fills under each winding rule, holes from
// further contours, outlines drawn directly or as the tessellator's boundary,
// and the vertices curves and Bezier pieces add, as GL's feedback mode and
// the back buffer report them.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "PixelScreen.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {
const int W = 800, H = 600;

struct Point {
    float x, y;  // framework coordinates: origin top left
};

// The line segments GL rasterised, in order.
struct Segment {
    Point a, b;
};

struct Feedback {
    std::vector<Segment> lines;
    int polygons = 0;
};

Feedback feedback(const std::function<void()>& draw) {
    const auto prims = glfeedback::capture(draw);
    Feedback fb;
    fb.polygons = glfeedback::count(prims, glfeedback::Kind::Polygon);
    for (const auto& p : prims)
        if (p.kind == glfeedback::Kind::Line || p.kind == glfeedback::Kind::LineReset)
            fb.lines.push_back({{p.v[0].x, p.v[0].y}, {p.v[1].x, p.v[1].y}});
    return fb;
}

// The points a line strip passed through, one per segment start plus the end.
std::vector<Point> stripPoints(const Feedback& fb) {
    std::vector<Point> points;
    for (const Segment& s : fb.lines) points.push_back(s.a);
    if (!fb.lines.empty()) points.push_back(fb.lines.back().b);
    return points;
}

void expectPoints(const std::vector<Point>& got, const std::vector<Point>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_NEAR(got[i].x, want[i].x, 1e-3) << "point " << i;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-3) << "point " << i;
    }
}

bool lit(int x, int y) { return frameworkwindow::pixel(x, y).r > 128; }

// A five-pointed star drawn as one self-crossing contour: its tips are wound
// once and its middle pentagon twice, both counter-clockwise in the raw
// coordinates the tessellator sees.
const float cx = 400, cy = 300, radius = 200;
void pentagram() {
    ofBeginShape();
    for (int k = 0; k < 5; k++) {
        double a = (-90.0 + 144.0 * k) * M_PI / 180.0;
        ofVertex(float(cx + radius * std::cos(a)), float(cy + radius * std::sin(a)));
    }
    ofEndShape(true);
}

void square(float left, float top, float size) {
    ofVertex(left, top);
    ofVertex(left + size, top);
    ofVertex(left + size, top + size);
    ofVertex(left, top + size);
}

class Shapes : public ::testing::Test {
protected:
    void SetUp() override {
        frameworkwindow::ensure();
        pixelscreen::set(W, H);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetColor(255, 255, 255);
        ofFill();
        ofDisableSmoothing();
        ofSetPolyMode(GLU_TESS_WINDING_ODD);
        ofSetCurveResolution(20);
    }
    void TearDown() override {
        ofFill();
        ofDisableSmoothing();
        ofSetPolyMode(GLU_TESS_WINDING_ODD);
        ofSetCurveResolution(20);
    }
};
}  // namespace

TEST_F(Shapes, WindingRuleDecidesWhichPartsOfAConcaveShapeAreFilled) {
    struct Case {
        int rule;
        bool tip, middle;
    };
    const Case cases[] = {
        {GLU_TESS_WINDING_ODD, true, false},      {GLU_TESS_WINDING_NONZERO, true, true},
        {GLU_TESS_WINDING_POSITIVE, true, true},  {GLU_TESS_WINDING_NEGATIVE, false, false},
        {GLU_TESS_WINDING_ABS_GEQ_TWO, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetPolyMode(c.rule);
        pentagram();
        EXPECT_EQ(lit(400, 150), c.tip);
        EXPECT_EQ(lit(400, 300), c.middle);
        // Between two tips, inside the star's hull but outside the star.
        EXPECT_FALSE(lit(488, 179));
        EXPECT_FALSE(lit(100, 100));
    }
}

TEST_F(Shapes, AFurtherContourCutsAHoleUnderTheOddRule) {
    auto drawFrame = [] {
        ofBeginShape();
        square(100, 100, 200);
        ofNextContour(true);
        square(150, 150, 100);
        ofEndShape(true);
    };
    drawFrame();
    EXPECT_TRUE(lit(120, 120));
    EXPECT_FALSE(lit(200, 200));
    EXPECT_FALSE(lit(350, 200));

    glClear(GL_COLOR_BUFFER_BIT);
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    drawFrame();
    EXPECT_TRUE(lit(120, 120));
    EXPECT_TRUE(lit(200, 200)) << "both contours wind the same way";
}

TEST_F(Shapes, OutlinesAreTheContoursThemselvesUnderTheOddRuleAndTheBoundaryOtherwise) {
    ofNoFill();
    Feedback odd = feedback([] {
        ofBeginShape();
        square(100, 100, 50);
        ofEndShape(true);
    });
    EXPECT_EQ(odd.polygons, 0);
    expectPoints(stripPoints(odd), {{100, 100}, {150, 100}, {150, 150}, {100, 150}, {100, 100}});

    // The star's crossing lines are drawn as they are under the odd rule;
    // the tessellator's boundary instead runs round the outside, through
    // the ten corners of the star's outline.
    Feedback crossing = feedback(pentagram);
    EXPECT_EQ(crossing.lines.size(), 5u);
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    Feedback boundary = feedback(pentagram);
    EXPECT_EQ(boundary.polygons, 0);
    ASSERT_EQ(boundary.lines.size(), 10u);
    int inner = 0;
    for (const Segment& s : boundary.lines) {
        float d = std::hypot(s.a.x - cx, s.a.y - cy);
        if (std::fabs(d - 76.39f) < 0.1f) inner++;
        else EXPECT_NEAR(d, radius, 0.1f);
    }
    EXPECT_EQ(inner, 5);
}

TEST_F(Shapes, CurvesAndBezierPiecesAddTheirSamples) {
    ofNoFill();
    // A fifth curve vertex adds a second piece whose first sample repeats
    // the last of the first piece.
    Feedback curve = feedback([] {
        ofBeginShape();
        for (int k = 0; k < 5; k++) ofCurveVertex(100 + 50 * k, k % 2 ? 200 : 100);
        ofEndShape(false);
    });
    std::vector<Point> samples = stripPoints(curve);
    ASSERT_EQ(samples.size(), 40u);
    EXPECT_NEAR(samples[0].x, 150, 1e-3);
    EXPECT_NEAR(samples[0].y, 200, 1e-3);
    EXPECT_NEAR(samples[19].x, 200, 1e-3);
    EXPECT_NEAR(samples[20].x, 200, 1e-3);
    EXPECT_NEAR(samples[20].y, 100, 1e-3);
    EXPECT_NEAR(samples[39].x, 250, 1e-3);
    EXPECT_NEAR(samples[39].y, 200, 1e-3);

    ofSetCurveResolution(3);
    expectPoints(stripPoints(feedback([] { ofCurve(0, 100, 10, 100, 20, 100, 30, 100); })),
                 {{10, 100}, {15, 100}, {20, 100}});
    expectPoints(stripPoints(feedback([] { ofBezier(100, 100, 100, 200, 300, 200, 300, 100); })),
                 {{100, 100}, {200, 175}, {300, 100}});
    // A Bezier piece starts at the last vertex, which its first sample repeats.
    expectPoints(stripPoints(feedback([] {
                     ofBeginShape();
                     ofVertex(100, 100);
                     ofBezierVertex(100, 200, 300, 200, 300, 100);
                     ofEndShape(false);
                 })),
                 {{100, 100}, {100, 100}, {200, 175}, {300, 100}});
    // With no vertex to start from it adds nothing.
    expectPoints(stripPoints(feedback([] {
                     ofBeginShape();
                     ofBezierVertex(100, 200, 300, 200, 300, 100);
                     ofVertex(10, 10);
                     ofVertex(20, 10);
                     ofEndShape(false);
                 })),
                 {{10, 10}, {20, 10}});
    // A single sample is the piece's start; none at all adds nothing.
    ofSetCurveResolution(1);
    expectPoints(stripPoints(feedback([] {
                     ofBeginShape();
                     ofVertex(5, 5);
                     ofCurveVertex(0, 100);
                     ofCurveVertex(10, 100);
                     ofCurveVertex(20, 100);
                     ofCurveVertex(30, 100);
                     ofEndShape(false);
                 })),
                 {{5, 5}, {10, 100}});
    ofSetCurveResolution(0);
    EXPECT_TRUE(feedback([] { ofCurve(0, 100, 10, 100, 20, 100, 30, 100); }).lines.empty());
}

TEST_F(Shapes, ClosingAnEmptyContourAddsNothing) {
    ofNoFill();
    Feedback fb = feedback([] {
        ofBeginShape();
        ofVertex(10, 10);
        ofVertex(60, 10);
        ofVertex(60, 60);
        ofNextContour(true);
        ofEndShape(true);
    });
    expectPoints(stripPoints(fb), {{10, 10}, {60, 10}, {60, 60}, {10, 10}});
}

TEST_F(Shapes, TessellatorErrorsAreLoggedAndTheNextShapeStartsClean) {
    CaptureStdout out;
    ofBeginShape();
    ofVertex(100, 100);
    ofVertex(INFINITY, 100);
    ofVertex(100, 200);
    ofEndShape(true);
    std::string text = out.finish();
    std::string expected = std::string("tessError: ") +
                           reinterpret_cast<const char*>(gluErrorString(GLU_TESS_COORD_TOO_LARGE));
    EXPECT_NE(text.find(expected), std::string::npos) << text;

    glClear(GL_COLOR_BUFFER_BIT);
    ofBeginShape();
    square(300, 300, 40);
    ofEndShape(true);
    EXPECT_TRUE(lit(320, 320));
    EXPECT_FALSE(lit(100, 150));
}

// The smoothing wrap is ended exactly when it was begun, whatever the fill
// mode is by the time the shape ends, so the attribute stack stays balanced.
TEST_F(Shapes, SmoothedOutlineRestoresTheAttributeStackEvenWhenTheFillModeChanges) {
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depthBefore);
    ofEnableSmoothing();
    ofNoFill();
    ofBeginShape();
    GLint depthInside = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depthInside);
    EXPECT_EQ(depthInside, depthBefore + 1);
    square(10, 10, 20);
    ofFill();
    ofEndShape(true);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);

    ofBeginShape();
    square(10, 10, 20);
    ofNoFill();
    ofEndShape(true);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A shape begun while another is still open drops the open one, which GLU
// reports, and draws only the new one.
TEST_F(Shapes, BeginningAgainDropsTheOpenShape) {
    CaptureStdout out;
    ofBeginShape();
    square(100, 100, 100);
    ofNextContour(true);
    ofBeginShape();
    square(300, 300, 40);
    ofEndShape(true);
    std::string text = out.finish();
    EXPECT_EQ(text, std::string("OF_ERROR: tessError: ") +
                        reinterpret_cast<const char*>(gluErrorString(GLU_TESS_MISSING_END_POLYGON)) + "\n");
    EXPECT_TRUE(lit(320, 320));
    EXPECT_FALSE(lit(150, 150));
}
