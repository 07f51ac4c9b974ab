#include "ofx3DModelLoader.h"

#include "model3DS.h"
#include "ofGLHeaders.h"

ofx3DModelLoader::ofx3DModelLoader() {
    m_scale = ofPoint(1, 1, 1);
    m_position = ofPoint(0, 0, 0);
}

ofx3DModelLoader::~ofx3DModelLoader() { delete m_model; }

void ofx3DModelLoader::loadModel(std::string modelName, float scale) {
    delete m_model;
    m_model = nullptr;
    std::size_t dot = modelName.rfind('.');
    std::string extension = dot == std::string::npos ? "" : modelName.substr(dot + 1);
    if (extension == "3ds" || extension == "3DS") {
        m_model = new model3DS();
        m_model->loadModel(modelName, scale);
    }
}

void ofx3DModelLoader::setPosition(float x, float y, float z) { m_position = ofPoint(x, y, z); }

void ofx3DModelLoader::setScale(float x, float y, float z) { m_scale = ofPoint(x, y, z); }

void ofx3DModelLoader::setRotation(int which, float angle, float rot_x, float rot_y, float rot_z) {
    // No model needs that many rotations, and a list up to INT_MAX would
    // cost gigabytes (and overflow the count).
    if (which < 0 || which > 65535) return;
    if (which + 1 > m_numRotations) {
        m_rotAngles.resize(which + 1, 0.0f);
        m_rotAxes.resize(which + 1, ofPoint(0, 0, 0));
        m_numRotations = static_cast<int>(m_rotAngles.size());
    }
    m_rotAngles[which] = angle;
    m_rotAxes[which] = ofPoint(rot_x, rot_y, rot_z);
}

void ofx3DModelLoader::draw() {
    glPushMatrix();
    glTranslatef(m_position.x, m_position.y, m_position.z);
    glScalef(m_scale.x, m_scale.y, m_scale.z);
    for (int i = 0; i < m_numRotations; ++i)
        glRotatef(m_rotAngles[i], m_rotAxes[i].x, m_rotAxes[i].y, m_rotAxes[i].z);
    glShadeModel(GL_SMOOTH);
    if (m_model) {
        bool textured = m_model->hasTexture;
        if (textured) glEnable(GL_TEXTURE_2D);
        m_model->draw();
        if (textured) glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();
}
