// The screen after a completed planet: the craft hovering over the planet's well, the
// word "Completed" and the play time, for at most ten seconds; after five the craft
// lifts off and swings away. A key press or a click ends it.
#pragma once

#include <cstdint>
#include <string>

#include "game/gm_play.h"

struct GLTexture;
struct TextureImage;

// The completed-screen record (zeroed on entry).
struct CompleteScreenRecord {
    uint32_t skip;               // set to 1 by OnAnyKeyEvent
    GLTexture* textures[5];      // glow, outer wall, rim, inner wall, the "live_text" font
    const double* noiseFrames;   // the planet's noise-frame table
    TextureImage* fontImage;     // the "live_text" picture
    double time;                 // seconds since the screen opened
    std::string timeText;        // "m:ss" of the play time
    PlanetResult* result;
};

// The play time as the screen shows it: whole seconds as minutes, tens and units,
// "%1:%2%3" (59.9 s reads "0:59", 3600 s "60:00").
std::string FormatCompletedTime(double seconds);
// The screen fade (2t up to 0.5 s, 1 up to 9.5 s, then 20 - 2t) and the lift-off
// value (1 up to 5 s, falling to 0 at 7 s).
double CompleteScreenFade(double t);
double LiftOffValue(double t);

void ShowPlanetCompleteScreen(PlanetResult& result);
// Set-up (textures, view, lights, time text), the loop of draws, end (the jet
// silenced, textures and the font freed).
void RunPlanetCompleteScreen(CompleteScreenRecord& screen);
void SetUpPlanetCompleteScreen(CompleteScreenRecord& screen);
void EndPlanetCompleteScreen(CompleteScreenRecord& screen);
void DrawPlanetCompleteScreen(CompleteScreenRecord& screen);
