// Times DrawWorld in a 1024 x 768 game window with a full stack: the settled pool
// full (1024 blocks, about 450 of them in the drawn band around the camera), the
// falling pool full, the planet's real textures, fragments and puffs. Each frame is
// drawn, finished (glFinish, so the software rasteriser's work counts) and swapped.
// Reported: mean and 99th percentile milliseconds per frame beside the goal, the main
// thread's share, and a digest of the frame at a fixed time (it must not change when
// the drawing does), with the quality settings' smooth polygons and high-detail model
// off and on.
//
// Run under an X server (xvfb-run -s "-screen 0 1280x1024x24" build/bench/game/draw_bench [frames]).
#include <GL/gl.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "display/dp_gl_state.h"
#include "support/frame_figures.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "game/gm_draw.h"
#include "game/gm_world.h"
#include "platform/pf_window.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

struct Planet {
    std::unique_ptr<CGalaxyGenerator> galaxy{new CGalaxyGenerator(0, GameRecipeSettings())};
    std::unique_ptr<CSystemGenerator> system{CreateSystemGenerator(*galaxy, 0)};
    std::unique_ptr<CPlanetGenerator> planet{CreatePlanetGenerator(*system, 0)};
};

void LoadTextures(GameWorld& w, void* context) {
    Planet& p = *static_cast<Planet*>(context);
    w.glowTexture = MakeTexture(MakeGlowImage(*p.galaxy), true, TextureCategoryForeground,
                                ActiveTextureFilters());
    w.innerWallTexture =
        MakeTexture(MakeSecondRandomPigmentImage(*p.planet), false, TextureCategoryBackground,
                    ActiveTextureFilters());
    w.floorTexture = MakeTexture(MakeTurbulenceImage(*p.planet), false, TextureCategoryBackground,
                                 ActiveTextureFilters());
    w.noiseFrames = GetNoiseFrames(*p.planet);
    w.rimTexture = MakeTexture(MakeRandomPigmentImage(*p.planet), false, TextureCategoryBackground,
                               ActiveTextureFilters());
    w.outerWallTexture =
        MakeTexture(MakeLayeredFlatImage(*p.planet), false, TextureCategoryBackground,
                    ActiveTextureFilters());
    for (uint32_t c = 0; c < 12; ++c)
        w.blockTextures[c] = MakeTexture(MakeForegroundPigmentImage(*p.planet, c), false,
                                         TextureCategoryForeground, ActiveTextureFilters());
}

// The settled pool full (15 columns, 69 rows), 64 falling blocks, 32 fragments, 64
// puffs around the craft at height 35; the camera follows it.
void FillWorld(GameWorld& w) {
    while (w.settled.count) RemovePoolEntry(w.settled, w, w.settled.count - 1);
    while (w.falling.count) RemovePoolEntry(w.falling, w, w.falling.count - 1);
    for (uint32_t i = 0; i < 1024; ++i) {
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
        b.y = 40.0 + double(i / 15) * 3;
        b.z = 0;
    }
    w.fragments.count = 32;
    for (uint32_t i = 0; i < 32; ++i) {
        Fragment& f = w.fragments.entries[i];
        f.block.colour = uint16_t(i % 12);
        f.block.x = double(i % 8) - 4;
        f.block.y = 36.0 + i / 8;
        f.block.z = 0.5;
    }
    w.puffs.count = 64;
    for (uint32_t i = 0; i < 64; ++i) {
        ExhaustPuff& p = w.puffs.entries[i];
        p.age = (i % 16) / 16.0;
        p.x = 0;
        p.y = 35;
        p.dx = (i % 2) ? 0.3 : -0.3;
        p.dy = -0.95;
    }
    w.playerX = 0;
    w.playerY = 35;
    w.cameraY = 35;
    w.fade = 1;
    w.time = 3.3;
}

void SetUpView(const GameWorld& w) {
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

void Time(const char* label, GameWorld& w, int frames) {
    w.time = 3.3;
    DrawWorld(w, *ActiveQualitySettings());
    const uint64_t digest = BackBufferDigest(1024, 768);
    PfSwapGameBuffers();
    FrameTimer timer;
    for (int i = 0; i < frames + 10; ++i) {
        if (i >= 10) timer.Start();
        w.time += 0.016;
        DrawWorld(w, *ActiveQualitySettings());
        glFinish();
        if (i >= 10) timer.Stop();
        PfSwapGameBuffers();
    }
    timer.Print(label, digest);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    int toolkitArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "draw_bench: no X display\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    wxImage::AddHandler(new wxPNGHandler);
    RecordGameWindowRect({0, 0, 1024, 768});
    if (!PfCreateGameWindow({0, 0, 1024, 768}, nullptr)) {
        std::fprintf(stderr, "draw_bench: no game window\n");
        return 1;
    }
    {
        Planet planet;
        std::unique_ptr<GameWorld> world(new GameWorld);
        CRandomSource run(1);
        CRandomSource pieces = MakePieceSource(0, 0, 0);
        SetUpGameWorld(*world, 0, 0, 0, run, pieces, LoadTextures, &planet);
        FillWorld(*world);
        SetUpView(*world);
        uint32_t inBand = 0;
        for (uint32_t i = 0; i < world->settled.count; ++i)
            inBand += BlockInDrawnBand(world->cameraY, world->settled.entries[i].y);
        std::printf("DrawWorld at 1024 x 768: %u of 1024 settled blocks in the band\n", inBand);

        QualitySettings q = *ActiveQualitySettings();
        q.SmoothPolygons = false;
        q.HighQualityModels = false;
        SetActiveQualitySettings(q);
        Time("plain, low-detail craft", *world, frames);
        q.HighQualityModels = true;
        SetActiveQualitySettings(q);
        Time("plain, high-detail craft", *world, frames);
        q.SmoothPolygons = true;
        SetActiveQualitySettings(q);
        Time("smooth polygons, high-detail craft", *world, frames);

        while (RegisteredTextureCount() > 0) DeleteTexture(RegisteredTexture(0));
        DestroyGameWorld(*world);
    }
    PfDestroyGameWindow();
    wxEntryCleanup();
    return 0;
}
