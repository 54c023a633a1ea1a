// One planet played from start to end on the open game window: the world with its two
// random sources, the planet's textures built and uploaded behind the loading screen,
// the sounds, the view and the lights, the frame loop until the world reaches a final
// state, the clean-up, and the result code and play time.
#pragma once

#include <cstdint>

#include "game/gm_planet_result.h"

struct GameWorld;

void PlayPlanet(PlanetResult& result);
// Tests watch and script the game through the seams' planetFrame (gm_seams.h), called
// once a frame after the world is drawn and before the frame is presented.
