// The millisecond clock and sleep every frame-timing rule reads: monotonic in the
// game, replaceable by a fake one in tests (pf_seams.h).
#pragma once

#include <cstdint>

// A clock gives milliseconds as a free-running u32; only differences mean anything,
// taken as unsigned 32-bit values so they survive the wrap.
using ClockReadFunction = uint32_t (*)();
using ClockSleepFunction = void (*)(uint32_t milliseconds);

// The low 32 bits of a monotonic millisecond count.
uint32_t PfReadClockMs();
// Blocks the calling thread for about that many milliseconds (never spins).
void PfSleepMs(uint32_t milliseconds);
