#include "MeshBuilder.h"

#include <algorithm>
#include <cmath>

namespace modelgen {

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec normalised(Vec a) {
    const double l = length(a);
    return l > 0 ? a * (1.0 / l) : a;
}

MeshBuilder::MeshBuilder(Vec light, double ambient) : light(normalised(light)), ambient(ambient) {}

void MeshBuilder::triangle(Vec a, Vec b, Vec c, const Paint& paint, Vec inside) {
    Vec normal = cross(b - a, c - a);
    if (length(normal) < 1e-9) return; // degenerate: nothing to see
    const Vec centre = (a + b + c) * (1.0 / 3.0);
    if (dot(normal, centre - inside) < 0) {
        std::swap(b, c);
        normal = normal * -1.0;
    }
    normal = normalised(normal);

    int level = 0;
    double brightness = 1.0;
    if (paint.levels > 1) {
        const double lit = ambient + (1.0 - ambient) * std::max(0.0, dot(normal, light));
        level = static_cast<int>(std::lround((lit - ambient) / (1.0 - ambient) * (paint.levels - 1)));
        brightness = ambient + (1.0 - ambient) * level / (paint.levels - 1);
    }
    const std::string name = paint.levels > 1 ? paint.name + "_" + std::to_string(level) : paint.name;
    if (!materials.count(name)) {
        model3ds::Material m;
        m.name = name;
        m.diffuse = {static_cast<float>(paint.colour.r * brightness), static_cast<float>(paint.colour.g * brightness),
                     static_cast<float>(paint.colour.b * brightness)};
        m.ambient = {m.diffuse.r * 0.5f, m.diffuse.g * 0.5f, m.diffuse.b * 0.5f};
        m.specular = {0.3f, 0.3f, 0.3f};
        m.shininess = 20;
        m.shinStrength = 50;
        m.textureMap = paint.textureMap;
        materials[name] = m;
    }
    faces.push_back({{a, b, c}, name, paint.textureScale});
}

void MeshBuilder::quad(Vec a, Vec b, Vec c, Vec d, const Paint& paint, Vec inside) {
    triangle(a, b, c, paint, inside);
    triangle(a, c, d, paint, inside);
}

model3ds::Model3ds MeshBuilder::build(const std::string& objectName) const {
    model3ds::Model3ds model;
    for (const auto& entry : materials) model.materials.push_back(entry.second);

    model3ds::Object object;
    object.name = objectName;
    std::map<std::string, size_t> groupOf;
    for (const Face& face : faces) {
        // Every face has corners of its own, so each can carry its own
        // texture projection: onto the plane that the face turns to most.
        const Vec n = cross(face.corner[1] - face.corner[0], face.corner[2] - face.corner[0]);
        const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        const auto first = static_cast<std::uint16_t>(object.vertices.size());
        for (const Vec& p : face.corner) {
            object.vertices.push_back({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
            double u, v;
            if (az >= ax && az >= ay) { u = p.x; v = p.y; }
            else if (ay >= ax) { u = p.x; v = p.z; }
            else { u = p.y; v = p.z; }
            object.texcoords.push_back({static_cast<float>(u / face.textureScale),
                                        static_cast<float>(v / face.textureScale)});
        }
        const auto number = static_cast<std::uint16_t>(object.faces.size());
        object.faces.push_back({first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 2)});
        auto found = groupOf.find(face.material);
        if (found == groupOf.end()) {
            found = groupOf.emplace(face.material, object.groups.size()).first;
            object.groups.push_back({face.material, {}});
        }
        object.groups[found->second].faces.push_back(number);
    }
    model.objects.push_back(object);
    return model;
}

} // namespace modelgen
