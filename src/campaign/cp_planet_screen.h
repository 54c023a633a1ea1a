// The planet screen: a lit 3-D view of the chosen system, its sun in the middle and
// its ten planets spinning on a line of growing distance, beads circling the chosen
// planet, the camera sliding along the line to it. Locked planets are grey; captions
// give the lock or the best time.
#pragma once

#include <cstdint>

#include "app/app_config.h"
#include "game/gm_planet_result.h"

class CArrowSelector;
class CPlanetGenerator;
struct GLTexture;
struct TextureImage;

// Indexed by planet 0..9.
// Along the line: the selector's positions.
extern const double kPlanetDistance[kPlanetsPerSystem];
// How far each swings in while fading.
extern const double kPlanetSwing[kPlanetsPerSystem];
extern const double kPlanetRadius[kPlanetsPerSystem];
// Texture shift per second.
extern const double kPlanetSpinSpeed[kPlanetsPerSystem];

struct PlanetScreen {
    double time;                                   // seconds since the screen opened
    double spin[kPlanetsPerSystem];                // texture shift of each planet
    CPlanetGenerator* planets[kPlanetsPerSystem];  // the screen's own objects
    GLTexture* starField;
    GLTexture* sun;
    GLTexture* planetTextures[kPlanetsPerSystem];
    TextureImage* highlightImage;   // "planet_highlight"
    GLTexture* highlight;
    CArrowSelector* selector;
};

// Reads planet, system, highestPlanet, bestTimes, galaxyObject and systemObject;
// writes planet. True when confirmed.
bool ShowPlanetScreen(PlanetResult& result);

// The selector's update, then the clock and the spins.
void AdvancePlanetSpins(PlanetScreen& screen, double dt);
void DrawPlanetScreen(const PlanetScreen& screen);
void DrawSystemBodies(const PlanetScreen& screen);

// How far the planets are swung away: -1 .. 0 while the screen fades in, 0 .. 1
// while it fades out, 1 once it has ended.
double PlanetSwing(const CArrowSelector& selector);

// The image of planet i: its layered map, or for a locked planet a grey copy made
// once and kept in the object. Null for a null object.
TextureImage* PlanetScreenImage(CPlanetGenerator* planet, bool open);
