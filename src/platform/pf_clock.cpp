// The monotonic millisecond clock and its test hook.
#include "platform/pf_clock.h"

#include "platform/pf_seams.h"

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

}  // namespace

uint32_t PfReadClockMs() {
    return g_pfSeams.readClock ? g_pfSeams.readClock() : ReadSteadyClockMs();
}

void PfSleepMs(uint32_t milliseconds) {
    if (g_pfSeams.sleep)
        g_pfSeams.sleep(milliseconds);
    else
        SleepThreadMs(milliseconds);
}
