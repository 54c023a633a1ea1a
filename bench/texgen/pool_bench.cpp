// The texture pool against one thread: a planet's loading (its 17 game images and the
// noise frames) at texture levels 1 and 0, a galaxy's ten suns (the system screen) and
// a system's ten planet maps (the planet screen), each with fresh objects per run.
// Prints milliseconds, the mean of several runs, one thread and pool side by side with
// how many times faster the pool is, and the loading goals beside the planets' pool
// figures (on 8 cores, quiet).
// Usage: pool_bench [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "texgen/tg_generators.h"
#include "texgen/tg_pool.h"

namespace {

RecipeSettings g_levels;  // the texture levels of the runs in progress

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The planet's images as the game's loading asks for them, on one thread or the pool.
double LoadPlanet(uint32_t g, uint32_t s, uint32_t p, bool pooled) {
    CGalaxyGenerator galaxy(g, g_levels);
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, s));
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, p));
    const Clock::time_point start = Clock::now();
    if (pooled) {
        CImageBatch batch;
        uint32_t tickets[kPlanetGameImageCount];
        StartPlanetGameImages(batch, &galaxy, planet.get(), tickets);
        batch.WaitAll();
    }
    MakeGlowImage(galaxy);
    MakeSecondRandomPigmentImage(*planet);
    MakeTurbulenceImage(*planet);
    GetNoiseFrames(*planet);
    MakeRandomPigmentImage(*planet);
    MakeLayeredFlatImage(*planet);
    for (uint32_t c = 0; c < 12; ++c) MakeForegroundPigmentImage(*planet, c);
    return MsSince(start);
}

double TenSuns(uint32_t g, bool pooled) {
    CGalaxyGenerator galaxy(g, g_levels);
    std::vector<std::unique_ptr<CSystemGenerator>> systems;
    std::vector<CSystemGenerator*> pointers;
    for (uint32_t i = 0; i < 10; ++i) {
        systems.emplace_back(CreateSystemGenerator(galaxy, i));
        pointers.push_back(systems.back().get());
    }
    const Clock::time_point start = Clock::now();
    if (pooled) MakeSphereImages(pointers.data(), 10);
    for (CSystemGenerator* system : pointers) MakeSphereImage(*system);
    return MsSince(start);
}

double TenPlanetMaps(uint32_t g, uint32_t s, bool pooled) {
    CGalaxyGenerator galaxy(g, g_levels);
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, s));
    std::vector<std::unique_ptr<CPlanetGenerator>> planets;
    std::vector<CPlanetGenerator*> pointers;
    for (uint32_t i = 0; i < 10; ++i) {
        planets.emplace_back(CreatePlanetGenerator(*system, i));
        pointers.push_back(planets.back().get());
    }
    const Clock::time_point start = Clock::now();
    if (pooled) MakeLayeredMapImages(pointers.data(), 10);
    for (CPlanetGenerator* planet : pointers) MakeLayeredMapImage(*planet);
    return MsSince(start);
}

template <typename Run>
double Mean(int runs, Run run) {
    double total = 0;
    for (int r = 0; r < runs; ++r) total += run();
    return total / runs;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::printf("texture pool: %u workers; mean of %d runs, ms: one thread / pool (times)\n",
                TexturePoolWorkerCount(), runs);
    TenSuns(0, true);  // starts the workers
    const uint32_t planets[3][3] = {{0, 0, 0}, {1, 4, 2}, {3, 9, 5}};
    for (int32_t level : {1, 0}) {
        g_levels.foregroundLevel = level;
        g_levels.backgroundLevel = level;
        const double goal = level == 1 ? 60.0 : 250.0;
        double oneSum = 0;
        double poolSum = 0;
        for (const auto& id : planets) {
            const double one = Mean(runs, [&]() { return LoadPlanet(id[0], id[1], id[2], false); });
            const double pool = Mean(runs, [&]() { return LoadPlanet(id[0], id[1], id[2], true); });
            oneSum += one;
            poolSum += pool;
            std::printf("level %d planet (%u, %u, %u) 17 images:   %8.1f / %6.1f (%4.1fx)  goal %5.0f\n",
                        level, id[0], id[1], id[2], one, pool, one / pool, goal);
        }
        std::printf("level %d planets, mean:                 %8.1f / %6.1f (%4.1fx)  goal %5.0f\n",
                    level, oneSum / 3, poolSum / 3, oneSum / poolSum, goal);
        const double sunsOne = Mean(runs, [&]() { return TenSuns(1, false); });
        const double sunsPool = Mean(runs, [&]() { return TenSuns(1, true); });
        std::printf("level %d ten suns (system screen):       %8.1f / %6.1f (%4.1fx)\n", level,
                    sunsOne, sunsPool, sunsOne / sunsPool);
        const double mapsOne = Mean(runs, [&]() { return TenPlanetMaps(1, 2, false); });
        const double mapsPool = Mean(runs, [&]() { return TenPlanetMaps(1, 2, true); });
        std::printf("level %d ten planet maps (planet screen): %7.1f / %6.1f (%4.1fx)\n", level,
                    mapsOne, mapsPool, mapsOne / mapsPool);
    }
    return 0;
}
