#pragma once
// A plain freeglut window that gives a test a current OpenGL context on the
// harness's X server, for tests that need GL but not the framework's window.
namespace glcontext {
// Creates the window on the first call (double-buffered RGBA with depth,
// w x h at the top left) and makes it current; later calls reuse it.
void ensure(int w = 800, int h = 600);
}
