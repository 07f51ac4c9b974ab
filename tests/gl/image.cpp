// ofImage: pixel record and public fields, byte orders in and out, copies,
// type changes and rescaling, screen grabs and drawing, and image files
// (made here by ImageMagick or FreeImage itself), good and bad.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "PixelScreen.h"
#include "TestPaths.h"
#include "ofGLHeaders.h"
#include "ofGraphics.h"
#include "ofImage.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {
typedef std::vector<int> Bytes;
const int W = 800, H = 600;

struct Probe : ofImage {
    using ofImage::myPixels;
    using ofImage::tex;
    unsigned int textureID() { return tex.getTextureData().textureID; }
    Bytes bytes(size_t from = 0, size_t count = 0) {
        size_t n = size_t(width) * height * (bpp / 8);
        return Bytes(getPixels() + from, getPixels() + (count ? from + count : n));
    }
};

void convert(const std::string& args) {
    ASSERT_EQ(system(("cd data && /usr/bin/convert " + args).c_str()), 0) << args;
}
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void spill(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class ImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        static ScratchDir scratch("image");
        folder = scratch.path();
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_EQ(system("mkdir data"), 0);
    }
    static inline std::string folder;
    void SetUp() override {
        pixelscreen::set(W, H);
        glColor4f(1, 1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glReadBuffer(GL_BACK);
        ofDisableArbTex();
    }
    void TearDown() override { ofEnableArbTex(); }
};
}  // namespace

TEST_F(ImageTest, SetFromPixelsOrdersAndBadTypes) {
    unsigned char six[] = {1, 2, 3, 4, 5, 6}, eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    Probe img;
    img.setFromPixels(six, 2, 1, 1, false);
    EXPECT_EQ(img.bytes(), (Bytes{3, 2, 1, 6, 5, 4}));
    img.setFromPixels(six, 2, 1, 1, true);
    EXPECT_EQ(img.bytes(), (Bytes{1, 2, 3, 4, 5, 6}));
    img.setFromPixels(six, 6, 1, 0, false);
    EXPECT_EQ(img.bytes(), (Bytes{1, 2, 3, 4, 5, 6})) << "grey is never exchanged";
    img.setFromPixels(eight, 2, 1, 2, false);
    EXPECT_EQ(img.bytes(), (Bytes{3, 2, 1, 4, 7, 6, 5, 8})) << "alpha stays fourth";
    EXPECT_EQ(img.myPixels.glDataType, GL_RGBA);
    EXPECT_EQ(img.tex.getTextureData().glTypeInternal, GL_RGBA);

    // A bad type: an empty image reports allocation twice; one holding
    // pixels is cleared first.
    const std::string alloc = "OF_ERROR: error = bad imageType in ofImage::allocate\n";
    const std::string set = "OF_ERROR: error = bad imageType in ofImage::setFromPixels\n";
    CaptureStdout out;
    img.setFromPixels(six, 2, 1, 7, true);
    Probe fresh;
    fresh.setFromPixels(six, 2, 1, 7, true);
    fresh.allocate(3, 3, 1);
    fresh.allocate(9, 9, 5);
    EXPECT_EQ(out.finish(), alloc + set + alloc + alloc + set + alloc);
    EXPECT_EQ(img.type, 3);
    EXPECT_EQ(fresh.width, 3) << "a bad allocation changes nothing";

    // Texture use off, then pixels of another size: the clear turns it back on.
    fresh.setUseTexture(false);
    fresh.setFromPixels(six, 2, 1, 1, true);
    EXPECT_EQ(fresh.tex.getWidth(), 2);
}

TEST_F(ImageTest, CopiesTypeChangesAndRescaling) {
    std::vector<unsigned char> px(16 * 16 * 3);
    for (size_t i = 0; i < px.size(); i += 3) px[i] = 200, px[i + 1] = 100, px[i + 2] = 50;
    Probe a;
    a.setFromPixels(px.data(), 16, 16, 1, true);
    Probe b(a), c, empty;
    c.allocate(7, 7, 0);
    c = a;
    a = a;
    EXPECT_EQ(a.bytes(), Bytes(px.begin(), px.end()));
    for (Probe* copy : {&b, &c}) {
        EXPECT_EQ(copy->bytes(), a.bytes());
        EXPECT_NE(copy->getPixels(), a.getPixels());
        EXPECT_NE(copy->textureID(), a.textureID());
        EXPECT_TRUE(copy->tex.bAllocated());
    }
    c.setUseTexture(false);
    c = empty;
    EXPECT_EQ(c.type, 3);
    EXPECT_FALSE(c.tex.bAllocated()) << "the old texture goes, also while texture use was off";
    EXPECT_FALSE(Probe(empty).tex.bAllocated()) << "a copy of nothing makes no texture";

    unsigned int rgbTexture = a.textureID();
    a.setImageType(2);
    EXPECT_EQ(a.bytes(0, 4), (Bytes{200, 100, 50, 255}));
    EXPECT_NE(a.textureID(), rgbTexture) << "going up makes a texture with room for alpha";
    unsigned int rgbaTexture = a.textureID();
    a.setImageType(1);
    EXPECT_EQ(a.bytes(0, 3), (Bytes{200, 100, 50}));
    EXPECT_EQ(a.textureID(), rgbaTexture) << "going down keeps it";
    a.setImageType(0);
    EXPECT_EQ(a.bpp, 8);
    // The library's conversions get the buffer without the red/blue
    // exchange of file loads and saves, so it weighs the first byte as blue.
    EXPECT_NEAR(a.getPixels()[0], 0.2126 * 50 + 0.7152 * 100 + 0.0722 * 200, 1);
    a.setImageType(9);
    EXPECT_EQ(a.type, 0);

    b.resize(8, 4);
    EXPECT_EQ(b.width, 8);
    EXPECT_EQ(b.height, 4);
    EXPECT_EQ(b.type, 1);
    EXPECT_EQ(b.bytes(0, 3), (Bytes{200, 100, 50}));
    EXPECT_EQ(b.tex.getTextureData().texWidth, 8);
    b.resize(0, 0);
    b.resize(-3, 2);
    EXPECT_EQ(b.width, 8) << "sizes the library cannot rescale to change nothing";
}

TEST_F(ImageTest, GrabScreenAndDraw) {
    // Rows red, green, blue from the top: an odd height keeps the middle row.
    const float rows[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int r = 0; r < 3; r++) {
        glColor3fv(rows[r]);
        glRectf(0, r, 5, r + 1);
    }
    glColor3f(1, 1, 1);
    Probe img, other, rgba;
    img.grabScreen(0, 0, 5, 3);
    EXPECT_EQ(img.type, 1);
    EXPECT_EQ(img.bytes(0, 3), (Bytes{255, 0, 0}));
    EXPECT_EQ(img.bytes(14 * 3, 3), (Bytes{0, 0, 255}));
    EXPECT_EQ(img.bytes(7 * 3, 3), (Bytes{0, 255, 0}));
    std::vector<unsigned char> grey(40 * 40 * 3, 77);
    other.setFromPixels(grey.data(), 40, 40, 1, true);
    other.grabScreen(0, 1, 5, 2);
    EXPECT_EQ(other.width, 5);
    EXPECT_EQ(other.bytes(), img.bytes(15, 30)) << "rescaled, then overwritten whole";
    rgba.allocate(5, 3, 2);
    rgba.grabScreen(0, 0, 5, 3);
    EXPECT_EQ(rgba.bytes(40, 4), (Bytes{0, 0, 255, 255}));

    std::vector<unsigned char> white(256 * 128 * 3, 255);
    img.setFromPixels(white.data(), 256, 128, 1, true);
    glClear(GL_COLOR_BUFFER_BIT);
    static_cast<ofBaseDraws&>(img).draw(20, 30);
    auto lit = [](int x, int y) { return frameworkwindow::pixel(x, y).r > 128; };
    EXPECT_TRUE(lit(21, 31) && lit(274, 156));
    EXPECT_FALSE(lit(19, 31) || lit(277, 100) || lit(100, 159)) << "256 x 128 at (20, 30)";
    glClear(GL_COLOR_BUFFER_BIT);
    img.setUseTexture(false);
    img.draw(20, 30);
    EXPECT_FALSE(lit(21, 31));
}

TEST_F(ImageTest, LoadedFilesGiveTopDownRGBOfTheirType) {
    convert("-size 4x3 xc:'rgb(10,20,30)' -fill red -draw 'point 0,0' PNG24:rgb.png");
    convert("-size 3x2 xc:'rgba(10,20,30,0.2)' -fill 'rgba(200,100,50,1)' -draw 'point 2,1' PNG32:alpha.png");
    convert("-size 3x1 xc:'gray(100)' -fill 'gray(7)' -draw 'point 2,0' -define png:color-type=0 grey.png");
    convert("-size 2x1 xc:'rgb(255,0,0)' -depth 16 PNG48:deep.png");
    convert("-size 8x6 xc:'rgb(0,0,255)' JPG:photo.png");
    // Palettes of 8 and 1 bits, index (x + y) % colours, entry i = (40 i, 255 - 40 i, 7).
    for (int bits : {8, 1}) {
        FIBITMAP* bmp = FreeImage_Allocate(3, 2, bits);
        for (int i = 0; i < (1 << bits); i++) FreeImage_GetPalette(bmp)[i] = {7, BYTE(255 - i * 40), BYTE(i * 40), 0};
        for (BYTE i = 0; i < 6; i++) {
            BYTE index = (i % 3 + i / 3) % (1 << bits);
            FreeImage_SetPixelIndex(bmp, i % 3, 1 - i / 3, &index);
        }
        FreeImage_Save(FIF_BMP, bmp, ("data/pal" + std::to_string(bits) + ".bmp").c_str(), 0);
        FreeImage_Unload(bmp);
    }
    // 16-bit grey 0x1234, 0xABCD: their high bytes, as colour.
    for (const char* name : {"data/grey16.png", "data/grey16.tif"}) {
        FIBITMAP* bmp = FreeImage_AllocateT(FIT_UINT16, 2, 1);
        WORD* row = reinterpret_cast<WORD*>(FreeImage_GetScanLine(bmp, 0));
        row[0] = 0x1234, row[1] = 0xABCD;
        FreeImage_Save(FreeImage_GetFIFFromFilename(name), bmp, name, 0);
        FreeImage_Unload(bmp);
    }
    struct Case {
        const char* name;
        int type, w;
        Bytes first, last;
    } cases[] = {{"rgb.png", 1, 4, {255, 0, 0}, {10, 20, 30}},
                 {"alpha.png", 2, 3, {10, 20, 30, 51}, {200, 100, 50, 255}},
                 {"grey.png", 0, 3, {100}, {7}},
                 {"deep.png", 1, 2, {255, 0, 0}, {255, 0, 0}},
                 {"pal8.bmp", 1, 3, {0, 255, 7}, {120, 135, 7}},
                 {"pal1.bmp", 1, 3, {0, 255, 7}, {40, 215, 7}},
                 {"grey16.png", 1, 2, {0x12, 0x12, 0x12}, {0xAB, 0xAB, 0xAB}},
                 {"grey16.tif", 1, 2, {0x12, 0x12, 0x12}, {0xAB, 0xAB, 0xAB}},
                 {"data/photo.png", 1, 8, {0, 0, 254}, {0, 0, 254}}};  // JPEG contents, PNG name
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe img;
        ASSERT_TRUE(img.loadImage(c.name));
        EXPECT_EQ(img.type, c.type);
        EXPECT_EQ(img.width, c.w);
        EXPECT_EQ(img.bpp, int(c.first.size()) * 8);
        EXPECT_EQ(img.bytes(0, c.first.size()), c.first);
        Bytes all = img.bytes();
        EXPECT_EQ(Bytes(all.end() - c.last.size(), all.end()), c.last);
        EXPECT_EQ(img.tex.getWidth(), c.w);
    }
}

TEST_F(ImageTest, BadFilesAreRefusedAndTheImageKeepsWhatItHad) {
    convert("-size 64x64 gradient:red-blue grad.jpg");
    convert("-size 64x64 gradient:red-blue PNG24:grad.png");
    // Float images, which the library cannot bring down to 8-bit channels.
    convert("-size 3x2 xc:'gray(100)' -colorspace gray PFM:grey.pfm");
    convert("-size 3x2 xc:'rgb(100,20,30)' PFM:colour.pfm");
    std::string jpg = slurp("data/grad.jpg"), png = slurp("data/grad.png");
    spill("data/headjpeg.jpg", jpg.substr(0, 120));
    spill("data/halfjpeg.jpg", jpg.substr(0, jpg.size() / 2));
    spill("data/halfpng.png", png.substr(0, png.size() / 2));
    spill("data/empty.png", "");
    spill("data/text.png", "this is not an image\n");
    // Headers declaring more than 8192 x 4096 pixels: PNG and BMP, which the
    // library reads alone, and formats whose header is read by hand (8000 x
    // 8000 each: a GIF's image after an extension, an MNG's embedded image).
    auto chunk = [](std::string type, std::string data) {
        std::string out(4, '\0'), body = type + data;
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
        for (int i = 0; i < 4; i++) out[i] = char(data.size() >> (24 - 8 * i));
        for (int i = 0; i < 4; i++) body += char(crc >> (24 - 8 * i));
        return out + body;
    };
    std::string side("\x00\x01\x86\xA0", 4);
    spill("data/huge.png", std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", side + side + std::string("\x08\x02\0\0\0", 5)) +
                               chunk("IDAT", std::string("\x78\x9c\x03\0\0\0\0\x01", 8)) + chunk("IEND", ""));
    std::string bmp("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18);
    spill("data/huge.bmp", bmp + std::string("\x01\x20\0\0\0\x10\0\0\x01\0\x18\0", 12) + std::string(40, '\0'));
    std::string image8000("\x2c\0\0\0\0\x40\x1f\x40\x1f\0\x02\x02\x44\x01\0\x3b", 16);
    spill("data/huge.gif", std::string("GIF89a\x40\x1f\x40\x1f\x80\0\0\0\0\0\xff\xff\xff!\xf9\x04\0\0\0\0\0", 27) + image8000);
    std::string mhdr = std::string("\0\0\0\x05\0\0\0\x03", 8) + std::string(20, '\0');
    spill("data/huge.mng", std::string("\x8aMNG\r\n\x1a\n", 8) + chunk("MHDR", mhdr) +
                               chunk("IHDR", std::string("\0\0\x1f\x40\0\0\x1f\x40\x08\0\0\0\0", 13)) +
                               chunk("IDAT", std::string("\x78\x9c\x03\0\0\0\0\x01", 8)) + chunk("IEND", "") + chunk("MEND", ""));
    spill("data/huge.wbmp", std::string("\0\0\xbe\x40\xbe\x40", 6) + std::string(64, '\0'));
    spill("data/huge.xbm", "#define h_width 8000\n#define h_height 8000\nstatic char h_bits[] = {0x00};\n");

    Probe img;
    unsigned char px[18] = {9, 8, 7};
    img.setFromPixels(px, 3, 2, 1, true);
    unsigned int texture = img.textureID();
    for (const char* name : {"missing.png", "headjpeg.jpg", "halfpng.png", "empty.png", "text.png", "huge.png", "huge.bmp",
                             "huge.gif", "huge.mng", "huge.wbmp", "huge.xbm", "grey.pfm", "colour.pfm"}) {
        SCOPED_TRACE(name);
        CaptureStdout out;
        EXPECT_FALSE(img.loadImage(name));
        EXPECT_EQ(out.finish(), "");
        EXPECT_EQ(img.width, 3);
        EXPECT_EQ(img.type, 1);
        EXPECT_EQ(img.bytes(0, 3), (Bytes{9, 8, 7}));
        EXPECT_EQ(img.textureID(), texture);
    }
    EXPECT_TRUE(img.loadImage("grad.jpg") && img.loadImage("grad.png")) << "the intact files load";
    // A JPEG cut inside its scan data comes back from the library filled
    // out, and counts as loaded.
    EXPECT_TRUE(img.loadImage("halfjpeg.jpg"));
    EXPECT_EQ(img.width, 64);
}

TEST_F(ImageTest, SavingLeavesTheBufferAsItWas) {
    Probe img, back;
    unsigned char rgba[] = {255, 0, 0, 40, 0, 0, 255, 80};
    img.setFromPixels(rgba, 2, 1, 2, true);
    img.saveImage("out.png");
    EXPECT_EQ(img.bytes(), (Bytes{255, 0, 0, 40, 0, 0, 255, 80}));
    FIBITMAP* bmp = FreeImage_Load(FIF_PNG, "data/out.png", 0);
    RGBQUAD c;
    ASSERT_TRUE(bmp && FreeImage_GetPixelColor(bmp, 0, 0, &c));
    EXPECT_EQ((Bytes{c.rgbRed, c.rgbBlue}), (Bytes{255, 0})) << "red on disk";
    FreeImage_Unload(bmp);
    ASSERT_TRUE(back.loadImage("out.png"));
    EXPECT_EQ(back.bytes(), img.bytes());

    // Grey goes out as 8 bits with a grey palette.
    unsigned char grey[] = {0, 50, 100, 250};
    img.setFromPixels(grey, 4, 1, 0, true);
    img.saveImage("grey.bmp");
    bmp = FreeImage_Load(FIF_BMP, "data/grey.bmp", 0);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(FreeImage_GetColorType(bmp), FIC_MINISBLACK);
    FreeImage_Unload(bmp);
    ASSERT_TRUE(back.loadImage("grey.bmp"));
    EXPECT_EQ(back.bytes(), (Bytes{0, 50, 100, 250}));

    CaptureStdout out;
    Probe().saveImage("nothing.png");
    EXPECT_EQ(out.finish(), "OF_ERROR: error saving image - pixels aren't allocated\n");
    EXPECT_NE(access("data/nothing.png", F_OK), 0);
}

// A save that cannot be made says so and leaves what was there byte for
// byte, or nothing where there was nothing; one that can be made keeps the
// old file's mode and goes through a link.
TEST_F(ImageTest, FailedSavesKeepTheOldFileAndSuccessfulOnesItsModeAndLink) {
    convert("-size 4x4 xc:red old.jpg");
    ASSERT_EQ(system("cd data && cp old.jpg jpeg.png && mkdir folder.png"), 0);
    Probe img, grey, back;
    unsigned char rgba[16] = {255, 0, 0, 40};
    img.setFromPixels(rgba, 2, 2, 2, true);
    grey.setFromPixels(rgba, 4, 1, 0, true);
    img.saveImage("readonly.png");
    img.saveImage("kept.png");
    ASSERT_EQ(chmod("data/readonly.png", 0444) | chmod("data/kept.png", 0640) | symlink("kept.png", "data/link.png"), 0);
    // JPEG stores no alpha, also where the contents choose it over the name;
    // WebP no grey; the library's icon writer fails on so small an image.
    for (const char* name : {"old.jpg", "new.jpg", "jpeg.png", "grey.webp", "tiny.ico", "readonly.png", "folder.png",
                             "missing/x.png", "x.xyz"}) {
        SCOPED_TRACE(name);
        Probe& image = std::string(name) == "grey.webp" ? grey : img;
        const std::string path = std::string("data/") + name;
        auto contents = [&] {
            return access(path.c_str(), F_OK) ? "none" : std::filesystem::is_directory(path) ? "folder" : slurp(path);
        };
        const std::string before = contents();
        CaptureStdout out;
        image.saveImage(name);
        EXPECT_EQ(out.finish(), "OF_ERROR: error saving image - couldn't write " + path + "\n");
        EXPECT_EQ(contents(), before);
    }
    rgba[0] = 7;
    img.setFromPixels(rgba, 2, 2, 2, true);
    img.saveImage("link.png");
    struct stat st;
    ASSERT_EQ(lstat("data/link.png", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat("data/kept.png", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_TRUE(back.loadImage("kept.png"));
    EXPECT_EQ(back.bytes(0, 4), (Bytes{7, 0, 0, 40}));
    EXPECT_EQ(system("ls -a data | grep -q tmp"), 256) << "a temporary file was left";
}
