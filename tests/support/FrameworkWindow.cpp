#include "FrameworkWindow.h"

#include "ofAppRunner.h"
#include "ofGLHeaders.h"

namespace frameworkwindow {
void ensure() {
    static bool open = false;
    if (open) return;
    ofSetupOpenGL(800, 600, 0);
    open = true;
}

Rgb pixel(int x, int y) {
    unsigned char px[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, ofGetHeight() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
}
}
