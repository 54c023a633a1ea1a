// The game's drawing: mesh tables of the well, the block and the lid, and the frame.
#include "game/gm_draw.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "display/dp_view_cull.h"
#include "game/gm_world.h"

namespace {

// ---------------------------------------------------------------------------
// Mesh tables
// ---------------------------------------------------------------------------

// The well's curve in the x-z plane, left to right: eleven points on the near half of
// the circle of radius 10.6 about (x 0, z 5.6), the normals pointing at that centre,
// u the arc length from point 0 divided by 8 (inner wall) or, along the outer curve,
// by 25 (outer wall).
struct CurvePoint {
    double x, z, nx, nz, innerU, outerU;
};
constexpr CurvePoint kWellCurve[11] = {
    {-10.6, 5.6, 1, 0, 0, 0},
    {-9, 0, 0.849057, 0.528302, 0.737494, 0.569957},
    {-8, -1.35414, 0.754717, 0.656051, 0.948136, 0.732748},
    {-6, -3.13842, 0.566038, 0.824379, 1.28406, 0.992364},
    {-4, -4.21631, 0.377358, 0.926067, 1.56861, 1.21227},
    {0, -5, 0, 1, 2.0813, 1.6085},
    {4, -4.21631, -0.377358, 0.926067, 2.594, 2.00472},
    {6, -3.13842, -0.566038, 0.824379, 2.87855, 2.22463},
    {8, -1.35414, -0.754717, 0.656051, 3.21448, 2.48424},
    {9, 0, -0.849057, 0.528302, 3.42512, 2.64703},
    {10.6, 5.6, -1, 0, 4.16261, 3.21699},
};
// The outer curve is the inner one scaled about (0, 5.6) by 25.6 / 10.6.
constexpr double kOuterScale = 2.415094339622642;
constexpr double kCurveCentreZ = 5.6;

constexpr int32_t kFloorIndices[33 * 3 + 1] = {
    18, 19, 0, 19, 1, 0, 19, 20, 1, 20, 2, 1, 20, 21, 2, 21, 3, 2, 21, 22, 3,
    22, 4, 3, 22, 23, 4, 23, 5, 4, 23, 24, 5, 24, 6, 5, 24, 25, 6,
    0, 1, 7, 1, 8, 7, 1, 2, 8, 2, 9, 8, 2, 3, 9, 3, 10, 9, 3, 4, 10,
    4, 11, 10, 4, 5, 11, 5, 12, 11, 5, 6, 12,
    7, 8, 13, 8, 14, 13, 8, 9, 14, 9, 15, 14, 9, 10, 15, 10, 16, 15, 10, 11, 16,
    11, 17, 16, 11, 12, 17,
    -1,
};

// The block atlas: 4 columns x 2 rows, each face one cell inset by 1/64.
struct BlockFace {
    double normal[3];
    double corners[4][3];
    double u[4];
    double v[4];
};
constexpr BlockFace kBlockFaces[6] = {
    {{0, 0, -1}, {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {1, 1, 15, 15}, {31, 1, 1, 31}},
    {{1, 0, 0}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}, {17, 17, 31, 31}, {31, 1, 1, 31}},
    {{0, 0, 1}, {{1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1}}, {33, 33, 47, 47}, {31, 1, 1, 31}},
    {{-1, 0, 0}, {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {0, 0, 0}}, {49, 49, 63, 63}, {31, 1, 1, 31}},
    {{0, -1, 0}, {{0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {1, 0, 1}}, {1, 1, 15, 15}, {63, 33, 33, 63}},
    {{0, 1, 0}, {{1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}}, {33, 33, 47, 47}, {63, 33, 33, 63}},
};

constexpr double kLidPhases[10] = {0.773433, 0.46384,  0.0,      0.624376, 0.33353,
                                   0.454692, 0.804852, 0.867613, 0.257084, 0.716989};

struct WellMeshes {
    MeshVertex floor[kFloorVertexCount];
    MeshVertex inner[22];
    MeshVertex outer[22];
    MeshVertex rim[22];
    int32_t band[20 * 3 + 1];
    MeshVertex block[24];
    int32_t blockIndices[12 * 3 + 1];
    MeshVertex lid[12];
    int32_t lidIndices[10 * 3 + 1];
};

MeshVertex Vertex(double x, double y, double z, double nx, double ny, double nz, double u,
                  double v) {
    return MeshVertex{x, y, z, nx, ny, nz, u, v};
}

double OuterX(const CurvePoint& p) { return kOuterScale * p.x; }
double OuterZ(const CurvePoint& p) { return kCurveCentreZ + kOuterScale * (p.z - kCurveCentreZ); }

WellMeshes BuildWellMeshes() {
    WellMeshes m{};
    for (int i = 0; i < kFloorVertexCount; ++i) {
        const double x = kFloorVertexX[i], z = kFloorVertexZ[i];
        m.floor[i] = Vertex(x, 0, z, 0, 1, 0, 0.3 * x, -0.3 * z);
    }
    for (uint32_t i = 0; i < 11; ++i) {
        const CurvePoint& p = kWellCurve[i];
        m.inner[i] = Vertex(p.x, -1, p.z, p.nx, 0, p.nz, p.innerU, 0);
        m.inner[i + 11] = Vertex(p.x, 0, p.z, p.nx, 0, p.nz, p.innerU, 0);
        m.outer[i] = Vertex(OuterX(p), 0, OuterZ(p), p.nx, 0, p.nz, p.outerU, 0);
        m.outer[i + 11] = Vertex(OuterX(p), 100, OuterZ(p), p.nx, 0, p.nz, p.outerU, 4);
        m.rim[i] = Vertex(p.x, 0, p.z, 0, 1, 0, p.x / 10, p.z / 10);
        m.rim[i + 11] = Vertex(OuterX(p), 0, OuterZ(p), 0, 1, 0, OuterX(p) / 10, OuterZ(p) / 10);
        m.lid[i] = Vertex(p.x, 0, p.z, 0, 1, 0, p.x / 10, p.z / 10);
    }
    m.lid[11] = Vertex(0, 0, kCurveCentreZ, 0, 1, 0, 0, kCurveCentreZ / 10);
    int32_t* t = m.band;
    for (int32_t i = 0; i < 10; ++i) {
        *t++ = i, *t++ = i + 12, *t++ = i + 11;
        *t++ = i, *t++ = i + 1, *t++ = i + 12;
    }
    *t = -1;
    t = m.blockIndices;
    for (int32_t f = 0; f < 6; ++f) {
        const BlockFace& face = kBlockFaces[f];
        for (int k = 0; k < 4; ++k) {
            m.block[4 * f + k] = Vertex(face.corners[k][0], face.corners[k][1], face.corners[k][2],
                                        face.normal[0], face.normal[1], face.normal[2],
                                        face.u[k] / 64, face.v[k] / 64);
        }
        *t++ = 4 * f, *t++ = 4 * f + 1, *t++ = 4 * f + 2;
        *t++ = 4 * f, *t++ = 4 * f + 2, *t++ = 4 * f + 3;
    }
    *t = -1;
    t = m.lidIndices;
    for (int32_t i = 0; i < 10; ++i) *t++ = i + 1, *t++ = i, *t++ = 11;
    *t = -1;
    return m;
}

// Main thread: the band and floor rows are rewritten before every draw.
WellMeshes g_meshes = BuildWellMeshes();

void White() { glColor4d(1.0, 1.0, 1.0, 1.0); }

const GLTexture* BlockTexture(const GameWorld& world, uint16_t colour) {
    return colour < 12 ? world.blockTextures[colour] : nullptr;
}

// Draws blocks one after another from the block mesh's arrays: each block its own
// draw under its own two translations, but a texture is bound only when it differs from
// the one the block before used (binding is all the unbind between them did). Blocks
// out of the window and faces turned away are left out, as they would give no pixel.
// Every so many blocks the drawing so far goes to the renderer, so a software renderer's
// threads fill while this one goes on.
class BlockRun {
public:
    explicit BlockRun(const GameWorld& world)
        : m_world(world),
          m_arrays(g_meshes.block, g_meshes.blockIndices, 1.0),
          m_kept(m_arrays.IndexCount()) {}
    ~BlockRun() { glBindTexture(GL_TEXTURE_2D, 0); }
    BlockRun(const BlockRun&) = delete;
    BlockRun& operator=(const BlockRun&) = delete;

    void Draw(double x, double y, double z, uint16_t colour) {
        // Up to 1024 settled blocks: those outside the view's band cost no GL call.
        if (!BlockInDrawnBand(m_world.cameraY, y)) return;
        const double corner[3] = {x - 0.5, y - 0.5, z - 0.5};
        const uint32_t count = m_view.KeptTriangles(m_arrays, corner, m_kept.data());
        if (count == 0) {
            // Nothing to send, but the state after the run is as if it had been.
            m_arrays.DrawTriangles(m_kept.data(), 0);
            return;
        }
        const GLTexture* texture = BlockTexture(m_world, colour);
        const GLuint name = texture && texture->uploaded ? texture->name : 0;
        if (name != m_bound) {
            glBindTexture(GL_TEXTURE_2D, name);
            m_bound = name;
        }
        glPushMatrix();
        glTranslated(x, y, z);
        glTranslated(-0.5, -0.5, -0.5);
        m_arrays.DrawTriangles(m_kept.data(), count);
        glPopMatrix();
        if (++m_drawn % kBlocksPerFlush == 0) glFlush();
    }

    template <uint32_t N>
    void DrawPool(const TBlockPool<N>& pool) {
        for (uint32_t i = 0; i < pool.count && i < N; ++i) {
            const Block& b = pool.entries[i];
            Draw(b.x, b.y, b.z, b.colour);
        }
    }

private:
    static constexpr uint32_t kBlocksPerFlush = 128;

    const GameWorld& m_world;
    MeshArrays m_arrays;
    ViewCuller m_view;
    std::vector<uint32_t> m_kept;  // the triangles of the block being drawn
    GLuint m_bound = 0;  // every draw before the run leaves texture 0 bound
    uint32_t m_drawn = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Mesh access
// ---------------------------------------------------------------------------

const MeshVertex* FloorMeshVertices() { return g_meshes.floor; }
const int32_t* FloorMeshIndices() { return kFloorIndices; }
const MeshVertex* BlockMeshVertices() { return g_meshes.block; }
const int32_t* BlockMeshIndices() { return g_meshes.blockIndices; }
const MeshVertex* LidMeshVertices() { return g_meshes.lid; }
const int32_t* LidMeshIndices() { return g_meshes.lidIndices; }
const double* LidTrianglePhases() { return kLidPhases; }
const MeshVertex* InnerWallMeshVertices() { return g_meshes.inner; }
const MeshVertex* OuterWallMeshVertices() { return g_meshes.outer; }
const MeshVertex* RimMeshVertices() { return g_meshes.rim; }
const int32_t* BandMeshIndices() { return g_meshes.band; }

// ---------------------------------------------------------------------------
// Floor, glow lights and well parts
// ---------------------------------------------------------------------------

void InterpolateNoiseFrames(const double* frames, double time, double out[kFloorVertexCount]) {
    if (!frames) {
        for (int i = 0; i < kFloorVertexCount; ++i) out[i] = 0.5;
        return;
    }
    const double a = time * 0.1;
    double p = (a - std::trunc(a)) * kNoiseFrameCount;
    // Only a time before the start (or no number at all) leaves 0..32: wrap it into
    // the cycle, so no frame index ever points outside the table.
    if (p < 0) p += kNoiseFrameCount;
    if (!(p >= 0 && p < kNoiseFrameCount)) p = 0;
    const double k = std::trunc(p);
    const double f = p - k;
    const int k1 = int(k) % kNoiseFrameCount;
    const int k2 = (k1 + 1) % kNoiseFrameCount;
    const double* f1 = frames + kFloorVertexCount * k1;
    const double* f2 = frames + kFloorVertexCount * k2;
    for (int i = 0; i < kFloorVertexCount; ++i) out[i] = f1[i] + (f2[i] - f1[i]) * f;
}

void SetGlowLights(const double* frames, double time) {
    double values[kFloorVertexCount];
    InterpolateNoiseFrames(frames, time, values);
    const uint32_t vertexOfLight[3] = {18, 15, 25};
    for (uint32_t light = 0; light < 3; ++light) {
        const ColorValue colour = {1, 1, values[vertexOfLight[light]], 0};
        SetLightColors(light, colour, 0.2, 0.6, 0);
    }
}

void DrawWellFloor(const GLTexture* texture, double time, const double* frames) {
    double values[kFloorVertexCount];
    InterpolateNoiseFrames(frames, time, values);
    for (int i = 0; i < kFloorVertexCount; ++i) g_meshes.floor[i].y = (0.5 - values[i]) * 2;
    White();
    DrawTexturedMesh(texture, g_meshes.floor, kFloorIndices, 1.0);
}

void ShapeInnerWall(double h) {
    for (uint32_t i = 0; i < 11; ++i) {
        g_meshes.inner[i].y = -1;
        g_meshes.inner[i].v = 0;
        g_meshes.inner[i + 11].y = h;
        g_meshes.inner[i + 11].v = (h + 1) * 0.125;
    }
}

void ShapeOuterWall(double h) {
    for (uint32_t i = 0; i < 11; ++i) {
        g_meshes.outer[i].y = h;
        g_meshes.outer[i].v = 0;
        g_meshes.outer[i + 11].y = h + 100;
        g_meshes.outer[i + 11].v = 4;
    }
}

void DrawInnerWall(const GLTexture* texture, double h) {
    ShapeInnerWall(h);
    White();
    DrawTexturedMesh(texture, g_meshes.inner, g_meshes.band, 1.0);
}

void DrawOuterWall(const GLTexture* texture, double h) {
    ShapeOuterWall(h);
    White();
    DrawTexturedMesh(texture, g_meshes.outer, g_meshes.band, 1.0);
}

void DrawRimSurface(const GLTexture* texture, double h) {
    glPushMatrix();
    glTranslated(0.0, h, 0.0);
    White();
    DrawTexturedMesh(texture, g_meshes.rim, g_meshes.band, 1.0);
    glPopMatrix();
}

// ---------------------------------------------------------------------------
// Blocks, craft and the frame
// ---------------------------------------------------------------------------

bool BlockInDrawnBand(double cameraY, double y) {
    return cameraY - 10 <= y && y <= cameraY + 20;
}

void DrawBlock(const GameWorld& world, double x, double y, double z, uint16_t colour) {
    BlockRun(world).Draw(x, y, z, colour);
}

void DrawBlocks(const GameWorld& world) {
    glFlush();  // the well's large fills go to the renderer first
    BlockRun run(world);
    run.DrawPool(world.carried);
    run.DrawPool(world.falling);
    run.DrawPool(world.dropped);
    run.DrawPool(world.settled);
    for (uint32_t i = 0; i < world.fragments.count && i < world.fragments.kCapacity; ++i) {
        const Block& b = world.fragments.entries[i].block;
        run.Draw(b.x, b.y, b.z, b.colour);
    }
}

void DrawWellAndBlocks(const GameWorld& world, const QualitySettings& quality) {
    White();
    SetMaterial(0, 0, 0, 1, 0);
    DrawWellFloor(world.floorTexture, world.time, world.noiseFrames);
    SetMaterial(0, 0, 0, 0.8, 0);
    DrawOuterWall(world.outerWallTexture, world.goalHeight);
    SetMaterial(0.2, 0.8, 0, 0, 0);
    DrawInnerWall(world.innerWallTexture, world.goalHeight);
    SetMaterial(0.2, 0.5, 0, 0.3, 0);
    DrawRimSurface(world.rimTexture, world.goalHeight);

    SetMaterial(0.2, 0.8, 0, 0, 0);
    DrawBlocks(world);

    White();
    const ColorValue grey = {1, 0.5, 0.5, 0.5};
    SetMaterialColors(grey, 0.2, 0.8, 0, 0, 0);
    glPushMatrix();
    glTranslated(world.playerX, world.playerY, 0.0);
    if (quality.HighQualityModels)
        DrawHighDetailModel(0.5);
    else
        DrawLowDetailModel(0.5);
    glPopMatrix();
}

void DrawWorld(const GameWorld& world, const QualitySettings& quality) {
    ClearGameScreen();
    // The view follows the camera height by shifting the projection; the modelview
    // stays the identity, so lights and meshes are all in world coordinates.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslated(0.0, -world.cameraY, 0.0);
    glMatrixMode(GL_MODELVIEW);

    SetGlowLights(world.noiseFrames, world.time);
    DrawWellAndBlocks(world, quality);
    if (quality.SmoothPolygons) {
        // The filled scene goes to the renderer now: a software renderer's own threads
        // fill it while this one sets up the outlines, rather than both waiting for the
        // end of the frame. The pixels are the same either way.
        glFlush();
        // Every edge again as a smoothed line over the filled scene.
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        DrawWellAndBlocks(world, quality);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }

    // Exhaust puffs: each later one 1/640 nearer the viewer, so they never fight.
    White();
    glPushMatrix();
    SetMaterial(0, 0, 0, 1, 0);
    for (uint32_t i = 0; i < world.puffs.count && i < world.puffs.kCapacity; ++i) {
        const ExhaustPuff& puff = world.puffs.entries[i];
        glTranslated(0.0, 0.0, 1.0 / 640.0);
        const double x = puff.x + puff.dx * puff.age;
        const double y = puff.y + puff.dy * puff.age;
        const double s = 0.05 + 0.25 * puff.age;
        const double p1[2] = {x - s, y - s}, p2[2] = {x - s, y + s};
        const double p3[2] = {x + s, y + s}, p4[2] = {x + s, y - s};
        DrawTexturedQuad(world.glowTexture, p1, p2, p3, p4, 1, 1, 0, 0);
    }
    glPopMatrix();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    DrawScreenFade(world.fade);
}

// ---------------------------------------------------------------------------
// The breaking lid
// ---------------------------------------------------------------------------

void ShatteringMotion(double t, double* r, double* s) {
    if (t < 0.33) {
        *r = 0;
        *s = 0;
        return;
    }
    *r = (t - 0.33) / 0.67;
    *s = t > 0.5 ? 2 * (t - 0.5) : 0;
}

void DrawShatteringMesh(const GLTexture* texture, double t) {
    double r, s;
    ShatteringMotion(t, &r, &s);
    glPushMatrix();
    glTranslated(0.0, -6 * s * s, 0.0);
    const int32_t* index = g_meshes.lidIndices;
    for (uint32_t i = 0; i < 10; ++i, index += 3) {
        const MeshVertex& a = g_meshes.lid[index[0]];
        const MeshVertex& b = g_meshes.lid[index[1]];
        const MeshVertex& c = g_meshes.lid[index[2]];
        glPushMatrix();
        if (r != 0) {
            const double cx = (a.x + b.x + c.x) / 3;
            const double cy = (a.y + b.y + c.y) / 3;
            const double cz = (a.z + b.z + c.z) / 3;
            const double phi = kLidPhases[i];
            glTranslated(-cx, -cy, -cz);
            glRotated(360 * phi, 0.0, 0.0, 1.0);
            glRotated(60 * r, 1.0, 0.0, 0.0);
            glRotated(-360 * phi, 0.0, 0.0, 1.0);
            glTranslated(cx, cy, cz);
        }
        DrawTexturedTriangle(texture, &a, &b, &c, 1.0);
        glPopMatrix();
    }
    glPopMatrix();
}
