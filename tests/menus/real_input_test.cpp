// Menus driven by the X server's own input through xdotool: the real pointer and
// keyboard focus, so these cases run alone. Focus starts on the affirmative button;
// Tab, Shift+Tab and the arrows move it; a press dragged out and back clicks; the
// choice's pop-up picks and the key button captures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "display/dp_session.h"
#include "gl_support.h"
#include "menu_test_support.h"
#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"
#include "sample_menu.h"

namespace {

using Picture = CKorvexMenuButton::Picture;

void Xdo(const std::string& command) {
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    PumpFor(60);
    FlushToolkit();
}

std::string MoveTo(wxWindow* window, int dx = 0, int dy = 0) {
    wxRect r = window->GetScreenRect();
    return "xdotool mousemove " + std::to_string(r.x + r.width / 2 + dx) + " " +
           std::to_string(r.y + r.height / 2 + dy);
}

class RealInputMenu : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenArea({0, 0, 1280, 1024});
        m_sample = BuildSampleMenu(m_values);
        Xdo("xdotool mousemove 0 0");
    }
    SampleMenuValues m_values;
    SampleMenu m_sample;
};

TEST_F(RealInputMenu, FocusKeysAndAPressDraggedOutAndBack) {
    SampleMenu& s = m_sample;
    int result = RunModal(s.menu.get(), [&] {
        ASSERT_TRUE(FocusWithXdotool(s.menu.get()));
        PumpFor(100);
        EXPECT_EQ(wxWindow::FindFocus(), s.ok);  // the affirmative id starts focused
        EXPECT_EQ(s.ok->CurrentPicture(), Picture::Focused);
        Xdo("xdotool key Tab");
        EXPECT_EQ(wxWindow::FindFocus(), s.cancel);
        Xdo("xdotool key shift+Tab");
        EXPECT_EQ(wxWindow::FindFocus(), s.ok);
        Xdo("xdotool key Right");
        EXPECT_EQ(wxWindow::FindFocus(), s.cancel);
        Xdo("xdotool key Up");
        EXPECT_EQ(wxWindow::FindFocus(), s.ok);
        // Space does nothing; the menu stays.
        Xdo("xdotool key space");
        EXPECT_TRUE(s.menu->IsModal());

        // Pressed, dragged out and released there: nothing.
        Xdo(MoveTo(s.ok) + " mousedown 1");
        EXPECT_TRUE(s.ok->IsPressed());
        EXPECT_EQ(s.ok->CurrentPicture(), Picture::Selected);
        Xdo(MoveTo(s.ok, 0, 60));
        EXPECT_FALSE(s.ok->IsHover());
        EXPECT_EQ(s.ok->CurrentPicture(), Picture::Normal);
        Xdo("xdotool mouseup 1");
        EXPECT_TRUE(s.menu->IsModal());
        // Pressed, dragged out and back, released: Cancel's click ends the menu.
        Xdo(MoveTo(s.cancel) + " mousedown 1");
        Xdo(MoveTo(s.cancel, 0, -80));
        EXPECT_EQ(s.cancel->CurrentPicture(), Picture::Normal);
        Xdo(MoveTo(s.cancel, 10, 2));
        EXPECT_EQ(s.cancel->CurrentPicture(), Picture::Selected);
        Xdo("xdotool mouseup 1");
    }, 300, 15000);
    EXPECT_EQ(result, MenuResultCancel);
}

TEST_F(RealInputMenu, ChoicePopUpAndKeyCapture) {
    SampleMenu& s = m_sample;
    int result = RunModal(s.menu.get(), [&] {
        ASSERT_TRUE(FocusWithXdotool(s.menu.get()));
        // The pop-up opens at the click; Escape dismisses it unchanged, arrows and
        // Enter pick an item; the menu stays open either way.
        EXPECT_EQ(m_values.music, 1);
        Xdo("(sleep 0.5; xdotool key Escape) &");
        Xdo(MoveTo(s.music) + " click 1");
        EXPECT_EQ(m_values.music, 1);
        Xdo("(sleep 0.5; xdotool key Down Down Down Return) &");
        Xdo(MoveTo(s.music) + " click 1");
        EXPECT_EQ(m_values.music, 2);
        EXPECT_EQ(s.music->GetLabel(), "Loop");
        EXPECT_TRUE(s.menu->IsModal());
        // The pointer picks "Off": the pop-up's first item, just below its top.
        Xdo("(sleep 0.5; xdotool mousemove_relative -- 20 12 click 1) &");
        Xdo(MoveTo(s.music, s.music->GetSize().x / 2 - s.music->GetSize().y) + " click 1");
        EXPECT_EQ(m_values.music, 0);

        // The key button waits after a click, binds the next key, and Escape while
        // waiting binds nothing and keeps the menu open.
        Xdo(MoveTo(s.left) + " click 1");
        EXPECT_TRUE(s.left->IsWaiting());
        EXPECT_EQ(s.left->GetLabel(), "Press Key...");
        Xdo("xdotool key a");
        EXPECT_EQ(m_values.leftKey, 'A');
        EXPECT_EQ(s.left->GetLabel(), "A");
        Xdo(MoveTo(s.drop) + " click 1");
        EXPECT_TRUE(s.drop->IsWaiting());
        Xdo("xdotool key Escape");
        EXPECT_FALSE(s.drop->IsWaiting());
        EXPECT_EQ(m_values.dropKey, 32);
        EXPECT_TRUE(s.menu->IsModal());
        // Enter on the key button starts a capture; Tab is then bound, not followed.
        Xdo("xdotool key Return");
        EXPECT_TRUE(s.drop->IsWaiting());
        Xdo("xdotool key Tab");
        EXPECT_EQ(m_values.dropKey, WXK_TAB);
        EXPECT_EQ(wxWindow::FindFocus(), s.drop);
        Xdo("xdotool key Escape");
    }, 300, 15000);
    EXPECT_EQ(result, MenuResultCancel);
}

}  // namespace
