// A sample of the game's world for the pictures and timings of its drawing.
#include "sample_world.h"

#include <GL/gl.h>

#include "app/app_color.h"
#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "game/gm_world.h"

void LoadSampleTextures(GameWorld& w, void* context) {
    SamplePlanet& p = *static_cast<SamplePlanet*>(context);
    const TextureFilters filters = ActiveTextureFilters();
    w.glowTexture = MakeTexture(MakeGlowImage(*p.galaxy), true, TextureCategoryForeground, filters);
    w.innerWallTexture = MakeTexture(MakeSecondRandomPigmentImage(*p.planet), false,
                                     TextureCategoryBackground, filters);
    w.floorTexture =
        MakeTexture(MakeTurbulenceImage(*p.planet), false, TextureCategoryBackground, filters);
    w.noiseFrames = GetNoiseFrames(*p.planet);
    w.rimTexture =
        MakeTexture(MakeRandomPigmentImage(*p.planet), false, TextureCategoryBackground, filters);
    w.outerWallTexture =
        MakeTexture(MakeLayeredFlatImage(*p.planet), false, TextureCategoryBackground, filters);
    for (uint32_t c = 0; c < 12; ++c)
        w.blockTextures[c] = MakeTexture(MakeForegroundPigmentImage(*p.planet, c), false,
                                         TextureCategoryForeground, filters);
}

void FillSampleWorld(GameWorld& w, uint32_t rows, double height) {
    while (w.settled.count) RemovePoolEntry(w.settled, w, w.settled.count - 1);
    while (w.falling.count) RemovePoolEntry(w.falling, w, w.falling.count - 1);
    for (uint32_t i = 0; i < rows * 15; ++i) {
        Block& b = TakePoolEntry(w.settled, w);
        b.colour = uint16_t(i % 12);
        b.x = double(i % 15) - 7.0;
        b.y = double(i / 15);
        b.z = 0;
    }
    for (uint32_t i = 0; i < 64; ++i) {
        Block& b = TakePoolEntry(w.falling, w);
        b.colour = uint16_t(i % 12);
        b.x = double(i % 15) - 7.0;
        b.y = height + 5.0 + double(i / 15) * 3;
        b.z = 0;
    }
    w.fragments.count = 32;
    for (uint32_t i = 0; i < 32; ++i) {
        Fragment& f = w.fragments.entries[i];
        f.block.colour = uint16_t(i % 12);
        f.block.x = double(i % 8) - 4;
        f.block.y = height + 1.0 + i / 8;
        f.block.z = 0.5;
    }
    w.puffs.count = 64;
    for (uint32_t i = 0; i < 64; ++i) {
        ExhaustPuff& p = w.puffs.entries[i];
        p.age = (i % 16) / 16.0;
        p.x = 0;
        p.y = height;
        p.dx = (i % 2) ? 0.3 : -0.3;
        p.dy = -0.95;
    }
    w.playerX = 0;
    w.playerY = height;
    w.cameraY = height;
    w.fade = 1;
    w.time = 3.3;
}

void SetUpSampleView(const GameWorld& w) {
    ResetGLState2D();
    BeginScene3D(true);
    glRotated(15.0, 1.0, 0.0, 0.0);
    glTranslated(0.0, -12.0, -34.0);
    const double top = w.goalHeight + 10;
    const double positions[6][3] = {{-7, -2, 3}, {0, -2, 4}, {7, -2, 3},
                                     {-6, top, 3}, {0, top, 4}, {6, top, 3}};
    const ColorValue white = {1, 1, 1, 1};
    for (uint32_t i = 0; i < 6; ++i) {
        SetLightPosition(i, positions[i][0], positions[i][1], positions[i][2]);
        SetLightAttenuation(i, 0.2, 0.05, 0);
        if (i >= 3) SetLightColors(i, white, 0.3, 0.3, 0);
        EnableLight(i);
    }
}
