// Times StepWorld with a full stack (1024 settled, 64 falling blocks) at 16 ms
// frames: mean and 99th percentile per frame, and heap allocations inside StepWorld
// after warm-up. Then times whole scripted games of planet (0, 0, 0).
//
// Run: build/bench/game/game_bench [rounds]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "game_driver.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// A world of planet (0, 0, 0) with the settled pool full (15 columns from x = -7,
// 69 rows high, the last one partly) and the falling pool full (64 single blocks
// spread above the craft). The goal is lifted out of reach so the game runs on.
void FillWorld(GameWorld& w) {
    while (w.settled.count) RemovePoolEntry(w.settled, w, w.settled.count - 1);
    while (w.falling.count) RemovePoolEntry(w.falling, w, w.falling.count - 1);
    for (uint32_t i = 0; i < 1024; ++i) {
        Block& b = TakePoolEntry(w.settled, w);
        b.colour = static_cast<uint16_t>(i % 12);
        b.pieceId = 0;
        b.x = static_cast<double>(i % 15) - 7.0;
        b.y = static_cast<double>(i / 15);
        b.z = 0;
    }
    w.goalHeight = 200;
    w.playerY = 71;  // hovering over the top row
    for (uint32_t i = 0; i < 64; ++i) {
        Block& b = TakePoolEntry(w.falling, w);
        b.colour = 0;
        b.pieceId = static_cast<uint16_t>(1000 + i);
        b.x = static_cast<double>(i % 14) - 6.5 + 0.25;
        b.y = 80.0 + 1.5 * i;
        b.z = 0;
    }
    w.nextPieceId = 2000;
}

}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int warmUpFrames = 60;
    const int measuredFrames = 600;  // 9.6 s: the stack loses less than a row

    std::vector<double> frameTimes;
    uint64_t allocations = 0;
    uint32_t maxSubSteps = 0;
    uint64_t subSteps = 0;
    uint32_t minSettled = 1024, minFalling = 64;
    for (int round = 0; round < rounds; ++round) {
        CHeadlessGame game(0, 0, 0, 1 + round);
        GameWorld& w = game.World();
        FillWorld(w);
        for (int f = 0; f < warmUpFrames; ++f) StepWorld(w, game.RunSource(), 0.016);
        for (int f = 0; f < measuredFrames; ++f) {
            const uint64_t before = g_allocations.load(std::memory_order_relaxed);
            const Clock::time_point start = Clock::now();
            const uint32_t n = StepWorld(w, game.RunSource(), 0.016);
            const Clock::time_point end = Clock::now();
            allocations += g_allocations.load(std::memory_order_relaxed) - before;
            frameTimes.push_back(Microseconds(end - start));
            maxSubSteps = std::max(maxSubSteps, n);
            subSteps += n;
        }
        minSettled = std::min(minSettled, w.settled.count);
        minFalling = std::min(minFalling, w.falling.count);
    }
    std::vector<double> sorted = frameTimes;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double t : frameTimes) total += t;
    const double mean = total / frameTimes.size();
    const double p99 = sorted[static_cast<size_t>(0.99 * (sorted.size() - 1))];
    std::printf("StepWorld, full stack, 16 ms frames: %zu frames\n", frameTimes.size());
    std::printf("  mean %.2f us, p99 %.2f us, max %.2f us per frame (target: mean < 50 us, "
                "p99 < 1000 us)\n", mean, p99, sorted.back());
    std::printf("  sub-steps per frame: mean %.2f, max %u\n",
                static_cast<double>(subSteps) / frameTimes.size(), maxSubSteps);
    std::printf("  settled at least %u, falling at least %u at the end of a round\n",
                minSettled, minFalling);
    std::printf("  allocations inside StepWorld after warm-up: %llu (target: 0)\n",
                static_cast<unsigned long long>(allocations));

    // Whole scripted games of the first planet, set-up included.
    std::vector<double> games;
    GameSummary summary;
    for (int round = 0; round < rounds; ++round) {
        const Clock::time_point start = Clock::now();
        summary = PlayHeadless(0, 0, 0, 1 + round, 16, true, false, nullptr);
        games.push_back(Microseconds(Clock::now() - start) / 1000.0);
    }
    std::sort(games.begin(), games.end());
    std::printf("Scripted game of planet (0, 0, 0), 16 ms frames: state %u after %.2f s of play, "
                "%u frames\n", summary.state, summary.time, summary.frames);
    std::printf("  wall time: median %.2f ms, worst %.2f ms (target: well under 500 ms)\n",
                games[games.size() / 2], games.back());
    return 0;
}
