// Pinned frames at 1024 x 768: the game's world, the galaxy, system and planet screens
// and the approach, descent and completed scenes, each read from the back buffer after
// glFinish and before the swap and compared by digest with the pixels they had when
// pinned, so a faster way of drawing must draw exactly the same. Each frame is also
// saved beside the test as pin_<name>.png to be looked at.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/app_config.h"
#include "campaign/cp_complete.h"
#include "campaign/cp_map_screens.h"
#include "campaign/cp_planet_screen.h"
#include "campaign/cp_scenes.h"
#include "campaign/cp_seams.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "game/gm_draw.h"
#include "game/gm_play.h"
#include "game/gm_world.h"
#include "gl_support.h"
#include "loading_clock.h"
#include "platform/pf_cursor.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"
#include "sample_world.h"
#include "support/test_support.h"
#include "texgen/tg_generators.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

// The pinned digests (FNV-1a 64 of the RGBA back buffer, rows bottom first), taken on
// Mesa's llvmpipe under the suite's Xvfb with its default thread count.
// The well of planet 0-0-0 drawn by DrawWorld with 64 falling blocks, 32 fragments
// and 64 exhaust puffs around the craft, the camera on it; at the default quality
// (High: smooth polygons and the high-detail craft), then with smooth polygons off.
// Full: the settled pool full (69 rows), the craft at 35 inside it: block faces fill
// the well.
constexpr unsigned long long kGameFullSmoothDigest = 0x4f1f9543eccfc5ab;
constexpr unsigned long long kGameFullPlainDigest = 0x5803403ce72594bb;
// Play: 31 rows, the craft at 35 over the stack, falling blocks above it.
constexpr unsigned long long kGamePlaySmoothDigest = 0x3c271fb8b51cc78d;
constexpr unsigned long long kGamePlayPlainDigest = 0xffdd35466a6af6a6;
// Floor: 3 rows, the craft at 8: the rippling floor, the inner wall and the rim.
constexpr unsigned long long kGameFloorSmoothDigest = 0x173693959acc585e;
constexpr unsigned long long kGameFloorPlainDigest = 0xa3369668755c2834;
// The galaxy screen resting on galaxy 1 once faded in.
constexpr unsigned long long kGalaxyScreenDigest = 0xc07af3a281030d38;
// The system screen of galaxy 1 resting on system 3 (7 of 10 planets open) once faded in.
constexpr unsigned long long kSystemScreenDigest = 0xdeddf200d8cd8110;
// The planet screen of galaxy 1, system 3, resting on planet 6 once faded in.
constexpr unsigned long long kPlanetScreenDigest = 0x16f0730f7c793284;
// The approach to planet 1-2-3 at 1.5 s: the planet lit from the left among stars.
constexpr unsigned long long kApproachDigest = 0x0cdbc796826291f0;
// The descent at 0.9 s: the craft over the well's lid.
constexpr unsigned long long kDescentLidDigest = 0x54939c8550332e1a;
// The descent at 2.2 s: the craft sinking into the well.
constexpr unsigned long long kDescentSinkDigest = 0xf600978882d74374;
// The completed screen at 3 s: "Completed" and "1:05" over the hovering craft.
constexpr unsigned long long kCompletedDigest = 0x660f22a9d98a5c2d;
// The completed screen at 6 s: the craft lifting off behind the text.
constexpr unsigned long long kCompletedLiftDigest = 0x14be07d7420e4944;

// The finished frame's digest; the frame saved as pin_<name>.png too.
unsigned long long PinFrame(const char* name) {
    glFinish();
    const std::vector<uint8_t> pixels = ReadBackBuffer(kWidth, kHeight);
    SaveBackBuffer(std::string("pin_") + name + ".png", kWidth, kHeight);
    const unsigned long long digest = HashBytes(pixels.data(), pixels.size());
    std::printf("pinned frame %-16s 0x%016llx\n", name, digest);
    return digest;
}

// ---------------------------------------------------------------------------
// The game's world, drawn straight with DrawWorld.
// ---------------------------------------------------------------------------

class PinnedGame : public GLWindowTest {
protected:
    PinnedGame() : GLWindowTest(kWidth, kHeight) {}
    void TearDown() override {
        while (RegisteredTextureCount() > 0) DeleteTexture(RegisteredTexture(0));
        GLWindowTest::TearDown();
    }
};

// Each world at the default quality, then with smooth polygons off.
TEST_F(PinnedGame, ThreeWorldsSmoothAndPlain) {
    const QualitySettings defaults = *ActiveQualitySettings();
    ASSERT_TRUE(defaults.SmoothPolygons);
    ASSERT_TRUE(defaults.HighQualityModels);
    SamplePlanet planet;
    std::unique_ptr<GameWorld> world(new GameWorld);
    CRandomSource run(1);
    CRandomSource pieces = MakePieceSource(0, 0, 0);
    SetUpGameWorld(*world, 0, 0, 0, run, pieces, LoadSampleTextures, &planet);
    struct Case {
        const char* name;
        uint32_t rows;
        double height;
        unsigned long long smooth, plain;
    };
    const Case cases[3] = {
        {"full", 69, 35, kGameFullSmoothDigest, kGameFullPlainDigest},
        {"play", 31, 35, kGamePlaySmoothDigest, kGamePlayPlainDigest},
        {"floor", 3, 8, kGameFloorSmoothDigest, kGameFloorPlainDigest}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FillSampleWorld(*world, c.rows, c.height);
        SetUpSampleView(*world);
        QualitySettings quality = defaults;
        SetActiveQualitySettings(quality);
        DrawWorld(*world, quality);
        EXPECT_EQ(PinFrame((std::string("game_") + c.name + "_smooth").c_str()), c.smooth);
        quality.SmoothPolygons = false;
        SetActiveQualitySettings(quality);
        DrawWorld(*world, quality);
        EXPECT_EQ(PinFrame((std::string("game_") + c.name + "_plain").c_str()), c.plain);
    }
    DestroyGameWorld(*world);
}

// ---------------------------------------------------------------------------
// The selection screens and the scenes, run for real with a fake clock; each frame
// is taken just before its swap.
// ---------------------------------------------------------------------------

uint32_t g_frames = 0;             // frames of the screen drawn, the loading screen's aside
uint32_t g_pinFrame = 0;           // the selection screen frame to pin, then Escape
const char* g_pinName = "";
unsigned long long g_digest = 0;   // the pinned frame's

void PostKey(PlatformInputKind kind, int32_t key) {
    PlatformInput in = {};
    in.kind = kind;
    in.key = key;
    PfPostInput(in);
}

void PinSelectionFrame() {
    if (GetLoadingScreen().active) return;
    if (++g_frames != g_pinFrame) return;
    g_digest = PinFrame(g_pinName);
    PostKey(PlatformInputKind::KeyDown, 27);
    PostKey(PlatformInputKind::KeyUp, 27);
}

class PinnedScreens : public ::testing::Test {
protected:
    void SetUp() override {
        savedConfig = GameConfig;
        GameConfig.DebugFlags = 0;  // no overlays
        SetQualitySettingsValid(false);
        PfClearInput();
        StartLoadingClock();
        ASSERT_TRUE(OpenTestWindow(kWidth, kHeight));
        PumpFor(50);
        PfWarpPointerTo(5, 5);
        PfClearInput();
    }
    void TearDown() override {
        CloseTestWindow();
        GameConfig = savedConfig;
    }
    GameConfigRecord savedConfig;
};

// Each selection screen once faded in (the fade takes 50 frames), then Escape.
TEST_F(PinnedScreens, TheGalaxySystemAndPlanetScreens) {
    CGalaxyGenerator galaxy(1, GameRecipeSettings());
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, 3));
    int32_t bestTimes[100] = {};
    bestTimes[30] = 75;
    bestTimes[31] = 605;
    int32_t highestPlanets[4] = {0, 37, 100, 5};
    PlanetResult result = {};
    result.galaxy = 1;
    result.system = 3;
    result.planet = 6;
    result.highestPlanet = 37;
    result.galaxyObject = &galaxy;
    result.systemObject = system.get();
    result.bestTimes = bestTimes;
    result.highestPlanets = highestPlanets;
    g_pfSeams.beforeSwap = PinSelectionFrame;
    struct Case {
        const char* name;
        bool (*show)(PlanetResult&);
        unsigned long long pinned;
    };
    const Case cases[3] = {{"galaxy", ShowGalaxyScreen, kGalaxyScreenDigest},
                           {"system", ShowSystemScreen, kSystemScreenDigest},
                           {"planet", ShowPlanetScreen, kPlanetScreenDigest}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_frames = 0;
        g_pinFrame = 52;
        g_pinName = c.name;
        g_digest = 0;
        EXPECT_FALSE(c.show(result));  // ended by the Escape after the pin
        EXPECT_GT(g_frames, g_pinFrame);
        EXPECT_EQ(g_digest, c.pinned);
    }
}

// The scenes' frames at set times (33 ms a frame), through the scene frame seam.
struct ScenePin {
    uint32_t screen;
    double time;
    const char* name;
    unsigned long long pinned;
    unsigned long long digest;
};
ScenePin g_scenePins[5] = {
    {SCENE_APPROACH, 1.5, "approach", kApproachDigest, 0},
    {SCENE_DESCENT, 0.9, "descent_lid", kDescentLidDigest, 0},
    {SCENE_DESCENT, 2.2, "descent_sink", kDescentSinkDigest, 0},
    {SCENE_COMPLETED, 3.0, "completed", kCompletedDigest, 0},
    {SCENE_COMPLETED, 6.0, "completed_lift", kCompletedLiftDigest, 0},
};

void PinSceneFrame(uint32_t screen, double time, void*) {
    g_loadingClockNow += 33;
    for (ScenePin& pin : g_scenePins)
        if (pin.screen == screen && time >= pin.time && pin.digest == 0)
            pin.digest = PinFrame(pin.name);
    // Nothing more to see on the completed screen after its last pin: a key ends it.
    if (g_scenePins[4].digest != 0 && screen == SCENE_COMPLETED)
        PostKey(PlatformInputKind::KeyDown, 65);
}

TEST_F(PinnedScreens, TheApproachTheDescentAndTheCompletedScreen) {
    CGalaxyGenerator galaxy(1, GameRecipeSettings());
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, 2));
    std::unique_ptr<CPlanetGenerator> planet(CreatePlanetGenerator(*system, 3));
    PlanetResult result = {};
    result.galaxy = 1;
    result.system = 2;
    result.planet = 3;
    result.galaxyObject = &galaxy;
    result.systemObject = system.get();
    result.planetObject = planet.get();
    result.time = 65.7;  // reads 1:05
    for (ScenePin& pin : g_scenePins) pin.digest = 0;
    g_cpSeams.sceneFrame = PinSceneFrame;
    RunPreGameScenes(result);
    ShowPlanetCompleteScreen(result);
    for (const ScenePin& pin : g_scenePins) EXPECT_EQ(pin.digest, pin.pinned) << pin.name;
}

}  // namespace
