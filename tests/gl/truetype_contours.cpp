// Glyph contours of a TrueType font: the flattened, simplified outlines
// checked against FreeType's own outline, hand-made outlines for the corner
// cases of the walk, the simplifier, and glyphs and strings drawn as shapes.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "PixelScreen.h"
#include "TestPaths.h"
#include "ofGLHeaders.h"
#include "ofGlyphContours.h"
#include "ofGraphics.h"
#include "ofTrueTypeFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
const int W = 800, H = 600;
const int SIZE = 40;

struct Font : ofTrueTypeFont {
    using ofTrueTypeFont::charOutlines;
    using ofTrueTypeFont::glyphs;
};

bool lit(int x, int y) { return frameworkwindow::pixel(x, y).r > 128; }

// FreeType's outline of a character at the font's size, walked by FreeType
// itself into fine line pieces, in pixels with y downwards.
struct Reference {
    std::vector<std::vector<ofPoint>> contours;
    FT_BBox box{};  // exact, in 26.6 units with y upwards
};

Reference reference(unsigned char c) {
    Reference ref;
    FT_Library lib;
    FT_Face face;
    EXPECT_EQ(FT_Init_FreeType(&lib), 0);
    EXPECT_EQ(FT_New_Face(lib, "data/font.ttf", 0, &face), 0);
    FT_Set_Char_Size(face, SIZE * 64, SIZE * 64, 96, 96);
    FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_DEFAULT);
    FT_Outline_Get_BBox(&face->glyph->outline, &ref.box);
    struct Walk {
        Reference* ref;
        FT_Vector at;
    } walk{&ref, {0, 0}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* u) {
        Walk* w = static_cast<Walk*>(u);
        w->ref->contours.emplace_back();
        w->ref->contours.back().push_back(ofPoint(to->x / 64.0, -to->y / 64.0));
        w->at = *to;
        return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* u) {
        Walk* w = static_cast<Walk*>(u);
        w->ref->contours.back().push_back(ofPoint(to->x / 64.0, -to->y / 64.0));
        w->at = *to;
        return 0;
    };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* u) {
        Walk* w = static_cast<Walk*>(u);
        for (int i = 1; i <= 64; i++) {
            double t = i / 64.0, s = 1 - t;
            double x = s * s * w->at.x + 2 * s * t * c->x + t * t * to->x;
            double y = s * s * w->at.y + 2 * s * t * c->y + t * t * to->y;
            w->ref->contours.back().push_back(ofPoint(x / 64, -y / 64));
        }
        w->at = *to;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector*, void*) { return 1; };
    EXPECT_EQ(FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk), 0);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return ref;
}

// Distance from p to the closed polyline through points.
float distanceToLoop(const ofPoint& p, const std::vector<ofPoint>& loop) {
    float best = INFINITY;
    for (size_t i = 0; i < loop.size(); i++) {
        const ofPoint& a = loop[i];
        const ofPoint& b = loop[(i + 1) % loop.size()];
        float ux = b.x - a.x, uy = b.y - a.y, wx = p.x - a.x, wy = p.y - a.y;
        float len2 = ux * ux + uy * uy;
        float t = len2 > 0 ? std::max(0.0f, std::min(1.0f, (wx * ux + wy * uy) / len2)) : 0.0f;
        best = std::min(best, std::hypot(wx - t * ux, wy - t * uy));
    }
    return best;
}

void expectPoints(const std::vector<ofPoint>& got, const std::vector<ofPoint>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_NEAR(got[i].x, want[i].x, 1e-4) << "point " << i;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-4) << "point " << i;
    }
}

// A hand-made outline: points in 26.6 units, y upwards, with their tags.
struct Outline {
    std::vector<FT_Vector> points;
    std::vector<char> tags;
    std::vector<short> ends;
    FT_Outline get() {
        FT_Outline o{};
        o.n_points = short(points.size());
        o.n_contours = short(ends.size());
        o.points = points.data();
        o.tags = tags.data();
        o.contours = ends.data();
        return o;
    }
    void add(long x, long y, char tag) {
        points.push_back({x * 64, y * 64});
        tags.push_back(tag);
    }
};
const char ON = FT_CURVE_TAG_ON, CONIC = FT_CURVE_TAG_CONIC, CUBIC = FT_CURVE_TAG_CUBIC;

class Contours : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        static ScratchDir folder("contours");
        ASSERT_EQ(chdir(folder.path().c_str()), 0);
        ASSERT_EQ(system("mkdir data && cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf data/font.ttf"), 0);
    }
    void SetUp() override {
        pixelscreen::set(W, H);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ofSetColor(255, 255, 255);
        ofFill();
        ofSetPolyMode(GLU_TESS_WINDING_ODD);
    }
};
}  // namespace

TEST_F(Contours, FollowFreeTypesOutlineWithinTheTolerance) {
    Font font;
    font.loadFont("font.ttf", SIZE, true, false, true);
    ASSERT_TRUE(font.bLoadedOk);
    ASSERT_EQ(font.charOutlines.size(), 95u);
    for (unsigned char c : std::string("IOoSg@8&%")) {
        SCOPED_TRACE(std::string(1, char(c)));
        Reference ref = reference(c);
        ofGlyphOutline outline = font.getCharacterAsPoints(c);
        ASSERT_EQ(outline.size(), ref.contours.size());
        for (size_t k = 0; k < outline.size(); k++) {
            ASSERT_GE(outline[k].size(), 3u);
            // Every point of the simplified contour lies on or next to the
            // outline, and the outline never strays far from the contour.
            float worst = 0;
            for (const ofPoint& p : ref.contours[k]) worst = std::max(worst, distanceToLoop(p, outline[k]));
            EXPECT_LT(worst, 0.45f) << "contour " << k;
            for (const ofPoint& p : outline[k]) {
                EXPECT_LT(distanceToLoop(p, ref.contours[k]), 0.05f) << "contour " << k;
                EXPECT_GE(p.x, ref.box.xMin / 64.0f - 1e-3f);
                EXPECT_LE(p.x, ref.box.xMax / 64.0f + 1e-3f);
                EXPECT_GE(p.y, -ref.box.yMax / 64.0f - 1e-3f);
                EXPECT_LE(p.y, -ref.box.yMin / 64.0f + 1e-3f);
            }
        }
    }
    // Straight edges keep only their corners: 'I' is a bar of four.
    ofGlyphOutline I = font.getCharacterAsPoints('I');
    ASSERT_EQ(I.size(), 1u);
    EXPECT_EQ(I[0].size(), 4u);
}

TEST_F(Contours, OnlyPrintableCodesInsideTheTableHaveContours) {
    Font font;
    font.loadFont("font.ttf", SIZE, true, true, true);
    ASSERT_EQ(font.charOutlines.size(), 256u);
    for (int c : {-1, 0, 10, 32, 289, 1000}) EXPECT_TRUE(font.getCharacterAsPoints(c).empty()) << c;
    EXPECT_EQ(font.getCharacterAsPoints('A').size(), 2u);
    EXPECT_EQ(font.getCharacterAsPoints(0xC5).size(), 3u) << "A with a ring above";
}

TEST_F(Contours, AreRefusedWithTheirMessagesWhenNotMade) {
    Font plain;
    {
        CaptureStdout out;
        plain.drawStringAsShapes("A", 10, 10);
        EXPECT_TRUE(plain.getCharacterAsPoints('A').empty());
        std::string text = out.finish();
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m,
                                     std::regex("OF_ERROR: Error : font not allocated -- line (\\d+) in (.*)\n"
                                                "OF_ERROR: getCharacterAsPoints: contours not created,  call loadFont "
                                                "with makeContours set to true\n")))
            << text;
        // The line named is the one that reports it.
        std::ifstream src(m[2].str());
        std::string line;
        for (int i = std::stoi(m[1].str()); i > 0 && std::getline(src, line);) i--;
        EXPECT_NE(line.find("Error : font not allocated"), std::string::npos) << line;
    }
    plain.loadFont("font.ttf", SIZE);
    CaptureStdout out;
    EXPECT_TRUE(plain.getCharacterAsPoints('A').empty());
    plain.drawStringAsShapes("A", 100, 100);
    plain.drawCharAsShape('A' - 33, 100, 100);
    const std::string refused =
        "OF_ERROR: Error : contours not created for this font - call loadFont with makeContours set to true\n";
    EXPECT_EQ(out.finish(),
              "OF_ERROR: getCharacterAsPoints: contours not created,  call loadFont with makeContours set to true\n" +
                  refused + refused);
    EXPECT_FALSE(lit(110, 90));
}

TEST_F(Contours, FontsOfBitmapsOnlyGiveEmptyOutlines) {
    FILE* f = fopen("data/blocky.bdf", "w");
    ASSERT_NE(f, nullptr);
    fputs("STARTFONT 2.1\nFONT -test-blocky-medium-r-normal--16-120-96-96-c-170-iso8859-1\nSIZE 12 96 96\n"
          "FONTBOUNDINGBOX 8 8 0 0\nCHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 750 0\nDWIDTH 9 0\n"
          "BBX 8 8 0 0\nBITMAP\nFF\nFF\nFF\nFF\nFF\nFF\nFF\nFF\nENDCHAR\nENDFONT\n",
          f);
    fclose(f);
    Font font;
    font.loadFont("blocky.bdf", 12, true, false, true);
    ASSERT_TRUE(font.bLoadedOk);
    EXPECT_TRUE(font.getCharacterAsPoints('A').empty());
    font.drawStringAsShapes("AA", 100, 100);
    EXPECT_FALSE(lit(102, 98));
}

TEST_F(Contours, StringsDrawAsFilledShapesWithHolesAndLineBreaks) {
    Font font;
    font.loadFont("font.ttf", SIZE, true, false, true);
    ofGlyphOutline bar = font.getCharacterAsPoints('I');
    ASSERT_EQ(bar.size(), 1u);
    float left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (const ofPoint& p : bar[0]) {
        left = std::min(left, p.x), right = std::max(right, p.x);
        top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    }
    const float x = 100, y = 100, lineHeight = SIZE * 1.43f;
    int advanceI = font.glyphs['I' - 33].advance, blank = font.glyphs['p' - 33].width;
    font.drawStringAsShapes("I I\n\nI", x, y);
    auto midX = [&](float penX) { return int(penX + (left + right) / 2); };
    int midY = int(y + (top + bottom) / 2);
    EXPECT_TRUE(lit(midX(x), midY));
    EXPECT_TRUE(lit(midX(x + advanceI + blank), midY)) << "the blank is as wide as the bitmap of 'p'";
    EXPECT_FALSE(lit(midX(x + advanceI), midY));
    EXPECT_FALSE(lit(midX(x), int(midY + lineHeight)));
    EXPECT_TRUE(lit(midX(x), int(midY + 2 * lineHeight)));
    EXPECT_TRUE(lit(midX(x), int(y + 2 * lineHeight + bottom - 1)));
    EXPECT_FALSE(lit(midX(x), int(y + 2 * lineHeight + bottom + 1)));

    // 'O' has a counter: filled under the odd rule, its middle stays empty.
    glClear(GL_COLOR_BUFFER_BIT);
    ofGlyphOutline o = font.getCharacterAsPoints('O');
    ASSERT_EQ(o.size(), 2u);
    font.drawCharAsShape('O' - 33, 300, 300);
    struct Box {
        float left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    } box[2];
    for (int k = 0; k < 2; k++) {
        for (const ofPoint& p : o[k]) {
            box[k].left = std::min(box[k].left, p.x), box[k].right = std::max(box[k].right, p.x);
            box[k].top = std::min(box[k].top, p.y), box[k].bottom = std::max(box[k].bottom, p.y);
        }
    }
    const Box& outer = box[0].left < box[1].left ? box[0] : box[1];
    const Box& inner = box[0].left < box[1].left ? box[1] : box[0];
    int oMidY = int(300 + (outer.top + outer.bottom) / 2);
    EXPECT_FALSE(lit(int(300 + (inner.left + inner.right) / 2), oMidY));
    EXPECT_TRUE(lit(int(300 + (outer.left + inner.left) / 2), oMidY));
    EXPECT_TRUE(lit(int(300 + (outer.right + inner.right) / 2), oMidY));
    EXPECT_FALSE(lit(int(300 + outer.left - 2), oMidY));
}

TEST(GlyphWalk, ConicCurvesStartAtTheLastPointOrAtAMidpoint) {
    // A contour whose first point is a control point after an on-curve
    // last point: its first curve starts at that last point (10, 10).
    Outline a;
    a.add(10, 12, CONIC);
    a.add(12, 12, ON);
    a.add(10, 10, ON);
    a.ends = {2};
    FT_Outline outlineA = a.get();
    ofGlyphOutline ra = makeContoursForCharacter(outlineA);
    ASSERT_EQ(ra.size(), 1u);
    ASSERT_GE(ra[0].size(), 3u);
    EXPECT_NEAR(ra[0][0].x, 10.0f, 1e-6);
    EXPECT_NEAR(ra[0][0].y, -10.0f, 1e-6);
    // The curve's middle, (10.5, 11.5) up, lies farthest from its chord.
    bool middle = false;
    for (const ofPoint& p : ra[0]) middle |= std::fabs(p.x - 10.5f) < 1e-5 && std::fabs(p.y + 11.5f) < 1e-5;
    EXPECT_TRUE(middle);

    // Last and first both control points: the curve starts at their middle.
    Outline b;
    b.add(0, 128, CONIC);
    b.add(128, 128, ON);
    b.add(128, 0, ON);
    b.add(0, 0, CONIC);
    b.ends = {3};
    FT_Outline outlineB = b.get();
    ofGlyphOutline rb = makeContoursForCharacter(outlineB);
    ASSERT_EQ(rb.size(), 1u);
    EXPECT_NEAR(rb[0].front().x, 0, 1e-4);
    EXPECT_NEAR(rb[0].front().y, -64, 1e-4);
    // The contour comes back round to that middle point through the last
    // control point's curve.
    EXPECT_NEAR(rb[0].back().x, 0, 1e-4);
    EXPECT_NEAR(rb[0].back().y, -64, 1e-4);
}

TEST(GlyphWalk, CubicSegmentsAndBadContourEnds) {
    Outline c;
    c.add(0, 0, ON);
    c.add(0, 64, CUBIC);
    c.add(64, 64, CUBIC);
    c.add(64, 0, ON);
    c.ends = {3};
    FT_Outline outline = c.get();
    ofGlyphOutline r = makeContoursForCharacter(outline);
    ASSERT_EQ(r.size(), 1u);
    // Start, the arch's eight samples, end; its highest samples (t = 3/7 and
    // 4/7) lie just under the top at 48.
    EXPECT_NEAR(r[0].front().x, 0, 1e-4);
    EXPECT_NEAR(r[0].back().x, 64, 1e-4);
    float highest = 0;
    for (const ofPoint& p : r[0]) highest = std::min(highest, p.y);
    EXPECT_NEAR(highest, -48 * (1 - 1.0f / 49), 1e-3);

    // Ends that fall or point past the points stop the walk there.
    c.ends = {3, 2, 3};
    FT_Outline falling = c.get();
    EXPECT_EQ(makeContoursForCharacter(falling).size(), 1u);
    c.ends = {1, 40};
    FT_Outline past = c.get();
    EXPECT_EQ(makeContoursForCharacter(past).size(), 1u);
}

TEST(Simplifier, DropsNearPointsAndCollinearRunsButKeepsTheLast) {
    // Collinear points collapse to the run's two ends.
    std::vector<ofPoint> line;
    for (int i = 0; i <= 10; i++) line.push_back(ofPoint(i * 2.0f, i * 1.0f));
    expectPoints(simplifyPolyline(line, 0.3f), {ofPoint(0, 0), ofPoint(20, 10)});

    // (1.1, 5) is within 0.3 of the kept (1, 5); the last point is kept
    // even though it is as close to (2, 0).
    std::vector<ofPoint> zigzag = {ofPoint(0, 0), ofPoint(1, 5), ofPoint(1.1f, 5), ofPoint(2, 0), ofPoint(2, 0.2f)};
    expectPoints(simplifyPolyline(zigzag, 0.3f), {ofPoint(0, 0), ofPoint(1, 5), ofPoint(2, 0.2f)});

    // A bump taller than the tolerance stays, a lower one goes.
    expectPoints(simplifyPolyline({ofPoint(0, 0), ofPoint(5, 0.31f), ofPoint(10, 0)}, 0.3f),
                 {ofPoint(0, 0), ofPoint(5, 0.31f), ofPoint(10, 0)});
    expectPoints(simplifyPolyline({ofPoint(0, 0), ofPoint(5, 0.29f), ofPoint(10, 0)}, 0.3f),
                 {ofPoint(0, 0), ofPoint(10, 0)});
    EXPECT_EQ(simplifyPolyline({ofPoint(3, 4)}, 0.3f).size(), 1u);
    EXPECT_TRUE(simplifyPolyline({}, 0.3f).empty());
}
