#include "model3DS.h"

#include "ofGLHeaders.h"
#include "ofUtils.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iostream>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the reader copies little-endian file data straight into its lists");

namespace {

enum : std::uint16_t {
    CHUNK_MAIN = 0x4D4D,
    CHUNK_EDITOR = 0x3D3D,
    CHUNK_OBJECT = 0x4000,
    CHUNK_TRIANGLE_MESH = 0x4100,
    CHUNK_VERTICES = 0x4110,
    CHUNK_FACES = 0x4120,
    CHUNK_FACE_MATERIAL = 0x4130,
    CHUNK_TEXCOORDS = 0x4140,
    CHUNK_SMOOTH_GROUPS = 0x4150,
    CHUNK_MATERIAL = 0xAFFF,
    CHUNK_MAT_NAME = 0xA000,
    CHUNK_AMBIENT = 0xA010,
    CHUNK_DIFFUSE = 0xA020,
    CHUNK_SPECULAR = 0xA030,
    CHUNK_SHININESS = 0xA040,
    CHUNK_SHIN_STRENGTH = 0xA041,
    CHUNK_TRANSPARENCY = 0xA050,
    CHUNK_TWO_SIDED = 0xA081,
    CHUNK_TEXTURE_MAP = 0xA200,
    CHUNK_BUMP_MAP = 0xA230,
    CHUNK_MAP_FILENAME = 0xA300,
    CHUNK_COLOR_F = 0x0010,
    CHUNK_COLOR_24 = 0x0011,
    CHUNK_LIN_COLOR_24 = 0x0012,
    CHUNK_LIN_COLOR_F = 0x0013,
    CHUNK_INT_PERCENT = 0x0030,
    CHUNK_FLOAT_PERCENT = 0x0031,
};

constexpr std::size_t kMaxNameBytes = 20;
// Real files nest at most four ranges deep (main, object, faces, face
// groups); anything deeper is skipped rather than followed down the stack.
constexpr int kMaxDepth = 16;

}  // namespace

// The stream is only ever moved by seek-and-read below; m_streamPos mirrors
// its position so sequential reads need no seek.
// Returns how many bytes arrived.
static std::size_t readSome(std::ifstream* file, std::int64_t& streamPos, std::int64_t pos, void* dst,
                            std::size_t n) {
    if (pos != streamPos) file->seekg(pos);
    file->read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
    std::size_t got = *file || file->eof() ? static_cast<std::size_t>(file->gcount()) : 0;
    streamPos = *file ? pos + static_cast<std::int64_t>(got) : -1;
    return got;
}

static bool readAt(std::ifstream* file, std::int64_t& streamPos, std::int64_t pos, void* dst,
                   std::size_t n) {
    return readSome(file, streamPos, pos, dst, n) == n;
}

model3DS::~model3DS() {
    if (!m_textureNames.empty())
        glDeleteTextures(static_cast<GLsizei>(m_textureNames.size()), m_textureNames.data());
}

void model3DS::loadModel(std::string fileName, float scale) {
    std::string path = ofToDataPath(fileName, false);
    loadModel(path.c_str(), scale);
}

void model3DS::loadModel(const char* fileName, float scale) {
    m_filename = fileName;
    m_scale = scale;

    std::ifstream file(fileName, std::ios::in | std::ios::binary | std::ios::ate);
    if (!file.is_open()) {
        std::cout << "[3DS] ERROR: Could not open '" << fileName << "'" << std::endl;
        return;
    }
    std::int64_t size = static_cast<std::int64_t>(file.tellg());
    if (size <= 0) {
        std::cout << "[3DS] ERROR: Model '" << fileName << "' is empty" << std::endl;
        return;
    }
    // The walk counts in int, as readChunk does: larger files are read up
    // to 2 GiB.
    m_fileSize = std::min<std::int64_t>(size, INT_MAX);

    std::size_t slash = m_filename.find_last_of("/\\");
    if (slash != std::string::npos) {
        m_filepath = m_filename.substr(0, slash + 1);
        m_filename = m_filename.substr(slash + 1);
    } else {
        m_filepath.clear();
    }

    std::uint8_t header[6] = {0, 0, 0, 0, 0, 0};
    m_streamPos = -1;
    bool haveHeader = readAt(&file, m_streamPos, 0, header, sizeof header);
    std::uint16_t id;
    std::uint32_t mainLength;
    std::memcpy(&id, header, 2);
    std::memcpy(&mainLength, header + 2, 4);
    if (!haveHeader || id != CHUNK_MAIN) {
        std::cout << "[3DS] ERROR: Model '" << fileName << "' is not a valid 3DS file" << std::endl;
        return;
    }

    m_drawMode = mesh3DS::DRAW_VERTEX_ARRAY;
    m_minX = m_minY = m_minZ = 3.4e38f;
    m_maxX = m_maxY = m_maxZ = -3.4e38f;
    m_currentMesh = nullptr;
    m_currentMaterial = nullptr;
    m_depth = 0;

    // Data after the main chunk is walked in ranges of the main chunk's
    // length, until the file ends or a range makes no progress.
    int rangeLength = static_cast<int>(std::min<std::uint32_t>(mainLength, INT_MAX));
    std::int64_t pos = 0;
    while (file && pos < m_fileSize) {
        readChunk(&file, static_cast<int>(pos), rangeLength);
        if (m_walkEnd <= pos) break;
        pos = m_walkEnd;
    }

    m_centerX = (m_minX + m_maxX) * 0.5f;
    m_centerY = (m_minY + m_maxY) * 0.5f;
    m_centerZ = (m_minZ + m_maxZ) * 0.5f;

    file.close();
    std::cout << "[3DS] Model '" << fileName << "' loaded" << std::endl;
}

void model3DS::readChunk(std::ifstream* file, int start, int length) {
    readSubChunks(file, start, static_cast<std::int64_t>(start) + std::max(length, 0));
}

void model3DS::readSubChunks(std::ifstream* file, std::int64_t start, std::int64_t end) {
    end = std::min(end, m_fileSize);
    std::int64_t pos = start;
    if (m_depth < kMaxDepth) {
        ++m_depth;
        while (pos + 6 <= end && *file) {
            std::uint8_t header[6];
            if (!readAt(file, m_streamPos, pos, header, sizeof header)) break;
            std::uint16_t id;
            std::uint32_t length;
            std::memcpy(&id, header, 2);
            std::memcpy(&length, header + 2, 4);
            // A shorter length would put the walk back onto this header.
            if (length < 6) break;
            if (id == CHUNK_MAIN || id == CHUNK_EDITOR || id == CHUNK_TRIANGLE_MESH) {
                pos += 6;   // containers: their sub-chunks continue this range
                continue;
            }
            // A chunk is read to its own end (or the file's), whatever its
            // parent claims, and the walk goes on after it, never inside
            // it; one that runs past its parent ends the parent's range.
            // Its sub-chunks may have run past it in turn.
            const std::int64_t chunkEnd = pos + static_cast<std::int64_t>(length);
            m_walkEnd = chunkEnd;
            readDataChunk(file, id, pos + 6, std::min(chunkEnd, m_fileSize));
            pos = std::max(chunkEnd, m_walkEnd);
        }
        --m_depth;
    }
    m_walkEnd = pos;
}

std::int64_t model3DS::readName(std::ifstream* file, std::int64_t pos, std::int64_t end,
                                std::string& name) {
    char buf[64];
    std::size_t n = static_cast<std::size_t>(std::clamp<std::int64_t>(end - pos, 0, std::int64_t{kMaxNameBytes}));
    if (n == 0 || !readAt(file, m_streamPos, pos, buf, n)) return end;
    if (const void* zero = std::memchr(buf, 0, n)) {
        std::size_t used = static_cast<const char*>(zero) - buf + 1;
        name.append(buf, used);
        return pos + static_cast<std::int64_t>(used);
    }
    name.append(buf, n);
    // Too long (or cut by the chunk's end): pass over the rest of the name.
    for (pos += static_cast<std::int64_t>(n); pos < end;) {
        n = static_cast<std::size_t>(std::min<std::int64_t>(end - pos, sizeof buf));
        if (!readAt(file, m_streamPos, pos, buf, n)) return end;
        if (const void* zero = std::memchr(buf, 0, n))
            return pos + (static_cast<const char*>(zero) - buf) + 1;
        pos += static_cast<std::int64_t>(n);
    }
    return end;
}

template <typename T>
std::size_t model3DS::readList(std::ifstream* file, std::int64_t pos, std::int64_t end,
                               std::size_t count, std::size_t entrySize, std::vector<T>& out) {
    if (end <= pos) return 0;
    count = std::min(count, static_cast<std::size_t>(end - pos) / entrySize);
    if (count == 0) return 0;
    std::size_t old = out.size();
    out.resize(old + count * entrySize / sizeof(T));
    // A read cut short by the stream keeps only whole entries.
    std::size_t got = readSome(file, m_streamPos, pos, out.data() + old, count * entrySize) / entrySize;
    out.resize(old + got * entrySize / sizeof(T));
    return got;
}

bool model3DS::readU16(std::ifstream* file, std::int64_t pos, std::int64_t end, std::uint16_t& v) {
    return end - pos >= 2 && readAt(file, m_streamPos, pos, &v, 2);
}

void model3DS::readObject(std::ifstream* file, std::int64_t dataStart, std::int64_t end) {
    mesh3DS mesh;
    mesh.m_parentModel = this;
    mesh.m_drawMode = m_drawMode;
    std::int64_t pos = readName(file, dataStart, end, mesh.m_name);

    mesh3DS* outer = m_currentMesh;
    m_currentMesh = &mesh;
    readSubChunks(file, pos, end);
    m_currentMesh = outer;

    if (mesh.getNumFaces() > 0) {
        mesh.buildMesh();
        m_meshes.push_back(std::move(mesh));
    }
}

void model3DS::readMaterial(std::ifstream* file, std::int64_t dataStart, std::int64_t end) {
    material3DS material;
    material3DS* outer = m_currentMaterial;
    m_currentMaterial = &material;
    readSubChunks(file, dataStart, end);
    m_currentMaterial = outer;

    material3DS& stored = m_materials[material.m_name];
    stored = std::move(material);
}

void model3DS::readDataChunk(std::ifstream* file, std::uint16_t id, std::int64_t pos,
                             std::int64_t end) {
    mesh3DS* mesh = m_currentMesh;
    material3DS* material = m_currentMaterial;
    std::uint16_t count = 0;

    switch (id) {
    case CHUNK_OBJECT:
        readObject(file, pos, end);
        break;

    case CHUNK_VERTICES: {
        if (!mesh || !readU16(file, pos, end, count)) break;
        std::size_t first = mesh->m_vertices.size();
        std::size_t n = readList(file, pos + 2, end, count, 12, mesh->m_vertices);
        // The box is kept in locals: stores into the list could otherwise
        // alias the members and force a reload per vertex.
        float minX = m_minX, maxX = m_maxX, minY = m_minY, maxY = m_maxY, minZ = m_minZ, maxZ = m_maxZ;
        const float s = m_scale;
        float* v = mesh->m_vertices.data() + first;
        for (std::size_t i = 0; i < n; ++i, v += 3) {
            float x = v[0] * s, y = v[2] * s, z = -(v[1] * s);
            v[0] = x;
            v[1] = y;
            v[2] = z;
            minX = x < minX ? x : minX;
            maxX = x > maxX ? x : maxX;
            minY = y < minY ? y : minY;
            maxY = y > maxY ? y : maxY;
            minZ = z < minZ ? z : minZ;
            maxZ = z > maxZ ? z : maxZ;
        }
        m_minX = minX, m_maxX = maxX, m_minY = minY, m_maxY = maxY, m_minZ = minZ, m_maxZ = maxZ;
        break;
    }

    case CHUNK_FACES: {
        if (!mesh || !readU16(file, pos, end, count)) break;
        m_tempCount = count;
        // Each face is a, b, c and a flags word; the flags are squeezed out
        // in place.
        std::vector<std::uint16_t>& faces = mesh->m_faces;
        std::size_t first = faces.size();
        std::size_t n = readList(file, pos + 2, end, count, 8, faces);
        for (std::size_t i = 0; i < n; ++i) {
            faces[first + 3 * i] = faces[first + 4 * i];
            faces[first + 3 * i + 1] = faces[first + 4 * i + 1];
            faces[first + 3 * i + 2] = faces[first + 4 * i + 2];
        }
        faces.resize(first + 3 * n);
        readSubChunks(file, pos + 2 + 8 * static_cast<std::int64_t>(n), end);
        break;
    }

    case CHUNK_FACE_MATERIAL: {
        if (!mesh) break;
        m_groupName.clear();
        pos = readName(file, pos, end, m_groupName);
        if (!readU16(file, pos, end, count)) break;
        m_tempCount = count;
        readList(file, pos + 2, end, count, 2, mesh->m_materialFaces[m_groupName]);
        break;
    }

    case CHUNK_TEXCOORDS:
        if (mesh && readU16(file, pos, end, count))
            readList(file, pos + 2, end, count, 8, mesh->m_texcoords);
        break;

    case CHUNK_SMOOTH_GROUPS:
        if (mesh) readList(file, pos, end, m_tempCount, 4, mesh->m_smoothingGroups);
        break;

    case CHUNK_MATERIAL:
        readMaterial(file, pos, end);
        break;

    case CHUNK_MAT_NAME:
        if (!material) break;
        material->m_name.clear();
        readName(file, pos, end, material->m_name);
        break;

    case CHUNK_AMBIENT:
    case CHUNK_DIFFUSE:
    case CHUNK_SPECULAR: {
        if (!material) break;
        unsigned before = m_colorsRead;
        readSubChunks(file, pos, end);
        if (m_colorsRead == before) break;
        float* target = id == CHUNK_AMBIENT   ? material->m_ambient
                        : id == CHUNK_DIFFUSE ? material->m_diffuse
                                              : material->m_specular;
        std::copy(m_currentColor, m_currentColor + 3, target);
        break;
    }

    case CHUNK_SHININESS:
    case CHUNK_SHIN_STRENGTH:
    case CHUNK_TRANSPARENCY: {
        if (!material) break;
        unsigned before = m_percentsRead;
        readSubChunks(file, pos, end);
        if (m_percentsRead == before) break;
        if (id == CHUNK_SHININESS) material->m_shininess = m_tempPercent;
        else if (id == CHUNK_SHIN_STRENGTH) material->m_shinStrength = m_tempPercent;
        else material->m_transparency = 1.0f - m_tempPercent;
        break;
    }

    case CHUNK_TWO_SIDED:
        if (material) material->m_twoSided = true;
        break;

    case CHUNK_TEXTURE_MAP:
    case CHUNK_BUMP_MAP: {
        if (!material) break;
        m_tempMapName.clear();   // a map without a file name chunk names no file
        readSubChunks(file, pos, end);
        // A name the material did not hold before was made for this chunk.
        const GLuint& name = id == CHUNK_TEXTURE_MAP ? material->m_textureMapId : material->m_bumpMapId;
        const GLuint before = name;
        material->loadTexture(m_filepath + m_tempMapName, id);
        if (name != before) m_textureNames.push_back(name);
        hasTexture = true;
        break;
    }

    case CHUNK_MAP_FILENAME:
        if (!material) break;
        m_tempMapName.clear();
        readName(file, pos, end, m_tempMapName);
        break;

    case CHUNK_COLOR_F:
    case CHUNK_LIN_COLOR_F: {
        float rgb[3];
        if (end - pos < 12 || !readAt(file, m_streamPos, pos, rgb, 12)) break;
        std::copy(rgb, rgb + 3, m_currentColor);
        ++m_colorsRead;
        break;
    }

    case CHUNK_COLOR_24:
    case CHUNK_LIN_COLOR_24: {
        std::uint8_t rgb[3];
        if (end - pos < 3 || !readAt(file, m_streamPos, pos, rgb, 3)) break;
        for (int i = 0; i < 3; ++i) m_currentColor[i] = static_cast<float>(rgb[i] / 255.0);
        ++m_colorsRead;
        break;
    }

    case CHUNK_INT_PERCENT:
        if (!readU16(file, pos, end, count)) break;
        m_tempPercent = static_cast<float>(count / 100.0);
        ++m_percentsRead;
        break;

    case CHUNK_FLOAT_PERCENT: {
        float p;
        if (end - pos < 4 || !readAt(file, m_streamPos, pos, &p, 4)) break;
        m_tempPercent = static_cast<float>(p / 100.0);
        ++m_percentsRead;
        break;
    }

    default:
        break;   // skipped by its length
    }
}

void model3DS::draw() {
    glPushMatrix();
    glTranslatef(-m_centerX, -m_centerY, -m_centerZ);
    for (mesh3DS& mesh : m_meshes) mesh.draw();
    glPopMatrix();
}
