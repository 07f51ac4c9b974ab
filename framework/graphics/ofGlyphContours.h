#pragma once
// A glyph's outline as closed polylines: the outline's curves flattened into
// points and thinned by a polyline simplifier. Internal to the TrueType font.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

#include "ofTrueTypeFont.h"

// The contours of an outline in pixels, x to the right, y downwards.
ofGlyphOutline makeContoursForCharacter(const FT_Outline& outline);

// Drops points closer than the tolerance to the last one kept (never the
// last point), then keeps only the points that the Douglas-Peucker test
// finds farther than the tolerance from the simplified line.
std::vector<ofPoint> simplifyPolyline(const std::vector<ofPoint>& contour, float tolerance);

// Flags, between first and last, the points that the simplified line must
// pass through for it to stay within the tolerance.
void simplifyPolylineDP(float tolerance, const ofPoint* points, int first, int last, int* flags);
