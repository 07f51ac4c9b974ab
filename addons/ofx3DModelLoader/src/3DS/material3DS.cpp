#include "material3DS.h"

#include "texture3DS.h"

#include <algorithm>
#include <cctype>
#include <iostream>

void material3DS::loadTexture(std::string fileName, int chunkId) {
    std::string lower = fileName;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    bool known = false;
    for (const char* extension : {".jpg", ".png", ".tga", ".bmp"})
        known = known || lower.find(extension) != std::string::npos;
    if (!known) {
        std::cout << "[3DS] WARNING: Could not load map '" << fileName
                  << "'\n[3DS] WARNING: (texture must be TGA, PNG, JPG or BMP)" << std::endl;
        return;
    }

    GLuint id = 0;
    glGenTextures(1, &id);
    texture3DS(fileName, id);
    if (chunkId == 0xA200) {
        m_hasTextureMap = true;
        m_textureMapId = id;
    } else if (chunkId == 0xA230) {
        m_hasBumpMap = true;
        m_bumpMapId = id;
    }
}
