#include "ofImageDecoder.h"

#include <FreeImage.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "ofImageHeader.h"

namespace {
// The library allocates whatever size a file's header declares, so a few
// bytes could ask for gigabytes. Where the library cannot read a format's
// header alone, the header is read by hand.
bool declaredSizeFits(FREE_IMAGE_FORMAT fif, const std::string& path) {
    uint64_t pixels = 0;
    if (FreeImage_FIFSupportsNoPixels(fif)) {
        FIBITMAP* header = FreeImage_Load(fif, path.c_str(), FIF_LOAD_NOPIXELS);
        if (!header) return false;
        pixels = uint64_t(FreeImage_GetWidth(header)) * FreeImage_GetHeight(header);
        FreeImage_Unload(header);
    } else if (!declaredPixelCount(fif, path, pixels)) {
        return false;
    }
    return pixels <= ofMaxImagePixels;
}

struct Unloader {
    void operator()(FIBITMAP* bmp) const { FreeImage_Unload(bmp); }
};
using Bitmap = std::unique_ptr<FIBITMAP, Unloader>;
}  // namespace

bool ofDecodeImageRows(const std::string& path, ofImageRowSink& sink) {
    FREE_IMAGE_FORMAT fif = imageFileFormat(path);
    if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) return false;
    if (!declaredSizeFits(fif, path)) return false;
    Bitmap bmp(FreeImage_Load(fif, path.c_str(), 0));
    if (!bmp) return false;

    // Plain 8-bit grey, 24-bit and 32-bit bitmaps are taken as they are;
    // everything else (palettes, 1, 4, 16 and 48 bits) becomes 24-bit colour.
    // The 24-bit conversion takes no 16-bit grey: that becomes standard
    // 8-bit grey (its high bytes) on the way. Floats have no such way and
    // are refused. 8-bit grey stored with white as 0 keeps its one byte a
    // pixel, turned round so that 0 is black, as it looks.
    const bool grey16 = FreeImage_GetImageType(bmp.get()) == FIT_UINT16;
    if (grey16) {
        bmp.reset(FreeImage_ConvertTo8Bits(bmp.get()));
        if (!bmp) return false;
    }
    unsigned int depth = FreeImage_GetBPP(bmp.get());
    const bool standard = FreeImage_GetImageType(bmp.get()) == FIT_BITMAP;
    if (!grey16 && standard && depth == 8 && FreeImage_GetColorType(bmp.get()) == FIC_MINISWHITE) {
        bmp.reset(FreeImage_ConvertToGreyscale(bmp.get()));
        if (!bmp || FreeImage_GetBPP(bmp.get()) != 8) return false;
    }
    const bool keep = !grey16 && standard &&
                      (depth == 24 || depth == 32 || (depth == 8 && FreeImage_GetColorType(bmp.get()) != FIC_PALETTE));
    if (!keep) {
        bmp.reset(FreeImage_ConvertTo24Bits(bmp.get()));
        if (!bmp || FreeImage_GetBPP(bmp.get()) != 24) return false;
        depth = 24;
    }

    const unsigned int w = FreeImage_GetWidth(bmp.get()), h = FreeImage_GetHeight(bmp.get());
    if (w == 0 || h == 0 || uint64_t(w) * h > ofMaxImagePixels || !sink.begin(int(w), int(h), int(depth))) return false;
    // The library's rows run bottom-up with colour bytes as B, G, R (A).
    const size_t step = depth / 8, size = size_t(w) * step;
    for (unsigned int y = h; y-- > 0;) {
        const unsigned char* from = FreeImage_GetScanLine(bmp.get(), int(y));
        unsigned char* to = sink.nextRow();
        if (!from || !to) return false;
        if (step == 1) {
            std::memcpy(to, from, size);
            continue;
        }
        for (size_t i = 0; i < size; i += step) {
            to[i] = from[i + 2];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i];
            if (step == 4) to[i + 3] = from[i + 3];
        }
    }
    return true;
}

namespace {
// Gathers the rows into one buffer.
class WholeImage : public ofImageRowSink {
public:
    explicit WholeImage(ofDecodedImage& image) : image(image) {}
    bool begin(int width, int height, int bitsPerPixel) override {
        image.width = width;
        image.height = height;
        image.bitsPerPixel = bitsPerPixel;
        image.rows.reset(new (std::nothrow) unsigned char[image.byteCount()]);
        next = image.rows.get();
        return next != nullptr;
    }
    unsigned char* nextRow() override {
        unsigned char* row = next;
        next += size_t(image.width) * size_t(image.bitsPerPixel / 8);
        return row;
    }

private:
    ofDecodedImage& image;
    unsigned char* next = nullptr;
};
}  // namespace

bool ofDecodeImageInProcess(const std::string& path, ofDecodedImage& image) {
    ofDecodedImage decoded;
    WholeImage sink(decoded);
    if (!ofDecodeImageRows(path, sink)) return false;
    image = std::move(decoded);
    return true;
}
