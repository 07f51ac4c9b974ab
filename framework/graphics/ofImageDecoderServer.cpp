// The image decoder program: a fork server that gives every file a process
// of its own (ofImageDecoderProtocol.h says what it is asked and answers).
// A worker is a fresh copy of a server that has decoded nothing, so a file
// that corrupts the library's memory without failing spoils only its own
// load.
//
// The worker for the next file is forked before that file is asked for: it
// waits on the socket itself, takes the request, tells the server, and the
// server forks the next one while this one decodes. Only one worker waits
// at a time, so no two read the socket. The server reads it only when it
// cannot fork, to say why. It leaves when the socket hangs up; its workers
// die with it. A worker keeps its own time limit, with a timer that the
// kernel fires however the decode has gone: the server only forks and
// reaps.
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <FreeImage.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ofImageDecoder.h"
#include "ofImageDecoderProtocol.h"

namespace {
using namespace ofImageDecoderProtocol;

// Room for the largest picture allowed in its widest form (16 bits a
// channel), the converted copy and the rows, with the decoder's own buffers.
constexpr rlim_t memoryBudget = rlim_t(1) << 30;

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

// The address space the process holds now, from the kernel's own count.
rlim_t addressSpaceInUse() {
    char text[64] = {};
    const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) {
        errno = n < 0 ? errno : EIO;
        return 0;
    }
    return rlim_t(strtoull(text, nullptr, 10)) * rlim_t(sysconf(_SC_PAGESIZE));
}

// The memory budget on top of what the worker holds already, within any
// limit, soft or hard, that the program was started with. 0, or why it
// cannot be set.
int limitMemory() {
    const rlim_t used = addressSpaceInUse();
    rlimit memory{};
    if (used == 0 || getrlimit(RLIMIT_AS, &memory) != 0) return errno;
    memory.rlim_cur = memory.rlim_max = std::min({used + memoryBudget, memory.rlim_cur, memory.rlim_max});
    return setrlimit(RLIMIT_AS, &memory) == 0 ? 0 : errno;
}

// The job's clocks are timers whose signals end the worker. The decode is
// timed on the wall clock. The rows, once the answer has begun, get the
// whole limit again, on the worker's own processor time: what is left is
// bounded work, a decode that ended just in time must not lose its picture
// to it, and writing waits for the asker to take what the pipe holds,
// which is no part of the decode and takes no processor time. Until the
// answer has begun, the asker is first told why there is none.
itimerval limit{};
volatile sig_atomic_t answering = 0;

void timeIsUp(int) {
    if (!answering) {
        const int32_t why = outOfTime;
        [[maybe_unused]] const ssize_t n = write(socketFd, &why, sizeof why);
    }
    _exit(3);
}

// The answer's head: the outcome, then what was found when it was. No clock
// runs while it goes, so the head goes whole or not at all.
bool answer(int fd, Outcome outcome, const void* what = nullptr, size_t size = 0) {
    char head[sizeof outcome + sizeof(Shape)];
    if (size > sizeof head - sizeof outcome) return false;
    std::memcpy(head, &outcome, sizeof outcome);
    if (size) std::memcpy(head + sizeof outcome, what, size);
    const itimerval stopped{};
    setitimer(ITIMER_REAL, &stopped, nullptr);
    answering = 1;
    const bool sent = writeAll(fd, head, sizeof outcome + size);
    setitimer(ITIMER_PROF, &limit, nullptr);
    return sent;
}

// The worker's answer: the outcome and shape, then the rows in runs large
// enough to keep the writes few. The last run goes out only after the
// library has let go of the bitmap, so a decode that wrecked the library's
// heap and dies in that release never sends a whole answer.
class PipeWriter : public ofImageRowSink {
public:
    explicit PipeWriter(int fd) : fd(fd) {}
    bool begin(int width, int height, int bitsPerPixel) override {
        rowSize = size_t(width) * size_t(bitsPerPixel / 8);
        staging.resize(std::max(rowSize, size_t(256 * 1024)));
        begun = true;
        const Shape shape{width, height, bitsPerPixel};
        return answer(fd, found, &shape, sizeof shape);
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
    bool begun = false;

private:
    int fd;
    std::vector<unsigned char> staging;
    size_t rowSize = 0;
    size_t used = 0;
};

// A request as it came: what to do, the name, and the descriptors that came
// with it (the answer's pipe, then the folder of a relative name).
struct Job {
    Request request{};
    std::string path;
    int fds[2] = {-1, -1};

    ~Job() {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
};

enum class Got { job, malformed, closed };

Got receive(int sock, Job& job) {
    std::vector<char> message(sizeof(Request) + longestPath + 1);
    alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
    iovec io{message.data(), message.size()};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    while ((n = recvmsg(sock, &msg, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return Got::closed;
    int count = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
        for (size_t i = 0; i < (c->cmsg_len - CMSG_LEN(0)) / sizeof(int); i++) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            if (count < 2) job.fds[count++] = fd;
            else close(fd);
        }
    }
    if (size_t(n) < sizeof(Request) || (msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) || count == 0) return Got::malformed;
    std::memcpy(&job.request, message.data(), sizeof(Request));
    job.path.assign(message.data() + sizeof(Request), size_t(n) - sizeof(Request));
    return Got::job;
}

// A new process's memory comes one page fault at a time, and a picture's
// decode touches megabytes of it: a cold worker takes half as long again
// over the game's sky as a warm one. So a worker takes the first megabytes of
// its heap in bulk while it waits, and stops as soon as its file comes.
void warmHeap() {
    constexpr size_t warm = 16 << 20, step = 256 << 10;
    // Large buffers from the heap, which free keeps, instead of from mmap.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    char* block = static_cast<char*>(malloc(warm));
    if (!block) return;
    for (size_t at = 0; at < warm; at += step) {
        pollfd p{socketFd, POLLIN, 0};
        if (poll(&p, 1, 0) != 0) break;
        char* page = reinterpret_cast<char*>((uintptr_t(block + at) + 4095) & ~uintptr_t(4095));
        if (madvise(page, step - 4096, MADV_POPULATE_WRITE) != 0) std::memset(block + at, 0, step);
    }
    free(block);
}

// The worker for one file, forked before the file is known. It dies with
// the server, dumps no core, may not grow past the memory budget nor run
// past the time limit, and leaves with _exit. What it cannot do without it tells the file's asker,
// rather than leave at once and have the server fork again and again.
[[noreturn]] void work(int taken, pid_t server) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != server) _exit(2);
    prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Nothing open but the socket, the way to the server and the standard
    // three (/dev/null).
    if (dup2(taken, socketFd + 1) != socketFd + 1) _exit(2);
    taken = socketFd + 1;
    close_range(taken + 1, ~0u, 0);
    const int32_t unable = limitMemory();
    if (!unable) warmHeap();

    Job job;
    if (receive(socketFd, job) != Got::job) _exit(0);
    const pid_t mine = getpid();
    if (!writeAll(taken, &mine, sizeof mine) || !writeAll(job.fds[0], &unable, sizeof unable) || unable) _exit(0);
    if (job.fds[1] >= 0 && fchdir(job.fds[1]) != 0) _exit(2);
    if (dup2(job.fds[0], socketFd) != socketFd) _exit(2);
    close_range(socketFd + 1, ~0u, 0);
    struct sigaction timeUp {};
    timeUp.sa_handler = timeIsUp;
    if (sigaction(SIGALRM, &timeUp, nullptr) != 0 || sigaction(SIGPROF, &timeUp, nullptr) != 0) _exit(2);
    const int ms = std::max(job.request.timeLimitMs, 1);
    limit.it_value = {ms / 1000, ms % 1000 * 1000};
    setitimer(ITIMER_REAL, &limit, nullptr);
    if (job.request.kind == fileFormat) {
        const int32_t format = FreeImage_GetFileType(job.path.c_str(), 0);
        _exit(answer(socketFd, found, &format, sizeof format) ? 0 : 1);
    }
    PipeWriter writer(socketFd);
    const bool decoded = ofDecodeImageRows(job.path, writer);
    if (!writer.begun) _exit(answer(socketFd, unreadable) ? 0 : 1);
    _exit(decoded && writer.flush() ? 0 : 1);
}
}  // namespace

int main() {
    // A worker that ends comes through a descriptor, so poll sees it as it
    // sees the socket close or a worker take a file.
    sigset_t child;
    sigemptyset(&child);
    sigaddset(&child, SIGCHLD);
    sigprocmask(SIG_BLOCK, &child, nullptr);
    const int ended = signalfd(-1, &child, SFD_CLOEXEC | SFD_NONBLOCK);
    int taken[2];
    if (ended < 0 || pipe2(taken, O_CLOEXEC) != 0 || fcntl(taken[0], F_SETFL, O_NONBLOCK) != 0 ||
        fcntl(socketFd, F_SETFD, FD_CLOEXEC) != 0)
        _exit(2);

    const pid_t server = getpid();
    pid_t spare = -1;
    int32_t forkError = 0;
    // A spare that ends before it has a file, or a fork that fails, is
    // tried again after a pause, not in a loop.
    int64_t nextFork = 0;
    // A worker's word that it has a file comes before it can end, so each
    // is read before the worker is reaped: a spare that has gone without
    // one is told from one that has a file.
    auto readTaken = [&] {
        for (pid_t pid; read(taken[0], &pid, sizeof pid) == ssize_t(sizeof pid);)
            if (pid == spare) spare = -1;
    };
    for (;;) {
        if (spare < 0 && nowMs() >= nextFork) {
            spare = fork();
            if (spare == 0) work(taken[1], server);
            forkError = spare < 0 ? errno : 0;
            if (spare < 0) nextFork = nowMs() + 100;
        }
        const int timeout = spare < 0 ? int(std::max<int64_t>(nextFork - nowMs(), 0)) : -1;
        // The socket is the waiting worker's to read: the server only sees
        // it hang up, and, when it cannot fork, answers a request with why.
        pollfd p[3] = {{socketFd, short(forkError ? POLLIN : 0), 0}, {taken[0], POLLIN, 0}, {ended, POLLIN, 0}};
        if (poll(p, 3, timeout) < 0 && errno != EINTR) _exit(2);
        if (p[0].revents & (POLLHUP | POLLERR)) _exit(0);
        if (p[0].revents & POLLIN) {
            Job job;
            if (receive(socketFd, job) == Got::closed) _exit(0);
            if (job.fds[0] >= 0) writeAll(job.fds[0], &forkError, sizeof forkError);
        }
        readTaken();
        if (p[2].revents) {
            signalfd_siginfo info;
            while (read(ended, &info, sizeof info) > 0) {
            }
            pid_t pid;
            while ((pid = waitpid(-1, nullptr, WNOHANG)) > 0) {
                readTaken();
                if (pid == spare) {
                    spare = -1;
                    nextFork = nowMs() + 100;
                }
            }
        }
    }
}
