// The 3DS reader on files without maps (no GL needed): what it stores, what it
// prints, and how it survives files that lie about themselves.
#include "CaptureStdout.h"
#include "Model3dsWriter.h"
#include "TestPaths.h"
#include "model3DS.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace model3ds;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes header(std::uint16_t id, std::uint32_t length) {
    ChunkWriter w;
    w.header(id, length);
    return w.take();
}
Bytes chunk(std::uint16_t id, const Bytes& body = {}) {
    return header(id, static_cast<std::uint32_t>(6 + body.size())) + body;
}
Bytes u16s(std::initializer_list<std::uint16_t> values) {
    ChunkWriter w;
    for (std::uint16_t v : values) w.u16(v);
    return w.take();
}
Bytes f32s(std::initializer_list<float> values) {
    ChunkWriter w;
    for (float v : values) w.f32(v);
    return w.take();
}
Bytes cut(Bytes b, std::size_t n) {
    b.resize(b.size() - n);
    return b;
}
Bytes name(const std::string& s) { return Bytes(s.begin(), s.end()) + Bytes{0}; }
// Main and editor chunks around the given chunks.
Bytes file(const Bytes& chunks) { return chunk(0x4D4D, chunk(0x3D3D, chunks)); }
Bytes object(const Bytes& meshChunks) { return chunk(0x4000, name("o") + chunk(0x4100, meshChunks)); }
const Bytes kTriangle = chunk(0x4110, u16s({3}) + f32s({0, 0, 0, 1, 0, 0, 0, 1, 0})) +
                        chunk(0x4120, u16s({1, 0, 1, 2, 0}));

Object triangle(const std::string& objectName, const std::string& material = "") {
    Object o;
    o.name = objectName;
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    o.faces = {{0, 1, 2}};
    if (!material.empty()) o.groups = {{material, {0}}};
    return o;
}

std::string zeroEnded(const std::string& s) { return s + std::string(1, '\0'); }

class Reader : public ::testing::Test {
protected:

    std::string save(const Bytes& bytes, const std::string& fileName = "m.3ds") {
        std::string path = dir + "/" + fileName;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string save(const Model3ds& m, const std::string& fileName = "m.3ds") {
        Bytes bytes;
        EXPECT_TRUE(writeModel3ds(m, bytes));
        return save(bytes, fileName);
    }
    // Loads with the C-string variant and returns what it printed.
    std::string load(model3DS& model, const std::string& path, float scale = 1.0f) {
        CaptureStdout out;
        model.loadModel(path.c_str(), scale);
        return out.finish();
    }
    std::string loaded(const std::string& path) { return "[3DS] Model '" + path + "' loaded\n"; }

    ScratchDir scratch{"reader"};
    std::string dir = scratch.path();
};

}  // namespace

TEST_F(Reader, ConvertsScalesAndBoundsVertices) {
    Object o = triangle("rock");
    o.vertices = {{1, 2, 3}, {-4, -5, -6}, {-2, -8, -1}};
    std::string path = save({{}, {o}});
    model3DS one, two;
    load(one, path, 1.0f);
    load(two, path, 2.0f);
    ASSERT_EQ(one.m_meshes.size(), 1u);
    ASSERT_EQ(two.m_meshes.size(), 1u);
    const std::vector<float> stored = {1, 3, -2, -4, -6, 5, -2, -1, 8};
    EXPECT_EQ(one.m_meshes[0].m_vertices, stored);
    const float box[] = {-4, 1, -6, 3, -2, 8}, centre[] = {-1.5f, -1.5f, 3};
    for (int s = 1; s <= 2; ++s) {
        const model3DS& m = s == 1 ? one : two;
        for (std::size_t i = 0; i < stored.size(); ++i) EXPECT_EQ(m.m_meshes[0].m_vertices[i], s * stored[i]);
        EXPECT_EQ((std::vector<float>{m.m_minX, m.m_maxX, m.m_minY, m.m_maxY, m.m_minZ, m.m_maxZ}),
                  (std::vector<float>{s * box[0], s * box[1], s * box[2], s * box[3], s * box[4], s * box[5]}));
        EXPECT_EQ((std::vector<float>{m.m_centerX, m.m_centerY, m.m_centerZ}),
                  (std::vector<float>{s * centre[0], s * centre[1], s * centre[2]}));
    }
    // All on the negative side of x: the maximum stays below zero.
    o.vertices = {{-3, 0, 0}, {-1, 0, 0}, {-2, 1, 0}};
    model3DS negative;
    load(negative, save({{}, {o}}, "neg.3ds"));
    EXPECT_EQ(negative.m_maxX, -1);
    EXPECT_EQ(negative.m_centerX, -2);
}

TEST_F(Reader, BuildsMeshesOnlyForObjectsWithFaces) {
    Object lamp;
    lamp.name = "lamp";
    lamp.vertices = {{0, 0, 50}};
    Object second = triangle("second");
    second.vertices[0] = {0, 0, -10};
    model3DS model;
    std::string path = save({{}, {triangle("first"), lamp, second}});
    EXPECT_EQ(load(model, path), loaded(path));
    ASSERT_EQ(model.m_meshes.size(), 2u);
    EXPECT_EQ(model.m_meshes[0].m_name, zeroEnded("first"));
    EXPECT_EQ(model.m_meshes[1].m_name, zeroEnded("second"));
    for (const mesh3DS& mesh : model.m_meshes) {
        EXPECT_EQ(mesh.m_parentModel, &model);
        EXPECT_EQ(mesh.m_drawMode, 2);
        EXPECT_EQ(mesh.m_normals.size(), mesh.m_vertices.size());
    }
    // The lamp made no mesh but widened the box.
    EXPECT_EQ(model.m_maxY, 50);
    EXPECT_EQ(model.m_centerY, 20);

    // A second load appends, and the box is that load's alone.
    load(model, save({{}, {triangle("third")}}, "small.3ds"));
    EXPECT_EQ(model.m_meshes.size(), 3u);
    EXPECT_EQ(model.m_maxY, 0);
    EXPECT_EQ(model.m_filename, "small.3ds");
}

TEST_F(Reader, ReadsMaterialsAndMatchesGroupsByStoredName) {
    Material red;
    red.name = "red";
    red.diffuse = {1.0f, 128 / 255.0f, 0.0f};
    red.specular = {0.0f, 0.0f, 1.0f};
    red.colorChunk = ColorChunk::Bytes;
    red.shininess = 25;
    red.shinStrength = 50;
    red.transparency = 25;
    red.twoSided = true;
    Material blue;
    blue.name = "blue";
    blue.colorChunk = ColorChunk::LinearFloat;
    blue.percentChunk = PercentChunk::Float;
    blue.shininess = 12.5f;
    Material blueAgain = blue;   // the later one replaces all fields
    blueAgain.diffuse = {0.4f, 0.5f, 0.6f};
    blueAgain.colorChunk = ColorChunk::LinearBytes;
    model3DS model;
    load(model, save({{red, blue, blueAgain}, {triangle("t", "red")}}));

    ASSERT_EQ(model.m_materials.size(), 2u);
    const material3DS& r = model.m_materials.at(zeroEnded("red"));
    EXPECT_EQ(r.m_name, zeroEnded("red"));
    EXPECT_FLOAT_EQ(r.m_diffuse[0], 1.0f);
    EXPECT_NEAR(r.m_diffuse[1], 0.50196f, 1e-5);
    EXPECT_FLOAT_EQ(r.m_diffuse[2], 0.0f);
    EXPECT_FLOAT_EQ(r.m_specular[2], 1.0f);
    EXPECT_FLOAT_EQ(r.m_shininess, 0.25f);
    EXPECT_FLOAT_EQ(r.m_shinStrength, 0.5f);
    EXPECT_FLOAT_EQ(r.m_transparency, 0.75f);
    EXPECT_TRUE(r.m_twoSided);
    EXPECT_FALSE(r.m_hasTextureMap || r.m_hasBumpMap || model.hasTexture);
    const material3DS& b = model.m_materials.at(zeroEnded("blue"));
    EXPECT_NEAR(b.m_diffuse[0], 102 / 255.0, 1e-6);   // 0.4 as a byte
    EXPECT_FLOAT_EQ(b.m_shininess, 0.125f);
    EXPECT_FALSE(b.m_twoSided);
    ASSERT_EQ(model.m_meshes.size(), 1u);
    EXPECT_EQ(model.m_meshes[0].m_materialFaces.at(zeroEnded("red")), (std::vector<std::uint16_t>{0, 1, 2}));

    // No name, an ambient chunk without a colour, a shininess chunk without
    // a percentage: those fields keep their defaults rather than take the
    // colour or percentage read before them.
    // Likewise a map chunk without a file name names no file, not the one
    // read before it (neither needs GL: gif is refused before any upload).
    model3DS partial;
    std::string path = save(file(chunk(
        0xAFFF, chunk(0xA030, chunk(0x0010, f32s({0.9f, 0.9f, 0.9f}))) + chunk(0xA050, chunk(0x0030, u16s({40}))) +
                    chunk(0xA010) + chunk(0xA040) + chunk(0xA020, chunk(0x0011, {0, 255, 0})) +
                    chunk(0xA200, chunk(0xA300, name("a.gif"))) + chunk(0xA230))));
    const std::string refused = "'\n[3DS] WARNING: (texture must be TGA, PNG, JPG or BMP)\n";
    EXPECT_EQ(load(partial, path), "[3DS] WARNING: Could not load map '" + dir + "/a.gif" + std::string(1, '\0') +
                                       refused + "[3DS] WARNING: Could not load map '" + dir + "/" + refused +
                                       loaded(path));
    EXPECT_TRUE(partial.hasTexture);
    ASSERT_EQ(partial.m_materials.count(""), 1u);
    const material3DS& p = partial.m_materials.at("");
    EXPECT_FLOAT_EQ(p.m_specular[0], 0.9f);
    EXPECT_FLOAT_EQ(p.m_transparency, 0.6f);
    EXPECT_FLOAT_EQ(p.m_ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(p.m_shininess, 0.0f);
    EXPECT_FLOAT_EQ(p.m_diffuse[1], 1.0f);
    EXPECT_FLOAT_EQ(p.m_shinStrength, 1.0f);
}

TEST_F(Reader, CutsNamesAtTwentyBytesAndReadsOn) {
    const std::string nineteen = "abcdefghijklmnopqrs", twenty = nineteen + "t", longer = twenty + "uvwxyz";
    Model3ds m;
    for (const std::string& n : {nineteen, twenty, longer}) {
        m.objects.push_back(triangle(n, n));
        Material mat;
        mat.name = n;
        mat.diffuse = {0, 0, 1};
        m.materials.push_back(mat);
    }
    model3DS model;
    load(model, save(m));
    ASSERT_EQ(model.m_meshes.size(), 3u);
    EXPECT_EQ(model.m_meshes[0].m_name, zeroEnded(nineteen));
    EXPECT_EQ(model.m_meshes[1].m_name, twenty);
    EXPECT_EQ(model.m_meshes[2].m_name, twenty);
    // The twenty-byte and the longer name are stored alike; what follows the
    // longer names was read in the right place.
    EXPECT_EQ(model.m_materials.size(), 2u);
    EXPECT_EQ(model.m_meshes[2].m_vertices.size(), 9u);
    EXPECT_EQ(model.m_meshes[2].m_materialFaces.at(twenty).size(), 3u);
    EXPECT_FLOAT_EQ(model.m_materials.at(twenty).m_diffuse[2], 1.0f);
}

TEST_F(Reader, PrintsItsLinesAndSplitsThePath) {
    model3DS missing;
    EXPECT_EQ(load(missing, dir + "/none.3ds"), "[3DS] ERROR: Could not open '" + dir + "/none.3ds'\n");
    model3DS empty;
    std::string path = save(Bytes{});
    EXPECT_EQ(load(empty, path), "[3DS] ERROR: Model '" + path + "' is empty\n");
    for (const Bytes& bytes : {Bytes{0x4D}, Bytes{0x4D, 0x4E, 6, 0, 0, 0}, Bytes{'h', 'e', 'l', 'l', 'o', '!'}}) {
        model3DS invalid;
        EXPECT_EQ(load(invalid, save(bytes)), "[3DS] ERROR: Model '" + path + "' is not a valid 3DS file\n");
    }
    model3DS bare;
    EXPECT_EQ(load(bare, save(chunk(0x4D4D))), loaded(path));

    // A backslash after the last slash splits too.
    save({{}, {triangle("t")}}, "x\\ship.3ds");
    model3DS split;
    load(split, dir + "/x\\ship.3ds");
    EXPECT_EQ(split.m_filepath, dir + "/x\\");
    EXPECT_EQ(split.m_filename, "ship.3ds");
    EXPECT_EQ(split.m_meshes.size(), 1u);

    // The string variant reads from the data folder under the working folder.
    std::filesystem::create_directories(dir + "/data/arWing");
    save({{}, {triangle("t")}}, "data/arWing/arwing.3ds");
    std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    model3DS viaData;
    CaptureStdout out;
    viaData.loadModel(std::string("arWing/arwing.3ds"), 1.0f);
    std::string printed = out.finish();
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    EXPECT_EQ(printed, loaded("data/arWing/arwing.3ds"));
    EXPECT_EQ(viaData.m_filepath, "data/arWing/");
    EXPECT_EQ(viaData.m_filename, "arwing.3ds");
    EXPECT_EQ(viaData.m_meshes.size(), 1u);
}

// Files that lie: each must load what it truly holds, print the loaded line,
// and never read outside the file or its lists.
TEST_F(Reader, ReadsOnlyWhatTheFileTrulyHolds) {
    const Bytes facesPastParent = header(0x4120, 0x7FFFFFF0) + u16s({1, 0, 1, 2, 0});
    const Bytes group = chunk(0x4130, name("g") + u16s({1, 0}));
    const Bytes vertices = chunk(0x4110, u16s({3}) + f32s({0, 0, 0, 1, 0, 0, 0, 1, 0}));
    const Bytes quad = object(chunk(0x4110, u16s({4}) + f32s({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0})) +
                              chunk(0x4120, u16s({1, 0, 1, 2, 0})));
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<std::size_t> vertexCounts;   // per mesh kept
    } cases[] = {
        {"an unknown chunk is skipped by its length, whatever it holds",
         file(object(chunk(0x4999, kTriangle) + kTriangle) + chunk(0xB000, u16s({1, 2}))), {9}},
        {"a length below 6 ends the range; what came before stays",
         file(object(kTriangle + header(0x4110, 3) + kTriangle)), {9}},
        {"a zero length never loops", file(header(0x1234, 0) + object(kTriangle)), {}},
        {"counts larger than their chunk keep the whole entries present",
         file(object(chunk(0x4110, u16s({1000}) + f32s({0, 0, 0, 1, 0, 0, 0, 1, 0, 7})) +
                     chunk(0x4120, u16s({50, 0, 1, 2, 0, 9, 9})))),
         {9}},
        {"a chunk past the end of the file is read to there and ends the walk",
         file(object(vertices + facesPastParent) + object(kTriangle)), {9, 9}},
        {"a chunk past its parent is read to its own end, once, and the walk goes on after it",
         file(object(vertices + header(0x4120, 16 + quad.size()) + u16s({1, 0, 1, 2, 0})) + quad + object(kTriangle)),
         {12, 9, 9}},
        {"a main chunk ending inside an object still reads all of it",
         header(0x4D4D, 12 + 10) + chunk(0x3D3D, object(kTriangle)), {9}},
        {"a main chunk ending inside an unknown chunk skips all of it",
         header(0x4D4D, 12 + object(kTriangle).size() + 10) +
             chunk(0x3D3D, object(kTriangle) + chunk(0x4999, u16s({0, 0}) + object(kTriangle))),
         {9}},
        {"a file cut inside a list keeps the whole entries",
         cut(file(object(kTriangle + chunk(0x4110, u16s({2}) + f32s({5, 5, 5, 6, 6, 6})))), 4), {12}},
        {"mesh chunks outside an object are skipped",
         file(kTriangle + group + chunk(0x4140, u16s({1}) + f32s({0, 0})) + chunk(0x4150, {1, 0, 0, 0})), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        model3DS model;
        std::string path = save(c.bytes);
        EXPECT_EQ(load(model, path), loaded(path));
        std::vector<std::size_t> counts;
        for (const mesh3DS& mesh : model.m_meshes) counts.push_back(mesh.m_vertices.size());
        EXPECT_EQ(counts, c.vertexCounts);
    }

    // Material chunks outside a material set nothing.
    model3DS model;
    load(model, save(file(chunk(0xA000, name("stray")) + chunk(0xA081) +
                          chunk(0xA200, chunk(0xA300, name("stray.jpg"))) +
                          chunk(0xAFFF, chunk(0xA000, name("real"))) + chunk(0xA081))));
    ASSERT_EQ(model.m_materials.size(), 1u);
    EXPECT_FALSE(model.m_materials.at(zeroEnded("real")).m_twoSided);
    EXPECT_FALSE(model.hasTexture);
}

TEST_F(Reader, SurvivesFilesCutShortAnywhere) {
    Material mat;
    mat.name = "steel";
    mat.twoSided = true;
    Model3ds m{{mat}, {}};
    for (int i = 0; i < 3; ++i) {
        Object o = triangle("part" + std::to_string(i), "steel");
        o.texcoords = {{0, 0}, {1, 0}, {0, 1}};
        o.smoothingGroups = {1};
        m.objects.push_back(o);
    }
    Bytes whole;
    ASSERT_TRUE(writeModel3ds(m, whole));
    std::size_t meshes = 0;
    for (std::size_t cut = 6; cut <= whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        model3DS model;
        std::string path = save(Bytes(whole.begin(), whole.begin() + cut));
        EXPECT_EQ(load(model, path), loaded(path));
        // More of the file never yields fewer meshes, and each mesh indexes
        // only its own vertices.
        EXPECT_GE(model.m_meshes.size(), meshes);
        meshes = model.m_meshes.size();
        for (const mesh3DS& mesh : model.m_meshes) {
            EXPECT_EQ(mesh.m_normals.size(), mesh.m_vertices.size());
            for (const auto& g : mesh.m_materialFaces)
                for (std::uint16_t i : g.second) EXPECT_LT(i, mesh.m_vertices.size() / 3);
        }
    }
    EXPECT_EQ(meshes, 3u);
}

TEST_F(Reader, DropsFacesThatPointOutsideTheMesh) {
    Object o = triangle("o", "g");
    o.vertices.push_back({1, 1, 0});
    o.faces = {{0, 1, 2}, {1, 3, 4}, {1, 3, 2}};   // face 1 names vertex 4
    o.groups[0].faces = {2, 1, 7, 0};              // face 7 does not exist
    o.smoothingGroups = {1, 2, 3};
    model3DS model;
    load(model, save({{}, {o}}));
    ASSERT_EQ(model.m_meshes.size(), 1u);
    const mesh3DS& mesh = model.m_meshes[0];
    EXPECT_EQ(mesh.getNumFaces(), 9);   // the faces are kept as read
    EXPECT_EQ(mesh.m_materialFaces.at(zeroEnded("g")), (std::vector<std::uint16_t>{1, 3, 2, 0, 1, 2}));
    // The group's count (4) exceeds the smoothing chunk: its end bounds it.
    EXPECT_EQ(mesh.m_smoothingGroups, (std::vector<std::uint32_t>{1, 2, 3}));
    // Vertex 3 belongs to one good face only; the dropped face added nothing.
    EXPECT_FLOAT_EQ(mesh.m_normals[3 * 3 + 1], 1.0f);
}

TEST_F(Reader, DeepNestingIsSkippedNotFollowed) {
    // Objects in objects and materials in colours in materials, far deeper
    // than the stack would take if followed.
    for (std::uint16_t id : {0x4000, 0xAFFF}) {
        ChunkWriter w;
        w.begin(0x4D4D);
        for (int i = 0; i < 100000; ++i) {
            w.begin(id);
            if (id == 0x4000) w.u8(0);
            else w.begin(0xA010);
        }
        w.bytes(kTriangle.data(), kTriangle.size());
        for (int i = 0; i < (id == 0x4000 ? 100001 : 200001); ++i) w.end();
        model3DS model;
        std::string path = save(w.data());
        EXPECT_EQ(load(model, path), loaded(path));
        EXPECT_TRUE(model.m_meshes.empty());
    }
}
