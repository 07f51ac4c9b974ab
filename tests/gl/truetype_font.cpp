// ofTrueTypeFont with DejaVu Sans and a made-up bitmap font: glyph records
// and textures against the rasteriser, strings measured and drawn (read
// through GL feedback), outlines flattened and simplified into contours, and
// what a font says when it is unloaded or has no contours.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "PixelScreen.h"
#include "TestPaths.h"
#include "ofGLHeaders.h"
#include "ofGlyphContours.h"
#include "ofTrueTypeFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <tuple>

namespace {
const std::string DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
using Points = std::vector<ofPoint>;
using Floats = std::vector<float>;
using glfeedback::Vertex;

struct Font : ofTrueTypeFont {
    using ofTrueTypeFont::drawChar;
    using ofTrueTypeFont::glyphs;
    using ofTrueTypeFont::textureNames;
    explicit Font(const std::string& file = DEJAVU, int size = 28, bool aa = true, bool full = false, bool c = false) {
        loadFont(file, size, aa, full, c);
    }
    const ofGlyphRecord& glyph(unsigned char c) { return glyphs[c - 33]; }
};

// The log is `count` lines "LEVEL: text -- line N in FILE" and nothing else,
// each naming a line of FILE that reports it.
void expectOwnLines(const std::string& log, const std::string& level, const std::string& text, int count) {
    std::regex pattern(level + ": " + text + " -- line ([0-9]+) in (.*)\n");
    EXPECT_EQ(std::regex_replace(log, pattern, "#"), std::string(count, '#')) << log;
    for (std::sregex_iterator m(log.begin(), log.end(), pattern), end; m != end; ++m) {
        std::ifstream src((*m)[2].str());
        std::string line;
        for (int i = std::stoi((*m)[1].str()); i > 0 && std::getline(src, line);) i--;
        EXPECT_NE(line.find(text), std::string::npos) << (*m)[0] << "names: " << line;
    }
}

// Geometry compared as lists of numbers: rectangles, points, feedback vertices.
Floats flat(const ofRectangle& r) { return {r.x, r.y, r.width, r.height}; }
Floats flat(const Points& points) {
    Floats out;
    for (const ofPoint& p : points) out.insert(out.end(), {p.x, p.y, p.z});
    return out;
}
Floats flat(const std::vector<Vertex>& vertices) {
    Floats out;
    for (const Vertex& v : vertices) out.insert(out.end(), {v.x, v.y, v.s, v.t});
    return out;
}
void expectNear(const Floats& got, const Floats& want, float tol = 1e-3f, std::string what = "") {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); i++) EXPECT_NEAR(got[i], want[i], tol) << what << ", number " << i;
}
template <class List> ofRectangle bounds(const List& points) {
    float l = INFINITY, t = INFINITY, r = -INFINITY, b = -INFINITY;
    for (const auto& p : points) l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
    return ofRectangle(l, t, r - l, b - t);
}
// The corners of glyph quads with their pens at (x, y), each in drawing order.
std::vector<Vertex> quads(std::initializer_list<std::tuple<const ofGlyphRecord&, float, float>> pens) {
    std::vector<Vertex> out;
    for (const auto& [g, x, y] : pens) {
        float l = x + g.left, r = l + g.width + 4, t = y - g.top, b = y + g.rows - g.top + 4;
        float s1 = g.texX, s2 = g.texX + g.texW, t1 = g.texY, t2 = g.texY + g.texH;
        out.insert(out.end(), {{l, t, s1, t1}, {l, b, s1, t2}, {r, b, s2, t2}, {r, t, s2, t1}});
    }
    return out;
}
frameworkwindow::Rgb pixel(float x, float y) { return frameworkwindow::pixel(int(x), int(y)); }

// The framework's window, cleared, with one unit a pixel.
struct TrueType : ::testing::Test {
    void SetUp() override { frameworkwindow::ensure(); pixelscreen::set(800, 600); glClear(GL_COLOR_BUFFER_BIT); }
};
}  // namespace

TEST_F(TrueType, ReloadsStartAfreshAndWhatAFontCannotDrawItSays) {
    auto live = [](std::vector<unsigned int> names) { return std::count_if(names.begin(), names.end(), glIsTexture); };
    EXPECT_EQ(live([] { Font gone; return gone.textureNames; }()), 0) << "the destructor releases the textures";
    Font font(DEJAVU, 40, true, true, true);
    font.loadFont(DEJAVU, 28);
    EXPECT_TRUE(font.nCharacters == 95 && font.bAntiAliased);
    // Reloaded without contours, the font refuses them though it still holds the first load's.
    CaptureStdout refusals;
    EXPECT_TRUE(font.getCharacterAsPoints('A').empty());
    font.drawStringAsShapes("A", 100, 100); font.drawCharAsShape('A' - 33, 100, 100);
    const std::string call = " call loadFont with makeContours set to true\n";
    const std::string shapes = "OF_ERROR: Error : contours not created for this font -" + call;
    EXPECT_EQ(refusals.finish(), "OF_ERROR: getCharacterAsPoints: contours not created, " + call + shapes + shapes);
    // A failed reload releases the textures; it asks for contours again and
    // hands out those it still holds.
    std::vector<unsigned int> textures = font.textureNames;
    CaptureStdout out;
    font.loadFont(DEJAVU + ".gone", 12, true, false, true);
    EXPECT_EQ(live(textures), 0);
    EXPECT_EQ(font.getCharacterAsPoints('A').size(), 2u);
    font.drawString("abc", 10, 10); font.drawChar(3);
    font.drawStringAsShapes("abc", 10, 10); font.drawCharAsShape(3, 10, 10);
    expectOwnLines(out.finish(), "OF_ERROR", "Error : font not allocated", 4);
    expectNear(flat(font.getStringBoundingBox("abc", 5, 5)), {0, 0, 0, 0});
}

TEST_F(TrueType, GlyphRecordsAndTexturesMatchTheRasteriser) {
    // DejaVu anti-aliased and monochrome, and a font of one 1-bit bitmap (16 x
    // 12, rows 0FF0 then F00F twice, over and over) that FreeType hands over as
    // bits whatever rendering is asked for.
    ScratchDir dir("font");
    std::ofstream(dir / "blocky.bdf")
        << "STARTFONT 2.1\nFONT -test-blocky-medium-r-normal--16-120-96-96-c-170-iso8859-1\nSIZE 12 96 96\n"
           "FONTBOUNDINGBOX 16 12 0 0\nCHARS 1\nSTARTCHAR A\nENCODING 65\nDWIDTH 17 0\nBBX 16 12 0 0\nBITMAP\n"
           "0FF0\nF00F\nF00F\n0FF0\nF00F\nF00F\n0FF0\nF00F\nF00F\n0FF0\nF00F\nF00F\nENDCHAR\nENDFONT\n";
    const std::tuple<std::string, int, bool, bool> fonts[] = {
        {DEJAVU, 28, true, false}, {DEJAVU, 28, false, true}, {dir / "blocky.bdf", 12, true, true}};
    for (const auto& [file, size, aa, bits] : fonts) {
        FT_Library lib;
        FT_Face face;
        ASSERT_FALSE(FT_Init_FreeType(&lib) || FT_New_Face(lib, file.c_str(), 0, &face));
        FT_Set_Char_Size(face, size * 64, size * 64, 96, 96);
        Font font(file, size, aa, true, true);
        EXPECT_FLOAT_EQ(font.getLineHeight(), size * 1.43f);
        // The first glyph, 'A', a descender, an accented capital, code 255,
        // then the table's tail of codes 0 to 32 with the (empty) blank last.
        for (int i : {0, 'A' - 33, 'g' - 33, 0xC5 - 33, 222, 223, 255}) {
            SCOPED_TRACE(file + " glyph " + std::to_string(i) + (aa ? " anti-aliased" : " monochrome"));
            FT_Load_Glyph(face, FT_Get_Char_Index(face, (i + 33) % 256), FT_LOAD_DEFAULT);
            FT_Render_Glyph(face->glyph, aa ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO);
            const FT_GlyphSlot slot = face->glyph;
            const ofGlyphRecord& g = font.glyphs.at(i);
            GLint w = 0, h = 0, filter = 0, wrong = 0;
            glBindTexture(GL_TEXTURE_2D, font.textureNames[i]);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
            EXPECT_EQ((std::vector<int>{g.index, g.width, g.rows, g.top, g.left, g.advance, filter}),
                      (std::vector<int>{i, int(slot->bitmap.width), int(slot->bitmap.rows), slot->bitmap_top,
                                        slot->bitmap_left, int(slot->advance.x >> 6), aa ? GL_LINEAR : GL_NEAREST}));
            std::vector<unsigned char> la(size_t(w) * h * 2);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, la.data());
            // White, with the glyph in alpha: anti-aliased at the 3-texel border, monochrome at (1, 1).
            for (int k = 0, off = aa ? 3 : 1; k < w * h; k++) {
                int x = k % w - off, y = k / w - off, ink = 0;
                if (x >= 0 && y >= 0 && x < g.width && y < g.rows) {
                    const unsigned char* row = slot->bitmap.buffer + y * slot->bitmap.pitch;
                    ink = bits ? (row[x / 8] >> (7 - x % 8) & 1) * 255 : row[x];
                }
                wrong += la[2 * k] != 255 || la[2 * k + 1] != ink;
            }
            EXPECT_EQ(wrong, 0);
            // Powers of two with room for the border, and no more.
            for (auto [t, need] : {std::pair{w, g.width + 6}, std::pair{h, g.rows + 6}})
                EXPECT_TRUE(t >= need && t < 2 * need && !(t & (t - 1))) << t << " for " << need;
            expectNear({g.texX, g.texY, g.texW, g.texH},
                       {1.0f / w, 1.0f / h, (g.width + 4.0f) / w, (g.rows + 4.0f) / h}, 0);
        }
        // Fonts of bitmaps only have no outlines.
        EXPECT_EQ(font.getCharacterAsPoints('A').size(), file == DEJAVU ? 2u : 0u);
        FT_Done_FreeType(lib);
    }
}

TEST_F(TrueType, StringsAreMeasuredAndDrawnByOneWalk) {
    Font font, full(DEJAVU, 28, true, true);
    const ofGlyphRecord &a = font.glyph('A'), &b = font.glyph('B'), &p = font.glyph('p');
    const std::tuple<Font*, std::string, float, float, float, ofRectangle> cases[] = {
        {&font, "i", 100, 200, 40, bounds(quads({{font.glyph('i'), 100, 200}}))},
        {&font, "", 3, 4, 40, {0, 0, 0, 0}},
        {&font, " \n", 5, 5, 40, {-1, -1, 0, 0}},
        // Line breaks step down whole pixels.
        {&font, "A\n\nB", 0, 0, 40.6f, bounds(quads({{a, 0, 0}, {b, 0, 80}}))},
        // A line height beyond int measures as it is; a NaN one moves no glyph.
        {&font, "A\nB", 0, 0, 1e10f, bounds(quads({{a, 0, 0}, {b, 0, 1e10f}}))},
        {&font, "A\nB", 0, 0, NAN, bounds(quads({{a, 0, 0}}))},
        // A blank is as wide as the bitmap of 'p'; trailing ones add nothing.
        {&font, "  A B  ", 0, 0, 40, bounds(quads({{a, 2.0f * p.width, 0}, {b, 3.0f * p.width + a.advance, 0}}))},
        // Control bytes are skipped; bytes above 127 only exist in the full set.
        {&font, "A\xC8\t\x01", 7, 0, 40, bounds(quads({{a, 7, 0}}))},
        {&full, "\t\xC8", 0, 0, 40, bounds(quads({{full.glyph(0xC8), 0, 0}}))},
    };
    for (const auto& [f, s, x, y, lineHeight, want] : cases) {
        SCOPED_TRACE(s + " with line height " + std::to_string(lineHeight));
        f->setLineHeight(lineHeight);
        ofRectangle got = f->getStringBoundingBox(s, x, y);
        expectNear(flat(got), flat(want), 0);
        if (x == 0 && y == 0) expectNear({f->stringWidth(s), f->stringHeight(s)}, {got.width, got.height}, 0);
    }

    // Drawing steps lines by the float line height.
    font.setLineHeight(40.6f);
    auto drawn = glfeedback::capture([&] { font.drawString("A\n B", 10, 50); font.drawChar(-1); font.drawChar(95); });
    // B: back at x 10, a blank on, one line of 40.6 down.
    expectNear(flat(glfeedback::distinct(drawn)), flat(quads({{a, 10, 50}, {b, 10.0f + p.width, 90.6f}})));
    // Texturing ends off; blending is as it was.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    // The bar of 'I' takes the current colour; its transparent margin blends away.
    glColor3f(1, 0, 0);
    font.drawString("I", 10, 50);
    ofRectangle bar = bounds(quads({{font.glyph('I'), 10, 50}}));
    frameworkwindow::Rgb middle = pixel(bar.x + bar.width / 2, bar.y + bar.height / 2), corner = pixel(bar.x, bar.y);
    EXPECT_EQ((std::vector<int>{middle.r > 200, middle.g, middle.b, corner.r}), (std::vector<int>{1, 0, 0, 0}));

    // A glyph whose texture is gone is reported, and the pen moves on (from
    // where the matrix was before the last string).
    glDeleteTextures(1, &font.textureNames['A' - 33]);
    CaptureStdout out;
    drawn = glfeedback::capture([&] { font.drawString("AB", 10, 50); });
    expectOwnLines(out.finish(), "OF_WARNING", " texture not bound for character", 1);
    expectNear(flat(glfeedback::distinct(drawn)), flat(quads({{b, 10 + a.advance, 50}})));
}

TEST_F(TrueType, ContoursOfGlyphsAndStringsDrawnAsShapes) {
    Font font(DEJAVU, 40, true, true, true);
    // The bar of 'I' is four corners around its bitmap, give or take the
    // pixel that the rasteriser rounds to.
    ofGlyphOutline I = font.getCharacterAsPoints('I');
    const ofGlyphRecord& g = font.glyph('I');
    ASSERT_EQ(I.at(0).size(), 4u);
    ofRectangle bar = bounds(I[0]);
    expectNear(flat(bar), {float(g.left), float(-g.top), float(g.width), float(g.rows)}, 1);
    for (int c : {-1, 0, 10, 32, 289, 1000}) EXPECT_TRUE(font.getCharacterAsPoints(c).empty()) << c;
    EXPECT_EQ(font.getCharacterAsPoints(0xC5).size(), 3u) << "A with a ring above";

    // Shapes step lines by the float line height and blanks by the bitmap of
    // 'p'; a string drawn before leaves the matrix as it was.
    font.setLineHeight(40.6f);
    auto drawn = glfeedback::distinct(glfeedback::capture(
        [&] { font.drawStringAsShapes("I", 100, 100); font.drawStringAsShapes("I I\n\nI", 100, 100); }));
    float width = g.advance + font.glyph('p').width + bar.width;
    expectNear(flat(bounds(drawn)), {100 + bar.x, 100 + bar.y, width, 81.2f + bar.height}, 0.01f);
}

// FreeType's outlines at 40 pixels, walked by FreeType itself with each
// curve cut in 64 pieces, against the contours, over glyphs of straight
// bars, round and nested loops, lines running into curves, crossings and up
// to five contours. Each contour keeps at least three points and stays
// within the outline's exact bounding box; each point of either lies within
// the simplifier's 0.3 pixels of the other's polyline, give or take the
// 0.03 pixels that 9 samples a curve cut off the curves.
TEST_F(TrueType, TheContoursOfGlyphsFollowFreeTypesOutlineWithinTheTolerance) {
    FT_Library lib;
    FT_Face face;
    ASSERT_FALSE(FT_Init_FreeType(&lib) || FT_New_Face(lib, DEJAVU.c_str(), 0, &face));
    FT_Set_Char_Size(face, 40 * 64, 40 * 64, 96, 96);
    struct Walk {
        std::vector<Points> contours;
        FT_Vector at;
        void add(double x, double y) { contours.back().push_back(ofPoint(float(x / 64), float(-y / 64))); }
        static int lineTo(const FT_Vector* to, void* u) {
            Walk* w = static_cast<Walk*>(u);
            w->add(to->x, to->y), w->at = *to;
            return 0;
        }
    };
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* u) { static_cast<Walk*>(u)->contours.emplace_back(); return Walk::lineTo(to, u); };
    funcs.line_to = Walk::lineTo;
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* u) {
        Walk* w = static_cast<Walk*>(u);
        for (int i = 1; i <= 64; i++) {
            const double t = i / 64.0, s = 1 - t;
            w->add(s * s * w->at.x + 2 * s * t * c->x + t * t * to->x, s * s * w->at.y + 2 * s * t * c->y + t * t * to->y);
        }
        w->at = *to;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector*, void*) { return 1; };  // none in TrueType

    // The distance from p to the closed polyline through `loop`.
    auto distance = [](const ofPoint& p, const Points& loop) {
        float best = INFINITY;
        for (size_t i = 0; i < loop.size(); i++) {
            const ofPoint &a = loop[i], &b = loop[(i + 1) % loop.size()];
            float ux = b.x - a.x, uy = b.y - a.y, wx = p.x - a.x, wy = p.y - a.y, len2 = ux * ux + uy * uy;
            float t = len2 > 0 ? std::clamp((wx * ux + wy * uy) / len2, 0.0f, 1.0f) : 0;
            best = std::min(best, std::hypot(wx - t * ux, wy - t * uy));
        }
        return best;
    };
    Font font(DEJAVU, 40, true, false, true);
    for (char c : std::string("IOoSg@8&%")) {
        SCOPED_TRACE(std::string(1, c));
        ASSERT_FALSE(FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_DEFAULT));
        Walk walk{};
        ASSERT_EQ(FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk), 0);
        FT_BBox box;
        FT_Outline_Get_BBox(&face->glyph->outline, &box);
        const ofRectangle inside(box.xMin / 64.0f, -box.yMax / 64.0f, (box.xMax - box.xMin) / 64.0f,
                                 (box.yMax - box.yMin) / 64.0f);
        ofGlyphOutline o = font.getCharacterAsPoints(c);
        ASSERT_EQ(o.size(), walk.contours.size());
        for (size_t k = 0; k < o.size(); k++) {
            EXPECT_GE(o[k].size(), 3u) << "contour " << k;
            float outlineOff = 0, contourOff = 0;
            for (const ofPoint& p : walk.contours[k]) outlineOff = std::max(outlineOff, distance(p, o[k]));
            for (const ofPoint& p : o[k]) contourOff = std::max(contourOff, distance(p, walk.contours[k]));
            EXPECT_LT(outlineOff, 0.33f) << "contour " << k;
            EXPECT_LT(contourOff, 0.03f) << "contour " << k;
            const ofRectangle got = bounds(o[k]);
            EXPECT_TRUE(got.x >= inside.x - 1e-3f && got.y >= inside.y - 1e-3f &&
                        got.x + got.width <= inside.x + inside.width + 1e-3f &&
                        got.y + got.height <= inside.y + inside.height + 1e-3f)
                << "contour " << k << " spans " << got.x << ", " << got.y << ", " << got.width << " x " << got.height;
        }
    }
    FT_Done_FreeType(lib);
}

// A hand-made outline: points in pixels, y upwards, tagged 0 conic, 1 on the curve, 2 cubic.
ofGlyphOutline walk(std::vector<FT_Vector> at, std::string tags, std::vector<short> ends) {
    for (FT_Vector& p : at) p.x *= 64, p.y *= 64;
    for (char& tag : tags) tag -= '0';
    return makeContoursForCharacter({short(ends.size()), short(at.size()), at.data(), tags.data(), ends.data(), 0});
}

TEST(GlyphWalk, CurvesStartWhereTheContourSaysAndAreSampledEvenly) {
    // Opening on a control point after an on-curve last point, the curve
    // starts at that point; of its samples only the middle (t = 1/2) strays.
    ofGlyphOutline r = walk({{10, 12}, {12, 12}, {10, 10}}, "011", {2});
    expectNear(flat(r.at(0)), flat(Points{{10, -10}, {10.5f, -11.5f}, {12, -12}, {10, -10}}));
    // After a control point, the curve starts and ends at their midpoint.
    r = walk({{0, 128}, {128, 128}, {128, 0}, {0, 0}}, "0110", {3});
    expectNear(flat(Points{r.at(0).front(), r[0].back()}), flat(Points{{0, -64}, {0, -64}}));
    // A cubic arch: its ends and six inner samples at t = i / 7, the fourth
    // point at t = 3/7 on the curve (64 t^2 (3 - 2t), 192 t (1 - t)) upwards.
    const std::vector<FT_Vector> arch = {{0, 0}, {0, 64}, {64, 64}, {64, 0}};
    r = walk(arch, "1221", {3});
    ASSERT_EQ(r.at(0).size(), 8u);
    expectNear(flat(Points{r[0][3], r[0][7]}), flat(Points{{8640.0f / 343, -2304.0f / 49}, {64, 0}}));
    // Contour ends that fall or point past the points stop the walk there.
    EXPECT_EQ(walk(arch, "1221", {3, 2, 3}).size(), 1u);
    EXPECT_EQ(walk(arch, "1221", {1, 40}).size(), 1u);
}

TEST(Simplifier, KeepsWhatStraysFromTheLineAndSettlesTiesAsTheRulesSay) {
    const std::tuple<const char*, float, Points, Points> cases[] = {
        {"a straight run keeps its ends", 0.3f, {{0, 0}, {2, 1}, {4, 2}, {6, 3}, {20, 10}}, {{0, 0}, {20, 10}}},
        // (0, 0.4) is near its neighbour but not near the last point kept.
        {"near the last kept goes", 0.3f, {{0, 0}, {0, 0.2f}, {0, 0.4f}, {5, 0.4f}}, {{0, 0}, {0, 0.4f}, {5, 0.4f}}},
        // (1.1, 5) is near the kept (1, 5); the last point stays though near (2, 0).
        {"the last stays", 0.3f, {{0, 0}, {1, 5}, {1.1f, 5}, {2, 0}, {2, 0.2f}}, {{0, 0}, {1, 5}, {2, 0.2f}}},
        // (8, 0.75) lies exactly the tolerance from (8, 0.25): kept, it is the point that strays.
        {"at the tolerance it stays", 0.5f, {{0, 0}, {8, 0.25f}, {8, 0.75f}, {16, 0}}, {{0, 0}, {8, 0.75f}, {16, 0}}},
        {"the first farthest wins", 0.5f, {{0, 0}, {4, 1}, {5, 1}, {12, 0}}, {{0, 0}, {4, 1}, {12, 0}}},
        {"a point exactly the tolerance off the line goes", 0.5f, {{0, 0}, {4, 0.5f}, {8, 0}}, {{0, 0}, {8, 0}}},
        {"distances count depth", 0.5f, {{0, 0}, {4, 0, 0.6f}, {8, 0}}, {{0, 0}, {4, 0, 0.6f}, {8, 0}}},
        {"a single point", 0.3f, {{3, 4}}, {{3, 4}}},
        {"nothing", 0.3f, {}, {}},
    };
    for (const auto& [what, tolerance, contour, want] : cases)
        expectNear(flat(simplifyPolyline(contour, tolerance)), flat(want), 1e-3f, what);
}
