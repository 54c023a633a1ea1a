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
// window or its context cannot be made.
bool PfCreateGameWindow(const PlatformRect& rect, wxWindow* parent);

// Makes no context current, destroys the context and the window and runs the
// toolkit's idle work so the window is really gone. Nothing when there is none.
void PfDestroyGameWindow();

bool PfGameWindowExists();
bool PfMakeGameContextCurrent();
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

// Takes a top-level frame off the screen the way a suspended program leaves it: hidden,
// then minimised. Under a window manager it stays on the task bar, minimised, so the
// player can bring the program back; without one a minimised window cannot exist and
// it stays hidden.
void PfMinimiseFrame(wxWindow* frame);

// Close requests of the window system for this top-level window (WM_DELETE_WINDOW:
// Alt+F4, the close box, the task bar) always reach its close handler, as a vetoable
// close event. The toolkit itself drops them while a modal dialog holds the grab, so
// a close of the frame behind a menu would be lost. (The toolkit's own dispatch is
// wrapped for that; its Yield, which the program never calls, would undo the wrap.)
void PfTakeCloseRequests(wxWindow* window);

// The X11 class of every window of the program (WM_CLASS: the instance, which is also
// the program name the window system shows, then the class), so the desktop groups
// and names the game's windows as the game ("vorpane", "Vorpane"). Call it once the
// toolkit's application object exists, before the toolkit starts.
void PfSetProgramClass(const char* instance, const char* className);
