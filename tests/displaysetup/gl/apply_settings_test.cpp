// Applying the display settings before a game in a real window: stored quality values
// become the current record (the generated textures come out at their sizes and
// filters), an automatic setting runs the quality test, and a poor result closes the
// window and asks the player; the prompt's choices.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/app_config.h"
#include "display/dp_command_ids.h"
#include "display/dp_input.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "displaysetup/ds_apply.h"
#include "fast_clock.h"
#include "menu_driver.h"
#include "menus/mn_menu.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "support/private_store.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

class ApplySettings : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        SetQualitySettingsValid(false);
    }
    void TearDown() override {
        ClearMenuActions();
        SetQualitySettingsValid(false);
    }
    PrivateStore m_store;
};

GLint TextureParameter(const GLTexture* t, GLenum which) {
    GLint v = 0;
    glBindTexture(GL_TEXTURE_2D, t->name);
    glGetTexParameteriv(GL_TEXTURE_2D, which, &v);
    glBindTexture(GL_TEXTURE_2D, 0);
    return v;
}

GLint TextureWidth(const GLTexture* t, GLint level) {
    GLint v = 0;
    glBindTexture(GL_TEXTURE_2D, t->name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &v);
    glBindTexture(GL_TEXTURE_2D, 0);
    return v;
}

TEST_F(ApplySettings, StoredValuesBecomeCurrentAndSizeTheTextures) {
    GameConfig.QualityAutomatic = 0;
    SetQualitySettings({0.0, false, false, true, 0, 0, 3, 2});
    const int32_t hidden = GetCursorState().hideCount;
    ASSERT_TRUE(ApplyDisplaySettings(false));
    EXPECT_TRUE(GameWindowExists());
    EXPECT_EQ(GetCursorState().hideCount, hidden);
    const QualitySettings& q = *ActiveQualitySettings();
    EXPECT_EQ(q.Score, 0.0);
    EXPECT_FALSE(q.Fade);
    EXPECT_FALSE(q.SmoothPolygons);
    EXPECT_TRUE(q.HighQualityModels);
    EXPECT_EQ(q.MagFilter, 0);
    EXPECT_EQ(q.MinFilter, 0);
    EXPECT_EQ(q.BackgroundTexture, 3);
    EXPECT_EQ(q.ForegroundTexture, 2);

    // The galaxy's star field is a background image (256 >> 3), its glow a
    // foreground one (128 >> 2); both uploaded unmipmapped with nearest filters.
    {
        CGalaxyGenerator galaxy(0, GameRecipeSettings());
        GLTexture* stars = MakeTexture(MakeStarFieldImage(galaxy), false,
                                       TextureCategoryBackground, ActiveTextureFilters());
        GLTexture* glow = MakeTexture(MakeGlowImage(galaxy), true, TextureCategoryForeground,
                                      ActiveTextureFilters());
        ASSERT_TRUE(stars && glow);
        EXPECT_EQ(TextureWidth(stars, 0), 32);
        EXPECT_EQ(TextureWidth(glow, 0), 32);
        EXPECT_EQ(TextureWidth(stars, 1), 0);
        EXPECT_EQ(TextureParameter(stars, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
        EXPECT_EQ(TextureParameter(glow, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        DeleteTexture(stars);
        DeleteTexture(glow);
    }
    CloseGameSession();
    EXPECT_FALSE(GameWindowExists());

    // Other stored values: other sizes, mipmapped.
    SetQualitySettings({0.0, true, true, true, 1, 5, 1, 4});
    ASSERT_TRUE(ApplyDisplaySettings(false));
    {
        CGalaxyGenerator galaxy(1, GameRecipeSettings());
        GLTexture* stars = MakeTexture(MakeStarFieldImage(galaxy), false,
                                       TextureCategoryBackground, ActiveTextureFilters());
        GLTexture* glow = MakeTexture(MakeGlowImage(galaxy), true, TextureCategoryForeground,
                                      ActiveTextureFilters());
        EXPECT_EQ(TextureWidth(stars, 0), 128);
        EXPECT_EQ(TextureWidth(stars, 1), 64);
        EXPECT_EQ(TextureWidth(glow, 0), 8);
        EXPECT_EQ(TextureParameter(stars, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        DeleteTexture(stars);
        DeleteTexture(glow);
    }
    CloseGameSession();
}

TEST_F(ApplySettings, AutomaticQualityIsMeasured) {
    GameConfig.QualityAutomatic = 1;
    SetQualitySettings({0.0, false, false, false, 0, 0, 3, 3});
    UseFastClock();
    ASSERT_TRUE(ApplyDisplaySettings(false));
    EXPECT_TRUE(GameWindowExists());
    // Fast frames: everything on, the largest textures.
    const QualitySettings& q = *ActiveQualitySettings();
    EXPECT_GT(q.Score, 0.1);
    EXPECT_TRUE(q.Fade);
    EXPECT_TRUE(q.SmoothPolygons);
    EXPECT_TRUE(q.HighQualityModels);
    EXPECT_GE(q.BackgroundTexture, 1);
    EXPECT_LE(q.BackgroundTexture, 3);
    EXPECT_EQ(GameConfig.BackgroundTexture, 3);  // the stored values are not touched
    CloseGameSession();
    EXPECT_FALSE(GameWindowExists());

    // Escape during the test: false, nothing held.
    PfPostInput({PlatformInputKind::KeyDown, false, 27, 0, 0});
    EXPECT_FALSE(ApplyDisplaySettings(false));
    EXPECT_FALSE(GameWindowExists());
}

// A clock on which every reading is 30 ms after the last: every frame looks slow.
uint32_t g_slowNow = 0;
uint32_t SlowClock() { return g_slowNow += 30; }
void NoSleep(uint32_t) {}

TEST_F(ApplySettings, PoorQualityClosesTheWindowAndAsks) {
    GameConfig.QualityAutomatic = 1;
    g_pfSeams.readClock = SlowClock;
    g_pfSeams.sleep = NoSleep;
    // The player cancels the prompt (which offers Ignore): false, the window closed,
    // and the poor settings current all the same.
    bool windowWhileAsked = true;
    OnNextMenu([&](CKorvexMenu* m) {
        windowWhileAsked = GameWindowExists();
        EXPECT_EQ(MenuButtonLabels(m)[1], "Ignore");
        ClickMenuButton(m, DisplayProblemCancel);
    });
    EXPECT_FALSE(ApplyDisplaySettings(false));
    EXPECT_TRUE(MenuActionsDone());
    EXPECT_FALSE(windowWhileAsked);
    EXPECT_FALSE(GameWindowExists());
    const QualitySettings& q = *ActiveQualitySettings();
    EXPECT_LE(q.Score, 0.1);
    EXPECT_FALSE(q.Fade);
    EXPECT_EQ(q.BackgroundTexture, 1);  // every test texture was resident
}

TEST_F(ApplySettings, ThePromptsChoices) {
    // Ignore opens the window in the configured mode and holds it.
    EXPECT_TRUE(FollowDisplayProblemChoice(DisplayProblemIgnore));
    EXPECT_TRUE(GameWindowExists());
    CloseGameSession();
    EXPECT_FALSE(FollowDisplayProblemChoice(DisplayProblemCancel));
    EXPECT_FALSE(FollowDisplayProblemChoice(kCommandExit));
    EXPECT_FALSE(GameWindowExists());

    // Automatically: the one mode of this server is tested, stored, made current with
    // its quality, and the window opened in it.
    GameConfig.QualityAutomatic = 1;
    UseFastClock();
    const int32_t hidden = GetCursorState().hideCount;
    ASSERT_TRUE(FollowDisplayProblemChoice(DisplayProblemAutomatically));
    EXPECT_TRUE(GameWindowExists());
    EXPECT_EQ(GetCursorState().hideCount, hidden);
    EXPECT_EQ(GameConfig.GameWidth, GameWindowWidth);
    EXPECT_EQ(GameConfig.GameHeight, GameWindowHeight);
    EXPECT_GE(GameConfig.GameDepth, 16);
    EXPECT_GT(ActiveQualitySettings()->Score, 0.1);
    CloseGameSession();
    m_store.Load();
    EXPECT_EQ(GameConfig.GameWidth, GameWindowWidth);  // flushed to the store

    // Escape during the automatic test: false, nothing stored or held.
    GameConfig.GameWidth = 0;
    PfPostInput({PlatformInputKind::KeyDown, false, 27, 0, 0});
    EXPECT_FALSE(FollowDisplayProblemChoice(DisplayProblemAutomatically));
    EXPECT_FALSE(GameWindowExists());
    EXPECT_EQ(GameConfig.GameWidth, 0);
    EXPECT_EQ(GetCursorState().hideCount, hidden);
}

}  // namespace
