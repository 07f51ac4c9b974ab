// The framework's side of the image decoder program (its protocol:
// ofImageDecoderProtocol.h). The program is started with posix_spawn, which
// copies nothing of this process, so it may start or start again at any
// time, from any thread, however many threads the game has by then. It is
// this process's child, but it does not die with the thread that started
// it: it leaves when it is stopped, or when every process that holds its
// socket has ended. A process forked from this one lets go of it at once
// and starts its own with its first load.
//
// Each request goes on a copy of the socket and gets a pipe of its own, on
// which the worker's answer comes straight into the buffer that the image
// keeps. The lock guards only the starting and ending of the server, which
// take milliseconds, and the opening and closing of each load's
// descriptors, so no load waits on another and stopping never waits on a
// load. Fork takes the lock too, so that a forked copy never finds it held,
// the server half started or half ended, or a load's descriptor that it
// does not know of.
#include <FreeImage.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "ofImageDecoder.h"
#include "ofImageDecoderProtocol.h"
#include "ofLog.h"

extern char** environ;

namespace {
using namespace ofImageDecoderProtocol;

std::atomic<int> timeLimitMs{10000};

// How long the lock is waited for, where a load's own time limit does not
// say: its holders keep it for a system call, or for the start of the
// server, which takes milliseconds.
constexpr std::chrono::seconds lockBound{1};

int64_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Whether fd is ready within limit ms from now. A process stopped (Ctrl-Z)
// while it waits still takes what came meanwhile: poll, going on past its
// time, looks once more before it says no.
bool ready(int fd, short events, int limit) {
    const int64_t deadline = nowMs() + limit;
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, int(std::clamp<int64_t>(deadline - nowMs(), 0, INT_MAX)));
        if (n < 0 && errno == EINTR) continue;
        return n != 0;  // an error is the read's or write's to report
    }
}

// How a request ended, when it brought nothing.
enum class Read { whole, broken, late, malformed, unreadable, unstarted, noRoom };

// Each piece is waited for at most limit ms, so time that this process
// spends stopped counts against no piece but the one it was waiting for.
Read readAll(int fd, void* data, size_t size, int limit) {
    char* to = static_cast<char*>(data);
    while (size > 0) {
        if (!ready(fd, POLLIN, limit)) return Read::late;
        const ssize_t n = read(fd, to, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Read::broken;
        to += n;
        size -= size_t(n);
    }
    return Read::whole;
}

// The worker keeps the time limit on its decode itself, and says when it
// has run out. This process waits for a worker a second longer, for one
// that does not.
int workerBound(int limit) { return limit > INT_MAX - 1000 ? INT_MAX : limit + 1000; }

void cannotStart(int error) {
    ofLog(OF_WARNING, "ofImage: cannot start the image decoder %s: %s", OF_IMAGE_DECODER_PROGRAM, strerror(error));
}

// One warning for a load that was lost; a file the library cannot read is
// only a failed load, as it is in process.
void sayWhy(Read why, const std::string& path, int limit) {
    if (why == Read::late)
        ofLog(OF_WARNING, "ofImage: decoding %s took longer than %d ms and was stopped", path.c_str(), limit);
    else if (why == Read::broken)
        ofLog(OF_WARNING, "ofImage: the image decoder ended before it had decoded %s", path.c_str());
    else if (why == Read::malformed)
        ofLog(OF_WARNING, "ofImage: the image decoder's answer for %s is malformed", path.c_str());
    else if (why == Read::noRoom)
        ofLog(OF_WARNING, "ofImage: not enough memory for the pixels of %s", path.c_str());
}

// A shape the framework can hold, and room for its rows.
Read holdable(const Shape& shape, ofDecodedImage& decoded) {
    const int bpp = shape.bitsPerPixel;
    if (shape.width <= 0 || shape.height <= 0 || (bpp != 8 && bpp != 24 && bpp != 32) ||
        uint64_t(shape.width) * uint64_t(shape.height) > ofMaxImagePixels)
        return Read::malformed;
    decoded.width = shape.width;
    decoded.height = shape.height;
    decoded.bitsPerPixel = bpp;
    decoded.rows.reset(new (std::nothrow) unsigned char[decoded.byteCount()]);
    return decoded.rows ? Read::whole : Read::noRoom;
}

class Decoder;
Decoder& decoder();

class Decoder {
public:
    Decoder() { pthread_atfork(beforeFork, afterForkInParent, afterForkInChild); }

    // A copy of the running server's socket, for one request, and which
    // server it is. Starts a server when there is none.
    int connect(uint64_t& which, int limit, Read& outcome) {
        std::unique_lock<std::timed_mutex> hold(mutex, std::chrono::milliseconds(limit));
        outcome = hold ? Read::unstarted : Read::late;
        if (!hold || !running()) return -1;
        which = generation;
        const int copy = keep(fcntl(sock, F_DUPFD_CLOEXEC, 0));
        if (copy < 0) cannotStart(errno);
        return copy;
    }

    // A load's other descriptors: its folder and its answer's pipe.
    int openFolder() {
        std::unique_lock<std::timed_mutex> hold(mutex, lockBound);
        return hold ? keep(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)) : -1;
    }

    bool openPipe(int ends[2]) {
        std::unique_lock<std::timed_mutex> hold(mutex, lockBound);
        if (!hold) errno = ETIMEDOUT;
        if (!hold || pipe2(ends, O_CLOEXEC) != 0) return false;
        keep(ends[0]);
        keep(ends[1]);
        return true;
    }

    void release(int fd) {
        if (fd < 0) return;
        if (std::unique_lock<std::timed_mutex> hold{mutex, lockBound})
            loads.erase(std::remove(loads.begin(), loads.end(), fd), loads.end());
        close(fd);
    }

    // Ends a server that has gone or is stuck, unless another has taken its
    // place already.
    void abandon(uint64_t which) {
        pid_t ended = -1;
        if (std::unique_lock<std::timed_mutex> hold{mutex, lockBound}; hold && which == generation) ended = end();
        reap(ended);
    }

    void prepare() {
        if (std::unique_lock<std::timed_mutex> hold{mutex, lockBound}) running();
    }

    void stop() {
        pid_t ended = -1;
        if (std::unique_lock<std::timed_mutex> hold{mutex, lockBound}) ended = end();
        reap(ended);
    }

private:
    // The descriptors of loads under way. Each is opened and closed under
    // the lock, so a forked copy knows every one, and closes it: held there,
    // they would keep the server, or a worker waiting to write, alive for as
    // long as the copy lives.
    int keep(int fd) {
        if (fd >= 0) loads.push_back(fd);
        return fd;
    }

    bool running() { return server > 0 || start(); }

    bool start() {
        // Close-on-exec, every end: a program that this one starts holding
        // the socket would keep the server alive after this one had gone.
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            cannotStart(errno);
            return false;
        }
        // The server's end becomes its fd 3; from a number above 3, so the
        // copy made there is one that survives the exec.
        const int theirs = fcntl(pair[1], F_DUPFD_CLOEXEC, socketFd + 1);
        const int dupError = errno;
        close(pair[1]);
        if (theirs < 0) {
            close(pair[0]);
            cannotStart(dupError);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDWR, 0);
        posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDERR_FILENO);
        posix_spawn_file_actions_adddup2(&actions, theirs, socketFd);
        posix_spawn_file_actions_addclosefrom_np(&actions, socketFd + 1);
        // Signals as a new program has them, whatever this one did to its
        // own, and a process group of its own, which its workers share: one
        // kill ends them all, also a worker just forked that has not yet
        // tied its life to the server's. A job-control stop of this program
        // (Ctrl-Z) does not reach them.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
        char* argv[] = {const_cast<char*>(OF_IMAGE_DECODER_PROGRAM), nullptr};
        pid_t pid = -1;
        const int error = posix_spawn(&pid, OF_IMAGE_DECODER_PROGRAM, &actions, &attributes, argv, environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        close(theirs);
        if (error != 0) {
            close(pair[0]);
            cannotStart(error);
            return false;
        }
        server = pid;
        sock = pair[0];
        generation++;
        return true;
    }

    // The server and its workers hold nothing worth waiting for: they are
    // killed at once, by their group, which cannot have passed to other
    // processes while the server is not reaped. Which server to reap.
    pid_t end() {
        const pid_t ended = server;
        if (server > 0) kill(-server, SIGKILL);
        if (sock >= 0) close(sock);
        sock = -1;
        server = -1;
        return ended;
    }

    // Outside the lock: the server has gone within a second, unless the
    // system is in trouble.
    static void reap(pid_t ended) {
        for (int i = 0; ended > 0 && i < 1000; i++) {
            const pid_t r = waitpid(ended, nullptr, WNOHANG);
            if (r > 0 || (r < 0 && errno != EINTR)) break;
            const timespec pause{0, 1000000};
            nanosleep(&pause, nullptr);
        }
    }

    // The copy made by fork lets go of the server without ending it: the
    // server is this process's to stop, and its socket, held in the copy,
    // would keep it alive for as long as the copy lives. Should the lock
    // not come within its bound, the copy still lets go, and leaves the
    // descriptors open rather than close numbers it is not sure of.
    static thread_local bool forkHeld;
    static void beforeFork() { forkHeld = decoder().mutex.try_lock_for(lockBound); }
    static void afterForkInParent() {
        if (forkHeld) decoder().mutex.unlock();
    }
    static void afterForkInChild() {
        Decoder& d = decoder();
        if (forkHeld) {
            if (d.sock >= 0) close(d.sock);
            for (int fd : d.loads) close(fd);
            d.loads.clear();
        } else {
            new (&d.loads) std::vector<int>;
            new (&d.mutex) std::timed_mutex;
        }
        d.sock = -1;
        d.server = -1;
        if (forkHeld) d.mutex.unlock();
    }

    std::timed_mutex mutex;
    std::vector<int> loads;
    pid_t server = -1;
    int sock = -1;
    uint64_t generation = 0;
};

thread_local bool Decoder::forkHeld = false;

Decoder& decoder() {
    // Never destroyed: loads may come from exit handlers and static
    // destructors, and the server ends with the process anyway.
    static Decoder* d = new Decoder;
    return *d;
}

// Made before main, while the program has one thread: a process forked while
// another thread was making it would wait for ever for it to be made.
[[maybe_unused]] Decoder& madeEarly = decoder();

Read send(int sock, const Request& request, const std::string& path, int answer, int folder, int limit) {
    iovec parts[2] = {{const_cast<Request*>(&request), sizeof request}, {const_cast<char*>(path.data()), path.size()}};
    const int fds[2] = {answer, folder};
    const size_t fdCount = folder >= 0 ? 2 : 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof fds)] = {};
    msghdr msg{};
    msg.msg_iov = parts;
    msg.msg_iovlen = 2;
    msg.msg_control = control;
    msg.msg_controllen = CMSG_SPACE(fdCount * sizeof(int));
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(fdCount * sizeof(int));
    std::memcpy(CMSG_DATA(c), fds, fdCount * sizeof(int));
    for (;;) {
        // No SIGPIPE: a server that has gone must not end this process.
        if (sendmsg(sock, &msg, MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return Read::whole;
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return Read::broken;
        if (!ready(sock, POLLOUT, limit)) return Read::late;
    }
}

// One try at handing a request to a worker: the read end of the pipe on
// which it answers, or -1 with why not.
int handOver(const Request& request, const std::string& path, int folder, Read& outcome) {
    uint64_t which = 0;
    const int sock = decoder().connect(which, request.timeLimitMs, outcome);
    if (sock < 0) return -1;
    int answer[2];
    if (!decoder().openPipe(answer)) {
        cannotStart(errno);
        decoder().release(sock);
        outcome = Read::unstarted;
        return -1;
    }
    // A wider pipe lets the worker convert ahead while this process reads.
    if (request.kind == decodeRows) fcntl(answer[0], F_SETPIPE_SZ, 1 << 20);
    outcome = send(sock, request, path, answer[1], folder, request.timeLimitMs);
    decoder().release(sock);
    decoder().release(answer[1]);
    // The worker that takes the request says 0 first; the server, when it
    // has no worker, says why.
    int32_t error = 0;
    if (outcome == Read::whole) outcome = readAll(answer[0], &error, sizeof error, request.timeLimitMs);
    if (outcome == Read::whole && error == 0) return answer[0];
    decoder().release(answer[0]);
    if (outcome == Read::whole) {
        cannotStart(error);
        outcome = Read::unstarted;
        return -1;
    }
    // Not taken in time, the request waits on a server that is stuck
    // (stopped, say); lost, it went with a server that has gone.
    decoder().abandon(which);
    return -1;
}

// The pipe on which what the worker found follows, or -1 with why there is
// none. A server that has gone while it waited is replaced once.
int ask(Kind kind, const std::string& path, int limit, Read& outcome) {
    outcome = Read::unreadable;
    if (path.empty() || path.size() > longestPath) return -1;
    // A relative name is found from where this process is now, however long
    // that folder's name.
    const int folder = path[0] == '/' ? -1 : decoder().openFolder();
    if (path[0] != '/' && folder < 0) return -1;
    int answer = -1;
    for (int attempt = 0; attempt < 2; attempt++) {
        answer = handOver(Request{kind, limit}, path, folder, outcome);
        if (outcome != Read::broken) break;
    }
    decoder().release(folder);
    if (answer < 0) return -1;
    int32_t said = 0;
    outcome = readAll(answer, &said, sizeof said, workerBound(limit));
    if (outcome == Read::whole && said != found)
        outcome = said == unreadable ? Read::unreadable : said == outOfTime ? Read::late : Read::malformed;
    if (outcome == Read::whole) return answer;
    decoder().release(answer);
    return -1;
}
}  // namespace

void ofSetImageDecodeTimeLimit(int milliseconds) { timeLimitMs = milliseconds > 0 ? milliseconds : 1; }
int ofGetImageDecodeTimeLimit() { return timeLimitMs; }

bool ofDecodeImageContained(const std::string& path, ofDecodedImage& image) {
    const int limit = timeLimitMs;
    Read r;
    const int answer = ask(decodeRows, path, limit, r);
    ofDecodedImage decoded;
    if (answer >= 0) {
        Shape shape{};
        r = readAll(answer, &shape, sizeof shape, workerBound(limit));
        if (r == Read::whole) r = holdable(shape, decoded);
        if (r == Read::whole) r = readAll(answer, decoded.rows.get(), decoded.byteCount(), workerBound(limit));
        decoder().release(answer);
    }
    sayWhy(r, path, limit);
    if (r != Read::whole) return false;
    image = std::move(decoded);
    return true;
}

int ofImageFileFormatContained(const std::string& path) {
    const int limit = timeLimitMs;
    Read r;
    const int answer = ask(fileFormat, path, limit, r);
    int32_t format = FIF_UNKNOWN;
    if (answer >= 0) {
        r = readAll(answer, &format, sizeof format, workerBound(limit));
        if (r == Read::whole && (format < FIF_UNKNOWN || format >= FreeImage_GetFIFCount())) r = Read::malformed;
        decoder().release(answer);
    }
    sayWhy(r, path, limit);
    return r == Read::whole ? format : FIF_UNKNOWN;
}

void ofStartImageDecoder() { decoder().prepare(); }

void ofStopImageDecoder() { decoder().stop(); }
