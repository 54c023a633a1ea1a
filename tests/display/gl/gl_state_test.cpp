// OpenGL state, scenes, overlays, fade, blits, lights, materials and the models, in a
// real context under Xvfb, read back from the back buffer and the GL state.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "display/dp_model.h"
#include "display/dp_quality.h"
#include "display/dp_window.h"
#include "gl_support.h"

namespace {

class GLState : public GLWindowTest {
protected:
    GLState() : GLWindowTest(800, 600) {}

    // A lit 3-D scene: one lamp, a material with some of everything.
    void BeginLitScene() {
        BeginScene3D(true);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        EnableLight(0);
        SetLightPosition(0, 0.4, 0.7, 3.0);
        SetLightColors(0, {1.0, 0.9, 0.8, 1.0}, 0.3, 0.8, 0.5);
        SetMaterial(0.4, 0.8, 0.3, 0.1, 16.0);
    }

    void ClearTo(float r, float g, float b) {
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
};

TEST_F(GLState, TheBaseStateIsA2DViewInWindowPixels) {
    EXPECT_FALSE(glIsEnabled(GL_DITHER));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    GLint v[4];
    glGetIntegerv(GL_DEPTH_FUNC, v);
    EXPECT_EQ(v[0], GL_LEQUAL);
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[2], 800);
    EXPECT_EQ(v[3], 600);
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], 2.0 / 800, 1e-9);
    EXPECT_NEAR(m[5], 2.0 / 600, 1e-9);
    EXPECT_NEAR(m[12], -1.0, 1e-9);
    EXPECT_NEAR(m[13], -1.0, 1e-9);
    glGetIntegerv(GL_MATRIX_MODE, v);
    EXPECT_EQ(v[0], GL_MODELVIEW);
    EXPECT_EQ(GetGLModeCache().scene3D, 0);
}

TEST_F(GLState, TheSceneFrustumFollowsTheWindowAspect) {
    BeginScene3D(false);
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    // frustum(-4/3, 4/3, -1, 1, 4, 400): 2n / (r - l) = 8 / (8/3) = 3.
    EXPECT_NEAR(m[0], 3.0, 1e-6);
    EXPECT_NEAR(m[5], 4.0, 1e-9);
    EXPECT_NEAR(m[10], -404.0 / 396.0, 1e-5);  // Mesa keeps floats
    EXPECT_NEAR(m[14], -3200.0 / 396.0, 1e-5);
    EXPECT_NEAR(m[11], -1.0, 1e-9);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(GetGLModeCache().scene3D, 1);

    CloseTestWindow();
    ASSERT_TRUE(OpenTestWindow(1000, 500));
    BeginScene3D(true);
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], 2.0, 1e-9);  // aspect 2: 8 / 4
    EXPECT_NEAR(m[5], 4.0, 1e-9);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(GetGLModeCache().lighting, 1);
}

TEST_F(GLState, NestedOverlaysPushOnceAndRestoreLightingAtTheOuterEnd) {
    BeginScene3D(true);
    GLint depth = 0, func = 0;
    PushOverlay2D();
    PushOverlay2D();
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_ALWAYS);
    PopOverlay2D();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    PopOverlay2D();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_LEQUAL);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], 3.0, 1e-6);  // the scene's frustum is back
    // An extra pop is harmless.
    PopOverlay2D();
    EXPECT_EQ(GetGLModeCache().overlayNesting, 0u);
}

TEST_F(GLState, TheFadeDrawsAtItsThresholds) {
    QualitySettings quality = *ActiveQualitySettings();
    quality.Fade = true;
    SetActiveQualitySettings(quality);
    ClearTo(1, 1, 1);
    DrawScreenFade(1.0);
    EXPECT_EQ(ReadPixel(400, 300).r, 255);
    DrawScreenFade(0.999);
    EXPECT_EQ(ReadPixel(400, 300).r, 255);
    DrawScreenFade(0.5);
    EXPECT_NEAR(ReadPixel(400, 300).r, 128, 1);
    EXPECT_NEAR(ReadPixel(0, 0).r, 128, 1);

    quality.Fade = false;
    SetActiveQualitySettings(quality);
    ClearTo(1, 1, 1);
    DrawScreenFade(0.5);
    EXPECT_EQ(ReadPixel(400, 300).r, 255);
    DrawScreenFade(0.05);
    EXPECT_EQ(ReadPixel(400, 300).r, 255);
    DrawScreenFade(0.04);
    EXPECT_EQ(ReadPixel(400, 300).r, 0);
}

TEST_F(GLState, DrawImagePixelsClipsAtTheLeftAndBottomEdges) {
    // 100 x 50, red = column, green = row, opaque.
    TextureImage* image = AllocateTextureImage(100, 50);
    for (uint32_t y = 0; y < 50; ++y)
        for (uint32_t x = 0; x < 100; ++x) {
            uint8_t* p = image->pixels + y * image->stride + x * 4;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 200;
            p[3] = 255;
        }
    glClear(GL_COLOR_BUFFER_BIT);
    DrawImagePixels(image, -20, 10, 0, 0, 800, 600, 1.0, 1.0);
    Rgba first = ReadPixel(0, 10);
    EXPECT_EQ(first.r, 20);
    EXPECT_EQ(first.g, 0);
    EXPECT_EQ(ReadPixel(79, 59).r, 99);
    EXPECT_EQ(ReadPixel(79, 59).g, 49);
    EXPECT_EQ(ReadPixel(80, 10).b, 0);   // 80 columns, no more
    EXPECT_EQ(ReadPixel(10, 60).b, 0);

    glClear(GL_COLOR_BUFFER_BIT);
    DrawImagePixels(image, 30, -5, 0, 0, 800, 600, 1.0, 1.0);
    EXPECT_EQ(ReadPixel(30, 0).g, 5);
    EXPECT_EQ(ReadPixel(30, 44).g, 49);
    EXPECT_EQ(ReadPixel(30, 45).b, 0);

    // Wholly outside: nothing, and no crash.
    glClear(GL_COLOR_BUFFER_BIT);
    DrawImagePixels(image, -200, 10, 0, 0, 800, 600, 1.0, 1.0);
    DrawImagePixels(image, 900, 10, 0, 0, 800, 600, 1.0, 1.0);
    DrawImagePixels(nullptr, 0, 0, 0, 0, 800, 600, 1.0, 1.0);
    EXPECT_EQ(ReadPixel(0, 10).b, 0);
    FreeTextureImage(image);
}

TEST_F(GLState, TheAlphaScaleBlendsABlitAndIsPutBack) {
    TextureImage* image = AllocateTextureImage(4, 4);
    for (uint32_t i = 0; i < 16; ++i) {
        uint8_t* p = image->pixels + i * 4;
        p[0] = 0;
        p[1] = 0;
        p[2] = 0;
        p[3] = 255;
    }
    ClearTo(1, 1, 1);
    DrawImagePixels(image, 10, 10, 0, 0, 800, 600, 1.0, 0.5);
    EXPECT_NEAR(ReadPixel(11, 11).r, 128, 1);
    GLfloat scale = 0.0f;
    glGetFloatv(GL_ALPHA_SCALE, &scale);
    EXPECT_FLOAT_EQ(scale, 1.0f);
    // Zoom 2 covers twice the size.
    ClearTo(1, 1, 1);
    DrawImagePixels(image, 100, 100, 0, 0, 800, 600, 2.0, 1.0);
    EXPECT_EQ(ReadPixel(107, 107).r, 0);
    EXPECT_EQ(ReadPixel(108, 108).r, 255);
    FreeTextureImage(image);
}

TEST_F(GLState, LightsAndMaterialsScaleTheirColours) {
    BeginScene3D(true);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ColorValue c = {0.5, 1.0, 1.0, 1.0};
    SetLightColors(0, c, 0.2, 0.6, 1.0);
    GLfloat v[4];
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, v);
    EXPECT_FLOAT_EQ(v[0], 0.2f);
    EXPECT_FLOAT_EQ(v[2], 0.2f);
    EXPECT_FLOAT_EQ(v[3], 0.1f);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v);
    EXPECT_FLOAT_EQ(v[1], 0.6f);
    EXPECT_FLOAT_EQ(v[3], 0.3f);

    SetMaterialColors(c, 0.2, 0.6, 1.0, 0.0, 20.0);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, v);
    EXPECT_FLOAT_EQ(v[0], 0.2f);
    EXPECT_FLOAT_EQ(v[3], 0.5f);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
    EXPECT_FLOAT_EQ(v[0], 20.0f);
    SetMaterial(0.1, 0.7, 0.3, 0.05, 8.0);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v);
    EXPECT_FLOAT_EQ(v[0], 0.7f);
    EXPECT_FLOAT_EQ(v[3], 1.0f);

    // Light 9 is light 1.
    SetLightPosition(9, 1.0, 2.0, 3.0);
    glGetLightfv(GL_LIGHT1, GL_POSITION, v);
    EXPECT_FLOAT_EQ(v[1], 2.0f);
    EXPECT_FLOAT_EQ(v[3], 1.0f);
    EXPECT_EQ(GetGLModeCache().lights[1].directional, 0);
    EXPECT_DOUBLE_EQ(GetGLModeCache().lights[1].position[2], 3.0);
    SetLightDirection(1, 0.0, 1.0, 0.0);
    glGetLightfv(GL_LIGHT1, GL_POSITION, v);
    EXPECT_FLOAT_EQ(v[3], 0.0f);
    EXPECT_EQ(GetGLModeCache().lights[1].directional, 1);
    SetLightAttenuation(2, 1.0, 0.5, 0.25);
    glGetLightfv(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, v);
    EXPECT_FLOAT_EQ(v[0], 0.25f);
    EXPECT_EQ(GetGLModeCache().lights[2].hasAttenuation, 1);
    // A new scene forgets the records.
    BeginScene3D(true);
    EXPECT_EQ(GetGLModeCache().lights[2].hasAttenuation, 0);
}

// The bounds every caller relies on, over both tables.
TEST(CraftModel, BothFormsSpanTheSameBox) {
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    auto widen = [&](const double* p) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::fmin(lo[k], p[k]);
            hi[k] = std::fmax(hi[k], p[k]);
        }
    };
    for (const auto& v : kLowDetailVertices) widen(v);
    EXPECT_NEAR(lo[1], -0.525, 1e-9);
    EXPECT_NEAR(hi[1], 0.675, 1e-9);
    EXPECT_LE(std::fmax(-lo[0], hi[0]), 0.664 + 1e-9);
    EXPECT_LE(std::fmax(-lo[2], hi[2]), 0.664 + 1e-9);
    for (int k = 0; k < 3; ++k) lo[k] = 1e9, hi[k] = -1e9;
    for (const auto& p : kHighDetailPositions) widen(p);
    EXPECT_NEAR(lo[1], -0.525, 1e-9);
    EXPECT_NEAR(hi[1], 0.675, 1e-9);
    EXPECT_LE(std::fmax(-lo[0], hi[0]), 0.664 + 1e-9);

    // Every index is in range and the lists end exactly after their triangles.
    for (int i = 0; i < kLowDetailTriangleCount * 3; ++i) {
        ASSERT_GE(kLowDetailIndices[i], 0);
        ASSERT_LT(kLowDetailIndices[i], kLowDetailVertexCount);
    }
    EXPECT_LT(kLowDetailIndices[kLowDetailTriangleCount * 3], 0);
    for (int i = 0; i < kHighDetailTriangleCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_LT(kHighDetailTriangles[i * 6 + k], kHighDetailPositionCount);
            ASSERT_LT(kHighDetailTriangles[i * 6 + 3 + k], kHighDetailNormalCount);
        }
    }
    EXPECT_LT(kHighDetailTriangles[kHighDetailTriangleCount * 6], 0);
    // Normals are unit length.
    for (const auto& n : kHighDetailNormals)
        ASSERT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-5);
}

TEST_F(GLState, TheLitCraftCoversTheCentreAndFacesOutward) {
    for (int detail = 0; detail < 2; ++detail) {
        BeginScene3D(true);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        EnableLight(0);
        SetLightDirection(0, 0.3, 1.0, 1.0);
        SetLightColors(0, {1.0, 1.0, 1.0, 1.0}, 0.3, 0.8, 0.5);
        SetMaterial(0.4, 0.8, 0.3, 0.0, 16.0);
        glTranslated(0.0, 0.0, -8.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (detail)
            DrawHighDetailModel(1.0);
        else
            DrawLowDetailModel(1.0);
        Rgba centre = ReadPixel(400, 300);
        EXPECT_GT(centre.r, 40) << "detail " << detail;
        EXPECT_EQ(ReadPixel(5, 5).r, 0);
        // With back faces culled, a hull whose faces pointed inward would vanish.
        GLint culled = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &culled);
        EXPECT_EQ(culled, GL_BACK);
    }
}

// The models' corners sent one by one, as the reference for the arrays.
void SendModelCorners(bool highDetail, double scale) {
    glBegin(GL_TRIANGLES);
    if (highDetail) {
        for (const int32_t* t = kHighDetailTriangles; t[0] >= 0; t += 6) {
            for (int k = 0; k < 3; ++k) {
                const double* n = kHighDetailNormals[t[3 + k]];
                const double* p = kHighDetailPositions[t[k]];
                glNormal3d(n[0], n[1], n[2]);
                glVertex3d(p[0] * scale, p[1] * scale, p[2] * scale);
            }
        }
    } else {
        for (const int32_t* t = kLowDetailIndices; t[0] >= 0; ++t) {
            const double* v = kLowDetailVertices[*t];
            glNormal3d(v[3], v[4], v[5]);
            glVertex3d(v[0] * scale, v[1] * scale, v[2] * scale);
        }
    }
    glEnd();
}

TEST_F(GLState, TheModelsDrawAsTheirCornersSentOneByOneDo) {
    BeginLitScene();
    glTranslated(0.1, -0.2, -7.0);
    glRotated(35.0, 1.0, 0.4, 0.0);
    for (const bool highDetail : {false, true}) {
        // The second scale makes the arrays again; the third is the first once more.
        for (const double scale : {1.0, 1.7, 1.0}) {
            for (const GLenum mode : {GL_FILL, GL_LINE}) {
                std::vector<uint8_t> pictures[2];
                GLdouble normals[2][4];
                for (int arrays = 0; arrays < 2; ++arrays) {
                    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                    glNormal3d(0.0, 0.0, 1.0);
                    glPolygonMode(GL_FRONT_AND_BACK, mode);
                    if (!arrays)
                        SendModelCorners(highDetail, scale);
                    else if (highDetail)
                        DrawHighDetailModel(scale);
                    else
                        DrawLowDetailModel(scale);
                    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                    glGetDoublev(GL_CURRENT_NORMAL, normals[arrays]);
                    pictures[arrays] = ReadBackBuffer(800, 600);
                }
                const char* what = highDetail ? "high detail" : "low detail";
                EXPECT_TRUE(pictures[0] == pictures[1]) << what << " at " << scale;
                for (int i = 0; i < 3; ++i) EXPECT_EQ(normals[1][i], normals[0][i]) << what;
            }
        }
    }
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A lit, textured scene of two meshes drawn by DrawTexturedMesh, then a lit quad that
// sends no normal or texture coordinates of its own; with `oneByOne` the meshes' corners
// are sent one by one instead, as the reference the arrays must match pixel for pixel.
void DrawMeshesAndAQuad(const MeshVertex* v, const int32_t* indices, bool oneByOne) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (double scale : {1.0, 1.3}) {
        if (oneByOne) {
            glBegin(GL_TRIANGLES);
            for (const int32_t* t = indices; t[0] >= 0; ++t) {
                glTexCoord2d(v[*t].u, v[*t].v);
                glNormal3d(v[*t].nx, v[*t].ny, v[*t].nz);
                glVertex3d(v[*t].x * scale, v[*t].y * scale, v[*t].z * scale);
            }
            glEnd();
        } else {
            DrawTexturedMesh(nullptr, v, indices, scale);
        }
        glTranslated(0.3, 0.0, 0.0);
    }
    glBegin(GL_QUADS);
    glVertex3d(-2.0, -2.0, -1.0);
    glVertex3d(-1.0, -2.0, -1.0);
    glVertex3d(-1.0, -1.0, -1.0);
    glVertex3d(-2.0, -1.0, -1.0);
    glEnd();
}

TEST_F(GLState, AMeshDrawsAndLeavesTheStateAsItsCornersSentOneByOneDo) {
    // Corners off any grid, normals and texture coordinates all different.
    const MeshVertex v[5] = {
        {-1.37, -0.91, -0.2, 0.1, 0.2, 0.97, 0.11, 0.93},
        {1.13, -1.07, -0.4, -0.3, 0.1, 0.95, 0.87, 0.07},
        {0.21, 1.19, -0.1, 0.2, -0.4, 0.89, 0.53, 0.71},
        {-0.83, 0.77, -0.3, 0.6, 0.3, 0.74, 0.29, 0.41},
        {0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0},  // not in the index list
    };
    const int32_t indices[] = {0, 1, 2, 0, 2, 3, -1};
    const int32_t empty[] = {-1};
    BeginLitScene();
    glTranslated(0.0, 0.0, -6.0);
    glPushMatrix();
    DrawMeshesAndAQuad(v, indices, true);
    glPopMatrix();
    const std::vector<uint8_t> reference = ReadBackBuffer(800, 600);
    GLdouble normal[4], texCoord[4];
    glGetDoublev(GL_CURRENT_NORMAL, normal);
    glGetDoublev(GL_CURRENT_TEXTURE_COORDS, texCoord);

    glNormal3d(0.0, 0.0, 1.0);  // not what the corners leave
    glTexCoord2d(0.0, 0.0);
    glPushMatrix();
    DrawMeshesAndAQuad(v, indices, false);
    glPopMatrix();
    EXPECT_TRUE(ReadBackBuffer(800, 600) == reference);
    GLdouble normalAfter[4], texCoordAfter[4];
    glGetDoublev(GL_CURRENT_NORMAL, normalAfter);
    glGetDoublev(GL_CURRENT_TEXTURE_COORDS, texCoordAfter);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(normalAfter[i], normal[i]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(texCoordAfter[i], texCoord[i]);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));

    // An empty index list draws nothing and leaves the current values alone.
    glNormal3d(0.0, 1.0, 0.0);
    DrawTexturedMesh(nullptr, v, empty, 1.0);
    glGetDoublev(GL_CURRENT_NORMAL, normalAfter);
    EXPECT_EQ(normalAfter[1], 1.0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLState, TheTimingSceneDrawsAndLeavesTheMatrixStack) {
    BeginScene3D(true);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EnableLight(0);
    SetLightDirection(0, 0.0, 0.0, 1.0);
    SetLightColors(0, {1.0, 1.0, 1.0, 1.0}, 0.5, 0.5, 0.0);
    SetMaterial(1.0, 1.0, 0.0, 0.0, 1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLint before = 0, after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    DrawTimingTestScene();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
