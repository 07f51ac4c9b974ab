#pragma once
// The framework's own GLUT window, opened once per test process without
// entering the frame loop, for tests that draw with the framework and read
// the back buffer before any swap.
namespace frameworkwindow {
// ofSetupOpenGL with an 800 x 600 window on the first call.
void ensure();
// Reads one pixel in framework coordinates (origin top left) from the back
// buffer as red, green, blue.
struct Rgb {
    int r, g, b;
};
Rgb pixel(int x, int y);
}
