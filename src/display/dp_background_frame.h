// The display session's background frame: a black borderless frame over all monitors,
// behind everything the game shows and the parent of every menu. Closing it (the
// window system, the task bar) never closes it: it becomes a quit request that also
// ends the menu that is up.
#pragma once

#include <wx/frame.h>

class CBackgroundFrame : public wxFrame {
public:
    // No parent, title "Vorpane", at (0, 0) with size (0, 0), borderless; placed and
    // shown by ShowBackgroundFrame.
    CBackgroundFrame();

private:
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnExitCommand(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnActivate(wxActivateEvent& event);

    wxDECLARE_EVENT_TABLE();
};
