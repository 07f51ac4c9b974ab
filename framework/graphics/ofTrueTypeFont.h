#pragma once
// A TrueType font rasterised once, at one point size, into one small
// GL_LUMINANCE_ALPHA texture per character. Strings are drawn as a row of
// textured quads and measured by the same walk.
#include <string>
#include <vector>

#include "ofTypes.h"

// One glyph's contours: closed polylines in pixels, y downwards.
typedef std::vector<std::vector<ofPoint> > ofGlyphOutline;

struct ofGlyphRecord {
    int index = 0;
    int top = 0;      // from the baseline up to the bitmap's first row
    int width = 0;    // bitmap size in pixels
    int advance = 0;  // in whole pixels
    int rows = 0;
    int left = 0;
    float texW = 0;   // span of texture coordinates the quad shows
    float texH = 0;
    float texX = 0;   // first texture coordinate
    float texY = 0;
};

class ofTrueTypeFont {
public:
    ofTrueTypeFont();
    virtual ~ofTrueTypeFont();
    // The font owns its textures: it cannot be copied.
    ofTrueTypeFont(const ofTrueTypeFont&) = delete;
    ofTrueTypeFont& operator=(const ofTrueTypeFont&) = delete;

    // Anti-aliased, 95 characters (codes 33 to 127), no contours.
    void loadFont(std::string filename, int fontsize);
    // Success shows only in bLoadedOk.
    void loadFont(std::string filename, int fontsize, bool antiAliased, bool fullCharacterSet,
                  bool makeContours);

    // (x, y) is the pen position on the baseline of the first line.
    void drawString(std::string s, float x, float y);
    // The box that drawString(s, x, y) covers, transparent margins included;
    // an unloaded font measures an empty box.
    ofRectangle getStringBoundingBox(std::string s, float x, float y);
    float stringWidth(std::string s);
    float stringHeight(std::string s);

    void setLineHeight(float height);
    float getLineHeight();

    // Only for a font loaded with makeContours set: a character code's
    // contours, and glyphs (by index, code - 33) or strings drawn as shapes
    // in the current style, at the pen position on the baseline.
    ofGlyphOutline getCharacterAsPoints(int character);
    void drawCharAsShape(int c, float x, float y);
    void drawStringAsShapes(std::string s, float x, float y);

    bool bLoadedOk = false;
    bool bAntiAliased = true;
    bool bFullCharacterSet = false;
    int nCharacters = 0;

protected:
    void drawChar(int c);

    std::vector<ofGlyphOutline> charOutlines;
    float lineHeight = 0;
    std::vector<ofGlyphRecord> glyphs;
    std::vector<unsigned int> textureNames;
    int fontSize = 0;
    bool bMakeContours = false;
    int border = 3;         // transparent texels around each glyph bitmap
    int visibleBorder = 2;  // how much of that margin a quad shows

private:
    void unloadTextures();
    bool canDrawShapes();
    // Calls visit(glyph index, X, Y) for every glyph of s, with the pen
    // offset from the start; lineStep is how far a line break moves down.
    template <typename Visit>
    void walkString(const std::string& s, float lineStep, Visit visit);
};
