// Loading the large generated model (model3ds_big.h) against only reading
// the file's bytes, and the mesh build on its own. Bytes per second are the
// file's size over the time of one load.
#include "model3DS.h"
#include "model3ds_big.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace bench3ds;

namespace {

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
