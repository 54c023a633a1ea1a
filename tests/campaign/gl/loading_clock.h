// The fake clock of the screen tests that load images: while the loading screen shows,
// every read moves it 50 ms, so the loading screen shows as in the game; once loading
// ends the smoothed frame step starts afresh, so every later frame lasts what the sleep
// (the pacer's, or the test's own) adds.
#pragma once

#include <cstdint>

// The clock's time in milliseconds; a test's frame callback may move it on.
extern uint32_t g_loadingClockNow;

// Sets the clock to 10000 ms, makes it the platform seams' clock and sleep, and starts
// the frame statistics afresh.
void StartLoadingClock();
