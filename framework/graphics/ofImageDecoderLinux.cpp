// The decoder process on Linux. One child, forked early or at the first
// load, decodes one file at a time: the path comes down one pipe, the shape
// and the rows go up another as they are converted, straight into the
// buffer that the image keeps. Kept between loads, the child's memory stays
// warm, so a load costs little more than in this process. After a load that
// fails it leaves, so a file the library choked on never shares a process
// with the next one; a crash, a load past the time limit or a malformed
// answer ends it too, and the next load forks a new one.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "ofImageDecoder.h"
#include "ofLog.h"
#include "ofPlatform.h"

namespace {
std::atomic<int> timeLimitMs{10000};

// Room for the largest picture allowed in its widest form (16 bits a
// channel), the converted copy and the rows, with the decoder's own buffers.
constexpr rlim_t memoryBudget = rlim_t(1) << 30;
constexpr uint32_t longestPath = 64 * 1024;

struct Shape {
    int32_t decoded;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

int64_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

bool writeAll(int fd, const void* data, size_t size) {
    const char* from = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, from, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        from += n;
        size -= size_t(n);
    }
    return true;
}

// Reads exactly size bytes; with a deadline, gives up when it passes.
enum class Read { whole, broken, late };
Read readAll(int fd, void* data, size_t size, int64_t deadline = -1) {
    char* to = static_cast<char*>(data);
    while (size > 0) {
        if (deadline >= 0) {
            const int64_t left = deadline - nowMs();
            pollfd p{fd, POLLIN, 0};
            const int ready = left > 0 ? poll(&p, 1, int(left)) : 0;
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) return Read::late;
            if (ready < 0) return Read::broken;
        }
        const ssize_t n = read(fd, to, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Read::broken;
        to += n;
        size -= size_t(n);
    }
    return Read::whole;
}

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

// The child's answer: the shape, then the rows in runs large enough to keep
// the writes few. A failed decode sends a shape that says so.
class PipeWriter : public ofImageRowSink {
public:
    explicit PipeWriter(int fd) : fd(fd) {}
    bool begin(int width, int height, int bitsPerPixel) override {
        rowSize = size_t(width) * size_t(bitsPerPixel / 8);
        const size_t capacity = std::max(rowSize, size_t(256 * 1024));
        if (capacity > staging.size()) staging.resize(capacity);
        const Shape shape{1, width, height, bitsPerPixel};
        return writeAll(fd, &shape, sizeof shape);
    }
    unsigned char* nextRow() override {
        if (used + rowSize > staging.size() && !flush()) return nullptr;
        unsigned char* row = staging.data() + used;
        used += rowSize;
        return row;
    }
    bool flush() {
        const bool ok = writeAll(fd, staging.data(), used);
        used = 0;
        return ok;
    }

private:
    int fd;
    std::vector<unsigned char> staging;
    size_t rowSize = 0;
    size_t used = 0;
};

// The child. It shares the parent's memory image but nothing it may act
// on: it closes every file it inherited but its two pipes, touches no GL, X
// or sound, and leaves with _exit, so neither exit handlers nor static
// destructors run and the parent's unflushed output is not written twice.
// It dies with the parent and dumps no core.
[[noreturn]] void serve(int requests, int answers, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(2);
    prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPIPE}) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Its pipes above the standard three, which go to /dev/null, and
    // nothing else open: a pipe of the parent's that stayed open here would
    // never show its reader an end.
    requests = fcntl(requests, F_DUPFD, 3);
    answers = fcntl(answers, F_DUPFD, 3);
    const int quiet = open("/dev/null", O_RDWR);
    if (requests < 0 || answers < 0 || quiet < 0 || dup2(quiet, STDIN_FILENO) < 0 ||
        dup2(quiet, STDOUT_FILENO) < 0 || dup2(quiet, STDERR_FILENO) < 0)
        _exit(2);
    const unsigned low = unsigned(std::min(requests, answers)), high = unsigned(std::max(requests, answers));
    if (low > 3) close_range(3, low - 1, 0);
    if (high > low + 1) close_range(low + 1, high - 1, 0);
    close_range(high + 1, ~0u, 0);
    const rlim_t used = addressSpaceInUse();
    const rlimit memory{used + memoryBudget, used + memoryBudget};
    if (used == 0 || setrlimit(RLIMIT_AS, &memory) != 0) _exit(2);

    std::string path;
    PipeWriter writer(answers);
    for (;;) {
        uint32_t length = 0;
        // The parent has gone or stopped the decoder.
        if (readAll(requests, &length, sizeof length) != Read::whole || length > longestPath) _exit(0);
        path.resize(length);
        if (readAll(requests, &path[0], length) != Read::whole) _exit(0);
        if (!ofDecodeImageRows(path, writer) || !writer.flush()) {
            const Shape failed{0, 0, 0, 0};
            writeAll(answers, &failed, sizeof failed);
            _exit(0);
        }
    }
}

// The parent's side.
class Decoder {
public:
    bool decode(const std::string& name, ofDecodedImage& image) {
        std::lock_guard<std::mutex> hold(mutex);
        // The decoder keeps the folder it started in: a relative name is
        // taken from this process's folder now.
        std::string path = name;
        if (!path.empty() && path[0] != '/') {
            const std::string here = ofPlatform::currentDirectory();
            path = (here.empty() ? "/proc/" + std::to_string(getpid()) + "/cwd" : here) + "/" + path;
        }
        const int limit = timeLimitMs;
        const int64_t deadline = nowMs() + limit;
        if (path.empty() || path.size() > longestPath || !running()) return false;
        // A decoder that has gone while it waited is replaced once.
        if (!ask(path)) {
            end(false);
            if (!start() || !ask(path)) return end(false);
        }

        Shape shape{};
        Read r = readAll(answers, &shape, sizeof shape, deadline);
        ofDecodedImage decoded;
        if (r == Read::whole) {
            // After a failed decode the decoder leaves of itself.
            if (!shape.decoded) return end(false);
            if (!holdable(shape, decoded)) return end(true);
            r = readAll(answers, decoded.rows.get(), decoded.byteCount(), deadline);
        }
        if (r == Read::late)
            ofLog(OF_WARNING, "ofImage: decoding %s took longer than %d ms and was stopped", name.c_str(), limit);
        if (r != Read::whole) return end(true);
        image = std::move(decoded);
        return true;
    }

    void prepare() {
        std::lock_guard<std::mutex> hold(mutex);
        running();
    }

    void stop() {
        std::lock_guard<std::mutex> hold(mutex);
        end(false);
    }

private:
    // A decoder of this process's own, started when there is none. A
    // process forked from this one has the decoder's pipes but not the
    // decoder: it starts its own.
    bool running() {
        if (child > 0 && owner != getpid()) end(false);
        return child > 0 || start();
    }

    bool start() {
        int down[2] = {-1, -1}, up[2] = {-1, -1};
        if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0) {
            ofLog(OF_WARNING, "ofImage: cannot start the image decoder: %s", strerror(errno));
            for (int fd : {down[0], down[1]})
                if (fd >= 0) close(fd);
            return false;
        }
        // A wider pipe lets the child convert ahead while this process reads.
        fcntl(up[0], F_SETPIPE_SZ, 1 << 20);
        const pid_t parent = getpid();
        child = fork();
        if (child == 0) serve(down[0], up[1], parent);
        const int error = errno;
        close(down[0]);
        close(up[1]);
        requests = down[1];
        answers = up[0];
        owner = parent;
        if (child < 0) {
            ofLog(OF_WARNING, "ofImage: cannot start the image decoder: %s", strerror(error));
            return end(false);
        }
        return true;
    }

    bool ask(const std::string& path) {
        const uint32_t length = uint32_t(path.size());
        std::string request(reinterpret_cast<const char*>(&length), sizeof length);
        request += path;
        // A decoder that has left must not end this process by a signal.
        sigset_t pipe, old;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &old);
        const bool sent = writeAll(requests, request.data(), request.size());
        if (!sent && errno == EPIPE) {
            const timespec now{0, 0};
            sigtimedwait(&pipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return sent;
    }

    // A shape the framework can hold, and room for its rows.
    static bool holdable(const Shape& shape, ofDecodedImage& decoded) {
        const int bpp = shape.bitsPerPixel;
        if (shape.width < 0 || shape.height < 0 || (bpp != 8 && bpp != 24 && bpp != 32) ||
            uint64_t(shape.width) * uint64_t(shape.height) > ofMaxImagePixels)
            return false;
        decoded.width = shape.width;
        decoded.height = shape.height;
        decoded.bitsPerPixel = bpp;
        decoded.rows.reset(new (std::nothrow) unsigned char[decoded.byteCount()]);
        return decoded.rows != nullptr;
    }

    // Closing the request pipe ends the decoder, which is waited for; one
    // that may be stuck is killed first. In a forked process the decoder is
    // not a child, and only the pipes are closed.
    bool end(bool kill) {
        const bool mine = child > 0 && owner == getpid();
        if (mine && kill) ::kill(child, SIGKILL);
        if (requests >= 0) close(requests);
        if (answers >= 0) close(answers);
        if (mine) {
            int status;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
        child = -1;
        requests = -1;
        answers = -1;
        return false;
    }

    std::mutex mutex;
    pid_t child = -1;
    pid_t owner = -1;
    int requests = -1;
    int answers = -1;
};

Decoder& decoder() {
    // Never destroyed: loads may come from exit handlers and static
    // destructors, and the decoder ends with the process anyway.
    static Decoder* d = new Decoder;
    return *d;
}
}  // namespace

void ofSetImageDecodeTimeLimit(int milliseconds) { timeLimitMs = milliseconds > 0 ? milliseconds : 1; }
int ofGetImageDecodeTimeLimit() { return timeLimitMs; }

bool ofDecodeImageContained(const std::string& path, ofDecodedImage& image) { return decoder().decode(path, image); }

void ofStartImageDecoder() { decoder().prepare(); }

void ofStopImageDecoder() { decoder().stop(); }
