// The menu driver: a timer that watches for the next modal menu.
#include "menu_driver.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <deque>
#include <string>
#include <vector>

#include "menus/mn_menu.h"
#include "menus/mn_menu_button.h"

namespace {

class MenuWatcher : public wxTimer {
public:
    void Notify() override {
        CKorvexMenu* shown = nullptr;
        for (wxWindow* w : wxTopLevelWindows) {
            auto* menu = dynamic_cast<CKorvexMenu*>(w);
            if (menu && menu->IsModal() && menu->IsShown()) shown = menu;
        }
        // A new menu may take the place of the last one at the same address; its
        // window id is new all the same.
        if (!shown || shown->GetId() == m_handled) return;
        m_handled = shown->GetId();
        ++m_shown;
        if (m_actions.empty()) {
            // Nobody would ever answer it: the test fails here instead of waiting for
            // its timeout, and the menu ends as a cancel.
            std::string labels;
            for (const std::string& label : MenuButtonLabels(shown)) labels += " [" + label + "]";
            ADD_FAILURE() << "a menu showed that the test queued no action for:" << labels;
            shown->EndModal(wxID_CANCEL);
            return;
        }
        MenuAction action = m_actions.front();
        m_actions.pop_front();
        action(shown);
    }
    std::deque<MenuAction> m_actions;
    int m_handled = 0;  // window id of the menu the last action went to
    int m_shown = 0;
};

MenuWatcher& Watcher() {
    static MenuWatcher* watcher = new MenuWatcher;
    if (!watcher->IsRunning()) watcher->Start(30);
    return *watcher;
}

// The watcher runs from each test's start (once the toolkit is up), so a menu that no
// test expected is caught in every test of the program, not only in those that queue
// actions.
class WatchFromEveryTestStart : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        if (wxTheApp) Watcher();
    }
};

const bool g_watchFromEveryTestStart = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new WatchFromEveryTestStart);
    return true;
}();

}  // namespace

void OnNextMenu(const MenuAction& action) { Watcher().m_actions.push_back(action); }

int TakeMenusShown() {
    const int shown = Watcher().m_shown;
    Watcher().m_shown = 0;
    return shown;
}

bool MenuActionsDone() { return Watcher().m_actions.empty(); }

void ClearMenuActions() { Watcher().m_actions.clear(); }

void ClickMenuButton(CKorvexMenu* menu, int id) {
    wxWindow* button = menu->FindWindow(id);
    if (!button) return;
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

std::vector<std::string> MenuButtonLabels(CKorvexMenu* menu) {
    std::vector<std::string> labels;
    for (wxWindow* child : menu->GetChildren()) {
        auto* button = dynamic_cast<CKorvexMenuButton*>(child);
        if (button) labels.push_back(button->GetLabel().utf8_string());
    }
    return labels;
}
