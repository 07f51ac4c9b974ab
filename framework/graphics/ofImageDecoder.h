#pragma once
// Decoding an image file into the rows an ofImage keeps. The image library
// is unmaintained and crashes, hangs or overruns its buffers on malformed
// files of many formats, and it picks its decoder by the file's contents,
// so no name makes a file safe. Everything it does with a file's bytes (the
// format lookup by contents, for loads and saves, and the decode) therefore
// runs in a separate program, in a process of its own for each file, with a
// time and a memory limit, and only the finished answer comes back. What
// stays in this process works on the program's own pixels: saving encodes
// them, and rescaling and type changes convert them. Internal to ofImage.
#include <cstddef>
#include <memory>
#include <string>

// Rows top to bottom, no padding: grey (8 bits), R, G, B (24) or R, G, B, A
// (32).
struct ofDecodedImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::unique_ptr<unsigned char[]> rows;

    size_t byteCount() const { return size_t(width) * size_t(height) * size_t(bitsPerPixel / 8); }
};

// No picture the game can use comes near 8192 x 4096 pixels, the largest sky
// of a game of this kind. A file that declares more is refused before it is
// decoded, and no decoder may send back more.
constexpr unsigned long long ofMaxImagePixels = 8192ull * 4096ull;

// Takes a decoded image: its shape, then its rows top to bottom, each
// written where nextRow says. False or null from either stops the decode.
class ofImageRowSink {
public:
    virtual ~ofImageRowSink() = default;
    virtual bool begin(int width, int height, int bitsPerPixel) = 0;
    virtual unsigned char* nextRow() = 0;
};

// Everything the library does with the file, in this process: format,
// declared size, decode, conversion to 8, 24 or 32 bits. Only for the
// decoder program, and for fuzzing and measuring what containment costs.
bool ofDecodeImageRows(const std::string& path, ofImageRowSink& sink);
bool ofDecodeImageInProcess(const std::string& path, ofDecodedImage& image);

// The same in the decoder program. False for a file the library cannot
// read, and for one whose load is lost: a decode stopped at the time limit,
// a decoder that ended before it answered (it crashed on the file, say, or
// was stopped), an answer that is malformed, or a decoder that cannot start
// or a load that cannot have a descriptor. A lost load logs one warning,
// naming the file, or the decoder program, and why; a file the library
// cannot read logs nothing.
bool ofDecodeImageContained(const std::string& path, ofDecodedImage& image);

// The file's format by its contents (a FREE_IMAGE_FORMAT), found in the
// decoder program; -1 (FIF_UNKNOWN) when they tell none or the lookup is
// lost, which logs as a load does.
int ofImageFileFormatContained(const std::string& path);

// The decoder program starts with the first contained call, or earlier
// here, so that it is ready when the first picture is wanted. Stopping it
// ends it and its workers at once: a call under way then fails with a
// warning, unless it was still waiting for a worker, in which case it tries
// again with a new decoder, as does any call that comes after the stop. So
// a stop that races a call on another thread may be followed by a decoder
// that that call started. A worker lost before it took up its file costs
// no call: the file goes to the next. A process forked from this one, at
// any time, starts a decoder of its own with its first call.
void ofStartImageDecoder();
void ofStopImageDecoder();

// How long the decode of one file may take (default 10 s: the largest
// picture allowed decodes in about a second, on a busy machine or under a
// sanitizer in several). It is counted while the decode can run: not while
// the decoded rows wait for this process to take them, so a program that
// was stopped (Ctrl-Z) or not scheduled for a while keeps its pictures.
// Each wait of the caller's own is bounded by it too. Tests shorten it.
void ofSetImageDecodeTimeLimit(int milliseconds);
int ofGetImageDecodeTimeLimit();
