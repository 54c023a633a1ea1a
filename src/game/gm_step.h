// The event-driven world step: each frame moves the world in sub-steps that end
// exactly at the next event (a timer, a wall, a contact found by a swept test before
// it happens, a block entering or leaving the column under the craft).
#pragma once

#include <cstdint>

#include "app/app_random.h"
#include "game/gm_world.h"

enum WorldEventKind : uint32_t {
    EVENT_NONE = 0,              // nothing before the end of the frame
    EVENT_SPAWN = 1,             // spawn timer ran out
    EVENT_DROP = 2,              // drop the carried blocks
    EVENT_MOVE_ENDS = 3,         // sideways move ran out of time or reached a wall
    EVENT_CRAFT_FALLING = 4,     // a = falling slot: catch or bump
    EVENT_CRAFT_SETTLED = 5,     // a = settled slot, met from the side
    EVENT_CARRIED_FALLING = 6,   // a = carried slot, b = falling slot
    EVENT_CARRIED_SETTLED = 7,   // a = carried slot, b = settled slot
    EVENT_FALLING_SETTLED = 8,   // a = falling slot, b = settled slot
    EVENT_DROPPED_SETTLED = 9,   // a = dropped slot, b = settled slot
    EVENT_SUPPORT_CHANGES = 10,  // a block enters or leaves the column under the craft
    EVENT_EXHAUST = 11,          // exhaust timer ran out
};

struct WorldEvent {
    uint32_t kind;  // WorldEventKind
    double time;    // seconds from the start of the sub-step
    uint32_t a, b;  // pool slots, 0 when the kind names none
};

// Sub-steps one frame may take before the rest of the frame is given up. Normal play
// takes a handful; the bound only keeps a pathological loop of zero-time events from
// freezing the game. Giving up leaves the world consistent: the frame's removals run,
// the clock advances and the next frame starts afresh.
constexpr uint32_t kMaxSubStepsPerFrame = 100000;

// One frame of dt seconds. Returns the number of sub-steps taken.
uint32_t StepWorld(GameWorld& world, CRandomSource& runSource, double dt);
// The two ends of StepWorld around its sub-step loop: latching the controls for the
// frame, and the frame's removals and clock.
void BeginWorldFrame(GameWorld& world, double dt);
void EndWorldFrame(GameWorld& world, double dt);
// Lowers `event` (kind 0 with the time left) to the earliest event; measures the
// support and refreshes every broad-phase box on the way.
void FindNextEvent(GameWorld& world, WorldEvent& event);
// Moves everything by t > 0 seconds and runs the state changes.
void AdvanceWorld(GameWorld& world, double t);
void HandleWorldEvent(GameWorld& world, CRandomSource& runSource, const WorldEvent& event);

struct PlayerVelocity {
    double vx, vy, vz;  // vz is always 0
};
PlayerVelocity GetPlayerVelocity(const GameWorld& world);

// The moving point offset + velocity t against the square of half-width `half` about
// the origin: the entry time, or +infinity when it does not enter at t >= 0.
double SweptSquareEntryTime(const double offset[2], const double velocity[2], double half);
// Relative bounds (x0, y0, x1, y1) moving with velocity: entry time when they come to
// contain the origin at t >= 0, else +infinity. Entry and exit are written (either
// may be null) when exit > entry, else +infinity.
double SweptBoxEntryTime(const double bounds[4], const double velocity[2], double* entry,
                         double* exit);
