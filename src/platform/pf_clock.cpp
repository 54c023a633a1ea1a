// The monotonic millisecond clock and its test hook.
#include "platform/pf_clock.h"

#include <chrono>
#include <thread>

namespace {

uint32_t ReadSteadyClockMs() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SleepThreadMs(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

ClockReadFunction g_read = ReadSteadyClockMs;   // main thread only
ClockSleepFunction g_sleep = SleepThreadMs;

}  // namespace

uint32_t ReadClockMs() { return g_read(); }

void SleepMs(uint32_t milliseconds) { g_sleep(milliseconds); }

void SetPlatformClock(ClockReadFunction read, ClockSleepFunction sleep) {
    g_read = read ? read : ReadSteadyClockMs;
    g_sleep = sleep ? sleep : SleepThreadMs;
}
