// The event-driven step: swept tests with IEEE edge cases, the craft's velocity, the
// order of offers, each handler, and whole frames on small hand-made worlds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "game/gm_step.h"
#include "game/gm_world.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A running world on planet (0, 0, 0) with the stack and the pieces taken away and
// the timers far off, so that a test places exactly the bodies it needs.
class StepTest : public ::testing::Test {
protected:
    StepTest() : world(new GameWorld), run(5), pieces(MakePieceSource(0, 0, 0)) {
        SetUpGameWorld(*world, 0, 0, 0, run, pieces);
        GameWorld& w = *world;
        while (w.settled.count) RemovePoolEntry(w.settled, w, w.settled.count - 1);
        while (w.falling.count) RemovePoolEntry(w.falling, w, w.falling.count - 1);
        w.state = GAME_RUNNING;
        w.fade = 1;
        w.spawnTimer = 100;
        w.exhaustTimer = 100;
        w.playerY = 10;
    }
    ~StepTest() override { DestroyGameWorld(*world); }

    Block& Add(TBlockPool<8>& pool, double x, double y, uint16_t id = 0) { return Put(TakePoolEntry(pool, *world), x, y, id); }
    Block& Add(TBlockPool<64>& pool, double x, double y, uint16_t id = 0) { return Put(TakePoolEntry(pool, *world), x, y, id); }
    Block& Add(TBlockPool<32>& pool, double x, double y, uint16_t id = 0) { return Put(TakePoolEntry(pool, *world), x, y, id); }
    Block& Add(TBlockPool<1024>& pool, double x, double y, uint16_t id = 0) { return Put(TakePoolEntry(pool, *world), x, y, id); }
    static Block& Put(Block& b, double x, double y, uint16_t id) {
        b.x = x;
        b.y = y;
        b.z = 0;
        b.pieceId = id;
        b.colour = 0;
        return b;
    }
    WorldEvent Next(double horizon) {
        WorldEvent e{EVENT_NONE, horizon, 0, 0};
        FindNextEvent(*world, e);
        return e;
    }

    std::unique_ptr<GameWorld> world;
    CRandomSource run;
    CRandomSource pieces;
};

TEST(SweptSquare, ApproachFromAbove) {
    const double o[2] = {0, 3};
    const double w[2] = {0, -1};
    EXPECT_EQ(SweptSquareEntryTime(o, w, 0.9), 3 - 0.9);
}

TEST(SweptSquare, MovingAwayOrMissingNeverEnters) {
    const double o[2] = {0, 3};
    const double away[2] = {0, 1};
    EXPECT_EQ(SweptSquareEntryTime(o, away, 0.9), kInfinity);
    const double beside[2] = {2, 3};
    const double down[2] = {0, -1};
    EXPECT_EQ(SweptSquareEntryTime(beside, down, 0.9), kInfinity);
}

TEST(SweptSquare, AlreadyOverlappingGivesNoEvent) {
    const double o[2] = {0.2, 0.1};
    const double w[2] = {1, -1};
    EXPECT_EQ(SweptSquareEntryTime(o, w, 0.9), kInfinity);
}

TEST(SweptSquare, TouchingNowAndClosingEntersAtZero) {
    const double o[2] = {0, 0.9};
    const double w[2] = {0, -1};
    EXPECT_EQ(SweptSquareEntryTime(o, w, 0.9), 0.0);
}

TEST(SweptSquare, OnAnXFaceWithNoXVelocityNeverMeets) {
    // 0 / 0 on the x axis: the NaN never becomes the entry.
    const double o[2] = {0.9, 3};
    const double w[2] = {0, -1};
    EXPECT_EQ(SweptSquareEntryTime(o, w, 0.9), kInfinity);
    const double o2[2] = {-0.9, 3};
    EXPECT_EQ(SweptSquareEntryTime(o2, w, 0.9), kInfinity);
}

TEST(SweptSquare, OnTheUpperYFaceWithNoYVelocityTheYAxisPlacesNoLimit) {
    const double top[2] = {3, 0.9};
    const double w[2] = {-1, 0};
    EXPECT_EQ(SweptSquareEntryTime(top, w, 0.9), 3 - 0.9);
    const double bottom[2] = {3, -0.9};
    EXPECT_EQ(SweptSquareEntryTime(bottom, w, 0.9), kInfinity);
}

TEST(SweptSquare, InsideTheSlabWithZeroVelocityPlacesNoLimit) {
    const double o[2] = {0.5, 2};
    const double w[2] = {0, -2};
    EXPECT_EQ(SweptSquareEntryTime(o, w, 1.0), 0.5);
}

TEST(SweptBox, EntryAndExitOfAPassingBox) {
    // Bounds -3..-1 on x moving right at 1: inside from t = 1 to t = 3; y always.
    const double bounds[4] = {-3, -1, -1, 1};
    const double w[2] = {1, 0};
    double entry = 0;
    double exit = 0;
    EXPECT_EQ(SweptBoxEntryTime(bounds, w, &entry, &exit), 1.0);
    EXPECT_EQ(entry, 1.0);
    EXPECT_EQ(exit, 3.0);
    EXPECT_EQ(SweptBoxEntryTime(bounds, w, nullptr, nullptr), 1.0);
}

TEST(SweptBox, InsideNowGivesANegativeEntryAndTheExit) {
    const double bounds[4] = {-1, -1, 1, 1};
    const double w[2] = {0, 2};
    double entry = 0;
    double exit = 0;
    EXPECT_EQ(SweptBoxEntryTime(bounds, w, &entry, &exit), kInfinity);
    EXPECT_EQ(entry, -0.5);
    EXPECT_EQ(exit, 0.5);
}

TEST(SweptBox, NeverMeetingLeavesBothOutValuesInfinite) {
    const double bounds[4] = {1, 1, 2, 2};
    const double w[2] = {0, 1};
    double entry = 0;
    double exit = 0;
    EXPECT_EQ(SweptBoxEntryTime(bounds, w, &entry, &exit), kInfinity);
    EXPECT_EQ(entry, kInfinity);
    EXPECT_EQ(exit, kInfinity);
}

TEST_F(StepTest, VelocityHoversThreeAboveTheSupportOrTwoWhenCarrying) {
    GameWorld& w = *world;
    w.supportY = 7;  // d = 3
    EXPECT_EQ(GetPlayerVelocity(w).vy, 0.0);
    w.supportY = 7 - 2e-5;
    EXPECT_EQ(GetPlayerVelocity(w).vy, -2.0);
    w.supportY = 7.5;
    EXPECT_EQ(GetPlayerVelocity(w).vy, 3.0);
    Add(w.carried, 0, 11);
    w.supportY = 8;  // d = 2
    EXPECT_EQ(GetPlayerVelocity(w).vy, 0.0);
    w.supportY = -kInfinity;
    EXPECT_EQ(GetPlayerVelocity(w).vy, -2.0);
    w.moveLeft = 1;
    EXPECT_EQ(GetPlayerVelocity(w).vx, -4.0);
    EXPECT_EQ(GetPlayerVelocity(w).vz, 0.0);
}

TEST_F(StepTest, VelocityWhileClimbingOrFallingOutIgnoresTheSupport) {
    GameWorld& w = *world;
    w.supportY = 7;
    w.state = GAME_CLIMBING_OUT;
    EXPECT_EQ(GetPlayerVelocity(w).vy, 3.0);
    w.state = GAME_FALLING_OUT;
    EXPECT_EQ(GetPlayerVelocity(w).vy, -3.0);
    w.state = GAME_NEW;
    EXPECT_EQ(GetPlayerVelocity(w).vy, 0.0);
}

TEST_F(StepTest, NoSupportMeansInfiniteHover) {
    const WorldEvent e = Next(0.016);
    EXPECT_EQ(e.kind, EVENT_NONE);
    EXPECT_EQ(world->supportY, -kInfinity);
    EXPECT_EQ(world->maxHover, kInfinity);
}

TEST_F(StepTest, SupportIsTheHighestBlockInTheMeasuringBox) {
    GameWorld& w = *world;
    Add(w.settled, 0.5, 6);
    Add(w.settled, -0.7, 7);    // inside: 0.301 + 0.501 reaches 0.802
    Add(w.settled, 0.81, 8.5);  // just outside on x
    Add(w.settled, 0, 9.7);     // above the box's top (10 - 0.399 + 0.501 is 10.102 > 9.7 +...)
    Next(0.016);
    EXPECT_EQ(w.supportY, 9.7);
    EXPECT_EQ(w.supportMoving, 0);
    RemovePoolEntry(w.settled, w, 3);
    Next(0.016);
    EXPECT_EQ(w.supportY, 7.0);
    EXPECT_EQ(w.maxHover, 3.0);
}

TEST_F(StepTest, FallingSupportIsMarkedMoving) {
    GameWorld& w = *world;
    Add(w.settled, 0, 6);
    Add(w.dropped, 0.2, 7);
    Next(0.001);
    EXPECT_EQ(w.supportY, 7.0);
    EXPECT_EQ(w.supportMoving, 1);
}

TEST_F(StepTest, TimersComeBeforeWallsAndPairs) {
    GameWorld& w = *world;
    w.spawnTimer = 0.01;
    w.moveRight = 1;
    w.moveTime = 0.01;
    w.exhaustTimer = 0.01;
    EXPECT_EQ(Next(1).kind, EVENT_SPAWN);
    w.spawnTimer = 0.02;
    EXPECT_EQ(Next(1).kind, EVENT_MOVE_ENDS);
    w.moveRight = 0;
    EXPECT_EQ(Next(1).kind, EVENT_EXHAUST);
    // The spawn timer counts only while running.
    w.state = GAME_NEW;
    w.spawnTimer = 0;
    w.exhaustTimer = 0.5;
    EXPECT_EQ(Next(1).kind, EVENT_EXHAUST);
}

TEST_F(StepTest, DropIsOfferedAtTimeZeroOnlyWithBlocksCarried) {
    GameWorld& w = *world;
    w.dropNow = 1;
    EXPECT_EQ(Next(1).kind, EVENT_NONE);
    Add(w.carried, 0, 11);
    const WorldEvent e = Next(1);
    EXPECT_EQ(e.kind, EVENT_DROP);
    EXPECT_EQ(e.time, 0.0);
}

TEST_F(StepTest, NegativeTimesCountAsZero) {
    GameWorld& w = *world;
    w.exhaustTimer = -0.5;
    const WorldEvent e = Next(1);
    EXPECT_EQ(e.kind, EVENT_EXHAUST);
    EXPECT_EQ(e.time, 0.0);
}

TEST_F(StepTest, WallEndsTheMoveWhereTheCentreReachesIt) {
    GameWorld& w = *world;
    w.playerX = 7;
    w.moveRight = 1;
    w.moveTime = 1;
    const WorldEvent e = Next(1);
    EXPECT_EQ(e.kind, EVENT_MOVE_ENDS);
    EXPECT_EQ(e.time, 0.5 / 4);
}

TEST_F(StepTest, HeldKeyAtTheWallStaysThereFrameAfterFrame) {
    GameWorld& w = *world;
    Add(w.settled, 7.5, 6);  // something to hover on
    w.playerY = 9;
    w.playerX = 7.3;
    w.inputRight = 1;
    for (int i = 0; i < 4; ++i) StepWorld(w, run, 0.016);  // 0.256 of the way
    EXPECT_EQ(w.playerX, 7.5);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(StepWorld(w, run, 0.016), 2u);  // the move ends at time 0, then the frame
        EXPECT_EQ(w.playerX, 7.5) << i;
    }
    // Already past the wall: stopped at once as well.
    w.playerX = 7.6;
    StepWorld(w, run, 0.016);
    EXPECT_EQ(w.playerX, 7.6);
}

TEST_F(StepTest, HeldKeyAndNothingElseIsOneSubStep) {
    GameWorld& w = *world;
    w.inputRight = 1;
    EXPECT_EQ(StepWorld(w, run, 0.016), 1u);
    EXPECT_EQ(w.playerX, 4 * 0.016);
    EXPECT_EQ(w.moveTime, 0.032);
}

TEST_F(StepTest, TinyFrameRunsNoSubStepButTheClockMoves) {
    GameWorld& w = *world;
    Add(w.settled, 0, -2);  // below the floor
    EXPECT_EQ(StepWorld(w, run, 1e-13), 0u);
    EXPECT_EQ(w.time, 1e-13);
    EXPECT_EQ(w.settled.count, 0u);
    EXPECT_EQ(w.playerY, 10.0);
}

TEST_F(StepTest, EndlessZeroTimeEventsStopAtTheSubStepBound) {
    // A spawn interval of 0 would spawn at time 0 for ever; the frame gives up at the
    // bound and the world goes on consistently.
    GameWorld& w = *world;
    w.spawnInterval = 0;
    w.spawnTimer = 0;
    EXPECT_EQ(StepWorld(w, run, 0.016), kMaxSubStepsPerFrame);
    EXPECT_EQ(w.time, 0.016);
    EXPECT_EQ(w.falling.count, 64u);
    EXPECT_EQ(w.playerY, 10.0);  // nothing advanced
    w.spawnInterval = 2;
    EXPECT_LT(StepWorld(w, run, 0.016), 5u);
    EXPECT_EQ(w.spawnTimer, 2 - 0.016);
}

TEST_F(StepTest, DropRequestIsUsedOnce) {
    GameWorld& w = *world;
    w.inputDrop = 1;
    StepWorld(w, run, 0.016);
    EXPECT_EQ(w.inputDrop, 0);
    EXPECT_EQ(w.dropNow, 1);
    StepWorld(w, run, 0.016);
    EXPECT_EQ(w.dropNow, 0);
}

TEST_F(StepTest, BothKeysCancel) {
    GameWorld& w = *world;
    w.inputLeft = w.inputRight = 1;
    StepWorld(w, run, 0.016);
    EXPECT_EQ(w.playerX, 0.0);
}

TEST_F(StepTest, MouseSteeringMovesForTheStoredSeconds) {
    GameWorld& w = *world;
    w.steering = 0.01;
    EXPECT_EQ(StepWorld(w, run, 0.016), 2u);  // the move ends inside the frame
    EXPECT_EQ(w.playerX, 4 * 0.01);
    EXPECT_EQ(w.steering, 0.0);
    w.steering = -0.25;
    StepWorld(w, run, 0.016);
    EXPECT_EQ(w.steering, -0.25 + 0.016);
    EXPECT_EQ(w.moveTime, 0.25);
    // A held key wins over the store in its own direction.
    w.steering = 0.2;
    w.inputRight = 1;
    StepWorld(w, run, 0.016);
    EXPECT_EQ(w.steering, 0.2);
    EXPECT_EQ(w.moveTime, 0.032);
}

TEST_F(StepTest, ExhaustMakesTwoPuffsUntilTheListIsFull) {
    GameWorld& w = *world;
    w.moveLeft = 1;
    HandleWorldEvent(w, run, WorldEvent{EVENT_EXHAUST, 0, 0, 0});
    ASSERT_EQ(w.puffs.count, 2u);
    EXPECT_EQ(w.puffs.entries[0].x, -0.2);
    EXPECT_EQ(w.puffs.entries[1].x, 0.2);
    EXPECT_EQ(w.puffs.entries[0].y, 10 - 0.3);
    EXPECT_GE(w.puffs.entries[0].dx, 0.375);  // pushed right while moving left
    EXPECT_NEAR(w.puffs.entries[0].dx * w.puffs.entries[0].dx +
                    w.puffs.entries[0].dy * w.puffs.entries[0].dy, 1.0, 1e-15);
    EXPECT_EQ(w.exhaustTimer, 0.05);
    w.puffs.count = 63;
    HandleWorldEvent(w, run, WorldEvent{EVENT_EXHAUST, 0, 0, 0});
    EXPECT_EQ(w.puffs.count, 64u);
}

TEST_F(StepTest, EachPuffMadeDrawsOnceFromTheRunSource) {
    GameWorld& w = *world;
    w.moveRight = 1;
    CRandomSource copy = run;
    const double d0 = (copy.NextU32() / 4294967296.0 - 0.5) * 0.25 - 0.5;
    const double d1 = (copy.NextU32() / 4294967296.0 - 0.5) * 0.25 - 0.5;
    const double d2 = (copy.NextU32() / 4294967296.0 - 0.5) * 0.25 - 0.5;
    HandleWorldEvent(w, run, WorldEvent{EVENT_EXHAUST, 0, 0, 0});
    ASSERT_EQ(w.puffs.count, 2u);
    EXPECT_EQ(w.puffs.entries[0].dx, d0);
    EXPECT_EQ(w.puffs.entries[1].dx, d1);
    EXPECT_EQ(w.puffs.entries[1].dy, -std::sqrt(1 - d1 * d1));
    // One slot left: the first puff is made with the next draw, the second neither
    // made nor drawn for.
    w.puffs.count = 63;
    HandleWorldEvent(w, run, WorldEvent{EVENT_EXHAUST, 0, 0, 0});
    EXPECT_EQ(w.puffs.entries[63].dx, d2);
    EXPECT_EQ(w.puffs.entries[63].x, -0.2);
    EXPECT_EQ(run.NextU32(), copy.NextU32());
}

TEST_F(StepTest, CatchFromAboveTakesTheWholePiece) {
    GameWorld& w = *world;
    Add(w.falling, 1.3, 10.9, 4);
    Add(w.falling, 0.3, 10.9, 4);
    Add(w.falling, 5, 20, 5);
    HandleWorldEvent(w, run, WorldEvent{EVENT_CRAFT_FALLING, 0, 1, 0});
    EXPECT_EQ(w.carried.count, 2u);
    EXPECT_EQ(w.falling.count, 1u);
    EXPECT_EQ(w.falling.entries[0].pieceId, 5);
    // Last to first: the block from slot 1 went first.
    EXPECT_EQ(w.carried.entries[0].x, 0.3);
    EXPECT_EQ(w.carried.entries[1].x, 1.3);
}

TEST_F(StepTest, ExactlyDiagonalContactIsABump) {
    GameWorld& w = *world;
    w.moveRight = 1;
    Add(w.falling, 0.5, 10.5, 4);  // |dy| = |dx| exactly
    HandleWorldEvent(w, run, WorldEvent{EVENT_CRAFT_FALLING, 0, 0, 0});
    EXPECT_EQ(w.carried.count, 0u);
    EXPECT_EQ(w.falling.count, 1u);
    EXPECT_EQ(w.moveRight, 0);
}

TEST_F(StepTest, CatchingFourWhileCarryingSixKeepsTwo) {
    GameWorld& w = *world;
    for (int i = 0; i < 6; ++i) Add(w.carried, i - 3.0, 10.9, 1);
    for (int i = 0; i < 4; ++i) Add(w.falling, 0.1 * i, 11.9 + i, 2);
    HandleWorldEvent(w, run, WorldEvent{EVENT_CRAFT_FALLING, 0, 0, 0});
    EXPECT_EQ(w.carried.count, 8u);
    EXPECT_EQ(w.falling.count, 0u);
    EXPECT_EQ(w.carried.entries[6].y, 11.9 + 3);  // the last falling entry first
    EXPECT_EQ(w.carried.entries[7].y, 11.9 + 2);
    EXPECT_EQ(w.overflowBlock.y, 11.9);           // the other two are lost
}

TEST_F(StepTest, PieceOnTheCarriedBlocksBreaksItAndThem) {
    GameWorld& w = *world;
    Add(w.carried, 0, 10.5, 1);
    Add(w.carried, 1, 10.5, 1);
    Add(w.falling, 1, 12.5, 2);
    Add(w.falling, 2, 12.5, 2);
    Add(w.falling, 5, 30, 3);
    HandleWorldEvent(w, run, WorldEvent{EVENT_CARRIED_FALLING, 0, 1, 0});
    EXPECT_EQ(w.carried.count, 0u);
    EXPECT_EQ(w.falling.count, 1u);
    EXPECT_EQ(w.fragments.count, 4u);
    EXPECT_EQ(w.nearestBreak, 0.25);
    // Each block breaks before it is removed, last to first: the piece's blocks
    // from slot 1 then slot 0, then the carried blocks from slot 1 then slot 0.
    const double expected[4][2] = {{2, 12.5}, {1, 12.5}, {1, 10.5}, {0, 10.5}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.fragments.entries[i].block.x, expected[i][0]) << i;
        EXPECT_EQ(w.fragments.entries[i].block.y, expected[i][1]) << i;
    }
    EXPECT_EQ(w.falling.entries[0].x, 5.0);
}

// Among pairs meeting at the same time the first in the broad phase's list wins, and
// the list runs newest first. A falling block F and a dropped block D, each 2.5 above
// a settled block, both meet it after (2.5 - 1) / 2 = 0.75 s.
TEST_F(StepTest, EquallyEarlyPairsGoByTheListNewestFirst) {
    GameWorld& w = *world;
    w.playerX = -5;  // out of the way
    Add(w.settled, 3, 5);
    Add(w.settled, 5, 5);
    Next(1);  // the stack's boxes are in place
    // Both pairs enter during the same search: the falling blocks' boxes are set
    // before the dropped blocks', so the dropped pair is the newer and comes first.
    Add(w.falling, 3, 7.5, 1);
    Add(w.dropped, 5, 7.5, 2);
    WorldEvent e = Next(1);
    EXPECT_EQ(e.kind, EVENT_DROPPED_SETTLED);
    EXPECT_EQ(e.time, 0.75);
    EXPECT_EQ(e.a, 0u);
    EXPECT_EQ(e.b, 1u);
    // The falling pair entering a search later is the newer one.
    RemovePoolEntry(w.falling, w, 0);
    Next(1);  // drops the falling pair from the list
    Add(w.falling, 3, 7.5, 1);
    e = Next(1);
    EXPECT_EQ(e.kind, EVENT_FALLING_SETTLED);
    EXPECT_EQ(e.time, 0.75);
    EXPECT_EQ(e.a, 0u);
    EXPECT_EQ(e.b, 0u);
}

// Timers are offered before walls: the exhaust timer running out exactly when the
// craft's centre reaches the wall wins.
TEST_F(StepTest, ExhaustTimerBeforeTheWallAtTheSameTime) {
    GameWorld& w = *world;
    w.playerX = 7;
    w.moveRight = 1;
    w.moveTime = 1;
    w.exhaustTimer = 0.125;  // (7.5 - 7) / 4
    const WorldEvent e = Next(1);
    EXPECT_EQ(e.kind, EVENT_EXHAUST);
    EXPECT_EQ(e.time, 0.125);
}

// A piece that meets the carried blocks before it meets the craft breaks them both;
// one that meets the craft first is caught. The craft hovers two above its support
// carrying one block 0.9 above it.
TEST_F(StepTest, PieceMeetsTheCarriedBlockBeforeTheCraftAndBreaks) {
    GameWorld& w = *world;
    Add(w.settled, 0, 8);
    Add(w.carried, 0, 10.9, 1);
    Add(w.falling, 0, 14, 2);  // 3.1 above the carried block: meets it after 1.05 s
    for (int i = 0; i < 100 && w.falling.count; ++i) StepWorld(w, run, 0.016);
    EXPECT_EQ(w.falling.count, 0u);
    EXPECT_EQ(w.carried.count, 0u);
    EXPECT_EQ(w.fragments.count, 2u);
    EXPECT_NEAR(w.time, 66 * 0.016, 1e-9);  // the frame holding 1.05 s
}

TEST_F(StepTest, PieceMeetsTheCraftBeforeTheCarriedBlockAndIsCaught) {
    GameWorld& w = *world;
    Add(w.settled, 0, 8);
    Add(w.carried, -1.2, 10.9, 1);  // 1.7 from the piece's column: never meets it
    Add(w.falling, 0.5, 14, 2);     // meets the craft after (4 - 0.9) / 2 = 1.55 s
    for (int i = 0; i < 200 && w.falling.count; ++i) StepWorld(w, run, 0.016);
    EXPECT_EQ(w.falling.count, 0u);
    ASSERT_EQ(w.carried.count, 2u);
    EXPECT_EQ(w.fragments.count, 0u);
    EXPECT_EQ(w.carried.entries[1].x, 0.5);
    EXPECT_NEAR(w.time, 97 * 0.016, 1e-9);  // the frame holding 1.55 s
}

// Carried blocks coming down onto the stack break. The craft has nothing under it
// and sinks at the fall speed; its carried block, 1.5 to the side, is 2.9 above a
// column top and lands on it after (2.9 - 1) / 2 = 0.95 s.
TEST_F(StepTest, CarriedBlockLandingOnTheStackBreaks) {
    GameWorld& w = *world;
    Add(w.settled, 1.5, 8);
    Add(w.carried, 1.5, 10.9, 1);
    for (int i = 0; i < 100 && w.carried.count; ++i) StepWorld(w, run, 0.016);
    EXPECT_EQ(w.carried.count, 0u);
    EXPECT_EQ(w.fragments.count, 1u);
    EXPECT_EQ(w.settled.count, 1u);
    EXPECT_NEAR(w.time, 60 * 0.016, 1e-9);  // the frame holding 0.95 s
}

TEST_F(StepTest, CarriedBlocksLandingOnTheStackBreakButSideContactOnlyStops) {
    GameWorld& w = *world;
    Add(w.carried, 0, 8, 1);
    Add(w.settled, 0.5, 7);
    w.moveLeft = 1;
    HandleWorldEvent(w, run, WorldEvent{EVENT_CARRIED_SETTLED, 0, 0, 0});
    EXPECT_EQ(w.carried.count, 0u);
    EXPECT_EQ(w.fragments.count, 1u);
    EXPECT_EQ(w.moveLeft, 1);
    Add(w.carried, 1.5, 7.5, 1);
    HandleWorldEvent(w, run, WorldEvent{EVENT_CARRIED_SETTLED, 0, 0, 0});
    EXPECT_EQ(w.carried.count, 1u);
    EXPECT_EQ(w.moveLeft, 0);
}

TEST_F(StepTest, DropThenLandingSettlesTheWholePiece) {
    GameWorld& w = *world;
    Add(w.carried, 0, 10.5, 3);
    Add(w.carried, 1, 10.5, 3);
    HandleWorldEvent(w, run, WorldEvent{EVENT_DROP, 0, 0, 0});
    EXPECT_EQ(w.carried.count, 0u);
    ASSERT_EQ(w.dropped.count, 2u);
    EXPECT_EQ(w.dropped.entries[0].x, 1.0);
    EXPECT_EQ(w.dropHappened, 1);
    Add(w.dropped, 4, 20, 9);
    HandleWorldEvent(w, run, WorldEvent{EVENT_DROPPED_SETTLED, 0, 1, 0});
    EXPECT_EQ(w.dropped.count, 1u);
    EXPECT_EQ(w.settled.count, 2u);
    EXPECT_EQ(w.nearestSettle, 0.25);
}

TEST_F(StepTest, PieceFallingOntoTheHoveringCraftIsCaught) {
    GameWorld& w = *world;
    Add(w.settled, 0, 7);  // the craft hovers at 10
    Add(w.falling, 0.2, 14, 8);
    Add(w.falling, 1.2, 14, 8);
    // 14 - 10 - 0.9 = 3.1 units to close at 2 per second (sinking moves both alike).
    for (int i = 0; i < 100 && w.carried.count == 0; ++i) StepWorld(w, run, 0.016);
    ASSERT_EQ(w.carried.count, 2u);
    EXPECT_NEAR(w.carried.entries[0].y - w.playerY, 0.9, 1e-9);
    EXPECT_EQ(w.falling.count, 0u);
}

TEST_F(StepTest, PieceMeetingTheStackBreaks) {
    GameWorld& w = *world;
    w.playerX = -5;
    Add(w.settled, 3, 5);
    Add(w.falling, 3.5, 7, 8);
    for (int i = 0; i < 100 && w.falling.count; ++i) StepWorld(w, run, 0.016);
    EXPECT_EQ(w.falling.count, 0u);
    EXPECT_EQ(w.fragments.count, 1u);
    EXPECT_EQ(w.settled.count, 1u);
}

TEST_F(StepTest, DroppedBlocksPassThroughFallingPiecesAndSettleOnTheStack) {
    GameWorld& w = *world;
    w.playerX = -5;
    Add(w.settled, 3, 5);
    Add(w.dropped, 3, 9, 1);
    Add(w.falling, 3, 8, 2);  // below the dropped block, above the stack
    for (int i = 0; i < 200 && w.dropped.count; ++i) StepWorld(w, run, 0.016);
    EXPECT_EQ(w.dropped.count, 0u);
    EXPECT_EQ(w.settled.count, 2u);
    EXPECT_NEAR(w.settled.entries[1].y - w.settled.entries[0].y, 1.0, 1e-9);
}

TEST_F(StepTest, AdvanceRunsTheStateChanges) {
    GameWorld& w = *world;
    w.state = GAME_NEW;
    w.fade = 0;
    AdvanceWorld(w, 0.25);
    EXPECT_EQ(w.state, GAME_RUNNING);
    EXPECT_EQ(w.fade, 0.5);
    AdvanceWorld(w, 0.5);
    EXPECT_EQ(w.fade, 1.0);
    w.playerY = 15.5;
    AdvanceWorld(w, 0.01);
    EXPECT_EQ(w.state, GAME_CLIMBING_OUT);
    EXPECT_EQ(w.fade, 1.0);  // falls from the next advance on
    AdvanceWorld(w, 0.25);
    EXPECT_EQ(w.fade, 0.5);
    EXPECT_EQ(w.state, GAME_CLIMBING_OUT);
    AdvanceWorld(w, 0.25);
    EXPECT_EQ(w.state, GAME_COMPLETED);
}

TEST_F(StepTest, BelowTheFloorFallsOutAndFails) {
    GameWorld& w = *world;
    w.playerY = -0.01;
    w.supportY = -kInfinity;
    AdvanceWorld(w, 0.01);
    EXPECT_EQ(w.state, GAME_FALLING_OUT);
    AdvanceWorld(w, 0.6);
    EXPECT_EQ(w.state, GAME_FAILED);
}

TEST_F(StepTest, AdvanceMovesEverythingByItsOwnRule) {
    GameWorld& w = *world;
    w.supportY = -kInfinity;
    Block& s = Add(w.settled, 0, 5);
    Block& f = Add(w.falling, 3, 20);
    w.fragments.count = 1;
    Fragment& fr = w.fragments.entries[0];
    fr.block.y = 10;
    fr.vx = 1;
    fr.vy = 0;
    AdvanceWorld(w, 0.5);
    EXPECT_EQ(s.y, 5 - 0.1 * 0.5);
    EXPECT_EQ(f.y, 20 - 0.1 * 0.5 - 2 * 0.5);
    EXPECT_EQ(w.playerY, 10 - 0.1 * 0.5 - 2 * 0.5);  // no support: sinks at the fall speed
    EXPECT_EQ(fr.block.x, 1.0);                      // twice the velocity
    EXPECT_EQ(fr.block.y, 10 - 0.5);                 // half-kick then move
    const double y = 10 - 0.1 * 0.5 - 2 * 0.5;
    EXPECT_EQ(w.cameraY, y + (7 - y) * std::pow(0.5, 0.5));
}

}  // namespace
