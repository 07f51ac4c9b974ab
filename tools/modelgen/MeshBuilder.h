// Collects the triangles of one model and turns them into 3DS records.
//
// The game draws its models without OpenGL lighting: a face shows its
// material's diffuse colour times its texture. So that the models still look
// lit, every triangle gets a light level from its facing against a fixed
// light direction, and each paint is written as a few materials of stepped
// brightness ("rock_0" darkest ... "rock_5" brightest); a face uses the one
// that matches its level.
//
// Triangles are wound counter-clockwise seen from outside (the game culls
// back faces). The builder orients each triangle itself: it is turned so that
// its normal points away from a given inside point.
#pragma once

#include "Model3dsWriter.h"

#include <map>
#include <string>
#include <vector>

namespace modelgen {

struct Vec {
    double x = 0, y = 0, z = 0;
};
Vec operator+(Vec a, Vec b);
Vec operator-(Vec a, Vec b);
Vec operator*(Vec a, double s);
double dot(Vec a, Vec b);
Vec cross(Vec a, Vec b);
double length(Vec a);
Vec normalised(Vec a);

struct Paint {
    std::string name;          // short: the level suffix must keep it under 20 bytes
    model3ds::Color colour;    // at full light
    std::string textureMap;    // beside the model; empty: none
    int levels = 6;            // brightness steps; 1: glows evenly, no shading
    double textureScale = 4.0; // model units per repeat of the texture
};

class MeshBuilder {
public:
    // light: direction towards the light; ambient: the level of faces turned away.
    MeshBuilder(Vec light, double ambient);

    void triangle(Vec a, Vec b, Vec c, const Paint& paint, Vec inside);
    // A planar quad a-b-c-d (in order around its edge), as two triangles.
    void quad(Vec a, Vec b, Vec c, Vec d, const Paint& paint, Vec inside);

    int triangleCount() const { return static_cast<int>(faces.size()); }
    // The model as one object named objectName; materials sorted by name.
    model3ds::Model3ds build(const std::string& objectName) const;

private:
    struct Face {
        Vec corner[3];
        std::string material;
        double textureScale;
    };
    Vec light;
    double ambient;
    std::vector<Face> faces;
    std::map<std::string, model3ds::Material> materials;
};

} // namespace modelgen
