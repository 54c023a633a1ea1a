// Drawing one frame of the game: the well (rippling floor, curved inner wall, rim,
// outer wall), the blocks and fragments near the view, the craft, the exhaust puffs
// and the screen fade; the glow lights under the floor; the breaking lid of the
// descent scene.
//
// Everything is drawn in world coordinates: the game loop keeps the whole view in
// the projection matrix and leaves the modelview at the identity, and DrawWorld
// shifts the projection by the camera height for the frame.
#pragma once

#include <cstdint>

#include "display/dp_gl_state.h"
#include "texgen/tg_generators.h"

struct GameWorld;
struct GLTexture;
struct QualitySettings;

// The noise-frame table (GetNoiseFrames, owned by the planet object): kNoiseFrameCount
// frames of one value (0..1) per floor vertex, frame k vertex i at
// kFloorVertexCount * k + i. The 32 frames span ten seconds and loop.

// The well's meshes, built once; the band meshes' heights and v are rewritten before
// each draw. Exposed for the tests.
const MeshVertex* FloorMeshVertices();    // 26 vertices; y as the last draw left it
const int32_t* FloorMeshIndices();        // 33 triangles
const MeshVertex* BlockMeshVertices();    // 24 vertices, unit cube (0,0,0)-(1,1,1)
const int32_t* BlockMeshIndices();        // 12 triangles
const MeshVertex* LidMeshVertices();      // 12 vertices
const int32_t* LidMeshIndices();          // 10 triangles
const double* LidTrianglePhases();        // 10 phases
// The band meshes as the last Draw...Wall/Rim call left them (22 vertices each) and
// their shared index list (20 triangles).
const MeshVertex* InnerWallMeshVertices();
const MeshVertex* OuterWallMeshVertices();
const MeshVertex* RimMeshVertices();
const int32_t* BandMeshIndices();

// The value of every floor vertex at `time` seconds, blended between two frames;
// 0.5 everywhere without a table.
void InterpolateNoiseFrames(const double* frames, double time, double out[kFloorVertexCount]);

// Colours lights 0, 1, 2 from floor vertices 18, 15 and 25: (1, 1, value, 0) with
// ambient 0.2, diffuse 0.6, specular 0.
void SetGlowLights(const double* frames, double time);

// The wall bands for goal height h: the inner wall from y = -1 (v 0) to h
// (v (h + 1) / 8), the outer wall from h (v 0) to h + 100 (v 4).
void ShapeInnerWall(double h);
void ShapeOuterWall(double h);

void DrawWellFloor(const GLTexture* texture, double time, const double* frames);
void DrawInnerWall(const GLTexture* texture, double h);
void DrawOuterWall(const GLTexture* texture, double h);
void DrawRimSurface(const GLTexture* texture, double h);

// Whether a block centred at height y lies in the band that is drawn (from 10 below
// to 20 above the camera, both bounds included).
bool BlockInDrawnBand(double cameraY, double y);
void DrawBlock(const GameWorld& world, double x, double y, double z, uint16_t colour);
// Every block and fragment in the band: carried, falling, dropped, settled, fragments.
void DrawBlocks(const GameWorld& world);
// The craft's detail and the second, smoothed pass of outlines follow the quality given.
void DrawWellAndBlocks(const GameWorld& world, const QualitySettings& quality);
void DrawWorld(const GameWorld& world, const QualitySettings& quality);

// The descent scene's lid breaking up, t from 0 (whole) to 1 (fallen away).
void DrawShatteringMesh(const GLTexture* texture, double t);
// Its motion parameters at t: r turns the pieces, s drops the lid by 6 s^2.
void ShatteringMotion(double t, double* r, double* s);
