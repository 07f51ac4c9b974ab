#pragma once
// The large generated model the 3DS loading benchmarks share: 11 objects of
// 49,928 triangles each (549,208 in all), no maps, written once per run to a
// temporary file that is removed at exit; and a guard that silences the
// reader's console line while a benchmark loops.
#include "Model3dsWriter.h"
#include "temp_file.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

namespace bench3ds {

constexpr int kObjects = 11;
constexpr int kGrid = 159;   // vertices per side: 25,281 vertices, 49,928 triangles

// A wavy grid per object, every face in one of two materials' groups.
inline model3ds::Model3ds bigModel() {
    model3ds::Model3ds m;
    for (const char* name : {"rock", "ice"}) {
        model3ds::Material mat;
        mat.name = name;
        m.materials.push_back(mat);
    }
    for (int k = 0; k < kObjects; ++k) {
        model3ds::Object o;
        o.name = "part" + std::to_string(k);
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x) {
                o.vertices.push_back({x * 1.0f + k * 200.0f, y * 1.0f, ((x * 7 + y * 3) % 11) * 0.1f});
                o.texcoords.push_back({x / float(kGrid), y / float(kGrid)});
            }
        o.groups = {{"rock", {}}, {"ice", {}}};
        for (int y = 0; y + 1 < kGrid; ++y)
            for (int x = 0; x + 1 < kGrid; ++x) {
                auto v = [](int x, int y) { return static_cast<std::uint16_t>(y * kGrid + x); };
                for (model3ds::Face f : {model3ds::Face{v(x, y), v(x + 1, y), v(x + 1, y + 1)},
                                         model3ds::Face{v(x, y), v(x + 1, y + 1), v(x, y + 1)}}) {
                    o.groups[(x + y) % 2].faces.push_back(static_cast<std::uint16_t>(o.faces.size()));
                    o.faces.push_back(f);
                    o.smoothingGroups.push_back(1);
                }
            }
        m.objects.push_back(std::move(o));
    }
    return m;
}

inline const std::string& modelPath() {
    static const bench::TempFile file(".3ds");
    // Written once the file's static is complete, so it is removed at exit
    // also when the writing fails.
    static const bool written = [] {
        std::string error;
        if (!model3ds::writeModel3dsFile(bigModel(), file.path(), &error)) {
            std::cerr << error << "\n";
            std::exit(1);
        }
        return true;
    }();
    (void)written;
    return file.path();
}

inline std::int64_t fileSize() {
    std::ifstream f(modelPath(), std::ios::binary | std::ios::ate);
    return static_cast<std::int64_t>(f.tellg());
}

// The reader's "loaded" line would interleave with the report.
class QuietStdout {
public:
    QuietStdout() {
        std::cout.flush();
        saved = dup(1);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        close(devnull);
    }
    ~QuietStdout() {
        std::cout.flush();
        dup2(saved, 1);
        close(saved);
    }

private:
    int saved;
};

}  // namespace bench3ds
