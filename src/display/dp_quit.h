// The quit flag: the player has closed the program. Set by the screens' input
// callbacks (and later the background frame and the menus) when a quit arrives;
// never cleared; the loops that run screens stop on it.
#pragma once

#include <cstdint>

extern uint8_t QuitRequested;  // main thread; 0 at start, only ever set to 1
