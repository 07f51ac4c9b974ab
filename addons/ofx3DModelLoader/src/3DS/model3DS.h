#pragma once
// Reads a model in the 3DS chunk format, builds a mesh for every object that
// has faces and a material for every material chunk (uploading its maps while
// reading, so a GL context must be current), and draws it centred on its
// bounding box. Progress and errors go to standard output as "[3DS] " lines.
//
// Whatever the file says is checked against what it holds: a chunk is read
// to its own end but never past the end of the file, one that runs past its
// parent ends the parent's range and the walk goes on after it (never inside
// it), a length below 6 ends the range it lies in, a count larger than its
// chunk holds is cut to the whole entries present, names are cut at 20 bytes
// with the rest passed over up to their zero byte, mesh chunks outside an
// object and material chunks outside a material are skipped, and chunks
// nested deeper than any real file nests them are skipped.
#include "ofx3DBaseLoader.h"
#include "material3DS.h"
#include "mesh3DS.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

class model3DS : public ofx3DBaseLoader {
public:
    model3DS() = default;
    // Deletes the texture names made for its maps, so the GL context it was
    // loaded in must be current.
    ~model3DS() override;
    model3DS(const model3DS&) = delete;   // meshes point back at their model
    model3DS& operator=(const model3DS&) = delete;

    void loadModel(std::string fileName, float scale) override;
    void loadModel(const char* fileName, float scale);
    // Reads the chunks lying between start and start + length of the open
    // file.
    void readChunk(std::ifstream* file, int start, int length);
    void draw() override;

    std::string m_filename;
    std::string m_filepath;
    std::vector<mesh3DS> m_meshes;
    std::map<std::string, material3DS> m_materials;
    int m_drawMode = mesh3DS::DRAW_VERTEX_ARRAY;
    float m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0, m_minZ = 0, m_maxZ = 0;
    float m_scale = 1;
    float m_centerX = 0, m_centerY = 0, m_centerZ = 0;
    mesh3DS* m_currentMesh = nullptr;
    material3DS* m_currentMaterial = nullptr;
    float m_currentColor[3] = {0, 0, 0};
    std::uint16_t m_tempCount = 0;
    float m_tempPercent = 0;
    std::string m_tempMapName;

private:
    // Reads a name at the stream's position under the 20-byte rule, then
    // leaves the stream after the name's zero byte (or at `end`). Returns the
    // position after the name.
    std::int64_t readName(std::ifstream* file, std::int64_t pos, std::int64_t end, std::string& name);
    // Appends whole entries of `entrySize` bytes (at most `count`) from pos to
    // end to `out`; returns how many entries were read.
    template <typename T>
    std::size_t readList(std::ifstream* file, std::int64_t pos, std::int64_t end, std::size_t count,
                         std::size_t entrySize, std::vector<T>& out);
    bool readU16(std::ifstream* file, std::int64_t pos, std::int64_t end, std::uint16_t& v);
    // Handles one chunk that is not a container; data lies between dataStart
    // and end.
    void readDataChunk(std::ifstream* file, std::uint16_t id, std::int64_t dataStart, std::int64_t end);
    void readObject(std::ifstream* file, std::int64_t dataStart, std::int64_t end);
    void readMaterial(std::ifstream* file, std::int64_t dataStart, std::int64_t end);
    void readSubChunks(std::ifstream* file, std::int64_t start, std::int64_t end);

    std::int64_t m_fileSize = 0;
    std::int64_t m_streamPos = -1;   // where the stream stands; -1 unknown
    // Where the last range's walk stopped: past the range's end when its
    // last chunk ran over it.
    std::int64_t m_walkEnd = 0;
    int m_depth = 0;
    // Bumped by every colour and percentage sub-chunk read, so a property
    // chunk without one keeps the material's value.
    unsigned m_colorsRead = 0;
    unsigned m_percentsRead = 0;
    std::string m_groupName;   // scratch for face-material names
    // Every texture name made for a map chunk, also those of materials that
    // a later one of the same name replaced.
    std::vector<GLuint> m_textureNames;
};
