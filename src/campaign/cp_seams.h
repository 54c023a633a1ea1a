// The campaign's test seams: a look at every frame of the approach, the descent and the
// completed screen before it is presented.
#pragma once

#include <cstdint>

// Read on the main thread while a scene runs. The program leaves every entry empty.
struct CpSeams {
    // Called once a frame of the approach, the descent and the completed screen after
    // it is drawn and before it is presented, with the screen (SceneScreen of
    // cp_scenes.h: 1 approach, 2 descent, 3 completed) and its time in seconds.
    void (*sceneFrame)(uint32_t screen, double time, void* context);
    void* sceneFrameContext;
};

extern CpSeams g_cpSeams;  // empty unless a test fills it

// Every entry back to empty (the run-state reset tests use).
void CpResetSeams();
