#include "ofImageHeader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {
constexpr uint64_t tag(const char (&t)[5]) {
    return uint64_t(uint8_t(t[0])) << 24 | uint64_t(uint8_t(t[1])) << 16 | uint64_t(uint8_t(t[2])) << 8 | uint8_t(t[3]);
}

// Saturates instead of wrapping, so no declared size can come out small.
uint64_t area(uint64_t w, uint64_t h) { return w && h > UINT64_MAX / w ? UINT64_MAX : w * h; }

// Numbers of n bytes anywhere in a file; any read past its end fails and
// leaves the number as it was.
class FileBytes {
public:
    explicit FileBytes(const std::string& path) : in(path, std::ios::binary) {}
    bool be(uint64_t pos, int n, uint64_t& v) { return read(pos, n, v, true); }
    bool le(uint64_t pos, int n, uint64_t& v) { return read(pos, n, v, false); }

private:
    bool read(uint64_t pos, int n, uint64_t& v, bool bigEndian) {
        unsigned char b[8];
        in.clear();
        if (pos > (uint64_t(1) << 62) || !in.seekg(std::streamoff(pos)) || !in.read(reinterpret_cast<char*>(b), n))
            return false;
        v = 0;
        for (int i = 0; i < n; i++) v = bigEndian ? v << 8 | b[i] : v | uint64_t(b[i]) << 8 * i;
        return true;
    }
    std::ifstream in;
};

}  // namespace

FREE_IMAGE_FORMAT imageFileFormat(const std::string& path) {
    FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path.c_str(), 0);
    if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path.c_str());
    return fif;
}

bool declaredPixelCount(FREE_IMAGE_FORMAT fif, const std::string& path, uint64_t& pixels) {
    FileBytes f(path);
    uint64_t a = 0, b = 0, c = 0, d = 0, pos = 0;
    // A JPEG 2000 code stream: SOC, then SIZ with the grid's far corner and
    // the image's offset on it.
    auto codestream = [&](uint64_t at) {
        if (!f.be(at, 4, a) || a != 0xFF4FFF51 || !f.be(at + 8, 4, a) || !f.be(at + 12, 4, b) ||
            !f.be(at + 16, 4, c) || !f.be(at + 20, 4, d))
            return false;
        pixels = area(a > c ? a - c : 0, b > d ? b - d : 0);
        return true;
    };
    // WBMP's numbers: 7 bits a byte, most significant first.
    auto wbmpNumber = [&](uint64_t& v) {
        v = 0;
        for (int n = 0; n < 4 && f.le(pos++, 1, d); n++) {
            v = v << 7 | (d & 0x7F);
            if (!(d & 0x80)) return true;
        }
        return false;
    };
    switch (fif) {
    case FIF_GIF:
        // The logical screen, then the first image's own descriptor (what the
        // loader allocates) after the colour table and any extension blocks.
        if (!f.le(6, 2, a) || !f.le(8, 2, b) || !f.le(10, 1, c)) return false;
        pixels = area(a, b);
        pos = 13 + (c & 0x80 ? 3 << ((c & 7) + 1) : 0);
        for (d = 0; f.le(pos, 1, d) && d == 0x21; pos++) {
            for (pos += 2; f.le(pos, 1, c) && c; pos += c + 1) {
            }
        }
        if (d != 0x2C || !f.le(pos + 5, 2, a) || !f.le(pos + 7, 2, b)) return false;
        pixels = std::max(pixels, area(a, b));
        return true;
    case FIF_IFF:
        // Every BMHD among the FORM's chunks (padded to even sizes) before the BODY.
        if (!f.be(0, 4, a) || a != tag("FORM")) return false;
        pixels = 0;
        for (pos = 12; f.be(pos, 4, a) && a != tag("BODY") && f.be(pos + 4, 4, b); pos += 8 + b + (b & 1)) {
            if (a == tag("BMHD") && (!f.be(pos + 8, 2, c) || !f.be(pos + 10, 2, d))) return false;
            if (a == tag("BMHD")) pixels = std::max(pixels, area(c, d));
        }
        return pixels > 0;
    case FIF_MNG:
        // MHDR, then the chunks up to the first embedded image's header.
        pixels = 0;
        for (pos = 8; f.be(pos, 4, a) && f.be(pos + 4, 4, b); pos += 12 + a) {
            bool image = b == tag("IHDR") || b == tag("JHDR");
            if (!image && b != tag("MHDR")) continue;
            if (!f.be(pos + 8, 4, c) || !f.be(pos + 12, 4, d)) return false;
            pixels = std::max(pixels, area(c, d));
            if (image) return true;
        }
        return false;
    case FIF_WBMP:
        // Type 0, the only one the loader takes, has no extension headers.
        return wbmpNumber(a) && a == 0 && f.le(pos++, 1, c) && !(c & 0x80) && wbmpNumber(a) && wbmpNumber(b) &&
               (pixels = area(a, b), true);
    case FIF_XBM: {
        // "#define name_width 16" and "#define name_height 16" before the bits.
        std::string text(4096, '\0');
        std::ifstream in(path, std::ios::binary);
        in.read(&text[0], std::streamsize(text.size() - 1));
        long long value, w = -1, h = -1;
        char name[256];
        for (size_t at = text.find("#define"); at != std::string::npos; at = text.find("#define", at + 1)) {
            if (sscanf(text.c_str() + at, "#define %255s %lld", name, &value) != 2 || value < 0) continue;
            size_t n = strlen(name);
            if (n >= 6 && !strcmp(name + n - 6, "_width")) w = value;
            if (n >= 7 && !strcmp(name + n - 7, "_height")) h = value;
        }
        pixels = area(uint64_t(w), uint64_t(h));
        return w >= 0 && h >= 0;
    }
    case FIF_DDS:
        if (!f.be(0, 4, a) || a != tag("DDS ") || !f.le(12, 4, b) || !f.le(16, 4, a)) return false;
        pixels = area(a, b);
        return true;
    case FIF_SGI:
        if (!f.be(0, 2, a) || a != 474 || !f.be(6, 2, a) || !f.be(8, 2, b)) return false;
        pixels = area(a, b);
        return true;
    case FIF_J2K:
        return codestream(0);
    case FIF_JP2:
        // The boxes up to the code stream; a length of 1 is followed by a
        // 64-bit one, a length of 0 runs to the end of the file.
        while (f.be(pos, 4, a) && f.be(pos + 4, 4, b)) {
            c = 8;
            if (a == 1 && !(c = 16, f.be(pos + 8, 8, a))) return false;
            if (b == tag("jp2c")) return codestream(pos + c);
            if (a < c || a > (uint64_t(1) << 48)) return false;
            pos += a;
        }
        return false;
    case FIF_PICT: {
        // Version 2 after the 512-byte preamble, the size word and the frame:
        // the opcodes up to the first pixel map, whose bounds the loader
        // allocates. An opcode not known here ends the search unread.
        if (!f.be(522, 4, a) || a != 0x001102FF) return false;
        auto span = [](uint64_t from, uint64_t to) { return uint64_t(std::max(0, int16_t(to) - int16_t(from))); };
        for (pos = 526; f.be(pos, 2, a); pos = (pos + 1) & ~uint64_t(1)) {
            pos += 2;
            if (a == 0x90 || a == 0x91 || a == 0x98 || a == 0x99 || a == 0x9A || a == 0x9B) {
                uint64_t top, left, bottom, right, at = pos + (a >= 0x9A ? 6 : 2);
                if (!f.be(at, 2, top) || !f.be(at + 2, 2, left) || !f.be(at + 4, 2, bottom) || !f.be(at + 6, 2, right))
                    return false;
                pixels = area(span(left, right), span(top, bottom));
                return true;
            }
            if (a == 0x0001 && f.be(pos, 2, b)) pos += b;                   // a region, its size included
            else if (a == 0x00A1 && f.be(pos + 2, 2, b)) pos += 4 + b;      // long comment
            else if (a == 0x0C00) pos += 24;                                // header
            else if (a == 0x00A0) pos += 2;                                 // short comment
            else if (a == 0x1A || a == 0x1B || a == 0x1D || a == 0x1F) pos += 6;  // colours
            else if (a != 0x0000 && a != 0x001E) return false;              // no-op, default highlight
        }
        return false;
    }
    case FIF_KOALA:
        pixels = 320 * 200;  // the format's only size
        return true;
    default:
        return false;
    }
}
