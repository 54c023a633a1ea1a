// Work the renderer would throw away, found before it is sent: meshes wholly outside the
// window, and triangles facing so clearly away that back-face culling is sure to drop them.
#pragma once

#include <cstdint>
#include <vector>

class MeshArrays;

// The current view as drawing will see it: the projection times the modelview, the
// viewport and the culling state, read when made. For as long as none of them changes,
// KeptTriangles says which triangles of a mesh moved by an offset are worth sending.
// What it drops gives no pixel: a mesh is dropped only when all its corners lie at least
// 16 pixels (and 4% of the half window) beyond one side of the view, and a triangle only when
// the whole mesh is well inside the view (so nothing of it is clipped) and the triangle's
// area on screen is negative by far more than the renderer's rounding.
class ViewCuller {
public:
    ViewCuller();

    // Writes the kept triangles' index triplets (from mesh.Indices(), in their order) to
    // kept, which holds mesh.IndexCount() indices, and returns how many it wrote.
    uint32_t KeptTriangles(const MeshArrays& mesh, const double offset[3], uint32_t* kept);

private:
    double m_clip[16];        // projection times modelview, column-major
    double m_halfWidth = 0;   // the viewport's half size in pixels
    double m_halfHeight = 0;
    double m_sideMarginX = 0;  // how far beyond w a side plane is moved out, as a factor of w
    double m_sideMarginY = 0;
    bool m_cullsBackFaces = false;  // culling on, back faces, counter-clockwise in front
    std::vector<double> m_screen;   // the corners on screen, x y each
};
