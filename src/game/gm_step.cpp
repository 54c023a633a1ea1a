// The event-driven world step.
//
// Ordering matters to the bit: candidates are offered in a fixed order and the first
// of equally early ones wins; every minimum and maximum is one strict comparison with
// its arguments in the written order; handlers walk pools from last to first.
#include "game/gm_step.h"

#include <cmath>
#include <limits>

#include "game/gm_math.h"

namespace {

constexpr double kWallX = 7.5;               // walls at -7.5 and +7.5
constexpr double kFrameEndEpsilon = 1e-12;   // time left below this ends the frame
constexpr double kHoverTolerance = 1e-5;     // hover band around the hover height
constexpr double kSupportEventDelay = 1e-9;  // support events land just past the contact
constexpr double kExhaustInterval = 0.05;    // seconds between pairs of puffs

// Among equal times the candidate offered first wins.
inline void Offer(WorldEvent& event, double t, uint32_t kind, uint32_t a = 0, uint32_t b = 0) {
    if (t < event.time) {
        event.kind = kind;
        event.time = StrictMax(t, 0.0);
        event.a = a;
        event.b = b;
    }
}

Block& PoolEntryOf(GameWorld& world, uint8_t type, uint32_t slot) {
    switch (type) {
        case BODY_CARRIED: return world.carried.entries[slot];
        case BODY_FALLING: return world.falling.entries[slot];
        case BODY_DROPPED: return world.dropped.entries[slot];
        default: return world.settled.entries[slot];
    }
}

template <uint32_t N>
void SetFallingBoxes(CBroadPhase& broadPhase, TBlockPool<N>& pool, double drop) {
    for (uint32_t i = 0; i < pool.count; ++i) {
        const Block& b = pool.entries[i];
        const double from[3] = {b.x, b.y, b.z};
        const double to[3] = {b.x, b.y + drop, b.z};
        broadPhase.SetSegmentBox(b.object, from, to, 0.501);
    }
}

// Every block of the piece of `id` in a pool, last to first: break, then remove.
template <uint32_t N>
void BreakPiece(GameWorld& world, TBlockPool<N>& pool, uint16_t id, CRandomSource& runSource) {
    for (uint32_t i = pool.count; i-- > 0;) {
        if (pool.entries[i].pieceId != id) continue;
        BreakBlock(world, pool.entries[i], runSource);
        RemovePoolEntry(pool, world, i);
    }
}

void BreakAllCarried(GameWorld& world, CRandomSource& runSource) {
    for (uint32_t i = world.carried.count; i-- > 0;) {
        BreakBlock(world, world.carried.entries[i], runSource);
        RemovePoolEntry(world.carried, world, i);
    }
}

// Copies colour, piece id and position into the next entry of the target pool (its
// own object enabled; overflowBlock when full).
template <uint32_t N>
Block& MoveInto(GameWorld& world, TBlockPool<N>& target, const Block& source) {
    Block& block = TakePoolEntry(target, world);
    block.colour = source.colour;
    block.pieceId = source.pieceId;
    block.x = source.x;
    block.y = source.y;
    block.z = source.z;
    return block;
}

void AddPuffs(GameWorld& world, CRandomSource& runSource) {
    for (int k = 0; k < 2; ++k) {
        if (world.puffs.count >= world.puffs.kCapacity) continue;
        ExhaustPuff& puff = world.puffs.entries[world.puffs.count++];
        puff.age = 0;
        puff.x = k == 0 ? world.playerX - 0.2 : world.playerX + 0.2;
        puff.y = world.playerY - 0.3;
        puff.z = 0;
        double dx = (UnitFromU32(runSource.NextU32()) - 0.5) * 0.25;
        if (world.moveLeft) dx = dx + 0.5;
        if (world.moveRight) dx = dx - 0.5;
        puff.dx = dx;
        puff.dy = -std::sqrt(1 - dx * dx);
        puff.dz = 0;
    }
    world.exhaustTimer = kExhaustInterval;
}

}  // namespace

PlayerVelocity GetPlayerVelocity(const GameWorld& world) {
    PlayerVelocity v{0.0, 0.0, 0.0};
    if (world.moveLeft) {
        v.vx = -world.sideSpeed;
    } else if (world.moveRight) {
        v.vx = world.sideSpeed;
    }
    if (world.state == GAME_RUNNING) {
        const double hover = world.carried.count > 0 ? 2.0 : 3.0;
        const double d = world.playerY - world.supportY;
        if (d > hover + kHoverTolerance) {
            v.vy = -world.fallSpeed;
        } else if (d < hover - kHoverTolerance) {
            v.vy = world.liftSpeed;
        }
    } else if (world.state == GAME_CLIMBING_OUT) {
        v.vy = world.liftSpeed;
    } else if (world.state == GAME_FALLING_OUT) {
        v.vy = -world.liftSpeed;
    }
    return v;
}

double SweptSquareEntryTime(const double offset[2], const double velocity[2], double half) {
    double enter[2];
    double leave[2];
    for (int k = 0; k < 2; ++k) {
        // A zero velocity divides by zero on purpose: infinities say "no limit" or
        // "never", and a point exactly on a face gets NaN, which never wins below.
        const double t1 = -(offset[k] - half) / velocity[k];
        const double t2 = -(offset[k] + half) / velocity[k];
        enter[k] = StrictMin(t1, t2);
        leave[k] = StrictMax(t1, t2);
    }
    const double entry = StrictMax(enter[0], enter[1]);
    const double exit = StrictMin(leave[0], leave[1]);
    if (entry < exit && (0 < entry || 0 == entry)) return entry;
    return kInfinity;
}

double SweptBoxEntryTime(const double bounds[4], const double velocity[2], double* entry,
                         double* exit) {
    if (entry) *entry = kInfinity;
    if (exit) *exit = kInfinity;
    const double tx1 = -bounds[0] / velocity[0];
    const double tx2 = -bounds[2] / velocity[0];
    const double ty1 = -bounds[1] / velocity[1];
    const double ty2 = -bounds[3] / velocity[1];
    const double enterTime = StrictMax(StrictMin(tx1, tx2), StrictMin(ty1, ty2));
    const double exitTime = StrictMin(StrictMax(tx1, tx2), StrictMax(ty1, ty2));
    if (!(exitTime > enterTime)) return kInfinity;
    if (entry) *entry = enterTime;
    if (exit) *exit = exitTime;
    return enterTime >= 0 ? enterTime : kInfinity;
}

void FindNextEvent(GameWorld& world, WorldEvent& event) {
    CBroadPhase& broadPhase = *world.broadPhase;

    if (world.state == GAME_RUNNING) Offer(event, world.spawnTimer, EVENT_SPAWN);
    if (world.moveLeft || world.moveRight) Offer(event, world.moveTime, EVENT_MOVE_ENDS);
    Offer(event, world.exhaustTimer, EVENT_EXHAUST);
    if (world.dropNow && world.carried.count > 0) Offer(event, 0, EVENT_DROP);

    // The horizon of the swept boxes: the earliest event so far.
    const double h = event.time;
    const double drop = -world.fallSpeed * h;
    SetFallingBoxes(broadPhase, world.falling, drop);
    SetFallingBoxes(broadPhase, world.dropped, drop);
    for (uint32_t i = 0; i < world.settled.count; ++i) {
        const Block& b = world.settled.entries[i];
        broadPhase.SetBox(b.object, b.x - 0.501, b.y - 0.501, b.x + 0.501, b.y + 0.501);
    }

    // The support: the highest block whose box meets the probe's measuring box. This
    // box is a little larger than the event box, so a block that a support event just
    // announced is measured.
    broadPhase.SetBox(world.probeObject, world.playerX - 0.301, world.playerY - 4.401,
                      world.playerX + 0.301, world.playerY - 0.399);
    world.supportY = -kInfinity;
    world.supportMoving = 0;
    for (BroadPhasePair* p = broadPhase.FirstPair().node; p; p = p->next) {
        if (p->a != world.probeObject) continue;
        const uint8_t type = broadPhase.GetType(p->b);
        if (type != BODY_FALLING && type != BODY_DROPPED && type != BODY_SETTLED) continue;
        const Block& block = PoolEntryOf(world, type, broadPhase.GetUserValue(p->b));
        if (block.y > world.supportY) {
            world.supportY = block.y;
            world.supportMoving = type != BODY_SETTLED;
        }
    }
    if (world.playerY - world.supportY > world.maxHover) {
        world.maxHover = world.playerY - world.supportY;
    }

    const PlayerVelocity v = GetPlayerVelocity(world);
    const double move[3] = {v.vx * h, v.vy * h, v.vz * h};
    {
        const double from[3] = {world.playerX, world.playerY, world.playerZ};
        const double to[3] = {world.playerX + move[0], world.playerY + move[1],
                              world.playerZ + move[2]};
        broadPhase.SetSegmentBox(world.playerObject, from, to, 0.4);
    }
    const double probeDepth = world.carried.count > 0 ? 1.5 : 2.5;
    const double probe[4] = {world.playerX - 0.3, world.playerY - probeDepth,
                             world.playerX + 0.3, world.playerY - 0.4};
    {
        const double displacement[3] = {move[0], move[1], 0.0};
        broadPhase.SetSweptBox(world.probeObject, probe, displacement, 0);
    }
    for (uint32_t i = 0; i < world.carried.count; ++i) {
        const Block& b = world.carried.entries[i];
        const double from[3] = {b.x, b.y, b.z};
        const double to[3] = {b.x + move[0], b.y + move[1], b.z + move[2]};
        broadPhase.SetSegmentBox(b.object, from, to, 0.5);
    }

    if (v.vx > 0.0001) Offer(event, (kWallX - world.playerX) / v.vx, EVENT_MOVE_ENDS);
    if (v.vx < -0.0001) Offer(event, (-kWallX - world.playerX) / v.vx, EVENT_MOVE_ENDS);

    // Relative velocities leave the sink speed out: it moves everything alike.
    const double fallingVelocity[2] = {0.0, -world.fallSpeed};
    const double craftVelocity[2] = {v.vx, v.vy};
    const double craftVsFalling[2] = {v.vx - 0.0, v.vy - -world.fallSpeed};

    for (BroadPhasePair* p = broadPhase.FirstPair().node; p; p = p->next) {
        const uint8_t typeA = broadPhase.GetType(p->a);
        const uint8_t typeB = broadPhase.GetType(p->b);
        const uint32_t slotA = broadPhase.GetUserValue(p->a);
        const uint32_t slotB = broadPhase.GetUserValue(p->b);
        if (typeA == BODY_CRAFT && typeB == BODY_FALLING) {
            const Block& f = world.falling.entries[slotB];
            const double o[2] = {world.playerX - f.x, world.playerY - f.y};
            Offer(event, SweptSquareEntryTime(o, craftVsFalling, 0.9), EVENT_CRAFT_FALLING, slotB);
        } else if (typeA == BODY_CRAFT && typeB == BODY_SETTLED) {
            const Block& s = world.settled.entries[slotB];
            const double o[2] = {world.playerX - s.x, world.playerY - s.y};
            const double t = SweptSquareEntryTime(o, craftVelocity, 0.9);
            const double X = world.playerX + v.vx * t;
            const double Y = world.playerY + v.vy * t;
            // Only side contacts (a tie counts as side); from above or below is the
            // support's business.
            if (std::fabs(s.y - Y) <= std::fabs(s.x - X)) {
                Offer(event, t, EVENT_CRAFT_SETTLED, slotB);
            }
        } else if (typeA == BODY_CARRIED && typeB == BODY_FALLING) {
            const Block& c = world.carried.entries[slotA];
            const Block& f = world.falling.entries[slotB];
            const double o[2] = {c.x - f.x, c.y - f.y};
            Offer(event, SweptSquareEntryTime(o, craftVsFalling, 1.0), EVENT_CARRIED_FALLING,
                  slotA, slotB);
        } else if (typeA == BODY_CARRIED && typeB == BODY_SETTLED) {
            const Block& c = world.carried.entries[slotA];
            const Block& s = world.settled.entries[slotB];
            const double o[2] = {c.x - s.x, c.y - s.y};
            Offer(event, SweptSquareEntryTime(o, craftVelocity, 1.0), EVENT_CARRIED_SETTLED,
                  slotA, slotB);
        } else if ((typeA == BODY_FALLING || typeA == BODY_DROPPED) && typeB == BODY_SETTLED) {
            const Block& f = PoolEntryOf(world, typeA, slotA);
            const Block& s = world.settled.entries[slotB];
            const double o[2] = {f.x - s.x, f.y - s.y};
            Offer(event, SweptSquareEntryTime(o, fallingVelocity, 1.0),
                  typeA == BODY_FALLING ? EVENT_FALLING_SETTLED : EVENT_DROPPED_SETTLED, slotA,
                  slotB);
        } else if (typeA == BODY_PROBE) {
            const Block& b = PoolEntryOf(world, typeB, slotB);
            const double bounds[4] = {probe[0] - (b.x + 0.5), probe[1] - (b.y + 0.5),
                                      probe[2] - (b.x - 0.5), probe[3] - (b.y - 0.5)};
            const double blockVy = typeB == BODY_SETTLED ? 0.0 : -world.fallSpeed;
            const double w[2] = {v.vx - 0.0, v.vy - blockVy};
            double entry;
            double exit;
            SweptBoxEntryTime(bounds, w, &entry, &exit);
            if (entry > 0) Offer(event, entry + kSupportEventDelay, EVENT_SUPPORT_CHANGES);
            if (exit > 0) Offer(event, exit + kSupportEventDelay, EVENT_SUPPORT_CHANGES);
        }
    }
}

void AdvanceWorld(GameWorld& world, double t) {
    if (world.state == GAME_RUNNING) world.spawnTimer -= t;
    world.exhaustTimer -= t;

    const double sink = world.sinkSpeed * t;
    world.playerY -= sink;
    world.supportY -= sink;
    for (uint32_t i = 0; i < world.carried.count; ++i) world.carried.entries[i].y -= sink;
    for (uint32_t i = 0; i < world.falling.count; ++i) world.falling.entries[i].y -= sink;
    for (uint32_t i = 0; i < world.dropped.count; ++i) world.dropped.entries[i].y -= sink;
    for (uint32_t i = 0; i < world.settled.count; ++i) world.settled.entries[i].y -= sink;

    const double fall = world.fallSpeed * t;
    for (uint32_t i = 0; i < world.falling.count; ++i) world.falling.entries[i].y -= fall;
    for (uint32_t i = 0; i < world.dropped.count; ++i) world.dropped.entries[i].y -= fall;
    if (world.supportMoving) world.supportY -= fall;

    // Fragments do not sink. Two half-kicks about the velocity change: over any split
    // of time this is exact motion under twice the velocity and twice the fall speed.
    for (uint32_t i = 0; i < world.fragments.count; ++i) {
        Fragment& f = world.fragments.entries[i];
        f.block.x += f.vx * t;
        f.block.y += f.vy * t;
        f.block.z += f.vz * t;
        f.vy -= fall;
        f.block.x += f.vx * t;
        f.block.y += f.vy * t;
        f.block.z += f.vz * t;
    }

    // The craft's velocity follows the support as it stands after the sink and fall.
    const PlayerVelocity v = GetPlayerVelocity(world);
    const double mx = v.vx * t;
    const double my = v.vy * t;
    const double mz = v.vz * t;
    world.playerX += mx;
    world.playerY += my;
    world.playerZ += mz;
    for (uint32_t i = 0; i < world.carried.count; ++i) {
        Block& b = world.carried.entries[i];
        b.x += mx;
        b.y += my;
        b.z += mz;
    }

    for (uint32_t i = 0; i < world.puffs.count; ++i) world.puffs.entries[i].age += 2 * t;

    const double target = StrictMax(7.0, world.playerY);
    world.cameraY = target + (world.cameraY - target) * std::pow(0.5, t);

    if (world.state == GAME_NEW) world.state = GAME_RUNNING;
    if (world.state == GAME_RUNNING) {
        world.fade = StrictMin(world.fade + 2 * t, 1.0);
    } else if (world.state == GAME_FALLING_OUT || world.state == GAME_CLIMBING_OUT) {
        world.fade = StrictMax(world.fade - 2 * t, 0.0);
    }
    if (world.state == GAME_CLIMBING_OUT) {
        if (world.fade == 0) world.state = GAME_COMPLETED;
    } else if (world.state == GAME_FALLING_OUT) {
        if (world.fade == 0) world.state = GAME_FAILED;
    } else if (world.state == GAME_RUNNING) {
        if (world.playerY > world.goalHeight) {
            world.state = GAME_CLIMBING_OUT;
        } else if (world.playerY < 0) {
            world.state = GAME_FALLING_OUT;
        }
    }
}

void HandleWorldEvent(GameWorld& world, CRandomSource& runSource, const WorldEvent& event) {
    switch (event.kind) {
        case EVENT_SPAWN:
            SpawnPiece(world, world.goalHeight + 30);
            world.spawnTimer = world.spawnInterval;
            break;
        case EVENT_EXHAUST:
            AddPuffs(world, runSource);
            break;
        case EVENT_DROP:
            for (uint32_t i = world.carried.count; i-- > 0;) {
                MoveInto(world, world.dropped, world.carried.entries[i]);
                RemovePoolEntry(world.carried, world, i);
            }
            world.dropHappened = 1;
            break;
        case EVENT_MOVE_ENDS:
        case EVENT_CRAFT_SETTLED:
            world.moveLeft = world.moveRight = 0;
            break;
        case EVENT_CRAFT_FALLING: {
            const Block& hit = world.falling.entries[event.a];
            if (std::fabs(hit.y - world.playerY) > std::fabs(hit.x - world.playerX)) {
                // A catch: the whole piece joins the carried blocks (what does not fit
                // is lost).
                const uint16_t id = hit.pieceId;
                for (uint32_t i = world.falling.count; i-- > 0;) {
                    if (world.falling.entries[i].pieceId != id) continue;
                    MoveInto(world, world.carried, world.falling.entries[i]);
                    RemovePoolEntry(world.falling, world, i);
                }
            } else {
                world.moveLeft = world.moveRight = 0;  // a bump from the side
            }
            break;
        }
        case EVENT_CARRIED_FALLING: {
            const uint16_t id = world.falling.entries[event.b].pieceId;
            BreakPiece(world, world.falling, id, runSource);
            BreakAllCarried(world, runSource);
            break;
        }
        case EVENT_CARRIED_SETTLED: {
            const Block& c = world.carried.entries[event.a];
            const Block& s = world.settled.entries[event.b];
            if (std::fabs(c.y - s.y) > std::fabs(c.x - s.x)) {
                BreakAllCarried(world, runSource);
            } else {
                world.moveLeft = world.moveRight = 0;
            }
            break;
        }
        case EVENT_FALLING_SETTLED: {
            const uint16_t id = world.falling.entries[event.a].pieceId;
            BreakPiece(world, world.falling, id, runSource);
            break;
        }
        case EVENT_DROPPED_SETTLED: {
            const uint16_t id = world.dropped.entries[event.a].pieceId;
            for (uint32_t i = world.dropped.count; i-- > 0;) {
                const Block& d = world.dropped.entries[i];
                if (d.pieceId != id) continue;
                MoveInto(world, world.settled, d);
                const double dx = d.x - world.playerX;
                const double dy = d.y - world.playerY;
                const double dz = d.z - world.playerZ;
                const double distanceSquared = dx * dx + dy * dy + dz * dz;
                if (distanceSquared < world.nearestSettle) world.nearestSettle = distanceSquared;
                RemovePoolEntry(world.dropped, world, i);
            }
            break;
        }
        default:  // nothing; the next sub-step measures the support again
            break;
    }
}

void BeginWorldFrame(GameWorld& world, double dt) {
    world.moveTime = 2 * dt;
    world.moveLeft = world.inputLeft;
    world.moveRight = world.inputRight;
    world.dropNow = world.inputDrop;
    world.inputDrop = 0;  // a drop request is used once

    if (!world.inputRight && world.steering > 1e-8) {
        world.moveRight = 1;
        world.moveTime = world.steering;
        world.steering = StrictMax(world.steering - dt, 0.0);
    }
    if (!world.inputLeft && world.steering < -1e-8) {
        world.moveLeft = 1;
        world.moveTime = -world.steering;
        world.steering = StrictMin(world.steering + dt, 0.0);
    }
    if (world.moveLeft && world.moveRight) world.moveLeft = world.moveRight = 0;
}

uint32_t StepWorld(GameWorld& world, CRandomSource& runSource, double dt) {
    BeginWorldFrame(world, dt);
    uint32_t subSteps = 0;
    double remaining = dt;
    while (remaining > kFrameEndEpsilon && subSteps < kMaxSubStepsPerFrame) {
        WorldEvent event{EVENT_NONE, remaining, 0, 0};
        FindNextEvent(world, event);
        if (event.time > 0) AdvanceWorld(world, event.time);
        HandleWorldEvent(world, runSource, event);
        remaining = remaining - event.time;
        ++subSteps;
    }
    EndWorldFrame(world, dt);
    return subSteps;
}

void EndWorldFrame(GameWorld& world, double dt) {
    RemoveBlocksBelowFloor(world.settled, world);
    RemoveBlocksBelowFloor(world.falling, world);
    RemoveBlocksBelowFloor(world.carried, world);
    RemoveBlocksBelowFloor(world.dropped, world);

    for (uint32_t i = world.fragments.count; i-- > 0;) {
        if (world.fragments.entries[i].block.y < -1) {
            world.fragments.entries[i] = world.fragments.entries[world.fragments.count - 1];
            world.fragments.count -= 1;
        }
    }
    for (uint32_t i = world.puffs.count; i-- > 0;) {
        if (world.puffs.entries[i].age >= 1) {
            world.puffs.entries[i] = world.puffs.entries[world.puffs.count - 1];
            world.puffs.count -= 1;
        }
    }

    world.time = world.time + dt;
}
