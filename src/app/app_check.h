// Runtime checks of the program's own rules (a release without an acquisition, a
// builder call after its layout is finished, a count that would wrap): misuse by our
// own code, never a player's input or a stored value. A failed check writes
// "vorpane: check failed: <message> (<file>:<line>)" on standard error, runs the
// emergency hooks (a changed display mode goes back) and aborts, so a test sees the
// misuse where it happens. Checks are compiled in where VORPANE_CHECKS is 1 (the build
// the tests use); elsewhere the condition is still compiled but never evaluated.
#pragma once

#ifndef VORPANE_CHECKS
#define VORPANE_CHECKS 0
#endif

// Reports the failed check and ends the process (SIGABRT). Never returns.
[[noreturn]] void FailCheck(const char* message, const char* file, int line);

#if VORPANE_CHECKS
#define VP_CHECK(condition, message) \
    ((condition) ? static_cast<void>(0) : FailCheck((message), __FILE__, __LINE__))
#else
#define VP_CHECK(condition, message) static_cast<void>(sizeof(!(condition)))
#endif
