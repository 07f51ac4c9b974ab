#include "GameProcess.h"

// Before the X headers, whose macros clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "TestPaths.h"
#include "XWindowTools.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Where the game's window is put: away from the top left corner, where the
// windows of other tests running at the same time open.
const int kWindowX = 470;
const int kWindowY = 410;

Display* dpy(void* d) { return static_cast<Display*>(d); }

// Windows of tests running beside this one come and go at any time: one
// that vanishes between listing the windows and asking about it, or the
// game's own while it is being remapped, is no fault. Xlib's own handler
// would end the test process; every other error still goes to it.
XErrorHandler xlibHandler = nullptr;
int ignoreVanishedWindows(Display* d, XErrorEvent* e) {
    if (e->error_code == BadWindow || e->error_code == BadDrawable || e->error_code == BadMatch) return 0;
    return xlibHandler ? xlibHandler(d, e) : 0;
}

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Starts a program without a shell; -1 when it cannot be started.
pid_t spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t child;
    return posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) == 0 ? child : -1;
}

int runCommand(const std::vector<std::string>& argv) {
    const pid_t child = spawn(argv);
    if (child < 0) return -1;
    int st = 0;
    waitpid(child, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

int shift(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Screenshots

Rgb Screenshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Rgb{};
    const unsigned char* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    return Rgb{p[0], p[1], p[2]};
}

int Screenshot::count(Area r, const std::function<bool(Rgb)>& match) const {
    int n = 0;
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, height); ++y)
        for (int x = std::max(r.x0, 0); x < std::min(r.x1, width); ++x)
            if (match(at(x, y))) ++n;
    return n;
}

std::vector<Band> Screenshot::bands(Area r, const std::function<bool(Rgb)>& match, int maxGap) const {
    std::vector<Band> out;
    int lastRow = -1000000;
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, height); ++y) {
        int left = -1, right = -1;
        for (int x = std::max(r.x0, 0); x < std::min(r.x1, width); ++x) {
            if (!match(at(x, y))) continue;
            if (left < 0) left = x;
            right = x;
        }
        if (left < 0) continue;
        if (out.empty() || y - lastRow > maxGap) {
            out.push_back(Band{y, y, left, right});
        } else {
            Band& b = out.back();
            b.bottom = y;
            b.left = std::min(b.left, left);
            b.right = std::max(b.right, right);
        }
        lastRow = y;
    }
    return out;
}

bool Screenshot::savePng(const std::string& path) const {
    const std::string ppm = path + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    }
    const int st = runCommand({"/usr/bin/convert", ppm, path});
    fs::remove(ppm);
    return st == 0;
}

bool isMenuRed(Rgb c) { return c.r >= 180 && c.g <= 60 && c.b <= 60; }

// ---------------------------------------------------------------------------
// The process

double GameProcess::patience() {
#if defined(__SANITIZE_ADDRESS__)
    return 4.0;
#else
    return 1.0;
#endif
}

GameProcess::GameProcess(const std::string& tag) : scratch(tag), workDir(scratch.path()) {
    // What a player's first run has, the starting table included.
    fs::copy(testpaths::sourceDir() + "/data", workDir + "/data", fs::copy_options::recursive);
}

GameProcess::~GameProcess() {
    reapClicker();
    if (pid > 0 && running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (display) XCloseDisplay(dpy(display));
}

void GameProcess::keepShot(const Screenshot& s, const std::string& name) {
    if (const char* folder = std::getenv("DRIFTFIELD_E2E_SHOTS")) s.savePng(std::string(folder) + "/" + name + ".png");
}

bool GameProcess::start(const std::vector<std::string>& args) {
    display = XOpenDisplay(nullptr);
    if (!display) {
        why = "cannot open the X display";
        return false;
    }
    if (!xlibHandler) xlibHandler = XSetErrorHandler(ignoreVanishedWindows);
    const std::string binary = testpaths::binaryDir() + "/game/driftfield";
    const std::string logPath = workDir + "/log.txt";
    const pid_t test = getpid();
    pid = fork();
    if (pid == 0) {
        // A test that crashes or is killed on a timeout takes its game
        // along, instead of leaving it to draw for the rest of the run.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != test) _exit(125);
        const int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || chdir(workDir.c_str()) != 0) _exit(126);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv{const_cast<char*>(binary.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    if (pid < 0) {
        why = "fork failed";
        return false;
    }
    if (!findWindow(20 * patience())) return false;
    int x = kWindowX, y = kWindowY;
    xwindow::placeOnScreen(x, y, 800, 600);
    XMoveWindow(dpy(display), window, x, y);
    raise();
    return true;
}

bool GameProcess::findWindow(double seconds) {
    Display* d = dpy(display);
    int eventBase, errorBase;
    if (!XResQueryExtension(d, &eventBase, &errorBase)) {
        why = "the X server has no X-Resource extension";
        return false;
    }
    const double end = now() + seconds;
    while (now() < end) {
        if (!running()) {
            why = "the game ended before its window appeared, status " + std::to_string(status);
            return false;
        }
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n);
        for (unsigned int i = 0; i < n && !window; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
            XResClientIdSpec spec{children[i], XRES_CLIENT_ID_PID_MASK};
            long count = 0;
            XResClientIdValue* ids = nullptr;
            if (XResQueryClientIds(d, 1, &spec, &count, &ids) != Success) continue;
            for (long k = 0; k < count; ++k)
                if (XResGetClientPid(&ids[k]) == pid) window = children[i];
            XResClientIdsDestroy(count, ids);
        }
        if (children) XFree(children);
        if (window) return true;
        pause(0.05);
    }
    why = "no window of the game appeared";
    return false;
}

void GameProcess::reapClicker() {
    if (clicker > 0) waitpid(clicker, nullptr, 0);
    clicker = -1;
}

bool GameProcess::running() {
    if (pid <= 0) return false;
    if (status != -1) return false;
    int st = 0;
    const pid_t r = waitpid(pid, &st, WNOHANG);
    if (r == 0) return true;
    status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return false;
}

int GameProcess::waitExit(double seconds) {
    const double end = now() + seconds;
    while (running() && now() < end) pause(0.02);
    return running() ? -1 : status;
}

std::string GameProcess::log() const {
    std::ifstream in(workDir + "/log.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void GameProcess::raise() {
    XRaiseWindow(dpy(display), window);
    XSync(dpy(display), False);
}

Screenshot GameProcess::shot() {
    Screenshot s;
    if (!window) return s;
    raise();
    Display* d = dpy(display);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a)) return s;
    XImage* image = XGetImage(d, window, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!image) return s;
    s.width = a.width;
    s.height = a.height;
    s.rgb.resize(size_t(s.width) * size_t(s.height) * 3);
    const int rs = shift(image->red_mask), gs = shift(image->green_mask), bs = shift(image->blue_mask);
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            // Reading the words directly keeps screenshots quick enough to
            // catch a screen that shows for a fraction of a second.
            const unsigned long p = image->bits_per_pixel == 32 && image->byte_order == LSBFirst
                                        ? *reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line + x * 4)
                                        : XGetPixel(image, x, y);
            unsigned char* out = &s.rgb[(size_t(y) * size_t(s.width) + size_t(x)) * 3];
            out[0] = static_cast<unsigned char>((p & image->red_mask) >> rs);
            out[1] = static_cast<unsigned char>((p & image->green_mask) >> gs);
            out[2] = static_cast<unsigned char>((p & image->blue_mask) >> bs);
        }
    }
    XDestroyImage(image);
    return s;
}

bool GameProcess::waitFor(const std::function<bool(const Screenshot&)>& done, double seconds, Screenshot* last) {
    const double end = now() + seconds;
    for (;;) {
        Screenshot s = shot();
        const bool ok = s.width > 0 && done(s);
        if (!ok && (now() >= end || !running())) {
            // Left in the scratch folder for whoever looks into the failure.
            s.savePng(workDir + "/timeout-" + std::to_string(++timeouts) + ".png");
            if (last) *last = std::move(s);
            return false;
        }
        if (last) *last = std::move(s);
        if (ok) return true;
        pause(0.005);
    }
}

void GameProcess::xdotool(const std::vector<std::string>& args) {
    reapClicker();
    raise();
    xwindow::xdotool(args);
}

void GameProcess::moveMouse(int x, int y) {
    xdotool({"mousemove", "--window", std::to_string(window), std::to_string(x), std::to_string(y)});
}

void GameProcess::click(int x, int y, int button) {
    moveMouse(x, y);
    // Give the game a frame to see the pointer where the click happens.
    pause(0.05);
    xdotool({"click", std::to_string(button)});
}

void GameProcess::clickAsync(int x, int y) {
    moveMouse(x, y);
    pause(0.05);
    raise();
    clicker = spawn({"xdotool", "click", "1"});
}

void GameProcess::key(const std::string& keysym) { xdotool({"key", keysym}); }

void GameProcess::type(const std::string& text) { xdotool({"type", "--delay", "30", text}); }

void GameProcess::keyDown(const std::vector<std::string>& keysyms) {
    std::vector<std::string> args{"keydown"};
    args.insert(args.end(), keysyms.begin(), keysyms.end());
    xdotool(args);
}

void GameProcess::keyUp(const std::vector<std::string>& keysyms) {
    std::vector<std::string> args{"keyup"};
    args.insert(args.end(), keysyms.begin(), keysyms.end());
    xdotool(args);
}

void GameProcess::buttonDown() { xdotool({"mousedown", "1"}); }

void GameProcess::buttonUp() { xdotool({"mouseup", "1"}); }

void GameProcess::requestClose() { xwindow::sendCloseRequest(window); }
