#pragma once
// The 3DS add-on's front object: picks a loader by the file's extension,
// owns the loaded model and draws it at its own position, scale and list of
// rotations. Drawing without a model still applies and restores the
// matrices and draws nothing.
#include "ofTypes.h"
#include "ofx3DBaseLoader.h"

#include <string>
#include <vector>

class ofx3DModelLoader {
public:
    ofx3DModelLoader();
    ~ofx3DModelLoader();
    ofx3DModelLoader(const ofx3DModelLoader&) = delete;   // owns its model
    ofx3DModelLoader& operator=(const ofx3DModelLoader&) = delete;

    // modelName is relative to the data folder.
    void loadModel(std::string modelName, float scale);
    void setPosition(float x, float y, float z);
    void setScale(float x, float y, float z);
    // Sets rotation number `which`, growing the list with zero rotations
    // about the zero axis as needed. A negative number, or one above 65535,
    // is ignored.
    void setRotation(int which, float angle, float rot_x, float rot_y, float rot_z);
    void draw();

    std::vector<float> m_rotAngles;
    std::vector<ofPoint> m_rotAxes;
    ofPoint m_scale;
    ofPoint m_position;
    int m_numRotations = 0;
    ofx3DBaseLoader* m_model = nullptr;
};
