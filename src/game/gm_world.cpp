// Game world set-up, level parameters, pieces, and removal and breaking of blocks.
#include "game/gm_world.h"

#include <cstring>
#include <limits>

#include "app/app_config.h"
#include "app/app_fault.h"
#include "game/gm_math.h"

namespace {

// 0.3334 - 0.1 in double arithmetic: one unit in the last place below 0.2334. Written
// out so that the sink speed of the hardest planet is the same on every compiler.
constexpr double kSinkSpeedRange = 0.23339999999999997;

// The objects' types may interact in these pairs, allowed in this order.
constexpr uint8_t kAllowedTypePairs[9][2] = {
    {BODY_CRAFT, BODY_FALLING},   {BODY_CRAFT, BODY_SETTLED},   {BODY_PROBE, BODY_FALLING},
    {BODY_PROBE, BODY_DROPPED},   {BODY_PROBE, BODY_SETTLED},   {BODY_CARRIED, BODY_FALLING},
    {BODY_CARRIED, BODY_SETTLED}, {BODY_FALLING, BODY_SETTLED}, {BODY_DROPPED, BODY_SETTLED},
};

const char kRemovePastEndFault[] = "{7A158D7C-7625-4dc0-BCDD-EDA1B2956F6A}";

template <uint32_t N>
void AddPoolObjects(CBroadPhase& broadPhase, TBlockPool<N>& pool, uint8_t type) {
    for (uint32_t i = 0; i < N; ++i) pool.entries[i].object = broadPhase.AddObject(type, i);
}

void ClearBlockPosition(Block& block) {
    block.x = 0.0;
    block.y = 0.0;
    block.z = 0.0;
}

template <uint32_t N>
void ClearPoolPositions(TBlockPool<N>& pool) {
    for (Block& block : pool.entries) ClearBlockPosition(block);
}

}  // namespace

const PieceShape PieceShapeTable[kPieceShapeCount] = {
    {0x0001, 30}, {0x0003, 15}, {0x0011, 15}, {0x0007, 5}, {0x0023, 5}, {0x0013, 5},
    {0x0032, 5},  {0x0031, 5},  {0x0111, 5},  {0x0033, 2}, {0x000F, 2}, {0x0047, 2},
    {0x0017, 2},  {0x0074, 2},  {0x0071, 2},  {0x0027, 2}, {0x0072, 2}, {0x0223, 2},
    {0x0113, 2},  {0x0322, 2},  {0x0311, 2},  {0x0232, 2}, {0x0131, 2}, {0x1111, 2},
};

LevelParameters ComputeLevelParameters(uint32_t galaxy, uint32_t system, uint32_t planet) {
    const uint32_t number = 10 * system + planet;
    const double difficulty = (0.5 * number) / 99 + (0.5 * galaxy) / 3.0;
    LevelParameters level;
    level.fallSpeed = 2 + 3 * difficulty;
    level.liftSpeed = 3 + 7 * difficulty;
    level.sideSpeed = 4 + 6 * difficulty;
    level.sinkSpeed = 0.1 + kSinkSpeedRange * difficulty;
    level.spawnInterval = 2 + 0 * difficulty;
    level.goalHeight = difficulty * (planet + 1) / 10 * 35 + 15;
    return level;
}

void ClearGameWorld(GameWorld& world) {
    world.playerX = world.playerY = world.playerZ = 0.0;
    ClearPoolPositions(world.carried);
    ClearPoolPositions(world.falling);
    ClearPoolPositions(world.dropped);
    ClearPoolPositions(world.settled);
    ClearBlockPosition(world.overflowBlock);
    for (Fragment& f : world.fragments.entries) {
        ClearBlockPosition(f.block);
        f.vx = f.vy = f.vz = 0.0;
    }
    for (ExhaustPuff& p : world.puffs.entries) {
        p.x = p.y = p.z = 0.0;
        p.dx = p.dy = p.dz = 0.0;
    }
}

CRandomSource MakePieceSource(uint32_t galaxy, uint32_t system, uint32_t planet) {
    CRandomSource seeded(148);
    const uint32_t systemIndex = galaxy * kSystemsPerGalaxy + system;
    return CRandomSource(seeded, systemIndex * kPlanetsPerSystem + planet);
}

void SetUpGameWorld(GameWorld& world, uint32_t galaxy, uint32_t system, uint32_t planet,
                    CRandomSource& runSource, CRandomSource& pieceSource,
                    GameWorldLoadHook load, void* loadContext) {
    ClearGameWorld(world);
    std::memset(static_cast<void*>(&world), 0, sizeof(world));

    CBroadPhase* broadPhase = new CBroadPhase;
    world.broadPhase = broadPhase;
    for (const auto& pair : kAllowedTypePairs) broadPhase->AllowTypePair(pair[0], pair[1]);
    // This order fills the broad phase's capacity exactly: 2 + 8 + 64 + 32 + 1024.
    world.playerObject = broadPhase->AddObject(BODY_CRAFT, 0);
    world.probeObject = broadPhase->AddObject(BODY_PROBE, 0);
    AddPoolObjects(*broadPhase, world.carried, BODY_CARRIED);
    AddPoolObjects(*broadPhase, world.falling, BODY_FALLING);
    AddPoolObjects(*broadPhase, world.dropped, BODY_DROPPED);
    AddPoolObjects(*broadPhase, world.settled, BODY_SETTLED);
    broadPhase->SetEnabled(world.playerObject, true);
    broadPhase->SetEnabled(world.probeObject, true);

    if (load) load(world, loadContext);

    world.playerY = 3;
    world.cameraY = 7;

    // Six rows on the first galaxy, one fewer on each next. A galaxy number past the
    // last (which the selection never gives) builds no stack rather than counting
    // rows round through the whole unsigned range.
    const uint32_t rows = galaxy < 6 ? 6 - galaxy : 0;
    for (uint32_t r = 0; r < rows; ++r) {
        for (int x = -3; x <= 3; ++x) {
            Block& block = TakePoolEntry(world.settled, world);
            block.colour = static_cast<uint16_t>(runSource.NextU32() % 12);
            block.pieceId = 0;
            block.x = x;
            block.y = r;
            block.z = 0;
        }
    }

    const LevelParameters level = ComputeLevelParameters(galaxy, system, planet);
    world.fallSpeed = level.fallSpeed;
    world.liftSpeed = level.liftSpeed;
    world.sideSpeed = level.sideSpeed;
    world.sinkSpeed = level.sinkSpeed;
    world.spawnInterval = level.spawnInterval;
    world.goalHeight = level.goalHeight;

    // The pieces a running game would already have in the air, one interval's fall apart.
    world.pieceSource = &pieceSource;
    const double interval = world.spawnInterval * (world.fallSpeed + world.sinkSpeed);
    for (double height = world.goalHeight + 30 - interval; height > world.playerY + 15;
         height = height - interval) {
        SpawnPiece(world, height);
    }

    world.maxHover = 0;
    world.nearestBreak = kInfinity;
    world.nearestSettle = kInfinity;
    world.dropHappened = 0;
}

void DestroyGameWorld(GameWorld& world) {
    delete world.broadPhase;
    world.broadPhase = nullptr;
}

uint32_t ChoosePieceShape(CRandomSource& source) {
    double total = 0;
    for (const PieceShape& shape : PieceShapeTable) total = total + shape.weight;
    double r = UnitFromU32(source.NextU32()) * total;
    for (uint32_t i = 0; i < kPieceShapeCount; ++i) {
        r = r - PieceShapeTable[i].weight;
        if (r < 0) return i;
    }
    // Only rounding can get here.
    for (uint32_t i = 0; i < kPieceShapeCount; ++i) {
        if (PieceShapeTable[i].weight != 0) return i;
    }
    return 0;
}

void SpawnPiece(GameWorld& world, double height) {
    CRandomSource& source = *world.pieceSource;
    const uint32_t mask = PieceShapeTable[ChoosePieceShape(source)].mask;
    int width = 0;
    for (uint32_t column = 0; column < 4; ++column) {
        if (mask & (0x1111u << column)) ++width;
    }
    const double offset = UnitFromU32(source.NextU32()) * (15 - width);
    const uint16_t id = world.nextPieceId;
    world.nextPieceId = static_cast<uint16_t>(id + 1);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (!(mask & (1u << (row * 4 + column)))) continue;
            // The colour is drawn even when the block is lost to a full pool, so the
            // piece sequence never depends on how full the well is.
            Block& block = TakePoolEntry(world.falling, world);
            block.colour = static_cast<uint16_t>(source.NextU32() % 12);
            block.pieceId = id;
            block.x = column + offset - 7.5;
            block.y = row + height;
            block.z = 0;
        }
    }
}

Block& TakePoolEntry(BlockPoolView pool, GameWorld& world) {
    if (*pool.count >= pool.capacity) return world.overflowBlock;
    Block& block = pool.entries[*pool.count];
    *pool.count += 1;
    // The object goes in with the box it had when its slot was last used.
    world.broadPhase->SetEnabled(block.object, true);
    return block;
}

void RemovePoolEntry(BlockPoolView pool, GameWorld& world, uint32_t index) {
    if (index >= *pool.count) ThrowInternalFault(kRemovePastEndFault);
    const uint32_t last = *pool.count - 1;
    *pool.count = last;
    CBroadPhase& broadPhase = *world.broadPhase;
    broadPhase.SetEnabled(pool.entries[index].object, false);
    broadPhase.SetUserValue(pool.entries[index].object, last);
    broadPhase.SetUserValue(pool.entries[last].object, index);
    const Block removed = pool.entries[index];
    pool.entries[index] = pool.entries[last];
    pool.entries[last] = removed;
}

void RemoveBlocksBelowFloor(BlockPoolView pool, GameWorld& world) {
    for (uint32_t i = *pool.count; i-- > 0;) {
        if (pool.entries[i].y < -1.0) RemovePoolEntry(pool, world, i);
    }
}

void BreakBlock(GameWorld& world, const Block& block, CRandomSource& runSource) {
    const double dx = block.x - world.playerX;
    const double dy = block.y - world.playerY;
    const double dz = block.z - world.playerZ;
    const double distanceSquared = dx * dx + dy * dy + dz * dz;
    if (distanceSquared < world.nearestBreak) world.nearestBreak = distanceSquared;

    if (world.fragments.count >= world.fragments.kCapacity) return;
    Fragment& fragment = world.fragments.entries[world.fragments.count++];
    fragment.block = block;
    const double u1 = UnitFromU32(runSource.NextU32());
    const double u2 = UnitFromU32(runSource.NextU32());
    const double u3 = UnitFromU32(runSource.NextU32());
    fragment.vx = 2 * (u3 - 0.5);
    fragment.vy = 2 * (u2 - 0.5);
    fragment.vz = 2 * (u1 - 0.5);
}
