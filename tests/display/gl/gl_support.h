// Shared by the in-process OpenGL tests: the toolkit started once per program, a
// game window of a chosen size, and reading the back buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Opens the game window straight at (0, 0) with this size (the test X server has one
// fixed mode), sets the geometry globals and, unless told not to, the base state (a
// restore after a new window does that itself). False when it fails.
bool OpenTestWindow(int32_t width, int32_t height, bool resetState = true);
void CloseTestWindow();

struct Rgba {
    uint8_t r, g, b, a;
};
// One pixel of the back buffer, window pixels with y up.
Rgba ReadPixel(int32_t x, int32_t y);
// The whole back buffer, rows bottom first.
std::vector<uint8_t> ReadBackBuffer(int32_t width, int32_t height);
// Saves the back buffer as a PNG (top row first); true when written.
bool SaveBackBuffer(const std::string& path, int32_t width, int32_t height);

// Runs the toolkit's pending work for about ms milliseconds.
void PumpFor(int ms);
