// The game's full-screen window: a borderless top-level frame at a monitor's exact
// geometry holding one double-buffered GL canvas and its context. (The toolkit's
// full-screen mode misplaces the window without a window manager.) Like every window
// of the program it carries the program's X11 class (PfSetProgramClass).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/pf_displays.h"

class wxGLCanvas;
class wxWindow;

// Creates, shows and raises the window at rect, owned by parent (may be null), gives
// the canvas the keyboard focus and makes its context current. Key, button and close
// events become input records (pf_input.h). False, with nothing left behind, when the
// window or its context cannot be made (without OpenGL at once, PfOpenGLAvailable).
bool PfCreateGameWindow(const PlatformRect& rect, wxWindow* parent);

// Whether the X server offers OpenGL (its GLX extension), asked of it once; the first
// time it does not, one line on standard error says so. The toolkit's GL windows
// cannot be made without it (they fail with a string of assertions): nothing makes one
// then, PfCreateGameWindow included.
bool PfOpenGLAvailable();

// Makes no context current, destroys the context and the window and runs the
// toolkit's idle work so the window is really gone. Nothing when there is none.
void PfDestroyGameWindow();

bool PfGameWindowExists();
// Makes the game window's context current. False without a window, or once another
// client has destroyed the window: the X server is asked each time, so nothing is drawn
// into a window destroyed a moment ago whose notice the toolkit has not read yet.
bool PfMakeGameContextCurrent();
// Whether there is a game window not known to be gone (asks the X server nothing):
// whether the frame's last drawing may go on after PfMakeGameContextCurrent.
bool PfGameWindowDrawable();
// Shows the frame drawn; nothing once the window is known to be gone.
void PfSwapGameBuffers();
// The frame, for tests and for the cursor (null when there is none).
wxWindow* PfGameWindowFrame();
// The game window's X window id, by which the window system's tools (xdotool) find
// it; 0 when there is none.
unsigned long PfGameWindowXid();

// Gives a borderless top-level frame exactly this area (its client area is all of it).
// The toolkit's client-size setting is not used: on GTK it clamps a frame to one
// monitor, and it shrinks a frame shown again after a minimise to a single pixel.
void PfPlaceFrame(wxWindow* frame, const PlatformRect& rect);

// Waits (pumping the toolkit, at most timeoutMs) until a shown canvas has its X window.
// Without a window manager that is at once; under one the window can come a moment
// after Show, and a context cannot be made current on it before. False on timeout.
bool PfWaitForCanvasWindow(wxGLCanvas* canvas, int timeoutMs = 2000);

// What the screen shows in an area (desktop pixels), as RGBA rows bottom first (the
// order OpenGL draws pixels in); alpha 255. False when it cannot be read.
bool PfReadScreen(const PlatformRect& area, std::vector<uint8_t>* rgba);

// Takes a top-level frame off the screen the way a suspended program leaves it: hidden
// and minimised. Under a window manager it is minimised, which hides it, and stays on
// the task bar so the player can bring the program back; the window manager keeps it
// all along, so an activation of it at any moment brings it back. Without one a
// minimised window cannot exist and nothing else would be left to come back to: the
// frame stays on the screen, under the window the player went to, and a click on it
// while the focus is elsewhere presents it (PfPresentWindow), which a click without a
// window manager would not do by itself.
// The player comes back to the program at this frame: a key pressed once its keyboard
// is back, before the game window opens, gives a press in the game window (its first
// key-down there), where a key down already as it came back gives none.
// False when the player came back to the frame while it was being minimised (after the
// caller looked where the focus was): the frame is then on the screen again, presented.
bool PfMinimiseFrame(wxWindow* frame);

// Close requests of the window system for this top-level window (WM_DELETE_WINDOW:
// Alt+F4, the close box, the task bar) always reach its close handler, as a vetoable
// close event. The toolkit itself drops them while a modal dialog holds the grab, so
// a close of the frame behind a menu would be lost. (The toolkit's own dispatch is
// wrapped for that; its Yield, which the program never calls, would undo the wrap.)
void PfTakeCloseRequests(wxWindow* window);

// A window of the program that another client destroys (XDestroyWindow: a desktop tool,
// a window manager that crashes) is closed as its close box would close it: the close
// handler of its top-level window hears it, once. The toolkit would only warn and run
// on without the window. The game window draws nothing meanwhile. Call it once the
// toolkit has started.
void PfCloseWindowsDestroyedElsewhere();

// Puts a shown top-level window of the program on top of the others and gives it the
// keyboard focus, as the player expects of a menu or dialog put in front of him: under a
// window manager through the standard activation request (_NET_ACTIVE_WINDOW) carrying
// the X server's current time, so no focus-stealing rule holds it back; without one by
// raising it and setting the focus directly. Nothing for a hidden window.
void PfPresentWindow(wxWindow* topLevel);

// Waits (pumping the toolkit, at most timeoutMs) until a shown top-level window is
// really on the screen: mapped by the window manager when there is one, which may
// focus it then. False on timeout or when the window is not shown.
bool PfWaitUntilViewable(wxWindow* topLevel, int timeoutMs = 2000);

// Presents the top-level window (PfPresentWindow) each time it is shown.
void PfPresentWhenShown(wxWindow* topLevel);

// Asks the window manager to keep a borderless frame full-screen
// (_NET_WM_STATE_FULLSCREEN), which stacks it above the desktop's panels while it is
// active; acrossAllMonitors spans it over every monitor (_NET_WM_FULLSCREEN_MONITORS),
// else it covers the monitor it lies on. Without a window manager nothing: the frame's
// own geometry is exact there. Call it before the frame is shown.
void PfKeepFullScreen(wxWindow* frame, bool acrossAllMonitors);

// The X11 class of every window of the program (WM_CLASS: the instance, which is also
// the program name the window system shows, then the class), so the desktop groups
// and names the game's windows as the game ("vorpane", "Vorpane"). Call it once the
// toolkit's application object exists, before the toolkit starts.
void PfSetProgramClass(const char* instance, const char* className);
