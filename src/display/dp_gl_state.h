// The OpenGL routines every screen draws with: the base state of a fresh context, 3-D
// and 2-D scenes, nestable 2-D overlays, the screen fade, image blits, textured quads
// and meshes, the built-in craft model, lights and materials, and the dense scene of
// the quality test.
//
// The context dies whenever a menu opens or the program is deactivated, so the scene
// mode, the projection and the lights are mirrored in GLModeCache, from which the
// texture registry's restore rebuilds them in the new context.
#pragma once

#include <cstdint>
#include <vector>

#include "app/app_color.h"

struct TextureImage;
struct GLTexture;

struct LightRecord {
    uint8_t enabled;        // set by whoever enables the GL light, together with it
    uint8_t directional;    // 1 after SetLightDirection, 0 after SetLightPosition
    double position[3];     // last position given
    double direction[3];    // last direction given
    ColorValue color;       // of SetLightColors
    double ambient;         // factors of SetLightColors
    double diffuse;
    double specular;
    uint8_t hasAttenuation; // 1 after SetLightAttenuation
    double constantAttenuation;
    double linearAttenuation;
    double quadraticAttenuation;
};

struct GLModeCache {
    uint8_t scene3D;          // 1 from BeginScene3D to the next BeginScene2D or reset
    uint8_t lighting;         // the lit argument of the last BeginScene3D
    uint32_t overlayNesting;  // depth of PushOverlay2D
    double savedProjection[16];  // read by ReleaseGLResources
    LightRecord lights[8];    // what was set on lights 0..7 since the scene began
};

// Main thread; the live record of the current context, in the session record, written
// only by the scene, overlay and light functions below.
const GLModeCache& GetGLModeCache();
// The context is about to go: keep its projection for the restore in the next one.
void SaveSceneProjection();

// x, y, z, normal x, y, z, texture u, v.
struct MeshVertex {
    double x, y, z;
    double nx, ny, nz;
    double u, v;
};

// Clears colour, and depth too while a 3-D scene is active.
void ClearGameScreen();

void ResetGLState2D();
void BeginScene3D(bool lit);
void BeginScene2D();
void PushOverlay2D();
void PopOverlay2D();

// An untextured rectangle in the current colour, (x0, y0) to (x1, y1).
void DrawSolidRectangle(double x0, double y0, double x1, double y1);

// level 0 black .. 1 clear.
void DrawScreenFade(double level);
void DrawImagePixels(const TextureImage* image, int32_t x, int32_t y, int32_t clipLeft,
                     int32_t clipBottom, int32_t clipRight, int32_t clipTop, double zoom,
                     double alphaScale);
// p1 bottom-left, p2 top-left, p3 top-right, p4 bottom-right; each {x, y}.
void DrawTexturedQuad(const GLTexture* texture, const double p1[2], const double p2[2],
                      const double p3[2], const double p4[2], double du, double dv, double u,
                      double v);
// A mesh's corners as client arrays of floats (positions times scale, normals,
// texture coordinates: the values glVertex3d and friends would have sent) for as long as
// the object lives; Draw draws its triangles, in the order of the index triplets (ended
// by a negative first index), as often as asked: under a new matrix or texture each
// time, say. DrawTriangles draws some of them (index triplets taken from Indices(), in
// their order: those a ViewCuller keeps); afterwards the current normal and texture
// coordinates are the mesh's last corner's, as after the whole mesh sent corner by corner.
class MeshArrays {
public:
    static constexpr int kFloatsPerCorner = 8;  // x y z, nx ny nz, u v

    MeshArrays(const MeshVertex* vertices, const int32_t* indices, double scale);
    ~MeshArrays();
    MeshArrays(const MeshArrays&) = delete;
    MeshArrays& operator=(const MeshArrays&) = delete;
    void Draw();
    void DrawTriangles(const uint32_t* indices, uint32_t count);

    const float* Corners() const { return m_corners.data(); }
    uint32_t CornerCount() const { return uint32_t(m_corners.size() / kFloatsPerCorner); }
    const uint32_t* Indices() const { return m_indices.data(); }
    uint32_t IndexCount() const { return uint32_t(m_indices.size()); }

private:
    std::vector<float> m_corners;     // each corner once
    std::vector<uint32_t> m_indices;  // three corners per triangle, in the mesh's order
    bool m_drawn = false;
};

// indices: triplets ended by a negative first index.
void DrawTexturedMesh(const GLTexture* texture, const MeshVertex* vertices,
                      const int32_t* indices, double scale);
void DrawTexturedTriangle(const GLTexture* texture, const MeshVertex* a, const MeshVertex* b,
                          const MeshVertex* c, double scale);
void DrawLowDetailModel(double scale);
void DrawHighDetailModel(double scale);

// A light number is taken modulo 8.
void SetLightPosition(uint32_t light, double x, double y, double z);
void SetLightDirection(uint32_t light, double x, double y, double z);
void SetLightColors(uint32_t light, const ColorValue& color, double ambient, double diffuse,
                    double specular);
void SetLightAttenuation(uint32_t light, double constant, double linear, double quadratic);
// Enables GL light n and marks its record enabled (what the scenes do).
void EnableLight(uint32_t light);

void SetMaterial(double ambient, double diffuse, double specular, double emission,
                 double shininess);
void SetMaterialColors(const ColorValue& color, double ambient, double diffuse,
                       double specular, double emission, double shininess);

// 5,000 lit triangles in ten fans of five layers: the quality test's load.
void DrawTimingTestScene();
