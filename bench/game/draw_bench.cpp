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
#include "sample_world.h"

namespace {

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
        SamplePlanet planet;
        std::unique_ptr<GameWorld> world(new GameWorld);
        CRandomSource run(1);
        CRandomSource pieces = MakePieceSource(0, 0, 0);
        SetUpGameWorld(*world, 0, 0, 0, run, pieces, LoadSampleTextures, &planet);
        FillSampleWorld(*world, 69, 35);
        SetUpSampleView(*world);
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
