// OpenGL state, scenes, overlays, blits, meshes, lights and materials.
//
// Everything here is OpenGL 1.1 immediate mode on the game window's context, on the
// main thread. Matrices and lights are mirrored in the session's GLModeCache so a new context can
// be given the same state (see RestoreGLResources).
#include "display/dp_gl_state.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/app_texture_image.h"
#include "display/dp_model.h"
#include "display/dp_quality.h"
#include "display/dp_session_fields.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"


namespace {

GLModeCache& g_modes = g_displaySession.glModeCache;  // the live context's mirror

void LoadWindowOrtho() {
    glLoadIdentity();
    glOrtho(0.0, double(GameWindowWidth), 0.0, double(GameWindowHeight), -1.0, 1.0);
}

void ClearLightRecords() { std::memset(g_modes.lights, 0, sizeof g_modes.lights); }

LightRecord& RecordOf(uint32_t light) { return g_modes.lights[light % 8]; }

GLenum GLLight(uint32_t light) { return GLenum(GL_LIGHT0 + light % 8); }

void Light4(uint32_t light, GLenum what, double a, double b, double c, double d) {
    GLfloat v[4] = {GLfloat(a), GLfloat(b), GLfloat(c), GLfloat(d)};
    glLightfv(GLLight(light), what, v);
}

void Material4(GLenum what, double a, double b, double c, double d) {
    GLfloat v[4] = {GLfloat(a), GLfloat(b), GLfloat(c), GLfloat(d)};
    glMaterialfv(GL_FRONT, what, v);
}

void EmitMeshCorner(const MeshVertex& m, double scale) {
    glTexCoord2d(m.u, m.v);
    glNormal3d(m.nx, m.ny, m.nz);
    glVertex3d(m.x * scale, m.y * scale, m.z * scale);
}

bool Drawable(const GLTexture* texture) { return texture && texture->uploaded; }

}  // namespace

const GLModeCache& GetGLModeCache() { return g_modes; }

void SaveSceneProjection() { glGetDoublev(GL_PROJECTION_MATRIX, g_modes.savedProjection); }

void ClearGameScreen() {
    glClear(g_modes.scene3D ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT
                                  : GL_COLOR_BUFFER_BIT);
}

void ResetGLState2D() {
    glDisable(GL_DITHER);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POINT_SMOOTH);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glViewport(0, 0, GameWindowWidth, GameWindowHeight);
    glMatrixMode(GL_PROJECTION);
    LoadWindowOrtho();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::memset(&g_modes, 0, sizeof g_modes);
}

void BeginScene3D(bool lit) {
    double aspect = double(GameWindowWidth) / double(GameWindowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-aspect, aspect, -1.0, 1.0, 4.0, 400.0);
    glEnable(GL_DEPTH_TEST);
    if (lit) {
        for (uint32_t i = 0; i < 8; ++i) glDisable(GLLight(i));
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
    }
    g_modes.scene3D = 1;
    g_modes.lighting = lit ? 1 : 0;
    g_modes.overlayNesting = 0;
    ClearLightRecords();
}

void BeginScene2D() {
    glMatrixMode(GL_PROJECTION);
    LoadWindowOrtho();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    g_modes.scene3D = 0;
    g_modes.overlayNesting = 0;
    ClearLightRecords();
}

void PushOverlay2D() {
    if (g_modes.overlayNesting == 0) {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        LoadWindowOrtho();
        if (g_modes.scene3D) {
            glDepthFunc(GL_ALWAYS);
            glDisable(GL_LIGHTING);
        }
    }
    ++g_modes.overlayNesting;
}

void PopOverlay2D() {
    if (g_modes.overlayNesting == 0) return;  // unbalanced: nothing to pop
    if (--g_modes.overlayNesting == 0) {
        if (g_modes.scene3D) {
            if (g_modes.lighting) glEnable(GL_LIGHTING);
            glDepthFunc(GL_LEQUAL);
        }
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
    }
}

void DrawSolidRectangle(double x0, double y0, double x1, double y1) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glBegin(GL_QUADS);
    glVertex2d(x0, y0);
    glVertex2d(x1, y0);
    glVertex2d(x1, y1);
    glVertex2d(x0, y1);
    glEnd();
}

void DrawScreenFade(double level) {
    if (level >= 0.999) return;
    if (ActiveQualitySettings()->Fade) {
        PushOverlay2D();
        glColor4d(0.0, 0.0, 0.0, 1.0 - level);
        DrawSolidRectangle(0.0, 0.0, double(GameWindowWidth), double(GameWindowHeight));
        PopOverlay2D();
    } else if (level < 0.05) {
        ClearGameScreen();
    }
}

void DrawImagePixels(const TextureImage* image, int32_t x, int32_t y, int32_t clipLeft,
                     int32_t clipBottom, int32_t clipRight, int32_t clipTop, double zoom,
                     double alphaScale) {
    if (!image) return;
    int64_t columns = image->columns, rows = image->rows;
    int64_t skipColumns = 0, skipRows = 0;
    // At a zoom other than 1 the skipped source pixels are those wholly or partly
    // below the clip edge; the rest starts at the edge.
    if (y < clipBottom) {
        skipRows = zoom > 0 ? int64_t(std::ceil(double(clipBottom - y) / zoom)) : rows;
        rows -= skipRows;
        y = clipBottom;
    }
    if (x < clipLeft) {
        skipColumns = zoom > 0 ? int64_t(std::ceil(double(clipLeft - x) / zoom)) : columns;
        columns -= skipColumns;
        x = clipLeft;
    }
    if (rows <= 0 || columns <= 0 || x >= clipRight || y >= clipTop) return;
    glRasterPos2i(x, y);
    glPixelZoom(GLfloat(zoom), GLfloat(zoom));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(image->stride / 4));
    glPixelTransferf(GL_ALPHA_SCALE, GLfloat(alphaScale));
    glDrawPixels(GLsizei(columns), GLsizei(rows), GL_RGBA, GL_UNSIGNED_BYTE,
                 image->pixels + skipRows * image->stride + skipColumns * 4);
    // The alpha scale applies to every later pixel transfer (reads included).
    glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
}

void DrawTexturedQuad(const GLTexture* texture, const double p1[2], const double p2[2],
                      const double p3[2], const double p4[2], double du, double dv, double u,
                      double v) {
    if (!Drawable(texture)) return;
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glBegin(GL_QUADS);
    glTexCoord2f(GLfloat(u + du), GLfloat(v));
    glVertex2d(p4[0], p4[1]);
    glTexCoord2f(GLfloat(u + du), GLfloat(v + dv));
    glVertex2d(p3[0], p3[1]);
    glTexCoord2f(GLfloat(u), GLfloat(v + dv));
    glVertex2d(p2[0], p2[1]);
    glTexCoord2f(GLfloat(u), GLfloat(v));
    glVertex2d(p1[0], p1[1]);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

MeshArrays::MeshArrays(const MeshVertex* vertices, const int32_t* indices, double scale) {
    // Each corner once, each value the float that glTexCoord2d, glNormal3d and glVertex3d
    // would have made of it (the position scaled in double first, as theirs was); the
    // triangles index them in order. The renderer lights a shared corner once per draw.
    std::vector<int32_t> slotOf;
    for (const int32_t* t = indices; t[0] >= 0; t += 3) {
        for (int k = 0; k < 3; ++k) {
            const size_t v = size_t(t[k]);
            if (v >= slotOf.size()) slotOf.resize(v + 1, -1);
            if (slotOf[v] < 0) {
                slotOf[v] = int32_t(m_corners.size() / kFloatsPerCorner);
                const MeshVertex& m = vertices[v];
                m_corners.insert(m_corners.end(),
                                 {GLfloat(m.x * scale), GLfloat(m.y * scale),
                                  GLfloat(m.z * scale), GLfloat(m.nx), GLfloat(m.ny),
                                  GLfloat(m.nz), GLfloat(m.u), GLfloat(m.v)});
            }
            m_indices.push_back(uint32_t(slotOf[v]));
        }
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const GLsizei stride = kFloatsPerCorner * sizeof(GLfloat);
    glVertexPointer(3, GL_FLOAT, stride, m_corners.data());
    glNormalPointer(GL_FLOAT, stride, m_corners.data() + 3);
    glTexCoordPointer(2, GL_FLOAT, stride, m_corners.data() + 6);
}

MeshArrays::~MeshArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    // Drawing that follows and sends no normal or texture coordinates of its own (lit
    // quads) takes the current ones, which must be the last corner's as if each corner
    // had been sent by itself; a draw from arrays leaves the current values alone, so
    // they are set here.
    if (m_drawn && !m_indices.empty()) {
        const GLfloat* last = m_corners.data() + kFloatsPerCorner * m_indices.back();
        glNormal3fv(last + 3);
        glTexCoord2fv(last + 6);
    }
}

void MeshArrays::Draw() { DrawTriangles(m_indices.data(), IndexCount()); }

void MeshArrays::DrawTriangles(const uint32_t* indices, uint32_t count) {
    m_drawn = true;
    if (count == 0) return;
    glDrawElements(GL_TRIANGLES, GLsizei(count), GL_UNSIGNED_INT, indices);
}

void DrawTexturedMesh(const GLTexture* texture, const MeshVertex* vertices,
                      const int32_t* indices, double scale) {
    if (Drawable(texture)) glBindTexture(GL_TEXTURE_2D, texture->name);
    MeshArrays(vertices, indices, scale).Draw();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void DrawTexturedTriangle(const GLTexture* texture, const MeshVertex* a, const MeshVertex* b,
                          const MeshVertex* c, double scale) {
    if (!Drawable(texture)) return;
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glBegin(GL_TRIANGLES);
    EmitMeshCorner(*a, scale);
    EmitMeshCorner(*b, scale);
    EmitMeshCorner(*c, scale);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

namespace {

// A craft model as client arrays: each distinct corner once (position times scale and
// normal, the floats glVertex3d and glNormal3d would have made), its triangles indexing
// them in the table's order. Which corners there are is found once; their floats are
// made again only when the scale changes. Main thread.
class ModelArrays {
public:
    // Adds a corner from a position and a normal in the model's tables.
    uint32_t AddCorner(const double* position, const double* normal) {
        m_sources.push_back({position, normal});
        return uint32_t(m_sources.size() - 1);
    }
    void AddIndex(uint32_t corner) { m_indices.push_back(corner); }

    // The corners at this scale: x y z, nx ny nz each.
    const std::vector<float>& CornersAt(double scale) {
        if (scale != m_scale) {
            m_scale = scale;
            m_corners.clear();
            for (const Source& c : m_sources)
                m_corners.insert(m_corners.end(),
                                 {GLfloat(c.position[0] * scale), GLfloat(c.position[1] * scale),
                                  GLfloat(c.position[2] * scale), GLfloat(c.normal[0]),
                                  GLfloat(c.normal[1]), GLfloat(c.normal[2])});
        }
        return m_corners;
    }
    const std::vector<uint32_t>& Indices() const { return m_indices; }

private:
    struct Source {
        const double* position;
        const double* normal;
    };
    std::vector<Source> m_sources;
    std::vector<uint32_t> m_indices;
    double m_scale = std::nan("");  // of m_corners
    std::vector<float> m_corners;
};

ModelArrays& LowDetailArrays() {
    static ModelArrays model = [] {
        ModelArrays m;
        for (const double* v : kLowDetailVertices) m.AddCorner(v, v + 3);
        for (const int32_t* t = kLowDetailIndices; t[0] >= 0; ++t) m.AddIndex(uint32_t(*t));
        return m;
    }();
    return model;
}

ModelArrays& HighDetailArrays() {
    static ModelArrays model = [] {
        ModelArrays m;
        // A corner is a position and a normal; the pairs the triangles use, each once.
        std::vector<int32_t> slotOf(size_t(kHighDetailPositionCount) * kHighDetailNormalCount,
                                    -1);
        for (const int32_t* t = kHighDetailTriangles; t[0] >= 0; t += 6) {
            for (int k = 0; k < 3; ++k) {
                int32_t& slot = slotOf[size_t(t[k]) * kHighDetailNormalCount + size_t(t[3 + k])];
                if (slot < 0)
                    slot = int32_t(m.AddCorner(kHighDetailPositions[t[k]],
                                               kHighDetailNormals[t[3 + k]]));
                m.AddIndex(uint32_t(slot));
            }
        }
        return m;
    }();
    return model;
}

// Draws a model's triangles in the current colour and texture coordinates, and leaves
// the current normal at the last corner's, as sending the corners one by one did.
void DrawModelArrays(ModelArrays& model, double scale) {
    const std::vector<uint32_t>& indices = model.Indices();
    if (indices.empty()) return;
    const std::vector<float>& corners = model.CornersAt(scale);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 6 * sizeof(GLfloat), corners.data());
    glNormalPointer(GL_FLOAT, 6 * sizeof(GLfloat), corners.data() + 3);
    glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_INT, indices.data());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glNormal3fv(corners.data() + 6 * size_t(indices.back()) + 3);
}

}  // namespace

void DrawLowDetailModel(double scale) { DrawModelArrays(LowDetailArrays(), scale); }

void DrawHighDetailModel(double scale) { DrawModelArrays(HighDetailArrays(), scale); }

void SetLightPosition(uint32_t light, double x, double y, double z) {
    Light4(light, GL_POSITION, x, y, z, 1.0);
    LightRecord& r = RecordOf(light);
    r.directional = 0;
    r.position[0] = x;
    r.position[1] = y;
    r.position[2] = z;
}

void SetLightDirection(uint32_t light, double x, double y, double z) {
    Light4(light, GL_POSITION, x, y, z, 0.0);
    LightRecord& r = RecordOf(light);
    r.directional = 1;
    r.direction[0] = x;
    r.direction[1] = y;
    r.direction[2] = z;
}

void SetLightColors(uint32_t light, const ColorValue& c, double ambient, double diffuse,
                    double specular) {
    Light4(light, GL_AMBIENT, c.red * ambient, c.green * ambient, c.blue * ambient,
           c.alpha * ambient);
    Light4(light, GL_DIFFUSE, c.red * diffuse, c.green * diffuse, c.blue * diffuse,
           c.alpha * diffuse);
    Light4(light, GL_SPECULAR, c.red * specular, c.green * specular, c.blue * specular,
           c.alpha * specular);
    LightRecord& r = RecordOf(light);
    r.color = c;
    r.ambient = ambient;
    r.diffuse = diffuse;
    r.specular = specular;
}

void SetLightAttenuation(uint32_t light, double constant, double linear, double quadratic) {
    glLightf(GLLight(light), GL_CONSTANT_ATTENUATION, GLfloat(constant));
    glLightf(GLLight(light), GL_LINEAR_ATTENUATION, GLfloat(linear));
    glLightf(GLLight(light), GL_QUADRATIC_ATTENUATION, GLfloat(quadratic));
    LightRecord& r = RecordOf(light);
    r.hasAttenuation = 1;
    r.constantAttenuation = constant;
    r.linearAttenuation = linear;
    r.quadraticAttenuation = quadratic;
}

void EnableLight(uint32_t light) {
    glEnable(GLLight(light));
    RecordOf(light).enabled = 1;
}

void SetMaterial(double ambient, double diffuse, double specular, double emission,
                 double shininess) {
    Material4(GL_AMBIENT, ambient, ambient, ambient, 1.0);
    Material4(GL_DIFFUSE, diffuse, diffuse, diffuse, 1.0);
    Material4(GL_SPECULAR, specular, specular, specular, 1.0);
    Material4(GL_EMISSION, emission, emission, emission, 1.0);
    glMaterialf(GL_FRONT, GL_SHININESS, GLfloat(shininess));
}

void SetMaterialColors(const ColorValue& c, double ambient, double diffuse, double specular,
                       double emission, double shininess) {
    Material4(GL_AMBIENT, c.red * ambient, c.green * ambient, c.blue * ambient, c.alpha);
    Material4(GL_DIFFUSE, c.red * diffuse, c.green * diffuse, c.blue * diffuse, c.alpha);
    Material4(GL_SPECULAR, c.red * specular, c.green * specular, c.blue * specular, c.alpha);
    Material4(GL_EMISSION, c.red * emission, c.green * emission, c.blue * emission, c.alpha);
    glMaterialf(GL_FRONT, GL_SHININESS, GLfloat(shininess));
}

void DrawTimingTestScene() {
    static const MeshVertex kCorners[3] = {
        {-1.0, 0.5, -1.0, 0.0, 0.0, 1.0, 0.0, 0.0},
        {1.0, 0.0, -1.0, 0.0, 0.0, 1.0, 0.0, 0.0},
        {-1.0, -0.5, -1.0, 0.0, 0.0, 1.0, 0.0, 0.0},
    };
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(0.0, 0.0, -5.0);
    for (int layer = 0; layer < 5; ++layer) {
        for (int a = 0; a < 10; ++a) {
            glPushMatrix();
            glRotated(double(a * 36), 0.0, 1.0, 0.0);
            glBegin(GL_TRIANGLES);
            for (int i = 0; i < 10; ++i) {
                for (int j = 0; j < 10; ++j) {
                    for (const MeshVertex& m : kCorners) {
                        glNormal3d(m.nx, m.ny, m.nz);
                        glVertex3d(m.x * 0.01 + (j - 5) * 0.2, m.y * 0.01 + (i - 5) * 0.2,
                                   m.z * 3.0);
                    }
                }
            }
            glEnd();
            glPopMatrix();
        }
        glTranslated(0.0, 0.0, -0.02);
    }
    glPopMatrix();
}
