// The pointer: hiding it over the program's windows, reading it and moving it, in
// desktop pixels.
#pragma once

#include <cstdint>

class wxWindow;

// Shows a blank cursor over every window of the program (and windows made later),
// or the normal one again.
void PfSetCursorHidden(bool hidden);
bool PfCursorHidden();
// Gives one window the cursor now in force (for windows made while hidden).
void PfApplyCursor(wxWindow* window);

void PfGetPointerPosition(int32_t* x, int32_t* y);
void PfWarpPointerTo(int32_t x, int32_t y);
