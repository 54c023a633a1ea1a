// The selection screens at 1024 x 768 as the player meets them: the time from the
// call to the first presented frame (the system and planet screens make ten generated
// images each on every visit, with fresh generator objects as on a first visit), and
// the time of each further frame; and from a confirmed planet (its object built) to the
// approach scene's first frame; the mean and 99th percentile of the frames beside the
// goal; and a digest of one frame drawn on a clock that moves only by the pacer's
// sleeps (it must not change when the drawing does). The clock runs in real time but the frame pacer's
// sleeps cost nothing, so frames are measured at their own cost.
// Run: xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" build/bench/campaign/campaign_bench [runs]
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "campaign/cp_map_screens.h"
#include "campaign/cp_planet_screen.h"
#include "campaign/cp_scenes.h"
#include "display/dp_gl_state.h"
#include "support/frame_figures.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_window.h"
#include "platform/pf_clock.h"
#include "platform/pf_seams.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr uint32_t kFrames = 120;  // frames shown before Escape; the fade-out follows

using Clock = std::chrono::steady_clock;

Clock::time_point g_start;
uint32_t g_skipped = 0;  // milliseconds the pacer slept (and did not)
std::vector<Clock::time_point> g_frames;

// The digest run: a clock that moves only by the pacer's sleeps outside the loading
// screen, and a digest of the back buffer before the swap of the screen's own frame
// kDigestFrame.
constexpr uint32_t kDigestFrame = 60;
bool g_fakeClock = false;
uint32_t g_fakeMs = 0;
uint32_t g_swaps = 0;
uint64_t g_digest = 0;

void DigestFrame() {
    if (GetLoadingScreen().active) return;
    if (++g_swaps == kDigestFrame) g_digest = BackBufferDigest(kWidth, kHeight);
}

uint32_t BenchRead() {
    if (g_fakeClock) return g_fakeMs;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start);
    return uint32_t(ms.count()) + g_skipped;
}

// Once a frame, just after it was presented (loading-screen frames aside).
void BenchSleep(uint32_t ms) {
    // The fake clock stands still while images are made, however long that takes.
    if (!g_fakeClock)
        g_skipped += ms;
    else if (!GetLoadingScreen().active)
        g_fakeMs += ms;
    if (GetLoadingScreen().active) return;
    g_frames.push_back(Clock::now());
    if (g_frames.size() == kFrames) {
        PlatformInput key = {};
        key.kind = PlatformInputKind::KeyDown;
        key.key = 27;
        PfPostInput(key);
        key.kind = PlatformInputKind::KeyUp;
        PfPostInput(key);
    }
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Figures {
    double firstFrame;          // ms from the call
    double frame;               // median ms of the frames after the first
    std::vector<double> steps;  // ms of each frame after the first
};

Figures RunOnce(int screen) {
    int32_t highest[4] = {37, 37, 37, 37};
    int32_t times[100] = {};
    std::unique_ptr<CGalaxyGenerator> galaxy(new CGalaxyGenerator(1, GameRecipeSettings()));
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(*galaxy, 3));
    PlanetResult result = {};
    result.galaxy = 1;
    result.system = 3;
    result.planet = 4;
    result.highestPlanet = 37;
    result.galaxyObject = galaxy.get();
    result.systemObject = system.get();
    result.bestTimes = times;
    result.highestPlanets = highest;
    PfClearInput();
    g_frames.clear();
    const Clock::time_point call = Clock::now();
    std::unique_ptr<CPlanetGenerator> planet;
    if (screen == 0) {
        ShowGalaxyScreen(result);
    } else if (screen == 1) {
        ShowSystemScreen(result);
    } else if (screen == 2) {
        ShowPlanetScreen(result);
    } else {
        // A planet confirmed: the campaign builds its object, then the scenes run.
        planet.reset(CreatePlanetGenerator(*system, result.planet));
        result.planetObject = planet.get();
        RunPreGameScenes(result);
    }
    Figures f = {0, 0, {}};
    if (g_frames.size() < 2) return f;
    f.firstFrame = Ms(g_frames[0] - call);
    std::vector<double>& steps = f.steps;
    for (size_t i = 1; i < g_frames.size(); ++i) steps.push_back(Ms(g_frames[i] - g_frames[i - 1]));
    std::sort(steps.begin(), steps.end());
    f.frame = steps[steps.size() / 2];
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    setenv("GDK_BACKEND", "x11", 1);
    int wxArgc = 1;
    wxApp::SetInstance(new wxApp);
    RecordGameWindowRect({0, 0, kWidth, kHeight});
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit() ||
        !PfCreateGameWindow({0, 0, kWidth, kHeight}, nullptr)) {
        std::fprintf(stderr, "campaign_bench: needs an X server with GLX\n");
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    ResetGLState2D();
    g_start = Clock::now();
    g_pfSeams.readClock = BenchRead;
    g_pfSeams.sleep = BenchSleep;

    const char* const names[4] = {"galaxy", "system", "planet", "scenes"};
    // The default quality, then the largest images (texture levels 0).
    const int32_t defaultLevel = ActiveQualitySettings()->ForegroundTexture;
    for (int32_t level : {defaultLevel, 0}) {
        QualitySettings quality = *ActiveQualitySettings();
        quality.ForegroundTexture = level;
        quality.BackgroundTexture = level;
        SetActiveQualitySettings(quality);
        std::printf("selection screens at %dx%d, texture level %d%s, best and median of %d runs\n",
                    kWidth, kHeight, level, level == defaultLevel ? " (default)" : "", runs);
        for (int screen = 0; screen < 4; ++screen) {
            g_fakeClock = true;
            g_swaps = 0;
            g_digest = 0;
            g_pfSeams.beforeSwap = DigestFrame;
            RunOnce(screen);
            g_pfSeams.beforeSwap = nullptr;
            g_fakeClock = false;
            std::vector<double> first, frame, steps;
            for (int r = 0; r < runs; ++r) {
                const Figures f = RunOnce(screen);
                first.push_back(f.firstFrame);
                frame.push_back(f.frame);
                steps.insert(steps.end(), f.steps.begin(), f.steps.end());
            }
            std::sort(first.begin(), first.end());
            std::sort(frame.begin(), frame.end());
            std::sort(steps.begin(), steps.end());
            double sum = 0;
            for (double v : steps) sum += v;
            std::printf("%-7s call to first frame: best %7.1f ms, median %7.1f ms; "
                        "frame: median %6.2f ms, mean %6.2f ms (goal %.0f), p99 %6.2f ms "
                        "(goal %.0f); frame %u %016llx\n",
                        names[screen], first[0], first[first.size() / 2], frame[frame.size() / 2],
                        steps.empty() ? 0.0 : sum / double(steps.size()), kFrameGoalMeanMs,
                        steps.empty() ? 0.0 : steps[steps.size() * 99 / 100], kFrameGoalP99Ms,
                        kDigestFrame, static_cast<unsigned long long>(g_digest));
        }
    }
    g_pfSeams.readClock = nullptr;
    g_pfSeams.sleep = nullptr;
    PfDestroyGameWindow();
    wxEntryCleanup();
    return 0;
}
