// The 3DS reader on files without maps (no GL needed): what it stores, what it
// prints, and how it survives files that lie about themselves.
#include "CaptureStdout.h"
#include "Model3dsWriter.h"
#include "TestPaths.h"
#include "model3DS.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <unistd.h>

using namespace model3ds;

namespace {

class Reader : public ::testing::Test {
protected:
    void SetUp() override { dir = testpaths::makeScratchDir("reader"); }
    void TearDown() override {
        if (!HasFailure()) std::filesystem::remove_all(dir);
    }

    std::string save(const std::vector<std::uint8_t>& bytes, const std::string& name = "m.3ds") {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string save(const Model3ds& m, const std::string& name = "m.3ds") {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(writeModel3ds(m, bytes));
        return save(bytes, name);
    }
    // Loads with the C-string variant and returns what it printed.
    std::string load(model3DS& model, const std::string& path, float scale = 1.0f) {
        CaptureStdout out;
        model.loadModel(path.c_str(), scale);
        return out.finish();
    }

    std::string dir;
};

Object triangle(const std::string& name, const std::string& material = "") {
    Object o;
    o.name = name;
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    o.faces = {{0, 1, 2}};
    if (!material.empty()) o.groups = {{material, {0}}};
    return o;
}

std::string zeroEnded(const std::string& s) { return s + std::string(1, '\0'); }

std::vector<float> vec(std::initializer_list<float> v) { return v; }

// A file of raw chunks inside main and editor chunks whose lengths are right.
std::vector<std::uint8_t> rawFile(const std::function<void(ChunkWriter&)>& body) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    body(w);
    w.end();
    w.end();
    return w.take();
}

void vertexChunk(ChunkWriter& w, std::initializer_list<Vec3> vs) {
    w.begin(0x4110);
    w.u16(static_cast<std::uint16_t>(vs.size()));
    for (const Vec3& v : vs) {
        w.f32(v.x);
        w.f32(v.y);
        w.f32(v.z);
    }
    w.end();
}

}  // namespace

TEST_F(Reader, ConvertsScalesAndBoundsVertices) {
    Model3ds m;
    Object o;
    o.name = "rock";
    o.vertices = {{1, 2, 3}, {-4, -5, -6}, {-2, -8, -1}};
    o.faces = {{0, 1, 2}};
    m.objects.push_back(o);
    std::string path = save(m);

    model3DS one;
    load(one, path, 1.0f);
    ASSERT_EQ(one.m_meshes.size(), 1u);
    EXPECT_EQ(one.m_meshes[0].m_vertices, vec({1, 3, -2, -4, -6, 5, -2, -1, 8}));
    EXPECT_EQ(one.m_minX, -4);
    EXPECT_EQ(one.m_maxX, 1);
    EXPECT_EQ(one.m_minY, -6);
    EXPECT_EQ(one.m_maxY, 3);
    EXPECT_EQ(one.m_minZ, -2);
    EXPECT_EQ(one.m_maxZ, 8);
    EXPECT_EQ(one.m_centerX, -1.5f);
    EXPECT_EQ(one.m_centerY, -1.5f);
    EXPECT_EQ(one.m_centerZ, 3.0f);

    model3DS two;
    load(two, path, 2.0f);
    ASSERT_EQ(two.m_meshes.size(), 1u);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(two.m_meshes[0].m_vertices[i], 2 * one.m_meshes[0].m_vertices[i]);
    EXPECT_EQ(two.m_maxY, 6);
    EXPECT_EQ(two.m_centerZ, 6.0f);

    // All on the negative side of x: the maximum stays below zero.
    m.objects[0].vertices = {{-3, 0, 0}, {-1, 0, 0}, {-2, 1, 0}};
    model3DS negative;
    load(negative, save(m, "neg.3ds"));
    EXPECT_EQ(negative.m_maxX, -1);
    EXPECT_EQ(negative.m_minX, -3);
    EXPECT_EQ(negative.m_centerX, -2);
}

TEST_F(Reader, BuildsMeshesOnlyForObjectsWithFacesInFileOrder) {
    Model3ds m;
    m.objects.push_back(triangle("first"));
    Object lamp;
    lamp.name = "lamp";
    lamp.vertices = {{0, 0, 50}};
    m.objects.push_back(lamp);
    m.objects.push_back(triangle("second"));
    m.objects[2].vertices[0] = {0, 0, -10};

    model3DS model;
    EXPECT_EQ(load(model, save(m)), "[3DS] Model '" + dir + "/m.3ds' loaded\n");
    ASSERT_EQ(model.m_meshes.size(), 2u);
    EXPECT_EQ(model.m_meshes[0].m_name, zeroEnded("first"));
    EXPECT_EQ(model.m_meshes[1].m_name, zeroEnded("second"));
    for (const mesh3DS& mesh : model.m_meshes) {
        EXPECT_EQ(mesh.m_parentModel, &model);
        EXPECT_EQ(mesh.m_drawMode, 2);
        EXPECT_EQ(mesh.m_normals.size(), mesh.m_vertices.size());
    }
    // The lamp's vertex made no mesh but widened the box.
    EXPECT_EQ(model.m_maxY, 50);
    EXPECT_EQ(model.m_minY, -10);
    EXPECT_EQ(model.m_centerY, 20);
    EXPECT_EQ(model.m_drawMode, 2);

    // A second load appends, and the box is that load's alone.
    Model3ds small;
    small.objects.push_back(triangle("third"));
    load(model, save(small, "small.3ds"));
    EXPECT_EQ(model.m_meshes.size(), 3u);
    EXPECT_EQ(model.m_maxY, 0);
    EXPECT_EQ(model.m_filename, "small.3ds");
}

TEST_F(Reader, ReadsMaterialsAndMatchesFaceGroupsByStoredName) {
    Model3ds m;
    Material red;
    red.name = "red";
    red.ambient = {1.0f, 128 / 255.0f, 0.0f};
    red.diffuse = {1.0f, 128 / 255.0f, 0.0f};
    red.specular = {0.0f, 0.0f, 1.0f};
    red.colorChunk = ColorChunk::Bytes;
    red.shininess = 25;
    red.shinStrength = 50;
    red.transparency = 25;
    red.twoSided = true;
    m.materials.push_back(red);
    Material blue;
    blue.name = "blue";
    blue.diffuse = {0.1f, 0.2f, 0.3f};
    blue.colorChunk = ColorChunk::LinearFloat;
    blue.percentChunk = PercentChunk::Float;
    blue.shininess = 12.5f;
    m.materials.push_back(blue);
    Material blueAgain = blue;   // the later one replaces all fields
    blueAgain.diffuse = {0.4f, 0.5f, 0.6f};
    blueAgain.colorChunk = ColorChunk::LinearBytes;
    m.materials.push_back(blueAgain);
    m.objects.push_back(triangle("t", "red"));

    model3DS model;
    load(model, save(m));
    ASSERT_EQ(model.m_materials.size(), 2u);
    const material3DS& r = model.m_materials.at(zeroEnded("red"));
    EXPECT_EQ(r.m_name, zeroEnded("red"));
    EXPECT_FLOAT_EQ(r.m_diffuse[0], 1.0f);
    EXPECT_NEAR(r.m_diffuse[1], 0.50196f, 1e-5);
    EXPECT_FLOAT_EQ(r.m_diffuse[2], 0.0f);
    EXPECT_NEAR(r.m_ambient[1], 0.50196f, 1e-5);
    EXPECT_FLOAT_EQ(r.m_specular[2], 1.0f);
    EXPECT_FLOAT_EQ(r.m_shininess, 0.25f);
    EXPECT_FLOAT_EQ(r.m_shinStrength, 0.5f);
    EXPECT_FLOAT_EQ(r.m_transparency, 0.75f);
    EXPECT_TRUE(r.m_twoSided);
    EXPECT_FALSE(r.m_hasTextureMap);
    EXPECT_FALSE(r.m_hasBumpMap);
    const material3DS& b = model.m_materials.at(zeroEnded("blue"));
    EXPECT_NEAR(b.m_diffuse[0], 102 / 255.0, 1e-6);   // 0.4 as a byte
    EXPECT_FLOAT_EQ(b.m_shininess, 0.125f);
    EXPECT_FALSE(b.m_twoSided);
    EXPECT_FALSE(model.hasTexture);

    ASSERT_EQ(model.m_meshes.size(), 1u);
    const auto& groups = model.m_meshes[0].m_materialFaces;
    ASSERT_EQ(groups.count(zeroEnded("red")), 1u);
    EXPECT_EQ(groups.at(zeroEnded("red")), (std::vector<std::uint16_t>{0, 1, 2}));
}

TEST_F(Reader, MaterialWithoutNameOrValuesKeepsDefaults) {
    // No name chunk, an ambient chunk without a colour inside, a shininess
    // chunk without a percentage, then a diffuse colour: only the diffuse
    // colour comes from the file; the empty ambient must not take the
    // colour read before it.
    auto bytes = rawFile([](ChunkWriter& w) {
        w.begin(0xAFFF);
        w.begin(0xA030);
        w.begin(0x0010);
        w.f32(0.9f);
        w.f32(0.9f);
        w.f32(0.9f);
        w.end();
        w.end();
        w.begin(0xA010);
        w.end();
        w.begin(0xA040);
        w.end();
        w.begin(0xA020);
        w.begin(0x0011);
        w.u8(0);
        w.u8(255);
        w.u8(0);
        w.end();
        w.end();
        w.end();
    });
    model3DS model;
    load(model, save(bytes));
    ASSERT_EQ(model.m_materials.count(""), 1u);
    const material3DS& m = model.m_materials.at("");
    EXPECT_FLOAT_EQ(m.m_specular[0], 0.9f);
    EXPECT_FLOAT_EQ(m.m_ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(m.m_shininess, 0.0f);
    EXPECT_FLOAT_EQ(m.m_diffuse[1], 1.0f);
    EXPECT_FLOAT_EQ(m.m_shinStrength, 1.0f);
    EXPECT_FLOAT_EQ(m.m_transparency, 1.0f);
}

TEST_F(Reader, CutsNamesAtTwentyBytesAndReadsOn) {
    const std::string nineteen = "abcdefghijklmnopqrs";
    const std::string twenty = nineteen + "t";
    const std::string long_ = twenty + "uvwxyz0123456789";
    Model3ds m;
    for (const std::string& name : {nineteen, twenty, long_}) {
        m.objects.push_back(triangle(name, name));
        Material mat;
        mat.name = name;
        mat.diffuse = {0, 0, 1};
        m.materials.push_back(mat);
    }
    model3DS model;
    load(model, save(m));
    ASSERT_EQ(model.m_meshes.size(), 3u);
    EXPECT_EQ(model.m_meshes[0].m_name, zeroEnded(nineteen));
    EXPECT_EQ(model.m_meshes[1].m_name, twenty);
    EXPECT_EQ(model.m_meshes[2].m_name, twenty);
    // The twenty-byte and the long name are stored alike, so the long one's
    // material replaced the other's; the data after the long names was read.
    EXPECT_EQ(model.m_materials.size(), 2u);
    EXPECT_EQ(model.m_meshes[2].m_vertices.size(), 9u);
    EXPECT_EQ(model.m_meshes[2].m_materialFaces.at(twenty).size(), 3u);
    EXPECT_FLOAT_EQ(model.m_materials.at(twenty).m_diffuse[2], 1.0f);
}

TEST_F(Reader, SkipsUnknownChunksByTheirLength) {
    auto bytes = rawFile([](ChunkWriter& w) {
        w.begin(0x4000);
        w.name("obj");
        w.begin(0x4100);
        vertexChunk(w, {{0, 0, 0}, {1, 0, 0}});
        w.begin(0x4999);   // unknown, holding what looks like a vertex chunk
        vertexChunk(w, {{100, 100, 100}});
        w.u8(1);
        w.end();
        vertexChunk(w, {{0, 1, 0}});
        w.begin(0x4120);
        w.u16(1);
        for (std::uint16_t v : {0, 1, 2, 0}) w.u16(v);
        w.end();
        w.end();
        w.end();
        w.begin(0xB000);   // keyframer section: skipped
        w.u32(0xFFFFFFFF);
        w.end();
    });
    model3DS model;
    load(model, save(bytes));
    ASSERT_EQ(model.m_meshes.size(), 1u);
    EXPECT_EQ(model.m_meshes[0].m_vertices, vec({0, 0, 0, 1, 0, 0, 0, 0, -1}));
    EXPECT_EQ(model.m_maxX, 1);
}

TEST_F(Reader, PrintsItsLinesByteForByte) {
    model3DS missing;
    EXPECT_EQ(load(missing, dir + "/nothing.3ds"), "[3DS] ERROR: Could not open '" + dir + "/nothing.3ds'\n");

    model3DS empty;
    std::string emptyPath = save(std::vector<std::uint8_t>{}, "empty.3ds");
    EXPECT_EQ(load(empty, emptyPath), "[3DS] ERROR: Model '" + emptyPath + "' is empty\n");

    for (const auto& bytes : {std::vector<std::uint8_t>{0x4D}, std::vector<std::uint8_t>{0x4D, 0x4E, 6, 0, 0, 0},
                              std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o', '!', '\n'}}) {
        model3DS invalid;
        std::string path = save(bytes, "bad.3ds");
        EXPECT_EQ(load(invalid, path), "[3DS] ERROR: Model '" + path + "' is not a valid 3DS file\n");
        EXPECT_TRUE(invalid.m_meshes.empty());
    }

    // A model that only has the main chunk loads, with nothing in it.
    model3DS bare;
    std::string barePath = save(std::vector<std::uint8_t>{0x4D, 0x4D, 6, 0, 0, 0}, "bare.3ds");
    EXPECT_EQ(load(bare, barePath), "[3DS] Model '" + barePath + "' loaded\n");
}

TEST_F(Reader, SplitsTheNameIntoFolderAndFile) {
    Model3ds m;
    m.objects.push_back(triangle("t"));
    std::filesystem::create_directories(dir + "/a.b");
    save(m, "a.b/ship.3ds");
    model3DS slash;
    load(slash, dir + "/a.b/ship.3ds");
    EXPECT_EQ(slash.m_filepath, dir + "/a.b/");
    EXPECT_EQ(slash.m_filename, "ship.3ds");

    save(m, "x\\ship.3ds");   // a backslash after the last slash splits too
    model3DS backslash;
    load(backslash, dir + "/x\\ship.3ds");
    EXPECT_EQ(backslash.m_filepath, dir + "/x\\");
    EXPECT_EQ(backslash.m_filename, "ship.3ds");
    EXPECT_EQ(backslash.m_meshes.size(), 1u);

    // The string variant reads from the data folder under the working folder.
    std::filesystem::create_directories(dir + "/data/arWing");
    save(m, "data/arWing/arwing.3ds");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    model3DS viaData;
    CaptureStdout out;
    viaData.loadModel(std::string("arWing/arwing.3ds"), 1.0f);
    std::string printed = out.finish();
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(printed, "[3DS] Model 'data/arWing/arwing.3ds' loaded\n");
    EXPECT_EQ(viaData.m_filepath, "data/arWing/");
    EXPECT_EQ(viaData.m_filename, "arwing.3ds");
    EXPECT_EQ(viaData.m_meshes.size(), 1u);
}

// Files that lie: each must load what it truly holds, print the loaded line,
// and never read outside the file or its lists.
TEST_F(Reader, StopsAtLengthsThatCannotBeTrue) {
    struct Case {
        const char* what;
        std::function<void(ChunkWriter&)> body;
        std::size_t meshes;
        std::size_t vertices;   // of the first mesh
    };
    auto object = [](ChunkWriter& w, const std::function<void()>& inside) {
        w.begin(0x4000);
        w.name("o");
        w.begin(0x4100);
        inside();
        w.end();
        w.end();
    };
    auto faces = [](ChunkWriter& w, std::uint16_t n, std::initializer_list<std::uint16_t> abc) {
        w.begin(0x4120);
        w.u16(n);
        for (std::uint16_t v : abc) w.u16(v);
        w.end();
    };
    const Case cases[] = {
        {"a length below 6 ends the range; what came before stays",
         [&](ChunkWriter& w) {
             object(w, [&] {
                 vertexChunk(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
                 faces(w, 1, {0, 1, 2, 0});
                 w.header(0x4110, 3);
                 vertexChunk(w, {{5, 5, 5}});
             });
         },
         1, 9},
        {"a zero length never loops",
         [&](ChunkWriter& w) {
             w.header(0x1234, 0);
             object(w, [&] { vertexChunk(w, {{0, 0, 0}}); });
         },
         0, 0},
        {"a count larger than its chunk keeps the whole entries present",
         [&](ChunkWriter& w) {
             object(w, [&] {
                 w.begin(0x4110);
                 w.u16(1000);
                 for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 7.f}) w.f32(f);
                 w.end();
                 faces(w, 50, {0, 1, 2, 0, 9, 9});
             });
         },
         1, 9},
        {"a chunk running past its parent is cut at the parent's end",
         [&](ChunkWriter& w) {
             object(w, [&] {
                 vertexChunk(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
                 w.begin(0x4120);
                 w.u16(1);
                 for (std::uint16_t v : {0, 1, 2, 0}) w.u16(v);
                 w.end();
                 w.patchU32(w.size() - 16 + 2, 0x7FFFFFF0);
             });
             // The next object is outside the broken one's parent and still read.
             object(w, [&] {
                 vertexChunk(w, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}});
                 faces(w, 1, {0, 1, 2, 0});
             });
         },
         2, 9},
        {"mesh chunks outside an object are skipped",
         [&](ChunkWriter& w) {
             vertexChunk(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
             faces(w, 1, {0, 1, 2, 0});
             w.begin(0x4130);
             w.name("x");
             w.u16(1);
             w.u16(0);
             w.end();
             w.begin(0x4140);
             w.u16(1);
             w.f32(0);
             w.f32(0);
             w.end();
             w.begin(0x4150);
             w.u32(1);
             w.end();
         },
         0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model3DS model;
        std::string path = save(rawFile(c.body));
        EXPECT_EQ(load(model, path), "[3DS] Model '" + path + "' loaded\n");
        ASSERT_EQ(model.m_meshes.size(), c.meshes);
        if (c.meshes) {
            EXPECT_EQ(model.m_meshes[0].m_vertices.size(), c.vertices);
        }
    }
}

TEST_F(Reader, SurvivesFilesCutShortAnywhere) {
    Model3ds m;
    Material mat;
    mat.name = "steel";
    mat.twoSided = true;
    m.materials.push_back(mat);
    for (int i = 0; i < 3; ++i) {
        Object o = triangle("part" + std::to_string(i), "steel");
        o.texcoords = {{0, 0}, {1, 0}, {0, 1}};
        o.smoothingGroups = {1};
        m.objects.push_back(o);
    }
    std::vector<std::uint8_t> whole;
    ASSERT_TRUE(writeModel3ds(m, whole));
    std::size_t previousMeshes = 0;
    for (std::size_t cut = 1; cut <= whole.size(); ++cut) {
        std::vector<std::uint8_t> part(whole.begin(), whole.begin() + cut);
        model3DS model;
        std::string out = load(model, save(part));
        SCOPED_TRACE(cut);
        if (cut < 6) {
            EXPECT_NE(out.find("is not a valid 3DS file"), std::string::npos);
            continue;
        }
        EXPECT_NE(out.find("' loaded\n"), std::string::npos);
        // More of the file never yields fewer meshes, and each mesh is whole
        // in what it holds.
        EXPECT_GE(model.m_meshes.size(), previousMeshes);
        previousMeshes = model.m_meshes.size();
        for (const mesh3DS& mesh : model.m_meshes) {
            EXPECT_EQ(mesh.m_vertices.size() % 3, 0u);
            EXPECT_EQ(mesh.m_faces.size() % 3, 0u);
            EXPECT_EQ(mesh.m_normals.size(), mesh.m_vertices.size());
            for (const auto& group : mesh.m_materialFaces)
                for (std::uint16_t i : group.second) EXPECT_LT(i, mesh.m_vertices.size() / 3);
        }
    }
    EXPECT_EQ(previousMeshes, 3u);
}

TEST_F(Reader, DropsFacesThatPointOutsideTheMesh) {
    Model3ds m;
    Object o;
    o.name = "o";
    o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    o.faces = {{0, 1, 2}, {1, 3, 4}, {1, 3, 2}};   // face 1 names vertex 4
    o.groups = {{"g", {2, 1, 7, 0}}};              // face 7 does not exist
    o.smoothingGroups = {1, 2, 3};
    m.objects.push_back(o);
    model3DS model;
    load(model, save(m));
    ASSERT_EQ(model.m_meshes.size(), 1u);
    const mesh3DS& mesh = model.m_meshes[0];
    EXPECT_EQ(mesh.getNumFaces(), 9);   // the faces are kept as read
    EXPECT_EQ(mesh.m_materialFaces.at(zeroEnded("g")), (std::vector<std::uint16_t>{1, 3, 2, 0, 1, 2}));
    // The group's count (4) bounds the smoothing list as well as its chunk.
    EXPECT_EQ(mesh.m_smoothingGroups, (std::vector<std::uint32_t>{1, 2, 3}));
    // Vertex 3 only belongs to good faces; the dropped face added nothing.
    EXPECT_FLOAT_EQ(mesh.m_normals[3 * 3 + 1], 1.0f);
}

TEST_F(Reader, MaterialChunksOutsideAMaterialAreSkipped) {
    auto bytes = rawFile([](ChunkWriter& w) {
        w.begin(0xA000);
        w.name("stray");
        w.end();
        w.begin(0xA081);
        w.end();
        w.begin(0xA200);
        w.begin(0xA300);
        w.name("stray.jpg");
        w.end();
        w.end();
        w.begin(0xAFFF);
        w.begin(0xA000);
        w.name("real");
        w.end();
        w.end();
        w.begin(0xA081);   // after the material: no material to set
        w.end();
    });
    model3DS model;
    std::string path = save(bytes);
    EXPECT_EQ(load(model, path), "[3DS] Model '" + path + "' loaded\n");
    ASSERT_EQ(model.m_materials.size(), 1u);
    EXPECT_FALSE(model.m_materials.at(zeroEnded("real")).m_twoSided);
    EXPECT_FALSE(model.hasTexture);
}

TEST_F(Reader, DeepNestingIsSkippedNotFollowed) {
    // Objects inside objects, materials inside colours, a hundred thousand
    // levels deep: far more than the stack would take if followed.
    for (std::uint16_t id : {0x4000, 0xA010}) {
        ChunkWriter w;
        w.begin(0x4D4D);
        w.begin(0xAFFF);
        int open = 2;
        for (int i = 0; i < 100000; ++i) {
            w.begin(id);
            ++open;
            if (id == 0x4000) {
                w.u8(0);
            } else {
                w.begin(0xAFFF);
                ++open;
            }
        }
        while (open--) w.end();
        std::vector<std::uint8_t> bytes = w.data();
        model3DS model;
        std::string path = save(bytes);
        EXPECT_EQ(load(model, path), "[3DS] Model '" + path + "' loaded\n");
    }
}
