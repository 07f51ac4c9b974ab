#pragma once
// One OpenGL texture object with the record of its sizes, drawn as a single
// textured quad. Allocated at power-of-two size, or at the exact size as a
// rectangle texture when the rectangle-texture switch is on and the driver
// offers GL_ARB_texture_rectangle.
#include "ofBaseTypes.h"
#include "ofGLHeaders.h"
#include "ofTypes.h"

class ofTextureData {
public:
    bool bAllocated = false;
    int glType = 0;          // client format of the last upload
    int glTypeInternal = 0;  // internal format given to allocate
    int textureTarget = GL_TEXTURE_2D;
    int pixelType = GL_UNSIGNED_BYTE;
    float texCoordRight = 0;
    float texCoordBottom = 0;
    float texWidth = 0;      // allocated size in texels
    float texHeight = 0;
    float width = 0;         // size of the loaded data in pixels
    float height = 0;
    bool bFlipTexture = false;
    unsigned int textureID = 0;
};

// The one-texel inset at the edges of power-of-two textures, which keeps
// linear filtering from pulling in the unused part of the allocation.
void ofEnableTextureEdgeHack();
void ofDisableTextureEdgeHack();

class ofTexture : public ofBaseDraws {
public:
    ofTexture();
    // GL objects are never shared or duplicated: copying logs a warning and
    // leaves the copy empty (construction) or unchanged (assignment).
    ofTexture(const ofTexture& other);
    ofTexture& operator=(const ofTexture& other);
    virtual ~ofTexture();

    void allocate(int w, int h, int internalGlDataType);
    void allocate(int w, int h, int internalGlDataType, bool bUseARBExtension);
    void clear();

    void loadData(unsigned char* data, int w, int h, int glDataType);
    void loadData(float* data, int w, int h, int glDataType);
    // x and y with the origin at the top left of the window.
    void loadScreenData(int x, int y, int w, int h);

    bool bAllocated();
    ofTextureData getTextureData();

    void bind();
    void unbind();
    void setTextureWrap(int wrapS, int wrapT);
    void setTextureMinMagFilter(int minFilter, int magFilter);

    ofPoint getCoordFromPoint(float x, float y);
    ofPoint getCoordFromPercent(float x, float y);

    void draw(float x, float y) override;
    void draw(float x, float y, float w, float h) override;
    float getHeight() override;
    float getWidth() override;
    void setAnchorPercent(float x, float y) override;
    void setAnchorPoint(float x, float y) override;
    void resetAnchor() override;

protected:
    void upload(const void* data, int w, int h, int glDataType);

    ofTextureData texData;
    ofPoint anchor;
    bool bAnchorIsPct = false;
};
