#pragma once
// Talking to a test window through the X server from outside its process.
#include <string>
#include <vector>

namespace xwindow {
// Runs xdotool with these arguments (no shell); true when it succeeded.
bool xdotool(const std::vector<std::string>& args);
// Waits until the window is mapped and viewable.
bool waitViewable(unsigned long window, int timeoutMs = 5000);
// What a window manager's close box sends: a WM_DELETE_WINDOW client message.
bool sendCloseRequest(unsigned long window);

// In the process that draws: the X window of the current GL context (0 when
// there is none), and whether a GL context is current at all.
unsigned long currentGlWindow();
bool glContextCurrent();
}
