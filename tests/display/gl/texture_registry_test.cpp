// Texture upload with the quality filters, the registry's order and indices, release
// and restore across a new context, residency and the statistics.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "gl_support.h"

namespace {

TextureImage* SolidImage(uint32_t columns, uint32_t rows, uint8_t r, uint8_t g, uint8_t b) {
    TextureImage* image = AllocateTextureImage(columns, rows);
    for (uint32_t i = 0; i < columns * rows; ++i) {
        uint8_t* p = image->pixels + i * 4;
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    }
    return image;
}

class TextureRegistry : public GLWindowTest {
protected:
    TextureRegistry() : GLWindowTest(320, 240) {}
    void TearDown() override {
        while (RegisteredTextureCount() > 0) DeleteTexture(RegisteredTexture(0));
        for (TextureImage* image : m_images) FreeTextureImage(image);
        GLWindowTest::TearDown();
    }
    GLTexture* Make(uint32_t columns, uint32_t rows, uint8_t r, uint8_t g, uint8_t b,
                    bool alpha = true, TextureCategory category = TextureCategoryForeground,
                    TextureFilters filters = ActiveTextureFilters()) {
        TextureImage* image = SolidImage(columns, rows, r, g, b);
        m_images.push_back(image);
        return MakeTexture(image, alpha, category, filters);
    }
    // Draws the texture over the whole window and reads the centre.
    Rgba DrawnColour(const GLTexture* t) {
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4d(1.0, 1.0, 1.0, 1.0);
        const double p1[2] = {0, 0}, p2[2] = {0, 240}, p3[2] = {320, 240}, p4[2] = {320, 0};
        DrawTexturedQuad(t, p1, p2, p3, p4, 1.0, 1.0, 0.0, 0.0);
        return ReadPixel(160, 120);
    }
    std::vector<TextureImage*> m_images;
};

TEST_F(TextureRegistry, UploadRegistersInOrderWithTheQualityFilters) {
    GLTexture* a = Make(8, 4, 255, 0, 0);
    GLTexture* b = Make(8, 4, 0, 255, 0);
    EXPECT_EQ(RegisteredTextureCount(), 2u);
    EXPECT_EQ(a->index, 0u);
    EXPECT_EQ(b->index, 1u);
    EXPECT_EQ(a->uploaded, 1);
    EXPECT_NE(a->name, b->name);
    glBindTexture(GL_TEXTURE_2D, a->name);
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR_MIPMAP_NEAREST);  // MinFilter 3 by default
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &v);
    EXPECT_EQ(v, GL_REPEAT);
    // Mipmapped: the whole chain down to 1 x 1 is loaded (8x4, 4x2, 2x1, 1x1).
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &v);
    EXPECT_EQ(v, 1);
    ASSERT_NE(a->image->next, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    Rgba c = DrawnColour(b);
    EXPECT_EQ(c.g, 255);
    EXPECT_EQ(c.r, 0);
}

TEST_F(TextureRegistry, WithoutMipmapsOnlyLevelZeroIsLoaded) {
    GLTexture* a = Make(8, 4, 10, 20, 30, true, TextureCategoryForeground, {1, 1});
    EXPECT_EQ(a->image->next, nullptr);
    glBindTexture(GL_TEXTURE_2D, a->name);
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &v);
    EXPECT_EQ(v, 0);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TextureRegistry, HandEditedFilterValuesStayInsideTheTable) {
    GLTexture* a = Make(4, 4, 1, 2, 3, true, TextureCategoryForeground, {-2, 40});
    glBindTexture(GL_TEXTURE_2D, a->name);
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    EXPECT_EQ(v, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &v);
    EXPECT_EQ(v, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TextureRegistry, DeletingSwapsTheLastIntoTheGap) {
    GLTexture* a = Make(2, 2, 1, 0, 0);
    Make(2, 2, 2, 0, 0);
    GLTexture* c = Make(2, 2, 3, 0, 0);
    DeleteTexture(a);
    ASSERT_EQ(RegisteredTextureCount(), 2u);
    EXPECT_EQ(RegisteredTexture(0), c);
    EXPECT_EQ(c->index, 0u);
    DeleteTexture(RegisteredTexture(1));
    DeleteTexture(c);
    EXPECT_EQ(RegisteredTextureCount(), 0u);
    // A record that was never uploaded is only freed; null is nothing.
    DeleteTexture(MakeTexture(nullptr, true, TextureCategoryFixed, ActiveTextureFilters()));
    DeleteTexture(nullptr);
    EXPECT_EQ(RegisteredTextureCount(), 0u);
}

TEST_F(TextureRegistry, StatisticsCountLevelZeroBytesPerCategory) {
    Make(256, 256, 0, 0, 0, true, TextureCategoryBackground);
    Make(256, 256, 0, 0, 0, false, TextureCategoryForeground);
    Make(16, 8, 0, 0, 0, true, TextureCategoryDebug);
    uint32_t fg = 9, bg = 9, fixed = 9, debug = 9;
    GetTextureStats(&fg, &bg, &fixed, &debug);
    EXPECT_EQ(bg, 262144u);
    EXPECT_EQ(fg, 196608u);
    EXPECT_EQ(fixed, 0u);
    EXPECT_EQ(debug, 512u);
    GetTextureStats(nullptr, nullptr, nullptr, &debug);
    EXPECT_EQ(debug, 512u);
    EXPECT_EQ(CountResidentTextures(), 3u);
}

TEST_F(TextureRegistry, StripsBecomeFixedTexturesWithNullsPastTheFrames) {
    TextureStrip strip;
    strip.frameCount = 2;
    strip.rowCount = 1;
    strip.frames = {SolidImage(4, 4, 9, 9, 9), SolidImage(4, 4, 7, 7, 7)};
    GLTexture* out[3] = {};
    CreateTextures(out, 3, strip, ActiveTextureFilters());
    ASSERT_NE(out[2], nullptr);
    EXPECT_EQ(out[0]->category, TextureCategoryFixed);
    EXPECT_EQ(out[0]->hasAlpha, 1);
    EXPECT_EQ(out[1]->uploaded, 1);
    EXPECT_EQ(out[2]->image, nullptr);
    EXPECT_EQ(out[2]->uploaded, 0);
    EXPECT_EQ(RegisteredTextureCount(), 2u);
    for (GLTexture* t : out) DeleteTexture(t);
    FreeTextureImages(strip);
}

TEST_F(TextureRegistry, EveryTextureSurvivesANewWindowAndContext) {
    GLTexture* red = Make(16, 16, 255, 0, 0);
    GLTexture* gone = Make(16, 16, 0, 0, 255);
    GLTexture* green = Make(16, 16, 0, 255, 0);
    GLTexture* white =
        Make(16, 16, 255, 255, 255, false, TextureCategoryBackground, {0, 1});
    DeleteTexture(gone);
    // A lit 3-D scene with one light, as a screen would leave it.
    BeginScene3D(true);
    EnableLight(3);
    SetLightPosition(3, 1.0, 2.0, 3.0);
    SetLightColors(3, {1.0, 0.5, 0.25, 1.0}, 0.1, 0.9, 0.4);
    SetLightAttenuation(3, 1.0, 0.1, 0.01);
    glMatrixMode(GL_PROJECTION);
    glScaled(1.0, 2.0, 1.0);  // the screen's own tweak of the projection
    GLdouble before[16];
    glGetDoublev(GL_PROJECTION_MATRIX, before);

    ReleaseGLResources();
    CloseTestWindow();
    ASSERT_TRUE(OpenTestWindow(320, 240, false));
    RestoreGLResources();

    ASSERT_EQ(RegisteredTextureCount(), 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(RegisteredTexture(i)->index, i);
    EXPECT_EQ(RegisteredTexture(0), red);
    EXPECT_EQ(RegisteredTexture(1), white);  // the last moved into the deleted one's place
    EXPECT_EQ(RegisteredTexture(2), green);
    // Each texture is uploaded again with the filters it was made with.
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, white->name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, green->name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(GetGLModeCache().lights[3].enabled, 1);
    GLfloat v[4];
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, v);
    EXPECT_FLOAT_EQ(v[0], 0.45f);   // red 0.5 x 0.9 (colours are alpha, red, green, blue)
    EXPECT_FLOAT_EQ(v[1], 0.225f);
    glGetLightfv(GL_LIGHT3, GL_LINEAR_ATTENUATION, v);
    EXPECT_FLOAT_EQ(v[0], 0.1f);
    GLdouble after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(after[i], before[i], 1e-6);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // The new names hold the pictures again.
    BeginScene2D();
    glDisable(GL_CULL_FACE);
    EXPECT_EQ(DrawnColour(red).r, 255);
    EXPECT_EQ(DrawnColour(green).g, 255);
    EXPECT_EQ(DrawnColour(green).r, 0);
}

}  // namespace

namespace {

// A texture made while no window exists (say under a menu that closed it) has no
// name in any context yet: the restore must upload it like every other.
TEST_F(TextureRegistry, ATextureMadeWhileTheWindowIsClosedIsUploadedAtTheRestore) {
    GLTexture* red = Make(16, 16, 255, 0, 0);
    ReleaseGLResources();
    CloseTestWindow();
    GLTexture* green = Make(16, 16, 0, 255, 0);
    ASSERT_TRUE(OpenTestWindow(320, 240, false));
    RestoreGLResources();
    ASSERT_EQ(RegisteredTextureCount(), 2u);
    EXPECT_EQ(RegisteredTexture(0), red);
    EXPECT_EQ(RegisteredTexture(1), green);
    EXPECT_TRUE(glIsTexture(green->name));
    EXPECT_NE(green->name, red->name);
    BeginScene2D();
    glDisable(GL_CULL_FACE);
    EXPECT_EQ(DrawnColour(green).g, 255);
    EXPECT_EQ(DrawnColour(red).r, 255);
}

// Between the release and the restore a record's name belongs to the dead context;
// in the new one the same number may already be another texture's.
TEST_F(TextureRegistry, DeletingAStaleRecordLeavesTheNewContextsTexturesAlone) {
    GLTexture* old = Make(16, 16, 255, 0, 0);
    ReleaseGLResources();
    CloseTestWindow();
    ASSERT_TRUE(OpenTestWindow(320, 240, false));
    GLTexture* fresh = Make(16, 16, 0, 255, 0);  // as the debug font of a new window
    ASSERT_EQ(fresh->name, old->name);  // both the first name of their context
    DeleteTexture(old);
    RestoreGLResources();
    ASSERT_EQ(RegisteredTextureCount(), 1u);
    EXPECT_EQ(RegisteredTexture(0), fresh);
    EXPECT_TRUE(glIsTexture(fresh->name));
    BeginScene2D();
    glDisable(GL_CULL_FACE);
    EXPECT_EQ(DrawnColour(fresh).g, 255);
}

}  // namespace
