// The decoder's child process on Linux: fork, limits, a pipe for the rows.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "ofImageDecoder.h"
#include "ofLog.h"

namespace {
std::atomic<int> timeLimitMs{10000};

// Room for the largest picture allowed in its widest form (16 bits a
// channel), the converted copy and the rows, with the decoder's own buffers.
constexpr rlim_t memoryBudget = rlim_t(1) << 30;

struct Header {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

int64_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

bool writeAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Sends the header and the rows in runs large enough to keep the number of
// writes low.
class PipeWriter : public ofImageRowSink {
public:
    explicit PipeWriter(int fd) : fd(fd) {}
    bool begin(int width, int height, int bitsPerPixel) override {
        const Header header{width, height, bitsPerPixel};
        return put(reinterpret_cast<const unsigned char*>(&header), sizeof header);
    }
    bool row(const unsigned char* bytes, size_t size) override { return put(bytes, size); }
    bool flush() {
        const bool ok = writeAll(fd, buffer.get(), used);
        used = 0;
        return ok;
    }

private:
    bool put(const unsigned char* bytes, size_t size) {
        if (used + size > capacity && !flush()) return false;
        if (size > capacity) return writeAll(fd, bytes, size);
        std::memcpy(buffer.get() + used, bytes, size);
        used += size;
        return true;
    }
    static constexpr size_t capacity = 256 * 1024;
    int fd;
    std::unique_ptr<unsigned char[]> buffer{new unsigned char[capacity]};
    size_t used = 0;
};

// The address space the process holds now, from the kernel's own count.
rlim_t addressSpaceInUse() {
    char text[64] = {};
    const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return 0;
    return rlim_t(strtoull(text, nullptr, 10)) * rlim_t(sysconf(_SC_PAGESIZE));
}

// The child shares the parent's memory image but nothing else it may act
// on: it touches no GL, X or sound, and leaves with _exit, so neither exit
// handlers nor static destructors run, and the parent's unflushed output is
// not written twice. It dies with the parent, dumps no core, and what the
// library prints about the file goes nowhere.
[[noreturn]] void decodeInChild(const std::string& path, int out, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(2);
    prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlim_t used = addressSpaceInUse();
    if (used == 0) _exit(2);
    const rlimit memory{used + memoryBudget, used + memoryBudget};
    if (setrlimit(RLIMIT_AS, &memory) != 0) _exit(2);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPIPE}) signal(sig, SIG_DFL);
    sigset_t all;
    sigemptyset(&all);
    sigprocmask(SIG_SETMASK, &all, nullptr);
    const int quiet = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (quiet >= 0) {
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
    }

    PipeWriter writer(out);
    if (!ofDecodeImageRows(path, writer) || !writer.flush()) _exit(1);
    // The parent takes the end of the stream as the end of the answer; it
    // need not wait for this process's memory to be torn down.
    close(out);
    _exit(0);
}

enum class Read { done, failed, late };

// Reads exactly size bytes before the deadline.
Read readAll(int fd, unsigned char* data, size_t size, int64_t deadline) {
    while (size > 0) {
        const int64_t left = deadline - nowMs();
        if (left <= 0) return Read::late;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Read::failed;
        if (ready == 0) return Read::late;
        const ssize_t n = read(fd, data, size);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return Read::failed;
        data += n;
        size -= size_t(n);
    }
    return Read::done;
}

// Takes the child's answer: a header the framework can hold, exactly the
// rows it announces, and then the end of the stream.
Read receive(int fd, int64_t deadline, ofDecodedImage& image) {
    Header header{};
    Read r = readAll(fd, reinterpret_cast<unsigned char*>(&header), sizeof header, deadline);
    if (r != Read::done) return r;
    const int bpp = header.bitsPerPixel;
    if (header.width < 0 || header.height < 0 || (bpp != 8 && bpp != 24 && bpp != 32) ||
        uint64_t(header.width) * uint64_t(header.height) > ofMaxImagePixels)
        return Read::failed;
    ofDecodedImage decoded;
    decoded.width = header.width;
    decoded.height = header.height;
    decoded.bitsPerPixel = bpp;
    decoded.rows.reset(new (std::nothrow) unsigned char[decoded.byteCount()]);
    if (!decoded.rows) return Read::failed;
    r = readAll(fd, decoded.rows.get(), decoded.byteCount(), deadline);
    if (r != Read::done) return r;
    unsigned char extra;
    r = readAll(fd, &extra, 1, deadline);
    if (r == Read::late) return r;
    if (r == Read::done) return Read::failed;
    image = std::move(decoded);
    return Read::done;
}
}  // namespace

void ofSetImageDecodeTimeLimit(int milliseconds) { timeLimitMs = milliseconds > 0 ? milliseconds : 1; }
int ofGetImageDecodeTimeLimit() { return timeLimitMs; }

bool ofDecodeImageContained(const std::string& path, ofDecodedImage& image) {
    const int limit = timeLimitMs;
    const int64_t deadline = nowMs() + limit;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        ofLog(OF_WARNING, "ofImage: cannot decode %s: %s", path.c_str(), strerror(errno));
        return false;
    }
    // A wider pipe lets the child write ahead while this process copies.
    fcntl(pipeEnds[0], F_SETPIPE_SZ, 1 << 20);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        decodeInChild(path, pipeEnds[1], parent);
    }
    const int forkError = errno;
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        ofLog(OF_WARNING, "ofImage: cannot decode %s: %s", path.c_str(), strerror(forkError));
        return false;
    }

    ofDecodedImage decoded;
    const Read answer = receive(pipeEnds[0], deadline, decoded);
    close(pipeEnds[0]);
    if (answer != Read::done) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (answer == Read::late)
        ofLog(OF_WARNING, "ofImage: decoding %s took longer than %d ms and was stopped", path.c_str(), limit);
    if (answer != Read::done || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    image = std::move(decoded);
    return true;
}
