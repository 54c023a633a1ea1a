// Everything a planet's loading screen waits for: the 17 images and the noise frames
// the game asks its galaxy and planet objects for, on one thread, with fresh objects
// each run. Prints milliseconds per planet and quality level, best of several runs,
// with the share of each image. Usage: worldgen_bench [runs]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "texgen/tg_generators.h"

namespace {

RecipeSettings g_levels;  // the texture levels of the runs in progress

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timings {
    double total = 0.0;
    std::vector<double> parts;  // in the game's loading order
};

const char* const kPartNames[] = {"glow", "inner wall", "floor", "noise frames", "rim",
                                  "outer wall", "12 blocks"};

// The game's loading order: glow, second random, turbulence, noise frames, random,
// layered flat, then the twelve blocks.
Timings LoadPlanet(uint32_t g, uint32_t s, uint32_t p) {
    Timings t;
    const Clock::time_point start = Clock::now();
    CGalaxyGenerator galaxy(g, g_levels);
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, s));
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, p));
    Clock::time_point part = Clock::now();
    auto lap = [&t, &part]() {
        t.parts.push_back(MsSince(part));
        part = Clock::now();
    };
    MakeGlowImage(galaxy);
    lap();
    MakeSecondRandomPigmentImage(*planet);
    lap();
    MakeTurbulenceImage(*planet);
    lap();
    GetNoiseFrames(*planet);
    lap();
    MakeRandomPigmentImage(*planet);
    lap();
    MakeLayeredFlatImage(*planet);
    lap();
    for (uint32_t c = 0; c < 12; ++c) MakeForegroundPigmentImage(*planet, c);
    lap();
    t.total = MsSince(start);
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const uint32_t planets[3][3] = {{0, 0, 0}, {1, 4, 2}, {3, 9, 5}};
    std::printf("all textures of one planet, single thread, best of %d runs\n", runs);
    for (int32_t level : {1, 0}) {
        g_levels.foregroundLevel = level;
        g_levels.backgroundLevel = level;
        for (const auto& id : planets) {
            Timings best;
            for (int r = 0; r < runs; ++r) {
                Timings t = LoadPlanet(id[0], id[1], id[2]);
                if (r == 0 || t.total < best.total) best = t;
            }
            std::printf("level %d planet (%u, %u, %u): %8.1f ms  [", level, id[0], id[1], id[2],
                        best.total);
            for (size_t i = 0; i < best.parts.size(); ++i)
                std::printf("%s%s %.1f", i ? ", " : "", kPartNames[i], best.parts[i]);
            std::printf("]\n");
        }
    }
    return 0;
}
