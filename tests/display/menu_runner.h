// A stand-in for a menu in the tests of the display session: a plain modal dialog,
// parented to the background frame and shown the way every menu is, with
// EnterModalMenu around its modal loop.
#pragma once

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include <functional>

#include "display/dp_command_ids.h"
#include "display/dp_session.h"

// 300 x 200 of content.
inline wxDialog* MakeTestMenu() {
    auto* menu = new wxDialog(GetBackgroundFrame(), wxID_ANY, "menu");
    auto* panel = new wxPanel(menu);
    panel->SetMinSize(wxSize(300, 200));
    menu->SetSizer(new wxBoxSizer(wxVERTICAL));
    menu->GetSizer()->Add(panel);
    return menu;
}

// during runs inside the modal loop; the menu then ends with OK unless it has ended.
// Returns the menu's result.
inline int RunTestMenu(const std::function<void(wxDialog*)>& during) {
    wxDialog* menu = MakeTestMenu();
    EnterModalMenu(menu);
    menu->CallAfter([menu, during] {
        during(menu);
        if (menu->IsModal()) menu->EndModal(kCommandOk);
    });
    const int result = menu->ShowModal();
    EnterModalMenu(nullptr);
    menu->Destroy();
    return result;
}
