// The 3DS writer: its files are the fixtures of the loader's tests and the
// game's models, so their bytes are checked here independently of the reader.
#include "ModelDescription.h"
#include "Model3dsWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace model3ds;

namespace {

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(le16(b, at)) | static_cast<std::uint32_t>(le16(b, at + 2)) << 16;
}
float lef(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t bits = le32(b, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

struct Chunk {
    std::uint16_t id;
    std::size_t start, end, depth;
};

// Every chunk in file order with its depth, descending into the ids that hold
// sub-chunks (after `skip` bytes of data of their own). Fails the test when a
// length does not nest inside its parent.
void walk(const std::vector<std::uint8_t>& b, std::size_t start, std::size_t end, std::size_t depth,
          std::vector<Chunk>& out) {
    std::size_t pos = start;
    while (pos < end) {
        ASSERT_LE(pos + 6, end);
        std::uint16_t id = le16(b, pos);
        std::uint32_t len = le32(b, pos + 2);
        ASSERT_GE(len, 6u);
        ASSERT_LE(pos + len, end) << "chunk " << std::hex << id;
        out.push_back({id, pos, pos + len, depth});
        std::size_t data = pos + 6;
        bool container = id == 0x4D4D || id == 0x3D3D || id == 0x4100 || id == 0xAFFF ||
                         (id >= 0xA010 && id <= 0xA050) || id == 0xA200 || id == 0xA230;
        if (id == 0x4000) {
            while (b.at(data) != 0) ++data;
            ++data;
            container = true;
        }
        if (id == 0x4120) {
            data += 2 + 8u * le16(b, data);
            container = true;
        }
        if (container) walk(b, data, pos + len, depth + 1, out);
        pos += len;
    }
}

std::vector<Chunk> walkAll(const std::vector<std::uint8_t>& b) {
    std::vector<Chunk> chunks;
    walk(b, 0, b.size(), 0, chunks);
    return chunks;
}

const Chunk* find(const std::vector<Chunk>& chunks, std::uint16_t id, int nth = 0) {
    for (const Chunk& c : chunks)
        if (c.id == id && nth-- == 0) return &c;
    return nullptr;
}

}  // namespace

TEST(ChunkWriter, NestsLengthsAndWritesLittleEndian) {
    ChunkWriter w;
    w.begin(0x1234);
    w.u16(0xBEEF);
    w.begin(0x0010);
    w.f32(1.5f);
    w.end();
    w.name("ab");
    w.end();
    const auto& b = w.data();
    ASSERT_EQ(b.size(), 6u + 2 + 10 + 3);
    EXPECT_EQ(le16(b, 0), 0x1234);
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(b[6], 0xEF);
    EXPECT_EQ(b[7], 0xBE);
    EXPECT_EQ(le16(b, 8), 0x0010);
    EXPECT_EQ(le32(b, 10), 10u);
    EXPECT_EQ(lef(b, 14), 1.5f);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[18]), 3), std::string("ab\0", 3));

    w.header(0x4110, 3);   // a lying length is written as given
    w.patchU32(2, 99);
    EXPECT_EQ(le32(w.data(), 2), 99u);
    EXPECT_EQ(le32(w.data(), w.size() - 4), 3u);
}

TEST(Model3dsWriter, WritesTheChunkTreeOfAModel) {
    Model3ds m;
    Material red;
    red.name = "red";
    red.diffuse = {1.0f, 0.5f, 0.0f};
    red.colorChunk = ColorChunk::Bytes;
    red.shininess = 25;
    red.transparency = 40;
    red.twoSided = true;
    red.textureMap = "HULL.JPG";
    m.materials.push_back(red);
    Object o;
    o.name = "tri";
    o.vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    o.texcoords = {{0, 0}, {1, 0}, {0, 1}};
    o.faces = {{0, 1, 2, 7}};
    o.groups = {{"red", {0}}};
    o.smoothingGroups = {5};
    m.objects.push_back(o);
    Object lamp;   // no faces: no faces chunk
    lamp.name = "lamp";
    lamp.vertices = {{-1, -1, -1}};
    m.objects.push_back(lamp);

    std::vector<std::uint8_t> b;
    ASSERT_TRUE(writeModel3ds(m, b));
    std::vector<Chunk> chunks = walkAll(b);
    ASSERT_FALSE(HasFailure());
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks[0].id, 0x4D4D);
    EXPECT_EQ(chunks[0].end, b.size());

    std::vector<std::uint16_t> ids;
    for (const Chunk& c : chunks) ids.push_back(c.id);
    std::vector<std::uint16_t> expected = {
        0x4D4D, 0x0002, 0x3D3D, 0x3D3E,
        0xAFFF, 0xA000, 0xA010, 0x0011, 0xA020, 0x0011, 0xA030, 0x0011,
        0xA040, 0x0030, 0xA041, 0x0030, 0xA050, 0x0030, 0xA081, 0xA200, 0xA300,
        0x4000, 0x4100, 0x4110, 0x4140, 0x4160, 0x4120, 0x4130, 0x4150,
        0x4000, 0x4100, 0x4110, 0x4160};
    EXPECT_EQ(ids, expected);

    const Chunk* diffuse = find(chunks, 0x0011, 1);
    EXPECT_EQ(b[diffuse->start + 6], 255);
    EXPECT_EQ(b[diffuse->start + 7], 128);
    EXPECT_EQ(b[diffuse->start + 8], 0);
    EXPECT_EQ(le16(b, find(chunks, 0x0030, 0)->start + 6), 25);
    EXPECT_EQ(le16(b, find(chunks, 0x0030, 2)->start + 6), 40);
    const Chunk* map = find(chunks, 0xA300);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[map->start + 6]), map->end - map->start - 6),
              std::string("HULL.JPG\0", 9));

    const Chunk* verts = find(chunks, 0x4110);
    EXPECT_EQ(le16(b, verts->start + 6), 3);
    EXPECT_EQ(lef(b, verts->start + 8 + 12 * 2 + 8), 9.0f);
    const Chunk* faces = find(chunks, 0x4120);
    EXPECT_EQ(le16(b, faces->start + 6), 1);
    EXPECT_EQ(le16(b, faces->start + 8 + 4), 2);
    EXPECT_EQ(le16(b, faces->start + 8 + 6), 7);
    const Chunk* group = find(chunks, 0x4130);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[group->start + 6]), 4), std::string("red\0", 4));
    EXPECT_EQ(le16(b, group->start + 10), 1);
    EXPECT_EQ(le32(b, find(chunks, 0x4150)->start + 6), 5u);
}

TEST(Model3dsWriter, FloatColoursAndPercentagesAndCountLimits) {
    Model3ds m;
    Material mat;
    mat.name = "m";
    mat.specular = {0.25f, 0.5f, 2.0f};
    mat.colorChunk = ColorChunk::LinearFloat;
    mat.percentChunk = PercentChunk::Float;
    mat.shinStrength = 12.5f;
    m.materials.push_back(mat);
    std::vector<std::uint8_t> b;
    ASSERT_TRUE(writeModel3ds(m, b));
    std::vector<Chunk> chunks = walkAll(b);
    const Chunk* spec = find(chunks, 0x0013, 2);
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(lef(b, spec->start + 14), 2.0f);
    EXPECT_EQ(lef(b, find(chunks, 0x0031, 1)->start + 6), 12.5f);

    Model3ds big;
    big.objects.emplace_back();
    big.objects[0].name = "big";
    big.objects[0].vertices.resize(65536);
    std::string error;
    EXPECT_FALSE(writeModel3ds(big, b, &error));
    EXPECT_TRUE(b.empty());
    EXPECT_NE(error.find("65535 vertices"), std::string::npos);
    big.objects[0].vertices.resize(65535);
    EXPECT_TRUE(writeModel3ds(big, b));
    big.objects[0].groups.push_back({"g", std::vector<std::uint16_t>(65536)});
    EXPECT_FALSE(writeModel3ds(big, b));
    EXPECT_FALSE(writeModel3dsFile(Model3ds{}, "/nonexistent-dir/x.3ds", &error));
}

TEST(ModelDescription, ParsesMaterialsObjectsAndGroups) {
    std::istringstream text(
        "# a test\n"
        "material hull plate\n"
        "  diffuse 1 0 0.5\n"
        "  shininess 30\n"
        "  twosided\n"
        "  texture ship.jpg\n"
        "object wing\n"
        "  v 0 0 0\n  v 1 0 0\n  v 0 1 0   # third\n  v 1 1 0\n"
        "  vt 0 0\n"
        "  f 0 1 2\n"
        "  usemtl hull plate\n"
        "  f 1 3 2 4\n");
    Model3ds m;
    std::string error;
    ASSERT_TRUE(parseModelDescription(text, m, error)) << error;
    ASSERT_EQ(m.materials.size(), 1u);
    EXPECT_EQ(m.materials[0].name, "hull plate");
    EXPECT_EQ(m.materials[0].diffuse.b, 0.5f);
    EXPECT_EQ(m.materials[0].shininess, 30.0f);
    EXPECT_TRUE(m.materials[0].twoSided);
    EXPECT_EQ(m.materials[0].textureMap, "ship.jpg");
    ASSERT_EQ(m.objects.size(), 1u);
    const Object& o = m.objects[0];
    EXPECT_EQ(o.name, "wing");
    EXPECT_EQ(o.vertices.size(), 4u);
    EXPECT_EQ(o.texcoords.size(), 1u);
    ASSERT_EQ(o.faces.size(), 2u);
    EXPECT_EQ(o.faces[1].b, 3);
    ASSERT_EQ(o.groups.size(), 1u);
    EXPECT_EQ(o.groups[0].material, "hull plate");
    EXPECT_EQ(o.groups[0].faces, std::vector<std::uint16_t>{1});
    EXPECT_EQ(o.smoothingGroups, (std::vector<std::uint32_t>{0, 4}));
}

TEST(ModelDescription, RejectsBadLinesWithTheirNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"v 0 0 0\n", "line 1: 'v' outside an object"},
        {"object a\nv 0 0\n", "line 2: 'v' needs three numbers"},
        {"object a\nv 0 0 0 0\n", "line 2: 'v' needs three numbers"},
        {"object a\nv 0 0 0\n\nf 0 0 1\n", "line 4: vertex 1 not defined yet"},
        {"object a\nv 0 0 0\nf 0 -1 0\n", "line 3: bad number '-1'"},
        {"material m\ndiffuse 1 x 1\n", "line 2: 'diffuse' needs three numbers"},
        {"object a\ntwosided\n", "line 2: 'twosided' outside a material"},
        {"material m\nsparkle 3\n", "line 2: 'sparkle' outside an object"},
        {"object a\nsparkle 3\n", "line 2: unknown statement 'sparkle'"},
    };
    for (const auto& [input, message] : cases) {
        std::istringstream text(input);
        Model3ds m;
        std::string error;
        EXPECT_FALSE(parseModelDescription(text, m, error)) << input;
        EXPECT_EQ(error, message) << input;
    }
}
