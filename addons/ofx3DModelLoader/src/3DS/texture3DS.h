#pragma once
// Fills an already generated GL texture name with an image file, flipped so
// that the image's bottom row comes first, with mipmaps. All the work is done
// by the constructor; the object is a temporary.
#include "ofGLHeaders.h"

#include <string>

class texture3DS {
public:
    texture3DS(std::string fileName, GLuint textureId);

    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
};
