// The game's drawing in a real context: the band of drawn blocks, the state a frame
// leaves behind, the glow lights.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "game/gm_draw.h"
#include "game/gm_world.h"
#include "gl_support.h"

namespace {

// Makes the record in force the same with one switch changed.
void SetQuality(bool QualitySettings::*field, bool value) {
    QualitySettings quality = *ActiveQualitySettings();
    quality.*field = value;
    SetActiveQualitySettings(quality);
}

// The world drawn with the quality in force.
void DrawInForce(const GameWorld& world) { DrawWorld(world, *ActiveQualitySettings()); }

class GameDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenTestWindow(200, 200));
        world.reset(new GameWorld);
        std::memset(static_cast<void*>(world.get()), 0, sizeof(GameWorld));
        world->cameraY = 7;
        world->fade = 1;
        quality = *ActiveQualitySettings();
    }
    void TearDown() override {
        SetActiveQualitySettings(quality);
        CloseTestWindow();
    }
    // A flat view of x and y from -50 to 50 and nothing else in the way.
    void FlatView() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-50, 50, -50, 50, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glDisable(GL_CULL_FACE);
        glColor4d(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The window pixel of world point (x, y) in the flat view.
    Rgba PixelOf(double x, double y) {
        return ReadPixel(int32_t((x + 50) * 2), int32_t((y + 50) * 2));
    }

    std::unique_ptr<GameWorld> world;
    QualitySettings quality;
};

TEST_F(GameDrawing, BlocksAreDrawnFromTenBelowToTwentyAboveTheCamera) {
    FlatView();
    DrawBlock(*world, -20, 27, 0, 0);                        // top bound: drawn
    DrawBlock(*world, 0, -3, 0, 0);                          // bottom bound: drawn
    DrawBlock(*world, 20, std::nextafter(27.0, 28.0), 0, 0); // just above: not drawn
    DrawBlock(*world, 30, std::nextafter(-3.0, -4.0), 0, 0); // just below: not drawn
    EXPECT_GT(PixelOf(-20, 27).r, 200);
    EXPECT_GT(PixelOf(0, -3).r, 200);
    EXPECT_EQ(PixelOf(20, 27).r, 0);
    EXPECT_EQ(PixelOf(30, -3).r, 0);
    // An unknown colour draws untextured rather than reading past the table.
    DrawBlock(*world, 40, 7, 0, 200);
    EXPECT_GT(PixelOf(40, 7).r, 200);
}

TEST_F(GameDrawing, AFrameLeavesTheViewAndFillModeAsItFoundThem) {
    BeginScene3D(true);
    glRotated(15.0, 1.0, 0.0, 0.0);
    glTranslated(0.0, -12.0, -34.0);
    GLdouble before[16], after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, before);
    SetQuality(&QualitySettings::SmoothPolygons, true);
    world->cameraY = 23;
    DrawInForce(*world);
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    GLint mode = 0, polygon[2] = {0, 0};
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_POLYGON_MODE, polygon);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(polygon[0], GL_FILL);
    EXPECT_EQ(polygon[1], GL_FILL);
    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GameDrawing, GlowLightsTakeTheirGreenFromThreeFloorVertices) {
    std::vector<double> frames(kNoiseFrameCount * kFloorVertexCount, 0.0);
    frames[18] = 0.25;
    frames[15] = 0.5;
    frames[25] = 0.75;
    BeginScene3D(true);
    SetGlowLights(frames.data(), 0);
    const double green[3] = {0.25, 0.5, 0.75};
    for (uint32_t light = 0; light < 3; ++light) {
        const LightRecord& r = GetGLModeCache().lights[light];
        EXPECT_EQ(r.color.green, green[light]);
        EXPECT_EQ(r.color.red, 1);
        EXPECT_EQ(r.color.blue, 0);
        EXPECT_EQ(r.ambient, 0.2);
        EXPECT_EQ(r.diffuse, 0.6);
        GLfloat diffuse[4];
        glGetLightfv(GL_LIGHT0 + light, GL_DIFFUSE, diffuse);
        EXPECT_FLOAT_EQ(diffuse[1], float(0.6 * green[light]));
    }
}

// ---------------------------------------------------------------------------
// What is drawn, in order: OpenGL's feedback mode hands back every primitive that
// would be rasterised, with its corners in window coordinates.
// ---------------------------------------------------------------------------

struct FedPoint {
    double x, y, z;
};
struct FedPrimitive {
    bool line;                    // an edge of a polygon drawn as lines
    std::vector<FedPoint> corners;
};

// The primitives of draw(), with the corners taken back to world coordinates through
// the wide flat view below (x and y from -200 to 200, z as well), the projection
// shifted down by cameraY as DrawWorld shifts it.
std::vector<FedPrimitive> Feedback(double cameraY, const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    std::vector<FedPrimitive> out;
    EXPECT_GE(n, 0) << "feedback buffer overflow";
    auto corner = [&](GLint at) {
        // Window x = (x + 200) / 2 on a 200-pixel window; depth (1 - z / 200) / 2.
        return FedPoint{2.0 * buffer[at] - 200, 2.0 * buffer[at + 1] - 200 + cameraY,
                        (1 - 2.0 * buffer[at + 2]) * 200};
    };
    for (GLint i = 0; i < n;) {
        const GLint token = GLint(buffer[i]);
        FedPrimitive p;
        if (token == GL_POLYGON_TOKEN) {
            const GLint count = GLint(buffer[i + 1]);
            p.line = false;
            for (GLint k = 0; k < count; ++k) p.corners.push_back(corner(i + 2 + 3 * k));
            i += 2 + 3 * count;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            p.line = true;
            p.corners = {corner(i + 1), corner(i + 4)};
            i += 7;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        out.push_back(p);
    }
    return out;
}

class DrawnPrimitives : public GameDrawing {
protected:
    void SetUp() override {
        GameDrawing::SetUp();
        glowImage = AllocateTextureImage(4, 4);
        ASSERT_NE(glowImage, nullptr);
        std::memset(glowImage->pixels, 255, 4 * 4 * 4);
        glow = MakeTexture(glowImage, true, TextureCategoryForeground, ActiveTextureFilters());
        ASSERT_NE(glow, nullptr);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-200, 200, -200, 200, -200, 200);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
    }
    void TearDown() override {
        DeleteTexture(glow);
        FreeTextureImage(glowImage);
        GameDrawing::TearDown();
    }
    static void ExpectCorner(const FedPoint& p, double x, double y, double z) {
        EXPECT_NEAR(p.x, x, 1e-3);
        EXPECT_NEAR(p.y, y, 1e-3);
        EXPECT_NEAR(p.z, z, 1e-3);
    }

    TextureImage* glowImage = nullptr;
    GLTexture* glow = nullptr;
};

// The x range of a primitive's corners.
void XRange(const FedPrimitive& p, double* lo, double* hi) {
    *lo = 1e9;
    *hi = -1e9;
    for (const FedPoint& c : p.corners) *lo = std::fmin(*lo, c.x), *hi = std::fmax(*hi, c.x);
}

TEST_F(DrawnPrimitives, TheWellThenTheBlocksPoolByPoolThenTheCraftThenThePuffs) {
    SetQuality(&QualitySettings::SmoothPolygons, false);
    SetQuality(&QualitySettings::HighQualityModels, false);
    world->goalHeight = 40;
    world->cameraY = 7;
    world->playerX = 60;
    world->playerY = 3;
    world->glowTexture = glow;
    auto put = [](Block& b, double x, double y) {
        b.x = x;
        b.y = y;
        b.z = 0;
        b.colour = 0;
    };
    world->carried.count = 1;
    put(world->carried.entries[0], -20, 5);
    world->falling.count = 1;
    put(world->falling.entries[0], -10, 6);
    world->dropped.count = 1;
    put(world->dropped.entries[0], 0, -3);   // the band's lower bound: drawn
    world->settled.count = 3;
    put(world->settled.entries[0], 10, 27);  // the upper bound: drawn
    put(world->settled.entries[1], 30, 27.5);  // above the band: skipped
    put(world->settled.entries[2], 40, -3.5);  // below it: skipped
    world->fragments.count = 1;
    put(world->fragments.entries[0].block, 20, 9);
    // Two puffs: the later one drawn 1/640 nearer; z and dz are not used.
    world->puffs.count = 2;
    world->puffs.entries[0] = {0.5, 100, 10, 3, 0, 1, 0};
    world->puffs.entries[1] = {0.2, 120, 20, -4, 1, 0, 9};

    const std::vector<FedPrimitive> drawn = Feedback(world->cameraY, [&] { DrawInForce(*world); });
    size_t at = 0;
    auto expectRun = [&](size_t count, const char* what,
                         const std::function<bool(const FedPoint&)>& fits) {
        for (size_t i = 0; i < count; ++i, ++at) {
            ASSERT_LT(at, drawn.size()) << what;
            EXPECT_FALSE(drawn[at].line) << what;
            ASSERT_EQ(drawn[at].corners.size(), 3u) << what << " " << i;
            for (const FedPoint& c : drawn[at].corners) EXPECT_TRUE(fits(c)) << what << " " << i;
        }
    };
    // Without a noise table the floor lies flat at 0.
    expectRun(33, "floor", [](const FedPoint& c) { return std::fabs(c.y) < 1e-3; });
    expectRun(20, "outer wall", [](const FedPoint& c) {
        return std::fabs(c.y - 40) < 1e-3 || std::fabs(c.y - 140) < 1e-3;
    });
    expectRun(20, "inner wall", [](const FedPoint& c) {
        return (std::fabs(c.y + 1) < 1e-3 || std::fabs(c.y - 40) < 1e-3) &&
               std::hypot(c.x, c.z - 5.6) < 10.6 + 1e-3;
    });
    expectRun(20, "rim", [](const FedPoint& c) { return std::fabs(c.y - 40) < 1e-3; });
    const double blockX[5] = {-20, -10, 0, 10, 20};  // carried, falling, dropped, settled, fragment
    for (double x : blockX) {
        expectRun(12, "block", [x](const FedPoint& c) {
            return c.x > x - 0.5 - 1e-3 && c.x < x + 0.5 + 1e-3;
        });
    }
    // The craft around (60, 3): every triangle until the puffs.
    size_t craft = 0;
    for (double lo, hi; at < drawn.size(); ++craft, ++at) {
        XRange(drawn[at], &lo, &hi);
        if (lo > 90) break;
        EXPECT_GT(lo, 50);
        EXPECT_LT(hi, 70);
    }
    EXPECT_GT(craft, 0u);
    // The puffs: squares of half-size 0.05 + 0.25 age about (x + dx age, y + dy age),
    // each handed back as two triangles, the later 1/640 nearer than the earlier.
    ASSERT_EQ(drawn.size(), at + 4);
    const double centre[2][2] = {{100, 10.5}, {120.2, 20}};
    const double half[2] = {0.175, 0.1};
    for (int k = 0; k < 2; ++k) {
        const double z = (k + 1) / 640.0;
        bool seen[4] = {false, false, false, false};
        for (int t = 0; t < 2; ++t) {
            for (const FedPoint& c : drawn[at + 2 * k + t].corners) {
                EXPECT_NEAR(c.z, z, 1e-4);
                const double dx = c.x - centre[k][0], dy = c.y - centre[k][1];
                EXPECT_NEAR(std::fabs(dx), half[k], 1e-3) << k;
                EXPECT_NEAR(std::fabs(dy), half[k], 1e-3) << k;
                seen[(dx > 0 ? 1 : 0) + (dy > 0 ? 2 : 0)] = true;
            }
        }
        EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]) << k;
    }
}

TEST_F(DrawnPrimitives, SmoothPolygonsDrawsTheWellAndBlocksAgainAsLines) {
    SetQuality(&QualitySettings::HighQualityModels, false);
    world->goalHeight = 20;
    world->settled.count = 1;
    world->settled.entries[0].y = 7;
    SetQuality(&QualitySettings::SmoothPolygons, false);
    const std::vector<FedPrimitive> once = Feedback(world->cameraY, [&] { DrawInForce(*world); });
    SetQuality(&QualitySettings::SmoothPolygons, true);
    const std::vector<FedPrimitive> twice = Feedback(world->cameraY, [&] { DrawInForce(*world); });
    size_t corners = 0;
    for (const FedPrimitive& p : once) {
        EXPECT_FALSE(p.line);
        corners += p.corners.size();
    }
    // Nothing is clipped in this view: the second pass is every triangle's three
    // edges, after the filled pass.
    ASSERT_EQ(twice.size(), once.size() + corners);
    for (size_t i = 0; i < once.size(); ++i) EXPECT_FALSE(twice[i].line);
    for (size_t i = once.size(); i < twice.size(); ++i) EXPECT_TRUE(twice[i].line);
    GLint polygon[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygon);
    EXPECT_EQ(polygon[0], GL_FILL);
}

TEST_F(DrawnPrimitives, TheFloorAtTimeZeroIsTheFirstFrameAndTenSecondsLater) {
    std::vector<double> frames(kNoiseFrameCount * kFloorVertexCount);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = double((i * 13) % 29) / 28.0;
    for (double time : {0.0, 10.0}) {
        DrawWellFloor(nullptr, time, frames.data());
        const MeshVertex* floor = FloorMeshVertices();
        for (int i = 0; i < kFloorVertexCount; ++i)
            EXPECT_EQ(floor[i].y, (0.5 - frames[i]) * 2) << time << " " << i;
    }
}

// Rotates p by `degrees` about the unit axis a (right-handed), Rodrigues' formula.
FedPoint Rotate(FedPoint p, const double a[3], double degrees) {
    const double t = degrees * M_PI / 180, c = std::cos(t), s = std::sin(t);
    const double dot = a[0] * p.x + a[1] * p.y + a[2] * p.z;
    const double cross[3] = {a[1] * p.z - a[2] * p.y, a[2] * p.x - a[0] * p.z,
                             a[0] * p.y - a[1] * p.x};
    return {p.x * c + cross[0] * s + a[0] * dot * (1 - c),
            p.y * c + cross[1] * s + a[1] * dot * (1 - c),
            p.z * c + cross[2] * s + a[2] * dot * (1 - c)};
}

TEST_F(DrawnPrimitives, TheLidIsWholeBeforeAThirdAndTurnedAndDroppedAtTheEnd) {
    const MeshVertex* lid = LidMeshVertices();
    const int32_t* index = LidMeshIndices();
    const double* phase = LidTrianglePhases();
    for (double t : {0.0, 0.33}) {
        const std::vector<FedPrimitive> drawn =
            Feedback(0, [&] { DrawShatteringMesh(glow, t); });
        ASSERT_EQ(drawn.size(), 10u);
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(drawn[i].corners.size(), 3u);
            for (int k = 0; k < 3; ++k) {
                const MeshVertex& v = lid[index[3 * i + k]];
                ExpectCorner(drawn[i].corners[k], v.x, v.y, v.z);
            }
        }
    }
    // At t = 1 (r = 1, s = 1) every corner v becomes R(v + c) - c, dropped by 6, with
    // c its triangle's centroid and R a turn of 60 degrees about the horizontal axis
    // (cos 360 phi, sin 360 phi, 0).
    const std::vector<FedPrimitive> drawn = Feedback(0, [&] { DrawShatteringMesh(glow, 1.0); });
    ASSERT_EQ(drawn.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const MeshVertex* v[3] = {&lid[index[3 * i]], &lid[index[3 * i + 1]],
                                  &lid[index[3 * i + 2]]};
        const FedPoint c = {(v[0]->x + v[1]->x + v[2]->x) / 3, (v[0]->y + v[1]->y + v[2]->y) / 3,
                            (v[0]->z + v[1]->z + v[2]->z) / 3};
        const double axis[3] = {std::cos(2 * M_PI * phase[i]), std::sin(2 * M_PI * phase[i]), 0};
        ASSERT_EQ(drawn[i].corners.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            const FedPoint turned = Rotate({v[k]->x + c.x, v[k]->y + c.y, v[k]->z + c.z}, axis, 60);
            ExpectCorner(drawn[i].corners[k], turned.x - c.x, turned.y - c.y - 6, turned.z - c.z);
        }
    }
}

}  // namespace
