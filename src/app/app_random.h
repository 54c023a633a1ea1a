// The game's one source of random numbers: a 1024-byte pool stirred by a
// Park-Miller generator, with forked child sources.
//
// Everything here is exact to the bit. Textures are built from these streams, and a
// planet whose texture differs by one bit is a different planet; the piece sequence
// of a planet comes from here too.
#pragma once

#include <cstdint>

#include "app/app_color.h"

// Seeds the per-run sources: the calendar time in seconds at start-up, one more for
// each per-run source made. The only thing that differs from one run to the next.
extern uint32_t RunCounter;

class CRandomSource {
public:
    static constexpr uint32_t kPoolSize = 1024;

    // Seeded: the same seed gives the same stream on every run and machine.
    explicit CRandomSource(uint32_t seed);
    // Per run: seeded from RunCounter, which it advances.
    CRandomSource();
    // Fork: a child stream from the parent's pool, state and read position, and a
    // salt. The parent is not changed.
    CRandomSource(const CRandomSource& parent, uint32_t salt);

    CRandomSource(const CRandomSource&) = default;
    CRandomSource& operator=(const CRandomSource&) = default;

    // Restirs the whole pool and rewinds the read position.
    void Refill();
    // The next four pool bytes, first byte most significant.
    uint32_t NextU32();
    // A number in 0..n-1. n = 0 is an internal fault.
    uint32_t Below(int32_t n);
    // An opaque colour whose luminance lies in [minLuminance, maxLuminance], within
    // at most 25 draws; after the 25th the last draw stays whatever its luminance.
    void NextColor(ColorValue& out, double minLuminance, double maxLuminance);

    uint32_t Index() const { return index; }
    uint32_t State() const { return state; }
    const uint8_t* Pool() const { return pool; }

private:
    uint8_t NextByte() {
        if (index >= kPoolSize) Refill();  // lazily, at the read that needs it
        return pool[index++];
    }

    uint8_t pool[kPoolSize];  // the bytes the draws hand out; stirred, never cleared
    uint32_t index;           // read position, 0..1024; 1024 = used up
    uint32_t state;           // Park-Miller state
};
