// The stored game display mode; the quality record, its presets and its stored values
// are the display's (dp_quality.h).
#pragma once

#include "display/dp_quality.h"

// Stores the mode's width, height and depth in the configuration record and writes
// their keys in that order, saved once (the display index is the configured display's
// already).
void StoreGameDisplayMode(const DisplayMode& mode);
