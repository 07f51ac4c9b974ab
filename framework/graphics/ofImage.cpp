#include "ofImage.h"

#include <FreeImage.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "ofAppRunner.h"
#include "ofFileReplacement.h"
#include "ofImageDecoder.h"
#include "ofLog.h"
#include "ofUtils.h"

namespace {
bool bFreeImageInited = false;

void initFreeImage() {
    if (!bFreeImageInited) {
        FreeImage_Initialise(false);
        bFreeImageInited = true;
    }
}

// Bits per pixel of an image type; 0 for a bad type.
int depthOfType(int type) {
    switch (type) {
    case 0: return 8;
    case 1: return 24;
    case 2: return 32;
    default: return 0;
    }
}

size_t bufferSize(int w, int h, int bytesPerPixel) {
    return size_t(w) * size_t(h) * size_t(bytesPerPixel);
}

// The record's shape, and the types that follow from its depth, for the
// buffer it now holds.
void describePixels(ofImagePixels& pix, int w, int h, int bpp) {
    pix.width = w;
    pix.height = h;
    pix.bitsPerPixel = bpp;
    pix.bytesPerPixel = bpp / 8;
    switch (bpp) {
    case 8:
        pix.glDataType = GL_LUMINANCE;
        pix.imageType = 0;
        break;
    case 24:
        pix.glDataType = GL_RGB;
        pix.imageType = 1;
        break;
    case 32:
        pix.glDataType = GL_RGBA;
        pix.imageType = 2;
        break;
    default:
        break;
    }
    pix.bAllocated = true;
}

// Gives the record a buffer for w x h pixels of bpp bits, keeping the one it
// has when nothing changes. Sizes come from files and callers alike, so a
// negative size or a buffer that cannot be had leaves the record untouched
// and returns false.
bool allocatePixels(ofImagePixels& pix, int w, int h, int bpp) {
    if (pix.bAllocated && pix.width == w && pix.height == h && pix.bitsPerPixel == bpp) return true;
    if (w < 0 || h < 0 || bpp < 0) return false;
    unsigned char* buffer = new (std::nothrow) unsigned char[bufferSize(w, h, bpp / 8)];
    if (!buffer) return false;
    if (pix.bAllocated) delete[] pix.pixels;
    pix.pixels = buffer;
    describePixels(pix, w, h, bpp);
    return true;
}

// FreeImage keeps colour bytes as B, G, R (A); the framework as R, G, B (A).
void swapRedAndBlue(ofImagePixels& pix) {
    if (pix.bytesPerPixel == 1 || pix.bitsPerPixel == 8) return;
    size_t count = size_t(pix.width) * size_t(pix.height);
    unsigned char* p = pix.pixels;
    for (size_t i = 0; i < count; i++, p += pix.bytesPerPixel) std::swap(p[0], p[2]);
}

void unload(FIBITMAP* bmp) {
    if (bmp) FreeImage_Unload(bmp);
}
}  // namespace

void ofCloseFreeImage() {
    ofStopImageDecoder();
    if (bFreeImageInited) {
        FreeImage_DeInitialise();
        bFreeImageInited = false;
    }
}

ofImage::ofImage() { initFreeImage(); }

ofImage::ofImage(const ofImage& other) : ofBaseImage() {
    initFreeImage();
    clone(other);
    update();
}

ofImage& ofImage::operator=(const ofImage& other) {
    clone(other);
    update();
    return *this;
}

ofImage::~ofImage() { clear(); }

void ofImage::clone(const ofImage& other) {
    // A copy of an empty image is empty, and makes no texture. The old
    // texture goes even while texture use is off (clear keeps it then):
    // texture use comes back on, and it would draw the old pixels.
    if (!other.myPixels.bAllocated) {
        tex.clear();
        clear();
        bUseTexture = other.bUseTexture;
        return;
    }
    if (!allocatePixels(myPixels, other.width, other.height, other.bpp)) return;
    // memmove: an image may be assigned to itself.
    memmove(myPixels.pixels, other.myPixels.pixels,
            bufferSize(myPixels.width, myPixels.height, myPixels.bytesPerPixel));
    tex.clear();
    bUseTexture = other.bUseTexture;
    if (bUseTexture) tex.allocate(myPixels.width, myPixels.height, myPixels.glDataType);
    update();
}

void ofImage::clear() {
    if (myPixels.bAllocated && myPixels.pixels) delete[] myPixels.pixels;
    if (bUseTexture) tex.clear();
    myPixels = ofImagePixels();
    width = 0;
    height = 0;
    bpp = 0;
    type = 3;
    bUseTexture = true;
}

void ofImage::allocateTexture() {
    if (myPixels.bAllocated && bUseTexture) tex.allocate(myPixels.width, myPixels.height, myPixels.glDataType);
}

void ofImage::update() {
    if (myPixels.bAllocated && bUseTexture)
        tex.loadData(myPixels.pixels, myPixels.width, myPixels.height, myPixels.glDataType);
    width = myPixels.width;
    height = myPixels.height;
    bpp = myPixels.bitsPerPixel;
    type = myPixels.imageType;
}

void ofImage::allocate(int w, int h, int newType) {
    int depth = depthOfType(newType);
    if (depth == 0) {
        ofLog(OF_ERROR, "error = bad imageType in ofImage::allocate");
        return;
    }
    if (!allocatePixels(myPixels, w, h, depth)) return;
    allocateTexture();
    update();
}

void ofImage::setFromPixels(unsigned char* pixels, int w, int h, int newType, bool bOrderIsRGB) {
    if (!myPixels.bAllocated) allocate(w, h, newType);
    if (width != w || height != h || type != newType) {
        clear();
        allocate(w, h, newType);
    }
    int depth = depthOfType(type);
    if (depth == 0) {
        ofLog(OF_ERROR, "error = bad imageType in ofImage::setFromPixels");
        return;
    }
    if (!allocatePixels(myPixels, w, h, depth)) return;
    memcpy(myPixels.pixels, pixels, bufferSize(w, h, depth / 8));
    if (!bOrderIsRGB) swapRedAndBlue(myPixels);
    update();
}

void ofImage::setImageType(int newType) {
    changeTypeOfPixels(myPixels, newType);
    update();
}

void ofImage::resize(int w, int h) {
    resizePixels(myPixels, w, h);
    if (bUseTexture) {
        tex.clear();
        allocateTexture();
    }
    update();
}

void ofImage::grabScreen(int x, int y, int w, int h) {
    if (!myPixels.bAllocated) allocate(w, h, 1);
    int screenY = ofGetHeight() - y - h;
    if (width != w || height != h) resize(w, h);
    // Reading into a buffer of any other size would write outside it.
    if (!myPixels.bAllocated || myPixels.width != w || myPixels.height != h) return;

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, screenY, w, h, myPixels.glDataType, GL_UNSIGNED_BYTE, myPixels.pixels);
    glPopClientAttrib();

    // OpenGL reads rows bottom-up; the buffer holds them top-down.
    size_t rowBytes = size_t(myPixels.width) * myPixels.bytesPerPixel;
    unsigned char* temp = new unsigned char[rowBytes];
    for (int i = 0; i < myPixels.height / 2; i++) {
        unsigned char* top = myPixels.pixels + size_t(i) * rowBytes;
        unsigned char* bottom = myPixels.pixels + size_t(myPixels.height - 1 - i) * rowBytes;
        memcpy(temp, top, rowBytes);
        memcpy(top, bottom, rowBytes);
        memcpy(bottom, temp, rowBytes);
    }
    delete[] temp;
    update();
}

unsigned char* ofImage::getPixels() { return myPixels.pixels; }

ofTexture& ofImage::getTextureReference() {
    if (!tex.bAllocated()) ofLog(OF_WARNING, "ofImage - getTextureReference - texture is not allocated");
    return tex;
}

void ofImage::setUseTexture(bool bUse) { bUseTexture = bUse; }

void ofImage::draw(float x, float y) { draw(x, y, myPixels.width, myPixels.height); }

void ofImage::draw(float x, float y, float w, float h) {
    if (bUseTexture) tex.draw(x, y, w, h);
}

float ofImage::getWidth() { return width; }
float ofImage::getHeight() { return height; }

void ofImage::setAnchorPercent(float x, float y) {
    if (bUseTexture) tex.setAnchorPercent(x, y);
}

void ofImage::setAnchorPoint(float x, float y) {
    if (bUseTexture) tex.setAnchorPoint(x, y);
}

void ofImage::resetAnchor() {
    if (bUseTexture) tex.resetAnchor();
}

bool ofImage::loadImage(std::string fileName) {
    if (!loadImageIntoPixels(fileName, myPixels)) return false;
    allocateTexture();
    update();
    return true;
}

void ofImage::saveImage(std::string fileName) { saveImageFromPixels(fileName, myPixels); }

bool ofImage::loadImageIntoPixels(std::string fileName, ofImagePixels& pix) {
    ofDecodedImage decoded;
    if (!ofDecodeImageContained(ofToDataPath(fileName, false), decoded)) return false;
    // A record of the same shape keeps its buffer, as with any allocation;
    // otherwise it takes the decoded one.
    if (pix.bAllocated && pix.width == decoded.width && pix.height == decoded.height &&
        pix.bitsPerPixel == decoded.bitsPerPixel) {
        memcpy(pix.pixels, decoded.rows.get(), decoded.byteCount());
    } else {
        if (pix.bAllocated) delete[] pix.pixels;
        pix.pixels = decoded.rows.release();
        describePixels(pix, decoded.width, decoded.height, decoded.bitsPerPixel);
    }
    return true;
}

// Whether the format can store the bitmap as it is; the library empties the
// file it is given before it finds that it cannot. Its answer for JPEG counts
// 32 bits, which it writes only as CMYK, and only when asked to.
static bool formatCanStore(FREE_IMAGE_FORMAT fif, FIBITMAP* bmp) {
    unsigned int bpp = FreeImage_GetBPP(bmp);
    return fif != FIF_UNKNOWN && FreeImage_FIFSupportsWriting(fif) &&
           FreeImage_FIFSupportsExportType(fif, FreeImage_GetImageType(bmp)) &&
           FreeImage_FIFSupportsExportBPP(fif, bpp) && !(fif == FIF_JPEG && bpp == 32);
}

void ofImage::saveImageFromPixels(std::string fileName, ofImagePixels& pix) {
    if (!pix.bAllocated) {
        ofLog(OF_ERROR, "error saving image - pixels aren't allocated");
        return;
    }
    swapRedAndBlue(pix);
    FIBITMAP* bmp = getBmpFromPixels(pix);
    swapRedAndBlue(pix);

    std::string path = ofToDataPath(fileName, false);
    // A file already there decides by its contents, which only the decoder
    // program reads; else the name does.
    FREE_IMAGE_FORMAT fif = FREE_IMAGE_FORMAT(ofImageFileFormatContained(path));
    if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path.c_str());
    // The library does not notice a write that fails (a full disk), so it
    // encodes into memory, and the replacement writes the file, checks every
    // step and keeps the old one unless the new one is complete.
    bool saved = false;
    if (bmp && formatCanStore(fif, bmp)) {
        FIMEMORY* encoded = FreeImage_OpenMemory();
        BYTE* bytes = nullptr;
        DWORD size = 0;
        saved = encoded && FreeImage_SaveToMemory(fif, bmp, encoded, 0) &&
                FreeImage_AcquireMemory(encoded, &bytes, &size) &&
                ofReplaceFileContents(path, std::string(reinterpret_cast<char*>(bytes), size));
        if (encoded) FreeImage_CloseMemory(encoded);
    }
    if (!saved) ofLog(OF_ERROR, "error saving image - couldn't write %s", path.c_str());
    unload(bmp);
}

FIBITMAP* ofImage::getBmpFromPixels(ofImagePixels& pix) {
    if (!pix.bAllocated) return nullptr;
    FIBITMAP* bmp = FreeImage_ConvertFromRawBits(pix.pixels, pix.width, pix.height,
                                                 pix.width * (pix.bitsPerPixel / 8), pix.bitsPerPixel,
                                                 0, 0, 0, true);
    if (bmp && pix.imageType == 0) {
        RGBQUAD* palette = FreeImage_GetPalette(bmp);
        if (palette) {
            for (int i = 0; i < 256; i++) {
                palette[i].rgbBlue = i;
                palette[i].rgbGreen = i;
                palette[i].rgbRed = i;
            }
        }
    }
    return bmp;
}

void ofImage::putBmpIntoPixels(FIBITMAP* bmp, ofImagePixels& pix) {
    if (!bmp) return;
    int w = FreeImage_GetWidth(bmp);
    int h = FreeImage_GetHeight(bmp);
    int depth = FreeImage_GetBPP(bmp);
    if (!allocatePixels(pix, w, h, depth)) return;
    FreeImage_ConvertToRawBits(pix.pixels, bmp, w * (depth / 8), depth, 0xFF0000, 0x00FF00, 0x0000FF, true);
}

void ofImage::resizePixels(ofImagePixels& pix, int w, int h) {
    FIBITMAP* bmp = getBmpFromPixels(pix);
    if (!bmp) return;
    FIBITMAP* scaled = FreeImage_Rescale(bmp, w, h, FILTER_BICUBIC);
    putBmpIntoPixels(scaled, pix);
    unload(scaled);
    unload(bmp);
}

void ofImage::changeTypeOfPixels(ofImagePixels& pix, int newType) {
    int oldType = pix.imageType;
    // Nothing to convert: no pixels, the same type or no such type.
    if (!pix.bAllocated || newType == oldType || depthOfType(newType) == 0) return;
    FIBITMAP* bmp = getBmpFromPixels(pix);
    if (!bmp) return;
    FIBITMAP* converted = nullptr;
    int textureFormat = 0;
    switch (newType) {
    case 1:
        converted = FreeImage_ConvertTo24Bits(bmp);
        textureFormat = GL_RGB;
        break;
    case 2:
        converted = FreeImage_ConvertTo32Bits(bmp);
        textureFormat = GL_RGBA;
        break;
    default:
        converted = FreeImage_ConvertToGreyscale(bmp);
        break;
    }
    // Going up in type needs a texture with room for the new channels (made
    // whether or not the image uses its texture); going down keeps the
    // texture that is there.
    if (converted && oldType < newType) {
        tex.clear();
        tex.allocate(pix.width, pix.height, textureFormat);
    }
    putBmpIntoPixels(converted, pix);
    unload(converted);
    unload(bmp);
}
