// A menu inside the display session: shown over the open game window it closes the
// window, gives the cursor back and sits centred on the chosen display under the
// background frame; leaving it reopens the window. Closing the background frame or
// sending it the exit command during a menu ends the menu with 5006 and sets the quit
// flag, also while a choice's pop-up is up.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include "display/dp_input.h"
#include "display/dp_session.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "menu_test_support.h"
#include "menus/mn_choice_popup.h"
#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"
#include "platform/pf_input.h"
#include "sample_menu.h"

namespace {

class MenuHandOff : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        AcquireGameDisplay();
        ASSERT_NE(GetBackgroundFrame(), nullptr);
        ASSERT_TRUE(OpenGameSession(nullptr));
        ASSERT_TRUE(GameWindowExists());
    }
    void TearDown() override {
        CloseGameSession();
        while (GameDisplayAcquired()) ReleaseGameDisplay();
        PumpFor(20);
    }
    SampleMenuValues m_values;
};

TEST_F(MenuHandOff, AMenuOverTheGameWindowClosesItAndLeavingReopensIt) {
    SampleMenu sample = BuildSampleMenu(m_values);
    CKorvexMenu* menu = sample.menu.get();
    EXPECT_EQ(menu->GetParent(), static_cast<wxWindow*>(GetBackgroundFrame()));
    // Laid out in the session's display area.
    EXPECT_EQ(sample.ok->GetSize().y, ScreenArea.height / 20);
    bool closedDuring = false, current = false;
    wxRect rect;
    int result = RunModal(menu, [&] {
        closedDuring = !GameWindowExists();
        current = CurrentModalMenu() == menu;
        rect = menu->GetRect();
        PressKey(sample.ok, WXK_RETURN);
    });
    EXPECT_EQ(result, MenuResultOk);
    EXPECT_TRUE(closedDuring);
    EXPECT_TRUE(current);
    EXPECT_EQ(rect.x, ScreenArea.left + (ScreenArea.width - rect.width) / 2);
    EXPECT_EQ(rect.y, ScreenArea.top + (ScreenArea.height - rect.height) / 2);
    EXPECT_TRUE(GameWindowExists());
    EXPECT_EQ(CurrentModalMenu(), nullptr);
    EXPECT_EQ(QuitRequested, 0);
    // A second menu after the first: the same hand-off again.
    SampleMenu again = BuildSampleMenu(m_values);
    EXPECT_EQ(RunModal(again.menu.get(), [&] { PressKey(again.cancel, WXK_ESCAPE); }),
              MenuResultCancel);
    EXPECT_TRUE(GameWindowExists());
}

TEST_F(MenuHandOff, ClosingTheBackgroundFrameEndsTheMenuAndQuits) {
    SampleMenu sample = BuildSampleMenu(m_values);
    int result = RunModal(sample.menu.get(), [&] { GetBackgroundFrame()->Close(); });
    EXPECT_EQ(result, MenuResultExit);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_NE(GetBackgroundFrame(), nullptr);  // the close was vetoed
    EXPECT_TRUE(GameWindowExists());
}

TEST_F(MenuHandOff, TheExitCommandDuringAPopupEndsTheMenuAndQuits) {
    SampleMenu sample = BuildSampleMenu(m_values);
    bool popupUp = false;
    wxTimer poll;
    poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (!CChoicePopup::Current() || popupUp) return;
        popupUp = true;
        wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
        GetBackgroundFrame()->GetEventHandler()->ProcessEvent(exit);
    });
    poll.Start(30);
    int result = RunModal(sample.menu.get(), [&] { sample.detail->SendClick(); });
    EXPECT_TRUE(popupUp);
    EXPECT_EQ(result, MenuResultExit);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_EQ(m_values.detail, 2);
    EXPECT_TRUE(GameWindowExists());
}

}  // namespace
