// The campaign's record of the selection and of the last game, passed to every
// selection screen, scene and game of the campaign.
#pragma once

#include <cstdint>

class CGalaxyGenerator;
class CSystemGenerator;
class CPlanetGenerator;

enum PlanetResultCode : uint32_t {
    PLANET_RESULT_NONE = 0,       // before a game
    PLANET_RESULT_QUIT = 1,       // the window was closed, or Abort on the pause screen
    PLANET_RESULT_COMPLETED = 2,  // the craft climbed out above the goal height
    PLANET_RESULT_FAILED = 3,     // the craft fell below the floor
};

// The game reads the selection and the galaxy and planet objects and writes result
// and time; the rest belongs to the campaign.
struct PlanetResult {
    uint32_t result;                  // PlanetResultCode
    uint32_t galaxy;                  // 0..3
    uint32_t system;                  // 0..9 (10 for a moment after the last system)
    uint32_t planet;                  // 0..9 (10 for a moment after the last planet)
    uint32_t planetIndex;             // 10 x system + planet
    uint32_t highestPlanet;           // the galaxy's first planet not yet completed
    CGalaxyGenerator* galaxyObject;   // the selection's generator objects (campaign's)
    CSystemGenerator* systemObject;
    CPlanetGenerator* planetObject;
    int32_t* bestTimes;               // the galaxy's row of 100 best times, whole seconds
    int32_t* highestPlanets;          // the four-entry unlock array
    double time;                      // seconds of the last game, fade-out included
};
