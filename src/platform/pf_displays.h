// Monitors and their video modes, through the toolkit (geometry) and libXrandr
// (current mode, real mode lists, mode changes). The toolkit's own current mode and
// mode list are not usable on this platform, so modes never come from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PlatformRect {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

struct PlatformDisplayMode {
    uint32_t width;    // pixels
    uint32_t height;
    uint32_t depth;    // bits per pixel of the X screen
    uint32_t refresh;  // Hz, 0 when unknown
};

// Monitors in the toolkit's numbering.
unsigned PfCountDisplays();

// The monitor's area on the desktop, read fresh from the X server when it knows the
// monitor (so it is right straight after a mode change), else from the toolkit.
// False for an index that is not a monitor.
bool PfGetDisplayGeometry(unsigned index, PlatformRect* out);

// The monitor's current mode: its geometry's size and the screen depth. False for an
// index that is not a monitor.
bool PfGetCurrentMode(unsigned index, PlatformDisplayMode* out);

// Every mode the monitor's output offers (duplicates of size and rate dropped);
// where the server offers none (a virtual framebuffer), the current mode alone.
std::vector<PlatformDisplayMode> PfListDisplayModes(unsigned index);

// Switches the monitor to a mode of that width and height (the highest rate among
// them). The first change of a monitor remembers its setting for
// PfRestoreDisplayModes; the process's first change starts the mode guard. False when
// the server has no such mode or refuses.
bool PfChangeDisplayMode(unsigned index, uint32_t width, uint32_t height);

// Puts every monitor changed by this process back as it was before its first
// change. Safe to call any number of times; an internal fault's emergency work calls it
// too (never a signal handler: those ask the mode guard).
void PfRestoreDisplayModes();
// The same for one monitor only.
void PfRestoreDisplayMode(unsigned index);

// True when this process has a changed mode still to put back.
bool PfDisplayModesChanged();

// While a mode is changed, the monitors' settings from before are also kept in a
// small file (pf_modes_file.h), written before the change and removed when they are put
// back. The mode guard (pf_mode_guard.h), started with the first change, puts them back
// from it when this process ends without doing so (a signal, a crash, a kill); should
// the guard be gone too, the next start does. The file: vorpane-display-modes in
// $XDG_RUNTIME_DIR, or in the configuration folder ($XDG_CONFIG_HOME, else ~/.config)
// when that is unset or not an absolute path.
std::string PfDisplayModesFilePath();
// Puts back the settings a previous run on this X display left in that file, where
// the monitor still shows the mode that run set, and removes the file. Does nothing
// while this process has a change of its own, or while the run that wrote the file
// is still alive. Call at start, before the current mode is taken as the desktop's.
// True when a monitor was put back.
bool PfRestoreLeftoverDisplayModes();
