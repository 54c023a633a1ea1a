// vorpane_play_planet: plays one planet in the game window on the configured display,
// with the campaign's music and jet and the game's sounds, without the menus (a
// developer tool). Usage: vorpane_play_planet [galaxy 0..3] [system 0..9] [planet 0..9]
// (default 0 0 0). Prints the result and the time; exit code 0 completed, 1 quit,
// 3 failed, 2 bad arguments or no window.
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/app_config.h"
#include "app/app_fault.h"
#include "audio/au_thread.h"
#include "campaign/cp_campaign.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "displaysetup/ds_monitor.h"
#include "game/gm_input.h"
#include "game/gm_play.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"
#include "texgen/tg_generators.h"

namespace {

bool ParseNumber(const char* text, uint32_t limit, uint32_t* out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value >= long(limit)) return false;
    *out = uint32_t(value);
    return true;
}

// The display session as the game has it: the background frame behind the game
// window, which closes while the program is inactive and comes back with it.
int Play(uint32_t galaxy, uint32_t system, uint32_t planet) {
    StartAudio();
    InstallDisplaySetup();
    AcquireGameDisplay();
    // The stored quality values, as a game started from the menus with quality chosen
    // by hand plays (no timed quality test here).
    SetActiveQualitySettings(GetQualitySettings());
    if (!OpenGameSession(nullptr)) {
        std::fprintf(stderr, "vorpane_play_planet: the game window could not be opened\n");
        ReleaseGameDisplay();
        StopAudio();
        return 2;
    }
    CampaignSound sound = StartCampaignSound();

    std::unique_ptr<CGalaxyGenerator> galaxyObject(
        new CGalaxyGenerator(galaxy, GameRecipeSettings()));
    std::unique_ptr<CSystemGenerator> systemObject(CreateSystemGenerator(*galaxyObject, system));
    std::unique_ptr<CPlanetGenerator> planetObject(CreatePlanetGenerator(*systemObject, planet));
    PlanetResult result = {};
    result.galaxy = galaxy;
    result.system = system;
    result.planet = planet;
    result.planetIndex = 10 * system + planet;
    result.galaxyObject = galaxyObject.get();
    result.systemObject = systemObject.get();
    result.planetObject = planetObject.get();
    result.bestTimes = GameConfig.BestTime[galaxy];
    result.highestPlanets = GameConfig.HighestPlanet;
    PlayPlanet(result);

    StopCampaignSound(sound);
    CloseGameSession();
    ReleaseGameDisplay();
    StopAudio();
    planetObject.reset();
    systemObject.reset();
    galaxyObject.reset();

    const char* outcome = result.result == PLANET_RESULT_COMPLETED ? "completed"
                          : result.result == PLANET_RESULT_FAILED  ? "failed"
                                                                   : "quit";
    std::printf("planet %u.%u.%u: %s after %.2f s\n", galaxy, system, planet, outcome,
                result.time);
    return result.result == PLANET_RESULT_COMPLETED ? 0 : int(result.result);
}

}  // namespace

int main(int argc, char** argv) {
    SendToolkitLogToStderr();
    uint32_t numbers[3] = {0, 0, 0};
    const uint32_t limits[3] = {4, 10, 10};
    for (int i = 1; i < argc && i <= 3; ++i) {
        if (!ParseNumber(argv[i], limits[i - 1], &numbers[i - 1])) {
            std::fprintf(stderr,
                         "usage: vorpane_play_planet [galaxy 0..3] [system 0..9] [planet 0..9]\n");
            return 2;
        }
    }
    // The numbers are ours: the toolkit sees no arguments.
    int toolkitArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "vorpane_play_planet: no display\n");
        return 2;
    }
    SendToolkitLogToStderr();  // the toolkit's start put its own log target in place
    InstallLoggingAssertHandler();
    // As in the game: SIGTERM ends the play as a quit would, and a crash or SIGINT puts
    // a changed display mode back on its way out.
    PfInstallSignalHandlers();
    wxTheApp->CallOnInit();
    PfCloseWindowsDestroyedElsewhere();  // as a close: the game ends with "quit"
    wxImage::AddHandler(new wxPNGHandler);
    LoadGameConfig();
    const int code = Play(numbers[0], numbers[1], numbers[2]);
    wxEntryCleanup();
    return code;
}
