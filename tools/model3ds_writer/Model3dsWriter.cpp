#include "Model3dsWriter.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace model3ds {

void ChunkWriter::begin(std::uint16_t id) {
    open.push_back(buf.size());
    u16(id);
    u32(0);
}

void ChunkWriter::end() {
    if (open.empty()) return;
    std::size_t start = open.back();
    open.pop_back();
    patchU32(start + 2, static_cast<std::uint32_t>(buf.size() - start));
}

void ChunkWriter::header(std::uint16_t id, std::uint32_t length) {
    u16(id);
    u32(length);
}

void ChunkWriter::u8(std::uint8_t v) { buf.push_back(v); }

void ChunkWriter::u16(std::uint16_t v) {
    buf.push_back(static_cast<std::uint8_t>(v));
    buf.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ChunkWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) buf.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ChunkWriter::f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ChunkWriter::bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    buf.insert(buf.end(), p, p + n);
}

void ChunkWriter::name(const std::string& s) {
    bytes(s.data(), s.size());
    u8(0);
}

void ChunkWriter::patchU32(std::size_t at, std::uint32_t v) {
    if (at + 4 > buf.size()) return;
    for (int i = 0; i < 4; ++i) buf[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> ChunkWriter::take() {
    open.clear();
    return std::move(buf);
}

namespace {

constexpr std::size_t kMaxCount = 0xFFFF;

void writeColor(ChunkWriter& w, std::uint16_t id, const Color& c, ColorChunk kind) {
    w.begin(id);
    w.begin(static_cast<std::uint16_t>(kind));
    if (kind == ColorChunk::Float || kind == ColorChunk::LinearFloat) {
        w.f32(c.r);
        w.f32(c.g);
        w.f32(c.b);
    } else {
        for (float v : {c.r, c.g, c.b}) {
            float clamped = std::fmin(std::fmax(v, 0.0f), 1.0f);
            w.u8(static_cast<std::uint8_t>(std::lround(clamped * 255.0f)));
        }
    }
    w.end();
    w.end();
}

void writePercent(ChunkWriter& w, std::uint16_t id, float percent, PercentChunk kind) {
    w.begin(id);
    w.begin(static_cast<std::uint16_t>(kind));
    if (kind == PercentChunk::Float) {
        w.f32(percent);
    } else {
        float clamped = std::fmin(std::fmax(percent, 0.0f), 65535.0f);
        w.u16(static_cast<std::uint16_t>(std::lround(clamped)));
    }
    w.end();
    w.end();
}

void writeMap(ChunkWriter& w, std::uint16_t id, const std::string& file) {
    if (file.empty()) return;
    w.begin(id);
    w.begin(0xA300);
    w.name(file);
    w.end();
    w.end();
}

void writeMaterial(ChunkWriter& w, const Material& m) {
    w.begin(0xAFFF);
    w.begin(0xA000);
    w.name(m.name);
    w.end();
    writeColor(w, 0xA010, m.ambient, m.colorChunk);
    writeColor(w, 0xA020, m.diffuse, m.colorChunk);
    writeColor(w, 0xA030, m.specular, m.colorChunk);
    writePercent(w, 0xA040, m.shininess, m.percentChunk);
    writePercent(w, 0xA041, m.shinStrength, m.percentChunk);
    writePercent(w, 0xA050, m.transparency, m.percentChunk);
    if (m.twoSided) {
        w.begin(0xA081);
        w.end();
    }
    writeMap(w, 0xA200, m.textureMap);
    writeMap(w, 0xA230, m.bumpMap);
    w.end();
}

void writeObject(ChunkWriter& w, const Object& o) {
    w.begin(0x4000);
    w.name(o.name);
    w.begin(0x4100);
    if (!o.vertices.empty()) {
        w.begin(0x4110);
        w.u16(static_cast<std::uint16_t>(o.vertices.size()));
        for (const Vec3& v : o.vertices) {
            w.f32(v.x);
            w.f32(v.y);
            w.f32(v.z);
        }
        w.end();
    }
    if (!o.texcoords.empty()) {
        w.begin(0x4140);
        w.u16(static_cast<std::uint16_t>(o.texcoords.size()));
        for (const Vec2& t : o.texcoords) {
            w.f32(t.u);
            w.f32(t.v);
        }
        w.end();
    }
    w.begin(0x4160);
    const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (float f : identity) w.f32(f);
    w.end();
    if (!o.faces.empty()) {
        w.begin(0x4120);
        w.u16(static_cast<std::uint16_t>(o.faces.size()));
        for (const Face& f : o.faces) {
            w.u16(f.a);
            w.u16(f.b);
            w.u16(f.c);
            w.u16(f.flags);
        }
        for (const FaceGroup& g : o.groups) {
            w.begin(0x4130);
            w.name(g.material);
            w.u16(static_cast<std::uint16_t>(g.faces.size()));
            for (std::uint16_t f : g.faces) w.u16(f);
            w.end();
        }
        if (!o.smoothingGroups.empty()) {
            w.begin(0x4150);
            for (std::uint32_t s : o.smoothingGroups) w.u32(s);
            w.end();
        }
        w.end();
    }
    w.end();
    w.end();
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

bool checkCounts(const Model3ds& model, std::string* error) {
    for (const Object& o : model.objects) {
        if (o.vertices.size() > kMaxCount)
            return fail(error, "object '" + o.name + "' has more than 65535 vertices");
        if (o.texcoords.size() > kMaxCount)
            return fail(error, "object '" + o.name + "' has more than 65535 texture coordinates");
        if (o.faces.size() > kMaxCount)
            return fail(error, "object '" + o.name + "' has more than 65535 faces");
        for (const FaceGroup& g : o.groups)
            if (g.faces.size() > kMaxCount)
                return fail(error, "face group '" + g.material + "' of object '" + o.name +
                                       "' has more than 65535 faces");
    }
    return true;
}

}  // namespace

bool writeModel3ds(const Model3ds& model, std::vector<std::uint8_t>& out, std::string* error) {
    out.clear();
    if (!checkCounts(model, error)) return false;
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x0002);
    w.u32(3);
    w.end();
    w.begin(0x3D3D);
    w.begin(0x3D3E);
    w.u32(3);
    w.end();
    for (const Material& m : model.materials) writeMaterial(w, m);
    for (const Object& o : model.objects) writeObject(w, o);
    w.end();
    w.end();
    if (w.size() > std::numeric_limits<std::uint32_t>::max())
        return fail(error, "the model does not fit in 4 GiB");
    out = w.take();
    return true;
}

bool writeModel3dsFile(const Model3ds& model, const std::string& path, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!writeModel3ds(model, bytes, error)) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return fail(error, "cannot open '" + path + "' for writing");
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) return fail(error, "cannot write '" + path + "'");
    return true;
}

}  // namespace model3ds
