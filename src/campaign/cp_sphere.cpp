// Sphere meshes, built once on first use.
#include "campaign/cp_sphere.h"

#include <cmath>

#include "display/dp_quality.h"

namespace {

SphereMesh BuildSphere(uint32_t slices, uint32_t stacks) {
    SphereMesh m;
    m.slices = slices;
    m.stacks = stacks;
    m.vertices.reserve(size_t(slices + 1) * (stacks + 1));
    for (uint32_t j = 0; j <= stacks; ++j) {
        const double phi = -M_PI / 2 + M_PI * j / stacks;
        for (uint32_t i = 0; i <= slices; ++i) {
            const double theta = 2 * M_PI * i / slices;
            const double x = std::cos(phi) * std::cos(theta);
            const double y = std::sin(phi);
            const double z = -std::cos(phi) * std::sin(theta);
            // v is linear in height, as the map images are.
            m.vertices.push_back({x, y, z, x, y, z, double(i) / slices, (y + 1.0) * 0.5});
        }
    }
    const auto at = [slices](uint32_t i, uint32_t j) { return int32_t(j * (slices + 1) + i); };
    for (uint32_t j = 0; j < stacks; ++j)
        for (uint32_t i = 0; i < slices; ++i) {
            const int32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            if (j > 0) m.indices.insert(m.indices.end(), {a, b, c});           // none at the south pole
            if (j + 1 < stacks) m.indices.insert(m.indices.end(), {a, c, d});  // nor at the north
        }
    m.indices.push_back(-1);
    return m;
}

}  // namespace

const SphereMesh& SimpleSphereMesh() {
    static const SphereMesh mesh = BuildSphere(16, 8);
    return mesh;
}

const SphereMesh& DetailedSphereMesh() {
    static const SphereMesh mesh = BuildSphere(32, 16);
    return mesh;
}

void DrawSphere(const GLTexture* texture, double scale) {
    const SphereMesh& m =
        ActiveQualitySettings()->HighQualityModels ? DetailedSphereMesh() : SimpleSphereMesh();
    DrawTexturedMesh(texture, m.vertices.data(), m.indices.data(), scale);
}

void DrawSimpleSphere(const GLTexture* texture, double scale) {
    const SphereMesh& m = SimpleSphereMesh();
    DrawTexturedMesh(texture, m.vertices.data(), m.indices.data(), scale);
}
