// The game world: level parameters, the starting world, pieces, pool removal and
// breaking, against values worked out from their definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <set>

#include "app/app_fault.h"
#include "game/gm_world.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A world on the heap (it is some 45 KB) set up for one planet.
struct WorldFixture {
    WorldFixture(uint32_t g, uint32_t s, uint32_t p, uint32_t runSeed = 1)
        : world(new GameWorld), run(runSeed), pieces(MakePieceSource(g, s, p)) {
        SetUpGameWorld(*world, g, s, p, run, pieces);
    }
    ~WorldFixture() { DestroyGameWorld(*world); }
    std::unique_ptr<GameWorld> world;
    CRandomSource run;
    CRandomSource pieces;
};

// Bottom row height of each piece in the air, by piece id.
std::map<uint16_t, double> PieceBottoms(const GameWorld& w) {
    std::map<uint16_t, double> bottoms;
    for (uint32_t i = 0; i < w.falling.count; ++i) {
        const Block& b = w.falling.entries[i];
        auto it = bottoms.find(b.pieceId);
        if (it == bottoms.end() || b.y < it->second) bottoms[b.pieceId] = b.y;
    }
    return bottoms;
}

TEST(LevelParameters, FirstPlanetOfTheFirstGalaxy) {
    const LevelParameters l = ComputeLevelParameters(0, 0, 0);
    EXPECT_EQ(l.fallSpeed, 2.0);
    EXPECT_EQ(l.liftSpeed, 3.0);
    EXPECT_EQ(l.sideSpeed, 4.0);
    EXPECT_EQ(l.sinkSpeed, 0.1);
    EXPECT_EQ(l.spawnInterval, 2.0);
    EXPECT_EQ(l.goalHeight, 15.0);
}

TEST(LevelParameters, LastPlanetOfTheLastGalaxy) {
    const LevelParameters l = ComputeLevelParameters(3, 9, 9);  // P = 1 exactly
    EXPECT_EQ(l.fallSpeed, 5.0);
    EXPECT_EQ(l.liftSpeed, 10.0);
    EXPECT_EQ(l.sideSpeed, 10.0);
    EXPECT_EQ(l.sinkSpeed, 0.1 + (0.3334 - 0.1));
    EXPECT_EQ(l.sinkSpeed, 0.3334);
    EXPECT_EQ(l.spawnInterval, 2.0);
    EXPECT_EQ(l.goalHeight, 50.0);
}

TEST(LevelParameters, MiddlePlanetFollowsTheWrittenOrder) {
    // g 1, s 4, p 7: i = 47, P = 23.5 / 99 + 0.5 / 3.0.
    const double P = (0.5 * 47) / 99 + (0.5 * 1) / 3.0;
    const LevelParameters l = ComputeLevelParameters(1, 4, 7);
    EXPECT_EQ(l.fallSpeed, 2 + 3 * P);
    EXPECT_EQ(l.sinkSpeed, 0.1 + 0.23339999999999997 * P);
    EXPECT_EQ(l.goalHeight, P * 8 / 10 * 35 + 15);
    EXPECT_EQ(l.spawnInterval, 2.0);
}

TEST(WorldSetUp, FirstPlanetStartingWorld) {
    WorldFixture f(0, 0, 0);
    const GameWorld& w = *f.world;
    EXPECT_EQ(w.state, 0u);
    EXPECT_EQ(w.playerX, 0.0);
    EXPECT_EQ(w.playerY, 3.0);
    EXPECT_EQ(w.cameraY, 7.0);
    EXPECT_EQ(w.spawnTimer, 0.0);
    EXPECT_EQ(w.maxHover, 0.0);
    EXPECT_EQ(w.nearestBreak, kInfinity);
    EXPECT_EQ(w.nearestSettle, kInfinity);
    // Six rows of seven, made row by row from x = -3.
    ASSERT_EQ(w.settled.count, 42u);
    for (uint32_t i = 0; i < 42; ++i) {
        EXPECT_EQ(w.settled.entries[i].x, static_cast<double>(i % 7) - 3.0);
        EXPECT_EQ(w.settled.entries[i].y, static_cast<double>(i / 7));
        EXPECT_LT(w.settled.entries[i].colour, 12);
    }
    // Six pieces in the air, one interval's fall (4.2) apart from 40.8 down.
    const std::map<uint16_t, double> bottoms = PieceBottoms(w);
    ASSERT_EQ(bottoms.size(), 6u);
    EXPECT_EQ(w.nextPieceId, 6);
    const double expected[6] = {40.8, 36.599999999999994, 32.39999999999999,
                                28.199999999999992, 23.999999999999993, 19.799999999999994};
    for (uint16_t id = 0; id < 6; ++id) EXPECT_EQ(bottoms.at(id), expected[id]) << id;
}

// The draws in their order: the stack's colours one per block from the run source;
// then from the piece source, per piece, the shape, the offset and one colour per block
// (row by row, each row from the left).
TEST(WorldSetUp, DrawsInTheirOrder) {
    WorldFixture f(0, 0, 0, 9);
    const GameWorld& w = *f.world;
    CRandomSource run(9);
    for (uint32_t i = 0; i < w.settled.count; ++i) {
        EXPECT_EQ(w.settled.entries[i].colour, run.NextU32() % 12) << i;
    }
    CRandomSource pieces = MakePieceSource(0, 0, 0);
    uint32_t entry = 0;
    for (uint16_t id = 0; id < 6; ++id) {
        double r = pieces.NextU32() / 4294967296.0 * 120;
        uint32_t shape = 0;
        while (shape < kPieceShapeCount && (r = r - PieceShapeTable[shape].weight) >= 0) ++shape;
        ASSERT_LT(shape, kPieceShapeCount);
        const uint32_t mask = PieceShapeTable[shape].mask;
        const int width = (mask & 0x8888u) ? 4 : (mask & 0x4444u) ? 3 : (mask & 0x2222u) ? 2 : 1;
        const double offset = pieces.NextU32() / 4294967296.0 * (15 - width);
        const double bottom = 40.8 - 4.2 * id;
        for (int bit = 0; bit < 16; ++bit) {
            if (!(mask & (1u << bit))) continue;
            ASSERT_LT(entry, w.falling.count);
            const Block& b = w.falling.entries[entry++];
            EXPECT_EQ(b.pieceId, id);
            EXPECT_EQ(b.colour, pieces.NextU32() % 12) << id;
            EXPECT_EQ(b.x, bit % 4 + offset - 7.5) << id;
            EXPECT_NEAR(b.y, bit / 4 + bottom, 1e-12) << id;
        }
    }
    EXPECT_EQ(entry, w.falling.count);
}

TEST(WorldSetUp, LastPlanetStartingWorld) {
    WorldFixture f(3, 9, 9);
    const GameWorld& w = *f.world;
    EXPECT_EQ(w.settled.count, 21u);  // three rows
    const std::map<uint16_t, double> bottoms = PieceBottoms(w);
    ASSERT_EQ(bottoms.size(), 5u);
    EXPECT_EQ(bottoms.at(0), 69.3332);
    EXPECT_EQ(bottoms.at(4), 26.665999999999997);
}

TEST(WorldSetUp, AGalaxyPastTheLastBuildsNoStackInsteadOfRunningAway) {
    // Six rows less one per galaxy: from galaxy 6 on there is nothing left to build.
    WorldFixture f(7, 0, 0);
    EXPECT_EQ(f.world->settled.count, 0u);
    EXPECT_EQ(f.world->playerY, 3.0);
}

TEST(WorldSetUp, BroadPhaseObjectsInTheirFixedOrder) {
    WorldFixture f(0, 0, 0);
    const GameWorld& w = *f.world;
    const CBroadPhase& bp = *w.broadPhase;
    EXPECT_EQ(bp.ObjectCount(), CBroadPhase::kCapacity);
    EXPECT_EQ(w.playerObject, 0u);
    EXPECT_EQ(w.probeObject, 1u);
    EXPECT_EQ(w.carried.entries[0].object, 2u);
    EXPECT_EQ(w.falling.entries[0].object, 10u);
    EXPECT_EQ(w.dropped.entries[0].object, 74u);
    EXPECT_EQ(w.settled.entries[0].object, 106u);
    EXPECT_EQ(w.settled.entries[1023].object, 1129u);
    EXPECT_EQ(bp.GetType(w.dropped.entries[31].object), BODY_DROPPED);
    EXPECT_EQ(bp.GetUserValue(w.dropped.entries[31].object), 31u);
    EXPECT_TRUE(bp.IsEnabled(w.playerObject));
    EXPECT_TRUE(bp.IsEnabled(w.probeObject));
    EXPECT_TRUE(bp.IsEnabled(w.settled.entries[41].object));
    EXPECT_FALSE(bp.IsEnabled(w.settled.entries[42].object));
    EXPECT_FALSE(bp.IsEnabled(w.carried.entries[0].object));
    // The nine interacting pairs and no others.
    const std::set<std::pair<int, int>> allowed = {{0, 3}, {0, 5}, {1, 3}, {1, 4}, {1, 5},
                                                   {2, 3}, {2, 5}, {3, 5}, {4, 5}};
    for (uint8_t a = 0; a < 6; ++a) {
        for (uint8_t b = a; b < 6; ++b) {
            EXPECT_EQ(bp.IsTypePairAllowed(a, b), allowed.count({a, b}) == 1) << +a << "," << +b;
        }
    }
}

void NoteLoad(GameWorld& world, void* context) {
    // The broad phase exists, the stack does not yet.
    *static_cast<int*>(context) = world.broadPhase != nullptr && world.settled.count == 0 ? 1 : 2;
}

TEST(WorldSetUp, LoadHookRunsBetweenBroadPhaseAndStack) {
    auto world = std::make_unique<GameWorld>();
    CRandomSource run(1);
    CRandomSource pieces = MakePieceSource(0, 0, 0);
    int seen = 0;
    SetUpGameWorld(*world, 0, 0, 0, run, pieces, NoteLoad, &seen);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(world->dropSound, nullptr);
    EXPECT_EQ(world->blockTextures[11], nullptr);
    DestroyGameWorld(*world);
}

TEST(WorldSetUp, SamePiecesOnEveryAttemptWhileStackColoursDiffer) {
    WorldFixture first(0, 0, 0, 1);
    WorldFixture second(0, 0, 0, 2);
    const GameWorld& a = *first.world;
    const GameWorld& b = *second.world;
    ASSERT_EQ(a.falling.count, b.falling.count);
    for (uint32_t i = 0; i < a.falling.count; ++i) {
        EXPECT_EQ(a.falling.entries[i].x, b.falling.entries[i].x);
        EXPECT_EQ(a.falling.entries[i].y, b.falling.entries[i].y);
        EXPECT_EQ(a.falling.entries[i].colour, b.falling.entries[i].colour);
    }
    int differing = 0;
    for (uint32_t i = 0; i < a.settled.count; ++i) {
        differing += a.settled.entries[i].colour != b.settled.entries[i].colour;
    }
    EXPECT_GT(differing, 20);
    // And the pieces to come match too.
    SpawnPiece(*first.world, 50);
    SpawnPiece(*second.world, 50);
    EXPECT_EQ(a.falling.entries[a.falling.count - 1].x, b.falling.entries[b.falling.count - 1].x);
}

TEST(PieceShapes, TableWeightsAndColumns) {
    double total = 0;
    for (const PieceShape& s : PieceShapeTable) {
        total += s.weight;
        EXPECT_NE(s.mask & 0x1111u, 0u) << s.mask;  // every shape starts at column 0
    }
    EXPECT_EQ(total, 120.0);
    EXPECT_EQ(PieceShapeTable[0].mask, 0x0001u);
    EXPECT_EQ(PieceShapeTable[23].mask, 0x1111u);
}

TEST(PieceShapes, EveryMaskAndWeight) {
    // The cells written out, rows bottom first, as they are drawn up.
    const char* const cells[kPieceShapeCount] = {
        "#...", "##..", "#.../#...", "###.", "##../.#..", "##../#...", ".#../##..",
        "#.../##..", "#.../#.../#...", "##../##..", "####", "###./..#.", "###./#...",
        "..#./###.", "#.../###.", "###./.#..", ".#../###.", "##../.#../.#..",
        "##../#.../#...", ".#../.#../##..", "#.../#.../##..", ".#../##../.#..",
        "#.../##../#...", "#.../#.../#.../#..."};
    const double weights[kPieceShapeCount] = {30, 15, 15, 5, 5, 5, 5, 5, 5, 2, 2, 2,
                                              2,  2,  2,  2, 2, 2, 2, 2, 2, 2, 2, 2};
    for (uint32_t i = 0; i < kPieceShapeCount; ++i) {
        uint32_t mask = 0;
        int bit = 0;
        for (const char* c = cells[i]; *c; ++c) {
            if (*c == '/') continue;
            if (*c == '#') mask |= 1u << bit;
            ++bit;
        }
        EXPECT_EQ(PieceShapeTable[i].mask, mask) << i;
        EXPECT_EQ(PieceShapeTable[i].weight, weights[i]) << i;
    }
}

TEST(PieceShapes, ChoiceFollowsTheWeights) {
    CRandomSource source(7);
    uint32_t counts[kPieceShapeCount] = {};
    const uint32_t draws = 120000;
    for (uint32_t i = 0; i < draws; ++i) counts[ChoosePieceShape(source)] += 1;
    for (uint32_t i = 0; i < kPieceShapeCount; ++i) {
        const double expected = draws * PieceShapeTable[i].weight / 120.0;
        EXPECT_NEAR(counts[i], expected, 5 * std::sqrt(expected)) << i;
    }
}

TEST(SpawnPiece, OffsetsKeepEveryPieceInsideTheWell) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    for (int n = 0; n < 3000; ++n) {
        // Empty the falling pool each time so the blocks are kept.
        while (w.falling.count) RemovePoolEntry(w.falling, w, w.falling.count - 1);
        SpawnPiece(w, 100);
        double minX = kInfinity;
        double maxX = -kInfinity;
        for (uint32_t i = 0; i < w.falling.count; ++i) {
            minX = std::fmin(minX, w.falling.entries[i].x);
            maxX = std::fmax(maxX, w.falling.entries[i].x);
            EXPECT_GE(w.falling.entries[i].y, 100.0);
        }
        const double width = maxX - minX + 1;
        EXPECT_GE(minX, -7.5);
        EXPECT_LT(minX + 7.5, 15 - width);  // offset in [0, 15 - width)
    }
}

TEST(SpawnPiece, ColourIsDrawnEvenWhenTheFallingPoolIsFull) {
    WorldFixture full(0, 0, 0);
    WorldFixture roomy(0, 0, 0);
    GameWorld& a = *full.world;
    while (a.falling.count < 64) TakePoolEntry(a.falling, a);
    SpawnPiece(a, 60);
    SpawnPiece(*roomy.world, 60);
    EXPECT_EQ(a.falling.count, 64u);
    // Both sources stand at the same place afterwards.
    EXPECT_EQ(full.pieces.Index(), roomy.pieces.Index());
    EXPECT_EQ(full.pieces.NextU32(), roomy.pieces.NextU32());
    EXPECT_EQ(a.nextPieceId, roomy.world->nextPieceId);
}

TEST(RemovePoolEntry, SwapsTheLastEntryInWithItsObject) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    TBlockPool<32>& pool = w.dropped;
    for (int i = 0; i < 5; ++i) {
        Block& b = TakePoolEntry(pool, w);
        b.x = i;
    }
    const uint32_t removedObject = pool.entries[3].object;
    const uint32_t lastObject = pool.entries[4].object;
    RemovePoolEntry(pool, w, 3);
    EXPECT_EQ(pool.count, 4u);
    EXPECT_EQ(pool.entries[3].x, 4.0);
    EXPECT_EQ(pool.entries[3].object, lastObject);
    EXPECT_EQ(w.broadPhase->GetUserValue(lastObject), 3u);
    EXPECT_EQ(pool.entries[4].object, removedObject);
    EXPECT_EQ(pool.entries[4].x, 3.0);
    EXPECT_EQ(w.broadPhase->GetUserValue(removedObject), 4u);
    EXPECT_FALSE(w.broadPhase->IsEnabled(removedObject));
    EXPECT_TRUE(w.broadPhase->IsEnabled(lastObject));
}

TEST(RemovePoolEntry, PastTheEndIsAnInternalFault) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    try {
        RemovePoolEntry(w.carried, w, 0);
        FAIL() << "no fault";
    } catch (const InternalFault& fault) {
        EXPECT_STREQ(fault.Guid(), "{7A158D7C-7625-4dc0-BCDD-EDA1B2956F6A}");
    }
}

TEST(RemovePoolEntry, BelowTheFloorMeansStrictlyBelowMinusOne) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    w.settled.entries[0].y = -1.0;
    w.settled.entries[1].y = -1.0000001;
    w.settled.entries[40].y = -5;
    RemoveBlocksBelowFloor(w.settled, w);
    EXPECT_EQ(w.settled.count, 40u);
    EXPECT_EQ(w.settled.entries[0].y, -1.0);
}

TEST(TakePoolEntry, FullPoolGivesTheOverflowBlock) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    for (int i = 0; i < 8; ++i) TakePoolEntry(w.carried, w);
    EXPECT_EQ(&TakePoolEntry(w.carried, w), &w.overflowBlock);
    EXPECT_EQ(w.carried.count, 8u);
}

TEST(BreakBlock, NotesTheDistanceAndMakesAFragmentFromThreeDraws) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    Block block{5, 9, 0, 3.0, 7.0, 0.0};  // 3 right, 4 above the craft at (0, 3)
    CRandomSource copy = f.run;
    const double u1 = copy.NextU32() / 4294967296.0;
    const double u2 = copy.NextU32() / 4294967296.0;
    const double u3 = copy.NextU32() / 4294967296.0;
    BreakBlock(w, block, f.run);
    EXPECT_EQ(w.nearestBreak, 25.0);
    ASSERT_EQ(w.fragments.count, 1u);
    const Fragment& fr = w.fragments.entries[0];
    EXPECT_EQ(fr.block.colour, 5);
    EXPECT_EQ(fr.block.x, 3.0);
    EXPECT_EQ(fr.vx, 2 * (u3 - 0.5));
    EXPECT_EQ(fr.vy, 2 * (u2 - 0.5));
    EXPECT_EQ(fr.vz, 2 * (u1 - 0.5));
    // A farther break keeps the nearer distance.
    Block far{0, 0, 0, 10.0, 3.0, 0.0};
    BreakBlock(w, far, f.run);
    EXPECT_EQ(w.nearestBreak, 25.0);
}

TEST(BreakBlock, FullFragmentListDrawsNothingButStillNotes) {
    WorldFixture f(0, 0, 0);
    GameWorld& w = *f.world;
    w.fragments.count = 32;
    const uint32_t index = f.run.Index();
    Block block{0, 0, 0, 1.0, 3.0, 0.0};
    BreakBlock(w, block, f.run);
    EXPECT_EQ(w.fragments.count, 32u);
    EXPECT_EQ(f.run.Index(), index);
    EXPECT_EQ(w.nearestBreak, 1.0);
}

}  // namespace
