// The two short 3-D scenes before every game: the approach, in which the craft flies
// in towards the planet, and the descent, in which it sinks into the planet's well.
// Each lasts three seconds, fades in and out and sets the volume of the jet loop on
// the engine channel; a key press or a click skips the rest of both. Also what the
// completed screen shares with them: the skip callback, the table of puff points and
// the exhaust of the hovering craft, the textured sphere, the closing black frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/dp_input.h"
#include "game/gm_play.h"

class CGalaxyGenerator;
class CPlanetGenerator;
struct GLTexture;

// The scene record (zeroed on entry).
struct SceneRecord {
    uint32_t skip;               // set to 1 by OnAnyKeyEvent; must stay the first field
    GLTexture* textures[4];      // approach: glow, star field, surface, cloud shell;
                                 // descent: glow, outer wall, rim, inner wall
    const double* noiseFrames;   // the planet's noise-frame table (descent)
    double time;                 // seconds since the scene started
    PlanetResult* result;
};
static_assert(offsetof(SceneRecord, skip) == 0, "OnAnyKeyEvent writes the first field");

// Sixteen points (x, y) inside the unit circle, entry k = r_k (cos 2 pi a_k, sin 2 pi a_k):
// where each exhaust puff sits across its stream.
struct PolarPoint {
    double x;
    double y;
};
extern const PolarPoint PolarPointTable[16];
// Entry i mod 16 for any i, also below zero.
const PolarPoint& PolarPointAt(int64_t i);

// Input callback of the scenes and the completed screen: a key's first press (513) or
// the left button (256) sets the u32 at arg to 1. A close of the window (0) is no skip:
// the pump has set the quit flag, which ends this loop and every one after it.
void OnAnyKeyEvent(void* arg, uint32_t code, const void* data);

// The fade of both scenes at scene time t: 2t up to 0.5 s, 1 up to 2.5 s, then 6 - 2t.
double SceneFade(double t);
// The jet's volume in the approach (0.5 F (1 - t / 6)) and in the descent (F).
double ApproachJetVolume(double t);
double DescentJetVolume(double t);

void RunPreGameScenes(PlanetResult& result);
// Each scene: set-up (textures behind the loading screen, view and lights), the loop
// of draws, end (the jet silenced, the textures deleted).
void RunApproachScene(SceneRecord& scene);
void SetUpApproachScene(SceneRecord& scene);
void DrawApproachScene(SceneRecord& scene);
void RunDescentScene(SceneRecord& scene);
void SetUpDescentScene(SceneRecord& scene);
void DrawDescentScene(SceneRecord& scene);
void EndScene(SceneRecord& scene);

// The glow sprite and the well's outer wall, rim and inner wall textures into out[0..3]
// (made at once on the texture pool), the walls in thirds of the loading bar.
void LoadWellTextures(CGalaxyGenerator* galaxy, CPlanetGenerator* planet, GLTexture* out[4]);
// The game's view and the six lights over the well (lights 0-2 dim below, 3-5 white
// above), used by the descent and the completed screen.
void SetUpWellSceneView();
// The well of a planet with goal height 15 as the scenes show it: outer wall, rim and
// inner wall (textures in that order), each with its material, the rim's plane running
// on past its front edge to below the view's bottom edge; the lid over it when
// lidProgress >= 0 (DrawShatteringMesh), drawn between the rim and the inner wall.
void DrawSceneWell(const GLTexture* outerWall, const GLTexture* rim, const GLTexture* innerWall,
                   double lidProgress);
// The hovering craft's exhaust in its frame: for j = 15 down to 1 a puff of age
// (j + f) / 16 (u = 6t, n = trunc u, f = u - n) at table entry (j - n) mod 16, one
// glow square each side, streaming downwards. Sets the emission-only material.
void DrawHoverExhaust(const GLTexture* glow, double t);
// The grey craft material with this diffuse factor.
void SetCraftMaterial(double diffuse);
// The built-in model at this scale, detailed or simple by the quality settings.
void DrawCraftModel(double scale);

// The closing frame after a scene or the completed screen: pump and poll with
// OnAnyKeyEvent into skip, catch up, make current, clear to black, present.
void PresentBlackFrame(uint32_t* skip);

// The screens of the frame seam (g_cpSeams.sceneFrame), called after each frame of the
// scenes and the completed screen is drawn and before it is presented (the back
// buffer still holds it).
enum SceneScreen : uint32_t { SCENE_APPROACH = 1, SCENE_DESCENT = 2, SCENE_COMPLETED = 3 };
void NotifySceneFrame(uint32_t screen, double time);
