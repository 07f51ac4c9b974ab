#include "ofGraphics.h"

#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofLog.h"

#include <climits>
#include <cmath>
#include <deque>

namespace {
constexpr float drawModeFilled = 1.0f;
constexpr float drawModeOutline = 2.0f;
constexpr int rectModeCorner = 0;
constexpr int rectModeCenter = 1;
constexpr int maxStyleHistory = 32;
constexpr int maxCirclePoints = 1024;
constexpr int defaultCirclePoints = 22;

ofStyle currentStyle;
std::deque<ofStyle> styleHistory;  // newest first

float drawMode = drawModeFilled;
int rectMode = rectModeCorner;
bool bSmoothHinted = false;
int curveResolution = 20;
int polyMode = GLU_TESS_WINDING_ODD;
float bgColor[4] = {0, 0, 0, 0};
bool bBgAuto = true;
bool bUsingArbTex = true;

float circlePts[maxCirclePoints * 2];
int numCirclePts = 0;
bool bSetupCircle = false;

// Fixed buffers the primitives hand to GL; nothing is allocated per draw.
float trianglePoints[3 * 2];
float rectPoints[4 * 2];
float linePoints[2 * 2];
float circlePoints[maxCirclePoints * 2];

float clampUnit(float v) {
    if (v >= 1.0f) return 1.0f;
    if (v < 0.0f) return 0.0f;
    return v;
}

// A style's colour component truncated toward zero for ofSetColor, which
// clamps it to 0 to 255 in turn. Beyond int it clamps to int's ends; NaN
// is ignored and the current colour's component stays.
int colorComponent(float v, float current) {
    if (std::isnan(v)) v = current;
    if (v >= 2147483648.0f) return INT_MAX;
    if (v < -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}

void buildCircleTable(int res) {
    numCirclePts = res;
    currentStyle.circleResolution = res;
    float angleStep = static_cast<float>(2.0 * M_PI / res);
    float angle = 0.0f;
    for (int i = 0; i < res; i++) {
        circlePts[i * 2] = static_cast<float>(std::cos(static_cast<double>(angle)));
        circlePts[i * 2 + 1] = static_cast<float>(std::sin(static_cast<double>(angle)));
        angle += angleStep;
    }
    bSetupCircle = true;
}

bool outlineSmoothing() { return bSmoothHinted && drawMode == drawModeOutline; }

void drawPoints(const float* points, GLenum mode, int count) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, points);
    glDrawArrays(mode, 0, count);
}

GLenum fillOr(GLenum filledMode) { return drawMode == drawModeFilled ? filledMode : GL_LINE_LOOP; }

void ensureCircleTable() {
    if (!bSetupCircle && numCirclePts != defaultCirclePoints) buildCircleTable(defaultCirclePoints);
}
}

ofStyle::ofStyle()
    : color(255, 255, 255, 255),
      polyMode(GLU_TESS_WINDING_ODD),
      rectMode(rectModeCorner),
      bFill(true),
      blending(false),
      smoothing(false),
      circleResolution(20),
      lineWidth(1.0f) {}

void ofSetColor(int r, int g, int b) { ofSetColor(r, g, b, 255); }

void ofSetColor(int r, int g, int b, int a) {
    float fr = clampUnit(r / 255.0f);
    float fg = clampUnit(g / 255.0f);
    float fb = clampUnit(b / 255.0f);
    float fa = clampUnit(a / 255.0f);
    glColor4f(fr, fg, fb, fa);
    currentStyle.color.r = fr * 255.0f;
    currentStyle.color.g = fg * 255.0f;
    currentStyle.color.b = fb * 255.0f;
    currentStyle.color.a = fa * 255.0f;
}

void ofSetColor(int hexColor) {
    ofSetColor((hexColor >> 16) & 0xff, (hexColor >> 8) & 0xff, hexColor & 0xff);
}

void ofBackground(int r, int g, int b) {
    bgColor[0] = r / 255.0f;
    bgColor[1] = g / 255.0f;
    bgColor[2] = b / 255.0f;
    bgColor[3] = 1.0f;
    if (!bBgAuto) {
        glClearColor(bgColor[0], bgColor[1], bgColor[2], bgColor[3]);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
}

float* ofGetBackgroundColor() { return bgColor; }
void ofSetBackgroundAuto(bool bAuto) { bBgAuto = bAuto; }
bool ofGetBackgroundAutoClear() { return bBgAuto; }

void ofFill() {
    drawMode = drawModeFilled;
    currentStyle.bFill = true;
}

void ofNoFill() {
    drawMode = drawModeOutline;
    currentStyle.bFill = false;
}

void ofSetRectMode(int mode) {
    if (mode == rectModeCorner || mode == rectModeCenter) rectMode = mode;
    currentStyle.rectMode = rectMode;
}

int ofGetRectMode() { return rectMode; }

void ofSetLineWidth(float lineWidth) {
    glLineWidth(lineWidth);
    currentStyle.lineWidth = lineWidth;
}

void ofSetCurveResolution(int res) { curveResolution = res; }
int ofGetCurveResolution() { return curveResolution; }

void ofSetCircleResolution(int res) {
    if (res >= maxCirclePoints) res = maxCirclePoints;
    if (res < 1) res = 1;
    if (res > 1 && res != numCirclePts) buildCircleTable(res);
}

void ofEnableAlphaBlending() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    currentStyle.blending = true;
}

void ofDisableAlphaBlending() {
    glDisable(GL_BLEND);
    currentStyle.blending = false;
}

void ofEnableSmoothing() {
    bSmoothHinted = true;
    currentStyle.smoothing = true;
}

void ofDisableSmoothing() {
    bSmoothHinted = false;
    currentStyle.smoothing = false;
}

void ofSetPolyMode(int mode) {
    switch (mode) {
    case GLU_TESS_WINDING_ODD:
    case GLU_TESS_WINDING_NONZERO:
    case GLU_TESS_WINDING_POSITIVE:
    case GLU_TESS_WINDING_NEGATIVE:
    case GLU_TESS_WINDING_ABS_GEQ_TWO:
        polyMode = mode;
        break;
    default:
        ofLog(OF_ERROR, " error in ofSetPolyMode");
    }
    currentStyle.polyMode = polyMode;
}

bool ofGetUsingArbTex() { return bUsingArbTex; }
void ofEnableArbTex() { bUsingArbTex = true; }
void ofDisableArbTex() { bUsingArbTex = false; }

ofStyle ofGetStyle() { return currentStyle; }

void ofSetStyle(const ofStyle& style) {
    const ofColor& now = currentStyle.color;
    ofSetColor(colorComponent(style.color.r, now.r), colorComponent(style.color.g, now.g),
               colorComponent(style.color.b, now.b), colorComponent(style.color.a, now.a));
    ofSetCircleResolution(style.circleResolution);
    ofSetLineWidth(style.lineWidth);
    ofSetRectMode(style.rectMode);
    ofSetPolyMode(style.polyMode);
    if (style.bFill) {
        ofFill();
    } else {
        ofNoFill();
    }
    if (style.smoothing) {
        ofEnableSmoothing();
    } else {
        ofDisableSmoothing();
    }
    if (style.blending) {
        ofEnableAlphaBlending();
    } else {
        ofDisableAlphaBlending();
    }
}

void ofPushStyle() {
    styleHistory.push_front(currentStyle);
    if (styleHistory.size() > static_cast<size_t>(maxStyleHistory)) styleHistory.resize(maxStyleHistory);
}

void ofPopStyle() {
    if (styleHistory.empty()) return;
    ofSetStyle(styleHistory.front());
    styleHistory.pop_front();
}

void ofSetupGraphicDefaults() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    ofDisableSmoothing();
    ofDisableAlphaBlending();
    const float grey = 200.0f / 255.0f;
    bgColor[0] = bgColor[1] = bgColor[2] = grey;
    bgColor[3] = 1.0f;
    if (!bBgAuto) {
        glClearColor(bgColor[0], bgColor[1], bgColor[2], bgColor[3]);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    ofSetColor(255, 255, 255, 255);
}

void ofTriangle(float x1, float y1, float x2, float y2, float x3, float y3) {
    if (outlineSmoothing()) startSmoothing();
    trianglePoints[0] = x1;
    trianglePoints[1] = y1;
    trianglePoints[2] = x2;
    trianglePoints[3] = y2;
    trianglePoints[4] = x3;
    trianglePoints[5] = y3;
    drawPoints(trianglePoints, fillOr(GL_TRIANGLES), 3);
    if (outlineSmoothing()) endSmoothing();
}

void ofCircle(float x, float y, float radius) {
    ensureCircleTable();
    if (outlineSmoothing()) startSmoothing();
    for (int i = 0; i < numCirclePts; i++) {
        circlePoints[i * 2] = x + radius * circlePts[i * 2];
        circlePoints[i * 2 + 1] = y + radius * circlePts[i * 2 + 1];
    }
    drawPoints(circlePoints, fillOr(GL_TRIANGLE_FAN), numCirclePts);
    if (outlineSmoothing()) endSmoothing();
}

void ofEllipse(float x, float y, float width, float height) {
    ensureCircleTable();
    if (outlineSmoothing()) startSmoothing();
    for (int i = 0; i < numCirclePts; i++) {
        circlePoints[i * 2] = x + width * circlePts[i * 2] * 0.5f;
        circlePoints[i * 2 + 1] = y + height * circlePts[i * 2 + 1] * 0.5f;
    }
    drawPoints(circlePoints, fillOr(GL_TRIANGLE_FAN), numCirclePts);
    if (outlineSmoothing()) endSmoothing();
}

void ofLine(float x1, float y1, float x2, float y2) {
    if (bSmoothHinted) startSmoothing();
    linePoints[0] = x1;
    linePoints[1] = y1;
    linePoints[2] = x2;
    linePoints[3] = y2;
    drawPoints(linePoints, GL_LINES, 2);
    if (bSmoothHinted) endSmoothing();
}

void ofRect(float x, float y, float w, float h) {
    if (outlineSmoothing()) startSmoothing();
    if (rectMode == rectModeCorner) {
        rectPoints[0] = x;
        rectPoints[1] = y;
        rectPoints[2] = x + w;
        rectPoints[3] = y;
        rectPoints[4] = x + w;
        rectPoints[5] = y + h;
        rectPoints[6] = x;
        rectPoints[7] = y + h;
    } else {
        rectPoints[0] = x - w / 2.0f;
        rectPoints[1] = y - h / 2.0f;
        rectPoints[2] = x + w / 2.0f;
        rectPoints[3] = y - h / 2.0f;
        rectPoints[4] = x + w / 2.0f;
        rectPoints[5] = y + h / 2.0f;
        rectPoints[6] = x - w / 2.0f;
        rectPoints[7] = y + h / 2.0f;
    }
    drawPoints(rectPoints, fillOr(GL_TRIANGLE_FAN), 4);
    if (outlineSmoothing()) endSmoothing();
}

void setupCircle() {
    if (numCirclePts != defaultCirclePoints) buildCircleTable(defaultCirclePoints);
}

void startSmoothing() {
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void endSmoothing() { glPopAttrib(); }

void ofSetupScreen() {
    int w = ofGetWidth();
    int h = ofGetHeight();
    float halfFov = 0.5235988f;  // 30 degrees
    float halfW = w * 0.5f;
    float halfH = h * 0.5f;
    float dist = halfH / std::tan(halfFov);
    float nearDist = dist / 10.0f;
    float farDist = dist * 10.0f;
    float aspect = static_cast<float>(w) / static_cast<float>(h);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0f, aspect, nearDist, farDist);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(halfW, halfH, dist, halfW, halfH, 0.0, 0.0, 1.0, 0.0);

    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(0.0f, -static_cast<float>(h), 0.0f);
}

void ofPushMatrix() { glPushMatrix(); }
void ofPopMatrix() { glPopMatrix(); }
void ofTranslate(float x, float y, float z) { glTranslatef(x, y, z); }
void ofScale(float xAmnt, float yAmnt, float zAmnt) { glScalef(xAmnt, yAmnt, zAmnt); }
void ofRotate(float degrees, float vecX, float vecY, float vecZ) { glRotatef(degrees, vecX, vecY, vecZ); }
void ofRotateX(float degrees) { glRotatef(degrees, 1, 0, 0); }
void ofRotateY(float degrees) { glRotatef(degrees, 0, 1, 0); }
void ofRotateZ(float degrees) { glRotatef(degrees, 0, 0, 1); }
void ofRotate(float degrees) { glRotatef(degrees, 0, 0, 1); }
