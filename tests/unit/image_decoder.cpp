// Image files on which the image library crashes, hangs, overruns its
// buffers or asks for more memory than it may have. Each is a failed load:
// loadImage returns false, the image keeps what it had, the test lives on,
// and at most one line says why: a load stopped at the time limit, or a
// decoder that ended without an answer.
// The files are fuzzing finds, kept beside the fuzz target that finds more.
#include "CaptureStdout.h"
#include "TestPaths.h"
#include "ofImage.h"
#include "ofImageDecoder.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {
const std::string FOUND = testpaths::sourceDir() + "/tests/fuzz/regressions/image_decode";

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' && std::string(e->d_name) != "README.md") names.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// An image that has pixels of its own, to keep through a failed load.
struct Kept : ofImage {
    unsigned char before[6] = {10, 20, 30, 40, 50, 60};
    Kept() {
        setUseTexture(false);
        setFromPixels(before, 2, 1, 1, true);
    }
    bool unchanged() { return width == 2 && height == 1 && type == 1 && std::equal(before, before + 6, getPixels()); }
};

std::vector<pid_t> childrenOf(const std::string& process) {
    std::vector<pid_t> pids;
    for (const std::string& task : filesIn("/proc/" + process + "/task")) {
        std::ifstream children(task + "/children");
        for (pid_t pid; children >> pid;) pids.push_back(pid);
    }
    return pids;
}

// A process's state as /proc tells it: R, S, T, Z and so on; 0 when gone.
char state(pid_t pid) {
    std::string stat;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
    const size_t end = stat.rfind(") ");
    return end == std::string::npos ? 0 : stat[end + 2];
}

// The decoder program's server: this process's living child of that name,
// or 0.
pid_t decoderServer() {
    for (pid_t pid : childrenOf("self")) {
        std::string name;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
        if (name == "ofImageDecoder" && state(pid) != 'Z') return pid;
    }
    return 0;
}

// Runs until p holds: waits on an event, within a generous bound.
template <class Holds> void waitFor(Holds p) {
    for (int i = 0; i < 10000 && !p(); i++) usleep(1000);
}

// Decoder processes stopped as by a debugger, continued again at the end
// of the test even when it fails: one killed meanwhile then leaves, and
// none stays behind stopped.
struct Stopped {
    std::vector<pid_t> pids;
    void stop(pid_t pid) {
        kill(pid, SIGSTOP);
        pids.push_back(pid);
        waitFor([&] { return state(pid) == 'T' || state(pid) == 'Z' || state(pid) == 0; });
    }
    // The server, then the worker that waits for the next file: a server
    // that has stopped forks no other.
    void decoder(pid_t server) {
        stop(server);
        for (pid_t worker : childrenOf(std::to_string(server))) stop(worker);
    }
    ~Stopped() {
        for (pid_t pid : pids) kill(pid, SIGCONT);
    }
};

// Whether the game's pictures load, each equal to its decode in this process.
bool picturesLoad(std::initializer_list<const char*> names = {"rock.jpg", "brackwater_logo.png"}) {
    bool all = true;
    for (const char* name : names) {
        const std::string file = testpaths::sourceDir() + "/data/" + name;
        ofDecodedImage reference, loaded;
        all = all && ofDecodeImageInProcess(file, reference) && ofDecodeImageContained(file, loaded) &&
              loaded.byteCount() == reference.byteCount() &&
              std::equal(loaded.rows.get(), loaded.rows.get() + loaded.byteCount(), reference.rows.get());
    }
    return all;
}

// The warning for a worker that ended without an answer.
std::string ended(const std::string& file) {
    return "OF_WARNING: ofImage: the image decoder ended before it had decoded " + file + "\n";
}

void waitUntilDead(pid_t pid) {
    waitFor([&] { return state(pid) == 0 || state(pid) == 'Z'; });
}

// The descriptors of the sockets, pipes and pidfds this process holds.
std::vector<int> socketsAndPipes() {
    std::vector<int> fds;
    for (const std::string& fd : filesIn("/proc/self/fd")) {
        char link[64] = {};
        if (readlink(fd.c_str(), link, sizeof link - 1) > 0 &&
            (!strncmp(link, "socket:", 7) || !strncmp(link, "pipe:", 5) || strstr(link, "pidfd")))
            fds.push_back(std::stoi(fd.substr(fd.rfind('/') + 1)));
    }
    return fds;
}

// The number of the system call a thread of this process is in.
std::string syscallOf(pid_t thread) {
    std::string number;
    std::ifstream("/proc/self/task/" + std::to_string(thread) + "/syscall") >> number;
    return number;
}

// The decoder is made, and started, holding a lock. Told to, the first of
// the two that comes waits until the forking thread has forked or waits for
// the lock.
std::atomic<pid_t> startWaitsForFork{0};
// Told to, the next start fails with this error.
std::atomic<int> startFails{0};
std::atomic<bool> startWaiting{false}, forked{false};
void holdForFork() {
    if (const pid_t forker = startWaitsForFork.exchange(0)) {
        startWaiting = true;
        waitFor([&] { return forked || syscallOf(forker) == "202"; });  // futex
    }
}
}  // namespace

extern "C" int posix_spawn(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                           const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
    static const auto real = reinterpret_cast<decltype(&posix_spawn)>(dlsym(RTLD_NEXT, "posix_spawn"));
    holdForFork();
    if (const int error = startFails.exchange(0)) return error;
    return real(pid, path, actions, attributes, argv, envp);
}

extern "C" int __register_atfork(void (*)(), void (*)(), void (*)(), void*);
extern "C" int pthread_atfork(void (*prepare)(), void (*parent)(), void (*child)()) {
    holdForFork();
    return __register_atfork(prepare, parent, child, nullptr);
}

TEST(ImageDecoder, MalformedFilesAreFailedLoadsAndTheNextFileStillLoads) {
    const std::vector<std::string> files = filesIn(FOUND);
    // One file for each fault found so far (README.md says what each does).
    ASSERT_GE(files.size(), 24u);
    // A file that hangs costs its time limit. A decode moved back into this
    // process crashes or hangs it, and the alarm ends the test rather than
    // the suite's timeout.
    const int limit = ofGetImageDecodeTimeLimit();
    ofSetImageDecodeTimeLimit(250);
    alarm(120);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        Kept img;
        CaptureStdout out;
        EXPECT_FALSE(img.loadImage(file));
        const std::string said = out.finish();
        EXPECT_TRUE(said.empty() || said == "OF_WARNING: ofImage: decoding " + file + " took longer than 250 ms and was stopped\n" ||
                    said == ended(file))
            << said;
        EXPECT_TRUE(img.unchanged());
    }
    alarm(0);
    ofSetImageDecodeTimeLimit(limit);
    ofImage after;
    after.setUseTexture(false);
    EXPECT_TRUE(after.loadImage(testpaths::sourceDir() + "/data/brackwater_logo.png"));
    EXPECT_EQ(after.width * 1000 + after.height, 384096);
}

// The library would spend the whole time limit on this header, asking for
// ever more memory; the decoder's memory limit refuses it at once.
TEST(ImageDecoder, AFileThatAsksForTooMuchMemoryIsRefusedWithoutWaitingForTheTimeLimit) {
    Kept img;
    CaptureStdout out;
    EXPECT_FALSE(img.loadImage(FOUND + "/exr-endless-header.exr"));
    const std::string said = out.finish();
    EXPECT_TRUE(said.empty() || said == ended(FOUND + "/exr-endless-header.exr")) << said;
    EXPECT_TRUE(img.unchanged());
}

// Decoded in a process whose heap lay as it does after a PNG save of this
// size, this file overran a row buffer of the library's and still loaded,
// and a decoder process that went on to the next files failed the second.
TEST(ImageDecoder, AFileThatWrecksTheLibrarysHeapSpoilsNoOtherLoad) {
    ScratchDir folder("image-decoder-heap");
    ofImage screenshot;
    screenshot.setUseTexture(false);
    screenshot.allocate(64, 64, 1);
    screenshot.saveImage(folder / "shot.png");
    ofImage wrecker;
    wrecker.setUseTexture(false);
    wrecker.loadImage(FOUND + "/pict-row-overrun.pict");
    for (int load = 0; load < 3; load++) EXPECT_TRUE(picturesLoad()) << "load " << load;
}

// A decoder that was killed, stopped, started by a thread that has ended or
// shared with a forked copy of this process: loads go on, nothing waits on
// it past a short bound, and what is stuck is replaced.
TEST(ImageDecoder, LoadsOutliveTheDecoderAndStoppingItNeverWaitsLong) {
    alarm(60);  // a wait without a bound ends the test, not the suite
    ofStopImageDecoder();
    const int programs = fcntl(0, F_DUPFD, 64);  // inherited by what it starts, above the server's own
    std::thread([] { EXPECT_TRUE(picturesLoad()); }).join();
    const pid_t first = decoderServer();
    ASSERT_GT(first, 0);
    EXPECT_EQ(getpgid(first), first) << "a group of its own, so Ctrl-Z in a terminal does not stop it with the game";
    EXPECT_NE(access(("/proc/" + std::to_string(first) + "/fd/" + std::to_string(programs)).c_str(), F_OK), 0);
    close(programs);
    EXPECT_TRUE(picturesLoad()) << "after the thread that started it ended";
    EXPECT_EQ(decoderServer(), first);

    int status = -1;
    stdoutOfAChild([] {
        // Under a soft address-space limit of its own, as after ulimit -Sv,
        // below what the decoder's workers would take otherwise.
        size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
        const rlimit memory{room, RLIM_INFINITY};
        bool loaded = setrlimit(RLIMIT_AS, &memory) == 0 && picturesLoad();
        std::string soft, hard;  // the spare's, once it has set them
        waitFor([&] {
            const std::vector<pid_t> spares = childrenOf(std::to_string(decoderServer()));
            std::ifstream limits("/proc/" + std::to_string(spares.empty() ? 0 : spares[0]) + "/limits");
            for (std::string line; std::getline(limits, line);)
                if (!line.rfind("Max address space", 0)) std::istringstream(line.substr(17)) >> soft >> hard;
            return !hard.empty() && hard != "unlimited";
        });
        loaded = loaded && !hard.empty() && hard != "unlimited" && std::stoull(soft) <= room;
        ofStopImageDecoder();
        _exit(loaded ? 0 : 1);
    }, status);
    EXPECT_EQ(status, 0) << "a forked copy loads with a decoder of its own";
    EXPECT_EQ(decoderServer(), first) << "and leaves this process's alone";

    // Dead and with no worker left to hold its socket.
    const std::vector<pid_t> waiting = childrenOf(std::to_string(first));
    kill(first, SIGKILL);
    waitUntilDead(first);
    for (pid_t worker : waiting) waitUntilDead(worker);
    EXPECT_TRUE(picturesLoad()) << "a killed decoder is replaced";

    Stopped stopped;
    const pid_t stuck = decoderServer();
    ASSERT_GT(stuck, 0);
    stopped.decoder(stuck);
    const int limit = ofGetImageDecodeTimeLimit();
    ofSetImageDecodeTimeLimit(250);
    const std::string longName(60000, 'n');
    CaptureStdout out;
    Kept img;
    EXPECT_FALSE(img.loadImage(longName));
    const std::string said = out.finish();
    EXPECT_TRUE(said == "OF_WARNING: ofImage: decoding data/" + longName + " took longer than 250 ms and was stopped\n") << said.substr(0, 80);
    ofSetImageDecodeTimeLimit(limit);
    EXPECT_TRUE(picturesLoad()) << "a stopped decoder is replaced";
    EXPECT_NE(kill(stuck, 0), 0) << "and reaped";

    // Stopping waits neither for a load that waits on the decoder nor for a
    // forked copy that holds its socket.
    const pid_t last = decoderServer();
    ASSERT_GT(last, 0);
    stopped.decoder(last);
    const pid_t copy = fork();
    if (copy == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        pause();
        _exit(0);
    }
    ofSetImageDecodeTimeLimit(600000);
    std::atomic<pid_t> loader{0};
    std::thread loading([&] {
        loader = pid_t(syscall(SYS_gettid));
        ofDecodedImage image;
        ofDecodeImageContained(testpaths::sourceDir() + "/data/rock.jpg", image);
    });
    waitFor([&] { return loader && syscallOf(loader) == "7"; });  // waiting for a worker to take its file
    ofStopImageDecoder();
    EXPECT_NE(kill(last, 0), 0) << "stopped, it is killed and reaped";
    loading.join();
    ofSetImageDecodeTimeLimit(limit);
    ofStopImageDecoder();
    kill(copy, SIGKILL);
    waitpid(copy, nullptr, 0);
    alarm(0);
}

// A copy forked while another thread makes and starts the decoder, for this
// process's first load, holds nothing of that decoder or load and loads
// with a decoder of its own. That one leaves when the copy ends, though a
// program the copy started lives on. This process takes the orphans, to see
// that and to reap them.
TEST(ImageDecoder, ACopyForkedWhileTheDecoderStartsLoadsOnItsOwnAndLeavesNoDecoderBehind) {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    if (decoderServer() > 0) ofStopImageDecoder();  // a start, as when the test runs alone
    startWaitsForFork = pid_t(syscall(SYS_gettid));
    std::vector<int> known = socketsAndPipes();
    std::thread starting([] { picturesLoad(); });
    waitFor([] { return startWaiting.load(); });
    int told[2];
    ASSERT_EQ(pipe2(told, O_CLOEXEC), 0);
    if (fork() == 0) {
        alarm(20);  // a load that waits for ever ends the copy
        known.insert(known.end(), told, told + 2);
        const std::vector<int> held = socketsAndPipes();
        const bool clean = std::all_of(held.begin(), held.end(), [&](int fd) { return std::count(known.begin(), known.end(), fd); });
        const pid_t server = clean && picturesLoad() ? decoderServer() : 0;
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        pid_t sleeper;
        _exit(posix_spawnp(&sleeper, "sleep", nullptr, nullptr, argv, environ) || write(told[1], &server, 4) != 4);
    }
    forked = true;
    starting.join();
    close(told[1]);
    pid_t server = 0;
    EXPECT_GT(read(told[0], &server, sizeof server), 0);
    close(told[0]);
    EXPECT_GT(server, 0) << "the copy holds nothing of this process's decoder, and loads";
    bool left = false;
    waitFor([&] { return left = server > 0 && waitpid(server, nullptr, WNOHANG) == server; });
    EXPECT_TRUE(left) << "the copy's decoder leaves after it";
    ofStopImageDecoder();
    for (std::vector<pid_t> orphans; !(orphans = childrenOf("self")).empty();)
        for (pid_t orphan : orphans) kill(orphan, SIGKILL), waitpid(orphan, nullptr, 0);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// Stopped from outside past the time limit while it waits for the rows of
// its sky, this process takes the picture when it goes on: the limit counts
// the decode, and each wait is bounded on its own.
TEST(ImageDecoder, AProgramStoppedForLongerThanTheLimitKeepsThePictureItWasLoading) {
    ofStartImageDecoder();
    const std::string server = std::to_string(decoderServer());
    Stopped worker;  // the spare, held back until this process waits for it
    waitFor([&] { return !childrenOf(server).empty(); });
    worker.stop(childrenOf(server).at(0));
    const int limit = ofGetImageDecodeTimeLimit();
    ofSetImageDecodeTimeLimit(1000);
    const pid_t self = getpid(), stopper = fork();
    if (stopper == 0) {
        auto stopWhenWaiting = [](pid_t waits, pid_t goes) {
            waitFor([&] { return state(waits) == 'S'; });
            kill(waits, SIGSTOP);
            kill(goes, SIGCONT);
        };
        stopWhenWaiting(self, worker.pids[0]);  // the worker decodes and fills the pipe
        stopWhenWaiting(worker.pids[0], self);  // this process empties it
        stopWhenWaiting(self, worker.pids[0]);  // and waits for more
        usleep(3000 * 1000);
        _exit(kill(self, SIGCONT));
    }
    CaptureStdout out;
    EXPECT_TRUE(picturesLoad({"space.jpg"}));
    EXPECT_EQ(out.finish(), "");
    ofSetImageDecodeTimeLimit(limit);
    int status = -1;
    waitpid(stopper, &status, 0);
    EXPECT_EQ(status, 0);
}

// However a load ends, it says why in one line (nothing for a file the
// library cannot read), leaves no descriptor open and no worker behind.
TEST(ImageDecoder, LoadsLeaveNoDescriptorOpenAndNoWorkerBehind) {
    ASSERT_TRUE(picturesLoad());  // the decoder's socket is kept
    const size_t open = filesIn("/proc/self/fd").size();
    const std::string hangs = FOUND + "/xbm-decimal.xbm", crashes = FOUND + "/ras-negative-height.ras";
    const int limit = ofGetImageDecodeTimeLimit();
    CaptureStdout out;
    std::string expected;
    for (int round = 0; round < 3; round++) {
        Kept img;
        ofSetImageDecodeTimeLimit(250);
        EXPECT_FALSE(img.loadImage(hangs));
        ofSetImageDecodeTimeLimit(limit);
        for (const std::string& name : {crashes, std::string("no-such-picture.png"), std::string()})
            EXPECT_FALSE(img.loadImage(name));
        EXPECT_TRUE(picturesLoad());
        EXPECT_NE(ofImageFileFormatContained(crashes), -1);
        expected += "OF_WARNING: ofImage: decoding " + hangs + " took longer than 250 ms and was stopped\n" + ended(crashes);
    }
    EXPECT_EQ(out.finish(), expected);
    EXPECT_EQ(filesIn("/proc/self/fd").size(), open);
    const std::vector<pid_t> earlier = childrenOf(std::to_string(decoderServer()));
    EXPECT_TRUE(picturesLoad());  // a file for the spare among them
    waitFor([&] { return std::none_of(earlier.begin(), earlier.end(), state); });
    EXPECT_TRUE(std::none_of(earlier.begin(), earlier.end(), state)) << "a worker outlived its load";

    // Nor when the decoder cannot start, or a load has no descriptor to
    // spare, by a relative name or an absolute one.
    char program[4096] = {};
    ASSERT_GT(readlink(("/proc/" + std::to_string(decoderServer()) + "/exe").c_str(), program, sizeof program - 1), 0);
    ofStopImageDecoder();
    CaptureStdout failing;
    startFails = EACCES;
    EXPECT_EQ(ofImageFileFormatContained(crashes), -1);
    int lowestFree[3];  // room for no descriptor, then for a pipe but no decoder
    for (int& fd : lowestFree) fd = dup(0);
    for (int fd : lowestFree) close(fd);
    rlimit descriptors{};
    getrlimit(RLIMIT_NOFILE, &descriptors);
    for (const auto& [name, room] : {std::pair(std::string("rock.jpg"), 0), std::pair(crashes, 2)}) {
        const rlimit full{rlim_t(lowestFree[room]), descriptors.rlim_max};
        setrlimit(RLIMIT_NOFILE, &full);
        EXPECT_EQ(ofImageFileFormatContained(name), -1);
    }
    setrlimit(RLIMIT_NOFILE, &descriptors);
    EXPECT_EQ(failing.finish(), "OF_WARNING: ofImage: cannot start the image decoder " + std::string(program) +
                                    ": Permission denied\nOF_WARNING: ofImage: cannot decode rock.jpg: Too many open "
                                    "files\nOF_WARNING: ofImage: cannot decode " + crashes + ": Too many open files\n");
    EXPECT_TRUE(picturesLoad());
}

// A worker that decodes a file for long holds up no other file: the next
// spare is forked as soon as it takes its file. One lost between taking a
// file and its first word costs no load: its own is sent again, and the
// server, with every other load, goes on.
TEST(ImageDecoder, AWorkerBusyOrLostHoldsUpNoOtherLoad) {
    alarm(60);
    ofStartImageDecoder();
    const std::string server = std::to_string(decoderServer()), hangs = FOUND + "/xbm-decimal.xbm";
    auto spareWaits = [&](pid_t busy) {  // the server's one child but the busy one
        std::vector<pid_t> spares;
        waitFor([&] {
            spares = childrenOf(server);
            spares.erase(std::remove_if(spares.begin(), spares.end(), [&](pid_t p) { return p == busy || state(p) == 'Z' || !state(p); }), spares.end());
            return spares.size() == 1;
        });
        return spares.empty() ? 0 : spares[0];
    };
    const pid_t busyWorker = spareWaits(0);
    const int limit = ofGetImageDecodeTimeLimit();
    ofSetImageDecodeTimeLimit(30000);
    CaptureStdout out;
    std::atomic<bool> hung{false};
    std::thread busy([&] { ofDecodedImage image; hung = !ofDecodeImageContained(hangs, image); });
    spareWaits(busyWorker);  // once the busy one has taken its file
    EXPECT_TRUE(picturesLoad());
    EXPECT_FALSE(hung) << "the pictures waited for the file that hangs";

    // The next spare, traced as a debugger would, is killed once it has
    // taken a request and before it has said a word: a worker lost to the
    // system, or to a kill from outside, at the worst moment.
    // A worker that has just answered may still be there: one that goes
    // without waiting for a request was not the spare.
    std::atomic<int> tracing{0};  // 1 once the spare waits traced, -1 when it cannot be, -2 with none
    std::thread tracer([&] {
        for (int status = 0; tracing == 0;) {
            const pid_t spare = spareWaits(busyWorker);
            if (spare <= 0 || ptrace(PTRACE_SEIZE, spare, 0, PTRACE_O_TRACESYSGOOD) != 0) {
                if (spare <= 0 || errno == EPERM) tracing = spare <= 0 ? -2 : -1;
                continue;
            }
            ptrace(PTRACE_INTERRUPT, spare, 0, 0);
            waitpid(spare, &status, __WALL);
            for (bool receiving = false; ptrace(PTRACE_SYSCALL, spare, 0, 0) == 0 && waitpid(spare, &status, __WALL) == spare;) {
                __ptrace_syscall_info call{};
                ptrace(PTRACE_GET_SYSCALL_INFO, spare, sizeof call, &call);
                if (call.op == PTRACE_SYSCALL_INFO_EXIT && receiving) break;
                receiving = call.op == PTRACE_SYSCALL_INFO_ENTRY && call.entry.nr == SYS_recvmsg;
                if (receiving) tracing = 1;
            }
            kill(spare, SIGKILL);
            waitpid(spare, &status, __WALL);
        }
    });
    waitFor([&] { return tracing != 0; });
    EXPECT_TRUE(tracing < 0 || picturesLoad({"rock.jpg"}));
    tracer.join();
    EXPECT_EQ(std::to_string(decoderServer()), server) << "a lost worker ends no server";
    EXPECT_FALSE(hung) << "nor the load of another";
    ofStopImageDecoder();
    busy.join();
    ofSetImageDecodeTimeLimit(limit);
    EXPECT_EQ(out.finish(), ended(hangs));
    alarm(0);
    EXPECT_NE(tracing, -2) << "no spare";
    if (tracing == -1) GTEST_SKIP() << "tracing the decoder's spare needs CAP_SYS_PTRACE";
}
