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

class CBackgroundFrame;
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
// Set at the first acquisition; kept after the release. A read-only view of the
// session's record.
extern const ScreenRect& ScreenArea;
// Lays menus out by this area until the next acquisition reads the chosen display's:
// for menus shown without a session (tests, benchmarks).
void SetScreenArea(const ScreenRect& area);

// What the session needs from the display setup (displaysetup/ds_monitor.h): the
// choice of monitor, the chosen monitor's area and the showing of the background
// frame. The display setup lies above this layer (its dialog is laid out with the
// menus' builder, and the menus use this layer), so it is reached through this port,
// which the program installs once at start (InstallDisplaySetup) before the first
// acquisition. Without one nothing is asked, the area is the configured monitor's
// geometry and the frame covers that area, without a fade.
struct DisplaySetupPort {
    bool (*chooseDisplay)();                                          // may ask the player
    void (*getDisplayArea)(wxPoint* position, wxSize* size);          // either may be null
    void (*showBackgroundFrame)(bool fade, CBackgroundFrame* frame);  // sizes, places, shows
};
// Null removes it.
void SetDisplaySetupPort(const DisplaySetupPort* port);

// Counted; the first call starts the session: the monitor is chosen, the background
// frame made and shown, ScreenArea set, and every count, the frame statistics, the
// cursor counts and the quit flag start from zero.
void AcquireGameDisplay();
// Counted; a release without its acquisition is a failed runtime check (and changes
// nothing where checks are not compiled in). The last release closes a game window still open (it belongs to the frame)
// and hides and destroys the background frame.
void ReleaseGameDisplay();

// Counted; the first closes the audio devices, the game window (its textures
// released) and the background frame; every call marks the program inactive.
void SuspendGameDisplay();
// The player has left the program: a suspension as above, unless the player is already
// back by the time the game window has closed (the keyboard focus in a window of the
// program again: another window was activated and the frame a moment later, and the
// toolkit's reports of both may come while the window closes). Then nothing stays
// suspended: the frame is left on the screen rather than minimised under the player,
// and the window opens again. True when the suspension holds. Only the suspension that
// closes the display looks; under another one the count alone goes up.
bool LeaveGameDisplay();
// The toolkit's reports of the program losing and getting back the focus. A leave
// (the focus has really left: the caller tells a window manager's passing keyboard
// grab from a leave) suspends the display through LeaveGameDisplay, once: until the
// return ends that suspension, further leaves change nothing. The toolkit's loop runs
// while the game window closes and may report the return, or another leave, in the
// middle: those reports are not acted on then, as the closing itself looks at where the
// focus is once the window has closed. A return without such a leave holding changes
// nothing (the pump's inactive wait holds a suspension of its own, and GTK may report
// an activation first). Nothing happens outside the session.
void ReportProgramLeft();
void ReportProgramBack();
// Undoes one suspension; the last reopens the frame, the window (every texture
// uploaded again) and the audio. A resume without a suspension is ignored (GTK may
// report an activation first).
//
// Reopening, here and after the last menu, uses the mode of the last window opened
// (the configured mode may name another while the display test tries candidates).
// When the reopen fails, the textures stay released, the screen loop draws nothing
// (PresentFrame only paces) and the next resume tries again.
void ResumeGameDisplay();

// A counted request for the game window. Null: the configured mode. The first request
// opens the window unless a menu or a suspension has it closed, in which case it
// opens when the last of them ends. False (nothing counted) when it cannot be opened.
bool OpenGameSession(const DisplayMode* mode);
// Counted release of the game window; the last closes it. A close without its open is
// a failed runtime check (and changes nothing where checks are not compiled in).
void CloseGameSession();

// Called by the menu with itself just before its modal loop, and with null just after it:
// closes the game window while any menu is up, gives the cursor back, centres the
// menu on ScreenArea (fitted to its contents). Menus nest; the window reopens when
// the outermost closes; after an inner menu closes the outer one is current again.
// A close (null) without its open is a failed runtime check.
// The current menu is ended with EndModal(5006) when the background frame is closed
// or the exit command (5006) reaches the frame; both set the quit flag.
void EnterModalMenu(wxDialog* menu);

// The innermost menu up (between EnterModalMenu(menu) and EnterModalMenu(null)), or
// null.
wxDialog* CurrentModalMenu();

// The background frame, parent of every menu; null outside the session.
wxFrame* GetBackgroundFrame();

// Whether the session is acquired (the counts above act only then).
bool GameDisplayAcquired();

