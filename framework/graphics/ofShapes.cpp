// Free-form shapes: plain, Catmull-Rom and Bezier vertices in one or more
// contours, filled or outlined through the GLU tessellator under the current
// winding rule. Only one shape can be open at a time.
#include "ofGraphics.h"
#include "ofGLHeaders.h"
#include "ofLog.h"

#include <memory>
#include <vector>

namespace {
struct TessPoint {
    double xyz[3];
};
typedef std::vector<std::unique_ptr<TessPoint>> PointList;

// The tessellator keeps the addresses of the points it is given until the
// polygon ends, so each point lives in its own allocation.
PointList polyVertices;
PointList curveVertices;
PointList combinedVertices;
std::vector<float> tessOutput;
GLenum tessPrimitive = GL_TRIANGLES;
GLUtesselator* tess = nullptr;
size_t contourStart = 0;
// Whether ofBeginShape began the smoothing wrap, so that ofEndShape ends
// exactly what was begun even when the style changed in between.
bool shapeSmoothing = false;

bool drawingOutline() { return !ofGetStyle().bFill; }

void addPoint(PointList& list, double x, double y) {
    list.push_back(std::unique_ptr<TessPoint>(new TessPoint{{x, y, 0.0}}));
}

void clearCurveVertices() { curveVertices.clear(); }

void clearTessVertices() {
    polyVertices.clear();
    combinedVertices.clear();
    clearCurveVertices();
    contourStart = 0;
}

// The sample parameters of one curve piece: both ends included. A single
// sample sits at the start; no samples at all for a resolution below one.
float sampleT(int i, int resolution) {
    if (resolution <= 1) return 0.0f;
    return static_cast<float>(i) / static_cast<float>(resolution - 1);
}

// Catmull-Rom between p1 and p2, shaped by p0 and p3.
void curvePoint(float t, const float p[8], float& x, float& y) {
    float t2 = t * t, t3 = t2 * t;
    x = 0.5f * ((2 * p[2]) + (-p[0] + p[4]) * t + (2 * p[0] - 5 * p[2] + 4 * p[4] - p[6]) * t2 +
                (-p[0] + 3 * p[2] - 3 * p[4] + p[6]) * t3);
    y = 0.5f * ((2 * p[3]) + (-p[1] + p[5]) * t + (2 * p[1] - 5 * p[3] + 4 * p[5] - p[7]) * t2 +
                (-p[1] + 3 * p[3] - 3 * p[5] + p[7]) * t3);
}

// Cubic Bezier from (x0, y0) through two control points to (x3, y3).
template <typename Emit>
void bezierSamples(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3, Emit emit) {
    float cx = 3.0f * (x1 - x0), bx = 3.0f * (x2 - x1) - cx, ax = x3 - x0 - cx - bx;
    float cy = 3.0f * (y1 - y0), by = 3.0f * (y2 - y1) - cy, ay = y3 - y0 - cy - by;
    int resolution = ofGetCurveResolution();
    for (int i = 0; i < resolution; i++) {
        float t = sampleT(i, resolution);
        float t2 = t * t, t3 = t2 * t;
        emit(ax * t3 + bx * t2 + cx * t + x0, ay * t3 + by * t2 + cy * t + y0);
    }
}

void GLAPIENTRY tessBegin(GLenum type) {
    tessPrimitive = type;
    tessOutput.clear();
}

void GLAPIENTRY tessVertex(void* data) {
    const double* coords = static_cast<const double*>(data);
    for (int i = 0; i < 3; i++) tessOutput.push_back(static_cast<float>(coords[i]));
}

void GLAPIENTRY tessCombine(GLdouble coords[3], void* /*data*/[4], GLfloat /*weights*/[4], void** out) {
    combinedVertices.push_back(std::unique_ptr<TessPoint>(new TessPoint{{coords[0], coords[1], coords[2]}}));
    *out = combinedVertices.back()->xyz;
}

void GLAPIENTRY tessEnd() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, tessOutput.data());
    glDrawArrays(tessPrimitive, 0, static_cast<GLsizei>(tessOutput.size() / 3));
    tessOutput.clear();
}

void GLAPIENTRY tessError(GLenum code) {
    ofLog(OF_ERROR, "tessError: %s", reinterpret_cast<const char*>(gluErrorString(code)));
}

void endContour(bool bClose) {
    if (bClose && polyVertices.size() > contourStart) {
        const double* first = polyVertices[contourStart]->xyz;
        addPoint(polyVertices, first[0], first[1]);
    }
    if (ofGetStyle().polyMode == GLU_TESS_WINDING_ODD && drawingOutline()) {
        // Under the odd rule an outline is just the contour itself.
        std::vector<float> strip;
        for (size_t i = contourStart; i < polyVertices.size(); i++) {
            strip.push_back(static_cast<float>(polyVertices[i]->xyz[0]));
            strip.push_back(static_cast<float>(polyVertices[i]->xyz[1]));
        }
        if (!strip.empty()) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(2, GL_FLOAT, 0, strip.data());
            glDrawArrays(GL_LINE_STRIP, 0, static_cast<GLsizei>(strip.size() / 2));
        }
    } else if (tess) {
        gluTessBeginContour(tess);
        for (size_t i = contourStart; i < polyVertices.size(); i++) {
            gluTessVertex(tess, polyVertices[i]->xyz, polyVertices[i]->xyz);
        }
        gluTessEndContour(tess);
    }
}

void deleteTessellator() {
    if (!tess) return;
    gluDeleteTess(tess);
    tess = nullptr;
}
}  // namespace

void ofBeginShape() {
    // A shape left open is dropped rather than leaked; its tessellator still
    // points into the lists, so it goes before they are cleared.
    deleteTessellator();
    if (shapeSmoothing) endSmoothing();
    ofStyle style = ofGetStyle();
    shapeSmoothing = style.smoothing && !style.bFill;
    if (shapeSmoothing) startSmoothing();

    clearTessVertices();
    tess = gluNewTess();
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(tessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(tessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE, reinterpret_cast<_GLUfuncptr>(tessCombine));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(tessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR, reinterpret_cast<_GLUfuncptr>(tessError));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, style.polyMode);
    gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, style.bFill ? 0 : 1);
    gluTessProperty(tess, GLU_TESS_TOLERANCE, 0);
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, nullptr);
}

void ofVertex(float x, float y) {
    addPoint(polyVertices, x, y);
    clearCurveVertices();
}

void ofCurveVertex(float x, float y) {
    addPoint(curveVertices, x, y);
    size_t n = curveVertices.size();
    if (n < 4) return;
    float p[8];
    for (int k = 0; k < 4; k++) {
        p[k * 2] = static_cast<float>(curveVertices[n - 4 + k]->xyz[0]);
        p[k * 2 + 1] = static_cast<float>(curveVertices[n - 4 + k]->xyz[1]);
    }
    int resolution = ofGetCurveResolution();
    for (int i = 0; i < resolution; i++) {
        float px, py;
        curvePoint(sampleT(i, resolution), p, px, py);
        addPoint(polyVertices, px, py);
    }
}

void ofBezierVertex(float x1, float y1, float x2, float y2, float x3, float y3) {
    clearCurveVertices();
    if (polyVertices.empty()) return;
    const double* last = polyVertices.back()->xyz;
    bezierSamples(static_cast<float>(last[0]), static_cast<float>(last[1]), x1, y1, x2, y2, x3, y3,
                  [](float x, float y) { addPoint(polyVertices, x, y); });
}

void ofNextContour(bool bClose) {
    endContour(bClose);
    contourStart = polyVertices.size();
}

void ofEndShape(bool bClose) {
    endContour(bClose);
    if (tess) {
        gluTessEndPolygon(tess);
        deleteTessellator();
    }
    clearTessVertices();
    if (shapeSmoothing) endSmoothing();
    shapeSmoothing = false;
}

void ofBezier(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    std::vector<float> samples;
    bezierSamples(x0, y0, x1, y1, x2, y2, x3, y3, [&](float x, float y) {
        samples.push_back(x);
        samples.push_back(y);
    });
    ofBeginShape();
    for (size_t i = 0; i < samples.size(); i += 2) ofVertex(samples[i], samples[i + 1]);
    ofEndShape(false);
}

void ofCurve(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    const float p[8] = {x0, y0, x1, y1, x2, y2, x3, y3};
    int resolution = ofGetCurveResolution();
    ofBeginShape();
    for (int i = 0; i < resolution; i++) {
        float px, py;
        curvePoint(sampleT(i, resolution), p, px, py);
        ofVertex(px, py);
    }
    ofEndShape(false);
}
