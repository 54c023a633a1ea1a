// Small arithmetic the game's simulation shares. Exact to the bit: each minimum and
// maximum is one strict comparison, never fmin/fmax, so ties and NaNs go the same
// way everywhere.
#pragma once

#include <cstdint>
#include <limits>

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The first argument stays unless the second is strictly smaller (ties and NaNs keep a).
inline double StrictMin(double a, double b) { return b < a ? b : a; }
// The first argument stays unless the second is strictly larger.
inline double StrictMax(double a, double b) { return b > a ? b : a; }

// A random draw scaled to [0, 1): value x 2^-32, exact.
inline double UnitFromU32(uint32_t value) { return value * (1.0 / 4294967296.0); }
