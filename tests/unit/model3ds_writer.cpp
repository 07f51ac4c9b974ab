// The 3DS writer: its files are the loader's fixtures and the game's models,
// so their bytes are checked here without the reader.
#include "ModelDescription.h"
#include "Model3dsWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace model3ds;

namespace {

std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
    return v;
}

// The ids of every chunk in file order, descending into those that hold
// sub-chunks; fails when a length does not nest inside its parent.
void walk(const std::vector<std::uint8_t>& b, std::size_t pos, std::size_t end, std::vector<int>& ids) {
    while (pos < end) {
        std::uint32_t id = le(b, pos, 2), len = le(b, pos + 2, 4);
        ASSERT_TRUE(len >= 6 && pos + len <= end) << std::hex << id;
        ids.push_back(static_cast<int>(id));
        std::size_t data = pos + 6;
        if (id == 0x4000) data = static_cast<std::size_t>(std::find(&b[data], &b[0] + end, 0) - &b[0]) + 1;
        if (id == 0x4120) data += 2 + 8 * le(b, data, 2);
        if (id == 0x4D4D || id == 0x3D3D || id == 0x4000 || id == 0x4100 || id == 0x4120 || id == 0xAFFF ||
            (id >= 0xA010 && id <= 0xA050) || id == 0xA200 || id == 0xA230)
            walk(b, data, pos + len, ids);
        pos += len;
    }
}

}  // namespace

TEST(Model3dsWriter, ChunksNestWithBackPatchedLittleEndianLengths) {
    ChunkWriter w;
    w.begin(0x1234);
    w.u16(0xBEEF);
    w.begin(0x0010);
    w.f32(1.5f);
    w.end();
    w.name("ab");
    w.end();
    w.header(0x4110, 3);   // a lying length is written as given
    const std::vector<std::uint8_t> expected = {0x34, 0x12, 21, 0, 0, 0, 0xEF, 0xBE, 0x10, 0, 10, 0, 0, 0,
                                                0, 0, 0xC0, 0x3F, 'a', 'b', 0, 0x10, 0x41, 3, 0, 0, 0};
    EXPECT_EQ(w.data(), expected);
}

TEST(Model3dsWriter, WritesEveryChunkOfAModel) {
    Material red;
    red.name = "red";
    red.diffuse = {1.0f, 0.5f, 0.0f};
    red.colorChunk = ColorChunk::Bytes;
    red.transparency = 40;
    red.twoSided = true;
    red.textureMap = "HULL.JPG";
    red.bumpMap = "b.png";
    Object o;
    o.name = "tri";
    o.vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    o.texcoords = {{0, 0}, {1, 0}, {0, 1}};
    o.faces = {{0, 1, 2, 7}};
    o.groups = {{"red", {0}}};
    o.smoothingGroups = {5};
    Object lamp;   // no faces: no faces chunk
    lamp.name = "lamp";
    lamp.vertices = {{-1, -1, -1}};

    std::vector<std::uint8_t> b;
    ASSERT_TRUE(writeModel3ds({{red}, {o, lamp}}, b));
    std::vector<int> ids;
    walk(b, 0, b.size(), ids);
    EXPECT_EQ(ids, (std::vector<int>{
        0x4D4D, 0x0002, 0x3D3D, 0x3D3E,
        0xAFFF, 0xA000, 0xA010, 0x0011, 0xA020, 0x0011, 0xA030, 0x0011, 0xA040, 0x0030,
        0xA041, 0x0030, 0xA050, 0x0030, 0xA081, 0xA200, 0xA300, 0xA230, 0xA300,
        0x4000, 0x4100, 0x4110, 0x4140, 0x4160, 0x4120, 0x4130, 0x4150,
        0x4000, 0x4100, 0x4110, 0x4160}));
    auto contains = [&](std::vector<std::uint8_t> bytes) {
        return std::search(b.begin(), b.end(), bytes.begin(), bytes.end()) != b.end();
    };
    EXPECT_TRUE(contains({0x11, 0, 9, 0, 0, 0, 255, 128, 0}));             // diffuse as bytes
    EXPECT_TRUE(contains({0x50, 0xA0, 14, 0, 0, 0, 0x30, 0, 8, 0, 0, 0, 40, 0}));
    EXPECT_TRUE(contains({'H', 'U', 'L', 'L', '.', 'J', 'P', 'G', 0}));
    EXPECT_TRUE(contains({0x20, 0x41, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 7, 0}));   // one face
    EXPECT_TRUE(contains({0x30, 0x41, 14, 0, 0, 0, 'r', 'e', 'd', 0, 1, 0, 0, 0}));
    EXPECT_TRUE(contains({0x50, 0x41, 10, 0, 0, 0, 5, 0, 0, 0}));

    // Lists past what a u16 count can say are refused.
    Model3ds big;
    big.objects.resize(1);
    big.objects[0].vertices.resize(65536);
    std::string error;
    EXPECT_FALSE(writeModel3ds(big, b, &error));
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(error, "object '' has more than 65535 vertices");
    big.objects[0].vertices.resize(65535);
    EXPECT_TRUE(writeModel3ds(big, b));
    EXPECT_FALSE(writeModel3dsFile(big, "/nonexistent-dir/x.3ds", &error));
}

TEST(Model3dsWriter, DescriptionsBecomeModels) {
    std::istringstream text(
        "# a test\n"
        "material hull plate\n  diffuse 1 0 0.5\n  shininess 30\n  twosided\n  texture ship.jpg\n"
        "object wing\n  v 0 0 0\n  v 1 0 0\n  v 0 1 0   # third\n  v 1 1 0\n  vt 0 0\n"
        "  f 0 1 2\n  usemtl hull plate\n  f 1 3 2 4\n");
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
    EXPECT_EQ(o.vertices.size(), 4u);
    EXPECT_EQ(o.texcoords.size(), 1u);
    ASSERT_EQ(o.faces.size(), 2u);
    EXPECT_EQ(o.faces[1].b, 3);
    ASSERT_EQ(o.groups.size(), 1u);
    EXPECT_EQ(o.groups[0].faces, std::vector<std::uint16_t>{1});
    EXPECT_EQ(o.smoothingGroups, (std::vector<std::uint32_t>{0, 4}));

    const std::pair<const char*, const char*> bad[] = {
        {"v 0 0 0\n", "line 1: 'v' outside an object"},
        {"object a\nv 0 0\n", "line 2: 'v' needs three numbers"},
        {"object a\nv 0 0 0 0\n", "line 2: 'v' needs three numbers"},
        {"object a\nv 0 0 0\n\nf 0 0 1\n", "line 4: vertex 1 not defined yet"},
        {"object a\nv 0 0 0\nf 0 -1 0\n", "line 3: bad number '-1'"},
        {"material m\ndiffuse 1 x 1\n", "line 2: 'diffuse' needs three numbers"},
        {"object a\ntwosided\n", "line 2: 'twosided' outside a material"},
        {"object a\nsparkle 3\n", "line 2: unknown statement 'sparkle'"},
    };
    for (const auto& [input, message] : bad) {
        std::istringstream in(input);
        Model3ds ignored;
        EXPECT_FALSE(parseModelDescription(in, ignored, error)) << input;
        EXPECT_EQ(error, message) << input;
    }
}
