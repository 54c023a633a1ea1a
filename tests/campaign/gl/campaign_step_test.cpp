// One step of the campaign with the real screens, scenes and game in a 1024 x 768 game
// window: on a fresh configuration the galaxy screen opens on the second galaxy and the
// player moves to the first (whose first planet the scripted player can complete); the
// galaxy, system and planet screens are confirmed with Enter, the scenes skipped with a key, the first planet played to completion by
// the scripted player of the planet tests, the completed screen ended with a key; the
// planet screen then opens on the second planet and Escape backs out of the three
// screens. A fake clock makes every screen frame 10 ms and every game frame 33 ms.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "campaign/cp_campaign.h"
#include "campaign/cp_complete.h"
#include "campaign/cp_map_screens.h"
#include "campaign/cp_planet_screen.h"
#include "campaign/cp_scenes.h"
#include "display/dp_frame.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "displaysetup/private_store.h"
#include "game/game_audio_recorder.h"
#include "game/gm_world.h"
#include "game_driver.h"
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
constexpr uint32_t kGameFrameMs = 33;
constexpr double kGiveUpGameSeconds = 900;

enum class Stage { None, Galaxy, System, Planet, Scenes, Play, Complete };

// The walk: which screen runs, for how many frames, and what each was shown.
struct Walk {
    Stage stage = Stage::None;
    uint32_t frames = 0;
    uint32_t planetVisits = 0;
    uint32_t systemVisits = 0;
    uint32_t galaxyVisits = 0;
    std::vector<std::string> log;
    ScriptedPlayer player;
};

Walk* g_walk = nullptr;
uint32_t g_now = 10000;

void Tap(int32_t key) {
    PfPostInput({PlatformInputKind::KeyDown, false, key, 0, 0});
    PfPostInput({PlatformInputKind::KeyUp, false, key, 0, 0});
}

void Enter(Stage stage, const std::string& entry) {
    g_walk->stage = stage;
    g_walk->frames = 0;
    g_walk->log.push_back(entry);
}

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
        PfPostInput({PlatformInputKind::Quit, false, 0, 0, 0});
    }
    if (w.stage == Stage::Scenes && frame == 10) Tap(' ');  // skips both scenes
    if (w.stage == Stage::Galaxy && w.galaxyVisits == 1 && frame == kMovedAtFrame) Tap(13);
    if (frame != kActAtFrame) return;
    switch (w.stage) {
    case Stage::Galaxy: Tap(w.galaxyVisits == 1 ? kLeftKey : 27); break;
    case Stage::System: Tap(w.systemVisits == 1 ? 13 : 27); break;
    case Stage::Planet: Tap(w.planetVisits == 1 ? 13 : 27); break;
    case Stage::Complete: Tap(' '); break;
    default: break;
    }
}

void PlayScripted(GameWorld& world, void*) {
    g_now += kGameFrameMs;
    if (world.state == GAME_RUNNING) ScriptedPlayerControls(g_walk->player, world);
    if (world.time > kGiveUpGameSeconds && world.state < 4) {
        ADD_FAILURE() << "the scripted player did not finish the planet";
        PfPostInput({PlatformInputKind::Quit, false, 0, 0, 0});
    }
}

bool Galaxy(PlanetResult& r) {
    ++g_walk->galaxyVisits;
    Enter(Stage::Galaxy, "galaxy " + std::to_string(r.galaxy));
    return ShowGalaxyScreen(r);
}
bool System(PlanetResult& r) {
    ++g_walk->systemVisits;
    Enter(Stage::System, "system " + std::to_string(r.system));
    return ShowSystemScreen(r);
}
bool Planet(PlanetResult& r) {
    ++g_walk->planetVisits;
    Enter(Stage::Planet, "planet " + std::to_string(r.planet));
    return ShowPlanetScreen(r);
}
void Scenes(PlanetResult& r) {
    Enter(Stage::Scenes, "scenes");
    RunPreGameScenes(r);
}
void Play(PlanetResult& r) {
    Enter(Stage::Play, "play");
    PlayPlanet(r);
    g_walk->log.push_back(r.result == PLANET_RESULT_COMPLETED ? "completed" : "not completed");
}
void Complete(PlanetResult& r) {
    Enter(Stage::Complete, "complete");
    ShowPlanetCompleteScreen(r);
}

int NoHome() { return kHomeResultExit; }
void NoSettings() {}
bool NoDisplay(bool) { return false; }
void NoClose() {}

const CampaignScreens kWalkedScreens = {NoHome, NoSettings, NoDisplay, NoClose, Galaxy,
                                        System, Planet,     Scenes,    Play,    Complete};

TEST(CampaignStep, TheFirstPlanetCompletedForRealIsRecordedAndTheSecondOpens) {
    PrivateStore store;
    GameAudioRecorder audio;
    QuitRequested = 0;
    PfClearInput();
    PfClearHeldKeys();
    g_pfSeams.readClock = ReadFakeClock;
    g_pfSeams.sleep = SleepOnFakeClock;
    g_pfSeams.planetFrame = PlayScripted;
    ResetFrameStatistics();
    ASSERT_TRUE(OpenTestWindow(kWidth, kHeight));
    PumpFor(50);
    const uint32_t textures = RegisteredTextureCount();
    const CursorState cursor = g_cursorState;

    Walk walk;
    g_walk = &walk;
    RunCampaign(kWalkedScreens);
    g_walk = nullptr;

    EXPECT_EQ(walk.log, (std::vector<std::string>{"galaxy 1", "system 0", "planet 0", "scenes",
                                                  "play", "completed", "complete", "planet 1",
                                                  "system 0", "galaxy 0"}));
    EXPECT_EQ(QuitRequested, 0);
    // The record and the file agree: a best time of at least a second, the second
    // planet open and selected, the galaxy and system chosen.
    const int32_t best = GameConfig.BestTime[0][0];
    EXPECT_GE(best, 1);
    EXPECT_LT(best, int32_t(kGiveUpGameSeconds));
    const std::string text = store.Text();
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/HighScore1"), best) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/HighestPlanet"), 1) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/SelectedPlanet1"), 1) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/1/SelectedSystem"), 0) << text;
    EXPECT_EQ(StoredConfigValue(text, "/Game/SelectedGalaxy"), 0) << text;
    // Nothing the screens made is left, the cursor is as it was, and the devices were
    // opened once and closed once.
    EXPECT_EQ(RegisteredTextureCount(), textures);
    EXPECT_EQ(g_cursorState.hideCount, cursor.hideCount);
    EXPECT_EQ(g_cursorState.captureCount, cursor.captureCount);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), audio.Of(AUDIO_MSG_CLOSE).size());
    ASSERT_FALSE(audio.messages.empty());
    EXPECT_EQ(audio.messages.back().message, AUDIO_MSG_CLOSE);

    CloseTestWindow();
    g_pfSeams.readClock = nullptr;
    g_pfSeams.sleep = nullptr;
    g_pfSeams.planetFrame = nullptr;
}

}  // namespace
