// The seeded random source: Park-Miller (multiplier 48271, modulus 2^31 - 1) stirring
// a byte pool, with Schrage's decomposition so no 64-bit product is needed.
#include "app/app_random.h"

#include <ctime>

#include "app/app_fault.h"

uint32_t RunCounter = static_cast<uint32_t>(static_cast<uint64_t>(std::time(nullptr)));

namespace {

constexpr uint32_t kModulus = 2147483647u;  // 2^31 - 1
constexpr uint32_t kMultiplier = 48271u;
constexpr int32_t kSchrageQ = 44488;        // kModulus / kMultiplier
constexpr uint32_t kZeroStateStart = 2147483644u;

}  // namespace

CRandomSource::CRandomSource(uint32_t seed) : index(0), state(seed) {
    for (uint32_t i = 0; i < kPoolSize; ++i) pool[i] = static_cast<uint8_t>(seed + i);
    Refill();
}

CRandomSource::CRandomSource() : index(0), state(RunCounter) {
    RunCounter += 1;
    for (uint32_t i = 0; i < kPoolSize; ++i) pool[i] = static_cast<uint8_t>(i - state);
    Refill();
}

CRandomSource::CRandomSource(const CRandomSource& parent, uint32_t salt)
    : index(0), state(parent.state) {
    for (uint32_t i = 0; i < kPoolSize; ++i) pool[i] = parent.pool[i];

    uint32_t s = salt;
    for (uint32_t i = 0; i < kPoolSize; ++i) {
        s = 0xA6B2279Fu - s * 0x527BE503u;
        pool[i] ^= static_cast<uint8_t>(s >> 24);
    }
    Refill();

    // The parent's read position enters the child, so a fork taken after some draws
    // differs from one taken before them.
    uint32_t t = parent.index;
    for (uint32_t i = 0; i < kPoolSize; ++i) {
        t = 0x33647E93u - t * 0x2D690A61u;
        pool[i] ^= static_cast<uint8_t>(t >> 24);
    }
    Refill();
}

void CRandomSource::Refill() {
    index = 0;
    uint32_t x = state != 0 ? state : kZeroStateStart;
    for (uint32_t i = 0; i < kPoolSize / 2; ++i) {
        // Schrage's step in wrapping unsigned arithmetic, read as signed. A start
        // value that is a multiple of the modulus gives 0 and stays there.
        int32_t sx = static_cast<int32_t>(x);
        uint32_t q = static_cast<uint32_t>(sx / kSchrageQ);
        uint32_t v = x * kMultiplier - q * kModulus;
        int32_t sv = static_cast<int32_t>(v);
        x = sv >= 0 ? v : v + kModulus;
        // The bytes of v before its sign correction.
        uint8_t b0 = static_cast<uint8_t>(v);
        uint8_t b1 = static_cast<uint8_t>(v >> 8);
        uint8_t b2 = static_cast<uint8_t>(v >> 16);
        uint8_t b3 = static_cast<uint8_t>(v >> 24);
        pool[2 * i] ^= static_cast<uint8_t>(b2 ^ b1);
        pool[2 * i + 1] ^= static_cast<uint8_t>(b3 ^ b0);
    }
    state = x;
}

uint32_t CRandomSource::NextU32() {
    uint32_t value = 0;
    for (int k = 0; k < 4; ++k) value = (value << 8) | NextByte();
    return value;
}

uint32_t CRandomSource::Below(int32_t n) {
    if (n == 0) ThrowInternalFault("{7C59ED93-7B31-46ea-BAE3-A553AD8AF47C}");
    uint32_t un = static_cast<uint32_t>(n);
    uint32_t r = NextU32() % un;
    if (n > 65535) {
        // Large ranges take one more byte to pick the end the remainder counts from.
        if ((NextByte() & 1u) == 0) r = un - 1 - r;
    }
    return r;
}

void CRandomSource::NextColor(ColorValue& out, double minLuminance, double maxLuminance) {
    const double kScale = 1.0 / 4294967296.0;  // 2^-32, exact
    for (int draw = 0; draw < 25; ++draw) {
        out.alpha = 1.0;
        out.red = NextU32() * kScale;
        out.green = NextU32() * kScale;
        out.blue = NextU32() * kScale;
        double luminance = (0.59 * out.green + 0.3 * out.red) + 0.11 * out.blue;
        if (minLuminance <= luminance && luminance <= maxLuminance) return;
    }
}
