#include "ofSwapControl.h"

#include <epoxy/glx.h>

SwapControl chooseSwapControl(const std::function<bool(const char*)>& hasExtension) {
    if (hasExtension("GLX_EXT_swap_control")) return SwapControl::ext;
    if (hasExtension("GLX_MESA_swap_control")) return SwapControl::mesa;
    if (hasExtension("GLX_SGI_swap_control")) return SwapControl::sgi;
    return SwapControl::none;
}

void ofSetSwapInterval(int interval) {
    Display* display = glXGetCurrentDisplay();
    GLXContext context = glXGetCurrentContext();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !context || !drawable) return;
    int screen = 0;
    if (glXQueryContext(display, context, GLX_SCREEN, &screen) != Success) return;
    auto listed = [&](const char* name) { return epoxy_has_glx_extension(display, screen, name); };
    switch (chooseSwapControl(listed)) {
    case SwapControl::ext:
        glXSwapIntervalEXT(display, drawable, interval);
        break;
    case SwapControl::mesa:
        glXSwapIntervalMESA(static_cast<unsigned>(interval));
        break;
    case SwapControl::sgi:
        // This control refuses an interval of 0: sync stays as it was.
        if (interval > 0) glXSwapIntervalSGI(interval);
        break;
    case SwapControl::none:
        break;
    }
}
