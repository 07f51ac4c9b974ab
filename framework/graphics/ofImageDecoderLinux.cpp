// The framework's side of the image decoder program (its protocol:
// ofImageDecoderProtocol.h). The program is started with posix_spawn, which
// copies nothing of this process, so it may start or start again at any
// time, from any thread, however many threads the game has by then. It is
// this process's child, but it does not die with the thread that started
// it: it leaves when it is stopped, or when every process that holds its
// socket (this one and any forked copy) has ended.
//
// Each request goes on a copy of the socket and gets a pipe of its own, on
// which the worker's answer comes straight into the buffer that the image
// keeps. The lock guards only the starting and ending of the server, so no
// load waits on another and stopping never waits on a load.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "ofImageDecoder.h"
#include "ofImageDecoderProtocol.h"
#include "ofLog.h"

extern char** environ;

namespace {
using namespace ofImageDecoderProtocol;

std::atomic<int> timeLimitMs{10000};

int64_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Whether fd is ready before the deadline. Once it has passed, what is ready
// now still counts: a process that was stopped for a while (Ctrl-Z) takes
// the answer that came in time.
bool ready(int fd, short events, int64_t deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, int(std::clamp<int64_t>(deadline - nowMs(), 0, INT_MAX)));
        if (n < 0 && errno == EINTR) continue;
        return n != 0;  // an error is the read's or write's to report
    }
}

enum class Read { whole, broken, late };

Read readAll(int fd, void* data, size_t size, int64_t deadline) {
    char* to = static_cast<char*>(data);
    while (size > 0) {
        if (!ready(fd, POLLIN, deadline)) return Read::late;
        const ssize_t n = read(fd, to, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Read::broken;
        to += n;
        size -= size_t(n);
    }
    return Read::whole;
}

void cannotStart(int error) { ofLog(OF_WARNING, "ofImage: cannot start the image decoder: %s", strerror(error)); }

// A shape the framework can hold, and room for its rows.
bool holdable(const Shape& shape, ofDecodedImage& decoded) {
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

class Decoder {
public:
    // A copy of the running server's socket, for one request, and which
    // server it is. Starts a server when there is none.
    int connect(uint64_t& which) {
        std::lock_guard<std::mutex> hold(mutex);
        if (!running()) return -1;
        which = generation;
        const int copy = fcntl(sock, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) cannotStart(errno);
        return copy;
    }

    // Ends a server that has gone or is stuck, unless another has taken its
    // place already.
    void abandon(uint64_t which) {
        std::lock_guard<std::mutex> hold(mutex);
        if (which == generation) end();
    }

    void prepare() {
        std::lock_guard<std::mutex> hold(mutex);
        running();
    }

    void stop() {
        std::lock_guard<std::mutex> hold(mutex);
        end();
    }

private:
    // A server of this process's own, started when there is none. A process
    // forked from this one shares the socket but not the child: it lets go
    // of that server and starts its own.
    bool running() {
        if (owner != getpid()) end();
        return server > 0 || start();
    }

    bool start() {
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
        // tied its life to the server's.
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
        owner = getpid();
        sock = pair[0];
        generation++;
        return true;
    }

    // The server and its workers hold nothing worth waiting for: they are
    // killed at once, by their group, which cannot have passed to other
    // processes while the server is not reaped. The server is reaped if it
    // has gone within a second, which it has unless the system is in
    // trouble. A forked copy of this process only lets go of the socket.
    void end() {
        if (server > 0 && owner == getpid()) {
            kill(-server, SIGKILL);
            for (int i = 0; i < 1000; i++) {
                const pid_t r = waitpid(server, nullptr, WNOHANG);
                if (r > 0 || (r < 0 && errno != EINTR)) break;
                const timespec pause{0, 1000000};
                nanosleep(&pause, nullptr);
            }
        }
        if (sock >= 0) close(sock);
        sock = -1;
        server = -1;
    }

    std::mutex mutex;
    pid_t server = -1;
    pid_t owner = -1;
    int sock = -1;
    uint64_t generation = 0;
};

Decoder& decoder() {
    // Never destroyed: loads may come from exit handlers and static
    // destructors, and the server ends with the process anyway.
    static Decoder* d = new Decoder;
    return *d;
}

Read send(int sock, const Request& request, const std::string& path, int answer, int folder, int64_t deadline) {
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
        if (nowMs() >= deadline || !ready(sock, POLLOUT, deadline)) return Read::late;
    }
}

// One try at handing a request to a worker: the read end of the pipe on
// which it answers, or -1. gone says whether the server went away with the
// request, so that another may be asked.
int handOver(const Request& request, const std::string& path, int folder, int64_t deadline, Read& outcome, bool& gone) {
    outcome = Read::broken;
    uint64_t which = 0;
    const int sock = decoder().connect(which);
    if (sock < 0) return -1;
    int answer[2];
    if (pipe2(answer, O_CLOEXEC) != 0) {
        cannotStart(errno);
        close(sock);
        return -1;
    }
    // A wider pipe lets the worker convert ahead while this process reads.
    if (request.kind == decodeRows) fcntl(answer[0], F_SETPIPE_SZ, 1 << 20);
    outcome = send(sock, request, path, answer[1], folder, deadline);
    close(sock);
    close(answer[1]);
    // The worker that takes the request says 0 first; the server, when it
    // has no worker, says why.
    int32_t error = 0;
    if (outcome == Read::whole) outcome = readAll(answer[0], &error, sizeof error, deadline);
    if (outcome == Read::whole && error == 0) return answer[0];
    close(answer[0]);
    if (outcome == Read::whole) {
        cannotStart(error);
        outcome = Read::broken;
        return -1;
    }
    // Not taken in time, the request waits on a server that is stuck
    // (stopped, say); lost, it went with a server that has gone.
    gone = outcome == Read::broken;
    decoder().abandon(which);
    return -1;
}

// The read end of the pipe on which a worker will answer, or -1 with why
// there is none. A server that has gone while it waited is replaced once.
int ask(Kind kind, const std::string& path, int64_t deadline, int limit, Read& outcome) {
    outcome = Read::broken;
    if (path.empty() || path.size() > longestPath) return -1;
    // A relative name is found from where this process is now, however long
    // that folder's name.
    const int folder = path[0] == '/' ? -1 : open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (path[0] != '/' && folder < 0) return -1;
    int answer = -1;
    for (int attempt = 0; attempt < 2; attempt++) {
        bool gone = false;
        answer = handOver(Request{kind, limit}, path, folder, deadline, outcome, gone);
        if (answer >= 0 || !gone) break;
    }
    if (folder >= 0) close(folder);
    return answer;
}
}  // namespace

void ofSetImageDecodeTimeLimit(int milliseconds) { timeLimitMs = milliseconds > 0 ? milliseconds : 1; }
int ofGetImageDecodeTimeLimit() { return timeLimitMs; }

bool ofDecodeImageContained(const std::string& path, ofDecodedImage& image) {
    const int limit = timeLimitMs;
    const int64_t deadline = nowMs() + limit;
    Read r;
    const int answer = ask(decodeRows, path, deadline, limit, r);
    ofDecodedImage decoded;
    if (answer >= 0) {
        Shape shape{};
        r = readAll(answer, &shape, sizeof shape, deadline);
        if (r == Read::whole)
            r = holdable(shape, decoded) ? readAll(answer, decoded.rows.get(), decoded.byteCount(), deadline) : Read::broken;
        close(answer);
    }
    if (r == Read::late)
        ofLog(OF_WARNING, "ofImage: decoding %s took longer than %d ms and was stopped", path.c_str(), limit);
    if (r != Read::whole) return false;
    image = std::move(decoded);
    return true;
}

int ofImageFileFormatContained(const std::string& path) {
    const int limit = timeLimitMs;
    const int64_t deadline = nowMs() + limit;
    Read r;
    const int answer = ask(fileFormat, path, deadline, limit, r);
    int32_t format = -1;
    if (answer >= 0) {
        if (readAll(answer, &format, sizeof format, deadline) != Read::whole) format = -1;
        close(answer);
    }
    return format;
}

void ofStartImageDecoder() { decoder().prepare(); }

void ofStopImageDecoder() { decoder().stop(); }
