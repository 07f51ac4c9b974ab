#include "ofQtUtils.h"

namespace {
bool bQuicktimeInitialized = false;
}

void ofQtInitialize() { bQuicktimeInitialized = true; }

void ofQtClose() {
    if (!bQuicktimeInitialized) return;
    bQuicktimeInitialized = false;
}

void ofQtConvertArgbToRgb(const unsigned char* src, unsigned char* dst, int width, int height) {
    if (width <= 0 || height <= 0) return;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            dst[0] = src[1];
            dst[1] = src[2];
            dst[2] = src[3];
            src += 4;
            dst += 3;
        }
    }
}

bool ofQtModalUpdateFilter(ofQtDialogRecord*, const ofQtEventRecord*, short*, long) { return false; }

ofQtMediaHandler ofQtGetVideoMediaAndHandler(ofQtMovie, ofQtMedia* media, ofQtMediaHandler* handler) {
    if (media) *media = nullptr;
    if (handler) *handler = nullptr;
    return nullptr;
}

int ofQtIsMpegMedia(ofQtMediaHandler, bool* isMpeg) {
    if (isMpeg) *isMpeg = false;
    return ofQtNotAvailable;
}

int ofQtGetMpegFrameRate(ofQtMediaHandler, long* frameRate) {
    if (frameRate) *frameRate = 0;
    return ofQtNotAvailable;
}

int MediaGetStaticFrameRate(ofQtMedia, double* fps) {
    if (fps) *fps = 0;
    return ofQtNotAvailable;
}

void ofQtGetMovieFrameRate(ofQtMovie, double* fps) {
    if (fps) *fps = 0;
}
