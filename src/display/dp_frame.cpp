// PresentFrame, the frame statistics and the debug overlays.
#include "display/dp_frame.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/app_config.h"
#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "display/dp_glyph_text.h"
#include "display/dp_quality.h"
#include "display/dp_session_fields.h"
#include "display/dp_texture.h"
#include "platform/pf_clock.h"
#include "platform/pf_window.h"


namespace {

DisplaySession& g = g_displaySession;  // the pacer's fields: statistics, clock, font

constexpr uint32_t kMinFrameMs = 10;     // at most 100 frames per second
constexpr uint32_t kMaxStepMs = 1000;    // a stall freezes the game, never throws it on
constexpr uint32_t kPlainAverageFrames = 20;

void DrawOverlayRow(const char* text, double y) {
    glColor4d(0.0, 0.0, 0.0, 1.0);
    DrawSolidRectangle(0.0, y, 160.0, y + 20.0);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    DrawGlyphText(text, g.debugFont.texture, false, 0.0, y, 160.0, 20.0);
}

void DrawDebugOverlaysNow() {
    double y = 0.0;
    PushOverlay2D();
    char text[64];
    if (GameConfig.DebugFlags & 1) {
        FormatFrameRate(g.frameStats.slowAverage, text, sizeof text);
        DrawOverlayRow(text, y);
        y = 20.0;
    }
    if (GameConfig.DebugFlags & 2) {
        uint32_t foreground = 0, background = 0, fixed = 0, debug = 0;
        GetTextureStats(&foreground, &background, &fixed, &debug);
        const char* formats[4] = {"Debug: %d", "Fixed: %d", "Background: %d", "Foreground: %d"};
        const uint32_t values[4] = {debug, fixed, background, foreground};
        for (int i = 0; i < 4; ++i) {
            std::snprintf(text, sizeof text, formats[i], int(values[i]));
            DrawOverlayRow(text, y);
            y += 20.0;
        }
    }
    PopOverlay2D();
}

}  // namespace

const uint32_t& LastFrameTimeMs = g_displaySession.lastFrameTimeMs;
const uint32_t& FrameStepMs = g_displaySession.frameStepMs;

const FrameStatistics& GetFrameStatistics() { return g.frameStats; }

const GLTexture* GetDebugFont() { return g.debugFont.texture; }

void OpenDebugFont() {
    // Uploaded once per window; CloseDebugFont deletes it before any restore could
    // upload it a second time, so no name is leaked.
    DebugFont& font = g.debugFont;
    if ((GameConfig.DebugFlags & 3) && !font.texture) {
        font.image = LoadTextureImage("live_text");
        font.texture = MakeTexture(font.image, true, TextureCategoryDebug,
                                   ActiveTextureFilters());
    }
}

void CloseDebugFont() {
    DeleteTexture(g.debugFont.texture);
    g.debugFont.texture = nullptr;
    FreeTextureImage(g.debugFont.image);
    g.debugFont.image = nullptr;
}

void DrawFrameOverlays() {
    if (GameConfig.DebugFlags & 3) DrawDebugOverlaysNow();
}

void ResetFrameStatistics() {
    g.frameStats = {};
    g.lastFrameTimeMs = 0;
    g.frameStepMs = 0;
}

void CatchUpLastFrameTime() {
    uint32_t now = PfReadClockMs();
    if (now - g.lastFrameTimeMs > kMinFrameMs) g.lastFrameTimeMs = now;
}

void FormatFrameRate(double slowAverage, char* out, unsigned size) {
    // Before the first frame is measured the average is 0: show 0, not a division.
    int rate = slowAverage > 0.0 ? int(1000.0 / slowAverage) : 0;
    std::snprintf(out, size, "%8d fps", rate);
}

uint32_t AdvanceFrameTiming() {
    uint32_t now = PfReadClockMs();
    while (now - LastFrameTimeMs < kMinFrameMs) {
        PfSleepMs(LastFrameTimeMs + kMinFrameMs - now);
        now = PfReadClockMs();
    }
    uint32_t raw = now - LastFrameTimeMs;
    if (raw > kMaxStepMs) raw = kMaxStepMs;
    FrameStatistics& s = g.frameStats;
    s.frameCount += 1;
    s.total += raw;
    uint32_t step;
    if (s.frameCount <= kPlainAverageFrames) {
        s.average = double(s.total) / double(s.frameCount);
        step = raw;
    } else {
        s.average = 0.2 * double(raw) + 0.8 * s.average;
        step = uint32_t(s.average + 0.5);
        if (s.integerSum + step < s.total) step += 1;
        if (s.integerSum + step > s.total && step > 0) step -= 1;
    }
    s.slowAverage = 0.95 * s.slowAverage + 0.05 * s.average;
    s.integerSum += step;
    g.frameStepMs = step;
    g.lastFrameTimeMs = now;
    return step;
}

uint32_t PresentFrame() {
    // Without a window (a reopen that failed, or one another client destroyed) nothing
    // is drawn or shown; the pacing still holds the loop to its rate.
    if (PfGameWindowDrawable()) DrawFrameOverlays();
    PfSwapGameBuffers();
    return AdvanceFrameTiming();
}
