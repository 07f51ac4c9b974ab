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

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
const int W = 800, H = 600;
const char* DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct FontProbe : ofTrueTypeFont {
    using ofTrueTypeFont::bMakeContours;
    using ofTrueTypeFont::drawChar;
    using ofTrueTypeFont::glyphs;
    using ofTrueTypeFont::lineHeight;
    using ofTrueTypeFont::textureNames;
    const ofGlyphRecord& glyph(unsigned char c) { return glyphs[c - 33]; }
};

int nextPow2(int a) {
    int p = 1;
    while (p < a) p *= 2;
    return p;
}

// FreeType's own rendering of one character, for comparison.
struct Reference {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    Reference(int size) {
        FT_Init_FreeType(&lib);
        FT_New_Face(lib, DEJAVU, 0, &face);
        FT_Set_Char_Size(face, size * 64, size * 64, 96, 96);
    }
    ~Reference() {
        FT_Done_Face(face);
        FT_Done_FreeType(lib);
    }
    FT_GlyphSlot render(int code, bool antiAliased) {
        FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_DEFAULT);
        FT_Render_Glyph(face->glyph, antiAliased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO);
        return face->glyph;
    }
};

// Luminance and alpha bytes of a glyph texture, with its size.
struct Texels {
    int w = 0, h = 0;
    std::vector<unsigned char> la;
    int alpha(int x, int y) const { return la[(y * w + x) * 2 + 1]; }
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

class FontTest : public ::testing::Test {
protected:
    static std::string dir;
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        dir = testpaths::makeScratchDir("font");
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(system(("mkdir -p data && cp " + std::string(DEJAVU) + " data/dejavu.ttf").c_str()), 0);
        std::ofstream("data/garbage.ttf") << "not a font at all\n";
        std::ofstream("data/empty.ttf");
    }
    static void TearDownTestSuite() {
        if (chdir("/") == 0) system(("rm -rf '" + dir + "'").c_str());
    }
    void SetUp() override {
        pixelscreen::set(W, H);
        glColor4f(1, 1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};
std::string FontTest::dir;

// The reporting statement's line must be the one the message names.
void expectNamesItsOwnLine(const std::string& log, const std::string& message) {
    std::smatch m;
    std::regex re("OF_ERROR: Error : font not allocated -- line ([0-9]+) in (.*ofTrueTypeFont\\.cpp)\n");
    ASSERT_TRUE(std::regex_match(log, m, re)) << log;
    std::ifstream src(m[2].str());
    ASSERT_TRUE(src.good()) << "the message names a readable source file: " << m[2];
    std::string line;
    for (int i = 0; i < std::stoi(m[1].str()); i++) std::getline(src, line);
    EXPECT_NE(line.find(message), std::string::npos) << "line " << m[1] << " is: " << line;
}

int litPixels(int x0, int y0, int x1, int y1) {
    std::vector<unsigned char> px(W * H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(H, y1); y++)
        for (int x = std::max(0, x0); x < std::min(W, x1); x++)
            if (px[((H - 1 - y) * W + x) * 3] > 0) n++;
    return n;
}
}  // namespace

TEST_F(FontTest, MissingOrBrokenFontsStayUnloaded) {
    for (const char* name : {"missing.ttf", "garbage.ttf", "empty.ttf"}) {
        SCOPED_TRACE(name);
        FontProbe font;
        CaptureStdout load;
        font.loadFont(name, 12);
        EXPECT_EQ(load.finish(), "");
        EXPECT_FALSE(font.bLoadedOk);

        CaptureStdout draw;
        font.drawString("abc", 10, 10);
        expectNamesItsOwnLine(draw.finish(), "font not allocated");
        CaptureStdout drawChar;
        font.drawChar(3);
        expectNamesItsOwnLine(drawChar.finish(), "font not allocated");
        EXPECT_EQ(litPixels(0, 0, W, H), 0);

        ofRectangle box = font.getStringBoundingBox("abc", 5, 5);
        EXPECT_EQ(box.x, 0);
        EXPECT_EQ(box.y, 0);
        EXPECT_EQ(box.width, 0);
        EXPECT_EQ(box.height, 0);
        EXPECT_EQ(font.stringWidth("abc"), 0);
        EXPECT_EQ(font.stringHeight("abc"), 0);
    }

    // A failed reload releases the first load and measures nothing.
    FontProbe font;
    font.loadFont("dejavu.ttf", 12);
    ASSERT_TRUE(font.bLoadedOk);
    EXPECT_FALSE(font.bMakeContours);
    std::vector<unsigned int> first = font.textureNames;
    ASSERT_TRUE(glIsTexture(first[0]));
    font.loadFont("missing.ttf", 12, true, false, true);
    EXPECT_FALSE(font.bLoadedOk);
    EXPECT_TRUE(font.bMakeContours) << "the second call's setting holds even though it failed";
    for (unsigned int name : first) EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(font.stringWidth("abc"), 0);
}

TEST_F(FontTest, GlyphRecordsAndTexturesOfTheFullSet) {
    for (bool antiAliased : {true, false}) {
        SCOPED_TRACE(antiAliased ? "anti-aliased" : "monochrome");
        FontProbe font;
        font.loadFont("dejavu.ttf", 28, antiAliased, true, false);
        ASSERT_TRUE(font.bLoadedOk);
        ASSERT_EQ(font.nCharacters, 256);
        ASSERT_EQ(font.glyphs.size(), 256u);
        EXPECT_FLOAT_EQ(font.getLineHeight(), 40.04f);

        Reference ref(28);
        for (int i = 0; i < 256; i++) {
            SCOPED_TRACE("glyph " + std::to_string(i));
            int code = (i + 33) % 256;  // the last 33 glyphs hold codes 0 to 32
            FT_GlyphSlot slot = ref.render(code, antiAliased);
            const ofGlyphRecord& g = font.glyphs[i];
            EXPECT_EQ(g.index, i);
            EXPECT_EQ(g.width, int(slot->bitmap.width));
            EXPECT_EQ(g.rows, int(slot->bitmap.rows));
            EXPECT_EQ(g.top, slot->bitmap_top);
            EXPECT_EQ(g.left, slot->bitmap_left);
            EXPECT_EQ(g.advance, int(slot->advance.x >> 6));
            int tw = nextPow2(g.width + 6), th = nextPow2(g.rows + 6);
            EXPECT_FLOAT_EQ(g.texX, 1.0f / tw);
            EXPECT_FLOAT_EQ(g.texY, 1.0f / th);
            EXPECT_FLOAT_EQ(g.texW, float(g.width + 4) / tw);
            EXPECT_FLOAT_EQ(g.texH, float(g.rows + 4) / th);

            Texels t = readTexture(font.textureNames[i]);
            ASSERT_EQ(t.w, tw);
            ASSERT_EQ(t.h, th);
            // White everywhere; the glyph in alpha, anti-aliased glyphs at
            // the border, monochrome ones one texel in from the corner.
            int offset = antiAliased ? 3 : 1;
            int mismatches = 0;
            for (int y = 0; y < th; y++)
                for (int x = 0; x < tw; x++) {
                    int bx = x - offset, by = y - offset, want = 0;
                    if (bx >= 0 && by >= 0 && bx < g.width && by < g.rows) {
                        const unsigned char* row = slot->bitmap.buffer + by * slot->bitmap.pitch;
                        want = antiAliased ? row[bx] : ((row[bx / 8] >> (7 - bx % 8)) & 1) * 255;
                    }
                    if (t.la[(y * tw + x) * 2] != 255 || t.alpha(x, y) != want) mismatches++;
                }
            EXPECT_EQ(mismatches, 0);
        }
        // The blank of the full set has an empty bitmap and an 8 x 8 texture.
        if (antiAliased) {
            EXPECT_EQ(font.glyphs[255].width, 0);
            EXPECT_EQ(readTexture(font.textureNames[255]).w, 8);
        }
        GLint filter = 0, wrap = 0;
        glBindTexture(GL_TEXTURE_2D, font.textureNames[10]);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(filter, antiAliased ? GL_LINEAR : GL_NEAREST);
        EXPECT_EQ(wrap, GL_CLAMP);
    }

    FontProbe small;
    small.loadFont("dejavu.ttf", 20);
    EXPECT_EQ(small.nCharacters, 95);
    EXPECT_EQ(small.textureNames.size(), 95u);
    EXPECT_FLOAT_EQ(small.getLineHeight(), 28.6f);
}

TEST_F(FontTest, AGlyphOf20By26GetsA32By32Texture) {
    FontProbe font;
    font.loadFont("dejavu.ttf", 26);
    const ofGlyphRecord& h = font.glyph('H');
    ASSERT_EQ(h.width, 20) << "DejaVu Sans 'H' at 26 points is 20 x 26";
    ASSERT_EQ(h.rows, 26);
    EXPECT_FLOAT_EQ(h.texX, 1.0f / 32);
    EXPECT_FLOAT_EQ(h.texY, 1.0f / 32);
    EXPECT_FLOAT_EQ(h.texW, 24.0f / 32);
    EXPECT_FLOAT_EQ(h.texH, 30.0f / 32);
    Texels t = readTexture(font.textureNames['H' - 33]);
    EXPECT_EQ(t.w, 32);
    EXPECT_EQ(t.h, 32);
}

TEST_F(FontTest, MeasuringWalksTheStringLikeDrawing) {
    FontProbe font;
    font.loadFont("dejavu.ttf", 28, true, false, false);
    const ofGlyphRecord &i = font.glyph('i'), &a = font.glyph('A'), &b = font.glyph('B'), &p = font.glyph('p');

    ofRectangle box = font.getStringBoundingBox("i", 100, 200);
    EXPECT_EQ(box.x, 100 + i.left);
    EXPECT_EQ(box.y, 200 - i.top);
    EXPECT_EQ(box.width, i.width + 4);
    EXPECT_EQ(box.height, i.rows + 4);

    box = font.getStringBoundingBox(" ", 5, 5);
    EXPECT_EQ(box.x, -1);
    EXPECT_EQ(box.y, -1);
    EXPECT_EQ(box.width, 0);
    EXPECT_EQ(box.height, 0);
    EXPECT_EQ(font.stringWidth(""), 0);
    EXPECT_EQ(font.stringHeight(""), 0);

    // Two line breaks: B two whole-pixel line heights (40, not 40.04) down.
    box = font.getStringBoundingBox("A\n\nB", 0, 0);
    EXPECT_EQ(box.y, -a.top);
    EXPECT_EQ(box.y + box.height, 80 + b.rows - b.top + 4);
    EXPECT_EQ(box.x, std::min(a.left, b.left));

    // A blank advances by the bitmap width of 'p'; trailing blanks add nothing,
    // leading ones move the box.
    box = font.getStringBoundingBox("A B", 0, 0);
    EXPECT_EQ(box.x + box.width, a.advance + p.width + b.left + b.width + 4);
    EXPECT_EQ(font.stringWidth("A B  "), font.stringWidth("A B"));
    EXPECT_EQ(font.getStringBoundingBox("  A", 0, 0).x, 2 * p.width + a.left);

    // Bytes beyond the 95-glyph set and control bytes are skipped.
    EXPECT_EQ(font.stringWidth("A\xC8\t\x01"), font.stringWidth("A"));
    FontProbe full;
    full.loadFont("dejavu.ttf", 28, true, true, false);
    const ofGlyphRecord& e = full.glyph(0xC8);
    EXPECT_EQ(full.stringWidth("\xC8"), e.width + 4);
    EXPECT_EQ(full.stringWidth("\t\x1F"), 0);
}

TEST_F(FontTest, DrawnGlyphsLandInTheirQuads) {
    FontProbe font;
    font.loadFont("dejavu.ttf", 28, true, false, false);
    const ofGlyphRecord &a = font.glyph('A'), &b = font.glyph('B');
    glEnable(GL_TEXTURE_2D);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);

    font.drawString("A\nB", 10, 50);

    // A on the first baseline at x 10; B on the next, lineHeight down, back at x 10.
    int ax0 = 10 + a.left, ay0 = 50 - a.top;
    int bx0 = 10 + b.left, by0 = int(50 + 40.04f) - b.top;
    int inA = litPixels(ax0, ay0, ax0 + a.width + 4, ay0 + a.rows + 4);
    int inB = litPixels(bx0, by0 + 1, bx0 + b.width + 4, by0 + b.rows + 5);
    EXPECT_GT(inA, a.width * a.rows / 5);
    EXPECT_GT(inB, b.width * b.rows / 5);
    EXPECT_EQ(litPixels(0, 0, W, H), inA + inB) << "nothing drawn outside the two quads";

    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "texturing is left off";
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending is restored";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int k = 0; k < 16; k++) EXPECT_EQ(after[k], before[k]);

    // The text takes the current colour.
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(0, 1, 0, 1);
    font.drawString("B", 10, 50);
    glColor4f(1, 1, 1, 1);
    EXPECT_EQ(litPixels(0, 0, W, H), 0) << "no red in green text";

    // A glyph whose texture is gone is reported; the pen still moves on.
    glClear(GL_COLOR_BUFFER_BIT);
    glDeleteTextures(1, &font.textureNames['A' - 33]);
    CaptureStdout out;
    font.drawString("AB", 10, 50);
    std::string log = out.finish();
    EXPECT_TRUE(std::regex_match(
        log, std::regex("OF_WARNING:  texture not bound for character -- line [0-9]+ in .*ofTrueTypeFont\\.cpp\n")))
        << log;
    int bx = 10 + a.advance + b.left;
    EXPECT_EQ(litPixels(0, 0, bx, H), 0);
    EXPECT_GT(litPixels(bx, 50 - b.top, bx + b.width + 4, 50 - b.top + b.rows + 4), 0);
}
