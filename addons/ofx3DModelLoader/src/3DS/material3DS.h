#pragma once
// One material of a 3DS model: colours, shininess, opacity, two-sidedness and
// the GL texture names of its maps. Texture names are plain numbers: the
// model that read the material deletes them when it is destroyed, so a copy
// of the material must not be drawn after that.
//
// A field the file never gives keeps OpenGL's own material default (ambient
// 0.2 grey, diffuse 0.8 grey, black specular, shininess 0), a shine strength
// of 1 (so a specular colour given without a strength shows as given) and
// full opacity. The same holds for a material that a face group names but
// the file never defines.
#include "ofGLHeaders.h"

#include <string>

class material3DS {
public:
    // fileName is the model's folder followed by the map's name; chunkId
    // tells a texture map (0xA200) from a bump map (0xA230).
    void loadTexture(std::string fileName, int chunkId);

    std::string m_name;
    float m_diffuse[3] = {0.8f, 0.8f, 0.8f};
    float m_ambient[3] = {0.2f, 0.2f, 0.2f};
    float m_specular[3] = {0.0f, 0.0f, 0.0f};
    float m_shininess = 0.0f;
    float m_shinStrength = 1.0f;
    float m_transparency = 1.0f;
    GLuint m_textureMapId = 0;
    GLuint m_bumpMapId = 0;
    bool m_hasTextureMap = false;
    bool m_hasBumpMap = false;
    bool m_twoSided = false;
};
