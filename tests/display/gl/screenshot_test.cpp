// Screenshots of what the layer draws: the lit craft in both forms, a textured quad
// and glyph text in one picture, the loading screen in another. Both are saved in
// the build folder (craft_scene.png, loading_screen.png) to be looked at, and regions
// of them are checked here.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/app_texture_image.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_glyph_text.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

bool IsBackground(const Rgba& p) { return p.r == 20 && p.g == 24 && p.b == 40; }

void DrawCraftScene(GLTexture* checker, GLTexture* font) {
    glClearColor(20 / 255.0f, 24 / 255.0f, 40 / 255.0f, 1.0f);
    BeginScene3D(true);
    ClearGameScreen();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EnableLight(0);
    SetLightDirection(0, -0.4, 0.8, 0.6);
    SetLightColors(0, {1.0, 1.0, 0.95, 0.9}, 0.25, 0.9, 0.6);
    EnableLight(1);
    SetLightPosition(1, 0.0, -3.0, -6.0);
    SetLightColors(1, {1.0, 1.0, 0.5, 0.1}, 0.0, 0.8, 0.0);
    SetMaterialColors({1.0, 0.75, 0.78, 0.85}, 0.3, 0.8, 0.7, 0.0, 24.0);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int detail = 0; detail < 2; ++detail) {
        glPushMatrix();
        glTranslated(detail ? 1.6 : -1.6, 0.2, -9.0);
        glRotated(18.0, 1.0, 0.0, 0.0);
        glRotated(detail ? -30.0 : 30.0, 0.0, 1.0, 0.0);
        if (detail)
            DrawHighDetailModel(1.7);
        else
            DrawLowDetailModel(1.7);
        glPopMatrix();
    }
    PushOverlay2D();
    glColor4d(1.0, 1.0, 1.0, 1.0);
    const double p1[2] = {20, 20}, p2[2] = {20, 148}, p3[2] = {148, 148}, p4[2] = {148, 20};
    DrawTexturedQuad(checker, p1, p2, p3, p4, 2.0, 2.0, 0.0, 0.0);
    DrawGlyphText("Vorpane 2:10 (OK)", font, false, 200.0, 40.0, 600.0, 50.0);
    PopOverlay2D();
}

TEST(Screenshot, TheCraftTextAndLoadingScreen) {
    ASSERT_TRUE(OpenTestWindow(kWidth, kHeight));
    // Sharp checker squares: magnified without blending, no mipmaps.
    QualitySettings quality = *ActiveQualitySettings();
    quality.MinFilter = 1;
    quality.MagFilter = 0;
    SetActiveQualitySettings(quality);
    TextureImage* checker = AllocateTextureImage(8, 8);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            uint8_t* p = checker->pixels + (y * 8 + x) * 4;
            bool on = ((x / 4) + (y / 4)) % 2 == 0;
            p[0] = on ? 240 : 30;
            p[1] = on ? 200 : 30;
            p[2] = on ? 40 : 30;
            p[3] = 255;
        }
    GLTexture* checkerTexture =
        MakeTexture(checker, false, TextureCategoryFixed, ActiveTextureFilters());
    TextureImage* fontImage = LoadTextureImage("live_text");
    ASSERT_NE(fontImage, nullptr);
    GLTexture* font = MakeTexture(fontImage, true, TextureCategoryDebug, ActiveTextureFilters());

    DrawCraftScene(checkerTexture, font);
    EXPECT_TRUE(SaveBackBuffer("craft_scene.png", kWidth, kHeight));
    // Both crafts stand out from the background near their centres.
    int craftPixels[2] = {0, 0};
    for (int side = 0; side < 2; ++side)
        for (int dy = -40; dy <= 40; dy += 8)
            for (int dx = -60; dx <= 60; dx += 8)
                craftPixels[side] +=
                    IsBackground(ReadPixel((side ? 693 : 331) + dx, 406 + dy)) ? 0 : 1;
    EXPECT_GT(craftPixels[0], 100);
    EXPECT_GT(craftPixels[1], 100);
    EXPECT_TRUE(IsBackground(ReadPixel(512, 700)));
    // The checker repeats twice over the quad: yellow at its corner, grey beside.
    Rgba yellow = ReadPixel(24, 24);
    Rgba grey = ReadPixel(24 + 40, 24);
    EXPECT_EQ(yellow.r, 240);
    EXPECT_EQ(grey.r, 30);
    // Glyph cells are white in the test font; nothing is drawn right of the text.
    int white = 0;
    for (int x = 200; x < 800; x += 2) white += ReadPixel(x, 60).g == 255 ? 1 : 0;
    EXPECT_GT(white, 40);
    EXPECT_TRUE(IsBackground(ReadPixel(1000, 60)));

    // The loading screen at 60 %.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    BeginScene2D();
    static bool saved = false;
    static Rgba picture, filled, empty, below;
    g_pfSeams.beforeSwap = [] {
        saved = SaveBackBuffer("loading_screen.png", kWidth, kHeight);
        // The 200 x 40 picture centred at (412, 364); the bar at y 339..359, filled
        // to x 412 + 0.6 x 200 = 532.
        picture = ReadPixel(420, 380);
        filled = ReadPixel(530, 349);
        empty = ReadPixel(534, 349);
        below = ReadPixel(420, 337);
    };
    BeginLoadingScreen();
    DrawLoadingScreen(0.6);
    g_pfSeams.beforeSwap = nullptr;
    EndLoadingScreen();
    EXPECT_TRUE(saved);
    EXPECT_EQ(picture.g, 160);
    EXPECT_EQ(filled.r, 255);
    EXPECT_NEAR(empty.r, 26, 1);
    EXPECT_EQ(below.r, 0);

    DeleteTexture(checkerTexture);
    DeleteTexture(font);
    FreeTextureImage(checker);
    FreeTextureImage(fontImage);
    CloseTestWindow();
    SetQualitySettingsValid(false);
}

}  // namespace
