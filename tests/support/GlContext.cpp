#include "GlContext.h"

#include "ofGLHeaders.h"

namespace glcontext {
void ensure(int w, int h) {
    static int window = 0;
    if (window) {
        glutSetWindow(window);
        return;
    }
    int argc = 1;
    char name[] = "driftfield-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(w, h);
    window = glutCreateWindow(name);
    glutDisplayFunc([] {});
    glutMainLoopEvent();
}
}
