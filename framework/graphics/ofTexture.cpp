#include "ofTexture.h"

#include "ofAppRunner.h"
#include "ofGraphics.h"
#include "ofLog.h"
#include "ofMath.h"

namespace {
bool bTexHackEnabled = true;
}

void ofEnableTextureEdgeHack() { bTexHackEnabled = true; }
void ofDisableTextureEdgeHack() { bTexHackEnabled = false; }

ofTexture::ofTexture() {}

ofTexture::ofTexture(const ofTexture&) : ofBaseDraws() {
    ofLog(OF_WARNING, "overloaded ofTexture copy constructor to do nothing. please use FBO or other means to copy textures");
}

ofTexture& ofTexture::operator=(const ofTexture&) {
    ofLog(OF_WARNING, "overloaded ofTexture = operator to do nothing. please use FBO or other means to copy textures");
    return *this;
}

ofTexture::~ofTexture() { clear(); }

void ofTexture::clear() {
    if (texData.textureID != 0) {
        glDeleteTextures(1, &texData.textureID);
        // The name may be handed out again; it is no longer ours to delete.
        texData.textureID = 0;
    }
    texData.bAllocated = false;
}

void ofTexture::allocate(int w, int h, int internalGlDataType) {
    allocate(w, h, internalGlDataType, ofGetUsingArbTex());
}

void ofTexture::allocate(int w, int h, int internalGlDataType, bool bUseARBExtension) {
    if (bUseARBExtension && epoxy_has_gl_extension("GL_ARB_texture_rectangle")) {
        texData.texWidth = w;
        texData.texHeight = h;
        texData.texCoordRight = w;
        texData.texCoordBottom = h;
        texData.textureTarget = GL_TEXTURE_RECTANGLE_ARB;
    } else {
        texData.texWidth = ofNextPow2(w);
        texData.texHeight = ofNextPow2(h);
        texData.texCoordRight = 1.0f;
        texData.texCoordBottom = 1.0f;
        texData.textureTarget = GL_TEXTURE_2D;
    }

    texData.glTypeInternal = internalGlDataType;
    switch (internalGlDataType) {
    case GL_RGB32F_ARB:
        texData.glType = GL_RGB;
        texData.pixelType = GL_FLOAT;
        break;
    case GL_RGBA32F_ARB:
        texData.glType = GL_RGBA;
        texData.pixelType = GL_FLOAT;
        break;
    case GL_LUMINANCE32F_ARB:
        texData.glType = GL_LUMINANCE;
        texData.pixelType = GL_FLOAT;
        break;
    default:
        texData.glType = GL_LUMINANCE;
        texData.pixelType = GL_UNSIGNED_BYTE;
        break;
    }

    if (texData.textureID != 0) glDeleteTextures(1, &texData.textureID);
    texData.bAllocated = false;
    glGenTextures(1, &texData.textureID);
    glEnable(texData.textureTarget);
    glBindTexture(texData.textureTarget, texData.textureID);
    glTexImage2D(texData.textureTarget, 0, texData.glTypeInternal, (GLint)texData.texWidth,
                 (GLint)texData.texHeight, 0, texData.glType, texData.pixelType, nullptr);
    glTexParameterf(texData.textureTarget, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(texData.textureTarget, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(texData.textureTarget, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameterf(texData.textureTarget, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(texData.textureTarget);

    texData.width = w;
    texData.height = h;
    texData.bFlipTexture = false;
    texData.bAllocated = true;
}

void ofTexture::loadData(unsigned char* data, int w, int h, int glDataType) {
    upload(data, w, h, glDataType);
}

void ofTexture::loadData(float* data, int w, int h, int glDataType) {
    upload(data, w, h, glDataType);
}

// Sets the extents of the loaded data; false when it does not fit.
static bool fitData(ofTextureData& d, int w, int h) {
    if (w > d.texWidth || h > d.texHeight) {
        ofLog(OF_ERROR, "image data too big for allocated texture. not uploading...");
        return false;
    }
    d.width = w;
    d.height = h;
    if (d.textureTarget == GL_TEXTURE_RECTANGLE_ARB) {
        d.texCoordRight = w;
        d.texCoordBottom = h;
    } else {
        d.texCoordRight = w / d.texWidth;
        d.texCoordBottom = h / d.texHeight;
    }
    return true;
}

void ofTexture::upload(const void* data, int w, int h, int glDataType) {
    // An unallocated texture has size 0, so every upload to it is refused.
    if (!fitData(texData, w, h)) return;
    texData.glType = glDataType;

    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(texData.textureTarget);
    glBindTexture(texData.textureTarget, texData.textureID);
    glTexSubImage2D(texData.textureTarget, 0, 0, 0, w, h, texData.glType, texData.pixelType, data);
    glDisable(texData.textureTarget);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);

    texData.bFlipTexture = false;
}

void ofTexture::loadScreenData(int x, int y, int w, int h) {
    int screenY = ofGetHeight() - y - h;
    // Set before the size test: a refused copy still leaves the flag set.
    texData.bFlipTexture = true;
    if (!fitData(texData, w, h)) return;
    texData.glType = GL_RGB;

    glEnable(texData.textureTarget);
    glBindTexture(texData.textureTarget, texData.textureID);
    glCopyTexSubImage2D(texData.textureTarget, 0, 0, 0, x, screenY, w, h);
    glDisable(texData.textureTarget);
}

bool ofTexture::bAllocated() { return texData.bAllocated; }

ofTextureData ofTexture::getTextureData() {
    if (!texData.bAllocated) ofLog(OF_ERROR, "getTextureData() - texture has not been allocated");
    return texData;
}

void ofTexture::bind() {
    glEnable(texData.textureTarget);
    glBindTexture(texData.textureTarget, texData.textureID);
}

void ofTexture::unbind() { glDisable(texData.textureTarget); }

void ofTexture::setTextureWrap(int wrapS, int wrapT) {
    bind();
    glTexParameterf(texData.textureTarget, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameterf(texData.textureTarget, GL_TEXTURE_WRAP_T, wrapT);
    unbind();
}

void ofTexture::setTextureMinMagFilter(int minFilter, int magFilter) {
    bind();
    glTexParameteri(texData.textureTarget, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(texData.textureTarget, GL_TEXTURE_MIN_FILTER, minFilter);
    unbind();
}

ofPoint ofTexture::getCoordFromPoint(float x, float y) {
    if (!texData.bAllocated) return ofPoint(0, 0, 0);
    if (texData.textureTarget == GL_TEXTURE_RECTANGLE_ARB) return ofPoint(x, y, 0);
    return ofPoint(x / texData.width * texData.texCoordRight, y / texData.height * texData.texCoordBottom, 0);
}

ofPoint ofTexture::getCoordFromPercent(float x, float y) {
    if (!texData.bAllocated) return ofPoint(0, 0, 0);
    if (texData.textureTarget == GL_TEXTURE_RECTANGLE_ARB) return ofPoint(x * texData.width, y * texData.height, 0);
    return ofPoint(x * texData.texCoordRight, y * texData.texCoordBottom, 0);
}

void ofTexture::draw(float x, float y) { draw(x, y, texData.width, texData.height); }

void ofTexture::draw(float x, float y, float w, float h) {
    glEnable(texData.textureTarget);
    glBindTexture(texData.textureTarget, texData.textureID);

    float px0 = 0, px1 = w, py0 = 0, py1 = h;
    if (texData.bFlipTexture) {
        py0 = h;
        py1 = 0;
    }
    // Centre mode (1) places the quad around (x, y) and does not turn a
    // flipped texture over.
    if (ofGetRectMode() == 1) {
        px0 = -w / 2;
        py0 = -h / 2;
        px1 = w / 2;
        py1 = h / 2;
    }
    float ax = anchor.x, ay = anchor.y;
    if (bAnchorIsPct) {
        ax = w * anchor.x;
        ay = h * anchor.y;
    }
    px0 -= ax;
    px1 -= ax;
    py0 -= ay;
    py1 -= ay;

    float ow = 0, oh = 0;
    if (texData.textureTarget == GL_TEXTURE_2D && bTexHackEnabled) {
        ow = 1.0f / texData.texWidth;
        oh = 1.0f / texData.texHeight;
    }
    float tx0 = ow, ty0 = oh;
    float tx1 = texData.texCoordRight - ow, ty1 = texData.texCoordBottom - oh;

    glPushMatrix();
    glTranslatef(x, y, 0);
    const GLfloat texCoords[] = {tx0, ty0, tx1, ty0, tx1, ty1, tx0, ty1};
    const GLfloat verts[] = {px0, py0, px1, py0, px1, py1, px0, py1};
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, verts);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopMatrix();
    glDisable(texData.textureTarget);
}

float ofTexture::getHeight() { return texData.height; }
float ofTexture::getWidth() { return texData.width; }

void ofTexture::setAnchorPercent(float x, float y) {
    anchor.x = x;
    anchor.y = y;
    bAnchorIsPct = true;
}

void ofTexture::setAnchorPoint(float x, float y) {
    anchor.x = x;
    anchor.y = y;
    bAnchorIsPct = false;
}

void ofTexture::resetAnchor() {
    anchor = ofPoint(0, 0, 0);
    bAnchorIsPct = false;
}
