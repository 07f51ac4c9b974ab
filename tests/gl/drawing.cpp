// The drawing state and what reads it: primitives, shapes and the bitmap
// font, checked by the GL state they leave, the vertices GL's feedback mode
// reports and the pixels they rasterise into the back buffer.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "PixelScreen.h"
#include "ofAppRunner.h"
#include "ofBitmapFont.h"
#include "ofBitmapFontGlyphs.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {
using frameworkwindow::pixel;
using Draw = std::function<void()>;
typedef std::vector<float> F;
struct Point {
    float x, y;
};
typedef std::vector<Point> Points;

void expectPoints(const Points& got, const Points& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++)
        EXPECT_TRUE(std::fabs(got[i].x - want[i].x) < 1e-3 && std::fabs(got[i].y - want[i].y) < 1e-3)
            << "point " << i << " is (" << got[i].x << ", " << got[i].y << ")";
}

// Every vertex `draw` sends, once each, in order, and how many filled polygons GL made of them.
Points vertices(const Draw& draw, int* polygons = nullptr) {
    const auto prims = glfeedback::capture(draw);
    if (polygons) *polygons = glfeedback::count(prims, glfeedback::Kind::Polygon);
    Points out;
    for (const auto& v : glfeedback::distinct(prims)) out.push_back({v.x, v.y});
    return out;
}

// The points the lines of `draw` pass through, repeated ones included, as one strip.
Points strip(const Draw& draw) {
    Points out;
    for (const auto& p : glfeedback::capture(draw)) {
        if (out.empty()) out.push_back({p.v[0].x, p.v[0].y});
        out.push_back({p.v[1].x, p.v[1].y});
    }
    return out;
}

// The red of every pixel of the block whose top-left corner is (x, y), bottom row first.
std::vector<unsigned char> reds(int x, int y, int w, int h) {
    std::vector<unsigned char> px(size_t(w) * h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, ofGetHeight() - y - h, w, h, GL_RED, GL_UNSIGNED_BYTE, px.data());
    return px;
}
bool lit(int x, int y) { return pixel(x, y).r > 128; }

// The colour GL draws with and the one the current style reads.
void expectColour(F gl, F style) {
    float c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    ofColor s = ofGetStyle().color;
    EXPECT_EQ(F(c, c + 4), gl);
    EXPECT_EQ((F{s.r, s.g, s.b, s.a}), style);
}

GLint attribDepth() {
    GLint depth = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    return depth;
}

void square(float left, float top, float size) {
    for (Point p : Points{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) ofVertex(left + size * p.x, top + size * p.y);
}

// A five-pointed star as one self-crossing contour: its tips are wound once,
// its middle pentagon twice, counter-clockwise in raw coordinates.
void pentagram() {
    ofBeginShape();
    for (int k = 0; k < 5; k++)
        ofVertex(float(400 + 200 * std::cos((144 * k - 90) * M_PI / 180)), float(300 + 200 * std::sin((144 * k - 90) * M_PI / 180)));
    ofEndShape(true);
}

// Draws text in white on black and checks that exactly these glyphs {code,
// x, baseline} were drawn: each cell's fourth row from the bottom is the
// pixel row just above its baseline.
void expectText(const std::string& text, float x, float y, const std::vector<std::array<int, 3>>& glyphs) {
    glClear(GL_COLOR_BUFFER_BIT);
    ofSetColor(255, 255, 255);
    ofDrawBitmapString(text, x, y);
    const int w = ofGetWidth(), h = ofGetHeight();
    const std::vector<unsigned char> red = reds(0, 0, w, h);
    int ink = 0;
    for (auto [code, left, baseline] : glyphs) {
        int wrong = 0;
        for (int k = 0; k < 14; k++)
            for (int b = 0; b < 8; b++) {
                const bool on = (glyphTable[code][1 + k] >> (7 - b)) & 1;
                ink += on;
                wrong += (red[size_t(h - 1 - (baseline + 2 - k)) * w + left + b] > 128) != on;
            }
        EXPECT_EQ(wrong, 0) << "glyph " << code << " at " << left << ", " << baseline;
    }
    EXPECT_EQ(std::count_if(red.begin(), red.end(), [](unsigned char r) { return r > 128; }), ink) << "ink elsewhere";
}

class Drawing : public ::testing::Test {
protected:
    // Not through ofSetStyle: that would build the circle table.
    void SetUp() override {
        frameworkwindow::ensure();
        pixelscreen::set(ofGetWidth(), ofGetHeight());
        glReadBuffer(GL_BACK);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ofFill();
        ofDisableSmoothing();
        ofDisableAlphaBlending();
        ofSetRectMode(0);
        ofSetPolyMode(GLU_TESS_WINDING_ODD);
        ofSetColor(255, 0, 0);
    }
};
}  // namespace

// The circle table is built lazily on the first circle of a process, so this
// test holds only while no circle has been drawn before it.
TEST_F(Drawing, FirstInProcess_CircleBuildsTheTwentyTwoPointTable) {
    EXPECT_EQ(ofGetStyle().circleResolution, 20);
    int polygons = 0;
    Points fan = vertices([] { ofCircle(100, 100, 50); }, &polygons);
    ASSERT_EQ(fan.size(), 22u);
    EXPECT_EQ(polygons, 20);
    // From (150, 100) on, 2 pi / 22 at a time towards increasing y.
    for (int i : {0, 1, 11}) expectPoints({fan[i]}, {{float(100 + 50 * std::cos(i * M_PI / 11)), float(100 + 50 * std::sin(i * M_PI / 11))}});
    EXPECT_EQ(ofGetStyle().circleResolution, 22);
}

TEST_F(Drawing, DefaultStyleAndTheWindowsGraphicDefaults) {
    const ofStyle s;
    EXPECT_EQ((F{s.color.r, s.color.g, s.color.b, s.color.a, s.lineWidth}), (F{255, 255, 255, 255, 1}));
    EXPECT_EQ((std::vector<int>{s.polyMode, s.rectMode, s.bFill, s.blending, s.smoothing, s.circleResolution}),
              (std::vector<int>{GLU_TESS_WINDING_ODD, 0, true, false, false, 20}));

    const GLenum arrays[] = {GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY};
    for (GLenum array : arrays) glEnableClientState(array);
    glDisableClientState(GL_VERTEX_ARRAY);
    ofEnableSmoothing();
    ofEnableAlphaBlending();
    ofSetColor(1, 2, 3, 4);
    ofSetBackgroundAuto(false);
    ofSetupGraphicDefaults();
    ofSetBackgroundAuto(true);
    const float* bg = ofGetBackgroundColor();
    EXPECT_EQ(F(bg, bg + 4), (F{200 / 255.f, 200 / 255.f, 200 / 255.f, 1}));
    EXPECT_EQ(pixel(5, 5).g, 200) << "without automatic clearing the grey is cleared to at once";
    for (GLenum array : arrays) EXPECT_FALSE(glIsEnabled(array)) << array;
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY) && !glIsEnabled(GL_BLEND) && !ofGetStyle().smoothing && !ofGetStyle().blending);
    expectColour({1, 1, 1, 1}, {255, 255, 255, 255});

    ofSetColor(255, 0, 0);
    ofRect(0, 0, 20, 20);
    ofBackground(255, 255, 255);
    EXPECT_EQ(pixel(5, 5).g, 0) << "automatic clearing waits for the next frame";
    ofSetBackgroundAuto(false);
    ofBackground(0, 0, 255);
    ofSetBackgroundAuto(true);
    EXPECT_EQ(pixel(5, 5).b, 255);
    ofBackground(510, -255, 0);  // stored as given
    EXPECT_EQ(F(bg, bg + 2), (F{2, -1}));
}

TEST_F(Drawing, SettersClampOrRefuseAndStylesApplyThroughThem) {
    ofSetColor(300, -5, 128);
    expectColour({1, 0, 128 / 255.f, 1}, {255, 0, 128, 255});
    ofSetColor(0xFF8000);
    expectColour({1, 128 / 255.f, 0, 1}, {255, 128, 0, 255});

    auto points = [] { return vertices([] { ofCircle(200, 200, 80); }).size(); };
    const int resolutions[][2] = {{8, 8}, {1, 8}, {0, 8}, {5000, 1024}, {3, 3}};
    for (auto [asked, got] : resolutions) {
        ofSetCircleResolution(asked);
        EXPECT_EQ(points(), size_t(got)) << asked;
        EXPECT_EQ(ofGetStyle().circleResolution, got) << asked;
    }
    setupCircle();
    EXPECT_EQ(points(), 22u);

    ofSetRectMode(1);
    ofSetRectMode(2);
    EXPECT_EQ((std::vector<int>{ofGetRectMode(), ofGetStyle().rectMode}), (std::vector<int>{1, 1}));
    const std::string badRule = "OF_ERROR:  error in ofSetPolyMode\n";
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    CaptureStdout out;
    ofSetPolyMode(GLU_TESS_WINDING_ODD - 1);
    ofSetPolyMode(GLU_TESS_WINDING_ABS_GEQ_TWO + 1);
    EXPECT_EQ(ofGetStyle().polyMode, GLU_TESS_WINDING_NONZERO);

    // Every field goes through its setter, which refuses or clamps as always.
    ofStyle saved = ofGetStyle();
    saved.color = ofColor(12.9f, 300, -4, 77.5f);
    saved.polyMode = 4242;
    saved.rectMode = 7;
    saved.blending = true;
    saved.circleResolution = 9;
    saved.lineWidth = 3;
    ofSetStyle(saved);
    EXPECT_EQ(out.finish(), badRule + badRule + badRule);
    expectColour({12 / 255.f, 1, 0, 77 / 255.f}, {12, 255, 0, 77});
    ofStyle s = ofGetStyle();
    EXPECT_EQ((std::vector<int>{s.polyMode, s.rectMode, s.circleResolution}), (std::vector<int>{GLU_TESS_WINDING_NONZERO, 1, 9}));
    EXPECT_EQ(points(), 9u);
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_TRUE(width == 3 && glIsEnabled(GL_BLEND));
    // Beyond int a component clamps like any other; NaN keeps the current one.
    saved.color = ofColor(1e10f, -INFINITY, INFINITY, NAN);
    saved.polyMode = GLU_TESS_WINDING_ODD;
    ofSetStyle(saved);
    expectColour({1, 0, 1, 77 / 255.f}, {255, 0, 255, 77});
}

TEST_F(Drawing, StyleStackKeepsTheNewest32) {
    // Before push i the colour is (i, 2i, 3i), the line width i, the
    // rectangle mode i % 2 and every third an outline.
    for (int i = 1; i <= 33; i++) {
        ofSetColor(i, 2 * i, 3 * i);
        ofSetLineWidth(float(i));
        ofSetRectMode(i % 2);
        i % 3 ? ofFill() : ofNoFill();
        ofPushStyle();
    }
    ofSetColor(0, 0, 0);
    for (int i = 33; i >= 2; i--) {
        ofPopStyle();
        ofStyle s = ofGetStyle();
        ASSERT_EQ((F{s.color.r, s.color.b, s.lineWidth, float(ofGetRectMode()), float(s.bFill)}),
                  (F{float(i), 3.f * i, float(i), float(i % 2), float(i % 3 != 0)}));
    }
    ofPopStyle();  // empty: the state of the second push stays
    EXPECT_EQ(ofGetStyle().color.r, 2);
}

// Half-transparent red over black with smoothing on. Each primitive sends its
// points in order, filled or outlined; inside the smoothing wrap lines are
// smoothed and blending halves the red, outside it the red is drawn whole.
// Edges lie off pixel centres, so smoothing leaves some pixels partly covered.
TEST_F(Drawing, PrimitivesSendTheirPointsAndOnlyOutlinesAndLinesAreSmoothed) {
    ofSetCircleResolution(4);
    const std::tuple<const char*, Draw, Points> cases[] = {
        {"triangle", [] { ofTriangle(110, 110, 190, 110, 150, 190); }, {{110, 110}, {190, 110}, {150, 190}}},
        {"circle", [] { ofCircle(150, 150, 40); }, {{190, 150}, {150, 190}, {110, 150}, {150, 110}}},
        {"ellipse", [] { ofEllipse(150, 150, 80, 60); }, {{190, 150}, {150, 180}, {110, 150}, {150, 120}}},
        {"rectangle", [] { ofRect(110.3f, 110.3f, 80, 80); }, {{110.3f, 110.3f}, {190.3f, 110.3f}, {190.3f, 190.3f}, {110.3f, 190.3f}}},
        {"centred rectangle", [] { ofSetRectMode(1); ofRect(150.3f, 150.3f, 80, 60); ofSetRectMode(0); },
         {{110.3f, 120.3f}, {190.3f, 120.3f}, {190.3f, 180.3f}, {110.3f, 180.3f}}},
        {"line", [] { ofLine(110, 150.3f, 190, 150.3f); }, {{110, 150.3f}, {190, 150.3f}}},
        {"shape", [] { ofBeginShape(); square(110.3f, 110.3f, 80); ofEndShape(true); }, {}},
    };
    ofEnableSmoothing();
    for (const auto& [name, draw, want] : cases)
        for (bool fill : {true, false}) {
            SCOPED_TRACE(std::string(name) + (fill ? " filled" : " outlined"));
            const bool line = name == std::string("line"), wrapped = line || !fill;
            fill ? ofFill() : ofNoFill();
            ofSetColor(255, 0, 0, 128);
            int polygons = -1;
            const Points got = vertices(draw, &polygons);
            if (!want.empty()) expectPoints(got, want);
            EXPECT_EQ(polygons > 0, fill && !line);
            glClear(GL_COLOR_BUFFER_BIT);
            draw();
            const std::vector<unsigned char> block = reds(100, 100, 100, 100);
            EXPECT_EQ(*std::max_element(block.begin(), block.end()) < 200, wrapped);
            EXPECT_EQ(std::any_of(block.begin(), block.end(), [](int r) { return r > 10 && r < 110; }), wrapped);
            EXPECT_EQ(pixel(150, 150).r > 40, line || fill) << "the middle";
            EXPECT_EQ(attribDepth(), 0);
            EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH) || glIsEnabled(GL_BLEND));
        }
    // A shape ends the wrap exactly when it began it, whatever the fill mode is by its end.
    for (bool fillFirst : {false, true}) {
        fillFirst ? ofFill() : ofNoFill();
        ofBeginShape();
        EXPECT_EQ(attribDepth(), fillFirst ? 0 : 1);
        square(10, 10, 20);
        fillFirst ? ofNoFill() : ofFill();
        ofEndShape(true);
        EXPECT_EQ(attribDepth(), 0);
    }
    ofDisableSmoothing();
}

TEST_F(Drawing, ScreenSetUpPutsTheOriginTopLeftOneUnitPerPixel) {
    const int w = ofGetWidth(), h = ofGetHeight();
    ofSetupScreen();
    GLfloat proj[16], model[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    // 60 degrees of view; near and far a tenth and ten times the distance at which h pixels fill it.
    const double dist = h / 2.0 / std::tan(M_PI / 6), n = dist / 10, f = dist * 10, cot = 1 / std::tan(M_PI / 6);
    const double wantProj[16] = {cot * h / w, 0, 0, 0, 0, cot, 0, 0, 0, 0, (f + n) / (n - f), -1, 0, 0, 2 * f * n / (n - f), 0};
    const double wantModel[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, -w / 2.0, h / 2.0, -dist, 1};
    for (int i = 0; i < 16; i++) {
        EXPECT_NEAR(proj[i], wantProj[i], 1e-4 * (1 + std::fabs(wantProj[i]))) << "projection " << i;
        EXPECT_NEAR(model[i], wantModel[i], 1e-4 * (1 + std::fabs(wantModel[i]))) << "modelview " << i;
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    ofRect(0, 0, 1, 1);
    ofRect(w - 1, h - 1, 1, 1);
    EXPECT_TRUE(lit(0, 0) && lit(w - 1, h - 1) && !lit(1, 1));
}

TEST_F(Drawing, WindingRuleDecidesWhichPartsOfAShapeAreFilled) {
    const int cases[][3] = {{GLU_TESS_WINDING_ODD, 1, 0},      {GLU_TESS_WINDING_NONZERO, 1, 1},
                            {GLU_TESS_WINDING_POSITIVE, 1, 1}, {GLU_TESS_WINDING_NEGATIVE, 0, 0},
                            {GLU_TESS_WINDING_ABS_GEQ_TWO, 0, 1}};
    for (auto [rule, tip, middle] : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetPolyMode(rule);
        pentagram();
        // A tip, the middle, and between two tips or outside.
        EXPECT_EQ((std::vector<bool>{lit(400, 150), lit(400, 300), lit(488, 179) || lit(100, 100)}),
                  (std::vector<bool>{tip == 1, middle == 1, false})) << rule;
    }
    // A further contour winds the same way: a hole under the odd rule only.
    for (int rule : {GLU_TESS_WINDING_ODD, GLU_TESS_WINDING_NONZERO}) {
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetPolyMode(rule);
        ofBeginShape();
        square(100, 100, 200);
        ofNextContour(true);
        square(150, 150, 100);
        ofEndShape(true);
        EXPECT_TRUE(lit(120, 120));
        EXPECT_EQ(lit(200, 200), rule == GLU_TESS_WINDING_NONZERO);
    }
    // Outlines: the star's own crossing lines under the odd rule, else the
    // tessellator's boundary round the outside, through ten corners.
    ofNoFill();
    ofSetPolyMode(GLU_TESS_WINDING_ODD);
    EXPECT_EQ(vertices(pentagram).size(), 5u);
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    int polygons = -1;
    EXPECT_EQ(vertices(pentagram, &polygons).size(), 10u);
    EXPECT_EQ(polygons, 0);
}

// Closed outlines under the odd rule, at curve resolution 3: the strips show
// every vertex that plain, curve and Bezier vertices add.
TEST_F(Drawing, ShapesAddTheVerticesTheirPiecesSample) {
    ofNoFill();
    ofSetCurveResolution(3);
    auto curve = [](Points points) {
        for (Point p : points) ofCurveVertex(p.x, p.y);
    };
    const std::tuple<const char*, Draw, Points> cases[] = {
        {"each further curve vertex adds a piece from the joint on", [&] { curve({{0, 0}, {10, 20}, {40, 20}, {50, 0}, {60, 30}}); },
         {{10, 20}, {25, 22.5f}, {40, 20}, {40, 20}, {46.25f, 8.125f}, {50, 0}, {10, 20}}},
        {"a plain vertex ends the curve", [&] { ofVertex(5, 5); curve({{0, 50}, {10, 50}, {20, 50}}); ofVertex(7, 7); curve({{40, 40}}); },
         {{5, 5}, {7, 7}, {5, 5}}},
        {"a Bezier piece starts at the last vertex and ends the curve",
         [&] { ofVertex(100, 100); curve({{0, 50}, {10, 50}, {20, 50}}); ofBezierVertex(100, 200, 300, 200, 300, 100); curve({{40, 40}}); },
         {{100, 100}, {100, 100}, {200, 175}, {300, 100}, {100, 100}}},
        {"a Bezier piece without a vertex before it adds nothing",
         [] { ofBezierVertex(100, 200, 300, 200, 300, 100); ofVertex(10, 10); ofVertex(20, 10); }, {{10, 10}, {20, 10}, {10, 10}}},
        {"closing an empty contour adds nothing", [] { square(10, 10, 50); ofNextContour(true); },
         {{10, 10}, {60, 10}, {60, 60}, {10, 60}, {10, 10}}},
    };
    for (const auto& [name, draw, want] : cases) {
        SCOPED_TRACE(name);
        expectPoints(strip([&] { ofBeginShape(); draw(); ofEndShape(true); }), want);
    }
    expectPoints(strip([] { ofCurve(0, 0, 10, 20, 40, 20, 50, 0); }), {{10, 20}, {25, 22.5f}, {40, 20}});
    expectPoints(strip([] { ofBezier(100, 100, 100, 200, 300, 200, 300, 100); }), {{100, 100}, {200, 175}, {300, 100}});
    ofSetCurveResolution(20);
}

// A shape begun while another is open drops the open one, of which GLU complains.
TEST_F(Drawing, BeginningAShapeAgainDropsTheOpenOneAndLogsGLUsError) {
    CaptureStdout out;
    ofBeginShape();
    square(100, 100, 100);
    ofNextContour(true);
    ofBeginShape();
    square(300, 300, 40);
    ofEndShape(true);
    EXPECT_EQ(out.finish(), "OF_ERROR: tessError: " + std::string((const char*)gluErrorString(GLU_TESS_MISSING_END_POLYGON)) + "\n");
    EXPECT_TRUE(lit(320, 320) && !lit(150, 150));
}

TEST(BitmapFontGlyphs, SitOnTheGridWithABlankBottomRowAndThreeRowsBelowTheBaseline) {
    auto ink = [](int code) {
        int n = 0;
        for (int k = 1; k <= 14; k++) n += __builtin_popcount(glyphTable[code][k]);
        return n;
    };
    for (int c = 0; c < 256; c++) {
        EXPECT_TRUE(glyphTable[c][0] == 8 && glyphTable[c][1] == 0) << c << ": width, or ink on the bottom row";
        EXPECT_TRUE(c < 32 || c > 160 || (ink(c) == 0) == (c == 32 || c >= 127)) << c << ": blank, or not";
    }
    for (unsigned char c : std::string("ABCHXZ0123456789"))
        EXPECT_TRUE((glyphTable[c][2] | glyphTable[c][3]) == 0 && glyphTable[c][4] != 0) << c << " does not stand on the baseline";
    for (unsigned char c : std::string("gjpqy")) EXPECT_NE(glyphTable[c][2], 0) << c << " has no descender";
}

TEST_F(Drawing, BitmapStringsDrawGlyphByGlyphAtThePenAndLineOffsets) {
    expectText("AB\nC", 10, 20, {{'A', 10, 20}, {'B', 18, 20}, {'C', 10, 33}});
    expectText("\n\n\nX", 40, 30, {{'X', 40, 70}});
    // The line offset keeps its fraction from line to line and is cut only where a line starts.
    std::string text = "H";
    std::vector<std::array<int, 3>> lines = {{'H', 100, 50}};
    for (int start : {13, 27, 40, 54, 68, 81, 95, 108, 122, 136}) text += "\nH", lines.push_back({'H', 100, 50 + start});
    expectText(text, 100, 50, lines);
    // Control and high bytes are skipped without a gap; 127's empty glyph moves the pen.
    expectText(std::string("A\tB\x1f\xc8\x01" "C\x7f" "D\xa0" "E"), 10, 100,
               {{'A', 10, 100}, {'B', 18, 100}, {'C', 26, 100}, {'D', 42, 100}, {'E', 50, 100}});
    expectText("", 123, 45, {});
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_EQ(F(pos, pos + 2), (F{123, float(ofGetHeight() - 45)}));

    // The caller's pixel store does not reach the glyphs, and is back afterwards.
    const GLenum names[] = {GL_UNPACK_LSB_FIRST, GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS};
    const GLint theirs[] = {1, 8, 5, 2, 3};
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    for (int i = 0; i < 5; i++) glPixelStorei(names[i], theirs[i]);
    expectText("Rg", 200, 300, {{'R', 200, 300}, {'g', 208, 300}});
    for (int i = 0; i < 5; i++) {
        GLint value = -1;
        glGetIntegerv(names[i], &value);
        EXPECT_EQ(value, theirs[i]) << names[i];
    }
    glPopClientAttrib();
}

// Xvfb's GLX lists no swap-interval control; calling one anyway aborts.
TEST_F(Drawing, VerticalSyncWithoutAListedControlDoesNothingAndSaysNothing) {
    CaptureStdout out;
    ofSetVerticalSync(true);
    ofSetVerticalSync(false);
    EXPECT_EQ(out.finish(), "");
}
