#include "ofBitmapFont.h"

#include "ofBitmapFontGlyphs.h"
#include "ofGLHeaders.h"

namespace {
const int glyphRows = 14;
const float baselineAboveBottom = 3.0f;
const float lineHeight = 13.6f;
}  // namespace

void ofDrawBitmapCharacter(int character) {
    if (character < 0 || character > 255) return;
    const unsigned char* glyph = glyphTable[character];
    float width = glyph[0];
    glBitmap(glyph[0], glyphRows, 0.0f, baselineAboveBottom, width, 0.0f, glyph + 1);
}

void ofDrawBitmapString(std::string text, float x, float y) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    // The offset keeps its fraction from line to line and is cut to whole
    // pixels only where a line starts.
    float lineOffset = 0.0f;
    glRasterPos2f(x, y);
    for (char c : text) {
        if (c == '\n') {
            lineOffset += lineHeight;
            glRasterPos2f(x, y + static_cast<int>(lineOffset));
        } else if (static_cast<signed char>(c) > 31) {
            ofDrawBitmapCharacter(static_cast<unsigned char>(c));
        }
    }
    glPopClientAttrib();
}
