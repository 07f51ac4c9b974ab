// The decoder process on Linux. One child, forked at the first load, decodes
// one file at a time: the path comes over a socket, the rows go back through
// a shared memory file and a short answer follows on the socket. Kept
// between loads, its memory stays warm, so a load costs little more than in
// this process. After a load that fails it leaves, so a file the library
// choked on never shares a process with the next one; a crash, a load past
// the time limit or a malformed answer ends it too, and the next load forks
// a new one.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
#include <utility>

#include "ofImageDecoder.h"
#include "ofLog.h"

namespace {
std::atomic<int> timeLimitMs{10000};

// Room for the largest picture allowed in its widest form (16 bits a
// channel), the converted copy and the rows, with the decoder's own buffers.
constexpr rlim_t memoryBudget = rlim_t(1) << 30;
constexpr size_t largestRows = ofMaxImagePixels * 4;
constexpr size_t longestPath = 64 * 1024;

struct Answer {
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

// A shared memory file mapped whole, grown as answers need.
struct SharedRows {
    int fd = -1;
    void* map = nullptr;
    size_t mapped = 0;

    // The first size bytes, mapped; grows the file when writable.
    unsigned char* view(size_t size, bool writable) {
        if (size > mapped || !map) {
            if (writable && ftruncate(fd, off_t(size)) != 0) return nullptr;
            release();
            // An empty image still gets a page, so that it has an address.
            const size_t length = size ? size : 1;
            void* m = mmap(nullptr, length, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
            if (m == MAP_FAILED) return nullptr;
            map = m;
            mapped = length;
        }
        return static_cast<unsigned char*>(map);
    }
    void release() {
        if (map) munmap(map, mapped);
        map = nullptr;
        mapped = 0;
    }
};

// The child's side. It shares the parent's memory image but nothing it may
// act on: it closes every file it inherited but its own two, touches no GL,
// X or sound, and leaves with _exit, so neither exit handlers nor static
// destructors run and the parent's unflushed output is not written twice.
// It dies with the parent and dumps no core.
[[noreturn]] void serve(int socket, int rowsFile, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(2);
    prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0}, rowsSize{largestRows, largestRows};
    setrlimit(RLIMIT_CORE, &noCore);
    setrlimit(RLIMIT_FSIZE, &rowsSize);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPIPE, SIGXFSZ}) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Its own files above the standard three, which go to /dev/null, and
    // nothing else open: a pipe of the parent's that stayed open here would
    // never show its reader an end.
    socket = fcntl(socket, F_DUPFD, 3);
    rowsFile = fcntl(rowsFile, F_DUPFD, 3);
    const int quiet = open("/dev/null", O_RDWR);
    if (socket < 0 || rowsFile < 0 || quiet < 0 || dup2(quiet, STDIN_FILENO) < 0 || dup2(quiet, STDOUT_FILENO) < 0 ||
        dup2(quiet, STDERR_FILENO) < 0)
        _exit(2);
    const unsigned low = unsigned(std::min(socket, rowsFile)), high = unsigned(std::max(socket, rowsFile));
    close_range(3, low - 1, 0);
    close_range(low + 1, high - 1, 0);
    close_range(high + 1, ~0u, 0);
    const rlim_t used = addressSpaceInUse();
    const rlimit memory{used + memoryBudget, used + memoryBudget};
    if (used == 0 || setrlimit(RLIMIT_AS, &memory) != 0) _exit(2);

    SharedRows rows;
    rows.fd = rowsFile;
    std::unique_ptr<char[]> path(new char[longestPath + 1]);
    for (;;) {
        const ssize_t n = recv(socket, path.get(), longestPath, 0);
        if (n <= 0) _exit(0);  // the parent has gone or stopped the decoder
        path[n] = '\0';
        Answer answer{0, 0, 0, 0};
        auto room = [&](int width, int height, int bitsPerPixel) -> unsigned char* {
            answer = Answer{0, width, height, bitsPerPixel};
            return rows.view(size_t(width) * size_t(height) * size_t(bitsPerPixel / 8), true);
        };
        answer.decoded = ofDecodeImageRows(path.get(), room);
        if (send(socket, &answer, sizeof answer, MSG_NOSIGNAL) != ssize_t(sizeof answer) || !answer.decoded) _exit(0);
    }
}

// The parent's side.
class Decoder {
public:
    bool decode(const std::string& path, ofDecodedImage& image) {
        std::lock_guard<std::mutex> hold(mutex);
        // A process forked from this one has the decoder's files but not the
        // decoder: it starts its own.
        if (child > 0 && owner != getpid()) end(false);
        const int limit = timeLimitMs;
        const int64_t deadline = nowMs() + limit;
        if (path.empty() || path.size() > longestPath) return false;
        if (child <= 0 && !start()) return false;
        // A decoder that has gone while it waited is replaced once.
        if (send(socket, path.data(), path.size(), MSG_NOSIGNAL) < 0) {
            end(false);
            if (!start() || send(socket, path.data(), path.size(), MSG_NOSIGNAL) < 0) return end(false);
        }

        Answer answer{};
        for (;;) {
            const int64_t left = deadline - nowMs();
            pollfd p{socket, POLLIN, 0};
            const int ready = left > 0 ? poll(&p, 1, int(left)) : 0;
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) {
                ofLog(OF_WARNING, "ofImage: decoding %s took longer than %d ms and was stopped", path.c_str(), limit);
                return end(true);
            }
            if (ready < 0 || recv(socket, &answer, sizeof answer, 0) != ssize_t(sizeof answer)) return end(true);
            break;
        }
        // After a failed decode the decoder leaves of itself.
        if (!answer.decoded) return end(false);
        return take(answer, image) || end(true);
    }

    void prepare() {
        std::lock_guard<std::mutex> hold(mutex);
        if (child > 0 && owner != getpid()) end(false);
        if (child <= 0) start();
    }

    void stop() {
        std::lock_guard<std::mutex> hold(mutex);
        end(false);
    }

private:
    bool start() {
        int ends[2];
        // Sealed against shrinking, the rows file cannot be cut short under
        // this process's reading.
        rows.fd = memfd_create("ofImage rows", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (rows.fd < 0 || fcntl(rows.fd, F_ADD_SEALS, F_SEAL_SHRINK) != 0 ||
            socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
            ofLog(OF_WARNING, "ofImage: cannot start the image decoder: %s", strerror(errno));
            return end(false);
        }
        const pid_t parent = getpid();
        child = fork();
        if (child == 0) serve(ends[1], rows.fd, parent);
        const int error = errno;
        close(ends[1]);
        socket = ends[0];
        owner = parent;
        if (child < 0) {
            ofLog(OF_WARNING, "ofImage: cannot start the image decoder: %s", strerror(error));
            return end(false);
        }
        return true;
    }

    // Closing the socket ends the decoder, which is waited for; one that
    // may be stuck is killed first. In a forked process the decoder is not
    // a child, and only the files are closed.
    bool end(bool kill) {
        const bool mine = child > 0 && owner == getpid();
        if (mine && kill) ::kill(child, SIGKILL);
        if (socket >= 0) close(socket);
        if (mine) {
            int status;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
        rows.release();
        if (rows.fd >= 0) close(rows.fd);
        rows.fd = -1;
        child = -1;
        socket = -1;
        return false;
    }

    // The rows, taken only when the answer is whole: a shape the framework
    // can hold and a shared file that holds all its rows.
    bool take(const Answer& answer, ofDecodedImage& image) {
        const int bpp = answer.bitsPerPixel;
        if (answer.width < 0 || answer.height < 0 || (bpp != 8 && bpp != 24 && bpp != 32) ||
            uint64_t(answer.width) * uint64_t(answer.height) > ofMaxImagePixels)
            return false;
        ofDecodedImage decoded;
        decoded.width = answer.width;
        decoded.height = answer.height;
        decoded.bitsPerPixel = bpp;
        struct stat st {};
        if (fstat(rows.fd, &st) != 0 || uint64_t(st.st_size) < decoded.byteCount()) return false;
        const unsigned char* from = rows.view(decoded.byteCount(), false);
        decoded.rows.reset(new (std::nothrow) unsigned char[decoded.byteCount()]);
        if (!from || !decoded.rows) return false;
        std::memcpy(decoded.rows.get(), from, decoded.byteCount());
        image = std::move(decoded);
        return true;
    }

    std::mutex mutex;
    pid_t child = -1;
    pid_t owner = -1;
    int socket = -1;
    SharedRows rows;
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
