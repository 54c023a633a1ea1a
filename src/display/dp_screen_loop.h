// The one loop every OpenGL screen runs: input, the screen's end test, the pacing
// rule, the context, advance, draw and present, until the screen is done or the
// player has quit.
#pragma once

#include <cstdint>

#include "display/dp_input.h"

struct ScreenHandlers {
    void* context;
    GameEventCallback input;                          // receives every input code of the pump and the mouse poll; may be null
    bool (*done)(void* context);                      // checked after input; true ends the loop before the frame
    void (*advance)(void* context, uint32_t stepMs);  // the previous frame's step (FrameStepMs); may be null
    void (*draw)(void* context);                      // draws the frame; may be null
};

// Each iteration: PumpGameMessages(input), PollMouse(input); stop when done(context) or
// QuitRequested; CatchUpLastFrameTime(); MakeGameContextCurrent(); advance(context,
// FrameStepMs); draw(context); PresentFrame().
// A close or SIGTERM sets the quit flag in the pump, so it ends the loop whatever the
// input callback does, also with none.
// While no game window exists (a reopen failed) the draw is skipped.
// A quit flag that is already set when the loop starts ends it at once (the flag is
// sticky), so every loop between a quit and the home loop unwinds.
void RunScreenLoop(const ScreenHandlers& screen);
