// The whole game scene in the framework's 800 x 600 window, built from a copy
// of the game's data folder: aim, a frame's score and health, what a drawn
// frame shows and what drawing leaves behind, and the music that loops.
#include "CaptureStdout.h"
#include "Driftfield.h"
#include "FrameworkWindow.h"
#include "GlFeedback.h"
#include "MeteorField.h"
#include "MeteorRecord.h"
#include "Ship.h"
#include "TestPaths.h"
#include "model3DS.h"
#include "ofAppRunner.h"
#include "ofGLHeaders.h"
#include "ofMath.h"
#include "ofSoundPlayer.h"
#include "ofSwapControl.h"
#include "ofx3DModelLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using frameworkwindow::pixel;

// The X server under test lists no swap control, so what the game asks of
// vertical sync is recorded here in place of the framework's GLX glue (the
// framework is a static library, so this definition is the one linked).
std::vector<int> swapIntervals;
void ofSetSwapInterval(int interval) { swapIntervals.push_back(interval); }

namespace {

// A ship whose position and bank angles a test may set.
struct OpenShip : Ship {
    explicit OpenShip(ofPoint* bounds) : Ship(5000, 4.0f, 0.7f, bounds) {}
    using Ship::model;
    using Ship::pos;
    using Ship::rot;
};

struct Scene : Driftfield {
    using Driftfield::aim;
    using Driftfield::aimAxis;
    using Driftfield::meteors;
    using Driftfield::music;
    ~Scene() override {
        if (!open) return;
        delete open;
        ship = own;
    }
    // Flies an open ship in place of the scene's own.
    OpenShip& openShip() {
        if (!open) {
            own = ship;
            ship = open = new OpenShip(&fieldSize);
        }
        return *open;
    }
    OpenShip* open = nullptr;
    Ship* own = nullptr;
};

class GameScene : public ::testing::Test {
protected:
    // Plays in a scratch folder holding a copy of the data folder.
    void enter(bool withSky = true) {
        work = std::make_unique<ScratchDir>("scene");
        fs::copy(testpaths::sourceDir() + "/data", *work / "data", fs::copy_options::recursive);
        if (!withSky) fs::remove(*work / "data/space.jpg");
        ASSERT_EQ(chdir(work->path().c_str()), 0);
        frameworkwindow::ensure();
    }
    void TearDown() override { ASSERT_EQ(chdir("/"), 0); }
    // The back buffer as a PPM in the scratch folder.
    void savePicture(const std::string& name) {
        std::vector<char> rgb(800 * 600 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        std::ofstream out(*work / name, std::ios::binary);
        out << "P6\n800 600\n255\n";
        for (int row = 599; row >= 0; --row) out.write(&rgb[row * 800 * 3], 800 * 3);
    }
    static int count(int x0, int y0, int x1, int y1, int step, int r, int g, int b, int tolerance) {
        int n = 0;
        for (int y = y0; y <= y1; y += step)
            for (int x = x0; x <= x1; x += step) {
                frameworkwindow::Rgb c = pixel(x, y);
                n += std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance && std::abs(c.b - b) <= tolerance;
            }
        return n;
    }
    std::unique_ptr<ScratchDir> work;
};

Meteor& putMeteor(Scene& scene, int i, ofPoint pos, float size) {
    return scene.meteors->getMeteor(i) = meteorAt(pos, ofPoint(0, 0, 0), size);
}

TEST_F(GameScene, AimsFromTheMouseAndBooksEveryFrame) {
    enter();
    CaptureStdout out;
    Scene scene;
    EXPECT_EQ(out.finish().find("Failed to load space"), std::string::npos);
    EXPECT_EQ(scene.aim.x, 84);  // mouse fields at (0, 0): held at the border
    EXPECT_EQ(scene.aim.y, 75);
    EXPECT_EQ(scene.aim.z, 75);
    EXPECT_EQ(scene.meteors->getCount(), 200);

    for (int i = 0; i < 200; ++i) scene.meteors->getMeteor(i).pos.x += 100;  // nothing near the ship
    scene.mouseX = 400;
    scene.mouseY = 300;
    Ship& ship = *scene.getShip();
    for (int key : {int('W'), int('A'), 0x100 | GLUT_KEY_UP}) scene.keyPressed(key);  // none of these steers
    scene.update();
    EXPECT_FLOAT_EQ(ship.getPosition().x, 4.7f);
    EXPECT_EQ(ship.getPosition().y, 37.5f);
    EXPECT_FLOAT_EQ(ship.getHealth(), 5000 - 4.7f / 500);
    EXPECT_EQ(scene.getScore(), 7);
    EXPECT_EQ(scene.aim.x, 84);  // taken before the ship moves
    EXPECT_EQ(scene.aim.y, 37.5f);
    EXPECT_EQ(scene.aim.z, 37.5f);
    scene.keyPressed('a');
    scene.keyPressed('w');
    scene.update();
    scene.keyReleased('a');
    scene.update();
    EXPECT_FLOAT_EQ(ship.getPosition().y, 37.7f);
    EXPECT_FLOAT_EQ(ship.getPosition().z, 37.9f);
    EXPECT_EQ(scene.getScore(), 21);
    // Let go after Shift or Ctrl went down, a steering key comes up as its
    // capital or its control code, and stops all the same.
    scene.keyReleased('w');
    for (auto [held, letGo] : {std::pair<int, int>{'w', 'W'}, {'a', 'A'}, {'s', 'S'}, {'d', 'D'}, {'w', 23}, {'a', 1},
                               {'s', 19}, {'d', 4}}) {
        scene.keyPressed(held);
        scene.keyReleased(letGo);
        const ofPoint before = ship.getPosition();
        scene.update();
        EXPECT_EQ(ship.getPosition().y, before.y) << held << " let go as " << letGo;
        EXPECT_EQ(ship.getPosition().z, before.z) << held << " let go as " << letGo;
    }
}

TEST_F(GameScene, KillsPayHealthBackAndHealthStaysWithinItsRange) {
    enter();
    Scene scene;
    Ship& ship = *scene.getShip();
    ship.getHealth() = 1000;
    // A small meteor at rest where the first shot will be after one frame;
    // the shot flies towards the aim of construction, (84, 75, 75).
    const ofPoint from = ship.getPosition();
    const double dx = 80, dy = 75 - from.y, dz = 75 - from.z, len = std::sqrt(dx * dx + dy * dy + dz * dz);
    Meteor& target = putMeteor(scene, 0, ofPoint(from.x + 5 + 2.8 * dx / len, from.y + 2.8 * dy / len,
                                                 from.z - 0.5f + 2.8 * dz / len), 2);
    scene.mouseReleased(0, 0, 2);  // any button fires
    scene.update();
    EXPECT_EQ(scene.getScore(), 7 + 350);
    EXPECT_FLOAT_EQ(ship.getHealth(), 1000 + 312.5f - 4.7f / 500);
    EXPECT_LE(target.hitPoints, 0);
    scene.update();  // replaced 2520 ahead, then one step taken
    EXPECT_EQ(scene.meteors->getCount(), 200);
    EXPECT_NEAR(scene.meteors->getMeteor(199).pos.x, 4 + 2520, 0.08);

    // Near full health a kill is held at 5000.
    scene.mouseX = 400;
    scene.mouseY = 300;
    scene.update();  // the aim is now straight ahead
    ship.getHealth() = 4999;
    const ofPoint at = ship.getPosition();
    putMeteor(scene, 5, ofPoint(at.x + 5 + 2.8f, at.y, at.z - 0.5f), 2);
    scene.mouseReleased(0, 0, 0);
    scene.update();
    EXPECT_EQ(ship.getHealth(), 5000);

    // Ten health and a meteor on the ship: held at -1, and dead.
    ship.getHealth() = 10;
    const ofPoint now = ship.getPosition();
    putMeteor(scene, 10, ofPoint(now.x, now.y, now.z + 5), 5);
    scene.update();
    EXPECT_EQ(ship.getHealth(), -1);
    EXPECT_TRUE(ship.isDead());
}

TEST_F(GameScene, FrameShowsTheCrosshairAtTheCentreAndTheRedScoreLine) {
    enter();
    ofSeedRandom(11);
    Scene scene;
    scene.mouseX = 400;
    scene.mouseY = 300;
    for (int frame = 0; frame < 20; ++frame) {
        scene.update();
        if (frame % 5 == 0) scene.mouseReleased(400, 300, 0);
    }
    GLint before[2], after[2];
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &before[0]);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before[1]);
    glDisable(GL_DEPTH_TEST);
    scene.draw();
    savePicture("centre.ppm");
    EXPECT_GE(count(397, 297, 403, 303, 1, 0, 128, 255, 8), 5);  // crosshair colour
    EXPECT_GT(count(300, 18, 500, 42, 1, 255, 0, 0, 40), 40);    // score line
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &after[0]);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after[1]);
    EXPECT_EQ(before[0], after[0]);
    EXPECT_EQ(before[1], after[1]);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    // The sky hides the dark blue clear colour behind everything here.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_TRUE(clear[0] == 0 && clear[1] == 0 && clear[2] == 0.5f && clear[3] == 1);

    // Steering about and shooting, then another frame.
    for (int frame = 0; frame < 120; ++frame) {
        scene.keyPressed(frame < 60 ? 'a' : 'd');
        scene.keyPressed('w');
        scene.mouseX = 250 + frame;
        scene.update();
        if (frame % 10 == 0) scene.mouseReleased(scene.mouseX, scene.mouseY, frame % 3);
        scene.keyReleased('a');
        scene.keyReleased('d');
    }
    scene.draw();
    savePicture("steering.ppm");
    EXPECT_GT(count(300, 18, 500, 42, 1, 255, 0, 0, 40), 40);
    EXPECT_GE(scene.getScore(), 140 * 7);
}

TEST_F(GameScene, WithoutTheSkyPictureTheGameRunsOnDarkBlue) {
    enter(false);
    CaptureStdout out;
    ofSeedRandom(3);
    Scene scene;
    const std::string log = out.finish(), line = "OF_ERROR: Failed to load space\n";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos);
    for (int frame = 0; frame < 3; ++frame) scene.update();
    scene.draw();
    savePicture("nosky.ppm");
    // Wherever neither a model nor the score line lies.
    EXPECT_GT(count(0, 60, 780, 590, 20, 0, 0, 128, 4), 40 * 27 * 3 / 4);
}

TEST_F(GameScene, MusicPlaysOnPastTheEndOfItsFile) {
    enter();
    Scene scene;
    ofSoundPlayer& music = *scene.music;
    ASSERT_TRUE(music.bLoadedOk);
    ASSERT_TRUE(music.getIsPlaying());
    // Half a second before the end of its sixteen, it comes round to the
    // start and plays on; once over, it would stop there.
    music.setPosition(0.97f);
    float last = music.getPosition();
    bool cameRound = false;
    for (int waited = 0; waited < 60000 && !cameRound; waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const float now = music.getPosition();  // 0 once it has stopped
        if (!music.getIsPlaying()) break;
        cameRound = now < last;
        last = now;
    }
    EXPECT_TRUE(cameRound) << "stopped at " << last;
    EXPECT_TRUE(music.getIsPlaying());
}

TEST(GameSceneAim, WindowsTooSmallForTheMouseSpanStayFinite) {
    EXPECT_EQ(Scene::aimAxis(200, 400, 75), 75);  // 800 pixels: 200 off reaches the border
    EXPECT_EQ(Scene::aimAxis(400, 300, 75), 0);   // 600: 100 off
    for (int mouse : {0, 200, 399}) EXPECT_EQ(Scene::aimAxis(mouse, 200, 75), 37.5f);  // no span at all
    for (int half : {0, 1, 100, 199})
        for (int mouse : {-50, 0, 7, 1000}) {
            float v = Scene::aimAxis(mouse, half, 75);
            EXPECT_TRUE(v >= 0 && v <= 75) << v;
        }
}

TEST_F(GameScene, TurnsVerticalSyncOnForGood) {
    enter();
    swapIntervals.clear();
    {
        Scene scene;
        scene.update();
        scene.draw();
    }
    EXPECT_EQ(swapIntervals, std::vector<int>{1});
}

TEST_F(GameScene, DrainGrowsWithTheDistanceFlownUpToTwentyAFrame) {
    enter();
    Scene scene;
    OpenShip& ship = scene.openShip();
    // Every meteor low down, far from the ship in the middle of the box.
    for (int i = 0; i < scene.meteors->getCount(); ++i) scene.meteors->getMeteor(i).pos.y = 10;
    for (float x : {1000.f, 9000.f, 9999.3f, 10000.f, 20000.f, 1e6f}) {
        ship.pos.x = x;
        ship.getHealth() = 4000;
        scene.update();
        const float flown = ship.pos.x;
        EXPECT_NEAR(ship.getHealth(), 4000 - std::min(flown / 500, 20.f), 1e-3) << "at x = " << flown;
    }
}

TEST_F(GameScene, DrawRemovesTheMeteorsWhoseRearEdgeIsThirtyBehindTheShipAndDrawsThemNoMore) {
    enter();
    Scene scene;
    const ofPoint ship = scene.getShip()->getPosition();
    struct Case {
        float behind, size;
        bool removed;
    };
    const Case cases[] = {{30, 2, true}, {29.9f, 2, false}, {30, 8, true}, {29.9f, 8, false}, {45, 5, true}};
    // In a frame of the scene, then in the field's own drawing seen from
    // above at a pixel a unit, the cases 25 apart across and every other
    // meteor far out of sight ahead.
    for (bool fromAbove : {false, true}) {
        SCOPED_TRACE(fromAbove ? "seen from above" : "in a frame");
        for (int i = 0; i < 200; ++i) scene.meteors->getMeteor(i).pos.x += 1000;
        for (int i = 0; i < 5; ++i)
            putMeteor(scene, i, ofPoint(ship.x - cases[i].behind + cases[i].size, 25.f * i, 20), cases[i].size);
        int drawn[5] = {};
        if (!fromAbove) {
            scene.draw();
        } else {
            glViewport(0, 0, 800, 600);
            glDisable(GL_CULL_FACE);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(ship.x - 400, ship.x + 400, -300, 300, -1000, 1000);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            // Each piece counts for the case whose row its first corner lies in.
            for (const glfeedback::Primitive& p : glfeedback::capture([&] { scene.meteors->draw(ship); })) {
                const int row = int(std::lround((300 - p.v.at(0).y) / 25));
                ASSERT_TRUE(row >= 0 && row < 5) << "drawn at " << p.v[0].x << ", " << p.v[0].y;
                drawn[row]++;
            }
        }
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(std::to_string(cases[i].behind) + " behind, size " + std::to_string(cases[i].size));
            EXPECT_EQ(scene.meteors->getMeteor(i).hitPoints, cases[i].removed ? 0 : 33 * cases[i].size);
            if (fromAbove) {
                EXPECT_EQ(drawn[i] > 0, !cases[i].removed) << drawn[i] << " pieces drawn";
            }
        }
    }
}

TEST_F(GameScene, DrawLeavesTheEnablesAndTheAttributeStackAsItFoundThem) {
    enter();
    Scene scene;
    scene.update();
    const GLenum caps[] = {GL_CULL_FACE, GL_DEPTH_TEST, GL_TEXTURE_2D};
    for (int on = 0; on < 8; ++on) {
        for (int c = 0; c < 3; ++c) (on >> c & 1) ? glEnable(caps[c]) : glDisable(caps[c]);
        GLint depth = -1, after = -1;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        scene.draw();
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &after);
        EXPECT_EQ(after, depth);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(glIsEnabled(caps[c]), GLboolean(on >> c & 1)) << on << ", " << c;
    }
    for (GLenum cap : caps) glDisable(cap);
}

TEST_F(GameScene, ShipTurnsByYawThenPitchThenRoll) {
    enter();
    static ofPoint box(2520, 75, 75);
    OpenShip ship(&box);
    ship.pos = ofPoint(1, -2, 3);
    ship.rot = ofPoint(40, 25, 15);  // roll, pitch, yaw
    glViewport(0, 0, 800, 600);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-40, 40, -30, 30, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(-60, 1, 0.3f, 0);  // looked at from aside, so no turn hides in the projection
    double view[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, view);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const auto drawn = glfeedback::capture([&] { ship.draw(); });

    // Each stored corner of the model, centred, turned a quarter about x to
    // stand it up, rolled 40 degrees about x, pitched 25 about y, yawed 15
    // about z, moved to the ship's place, and seen through the view above.
    struct P { double x, y, z; };
    auto turn = [](P p, int axis, double degrees) {
        const double c = std::cos(degrees * M_PI / 180), s = std::sin(degrees * M_PI / 180);
        return axis == 0   ? P{p.x, c * p.y - s * p.z, s * p.y + c * p.z}
               : axis == 1 ? P{c * p.x + s * p.z, p.y, c * p.z - s * p.x}
                           : P{c * p.x - s * p.y, s * p.x + c * p.y, p.z};
    };
    auto times = [](const double* m, const double (&v)[4], double (&out)[4]) {
        for (int r = 0; r < 4; ++r) out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
    };
    auto onScreen = [&](P w) {
        double eye[4], clip[4];
        times(view, {w.x, w.y, w.z, 1}, eye);
        times(projection, eye, clip);
        return glfeedback::Vertex{float((clip[0] / clip[3] + 1) * 400), float((1 - clip[1] / clip[3]) * 300), 0, 0};
    };
    const model3DS* model = dynamic_cast<const model3DS*>(ship.model->m_model);
    ASSERT_NE(model, nullptr);
    std::vector<glfeedback::Primitive> expected;
    for (const mesh3DS& mesh : model->m_meshes)
        for (const auto& group : mesh.m_materialFaces)
            for (size_t i = 0; i < group.second.size(); ++i) {
                if (i % 3 == 0) expected.push_back({glfeedback::Kind::Polygon, {}});
                const float* v = &mesh.m_vertices[3 * group.second[i]];
                P p{v[0] - model->m_centerX, v[1] - model->m_centerY, v[2] - model->m_centerZ};
                p = turn(turn(turn(turn(p, 0, 90), 0, 40), 1, 25), 2, 15);
                expected.back().v.push_back(onScreen({p.x + 1, p.y - 2, p.z + 3}));
            }
    ASSERT_GT(expected.size(), 20u);
    EXPECT_EQ(glfeedback::apart(drawn, expected, 0.01f), 0);
}

}  // namespace
