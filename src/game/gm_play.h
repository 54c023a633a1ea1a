// One planet played from start to end on the open game window: the world with its two
// random sources, the planet's textures built and uploaded behind the loading screen,
// the sounds, the view and the lights, the frame loop until the world reaches a final
// state, the clean-up, and the result code and play time.
#pragma once

#include <cstdint>

class CGalaxyGenerator;
class CSystemGenerator;
class CPlanetGenerator;
struct GameWorld;

enum PlanetResultCode : uint32_t {
    PLANET_RESULT_NONE = 0,       // before a game
    PLANET_RESULT_QUIT = 1,       // the window was closed, or Abort on the pause screen
    PLANET_RESULT_COMPLETED = 2,  // the craft climbed out above the goal height
    PLANET_RESULT_FAILED = 3,     // the craft fell below the floor
};

// The campaign's record of the selection and of the last game. The game reads the
// selection and the galaxy and planet objects and writes result and time; the rest
// belongs to the campaign.
struct PlanetResult {
    uint32_t result;                  // PlanetResultCode
    uint32_t galaxy;                  // 0..3
    uint32_t system;                  // 0..9
    uint32_t planet;                  // 0..9
    uint32_t planetIndex;             // 10 x system + planet
    uint32_t highestPlanet;           // the galaxy's first planet not yet completed
    CGalaxyGenerator* galaxyObject;   // the selection's generator objects (campaign's)
    CSystemGenerator* systemObject;
    CPlanetGenerator* planetObject;
    int32_t* bestTimes;               // the galaxy's row of best times, whole seconds
    int32_t* highestPlanets;          // the four-entry unlock array
    double time;                      // seconds of the last game, fade-out included
};

void PlayPlanet(PlanetResult& result);
// Tests watch and script the game through the seams' planetFrame (pf_seams.h), called
// once a frame after the world is drawn and before the frame is presented.
