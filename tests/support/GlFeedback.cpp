#include "GlFeedback.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "ofGLHeaders.h"

namespace glfeedback {

std::vector<Primitive> capture(const std::function<void()>& draw) {
    std::vector<GLfloat> buf(1 << 20);
    glFeedbackBuffer(GLsizei(buf.size()), GL_3D_COLOR_TEXTURE, buf.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const int n = glRenderMode(GL_RENDER);
    if (n < 0) throw std::runtime_error("feedback buffer overflow");
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    std::vector<Primitive> out;
    // A vertex is window x, y, z, then RGBA, then s, t, r, q.
    auto vertices = [&](int& i, Primitive& p, int k) {
        for (; k > 0; --k, i += 11)
            p.v.push_back({buf[i] - vp[0], vp[1] + vp[3] - buf[i + 1], buf[i + 7], buf[i + 8],
                           buf[i + 3], buf[i + 4], buf[i + 5], buf[i + 6]});
    };
    for (int i = 0; i < n;) {
        const GLenum token = GLenum(buf[i++]);
        if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        }
        Primitive p{Kind::Point, {}};
        int k = 1;
        switch (token) {
        case GL_POINT_TOKEN: break;
        case GL_LINE_TOKEN: p.kind = Kind::Line; k = 2; break;
        case GL_LINE_RESET_TOKEN: p.kind = Kind::LineReset; k = 2; break;
        case GL_POLYGON_TOKEN: p.kind = Kind::Polygon; k = int(buf[i++]); break;
        case GL_BITMAP_TOKEN: p.kind = Kind::Bitmap; break;
        case GL_DRAW_PIXEL_TOKEN: p.kind = Kind::DrawPixel; break;
        case GL_COPY_PIXEL_TOKEN: p.kind = Kind::CopyPixel; break;
        default: throw std::runtime_error("unknown feedback token");
        }
        vertices(i, p, k);
        out.push_back(std::move(p));
    }
    return out;
}

int count(const std::vector<Primitive>& prims, Kind kind) {
    int n = 0;
    for (const Primitive& p : prims) n += p.kind == kind;
    return n;
}

std::vector<Vertex> distinct(const std::vector<Primitive>& prims) {
    std::vector<Vertex> out;
    for (const Primitive& p : prims)
        for (const Vertex& v : p.v) {
            bool seen = false;
            for (const Vertex& o : out) seen = seen || (std::fabs(o.x - v.x) < 1e-3f && std::fabs(o.y - v.y) < 1e-3f);
            if (!seen) out.push_back(v);
        }
    return out;
}

int apart(const std::vector<Primitive>& a, const std::vector<Primitive>& b, float tolerance) {
    int n = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || a[i].kind != b[i].kind || a[i].v.size() != b[i].v.size()) {
            n += int(std::max(i < a.size() ? a[i].v.size() : 0, i < b.size() ? b[i].v.size() : 0));
            continue;
        }
        for (size_t k = 0; k < a[i].v.size(); ++k)
            n += std::fabs(a[i].v[k].x - b[i].v[k].x) > tolerance || std::fabs(a[i].v[k].y - b[i].v[k].y) > tolerance;
    }
    return n;
}

}  // namespace glfeedback
