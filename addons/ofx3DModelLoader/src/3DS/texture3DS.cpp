#include "texture3DS.h"

#include "ofImage.h"
#include "ofLog.h"

#include <cstring>
#include <vector>

texture3DS::texture3DS(std::string fileName, GLuint textureId) {
    ofImage image;
    if (!image.loadImage(fileName))
        ofLog(OF_ERROR, "texture3DS ERROR:  Could not open %s", fileName.c_str());
    m_width = image.width;
    m_height = image.height;
    m_bitsPerPixel = image.bpp;
    bool hasSize = m_width > 0 && m_height > 0;
    if (!hasSize)
        ofLog(OF_ERROR, "texture3DS ERROR: Something wrong with %s - dimensions less than 0", fileName.c_str());
    if (m_bitsPerPixel != 24 && m_bitsPerPixel != 32) {
        ofLog(OF_ERROR,
              "texture3DS ERROR: Invalid texture color depth %s  must be uncompressed 24/32bpp png, jpg, bmp, tga",
              fileName.c_str());
        return;
    }
    const unsigned char* pixels = image.getPixels();
    if (!hasSize || !pixels) return;

    GLenum format = m_bitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    // GL wants the bottom row first.
    std::size_t rowBytes = static_cast<std::size_t>(m_width) * (m_bitsPerPixel / 8);
    std::vector<unsigned char> flipped(rowBytes * m_height);
    for (int r = 0; r < m_height; ++r)
        std::memcpy(&flipped[r * rowBytes], pixels + (m_height - 1 - r) * rowBytes, rowBytes);

    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Rows are packed without padding, whatever the caller's unpack alignment.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, format, m_width, m_height, format, GL_UNSIGNED_BYTE, flipped.data());
    glPopClientAttrib();
    ofLog(OF_NOTICE, "texture3DS Texture %s loaded", fileName.c_str());
}
