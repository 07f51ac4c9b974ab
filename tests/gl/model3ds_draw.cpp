// Models drawn for real under Xvfb: colours, maps the right way up, the
// lighting state a group leaves behind, and the front object's transforms.
// Pixels are read from the back buffer before any swap; lit colours and
// vertex positions come exactly from GL's feedback mode.
#include "CaptureStdout.h"
#include "GlContext.h"
#include "GlFeedback.h"
#include "Model3dsWriter.h"
#include "TestPaths.h"
#include "model3DS.h"
#include "ofGLHeaders.h"
#include "ofx3DModelLoader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <unistd.h>

using namespace model3ds;

namespace {

constexpr int kSize = 64;
using Rgb = std::array<int, 3>;

// A 24-bit BMP, rows given top first.
void writeBmp(const std::string& path, int w, int h, const std::vector<Rgb>& topDown) {
    int rowBytes = (3 * w + 3) / 4 * 4;
    std::vector<std::uint8_t> b(54 + rowBytes * h, 0);
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)          // BMP rows go bottom first, pixels B, G, R
        for (int x = 0; x < w; ++x) {
            const Rgb& c = topDown[(h - 1 - y) * w + x];
            std::uint8_t* p = &b[54 + y * rowBytes + 3 * x];
            p[0] = static_cast<std::uint8_t>(c[2]);
            p[1] = static_cast<std::uint8_t>(c[1]);
            p[2] = static_cast<std::uint8_t>(c[0]);
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}

// A square over the whole view in the file's x-z plane, which the reader
// turns into the stored x-y plane facing +z; texture coordinates run (0, 0)
// at the bottom left to (1, 1) at the top right.
Object square(const std::string& material) {
    Object o;
    o.name = "square";
    o.vertices = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}};
    o.texcoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    o.faces = {{0, 1, 2}, {0, 2, 3}};
    o.groups = {{material, {0, 1}}};
    return o;
}

// The lower-left half of the view.
Object lowerLeft(const std::string& material) {
    Object o;
    o.name = "half";
    o.vertices = {{-1, 0, -1}, {1, 0, -1}, {-1, 0, 1}};
    o.faces = {{0, 1, 2}};
    o.groups = {{material, {0}}};
    return o;
}

class Draw : public ::testing::Test {
protected:
    void SetUp() override {
        glcontext::ensure(kSize, kSize);
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    std::string save(const Model3ds& m, const std::string& name = "m.3ds") {
        std::string path = dir + "/" + name;
        EXPECT_TRUE(writeModel3dsFile(m, path));
        return path;
    }
    std::string load(model3DS& model, const Model3ds& m) {
        std::string path = save(m);
        CaptureStdout out;
        model.loadModel(path.c_str(), 1.0f);
        return out.finish();
    }

    static Rgb pixel(int x, int y) {
        glFinish();
        glReadBuffer(GL_BACK);
        unsigned char p[3] = {0, 0, 0};
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    static void expectColour(int x, int y, Rgb want, int tolerance = 3) {
        Rgb got = pixel(x, y);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], want[i], tolerance) << "at " << x << "," << y << " channel " << i;
    }

    ScratchDir scratch{"draw3ds"};
    std::string dir = scratch.path();
};

Material coloured(const std::string& name, Color diffuse) {
    Material m;
    m.name = name;
    m.diffuse = diffuse;
    return m;
}

// One white light from the given direction, nothing else in the scene.
void lightFrom(const std::array<float, 3>& direction, float sceneAmbient) {
    const float position[4] = {direction[0], direction[1], direction[2], 0};
    const float white[4] = {1, 1, 1, 1};
    const float black[4] = {0, 0, 0, 1};
    const float ambient[4] = {sceneAmbient, sceneAmbient, sceneAmbient, 1};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}
void lightsOff() {
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}

// `angle` degrees about `axis` (any length), right-handed.
Vec3 turned(Vec3 v, float angle, Vec3 axis) {
    const float len = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    const Vec3 k = {axis.x / len, axis.y / len, axis.z / len};
    const float a = angle * static_cast<float>(M_PI) / 180, c = std::cos(a), s = std::sin(a);
    const float kv = k.x * v.x + k.y * v.y + k.z * v.z;
    const Vec3 kxv = {k.y * v.z - k.z * v.y, k.z * v.x - k.x * v.z, k.x * v.y - k.y * v.x};
    return {v.x * c + kxv.x * s + k.x * kv * (1 - c), v.y * c + kxv.y * s + k.y * kv * (1 - c),
            v.z * c + kxv.z * s + k.z * kv * (1 - c)};
}

}  // namespace

TEST_F(Draw, ColouredMaterialShowsItsDiffuseWhereTheTriangleLies) {
    Object o = lowerLeft("orange");
    o.groups.push_back({"unused", {}});
    const struct {
        int mode;
        Rgb inside;
        int errors;
    } cases[] = {
        {mesh3DS::DRAW_VERTEX_ARRAY, {255, 128, 0}, 0},
        {mesh3DS::DRAW_IMMEDIATE, {255, 128, 0}, 0},
        {mesh3DS::DRAW_NONE, {0, 0, 0}, 0},
        {7, {0, 0, 0}, 2},   // once per group
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        glClear(GL_COLOR_BUFFER_BIT);
        model3DS model;
        load(model, {{coloured("orange", {1.0f, 0.5f, 0.0f})}, {o}});
        ASSERT_EQ(model.m_meshes.size(), 1u);
        model.m_meshes[0].m_drawMode = c.mode;
        CaptureStdout out;
        model.draw();
        std::string expected;
        for (int i = 0; i < c.errors; ++i) expected += "[3DS] ERROR: Invalid mesh draw mode specified\n";
        EXPECT_EQ(out.finish(), expected);
        expectColour(12, 12, c.inside);
        expectColour(52, 52, {0, 0, 0});
        // No array or lighting state is left behind.
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY) ||
                     glIsEnabled(GL_TEXTURE_COORD_ARRAY));
        GLint depth = -1;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 0);
    }
}

TEST_F(Draw, GroupsDrawInNameOrderAndUnknownMaterialsAreAdded) {
    // Both groups cover the same triangle: "b" is drawn after "a" and wins,
    // though the file lists it first.
    Object o = lowerLeft("b");
    o.groups.push_back({"a", {0}});
    model3DS model;
    load(model, {{coloured("a", {1, 0, 0}), coloured("b", {0, 0, 1})}, {o}});
    model.draw();
    expectColour(12, 12, {0, 0, 255});

    // A group naming a material the file never defines draws with the
    // defaults, and the lookup adds it to the model.
    model3DS undefined;
    load(undefined, {{}, {lowerLeft("ghost")}});
    EXPECT_EQ(undefined.m_materials.count(std::string("ghost\0", 6)), 0u);
    undefined.draw();
    EXPECT_EQ(undefined.m_materials.count(std::string("ghost\0", 6)), 1u);
    expectColour(12, 12, {204, 204, 204});
}

TEST_F(Draw, TextureMapsAreUploadedFlippedAndShownTheRightWayUp) {
    // Rows top first: red, green / blue, white.
    writeBmp(dir + "/SKIN.BMP", 2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}});
    Material skin = coloured("skin", {1, 1, 1});
    skin.textureMap = "SKIN.BMP";   // the extension test ignores case
    ofx3DModelLoader loader;
    auto* model = new model3DS();
    loader.m_model = model;
    // The second material of the name replaces the first, texture and all.
    std::string path = save({{skin, skin}, {square("skin")}});
    GLuint first = 0;   // the lowest free name: the model's are this and above
    glGenTextures(1, &first);
    glDeleteTextures(1, &first);
    {
        CaptureStdout out;
        model->loadModel(path.c_str(), 1.0f);
        EXPECT_EQ(out.finish(), "[3DS] Model '" + path + "' loaded\n");
    }
    ASSERT_TRUE(model->hasTexture);
    const material3DS& m = model->m_materials.at(std::string("skin\0", 5));
    ASSERT_TRUE(m.m_hasTextureMap);

    // The texture's first row is the image's bottom row.
    glBindTexture(GL_TEXTURE_2D, m.m_textureMapId);
    unsigned char texels[12] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    EXPECT_EQ(std::vector<int>(texels, texels + 12), (std::vector<int>{0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0}));

    // Quadrant centres sample next to texel centres: a little of the
    // neighbours is blended in.
    loader.draw();
    expectColour(16, 48, {255, 0, 0}, 10);
    expectColour(48, 48, {0, 255, 0}, 10);
    expectColour(16, 16, {0, 0, 255}, 10);
    expectColour(48, 16, {255, 255, 255}, 10);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // With fewer texture coordinates than vertices the map is left out and
    // the diffuse colour shows.
    model->m_meshes[0].m_texcoords.pop_back();
    model->m_materials.at(std::string("skin\0", 5)).m_diffuse[0] = 0;
    loader.draw();
    expectColour(32, 32, {0, 255, 255});

    // Every texture the model made goes with it, the replaced one's too.
    const GLuint last = m.m_textureMapId;
    ASSERT_GT(last, first);
    loader.loadModel("none", 1.0f);   // no loader for that: the model goes, none comes
    for (GLuint name = first; name <= last; ++name) EXPECT_FALSE(glIsTexture(name)) << name;
}

TEST_F(Draw, MapNamesAreCheckedAndMissingImagesLogged) {
    std::filesystem::create_directories(dir + "/data/arWing");
    writeBmp(dir + "/data/arWing/ship.bmp", 1, 1, {{0, 0, 255}});
    Material hull = coloured("hull", {1, 1, 1});
    hull.textureMap = "HULL.JPG";    // upper case passes the test; no such file
    hull.bumpMap = "ship.bmp";
    Material gif = coloured("gif", {1, 1, 1});
    gif.textureMap = "skin.gif";
    Material ship = coloured("ship", {1, 1, 1});
    ship.textureMap = "ship.bmp";
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(writeModel3ds({{hull, gif, ship}, {square("ship")}}, bytes));
    std::ofstream(dir + "/data/arWing/arwing.3ds", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    model3DS model;
    CaptureStdout out;
    model.loadModel(std::string("arWing/arwing.3ds"), 1.0f);
    std::string printed = out.finish();
    ASSERT_EQ(chdir(cwd), 0);

    const std::string hullPath = "data/arWing/HULL.JPG";
    EXPECT_EQ(printed,
              "OF_ERROR: texture3DS ERROR:  Could not open " + hullPath + "\n"
              "OF_ERROR: texture3DS ERROR: Something wrong with " + hullPath + " - dimensions less than 0\n"
              "OF_ERROR: texture3DS ERROR: Invalid texture color depth " + hullPath +
                  "  must be uncompressed 24/32bpp png, jpg, bmp, tga\n"
              "[3DS] WARNING: Could not load map 'data/arWing/skin.gif" + std::string(1, '\0') + "'\n"
              "[3DS] WARNING: (texture must be TGA, PNG, JPG or BMP)\n"
              "[3DS] Model 'data/arWing/arwing.3ds' loaded\n");

    const material3DS& h = model.m_materials.at(std::string("hull\0", 5));
    EXPECT_TRUE(h.m_hasTextureMap);   // set although the image is missing
    EXPECT_TRUE(h.m_hasBumpMap);
    EXPECT_NE(h.m_bumpMapId, h.m_textureMapId);
    EXPECT_TRUE(glIsTexture(h.m_bumpMapId));
    const material3DS& g = model.m_materials.at(std::string("gif\0", 4));
    EXPECT_FALSE(g.m_hasTextureMap);
    EXPECT_EQ(g.m_textureMapId, 0u);
    // The map beside the model was found in the model's folder.
    const material3DS& s = model.m_materials.at(std::string("ship\0", 5));
    ASSERT_TRUE(s.m_hasTextureMap);
    glBindTexture(GL_TEXTURE_2D, s.m_textureMapId);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 1);
    EXPECT_TRUE(model.hasTexture);
}

TEST_F(Draw, TwoSidedGroupsLightBackFacesAndRestoreLighting) {
    // The triangle faces away from the viewer; a light shines from the
    // viewer. Only a two-sided material lights its back.
    Object away = lowerLeft("m");
    std::swap(away.faces[0].b, away.faces[0].c);
    const float lightDir[4] = {0, 0, 1, 0};
    const float white[4] = {1, 1, 1, 1};
    const float black[4] = {0, 0, 0, 1};
    const float sentinel[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    Rgb lit[2];
    for (bool twoSided : {false, true}) {
        glClear(GL_COLOR_BUFFER_BIT);
        Material m = coloured("m", {0, 1, 0});
        m.ambient = {0, 0, 0};
        m.twoSided = twoSided;
        m.shininess = twoSided ? -50.0f : 250.0f;   // beyond what GL takes
        m.percentChunk = PercentChunk::Float;
        model3DS model;
        load(model, {{m}, {away}});
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glLightfv(GL_LIGHT0, GL_POSITION, lightDir);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, sentinel);
        model.draw();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        lit[twoSided] = pixel(12, 12);

        GLint twoSide = -1;
        glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
        EXPECT_EQ(twoSide, 0);
        float diffuse[4];
        glGetMaterialfv(GL_BACK, GL_DIFFUSE, diffuse);
        EXPECT_FLOAT_EQ(diffuse[1], 0.2f);
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        EXPECT_FLOAT_EQ(diffuse[1], 0.2f);
        GLint depth = 0;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 0);
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
    }
    EXPECT_LT(lit[false][1], 20);
    EXPECT_GT(lit[true][1], 240);
}

TEST_F(Draw, FrontObjectAppliesPositionScaleAndRotationsAroundTheCentre) {
    // A triangle whose box centre is far from the origin: the model's own
    // draw moves the centre to the origin first.
    Object o;
    o.name = "far";
    o.vertices = {{10, 0, 10}, {10.5f, 0, 10}, {10, 0, 10.5f}};
    o.faces = {{0, 1, 2}};
    o.groups = {{"w", {0}}};
    std::string path = save({{coloured("w", {1, 1, 1})}, {o}}, "far.3ds");

    GLint before = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    struct Case {
        const char* what;
        std::function<void(ofx3DModelLoader&)> set;
        int x, y;   // a pixel inside the triangle
        int ox, oy; // one outside
    };
    const Case cases[] = {
        {"centred at the origin", [](ofx3DModelLoader&) {}, 30, 30, 36, 36},
        {"moved", [](ofx3DModelLoader& l) { l.setPosition(0.5f, 0.5f, 0); }, 46, 46, 30, 30},
        {"scaled", [](ofx3DModelLoader& l) { l.setScale(3, 3, 1); }, 20, 20, 44, 44},
        {"rotated half a turn", [](ofx3DModelLoader& l) { l.setRotation(1, 180, 0, 0, 1); }, 34, 34, 28, 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        glClear(GL_COLOR_BUFFER_BIT);
        ofx3DModelLoader loader;
        CaptureStdout out;
        loader.loadModel(path, 1.0f);   // an absolute name stays as it is
        out.finish();
        c.set(loader);
        glShadeModel(GL_FLAT);
        loader.draw();
        expectColour(c.x, c.y, {255, 255, 255});
        expectColour(c.ox, c.oy, {0, 0, 0});
        GLint shade = 0;
        glGetIntegerv(GL_SHADE_MODEL, &shade);
        EXPECT_EQ(shade, GL_SMOOTH);
        GLint after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        EXPECT_EQ(after, before);
    }

    // Without a model, or with a model that failed to load, drawing still
    // balances its matrices and draws nothing.
    glClear(GL_COLOR_BUFFER_BIT);
    ofx3DModelLoader empty;
    empty.setRotation(0, 90, 1, 0, 0);
    empty.draw();
    ofx3DModelLoader failed;
    CaptureStdout out;
    failed.loadModel(dir + "/none.3ds", 1.0f);
    out.finish();
    failed.draw();
    GLint after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(after, before);
    expectColour(32, 32, {0, 0, 0});
}

TEST_F(Draw, MappedGroupsShowTheirTexelsLitAndTheirDiffuseTintUnlit) {
    writeBmp(dir + "/skin.bmp", 1, 1, {{255, 128, 255}});
    Material skin = coloured("skin", {0.5f, 1.0f, 0.25f});
    skin.textureMap = "skin.bmp";
    ofx3DModelLoader loader;
    auto* model = new model3DS();
    loader.m_model = model;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);   // the upload sets its own
    load(*model, {{skin}, {square("skin")}});
    const material3DS& m = model->m_materials.at(std::string("skin\0", 5));
    ASSERT_TRUE(m.m_hasTextureMap);

    // The map is mipmapped and repeats; its texels multiply the colour.
    glBindTexture(GL_TEXTURE_2D, m.m_textureMapId);
    const struct {
        GLenum name;
        GLint want;
    } params[] = {{GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR},
                  {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                  {GL_TEXTURE_WRAP_S, GL_REPEAT},
                  {GL_TEXTURE_WRAP_T, GL_REPEAT}};
    for (const auto& p : params) {
        GLint got = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, p.name, &got);
        EXPECT_EQ(got, p.want) << "parameter 0x" << std::hex << p.name;
    }
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    // Lit head-on with nothing else in the scene a white material is exactly
    // white, so the texel shows as it is; unlit, the diffuse colour tints it.
    const Rgb texel = {255, 128, 255}, tinted = {128, 128, 64};
    const struct {
        int mode;
        bool lit;
        Rgb want;
    } cases[] = {
        {mesh3DS::DRAW_VERTEX_ARRAY, false, tinted},
        {mesh3DS::DRAW_VERTEX_ARRAY, true, texel},
        {mesh3DS::DRAW_IMMEDIATE, false, tinted},
        {mesh3DS::DRAW_IMMEDIATE, true, texel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.lit ? ", lit" : ", unlit"));
        glClear(GL_COLOR_BUFFER_BIT);
        model->m_meshes[0].m_drawMode = c.mode;
        if (c.lit) lightFrom({0, 0, 1}, 0);
        loader.draw();
        lightsOff();
        expectColour(32, 32, c.want);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    }
}

TEST_F(Draw, LightingTakesTheMaterialsColoursShineAndTheMeshNormals) {
    // One face of the square plain, the other mapped, both with the same
    // colours. A white light from (0.8, 0, 0.6) over a scene ambient of 0.5
    // gives a face with normal +z, seen from +z, per channel:
    //   0.5 ambient + 0.6 diffuse + shine strength * specular * (n.h)^(shininess * 128),
    // h being halfway between the light and the view: n.h = 1.6 / sqrt(3.2).
    writeBmp(dir + "/skin.bmp", 1, 1, {{255, 255, 255}});
    Material plain = coloured("plain", {0.2f, 0.4f, 0.6f});
    plain.ambient = {0.3f, 0.2f, 0.1f};
    plain.specular = {1.0f, 0.5f, 0.25f};
    plain.shininess = 10;
    plain.shinStrength = 50;
    Material skin = plain;
    skin.name = "skin";
    skin.textureMap = "skin.bmp";
    Object o = square("plain");
    o.groups = {{"plain", {0}}, {"skin", {1}}};
    model3DS model;
    load(model, {{plain, skin}, {o}});

    const float highlight = 0.5f * std::pow(1.6f / std::sqrt(3.2f), 0.10f * 128);
    auto lit = [&](Color diffuse) {
        const Color &a = plain.ambient, &s = plain.specular;
        return std::array<float, 3>{0.5f * a.r + 0.6f * diffuse.r + highlight * s.r,
                                    0.5f * a.g + 0.6f * diffuse.g + highlight * s.g,
                                    0.5f * a.b + 0.6f * diffuse.b + highlight * s.b};
    };
    // A mapped face is lit as white: its texels give the colour.
    const std::array<float, 3> want[2] = {lit(plain.diffuse), lit({1, 1, 1})};

    for (int mode : {mesh3DS::DRAW_VERTEX_ARRAY, mesh3DS::DRAW_IMMEDIATE}) {
        SCOPED_TRACE(mode);
        model.m_meshes[0].m_drawMode = mode;
        lightFrom({0.8f, 0, 0.6f}, 0.5f);
        // The current normal faces away from the light: only the mesh's own
        // normals light the faces.
        const auto faces = glfeedback::capture([&] {
            glNormal3f(0, 0, -1);
            model.draw();
        });
        lightsOff();
        ASSERT_EQ(faces.size(), 2u);   // the groups in name order: plain, skin
        for (int f = 0; f < 2; ++f)
            for (const glfeedback::Vertex& v : faces[f].v) {
                SCOPED_TRACE(f);
                EXPECT_NEAR(v.r, want[f][0], 1e-4);
                EXPECT_NEAR(v.g, want[f][1], 1e-4);
                EXPECT_NEAR(v.b, want[f][2], 1e-4);
            }
    }
}

TEST_F(Draw, FrontObjectPutsEachVertexAtPositionPlusScaledTurnedOffset) {
    // A triangle off every axis: its offsets from its box centre, in the
    // stored (y-up) axes. The turns bring each stored axis into view.
    const Vec3 centre = {3, 4, -5};
    const Vec3 offsets[3] = {{-0.2f, -0.15f, 0.1f}, {0.2f, -0.05f, -0.1f}, {0, 0.15f, 0.05f}};
    Object o;
    o.name = "tri";
    for (const Vec3& d : offsets)   // the file's axes: stored (x, y, z) is (x, -z, y) there
        o.vertices.push_back({centre.x + d.x, -(centre.z + d.z), centre.y + d.y});
    o.faces = {{0, 1, 2}};
    o.groups = {{"w", {0}}};
    const std::string path = save({{coloured("w", {1, 1, 1})}, {o}}, "tri.3ds");

    struct Turn {
        float angle;
        Vec3 axis;
    };
    const struct {
        const char* what;
        Vec3 position, scale;
        std::vector<Turn> turns;
    } cases[] = {
        {"centred", {0, 0, 0}, {1, 1, 1}, {}},
        {"moved, stretched and turned about x, then y",
         {0.25f, -0.125f, 0.5f}, {2, 0.5f, 3}, {{90, {1, 0, 0}}, {90, {0, 1, 0}}}},
        {"three turns, one about a long axis",
         {-0.25f, 0.25f, 0}, {0.5f, 2, 1}, {{90, {0, 1, 0}}, {30, {0, 0, 2}}, {-90, {1, 0, 0}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ofx3DModelLoader loader;
        CaptureStdout out;
        loader.loadModel(path, 1.0f);
        out.finish();
        loader.setPosition(c.position.x, c.position.y, c.position.z);
        loader.setScale(c.scale.x, c.scale.y, c.scale.z);
        for (std::size_t i = 0; i < c.turns.size(); ++i)
            loader.setRotation(static_cast<int>(i), c.turns[i].angle, c.turns[i].axis.x, c.turns[i].axis.y,
                               c.turns[i].axis.z);
        const auto drawn = glfeedback::capture([&] { loader.draw(); });
        ASSERT_EQ(drawn.size(), 1u);
        ASSERT_EQ(drawn[0].v.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            // position + scale * (the turns, last listed first, applied to the offset)
            Vec3 p = offsets[i];
            for (auto t = c.turns.rbegin(); t != c.turns.rend(); ++t) p = turned(p, t->angle, t->axis);
            const float x = c.position.x + c.scale.x * p.x, y = c.position.y + c.scale.y * p.y;
            // The view spans -1..1 on kSize pixels; feedback counts y downwards.
            EXPECT_NEAR(drawn[0].v[i].x, (x + 1) * kSize / 2, 0.01) << "vertex " << i;
            EXPECT_NEAR(drawn[0].v[i].y, (1 - y) * kSize / 2, 0.01) << "vertex " << i;
        }
    }
}
