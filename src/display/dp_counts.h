// The display session's counted operations: every raise has its lower. A lower without
// its raise, or a raise that would wrap the count, is our own code's misuse and fails
// a runtime check.
#pragma once

#include <limits>

#include "app/app_check.h"

// count + 1; "message" names the misuse when the count is already at its largest.
template <typename Count>
Count CountUp(Count count, const char* message) {
    VP_CHECK(count < std::numeric_limits<Count>::max(), message);
    return Count(count + 1);
}

// count - 1; "message" names the misuse when nothing was raised.
template <typename Count>
Count CountDown(Count count, const char* message) {
    VP_CHECK(count > 0, message);
    return Count(count - 1);
}
