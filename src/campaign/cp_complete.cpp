// The planet-completed screen.
#include "campaign/cp_complete.h"

#include <GL/gl.h>

#include <cmath>

#include "app/app_format.h"
#include "app/app_texture_image.h"
#include "audio/au_thread.h"
#include "campaign/cp_scenes.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_glyph_text.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_screen_loop.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "game/gm_draw.h"
#include "game/gm_input.h"
#include "texgen/tg_generators.h"

namespace {

constexpr double kScreenSeconds = 10.0;
constexpr double kLiftOffStart = 5.0;  // the craft hovers until here
constexpr double kLiftOffEnd = 7.0;    // and is gone from here
constexpr double kArcRadius = 90.0;    // it swings up about a point this far to its right

// The skip callback on the record's skip field.
void OnScreenEvent(void* context, uint32_t code, const void* data) {
    OnAnyKeyEvent(&static_cast<CompleteScreenRecord*>(context)->skip, code, data);
}

bool ScreenDone(void* context) {
    const CompleteScreenRecord& s = *static_cast<CompleteScreenRecord*>(context);
    return s.skip != 0 || !(s.time < kScreenSeconds);
}

void AdvanceScreen(void* context, uint32_t stepMs) {
    static_cast<CompleteScreenRecord*>(context)->time += stepMs / 1000.0;
}

void DrawScreenFrame(void* context) {
    CompleteScreenRecord& s = *static_cast<CompleteScreenRecord*>(context);
    DrawPlanetCompleteScreen(s);
    NotifySceneFrame(SCENE_COMPLETED, s.time);
}

}  // namespace

std::string FormatCompletedTime(double seconds) {
    // Truncated to whole seconds; a time that is not a number or below zero reads 0:00.
    const double whole = seconds > 0.0 ? std::trunc(seconds) : 0.0;
    const unsigned t = whole < 4294967295.0 ? unsigned(whole) : 4294967295u;
    return FormatWithThreeUnsigned("%1:%2%3", t / 60, (t / 10) % 6, t % 10);
}

double CompleteScreenFade(double t) {
    if (t < 0.5) return 2.0 * t;
    if (t <= 9.5) return 1.0;
    return 20.0 - 2.0 * t;
}

double LiftOffValue(double t) {
    if (t <= kLiftOffStart) return 1.0;
    if (t <= kLiftOffEnd) return 0.5 * (kLiftOffEnd - t);
    return 0.0;
}

void DrawPlanetCompleteScreen(CompleteScreenRecord& screen) {
    const double t = screen.time;
    const double fade = CompleteScreenFade(t);
    SetGlowLights(screen.noiseFrames, t);
    PostGameVolume(SOUND_CHANNEL_ENGINE, fade * LiftOffValue(t));
    ClearGameScreen();

    glMatrixMode(GL_MODELVIEW);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    glPushMatrix();
    glTranslated(0.0, -8.0, 0.0);
    DrawSceneWell(screen.textures[1], screen.textures[2], screen.textures[3], -1.0);
    if (t < kLiftOffEnd) {
        SetCraftMaterial(0.8);
        glTranslated(0.0, 3.0, -8.0);
        if (t > kLiftOffStart) {
            const double d = 0.5 * (t - kLiftOffStart);
            glTranslated(kArcRadius, 0.0, 0.0);
            glRotated(-15.0 * d * d, 0.0, 0.0, 1.0);
            glTranslated(-kArcRadius, 0.0, 0.0);
        }
        DrawCraftModel(2.0);
        DrawHoverExhaust(screen.textures[0], t);
    }
    glPopMatrix();

    PushOverlay2D();
    glColor4d(1.0, 1.0, 1.0, 1.0);
    const double w = GameWindowWidth;
    const double h = GameWindowHeight;
    DrawGlyphText("Completed", screen.textures[4], true, 0.38 * w, 0.5 * h, 0.24 * w, 0.08 * h);
    DrawGlyphText(screen.timeText.c_str(), screen.textures[4], true, 0.38 * w, 0.4 * h, 0.24 * w,
                  0.08 * h);
    DrawScreenFade(fade);
    PopOverlay2D();
}

void SetUpPlanetCompleteScreen(CompleteScreenRecord& screen) {
    CGalaxyGenerator* galaxy = screen.result ? screen.result->galaxyObject : nullptr;
    CPlanetGenerator* planet = screen.result ? screen.result->planetObject : nullptr;
    BeginLoadingScreen();
    // The game has just made these images, so usually nothing is left to render.
    LoadWellTextures(galaxy, planet, screen.textures);
    screen.noiseFrames = planet ? GetNoiseFrames(*planet) : nullptr;
    screen.fontImage = LoadTextureImage("live_text");
    screen.textures[4] = MakeTexture(screen.fontImage, true, TextureCategoryFixed,
                                     ActiveTextureFilters());
    EndLoadingScreen();

    SetUpWellSceneView();
    screen.timeText = FormatCompletedTime(screen.result ? screen.result->time : 0.0);
}

void EndPlanetCompleteScreen(CompleteScreenRecord& screen) {
    // The jet loops on: a key, a click or a close before the craft has gone would
    // leave it sounding over the map screens.
    PostGameVolume(SOUND_CHANNEL_ENGINE, 0.0);
    for (GLTexture*& texture : screen.textures) {
        DeleteTexture(texture);
        texture = nullptr;
    }
    FreeTextureImage(screen.fontImage);
    screen.fontImage = nullptr;
}

void RunPlanetCompleteScreen(CompleteScreenRecord& screen) {
    SetUpPlanetCompleteScreen(screen);
    RunScreenLoop(
        ScreenHandlers{&screen, OnScreenEvent, ScreenDone, AdvanceScreen, DrawScreenFrame});
    EndPlanetCompleteScreen(screen);
}

void ShowPlanetCompleteScreen(PlanetResult& result) {
    CompleteScreenRecord screen = {};
    screen.result = &result;
    screen.time = 0.0;
    if (!screen.skip && !QuitRequested) RunPlanetCompleteScreen(screen);
    if (!QuitRequested) PresentBlackFrame(&screen.skip);
}
