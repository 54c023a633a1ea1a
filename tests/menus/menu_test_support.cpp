// Sizer walking and the self-cleaning test dialog of the menu tests.
#include "menu_test_support.h"

#include <wx/app.h>

#include "platform/pf_input.h"

TestDialog::TestDialog()
    : m_dialog(new wxDialog(nullptr, wxID_ANY, "test", wxDefaultPosition, wxDefaultSize)) {}

TestDialog::~TestDialog() {
    m_dialog->Destroy();
    FlushToolkit();
}

std::vector<wxSizerItem*> SizerItems(wxSizer* sizer) {
    std::vector<wxSizerItem*> items;
    for (wxSizerItem* item : sizer->GetChildren()) items.push_back(item);
    return items;
}

namespace {

template <typename Match>
wxSizerItem* FindItem(wxSizer* root, Match match) {
    for (wxSizerItem* item : root->GetChildren()) {
        if (match(item)) return item;
        if (item->IsSizer())
            if (wxSizerItem* found = FindItem(item->GetSizer(), match)) return found;
    }
    return nullptr;
}

}  // namespace

wxSizerItem* FindItemOf(wxSizer* root, const wxWindow* window) {
    return FindItem(root, [&](wxSizerItem* item) { return item->GetWindow() == window; });
}

wxSizerItem* FindItemOf(wxSizer* root, const wxSizer* sizer) {
    return FindItem(root, [&](wxSizerItem* item) { return item->GetSizer() == sizer; });
}

void FlushToolkit() {
    for (int i = 0; i < 3; ++i) {
        DispatchPlatformEvents();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/timer.h>

#include <cstdlib>
#include <string>

int RunModal(wxDialog* dialog, const std::function<void()>& action, int delayMs, int timeoutMs) {
    wxTimer act, guard;
    act.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { action(); });
    guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (dialog->IsModal()) dialog->EndModal(kModalTimedOut);
    });
    act.StartOnce(delayMs);
    guard.StartOnce(timeoutMs);
    return dialog->ShowModal();
}

unsigned long XWindowOf(wxWindow* window) {
    GtkWidget* widget = window->GetHandle();
    GdkWindow* gdk = widget ? gtk_widget_get_window(widget) : nullptr;
    return gdk ? gdk_x11_window_get_xid(gdk) : 0;
}

bool FocusWithXdotool(wxWindow* window) {
    unsigned long id = XWindowOf(wxGetTopLevelParent(window));
    if (!id) return false;
    std::string command = "xdotool windowfocus --sync " + std::to_string(id) + " >/dev/null 2>&1";
    bool ok = std::system(command.c_str()) == 0;
    FlushToolkit();
    return ok;
}
