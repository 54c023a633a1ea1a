// Leaving a menu over the game: the game window (1024 x 768) reopened and the first
// planet's 17 textures (the glow, the four surfaces, the twelve block textures, at the
// default quality, mipmapped) uploaded again, until the first frame with them is
// finished. Entering the menu (closing the window) is not timed.
//
// Run under an X server (xvfb-run -s "-screen 0 1280x1024x24" build/bench/game/handoff_bench).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

void BM_LeaveMenuOverTheGame(benchmark::State& state) {
    std::unique_ptr<CGalaxyGenerator> galaxy(new CGalaxyGenerator(0, GameRecipeSettings()));
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(*galaxy, 0));
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, 0));
    std::vector<GLTexture*> textures;
    textures.push_back(MakeTexture(MakeGlowImage(*galaxy), true, TextureCategoryForeground,
                                   ActiveTextureFilters()));
    for (auto recipe : {MakeSecondRandomPigmentImage, MakeTurbulenceImage,
                        MakeRandomPigmentImage, MakeLayeredFlatImage})
        textures.push_back(MakeTexture(recipe(*planet), false, TextureCategoryBackground,
                                       ActiveTextureFilters()));
    for (uint32_t c = 0; c < 12; ++c)
        textures.push_back(MakeTexture(MakeForegroundPigmentImage(*planet, c), false,
                                       TextureCategoryForeground, ActiveTextureFilters()));
    auto* menu = new wxDialog(GetBackgroundFrame(), wxID_ANY, "menu");
    for (auto _ : state) {
        state.PauseTiming();
        EnterModalMenu(menu);
        state.ResumeTiming();
        EnterModalMenu(nullptr);
        glFinish();
    }
    if (!GameWindowExists() || RegisteredTextureCount() != textures.size())
        state.SkipWithError("the window or its textures did not come back");
    state.counters["textures"] = double(textures.size());
    menu->Destroy();
    for (GLTexture* t : textures) DeleteTexture(t);
}
BENCHMARK(BM_LeaveMenuOverTheGame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("GDK_BACKEND", "x11", 1);
    int wxArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "handoff_bench: needs an X server with GLX\n");
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    AcquireGameDisplay();
    DisplayMode mode = {0, 1024, 768, 0};
    if (!OpenGameSession(&mode)) {
        std::fprintf(stderr, "handoff_bench: no game window\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    CloseGameSession();
    ReleaseGameDisplay();
    wxEntryCleanup();
    return 0;
}
