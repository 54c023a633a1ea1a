// Shared by the in-process OpenGL tests: the toolkit started once per program, a
// game window of a chosen size, and reading the back buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Opens the game window straight at (0, 0) with this size (the test X server has one
// fixed mode), sets the geometry globals and, unless told not to, the base state (a
// restore after a new window does that itself). False when it fails.
bool OpenTestWindow(int32_t width, int32_t height, bool resetState = true);
void CloseTestWindow();

// A test in a game window of its own on the base state, with no quality settings
// chosen (the textures take the default filters); the window closed after the test.
class GLWindowTest : public ::testing::Test {
protected:
    GLWindowTest(int32_t width, int32_t height) : m_width(width), m_height(height) {}
    void SetUp() override;
    void TearDown() override;

private:
    int32_t m_width;
    int32_t m_height;
};

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
// The X keyboard focus leaves the program's windows (to none), as when the player
// switches to another program: the program is inactive until a window of it has the
// focus again. True once the program sees the focus gone.
bool MoveFocusOffProgram();
// Another client destroys the X window, and the X server has done it on return; the
// program has read nothing of it yet. False when no other connection opens.
bool DestroyAsAnotherClient(unsigned long window);

class wxWindow;
// What a window manager does on Alt+F4 or the close box: a WM_DELETE_WINDOW client
// message sent (XSendEvent) to the top-level window's X window, to arrive through the
// toolkit's real path at the next dispatch. False when the window has no X window.
bool SendCloseRequest(wxWindow* window);
// Whether the top-level window tells the window manager it may be closed (the close
// function of its _MOTIF_WM_HINTS; without it some window managers ignore Alt+F4).
bool OffersCloseToWindowManager(wxWindow* window);
