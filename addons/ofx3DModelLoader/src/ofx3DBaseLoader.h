#pragma once
// The base of every loaded model: the front object holds a model through it
// and enables 2D texturing around its draw when the model read a map.
#include <iostream>
#include <string>

class ofx3DBaseLoader {
public:
    virtual void loadModel(std::string fileName, float scale) {
        (void)fileName;
        (void)scale;
    }
    virtual ~ofx3DBaseLoader() {}
    virtual void draw() { std::cout << "hello" << std::endl; }

    bool hasTexture = false;
};
