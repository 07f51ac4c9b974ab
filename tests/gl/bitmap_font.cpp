// The built-in bitmap font: the glyph table's layout on the 8 x 14 grid, and
// strings drawn into the back buffer, glyph by glyph, at the pen positions
// and line offsets the font promises.
#include "FrameworkWindow.h"
#include "PixelScreen.h"
#include "ofBitmapFont.h"
#include "ofBitmapFontGlyphs.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
const int W = 800, H = 600;

// Which pixels of the window are lit, top-down in framework coordinates.
struct Lit {
    std::vector<unsigned char> rgb = std::vector<unsigned char>(size_t(W) * H * 3);
    bool at(int x, int y) const {
        if (x < 0 || y < 0 || x >= W || y >= H) return false;
        return rgb[(size_t(H - 1 - y) * W + x) * 3] > 128;
    }
    int count() const {
        int n = 0;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) n += at(x, y);
        return n;
    }
};

Lit draw(const std::string& text, float x, float y) {
    pixelscreen::set(W, H);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ofSetColor(255, 255, 255);
    ofDrawBitmapString(text, x, y);
    Lit lit;
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, lit.rgb.data());
    return lit;
}

int inkOf(int code) {
    int n = 0;
    for (int k = 1; k <= 14; k++) n += __builtin_popcount(glyphTable[code][k]);
    return n;
}

// The glyph's cell with its baseline at y and its left edge at x: its
// fourth row from the bottom is the pixel row just above the baseline.
void expectGlyph(const Lit& lit, int code, int x, int baseline) {
    SCOPED_TRACE("glyph " + std::to_string(code) + " at " + std::to_string(x) + "," + std::to_string(baseline));
    const unsigned char* glyph = glyphTable[code];
    int wrong = 0;
    for (int k = 0; k < 14; k++) {
        for (int b = 0; b < 8; b++) {
            bool ink = (glyph[1 + k] >> (7 - b)) & 1;
            if (lit.at(x + b, baseline + 2 - k) != ink) wrong++;
        }
    }
    EXPECT_EQ(wrong, 0);
}

class BitmapFont : public ::testing::Test {
protected:
    void SetUp() override { frameworkwindow::ensure(); }
};
}  // namespace

TEST(BitmapFontGlyphs, SitOnTheGridWithABlankBottomRowAndThreeRowsBelowTheBaseline) {
    for (int c = 0; c < 256; c++) {
        SCOPED_TRACE(c);
        EXPECT_EQ(glyphTable[c][0], 8);
        EXPECT_EQ(glyphTable[c][1], 0) << "bottom row";
    }
    for (int c = 33; c <= 126; c++) EXPECT_GT(inkOf(c), 0) << c;
    for (int c : {32, 127, 140, 159, 160}) EXPECT_EQ(inkOf(c), 0) << c;
    EXPECT_EQ(glyphTable[32], glyphTable[127]);
    EXPECT_EQ(glyphTable[127], glyphTable[159]);
    std::string sitOnBaseline = "ABCHXZ0123456789";
    for (char c : sitOnBaseline) {
        const unsigned char* g = glyphTable[int(c)];
        EXPECT_EQ(g[2] | g[3], 0) << c << " reaches below the baseline";
        EXPECT_NE(g[4], 0) << c << " does not stand on the baseline";
    }
    for (char c : std::string("gjpqy")) EXPECT_NE(glyphTable[int(c)][2], 0) << c << " has no descender";
}

TEST_F(BitmapFont, DrawsEachGlyphAtItsPenPositionAndBreaksLines) {
    Lit lit = draw("AB\nC", 10, 20);
    expectGlyph(lit, 'A', 10, 20);
    expectGlyph(lit, 'B', 18, 20);
    expectGlyph(lit, 'C', 10, 33);
    EXPECT_EQ(lit.count(), inkOf('A') + inkOf('B') + inkOf('C')) << "ink outside the three cells";
    // Capitals stand on the row just above the baseline.
    bool onBaseline = false;
    for (int x = 10; x < 18; x++) onBaseline |= lit.at(x, 19);
    EXPECT_TRUE(onBaseline);
    for (int x = 10; x < 26; x++) EXPECT_FALSE(lit.at(x, 20)) << x;
}

TEST_F(BitmapFont, LineOffsetsAccumulateInTenthsAndAreCutToWholePixels) {
    const int starts[] = {0, 13, 27, 40, 54, 68, 81, 95, 108, 122, 136};
    std::string text;
    for (int k = 0; k < 11; k++) text += k ? "\nH" : "H";
    Lit lit = draw(text, 100, 50);
    for (int k = 0; k < 11; k++) expectGlyph(lit, 'H', 100, 50 + starts[k]);
    EXPECT_EQ(lit.count(), 11 * inkOf('H'));

    Lit skipped = draw("\n\n\nX", 40, 30);
    expectGlyph(skipped, 'X', 40, 70);
    EXPECT_EQ(skipped.count(), inkOf('X'));
}

TEST_F(BitmapFont, SkipsControlAndHighBytesWithoutAGapButAdvancesOverDelete) {
    Lit lit = draw(std::string("A\tB\xc8\x01" "C\x7f" "D\xa0" "E"), 10, 100);
    expectGlyph(lit, 'A', 10, 100);
    expectGlyph(lit, 'B', 18, 100);
    expectGlyph(lit, 'C', 26, 100);
    // 127 has an empty glyph that still moves the pen.
    expectGlyph(lit, 'D', 42, 100);
    expectGlyph(lit, 'E', 50, 100);
    EXPECT_EQ(lit.count(), inkOf('A') + inkOf('B') + inkOf('C') + inkOf('D') + inkOf('E'));
}

TEST_F(BitmapFont, EmptyStringOnlyPlacesTheRasterPosition) {
    Lit lit = draw("", 123, 45);
    EXPECT_EQ(lit.count(), 0);
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], 123);
    EXPECT_FLOAT_EQ(pos[1], H - 45);
}

TEST_F(BitmapFont, UsesItsOwnPixelStoreAndRestoresTheCallers) {
    glPixelStorei(GL_UNPACK_LSB_FIRST, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 5);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 2);
    Lit lit = draw("Rg", 200, 300);
    expectGlyph(lit, 'R', 200, 300);
    expectGlyph(lit, 'g', 208, 300);
    GLint lsbFirst, alignment, rowLength, skipRows;
    glGetIntegerv(GL_UNPACK_LSB_FIRST, &lsbFirst);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
    EXPECT_EQ(lsbFirst, 1);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 5);
    EXPECT_EQ(skipRows, 2);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
}
