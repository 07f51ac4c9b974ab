#pragma once
// An image in memory: a tightly packed, top-down pixel buffer of grey,
// RGB or RGBA bytes and, unless switched off, a texture that mirrors it so
// the image can be drawn. Files are read and written through FreeImage.
#include <string>

#include "ofBaseTypes.h"
#include "ofTexture.h"

struct FIBITMAP;

// Image types: 0 grey (8 bits), 1 colour (24), 2 colour with alpha (32),
// 3 undefined (no pixels).
class ofImagePixels {
public:
    unsigned char* pixels = nullptr;  // rows top to bottom, no padding
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int bytesPerPixel = 0;
    int glDataType = GL_LUMINANCE;
    int imageType = 3;
    bool bAllocated = false;
};

// Shuts the image library down; the next image constructed starts it again.
void ofCloseFreeImage();

class ofImage : public ofBaseImage {
public:
    ofImage();
    // Copies hold pixels of their own and build a texture of their own.
    ofImage(const ofImage& other);
    ofImage& operator=(const ofImage& other);
    virtual ~ofImage();

    void allocate(int w, int h, int type);
    void clear();

    // The caller supplies (bits per pixel / 8) x w x h bytes; with
    // bOrderIsRGB false they are in B, G, R (A) order.
    void setFromPixels(unsigned char* pixels, int w, int h, int type, bool bOrderIsRGB);
    void setImageType(int type);
    void resize(int w, int h);
    // A region of the window, x and y with the origin at the top left.
    void grabScreen(int x, int y, int w, int h);
    // Uploads the buffer to the texture and brings the public fields in step.
    void update();

    // A failed load returns false and leaves the image as it was.
    bool loadImage(std::string fileName);
    void saveImage(std::string fileName);

    unsigned char* getPixels() override;
    ofTexture& getTextureReference() override;
    void setUseTexture(bool bUse) override;

    void draw(float x, float y) override;
    void draw(float x, float y, float w, float h) override;
    float getWidth() override;
    float getHeight() override;
    void setAnchorPercent(float x, float y) override;
    void setAnchorPoint(float x, float y) override;
    void resetAnchor() override;

    // Public copies of the pixel record, read directly by users.
    int width = 0;
    int height = 0;
    int bpp = 0;
    int type = 3;

protected:
    bool loadImageIntoPixels(std::string fileName, ofImagePixels& pix);
    void saveImageFromPixels(std::string fileName, ofImagePixels& pix);
    FIBITMAP* getBmpFromPixels(ofImagePixels& pix);
    void putBmpIntoPixels(FIBITMAP* bmp, ofImagePixels& pix);
    void resizePixels(ofImagePixels& pix, int w, int h);
    void changeTypeOfPixels(ofImagePixels& pix, int newType);

    ofImagePixels myPixels;
    bool bUseTexture = true;
    ofTexture tex;

private:
    void clone(const ofImage& other);
    void allocateTexture();
};
