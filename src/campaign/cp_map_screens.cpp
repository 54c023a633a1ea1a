// The galaxy and system screens: set-up, loop, drawing and clean-up.
#include "campaign/cp_map_screens.h"

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "campaign/cp_captions.h"
#include "campaign/cp_selector.h"
#include "display/dp_gl_state.h"
#include "display/dp_glyph_text.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "texgen/tg_generators.h"
#include "texgen/tg_pool.h"

namespace {

// The arc both screens place their items on: angle a turns the item away from the
// front, k shrinks it toward the sides.
struct ArcPoint {
    double k;
    double x, y;
};

ArcPoint OnArc(double angle, int32_t width, int32_t height) {
    const int32_t s = width < height ? width : height;
    const int32_t cx = width / 2, cy = height / 2;
    ArcPoint p;
    p.k = 0.76 + 0.24 * std::cos(angle);
    p.x = cx + 0.35 * s * (p.k + 0.2) * std::sin(angle);
    p.y = cy + 0.125 * s - 0.25 * s * (p.k + 0.2) * std::cos(angle);
    return p;
}

void SetBrightness(double b) {
    const double c = 0.5 + 0.5 * b;
    glColor4d(c, c, c, 1.0);
}

void DrawRectangle(const GLTexture* texture, double x0, double y0, double x1, double y1) {
    const double p1[2] = {x0, y0}, p2[2] = {x0, y1}, p3[2] = {x1, y1}, p4[2] = {x1, y0};
    DrawTexturedQuad(texture, p1, p2, p3, p4, 1.0, 1.0, 0.0, 0.0);
}

}  // namespace

ArcPlacement PlaceGalaxy(uint32_t galaxy, double p, int32_t width, int32_t height) {
    const int32_t s = width < height ? width : height;
    const double a = (galaxy / 3.0 - p) * 0.6 * (2 * M_PI);
    const ArcPoint at = OnArc(a, width, height);
    ArcPlacement r;
    r.x = at.x;
    r.y = at.y;
    r.size = 0.35 * at.k * s;
    r.x0 = int32_t(r.x - r.size / 2);
    r.y0 = int32_t(r.y - r.size / 4);
    r.x1 = r.x0 + int32_t(r.size);
    r.y1 = r.y0 + int32_t(r.size / 2);
    return r;
}

ArcPlacement PlaceSystem(uint32_t system, double p, int32_t width, int32_t height) {
    const int32_t s = width < height ? width : height;
    const double a = (system / 9.0 - p) * 0.7 * (2 * M_PI);
    const ArcPoint at = OnArc(a, width, height);
    ArcPlacement r;
    r.x = at.x;
    r.y = at.y;
    const double q = 0.075 * 0.35 * at.k * s;
    r.size = q;
    r.x0 = int32_t(r.x - 3 * q);
    r.y0 = int32_t(r.y - q);
    r.x1 = r.x0 + int32_t(6 * q);
    r.y1 = r.y0 + int32_t(2 * q);
    return r;
}

void DrawGalaxyScreen(GalaxyScreen& screen) {
    CArrowSelector& selector = *screen.selector;
    ClearGameScreen();
    const double p = selector.Position();
    for (uint32_t i = 0; i < 4; ++i) {
        const ArcPlacement at = PlaceGalaxy(i, p, GameWindowWidth, GameWindowHeight);
        SetBrightness(selector.ItemHighlight(i));
        DrawRectangle(screen.textures[i], at.x - at.size / 2, at.y - at.size / 4,
                      at.x + at.size / 2, at.y + at.size / 4);
        selector.PlaceItem(i, at.x0, at.y0, at.x1, at.y1);
    }
    selector.Draw();
}

bool ShowGalaxyScreen(PlanetResult& result) {
    if (QuitRequested) return false;
    BeginScene2D();
    CArrowSelector selector(4);
    selector.minMoveTime = 0.6;
    selector.itemMoveTime = 0.4;
    selector.SetCurrent(result.galaxy);

    GalaxyScreen screen = {};
    screen.selector = &selector;
    LoadTextureStrip(screen.strip, "galaxies", 4, 512, 256);
    CreateTextures(screen.textures, 4, screen.strip, ActiveTextureFilters());
    for (uint32_t i = 0; i < 4; ++i) {
        const int32_t n = result.highestPlanets ? result.highestPlanets[i] : 0;
        selector.SetItemCaption(i, GalaxyCaption(n).c_str());
    }

    const SelectorScreen loop = {&selector, &screen, nullptr, [](void* s) {
                                     DrawGalaxyScreen(*static_cast<GalaxyScreen*>(s));
                                 }};
    const bool confirmed = RunSelectorScreen(loop);

    for (GLTexture* texture : screen.textures) DeleteTexture(texture);
    FreeTextureImages(screen.strip);
    result.galaxy = selector.current;
    return confirmed;
}

TextureImage* OpenOrGreyImage(TextureImage* image, TextureImage*& greySlot, bool open) {
    if (open) return image;
    if (!greySlot && image) {
        greySlot = CopyTextureImage(image);
        MakeGreyTextureImage(greySlot);
    }
    return greySlot;
}

TextureImage* SystemScreenImage(CSystemGenerator* system, bool open) {
    if (!system) return nullptr;
    return OpenOrGreyImage(MakeSphereImage(*system), system->greySphere, open);
}

void DrawSystemScreen(SystemScreen& screen) {
    CArrowSelector& selector = *screen.selector;
    ClearGameScreen();
    const double p = selector.Position();
    for (uint32_t i = 0; i < kSystemsPerGalaxy; ++i) {
        const ArcPlacement at = PlaceSystem(i, p, GameWindowWidth, GameWindowHeight);
        const double q = at.size;
        SetBrightness(selector.ItemHighlight(i));
        const std::string label = "System " + std::to_string(i + 1);
        DrawGlyphText(label.c_str(), screen.font, false, at.x - q, at.y - q / 2, 4 * q, q);
        DrawRectangle(screen.textures[i], at.x - 3 * q, at.y - q, at.x - q, at.y + q);
        selector.PlaceItem(i, at.x0, at.y0, at.x1, at.y1);
    }
    selector.Draw();
}

bool ShowSystemScreen(PlanetResult& result) {
    if (QuitRequested) return false;
    BeginScene2D();
    CArrowSelector selector(kSystemsPerGalaxy);
    BeginLoadingScreen();

    SystemScreen screen = {};
    screen.selector = &selector;
    const uint32_t h = ClampHighestPlanet(result.highestPlanet);
    for (uint32_t i = 0; i < kSystemsPerGalaxy; ++i)
        screen.systems[i] =
            result.galaxyObject ? CreateSystemGenerator(*result.galaxyObject, i) : nullptr;
    // The ten suns render at once on the image pool; each stage waits for its own.
    CImageBatch batch(UpdateLoadingProgress);
    uint32_t tickets[kSystemsPerGalaxy];
    for (uint32_t i = 0; i < kSystemsPerGalaxy; ++i)
        tickets[i] = screen.systems[i] ? batch.Start(SphereImageRender(*screen.systems[i]))
                                       : CImageBatch::kNoTicket;
    for (uint32_t i = 0; i < kSystemsPerGalaxy; ++i) {
        AddLoadingStage(i / double(kSystemsPerGalaxy), (i + 1) / double(kSystemsPerGalaxy));
        batch.Wait(tickets[i]);
        TextureImage* image = SystemScreenImage(screen.systems[i], i * kPlanetsPerSystem <= h);
        screen.textures[i] = MakeTexture(image, true, TextureCategoryForeground,
                                         ActiveTextureFilters());
        LeaveLoadingStage();
    }
    screen.fontImage = LoadTextureImage("live_text");
    screen.font = MakeTexture(screen.fontImage, true, TextureCategoryFixed, ActiveTextureFilters());
    EndLoadingScreen();

    selector.minMoveTime = 0.5;
    selector.itemMoveTime = 0.2;
    selector.SetCurrent(result.system);
    for (uint32_t i = 0; i < kSystemsPerGalaxy; ++i) {
        selector.items[i].enabled = i * kPlanetsPerSystem <= h;
        selector.SetItemCaption(i, SystemCaption(i, h).c_str());
    }

    const SelectorScreen loop = {&selector, &screen, nullptr, [](void* s) {
                                     DrawSystemScreen(*static_cast<SystemScreen*>(s));
                                 }};
    const bool confirmed = RunSelectorScreen(loop);

    for (GLTexture* texture : screen.textures) DeleteTexture(texture);
    for (CSystemGenerator* system : screen.systems) delete system;
    DeleteTexture(screen.font);
    FreeTextureImage(screen.fontImage);
    result.system = selector.current;
    return confirmed;
}
