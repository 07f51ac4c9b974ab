// The shared large model loaded by ours, by lib3ds 1.3 and by assimp 5.2.
// Each load ends with per-vertex normals, as ours does: lib3ds is asked for
// them, assimp computes them in its importer.
#include "model3DS.h"
#include "model3ds_big.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <vector>

using namespace bench3ds;

namespace {

// Each reports the triangles it read, to show all three read the whole model.
void LoadOurs(benchmark::State& state) {
    QuietStdout quiet;
    std::size_t triangles = 0;
    for (auto _ : state) {
        model3DS model;
        model.loadModel(modelPath().c_str(), 1.0f);
        triangles = 0;
        for (const mesh3DS& mesh : model.m_meshes) triangles += mesh.m_faces.size() / 3;
    }
    state.SetBytesProcessed(state.iterations() * fileSize());
    state.counters["triangles"] = static_cast<double>(triangles);
}

void LoadLib3ds(benchmark::State& state) {
    std::vector<float> normals;   // three vectors per face
    std::size_t triangles = 0;
    for (auto _ : state) {
        triangles = 0;
        Lib3dsFile* file = lib3ds_file_load(modelPath().c_str());
        if (!file) {
            state.SkipWithError("lib3ds could not load the model");
            break;
        }
        for (Lib3dsMesh* mesh = file->meshes; mesh; mesh = mesh->next) {
            triangles += mesh->faces;
            normals.resize(9 * mesh->faces);
            lib3ds_mesh_calculate_normals(mesh, reinterpret_cast<Lib3dsVector*>(normals.data()));
        }
        lib3ds_file_free(file);
    }
    state.SetBytesProcessed(state.iterations() * fileSize());
    state.counters["triangles"] = static_cast<double>(triangles);
}

void LoadAssimp(benchmark::State& state) {
    std::size_t triangles = 0;
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(modelPath(), 0);
        if (!scene) {
            state.SkipWithError("assimp could not load the model");
            break;
        }
        triangles = 0;
        for (unsigned i = 0; i < scene->mNumMeshes; ++i) triangles += scene->mMeshes[i]->mNumFaces;
    }
    state.SetBytesProcessed(state.iterations() * fileSize());
    state.counters["triangles"] = static_cast<double>(triangles);
}

}  // namespace

BENCHMARK(LoadOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadLib3ds)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadAssimp)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
