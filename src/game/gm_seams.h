// The game's test seams: the pause screen as play runs it, and a look at every frame of
// play before it is presented.
#pragma once

struct GameWorld;

// Read on the main thread during play. The program leaves every entry empty, which
// means the real thing.
struct GmSeams {
    // The pause screen as play runs it: true for Continue. Null: RunPauseScreen.
    bool (*runPauseScreen)();
    // Called once a frame of play after the world is drawn and before the frame is
    // presented (the back buffer still holds it): tests watch and script the game.
    void (*planetFrame)(GameWorld& world, void* context);
    void* planetFrameContext;
};

extern GmSeams g_gmSeams;  // empty unless a test fills it

// Every entry back to empty (the run-state reset tests use).
void GmResetSeams();
