#pragma once
// The triangles of one named object of a 3DS file, built once when its object
// chunk ends and then drawn with its materials, one pass per face group.
//
// Faces that point outside the mesh are dropped when it is built: a triangle
// with a vertex index at or past the vertex count adds to no normal and is
// drawn by no group, and a face number at or past the face count is left out
// of its group. A mesh with fewer texture coordinates than vertices is drawn
// as if its materials had no texture map. Triangles that no face group names
// are not drawn.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class model3DS;

class mesh3DS {
public:
    enum { DRAW_IMMEDIATE = 1, DRAW_VERTEX_ARRAY = 2, DRAW_NONE = 3 };

    void buildMesh();
    void calculateNormals();
    void sortFacesByMaterial();
    void draw();

    int getNumFaces() const { return static_cast<int>(m_faces.size()); }
    // Whether every vertex has texture coordinates.
    bool hasTexcoords() const { return m_texcoords.size() / 2 >= m_vertices.size() / 3; }

    std::string m_name;
    model3DS* m_parentModel = nullptr;
    std::vector<float> m_vertices;
    std::vector<float> m_normals;
    std::vector<std::uint16_t> m_faces;
    std::vector<std::uint32_t> m_smoothingGroups;
    std::vector<float> m_texcoords;
    std::map<std::string, std::vector<std::uint16_t>> m_materialFaces;
    int m_drawMode = DRAW_VERTEX_ARRAY;

private:
    bool faceIsValid(std::size_t face) const;
    void drawGroup(const std::vector<std::uint16_t>& indices, bool textured);
};
