#include "XWindowTools.h"

#include <X11/Xlib.h>
#include <epoxy/glx.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace xwindow {

bool xdotool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = "xdotool";
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        execvp("xdotool", argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool waitViewable(unsigned long window, int timeoutMs) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    bool viewable = false;
    for (int waited = 0; waited <= timeoutMs && !viewable; waited += 10) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) {
            viewable = true;
        } else {
            usleep(10000);
        }
    }
    XCloseDisplay(display);
    return viewable;
}

bool waitButtonHeld(int button, int timeoutMs) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const unsigned int mask = Button1Mask << (button - 1);
    bool held = false;
    for (int waited = 0; waited <= timeoutMs && !held; waited += 10) {
        Window root, child;
        int rootX, rootY, x, y;
        unsigned int state = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &state);
        held = (state & mask) != 0;
        if (!held) usleep(10000);
    }
    XCloseDisplay(display);
    return held;
}

bool sendCloseRequest(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &event);
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

unsigned long currentGlWindow() { return glXGetCurrentDrawable(); }

bool glContextCurrent() { return glXGetCurrentContext() != nullptr; }

}  // namespace xwindow
