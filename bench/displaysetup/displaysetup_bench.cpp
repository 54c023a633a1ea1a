// Applying stored display settings (from the call to an open game window at the
// configured mode), and the whole quality test in a 1024 x 768 game window with what
// the choice makes of its measurements on this machine.
// Run: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/displaysetup/displaysetup_bench
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/app_config.h"
#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "display/dp_window.h"
#include "displaysetup/ds_apply.h"
#include "displaysetup/ds_quality_test.h"
#include "platform/pf_window.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

void PrintChoice(const QualityTestResults& r, const QualitySettings& q, bool ok) {
    std::printf("measured: frame %.4f s, layer %.5f s, filled %.3g s, outline %.3g s, "
                "mag %.4f %.4f, min %.4f %.4f %.4f %.4f %.4f %.4f, resident %u bytes\n",
                r.FrameSeconds, r.LayerSeconds, r.FilledPolygonSeconds,
                r.OutlinePolygonSeconds, r.MagFilterSeconds[0], r.MagFilterSeconds[1],
                r.MinFilterSeconds[0], r.MinFilterSeconds[1], r.MinFilterSeconds[2],
                r.MinFilterSeconds[3], r.MinFilterSeconds[4], r.MinFilterSeconds[5],
                r.ResidentTextureBytes);
    std::printf("chosen: fade %d smooth %d models %d mag %d min %d background %d "
                "foreground %d score %.4f (%s)\n",
                q.Fade, q.SmoothPolygons, q.HighQualityModels, q.MagFilter, q.MinFilter,
                q.BackgroundTexture, q.ForegroundTexture, q.Score, ok ? "success" : "poor");
}

void BM_ApplyStoredDisplaySettings(benchmark::State& state) {
    GameConfig.QualityAutomatic = 0;
    SetQualitySettings({0.0, true, true, true, 1, 3, 1, 1});
    for (auto _ : state) {
        if (!ApplyDisplaySettings(false)) {
            state.SkipWithError("the game window did not open");
            break;
        }
        state.PauseTiming();
        CloseGameSession();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ApplyStoredDisplaySettings)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QualityTest(benchmark::State& state) {
    RecordGameWindowRect({0, 0, kWidth, kHeight});
    if (!PfCreateGameWindow({0, 0, kWidth, kHeight}, nullptr)) {
        state.SkipWithError("no game window");
        return;
    }
    ResetGLState2D();
    QualityTestResults r = {};
    for (auto _ : state) {
        if (!RunQualityTest(r, 0.0, 1.0)) state.SkipWithError("the quality test was aborted");
    }
    QualitySettings q;
    const bool ok = ChooseQualitySettings(q, r);
    PrintChoice(r, q, ok);
    state.counters["score"] = q.Score;
    PfDestroyGameWindow();
}
BENCHMARK(BM_QualityTest)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    static int toolkitArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(toolkitArgc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "displaysetup_bench: no display\n");
        return 1;
    }
    // A private store: the benchmark writes quality keys.
    char home[] = "/tmp/vorpane_bench_XXXXXX";
    if (!mkdtemp(home)) return 1;
    setenv("HOME", home, 1);
    setenv("XDG_CONFIG_HOME", home, 1);
    const std::string global = std::string(home) + "/global.conf";
    LoadGameConfigWithGlobalFile(global.c_str());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    wxEntryCleanup();
    std::filesystem::remove_all(home);
    return 0;
}
