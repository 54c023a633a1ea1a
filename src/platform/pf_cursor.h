// The pointer: hiding it over the program's windows, reading it and moving it, in
// desktop pixels.
#pragma once

#include <cstdint>

class wxWindow;

// Shows a blank cursor over every window of the program (and windows made later),
// or the normal one again.
void SetPlatformCursorHidden(bool hidden);
bool PlatformCursorHidden();
// Gives one window the cursor now in force (for windows made while hidden).
void ApplyPlatformCursor(wxWindow* window);

void GetPointerPosition(int32_t* x, int32_t* y);
void WarpPointerTo(int32_t x, int32_t y);
