// The platform layer's seams: every point at which a test (or a tool) puts something of
// its own in place of a part of the platform layer, gathered in one record. The program
// itself leaves every entry empty, which means the real thing. A test fills in the
// entries it needs; the tests' shared main empties them again after every test
// (PfResetSeams, called by ResetRunState in tests/support/run_state.cpp).
//
// Read on the main thread whenever used, except where an entry says it is read when a
// device opens (the audio entries are taken over under the device's lock then, so a
// test sets them before it opens the device).
//
// Where each layer's seams are: every layer that has seams owns them in a record of its
// own with its own reset, next to the code they replace, and the shared main empties
// each of them the same way:
//   platform  platform/pf_seams.h  the clock and sleep, the swap, the audio driver, MIDI,
//                                  the mode guard program
//   app       app/app_seams.h      the settings store's file syncs
//   audio     audio/au_seams.h     the receiver of the audio messages
//   game      game/gm_seams.h      the pause screen, a look at every frame of play
//   campaign  campaign/cp_seams.h  a look at every frame of the scenes
#pragma once

#include <cstdint>

// The audio output's driver: a real SDL device, or a manual one on which nothing plays
// by itself and a test pulls samples (PfRenderAudio) to decide when each is played.
enum class PfAudioDriver {
    Sdl,     // SDL_AUDIODRIVER chooses; SDL's dummy driver when no device opens
    Manual,  // no device: time moves only when PfRenderAudio is called
};

struct PfSeams {
    // The millisecond clock and sleep of every frame-timing rule (pf_clock.h): a fake
    // clock whose sleep advances it. Null: the monotonic clock, a real sleep.
    uint32_t (*readClock)();
    void (*sleep)(uint32_t milliseconds);
    // Called just before every swap of the game window's buffers while the finished
    // frame is still in the back buffer (tests and screenshots read it there).
    void (*beforeSwap)();
    // The output device's driver, read at the device's first acquisition.
    PfAudioDriver audioDriver;
    // Called for every event a MIDI stream plays, with the stream's sample clock and
    // the event word; on the rendering thread with the stream's lock held (it must not
    // call back into the stream). Read when a stream opens.
    void (*midiEvent)(void* user, uint64_t sample, uint32_t event);
    void* midiEventUser;
    // The mode guard program a mode change starts (pf_mode_guard.h): the tests' programs
    // are not built beside it. Null: vorpane_mode_guard beside the running program.
    const char* modeGuardProgram;
};

extern PfSeams g_pfSeams;  // empty unless a test fills it

// Every entry back to empty (the run-state reset tests use).
void PfResetSeams();
