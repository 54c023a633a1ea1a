// The background frame and its event table.
#include "display/dp_background_frame.h"

#include <wx/dcclient.h>
#include <wx/dialog.h>

#include "display/dp_command_ids.h"
#include "display/dp_quit.h"
#include "display/dp_session.h"
#include "platform/pf_window.h"

wxBEGIN_EVENT_TABLE(CBackgroundFrame, wxFrame)
    EVT_PAINT(CBackgroundFrame::OnPaint)
    EVT_ERASE_BACKGROUND(CBackgroundFrame::OnEraseBackground)
    EVT_MENU(kCommandExit, CBackgroundFrame::OnExitCommand)
    EVT_CLOSE(CBackgroundFrame::OnClose)
wxEND_EVENT_TABLE()

namespace {

// The frame's close and the exit command both quit: the modal menu that is up ends
// with the exit command's code (one not, or no longer, in its modal loop has nothing to
// end), then the quit is requested.
void QuitFromFrame() {
    wxDialog* menu = CurrentModalMenu();
    if (menu && menu->IsModal()) menu->EndModal(kCommandExit);
    RequestQuit();
}

}  // namespace

// The close box draws nothing on a borderless frame: it tells the window manager that
// the frame may be closed (some ignore Alt+F4 on a window that does not say so).
CBackgroundFrame::CBackgroundFrame()
    : wxFrame(nullptr, wxID_ANY, "Vorpane", wxPoint(0, 0), wxSize(0, 0),
              wxBORDER_NONE | wxCLIP_CHILDREN | wxCLOSE_BOX, "frame") {
    // Full-screen for the window manager too, so it covers the desktop's panels.
    PfKeepFullScreen(this, true);
    Bind(wxEVT_ACTIVATE, &CBackgroundFrame::OnActivate, this);
}

void CBackgroundFrame::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(wxPoint(0, 0), GetClientSize());
}

// The frame paints itself black whole: the system never erases it first.
void CBackgroundFrame::OnEraseBackground(wxEraseEvent&) {}

void CBackgroundFrame::OnExitCommand(wxCommandEvent&) { QuitFromFrame(); }

// The frame is only the black behind the game. When the window manager gives it the
// focus (the player clicked it or its task bar entry) it would stack it over what is
// in front of it: the current menu, or else the game window, takes the focus back.
void CBackgroundFrame::OnActivate(wxActivateEvent& event) {
    event.Skip();
    if (!event.GetActive()) return;
    if (wxDialog* menu = CurrentModalMenu())
        PfPresentWindow(menu);
    else
        PfPresentWindow(PfGameWindowFrame());
}

void CBackgroundFrame::OnClose(wxCloseEvent& event) {
    if (event.CanVeto()) event.Veto();
    QuitFromFrame();
}
