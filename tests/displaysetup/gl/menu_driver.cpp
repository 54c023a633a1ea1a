// The menu driver: a timer that watches for the next modal menu.
#include "menu_driver.h"

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
        if (m_actions.empty()) return;
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
