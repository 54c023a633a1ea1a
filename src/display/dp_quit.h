// The quit flag: the player has closed the program. Only RequestQuit sets it: the pump
// when a quit arrives (a close of the game window, SIGTERM), before any screen's input
// callback hears it; the background frame when it is closed or receives the exit
// command (as SIGTERM sends it while a menu waits); and a menu that ends with the exit
// command's code. Input callbacks never set it: they record what the quit means for
// their own screen. Never cleared within a session; the screen loop and the loops that
// run screens stop on it, and everything else only reads it.
#pragma once

#include <cstdint>

extern const uint8_t& QuitRequested;  // main thread; the display session's record

// Sets the quit flag for the rest of the session.
void RequestQuit();

// The display layer's run state back to a fresh program's: the quit flag cleared, the
// cursor counts at zero and the window active. The run-state reset the tests run
// between tests calls it (tests/support/run_state.cpp); the program never does (a
// session's start clears the flag itself, and its other fields are the session's own:
// its acquisition starts them afresh).
void ResetDisplayRunState();
