// The quality presets, the stored quality values, the record in force, and the
// configured display mode.
#include "display/dp_quality.h"

#include "app/app_config.h"
#include "platform/pf_displays.h"

namespace {

// Rows of Low, Medium and High.
const QualitySettings kPresets[3] = {
    {0.0, false, false, false, 0, 0, 3, 2},
    {0.0, true, true, true, 0, 0, 1, 1},
    {0.0, true, true, true, 1, 3, 1, 1},
};

const QualitySettings& PresetValues(int32_t preset) { return kPresets[preset - QualityPresetLow]; }

bool SameValues(const QualitySettings& a, const QualitySettings& b) {
    return a.Fade == b.Fade && a.SmoothPolygons == b.SmoothPolygons &&
           a.HighQualityModels == b.HighQualityModels && a.MagFilter == b.MagFilter &&
           a.MinFilter == b.MinFilter && a.BackgroundTexture == b.BackgroundTexture &&
           a.ForegroundTexture == b.ForegroundTexture;
}

struct CurrentQuality {
    QualitySettings settings;
    bool set;   // false until written or defaulted
};

CurrentQuality g_quality;  // main thread, whole run

}  // namespace

bool GetQualityPresetValues(int32_t preset, QualitySettings& out) {
    if (preset < QualityPresetLow || preset > QualityPresetHigh) return false;
    out = PresetValues(preset);
    return true;
}

int32_t MatchQualityPreset(const QualitySettings& values, bool automatic) {
    if (automatic) return QualityPresetAutomatic;
    for (int32_t p = QualityPresetLow; p <= QualityPresetHigh; ++p)
        if (SameValues(values, PresetValues(p))) return p;
    return QualityPresetCustom;
}

QualitySettings GetQualitySettings() {
    const GameConfigRecord& c = GameConfig;
    return {0.0,         c.Fade != 0,  c.SmoothPolygons != 0, c.HighQualityModels != 0,
            c.MagFilter, c.MinFilter, c.BackgroundTexture,   c.ForegroundTexture};
}

void SetQualitySettings(const QualitySettings& v) {
    ConfigWriteBatch batch;  // the seven keys saved once
    SetConfigValue(ConfigKey::Fade, v.Fade ? 1 : 0);
    SetConfigValue(ConfigKey::SmoothPolygons, v.SmoothPolygons ? 1 : 0);
    SetConfigValue(ConfigKey::HighQualityModels, v.HighQualityModels ? 1 : 0);
    SetConfigValue(ConfigKey::MagFilter, v.MagFilter);
    SetConfigValue(ConfigKey::MinFilter, v.MinFilter);
    SetConfigValue(ConfigKey::BackgroundTexture, v.BackgroundTexture);
    SetConfigValue(ConfigKey::ForegroundTexture, v.ForegroundTexture);
}

const QualitySettings* ActiveQualitySettings() {
    if (!g_quality.set) {
        g_quality.settings = PresetValues(QualityPresetHigh);
        g_quality.set = true;
    }
    return &g_quality.settings;
}

void SetActiveQualitySettings(const QualitySettings& values) {
    g_quality.settings = values;
    g_quality.set = true;
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

TextureFilters ActiveTextureFilters() { return {ActiveMagFilter(), ActiveMinFilter()}; }

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
