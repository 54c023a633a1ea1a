// The quality settings record and the configured display mode.
#include "display/dp_quality.h"

#include "app/app_config.h"
#include "platform/pf_displays.h"

namespace {

struct CurrentQuality {
    QualitySettings settings;
    bool set;   // false until written or defaulted
};

CurrentQuality g_quality;  // main thread, whole run

}  // namespace

QualitySettings* ActiveQualitySettings() {
    if (!g_quality.set) {
        g_quality.settings = {0.0, true, true, true, 1, 3, 1, 1};
        g_quality.set = true;
    }
    return &g_quality.settings;
}

void SetQualitySettingsValid(bool valid) { g_quality.set = valid; }

int32_t ClampQualityValue(int32_t value, int32_t maximum) {
    return value < 0 ? 0 : value > maximum ? maximum : value;
}

int32_t ActiveMagFilter() { return ClampQualityValue(ActiveQualitySettings()->MagFilter, kMaxMagFilter); }

int32_t ActiveMinFilter() { return ClampQualityValue(ActiveQualitySettings()->MinFilter, kMaxMinFilter); }

int32_t ActiveBackgroundTextureLevel() {
    return ClampQualityValue(ActiveQualitySettings()->BackgroundTexture, kMaxTextureLevel);
}

int32_t ActiveForegroundTextureLevel() {
    return ClampQualityValue(ActiveQualitySettings()->ForegroundTexture, kMaxTextureLevel);
}

DisplayMode ResolveDisplayMode(int32_t index, int32_t width, int32_t height, int32_t depth,
                               unsigned displayCount, uint32_t currentWidth,
                               uint32_t currentHeight, uint32_t currentDepth) {
    uint32_t chosen = static_cast<uint32_t>(index);
    if (chosen >= displayCount) chosen = 0;
    uint32_t w = static_cast<uint32_t>(width);
    uint32_t h = static_cast<uint32_t>(height);
    if (w == 0 || h == 0) {
        w = currentWidth;
        h = currentHeight;
    }
    uint32_t d = static_cast<uint32_t>(depth);
    if (d == 0) d = currentDepth;
    if (d == 0) d = 16;
    if (w != 0 && h != 0) return {chosen, w, h, d};
    return {chosen, 640, 480, d};
}

DisplayMode& GetConfiguredDisplayMode(DisplayMode& out) {
    unsigned count = PfCountDisplays();
    uint32_t index = static_cast<uint32_t>(GameConfig.DisplayIndex);
    if (index >= count) index = 0;
    PlatformDisplayMode current = {0, 0, 0, 0};
    if (!PfGetCurrentMode(index, &current)) current = {0, 0, 0, 0};
    out = ResolveDisplayMode(GameConfig.DisplayIndex, GameConfig.GameWidth, GameConfig.GameHeight,
                             GameConfig.GameDepth, count, current.width, current.height,
                             current.depth);
    return out;
}
