// The planet game loop.
#include "game/gm_play.h"

#include <GL/gl.h>

#include <memory>
#include <string>

#include "app/app_format.h"
#include "audio/au_sound.h"
#include "audio/au_thread.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_screen_loop.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "game/gm_draw.h"
#include "game/gm_input.h"
#include "game/gm_seams.h"
#include "game/gm_step.h"
#include "game/gm_world.h"
#include "texgen/tg_generators.h"
#include "texgen/tg_pool.h"

namespace {

// What the loading hook needs besides the world.
struct PlanetLoad {
    CGalaxyGenerator* galaxy;
    CPlanetGenerator* planet;
};

// The loop runs while the world's state is below this: 5 quit, 6 completed, 7 failed.
constexpr uint32_t kFirstFinalState = 4;

// A missing generator object makes no image; the texture is then not uploaded and
// the surface is drawn untextured.
TextureImage* ImageOf(CGalaxyGenerator* galaxy, TextureImage* (*recipe)(CGalaxyGenerator&)) {
    return galaxy ? recipe(*galaxy) : nullptr;
}
TextureImage* ImageOf(CPlanetGenerator* planet, TextureImage* (*recipe)(CPlanetGenerator&)) {
    return planet ? recipe(*planet) : nullptr;
}

void NextLoadingStage(double from, double to) {
    LeaveLoadingStage();
    AddLoadingStage(from, to);
}

// Steps 3 to 5 of the set-up: the loading screen, the 17 textures and the noise-frame
// table, the sounds. Runs inside SetUpGameWorld once the broad phase exists. The
// images are all started at once on the texture pool; each is then waited for in its
// own loading stage and uploaded here, in the game's order, so the bar moves as they
// come in.
void LoadPlanet(GameWorld& world, void* context) {
    const PlanetLoad& load = *static_cast<const PlanetLoad*>(context);
    if (!GetLoadingScreen().active) BeginLoadingScreen();
    const TextureFilters filters = ActiveTextureFilters();

    CImageBatch batch(UpdateLoadingProgress);
    uint32_t tickets[kPlanetGameImageCount];
    StartPlanetGameImages(batch, load.galaxy, load.planet, tickets);
    // Waits for one of the started images; its recipe then returns it at once.
    auto ready = [&batch, &tickets](uint32_t ticket) { batch.Wait(tickets[ticket]); };

    // Each surface texture gets a tenth of the bar, each block texture a twentieth.
    ready(0);
    world.glowTexture =
        MakeTexture(ImageOf(load.galaxy, MakeGlowImage), true, TextureCategoryForeground, filters);
    AddLoadingStage(0.0, 0.1);
    ready(1);
    world.innerWallTexture = MakeTexture(ImageOf(load.planet, MakeSecondRandomPigmentImage), false,
                                             TextureCategoryBackground, filters);
    NextLoadingStage(0.1, 0.2);
    ready(2);
    world.floorTexture = MakeTexture(ImageOf(load.planet, MakeTurbulenceImage), false,
                                     TextureCategoryBackground, filters);
    world.noiseFrames = load.planet ? GetNoiseFrames(*load.planet) : nullptr;
    NextLoadingStage(0.2, 0.3);
    ready(3);
    world.rimTexture = MakeTexture(ImageOf(load.planet, MakeRandomPigmentImage), false,
                                   TextureCategoryBackground, filters);
    NextLoadingStage(0.3, 0.4);
    ready(4);
    world.outerWallTexture = MakeTexture(ImageOf(load.planet, MakeLayeredFlatImage), false,
                                         TextureCategoryBackground, filters);
    LeaveLoadingStage();
    for (uint32_t c = 0; c < 12; ++c) {
        AddLoadingStage(0.4 + 0.05 * c, 0.4 + 0.05 * (c + 1));
        ready(5 + c);
        world.blockTextures[c] = MakeTexture(load.planet ? MakeForegroundPigmentImage(*load.planet, c) : nullptr,
                                                 false, TextureCategoryForeground, filters);
        LeaveLoadingStage();
    }
    EndLoadingScreen();

    for (uint32_t i = 0; i < 7; ++i)
        world.breakSounds[i] = LoadSound(FormatWithUnsigned("break%1", i + 1).c_str());
    world.dropSound = LoadSound("drop");
    for (uint32_t i = 0; i < 8; ++i)
        world.settleSounds[i] = LoadSound(FormatWithUnsigned("settle%1", i + 1).c_str());
}

void SetUpViewAndLights(const GameWorld& world) {
    // The whole view goes into the projection, which BeginScene3D leaves current; the
    // modelview stays the identity, so lights and drawing are in world coordinates.
    BeginScene3D(true);
    glRotated(15.0, 1.0, 0.0, 0.0);
    glTranslated(0.0, -12.0, -34.0);

    const double top = world.goalHeight + 10;
    SetLightPosition(0, -7, -2, 3);
    SetLightPosition(1, 0, -2, 4);
    SetLightPosition(2, 7, -2, 3);
    SetLightPosition(3, -6, top, 3);
    SetLightPosition(4, 0, top, 4);
    SetLightPosition(5, 6, top, 3);
    // Three glowing lights under the floor, three white ones above the goal height.
    for (uint32_t light = 0; light < 3; ++light) SetLightAttenuation(light, 0.2, 0.05, 0);
    SetGlowLights(world.noiseFrames, 0);
    const ColorValue white = {1, 1, 1, 1};
    for (uint32_t light = 3; light < 6; ++light) {
        SetLightAttenuation(light, 0.2, 0.05, 0);
        SetLightColors(light, white, 0.3, 0.3, 0);
    }
    for (uint32_t light = 0; light < 6; ++light) EnableLight(light);
}

void ReleaseSound(CSoundData* sound) {
    if (sound) sound->Release();  // a sound that failed to load is null
}

void CleanUpPlanet(GameWorld& world) {
    PostGameVolumeGain(SOUND_CHANNEL_EFFECTS, 0);
    PostGameVolumeGain(SOUND_CHANNEL_ENGINE, 0);  // the campaign's jet loop falls silent
    EndMouseCapture();
    DeleteTexture(world.innerWallTexture);
    for (GLTexture* texture : world.blockTextures) DeleteTexture(texture);
    DeleteTexture(world.floorTexture);
    DeleteTexture(world.glowTexture);
    DeleteTexture(world.rimTexture);
    DeleteTexture(world.outerWallTexture);
    // The noise-frame table stays with the planet object.
    for (CSoundData* sound : world.breakSounds) ReleaseSound(sound);
    ReleaseSound(world.dropSound);
    for (CSoundData* sound : world.settleSounds) ReleaseSound(sound);
    DestroyGameWorld(world);
}

// The frame loop's context: the world, the run source it steps with and the quality
// it is drawn with.
struct PlanetLoop {
    GameWorld* world;
    CRandomSource* runSource;
    const QualitySettings* quality;
};

void OnPlanetEvent(void* context, uint32_t code, const void* data) {
    OnGameEvent(static_cast<PlanetLoop*>(context)->world, code, data);
}

// Closed or aborted during the input: the frame is not stepped.
bool PlanetDone(void* context) {
    return static_cast<PlanetLoop*>(context)->world->state >= kFirstFinalState;
}

void AdvancePlanet(void* context, uint32_t stepMs) {
    PlanetLoop& loop = *static_cast<PlanetLoop*>(context);
    const double dt = stepMs / 1000.0;
    StepWorld(*loop.world, *loop.runSource, dt);
    UpdateGameSounds(*loop.world, *loop.runSource);
}

void DrawPlanet(void* context) {
    const PlanetLoop& loop = *static_cast<PlanetLoop*>(context);
    GameWorld& world = *loop.world;
    DrawWorld(world, *loop.quality);
    if (g_gmSeams.planetFrame) g_gmSeams.planetFrame(world, g_gmSeams.planetFrameContext);
}

}  // namespace

RecipeSettings GameRecipeSettings() {
    RecipeSettings settings;
    settings.foregroundLevel = ActiveForegroundTextureLevel();
    settings.backgroundLevel = ActiveBackgroundTextureLevel();
    settings.progress = UpdateLoadingProgress;
    return settings;
}

void PlayPlanet(PlanetResult& result) {
    // Per run: every attempt differs in stack colours and fragments. The piece source
    // is the planet's own, so every attempt deals the same pieces.
    CRandomSource runSource;
    CRandomSource pieceSource = MakePieceSource(result.galaxy, result.system, result.planet);

    std::unique_ptr<GameWorld> owned(new GameWorld);
    GameWorld& world = *owned;
    PlanetLoad load = {result.galaxyObject, result.planetObject};
    SetUpGameWorld(world, result.galaxy, result.system, result.planet, runSource, pieceSource,
                   LoadPlanet, &load);

    PostGameVolumeGain(SOUND_CHANNEL_EFFECTS, 0x10000);
    BeginMouseCapture();
    SetUpViewAndLights(world);

    // The quality in force when the planet starts draws the whole game.
    const QualitySettings quality = *ActiveQualitySettings();
    PlanetLoop loop = {&world, &runSource, &quality};
    RunScreenLoop({&loop, OnPlanetEvent, PlanetDone, AdvancePlanet, DrawPlanet});
    // A quit from an earlier screen ends the game before its first frame: it counts
    // as quit, like any other way out that leaves the world unfinished.
    if (world.state < kFirstFinalState) world.state = GAME_QUIT;

    const uint32_t state = world.state;
    result.time = world.time;
    CleanUpPlanet(world);
    if (state == GAME_QUIT) result.result = PLANET_RESULT_QUIT;
    if (state == GAME_COMPLETED) result.result = PLANET_RESULT_COMPLETED;
    if (state == GAME_FAILED) result.result = PLANET_RESULT_FAILED;
}
