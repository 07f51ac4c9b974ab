// Drawing and images in the framework's window. The drawing state and what
// reads it (primitives, shapes, the bitmap font), checked by the GL state they
// leave, the vertices GL's feedback mode reports and the pixels they
// rasterise; textures (allocation, uploads, parameters, coordinates, the quad
// draw sends); images (pixel record, byte orders, copies, type changes, screen
// grabs, screenshots, and files made here by ImageMagick, loaded and saved).
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "PixelScreen.h"
#include "TestPaths.h"
#include "ofAppRunner.h"
#include "ofBitmapFont.h"
#include "ofBitmapFontGlyphs.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofImage.h"
#include "ofUtils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {
using frameworkwindow::pixel;
using Draw = std::function<void()>;
typedef std::vector<float> F;
typedef std::vector<int> Ints;
typedef std::vector<std::array<float, 2>> Points;
const std::string TOO_BIG = "OF_ERROR: image data too big for allocated texture. not uploading...\n";

void expectPoints(const Points& got, const Points& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++)
        EXPECT_LT(std::hypot(got[i][0] - want[i][0], got[i][1] - want[i][1]), 1e-3) << "point " << i;
}

// Every vertex `draw` sends, once each, in order; and how many filled polygons GL made of them.
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

// The quad `draw` sends, corner by corner from (x0, y0) over (x1, y0) and
// (x1, y1) to (x0, y1), with texture coordinates from (s0, t0) to (s1, t1),
// given in that order; the draw leaves texturing and the coordinate array off.
void expectQuad(const Draw& draw, F want) {
    const auto corners = glfeedback::distinct(glfeedback::capture(draw));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY) || glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
    ASSERT_EQ(corners.size(), 4u);
    for (int k = 0; k < 4; k++) {
        const int right = k == 1 || k == 2, bottom = k > 1;
        EXPECT_LT(std::hypot(corners[k].x - want[right * 2], corners[k].y - want[1 + bottom * 2]), 0.01) << "corner " << k;
        EXPECT_LT(std::hypot(corners[k].s - want[4 + right * 2], corners[k].t - want[5 + bottom * 2]), 1e-5) << "corner " << k;
    }
}

// The red of every pixel of the block whose top-left corner is (x, y), bottom row first.
std::vector<unsigned char> reds(int x, int y, int w, int h) {
    std::vector<unsigned char> px(size_t(w) * h);
    glReadPixels(x, ofGetHeight() - y - h, w, h, GL_RED, GL_UNSIGNED_BYTE, px.data());
    return px;
}
bool lit(int x, int y) { return pixel(x, y).r > 128; }

// What `run` writes to standard output.
std::string logOf(const Draw& run) {
    CaptureStdout out;
    run();
    return out.finish();
}

// The colour GL draws with and the one the current style reads.
void expectColour(F gl, F style) {
    float c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    const ofColor s = ofGetStyle().color;
    EXPECT_EQ(F(c, c + 4), gl);
    EXPECT_EQ((F{s.r, s.g, s.b, s.a}), style);
}

GLint attribDepth() {
    GLint depth = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    return depth;
}

void square(float left, float top, float size) {
    for (auto [x, y] : Points{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) ofVertex(left + size * x, top + size * y);
}

// A five-pointed star as one self-crossing contour: its tips are wound once,
// its middle pentagon twice, counter-clockwise in raw coordinates.
void pentagram() {
    ofBeginShape();
    for (double a = -M_PI / 2; a < 3 * M_PI; a += 0.8 * M_PI) ofVertex(float(400 + 200 * std::cos(a)), float(300 + 200 * std::sin(a)));
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
    std::vector<unsigned char> want(size_t(w) * h), got = reds(0, 0, w, h);
    for (auto [code, left, baseline] : glyphs)
        for (int k = 0; k < 14; k++)
            for (int b = 0; b < 8; b++) want[size_t(h - 1 - (baseline + 2 - k)) * w + left + b] = (glyphTable[code][1 + k] >> (7 - b)) & 1;
    int wrong = 0;
    for (size_t i = 0; i < got.size(); i++) wrong += (got[i] > 128) != want[i];
    EXPECT_EQ(wrong, 0) << "pixels off the glyphs of \"" << text << "\"";
}

struct Probe : ofImage {
    using ofImage::tex;
    int textureID() { return int(tex.getTextureData().textureID); }
    Ints bytes(size_t from = 0, size_t count = 0) {
        return Ints(getPixels() + from, getPixels() + (count ? from + count : size_t(width) * height * (bpp / 8)));
    }
};

void convert(const std::string& args) { ASSERT_EQ(system(("cd data && /usr/bin/convert " + args).c_str()), 0) << args; }
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void spill(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class Graphics : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        static ScratchDir scratch("graphics");
        ASSERT_EQ(chdir(scratch.path().c_str()), 0);
        ASSERT_EQ(mkdir("data", 0755), 0);
    }
    // Not through ofSetStyle: that would build the circle table.
    void SetUp() override {
        pixelscreen::set(ofGetWidth(), ofGetHeight());
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ofFill();
        ofDisableSmoothing();
        ofDisableAlphaBlending();
        ofSetRectMode(0);
        ofSetPolyMode(GLU_TESS_WINDING_ODD);
        ofDisableArbTex();
        ofSetColor(255, 0, 0);
    }
};
}  // namespace

// The circle table is built lazily on the first circle of a process, so this
// test holds only while no circle has been drawn before it.
TEST_F(Graphics, FirstInProcess_CircleBuildsTheTwentyTwoPointTable) {
    int polygons = 0;
    Points fan = vertices([] { ofCircle(100, 100, 50); }, &polygons);
    ASSERT_EQ(fan.size(), 22u);
    EXPECT_EQ(polygons, 20);
    // From (150, 100) on, 2 pi / 22 at a time towards increasing y.
    for (int i : {0, 1, 11}) expectPoints({fan[i]}, {{float(100 + 50 * std::cos(i * M_PI / 11)), float(100 + 50 * std::sin(i * M_PI / 11))}});
    EXPECT_EQ(ofGetStyle().circleResolution, 22);
}

TEST_F(Graphics, DefaultStyleGraphicDefaultsAndBackground) {
    const ofStyle s;
    EXPECT_EQ((F{s.color.r, s.color.g, s.color.b, s.color.a, s.lineWidth}), (F{255, 255, 255, 255, 1}));
    EXPECT_EQ((Ints{s.polyMode, s.rectMode, s.bFill, s.blending, s.smoothing, s.circleResolution}), (Ints{GLU_TESS_WINDING_ODD, 0, 1, 0, 0, 20}));

    const GLenum arrays[] = {GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY};
    for (GLenum array : arrays) glEnableClientState(array);
    glDisableClientState(GL_VERTEX_ARRAY);
    ofEnableSmoothing();
    ofEnableAlphaBlending();
    ofSetBackgroundAuto(false);
    ofSetupGraphicDefaults();
    const float* bg = ofGetBackgroundColor();
    EXPECT_EQ(F(bg, bg + 4), (F{200 / 255.f, 200 / 255.f, 200 / 255.f, 1}));
    EXPECT_EQ(pixel(5, 5).g, 200) << "without automatic clearing the grey is cleared to at once";
    for (GLenum array : arrays) EXPECT_FALSE(glIsEnabled(array)) << array;
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY) && !glIsEnabled(GL_BLEND) && !ofGetStyle().smoothing && !ofGetStyle().blending);
    expectColour({1, 1, 1, 1}, {255, 255, 255, 255});

    ofBackground(0, 0, 255);
    ofSetBackgroundAuto(true);
    ofBackground(255, 255, 255);
    EXPECT_EQ((Ints{pixel(5, 5).r, pixel(5, 5).b}), (Ints{0, 255})) << "blue at once, white not before the next frame";
}

TEST_F(Graphics, SettersClampOrRefuseAndStylesApplyThroughThem) {
    ofSetColor(300, -5, 128);
    expectColour({1, 0, 128 / 255.f, 1}, {255, 0, 128, 255});
    ofSetColor(0xFF8000);
    expectColour({1, 128 / 255.f, 0, 1}, {255, 128, 0, 255});
    ofSetColor(10, 20, 30, 300);
    expectColour({10 / 255.f, 20 / 255.f, 30 / 255.f, 1}, {10, 20, 30, 255});
    ofSetColor(10, 20, 30, -1);
    expectColour({10 / 255.f, 20 / 255.f, 30 / 255.f, 0}, {10, 20, 30, 0});
    auto points = [] { return int(vertices([] { ofCircle(200, 200, 80); }).size()); };
    const int resolutions[][2] = {{8, 8}, {1, 8}, {0, 8}, {5000, 1024}, {3, 3}};
    for (auto [asked, got] : resolutions) {
        ofSetCircleResolution(asked);
        EXPECT_EQ((Ints{points(), ofGetStyle().circleResolution}), (Ints{got, got})) << asked;
    }
    setupCircle();
    EXPECT_EQ(points(), 22);
    for (int mode : {1, 2}) ofSetRectMode(mode);
    ofSetPolyMode(GLU_TESS_WINDING_NONZERO);
    const std::string badRule = "OF_ERROR:  error in ofSetPolyMode\n";
    EXPECT_EQ(logOf([] { ofSetPolyMode(GLU_TESS_WINDING_ODD - 1); ofSetPolyMode(GLU_TESS_WINDING_ABS_GEQ_TWO + 1); }), badRule + badRule);
    EXPECT_EQ((Ints{ofGetRectMode(), ofGetStyle().rectMode, ofGetStyle().polyMode}), (Ints{1, 1, GLU_TESS_WINDING_NONZERO}));

    // Every field goes through its setter, which refuses or clamps as always.
    ofStyle saved = ofGetStyle();
    saved.color = ofColor(12.9f, 300, -4, 77.5f);
    saved.polyMode = 4242, saved.rectMode = 7, saved.circleResolution = 9, saved.lineWidth = 3, saved.blending = true;
    EXPECT_EQ(logOf([&] { ofSetStyle(saved); }), badRule);
    expectColour({12 / 255.f, 1, 0, 77 / 255.f}, {12, 255, 0, 77});
    const ofStyle s = ofGetStyle();
    EXPECT_EQ((Ints{s.polyMode, ofGetRectMode(), s.circleResolution, points()}), (Ints{GLU_TESS_WINDING_NONZERO, 1, 9, 9}));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_TRUE(width == 3 && glIsEnabled(GL_BLEND));
    // Beyond int a component clamps like any other; NaN keeps the current one.
    saved.color = ofColor(1e10f, -INFINITY, INFINITY, NAN);
    logOf([&] { ofSetStyle(saved); });
    expectColour({1, 0, 1, 77 / 255.f}, {255, 0, 255, 77});
}

// Before push i the state is red i, rectangle mode, winding rule, fill,
// blending and smoothing each on a cycle of its own, circle resolution 3 + i
// and line width i / 4. A pop brings back every field, in the style and in
// what it drives.
TEST_F(Graphics, StyleStackKeepsTheNewest32AndRestoresEveryField) {
    auto state = [](int i) {
        return F{float(i), float(i % 2), float(GLU_TESS_WINDING_ODD + i % 5), float(i % 3 != 0), float(i % 4 < 2), float(i / 2 % 2), 3.f + i, i / 4.f};
    };
    auto current = [] {
        const ofStyle s = ofGetStyle();
        float colour[4], width = 0;
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_TRUE(ofGetRectMode() == s.rectMode && glIsEnabled(GL_BLEND) == s.blending && std::lround(colour[0] * 255) == s.color.r && width == s.lineWidth);
        EXPECT_EQ(int(vertices([] { ofCircle(200, 200, 80); }).size()), s.circleResolution);
        return F{s.color.r, float(s.rectMode), float(s.polyMode), float(s.bFill), float(s.blending), float(s.smoothing), float(s.circleResolution), s.lineWidth};
    };
    for (int i = 1; i <= 34; i++) {
        const F f = state(i);
        ofSetColor(i, 0, 0);
        ofSetRectMode(int(f[1]));
        ofSetPolyMode(int(f[2]));
        f[3] ? ofFill() : ofNoFill();
        f[4] ? ofEnableAlphaBlending() : ofDisableAlphaBlending();
        f[5] ? ofEnableSmoothing() : ofDisableSmoothing();
        ofSetCircleResolution(int(f[6]));
        ofSetLineWidth(f[7]);
        if (i <= 33) ofPushStyle();
    }
    for (int i = 33; i >= 1; i--) {  // the 33rd pop finds nothing: the state of the second push stays
        ofPopStyle();
        ASSERT_EQ(current(), state(std::max(i, 2))) << i;
    }
    ofSetLineWidth(1);  // later tests of this process draw lines
}

// Half-transparent red over black with smoothing on. Each primitive sends its
// points in order, filled or outlined; inside the smoothing wrap lines are
// smoothed and blending halves the red, outside it the red is drawn whole.
// Edges lie off pixel centres, so smoothing leaves some pixels partly covered.
TEST_F(Graphics, PrimitivesSendTheirPointsAndOnlyOutlinesAndLinesAreSmoothed) {
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
        }
    // A shape ends the wrap exactly when it began it, whatever the fill mode is by its end.
    for (bool fillFirst : {false, true}) {
        fillFirst ? ofFill() : ofNoFill();
        ofBeginShape();
        const GLint inside = attribDepth();
        fillFirst ? ofNoFill() : ofFill();
        ofEndShape(true);
        EXPECT_EQ((Ints{inside, attribDepth()}), (Ints{!fillFirst, 0}));
    }
}

// A 60 degree field of view at the distance where it spans the window's
// height, near and far at a tenth and ten times that distance; at depth 0 the
// origin is the top left and one unit is one pixel.
TEST_F(Graphics, ScreenSetUpPutsTheOriginTopLeftOneUnitPerPixel) {
    const int w = ofGetWidth(), h = ofGetHeight();
    glMatrixMode(GL_PROJECTION);
    ofSetupScreen();
    const double dist = h / 2.0 / std::tan(M_PI / 6), nearD = dist / 10, farD = dist * 10, f = 1 / std::tan(M_PI / 6);
    const double projection[16] = {f * h / w, 0, 0, 0, 0, f, 0, 0, 0, 0, (farD + nearD) / (nearD - farD), -1, 0, 0, 2 * farD * nearD / (nearD - farD), 0};
    const double modelview[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, -w / 2.0, h / 2.0, -dist, 1};
    GLfloat proj[16], model[16];
    GLint mode = 0;
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    for (int i = 0; i < 16; i++) {
        EXPECT_NEAR(proj[i], projection[i], 1e-4 * (1 + std::fabs(projection[i]))) << "projection " << i;
        EXPECT_NEAR(model[i], modelview[i], 1e-4 * (1 + std::fabs(modelview[i]))) << "modelview " << i;
    }
    ofRect(0, 0, 1, 1);
    ofRect(w - 2, h - 1, 1, 1);
    EXPECT_TRUE(lit(0, 0) && lit(w - 2, h - 1) && !lit(1, 0) && !lit(w - 1, h - 1) && !lit(w - 2, h - 2));
}

TEST_F(Graphics, WindingRuleDecidesWhichPartsOfAShapeAreFilled) {
    const int cases[][3] = {{GLU_TESS_WINDING_ODD, 1, 0},      {GLU_TESS_WINDING_NONZERO, 1, 1}, {GLU_TESS_WINDING_POSITIVE, 1, 1},
                            {GLU_TESS_WINDING_NEGATIVE, 0, 0}, {GLU_TESS_WINDING_ABS_GEQ_TWO, 0, 1}};
    for (auto [rule, tip, middle] : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetPolyMode(rule);
        pentagram();
        // A tip, the middle, and between two tips or outside.
        EXPECT_EQ((Ints{lit(400, 150), lit(400, 300), lit(488, 179) || lit(100, 100)}), (Ints{tip, middle, 0})) << rule;
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

// A second contour inside the first, wound the same way: a hole under the
// odd rule, filled under the non-zero one.
TEST_F(Graphics, AFurtherContourCutsAHoleUnderTheOddRule) {
    const int cases[][2] = {{GLU_TESS_WINDING_ODD, 0}, {GLU_TESS_WINDING_NONZERO, 1}};
    for (auto [rule, middle] : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetPolyMode(rule);
        ofBeginShape();
        square(100, 100, 200);
        ofNextContour(true);
        square(150, 150, 100);
        ofEndShape(true);
        EXPECT_EQ((Ints{lit(120, 120), lit(200, 200), lit(350, 200)}), (Ints{1, middle, 0})) << rule;
    }
}

// What GLU reports is logged in its words, and the next shape draws its own
// vertices only, also after a first contour moved the contour start: its
// opening Bezier piece has no vertex to start from.
TEST_F(Graphics, TessellatorErrorsAreLoggedAndTheNextShapeStartsClean) {
    auto glu = [](GLenum code) { return std::string("OF_ERROR: tessError: ") + reinterpret_cast<const char*>(gluErrorString(code)) + "\n"; };
    auto begin = [] { ofBeginShape(); square(100, 100, 100); ofNextContour(true); };
    const std::tuple<const char*, Draw, std::string> cases[] = {
        {"a coordinate too large", [&] { begin(); for (float x : {400.f, INFINITY, 500.f}) ofVertex(x, 100); ofEndShape(true); }, glu(GLU_TESS_COORD_TOO_LARGE)},
        {"a shape left open", begin, glu(GLU_TESS_MISSING_END_POLYGON)},
    };
    for (const auto& [name, broken, log] : cases) {
        EXPECT_EQ(logOf([&] {
                      broken();
                      glClear(GL_COLOR_BUFFER_BIT);
                      ofBeginShape();
                      ofBezierVertex(450, 120, 450, 120, 300, 300);
                      square(300, 300, 40);
                      ofEndShape(true);
                  }),
                  log) << name;
        EXPECT_EQ((Ints{lit(320, 320), lit(150, 150), lit(300, 200)}), (Ints{1, 0, 0})) << name;
    }
}

// Closed outlines under the odd rule, at curve resolution 3: the strips show
// every vertex that plain, curve and Bezier vertices add.
TEST_F(Graphics, ShapesAddTheVerticesTheirPiecesSample) {
    ofNoFill();
    ofSetCurveResolution(3);
    auto curve = [](Points points) { for (auto [x, y] : points) ofCurveVertex(x, y); };
    const std::tuple<const char*, Draw, Points> cases[] = {
        {"each further curve vertex adds a piece from the joint on", [&] { curve({{0, 0}, {10, 20}, {40, 20}, {50, 0}, {60, 30}}); },
         {{10, 20}, {25, 22.5f}, {40, 20}, {40, 20}, {46.25f, 8.125f}, {50, 0}, {10, 20}}},
        {"a plain vertex ends the curve", [&] { ofVertex(5, 5); curve({{0, 50}, {10, 50}, {20, 50}}); ofVertex(7, 7); curve({{40, 40}}); },
         {{5, 5}, {7, 7}, {5, 5}}},
        {"a Bezier piece starts at the last vertex and ends the curve",
         [&] { ofVertex(100, 100); curve({{0, 50}, {10, 50}, {20, 50}}); ofBezierVertex(150, 200, 300, 200, 300, 100); curve({{40, 40}}); },
         {{100, 100}, {100, 100}, {218.75f, 175}, {300, 100}, {100, 100}}},
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
    expectPoints(strip([] { ofBezier(100, 100, 150, 200, 300, 200, 300, 100); }), {{100, 100}, {218.75f, 175}, {300, 100}});
}

TEST_F(Graphics, BitmapGlyphsSitOnTheGridAndStringsDrawThemAtThePenAndLineOffsets) {
    for (int c = 0; c < 256; c++) {
        int ink = 0;
        for (int k = 1; k <= 14; k++) ink += __builtin_popcount(glyphTable[c][k]);
        EXPECT_TRUE(glyphTable[c][0] == 8 && glyphTable[c][1] == 0) << c << ": width, or ink on the bottom row";
        EXPECT_TRUE(c < 32 || c > 160 || (ink == 0) == (c == 32 || c >= 127)) << c << ": blank, or not";
    }

    expectText("AB\nC", 10, 20, {{'A', 10, 20}, {'B', 18, 20}, {'C', 10, 33}});
    expectText("\n\n\nX", 40, 30, {{'X', 40, 70}});
    // The line offset keeps its fraction from line to line and is cut only where a line starts.
    std::string text = "H";
    std::vector<std::array<int, 3>> lines = {{'H', 100, 50}};
    for (int start : {13, 27, 40, 54, 68, 81, 95, 108, 122, 136}) text += "\nH", lines.push_back({'H', 100, 50 + start});
    expectText(text, 100, 50, lines);
    // Control and high bytes are skipped without a gap; 127's empty glyph moves the pen.
    expectText("A\tB\x1f\xc8\x01" "C\x7f" "D\xa0" "E", 10, 100, {{'A', 10, 100}, {'B', 18, 100}, {'C', 26, 100}, {'D', 42, 100}, {'E', 50, 100}});
    expectText("", 123, 45, {});
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_EQ(F(pos, pos + 2), (F{123, float(ofGetHeight() - 45)}));

    // The caller's pixel store does not reach the glyphs, and is back afterwards.
    const GLenum names[] = {GL_UNPACK_LSB_FIRST, GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS};
    const Ints theirs = {1, 8, 5, 2, 3};
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    for (int i = 0; i < 5; i++) glPixelStorei(names[i], theirs[i]);
    expectText("Rg", 200, 300, {{'R', 200, 300}, {'g', 208, 300}});
    Ints now(5);
    for (int i = 0; i < 5; i++) glGetIntegerv(names[i], &now[i]);
    EXPECT_EQ(now, theirs);
    glPopClientAttrib();
}

TEST_F(Graphics, TextureAllocationUploadsParametersAndCoordinates) {
    std::vector<unsigned char> px(129 * 64 * 3, 255);
    ofTexture none, pot, rect;
    auto coords = [](ofTexture& t) {
        const ofPoint p = t.getCoordFromPoint(50, 10), q = t.getCoordFromPercent(0.5f, 0.25f);
        return F{p.x, p.y, q.x, q.y};
    };
    EXPECT_EQ(coords(none), (F{0, 0, 0, 0}));
    pot.allocate(100, 40, GL_RGB);
    ofTextureData d = pot.getTextureData();
    EXPECT_EQ((F{float(d.textureTarget), d.texWidth, d.texHeight, float(d.glType), float(d.pixelType), d.texCoordRight, d.texCoordBottom}),
              (F{GL_TEXTURE_2D, 128, 64, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1, 1}));
    pot.loadData(px.data(), 100, 40, GL_RGB);
    d = pot.getTextureData();
    EXPECT_EQ((F{d.texCoordRight, d.texCoordBottom, float(d.glType)}), (F{0.78125f, 0.625f, GL_RGB}));
    EXPECT_EQ(coords(pot), (F{0.390625f, 0.15625f, 0.390625f, 0.15625f}));
    EXPECT_EQ(logOf([&] { pot.loadData(px.data(), 129, 64, GL_RGB); pot.loadData(px.data(), 128, 65, GL_RGB); }), TOO_BIG + TOO_BIG);
    EXPECT_EQ(pot.getWidth(), 100) << "a refused upload changes nothing";
    pot.loadData(px.data(), 128, 64, GL_RGB);
    EXPECT_EQ(pot.getWidth(), 128) << "data as large as the allocation fits";

    // Parameters land on the texture's own target, each where it was asked for.
    pot.setTextureWrap(GL_REPEAT, GL_MIRRORED_REPEAT);
    pot.setTextureMinMagFilter(GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glBindTexture(GL_TEXTURE_2D, d.textureID);
    const GLenum names[] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER};
    Ints params(4);
    for (int i = 0; i < 4; i++) glGetTexParameteriv(GL_TEXTURE_2D, names[i], &params[i]);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(params, (Ints{GL_REPEAT, GL_MIRRORED_REPEAT, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST}));

    ASSERT_TRUE(epoxy_has_gl_extension("GL_ARB_texture_rectangle"));
    ofEnableArbTex();
    rect.allocate(100, 40, GL_RGB);
    d = rect.getTextureData();
    EXPECT_EQ((F{float(d.textureTarget), d.texWidth, d.texHeight, d.texCoordRight, d.texCoordBottom}), (F{GL_TEXTURE_RECTANGLE_ARB, 100, 40, 100, 40}));
    EXPECT_EQ(coords(rect), (F{50, 10, 50, 10}));
}

// An empty texture reports that it is empty and takes no data; copies hold
// nothing and assignment leaves the assigned-to texture as it was; clear
// deletes the texture, and a cleared texture's name is not deleted a second
// time once another texture may have been given it.
TEST_F(Graphics, TextureCopiesHoldNothing) {
    ofTexture a, b, c;
    unsigned char px[3] = {0, 0, 0};
    ofTextureData empty;
    const std::string warning = " to do nothing. please use FBO or other means to copy textures\n";
    EXPECT_EQ(logOf([&] { empty = a.getTextureData(); a.loadData(px, 1, 1, GL_RGB); }),
              "OF_ERROR: getTextureData() - texture has not been allocated\n" + TOO_BIG);
    EXPECT_TRUE(!empty.bAllocated && empty.textureID == 0);
    a.allocate(8, 8, GL_RGB);
    b.allocate(4, 4, GL_RGB, true);
    auto record = [](ofTexture& t) {
        const ofTextureData d = t.getTextureData();
        return F{float(d.textureID), float(d.textureTarget), d.texWidth, d.width, d.texCoordRight};
    };
    const F before = record(b);
    const unsigned int name = a.getTextureData().textureID;
    EXPECT_EQ(logOf([&] { ofTexture copy(a); b = a; }),
              "OF_WARNING: overloaded ofTexture copy constructor" + warning + "OF_WARNING: overloaded ofTexture = operator" + warning);
    EXPECT_TRUE(glIsTexture(name)) << "a copy took the texture";
    EXPECT_EQ(record(b), before) << "assignment changed the assigned-to texture";
    a.clear();
    EXPECT_FALSE(glIsTexture(name) || a.bAllocated()) << "clear left the texture";
    c.allocate(2, 2, GL_RGB);
    a.clear();
    EXPECT_TRUE(glIsTexture(c.getTextureData().textureID));
}

TEST_F(Graphics, TheTextureQuadFollowsRectModeAnchorsAndEdgeHack) {
    ofTexture t, r;
    t.allocate(128, 64, GL_RGB);
    ofEnableArbTex();
    r.allocate(100, 50, GL_RGB);
    const float s0 = 1.0f / 128, t0 = 1.0f / 64, s1 = 1 - s0, t1 = 1 - t0;
    const std::pair<Draw, F> cases[] = {
        {[&] { t.draw(10, 20, 40, 30); }, {10, 20, 50, 50, s0, t0, s1, t1}},
        {[&] { ofDisableTextureEdgeHack(); t.draw(10, 20, 40, 30); ofEnableTextureEdgeHack(); }, {10, 20, 50, 50, 0, 0, 1, 1}},
        {[&] { ofSetRectMode(1); t.draw(100, 100, 40, 30); ofSetRectMode(0); }, {80, 85, 120, 115, s0, t0, s1, t1}},
        {[&] { t.setAnchorPercent(0.5f, 0.5f); t.draw(100, 100, 40, 30); }, {80, 85, 120, 115, s0, t0, s1, t1}},
        {[&] { t.setAnchorPoint(5, 7); t.draw(100, 100, 40, 30); t.resetAnchor(); }, {95, 93, 135, 123, s0, t0, s1, t1}},
        {[&] { static_cast<ofBaseDraws&>(t).draw(3, 4); }, {3, 4, 131, 68, s0, t0, s1, t1}},
        {[&] { r.draw(0, 0, 100, 50); }, {0, 0, 100, 50, 0, 0, 100, 50}},  // rectangle textures: in texels, never inset
    };
    for (const auto& [draw, want] : cases) expectQuad(draw, want);
}

// A 64 x 33 copy of the window's top left, red above and black below, is
// drawn the right way up in corner mode; centre mode does not turn it back.
// The flip belongs to screen copies only.
TEST_F(Graphics, TextureScreenCopiesAreFlippedBackWhenDrawn) {
    for (bool arb : {false, true}) {
        arb ? ofEnableArbTex() : ofDisableArbTex();
        glClear(GL_COLOR_BUFFER_BIT);
        ofRect(0, 0, 64, 16);
        ofTexture t;
        t.allocate(64, 33, GL_RGB);
        t.loadScreenData(0, 0, 64, 33);
        for (int mode : {0, 1}) {
            glClear(GL_COLOR_BUFFER_BIT);
            ofSetRectMode(mode);
            t.draw(200, 200);
            EXPECT_TRUE(lit(230, mode ? 211 : 203) && !lit(230, mode ? 186 : 228)) << arb << mode;
        }
        ofSetRectMode(0);
        // An upload from memory is the right way up; a refused copy still leaves the texture flipped.
        t.loadData(std::vector<unsigned char>(64 * 33 * 3).data(), 64, 33, GL_RGB);
        EXPECT_FALSE(t.getTextureData().bFlipTexture) << arb;
        EXPECT_EQ(logOf([&] { t.loadScreenData(0, 0, 65, 33); }), TOO_BIG);
        EXPECT_TRUE(t.getTextureData().bFlipTexture) << arb;
    }
}

TEST_F(Graphics, NewImagesAndPixelsSetInEitherOrder) {
    unsigned char six[] = {1, 2, 3, 4, 5, 6}, eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    Probe img, fresh;
    EXPECT_EQ((Ints{img.width, img.height, img.bpp, img.type}), (Ints{0, 0, 0, 3}));
    EXPECT_EQ(logOf([&] { img.getTextureReference(); }), "OF_WARNING: ofImage - getTextureReference - texture is not allocated\n");
    // Grey is never exchanged; alpha stays fourth.
    const std::tuple<unsigned char*, int, int, bool, Ints> cases[] = {
        {six, 2, 1, false, {3, 2, 1, 6, 5, 4}}, {six, 2, 1, true, {1, 2, 3, 4, 5, 6}},
        {six, 6, 0, false, {1, 2, 3, 4, 5, 6}}, {eight, 2, 2, false, {3, 2, 1, 4, 7, 6, 5, 8}}};
    for (auto [pixels, w, type, rgb, want] : cases) {
        img.setFromPixels(pixels, w, 1, type, rgb);
        EXPECT_EQ(img.bytes(), want);
    }
    EXPECT_EQ(img.tex.getTextureData().glTypeInternal, GL_RGBA);
    EXPECT_EQ(logOf([&] { EXPECT_EQ(&img.getTextureReference(), &img.tex); }), "");

    // A bad type: an empty image reports allocation twice; one holding pixels is cleared first.
    const std::string bad = "OF_ERROR: error = bad imageType in ofImage::", alloc = bad + "allocate\n", set = bad + "setFromPixels\n";
    EXPECT_EQ(logOf([&] {
                  img.setFromPixels(six, 2, 1, 7, true);
                  fresh.setFromPixels(six, 2, 1, 7, true);
                  fresh.allocate(3, 3, 1);
                  fresh.allocate(9, 9, 5);
              }),
              alloc + set + alloc + alloc + set + alloc);
    EXPECT_EQ((Ints{img.type, fresh.width}), (Ints{3, 3})) << "a bad allocation changes nothing";
    // Texture use off, then pixels of another size: the clear turns it back on.
    fresh.setUseTexture(false);
    fresh.setFromPixels(six, 2, 1, 1, true);
    EXPECT_EQ(fresh.tex.getWidth(), 2);
}

TEST_F(Graphics, CopiesTypeChangesAndRescaling) {
    std::vector<unsigned char> px(16 * 16 * 3);
    for (size_t i = 0; i < px.size(); i += 3) px[i] = 200, px[i + 1] = 100, px[i + 2] = 50;
    Probe a, c, empty;
    a.setFromPixels(px.data(), 16, 16, 1, true);
    Probe b(a);
    c.allocate(7, 7, 0);
    c = a;
    a = a;
    EXPECT_EQ(a.bytes(), Ints(px.begin(), px.end()));
    for (Probe* copy : {&b, &c}) {
        EXPECT_EQ(copy->bytes(), a.bytes());
        EXPECT_TRUE(copy->getPixels() != a.getPixels() && copy->textureID() != a.textureID() && copy->tex.bAllocated());
    }
    c.setUseTexture(false);
    c = empty;
    EXPECT_FALSE(c.type != 3 || c.tex.bAllocated()) << "the old texture goes, also while texture use was off";
    EXPECT_FALSE(Probe(empty).tex.bAllocated()) << "a copy of nothing makes no texture";

    // Up in type makes a texture with room for alpha, down keeps it.
    const int rgbTexture = a.textureID();
    a.setImageType(2);
    EXPECT_EQ(a.bytes(0, 4), (Ints{200, 100, 50, 255}));
    const int rgbaTexture = a.textureID();
    a.setImageType(1);
    EXPECT_EQ(a.bytes(0, 3), (Ints{200, 100, 50}));
    EXPECT_TRUE(rgbaTexture != rgbTexture && a.textureID() == rgbaTexture);
    // The library's conversions get the buffer without the red/blue
    // exchange of file loads and saves, so it weighs the first byte as blue.
    a.setImageType(0);
    EXPECT_NEAR(a.getPixels()[0] + a.bpp, 0.2126 * 50 + 0.7152 * 100 + 0.0722 * 200 + 8, 1);
    a.setImageType(9);
    EXPECT_EQ(a.type, 0);

    // Rescaling builds a texture of the new size; sizes the library cannot rescale to change nothing.
    b.resize(8, 4);
    EXPECT_EQ((Ints{b.width, b.height, b.type, int(b.tex.getTextureData().texWidth)}), (Ints{8, 4, 1, 8}));
    EXPECT_EQ(b.bytes(0, 3), (Ints{200, 100, 50}));
    b.resize(0, 0);
    b.resize(-3, 2);
    EXPECT_EQ(b.width, 8);
}

TEST_F(Graphics, GrabScreenAndDraw) {
    // Rows red, green, blue from the top: an odd height keeps the middle row.
    const int rows[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int r = 0; r < 3; r++) {
        ofSetColor(rows[r][0], rows[r][1], rows[r][2]);
        ofRect(0, r, 5, 1);
    }
    ofSetColor(255, 255, 255);
    Probe img, other;
    img.grabScreen(0, 0, 5, 3);
    for (int r = 0; r < 3; r++) EXPECT_EQ(img.bytes(r * 15 + 3, 3), Ints(rows[r], rows[r] + 3));
    other.setFromPixels(std::vector<unsigned char>(40 * 40 * 3, 77).data(), 40, 40, 1, true);
    other.grabScreen(0, 1, 5, 2);
    EXPECT_EQ(other.bytes(), img.bytes(15, 30)) << "rescaled, then overwritten whole, even height";
    Probe rgba;
    rgba.allocate(5, 3, 2);
    rgba.grabScreen(0, 0, 5, 3);
    EXPECT_EQ(rgba.bytes(40, 4), (Ints{0, 0, 255, 255})) << "an RGBA image grabs RGBA";

    img.setFromPixels(std::vector<unsigned char>(256 * 128 * 3, 255).data(), 256, 128, 1, true);
    glClear(GL_COLOR_BUFFER_BIT);
    static_cast<ofBaseDraws&>(img).draw(20, 30);
    EXPECT_TRUE(lit(21, 31) && lit(274, 156) && !lit(19, 31) && !lit(277, 100) && !lit(100, 159)) << "256 x 128 at (20, 30)";
    glClear(GL_COLOR_BUFFER_BIT);
    img.setUseTexture(false);
    img.draw(20, 30);
    EXPECT_FALSE(lit(21, 31));
}

// The window saved under a name, and under a count that moves on also past a
// frame whose file cannot be written; each file holds what the window showed.
TEST_F(Graphics, ScreenshotsSaveTheWindowUnderANameOrTheNextNumber) {
    const int w = ofGetWidth(), h = ofGetHeight();
    auto drawScene = [&](int shift) {
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetColor(255, 0, 0);
        ofRect(10 + shift, 20, 100, 50);
        ofSetColor(0, 128, 255);
        ofRect(w - 200, h - 100 - shift, 150, 80);
        std::vector<unsigned char> rgb(size_t(w) * h * 3);  // read independently of ofImage, bottom row first
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    };
    // Byte for byte, top row first in the file and last in the window read.
    auto expectFile = [&](const std::string& name, const std::vector<unsigned char>& screen) {
        Probe saved;
        ASSERT_TRUE(saved.loadImage(name)) << name;
        ASSERT_EQ((Ints{saved.width, saved.height, saved.type}), (Ints{w, h, 1})) << name;
        int wrong = 0;
        for (size_t i = 0; i < screen.size(); i++) wrong += saved.getPixels()[i] != screen[(size_t(h - 1 - i / 3 / w) * w + i / 3 % w) * 3 + i % 3];
        EXPECT_EQ(wrong, 0) << name << " differs from the window";
    };
    std::vector<unsigned char> scenes[4] = {drawScene(0)};
    ofSaveScreen("named.png");
    EXPECT_NE(access("named.png", F_OK), 0) << "not in the data folder";
    expectFile("named.png", scenes[0]);
    ofSaveFrame();
    scenes[1] = drawScene(30);
    ofSaveFrame();
    ASSERT_EQ(mkdir("data/2.png", 0755), 0);
    EXPECT_EQ(logOf(ofSaveFrame), "OF_ERROR: error saving image - couldn't write data/2.png\n");
    scenes[3] = drawScene(60);
    ofSaveFrame();
    for (int frame : {0, 1, 3}) expectFile(std::to_string(frame) + ".png", scenes[frame]);
}

// Files load as top-down R, G, B (A) or grey bytes; palettes and depths other
// than 8, 24 and 32 bits become 24-bit colour; the contents choose the format
// before the name does.
TEST_F(Graphics, LoadedFilesGiveTopDownRGBOfTheirType) {
    // 16-bit grey 0x1234, 0xABCD: their high bytes, as colour.
    spill("data/grey16.pgm", "P2 2 1 65535 4660 43981\n");
    const std::string two = "grey16.pgm ";
    const std::tuple<const char*, std::string, int, Ints, Ints> cases[] = {
        {"rgb.png", "-size 4x3 xc:'rgb(10,20,30)' -fill red -draw 'point 0,0' PNG24:", 1, {255, 0, 0}, {10, 20, 30}},
        {"alpha.png", "-size 3x2 xc:'rgba(10,20,30,0.2)' -fill 'rgba(200,100,50,1)' -draw 'point 2,1' PNG32:", 2, {10, 20, 30, 51}, {200, 100, 50, 255}},
        {"grey.png", "-size 3x1 xc:'gray(100)' -fill 'gray(7)' -draw 'point 2,0' -define png:color-type=0 ", 0, {100}, {7}},
        {"deep.png", "-size 2x1 xc:'rgb(255,0,0)' -depth 16 PNG48:", 1, {255, 0, 0}, {255, 0, 0}},
        {"palette.png", "-size 3x2 xc:'rgb(0,255,7)' -fill 'rgb(120,135,7)' -draw 'point 2,1' -define png:bit-depth=8 PNG8:", 1, {0, 255, 7}, {120, 135, 7}},
        {"mono.bmp", "-size 3x2 xc:black -fill white -draw 'point 2,1' -type bilevel BMP3:", 1, {0, 0, 0}, {255, 255, 255}},
        {"grey16.png", two + "-define png:color-type=0 -define png:bit-depth=16 ", 1, {0x12, 0x12, 0x12}, {0xAB, 0xAB, 0xAB}},
        {"grey16.tif", two + "-type grayscale ", 1, {0x12, 0x12, 0x12}, {0xAB, 0xAB, 0xAB}},
        {"photo.png", "-size 8x6 xc:'rgb(0,0,255)' JPG:", 1, {0, 0, 254}, {0, 0, 254}},
    };
    for (const auto& [name, made, type, first, last] : cases) {
        convert(made + name);
        Probe img;
        ASSERT_TRUE(img.loadImage(name)) << name;
        const Ints all = img.bytes();
        EXPECT_EQ((Ints{img.type, img.bpp, int(img.tex.getWidth())}), (Ints{type, int(first.size()) * 8, img.width})) << name;
        EXPECT_EQ(Ints(all.begin(), all.begin() + first.size()), first) << name;
        EXPECT_EQ(Ints(all.end() - last.size(), all.end()), last) << name;
    }
}

// Files the library cannot read, and headers declaring more than 8192 x 4096
// pixels, are refused before decoding; the image keeps what it had. (The
// formats whose header is read by hand: tests/unit/image_headers.cpp.)
TEST_F(Graphics, BadFilesAreRefusedAndTheImageKeepsWhatItHad) {
    convert("-size 64x64 gradient:red-blue PNG24:grad.png");
    spill("data/text.png", "this is not an image\n");
    spill("data/huge.bmp", std::string("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\x20\0\0\0\x10\0\0\x01\0\x18\0", 30) + std::string(40, '\0'));
    Probe img;
    unsigned char px[18] = {9, 8, 7};
    img.setFromPixels(px, 3, 2, 1, true);
    const int texture = img.textureID();
    for (const char* name : {"missing.png", "text.png", "huge.bmp"}) {
        EXPECT_EQ(logOf([&] { EXPECT_FALSE(img.loadImage(name)) << name; }), "") << name;
        EXPECT_EQ((Ints{img.width, img.type, img.textureID(), img.getPixels()[0]}), (Ints{3, 1, texture, 9})) << name;
    }
    EXPECT_TRUE(img.loadImage("grad.png")) << "the intact file loads";
}

// Saves leave the buffer as it was and write what loads back the same; a save
// that cannot be made says so and leaves what was there byte for byte, or
// nothing where there was nothing; one that can be made keeps the old file's
// mode and goes through a link. The library starts again after every stop.
TEST_F(Graphics, SavesRoundTripOrFailLeavingTheOldFile) {
    for (int stop = 0; stop < 2; stop++) ofCloseFreeImage();
    Probe img, grey, back, none;
    unsigned char rgba[16] = {255, 0, 0, 40, 0, 0, 255, 80}, levels[] = {0, 50, 100, 250};
    img.setFromPixels(rgba, 2, 2, 2, true);
    grey.setFromPixels(levels, 4, 1, 0, true);
    for (Probe* image : {&img, &grey}) {
        const Ints before = image->bytes();
        image->saveImage("out.png");
        ASSERT_TRUE(back.loadImage("out.png"));
        EXPECT_TRUE(image->bytes() == before && back.bytes() == before) << "grey goes out as 8 bits with a grey palette";
    }
    ofCloseFreeImage();
    { ofImage restart; }
    EXPECT_EQ(logOf([&] { none.saveImage("nothing.png"); }), "OF_ERROR: error saving image - pixels aren't allocated\n");
    EXPECT_NE(access("data/nothing.png", F_OK), 0);

    convert("-size 4x4 xc:red old.jpg");
    ASSERT_EQ(system("cd data && cp old.jpg jpeg.png && mkdir folder.png"), 0);
    for (const char* name : {"readonly.png", "kept.png"}) img.saveImage(name);
    ASSERT_EQ(chmod("data/readonly.png", 0444) | chmod("data/kept.png", 0640) | symlink("kept.png", "data/link.png"), 0);
    // JPEG stores no alpha, also where the contents choose it over the name;
    // WebP no grey; the library's icon writer fails on so small an image.
    for (const char* name : {"old.jpg", "new.jpg", "jpeg.png", "grey.webp", "tiny.ico", "readonly.png", "folder.png", "missing/x.png", "x.xyz"}) {
        const std::string path = std::string("data/") + name;
        auto contents = [&] { return access(path.c_str(), F_OK) ? "none" : std::filesystem::is_directory(path) ? "folder" : slurp(path); };
        const std::string before = contents();
        EXPECT_EQ(logOf([&] { (std::string(name) == "grey.webp" ? grey : img).saveImage(name); }), "OF_ERROR: error saving image - couldn't write " + path + "\n");
        EXPECT_EQ(contents(), before) << name;
    }
    grey.saveImage("link.png");
    struct stat st;
    EXPECT_TRUE(lstat("data/link.png", &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(stat("data/kept.png", &st) == 0 && (st.st_mode & 07777) == 0640);
    ASSERT_TRUE(back.loadImage("kept.png"));
    EXPECT_EQ(back.bytes(), (Ints{0, 50, 100, 250}));
    const std::string kept = slurp("data/kept.png");
    EXPECT_EQ(stdoutOnAFullDisk(16, [&] { img.saveImage("kept.png"); }), "OF_ERROR: error saving image - couldn't write data/kept.png\n");
    EXPECT_EQ(slurp("data/kept.png"), kept) << "a disk that filled up";
    EXPECT_EQ(system("ls -a data | grep -q tmp"), 256) << "a temporary file was left";
}
