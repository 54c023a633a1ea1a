// The game's full-screen window with its OpenGL context: opening it on a monitor and
// mode (changing the mode only when needed), closing it and putting the mode back,
// whether it is active, and the geometry every renderer and the pump read. The state
// lives in the display session's record; only the functions here write it.
#pragma once

#include <cstdint>

#include "display/dp_quality.h"
#include "platform/pf_displays.h"

struct GameWindowRect {
    int32_t left;    // the monitor's left after the mode change, desktop pixels
    int32_t top;
    int32_t width;   // the requested mode's size
    int32_t height;
};

// The monitor's mode before the window was made, put back when it is destroyed.
struct ModeToRestore {
    uint32_t index;
    PlatformDisplayMode mode;
};

// Written only when a window is created (RecordGameWindowRect); kept after it is
// destroyed. Read-only views of the session's record.
extern const int32_t& GameWindowLeft;
extern const int32_t& GameWindowTop;
extern const int32_t& GameWindowWidth;
extern const int32_t& GameWindowHeight;

// Set while the program or its window is not the active one (the pump waits on it).
extern const bool& GameWindowInactive;

// The window records the rectangle it was made with. Tests and benchmarks that draw
// into a window of their own record its rectangle the same way.
void RecordGameWindowRect(const GameWindowRect& rect);
// The program or its window has become inactive (true) or active again (false).
void MarkGameWindowInactive(bool inactive);
// A window opened in this mode: the session reopens in it after a menu or a
// suspension (LastOpenedMode).
void RecordOpenedMode(const DisplayMode& mode);

bool CreateFullscreenGameWindow(const DisplayMode& mode);
void DestroyFullscreenGameWindow();
// Null: the configured mode. A success remembers the mode (LastOpenedMode).
bool OpenGameWindow(const DisplayMode* mode);
void CloseGameWindow();
bool GameWindowExists();
// The mode of the last window opened successfully; null before the first.
const DisplayMode* LastOpenedMode();
// Makes the game window's context current; false when there is none.
bool MakeGameContextCurrent();

// Polls whether the program is active and follows changes into GameWindowInactive.
// Moves between the program's own windows change nothing.
void UpdateGameWindowActivation();
