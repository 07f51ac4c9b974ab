// ofTrueTypeFont with a DejaVu font: glyph records and textures checked
// against FreeType's own rendering, strings measured and drawn (pixels read
// back), and fonts that are missing, broken or reloaded.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "PixelScreen.h"
#include "TestPaths.h"
#include "ofGLHeaders.h"
#include "ofTrueTypeFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
const int W = 800, H = 600;
const char* DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Font : ofTrueTypeFont {
    using ofTrueTypeFont::bMakeContours;
    using ofTrueTypeFont::drawChar;
    using ofTrueTypeFont::glyphs;
    using ofTrueTypeFont::textureNames;
    const ofGlyphRecord& glyph(unsigned char c) { return glyphs[c - 33]; }
};

// Counts pixels with any red in a box of framework coordinates.
int lit(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(H, y1); y++)
        for (int x = std::max(0, x0); x < std::min(W, x1); x++) n += frameworkwindow::pixel(x, y).r > 0;
    return n;
}

// A glyph texture's size and luminance-alpha texels.
struct Texels {
    GLint w = 0, h = 0;
    std::vector<unsigned char> la;
};
Texels readTexture(unsigned int name) {
    Texels t;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.h);
    t.la.resize(size_t(t.w) * t.h * 2);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, t.la.data());
    return t;
}

// A bitmap-only font: FreeType hands over its 1-bit glyphs (16 x 12, rows
// 0FF0 then F00F twice, over and over) whatever rendering was asked for.
void writeBitmapFont(const char* path) {
    std::ofstream f(path);
    f << "STARTFONT 2.1\nFONT -test-blocky-medium-r-normal--16-120-96-96-c-170-iso8859-1\nSIZE 12 96 96\n"
         "FONTBOUNDINGBOX 16 12 0 0\nSTARTPROPERTIES 3\nPIXEL_SIZE 16\nFONT_ASCENT 14\nFONT_DESCENT 2\n"
         "ENDPROPERTIES\nCHARS 95\n";
    for (int code = 33; code < 128; code++) {
        f << "STARTCHAR c" << code << "\nENCODING " << code << "\nSWIDTH 750 0\nDWIDTH 17 0\nBBX 16 12 0 0\nBITMAP\n";
        for (int y = 0; y < 12; y++) f << (y % 3 ? "F00F\n" : "0FF0\n");
        f << "ENDCHAR\n";
    }
    f << "ENDFONT\n";
}

// The message must name the very line of the source file that reports it.
void expectNamesItsOwnLine(const std::string& log, const char* level, const std::string& text) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(log, m, std::regex(std::string(level) + ": (.*) -- line ([0-9]+) in (.*)\n"))) << log;
    EXPECT_EQ(m[1].str(), text);
    std::ifstream src(m[3].str());
    std::string line;
    for (int i = std::stoi(m[2].str()); i > 0 && std::getline(src, line);) i--;
    EXPECT_NE(line.find(text.substr(1, 12)), std::string::npos) << m[3] << ":" << m[2] << " is: " << line;
}

class FontTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        static ScratchDir folder("font");
        ASSERT_EQ(chdir(folder.path().c_str()), 0);
        ASSERT_EQ(system(("mkdir data && cp " + std::string(DEJAVU) + " data/dejavu.ttf").c_str()), 0);
        std::ofstream("data/garbage.ttf") << "not a font at all\n";
        writeBitmapFont("data/blocky.bdf");
    }
    void SetUp() override {
        pixelscreen::set(W, H);
        glColor4f(1, 1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};
}  // namespace

TEST_F(FontTest, MissingBrokenAndReloadedFonts) {
    for (const char* name : {"missing.ttf", "garbage.ttf"}) {
        SCOPED_TRACE(name);
        Font font;
        CaptureStdout load;
        font.loadFont(name, 12);
        EXPECT_EQ(load.finish(), "");
        EXPECT_FALSE(font.bLoadedOk);
        for (int call = 0; call < 2; call++) {
            CaptureStdout draw;
            call ? font.drawChar(3) : font.drawString("abc", 10, 10);
            expectNamesItsOwnLine(draw.finish(), "OF_ERROR", "Error : font not allocated");
        }
        ofRectangle box = font.getStringBoundingBox("abc", 5, 5);
        EXPECT_EQ(box.x + box.y + box.width + box.height, 0) << "an unloaded font measures an empty box";
        EXPECT_EQ(font.stringHeight("abc"), 0);
    }
    EXPECT_EQ(lit(0, 0, 100, 50), 0);

    // A failed reload releases the first load; its own contours setting holds.
    Font font;
    font.loadFont("dejavu.ttf", 12);
    std::vector<unsigned int> first = font.textureNames;
    ASSERT_TRUE(font.bLoadedOk && glIsTexture(first[0]));
    font.loadFont("missing.ttf", 12, true, false, true);
    EXPECT_FALSE(font.bLoadedOk);
    EXPECT_TRUE(font.bMakeContours);
    for (unsigned int name : first) EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(font.stringWidth("abc"), 0);
}

TEST_F(FontTest, GlyphRecordsAndTexturesMatchTheRasteriser) {
    FT_Library lib;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&lib) || FT_New_Face(lib, DEJAVU, 0, &face), 0);
    FT_Set_Char_Size(face, 28 * 64, 28 * 64, 96, 96);
    for (bool aa : {true, false}) {
        SCOPED_TRACE(aa ? "anti-aliased" : "monochrome");
        Font font;
        font.loadFont("dejavu.ttf", 28, aa, true, false);
        ASSERT_EQ(font.glyphs.size(), 256u);
        EXPECT_FLOAT_EQ(font.getLineHeight(), 40.04f);
        for (int i = 0; i < 256; i++) {
            SCOPED_TRACE("glyph " + std::to_string(i));
            // The last 33 glyphs hold codes 0 to 32.
            FT_Load_Glyph(face, FT_Get_Char_Index(face, (i + 33) % 256), FT_LOAD_DEFAULT);
            FT_Render_Glyph(face->glyph, aa ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO);
            const FT_Bitmap& bm = face->glyph->bitmap;
            const ofGlyphRecord& g = font.glyphs[i];
            EXPECT_EQ((std::vector<int>{g.index, g.width, g.rows, g.top, g.left, g.advance}),
                      (std::vector<int>{i, int(bm.width), int(bm.rows), face->glyph->bitmap_top,
                                        face->glyph->bitmap_left, int(face->glyph->advance.x >> 6)}));
            Texels t = readTexture(font.textureNames[i]);
            int tw = t.w, th = t.h;
            ASSERT_TRUE(tw >= g.width + 6 && tw < 2 * (g.width + 6) && (tw & (tw - 1)) == 0) << tw;
            ASSERT_TRUE(th >= g.rows + 6 && th < 2 * (g.rows + 6) && (th & (th - 1)) == 0) << th;
            EXPECT_FLOAT_EQ(g.texX, 1.0f / tw);
            EXPECT_FLOAT_EQ(g.texH, float(g.rows + 4) / th);
            // White everywhere, the glyph in alpha: anti-aliased at the
            // border, monochrome one texel in from the corner.
            int off = aa ? 3 : 1, wrong = 0;
            for (int y = 0; y < th; y++)
                for (int x = 0; x < tw; x++) {
                    int bx = x - off, by = y - off, want = 0;
                    if (bx >= 0 && by >= 0 && bx < g.width && by < g.rows) {
                        const unsigned char* row = bm.buffer + by * bm.pitch;
                        want = aa ? row[bx] : ((row[bx / 8] >> (7 - bx % 8)) & 1) * 255;
                    }
                    wrong += t.la[(y * tw + x) * 2] != 255 || t.la[(y * tw + x) * 2 + 1] != want;
                }
            EXPECT_EQ(wrong, 0);
            if (aa && i == 255) {
                EXPECT_EQ(tw * 100 + g.width, 800) << "the blank: empty bitmap, 8 x 8 texture";
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    Font h;
    h.loadFont("dejavu.ttf", 26);
    EXPECT_EQ(h.nCharacters, 95);
    const ofGlyphRecord& g = h.glyph('H');
    ASSERT_EQ(g.width * 100 + g.rows, 2026) << "DejaVu Sans 'H' at 26 points is 20 x 26";
    EXPECT_EQ((std::vector<float>{g.texX, g.texY, g.texW, g.texH}),
              (std::vector<float>{1.0f / 32, 1.0f / 32, 24.0f / 32, 30.0f / 32}));
}

TEST_F(FontTest, OneBitGlyphsOfBitmapFontsAreReadAsBits) {
    Font font;
    font.loadFont("blocky.bdf", 12);  // anti-aliased, yet the glyphs come as bits
    ASSERT_TRUE(font.bLoadedOk);
    const ofGlyphRecord& g = font.glyph('A');
    ASSERT_EQ(g.width * 100 + g.rows, 1612);
    Texels t = readTexture(font.textureNames['A' - 33]);
    int wrong = 0;
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 16; x++) {
            bool set = (y % 3 == 0) == (x >= 4 && x < 12);
            wrong += t.la[((y + 3) * t.w + x + 3) * 2 + 1] != (set ? 255 : 0);
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(FontTest, MeasuringWalksTheStringAsDrawingDoes) {
    Font font, full;
    font.loadFont("dejavu.ttf", 28);
    full.loadFont("dejavu.ttf", 28, true, true, false);
    const ofGlyphRecord &i = font.glyph('i'), &a = font.glyph('A'), &b = font.glyph('B'), &p = font.glyph('p');
    ofRectangle box = font.getStringBoundingBox("i", 100, 200);
    EXPECT_EQ((std::vector<float>{box.x, box.y, box.width, box.height}),
              (std::vector<float>{100.0f + i.left, 200.0f - i.top, i.width + 4.0f, i.rows + 4.0f}));
    box = font.getStringBoundingBox(" \n", 5, 5);
    EXPECT_EQ((std::vector<float>{box.x, box.y, box.width, box.height}), (std::vector<float>{-1, -1, 0, 0}));
    EXPECT_EQ(font.stringWidth("") + font.stringHeight(""), 0);
    // Line breaks step down whole pixels (40, not 40.04).
    box = font.getStringBoundingBox("A\n\nB", 0, 0);
    EXPECT_EQ(box.y + box.height, 80 + b.rows - b.top + 4);
    // A line height beyond int measures as it is; a NaN one moves no glyph.
    font.setLineHeight(1e10f);
    EXPECT_FLOAT_EQ(font.getStringBoundingBox("A\nB", 0, 0).height, 1e10f);
    font.setLineHeight(NAN);
    box = font.getStringBoundingBox("A\nB", 0, 0);
    EXPECT_EQ((std::vector<float>{box.y, box.height}), (std::vector<float>{float(-a.top), a.rows + 4.0f}));
    font.setLineHeight(40.04f);
    // A blank is as wide as the bitmap of 'p'; trailing ones add nothing.
    box = font.getStringBoundingBox("  A B  ", 0, 0);
    EXPECT_EQ(box.x, 2 * p.width + a.left);
    EXPECT_EQ(box.x + box.width, 2 * p.width + a.advance + p.width + b.left + b.width + 4);
    // Control bytes are skipped; bytes above 127 only exist in the full set.
    EXPECT_EQ(font.stringWidth("A\xC8\t\x01"), font.stringWidth("A"));
    EXPECT_EQ(full.stringWidth("\t\xC8"), full.glyph(0xC8).width + 4);
}

TEST_F(FontTest, DrawnGlyphsLandInTheirQuads) {
    Font font;
    font.loadFont("dejavu.ttf", 28);
    const ofGlyphRecord &a = font.glyph('A'), &b = font.glyph('B');
    glEnable(GL_TEXTURE_2D);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    font.drawString("A\nB", 10, 50);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    font.drawChar(-1);
    font.drawChar(95);
    // B on the next line, 40.04 down, back at x 10.
    int ax = 10 + a.left, ay = 50 - a.top, bx = 10 + b.left, by = 90 - b.top;
    int inA = lit(ax, ay, ax + a.width + 4, ay + a.rows + 4), inB = lit(bx, by, bx + b.width + 4, by + b.rows + 5);
    EXPECT_GT(inA, a.width * a.rows / 5);
    EXPECT_GT(inB, b.width * b.rows / 5);
    EXPECT_EQ(lit(0, 0, 200, 200), inA + inB) << "nothing outside the two quads";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_TRUE(std::equal(before, before + 16, after));

    // A glyph whose texture is gone is reported, and the pen moves on.
    glClear(GL_COLOR_BUFFER_BIT);
    glDeleteTextures(1, &font.textureNames['A' - 33]);
    CaptureStdout out;
    font.drawString("AB", 10, 50);
    expectNamesItsOwnLine(out.finish(), "OF_WARNING", " texture not bound for character");
    int bx2 = 10 + a.advance + b.left;
    EXPECT_EQ(lit(0, 0, bx2, 100), 0);
    EXPECT_GT(lit(bx2, 50 - b.top, bx2 + b.width + 4, 54 - b.top + b.rows), 0);
}
