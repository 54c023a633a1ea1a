// Leaving out what the view culls changes no pixel: boxes seen from many views, partly
// off the window, filled and as smoothed outlines, drawn whole and as the culler keeps them.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "display/dp_gl_state.h"
#include "display/dp_view_cull.h"
#include "gl_support.h"

namespace {

constexpr int32_t kWidth = 320, kHeight = 240;

// A unit box, outward faces counter-clockwise, normals and texture coordinates per face.
struct Box {
    MeshVertex corners[24];
    int32_t indices[37];
    Box() {
        const double faces[6][4][3] = {
            {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
            {{1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1}}, {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {0, 0, 0}},
            {{0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {1, 0, 1}}, {{1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}},
        };
        const double normals[6][3] = {{0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
        int32_t* t = indices;
        for (int f = 0; f < 6; ++f) {
            for (int k = 0; k < 4; ++k) {
                const double* p = faces[f][k];
                corners[4 * f + k] = {p[0], p[1], p[2], normals[f][0], normals[f][1],
                                      normals[f][2], k < 2 ? 0.0 : 1.0, k % 3 ? 1.0 : 0.0};
            }
            *t++ = 4 * f, *t++ = 4 * f + 1, *t++ = 4 * f + 2;
            *t++ = 4 * f, *t++ = 4 * f + 2, *t++ = 4 * f + 3;
        }
        *t = -1;
    }
};

class ViewCull : public GLWindowTest {
protected:
    ViewCull() : GLWindowTest(kWidth, kHeight) {}
};

TEST_F(ViewCull, WhatItLeavesOutChangesNoPixel) {
    const Box box;
    std::mt19937 random(7);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    BeginScene3D(true);
    EnableLight(0);
    SetLightPosition(0, 2.0, 5.0, 3.0);
    SetLightColors(0, {1.0, 0.9, 0.8, 1.0}, 0.3, 0.8, 0.0);
    SetMaterial(0.2, 0.8, 0.0, 0.0, 0.0);
    glColor4d(0.8, 0.7, 0.5, 1.0);

    uint32_t sent = 0, kept = 0, dropped = 0, views = 0;
    for (int view = 0; view < 24; ++view) {
        // The view in the projection, the modelview the identity, as the game has it.
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glRotated(uniform(-40, 40), 1.0, 0.0, 0.0);
        glRotated(uniform(-40, 40), 0.0, 1.0, 0.0);
        glTranslated(uniform(-3, 3), uniform(-3, 3), -uniform(8, 30));
        glMatrixMode(GL_MODELVIEW);
        std::vector<std::array<double, 3>> offsets(40);
        for (auto& o : offsets) o = {uniform(-14, 14), uniform(-12, 12), uniform(-12, 6)};
        for (const bool outlines : {false, true}) {
            std::vector<uint8_t> pictures[2];
            for (int culled = 0; culled < 2; ++culled) {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                MeshArrays mesh(box.corners, box.indices, 1.0);
                ViewCuller culler;
                std::vector<uint32_t> triangles(mesh.IndexCount());
                if (outlines) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                for (const auto& o : offsets) {
                    glPushMatrix();
                    glTranslated(o[0], o[1], o[2]);
                    if (culled) {
                        const uint32_t count = culler.KeptTriangles(mesh, o.data(), triangles.data());
                        mesh.DrawTriangles(triangles.data(), count);
                        kept += count;
                        dropped += count == 0;
                    } else {
                        mesh.Draw();
                        sent += mesh.IndexCount();
                    }
                    glPopMatrix();
                }
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                pictures[culled] = ReadBackBuffer(kWidth, kHeight);
            }
            EXPECT_TRUE(pictures[0] == pictures[1]) << "view " << view << (outlines ? " outlines" : " filled");
            ++views;
        }
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    // The comparison means something only if much was left out: whole boxes and faces.
    EXPECT_GT(dropped, views * 4);
    EXPECT_LT(kept, sent * 6 / 10);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
