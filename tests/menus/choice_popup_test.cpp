// The choice's pop-up list with injected input while it runs: the highlight starts on
// the selection, keys move it and pick or dismiss, the pointer highlights and picks,
// a click outside dismisses, and a menu ended meanwhile takes the pop-up with it.
#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/timer.h>

#include <functional>

#include "display/dp_session.h"
#include "menu_test_support.h"
#include "menus/mn_choice_popup.h"
#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"

namespace {

const char* const kDetail[] = {"Low", "Medium", "High", "Very High", nullptr};

class ChoicePopup : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenArea({0, 0, 1024, 768});
        m_menu.reset(new CKorvexMenu(MenuResultOk));
        m_choice = m_menu->AddChoice("Detail", &m_selection, kDetail);
        m_other = m_menu->AddButton(MenuResultChoice1, "Other");
    }
    // Clicks the choice inside the running menu and calls during() once the pop-up
    // is up; returns the menu's result.
    int WithPopup(const std::function<void(CChoicePopup*)>& during) {
        wxTimer poll;
        bool ran = false;
        poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            CChoicePopup* popup = CChoicePopup::Current();
            if (!popup || ran) return;
            ran = true;
            during(popup);
        });
        poll.Start(30);
        int result = RunModal(m_menu.get(), [&] {
            m_choice->SendClick();
            EXPECT_EQ(CChoicePopup::Current(), nullptr);
            EXPECT_TRUE(ran);
            FlushToolkit();  // an end deferred while the pop-up ran
            if (m_menu->IsModal()) m_menu->EndModal(MenuResultCancel);
        });
        return result;
    }
    void Click(wxWindow* window, wxPoint client) {
        SendMouse(window, wxEVT_LEFT_DOWN, client.x, client.y);
        SendMouse(window, wxEVT_LEFT_UP, client.x, client.y);
    }

    int m_selection = 1;
    std::unique_ptr<CKorvexMenu> m_menu;
    CKorvexMenuChoice* m_choice = nullptr;
    CKorvexMenuButton* m_other = nullptr;
};

TEST_F(ChoicePopup, KeysMoveThePickAndEscapeDismisses) {
    WithPopup([&](CChoicePopup* popup) {
        EXPECT_EQ(popup->ItemCount(), 4);
        EXPECT_EQ(popup->Highlight(), 1);
        EXPECT_TRUE(m_choice->IsFiring());  // the choice paints as selected meanwhile
        // Under the button's right end: its top left one button height from it.
        wxRect button = m_choice->GetScreenRect();
        EXPECT_EQ(popup->GetScreenPosition(),
                  wxPoint(button.GetRight() + 1 - button.height, button.y));
        PressKey(m_choice, WXK_DOWN);
        PressKey(m_choice, WXK_DOWN);
        PressKey(m_choice, WXK_DOWN);  // stops at the last
        EXPECT_EQ(popup->Highlight(), 3);
        PressKey(m_choice, WXK_HOME);
        PressKey(m_choice, WXK_DOWN);
        // Keys reaching any window go to the pop-up, never to the menu.
        PressKey(m_menu.get(), WXK_RETURN);
    });
    EXPECT_EQ(m_selection, 1);
    WithPopup([&](CChoicePopup*) {
        PressKey(m_other, WXK_END);
        PressKey(m_other, WXK_SPACE);
    });
    EXPECT_EQ(m_selection, 3);
    WithPopup([&](CChoicePopup*) {
        PressKey(m_choice, WXK_UP);
        PressKey(m_choice, WXK_ESCAPE);
    });
    EXPECT_EQ(m_selection, 3);
    EXPECT_EQ(m_choice->GetLabel(), "Very High");
}

TEST_F(ChoicePopup, ThePointerHighlightsAndPicks) {
    WithPopup([&](CChoicePopup* popup) {
        wxRect low = popup->ItemRect(0);
        wxPoint centre(low.x + low.width / 2, low.y + low.height / 2);
        SendMouse(popup, wxEVT_MOTION, centre.x, centre.y);
        EXPECT_EQ(popup->Highlight(), 0);
        EXPECT_EQ(popup->ItemAtScreen(popup->ClientToScreen(centre)), 0);
        Click(popup, centre);
    });
    EXPECT_EQ(m_selection, 0);
    // A click outside dismisses, and the button under it is not pressed.
    int result = WithPopup([&](CChoicePopup*) {
        SendMouse(m_other, wxEVT_ENTER_WINDOW, 4, 4);
        Click(m_other, wxPoint(4, 4));
    });
    EXPECT_EQ(m_selection, 0);
    EXPECT_EQ(result, MenuResultCancel);  // not Other's 10001
}

TEST_F(ChoicePopup, AMenuEndedMeanwhileTakesThePopupWithIt) {
    int result = WithPopup([&](CChoicePopup*) { m_menu->Close(); });
    EXPECT_EQ(result, MenuResultExit);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_EQ(m_selection, 1);
}

}  // namespace

namespace {

TEST(ChoicePopupList, ALongListFitsTheDisplay) {
    TestDialog dialog;
    std::vector<wxString> items;
    for (int i = 0; i < 60; ++i) items.push_back(wxString::Format("%d x %d", 640 + 16 * i, 480 + 12 * i));
    auto* popup = new CChoicePopup(dialog.get(), items, 70, 40);
    EXPECT_EQ(popup->Highlight(), -1);  // a selection outside the list highlights nothing
    EXPECT_LE(popup->GetSize().y, wxDisplay(0u).GetGeometry().height);
    EXPECT_GT(popup->ItemRect(59).GetBottom(), popup->ItemRect(0).GetBottom());
    EXPECT_LE(popup->ItemRect(59).GetBottom(), popup->GetClientSize().y);
    auto* small = new CChoicePopup(dialog.get(), {"Off", "On"}, 1, 40);
    EXPECT_EQ(small->Highlight(), 1);
    EXPECT_GE(small->ItemRect(0).height, 40);
    popup->Destroy();
    small->Destroy();
}

}  // namespace
