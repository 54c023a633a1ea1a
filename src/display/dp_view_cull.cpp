// Finds the meshes and triangles a draw would send to no pixel (see dp_view_cull.h).
#include "display/dp_view_cull.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "display/dp_gl_state.h"

namespace {

void Multiply(const double a[16], const double b[16], double out[16]) {
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * column + k];
            out[4 * column + row] = sum;
        }
}

// The renderer snaps corners to 1/256 pixel and works in float; a triangle is taken as
// culled only when its doubled screen area is below minus this much.
double AreaMargin(double ex, double ey, double fx, double fy) {
    return 8.0 + 0.05 * (std::fabs(ex) + std::fabs(ey) + std::fabs(fx) + std::fabs(fy));
}

}  // namespace

ViewCuller::ViewCuller() {
    double projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    Multiply(projection, modelview, m_clip);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    m_halfWidth = viewport[2] / 2.0;
    m_halfHeight = viewport[3] / 2.0;
    if (m_halfWidth >= 1 && m_halfHeight >= 1) {
        m_sideMarginX = std::max(0.04, 16.0 / m_halfWidth);
        m_sideMarginY = std::max(0.04, 16.0 / m_halfHeight);
    }
    GLint cullMode = 0, frontFace = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    m_cullsBackFaces = glIsEnabled(GL_CULL_FACE) && cullMode == GL_BACK && frontFace == GL_CCW;
}

uint32_t ViewCuller::KeptTriangles(const MeshArrays& mesh, const double offset[3],
                                   uint32_t* kept) {
    const uint32_t cornerCount = mesh.CornerCount();
    const uint32_t indexCount = mesh.IndexCount();
    const uint32_t* indices = mesh.Indices();
    auto keepAll = [&] {
        std::copy(indices, indices + indexCount, kept);
        return indexCount;
    };
    if (m_sideMarginX <= 0) return keepAll();
    // Each corner in clip space and, for a mesh wholly inside the view, on screen.
    m_screen.resize(2 * size_t(cornerCount));
    bool beyond[4] = {true, true, true, true};  // left, right, bottom, top
    bool inside = true;
    const double* c = m_clip;
    for (uint32_t i = 0; i < cornerCount; ++i) {
        const float* corner = mesh.Corners() + MeshArrays::kFloatsPerCorner * i;
        const double x = corner[0] + offset[0], y = corner[1] + offset[1];
        const double z = corner[2] + offset[2];
        const double cx = c[0] * x + c[4] * y + c[8] * z + c[12];
        const double cy = c[1] * x + c[5] * y + c[9] * z + c[13];
        const double cz = c[2] * x + c[6] * y + c[10] * z + c[14];
        const double cw = c[3] * x + c[7] * y + c[11] * z + c[15];
        const double wx = (1 + m_sideMarginX) * cw, wy = (1 + m_sideMarginY) * cw;
        beyond[0] = beyond[0] && cx + wx < 0;
        beyond[1] = beyond[1] && wx - cx < 0;
        beyond[2] = beyond[2] && cy + wy < 0;
        beyond[3] = beyond[3] && wy - cy < 0;
        // Well inside: in front of the eye and within every plane by a thousandth of w.
        const double w = 0.999 * cw;
        inside = inside && cw > 0 && std::fabs(cx) < w && std::fabs(cy) < w && std::fabs(cz) < w;
        if (inside) {
            m_screen[2 * i] = cx / cw * m_halfWidth;
            m_screen[2 * i + 1] = cy / cw * m_halfHeight;
        }
    }
    if (beyond[0] || beyond[1] || beyond[2] || beyond[3]) return 0;
    if (!inside || !m_cullsBackFaces) return keepAll();
    uint32_t count = 0;
    for (uint32_t t = 0; t + 2 < indexCount; t += 3) {
        const double* a = &m_screen[2 * size_t(indices[t])];
        const double* b = &m_screen[2 * size_t(indices[t + 1])];
        const double* d = &m_screen[2 * size_t(indices[t + 2])];
        const double ex = b[0] - a[0], ey = b[1] - a[1];
        const double fx = d[0] - a[0], fy = d[1] - a[1];
        // Counter-clockwise on screen (y up) is positive: the front.
        if (ex * fy - ey * fx < -AreaMargin(ex, ey, fx, fy)) continue;
        kept[count++] = indices[t];
        kept[count++] = indices[t + 1];
        kept[count++] = indices[t + 2];
    }
    return count;
}
