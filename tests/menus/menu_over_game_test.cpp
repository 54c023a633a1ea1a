// The menu framework over the open game window: the sample menu closes the window
// while it is up and leaving it reopens the window with every texture; closing the
// background frame ends it with 5006 and sets the quit flag, also when the window
// system asks and when the quit came while the menu was opening; every window offers
// the window manager its close.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include "app/app_texture_image.h"
#include "display/dp_command_ids.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "display/dp_texture.h"
#include "display/dp_background_frame.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "menu_test_support.h"
#include "menus/mn_menu.h"
#include "platform/pf_window.h"
#include "sample_menu.h"

namespace {

class MenuOverGame : public ::testing::Test {
protected:
    void SetUp() override {
        AcquireGameDisplay();
        ASSERT_TRUE(OpenGameSession(nullptr));
        image = AllocateTextureImage(8, 8);
        texture = MakeTexture(image, true, TextureCategoryForeground, ActiveTextureFilters());
    }
    void TearDown() override {
        DeleteTexture(texture);
        FreeTextureImage(image);
        CloseGameSession();
        ReleaseGameDisplay();
        FlushToolkit();
    }
    TextureImage* image = nullptr;
    GLTexture* texture = nullptr;
};

TEST_F(MenuOverGame, TheWindowClosesForTheMenuAndComesBackWithItsTextures) {
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    bool closed = false;
    const int result = RunModal(sample.menu.get(), [&] {
        closed = !GameWindowExists();
        sample.menu->EndModal(MenuResultOk);
    });
    EXPECT_EQ(result, MenuResultOk);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(GameWindowExists());
    EXPECT_EQ(RegisteredTextureCount(), 1u);
    EXPECT_EQ(texture->uploaded, 1);
    EXPECT_EQ(CurrentModalMenu(), nullptr);
}

TEST_F(MenuOverGame, ClosingTheBackgroundFrameEndsTheMenuWithExit) {
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    const int result = RunModal(sample.menu.get(), [] { GetBackgroundFrame()->Close(); });
    EXPECT_EQ(result, MenuResultExit);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_TRUE(GameWindowExists());
}

// The window manager closes the frame behind the menu (Alt+F4 while it has the focus,
// its task bar entry): the toolkit drops such a request while a modal dialog is up.
TEST_F(MenuOverGame, TheWindowSystemClosingTheBackgroundFrameEndsTheMenuWithExit) {
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    const int result = RunModal(sample.menu.get(), [] {
        EXPECT_TRUE(SendCloseRequest(GetBackgroundFrame()));
    });
    EXPECT_EQ(result, MenuResultExit);
    EXPECT_EQ(QuitRequested, 1);
}

// Opening the menu closes the game window, which runs the toolkit's queued events: an
// exit command queued then (SIGTERM's way in) must still end the menu once it is up.
TEST_F(MenuOverGame, AQuitQueuedAsTheMenuOpensOverTheGameEndsItWithExit) {
    ASSERT_TRUE(GameWindowExists());
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    GetBackgroundFrame()->GetEventHandler()->QueueEvent(
        new wxCommandEvent(wxEVT_MENU, kCommandExit));
    const int result = RunModal(sample.menu.get(), [] {});
    EXPECT_EQ(result, MenuResultExit);
    EXPECT_EQ(QuitRequested, 1);
}

// Borderless as they are, the background frame, the game window and the menus tell the
// window manager they may be closed; some (metacity) ignore Alt+F4 on a window that
// does not.
TEST_F(MenuOverGame, EveryWindowOffersTheWindowManagerItsClose) {
    EXPECT_TRUE(OffersCloseToWindowManager(GetBackgroundFrame()));
    EXPECT_TRUE(OffersCloseToWindowManager(PfGameWindowFrame()));
    SampleMenuValues values;
    SampleMenu sample = BuildSampleMenu(values);
    bool menuOffers = false;
    RunModal(sample.menu.get(), [&] {
        menuOffers = OffersCloseToWindowManager(sample.menu.get());
        sample.menu->EndModal(MenuResultOk);
    });
    EXPECT_TRUE(menuOffers);
}

}  // namespace
