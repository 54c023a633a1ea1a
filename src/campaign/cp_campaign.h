// The home loop and the campaign: the top of everything the player sees. The home
// loop runs the home and settings screens and, on Play, the campaign, which walks the
// player through galaxy, system and planet, owns the generator objects of the
// selection, plays one game per chosen planet and records best times, unlocks and
// selections in the configuration.
#pragma once

#include <cstdint>

#include "display/dp_command_ids.h"
#include "game/gm_play.h"

struct GameConfigRecord;

// Results of the home screen.
constexpr int kHomeResultPlay = kCommandOk;
constexpr int kHomeResultExit = kCommandCancel;
constexpr int kHomeResultClosed = kCommandExit;  // the window was closed; the quit flag is set
constexpr int kHomeResultSettings = kCommandChoice1;

// Every screen the home loop and the campaign run, in one table. kGameScreens holds the
// game's own; a test passes a table of fakes to walk the whole campaign without
// windows. Every entry must be set.
struct CampaignScreens {
    int (*showHomeScreen)();                // one of the home results above
    void (*showSettingsScreen)();
    bool (*applyDisplaySettings)(bool force);  // true: the game window is open, held once
    void (*closeGameSession)();             // gives that hold back
    bool (*showGalaxyScreen)(PlanetResult& result);  // true: confirmed, galaxy set
    bool (*showSystemScreen)(PlanetResult& result);  // true: confirmed, system set
    bool (*showPlanetScreen)(PlanetResult& result);  // true: confirmed, planet set
    void (*runPreGameScenes)(PlanetResult& result);
    void (*playPlanet)(PlanetResult& result);        // fills result and time
    void (*showPlanetCompleteScreen)(PlanetResult& result);
};

extern const CampaignScreens kGameScreens;

class CMusicData;
class CSoundData;

// What the campaign holds for its whole span: the music and the jet loop.
struct CampaignSound {
    CMusicData* music = nullptr;
    CSoundData* jet = nullptr;
};

// The campaign's start and end of sound: silence what may still sound, the effects
// channel full and the jet's silent, the music by the music mode, the devices open,
// the jet looping on its channel; at the end the devices closed and both released.
CampaignSound StartCampaignSound();
void StopCampaignSound(CampaignSound& sound);

// Runs until the player leaves the program (Exit, or the quit flag).
void RunMainMenuLoop();
void RunMainMenuLoop(const CampaignScreens& screens);
// Runs while the game window is open; returns when the player backs out of the galaxy
// screen or the quit flag is set. Posts the audio close at its end for the open at its
// start, and leaves the cursor count as it found it.
void RunCampaign();
void RunCampaign(const CampaignScreens& screens);

// ---------------------------------------------------------------------------
// Progress rules over the configuration record
// ---------------------------------------------------------------------------

// The stored selections, with out-of-range values replaced: a galaxy outside 0..3 by 1
// (the second galaxy), a system or planet outside 0..9 by 0.
uint32_t StoredGalaxySelection(const GameConfigRecord& config);
uint32_t StoredSystemSelection(const GameConfigRecord& config, uint32_t galaxy);
uint32_t StoredPlanetSelection(const GameConfigRecord& config, uint32_t galaxy, uint32_t system);

// Makes hand-edited or damaged progress safe for every reader, in the record only (the
// file keeps its values until progress rewrites them): each HighestPlanet is clamped
// to 0..100, and a negative best time counts as none (0).
void SanitizeStoredProgress(GameConfigRecord& config);

// The whole seconds stored for a completion time: the fraction cut off, but at least
// 1, since 0 means no time; times past the 32-bit range store the largest value.
int32_t BestTimeSeconds(double time);

// Records a completed game of result's planet: the best time when it beats the stored
// one (or none is stored), the unlock when it was the galaxy's highest open planet,
// and the selection moved on to the next planet (saved while it stays below 10). Each
// change is set in config and written to its key at once.
void RecordPlanetCompletion(GameConfigRecord& config, PlanetResult& result);
