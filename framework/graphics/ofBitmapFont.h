#pragma once
// The built-in fixed-width bitmap font: 8 x 14 cells drawn with glBitmap, so
// text needs no font file and no texture.
#include <string>

// Draws text with its first baseline starting at (x, y) in the current
// drawing coordinates. A line feed starts the next line 13.6 pixels lower;
// only the codes 32 to 127 are drawn, every other byte is skipped.
void ofDrawBitmapString(std::string text, float x, float y);
// Draws the glyph of code 0 to 255 at the current raster position, on its
// baseline, and moves the raster position 8 pixels right.
void ofDrawBitmapCharacter(int character);
