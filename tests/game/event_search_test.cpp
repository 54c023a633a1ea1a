// The event search against a brute force: every sub-step of whole games and of random
// worlds, FindNextEvent's support, time and event are compared with a search that
// tests every pair of bodies directly, without the broad phase. A missed pair (a box
// too small, a stale box, a pair pruned too early) shows as a later event.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "game/gm_step.h"
#include "game/gm_world.h"
#include "game_driver.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Candidate {
    double t;
    uint32_t kind, a, b;
};

// Offers in the order given, each as the event search does it: strictly earlier wins,
// the time stored is max(t, 0).
struct Offers {
    explicit Offers(double horizon) : event{EVENT_NONE, horizon, 0, 0} {}
    void Offer(double t, uint32_t kind, uint32_t a = 0, uint32_t b = 0) {
        all.push_back({t, kind, a, b});
        if (t < event.time) {
            event = WorldEvent{kind, t < 0 ? 0.0 : t, a, b};
            winner = static_cast<long>(all.size()) - 1;
        }
    }
    WorldEvent event;
    std::vector<Candidate> all;
    long winner = -1;  // index into all, -1 while nothing beats the horizon
};

// Box of a falling or dropped block over the horizon, as the search sets it.
void FallingBox(const Block& b, double fall, double h, double box[4]) {
    const double to = b.y + -fall * h;
    box[0] = b.x - 0.501;
    box[2] = b.x + 0.501;
    box[1] = (to < b.y ? to : b.y) - 0.501;
    box[3] = (to > b.y ? to : b.y) + 0.501;
}

void SettledBox(const Block& b, double box[4]) {
    box[0] = b.x - 0.501;
    box[1] = b.y - 0.501;
    box[2] = b.x + 0.501;
    box[3] = b.y + 0.501;
}

// 1 strictly overlapping, 0 strictly apart, -1 touching (the broad phase then keeps
// whatever state the pair had).
int Overlap(const double p[4], const double q[4]) {
    const bool strict = p[0] < q[2] && q[0] < p[2] && p[1] < q[3] && q[1] < p[3];
    const bool loose = p[0] <= q[2] && q[0] <= p[2] && p[1] <= q[3] && q[1] <= p[3];
    return strict ? 1 : loose ? -1 : 0;
}

struct SupportScan {
    double y = -kInfinity;
    bool moving = false;
    bool ambiguous = false;  // a touching box or a tie between moving and settled
};

void ScanSupport(SupportScan& s, const Block& b, const double box[4], const double probe[4],
                 bool moving) {
    const int o = Overlap(box, probe);
    if (o == -1) s.ambiguous = true;
    if (o != 1) return;
    if (b.y > s.y) {
        s.y = b.y;
        s.moving = moving;
    } else if (b.y == s.y && moving != s.moving) {
        s.ambiguous = true;
    }
}

// The earliest event of the world as it stands before FindNextEvent, by testing
// every pair. Returns an empty string when FindNextEvent (already run on `world`
// with `horizon`, giving `found`) agrees, else what differs.
std::string CompareWithBruteForce(const GameWorld& world, double horizon,
                                  const WorldEvent& found) {
    Offers offers(horizon);
    const GameWorld& w = world;
    if (w.state == GAME_RUNNING) offers.Offer(w.spawnTimer, EVENT_SPAWN);
    if (w.moveLeft || w.moveRight) offers.Offer(w.moveTime, EVENT_MOVE_ENDS);
    offers.Offer(w.exhaustTimer, EVENT_EXHAUST);
    if (w.dropNow && w.carried.count > 0) offers.Offer(0, EVENT_DROP);
    const double h = offers.event.time;
    const double fall = w.fallSpeed;

    // The support, from every block's box against the measuring box.
    const double measure[4] = {w.playerX - 0.301, w.playerY - 4.401, w.playerX + 0.301,
                               w.playerY - 0.399};
    SupportScan support;
    double box[4];
    for (uint32_t i = 0; i < w.falling.count; ++i) {
        FallingBox(w.falling.entries[i], fall, h, box);
        ScanSupport(support, w.falling.entries[i], box, measure, true);
    }
    for (uint32_t i = 0; i < w.dropped.count; ++i) {
        FallingBox(w.dropped.entries[i], fall, h, box);
        ScanSupport(support, w.dropped.entries[i], box, measure, true);
    }
    for (uint32_t i = 0; i < w.settled.count; ++i) {
        SettledBox(w.settled.entries[i], box);
        ScanSupport(support, w.settled.entries[i], box, measure, false);
    }
    if (!support.ambiguous) {
        if (!(w.supportY == support.y)) {
            return "support " + std::to_string(w.supportY) + ", every block gives " +
                   std::to_string(support.y);
        }
        if ((w.supportMoving != 0) != support.moving) return "support moving differs";
    }

    // The velocity follows the support as the search measured it (checked above).
    const PlayerVelocity v = GetPlayerVelocity(w);
    if (v.vx > 0.0001) offers.Offer((7.5 - w.playerX) / v.vx, EVENT_MOVE_ENDS);
    if (v.vx < -0.0001) offers.Offer((-7.5 - w.playerX) / v.vx, EVENT_MOVE_ENDS);
    const size_t ordered = offers.all.size();

    const double craftVsFalling[2] = {v.vx, v.vy + fall};
    const double craftVelocity[2] = {v.vx, v.vy};
    const double fallingVelocity[2] = {0.0, -fall};
    for (uint32_t j = 0; j < w.falling.count; ++j) {
        const Block& f = w.falling.entries[j];
        const double o[2] = {w.playerX - f.x, w.playerY - f.y};
        offers.Offer(SweptSquareEntryTime(o, craftVsFalling, 0.9), EVENT_CRAFT_FALLING, j);
    }
    for (uint32_t j = 0; j < w.settled.count; ++j) {
        const Block& s = w.settled.entries[j];
        const double o[2] = {w.playerX - s.x, w.playerY - s.y};
        const double t = SweptSquareEntryTime(o, craftVelocity, 0.9);
        const double X = w.playerX + v.vx * t;
        const double Y = w.playerY + v.vy * t;
        if (std::fabs(s.y - Y) <= std::fabs(s.x - X)) offers.Offer(t, EVENT_CRAFT_SETTLED, j);
    }
    for (uint32_t i = 0; i < w.carried.count; ++i) {
        const Block& c = w.carried.entries[i];
        for (uint32_t j = 0; j < w.falling.count; ++j) {
            const Block& f = w.falling.entries[j];
            const double o[2] = {c.x - f.x, c.y - f.y};
            offers.Offer(SweptSquareEntryTime(o, craftVsFalling, 1.0), EVENT_CARRIED_FALLING, i,
                         j);
        }
        for (uint32_t j = 0; j < w.settled.count; ++j) {
            const Block& s = w.settled.entries[j];
            const double o[2] = {c.x - s.x, c.y - s.y};
            offers.Offer(SweptSquareEntryTime(o, craftVelocity, 1.0), EVENT_CARRIED_SETTLED, i,
                         j);
        }
    }
    for (uint32_t j = 0; j < w.settled.count; ++j) {
        const Block& s = w.settled.entries[j];
        for (uint32_t i = 0; i < w.falling.count; ++i) {
            const Block& f = w.falling.entries[i];
            const double o[2] = {f.x - s.x, f.y - s.y};
            offers.Offer(SweptSquareEntryTime(o, fallingVelocity, 1.0), EVENT_FALLING_SETTLED, i,
                         j);
        }
        for (uint32_t i = 0; i < w.dropped.count; ++i) {
            const Block& d = w.dropped.entries[i];
            const double o[2] = {d.x - s.x, d.y - s.y};
            offers.Offer(SweptSquareEntryTime(o, fallingVelocity, 1.0), EVENT_DROPPED_SETTLED, i,
                         j);
        }
    }
    const double depth = w.carried.count > 0 ? 1.5 : 2.5;
    const double probe[4] = {w.playerX - 0.3, w.playerY - depth, w.playerX + 0.3,
                             w.playerY - 0.4};
    auto probeOffers = [&](const Block& b, double blockVy) {
        const double bounds[4] = {probe[0] - (b.x + 0.5), probe[1] - (b.y + 0.5),
                                  probe[2] - (b.x - 0.5), probe[3] - (b.y - 0.5)};
        const double rel[2] = {v.vx - 0.0, v.vy - blockVy};
        double entry = 0;
        double exit = 0;
        SweptBoxEntryTime(bounds, rel, &entry, &exit);
        if (entry > 0) offers.Offer(entry + 1e-9, EVENT_SUPPORT_CHANGES);
        if (exit > 0) offers.Offer(exit + 1e-9, EVENT_SUPPORT_CHANGES);
    };
    for (uint32_t j = 0; j < w.falling.count; ++j) probeOffers(w.falling.entries[j], -fall);
    for (uint32_t j = 0; j < w.dropped.count; ++j) probeOffers(w.dropped.entries[j], -fall);
    for (uint32_t j = 0; j < w.settled.count; ++j) probeOffers(w.settled.entries[j], 0.0);

    const WorldEvent& e = offers.event;
    auto describe = [](const WorldEvent& x) {
        char text[96];
        std::snprintf(text, sizeof text, "kind %u at %.17g (a %u, b %u)", x.kind, x.time, x.a,
                      x.b);
        return std::string(text);
    };
    if (!(found.time == e.time)) {
        return "search found " + describe(found) + ", every pair gives " + describe(e);
    }
    // Among equally early candidates the search's own order decides. A timer, the
    // drop or a wall is offered before every pair in both searches, so such a winner
    // must match outright; among pairs any equally early one may win.
    bool ok = false;
    if (offers.winner < static_cast<long>(ordered)) {
        ok = found.kind == e.kind && found.a == e.a && found.b == e.b;
    } else {
        for (size_t k = ordered; k < offers.all.size(); ++k) {
            const Candidate& c = offers.all[k];
            if (c.t == e.time && found.kind == c.kind && found.a == c.a && found.b == c.b) {
                ok = true;
            }
        }
    }
    if (!ok) return "search found " + describe(found) + ", every pair gives " + describe(e);
    return std::string();
}

// One frame as StepWorld takes it, with each sub-step's search compared.
std::string CheckedFrame(GameWorld& w, CRandomSource& run, double dt) {
    BeginWorldFrame(w, dt);
    double remaining = dt;
    while (remaining > 1e-12) {
        WorldEvent event{EVENT_NONE, remaining, 0, 0};
        FindNextEvent(w, event);
        const std::string broken = CompareWithBruteForce(w, remaining, event);
        if (!broken.empty()) return broken;
        if (event.time > 0) AdvanceWorld(w, event.time);
        HandleWorldEvent(w, run, event);
        remaining = remaining - event.time;
    }
    EndWorldFrame(w, dt);
    return std::string();
}

void ClearNotes(GameWorld& w) {
    w.maxHover = 0;
    w.nearestBreak = kInfinity;
    w.nearestSettle = kInfinity;
    w.dropHappened = 0;
}

// A whole game, checked frame by frame; a second game stepped by StepWorld itself
// must stay identical, so the checked frames are the real ones.
void PlayChecked(uint32_t g, uint32_t s, uint32_t p, uint32_t frameMs, bool scripted) {
    CHeadlessGame checked(g, s, p, 3);
    CHeadlessGame real(g, s, p, 3);
    ScriptedPlayer a;
    ScriptedPlayer b;
    for (uint32_t frame = 0; frame < 20000 && !real.Finished(); ++frame) {
        if (scripted) {
            ScriptedPlayerControls(a, checked.World());
            ScriptedPlayerControls(b, real.World());
        }
        const std::string broken =
            CheckedFrame(checked.World(), checked.RunSource(), frameMs / 1000.0);
        ASSERT_EQ(broken, "") << "frame " << frame;
        ClearNotes(checked.World());
        real.Frame(frameMs);
        ASSERT_EQ(HashWorldPhysics(checked.World()), HashWorldPhysics(real.World()))
            << "frame " << frame;
    }
    EXPECT_TRUE(real.Finished());
    EXPECT_EQ(checked.World().state, real.World().state);
}

TEST(EventSearchBruteForce, ScriptedGameOfTheFirstPlanet) { PlayChecked(0, 0, 0, 16, true); }

TEST(EventSearchBruteForce, ScriptedGameAtLongFrames) { PlayChecked(0, 0, 0, 33, true); }

TEST(EventSearchBruteForce, IdleGameOfTheHardestPlanet) { PlayChecked(3, 9, 9, 16, false); }

TEST(EventSearchBruteForce, ScriptedGameOfAMiddlePlanet) { PlayChecked(1, 4, 7, 16, true); }

// Random worlds: blocks of every pool scattered off the grid, the craft moving, long
// horizons; each world is stepped for a while with random controls.
TEST(EventSearchBruteForce, RandomWorlds) {
    CRandomSource random(2024);
    auto uniform = [&](double lo, double hi) {
        return lo + (hi - lo) * (random.NextU32() * (1.0 / 4294967296.0));
    };
    for (int round = 0; round < 40; ++round) {
        CHeadlessGame game(0, 0, 0, 10 + round);
        GameWorld& w = game.World();
        while (w.falling.count) RemovePoolEntry(w.falling, w, w.falling.count - 1);
        auto place = [&](Block& b, double x, double y, uint16_t id) {
            b.x = x;
            b.y = y;
            b.z = 0;
            b.pieceId = id;
            b.colour = 0;
        };
        const uint32_t settled = random.Below(60);
        for (uint32_t i = 0; i < settled; ++i) {
            place(TakePoolEntry(w.settled, w), uniform(-7, 7), uniform(0, 12), 0);
        }
        const uint32_t falling = random.Below(40);
        for (uint32_t i = 0; i < falling; ++i) {
            place(TakePoolEntry(w.falling, w), uniform(-7, 6.5), uniform(4, 30),
                  static_cast<uint16_t>(100 + random.Below(12)));
        }
        const uint32_t dropped = random.Below(10);
        for (uint32_t i = 0; i < dropped; ++i) {
            place(TakePoolEntry(w.dropped, w), uniform(-7, 7), uniform(2, 20),
                  static_cast<uint16_t>(200 + random.Below(3)));
        }
        w.playerX = uniform(-6, 6);
        w.playerY = uniform(3, 12);
        const uint32_t carried = random.Below(5);
        for (uint32_t i = 0; i < carried; ++i) {
            place(TakePoolEntry(w.carried, w), w.playerX + uniform(-1.5, 1.5),
                  w.playerY + uniform(0.9, 3), 300);
        }
        for (int frame = 0; frame < 200 && w.state < 4; ++frame) {
            const uint32_t c = random.Below(8);
            w.inputLeft = c == 1 || c == 2;
            w.inputRight = c == 3 || c == 4;
            w.inputDrop = c == 5;
            if (c == 6) w.steering = uniform(-0.25, 0.25);
            const double dt = uniform(0.001, 0.2);
            const std::string broken = CheckedFrame(w, game.RunSource(), dt);
            ASSERT_EQ(broken, "") << "round " << round << " frame " << frame;
            ClearNotes(w);
            const std::string invariant = CheckWorldInvariants(w);
            ASSERT_EQ(invariant, "") << "round " << round << " frame " << frame;
        }
    }
}

}  // namespace
