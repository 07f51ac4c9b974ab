#pragma once
// The small interfaces that let textures and images be handled alike:
// something drawable, something that owns a texture, something that owns a
// pixel buffer, and an image, which is all three.

class ofTexture;

class ofBaseDraws {
public:
    virtual ~ofBaseDraws() {}
    virtual void draw(float x, float y) = 0;
    virtual void draw(float x, float y, float w, float h) = 0;
    virtual float getHeight() = 0;
    virtual float getWidth() = 0;
    virtual void setAnchorPercent(float, float) {}
    virtual void setAnchorPoint(float, float) {}
    virtual void resetAnchor() {}
};

class ofBaseHasTexture {
public:
    virtual ~ofBaseHasTexture() {}
    virtual ofTexture& getTextureReference() = 0;
    virtual void setUseTexture(bool bUseTex) = 0;
};

class ofBaseHasPixels {
public:
    virtual ~ofBaseHasPixels() {}
    virtual unsigned char* getPixels() = 0;
};

class ofBaseImage : public ofBaseDraws, public ofBaseHasTexture, public ofBaseHasPixels {
public:
    virtual ~ofBaseImage() {}
};
