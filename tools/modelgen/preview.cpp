// model_preview OUTDIR: renders the game's models from data/ (run it from the
// folder that holds data/) the way the game shows them, and writes the
// pictures as PNG files into OUTDIR for a look by eye:
//   game.png       the game's camera behind the ship, meteors ahead, lasers
//   banking.png    the same with the ship rolling and turning left
//   meteor.png     one large meteor close up, at three moments of its spin
//   ship.png       the ship from above-behind, from the side and from the front
#include "ofGLHeaders.h"
#include "ofx3DModelLoader.h"

#include <FreeImage.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kWidth = 800, kHeight = 600;

GLuint loadSky(const char* path) {
    FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(path, 0), path, 0);
    if (!loaded) return 0;
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(loaded);
    const int w = static_cast<int>(FreeImage_GetWidth(rgb)), h = static_cast<int>(FreeImage_GetHeight(rgb));
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    // Top-down rows of R, G, B, as the game's image loader hands them over.
    FreeImage_ConvertToRawBits(pixels.data(), rgb, w * 3, 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, TRUE);
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
        if (FI_RGBA_RED == 2) std::swap(pixels[i], pixels[i + 2]);
    }
    FreeImage_Unload(rgb);
    FreeImage_Unload(loaded);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return name;
}

void savePng(const std::string& path, int x, int y, int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (FI_RGBA_RED == 2)
        for (size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
    FIBITMAP* image = FreeImage_ConvertFromRawBits(pixels.data(), w, h, w * 3, 24, FI_RGBA_RED_MASK,
                                                   FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
    if (!image || !FreeImage_Save(FIF_PNG, image, path.c_str(), 0)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    if (image) FreeImage_Unload(image);
}

struct Models {
    ofx3DModelLoader meteor, ship, laser;
    GLuint sky = 0;
};

struct Rock { float x, y, z, size, ax, ay, az; };

void drawShip(Models& m, float x, float y, float z, float roll, float pitch, float yaw) {
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(yaw, 0, 0, 1);
    glRotatef(pitch, 0, 1, 0);
    glRotatef(roll, 1, 0, 0);
    glRotatef(90, 1, 0, 0); // the game's fixed quarter turn of the ship's model
    m.ship.draw();
    glPopMatrix();
}

void drawRock(Models& m, const Rock& r, float angle) {
    glPushMatrix();
    glTranslatef(r.x, r.y, r.z);
    glRotatef(angle, r.ax, r.ay, r.az);
    glScalef(r.size / 10, r.size / 10, r.size / 10);
    m.meteor.draw();
    glPopMatrix();
}

void drawLaser(Models& m, float x, float y, float z, float dx, float dy, float dz) {
    const double pi = 3.141592653589793;
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(static_cast<float>(std::atan2(dy, dx) * 180 / pi), 0, 0, 1);
    glRotatef(static_cast<float>(-std::asin(dz / std::sqrt(dx * dx + dy * dy + dz * dz)) * 180 / pi), 0, 1, 0);
    m.laser.draw();
    glPopMatrix();
}

void drawSky(Models& m, float x, float y, float z) {
    glDisable(GL_CULL_FACE);
    glPushMatrix();
    glTranslatef(x, y, z);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m.sky);
    glColor3f(1, 1, 1);
    GLUquadric* q = gluNewQuadric();
    gluQuadricNormals(q, GLU_SMOOTH);
    gluQuadricTexture(q, GL_TRUE);
    gluSphere(q, 450, 24, 8);
    gluDeleteQuadric(q);
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void camera(int x, int y, int w, int h, double eyeX, double eyeY, double eyeZ, double atX, double atY, double atZ) {
    glViewport(x, y, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, static_cast<double>(w) / h, 0.1, 500);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, atX, atY, atZ, 0, 0, 1);
}

// The game's view: the camera 30 behind and 30/3.5 above the ship, looking
// 80 ahead at the ship's height.
void gameView(Models& m, float roll, float yaw, float time) {
    const float sx = 200, sy = 37.5f, sz = 37.5f;
    glClearColor(0, 0, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    camera(0, 0, kWidth, kHeight, sx - 30, sy, sz + 30 / 3.5, sx + 80, sy, sz);
    glEnable(GL_CULL_FACE);
    drawLaser(m, sx + 25, sy + 1, sz - 0.3f, 2.7f, 0.4f, 0.2f);
    drawLaser(m, sx + 45, sy + 4, sz + 0.8f, 2.7f, 0.4f, 0.2f);
    // A field of rocks as the game spreads them: every 12.6 along x.
    unsigned seed = 12345;
    auto rnd = [&seed]() { seed = seed * 1103515245u + 12345u; return ((seed >> 16) & 0x7fff) / 32768.0f; };
    for (int i = 0; i < 200; ++i) {
        const float r = rnd() * 2 - 1;
        const float size = r <= 0 ? 2.0f : (r > 0.6f ? 8.0f : 5.0f);
        Rock rock{12.6f * (i + 1), size + rnd() * (75 - 2 * size), size + rnd() * (75 - 2 * size), size,
                  rnd() * 2 - 1, rnd() * 2 - 1, rnd() * 2 - 1};
        if (rock.x - rock.size > sx - 30) drawRock(m, rock, 90 * time);
    }
    drawShip(m, sx, sy, sz, roll, 0, yaw);
    drawSky(m, sx, sy, sz);
    glEnable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}

void meteorView(Models& m) {
    glClearColor(0.02f, 0.02f, 0.06f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    const int w = kWidth / 3;
    for (int i = 0; i < 3; ++i) {
        camera(i * w, 150, w, 300, -22, 0, 6, 0, 0, 0);
        drawRock(m, Rock{0, 0, 0, 8, 0.3f, 0.8f, 0.5f}, 120.0f * i);
    }
}

void shipView(Models& m) {
    glClearColor(0.02f, 0.02f, 0.06f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    camera(0, 300, 400, 300, -14, 0, 5, 0, 0, 0);   // behind and above, as in the game but closer
    drawShip(m, 0, 0, 0, 0, 0, 0);
    camera(400, 300, 400, 300, 2, 14, 4, 0.5, 0, 0); // from the left, a little ahead
    drawShip(m, 0, 0, 0, 0, 0, 0);
    camera(0, 0, 400, 300, 16, -5, 5, 0, 0, 0);      // from the front right
    drawShip(m, 0, 0, 0, 0, 0, 0);
    camera(400, 0, 400, 300, 0.5, 0.3, 16, 0.5, 0, 0); // from straight above, nose to the right
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.5, 0, 16, 0.5, 0, 0, 1, 0, 0);
    drawShip(m, 0, 0, 0, 0, 0, 0);
    // The laser beam beside the top view, along +x.
    glLoadIdentity();
    gluLookAt(0.5, 0, 16, 0.5, 0, 0, 1, 0, 0);
    drawLaser(m, 0, -6, 0, 1, 0, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: model_preview OUTDIR (run from the folder holding data/)\n");
        return 2;
    }
    const std::string out = argv[1];
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("model preview");
    FreeImage_Initialise(FALSE);

    Models m;
    m.meteor.loadModel("meteor.3ds", 1.0f);
    m.ship.loadModel("arWing/arwing.3ds", 1.0f);
    m.laser.loadModel("laserBeam.3ds", 1.0f);
    m.sky = loadSky("data/space.jpg");

    gameView(m, 0, 0, 0.3f);
    savePng(out + "/game.png", 0, 0, kWidth, kHeight);
    gameView(m, -35, 25, 1.1f);
    savePng(out + "/banking.png", 0, 0, kWidth, kHeight);
    meteorView(m);
    savePng(out + "/meteor.png", 0, 150, kWidth, 300);
    shipView(m);
    savePng(out + "/ship.png", 0, 0, kWidth, kHeight);
    FreeImage_DeInitialise();
    return 0;
}
