#include "mesh3DS.h"

#include "model3DS.h"
#include "ofGLHeaders.h"

#include <algorithm>
#include <cmath>
#include <iostream>

void mesh3DS::buildMesh() {
    calculateNormals();
    sortFacesByMaterial();
}

bool mesh3DS::faceIsValid(std::size_t face) const {
    if (face >= m_faces.size() / 3) return false;
    std::size_t vertexCount = m_vertices.size() / 3;
    const std::uint16_t* f = &m_faces[3 * face];
    return f[0] < vertexCount && f[1] < vertexCount && f[2] < vertexCount;
}

void mesh3DS::calculateNormals() {
    m_normals.clear();
    m_normals.resize(m_vertices.size());   // zeros
    const float* v = m_vertices.data();
    float* n = m_normals.data();
    const std::size_t vertexCount = m_vertices.size() / 3;
    const std::uint16_t* f = m_faces.data();
    const std::uint16_t* facesEnd = f + m_faces.size() / 3 * 3;
    for (; f != facesEnd; f += 3) {
        if (f[0] >= vertexCount || f[1] >= vertexCount || f[2] >= vertexCount) continue;
        const float* p0 = v + 3 * f[0];
        const float* p1 = v + 3 * f[1];
        const float* p2 = v + 3 * f[2];
        float ax = p1[0] - p0[0], ay = p1[1] - p0[1], az = p1[2] - p0[2];
        float bx = p2[0] - p0[0], by = p2[1] - p0[1], bz = p2[2] - p0[2];
        // Not normalised: each triangle weighs in with its area.
        float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        for (int k = 0; k < 3; ++k) {
            float* out = n + 3 * f[k];
            out[0] += nx;
            out[1] += ny;
            out[2] += nz;
        }
    }
    // Branch-free so the loop vectorises; a zero normal is divided by 1 and
    // stays (0, 0, 0). Floats after the last whole vertex stay 0.
    for (float* end = n + 3 * vertexCount; n != end; n += 3) {
        float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        float divisor = length != 0.0f ? length : 1.0f;
        n[0] /= divisor;
        n[1] /= divisor;
        n[2] /= divisor;
    }
}

void mesh3DS::sortFacesByMaterial() {
    if (getNumFaces() == 0 || !m_parentModel) return;
    std::vector<std::uint16_t> indices;
    for (auto& group : m_materialFaces) {
        indices.clear();
        indices.resize(3 * group.second.size());
        std::uint16_t* out = indices.data();
        for (std::uint16_t face : group.second) {
            if (!faceIsValid(face)) continue;
            const std::uint16_t* f = &m_faces[3 * face];
            out[0] = f[0];
            out[1] = f[1];
            out[2] = f[2];
            out += 3;
        }
        indices.resize(static_cast<std::size_t>(out - indices.data()));
        group.second.swap(indices);
    }
}

void mesh3DS::draw() {
    // Only built meshes are drawn; an unbuilt one has no normals to hand over.
    if (!m_parentModel || m_normals.size() != m_vertices.size()) return;
    bool texcoords = hasTexcoords();
    for (const auto& group : m_materialFaces) {
        const material3DS& material = m_parentModel->m_materials[group.first];
        bool textured = material.m_hasTextureMap && texcoords;
        glBindTexture(GL_TEXTURE_2D, textured ? material.m_textureMapId : 0);
        const float s = material.m_shinStrength;
        const float specular[4] = {material.m_specular[0] * s, material.m_specular[1] * s,
                                   material.m_specular[2] * s, 1.0f};

        glPushAttrib(GL_LIGHTING_BIT);
        GLenum face = material.m_twoSided ? GL_FRONT_AND_BACK : GL_FRONT;
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, material.m_twoSided ? 1 : 0);
        if (glIsEnabled(GL_LIGHTING)) {
            const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
            const float diffuse[4] = {material.m_diffuse[0], material.m_diffuse[1], material.m_diffuse[2], 1.0f};
            const float ambient[4] = {material.m_ambient[0], material.m_ambient[1], material.m_ambient[2], 1.0f};
            glMaterialfv(face, GL_DIFFUSE, textured ? white : diffuse);
            glMaterialfv(face, GL_AMBIENT, ambient);
            glMaterialfv(face, GL_SPECULAR, specular);
            // GL refuses a shininess outside 0 to 128 (and NaN falls to 0);
            // a file's percentage may be anything.
            const float shininess = material.m_shininess * 128.0f;
            glMaterialf(face, GL_SHININESS, shininess > 0.0f ? std::min(shininess, 128.0f) : 0.0f);
        } else {
            glColor3fv(material.m_diffuse);
        }
        drawGroup(group.second, textured);
        glPopAttrib();
    }
}

void mesh3DS::drawGroup(const std::vector<std::uint16_t>& indices, bool textured) {
    switch (m_drawMode) {
    case DRAW_IMMEDIATE:
        glBegin(GL_TRIANGLES);
        for (std::uint16_t i : indices) {
            if (textured) glTexCoord2f(m_texcoords[2 * i], m_texcoords[2 * i + 1]);
            glNormal3f(m_normals[3 * i], m_normals[3 * i + 1], m_normals[3 * i + 2]);
            glVertex3f(m_vertices[3 * i], m_vertices[3 * i + 1], m_vertices[3 * i + 2]);
        }
        glEnd();
        break;
    case DRAW_VERTEX_ARRAY:
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        if (textured) {
            glTexCoordPointer(2, GL_FLOAT, 0, m_texcoords.data());
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        glVertexPointer(3, GL_FLOAT, 0, m_vertices.data());
        glNormalPointer(GL_FLOAT, 0, m_normals.data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, indices.data());
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        break;
    case DRAW_NONE:
        break;
    default:
        std::cout << "[3DS] ERROR: Invalid mesh draw mode specified" << std::endl;
        break;
    }
}
