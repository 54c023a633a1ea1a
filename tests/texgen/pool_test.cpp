// The texture pool: images rendered in bands on the workers have the bytes of the
// one-thread recipes (a galaxy's suns, a system's planet maps, a planet's 17 game
// images), every pigment reference comes back, images already made are not made
// again, and a recipe that runs while the batch works keeps its own image.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "texgen/tg_generators.h"
#include "texgen/tg_pool.h"
#include "texgen/tg_render.h"

namespace {

// The recipes' settings with both texture levels at `level` and no progress.
RecipeSettings Levels(int32_t level) {
    RecipeSettings settings;
    settings.foregroundLevel = level;
    settings.backgroundLevel = level;
    return settings;
}

void ExpectSameImage(const TextureImage* expected, const TextureImage* actual,
                     const std::string& what) {
    ASSERT_NE(expected, nullptr) << what;
    ASSERT_NE(actual, nullptr) << what;
    ASSERT_EQ(expected->columns, actual->columns) << what;
    ASSERT_EQ(expected->rows, actual->rows) << what;
    EXPECT_EQ(std::memcmp(expected->pixels, actual->pixels,
                          size_t(expected->rows) * expected->stride),
              0)
        << what << ": the bytes differ";
}

// A galaxy's ten systems, or a system's ten planets.
struct Galaxy {
    Galaxy(uint32_t g, const RecipeSettings& settings) : galaxy(g, settings) {
        for (uint32_t i = 0; i < 10; ++i) {
            systems.emplace_back(CreateSystemGenerator(galaxy, i));
            pointers.push_back(systems.back().get());
        }
    }
    CGalaxyGenerator galaxy;
    std::vector<std::unique_ptr<CSystemGenerator>> systems;
    std::vector<CSystemGenerator*> pointers;
};

struct System {
    System(uint32_t g, uint32_t s, const RecipeSettings& settings)
        : galaxy(g, settings), system(CreateSystemGenerator(galaxy, s)) {
        for (uint32_t i = 0; i < 10; ++i) {
            planets.emplace_back(CreatePlanetGenerator(*system, i));
            pointers.push_back(planets.back().get());
        }
    }
    CGalaxyGenerator galaxy;
    std::unique_ptr<CSystemGenerator> system;
    std::vector<std::unique_ptr<CPlanetGenerator>> planets;
    std::vector<CPlanetGenerator*> pointers;
};

TEST(TexturePool, HasAWorkerPerCore) {
    EXPECT_GE(TexturePoolWorkerCount(), 1u);
    EXPECT_LE(TexturePoolWorkerCount(), 32u);
}

TEST(TexturePool, AGalaxysSunsAndASystemsPlanetsMatchOneThread) {
    for (int32_t level : {0, 2}) {
        const RecipeSettings levels = Levels(level);
        Galaxy one(1, levels), pooled(1, levels);
        for (CSystemGenerator* s : one.pointers) MakeSphereImage(*s);
        MakeSphereImages(pooled.pointers.data(), 10);
        for (uint32_t i = 0; i < 10; ++i) {
            ASSERT_NE(pooled.systems[i]->sphere, nullptr);
            // The recipe now hands out the kept image.
            EXPECT_EQ(MakeSphereImage(*pooled.systems[i]), pooled.systems[i]->sphere);
            ExpectSameImage(one.systems[i]->sphere, pooled.systems[i]->sphere,
                            "sun " + std::to_string(i) + " level " + std::to_string(level));
            EXPECT_EQ(pooled.systems[i]->sunMap.RefCount(), 1);
        }

        System planetsOne(2, 3, levels), planetsPooled(2, 3, levels);
        for (CPlanetGenerator* p : planetsOne.pointers) MakeLayeredMapImage(*p);
        MakeLayeredMapImages(planetsPooled.pointers.data(), 10);
        for (uint32_t i = 0; i < 10; ++i) {
            ExpectSameImage(planetsOne.planets[i]->layeredMap, planetsPooled.planets[i]->layeredMap,
                            "planet map " + std::to_string(i));
            EXPECT_EQ(planetsPooled.planets[i]->map1.RefCount(), 1);
            EXPECT_EQ(planetsPooled.planets[i]->map2.RefCount(), 1);
        }
    }
}

TEST(TexturePool, NullObjectsAndMadeImagesAreSkipped) {
    const RecipeSettings levels = Levels(2);
    Galaxy g(0, levels);
    TextureImage* third = MakeSphereImage(*g.systems[3]);
    g.pointers[5] = nullptr;
    MakeSphereImages(g.pointers.data(), 10);
    EXPECT_EQ(g.systems[3]->sphere, third);      // not made again
    EXPECT_EQ(g.systems[5]->sphere, nullptr);    // skipped
    EXPECT_NE(g.systems[9]->sphere, nullptr);
}

TEST(TexturePool, APlanetsGameImagesMatchOneThreadAndAreMadeOnce) {
    for (int32_t level : {1, 0}) {
        const RecipeSettings levels = Levels(level);
        CGalaxyGenerator galaxyOne(0, levels), galaxyPooled(0, levels);
        std::unique_ptr<CSystemGenerator> systemOne(CreateSystemGenerator(galaxyOne, 0));
        std::unique_ptr<CSystemGenerator> systemPooled(CreateSystemGenerator(galaxyPooled, 0));
        std::unique_ptr<CPlanetGenerator> one(CreatePlanetGenerator(*systemOne, 0));
        std::unique_ptr<CPlanetGenerator> pooled(CreatePlanetGenerator(*systemPooled, 0));

        MakeGlowImage(galaxyOne);
        MakeSecondRandomPigmentImage(*one);
        MakeTurbulenceImage(*one);
        MakeRandomPigmentImage(*one);
        MakeLayeredFlatImage(*one);
        for (uint32_t c = 0; c < 12; ++c) MakeForegroundPigmentImage(*one, c);

        uint32_t tickets[kPlanetGameImageCount];
        {
            CImageBatch batch;
            StartPlanetGameImages(batch, &galaxyPooled, pooled.get(), tickets);
            for (uint32_t t : tickets) EXPECT_NE(t, CImageBatch::kNoTicket);
            // The end of the batch keeps every image.
        }
        ExpectSameImage(galaxyOne.glow, galaxyPooled.glow, "glow");
        ExpectSameImage(one->secondRandomFlat, pooled->secondRandomFlat, "inner wall");
        ExpectSameImage(one->turbulenceFlat, pooled->turbulenceFlat, "floor");
        ExpectSameImage(one->randomFlat, pooled->randomFlat, "rim");
        ExpectSameImage(one->layeredFlat, pooled->layeredFlat, "outer wall");
        for (uint32_t c = 0; c < 12; ++c)
            ExpectSameImage(one->blockImages[c], pooled->blockImages[c],
                            "block " + std::to_string(c));
        EXPECT_EQ(pooled->blockImages[12], nullptr);
        // Every pigment gave its references back.
        EXPECT_EQ(pooled->map1.RefCount(), 1);
        EXPECT_EQ(pooled->map2.RefCount(), 1);
        EXPECT_EQ(pooled->map3.RefCount(), 1);

        // Loading the planet again makes nothing: every image is kept.
        TextureImage* glow = galaxyPooled.glow;
        TextureImage* block = pooled->blockImages[7];
        CImageBatch again;
        StartPlanetGameImages(again, &galaxyPooled, pooled.get(), tickets);
        for (uint32_t t : tickets) EXPECT_EQ(t, CImageBatch::kNoTicket);
        again.WaitAll();
        EXPECT_EQ(galaxyPooled.glow, glow);
        EXPECT_EQ(pooled->blockImages[7], block);
    }
}

// Each of a planet's game tickets is the image the game waits for it in its own
// loading stage: waiting for ticket i keeps exactly image i and nothing else. (A ticket
// of the wrong image leaves the recipe to make its image again on the main thread.)
TEST(TexturePool, EachGameTicketKeepsItsOwnImage) {
    const RecipeSettings levels = Levels(0);
    CGalaxyGenerator galaxy(1, levels);
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, 2));
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, 3));
    TextureImage* const* fields[kPlanetGameImageCount] = {
        &galaxy.glow, &planet->secondRandomFlat, &planet->turbulenceFlat, &planet->randomFlat,
        &planet->layeredFlat};
    const char* const names[5] = {"glow", "inner wall", "floor", "rim", "outer wall"};
    for (uint32_t c = 0; c < 12; ++c) fields[5 + c] = &planet->blockImages[c];

    CImageBatch batch;
    uint32_t tickets[kPlanetGameImageCount];
    StartPlanetGameImages(batch, &galaxy, planet.get(), tickets);
    for (uint32_t i = 0; i < kPlanetGameImageCount; ++i) {
        const std::string what = i < 5 ? names[i] : "block " + std::to_string(i - 5);
        batch.Wait(tickets[i]);
        for (uint32_t j = 0; j < kPlanetGameImageCount; ++j)
            EXPECT_EQ(*fields[j] != nullptr, j <= i)
                << "after waiting for the " << what << ", image " << j;
    }
}

std::atomic<uint32_t> g_progressReports{0};
std::atomic<double> g_lastProgress{0.0};
void CountingProgress(double fraction) {
    g_lastProgress = fraction;
    ++g_progressReports;
}

// While the main thread waits for an image it keeps reporting progress to the batch's
// progress function, so the loading screen redraws: a band that holds on a worker until
// the wait has reported several times finishes without running into its own deadline.
TEST(TexturePool, WaitingKeepsTheLoadingScreenAlive) {
    g_progressReports = 0;
    g_lastProgress = 0.0;

    std::atomic<bool> started{false};
    std::atomic<bool> sawProgress{false};
    CImageBatch batch(CountingProgress);
    const uint32_t ticket = batch.StartRows(1, [&](uint32_t, uint32_t) {
        started = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (g_progressReports >= 5) {
                sawProgress = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // The one band is on a worker before the main thread waits (or it would run the
    // band itself).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!started && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(started);
    batch.Wait(ticket, 0.5);
    EXPECT_TRUE(sawProgress) << "the wait reported no progress while the image finished";
    EXPECT_EQ(g_lastProgress, 0.5);
}

// The galaxy's levels and progress function reach its systems' and planets' recipes:
// every recipe call reports once, also for a kept image or no image at all.
TEST(TexturePool, TheGalaxysProgressReachesEveryRecipe) {
    RecipeSettings settings = Levels(4);
    settings.progress = CountingProgress;
    Galaxy g(1, settings);
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*g.systems[2], 4));
    g_progressReports = 0;
    MakeTurbulenceImage(*planet);
    MakeTurbulenceImage(*planet);  // kept: reports all the same
    MakeForegroundPigmentImage(*planet, 99);
    EXPECT_EQ(g_progressReports, 3u);
    EXPECT_EQ(planet->turbulenceFlat->columns, 32u);  // 512 >> 4: the galaxy's level
}

TEST(TexturePool, ARecipeThatRunsMeanwhileKeepsItsOwnImage) {
    const RecipeSettings levels = Levels(2);
    CGalaxyGenerator galaxy(3, levels);
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, 9));
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, 9));
    CImageBatch batch;
    const uint32_t ticket = batch.Start(TurbulenceImageRender(*planet));
    ASSERT_NE(ticket, CImageBatch::kNoTicket);
    TextureImage* own = MakeTurbulenceImage(*planet);
    batch.Wait(ticket);
    EXPECT_EQ(planet->turbulenceFlat, own);
    batch.Wait(ticket);  // a second wait does nothing
    EXPECT_EQ(planet->turbulenceFlat, own);
}

TEST(TexturePool, BatchesWithManyViewsShareNothingWithTheGlobalView) {
    // Spheres and maps in one batch need two views; the global view changes under the
    // workers (and is freed) without touching their copies.
    const RecipeSettings levels = Levels(1);
    Galaxy one(2, levels), pooled(2, levels);
    CImageBatch batch;
    std::vector<uint32_t> tickets;
    for (uint32_t i = 0; i < 10; ++i) {
        tickets.push_back(batch.Start(SphereImageRender(*pooled.systems[i])));
        tickets.push_back(batch.Start(MapImageRender(*pooled.systems[i])));
    }
    FreeProjectionCache();
    for (CSystemGenerator* s : one.pointers) {
        MakeSphereImage(*s);
        MakeMapImage(*s);
    }
    batch.WaitAll();
    for (uint32_t i = 0; i < 10; ++i) {
        ExpectSameImage(one.systems[i]->sphere, pooled.systems[i]->sphere, "sun");
        ExpectSameImage(one.systems[i]->map, pooled.systems[i]->map, "sun map");
    }
}

// A batch belongs to the thread that made it, and a ticket to the batch that gave it:
// waiting for a ticket it never gave, or using it from another thread, is misuse of
// our own, named by a failed check.
TEST(TexturePoolDeathTest, ForeignTicketsAndThreadsFailTheirCheck) {
    CImageBatch batch;
    const uint32_t ticket = batch.StartRows(4, [](uint32_t, uint32_t) {});
    batch.Wait(ticket);
    batch.Wait(CImageBatch::kNoTicket);  // nothing to wait for: allowed
    EXPECT_DEATH(batch.Wait(ticket + 1),
                 "vorpane: check failed: CImageBatch::Wait for a ticket the batch never gave");
    const auto elsewhere = [&](auto use) { std::thread(use).join(); };
    const char* offThread = "vorpane: check failed: CImageBatch used off the thread that made it";
    EXPECT_DEATH(elsewhere([&] { batch.Wait(ticket); }), offThread);
    EXPECT_DEATH(elsewhere([&] { batch.StartRows(1, [](uint32_t, uint32_t) {}); }), offThread);
    EXPECT_DEATH(elsewhere([&] { batch.Start(RecipeRender{}); }), offThread);
}

}  // namespace
