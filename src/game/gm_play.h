// One planet played from start to end on the open game window: the world with its two
// random sources, the planet's textures built and uploaded behind the loading screen,
// the sounds, the view and the lights, the frame loop until the world reaches a final
// state, the clean-up, and the result code and play time.
#pragma once

#include <cstdint>

#include "game/gm_planet_result.h"
#include "texgen/tg_generators.h"

struct GameWorld;

void PlayPlanet(PlanetResult& result);
// What the game and its screens make their images with: the texture levels of the
// quality in force (each held to its range) and the loading screen's progress.
RecipeSettings GameRecipeSettings();
// Tests watch and script the game through the seams' planetFrame (gm_seams.h), called
// once a frame after the world is drawn and before the frame is presented.
