// A scripted walk through the campaign in the real game window: a fake clock on which
// every screen frame lasts 10 ms and every game frame a chosen time, the walk's
// answers to each screen given from the frame pacer's sleep, and the scripted player
// of the planet tests (or no input at all) in the game.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "campaign/cp_campaign.h"
#include "game_driver.h"

struct GameWorld;

enum class WalkStage { None, Galaxy, System, Planet, Scenes, Play, Complete };

// Which screen runs, for how many frames, what each was shown, and how the game is
// played. Screens are answered once faded in: the first galaxy visit moves left (to
// the first galaxy) and confirms, the first system and planet visits confirm, later
// visits back out with Escape; the scenes and the completed screen end with a key.
struct Walk {
    WalkStage stage = WalkStage::None;
    uint32_t frames = 0;
    uint32_t planetVisits = 0;
    uint32_t systemVisits = 0;
    uint32_t galaxyVisits = 0;
    std::vector<std::string> log;
    ScriptedPlayer player;
    bool scripted = true;             // false: the game gets no input
    uint32_t gameFrameMs = 33;        // the fake clock's step per game frame
    double giveUpGameSeconds = 900;   // a game still running then fails the walk (quit)
    bool answerComplete = true;       // false: the completed screen is left running
    void (*onEnter)(WalkStage stage) = nullptr;  // called as each screen starts
    void (*onGameFrame)(GameWorld& world) = nullptr;  // called once a game frame
};

// The walked screens: the real selection screens, scenes, game and completed screen,
// each logged and answered as above.
extern const CampaignScreens kWalkedScreens;

// Logs the screen and restarts its frame count (for fake screens of a test's own).
void EnterWalkStage(WalkStage stage, const std::string& entry);

// A fresh input queue and quit flag, the fake clock and the game observer in the
// seams, and the game window at 1024 x 768; false when the window did not open. The
// walk is followed until EndWalk, which closes the window (the seams are emptied by the
// run-state reset after the test).
bool BeginWalk(Walk& walk);
void EndWalk();
