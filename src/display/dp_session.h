// The display session: everything between the start of the game session and its
// end. A black background frame over all monitors (the parent of every menu), the
// game window whenever a screen holds it open, and the counts that decide when that
// window may exist: a menu is never shown over a live OpenGL window, so while a menu
// is up, or while the program is inactive, the window is closed with its textures
// released, and it is reopened with every texture uploaded again when the last menu
// or suspension ends. Every operation is counted: only the first raise and the last
// lower act. Main thread only.
#pragma once

#include <cstdint>

#include "display/dp_quality.h"
#include "display/dp_quit.h"

class wxDialog;
class wxFrame;
class wxPoint;
class wxSize;

// The chosen display's area, by which menus are centred and scaled (desktop pixels).
struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};
// Set at the first acquisition; kept after the release.
extern ScreenRect& ScreenArea;

// What the session needs from the display setup, which lies above the display layer
// (its dialogs are built with the menus): the choice of monitor, the chosen monitor's
// area and the showing of the background frame. The program installs it once at
// start, before the first acquisition (SetDisplaySetupPort). Without one, nothing is
// asked, the area is the configured monitor's geometry and the frame covers it.
struct DisplaySetupPort {
    bool (*chooseDisplay)();                                  // may ask the player
    void (*getDisplayArea)(wxPoint* position, wxSize* size);  // either may be null
    void (*showBackgroundFrame)(bool fade, wxFrame* frame);   // sizes, places, shows
};
// Null removes it.
void SetDisplaySetupPort(const DisplaySetupPort* port);

// Counted; the first call starts the session: the monitor is chosen, the background
// frame made and shown, ScreenArea set, and every count, the frame statistics, the
// cursor counts and the quit flag start from zero.
void AcquireGameDisplay();
// Counted; the last release hides and destroys the background frame.
void ReleaseGameDisplay();

// Counted; the first closes the audio devices, the game window (its textures
// released) and the background frame; every call marks the program inactive.
void SuspendGameDisplay();
// Undoes one suspension; the last reopens the frame, the window (every texture
// uploaded again) and the audio. A resume without a suspension is ignored.
void ResumeGameDisplay();

// A counted request for the game window. Null: the configured mode. The first request
// opens the window unless a menu or a suspension has it closed, in which case it
// opens when the last of them ends. False (nothing counted) when it cannot be opened.
bool OpenGameSession(const DisplayMode* mode);
// Counted release of the game window; the last closes it.
void CloseGameSession();

// Called with the menu just before its modal loop, and with null just after it:
// closes the game window while any menu is up, gives the cursor back, centres the
// menu on ScreenArea (fitted to its contents). Menus nest; the window reopens when
// the outermost closes. A menu current when the background frame is closed, or when
// the exit command reaches it, is ended with 5006 (EndModal(5006)).
void EnterModalMenu(wxDialog* menu);

// The background frame, parent of every menu; null outside the session.
wxFrame* GetBackgroundFrame();

// Whether the session is acquired (the counts above act only then).
bool GameDisplayAcquired();
