#include "ofTrueTypeFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

#include "ofGLHeaders.h"
#include "ofGlyphContours.h"
#include "ofGraphics.h"
#include "ofLog.h"
#include "ofMath.h"
#include "ofUtils.h"

namespace {
// The coverage of bitmap pixel (x, y), 0 to 255. Rows are read at the
// bitmap's own pitch and by its own pixel mode: a font may carry embedded
// bitmaps that FreeType hands over as they are, whatever mode was asked for.
unsigned char coverage(const FT_Bitmap& bitmap, int x, int y) {
    const unsigned char* top = bitmap.buffer;
    if (bitmap.pitch < 0) top -= ptrdiff_t(bitmap.pitch) * (int(bitmap.rows) - 1);
    const unsigned char* row = top + ptrdiff_t(bitmap.pitch) * y;
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_GRAY: return row[x];
    case FT_PIXEL_MODE_MONO: return (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    default: return 0;
    }
}
}  // namespace

ofTrueTypeFont::ofTrueTypeFont() {}

ofTrueTypeFont::~ofTrueTypeFont() {
    if (bLoadedOk) unloadTextures();
}

void ofTrueTypeFont::unloadTextures() {
    for (unsigned int& name : textureNames) glDeleteTextures(1, &name);
    textureNames.clear();
    glyphs.clear();
}

void ofTrueTypeFont::loadFont(std::string filename, int fontsize) {
    loadFont(filename, fontsize, true, false, false);
}

void ofTrueTypeFont::loadFont(std::string filename, int fontsize, bool antiAliased, bool fullCharacterSet,
                              bool makeContours) {
    bMakeContours = makeContours;
    if (bLoadedOk) {
        unloadTextures();
        bLoadedOk = false;
    }
    filename = ofToDataPath(filename, false);
    bAntiAliased = antiAliased;
    bFullCharacterSet = fullCharacterSet;
    fontSize = fontsize;

    FT_Library library;
    if (FT_Init_FreeType(&library)) {
        ofLog(OF_ERROR, " PROBLEM WITH FT lib");
        return;
    }
    FT_Face face;
    if (FT_New_Face(library, filename.c_str(), 0, &face)) {
        FT_Done_FreeType(library);
        return;
    }
    FT_Set_Char_Size(face, FT_F26Dot6(fontsize) * 64, FT_F26Dot6(fontsize) * 64, 96, 96);
    lineHeight = fontsize * 1.43;

    nCharacters = bFullCharacterSet ? 256 : 95;
    glyphs.assign(nCharacters, ofGlyphRecord());
    textureNames.assign(nCharacters, 0);
    glGenTextures(nCharacters, textureNames.data());
    if (bMakeContours) charOutlines.assign(nCharacters, ofGlyphOutline());

    std::vector<unsigned char> texels;
    for (int i = 0; i < nCharacters; i++) {
        FT_UInt glyphIndex = FT_Get_Char_Index(face, (i + 33) % 256);
        bool glyphLoaded = FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT) == 0;
        if (!glyphLoaded) ofLog(OF_ERROR, "error with FT_Load_Glyph %i", i);
        // Fonts of bitmaps only have no outline to take contours from.
        if (bMakeContours && glyphLoaded && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            charOutlines[i] = makeContoursForCharacter(face->glyph->outline);
        }
        FT_Render_Glyph(face->glyph, bAntiAliased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO);
        border = 3;
        visibleBorder = 2;

        const FT_Bitmap& bitmap = face->glyph->bitmap;
        // A glyph too large to rasterise keeps its size but no buffer.
        bool hasBitmap = bitmap.buffer != nullptr;
        int width = hasBitmap ? bitmap.width : 0;
        int rows = hasBitmap ? bitmap.rows : 0;
        int texWidth = ofNextPow2(width + 2 * border);
        int texHeight = ofNextPow2(rows + 2 * border);

        ofGlyphRecord& g = glyphs[i];
        g.index = i;
        g.top = face->glyph->bitmap_top;
        g.width = width;
        g.advance = face->glyph->advance.x >> 6;
        g.rows = rows;
        g.left = face->glyph->bitmap_left;
        g.texW = float(width + 2 * visibleBorder) / texWidth;
        g.texH = float(rows + 2 * visibleBorder) / texHeight;
        g.texX = float(border - visibleBorder) / texWidth;
        g.texY = float(border - visibleBorder) / texHeight;

        // Luminance 255 everywhere and the glyph in alpha only, so the text
        // takes the current colour under the modulate mode.
        texels.assign(size_t(texWidth) * size_t(texHeight) * 2, 0);
        for (size_t t = 0; t < texels.size(); t += 2) texels[t] = 255;
        // Monochrome glyphs sit at (1, 1) rather than at the border.
        int offset = bAntiAliased ? border : 1;
        for (int y = 0; y < rows; y++) {
            for (int x = 0; x < width; x++) {
                size_t texel = size_t(offset + y) * texWidth + offset + x;
                texels[texel * 2 + 1] = coverage(bitmap, x, y);
            }
        }

        glBindTexture(GL_TEXTURE_2D, textureNames[i]);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        if (bAntiAliased) {
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        } else {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        }
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, texWidth, texHeight, 0, GL_LUMINANCE_ALPHA,
                     GL_UNSIGNED_BYTE, texels.data());
    }

    FT_Done_Face(face);
    FT_Done_FreeType(library);
    bLoadedOk = true;
}

template <typename Visit>
void ofTrueTypeFont::walkString(const std::string& s, float lineStep, Visit visit) {
    float X = 0, Y = 0;
    for (unsigned char c : s) {
        int index = int(c) - 33;
        if (c == '\n') {
            X = 0;
            Y += lineStep;
        } else if (c == ' ') {
            // The blank has no glyph: it is as wide as the bitmap of 'p'.
            X += glyphs['p' - 33].width;
        } else if (index >= 0 && index < nCharacters) {
            visit(index, X, Y);
            X += glyphs[index].advance;
        }
    }
}

void ofTrueTypeFont::drawChar(int c) {
    if (!bLoadedOk) {
        ofLog(OF_ERROR, "Error : font not allocated -- line %d in %s", __LINE__, __FILE__);
        return;
    }
    if (c < 0 || c >= nCharacters) return;
    if (!glIsTexture(textureNames[c])) {
        ofLog(OF_WARNING, " texture not bound for character -- line %d in %s", __LINE__, __FILE__);
        return;
    }
    const ofGlyphRecord& g = glyphs[c];
    float v = visibleBorder;
    float x1 = g.left, x2 = g.left + g.width + 2 * v;
    float y1 = -g.top, y2 = g.rows - g.top + 2 * v;
    float s1 = g.texX, s2 = g.texX + g.texW;
    float t1 = g.texY, t2 = g.texY + g.texH;
    const GLfloat texCoords[] = {s1, t1, s1, t2, s2, t2, s2, t1};
    const GLfloat verts[] = {x1, y1, x1, y2, x2, y2, x2, y1};

    glBindTexture(GL_TEXTURE_2D, textureNames[c]);
    glNormal3f(0, 0, 1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void ofTrueTypeFont::drawString(std::string s, float x, float y) {
    if (!bLoadedOk) {
        ofLog(OF_ERROR, "Error : font not allocated -- line %d in %s", __LINE__, __FILE__);
        return;
    }
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    glTranslatef(x, y, 0);
    // The pen moves by moving the matrix.
    float penX = 0, penY = 0;
    walkString(s, lineHeight, [&](int index, float X, float Y) {
        glTranslatef(X - penX, Y - penY, 0);
        penX = X;
        penY = Y;
        drawChar(index);
    });
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glPopAttrib();
}

ofRectangle ofTrueTypeFont::getStringBoundingBox(std::string s, float x, float y) {
    ofRectangle box(0, 0, 0, 0);
    // Without a load there are no glyph records to measure by.
    if (!bLoadedOk) return box;
    float minX = -1, minY = -1, maxX = -1, maxY = -1;
    bool first = true;
    float v = visibleBorder;
    // Measuring steps down by whole pixels, truncated in floating point: a
    // line height beyond int (or NaN) has no int to truncate to.
    walkString(s, std::trunc(lineHeight), [&](int index, float X, float Y) {
        const ofGlyphRecord& g = glyphs[index];
        float left = x + X + g.left;
        float right = left + g.width + 2 * v;
        float top = y + Y - g.top;
        float bottom = y + Y + g.rows - g.top + 2 * v;
        if (first) {
            minX = left;
            maxX = right;
            minY = top;
            maxY = bottom;
            first = false;
            return;
        }
        if (left < minX) minX = left;
        if (top < minY) minY = top;
        if (right > maxX) maxX = right;
        if (bottom > maxY) maxY = bottom;
    });
    if (!s.empty()) box = ofRectangle(minX, minY, maxX - minX, maxY - minY);
    return box;
}

float ofTrueTypeFont::stringWidth(std::string s) { return getStringBoundingBox(s, 0, 0).width; }
float ofTrueTypeFont::stringHeight(std::string s) { return getStringBoundingBox(s, 0, 0).height; }

void ofTrueTypeFont::setLineHeight(float height) { lineHeight = height; }
float ofTrueTypeFont::getLineHeight() { return lineHeight; }

ofGlyphOutline ofTrueTypeFont::getCharacterAsPoints(int character) {
    if (!bMakeContours) {
        ofLog(OF_ERROR, "getCharacterAsPoints: contours not created,  call loadFont with makeContours set to true");
        return ofGlyphOutline();
    }
    int index = character - 33;
    if (character > 32 && index < int(charOutlines.size())) return charOutlines[index];
    return ofGlyphOutline();
}

// Whether the font can draw shapes, saying why not when it cannot.
bool ofTrueTypeFont::canDrawShapes() {
    if (!bLoadedOk) {
        ofLog(OF_ERROR, "Error : font not allocated -- line %d in %s", __LINE__, __FILE__);
        return false;
    }
    if (!bMakeContours) {
        ofLog(OF_ERROR, "Error : contours not created for this font - call loadFont with makeContours set to true");
        return false;
    }
    return true;
}

void ofTrueTypeFont::drawCharAsShape(int c, float x, float y) {
    if (!canDrawShapes()) return;
    if (c < 0 || c >= nCharacters || c >= int(charOutlines.size())) return;
    const ofGlyphOutline& outline = charOutlines[c];
    ofBeginShape();
    for (size_t k = 0; k < outline.size(); k++) {
        if (k > 0) ofNextContour(true);
        for (const ofPoint& p : outline[k]) ofVertex(x + p.x, y + p.y);
    }
    ofEndShape(true);
}

void ofTrueTypeFont::drawStringAsShapes(std::string s, float x, float y) {
    if (!canDrawShapes()) return;
    glPushMatrix();
    glTranslatef(x, y, 0);
    walkString(s, lineHeight, [&](int index, float X, float Y) { drawCharAsShape(index, X, Y); });
    glPopMatrix();
}
