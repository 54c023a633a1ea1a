// The audio layer's test seams: the receiver of the game's and the display session's
// audio messages, in place of the audio thread (au_thread.h).
#pragma once

#include <cstdint>

// Read on the main thread whenever a message is posted. The program leaves every entry
// empty, which means the real audio thread.
struct AuSeams {
    // Whether anyone receives the messages and how they are posted: a test's recorder.
    // Both or neither.
    bool (*audioRunning)();
    bool (*postAudio)(uint32_t message, uintptr_t wParam, intptr_t lParam);
};

extern AuSeams g_auSeams;  // empty unless a test fills it

// Every entry back to empty (the run-state reset tests use).
void AuResetSeams();
