#pragma once
// QuickTime start and stop. There is no QuickTime on this platform: starting
// it only records that it was started, so the exit path can stop it, and the
// movie queries answer as they would for a movie without video.

// Opaque stand-ins for QuickTime's movie, media and dialog handles.
struct ofQtMovieRecord;
struct ofQtMediaRecord;
struct ofQtMediaHandlerRecord;
struct ofQtDialogRecord;
struct ofQtEventRecord;
using ofQtMovie = ofQtMovieRecord*;
using ofQtMedia = ofQtMediaRecord*;
using ofQtMediaHandler = ofQtMediaHandlerRecord*;

// The error code every movie query returns here.
constexpr int ofQtNotAvailable = -1;

void ofQtInitialize();
// Returns at once when nothing was started.
void ofQtClose();

// width x height pixels of alpha, red, green, blue into red, green, blue.
void ofQtConvertArgbToRgb(const unsigned char* src, unsigned char* dst, int width, int height);

bool ofQtModalUpdateFilter(ofQtDialogRecord* dialog, const ofQtEventRecord* event, short* item, long refCon);
ofQtMediaHandler ofQtGetVideoMediaAndHandler(ofQtMovie movie, ofQtMedia* media, ofQtMediaHandler* handler);
int ofQtIsMpegMedia(ofQtMediaHandler handler, bool* isMpeg);
int ofQtGetMpegFrameRate(ofQtMediaHandler handler, long* frameRate);
int MediaGetStaticFrameRate(ofQtMedia media, double* fps);
void ofQtGetMovieFrameRate(ofQtMovie movie, double* fps);
