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
        PfDispatchEvents();
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
    // The timer can fire while the menu is still opening (closing the game window runs
    // the toolkit's events), which takes longer than delayMs on a loaded machine: the
    // action waits for the modal loop.
    act.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (!dialog->IsModal()) {
            act.StartOnce(10);
            return;
        }
        action();
    });
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

#include <wx/dcmemory.h>

#include "menus/mn_menu_button.h"

void SendMouse(wxWindow* window, wxEventType type, int x, int y) {
    wxMouseEvent event(type);
    event.SetEventObject(window);
    event.SetId(window->GetId());
    event.m_x = x;
    event.m_y = y;
    event.m_leftDown = type == wxEVT_LEFT_DOWN;
    window->ProcessWindowEvent(event);
}

void PressKey(wxWindow* window, int code, bool shift, bool ctrl) {
    wxKeyEvent down(wxEVT_KEY_DOWN);
    down.SetEventObject(window);
    down.m_keyCode = code;
    down.m_shiftDown = shift;
    down.m_controlDown = ctrl;
    if (window->ProcessWindowEvent(down)) return;
    wxKeyEvent character(down);
    character.SetEventType(wxEVT_CHAR);
    window->ProcessWindowEvent(character);
}

wxImage DrawnButton(CKorvexMenuButton* button) {
    wxSize size = button->GetClientSize();
    wxBitmap bitmap(size.x, size.y, 24);
    {
        wxMemoryDC dc(bitmap);
        button->Draw(dc);
    }
    return bitmap.ConvertToImage();
}

void PicturePixelOverBlack(const wxImage& picture, int x, int y, unsigned char rgb[3]) {
    int a = picture.HasAlpha() ? picture.GetAlpha(x, y) : 255;
    rgb[0] = static_cast<unsigned char>(picture.GetRed(x, y) * a / 255);
    rgb[1] = static_cast<unsigned char>(picture.GetGreen(x, y) * a / 255);
    rgb[2] = static_cast<unsigned char>(picture.GetBlue(x, y) * a / 255);
}
