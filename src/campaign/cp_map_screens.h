// The galaxy screen (the four galaxies on a turning arc) and the system screen (the
// ten systems of a galaxy with their sun images, locked ones grey), both on the arrow
// selector. Each returns true when the player confirmed a choice, and writes the
// selector's item into the record also on cancel.
#pragma once

#include <cstdint>

#include "app/app_config.h"
#include "app/app_texture_image.h"
#include "game/gm_planet_result.h"

class CArrowSelector;
class CSystemGenerator;
struct GLTexture;

// Reads galaxy and highestPlanets; writes galaxy.
bool ShowGalaxyScreen(PlanetResult& result);
// Reads system, highestPlanet and galaxyObject; writes system.
bool ShowSystemScreen(PlanetResult& result);

// Where an item of the arc stands on a width x height window with the selector at
// position p: its centre, its size (galaxies) or unit q (systems), and its area.
struct ArcPlacement {
    double x, y;
    double size;   // galaxy: width of the picture (height half of it); system: q
    int32_t x0, y0, x1, y1;
};
ArcPlacement PlaceGalaxy(uint32_t galaxy, double p, int32_t width, int32_t height);
ArcPlacement PlaceSystem(uint32_t system, double p, int32_t width, int32_t height);

struct GalaxyScreen {
    CArrowSelector* selector;
    TextureStrip strip;       // "galaxies", four frames of 512 x 256
    GLTexture* textures[4];
};

struct SystemScreen {
    CArrowSelector* selector;
    CSystemGenerator* systems[kSystemsPerGalaxy];  // the screen's own objects
    GLTexture* textures[kSystemsPerGalaxy];
    TextureImage* fontImage;                       // "live_text"
    GLTexture* font;
};

void DrawGalaxyScreen(GalaxyScreen& screen);
void DrawSystemScreen(SystemScreen& screen);

// The image of system i on the system screen: the sun's sphere image, or for a locked
// system its grey copy, made once and kept in the object. Null for a null object.
TextureImage* SystemScreenImage(CSystemGenerator* system, bool open);
// The image itself when open; else its grey copy, made into greySlot the first time.
TextureImage* OpenOrGreyImage(TextureImage* image, TextureImage*& greySlot, bool open);
