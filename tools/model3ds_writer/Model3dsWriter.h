#pragma once
// Writes models in the 3DS chunk format (little-endian; every chunk is a
// u16 id and a u32 length that counts its 6-byte header, its data and its
// sub-chunks).
//
// Two levels:
// - Model3ds / writeModel3ds / writeModel3dsFile: a whole model from plain
//   records. Coordinates are the file's own (z up); the reader turns them
//   into y-up. Names are written as given plus a terminating zero byte, with
//   no length limit, so names of 20 bytes or more can be produced on purpose.
// - ChunkWriter: raw chunks with back-patched lengths, for files the model
//   records cannot describe (broken lengths, odd orders, unknown chunks).
//
// What a model becomes, chunk by chunk:
//   0x4D4D main
//     0x0002 version (u32 3)
//     0x3D3D editor
//       0x3D3E mesh version (u32 3)
//       0xAFFF material, per material:
//         0xA000 name; 0xA010/0xA020/0xA030 ambient/diffuse/specular, each
//         holding one colour sub-chunk (see ColorChunk); 0xA040 shininess,
//         0xA041 shine strength, 0xA050 transparency, each holding one
//         percentage sub-chunk (see PercentChunk); 0xA081 two-sided (only
//         when set); 0xA200 texture map and 0xA230 bump map, each holding
//         0xA300 file name (only when a name is given)
//       0x4000 object, per object: name, then
//         0x4100 triangle mesh
//           0x4110 vertices (when any), 0x4140 texture coordinates (when any),
//           0x4160 local matrix (identity; the reader skips it),
//           0x4120 faces (when any), holding 0x4130 face-material groups and
//           then 0x4150 smoothing groups (when any)
#include <cstdint>
#include <string>
#include <vector>

namespace model3ds {

struct Vec3 { float x = 0, y = 0, z = 0; };
struct Vec2 { float u = 0, v = 0; };
struct Color { float r = 0, g = 0, b = 0; };   // 0..1

struct Face {
    std::uint16_t a = 0, b = 0, c = 0;
    std::uint16_t flags = 7;    // edge visibility bits; readers ignore them
};

// One face-material chunk: the named material applies to these face numbers.
// The game's loader draws a face only through the groups that name it, so a
// model meant to be seen puts every face in some group.
struct FaceGroup {
    std::string material;
    std::vector<std::uint16_t> faces;
};

struct Object {
    std::string name;
    std::vector<Vec3> vertices;            // at most 65535
    std::vector<Vec2> texcoords;           // one per vertex when mapped
    std::vector<Face> faces;               // at most 65535
    std::vector<FaceGroup> groups;
    std::vector<std::uint32_t> smoothingGroups;  // one per face, or empty
};

// How a colour is stored: 0x0010 float, 0x0011 24-bit, 0x0012 linear
// 24-bit, 0x0013 linear float.
enum class ColorChunk : std::uint16_t {
    Float = 0x0010, Bytes = 0x0011, LinearBytes = 0x0012, LinearFloat = 0x0013
};
// How a percentage is stored: 0x0030 u16, 0x0031 float.
enum class PercentChunk : std::uint16_t { Int = 0x0030, Float = 0x0031 };

struct Material {
    std::string name;
    Color ambient{0.2f, 0.2f, 0.2f};
    Color diffuse{0.8f, 0.8f, 0.8f};
    Color specular{0.0f, 0.0f, 0.0f};
    float shininess = 0;        // percent, 0..100
    float shinStrength = 100;   // percent
    float transparency = 0;     // percent; 0 is opaque
    bool twoSided = false;
    std::string textureMap;     // file name beside the model; empty: none
    std::string bumpMap;        // file name beside the model; empty: none
    ColorChunk colorChunk = ColorChunk::Float;
    PercentChunk percentChunk = PercentChunk::Int;  // Int rounds to whole percent
};

struct Model3ds {
    std::vector<Material> materials;   // written first, in this order
    std::vector<Object> objects;       // then the objects, in this order
};

// The whole file as bytes. Returns false (and leaves `out` empty, with a
// reason in `error` when given) when a list exceeds what the format can hold:
// more than 65535 vertices, faces or texture coordinates in an object, more
// than 65535 face numbers in a group, or a file over 4 GiB.
bool writeModel3ds(const Model3ds& model, std::vector<std::uint8_t>& out,
                   std::string* error = nullptr);
// The same into a file; false also when the file cannot be written.
bool writeModel3dsFile(const Model3ds& model, const std::string& path,
                       std::string* error = nullptr);

// Raw chunk output. begin() opens a chunk whose length is filled in by the
// matching end(); values go into the innermost open chunk.
class ChunkWriter {
public:
    void begin(std::uint16_t id);
    void end();
    // A complete chunk with a given length field, whatever it holds: for
    // lengths that lie about the data.
    void header(std::uint16_t id, std::uint32_t length);

    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void f32(float v);
    void bytes(const void* data, std::size_t n);
    void name(const std::string& s);   // the bytes of s, then a zero byte

    // Overwrites the u32 at byte offset `at` (e.g. to break a length later).
    void patchU32(std::size_t at, std::uint32_t v);
    std::size_t size() const { return buf.size(); }
    const std::vector<std::uint8_t>& data() const { return buf; }
    std::vector<std::uint8_t> take();

private:
    std::vector<std::uint8_t> buf;
    std::vector<std::size_t> open;   // start offsets of unfinished chunks
};

}  // namespace model3ds
