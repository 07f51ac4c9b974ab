// Loading a large generated model without maps (11 objects of 49,928
// triangles each, 549,208 in all) against only reading the file's bytes.
// Bytes per second are the file's size over the time of one load.
#include "Model3dsWriter.h"
#include "model3DS.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kObjects = 11;
constexpr int kGrid = 159;   // vertices per side: 25,281 vertices, 49,928 triangles

// A wavy grid per object, every face in one of two materials' groups.
model3ds::Model3ds bigModel() {
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

const std::string& modelPath() {
    static const std::string path = [] {
        std::string p = "/tmp/driftfield-bench-" + std::to_string(getpid()) + ".3ds";
        std::string error;
        if (!model3ds::writeModel3dsFile(bigModel(), p, &error)) {
            std::cerr << error << "\n";
            std::exit(1);
        }
        std::atexit([] { std::remove(modelPath().c_str()); });
        return p;
    }();
    return path;
}

std::int64_t fileSize() {
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

void ReadBytes(benchmark::State& state) {
    const std::string& path = modelPath();
    for (auto _ : state) {
        std::ifstream f(path, std::ios::binary | std::ios::ate);
        std::vector<char> bytes(static_cast<std::size_t>(f.tellg()));
        f.seekg(0);
        f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * fileSize());
}

void LoadModel(benchmark::State& state) {
    const std::string& path = modelPath();
    QuietStdout quiet;
    std::size_t triangles = 0;
    for (auto _ : state) {
        model3DS model;
        model.loadModel(path.c_str(), 1.0f);
        triangles = 0;
        for (const mesh3DS& mesh : model.m_meshes) triangles += mesh.m_faces.size() / 3;
    }
    state.SetBytesProcessed(state.iterations() * fileSize());
    state.counters["triangles"] = static_cast<double>(triangles);
}

// The mesh build alone (normals and regrouping), on fresh copies of the
// generated objects.
void BuildMeshes(benchmark::State& state) {
    model3DS parent;
    std::vector<mesh3DS> unbuilt;
    for (const model3ds::Object& o : bigModel().objects) {
        mesh3DS mesh;
        mesh.m_parentModel = &parent;
        for (const model3ds::Vec3& v : o.vertices) mesh.m_vertices.insert(mesh.m_vertices.end(), {v.x, v.z, -v.y});
        for (const model3ds::Face& f : o.faces) mesh.m_faces.insert(mesh.m_faces.end(), {f.a, f.b, f.c});
        for (const model3ds::FaceGroup& g : o.groups) mesh.m_materialFaces[g.material] = g.faces;
        unbuilt.push_back(std::move(mesh));
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<mesh3DS> meshes = unbuilt;
        state.ResumeTiming();
        for (mesh3DS& mesh : meshes) mesh.buildMesh();
        benchmark::DoNotOptimize(meshes.data());
    }
    state.SetBytesProcessed(state.iterations() * fileSize());
}

}  // namespace

BENCHMARK(ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildMeshes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
