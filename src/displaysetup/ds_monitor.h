// The monitor the game runs on and the black background behind everything. At the
// start of the display session the player may be asked to choose a monitor (the
// "Choose a Display" dialog, dragged onto the monitor to use); the choice and that
// monitor's geometry are stored. The chosen monitor's area lays out every menu. The
// background frame is stretched over all monitors after the desktop has been faded to
// black.
//
// The display session (display layer) calls these through its setup port, installed
// once at program start with InstallDisplaySetup: the display layer lies below the
// menus, whose dialog builder lays out the dialog here, so it cannot call up into this
// library directly.
#pragma once

#include <wx/dialog.h>

class CBackgroundFrame;
class wxPoint;
class wxSize;

// Asks the player when the stored monitor is gone or has changed, or Ctrl is held,
// with several monitors; stores the choice. Always true.
bool ChooseGameDisplay();

// The chosen monitor's position and size (monitor 0 when the stored one is gone);
// either may be null.
void GetDisplayArea(wxPoint* position, wxSize* size);

// Fades the desktop to black first when fade is set; then stretches the frame over
// the union of all monitors and shows it.
void ShowBackgroundFrame(bool fade, CBackgroundFrame* frame);

// About half a second of the desktop darkening to black under a stay-on-top frame,
// which is kept (black) until ShowBackgroundFrame destroys it.
void FadeDesktopToBlack();

// The fade's level (255 clear .. 0 black) when remainingMs of its 510 ms are left:
// 255 x (1 - p^2), p = 1 - remaining / 512; 0 once none are left.
int FadeLevel(uint32_t remainingMs);

// Makes the display session use the functions above.
void InstallDisplaySetup();

// "Choose a Display": knows the monitor it lies on from its last move, size or close.
class CDisplayDialog : public wxDialog {
public:
    CDisplayDialog();
    int32_t Display() const { return m_display; }
    void OnDisplayChanged(wxEvent& event);

private:
    int32_t m_display;  // the monitor the dialog lies on; 0 at construction

    wxDECLARE_EVENT_TABLE();
};
