// The program's seams: every point at which a test (or a tool) puts something of its
// own in place of a part of the program, gathered in one record. The program itself
// leaves every entry empty, which means the real thing. A test fills in the entries it
// needs and empties them again when it is done (PfResetSeams empties all of them).
//
// Read on the main thread whenever used, except where an entry says it is read when a
// device opens (the audio entries are taken over under the device's lock then, so a
// test sets them before it opens the device).
#pragma once

#include <cstdint>

struct GameWorld;

// The audio output's driver: a real SDL device, or a manual one on which nothing plays
// by itself and a test pulls samples (PfRenderAudio) to decide when each is played.
enum class PfAudioDriver {
    Sdl,     // SDL_AUDIODRIVER chooses; SDL's dummy driver when no device opens
    Manual,  // no device: time moves only when PfRenderAudio is called
};

struct PfSeams {
    // --- Platform layer ---------------------------------------------------------
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

    // --- Audio messages of the game and the display session ---------------------
    // Whether anyone receives them and how they are posted, in place of the audio
    // thread (au_thread.h): a test's recorder. Both or neither.
    bool (*audioRunning)();
    bool (*postAudio)(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // --- Game ---------------------------------------------------------------------
    // The pause screen as play runs it: true for Continue. Null: RunPauseScreen.
    bool (*runPauseScreen)();
    // Called once a frame of play after the world is drawn and before the frame is
    // presented (the back buffer still holds it): tests watch and script the game.
    void (*planetFrame)(GameWorld& world, void* context);
    void* planetFrameContext;

    // --- Campaign -----------------------------------------------------------------
    // Called once a frame of the approach, the descent and the completed screen after
    // it is drawn and before it is presented, with the screen (SceneScreen of
    // cp_scenes.h: 1 approach, 2 descent, 3 completed) and its time in seconds.
    void (*sceneFrame)(uint32_t screen, double time, void* context);
    void* sceneFrameContext;
};

extern PfSeams g_pfSeams;  // empty unless a test fills it

// Every entry back to empty.
void PfResetSeams();
