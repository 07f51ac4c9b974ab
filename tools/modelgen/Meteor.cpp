#include "Models.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace modelgen {

namespace {

class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed) {}
    double unit() { // [0, 1)
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 4294967296.0;
    }
    double between(double a, double b) { return a + (b - a) * unit(); }
    Vec direction() {
        for (;;) {
            const Vec v{between(-1, 1), between(-1, 1), between(-1, 1)};
            const double l = length(v);
            if (l > 0.1 && l <= 1.0) return v * (1.0 / l);
        }
    }
private:
    std::uint32_t state;
};

using Triangle = std::array<Vec, 3>;

// A sphere of unit radius from an icosahedron whose triangles are split in
// four, `depth` times: 20 * 4^depth triangles of nearly equal size.
std::vector<Triangle> icosphere(int depth) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const Vec v[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                       {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    const int f[20][3] = {{0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                          {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8},
                          {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}};
    std::vector<Triangle> tris;
    for (const auto& face : f) tris.push_back({normalised(v[face[0]]), normalised(v[face[1]]), normalised(v[face[2]])});
    for (int level = 0; level < depth; ++level) {
        std::vector<Triangle> finer;
        for (const Triangle& tri : tris) {
            const Vec ab = normalised(tri[0] + tri[1]), bc = normalised(tri[1] + tri[2]), ca = normalised(tri[2] + tri[0]);
            finer.push_back({tri[0], ab, ca});
            finer.push_back({tri[1], bc, ab});
            finer.push_back({tri[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        tris.swap(finer);
    }
    return tris;
}

// The rock's radius in a unit direction: lumps from a few waves of random
// direction and growing frequency, then craters pressed in with a raised rim.
class RockShape {
public:
    explicit RockShape(Random& random) {
        double amplitude = 0.11, frequency = 1.6;
        for (int i = 0; i < 7; ++i) {
            waves.push_back({random.direction(), frequency, random.between(0, 6.283), amplitude});
            amplitude *= 0.62;
            frequency *= 1.55;
        }
        for (int i = 0; i < 6; ++i)
            craters.push_back({random.direction(), random.between(0.28, 0.5), random.between(0.07, 0.14)});
    }
    double radius(Vec d) const {
        double r = 1.0;
        for (const Wave& w : waves) r += w.amplitude * std::sin(w.frequency * 3.0 * dot(w.direction, d) + w.phase);
        for (const Crater& c : craters) {
            const double angle = std::acos(std::max(-1.0, std::min(1.0, dot(d, c.centre))));
            const double x = angle / c.size;
            if (x < 1.0) r *= 1.0 - c.depth * (1.0 - x * x);
            else if (x < 1.4) r *= 1.0 + 0.35 * c.depth * (1.0 - std::fabs(x - 1.2) / 0.2);
        }
        return r;
    }
private:
    struct Wave { Vec direction; double frequency, phase, amplitude; };
    struct Crater { Vec centre; double size, depth; };
    std::vector<Wave> waves;
    std::vector<Crater> craters;
};

} // namespace

MeshBuilder meteor() {
    Random random(0x0de7e0u);
    const RockShape shape(random);
    const Vec stretch{1.12, 0.96, 0.86}; // no rock is round
    const double meanRadius = 10.0;

    Paint rock;
    rock.name = "rock";
    rock.colour = {1.0f, 0.96f, 0.92f};
    rock.textureMap = "rock.jpg";
    rock.levels = 6;
    rock.textureScale = 7.0;

    MeshBuilder mesh({-0.45, 0.5, 0.8}, 0.35);
    for (const Triangle& tri : icosphere(2)) {
        Vec p[3];
        for (int i = 0; i < 3; ++i) {
            const Vec d = tri[i];
            const double r = meanRadius * shape.radius(d);
            p[i] = {d.x * r * stretch.x, d.y * r * stretch.y, d.z * r * stretch.z};
        }
        mesh.triangle(p[0], p[1], p[2], rock, {0, 0, 0});
    }
    return mesh;
}

} // namespace modelgen
