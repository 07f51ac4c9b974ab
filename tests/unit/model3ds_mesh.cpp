// Mesh build (normals, regrouping by material) and the front object's
// bookkeeping: what needs no GL context.
#include "CaptureStdout.h"
#include "mesh3DS.h"
#include "model3DS.h"
#include "ofx3DModelLoader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

mesh3DS meshOf(model3DS& parent, std::vector<float> vertices, std::vector<std::uint16_t> faces) {
    mesh3DS mesh;
    mesh.m_parentModel = &parent;
    mesh.m_vertices = std::move(vertices);
    mesh.m_faces = std::move(faces);
    return mesh;
}

void expectNormal(const mesh3DS& mesh, std::size_t vertex, float x, float y, float z) {
    SCOPED_TRACE(vertex);
    EXPECT_NEAR(mesh.m_normals.at(3 * vertex), x, 1e-6);
    EXPECT_NEAR(mesh.m_normals.at(3 * vertex + 1), y, 1e-6);
    EXPECT_NEAR(mesh.m_normals.at(3 * vertex + 2), z, 1e-6);
}

}  // namespace

TEST(MeshBuild, NormalsAreAreaWeightedAndUnitLength) {
    model3DS parent;
    mesh3DS single = meshOf(parent, {0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 5}, {0, 1, 2});
    single.calculateNormals();
    ASSERT_EQ(single.m_normals.size(), single.m_vertices.size());
    for (std::size_t v = 0; v < 3; ++v) expectNormal(single, v, 0, 0, 1);
    expectNormal(single, 3, 0, 0, 0);   // used by no triangle

    // A list that ends in part of a vertex: the part gets zeros, nothing past it.
    single.m_vertices.resize(14, 7.0f);
    single.calculateNormals();
    ASSERT_EQ(single.m_normals.size(), 14u);
    expectNormal(single, 0, 0, 0, 1);
    EXPECT_EQ(single.m_normals[12] + single.m_normals[13], 0.0f);

    // Two triangles share the edge 0-1: one flat in z = 0 with area 1, one
    // standing in y = 0 (normal -y) with area 0.5. The shared vertices lean
    // twice as far towards the larger one: (0, -0.5, 1) normalised.
    mesh3DS pair = meshOf(parent, {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0.5f}, {0, 1, 2, 0, 1, 3});
    pair.calculateNormals();
    const float len = std::sqrt(1.25f);
    expectNormal(pair, 0, 0, -0.5f / len, 1 / len);
    expectNormal(pair, 1, 0, -0.5f / len, 1 / len);
    expectNormal(pair, 2, 0, 0, 1);
    expectNormal(pair, 3, 0, -1, 0);

    // Calling again gives the same normals, not their sum.
    pair.calculateNormals();
    expectNormal(pair, 0, 0, -0.5f / len, 1 / len);
}

TEST(MeshBuild, RegroupsFaceNumbersIntoVertexIndices) {
    model3DS parent;
    mesh3DS mesh = meshOf(parent, std::vector<float>(3 * 9, 0.0f), {0, 1, 2, 3, 4, 5, 6, 7, 8});
    mesh.m_materialFaces["b"] = {2, 0};
    mesh.m_materialFaces["a"] = {1, 1, 9, 3};   // twice, and two faces that do not exist
    mesh.m_materialFaces["empty"] = {};
    mesh.buildMesh();
    EXPECT_EQ(mesh.m_materialFaces.at("b"), (std::vector<std::uint16_t>{6, 7, 8, 0, 1, 2}));
    EXPECT_EQ(mesh.m_materialFaces.at("a"), (std::vector<std::uint16_t>{3, 4, 5, 3, 4, 5}));
    EXPECT_TRUE(mesh.m_materialFaces.at("empty").empty());

    // Without faces or a parent nothing is regrouped.
    mesh3DS orphan = meshOf(parent, {0, 0, 0}, {0, 0, 0});
    orphan.m_parentModel = nullptr;
    orphan.m_materialFaces["a"] = {0};
    orphan.sortFacesByMaterial();
    EXPECT_EQ(orphan.m_materialFaces.at("a"), std::vector<std::uint16_t>{0});
}

TEST(MeshBuild, TexcoordsCountOnlyWhenEveryVertexHasThem) {
    model3DS parent;
    mesh3DS mesh = meshOf(parent, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    EXPECT_FALSE(mesh.hasTexcoords());
    mesh.m_texcoords = {0, 0, 1, 0, 0};
    EXPECT_FALSE(mesh.hasTexcoords());
    mesh.m_texcoords.push_back(1);
    EXPECT_TRUE(mesh.hasTexcoords());
}

TEST(ModelFrontObject, PicksTheLoaderByTheLastExtension) {
    const std::pair<const char*, bool> cases[] = {
        {"missing/meteor.3ds", true}, {"missing/SHIP.3DS", true}, {"missing/ship.3Ds", false},
        {"missing/noextension", false}, {"missing/folder.v2/ship.3ds", true},
        {"missing/ship.3ds.bak", false}, {"missing/.3ds", true},
    };
    for (const auto& [name, creates] : cases) {
        SCOPED_TRACE(name);
        ofx3DModelLoader loader;
        CaptureStdout out;
        loader.loadModel(name, 1.0f);
        std::string printed = out.finish();
        EXPECT_EQ(loader.m_model != nullptr, creates);
        EXPECT_EQ(dynamic_cast<model3DS*>(loader.m_model) != nullptr, creates);
        EXPECT_EQ(printed, creates ? "[3DS] ERROR: Could not open 'data/" + std::string(name) + "'\n" : "");
    }

    // A second load replaces the first model; a failed one leaves none.
    ofx3DModelLoader loader;
    CaptureStdout out;
    loader.loadModel("missing/a.3ds", 1.0f);
    loader.loadModel("missing/b.3ds", 1.0f);
    ASSERT_NE(loader.m_model, nullptr);
    EXPECT_EQ(static_cast<model3DS*>(loader.m_model)->m_filename, "data/missing/b.3ds");
    loader.loadModel("missing/c.obj", 1.0f);
    EXPECT_EQ(loader.m_model, nullptr);
    out.finish();
}

TEST(ModelFrontObject, KeepsItsRotationList) {
    ofx3DModelLoader loader;
    EXPECT_EQ(loader.m_numRotations, 0);
    EXPECT_EQ(loader.m_scale.x, 1);
    EXPECT_EQ(loader.m_scale.z, 1);
    EXPECT_EQ(loader.m_position.y, 0);

    loader.setRotation(2, 45, 0, 1, 0);
    ASSERT_EQ(loader.m_numRotations, 3);
    ASSERT_EQ(loader.m_rotAngles, (std::vector<float>{0, 0, 45}));
    ASSERT_EQ(loader.m_rotAxes.size(), 3u);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(loader.m_rotAxes[i].x == 0 && loader.m_rotAxes[i].y == 0 && loader.m_rotAxes[i].z == 0);
    EXPECT_EQ(loader.m_rotAxes[2].y, 1);

    loader.setRotation(0, 30, 1, 0, 0);
    EXPECT_EQ(loader.m_numRotations, 3);
    EXPECT_EQ(loader.m_rotAngles, (std::vector<float>{30, 0, 45}));
    EXPECT_EQ(loader.m_rotAxes[0].x, 1);

    // No such rotation, or one too far out to hold: nothing changes (the
    // first failure stops the test before a list of gigabytes is asked for).
    for (int which : {-1, 65536, 200000000, INT_MAX}) {
        loader.setRotation(which, 10, 1, 1, 1);
        ASSERT_EQ(loader.m_numRotations, 3) << which;
    }
    loader.setRotation(65535, 10, 1, 1, 1);
    EXPECT_EQ(loader.m_numRotations, 65536);

    loader.setPosition(1, 2, 3);
    loader.setScale(4, 5, 6);
    EXPECT_EQ(loader.m_position.z, 3);
    EXPECT_EQ(loader.m_scale.y, 5);
}
