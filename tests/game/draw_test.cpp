// The drawing's data and arithmetic without a window: the meshes face the camera
// the way back-face culling needs, the atlas cells, the noise-frame blend, the band
// of drawn blocks and the lid's motion.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/gm_draw.h"

namespace {

struct Vec {
    double x, y, z;
};
Vec Sub(const MeshVertex& a, const MeshVertex& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec Cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Every triangle's winding agrees with its corners' normals (front faces are those
// seen counter-clockwise, so the normals must point out of the front side).
void ExpectWindingFollowsNormals(const MeshVertex* v, const int32_t* indices, int triangles) {
    int count = 0;
    for (const int32_t* t = indices; t[0] >= 0; t += 3, ++count) {
        const Vec n = Cross(Sub(v[t[1]], v[t[0]]), Sub(v[t[2]], v[t[0]]));
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& c = v[t[k]];
            EXPECT_GT(n.x * c.nx + n.y * c.ny + n.z * c.nz, 0) << "triangle " << count;
        }
    }
    EXPECT_EQ(count, triangles);
}

TEST(GameMeshes, EveryMeshIsWoundTowardItsNormals) {
    ExpectWindingFollowsNormals(FloorMeshVertices(), FloorMeshIndices(), 33);
    ExpectWindingFollowsNormals(BlockMeshVertices(), BlockMeshIndices(), 12);
    ExpectWindingFollowsNormals(LidMeshVertices(), LidMeshIndices(), 10);
}

TEST(GameMeshes, TheOuterCurveIsTheInnerScaledAboutTheWellsCentre) {
    const MeshVertex* outer = OuterWallMeshVertices();
    EXPECT_NEAR(outer[0].x, -25.6, 1e-12);
    EXPECT_NEAR(outer[10].x, 25.6, 1e-12);
    EXPECT_NEAR(outer[5].z, -20.0, 1e-12);
    const MeshVertex* rim = RimMeshVertices();
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(rim[i].u, rim[i].x / 10);
        EXPECT_EQ(rim[i].v, rim[i].z / 10);
        EXPECT_EQ(rim[i].ny, 1);
    }
    // The rim joins the inner curve to the outer one.
    EXPECT_EQ(rim[5].z, -5);
    EXPECT_EQ(rim[16].z, outer[5].z);
}

TEST(GameMeshes, TheWellCurveLiesOnItsCircleWithArcLengthTextureU) {
    // Eleven points on the near half of the circle of radius 10.6 about (0, 5.6);
    // inner u is the arc from the leftmost point over 8, outer u the arc of the
    // outer curve (radius 25.6) over 25; normals point at the centre. The table
    // holds six digits.
    const double xs[11] = {-10.6, -9, -8, -6, -4, 0, 4, 6, 8, 9, 10.6};
    const MeshVertex* inner = InnerWallMeshVertices();
    const MeshVertex* outer = OuterWallMeshVertices();
    for (int i = 0; i < 11; ++i) {
        const double angle = std::acos(-xs[i] / 10.6);  // turned from the leftmost point
        for (const MeshVertex* row : {inner + i, inner + 11 + i}) {
            EXPECT_EQ(row->x, xs[i]);
            EXPECT_NEAR(row->z, 5.6 - std::sqrt(10.6 * 10.6 - xs[i] * xs[i]), 1e-5) << i;
            EXPECT_NEAR(row->u, 10.6 * angle / 8, 1e-5) << i;
            EXPECT_NEAR(row->nx, -xs[i] / 10.6, 1e-6) << i;
            EXPECT_NEAR(row->nz, (5.6 - row->z) / 10.6, 1e-6) << i;
            EXPECT_EQ(row->ny, 0);
        }
        for (const MeshVertex* row : {outer + i, outer + 11 + i}) {
            EXPECT_NEAR(row->u, 25.6 * angle / 25, 1e-5) << i;
            EXPECT_NEAR(row->x, 25.6 / 10.6 * xs[i], 1e-12) << i;
            EXPECT_EQ(row->nx, inner[i].nx);
            EXPECT_EQ(row->nz, inner[i].nz);
        }
    }
    // The floor: four rows of the lattice, u = 0.3 x and v = -0.3 z, facing up.
    const MeshVertex* floor = FloorMeshVertices();
    const struct {
        int first, count;
        double z, x0;
    } rows[4] = {{0, 7, 0, -9}, {7, 6, -3, -7.5}, {13, 5, -6, -6}, {18, 8, 3, -10.5}};
    for (const auto& row : rows) {
        for (int k = 0; k < row.count; ++k) {
            const MeshVertex& v = floor[row.first + k];
            EXPECT_EQ(v.x, row.x0 + 3 * k) << row.first + k;
            EXPECT_EQ(v.z, row.z) << row.first + k;
            EXPECT_EQ(v.u, 0.3 * v.x);
            EXPECT_EQ(v.v, -0.3 * v.z);
            EXPECT_EQ(v.ny, 1);
        }
    }
}

TEST(GameMeshes, BlockFacesUseInsetAtlasCells) {
    const MeshVertex* v = BlockMeshVertices();
    for (int f = 0; f < 6; ++f) {
        double umin = 1, umax = 0, vmin = 1, vmax = 0;
        for (int k = 0; k < 4; ++k) {
            const MeshVertex& c = v[4 * f + k];
            EXPECT_EQ(c.u * 64, std::floor(c.u * 64));
            umin = std::fmin(umin, c.u), umax = std::fmax(umax, c.u);
            vmin = std::fmin(vmin, c.v), vmax = std::fmax(vmax, c.v);
            // Each corner lies on its face's side of the cube.
            const double along = c.nx * (c.x - 0.5) + c.ny * (c.y - 0.5) + c.nz * (c.z - 0.5);
            EXPECT_EQ(along, 0.5) << f;
        }
        // One cell of 16 x 32 texels of a 64-wide grid, less a texel on each side.
        EXPECT_EQ((umax - umin) * 64, 14) << f;
        EXPECT_EQ((vmax - vmin) * 64, 30) << f;
    }
}

TEST(GameMeshes, TheBandsTakeTheGoalHeight) {
    ShapeOuterWall(40);
    ShapeInnerWall(40);
    const MeshVertex* inner = InnerWallMeshVertices();
    const MeshVertex* outer = OuterWallMeshVertices();
    EXPECT_EQ(inner[3].y, -1);
    EXPECT_EQ(inner[14].y, 40);
    EXPECT_EQ(inner[14].v, 41 * 0.125);
    EXPECT_EQ(outer[3].y, 40);
    EXPECT_EQ(outer[14].y, 140);
    EXPECT_EQ(outer[14].v, 4);
    ExpectWindingFollowsNormals(inner, BandMeshIndices(), 20);
    ExpectWindingFollowsNormals(outer, BandMeshIndices(), 20);
}

std::vector<double> Frames() {
    std::vector<double> frames(kNoiseFrameCount * kFloorVertexCount);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = double((i * 37) % 101) / 100.0;
    return frames;
}

TEST(NoiseFrames, TimeZeroIsTheFirstFrameAndTenSecondsACycle) {
    const std::vector<double> frames = Frames();
    double at0[kFloorVertexCount], at10[kFloorVertexCount];
    InterpolateNoiseFrames(frames.data(), 0, at0);
    InterpolateNoiseFrames(frames.data(), 10, at10);
    for (int i = 0; i < kFloorVertexCount; ++i) {
        EXPECT_EQ(at0[i], frames[i]);
        EXPECT_EQ(at10[i], frames[i]);
    }
}

TEST(NoiseFrames, BlendsBetweenNeighboursAndWrapsAfterTheLast) {
    const std::vector<double> frames = Frames();
    double out[kFloorVertexCount];
    // a = 0.015625, p = 0.5: half way from frame 0 to frame 1.
    InterpolateNoiseFrames(frames.data(), 0.15625, out);
    for (int i = 0; i < kFloorVertexCount; ++i)
        EXPECT_EQ(out[i], frames[i] + (frames[26 + i] - frames[i]) * 0.5);
    // a = 0.984375, p = 31.5: half way from frame 31 back to frame 0.
    InterpolateNoiseFrames(frames.data(), 9.84375, out);
    for (int i = 0; i < kFloorVertexCount; ++i) {
        const double f31 = frames[31 * 26 + i];
        EXPECT_NEAR(out[i], f31 + (frames[i] - f31) * 0.5, 1e-12);
    }
    // Without a table the floor lies flat.
    InterpolateNoiseFrames(nullptr, 3, out);
    EXPECT_EQ(out[7], 0.5);
}

TEST(NoiseFrames, AnyTimeReadsInsideTheTable) {
    const std::vector<double> frames = Frames();
    double out[kFloorVertexCount];
    // a = -0.015625, p = -0.5: a time before the start wraps like the repeating
    // animation, half way from frame 31 back to frame 0, never before the table.
    InterpolateNoiseFrames(frames.data(), -0.15625, out);
    for (int i = 0; i < kFloorVertexCount; ++i) {
        const double f31 = frames[31 * 26 + i];
        EXPECT_NEAR(out[i], f31 + (frames[i] - f31) * 0.5, 1e-12) << i;
    }
    // A time that is no number shows the first frame.
    InterpolateNoiseFrames(frames.data(), std::nan(""), out);
    for (int i = 0; i < kFloorVertexCount; ++i) EXPECT_EQ(out[i], frames[i]) << i;
    InterpolateNoiseFrames(frames.data(), HUGE_VAL, out);
    for (int i = 0; i < kFloorVertexCount; ++i) EXPECT_EQ(out[i], frames[i]) << i;
}

TEST(DrawnBand, BothBoundsAreIncluded) {
    EXPECT_TRUE(BlockInDrawnBand(7, -3));
    EXPECT_TRUE(BlockInDrawnBand(7, 27));
    EXPECT_FALSE(BlockInDrawnBand(7, std::nextafter(-3.0, -4.0)));
    EXPECT_FALSE(BlockInDrawnBand(7, std::nextafter(27.0, 28.0)));
}

TEST(ShatteringLid, WholeBelowAThirdThenTurningAndFalling) {
    double r, s;
    for (double t : {0.0, 0.2, 0.3299}) {
        ShatteringMotion(t, &r, &s);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(s, 0);
    }
    ShatteringMotion(0.5, &r, &s);
    EXPECT_DOUBLE_EQ(r, 0.17 / 0.67);
    EXPECT_EQ(s, 0);
    ShatteringMotion(1, &r, &s);
    EXPECT_DOUBLE_EQ(r, 1);  // (1 - 0.33) / 0.67 is one ulp short of 1
    EXPECT_EQ(s, 1);  // turned 60 degrees, dropped by 6 units
    const MeshVertex* lid = LidMeshVertices();
    EXPECT_EQ(lid[11].z, 5.6);
    EXPECT_EQ(LidTrianglePhases()[2], 0.0);
}

}  // namespace
