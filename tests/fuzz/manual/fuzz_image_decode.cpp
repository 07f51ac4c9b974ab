// Any bytes as an image file, decoded in this process exactly as the
// decoder's child process does it: format by contents, declared size,
// decode, conversion to 8, 24 or 32 bits. The image library crashes, hangs
// and overruns its buffers on such files; each find is a file for the
// malformed-file table in tests/fuzz/regressions/image_decode/. Run by
// hand, never in CI (see README.md beside this file).
//
// The bytes reach the library through a file it opens by path, without
// touching the disk: an in-memory file seen as /proc/self/fd/N.
#include "ofImageDecoder.h"

#include <FreeImage.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
int memoryFile = -1;
std::string memoryPath;
// FUZZ_IMAGE_FORMAT=PICT (a name the library knows) keeps a run on one
// decoder: mutations that turn into another format are passed over. Weakly
// signed formats such as TGA otherwise take over a run.
FREE_IMAGE_FORMAT onlyFormat = FIF_UNKNOWN;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FreeImage_Initialise(false);
    memoryFile = memfd_create("image", MFD_CLOEXEC);
    if (memoryFile < 0) {
        perror("memfd_create");
        abort();
    }
    memoryPath = "/proc/self/fd/" + std::to_string(memoryFile);
    if (const char* name = getenv("FUZZ_IMAGE_FORMAT")) {
        onlyFormat = FreeImage_GetFIFFromFormat(name);
        if (onlyFormat == FIF_UNKNOWN) {
            fprintf(stderr, "FUZZ_IMAGE_FORMAT: the image library knows no format %s\n", name);
            abort();
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(memoryFile, 0) != 0) abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(memoryFile, data + done, size - done, off_t(done));
        if (n <= 0) abort();
        done += size_t(n);
    }
    if (onlyFormat != FIF_UNKNOWN && FreeImage_GetFileType(memoryPath.c_str(), 0) != onlyFormat) return -1;
    ofDecodedImage image;
    ofDecodeImageInProcess(memoryPath, image);
    return 0;
}
