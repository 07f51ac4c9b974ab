#include "ofGlyphContours.h"

#include <cmath>
#include <utility>

namespace {
const float glyphTolerance = 0.3f;
const int cubicSamples = 8;
const int conicSamples = 9;

enum PointKind { onCurve, cubicControl, conicControl };

PointKind kindOf(char tag) {
    switch (FT_CURVE_TAG(tag)) {
    case FT_CURVE_TAG_ON: return onCurve;
    case FT_CURVE_TAG_CUBIC: return cubicControl;
    default: return conicControl;
    }
}

// ofPoint is a plain record; the arithmetic lives here.
ofPoint operator+(const ofPoint& a, const ofPoint& b) { return ofPoint(a.x + b.x, a.y + b.y, a.z + b.z); }
ofPoint operator-(const ofPoint& a, const ofPoint& b) { return ofPoint(a.x - b.x, a.y - b.y, a.z - b.z); }
ofPoint operator*(const ofPoint& a, float k) { return ofPoint(a.x * k, a.y * k, a.z * k); }
float dot(const ofPoint& a, const ofPoint& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float squaredDistance(const ofPoint& a, const ofPoint& b) { return dot(a - b, a - b); }
ofPoint midpoint(const ofPoint& a, const ofPoint& b) { return ofPoint((a.x + b.x) / 2, (a.y + b.y) / 2, 0); }

// One contour, points first to last, in 26.6 units with y downwards.
std::vector<ofPoint> flattenContour(const FT_Outline& outline, int first, int last) {
    std::vector<ofPoint> points;
    auto at = [&](int j) { return ofPoint(outline.points[j].x, -outline.points[j].y, 0); };
    ofPoint L(0, 0, 0);
    for (int j = first; j <= last; j++) {
        int prev = j == first ? last : j - 1;
        int next = j == last ? first : j + 1;
        ofPoint P = at(j);
        switch (kindOf(outline.tags[j])) {
        case onCurve:
            points.push_back(P);
            L = P;
            break;
        case cubicControl: {
            // The second control point of a cubic segment draws the segment.
            if (kindOf(outline.tags[prev]) != cubicControl) break;
            ofPoint C1 = at(prev), E = at(next);
            ofPoint c = (C1 - L) * 3.0f;
            ofPoint b = (P - C1) * 3.0f - c;
            ofPoint a = E - L - c - b;
            for (int i = 0; i < cubicSamples; i++) {
                float t = float(i) / (cubicSamples - 1);
                points.push_back(a * (t * t * t) + b * (t * t) + c * t + L);
            }
            break;
        }
        case conicControl: {
            ofPoint S = L;
            if (j == first) {
                ofPoint lastPoint = at(last);
                S = kindOf(outline.tags[last]) == conicControl ? midpoint(P, lastPoint) : lastPoint;
                L = S;
            }
            ofPoint E = at(next);
            bool endsAtMidpoint = kindOf(outline.tags[next]) == conicControl;
            if (endsAtMidpoint) E = midpoint(P, E);
            for (int i = 0; i < conicSamples; i++) {
                double t = double(i) / (conicSamples - 1);
                double s = std::pow(1 - t, 2), m = 2 * t * (1 - t), e = std::pow(t, 2);
                points.push_back(ofPoint(float(s * S.x + m * P.x + e * E.x), float(s * S.y + m * P.y + e * E.y), 0));
            }
            if (endsAtMidpoint) L = E;
            break;
        }
        }
    }
    for (ofPoint& p : points) p = ofPoint(p.x / 64, p.y / 64, p.z / 64);
    return points;
}
}  // namespace

ofGlyphOutline makeContoursForCharacter(const FT_Outline& outline) {
    ofGlyphOutline contours;
    if (!outline.points || !outline.tags || !outline.contours) return contours;
    int first = 0;
    for (int c = 0; c < outline.n_contours; c++) {
        int last = outline.contours[c];
        // Contour ends must rise and stay inside the point array.
        if (last < first || last >= outline.n_points) break;
        std::vector<ofPoint> points = flattenContour(outline, first, last);
        contours.push_back(points.empty() ? points : simplifyPolyline(points, glyphTolerance));
        first = last + 1;
    }
    return contours;
}

std::vector<ofPoint> simplifyPolyline(const std::vector<ofPoint>& contour, float tolerance) {
    if (contour.empty()) return contour;
    float tolerance2 = tolerance * tolerance;
    size_t n = contour.size();

    std::vector<ofPoint> kept;
    kept.push_back(contour[0]);
    size_t lastKept = 0;
    for (size_t i = 1; i < n; i++) {
        if (squaredDistance(contour[i], contour[lastKept]) < tolerance2) continue;
        kept.push_back(contour[i]);
        lastKept = i;
    }
    if (lastKept != n - 1) kept.push_back(contour[n - 1]);

    int m = int(kept.size());
    std::vector<int> flags(m, 0);
    flags[0] = flags[m - 1] = 1;
    simplifyPolylineDP(tolerance, kept.data(), 0, m - 1, flags.data());

    std::vector<ofPoint> result;
    for (int i = 0; i < m; i++) {
        if (flags[i]) result.push_back(kept[i]);
    }
    return result;
}

void simplifyPolylineDP(float tolerance, const ofPoint* points, int first, int last, int* flags) {
    float tolerance2 = tolerance * tolerance;
    // A stack of ranges rather than recursion: a long contour from a font
    // file must not be able to exhaust the call stack.
    std::vector<std::pair<int, int>> ranges{{first, last}};
    while (!ranges.empty()) {
        auto [f, l] = ranges.back();
        ranges.pop_back();
        if (l <= f + 1) continue;
        const ofPoint& A = points[f];
        const ofPoint& B = points[l];
        ofPoint u = B - A;
        float cu = dot(u, u);
        int farthest = f;
        float farthest2 = 0;
        for (int i = f + 1; i < l; i++) {
            ofPoint w = points[i] - A;
            float cw = dot(w, u);
            float d2;
            if (cw <= 0) {
                d2 = squaredDistance(points[i], A);
            } else if (cw < cu) {
                d2 = squaredDistance(points[i], A + u * (cw / cu));
            } else {
                d2 = squaredDistance(points[i], B);
            }
            if (d2 > farthest2) {
                farthest2 = d2;
                farthest = i;
            }
        }
        if (farthest2 > tolerance2) {
            flags[farthest] = 1;
            ranges.push_back({farthest, l});
            ranges.push_back({f, farthest});
        }
    }
}
