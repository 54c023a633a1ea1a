// Headless planet games for the tests and the benchmark.
#include "game_driver.h"

#include "support/test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace {

// The scripted player's reach: it chases falling blocks within this distance of the
// middle, and drops once back within kDropRadius of it.
constexpr double kReach = 1.5;
constexpr double kDropRadius = 0.6;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The bytes of the physical state, appended in a fixed order and hashed at once.
template <typename T>
void Append(std::string& bytes, T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

template <uint32_t N>
void AppendPool(std::string& bytes, const TBlockPool<N>& pool) {
    Append(bytes, pool.count);
    for (uint32_t i = 0; i < pool.count; ++i) {
        const Block& b = pool.entries[i];
        Append(bytes, b.pieceId);
        Append(bytes, b.object);
        Append(bytes, b.x);
        Append(bytes, b.y);
        Append(bytes, b.z);
    }
}

template <uint32_t N>
std::string CheckPool(const GameWorld& world, const TBlockPool<N>& pool, uint8_t type,
                      const char* name) {
    const CBroadPhase& bp = *world.broadPhase;
    if (pool.count > N) return std::string(name) + ": count above capacity";
    for (uint32_t i = 0; i < N; ++i) {
        const uint32_t object = pool.entries[i].object;
        if (bp.GetType(object) != type) return std::string(name) + ": entry owns a foreign object";
        const bool live = i < pool.count;
        if (bp.IsEnabled(object) != live) {
            return std::string(name) + ": slot " + std::to_string(i) +
                   (live ? " live but disabled" : " free but enabled");
        }
        if (bp.GetUserValue(object) != i) {
            return std::string(name) + ": slot " + std::to_string(i) + " has user value " +
                   std::to_string(bp.GetUserValue(object));
        }
    }
    return std::string();
}

// The pairs the broad phase should list, from the axis lists themselves: a pair of
// enabled objects overlaps when on both axes each min lies before the other's max.
std::string CheckPairs(const GameWorld& world) {
    const CBroadPhase& bp = *world.broadPhase;
    const uint32_t n = bp.ObjectCount();
    std::vector<uint32_t> position(4 * n, 0);
    std::vector<uint32_t> enabled;
    for (uint32_t i = 0; i < n; ++i) {
        if (bp.IsEnabled(i)) enabled.push_back(i);
    }
    for (int axis = 0; axis < 2; ++axis) {
        uint32_t rank = 0;
        double last = -kInfinity;
        for (const BroadPhaseEndpoint* e = bp.Head(axis).next; e != &bp.Tail(axis); e = e->next) {
            if (e->value < last) return "axis list out of order";
            if (e->kind / 2 != axis) return "endpoint on the wrong axis";
            if (e->next->prev != e) return "axis list links disagree";
            last = e->value;
            position[4 * e->owner + e->kind] = ++rank;
        }
        if (rank != 2 * enabled.size()) return "axis list length differs from enabled objects";
    }
    for (uint32_t i : enabled) {
        for (uint8_t k = 0; k < 4; ++k) {
            if (position[4 * i + k] == 0) return "enabled object missing from an axis list";
        }
    }
    std::set<std::pair<uint32_t, uint32_t>> expected;
    for (size_t p = 0; p < enabled.size(); ++p) {
        for (size_t q = p + 1; q < enabled.size(); ++q) {
            const uint32_t a = enabled[p];
            const uint32_t b = enabled[q];
            int count = 0;
            count += position[4 * a + 0] < position[4 * b + 1];
            count += position[4 * b + 0] < position[4 * a + 1];
            count += position[4 * a + 2] < position[4 * b + 3];
            count += position[4 * b + 2] < position[4 * a + 3];
            if ((bp.PairCounter(a, b) & 0x7F) != count) {
                return "counter of " + std::to_string(a) + "," + std::to_string(b) + " is " +
                       std::to_string(bp.PairCounter(a, b)) + ", orderings " +
                       std::to_string(count);
            }
            if (count == 4 && bp.IsTypePairAllowed(bp.GetType(a), bp.GetType(b))) {
                expected.insert({a, b});
            }
        }
    }
    // What FirstPair would keep: the nodes whose counter is exactly "listed, 4".
    std::set<std::pair<uint32_t, uint32_t>> listed;
    for (const BroadPhasePair* p = bp.PeekPairs(); p; p = p->next) {
        if (p->a >= p->b) return "pair node out of order";
        if (bp.PairCounter(p->a, p->b) == 0x84) listed.insert({p->a, p->b});
    }
    if (listed != expected) {
        return "pair list has " + std::to_string(listed.size()) + " pairs, brute force " +
               std::to_string(expected.size());
    }
    return std::string();
}

}  // namespace

CHeadlessGame::CHeadlessGame(uint32_t galaxy, uint32_t system, uint32_t planet, uint32_t runSeed)
    : m_world(new GameWorld), m_runSource(runSeed),
      m_pieceSource(MakePieceSource(galaxy, system, planet)) {
    SetUpGameWorld(*m_world, galaxy, system, planet, m_runSource, m_pieceSource);
}

CHeadlessGame::~CHeadlessGame() { DestroyGameWorld(*m_world); }

uint32_t CHeadlessGame::Frame(uint32_t frameMs) {
    const uint32_t subSteps = StepWorld(*m_world, m_runSource, frameMs / 1000.0);
    m_world->maxHover = 0;
    m_world->nearestBreak = kInfinity;
    m_world->nearestSettle = kInfinity;
    m_world->dropHappened = 0;
    return subSteps;
}

void ScriptedPlayerControls(ScriptedPlayer& player, GameWorld& world) {
    // Held against the stack since the last frame: the move went nowhere.
    const bool blocked = player.steering && world.playerX == player.lastX;
    world.inputLeft = 0;
    world.inputRight = 0;
    double target = 0;  // the middle, where the stack is built
    const bool carrying = world.carried.count > 0;
    if (!carrying) {
        // The lowest falling block above the craft near the middle.
        double lowest = kInfinity;
        for (uint32_t i = 0; i < world.falling.count; ++i) {
            const Block& b = world.falling.entries[i];
            if (b.y > world.playerY + 0.5 && b.y < lowest && std::fabs(b.x) < kReach) {
                lowest = b.y;
                target = b.x;
            }
        }
    }
    // The mouse store moves the craft for exactly the seconds stored, so the craft
    // stops on its target whatever the frame step.
    const double seconds = (target - world.playerX) / world.sideSpeed;
    world.steering = seconds > 0.25 ? 0.25 : seconds < -0.25 ? -0.25 : seconds;
    if (carrying && (blocked || std::fabs(world.playerX) <= kDropRadius)) {
        world.inputDrop = 1;
    }
    player.lastX = world.playerX;
    player.steering = std::fabs(world.steering) > 1e-6;
}

GameSummary PlayHeadless(uint32_t galaxy, uint32_t system, uint32_t planet, uint32_t runSeed,
                         uint32_t frameMs, bool scripted, bool checkInvariants,
                         std::string* failure, uint32_t maxFrames) {
    CHeadlessGame game(galaxy, system, planet, runSeed);
    GameWorld& world = game.World();
    GameSummary summary;
    if (failure) failure->clear();
    bool wasCarrying = false;
    ScriptedPlayer player;
    while (!game.Finished() && summary.frames < maxFrames) {
        if (scripted) ScriptedPlayerControls(player, world);
        summary.maxSubSteps = std::max(summary.maxSubSteps, game.Frame(frameMs));
        ++summary.frames;
        const bool carrying = world.carried.count > 0;
        if (carrying && !wasCarrying) {
            if (summary.catches == 0) summary.firstCatchTime = world.time;
            ++summary.catches;
        }
        wasCarrying = carrying;
        if (checkInvariants && failure && failure->empty()) {
            std::string broken = CheckWorldInvariants(world);
            if (!broken.empty()) {
                *failure = "frame " + std::to_string(summary.frames) + ": " + broken;
            }
        }
    }
    summary.state = world.state;
    summary.time = world.time;
    summary.piecesSpawned = world.nextPieceId;
    summary.physicsHash = HashWorldPhysics(world);
    return summary;
}

std::string CheckWorldInvariants(const GameWorld& world) {
    std::string broken;
    if (!(broken = CheckPool(world, world.carried, BODY_CARRIED, "carried")).empty()) return broken;
    if (!(broken = CheckPool(world, world.falling, BODY_FALLING, "falling")).empty()) return broken;
    if (!(broken = CheckPool(world, world.dropped, BODY_DROPPED, "dropped")).empty()) return broken;
    if (!(broken = CheckPool(world, world.settled, BODY_SETTLED, "settled")).empty()) return broken;
    if (world.fragments.count > 32) return "fragments above capacity";
    if (world.puffs.count > 64) return "puffs above capacity";
    const CBroadPhase& bp = *world.broadPhase;
    if (!bp.IsEnabled(world.playerObject) || !bp.IsEnabled(world.probeObject)) {
        return "craft or probe disabled";
    }
    // The wall event ends the move where the centre reaches the wall; the product of
    // the time and the speed may round past it by an ulp or so.
    if (!(std::fabs(world.playerX) <= 7.5 + 1e-9)) return "craft beyond a wall";
    return CheckPairs(world);
}

uint64_t HashWorldPhysics(const GameWorld& world) {
    std::string bytes;
    Append(bytes, world.state);
    Append(bytes, world.time);
    Append(bytes, world.fade);
    Append(bytes, world.playerX);
    Append(bytes, world.playerY);
    Append(bytes, world.supportY);
    Append(bytes, world.spawnTimer);
    Append(bytes, world.exhaustTimer);
    Append(bytes, world.cameraY);
    Append(bytes, world.nextPieceId);
    AppendPool(bytes, world.carried);
    AppendPool(bytes, world.falling);
    AppendPool(bytes, world.dropped);
    AppendPool(bytes, world.settled);
    return HashBytes(bytes.data(), bytes.size());
}
