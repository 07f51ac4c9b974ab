// The framework's side of the image decoder program (its protocol:
// ofImageDecoderProtocol.h). The program is started with posix_spawn, which
// copies nothing of this process, so it may start or start again at any
// time, from any thread, however many threads the game has by then. It is
// this process's child, but it does not die with the thread that started
// it: it leaves when it is stopped, or when every process that holds its
// socket has ended. A process forked from this one lets go of it at once
// and starts its own with its first load.
//
// Each load gets a pipe of its own, on which the worker's answer comes
// straight into the buffer that the image keeps. The lock guards only what
// takes a few system calls: starting and ending the server, and each load's
// descriptors. A load makes its pipe and the folder of a relative name,
// sends them with its request and closes all but the pipe's read end, all
// under the lock; the read end is closed under it too. Fork takes the lock,
// so a forked copy never finds the server half started or half ended, nor a
// load's descriptor that it does not know of. No load waits on another, and
// stopping never waits on a load.
#include <FreeImage.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
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
// say: its holders keep it for a few system calls, or for the start of the
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
enum class Read { whole, broken, late, malformed, unreadable, unstarted, unopened, noRoom };

// What became of a request, and the system's reason where it has one.
struct Result {
    Read read = Read::unreadable;
    int error = 0;
};

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
// only a failed load, as it is in process. Never said with the lock held: a
// standard output that blocks would hold up every load and every fork.
void sayWhy(Result why, const std::string& path, int limit) {
    if (why.read == Read::late)
        ofLog(OF_WARNING, "ofImage: decoding %s took longer than %d ms and was stopped", path.c_str(), limit);
    else if (why.read == Read::broken)
        ofLog(OF_WARNING, "ofImage: the image decoder ended before it had decoded %s", path.c_str());
    else if (why.read == Read::malformed)
        ofLog(OF_WARNING, "ofImage: the image decoder's answer for %s is malformed", path.c_str());
    else if (why.read == Read::noRoom)
        ofLog(OF_WARNING, "ofImage: not enough memory for the pixels of %s", path.c_str());
    else if (why.read == Read::unstarted)
        cannotStart(why.error);
    else if (why.read == Read::unopened)
        ofLog(OF_WARNING, "ofImage: cannot decode %s: %s", path.c_str(), strerror(why.error));
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

// Sends a request, with the answer's pipe and the folder of a relative
// name, without waiting: a full socket is the caller's to wait out.
Read sendRequest(int sock, const Request& request, const std::string& path, int answer, int folder) {
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
        if (errno != EINTR) return errno == EAGAIN ? Read::late : Read::broken;
    }
}

// Reaps a server that has been told to go: it has gone within a second,
// unless the system is in trouble. One that the program reaped itself is no
// longer this process's child.
void awaitEnd(idtype_t type, id_t id) {
    for (int i = 0; i < 1000; i++) {
        siginfo_t info{};
        if (waitid(type, id, &info, WEXITED | WNOHANG) != 0 ? errno != EINTR : info.si_pid != 0) break;
        const timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

class Decoder;
Decoder& decoder();

class Decoder {
public:
    Decoder() {
        for (std::atomic<int>& fd : closeLater) fd = -1;
        pthread_atfork(beforeFork, afterForkInParent, afterForkInChild);
    }

    // Hands a request to the server, starting one when there is none or
    // when the one there has gone, within limit ms. The read end of the
    // answer's pipe, or -1 with why not. Which server took it, and a server
    // that was ended on the way, for the caller to reap.
    int send(const Request& request, const std::string& path, uint64_t& which, int& ended, Result& outcome) {
        const int64_t deadline = nowMs() + request.timeLimitMs;
        for (;;) {
            int answer = -1;
            if (Hold hold{*this, std::chrono::milliseconds(std::max<int64_t>(deadline - nowMs(), 0))}) {
                answer = sendHeld(request, path, which, ended, outcome);
            } else {
                outcome = {Read::late};
                return -1;
            }
            // A full socket: the server takes no requests. It is waited
            // out without the lock, and without a descriptor of its own.
            if (outcome.read != Read::late || nowMs() >= deadline) return answer;
            const timespec pause{0, 2000000};
            nanosleep(&pause, nullptr);
        }
    }

    // Closes a load's descriptor, or a reaped server's.
    void release(int fd) {
        if (fd < 0) return;
        if (Hold hold{*this, lockBound}) {
            forget(fd);
            close(fd);
            return;
        }
        // The lock is held far longer than its holders should take. The
        // descriptor stays open, and on the list, until its next holder
        // closes it: closed now, its number could go to another file that
        // a copy forked meanwhile would close. Without a free slot it stays
        // open for good, and a copy still closes it.
        for (std::atomic<int>& later : closeLater) {
            int none = -1;
            if (later.compare_exchange_strong(none, fd)) return;
        }
    }

    // Ends a server that is stuck, unless another has taken its place
    // already. The one to reap, or -1.
    int abandon(uint64_t which) {
        Hold hold{*this, lockBound};
        return hold && which == generation ? end() : -1;
    }

    void prepare(Result& outcome) {
        Hold hold{*this, lockBound};
        if (hold && !running(outcome.error)) outcome.read = Read::unstarted;
    }

    int stop() {
        Hold hold{*this, lockBound};
        return hold ? end() : -1;
    }

private:
    // The lock, taken within a bound; its holder first closes what
    // releases that could not wait for it left open.
    class Hold {
    public:
        Hold(Decoder& d, std::chrono::milliseconds bound) : d(d), held(d.mutex.try_lock_for(bound)) {
            if (held)
                for (std::atomic<int>& later : d.closeLater)
                    if (const int fd = later.exchange(-1); fd >= 0) {
                        d.forget(fd);
                        close(fd);
                    }
        }
        ~Hold() {
            if (held) d.mutex.unlock();
        }
        explicit operator bool() const { return held; }

    private:
        Decoder& d;
        const bool held;
    };

    int sendHeld(const Request& request, const std::string& path, uint64_t& which, int& ended, Result& outcome) {
        int ends[2] = {-1, -1};
        // A relative name is found from where this process is now, however
        // long that folder's name.
        const int folder = path[0] == '/' ? -2 : open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder == -1 || pipe2(ends, O_CLOEXEC) != 0) {
            outcome = {Read::unopened, errno};
        } else if (outcome.read = Read::unstarted; running(outcome.error)) {
            // A wider pipe lets the worker convert ahead while this process reads.
            if (request.kind == decodeRows) fcntl(ends[0], F_SETPIPE_SZ, 1 << 20);
            outcome.read = sendRequest(sock, request, path, ends[1], folder);
            // Its socket closed, the server has gone since the last request.
            if (outcome.read == Read::broken && ended < 0) {
                ended = end();
                outcome.read = running(outcome.error) ? sendRequest(sock, request, path, ends[1], folder) : Read::unstarted;
            }
            which = generation;
        }
        // Short of descriptors, it is the load that cannot be made.
        if (outcome.read == Read::unstarted && (outcome.error == EMFILE || outcome.error == ENFILE)) outcome.read = Read::unopened;
        for (int fd : {ends[1], folder})
            if (fd >= 0) close(fd);
        if (outcome.read == Read::whole) return keep(ends[0]);
        if (ends[0] >= 0) close(ends[0]);
        return -1;
    }

    // The descriptors of loads under way, and of servers ended but not yet
    // reaped. Each is opened and closed under the lock, so a forked copy
    // knows every one, and closes it: held there, they would keep the
    // server, or a worker waiting to write, alive for as long as the copy
    // lives.
    int keep(int fd) {
        if (fd >= 0) loads.push_back(fd);
        return fd;
    }
    void forget(int fd) { loads.erase(std::remove(loads.begin(), loads.end(), fd), loads.end()); }

    bool running(int& error) { return sock >= 0 || start(error); }

    bool start(int& error) {
        // Close-on-exec, every end: a program that this one starts holding
        // the socket would keep the server alive after this one had gone.
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            error = errno;
            return false;
        }
        // The server's end becomes its fd 3; from a number above 3, so the
        // copy made there is one that survives the exec.
        const int theirs = fcntl(pair[1], F_DUPFD_CLOEXEC, socketFd + 1);
        error = errno;
        close(pair[1]);
        if (theirs < 0) {
            close(pair[0]);
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
        // own, and a process group of its own, which its workers share: a
        // job-control stop of this program (Ctrl-Z) does not reach them.
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
        error = posix_spawn(&pid, OF_IMAGE_DECODER_PROGRAM, &actions, &attributes, argv, environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        close(theirs);
        if (error) {
            close(pair[0]);
            return false;
        }
        // From here the server is known by a pidfd alone, which names that
        // process and no other however its number is reused: the program
        // may reap its children itself. One that is not a child of this
        // process is another that took the number of a server that died at
        // once, and was reaped by the program.
        siginfo_t child{};
        const int server = int(syscall(SYS_pidfd_open, pid, 0));
        if (server < 0 || waitid(P_PIDFD, server, &child, WEXITED | WNOHANG | WNOWAIT) != 0) {
            error = errno;
            if (server >= 0) close(server);
            close(pair[0]);
            // Without a pidfd, a server still there leaves as its socket
            // closes, and is reaped by its number, its own until then.
            if (server < 0 && error != ESRCH) awaitEnd(P_PID, id_t(pid));
            return false;
        }
        pidfd = server;
        sock = pair[0];
        generation++;
        return true;
    }

    // The server holds nothing worth waiting for: it is killed at once, and
    // its workers die with it. Its pidfd, kept until it is reaped, or -1.
    int end() {
        const int ended = keep(pidfd);
        if (pidfd >= 0) syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
        if (sock >= 0) close(sock);
        sock = -1;
        pidfd = -1;
        return ended;
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
            for (int fd : {d.sock, d.pidfd})
                if (fd >= 0) close(fd);
            for (int fd : d.loads) close(fd);
            d.loads.clear();
        } else {
            new (&d.loads) std::vector<int>;
            new (&d.mutex) std::timed_mutex;
        }
        for (std::atomic<int>& later : d.closeLater) later = -1;
        d.sock = -1;
        d.pidfd = -1;
        if (forkHeld) d.mutex.unlock();
    }

    std::timed_mutex mutex;
    std::vector<int> loads;
    std::atomic<int> closeLater[16];
    int pidfd = -1;
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

// Outside the lock, then closes its pidfd.
void reap(int ended) {
    if (ended >= 0) awaitEnd(P_PIDFD, id_t(ended));
    decoder().release(ended);
}

// One try at handing a request to a worker: the read end of the pipe on
// which it answers, or -1 with why not.
int handOver(const Request& request, const std::string& path, Result& outcome) {
    uint64_t which = 0;
    int ended = -1;
    const int answer = decoder().send(request, path, which, ended, outcome);
    reap(ended);
    // The worker that takes the request says 0 first; the server, when it
    // has no worker, says why.
    int32_t error = 0;
    if (answer >= 0) outcome.read = readAll(answer, &error, sizeof error, request.timeLimitMs);
    if (outcome.read == Read::whole && error == 0) return answer;
    decoder().release(answer);
    if (outcome.read == Read::whole) outcome = {Read::unstarted, error};
    // Not taken in time, the request waits on a server that is stuck
    // (stopped, say). Lost, it went with its worker, or with a server that
    // has gone, which the next request finds out: one lost worker ends no
    // other load.
    if (outcome.read == Read::late) reap(decoder().abandon(which));
    return -1;
}

// The pipe on which what the worker found follows, or -1 with why there is
// none. A request lost with its worker or its server is sent again, at most
// twice: a server that has gone may still take one before its socket says
// so.
int ask(Kind kind, const std::string& path, int limit, Result& outcome) {
    outcome = {};
    if (path.empty() || path.size() > longestPath) return -1;
    int answer = -1;
    for (int attempt = 0; attempt < 3; attempt++) {
        answer = handOver(Request{kind, limit}, path, outcome);
        if (outcome.read != Read::broken) break;
    }
    if (answer < 0) return -1;
    int32_t said = 0;
    outcome.read = readAll(answer, &said, sizeof said, workerBound(limit));
    if (outcome.read == Read::whole && said != found)
        outcome.read = said == unreadable ? Read::unreadable : said == outOfTime ? Read::late : Read::malformed;
    if (outcome.read == Read::whole) return answer;
    decoder().release(answer);
    return -1;
}
}  // namespace

void ofSetImageDecodeTimeLimit(int milliseconds) { timeLimitMs = milliseconds > 0 ? milliseconds : 1; }
int ofGetImageDecodeTimeLimit() { return timeLimitMs; }

bool ofDecodeImageContained(const std::string& path, ofDecodedImage& image) {
    const int limit = timeLimitMs;
    Result r;
    const int answer = ask(decodeRows, path, limit, r);
    ofDecodedImage decoded;
    if (answer >= 0) {
        Shape shape{};
        r.read = readAll(answer, &shape, sizeof shape, workerBound(limit));
        if (r.read == Read::whole) r.read = holdable(shape, decoded);
        if (r.read == Read::whole) r.read = readAll(answer, decoded.rows.get(), decoded.byteCount(), workerBound(limit));
        decoder().release(answer);
    }
    sayWhy(r, path, limit);
    if (r.read != Read::whole) return false;
    image = std::move(decoded);
    return true;
}

int ofImageFileFormatContained(const std::string& path) {
    const int limit = timeLimitMs;
    Result r;
    const int answer = ask(fileFormat, path, limit, r);
    int32_t format = FIF_UNKNOWN;
    if (answer >= 0) {
        r.read = readAll(answer, &format, sizeof format, workerBound(limit));
        if (r.read == Read::whole && (format < FIF_UNKNOWN || format >= FreeImage_GetFIFCount())) r.read = Read::malformed;
        decoder().release(answer);
    }
    sayWhy(r, path, limit);
    return r.read == Read::whole ? format : FIF_UNKNOWN;
}

void ofStartImageDecoder() {
    Result r{Read::whole};
    decoder().prepare(r);
    sayWhy(r, std::string(), 0);
}

void ofStopImageDecoder() { reap(decoder().stop()); }
