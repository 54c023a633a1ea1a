// Whole games of planet (0, 0, 0) without a window, at fixed frame steps, with the
// world's invariants checked after every frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "game_driver.h"

namespace {

TEST(WholeGame, NoInputFailsTheFirstPlanet) {
    std::string failure;
    const GameSummary s = PlayHeadless(0, 0, 0, 1, 16, false, true, &failure);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(s.state, GAME_FAILED);
    // The stack sinks away from under the craft in about a minute.
    EXPECT_GT(s.time, 50.0);
    EXPECT_LT(s.time, 90.0);
}

TEST(WholeGame, NoInputFailsTheHardestPlanetWithTheInvariantsHolding) {
    std::string failure;
    const GameSummary s = PlayHeadless(3, 9, 9, 1, 16, false, true, &failure);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(s.state, GAME_FAILED);
}

TEST(WholeGame, ScriptedPlayerCompletesTheFirstPlanet) {
    std::string failure;
    const GameSummary s = PlayHeadless(0, 0, 0, 1, 16, true, true, &failure);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(s.state, GAME_COMPLETED);
    EXPECT_GT(s.catches, 5u);
}

TEST(WholeGame, NormalPlayStaysFarBelowTheSubStepBound) {
    for (uint32_t ms : {10u, 33u}) {
        const GameSummary s = PlayHeadless(0, 0, 0, 1, ms, true, false, nullptr);
        EXPECT_LT(s.maxSubSteps, 50u) << ms;
        EXPECT_LT(s.maxSubSteps * 1000, kMaxSubStepsPerFrame);
    }
    // A long frame gathers many events, still nowhere near the bound.
    const GameSummary slow = PlayHeadless(0, 0, 0, 1, 1000, false, false, nullptr);
    EXPECT_LT(slow.maxSubSteps, 200u);
}

TEST(WholeGame, PlayTimeIsStableAcrossFrameSteps) {
    GameSummary runs[3];
    const uint32_t steps[3] = {10, 16, 33};
    for (int i = 0; i < 3; ++i) {
        std::string failure;
        runs[i] = PlayHeadless(0, 0, 0, 1, steps[i], true, true, &failure);
        EXPECT_EQ(failure, "") << steps[i];
        EXPECT_EQ(runs[i].state, GAME_COMPLETED) << steps[i];
        EXPECT_EQ(runs[i].catches, runs[0].catches) << steps[i];
    }
    EXPECT_NEAR(runs[1].time, runs[0].time, 1.0);
    EXPECT_NEAR(runs[2].time, runs[0].time, 1.0);
    // Without input the game also ends at almost the same moment.
    const GameSummary idle10 = PlayHeadless(0, 0, 0, 1, 10, false, false, nullptr);
    const GameSummary idle33 = PlayHeadless(0, 0, 0, 1, 33, false, false, nullptr);
    EXPECT_EQ(idle10.state, GAME_FAILED);
    EXPECT_NEAR(idle33.time, idle10.time, 0.1);
}

TEST(WholeGame, RunSourceSeedsChangeNothingButColoursAndParticles) {
    const GameSummary a = PlayHeadless(0, 0, 0, 1, 16, true, false, nullptr);
    for (uint32_t seed : {2u, 77u, 4000000000u}) {
        const GameSummary b = PlayHeadless(0, 0, 0, seed, 16, true, false, nullptr);
        EXPECT_EQ(b.state, a.state) << seed;
        EXPECT_EQ(b.frames, a.frames) << seed;
        EXPECT_EQ(std::memcmp(&b.time, &a.time, sizeof(double)), 0) << seed;
        EXPECT_EQ(b.physicsHash, a.physicsHash) << seed;
        EXPECT_EQ(b.piecesSpawned, a.piecesSpawned) << seed;
    }
    // Step by step too, and the stack colours do differ.
    CHeadlessGame x(0, 0, 0, 1);
    CHeadlessGame y(0, 0, 0, 2);
    int differing = 0;
    for (uint32_t i = 0; i < x.World().settled.count; ++i) {
        differing += x.World().settled.entries[i].colour != y.World().settled.entries[i].colour;
    }
    EXPECT_GT(differing, 0);
    ScriptedPlayer px;
    ScriptedPlayer py;
    for (int frame = 0; frame < 3000 && !x.Finished(); ++frame) {
        ScriptedPlayerControls(px, x.World());
        ScriptedPlayerControls(py, y.World());
        x.Frame(16);
        y.Frame(16);
        ASSERT_EQ(HashWorldPhysics(x.World()), HashWorldPhysics(y.World())) << frame;
    }
}

// Values of this exact build of the rules: a change in the order of events, offers
// or removals moves them.
TEST(WholeGame, PinnedValuesOfTheScriptedGame) {
    const GameSummary s = PlayHeadless(0, 0, 0, 1, 16, true, false, nullptr);
    EXPECT_EQ(s.state, GAME_COMPLETED);
    EXPECT_EQ(s.firstCatchTime, 11.760000000000009);
    EXPECT_EQ(s.catches, 13u);
    EXPECT_EQ(s.piecesSpawned, 65u);
    EXPECT_EQ(s.frames, 7372u);
    EXPECT_EQ(s.physicsHash, 0x76E1F52E224BD9B8ull);
}

TEST(WholeGame, PinnedValuesOfTheIdleGame) {
    const GameSummary s = PlayHeadless(0, 0, 0, 1, 16, false, false, nullptr);
    EXPECT_EQ(s.firstCatchTime, 57.967999999995392);
    EXPECT_EQ(s.piecesSpawned, 37u);
    EXPECT_EQ(s.frames, 3813u);
    EXPECT_EQ(s.physicsHash, 0xA904CFADD8285B79ull);
}

}  // namespace
