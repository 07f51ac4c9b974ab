#pragma once
// What the image decoder program and the framework say to each other.
//
// The program is a fork server. It is started with exec, so it holds none
// of the starting program's memory, locks or threads; it has one thread and
// never reads a file's bytes itself. A request is one message on a socket
// (fd 3 in the program): a Request, then the file's name, with the write end
// of a pipe for the answer and, for a relative name, the asking process's
// folder (SCM_RIGHTS). A worker forked for one file before the file was
// known takes the message, decodes that file and leaves.
//
// The answer begins with an int: 0 from the worker that has the request, or
// the errno of why no worker could take it, from the server. The worker's
// Outcome follows once the file is done, then what it found. The worker
// keeps its own time limit: on the wall clock from the 0 to the Outcome,
// then on its own processor time, which stands still while the asker leaves
// the pipe full. So the limit measures the decode, not how long the asker
// was away.
#include <cstdint>

namespace ofImageDecoderProtocol {
enum Kind : uint32_t {
    // What was found is a Shape, then the rows.
    decodeRows = 1,
    // What was found is the file's format by its contents (an int32, a
    // FREE_IMAGE_FORMAT).
    fileFormat = 2,
};

enum Outcome : int32_t {
    found = 1,
    unreadable = 2,  // the library cannot read the file; nothing follows
    outOfTime = 3,   // stopped at the time limit; nothing follows
};

struct Request {
    uint32_t kind;
    int32_t timeLimitMs;
};

struct Shape {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

constexpr uint32_t longestPath = 64 * 1024;
constexpr int socketFd = 3;
}  // namespace ofImageDecoderProtocol
