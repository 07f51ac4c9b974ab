// The game's models in data/ load with their texture maps, stay low-poly,
// face outwards for the game's back-face culling, and the ship points where
// the game flies it: after its fixed quarter turn about x its nose is along
// +x, its cockpit on top, its engines glowing backwards at the camera.
#include "GlContext.h"
#include "TestPaths.h"
#include "model3DS.h"
#include "ofGLHeaders.h"
#include "ofx3DModelLoader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Loaded {
    ofx3DModelLoader front;
    model3DS* model = nullptr;
};

std::unique_ptr<Loaded> load(const std::string& name) {
    glcontext::ensure(200, 200);
    // The loaders read "data/..." relative to the working directory.
    EXPECT_EQ(chdir(testpaths::sourceDir().c_str()), 0);
    auto loaded = std::make_unique<Loaded>();
    loaded->front.loadModel(name, 1.0f);
    loaded->model = dynamic_cast<model3DS*>(loaded->front.m_model);
    return loaded;
}

int triangles(const model3DS& model) {
    int n = 0;
    for (const mesh3DS& mesh : model.m_meshes) n += mesh.getNumFaces() / 3;
    return n;
}

// Where a stored (y-up) vertex ends up in the game's world once the ship's
// quarter turn about x is applied: (x, -z, y).
struct World { float x, y, z; };
World shipWorld(const model3DS& model, const mesh3DS& mesh, size_t vertex) {
    const float x = mesh.m_vertices[3 * vertex] - model.m_centerX;
    const float y = mesh.m_vertices[3 * vertex + 1] - model.m_centerY;
    const float z = mesh.m_vertices[3 * vertex + 2] - model.m_centerZ;
    return {x, -z, y};
}

// Sum of depth values of the covered pixels with one side of the faces culled.
double coveredDepth(ofx3DModelLoader& front, float distance, GLenum culledSide, int& covered) {
    glViewport(0, 0, 200, 200);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(culledSide);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 1, 0.1, 500);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // From behind, the left and above, as the game's camera sees things.
    gluLookAt(-0.7 * distance, 0.55 * distance, 0.45 * distance, 0, 0, 0, 0, 0, 1);
    glRotatef(90, 1, 0, 0);
    front.draw();
    std::vector<float> depth(200 * 200);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 200, 200, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    glCullFace(GL_BACK);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    double sum = 0;
    covered = 0;
    for (float d : depth) {
        if (d < 1.0f) {
            sum += d;
            ++covered;
        }
    }
    return sum;
}

} // namespace

TEST(GameModels, LoadWholeWithTheirMapsAndStayLowPoly) {
    struct Expectation { const char* name; int maxTriangles; size_t minMaterials; bool textured; };
    for (const Expectation& e : {Expectation{"meteor.3ds", 499, 1, true}, Expectation{"arWing/arwing.3ds", 1000, 3, true},
                                 Expectation{"laserBeam.3ds", 100, 1, false}}) {
        SCOPED_TRACE(e.name);
        auto loaded = load(e.name);
        ASSERT_NE(loaded->model, nullptr);
        const model3DS& model = *loaded->model;
        ASSERT_FALSE(model.m_meshes.empty());
        EXPECT_LE(triangles(model), e.maxTriangles);
        EXPECT_GE(model.m_materials.size(), e.minMaterials);
        EXPECT_EQ(model.hasTexture, e.textured);
        // Every triangle is in some material's group, or it would not be drawn.
        for (const mesh3DS& mesh : model.m_meshes) {
            size_t grouped = 0;
            for (const auto& group : mesh.m_materialFaces) grouped += group.second.size();
            EXPECT_EQ(grouped, mesh.m_faces.size()) << mesh.m_name;
        }
        // Every map was found beside the model and uploaded.
        for (const auto& entry : model.m_materials) {
            if (!entry.second.m_hasTextureMap) continue;
            GLint width = 0;
            glBindTexture(GL_TEXTURE_2D, entry.second.m_textureMapId);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            EXPECT_GT(width, 0) << entry.first;
        }
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

TEST(GameModels, MeteorIsAboutTenAcrossItsCentreSoSizeOverTenScalesItToItsRadius) {
    auto loaded = load("meteor.3ds");
    ASSERT_NE(loaded->model, nullptr);
    const model3DS& m = *loaded->model;
    for (float extent : {m.m_maxX - m.m_minX, m.m_maxY - m.m_minY, m.m_maxZ - m.m_minZ}) {
        EXPECT_GT(extent, 14.0f);
        EXPECT_LT(extent, 26.0f);
    }
}

TEST(GameModels, LaserBeamIsThinAndLiesAlongX) {
    auto loaded = load("laserBeam.3ds");
    ASSERT_NE(loaded->model, nullptr);
    const model3DS& m = *loaded->model;
    const float length = m.m_maxX - m.m_minX;
    EXPECT_GT(length, 2.0f);
    EXPECT_LT(m.m_maxY - m.m_minY, length / 5);
    EXPECT_LT(m.m_maxZ - m.m_minZ, length / 5);
}

TEST(GameModels, ShipNoseCockpitAndEnginesPointWhereTheGameFliesIt) {
    auto loaded = load("arWing/arwing.3ds");
    ASSERT_NE(loaded->model, nullptr);
    const model3DS& model = *loaded->model;
    // Longest along the flight, widest across it, flattest upwards.
    const float length = model.m_maxX - model.m_minX, across = model.m_maxZ - model.m_minZ, up = model.m_maxY - model.m_minY;
    EXPECT_GT(across, up);
    EXPECT_GT(length, up);

    World noseMost{-1e9f, 0, 0};
    double cockpitX = 0, cockpitZ = 0, exhaustX = 0;
    int cockpitCount = 0, exhaustCount = 0, exhaustBackwards = 0;
    for (const mesh3DS& mesh : model.m_meshes) {
        for (size_t v = 0; v < mesh.m_vertices.size() / 3; ++v) {
            const World w = shipWorld(model, mesh, v);
            if (w.x > noseMost.x) noseMost = w;
        }
        for (const auto& group : mesh.m_materialFaces) {
            const bool cockpit = group.first.rfind("canopy", 0) == 0, exhaust = group.first.rfind("exhaust", 0) == 0;
            for (size_t i = 0; i + 2 < group.second.size(); i += 3) {
                const World a = shipWorld(model, mesh, group.second[i]), b = shipWorld(model, mesh, group.second[i + 1]),
                            c = shipWorld(model, mesh, group.second[i + 2]);
                if (cockpit) {
                    cockpitX += a.x + b.x + c.x;
                    cockpitZ += a.z + b.z + c.z;
                    cockpitCount += 3;
                }
                if (exhaust) {
                    exhaustX += a.x + b.x + c.x;
                    exhaustCount += 3;
                    // x of the face normal (b - a) x (c - a): negative faces the camera behind.
                    const float nx = (b.y - a.y) * (c.z - a.z) - (b.z - a.z) * (c.y - a.y);
                    if (nx < 0) ++exhaustBackwards;
                }
            }
        }
    }
    // The nose is the one point far ahead, on the middle line.
    EXPECT_GT(noseMost.x, length * 0.4f);
    EXPECT_NEAR(noseMost.y, 0.0f, 0.5f);
    ASSERT_GT(cockpitCount, 0);
    EXPECT_GT(cockpitX / cockpitCount, 0.0);
    EXPECT_GT(cockpitZ / cockpitCount, 0.0);
    ASSERT_GT(exhaustCount, 0);
    EXPECT_LT(exhaustX / exhaustCount, -length * 0.3);
    EXPECT_EQ(exhaustBackwards, exhaustCount / 3);
}

TEST(GameModels, BackFaceCullingKeepsTheOutsideOfEveryModel) {
    // With the back faces culled the camera must see the near side of a
    // model; with the front faces culled, the far side. Faces wound the wrong
    // way round would swap the two.
    struct View { const char* name; float distance; };
    for (const View& view : {View{"meteor.3ds", 40}, View{"arWing/arwing.3ds", 20}, View{"laserBeam.3ds", 6}}) {
        SCOPED_TRACE(view.name);
        auto loaded = load(view.name);
        int keptCovered = 0, farCovered = 0;
        const double kept = coveredDepth(loaded->front, view.distance, GL_BACK, keptCovered);
        const double far = coveredDepth(loaded->front, view.distance, GL_FRONT, farCovered);
        ASSERT_GT(keptCovered, 20);
        ASSERT_GT(farCovered, 0);
        EXPECT_LT(kept / keptCovered, far / farCovered);
    }
}
