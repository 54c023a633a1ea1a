// The quit flag: the player has closed the program. Set by the background frame's
// close and exit handlers, by a menu that ends with the exit command, and by the
// screens' input callbacks when a quit arrives; never cleared within a session; the
// screen loop and the loops that run screens stop on it.
#pragma once

#include <cstdint>

extern uint8_t& QuitRequested;  // main thread; the display session's record
