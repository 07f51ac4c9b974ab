// modelgen DATADIR: writes meteor.3ds, arWing/arwing.3ds and laserBeam.3ds
// into DATADIR and prints each one's triangle and material counts.
#include "Models.h"

#include <cstdio>
#include <string>

namespace {
bool save(const modelgen::MeshBuilder& mesh, const std::string& dir, const std::string& name) {
    const model3ds::Model3ds model = mesh.build(name.substr(name.rfind('/') + 1, name.find(".3ds") - name.rfind('/') - 1));
    std::string error;
    if (!model3ds::writeModel3dsFile(model, dir + "/" + name, &error)) {
        std::fprintf(stderr, "modelgen: %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    std::printf("%s: %d triangles, %zu materials\n", name.c_str(), mesh.triangleCount(), model.materials.size());
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: modelgen DATADIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = save(modelgen::meteor(), dir, "meteor.3ds") &&
                    save(modelgen::ship(), dir, "arWing/arwing.3ds") &&
                    save(modelgen::laserBeam(), dir, "laserBeam.3ds");
    return ok ? 0 : 1;
}
