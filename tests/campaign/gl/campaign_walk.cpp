// The scripted campaign walk shared by the campaign's whole-step tests.
#include "campaign_walk.h"

#include <gtest/gtest.h>

#include "campaign/cp_complete.h"
#include "campaign/cp_map_screens.h"
#include "campaign/cp_planet_screen.h"
#include "campaign/cp_scenes.h"
#include "display/dp_frame.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "game/gm_seams.h"
#include "game/gm_world.h"
#include "gl_support.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr uint32_t kActAtFrame = 60;        // a screen is answered once it has faded in
constexpr uint32_t kMovedAtFrame = 150;     // the galaxy screen, after a move to the left
constexpr int32_t kLeftKey = 314;
constexpr uint32_t kGiveUpAtFrame = 3000;   // a screen that ignores its key: close

Walk* g_walk = nullptr;
uint32_t g_now = 10000;

void Tap(int32_t key) {
    PfPostInput({PlatformInputKind::KeyDown, false, key, 0, 0});
    PfPostInput({PlatformInputKind::KeyUp, false, key, 0, 0});
}

void Quit() { PfPostInput({PlatformInputKind::Quit, false, 0, 0, 0}); }

// Every screen frame ends in a sleep on the fake clock: the walk answers the screen
// there. Game frames never sleep (the observer below moves the clock by a whole frame).
uint32_t ReadFakeClock() { return g_now; }
void SleepOnFakeClock(uint32_t ms) {
    g_now += ms;
    if (!g_walk) return;
    Walk& w = *g_walk;
    const uint32_t frame = ++w.frames;
    if (frame == kGiveUpAtFrame) {
        ADD_FAILURE() << "a screen never ended: " << w.log.back();
        Quit();
    }
    if (w.stage == WalkStage::Scenes && frame == 10) Tap(' ');  // skips both scenes
    if (w.stage == WalkStage::Galaxy && w.galaxyVisits == 1 && frame == kMovedAtFrame) Tap(13);
    if (frame != kActAtFrame) return;
    switch (w.stage) {
    case WalkStage::Galaxy: Tap(w.galaxyVisits == 1 ? kLeftKey : 27); break;
    case WalkStage::System: Tap(w.systemVisits == 1 ? 13 : 27); break;
    case WalkStage::Planet: Tap(w.planetVisits == 1 ? 13 : 27); break;
    case WalkStage::Complete:
        if (w.answerComplete) Tap(' ');
        break;
    default: break;
    }
}

void ObserveGame(GameWorld& world, void*) {
    Walk& w = *g_walk;
    g_now += w.gameFrameMs;
    if (w.scripted && world.state == GAME_RUNNING) ScriptedPlayerControls(w.player, world);
    if (w.onGameFrame) w.onGameFrame(world);
    if (world.time > w.giveUpGameSeconds && world.state < 4) {
        ADD_FAILURE() << "the game did not end within " << w.giveUpGameSeconds << " s";
        Quit();
    }
}

bool Galaxy(PlanetResult& r) {
    ++g_walk->galaxyVisits;
    EnterWalkStage(WalkStage::Galaxy, "galaxy " + std::to_string(r.galaxy));
    return ShowGalaxyScreen(r);
}
bool System(PlanetResult& r) {
    ++g_walk->systemVisits;
    EnterWalkStage(WalkStage::System, "system " + std::to_string(r.system));
    return ShowSystemScreen(r);
}
bool Planet(PlanetResult& r) {
    ++g_walk->planetVisits;
    EnterWalkStage(WalkStage::Planet, "planet " + std::to_string(r.planet));
    return ShowPlanetScreen(r);
}
void Scenes(PlanetResult& r) {
    EnterWalkStage(WalkStage::Scenes, "scenes");
    RunPreGameScenes(r);
}
void Play(PlanetResult& r) {
    EnterWalkStage(WalkStage::Play, "play");
    PlayPlanet(r);
    g_walk->log.push_back(r.result == PLANET_RESULT_COMPLETED ? "completed" : "not completed");
}
void Complete(PlanetResult& r) {
    EnterWalkStage(WalkStage::Complete, "complete");
    ShowPlanetCompleteScreen(r);
}

int NoHome() { return kHomeResultExit; }
void NoSettings() {}
bool NoDisplay(bool) { return false; }
void NoClose() {}

}  // namespace

const CampaignScreens kWalkedScreens = {NoHome, NoSettings, NoDisplay, NoClose, Galaxy,
                                        System, Planet,     Scenes,    Play,    Complete};

void EnterWalkStage(WalkStage stage, const std::string& entry) {
    g_walk->stage = stage;
    g_walk->frames = 0;
    g_walk->log.push_back(entry);
    if (g_walk->onEnter) g_walk->onEnter(stage);
}

bool BeginWalk(Walk& walk) {
    PfClearInput();
    PfClearHeldKeys();
    g_pfSeams.readClock = ReadFakeClock;
    g_pfSeams.sleep = SleepOnFakeClock;
    g_gmSeams.planetFrame = ObserveGame;
    ResetFrameStatistics();
    if (!OpenTestWindow(kWidth, kHeight)) {
        EndWalk();
        return false;
    }
    PumpFor(50);
    g_walk = &walk;
    return true;
}

void EndWalk() {
    if (g_walk) CloseTestWindow();
    g_walk = nullptr;
}
