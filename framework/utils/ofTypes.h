#pragma once
// Small value records passed around by copy.

class ofPoint {
public:
    ofPoint() : x(0.0f), y(0.0f), z(0.0f) {}
    ofPoint(float x, float y, float z = 0.0f) : x(x), y(y), z(z) {}
    virtual ~ofPoint() {}

    float x;
    float y;
    float z;
};

// y grows downwards on the screen.
class ofRectangle {
public:
    ofRectangle() : x(0.0f), y(0.0f), width(0.0f), height(0.0f) {}
    ofRectangle(float x, float y, float width, float height) : x(x), y(y), width(width), height(height) {}
    virtual ~ofRectangle() {}

    float x;
    float y;
    float width;
    float height;
};

// Components on 0 to 255; alpha 255 is opaque.
class ofColor {
public:
    ofColor() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    ofColor(float r, float g, float b, float a) : r(r), g(g), b(b), a(a) {}
    virtual ~ofColor() {}

    float r;
    float g;
    float b;
    float a;
};
