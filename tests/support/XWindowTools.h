#pragma once
// Reaching a test window through the X server from outside its own
// connection.
#include <string>
#include <vector>

namespace xwindow {
// Runs xdotool with these arguments, without a shell; true on success.
bool xdotool(const std::vector<std::string>& args);
// What a window manager's close box sends: WM_DELETE_WINDOW.
bool sendCloseRequest(unsigned long window);
// Test windows are laid out for a 1280 x 1024 screen, apart from each other
// and from the top left corner where other tests open theirs. On a smaller
// screen a w x h window's place moves in proportion, so it lies whole on it.
void placeOnScreen(int& x, int& y, int w, int h);
}
