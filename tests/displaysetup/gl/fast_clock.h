// A clock for the quality test on which every frame looks fast, on any machine however
// loaded: timed for real, a test's verdict would follow the machine's load, and a poor
// result asks the player.
#pragma once

#include <cstdint>

#include "platform/pf_seams.h"

// Every reading 1 ms after the last, and no real sleeps. The shared test main empties
// the seams after each test.
inline void UseFastClock() {
    static uint32_t now = 0;
    g_pfSeams.readClock = [] { return now += 1; };
    g_pfSeams.sleep = [](uint32_t) {};
}
