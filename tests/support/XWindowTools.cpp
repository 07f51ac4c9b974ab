#include "XWindowTools.h"

#include <X11/Xlib.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

extern char** environ;

namespace xwindow {

bool xdotool(const std::vector<std::string>& args) {
    std::vector<char*> argv = {const_cast<char*>("xdotool")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    return posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ) == 0 &&
           waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool sendCloseRequest(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event = {};
    event.xclient = {ClientMessage, 0, True, display, window, XInternAtom(display, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));  // at CurrentTime, 0
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}

void placeOnScreen(int& x, int& y, int w, int h) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    const int screenW = DisplayWidth(display, DefaultScreen(display));
    const int screenH = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
    if (screenW < 1280) x = std::max(0, x * (screenW - w) / (1280 - w));
    if (screenH < 1024) y = std::max(0, y * (screenH - h) / (1024 - h));
}

}  // namespace xwindow
