// Reading and writing image files: byte order and type of what comes in,
// conversions of odd depths, the contents deciding over the name, and files
// that are missing, empty, truncated, lying about their size or not images
// at all. Fixtures are made here, by ImageMagick or FreeImage itself.
#include "CaptureStdout.h"
#include "FrameworkWindow.h"
#include "TestPaths.h"
#include "ofImage.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {
typedef std::vector<int> Bytes;

// Gives the tests what the framework expects: a working directory with a
// data/ folder, and a GL context for the textures the images make.
class ImageFiles : public ::testing::Test {
protected:
    static std::string dir;
    static void SetUpTestSuite() {
        frameworkwindow::ensure();
        dir = testpaths::makeScratchDir("image-files");
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(system("mkdir -p data"), 0);
    }
    static void TearDownTestSuite() {
        if (chdir("/") == 0) system(("rm -rf '" + dir + "'").c_str());
    }
    static void convert(const std::string& args) {
        std::string cmd = "cd data && /usr/bin/convert " + args;
        ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
    }
    static std::string slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void spill(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
};
std::string ImageFiles::dir;

// Exposes the pixel record.
struct Probe : ofImage {
    using ofImage::myPixels;
    using ofImage::tex;
};

Bytes bytesOf(ofImage& img) {
    const unsigned char* p = img.getPixels();
    return Bytes(p, p + size_t(img.width) * img.height * (img.bpp / 8));
}

// Writes a palette bitmap through FreeImage: index = (x + y) % colours,
// entry i = (i * 40, 255 - i * 40, 7), top row first.
void writePaletted(const std::string& path, FREE_IMAGE_FORMAT fif, int bpp, int w, int h) {
    FIBITMAP* bmp = FreeImage_Allocate(w, h, bpp);
    int colours = 1 << bpp;
    RGBQUAD* pal = FreeImage_GetPalette(bmp);
    for (int i = 0; i < colours; i++) {
        pal[i].rgbRed = BYTE(i * 40);
        pal[i].rgbGreen = BYTE(255 - i * 40);
        pal[i].rgbBlue = 7;
    }
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            BYTE index = BYTE((x + y) % colours);
            FreeImage_SetPixelIndex(bmp, x, h - 1 - y, &index);
        }
    ASSERT_TRUE(FreeImage_Save(fif, bmp, path.c_str(), 0));
    FreeImage_Unload(bmp);
}

Bytes palettedExpectation(int bpp, int w, int h) {
    Bytes want;
    int colours = 1 << bpp;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int i = (x + y) % colours;
            want.insert(want.end(), {(i * 40) & 255, (255 - i * 40) & 255, 7});
        }
    return want;
}
}  // namespace

TEST_F(ImageFiles, LoadedPixelsAreTopDownRGBWithTheFilesType) {
    // 24 bits: first pixel red, the rest (10, 20, 30).
    convert("-size 4x3 xc:'rgb(10,20,30)' -fill red -draw 'point 0,0' PNG24:rgb.png");
    Probe img;
    ASSERT_TRUE(img.loadImage("rgb.png"));
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(img.bpp, 24);
    EXPECT_EQ(img.type, 1);
    Bytes want = {255, 0, 0};
    for (int i = 1; i < 12; i++) want.insert(want.end(), {10, 20, 30});
    EXPECT_EQ(bytesOf(img), want);
    EXPECT_EQ(img.myPixels.glDataType, GL_RGB);
    EXPECT_TRUE(img.getTextureReference().bAllocated());
    EXPECT_EQ(img.getTextureReference().getWidth(), 4);

    // 32 bits keep alpha as the fourth byte; a bottom-right pixel marks the row order.
    convert("-size 3x2 xc:'rgba(10,20,30,0.2)' -fill 'rgba(200,100,50,1)' -draw 'point 2,1' PNG32:alpha.png");
    ASSERT_TRUE(img.loadImage("alpha.png"));
    EXPECT_EQ(img.type, 2);
    EXPECT_EQ(img.bpp, 32);
    Bytes got = bytesOf(img);
    ASSERT_EQ(got.size(), 24u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), (Bytes{10, 20, 30, 51}));
    EXPECT_EQ(Bytes(got.end() - 4, got.end()), (Bytes{200, 100, 50, 255}));

    // 8-bit grey: one byte a pixel, nothing exchanged.
    convert("-size 3x2 xc:'gray(100)' -fill 'gray(7)' -draw 'point 2,0' -depth 8 -define png:color-type=0 grey.png");
    ASSERT_TRUE(img.loadImage("grey.png"));
    EXPECT_EQ(img.type, 0);
    EXPECT_EQ(img.bpp, 8);
    EXPECT_EQ(bytesOf(img), (Bytes{100, 100, 7, 100, 100, 100}));
    EXPECT_EQ(img.myPixels.glDataType, GL_LUMINANCE);

    // 16 bits a channel: brought down to 24-bit colour.
    convert("-size 2x1 xc:'rgb(255,0,0)' -depth 16 PNG48:deep.png");
    ASSERT_TRUE(img.loadImage("deep.png"));
    EXPECT_EQ(img.type, 1);
    EXPECT_EQ(bytesOf(img), (Bytes{255, 0, 0, 255, 0, 0}));
}

TEST_F(ImageFiles, PalettesAndLowDepthsBecomeColour) {
    struct Case {
        const char* name;
        FREE_IMAGE_FORMAT fif;
        int bpp;
    } cases[] = {{"data/pal8.png", FIF_PNG, 8}, {"data/pal4.bmp", FIF_BMP, 4}, {"data/pal1.bmp", FIF_BMP, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writePaletted(c.name, c.fif, c.bpp, 5, 3);
        ofImage img;
        ASSERT_TRUE(img.loadImage(c.name));
        EXPECT_EQ(img.type, 1);
        EXPECT_EQ(img.bpp, 24);
        EXPECT_EQ(bytesOf(img), palettedExpectation(c.bpp, 5, 3));
    }
}

TEST_F(ImageFiles, ContentsDecideOverTheName) {
    convert("-size 8x6 xc:'rgb(0,0,255)' JPG:photo.png");
    ASSERT_EQ(slurp("data/photo.png").substr(0, 2), "\xFF\xD8") << "fixture is a JPEG";
    ofImage img;
    ASSERT_TRUE(img.loadImage("photo.png"));
    EXPECT_EQ(img.width, 8);
    EXPECT_EQ(img.height, 6);
    EXPECT_EQ(img.type, 1);
    Bytes first(img.getPixels(), img.getPixels() + 3);
    EXPECT_LE(first[0], 8);
    EXPECT_LE(first[1], 8);
    EXPECT_GE(first[2], 247);
    // Names are taken relative to the data folder unless already inside it.
    EXPECT_TRUE(img.loadImage("data/photo.png"));
}

TEST_F(ImageFiles, BadFilesAreRefusedAndTheImageKeepsWhatItHad) {
    convert("-size 64x64 gradient:red-blue -quality 90 grad.jpg");
    convert("-size 64x64 gradient:red-blue PNG24:grad.png");
    std::string jpg = slurp("data/grad.jpg"), png = slurp("data/grad.png");
    spill("data/halfjpeg.jpg", jpg.substr(0, jpg.size() / 2));
    spill("data/halfpng.png", png.substr(0, png.size() / 2));
    spill("data/headonly.png", png.substr(0, 40));
    spill("data/empty.png", "");
    spill("data/text.png", "this is not an image\n");
    spill("data/noext", "neither is this");
    // A well-formed PNG whose header declares 100000 x 100000 pixels.
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string body = type + data;
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
        auto be = [](uLong v) {
            return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        };
        return be(data.size()) + body + be(crc);
    };
    std::string ihdr = std::string("\x00\x01\x86\xA0\x00\x01\x86\xA0\x08\x02\x00\x00\x00", 13);
    spill("data/huge.png", std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
                               chunk("IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)) +
                               chunk("IEND", ""));
    // The same lie in a BMP header.
    std::string bmp = "BM" + std::string(12, '\0');
    bmp[10] = 54;
    std::string info(40, '\0');
    info[0] = 40;
    info[4] = info[8] = '\x10';  // width and height 0x27100 = 160000
    info[5] = info[9] = '\x71';
    info[6] = info[10] = '\x02';
    info[12] = 1;
    info[14] = 24;
    spill("data/huge.bmp", bmp + info + std::string(16, '\0'));

    Probe img;
    img.allocate(3, 2, 1);
    unsigned char px[18];
    for (int i = 0; i < 18; i++) px[i] = (unsigned char)(i * 9);
    img.setFromPixels(px, 3, 2, 1, true);
    Bytes before = bytesOf(img);
    unsigned int texture = img.getTextureReference().getTextureData().textureID;

    for (const char* name : {"missing.png", "halfjpeg.jpg", "halfpng.png", "headonly.png", "empty.png",
                             "text.png", "noext", "huge.png", "huge.bmp"}) {
        SCOPED_TRACE(name);
        CaptureStdout out;
        EXPECT_FALSE(img.loadImage(name));
        EXPECT_EQ(out.finish(), "") << "a failed load reports nothing";
        EXPECT_EQ(img.width, 3);
        EXPECT_EQ(img.height, 2);
        EXPECT_EQ(img.type, 1);
        EXPECT_EQ(bytesOf(img), before);
        EXPECT_EQ(img.getTextureReference().getTextureData().textureID, texture);
    }
    // The intact files do load.
    EXPECT_TRUE(img.loadImage("grad.jpg"));
    EXPECT_TRUE(img.loadImage("grad.png"));
    EXPECT_EQ(img.width, 64);
}

TEST_F(ImageFiles, SavingLeavesTheBufferAsItWasAndWritesTrueColours) {
    Probe img;
    unsigned char rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3};
    img.setFromPixels(rgb, 2, 2, 1, true);
    Bytes before = bytesOf(img);
    img.saveImage("out.png");
    EXPECT_EQ(bytesOf(img), before) << "the exchange for the library is undone";

    // Read back independently: top-left red, top-right green.
    FIBITMAP* bmp = FreeImage_Load(FIF_PNG, "data/out.png", 0);
    ASSERT_NE(bmp, nullptr);
    RGBQUAD c;
    FreeImage_GetPixelColor(bmp, 0, 1, &c);
    EXPECT_EQ((Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue}), (Bytes{255, 0, 0}));
    FreeImage_GetPixelColor(bmp, 1, 1, &c);
    EXPECT_EQ((Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue}), (Bytes{0, 255, 0}));
    FreeImage_Unload(bmp);

    // And through the image itself, colours with alpha included.
    unsigned char rgba[] = {10, 20, 30, 40, 50, 60, 70, 80};
    img.setFromPixels(rgba, 2, 1, 2, true);
    img.saveImage("out32.png");
    EXPECT_EQ(bytesOf(img), (Bytes{10, 20, 30, 40, 50, 60, 70, 80}));
    ofImage back;
    ASSERT_TRUE(back.loadImage("out32.png"));
    EXPECT_EQ(bytesOf(back), (Bytes{10, 20, 30, 40, 50, 60, 70, 80}));

    // Grey goes out as 8 bits with a grey palette.
    unsigned char grey[] = {0, 50, 100, 250};
    img.setFromPixels(grey, 4, 1, 0, true);
    img.saveImage("grey.bmp");
    bmp = FreeImage_Load(FIF_BMP, "data/grey.bmp", 0);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(FreeImage_GetBPP(bmp), 8u);
    EXPECT_EQ(FreeImage_GetColorType(bmp), FIC_MINISBLACK);
    RGBQUAD* pal = FreeImage_GetPalette(bmp);
    EXPECT_EQ((Bytes{pal[100].rgbRed, pal[100].rgbGreen, pal[100].rgbBlue}), (Bytes{100, 100, 100}));
    FreeImage_Unload(bmp);
    ASSERT_TRUE(back.loadImage("grey.bmp"));
    EXPECT_EQ(back.type, 0);
    EXPECT_EQ(bytesOf(back), (Bytes{0, 50, 100, 250}));

    // Nothing to save, or nowhere to save it.
    ofImage empty;
    CaptureStdout out;
    empty.saveImage("nothing.png");
    img.saveImage("noformat.xyz");
    EXPECT_EQ(out.finish(), "OF_ERROR: error saving image - pixels aren't allocated\n");
    EXPECT_NE(access("data/nothing.png", F_OK), 0);
    EXPECT_NE(access("data/noformat.xyz", F_OK), 0);
}
