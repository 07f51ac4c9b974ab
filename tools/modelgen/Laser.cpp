#include "Models.h"

#include <cmath>

namespace modelgen {

MeshBuilder laserBeam() {
    Paint beam;
    beam.name = "beam";
    beam.colour = {0.45f, 1.0f, 0.35f};
    beam.levels = 1; // light of its own: the same brightness all round

    MeshBuilder mesh({0, 0, 1}, 1.0);
    const double halfLength = 2.5, body = 2.0, radius = 0.22;
    const Vec front{halfLength, 0, 0}, back{-halfLength, 0, 0};
    for (int k = 0; k < 6; ++k) {
        const double a = k * 3.14159265358979323846 / 3.0, b = (k + 1) * 3.14159265358979323846 / 3.0;
        const Vec fa{body, radius * std::cos(a), radius * std::sin(a)}, fb{body, radius * std::cos(b), radius * std::sin(b)};
        const Vec ba{-body, fa.y, fa.z}, bb{-body, fb.y, fb.z};
        mesh.quad(fa, fb, bb, ba, beam, {0, 0, 0});
        mesh.triangle(front, fa, fb, beam, {0, 0, 0});
        mesh.triangle(back, ba, bb, beam, {0, 0, 0});
    }
    return mesh;
}

} // namespace modelgen
