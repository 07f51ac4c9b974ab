#pragma once
// What GL's feedback mode reports for a piece of drawing: each primitive with
// its vertices in the viewport's pixels, origin at the top left and y growing
// downwards as the framework draws, their colours (after lighting, before
// texturing) and their texture coordinates. Geometry and lighting tests read
// this instead of guessing it from rasterised pixels.
#include <functional>
#include <vector>

namespace glfeedback {

struct Vertex {
    float x, y, s, t;
    float r = 0, g = 0, b = 0, a = 0;
};

enum class Kind { Point, Line, LineReset, Polygon, Bitmap, DrawPixel, CopyPixel };

struct Primitive {
    Kind kind;
    std::vector<Vertex> v;
};

std::vector<Primitive> capture(const std::function<void()>& draw);

int count(const std::vector<Primitive>& prims, Kind kind);
// Every vertex once, in the order first met (equal within 1e-3).
std::vector<Vertex> distinct(const std::vector<Primitive>& prims);
// Vertices of two drawings, paired primitive by primitive, that lie more
// than tolerance apart in x or y. A primitive of another kind or vertex
// count, or one that only one drawing holds, counts all its vertices.
int apart(const std::vector<Primitive>& a, const std::vector<Primitive>& b, float tolerance);

}  // namespace glfeedback
