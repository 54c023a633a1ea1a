// The fake clock of the screen tests that load images (see loading_clock.h).
#include "loading_clock.h"

#include "display/dp_frame.h"
#include "display/dp_loading.h"
#include "platform/pf_seams.h"

uint32_t g_loadingClockNow = 10000;

namespace {

bool g_wasLoading = false;  // at the last read

uint32_t ReadLoadingClock() {
    if (g_wasLoading && !GetLoadingScreen().active) ResetFrameStatistics();
    g_wasLoading = GetLoadingScreen().active;
    if (GetLoadingScreen().active) g_loadingClockNow += 50;
    return g_loadingClockNow;
}

void SleepLoadingClock(uint32_t ms) { g_loadingClockNow += ms; }

}  // namespace

void StartLoadingClock() {
    g_loadingClockNow = 10000;
    g_wasLoading = false;
    g_pfSeams.readClock = ReadLoadingClock;
    g_pfSeams.sleep = SleepLoadingClock;
    ResetFrameStatistics();
}
