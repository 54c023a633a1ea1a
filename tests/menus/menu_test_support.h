// Shared by the menu tests: walking sizer trees and a dialog that cleans itself up.
#pragma once

#include <wx/dialog.h>
#include <wx/sizer.h>

#include <vector>

// A plain top-level dialog for layout tests, destroyed (and the toolkit's deferred
// deletion run) when the test ends.
class TestDialog {
public:
    TestDialog();
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;
    wxDialog* operator->() const { return m_dialog; }
    wxDialog* get() const { return m_dialog; }

private:
    wxDialog* m_dialog;
};

// The items of a sizer, in order.
std::vector<wxSizerItem*> SizerItems(wxSizer* sizer);
// The item holding this window or sizer somewhere below root, or null.
wxSizerItem* FindItemOf(wxSizer* root, const wxWindow* window);
wxSizerItem* FindItemOf(wxSizer* root, const wxSizer* sizer);
// Runs the toolkit's pending and deferred work (deletions included).
void FlushToolkit();

#include <functional>

// Runs dialog->ShowModal() (the dialog's own override) with action called from inside
// the modal loop after delayMs; a dialog still up after timeoutMs is ended with
// kModalTimedOut so a test can never hang. The limit is for a hang only: a loaded
// machine was seen to take over 5 s to bring a menu up over the game.
constexpr int kModalTimedOut = -7;
int RunModal(wxDialog* dialog, const std::function<void()>& action, int delayMs = 150,
             int timeoutMs = 30000);
// Gives the X keyboard focus to the window's top level with xdotool; true on success.
bool FocusWithXdotool(wxWindow* window);
// The X window id of the window.
unsigned long XWindowOf(wxWindow* window);

class wxImage;
class CKorvexMenuButton;

// Injected input, processed at once as the toolkit would deliver it.
void SendMouse(wxWindow* window, wxEventType type, int x, int y);
// A key as the toolkit delivers it: the key-down event, then (when nobody consumed
// it) the character event.
void PressKey(wxWindow* window, int code, bool shift = false, bool ctrl = false);
// The button as it paints now, drawn into a bitmap.
wxImage DrawnButton(CKorvexMenuButton* button);
// The picture's pixel at (x, y) as drawn over black (its alpha applied).
void PicturePixelOverBlack(const wxImage& picture, int x, int y, unsigned char rgb[3]);
