// The game window: opening on the configured monitor, a refused mode change, the
// window class, the closing frames, the debug font and its overlays.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/app_config.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "platform/pf_displays.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"

#include <wx/window.h>

namespace {

class GameWindow : public ::testing::Test {
protected:
    void SetUp() override {
        GameConfig.DebugFlags = 0;
        ResetFrameStatistics();
    }
    void TearDown() override {
        CloseGameWindow();
        GameConfig.DebugFlags = 0;
        while (RegisteredTextureCount() > 0) DeleteTexture(RegisteredTexture(0));
    }
};

TEST_F(GameWindow, ARefusedModeChangeLeavesTheWindowAtTheMonitorsSize) {
    PlatformRect monitor;
    ASSERT_TRUE(PfGetDisplayGeometry(0, &monitor));
    // The test server has one fixed mode, so 800 x 600 cannot be set.
    DisplayMode mode = {0, 800, 600, 24};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_TRUE(GameWindowExists());
    EXPECT_EQ(GameWindowLeft, monitor.left);
    EXPECT_EQ(GameWindowTop, monitor.top);
    EXPECT_EQ(GameWindowWidth, monitor.width);
    EXPECT_EQ(GameWindowHeight, monitor.height);
    EXPECT_FALSE(PfDisplayModesChanged());
    GLint viewport[4];
    ResetGLState2D();
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], monitor.width);
}

TEST_F(GameWindow, AVirtualServerOffersItsOneModeAndRefusesOthers) {
    PlatformDisplayMode current;
    ASSERT_TRUE(PfGetCurrentMode(0, &current));
    auto modes = PfListDisplayModes(0);
    ASSERT_FALSE(modes.empty());
    bool listed = false;
    for (const auto& m : modes)
        listed = listed || (m.width == current.width && m.height == current.height);
    EXPECT_TRUE(listed);
    EXPECT_FALSE(PfChangeDisplayMode(0, 800, 600));
    EXPECT_FALSE(PfDisplayModesChanged());
    EXPECT_FALSE(PfGetCurrentMode(7, &current));
    EXPECT_TRUE(PfListDisplayModes(7).empty());
    DisplayMode absent = {7, 800, 600, 0};
    EXPECT_FALSE(OpenGameWindow(&absent));
    EXPECT_FALSE(GameWindowExists());
}

TEST_F(GameWindow, TheCurrentModeIsNeverSetAgain) {
    PlatformDisplayMode current;
    ASSERT_TRUE(PfGetCurrentMode(0, &current));
    DisplayMode mode = {0, current.width, current.height, current.depth};
    ASSERT_TRUE(OpenGameWindow(&mode));
    EXPECT_FALSE(PfDisplayModesChanged());
    EXPECT_EQ(uint32_t(GameWindowWidth), current.width);
    CloseGameWindow();
    EXPECT_FALSE(GameWindowExists());
    PlatformDisplayMode after;
    ASSERT_TRUE(PfGetCurrentMode(0, &after));
    EXPECT_EQ(after.width, current.width);
}

TEST_F(GameWindow, AskingTheWindowToCloseBecomesAQuitRecord) {
    ASSERT_TRUE(OpenGameWindow(nullptr));
    PfClearInput();
    PfGameWindowFrame()->Close();  // as the window system would ask
    PfDispatchEvents();
    EXPECT_TRUE(GameWindowExists());     // the game decides, not the toolkit
    PlatformInput in;
    ASSERT_TRUE(PfTakeInput(&in));
    EXPECT_EQ(in.kind, PlatformInputKind::Quit);
}

TEST_F(GameWindow, ClosingPresentsTwoBlackFrames) {
    ASSERT_TRUE(OpenGameWindow(nullptr));
    uint32_t frames = GetFrameStatistics().frameCount;
    CloseGameWindow();
    EXPECT_EQ(GetFrameStatistics().frameCount, frames + 2);
    EXPECT_FALSE(GameWindowExists());
    CloseGameWindow();  // a second close is nothing
}

TEST_F(GameWindow, TheDebugFontIsUploadedOnceAcrossARestore) {
    GameConfig.DebugFlags = 1;
    ASSERT_TRUE(OpenGameWindow(nullptr));
    ASSERT_NE(GetDebugFont(), nullptr);
    EXPECT_EQ(GetDebugFont()->uploaded, 1);
    EXPECT_EQ(GetDebugFont()->category, TextureCategoryDebug);
    EXPECT_EQ(RegisteredTextureCount(), 1u);

    // What a menu does: release, close, reopen, restore.
    ReleaseGLResources();
    CloseGameWindow();
    EXPECT_EQ(GetDebugFont(), nullptr);
    EXPECT_EQ(RegisteredTextureCount(), 0u);
    ASSERT_TRUE(OpenGameWindow(nullptr));
    RestoreGLResources();
    ASSERT_EQ(RegisteredTextureCount(), 1u);
    EXPECT_EQ(RegisteredTexture(0), GetDebugFont());
    // One texture name alive in the new context, not two.
    int alive = 0;
    for (GLuint name = 1; name < 64; ++name) alive += glIsTexture(name) ? 1 : 0;
    EXPECT_EQ(alive, 1);
}

TEST_F(GameWindow, TheOverlaysStackUpFromTheBottomLeftCorner) {
    GameConfig.DebugFlags = 3;
    ASSERT_TRUE(OpenGameWindow(nullptr));
    ResetGLState2D();
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawFrameOverlays();
    // Rows 0..100 and columns 0..160 are covered (black boxes, white glyph cells).
    for (int y : {1, 19, 21, 99}) {
        Rgba p = ReadPixel(159, y);
        EXPECT_FALSE(p.r == 255 && p.g == 0) << "y " << y;
    }
    EXPECT_EQ(ReadPixel(161, 10).r, 255);
    EXPECT_EQ(ReadPixel(10, 101).r, 255);
    // The Debug row has the font's glyph cells drawn in white.
    bool white = false;
    for (int x = 0; x < 160 && !white; ++x) white = ReadPixel(x, 30).g == 255;
    EXPECT_TRUE(white);
}

}  // namespace
