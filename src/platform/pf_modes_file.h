// The display modes file: while a process has a monitor in a changed mode, the monitors'
// settings from before, one line per changed CRTC, with the X display and the writer's
// process id. Read by the next start (a leftover of a run that was killed) and by the
// mode guard (its game gone or asking); neither needs the toolkit.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;  // Xlib's Display

// One changed CRTC: its setting before the change and the mode the process set.
struct PfSavedCrtc {
    unsigned long crtc, mode;
    unsigned width, height;  // of mode
    int x, y;
    unsigned rotation;
    unsigned changedWidth, changedHeight;
    int outputCount;
    unsigned long outputs[8];
};

struct PfModesFile {
    long pid = 0;         // the process that changed the modes
    std::string display;  // its X display, as DisplayString gives it
    std::vector<PfSavedCrtc> crtcs;
};

// The file's whole text.
std::string PfFormatModesFile(const PfModesFile& file);

// Reads the file at path. Missing: false, *garbled false. Not a file this program wrote
// whole (hand-edited, another format): false, *garbled true.
bool PfReadModesFile(const std::string& path, PfModesFile* out, bool* garbled);

// Puts each CRTC of the file back where everything it names still exists and the
// monitor still shows the mode the writer set (a mode someone changed since is theirs).
// Server errors are ignored. True when a monitor was put back.
bool PfPutBackModes(_XDisplay* display, const PfModesFile& file);
