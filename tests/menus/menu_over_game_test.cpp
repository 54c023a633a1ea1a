// The menu framework over the open game window: the sample menu closes the window
// while it is up and leaving it reopens the window with every texture; closing the
// background frame ends it with 5006 and sets the quit flag.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include "display/dp_session.h"
#include "display/dp_texture.h"
#include "display/dp_texture_image.h"
#include "display/dp_window.h"
#include "menu_test_support.h"
#include "menus/mn_menu.h"
#include "sample_menu.h"

namespace {

class MenuOverGame : public ::testing::Test {
protected:
    void SetUp() override {
        QuitRequested = 0;
        AcquireGameDisplay();
        ASSERT_TRUE(OpenGameSession(nullptr));
        image = AllocateTextureImage(8, 8);
        texture = MakeTexture(image, true, TextureCategoryForeground);
    }
    void TearDown() override {
        DeleteTexture(texture);
        FreeTextureImage(image);
        CloseGameSession();
        ReleaseGameDisplay();
        FlushToolkit();
        QuitRequested = 0;
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

}  // namespace
