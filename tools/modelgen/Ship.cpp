#include "Models.h"

#include <cmath>
#include <vector>

namespace modelgen {

namespace {

using Ring = std::vector<Vec>;

Vec centroid(const std::vector<Vec>& points) {
    Vec sum;
    for (const Vec& p : points) sum = sum + p;
    return sum * (1.0 / static_cast<double>(points.size()));
}

// A flat cap over a convex ring, turned away from `inside`.
void cap(MeshBuilder& mesh, const Ring& ring, const Paint& paint, Vec inside) {
    for (size_t i = 1; i + 1 < ring.size(); ++i) mesh.triangle(ring[0], ring[i], ring[i + 1], paint, inside);
}

// The skin between two rings of the same number of points.
void band(MeshBuilder& mesh, const Ring& a, const Ring& b, const Paint& paint) {
    std::vector<Vec> both(a);
    both.insert(both.end(), b.begin(), b.end());
    const Vec inside = centroid(both);
    for (size_t i = 0; i < a.size(); ++i) {
        const size_t j = (i + 1) % a.size();
        mesh.quad(a[i], a[j], b[j], b[i], paint, inside);
    }
}

// A convex slab: an outline and the same outline moved by `thickness`.
void slab(MeshBuilder& mesh, const Ring& outline, Vec thickness, const Paint& paint) {
    Ring top, bottom;
    for (const Vec& p : outline) {
        top.push_back(p + thickness * 0.5);
        bottom.push_back(p - thickness * 0.5);
    }
    band(mesh, top, bottom, paint);
    const Vec inside = centroid(outline);
    cap(mesh, top, paint, inside);
    cap(mesh, bottom, paint, inside);
}

// Cross-section of the body at x: a ridge on top, flat underneath; y is left.
Ring bodySection(double x, double halfWidth, double top, double bottom) {
    const double mid = (top + bottom) / 2 + 0.1 * (top - bottom);
    return {{x, 0, top}, {x, halfWidth, mid}, {x, 0.6 * halfWidth, bottom},
            {x, -0.6 * halfWidth, bottom}, {x, -halfWidth, mid}};
}

Ring hexagon(double x, double y, double z, double radius) {
    Ring ring;
    for (int k = 0; k < 6; ++k) {
        const double a = (k * 60.0 + 30.0) * 3.14159265358979323846 / 180.0;
        ring.push_back({x, y + radius * std::cos(a), z + radius * std::sin(a)});
    }
    return ring;
}

Paint paint(const char* name, float r, float g, float b, const char* map, int levels) {
    Paint p;
    p.name = name;
    p.colour = {r, g, b};
    p.textureMap = map;
    p.levels = levels;
    p.textureScale = 4.0;
    return p;
}

} // namespace

MeshBuilder ship() {
    const Paint hull = paint("hull", 0.95f, 0.96f, 1.0f, "hull.jpg", 6);
    const Paint stripe = paint("stripe", 0.85f, 0.13f, 0.1f, "hull.jpg", 6);
    const Paint canopy = paint("canopy", 0.25f, 0.65f, 0.95f, "", 6);
    const Paint metal = paint("metal", 0.42f, 0.43f, 0.48f, "", 6);
    const Paint exhaust = paint("exhaust", 1.0f, 0.62f, 0.16f, "", 1);

    // Light from above, a little from the left and from behind, where the
    // game's camera looks from.
    MeshBuilder mesh({-0.35, 0.45, 1.0}, 0.35);

    // Body: a pointed nose, widest under the cockpit, a flat tail plate.
    const Ring body[] = {bodySection(3.0, 0.35, 0.35, -0.3), bodySection(1.2, 0.75, 0.7, -0.45),
                         bodySection(-1.0, 0.95, 0.75, -0.5), bodySection(-3.0, 0.8, 0.55, -0.45)};
    const Vec nose{4.6, 0, -0.05};
    for (size_t i = 0; i < body[0].size(); ++i)
        mesh.triangle(nose, body[0][i], body[0][(i + 1) % body[0].size()], hull, {3.2, 0, 0});
    for (int s = 0; s < 3; ++s) band(mesh, body[s], body[s + 1], hull);
    cap(mesh, body[3], metal, {-2.0, 0, 0.05});

    // Cockpit canopy on the ridge.
    const Vec tip{2.3, 0, 0.62}, frontTop{1.2, 0, 1.05}, rearTop{0.1, 0, 1.1};
    const Vec frontLeft{1.8, 0.45, 0.45}, frontRight{1.8, -0.45, 0.45};
    const Vec rearLeft{-0.3, 0.6, 0.55}, rearRight{-0.3, -0.6, 0.55};
    const Vec inCanopy{0.9, 0, 0.6};
    mesh.triangle(tip, frontLeft, frontTop, canopy, inCanopy);
    mesh.triangle(tip, frontTop, frontRight, canopy, inCanopy);
    mesh.quad(frontLeft, rearLeft, rearTop, frontTop, canopy, inCanopy);
    mesh.quad(frontRight, frontTop, rearTop, rearRight, canopy, inCanopy);
    mesh.triangle(rearLeft, rearRight, rearTop, canopy, inCanopy);

    for (double side : {1.0, -1.0}) {
        // Swept wings, drooping slightly outwards, with red outer panels.
        auto wing = [&](double y, double front, double rear) {
            return std::vector<Vec>{{front, side * y, -0.1 - 0.06 * (y - 0.6)}, {rear, side * y, -0.1 - 0.06 * (y - 0.6)}};
        };
        const std::vector<Vec> root = wing(0.6, 1.0, -2.4), joint = wing(3.4, -1.05, -2.8), tipEdge = wing(4.6, -1.9, -3.0);
        slab(mesh, {root[0], joint[0], joint[1], root[1]}, {0, 0, 0.2}, hull);
        slab(mesh, {joint[0], tipEdge[0], tipEdge[1], joint[1]}, {0, 0, 0.12}, stripe);

        // Guns along the wing tips.
        const double gy = side * 4.6, gz = tipEdge[0].z;
        band(mesh, hexagon(0.6, gy, gz, 0.12), hexagon(-2.6, gy, gz, 0.16), metal);
        cap(mesh, hexagon(0.6, gy, gz, 0.12), metal, {-1.0, gy, gz});
        cap(mesh, hexagon(-2.6, gy, gz, 0.16), metal, {-1.0, gy, gz});

        // Tail fins, leaning outwards.
        slab(mesh, {{-1.2, side * 0.55, 0.45}, {-2.4, side * 0.95, 2.0}, {-3.3, side * 0.95, 2.0}, {-3.0, side * 0.55, 0.45}},
             {0, side * 0.1, 0}, stripe);

        // Engines under the wing roots, glowing at the back.
        const double ey = side * 1.2, ez = -0.45;
        const Ring intake = hexagon(0.5, ey, ez, 0.25), front = hexagon(-0.2, ey, ez, 0.45), rear = hexagon(-3.4, ey, ez, 0.45);
        band(mesh, intake, front, metal);
        band(mesh, front, rear, hull);
        cap(mesh, intake, metal, {-1.0, ey, ez});
        cap(mesh, rear, exhaust, {-1.0, ey, ez});
    }
    return mesh;
}

} // namespace modelgen
