#pragma once
// The global drawing state with its style stack, the 2D primitives, the
// default screen projection and thin wrappers over the GL matrix stack.
//
// The state belongs to the framework, not to the GL context: the setters
// keep it and the current style in step and make the GL calls that apply it.
#include "ofTypes.h"

// A drawing style, copied whole.
class ofStyle {
public:
    ofStyle();
    virtual ~ofStyle() {}

    ofColor color;          // 0 to 255
    int polyMode;           // GLU winding rule for shapes
    int rectMode;           // 0 corner, 1 centre
    bool bFill;
    bool blending;
    bool smoothing;
    int circleResolution;
    float lineWidth;
};

// Colour. Components are clamped to 0..255.
void ofSetColor(int r, int g, int b);
void ofSetColor(int r, int g, int b, int a);
void ofSetColor(int hexColor);  // 0xRRGGBB

// Background, cleared by every frame while automatic clearing is on; with it
// off ofBackground clears at once.
void ofBackground(int r, int g, int b);
float* ofGetBackgroundColor();  // r, g, b, a on 0 to 1
void ofSetBackgroundAuto(bool bAuto);
bool ofGetBackgroundAutoClear();

void ofFill();
void ofNoFill();

// 0 corner, 1 centre; anything else keeps the current mode.
void ofSetRectMode(int mode);
int ofGetRectMode();

void ofSetLineWidth(float lineWidth);
void ofSetCurveResolution(int res);
// The number of points each curve or Bezier piece of a shape is sampled at.
int ofGetCurveResolution();
// 1 to 1024 points; 1 and the current resolution change nothing.
void ofSetCircleResolution(int res);

void ofEnableAlphaBlending();
void ofDisableAlphaBlending();
void ofEnableSmoothing();
void ofDisableSmoothing();

// One of the GLU winding rules 100130 to 100134; anything else is an error
// and keeps the current rule.
void ofSetPolyMode(int mode);

// Whether textures may use rectangle targets.
bool ofGetUsingArbTex();
void ofEnableArbTex();
void ofDisableArbTex();

ofStyle ofGetStyle();
void ofSetStyle(const ofStyle& style);
// Up to 32 saved styles; a push beyond that forgets the oldest, a pop of an
// empty stack does nothing.
void ofPushStyle();
void ofPopStyle();

// Once the GL context exists.
void ofSetupGraphicDefaults();

// Primitives, in the current colour and fill mode.
void ofTriangle(float x1, float y1, float x2, float y2, float x3, float y3);
void ofCircle(float x, float y, float radius);
void ofEllipse(float x, float y, float width, float height);
void ofLine(float x1, float y1, float x2, float y2);
void ofRect(float x, float y, float w, float h);

// Free-form shapes, filled or outlined under the current winding rule. A
// shape is one polygon of one or more contours; ofNextContour and ofEndShape
// close the current contour back to its first vertex when asked.
void ofBeginShape();
void ofVertex(float x, float y);
// From the fourth call on, each adds the Catmull-Rom piece between the middle
// two of the last four points.
void ofCurveVertex(float x, float y);
// A cubic Bezier from the last vertex; nothing when there is none yet.
void ofBezierVertex(float x1, float y1, float x2, float y2, float x3, float y3);
void ofNextContour(bool bClose);
void ofEndShape(bool bClose);
// One open curve each: a Bezier from point 0 to point 3, and the Catmull-Rom
// piece from point 1 to point 2.
void ofBezier(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);
void ofCurve(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);

// Builds the 22-point circle table unless it already has 22 points.
void setupCircle();

// Line smoothing with blending, inside a saved colour-buffer and enable state.
void startSmoothing();
void endSmoothing();

// A 60 degree perspective in which, at depth 0, one unit is one pixel with
// the origin at the window's top left and y growing downwards.
void ofSetupScreen();

void ofPushMatrix();
void ofPopMatrix();
void ofTranslate(float x, float y, float z);
void ofScale(float xAmnt, float yAmnt, float zAmnt);
void ofRotate(float degrees, float vecX, float vecY, float vecZ);
void ofRotateX(float degrees);
void ofRotateY(float degrees);
void ofRotateZ(float degrees);
void ofRotate(float degrees);
