// The home loop, the campaign's walk through its three selection levels, and the
// progress rules.
//
// The quit flag is tested before every screen, scene and game and before anything is
// recorded; once it is set every level unwinds at once, freeing its objects and
// restoring the cursor count, and nothing more is written.
#include "campaign/cp_campaign.h"

#include <cmath>

#include "app/app_check.h"
#include "app/app_config.h"
#include "audio/au_music.h"
#include "audio/au_sound.h"
#include "audio/au_thread.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "game/gm_input.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

constexpr uint32_t kLastGalaxy = kGalaxyCount - 1;
constexpr int32_t kAllPlanetsCompleted = kPlanetsPerGalaxy;  // HighestPlanet after planet 99

}  // namespace

// The campaign's audio posts go to the same receiver as the game's, so they interleave
// in order with them and a test can record them all in one place. A null object (a
// sound that failed to load) is posted as none.
CampaignSound StartCampaignSound() {
    CampaignSound sound;
    // Silence whatever may still sound from before.
    PostAudioSound(nullptr, SOUND_STOP_FIRST);
    PostAudioMusic(nullptr, 0);
    PostGameVolume(SOUND_CHANNEL_EFFECTS, 1.0);
    PostGameVolume(SOUND_CHANNEL_ENGINE, 0.0);  // the scenes and the game drive the jet
    sound.music = LoadMusic("music");
    if (GameConfig.MusicMode == 1) PostAudioMusic(sound.music, 0);
    if (GameConfig.MusicMode == 2) PostAudioMusic(sound.music, SOUND_LOOP);
    PostGameAudioMessage(AUDIO_MSG_OPEN);
    // The jet loops for the whole campaign; only channel 2's volume makes it heard.
    sound.jet = LoadSound("jet");
    PostAudioSound(sound.jet, SOUND_CHANNEL_ENGINE | SOUND_LOOP);
    return sound;
}

void StopCampaignSound(CampaignSound& sound) {
    PostGameAudioMessage(AUDIO_MSG_CLOSE);
    if (sound.music) sound.music->Release();
    if (sound.jet) sound.jet->Release();
    sound = {};
}

namespace {

void WriteSelectedSystem(const PlanetResult& r) {
    SetConfigValue(ConfigKey::SelectedSystem, r.galaxy, int32_t(r.system));
}

void WriteSelectedPlanet(const PlanetResult& r) {
    SetConfigValue(ConfigKey::SelectedPlanet, r.galaxy, r.system, int32_t(r.planet));
}

// One planet: the scenes, the game and, after a completion, the record and the
// completed screen. The cursor is hidden from the scenes to the end.
void PlayChosenPlanet(const CampaignScreens& screens, PlanetResult& r) {
    r.planetObject = CreatePlanetGenerator(*r.systemObject, r.planet);
    r.result = PLANET_RESULT_NONE;
    r.planetIndex = r.system * kPlanetsPerSystem + r.planet;
    HideGameCursor();
    if (!QuitRequested) {
        screens.runPreGameScenes(r);
        if (!QuitRequested) screens.playPlanet(r);
    }
    if (!QuitRequested && r.result == PLANET_RESULT_COMPLETED) {
        RecordPlanetCompletion(GameConfig, r);
        if (!QuitRequested) screens.showPlanetCompleteScreen(r);
    }
    UnhideGameCursor();
    delete r.planetObject;
    r.planetObject = nullptr;
}

// Ends with planet at 10 when the system's last planet was completed.
void RunPlanetLevel(const CampaignScreens& screens, PlanetResult& r) {
    while (!QuitRequested && r.planet < kPlanetsPerSystem) {
        if (!screens.showPlanetScreen(r) || QuitRequested) return;
        WriteSelectedPlanet(r);
        PlayChosenPlanet(screens, r);
    }
}

// Ends with system at 10 when the galaxy's last system was finished.
void RunSystemLevel(const CampaignScreens& screens, PlanetResult& r) {
    while (!QuitRequested && r.system < kSystemsPerGalaxy) {
        if (!screens.showSystemScreen(r) || QuitRequested) return;
        WriteSelectedSystem(r);
        r.planet = StoredPlanetSelection(GameConfig, r.galaxy, r.system);
        r.systemObject = CreateSystemGenerator(*r.galaxyObject, r.system);
        RunPlanetLevel(screens, r);
        delete r.systemObject;
        r.systemObject = nullptr;
        if (r.planet >= kPlanetsPerSystem) {
            r.planet = 0;
            r.system += 1;
            if (r.system < kSystemsPerGalaxy && !QuitRequested) WriteSelectedSystem(r);
        }
    }
}

void RunGalaxyLevel(const CampaignScreens& screens, PlanetResult& r) {
    while (!QuitRequested) {
        if (!screens.showGalaxyScreen(r) || QuitRequested) return;
        SetConfigValue(ConfigKey::SelectedGalaxy, int32_t(r.galaxy));
        r.system = StoredSystemSelection(GameConfig, r.galaxy);
        r.highestPlanet = uint32_t(GameConfig.HighestPlanet[r.galaxy]);
        r.bestTimes = GameConfig.BestTime[r.galaxy];
        r.galaxyObject = new CGalaxyGenerator(r.galaxy, GameRecipeSettings());
        RunSystemLevel(screens, r);
        delete r.galaxyObject;
        r.galaxyObject = nullptr;
        if (r.system >= kSystemsPerGalaxy) {
            // The galaxy is finished: on to the next one; the fourth stays.
            r.system = 0;
            if (r.galaxy < kLastGalaxy) r.galaxy += 1;
        }
    }
}

}  // namespace

void RunMainMenuLoop(const CampaignScreens& screens) {
    while (!QuitRequested) {
        const int choice = screens.showHomeScreen();
        if (choice == kHomeResultClosed || choice == kHomeResultExit) return;
        if (QuitRequested) return;
        if (choice == kHomeResultSettings) {
            screens.showSettingsScreen();
        } else if (choice == kHomeResultPlay) {
            if (!screens.applyDisplaySettings(false)) continue;
            if (!QuitRequested) RunCampaign(screens);
            screens.closeGameSession();
        }
    }
}

void RunCampaign(const CampaignScreens& screens) {
    PlanetResult r = {};
    CampaignSound sound = StartCampaignSound();
    SanitizeStoredProgress(GameConfig);
    r.galaxy = StoredGalaxySelection(GameConfig);
    r.highestPlanets = GameConfig.HighestPlanet;
    RunGalaxyLevel(screens, r);
    StopCampaignSound(sound);
}

// ---------------------------------------------------------------------------
// Progress rules
// ---------------------------------------------------------------------------

uint32_t StoredGalaxySelection(const GameConfigRecord& config) {
    const uint32_t galaxy = uint32_t(config.SelectedGalaxy);
    return galaxy < uint32_t(kGalaxyCount) ? galaxy : 1;
}

uint32_t StoredSystemSelection(const GameConfigRecord& config, uint32_t galaxy) {
    const uint32_t system = uint32_t(config.SelectedSystem[galaxy]);
    return system < uint32_t(kSystemsPerGalaxy) ? system : 0;
}

uint32_t StoredPlanetSelection(const GameConfigRecord& config, uint32_t galaxy, uint32_t system) {
    const uint32_t planet = uint32_t(config.SelectedPlanet[galaxy][system]);
    return planet < uint32_t(kPlanetsPerSystem) ? planet : 0;
}

void SanitizeStoredProgress(GameConfigRecord& config) {
    for (int g = 0; g < kGalaxyCount; ++g) {
        int32_t& highest = config.HighestPlanet[g];
        if (highest < 0) highest = 0;
        if (highest > kAllPlanetsCompleted) highest = kAllPlanetsCompleted;
        for (int32_t& best : config.BestTime[g])
            if (best < 0) best = 0;
    }
}

int32_t BestTimeSeconds(double time) {
    if (!(time < 2147483647.0)) return 2147483647;
    const int32_t seconds = int32_t(time);
    return seconds < 1 ? 1 : seconds;
}

void RecordPlanetCompletion(GameConfigRecord& config, PlanetResult& r) {
    VP_CHECK(&config == &GameConfig, "a completion recorded in a record the store does not hold");
    // Best time: the stored whole seconds against the unrounded time; equal keeps it.
    const int32_t stored = config.BestTime[r.galaxy][r.planetIndex];
    if (std::isfinite(r.time) && (stored <= 0 || double(stored) > r.time))
        SetConfigValue(ConfigKey::BestTime, r.galaxy, r.planetIndex, BestTimeSeconds(r.time));
    // Unlock: only the galaxy's highest open planet opens the next one.
    if (r.planetIndex == r.highestPlanet) {
        r.highestPlanet = r.planetIndex + 1;
        SetConfigValue(ConfigKey::HighestPlanet, r.galaxy, int32_t(r.highestPlanet));
    }
    // Advance: the planet screen opens on the next planet.
    r.planet += 1;
    if (r.planet < uint32_t(kPlanetsPerSystem)) WriteSelectedPlanet(r);
}
