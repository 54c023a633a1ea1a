// Plays a planet without a window: the world at a fixed frame step, driven through
// the raw control fields the input callback would write, with a small scripted
// player and checks of the world's invariants.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/app_random.h"
#include "game/gm_step.h"
#include "game/gm_world.h"

class CHeadlessGame {
public:
    // The run source is seeded here, so a test can choose it.
    CHeadlessGame(uint32_t galaxy, uint32_t system, uint32_t planet, uint32_t runSeed);
    ~CHeadlessGame();
    CHeadlessGame(const CHeadlessGame&) = delete;
    CHeadlessGame& operator=(const CHeadlessGame&) = delete;

    GameWorld& World() { return *m_world; }
    CRandomSource& RunSource() { return m_runSource; }
    bool Finished() const { return m_world->state >= 4; }

    // One frame of frameMs milliseconds; clears the sound notes afterwards as the
    // sound update would. Returns the frame's sub-steps.
    uint32_t Frame(uint32_t frameMs);

private:
    std::unique_ptr<GameWorld> m_world;
    CRandomSource m_runSource;
    CRandomSource m_pieceSource;
};

// The scripted player: with nothing carried, steer under the lowest falling block
// above the craft that lies over the stack; when carrying, steer back to the middle
// and drop there (or where the stack blocks the way). Writes inputLeft, inputRight
// and inputDrop for the next frame.
struct ScriptedPlayer {
    double lastX = 0;        // craft x when the controls were last set
    bool steering = false;   // a move key was set last time
};
void ScriptedPlayerControls(ScriptedPlayer& player, GameWorld& world);

struct GameSummary {
    uint32_t state = 0;
    double time = 0;
    uint32_t frames = 0;
    uint32_t maxSubSteps = 0;
    uint32_t piecesSpawned = 0;   // nextPieceId at the end
    double firstCatchTime = -1;   // world time at the end of the first frame carrying
    uint32_t catches = 0;         // frames on which carrying began
    uint64_t physicsHash = 0;     // everything but colours, fragments and puffs
};

// Plays to the end (or maxFrames). scripted = false leaves the controls alone. When
// checkInvariants is set, each frame's invariant failure is reported through the
// returned message (empty when all held).
GameSummary PlayHeadless(uint32_t galaxy, uint32_t system, uint32_t planet, uint32_t runSeed,
                         uint32_t frameMs, bool scripted, bool checkInvariants,
                         std::string* failure, uint32_t maxFrames = 200000);

// Checks the world's invariants; returns a description of the first broken one or an
// empty string.
std::string CheckWorldInvariants(const GameWorld& world);

// FNV-1a over the world's physical state: counts, positions, piece ids, timers, state
// and time. Colours, fragments and puffs (which the run source drives) stay out.
uint64_t HashWorldPhysics(const GameWorld& world);
