// Ten planets in a row in one process: the campaign with fake selection screens that
// choose the first galaxy's first ten planets in turn and no scenes, and the real game
// played with no input until it fails each planet (game frames of half a second on the
// fake clock). After every planet the texture registry is empty, no
// thread of the game or file descriptor is left over, and resident memory stays flat.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "campaign_walk.h"
#include "display/audio_message_recorder.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "displaysetup/private_store.h"
#include "support/test_support.h"
#include "texgen/tg_pool.h"

namespace {

constexpr uint32_t kPlanets = 10;
// AddressSanitizer keeps freed memory in a quarantine of up to 256 MB (40 MB of growth
// was seen from it) and pads every block: the quarantine is emptied before each
// measure, and a leaked block weighs about twice as much there.
#if defined(__SANITIZE_ADDRESS__)
extern "C" void __sanitizer_purge_allocator();
constexpr long kGrossGrowthKb = 40 * 1024;
#else
constexpr long kGrossGrowthKb = 20 * 1024;
#endif

uint32_t EntriesIn(const char* folder) {
    uint32_t count = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* e = readdir(dir))
            if (e->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

long ResidentKb() {
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_purge_allocator();
#endif
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

struct Sample {
    uint32_t textures, threads, fds;
    long rssKb;
};

struct Soak {
    uint32_t played = 0;
    uint32_t galaxyVisits = 0;
    uint32_t systemVisits = 0;
    std::vector<Sample> after;  // one per planet played
    std::vector<uint32_t> results;
    std::vector<uint32_t> peakTextures;  // the most registered during each game
};
Soak* g_soak = nullptr;

bool FirstGalaxy(PlanetResult& r) {
    if (g_soak->galaxyVisits++ > 0) return false;
    EnterWalkStage(WalkStage::Galaxy, "galaxy");
    r.galaxy = 0;
    return true;
}
bool FirstSystem(PlanetResult& r) {
    if (g_soak->systemVisits++ > 0) return false;
    EnterWalkStage(WalkStage::System, "system");
    r.system = 0;
    return true;
}
// Also where each played planet is measured, once its generator object is gone.
bool NextPlanet(PlanetResult& r) {
    Soak& s = *g_soak;
    if (s.played > 0)
        s.after.push_back({RegisteredTextureCount(), CountOwnThreads(), EntriesIn("/proc/self/fd"),
                           ResidentKb()});
    if (s.played == kPlanets) return false;
    EnterWalkStage(WalkStage::Planet, "planet " + std::to_string(s.played));
    r.planet = s.played;
    return true;
}
void NoScenes(PlanetResult&) {}
void WatchTextures(GameWorld&) {
    uint32_t& peak = g_soak->peakTextures.back();
    peak = std::max(peak, RegisteredTextureCount());
}
void Play(PlanetResult& r) {
    EnterWalkStage(WalkStage::Play, "play");
    g_soak->peakTextures.push_back(0);
    PlayPlanet(r);
    g_soak->results.push_back(r.result);
    ++g_soak->played;
}
void NoComplete(PlanetResult&) {}

TEST(CampaignSoak, TenPlanetsInARowLeaveNothingBehind) {
    PrivateStore store;
    GameAudioRecorder audio;
    Walk walk;
    walk.scripted = false;
    walk.gameFrameMs = 500;
    walk.giveUpGameSeconds = 300;
    walk.onGameFrame = WatchTextures;
    ASSERT_TRUE(BeginWalk(walk));
    CampaignScreens screens = kWalkedScreens;
    screens.showGalaxyScreen = FirstGalaxy;
    screens.showSystemScreen = FirstSystem;
    screens.showPlanetScreen = NextPlanet;
    screens.runPreGameScenes = NoScenes;
    screens.playPlanet = Play;
    screens.showPlanetCompleteScreen = NoComplete;

    Soak soak;
    g_soak = &soak;
    const auto start = std::chrono::steady_clock::now();
    RunCampaign(screens);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    g_soak = nullptr;
    EndWalk();

    EXPECT_EQ(QuitRequested, 0);
    ASSERT_EQ(soak.after.size(), kPlanets);
    EXPECT_EQ(soak.results, std::vector<uint32_t>(kPlanets, PLANET_RESULT_FAILED));
    // The worker pool's threads are made once, on first use, and are the game's only
    // threads here (the sounds are recorded on this thread). The first planet is the
    // baseline for descriptors. The toolkit's own threads come and go (GLib ends an
    // idle worker after 15 s) and are not counted.
    const Sample& first = soak.after[0];
    EXPECT_EQ(first.threads, TexturePoolWorkerCount());
    for (uint32_t i = 0; i < kPlanets; ++i) {
        const Sample& s = soak.after[i];
        EXPECT_GT(soak.peakTextures[i], 10u) << "no planet loaded: " << i + 1;
        EXPECT_EQ(s.textures, 0u) << "after planet " << i + 1;
        EXPECT_EQ(s.threads, first.threads) << "after planet " << i + 1;
        EXPECT_EQ(s.fds, first.fds) << "after planet " << i + 1;
    }
    const long growthKb = soak.after[kPlanets - 1].rssKb - soak.after[1].rssKb;
    RecordProperty("rss_growth_kb_planet2_to_10", int(growthKb));
    RecordProperty("seconds", int(seconds));
    std::printf("soak: %u planets in %.1f s; resident %ld kB after planet 2, %ld kB after "
                "planet 10 (growth %ld kB); %u threads, %u descriptors\n",
                kPlanets, seconds, soak.after[1].rssKb, soak.after[kPlanets - 1].rssKb,
                growthKb, first.threads, first.fds);
    std::printf("soak: resident kB after each planet:");
    for (const Sample& s : soak.after) std::printf(" %ld", s.rssKb);
    std::printf("; most textures in a game: %u\n", soak.peakTextures[0]);
    EXPECT_LT(growthKb, kGrossGrowthKb);
}

}  // namespace
