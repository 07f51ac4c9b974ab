// The committed assets in data/ have the formats the game's loaders and
// upload code rely on. A regenerated file that silently changed format (a
// greyscale JPEG, a 16-bit PNG, an MP3 with encoder gaps) would load but draw
// wrongly, read past its pixels, or click at every turn of the music.
#include "TestPaths.h"

#include <FreeImage.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <sndfile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

std::string dataPath(const std::string& name) { return testpaths::sourceDir() + "/data/" + name; }

struct Bitmap {
    explicit Bitmap(const std::string& path) {
        const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
        if (format != FIF_UNKNOWN) bitmap = FreeImage_Load(format, path.c_str(), 0);
    }
    ~Bitmap() { if (bitmap) FreeImage_Unload(bitmap); }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    FIBITMAP* bitmap = nullptr;
};

bool isPowerOfTwo(unsigned v) { return v != 0 && (v & (v - 1)) == 0; }

std::vector<float> readSound(const std::string& path, SF_INFO& info) {
    info = SF_INFO{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> samples(static_cast<size_t>(info.frames) * info.channels);
    samples.resize(static_cast<size_t>(sf_read_float(file, samples.data(), static_cast<sf_count_t>(samples.size()))));
    sf_close(file);
    return samples;
}

} // namespace

TEST(GameAssets, PicturesAreEightBitsPerChannelAndMapsArePowersOfTwo) {
    // The sky is uploaded as packed 24-bit rows straight from the pixels, and
    // the model maps must be 24 or 32 bits per pixel.
    struct Expectation { const char* name; unsigned bpp; bool mapSized; };
    const Expectation pictures[] = {
        {"space.jpg", 24, false},      {"background.jpg", 24, false},
        {"rock.jpg", 24, true},        {"arWing/hull.jpg", 24, true},
        {"brackwater_logo.png", 32, false},
    };
    for (const Expectation& e : pictures) {
        SCOPED_TRACE(e.name);
        Bitmap picture(dataPath(e.name));
        ASSERT_NE(picture.bitmap, nullptr);
        EXPECT_EQ(FreeImage_GetImageType(picture.bitmap), FIT_BITMAP);
        EXPECT_EQ(FreeImage_GetBPP(picture.bitmap), e.bpp);
        if (e.mapSized) {
            EXPECT_TRUE(isPowerOfTwo(FreeImage_GetWidth(picture.bitmap)));
            EXPECT_TRUE(isPowerOfTwo(FreeImage_GetHeight(picture.bitmap)));
        }
    }
}

TEST(GameAssets, LogoIsTransparentAroundItsLettersAndBlackWhereTransparent) {
    // The menu draws the logo without alpha blending on the black night side
    // of the background, so what is transparent must also be black.
    Bitmap logo(dataPath("brackwater_logo.png"));
    ASSERT_NE(logo.bitmap, nullptr);
    ASSERT_EQ(FreeImage_GetBPP(logo.bitmap), 32u);
    unsigned transparent = 0, opaque = 0, transparentButColoured = 0;
    for (unsigned y = 0; y < FreeImage_GetHeight(logo.bitmap); ++y) {
        const BYTE* row = FreeImage_GetScanLine(logo.bitmap, static_cast<int>(y));
        for (unsigned x = 0; x < FreeImage_GetWidth(logo.bitmap); ++x) {
            const BYTE* p = row + 4 * x;
            if (p[FI_RGBA_ALPHA] == 0) {
                ++transparent;
                if (p[FI_RGBA_RED] > 2 || p[FI_RGBA_GREEN] > 2 || p[FI_RGBA_BLUE] > 2) ++transparentButColoured;
            } else if (p[FI_RGBA_ALPHA] == 255) {
                ++opaque;
            }
        }
    }
    EXPECT_GT(transparent, 0u);
    EXPECT_GT(opaque, 0u);
    EXPECT_EQ(transparentButColoured, 0u);
}

TEST(GameAssets, SoundEffectsAreShortUnclippedPcm) {
    for (const char* name : {"laser_shot.wav", "explosion.wav"}) {
        SCOPED_TRACE(name);
        SF_INFO info;
        const std::vector<float> samples = readSound(dataPath(name), info);
        ASSERT_FALSE(samples.empty());
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_LT(info.frames, 2 * 44100); // every shot and hit plays one; they must not pile up
        float peak = 0.0f;
        for (float v : samples) peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.3f);
        EXPECT_LT(peak, 0.99f);
    }
}

TEST(GameAssets, MusicLoopsWithoutGapOrClick) {
    SF_INFO info;
    const std::vector<float> samples = readSound(dataPath("evil_2.mp3"), info);
    ASSERT_FALSE(samples.empty());
    ASSERT_EQ(info.channels, 2);
    const size_t frames = samples.size() / 2;
    ASSERT_GT(frames, 4u * 44100u);
    // An encoder's delay or padding would show as near-silence at either end.
    auto loudest = [&](size_t from, size_t count) {
        float peak = 0.0f;
        for (size_t i = from * 2; i < (from + count) * 2; ++i) peak = std::max(peak, std::fabs(samples[i]));
        return peak;
    };
    EXPECT_GT(loudest(0, 400), 0.05f);
    EXPECT_GT(loudest(frames - 400, 400), 0.05f);
    // The step from the last frame back to the first is no bigger than the
    // steps the music makes anyway.
    std::vector<float> steps;
    for (size_t i = 1; i < frames; ++i) steps.push_back(std::fabs(samples[2 * i] - samples[2 * i - 2]));
    std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
    const float usualLargeStep = steps[steps.size() * 99 / 100];
    for (int c = 0; c < 2; ++c)
        EXPECT_LE(std::fabs(samples[c] - samples[2 * (frames - 1) + c]), usualLargeStep) << "channel " << c;
}

TEST(GameAssets, FontHasEveryPrintableCharacterTheGameLoads) {
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(library, dataPath("vantor.ttf").c_str(), 0, &face), 0);
    std::vector<unsigned> missing;
    for (unsigned c = 33; c < 256; ++c) {
        if (c >= 127 && c < 161) continue; // control codes have no glyphs
        if (FT_Get_Char_Index(face, c) == 0) missing.push_back(c);
    }
    EXPECT_TRUE(missing.empty()) << "first missing character code: " << (missing.empty() ? 0 : missing[0]);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
