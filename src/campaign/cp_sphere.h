// The campaign's textured spheres: a unit sphere in two levels of detail whose texture
// is a map of the whole surface, longitude across (u 0..1 once around the y axis) and
// height up (v 0 at the south pole, 1 at the north pole, linear in y).
#pragma once

#include <cstdint>
#include <vector>

#include "display/dp_gl_state.h"

struct GLTexture;

struct SphereMesh {
    uint32_t slices;                 // around the y axis
    uint32_t stacks;                 // pole to pole
    std::vector<MeshVertex> vertices;  // (slices + 1) x (stacks + 1): the seam is doubled
    std::vector<int32_t> indices;      // triplets, counter-clockwise from outside, then -1
};

const SphereMesh& SimpleSphereMesh();    // 16 x 8
const SphereMesh& DetailedSphereMesh();  // 32 x 16

// The sphere of radius scale with the texture (untextured when it is missing): the
// detailed mesh when the quality settings ask for high-quality models.
void DrawSphere(const GLTexture* texture, double scale);
// Always the simple mesh (small things).
void DrawSimpleSphere(const GLTexture* texture, double scale);
