// The game's drawing in a real context: the band of drawn blocks, the state a frame
// leaves behind, the glow lights.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "game/gm_draw.h"
#include "game/gm_world.h"
#include "gl_support.h"

namespace {

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
        *ActiveQualitySettings() = quality;
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
    ActiveQualitySettings()->SmoothPolygons = true;
    world->cameraY = 23;
    DrawWorld(*world);
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
        const LightRecord& r = g_glModeCache.lights[light];
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

}  // namespace
