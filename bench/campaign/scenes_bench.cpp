// Times a frame of the approach, the descent and the completed screen in a 1024 x 768
// game window: each frame is drawn over the screen's whole time span, finished
// (glFinish, so the software rasteriser's work counts) and swapped. Reported: mean and
// 99th percentile milliseconds per frame beside the goal, the main thread's share and
// a digest of one frame's pixels, simple and detailed models.
//
// Run under an X server:
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/campaign/scenes_bench [frames]
#include <GL/gl.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "campaign/cp_complete.h"
#include "campaign/cp_scenes.h"
#include "display/dp_gl_state.h"
#include "support/frame_figures.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "platform/pf_window.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

// Draws `frames` frames of one screen at times spread over its span, after a frame at
// 0.4 of the span whose pixels are digested.
template <typename Draw>
void Time(const char* label, int frames, double span, Draw draw) {
    draw(span * 0.4);
    const uint64_t digest = BackBufferDigest(1024, 768);
    PfSwapGameBuffers();
    FrameTimer timer;
    for (int i = 0; i < frames + 10; ++i) {
        const double t = span * double(i % frames) / frames;
        if (i >= 10) timer.Start();
        draw(t);
        glFinish();
        if (i >= 10) timer.Stop();
        PfSwapGameBuffers();
    }
    timer.Print(label, digest);
}

void TimeAll(PlanetResult& result, int frames, const char* models) {
    char label[64];
    SceneRecord approach = {};
    approach.result = &result;
    SetUpApproachScene(approach);
    std::snprintf(label, sizeof label, "approach, %s", models);
    Time(label, frames, 3.0, [&approach](double t) {
        approach.time = t;
        DrawApproachScene(approach);
    });
    EndScene(approach);

    SceneRecord descent = {};
    descent.result = &result;
    SetUpDescentScene(descent);
    std::snprintf(label, sizeof label, "descent, %s", models);
    Time(label, frames, 3.0, [&descent](double t) {
        descent.time = t;
        DrawDescentScene(descent);
    });
    EndScene(descent);

    CompleteScreenRecord completed = {};
    completed.result = &result;
    SetUpPlanetCompleteScreen(completed);
    std::snprintf(label, sizeof label, "completed screen, %s", models);
    Time(label, frames, 10.0, [&completed](double t) {
        completed.time = t;
        DrawPlanetCompleteScreen(completed);
    });
    EndPlanetCompleteScreen(completed);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    int toolkitArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "scenes_bench: no X display\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    wxImage::AddHandler(new wxPNGHandler);
    RecordGameWindowRect({0, 0, 1024, 768});
    if (!PfCreateGameWindow({0, 0, 1024, 768}, nullptr)) {
        std::fprintf(stderr, "scenes_bench: no game window\n");
        return 1;
    }
    ResetGLState2D();
    {
        CGalaxyGenerator galaxy(0, GameRecipeSettings());
        std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, 0));
        std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, 0));
        PlanetResult result = {};
        result.galaxyObject = &galaxy;
        result.systemObject = system.get();
        result.planetObject = planet.get();
        result.time = 125.0;
        std::printf("scenes at 1024 x 768\n");
        QualitySettings q = *ActiveQualitySettings();
        q.HighQualityModels = false;
        SetActiveQualitySettings(q);
        TimeAll(result, frames, "simple models");
        q.HighQualityModels = true;
        SetActiveQualitySettings(q);
        TimeAll(result, frames, "detailed models");
    }
    PfDestroyGameWindow();
    wxEntryCleanup();
    return 0;
}
