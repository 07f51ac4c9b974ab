// Any bytes as a 3DS model: the reader and the mesh build must
// neither crash, hang, leak nor read outside a buffer, and every mesh kept
// must only index its own lists.
//
// Needs an X display (material maps become GL textures while reading).
// -seed_dir=DIR writes the writer-made seed models into DIR first.
#include "GlContext.h"
#include "Model3dsWriter.h"
#include "model3DS.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <string>
#include <unistd.h>

using namespace model3ds;

namespace {

int scratchFd = -1;
std::string scratchFile;

void writeSeeds(const std::string& dir) {
    Material red;
    red.name = "red";
    red.diffuse = {1, 0, 0};
    red.twoSided = true;
    Material mapped;
    mapped.name = "mapped skin with a long name";
    mapped.colorChunk = ColorChunk::Bytes;
    mapped.percentChunk = PercentChunk::Float;
    mapped.textureMap = "skin.png";
    mapped.bumpMap = "bump.gif";
    Material linear;
    linear.name = "lin";
    linear.colorChunk = ColorChunk::LinearBytes;
    Object tri;
    tri.name = "tri";
    tri.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}};
    tri.texcoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    tri.faces = {{0, 1, 2}, {1, 3, 2}};
    tri.groups = {{"red", {0}}, {"mapped skin with a long name", {1, 0}}};
    tri.smoothingGroups = {1, 2};
    Object lamp;
    lamp.name = "lamp";
    lamp.vertices = {{5, 5, 5}};

    const Model3ds seeds[] = {
        {{red}, {tri}},
        {{red, mapped, linear}, {tri, lamp, tri}},
        {{}, {lamp}},
        {{linear}, {}},
    };
    int n = 0;
    for (const Model3ds& m : seeds) {
        std::string error;
        std::string path = dir + "/seed" + std::to_string(n++) + ".3ds";
        if (!writeModel3dsFile(m, path, &error)) std::fprintf(stderr, "seed: %s\n", error.c_str());
    }
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_model3ds: %s\n", what);
        std::abort();
    }
}

}  // namespace

// The GL driver is a module that libGL loads and unloads by itself; once
// unloaded, LeakSanitizer can neither name it nor apply the suppressions for
// its caches. Keeping every module mapped keeps the driver nameable.
extern "C" int dlclose(void*) { return 0; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-seed_dir=", 10) == 0) writeSeeds((*argv)[i] + 10);
    // The inputs go through an anonymous in-memory file, so nothing is
    // left on disk however the fuzzer ends.
    scratchFd = memfd_create("fuzz_model3ds", 0);
    if (scratchFd < 0) std::abort();
    scratchFile = "/proc/self/fd/" + std::to_string(scratchFd);
    glcontext::ensure(16, 16);
    // The reader's lines would drown the fuzzer's own (on stderr).
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(scratchFd, 0) != 0) return 0;
    for (std::size_t done = 0; done < size;) {
        ssize_t n = pwrite(scratchFd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) return 0;
        done += static_cast<std::size_t>(n);
    }

    model3DS model;
    model.loadModel(scratchFile.c_str(), 1.0f);
    for (const mesh3DS& mesh : model.m_meshes) {
        check(mesh.getNumFaces() > 0 && mesh.m_parentModel == &model, "kept an empty or orphan mesh");
        check(mesh.m_normals.size() == mesh.m_vertices.size(), "normals do not match vertices");
        std::size_t vertexCount = mesh.m_vertices.size() / 3;
        for (const auto& group : mesh.m_materialFaces) {
            check(group.second.size() % 3 == 0, "a group holds a partial triangle");
            for (std::uint16_t i : group.second) check(i < vertexCount, "a group indexes past the vertices");
        }
    }
    return 0;
}
