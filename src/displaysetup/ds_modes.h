// The full-screen modes of the configured display that the game can use, in the one
// order the settings list and the automatic display test both rely on.
#pragma once

#include <vector>

#include "display/dp_quality.h"
#include "platform/pf_displays.h"

// a orders before b: display index, then depth, then pixel count, then width, then
// height, each smaller first (unsigned 32-bit values).
bool DisplayModeLess(const DisplayMode& a, const DisplayMode& b);

// Appends the configured display's usable modes (at least 16 bits, 640 x 480) to out,
// without duplicates (modes differing only in refresh rate are one), in
// DisplayModeLess order. A stored index that is no display means display 0.
void EnumerateDisplayModes(std::vector<DisplayMode>& out);

// The rule over a given list: the usable modes of display index among modes,
// appended to out in order.
void CollectDisplayModes(uint32_t index, const std::vector<PlatformDisplayMode>& modes,
                         std::vector<DisplayMode>& out);
