// The loading screen and its nested progress ranges.
#include "display/dp_loading.h"

#include <GL/gl.h>

#include "app/app_texture_image.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_session_fields.h"
#include "display/dp_window.h"
#include "platform/pf_clock.h"


namespace {

constexpr uint32_t kHiddenMs = 500;      // work shorter than this shows nothing
constexpr uint32_t kShownMs = 500;       // once shown, the screen stays this long
constexpr uint32_t kRedrawMs = 16;       // at most about 60 redraws a second
constexpr uint32_t kDeepestRange = 7;

}  // namespace

const LoadingScreenState& GetLoadingScreen() { return g_displaySession.loading; }

void BeginLoadingScreen() {
    LoadingScreenState& s = g_displaySession.loading;
    if (s.active) return;
    s.active = 1;
    s.image = LoadTextureImage("text_loading");
    s.ranges[0] = {0.0, 1.0};
    uint32_t now = PfReadClockMs();
    s.startTime = s.lastDrawTime = s.firstShownTime = now;
    s.depth = 0;
}

void AddLoadingStage(double a, double b) {
    LoadingScreenState& s = g_displaySession.loading;
    if (!s.active || s.depth >= kDeepestRange) return;
    LoadingRange r = s.ranges[s.depth];
    s.ranges[s.depth + 1] = {r.from + (r.to - r.from) * a, r.from + (r.to - r.from) * b};
    s.depth += 1;
}

void LeaveLoadingStage() {
    LoadingScreenState& s = g_displaySession.loading;
    if (s.depth > 0) s.depth -= 1;
}

void UpdateLoadingProgress(double fraction) {
    LoadingScreenState& s = g_displaySession.loading;
    if (!s.active) return;
    uint32_t now = PfReadClockMs();
    if (now - s.startTime <= kHiddenMs) return;
    if (s.lastDrawTime == s.startTime) s.firstShownTime = now;
    if (now - s.lastDrawTime >= kRedrawMs) {
        LoadingRange r = s.ranges[s.depth];
        DrawLoadingScreen(r.from + (r.to - r.from) * fraction);
        s.lastDrawTime = now;
    }
}

void EndLoadingScreen() {
    LoadingScreenState& s = g_displaySession.loading;
    if (!s.active) return;
    if (s.lastDrawTime - s.startTime > kHiddenMs) {
        DrawLoadingScreen(1.0);
        while (PfReadClockMs() - s.firstShownTime < kShownMs) DrawLoadingScreen(1.0);
    }
    FreeTextureImage(s.image);
    s.image = nullptr;
    s.active = 0;
}

void DrawLoadingScreen(double p) {
    CatchUpLastFrameTime();
    if (!MakeGameContextCurrent()) {
        // No window (closed under a menu): the frame is only paced and counted.
        PresentFrame();
        return;
    }
    ClearGameScreen();
    PushOverlay2D();
    const TextureImage* image = g_displaySession.loading.image;
    if (image) {
        glColor4d(1.0, 1.0, 1.0, 1.0);
        int32_t x = (GameWindowWidth - int32_t(image->columns)) / 2;
        int32_t y = (GameWindowHeight - int32_t(image->rows)) / 2;
        DrawImagePixels(image, x, y, 0, 0, GameWindowWidth, GameWindowHeight, 1.0, 1.0);
        double left = x, right = x + double(image->columns);
        double fill = left + (right - left) * p;
        glColor4d(1.0, 0.0, 0.0, 1.0);
        DrawSolidRectangle(left, y - 25.0, fill, y - 5.0);
        glColor4d(0.1, 0.1, 0.1, 1.0);
        DrawSolidRectangle(fill, y - 25.0, right, y - 5.0);
    }
    PopOverlay2D();
    PresentFrame();
}
