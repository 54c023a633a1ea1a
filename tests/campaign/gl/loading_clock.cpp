// The fake clock of the screen tests that load images (see loading_clock.h).
#include "loading_clock.h"

#include "display/dp_frame.h"
#include "display/dp_loading.h"

uint32_t g_loadingClockNow = 10000;

uint32_t ReadLoadingClock() {
    static bool wasLoading = false;
    if (wasLoading && !GetLoadingScreen().active) ResetFrameStatistics();
    wasLoading = GetLoadingScreen().active;
    if (GetLoadingScreen().active) g_loadingClockNow += 50;
    return g_loadingClockNow;
}

void SleepLoadingClock(uint32_t ms) { g_loadingClockNow += ms; }
