// What the X server shows: the presented frames of the game window, read back from
// the screen (the back buffer no longer holds them once they are swapped).
#pragma once

#include <cstdint>
#include <vector>

// RGB bytes of the screen's top-left width x height pixels, rows top first; empty
// when the screen cannot be read.
std::vector<uint8_t> CaptureScreenRgb(int32_t width, int32_t height);
