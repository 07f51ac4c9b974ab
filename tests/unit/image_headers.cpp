// The declared-size guard for the formats whose header is read by hand: each
// format's file is made here at two sizes, 3 x 2, which loads, and 8193 x
// 4096, one column more than the guard allows, which is refused. The library
// decodes the large files too (it fills out pixel data cut short; XBM and MNG
// get theirs whole), so only the guard stands between them and a load.
// Images without a texture need no display.
#include "CaptureStdout.h"
#include "TestPaths.h"
#include "ofImage.h"
#include "ofImageDecoder.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>

namespace {
typedef std::string Bytes;

Bytes be(uint64_t v, int n) {
    Bytes s(n, '\0');
    for (int i = 0; i < n; i++) s[i] = char(v >> 8 * (n - 1 - i));
    return s;
}
Bytes le(uint64_t v, int n) {
    Bytes s(n, '\0');
    for (int i = 0; i < n; i++) s[i] = char(v >> 8 * i);
    return s;
}
Bytes zeros(size_t n) { return Bytes(n, '\0'); }
// Pixel data of n bytes, cut short after 4 KiB.
Bytes pixels(size_t n) { return Bytes(std::min<size_t>(n, 4096), '\x80'); }
const BYTE* raw(const Bytes& s) { return reinterpret_cast<const BYTE*>(s.data()); }

// A PNG/MNG chunk and a JPEG 2000 box.
Bytes chunk(const Bytes& type, const Bytes& data) {
    const Bytes body = type + data;
    return be(data.size(), 4) + body + be(FreeImage_ZLibCRC32(0, const_cast<BYTE*>(raw(body)), DWORD(body.size())), 4);
}
Bytes box(const Bytes& type, const Bytes& data) { return be(8 + data.size(), 4) + type + data; }

Bytes dds(uint32_t w, uint32_t h) {  // uncompressed 32-bit BGRA
    return "DDS " + le(124, 4) + le(0x100F, 4) + le(h, 4) + le(w, 4) + le(w * 4, 4) + zeros(52) + le(32, 4) + le(0x41, 4) +
           le(0, 4) + le(32, 4) + le(0xFF0000, 4) + le(0xFF00, 4) + le(0xFF, 4) + le(0xFF000000u, 4) + le(0x1000, 4) +
           zeros(16) + pixels(size_t(w) * h * 4);
}
Bytes sgi(uint32_t w, uint32_t h) {  // verbatim, 3 channels of 8 bits
    return be(474, 2) + Bytes("\0\1", 2) + be(3, 2) + be(w, 2) + be(h, 2) + be(3, 2) + be(0, 4) + be(255, 4) + zeros(488) +
           pixels(size_t(w) * h * 3);
}
Bytes iff(uint32_t w, uint32_t h) {  // ILBM, one plane, uncompressed
    const Bytes bmhd = be(w, 2) + be(h, 2) + zeros(4) + Bytes("\1\0\0\0", 4) + be(0, 2) + Bytes("\1\1", 2) + be(w, 2) + be(h, 2);
    const size_t body = (w + 15) / 16 * 2 * size_t(h);
    const Bytes form = "ILBMBMHD" + be(20, 4) + bmhd + "CMAP" + be(6, 4) + Bytes("\0\0\0\xff\xff\xff", 6) + "BODY" +
                       be(body, 4) + pixels(body);
    return "FORM" + be(form.size(), 4) + form;
}
Bytes koala(uint32_t, uint32_t) { return Bytes("\0\x60", 2) + Bytes(10001, '\x11'); }  // always 320 x 200
Bytes pict(uint32_t w, uint32_t h) {  // version 2: header, clip region, one unpacked 32-bit DirectBitsRect
    const Bytes rect = zeros(4) + be(h, 2) + be(w, 2), res = be(0x00480000, 4) + be(0x00480000, 4);
    Bytes s = zeros(512) + be(0, 2) + rect + be(0x001102FF, 4) + be(0x0C00FFFE, 4) + be(0, 2) + res + rect + be(0, 4) +
              be(0x0001000A, 4) + rect + be(0x009A, 2) + be(0xFF, 4) + be(0x8000 | (w * 4), 2) + rect + be(0, 2) +
              be(1, 2) + be(0, 4) + res + be(16, 2) + be(32, 2) + be(3, 2) + be(8, 2) + zeros(12) + rect + rect +
              be(0, 2) + pixels(size_t(w) * h * 4);
    return s + zeros(s.size() & 1) + be(0x00FF, 2);
}
// The library's own GIF, its logical screen, its image or both resized.
template <bool screen, bool image> Bytes gif(uint32_t w, uint32_t h) {
    FIBITMAP* bmp = FreeImage_Allocate(3, 2, 8);
    FIMEMORY* mem = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_GIF, bmp, mem, 0);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(mem, &data, &size);
    Bytes s(reinterpret_cast<char*>(data), size);
    FreeImage_CloseMemory(mem);
    FreeImage_Unload(bmp);
    const size_t at = s.find(Bytes("\x2c\0\0\0\0\x03\0\x02\0", 9));
    if (at == Bytes::npos) return "";
    if (screen) s.replace(6, 4, le(w, 2) + le(h, 2));
    if (image) s.replace(at + 5, 4, le(w, 2) + le(h, 2));
    return s;
}
Bytes mng(uint32_t w, uint32_t h) {  // one embedded 8-bit grey PNG, all black
    const Bytes rows(size_t(h) * (w + 1), '\0');
    Bytes z(rows.size() / 100 + 1024, '\0');
    z.resize(FreeImage_ZLibCompress(reinterpret_cast<BYTE*>(&z[0]), DWORD(z.size()), const_cast<BYTE*>(raw(rows)), DWORD(rows.size())));
    return Bytes("\x8aMNG\r\n\x1a\n", 8) + chunk("MHDR", be(w, 4) + be(h, 4) + be(1, 4) + zeros(12) + be(1, 4)) +
           chunk("IHDR", be(w, 4) + be(h, 4) + Bytes("\x08\0\0\0\0", 5)) + chunk("IDAT", z) + chunk("IEND", "") + chunk("MEND", "");
}
Bytes wbmpNumber(uint32_t v) {
    Bytes s(1, char(v & 0x7F));
    while (v >>= 7) s.insert(s.begin(), char(0x80 | (v & 0x7F)));
    return s;
}
Bytes wbmp(uint32_t w, uint32_t h) { return zeros(2) + wbmpNumber(w) + wbmpNumber(h) + pixels((w + 7) / 8 * size_t(h)); }
Bytes xbm(uint32_t w, uint32_t h) {
    Bytes s = "#define t_width " + std::to_string(w) + "\n#define t_height " + std::to_string(h) + "\nstatic char t_bits[] = {\n";
    for (size_t i = (w + 7) / 8 * size_t(h); i > 0; i--) s += "0x0f,";
    return s + "};\n";
}
// A code stream of one grey tile without decomposition, whose one packet is
// empty: the decoder makes a flat image of any size from it.
Bytes j2k(uint32_t w, uint32_t h) {
    const Bytes siz = be(41, 2) + be(0, 2) + be(w, 4) + be(h, 4) + zeros(8) + be(w, 4) + be(h, 4) + zeros(8) + be(1, 2) + Bytes("\7\1\1", 3);
    return Bytes("\xff\x4f\xff\x51", 4) + siz + Bytes("\xff\x52\0\x0c\0\0\0\x01\0\0\x04\x04\0\x01\xff\x5c\0\x04\x40\x40", 20) +
           Bytes("\xff\x90\0\x0a\0\0\0\0\0\x0f\0\x01\xff\x93\0\xff\xd9", 17);
}
Bytes jp2(uint32_t w, uint32_t h) {
    const Bytes header = box("ihdr", be(h, 4) + be(w, 4) + be(1, 2) + Bytes("\7\7\0\0", 4)) + box("colr", Bytes("\1\0\0", 3) + be(17, 4));
    return box("jP  ", Bytes("\r\n\x87\n", 4)) + box("ftyp", "jp2 " + be(0, 4) + "jp2 ") + box("jp2h", header) + box("jp2c", j2k(w, h));
}
}  // namespace

TEST(ImageHeaders, EachHandReadFormatLoadsSmallAndIsRefusedOversized) {
    ScratchDir folder("image-headers");
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
    ASSERT_EQ(mkdir("data", 0755), 0);
    const struct {
        const char* ext;
        Bytes (*make)(uint32_t, uint32_t);
        int w, h;  // what the small file loads as
    } formats[] = {{"dds", dds, 3, 2},     {"sgi", sgi, 3, 2},   {"iff", iff, 3, 2},   {"koa", koala, 320, 200},
                   {"pct", pict, 3, 2},    {"gif", gif<true, true>, 3, 2}, {"mng", mng, 3, 2},   {"wbmp", wbmp, 3, 2},
                   {"xbm", xbm, 3, 2},     {"j2k", j2k, 3, 2},   {"jp2", jp2, 3, 2},
                   // A GIF's size is the larger of its screen's and its image's.
                   {"gif", gif<false, true>, 3, 2}, {"gif", gif<true, false>, 3, 2}};
    for (const auto& f : formats) {
        SCOPED_TRACE(std::string(f.ext) + ", row " + std::to_string(&f - formats));
        ofImage img;
        img.setUseTexture(false);
        const std::string small = std::string("small.") + f.ext, huge = std::string("huge.") + f.ext;
        std::ofstream("data/" + small, std::ios::binary) << f.make(3, 2);
        ASSERT_TRUE(img.loadImage(small));
        EXPECT_EQ(img.width * 1000 + img.height, f.w * 1000 + f.h);
        if (f.make == koala) continue;  // the format has no other size
        std::ofstream("data/" + huge, std::ios::binary) << f.make(8193, 4096);
        CaptureStdout out;
        const bool loaded = img.loadImage(huge);
        EXPECT_EQ(out.finish(), "") << "refused in silence";
        EXPECT_FALSE(loaded);
        EXPECT_EQ(img.width * 1000 + img.height, f.w * 1000 + f.h) << "the image keeps what it had";
        unlink(("data/" + huge).c_str());
    }
}

// The library's XBM reader waits for ever for numbers that never come; the
// decoder's time limit ends it, and the files that hold them all still load.
TEST(ImageHeaders, XbmFilesShortOfTheirNumbersAreRefusedInsteadOfHanging) {
    ScratchDir folder("image-headers-xbm");
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
    ASSERT_EQ(mkdir("data", 0755), 0);
    const std::string size = "#define t_width 16\n#define t_height 2\n";
    const struct {
        const char* name;
        std::string text;
        bool loads;
    } files[] = {
        {"one number short", size + "static char t_bits[] = {\n0x01, 0x02, 0x03 };\n", false},
        {"numbers only on the brace's line", size + "static char t_bits[] = { 0x01, 0x02, 0x03, 0x04 };\n", false},
        {"no closing brace, cut short", size + "static char t_bits[] = {\n0x01, 0x02,\n", false},
        {"a far larger size", "#define t_width 3000\n#define t_height 2000\nstatic char t_bits[] = {\n0x01 };\n", false},
        {"brace on a line of its own", size + "static char t_bits[] =\n{\n0x01, 0x02, 0x03, 0x04 };\n", true},
        {"shorts, one number for two bytes", size + "static short t_bits[] = {\n0x0102, 0x0304 };\n", true},
    };
    // A short limit only where the decode is to be stopped: a busy machine
    // may take longer over a file that loads.
    const int limit = ofGetImageDecodeTimeLimit();
    alarm(60);  // a hang in this process ends the test, not the suite
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        ofSetImageDecodeTimeLimit(f.loads ? limit : 250);
        std::ofstream("data/t.xbm", std::ios::binary) << f.text;
        ofImage img;
        img.setUseTexture(false);
        EXPECT_EQ(img.loadImage("t.xbm"), f.loads);
    }
    alarm(0);
    ofSetImageDecodeTimeLimit(limit);
}

// 8-bit grey keeps one byte a pixel whichever way round the file stores it;
// a TIFF that stores white as 0 is turned so that 0 is black, as it looks.
TEST(ImageHeaders, EightBitGreyTiffLoadsAsItLooksWhicheverWayRoundItIsStored) {
    ScratchDir folder("image-headers-grey");
    auto entry = [](int tag, uint32_t value) { return le(tag, 2) + le(3, 2) + le(1, 4) + le(value, 4); };
    for (const int whiteIsZero : {1, 0}) {
        SCOPED_TRACE(whiteIsZero ? "white is 0" : "black is 0");
        const Bytes stored = whiteIsZero ? Bytes("\xff\xaa\x55\x00", 4) : Bytes("\x00\x55\xaa\xff", 4);
        std::ofstream(folder / "grey.tif", std::ios::binary)
            << Bytes("II*\0", 4) + le(8, 4) + le(8, 2) + entry(256, 4) + entry(257, 1) + entry(258, 8) + entry(259, 1) +
                   entry(262, whiteIsZero ? 0 : 1) + entry(273, 110) + entry(277, 1) + entry(279, 4) + le(0, 4) + stored;
        ofImage img;
        img.setUseTexture(false);
        ASSERT_TRUE(img.loadImage(folder / "grey.tif"));
        EXPECT_EQ(img.type * 1000 + img.width, 4);
        EXPECT_EQ(Bytes(reinterpret_cast<char*>(img.getPixels()), 4), Bytes("\x00\x55\xaa\xff", 4));
    }
}
