// The approach and descent scenes, and the pieces the completed screen shares with them.
//
// Contents: the puff table and the skip callback; the closing frame; the sphere mesh, the
// craft, its exhaust and the well; the approach; the descent; the two together.
#include "campaign/cp_scenes.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "audio/au_thread.h"
#include "campaign/cp_seams.h"
#include "campaign/cp_sphere.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_screen_loop.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "game/gm_draw.h"
#include "game/gm_input.h"
#include "texgen/tg_generators.h"
#include "texgen/tg_pool.h"

namespace {

constexpr double kSceneSeconds = 3.0;
constexpr double kPuffsPerSecond = 6.0;  // a new puff every sixth of a second
constexpr double kWellHeight = 15.0;     // the scenes show the well of goal height 15
constexpr ColorValue kCraftGrey = {1.0, 0.5, 0.5, 0.5};

PolarPoint PolarPointOf(double turn, double radius) {
    const double angle = 2.0 * M_PI * turn;
    return PolarPoint{radius * std::cos(angle), radius * std::sin(angle)};
}

}  // namespace

// (fraction of a turn, radius) of each point.
const PolarPoint PolarPointTable[16] = {
    PolarPointOf(0.3376962, 0.0771808), PolarPointOf(0.2187374, 0.1697358),
    PolarPointOf(0.6217395, 0.6959916), PolarPointOf(0.8811063, 0.7010889),
    PolarPointOf(0.1243031, 0.8822248), PolarPointOf(0.4500309, 0.370913),
    PolarPointOf(0.4665801, 0.1175764), PolarPointOf(0.2860325, 0.4505933),
    PolarPointOf(0.8168852, 0.9890558), PolarPointOf(0.9816817, 0.697744),
    PolarPointOf(0.491971, 0.5440674),  PolarPointOf(0.4041982, 0.6378301),
    PolarPointOf(0.2291012, 0.9295109), PolarPointOf(0.627897, 0.6742379),
    PolarPointOf(0.6174036, 0.7980215), PolarPointOf(0.8068418, 0.5522087),
};

const PolarPoint& PolarPointAt(int64_t i) {
    // A puff's entry is (k - n) with n growing with time: C++'s % would go negative.
    return PolarPointTable[((i % 16) + 16) % 16];
}

// A close is not a skip: the pump has set the quit flag, which ends this loop and
// every loop after it, so the game is not started behind a closed window.
void OnAnyKeyEvent(void* arg, uint32_t code, const void*) {
    if (code == GameEventKeyPress || code == GameEventMouseDown) *static_cast<uint32_t*>(arg) = 1;
}

double SceneFade(double t) {
    if (t < 0.5) return 2.0 * t;
    if (t <= 2.5) return 1.0;
    return 6.0 - 2.0 * t;
}

double ApproachJetVolume(double t) { return 0.5 * SceneFade(t) * (1.0 - t / 6.0); }

double DescentJetVolume(double t) { return SceneFade(t); }

// ---------------------------------------------------------------------------------
// The closing frame

void PresentBlackFrame(uint32_t* skip) {
    PumpGameMessages(OnAnyKeyEvent, skip);
    PollMouse(OnAnyKeyEvent, skip);
    CatchUpLastFrameTime();
    if (MakeGameContextCurrent()) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    PresentFrame();
}

void NotifySceneFrame(uint32_t screen, double time) {
    if (g_cpSeams.sceneFrame) g_cpSeams.sceneFrame(screen, time, g_cpSeams.sceneFrameContext);
}

// ---------------------------------------------------------------------------------
// Sphere, craft, exhaust and well

void SetCraftMaterial(double diffuse) { SetMaterialColors(kCraftGrey, 0.1, diffuse, 0, 0, 0); }

void DrawCraftModel(double scale) {
    if (ActiveQualitySettings()->HighQualityModels)
        DrawHighDetailModel(scale);
    else
        DrawLowDetailModel(scale);
}

namespace {

// One glow square of half-size s centred at (x, y, z) of the current frame.
void DrawPuff(const GLTexture* glow, double x, double y, double z, double s) {
    glPushMatrix();
    glTranslated(0.0, 0.0, z);
    const double p1[2] = {x - s, y - s}, p2[2] = {x - s, y + s};
    const double p3[2] = {x + s, y + s}, p4[2] = {x + s, y - s};
    DrawTexturedQuad(glow, p1, p2, p3, p4, 1, 1, 0, 0);
    glPopMatrix();
}

}  // namespace

void DrawHoverExhaust(const GLTexture* glow, double t) {
    SetMaterial(0, 0, 0, 0.8, 0);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    const double u = kPuffsPerSecond * t;
    const double n = std::trunc(u);
    const double f = u - n;
    for (int32_t j = 15; j >= 1; --j) {
        const double a = (j + f) / 16.0;
        const PolarPoint& p = PolarPointAt(j - int64_t(n));
        const double half = 0.1 + 0.5 * a;
        const double spread = 0.05 * (1.0 + a);
        const double y = -2.0 * (a + 0.3);
        const double z = -0.02 * j;
        DrawPuff(glow, 3.0 * (spread * p.x - 0.2), y, z, half);
        DrawPuff(glow, 3.0 * (spread * p.x + 0.2), y, z, half);
    }
}

namespace {

// The galaxy's glow sprite, which both scenes start with.
GLTexture* GlowTexture(CImageBatch& batch, uint32_t ticket, CGalaxyGenerator* galaxy) {
    batch.Wait(ticket);
    return MakeTexture(galaxy ? MakeGlowImage(*galaxy) : nullptr, true, TextureCategoryForeground,
                       ActiveTextureFilters());
}

}  // namespace

void LoadWellTextures(CGalaxyGenerator* galaxy, CPlanetGenerator* planet, GLTexture* out[4]) {
    // All four are started at once on the pool; the walls get a third of the bar each.
    CImageBatch batch(UpdateLoadingProgress);
    const uint32_t glow = galaxy ? batch.Start(GlowImageRender(*galaxy)) : CImageBatch::kNoTicket;
    uint32_t walls[3] = {CImageBatch::kNoTicket, CImageBatch::kNoTicket, CImageBatch::kNoTicket};
    if (planet) {
        walls[0] = batch.Start(LayeredFlatImageRender(*planet));
        walls[1] = batch.Start(RandomPigmentImageRender(*planet));
        walls[2] = batch.Start(SecondRandomPigmentImageRender(*planet));
    }
    out[0] = GlowTexture(batch, glow, galaxy);
    TextureImage* (*const recipes[3])(CPlanetGenerator&) = {
        MakeLayeredFlatImage, MakeRandomPigmentImage, MakeSecondRandomPigmentImage};
    const double stages[4] = {0.0, 0.33, 0.66, 1.0};
    for (int i = 0; i < 3; ++i) {
        AddLoadingStage(stages[i], stages[i + 1]);
        batch.Wait(walls[i]);
        out[1 + i] = MakeTexture(planet ? recipes[i](*planet) : nullptr, false,
                                 TextureCategoryBackground, ActiveTextureFilters());
        LeaveLoadingStage();
    }
}

void SetUpWellSceneView() {
    BeginScene3D(true);
    glRotated(15.0, 1.0, 0.0, 0.0);
    glTranslated(0.0, -12.0, -34.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const double positions[6][3] = {{-7, -40, 3}, {0, -40, 4}, {7, -40, 3},
                                    {-6, 9, 3},   {0, 9, 4},   {6, 9, 3}};
    const ColorValue dim = {1.0, 0.2, 0.2, 0.2};
    const ColorValue white = {1.0, 1.0, 1.0, 1.0};
    for (uint32_t light = 0; light < 6; ++light) {
        SetLightPosition(light, positions[light][0], positions[light][1], positions[light][2]);
        SetLightAttenuation(light, 0.2, 0.05, 0.0);
        SetLightColors(light, light < 3 ? dim : white, 0.3, 0.3, 0.0);
        EnableLight(light);
    }
}

namespace {

// The rim's plane continued towards the viewer from its front edge, the straight line
// through the well's open side: the scenes' view reaches a fraction of a unit past
// that edge at the bottom of the screen, where the well's open front and the empty
// space beside it would show as a strip under the rim. Same texture mapping as the
// rim, and vertices on the edge where the rim's and the lid's are (the outer and inner
// curves' ends and the lid's centre), so the lighting, computed at the vertices, meets
// theirs without a seam.
constexpr double kRimApronDepth = 1.0;  // units towards the viewer; the view needs 0.4

void DrawRimApron(const GLTexture* rim, double h) {
    const MeshVertex* band = RimMeshVertices();
    const double edgeX[5] = {band[11].x, band[0].x, 0.0, band[10].x, band[21].x};
    const double z0 = band[11].z, z1 = z0 + kRimApronDepth;
    MeshVertex apron[10];
    for (int i = 0; i < 5; ++i) {
        const double x = edgeX[i];
        apron[i] = MeshVertex{x, h, z0, 0, 1, 0, x / 10, z0 / 10};
        apron[i + 5] = MeshVertex{x, h, z1, 0, 1, 0, x / 10, z1 / 10};
    }
    // Four quads from left to right, each as two triangles facing up.
    static const int32_t kApronIndices[] = {0, 5, 6, 0, 6, 1, 1, 6, 7, 1, 7, 2,
                                            2, 7, 8, 2, 8, 3, 3, 8, 9, 3, 9, 4, -1};
    DrawTexturedMesh(rim, apron, kApronIndices, 1.0);
}

}  // namespace

void DrawSceneWell(const GLTexture* outerWall, const GLTexture* rim, const GLTexture* innerWall,
                   double lidProgress) {
    SetMaterial(0, 0, 0, 0.8, 0);
    glPushMatrix();
    glTranslated(0.0, -kWellHeight, -8.0);
    DrawOuterWall(outerWall, kWellHeight);
    glPopMatrix();

    SetMaterial(0.2, 0.5, 0, 0.3, 0);
    glPushMatrix();
    glTranslated(0.0, -kWellHeight, -8.0);
    DrawRimSurface(rim, kWellHeight);
    DrawRimApron(rim, kWellHeight);
    glPopMatrix();

    if (lidProgress >= 0.0) {
        glPushMatrix();
        glTranslated(0.0, 0.0, -8.0);
        DrawShatteringMesh(rim, lidProgress);
        glPopMatrix();
    }

    SetMaterial(0.1, 0.8, 0, 0, 0);
    glPushMatrix();
    glTranslated(0.0, -kWellHeight, -8.0);
    DrawInnerWall(innerWall, kWellHeight);
    glPopMatrix();
}

// ---------------------------------------------------------------------------------
// The approach

namespace {

bool SceneDone(void* context) {
    const SceneRecord& s = *static_cast<SceneRecord*>(context);
    return s.skip != 0 || !(s.time < kSceneSeconds);
}

void AdvanceScene(void* context, uint32_t stepMs) {
    static_cast<SceneRecord*>(context)->time += stepMs / 1000.0;
}

void DrawApproachFrame(void* context) {
    SceneRecord& s = *static_cast<SceneRecord*>(context);
    DrawApproachScene(s);
    NotifySceneFrame(SCENE_APPROACH, s.time);
}

void DrawDescentFrame(void* context) {
    SceneRecord& s = *static_cast<SceneRecord*>(context);
    DrawDescentScene(s);
    NotifySceneFrame(SCENE_DESCENT, s.time);
}



}  // namespace

void DrawApproachScene(SceneRecord& scene) {
    const double t = scene.time;
    const double fade = SceneFade(t);
    PostGameVolume(SOUND_CHANNEL_ENGINE, ApproachJetVolume(t));
    ClearGameScreen();
    if (!(fade > 0.0)) return;

    glMatrixMode(GL_MODELVIEW);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    glPushMatrix();
    glTranslated(0.0, 0.0, -30.0);

    // The stars far behind.
    SetMaterial(0, 0, 0, 0.8, 0);
    glPushMatrix();
    glTranslated(0.0, 0.0, -60.0);
    const double p1[2] = {-60, -60}, p2[2] = {-60, 60}, p3[2] = {60, 60}, p4[2] = {60, -60};
    DrawTexturedQuad(scene.textures[1], p1, p2, p3, p4, 15, 15, 0, 0);
    glPopMatrix();

    // The planet, turning, its clouds a little faster.
    SetMaterial(0.1, 0.8, 0, 0, 0);
    glPushMatrix();
    glTranslated(3.0, -1.0, -15.0);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslated(t / 24.0, 0.0, 0.0);
    glMatrixMode(GL_MODELVIEW);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    DrawSphere(scene.textures[2], 4.0);
    glMatrixMode(GL_TEXTURE);
    glTranslated(0.5 * t / 24.0, 0.0, 0.0);
    glMatrixMode(GL_MODELVIEW);
    DrawSphere(scene.textures[3], 4.05);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    // The craft swings round the planet from 12 to 6 units off its centre.
    SetCraftMaterial(0.8);
    glPushMatrix();
    glTranslated(3.0, -1.0, -15.0);
    glRotated(-30.0, 0.0, 0.0, 1.0);
    glRotated(15.0 - 20.0 * t, 0.0, 1.0, 0.0);
    glTranslated(2.0 * t - 12.0, 0.0, 0.0);
    glPushMatrix();
    glRotated(-90.0, 1.0, 0.0, 0.0);
    DrawCraftModel(0.5);
    glPopMatrix();

    // Its exhaust: two streams of sixteen puffs, six new ones a second, each keeping
    // its table point as it ages and drifts back.
    SetMaterial(0, 0, 0, 0.8, 0);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    const double u = kPuffsPerSecond * t;
    const double n = std::trunc(u);
    const double f = u - n;
    for (int32_t k = 0; k < 16; ++k) {
        const double a = (k + f) / 16.0;
        const PolarPoint& p = PolarPointAt(k - int64_t(n));
        const double half = a <= 0.9 ? 0.05 + 0.25 * a / 0.9 : 3.0 * (1.0 - a);
        const double spread = 0.05 * (1.0 + a);
        const double depth = 0.3 + 1.5 * a;
        DrawPuff(scene.textures[0], spread * p.x - 0.2, spread * p.y, depth, half);
        DrawPuff(scene.textures[0], spread * p.x + 0.2, spread * p.y, depth, half);
    }
    glPopMatrix();

    glPopMatrix();
    DrawScreenFade(fade);
}

void EndScene(SceneRecord& scene) {
    PostGameVolume(SOUND_CHANNEL_ENGINE, 0.0);
    for (GLTexture*& texture : scene.textures) {
        DeleteTexture(texture);
        texture = nullptr;
    }
}

void SetUpApproachScene(SceneRecord& scene) {
    CGalaxyGenerator* galaxy = scene.result ? scene.result->galaxyObject : nullptr;
    CPlanetGenerator* planet = scene.result ? scene.result->planetObject : nullptr;
    BeginLoadingScreen();
    // Everything but the star field (cheap, and made here meanwhile) on the pool.
    CImageBatch batch(UpdateLoadingProgress);
    const uint32_t glow = galaxy ? batch.Start(GlowImageRender(*galaxy)) : CImageBatch::kNoTicket;
    const uint32_t base =
        planet ? batch.Start(BaseMapImageRender(*planet)) : CImageBatch::kNoTicket;
    const uint32_t overlay =
        planet ? batch.Start(OverlayMapImageRender(*planet)) : CImageBatch::kNoTicket;
    scene.textures[1] = MakeTexture(galaxy ? MakeStarFieldImage(*galaxy) : nullptr, false,
                                    TextureCategoryBackground, ActiveTextureFilters());
    scene.textures[0] = GlowTexture(batch, glow, galaxy);
    AddLoadingStage(0.0, 0.5);
    batch.Wait(base);
    scene.textures[2] =
        MakeTexture(planet ? MakeBaseMapImage(*planet) : nullptr, false, TextureCategoryForeground,
                    ActiveTextureFilters());
    LeaveLoadingStage();
    AddLoadingStage(0.5, 1.0);
    batch.Wait(overlay);
    scene.textures[3] = MakeTexture(planet ? MakeOverlayMapImage(*planet) : nullptr, true,
                                    TextureCategoryForeground, ActiveTextureFilters());
    LeaveLoadingStage();
    EndLoadingScreen();

    // Sunlight from the right, a little yellow.
    BeginScene3D(true);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetLightDirection(0, -1.0, 0.0, 0.0);
    SetLightColors(0, ColorValue{1.0, 1.0, 1.0, 0.8}, 1.0, 1.0, 1.0);
    SetLightAttenuation(0, 0.1, 0.1, 0.0);
    EnableLight(0);
}

void RunApproachScene(SceneRecord& scene) {
    SetUpApproachScene(scene);
    RunScreenLoop(
        ScreenHandlers{&scene, OnAnyKeyEvent, SceneDone, AdvanceScene, DrawApproachFrame});
    EndScene(scene);
}

// ---------------------------------------------------------------------------------
// The descent

void DrawDescentScene(SceneRecord& scene) {
    const double t = scene.time;
    const double fade = SceneFade(t);
    PostGameVolume(SOUND_CHANNEL_ENGINE, DescentJetVolume(t));
    if (t > 1.0) SetGlowLights(scene.noiseFrames, t);
    ClearGameScreen();
    if (!(fade > 0.0)) return;

    const double s = t / kSceneSeconds;
    glMatrixMode(GL_MODELVIEW);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    glPushMatrix();
    glTranslated(0.0, -8.0, 0.0);
    DrawSceneWell(scene.textures[1], scene.textures[2], scene.textures[3], s);

    // The craft eases down onto the lid, rocks as it breaks, then sinks, darkening.
    SetCraftMaterial(0.8 * (s < 0.5 ? 1.0 : 1.25 - 0.5 * s));
    double drop = 0.0;   // the phase's move down
    double roll = 0.0;   // the phase's turn about z, degrees
    if (s < 0.33) {
        const double k = 1.0 - s / 0.33;
        drop = -6.0 * k * k;
    } else if (s < 0.5) {
        const double d = (s - 0.33) / 0.17;
        const double g = d > 0.666666 ? -1.0 : 1.0;
        roll = (0.5 - 0.5 * std::cos(2.0 * M_PI * 1.5 * d)) * 5.0 * g;
    } else {
        const double e = 2.0 * (s - 0.5);
        drop = 12.0 * e * e;
        roll = -5.0 * std::cos(2.0 * M_PI * 3.0 * e);
    }
    glPushMatrix();
    glTranslated(0.0, 3.0, -8.0);
    if (drop != 0.0) glTranslated(0.0, -drop, 0.0);
    if (roll != 0.0) glRotated(roll, 0.0, 0.0, 1.0);
    DrawCraftModel(2.0);
    glPopMatrix();

    glPushMatrix();
    glTranslated(0.0, 3.0, -8.0);
    if (drop != 0.0) glTranslated(0.0, -drop, 0.0);
    DrawHoverExhaust(scene.textures[0], t);
    glPopMatrix();

    glPopMatrix();
    DrawScreenFade(fade);
}

void SetUpDescentScene(SceneRecord& scene) {
    CGalaxyGenerator* galaxy = scene.result ? scene.result->galaxyObject : nullptr;
    CPlanetGenerator* planet = scene.result ? scene.result->planetObject : nullptr;
    BeginLoadingScreen();
    LoadWellTextures(galaxy, planet, scene.textures);
    scene.noiseFrames = planet ? GetNoiseFrames(*planet) : nullptr;
    EndLoadingScreen();

    SetUpWellSceneView();
}

void RunDescentScene(SceneRecord& scene) {
    SetUpDescentScene(scene);
    RunScreenLoop(ScreenHandlers{&scene, OnAnyKeyEvent, SceneDone, AdvanceScene, DrawDescentFrame});
    EndScene(scene);
}

// ---------------------------------------------------------------------------------
// Both scenes

void RunPreGameScenes(PlanetResult& result) {
    SceneRecord scene = {};
    scene.result = &result;
    scene.time = 0.0;
    if (!scene.skip && !QuitRequested) {
        RunApproachScene(scene);
        scene.time = 0.0;
        if (!scene.skip && !QuitRequested) RunDescentScene(scene);
    }
    if (!QuitRequested) PresentBlackFrame(&scene.skip);
}
