#include "PixelScreen.h"

#include "ofGLHeaders.h"

namespace pixelscreen {
void set(int w, int h, float left, float top) {
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(left, left + w, top + h, top, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
}
