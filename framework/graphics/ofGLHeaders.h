#pragma once
// The one place the framework and everything above it get OpenGL from.
// libepoxy must come first: it supplies the GL prototypes and extension
// queries, and its guards keep GLU and freeglut from including the system's
// own GL header a second time.
#include <epoxy/gl.h>
#include <GL/glu.h>
#include <GL/freeglut.h>
