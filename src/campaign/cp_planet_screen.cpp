// The planet screen: set-up, loop, the 3-D drawing and clean-up.
#include "campaign/cp_planet_screen.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "campaign/cp_captions.h"
#include "campaign/cp_map_screens.h"
#include "campaign/cp_selector.h"
#include "campaign/cp_sphere.h"
#include "display/dp_gl_state.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "texgen/tg_generators.h"
#include "texgen/tg_pool.h"

const double kPlanetDistance[kPlanetsPerSystem] = {
    2.0, 2.5, 3.0, 3.7, 4.5, 5.2, 6.2, 7.5, 9.5, 11.0};
const double kPlanetSwing[kPlanetsPerSystem] = {11.0, 9.5, 7.5, 6.2, 5.2, 4.5, 3.7, 3.0, 2.5, 2.0};
const double kPlanetRadius[kPlanetsPerSystem] = {
    0.10, 0.12, 0.15, 0.16, 0.18, 0.20, 0.25, 0.30, 0.12, 0.08};
const double kPlanetSpinSpeed[kPlanetsPerSystem] = {
    0.17, 0.15, 0.14, 0.13, 0.12, 0.11, 0.06, 0.07, 0.08, 0.06};

namespace {

constexpr uint32_t kBeadCount = 8;

void SetPlanetMaterial() { SetMaterial(0.1, 0.8, 0.0, 0.0, 0.0); }

// Planet i's place: swung about the sun by v, then out along the line.
void MoveToPlanet(uint32_t i, double v) {
    glRotated(v * kPlanetSwing[i] * (-360.0 / 75), 0.0, 1.0, 0.0);
    glTranslated(kPlanetDistance[i], 0.0, 0.0);
}

void ShiftTexture(double u) {
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslated(u, 0.0, 0.0);
    glMatrixMode(GL_MODELVIEW);
}

void RestoreTexture() {
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void DrawHighlight(const PlanetScreen& screen, uint32_t i, double b, double v) {
    SetMaterial(0.0, 0.4, 0.0, 0.5, 0.0);
    const double pulse = 0.8 + 0.2 * std::cos(screen.time * (2 * M_PI));
    glPushMatrix();
    MoveToPlanet(i, v);
    for (uint32_t k = 0; k < kBeadCount; ++k) {
        glPushMatrix();
        glRotated(45.0 * k + screen.time * 360 * 0.25, 0.0, 1.0, 0.0);
        glTranslated((kPlanetRadius[i] + 0.1) * b, 0.0, 0.0);
        DrawSimpleSphere(screen.highlight, pulse * b * 0.03);
        glPopMatrix();
    }
    glPopMatrix();
    SetPlanetMaterial();
}

}  // namespace

double PlanetSwing(const CArrowSelector& selector) {
    switch (selector.state) {
    case SELECTOR_APPEARING:
        return selector.fade - 1;
    case SELECTOR_CONFIRMING:
    case SELECTOR_CANCELLING:
        return 1 - selector.fade;
    default:
        return 1.0;
    }
}

void AdvancePlanetSpins(PlanetScreen& screen, double dt) {
    screen.selector->Update(dt);
    screen.time += dt;
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i) screen.spin[i] += kPlanetSpinSpeed[i] * dt;
}

void DrawSystemBodies(const PlanetScreen& screen) {
    glColor4d(1.0, 1.0, 1.0, 1.0);
    SetMaterial(0.0, 0.0, 0.0, 0.8, 0.0);
    ShiftTexture(screen.time * 0.05);
    DrawSphere(screen.sun, 0.5);
    RestoreTexture();

    SetPlanetMaterial();
    const double v = PlanetSwing(*screen.selector);
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i) {
        glPushMatrix();
        MoveToPlanet(i, v);
        ShiftTexture(screen.spin[i]);
        DrawSphere(screen.planetTextures[i], kPlanetRadius[i]);
        RestoreTexture();
        glPopMatrix();
    }
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i) {
        const double b = screen.selector->ItemHighlight(i);
        if (b > 0.01) DrawHighlight(screen, i, b, v);
    }
}

void DrawPlanetScreen(const PlanetScreen& screen) {
    ClearGameScreen();
    const double p = screen.selector->Position();

    // The star field far behind everything, its picture repeated 15 times each way.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslated(0.0, 0.0, -100.0);
    SetMaterial(0.0, 0.0, 0.0, 0.8, 0.0);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    const double p1[2] = {-60, -60}, p2[2] = {-60, 60}, p3[2] = {60, 60}, p4[2] = {60, -60};
    DrawTexturedQuad(screen.starField, p1, p2, p3, p4, 15.0, 15.0, 0.0, 0.0);
    glPopMatrix();

    // The camera, in the projection: the chosen planet's distance comes to the centre.
    glPushMatrix();
    glTranslated(0.0, 0.0, -10.0);
    glRotated(25.0, 1.0, 0.0, 0.0);
    glRotated(30.0, 0.0, 1.0, 0.0);
    glTranslated(-p, 0.0, 0.0);
    glMatrixMode(GL_MODELVIEW);
    DrawSystemBodies(screen);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    screen.selector->Draw();
}

TextureImage* PlanetScreenImage(CPlanetGenerator* planet, bool open) {
    if (!planet) return nullptr;
    return OpenOrGreyImage(MakeLayeredMapImage(*planet), planet->greyLayeredMap, open);
}

bool ShowPlanetScreen(PlanetResult& result) {
    if (QuitRequested) return false;
    PlanetScreen screen;
    std::memset(&screen, 0, sizeof screen);
    CArrowSelector selector(kPlanetsPerSystem);
    screen.selector = &selector;
    BeginLoadingScreen();

    // The sun's map and the ten planets' maps render at once on the image pool while
    // the star field is made here; each stage waits for its own image.
    CImageBatch batch(UpdateLoadingProgress);
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i)
        screen.planets[i] =
            result.systemObject ? CreatePlanetGenerator(*result.systemObject, i) : nullptr;
    const uint32_t sunTicket = result.systemObject
                                   ? batch.Start(MapImageRender(*result.systemObject))
                                   : CImageBatch::kNoTicket;
    uint32_t tickets[kPlanetsPerSystem];
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i)
        tickets[i] = screen.planets[i] ? batch.Start(LayeredMapImageRender(*screen.planets[i]))
                                       : CImageBatch::kNoTicket;

    screen.starField =
        MakeTexture(result.galaxyObject ? MakeStarFieldImage(*result.galaxyObject) : nullptr,
                    false, TextureCategoryBackground, ActiveTextureFilters());
    AddLoadingStage(0.0, 0.2);
    batch.Wait(sunTicket);
    screen.sun = MakeTexture(result.systemObject ? MakeMapImage(*result.systemObject) : nullptr,
                             false, TextureCategoryForeground, ActiveTextureFilters());
    LeaveLoadingStage();

    // A system past the last has no planets open (and indexes no best time).
    const uint32_t system = result.system < uint32_t(kSystemsPerGalaxy) ? result.system : 0;
    const uint32_t h = ClampHighestPlanet(result.highestPlanet);
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i) {
        AddLoadingStage(0.2 + 0.8 * i / kPlanetsPerSystem,
                        0.2 + 0.8 * (i + 1) / kPlanetsPerSystem);
        batch.Wait(tickets[i]);
        const bool open = system * kPlanetsPerSystem + i <= h;
        TextureImage* image = PlanetScreenImage(screen.planets[i], open);
        screen.planetTextures[i] = MakeTexture(image, false, TextureCategoryForeground,
                                               ActiveTextureFilters());
        LeaveLoadingStage();
    }
    screen.highlightImage = LoadTextureImage("planet_highlight");
    screen.highlight = MakeTexture(screen.highlightImage, true, TextureCategoryFixed,
                                   ActiveTextureFilters());
    EndLoadingScreen();

    selector.minMoveTime = 0.5;
    selector.itemMoveTime = 0.3;
    selector.SetCurrent(result.planet);
    for (uint32_t i = 0; i < kPlanetsPerSystem; ++i) {
        selector.items[i].position = kPlanetDistance[i];
        selector.items[i].enabled = system * kPlanetsPerSystem + i <= h;
        selector.SetItemCaption(i, PlanetCaption(system, i, h, result.bestTimes).c_str());
    }

    BeginScene3D(true);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetLightPosition(0, 0.0, 0.0, 0.0);
    SetLightColors(0, ColorValue{1.0, 1.0, 1.0, 0.8}, 1.0, 1.0, 1.0);
    SetLightAttenuation(0, 0.1, 0.1, 0.0);
    EnableLight(0);

    const SelectorScreen loop = {
        &selector, &screen,
        [](void* s, double dt) { AdvancePlanetSpins(*static_cast<PlanetScreen*>(s), dt); },
        [](void* s) { DrawPlanetScreen(*static_cast<PlanetScreen*>(s)); }};
    const bool confirmed = RunSelectorScreen(loop);

    DeleteTexture(screen.starField);
    DeleteTexture(screen.sun);
    for (GLTexture* texture : screen.planetTextures) DeleteTexture(texture);
    for (CPlanetGenerator* planet : screen.planets) delete planet;
    DeleteTexture(screen.highlight);
    FreeTextureImage(screen.highlightImage);
    result.planet = selector.current;
    return confirmed;
}
