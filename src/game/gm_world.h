// The game world of one planet: level parameters, the craft, the block pools, the
// particles, the per-frame sound notes and the broad phase in which every body has
// one object. Set-up, piece spawning, removal and breaking of blocks.
//
// The well lies in the x-y plane: floor at y = 0, walls at x = -7.5 and +7.5. Blocks
// are unit cubes given by their centres. Speeds are units per second, times seconds.
#pragma once

#include <cstdint>
#include <type_traits>

#include "app/app_random.h"
#include "game/gm_broadphase.h"

struct GLTexture;   // uploaded texture (display layer)
class CSoundData;   // loaded sound effect (audio engine)

// One entry of a block pool.
struct Block {
    uint16_t colour;   // 0..11, index into blockTextures
    uint16_t pieceId;  // shared by every block of one spawned piece
    uint32_t object;   // broad-phase object of this pool slot (travels with the entry)
    double x, y, z;    // centre of the unit cube
};

// A fixed pool: entries 0..count-1 are live. Each entry owns one broad-phase object,
// enabled exactly while the entry is live.
template <uint32_t N>
struct TBlockPool {
    static constexpr uint32_t kCapacity = N;
    uint32_t count;
    Block entries[N];
};

struct Fragment {
    Block block;            // colour and position; pieceId and object mean nothing
    double vx, vy, vz;
};

struct ExhaustPuff {
    double age;             // 0 at birth, removed at 1
    double x, y, z;         // z stays 0
    double dx, dy, dz;      // unit direction in the x-y plane; dz stays 0
};

template <typename T, uint32_t N>
struct TParticleList {
    static constexpr uint32_t kCapacity = N;
    uint32_t count;
    T entries[N];
};

enum GameState : uint32_t {
    GAME_NEW = 0,
    GAME_RUNNING = 1,
    GAME_FALLING_OUT = 2,
    GAME_CLIMBING_OUT = 3,
    GAME_QUIT = 5,
    GAME_COMPLETED = 6,
    GAME_FAILED = 7,
};

// The whole state of one game. A plain record: zeroed by set-up, lives for one game.
struct GameWorld {
    uint32_t state;                    // GameState; the game loop runs while below 4
    double time;                       // world seconds; the play time of the result
    double fade;                       // 0..1, rises while running, falls on the way out
    GLTexture* innerWallTexture;       // textures: loaded by the game loop, may be null
    GLTexture* blockTextures[12];
    GLTexture* floorTexture;
    const double* noiseFrames;         // 32 frames x 26 values, owned by the planet object
    GLTexture* glowTexture;
    GLTexture* rimTexture;
    GLTexture* outerWallTexture;
    CSoundData* breakSounds[7];        // "break1".."break7"; may be null
    CSoundData* dropSound;             // "drop"
    CSoundData* settleSounds[8];       // "settle1".."settle8"
    uint8_t inputLeft, inputRight, inputDrop;  // raw controls from the input callback
    double steering;                   // mouse store, seconds of sideways motion, +right
    double fallSpeed, liftSpeed, sideSpeed, sinkSpeed;  // level parameters
    double spawnInterval;              // seconds between spawned pieces
    double goalHeight;                 // the craft completes the planet above this
    double playerX, playerY, playerZ;  // centre of the craft
    double supportY;                   // centre of the highest block under the craft, -inf
    uint8_t supportMoving;             // the support is a falling or dropped block
    uint32_t playerObject, probeObject;  // broad-phase objects of craft and probe
    uint8_t moveLeft, moveRight, dropNow;  // controls latched for the current frame
    double moveTime;                   // seconds until the sideways move ends
    double spawnTimer;                 // seconds until the next piece
    double exhaustTimer;               // seconds until the next pair of puffs
    double cameraY;                    // height the view follows
    uint16_t nextPieceId;              // wraps at 65536
    TBlockPool<8> carried;
    TBlockPool<64> falling;
    TBlockPool<32> dropped;
    TBlockPool<1024> settled;
    TParticleList<Fragment, 32> fragments;
    TParticleList<ExhaustPuff, 64> puffs;
    Block overflowBlock;               // a block whose target pool is full lands here, lost
    double maxHover;                   // largest playerY - supportY since the sound update
    double nearestBreak, nearestSettle;  // smallest squared distances since the sound update
    uint8_t dropHappened;              // the craft released blocks since the sound update
    CRandomSource* pieceSource;        // owned by the game loop
    CBroadPhase* broadPhase;           // created by set-up, deleted by DestroyGameWorld
};

static_assert(std::is_trivially_copyable<GameWorld>::value, "the world is zeroed wholesale");

// The difficulty of a planet.
struct LevelParameters {
    double fallSpeed, liftSpeed, sideSpeed, sinkSpeed, spawnInterval, goalHeight;
};

// galaxy 0..3, system 0..9, planet 0..9.
LevelParameters ComputeLevelParameters(uint32_t galaxy, uint32_t system, uint32_t planet);

// Zeroes the positions of the craft, every pool entry, overflowBlock and every
// particle slot.
void ClearGameWorld(GameWorld& world);

// Called in the middle of the set-up, after the broad phase exists and before the
// world is populated: where the game loop loads the planet's textures and sounds.
using GameWorldLoadHook = void (*)(GameWorld& world, void* context);

// Builds the starting world of one planet: clears and zeroes the record, creates the
// broad phase with its objects, calls `load` (may be null), places the craft and the
// camera, builds the initial stack (colours from the run source), sets the level
// parameters and spawns the pieces already in the air from the piece source, which
// the world keeps a pointer to. Undo with DestroyGameWorld.
void SetUpGameWorld(GameWorld& world, uint32_t galaxy, uint32_t system, uint32_t planet,
                    CRandomSource& runSource, CRandomSource& pieceSource,
                    GameWorldLoadHook load = nullptr, void* loadContext = nullptr);

// Deletes the broad phase. Textures and sounds belong to whoever loaded them.
void DestroyGameWorld(GameWorld& world);

// The planet's piece source: seed 148 forked with salt 100 g + 10 s + p.
CRandomSource MakePieceSource(uint32_t galaxy, uint32_t system, uint32_t planet);

struct PieceShape {
    uint32_t mask;   // bit row * 4 + column of a 4 x 4 grid, row 0 at the bottom
    double weight;
};
constexpr uint32_t kPieceShapeCount = 24;
extern const PieceShape PieceShapeTable[kPieceShapeCount];

uint32_t ChoosePieceShape(CRandomSource& source);
// Adds one piece from the piece source with its bottom row at `height`.
void SpawnPiece(GameWorld& world, double height);

// The pool operations work on any pool through this view.
struct BlockPoolView {
    uint32_t* count;
    Block* entries;
    uint32_t capacity;
};

template <uint32_t N>
BlockPoolView View(TBlockPool<N>& pool) {
    return BlockPoolView{&pool.count, pool.entries, N};
}

// The next free entry of a pool with its object enabled, or overflowBlock when full.
Block& TakePoolEntry(BlockPoolView pool, GameWorld& world);
// Removes a live entry by swapping it with the last one (objects travel with their
// entries, user values follow). An index past the live entries is an internal fault.
void RemovePoolEntry(BlockPoolView pool, GameWorld& world, uint32_t index);
// Removes every live entry below y = -1.
void RemoveBlocksBelowFloor(BlockPoolView pool, GameWorld& world);
// Notes the break for the sound and turns the block into a fragment when there is room.
void BreakBlock(GameWorld& world, const Block& block, CRandomSource& runSource);

template <uint32_t N>
Block& TakePoolEntry(TBlockPool<N>& pool, GameWorld& world) {
    return TakePoolEntry(View(pool), world);
}
template <uint32_t N>
void RemovePoolEntry(TBlockPool<N>& pool, GameWorld& world, uint32_t index) {
    RemovePoolEntry(View(pool), world, index);
}
template <uint32_t N>
void RemoveBlocksBelowFloor(TBlockPool<N>& pool, GameWorld& world) {
    RemoveBlocksBelowFloor(View(pool), world);
}
