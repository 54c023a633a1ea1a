// A sample of the game's world for the pictures and timings of its drawing: planet
// 0-0-0's textures, a stack of blocks with falling blocks, fragments and exhaust
// puffs around the craft, and the game's view with its six lights.
#pragma once

#include <cstdint>
#include <memory>

#include "game/gm_play.h"
#include "texgen/tg_generators.h"

struct GameWorld;

// Planet 0-0-0's generators, made with the texture levels in force.
struct SamplePlanet {
    std::unique_ptr<CGalaxyGenerator> galaxy{new CGalaxyGenerator(0, GameRecipeSettings())};
    std::unique_ptr<CSystemGenerator> system{CreateSystemGenerator(*galaxy, 0)};
    std::unique_ptr<CPlanetGenerator> planet{CreatePlanetGenerator(*system, 0)};
};

// The world's textures from a SamplePlanet (the context): SetUpGameWorld's loader.
void LoadSampleTextures(GameWorld& w, void* context);
// A stack of rows x 15 settled blocks, 64 falling blocks from 5 above the craft up,
// 32 fragments just above it and 64 puffs under it, the craft at height; the camera
// follows it.
void FillSampleWorld(GameWorld& w, uint32_t rows, double height);
// The game's view and its six lights (three under the floor, three over the goal).
void SetUpSampleView(const GameWorld& w);
