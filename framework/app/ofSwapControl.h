#pragma once
// The X glue behind vertical sync: which swap-interval control the X server
// lists for the current context's screen, and setting the interval with it.
#include <functional>

enum class SwapControl { none, ext, mesa, sgi };

// First of GLX_EXT_swap_control, GLX_MESA_swap_control and
// GLX_SGI_swap_control that hasExtension reports.
SwapControl chooseSwapControl(const std::function<bool(const char*)>& hasExtension);

// Without a current GL context or any listed control this does nothing: a
// swap-interval entry point that the server does not list may crash.
void ofSetSwapInterval(int interval);
