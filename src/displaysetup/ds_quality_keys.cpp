// The stored display settings and the quality presets.
#include "displaysetup/ds_quality_keys.h"

#include "app/app_config.h"

namespace {

// Rows of Low, Medium and High.
const QualitySettings kPresets[3] = {
    {0.0, false, false, false, 0, 0, 3, 2},
    {0.0, true, true, true, 0, 0, 1, 1},
    {0.0, true, true, true, 1, 3, 1, 1},
};

bool SameValues(const QualitySettings& a, const QualitySettings& b) {
    return a.Fade == b.Fade && a.SmoothPolygons == b.SmoothPolygons &&
           a.HighQualityModels == b.HighQualityModels && a.MagFilter == b.MagFilter &&
           a.MinFilter == b.MinFilter && a.BackgroundTexture == b.BackgroundTexture &&
           a.ForegroundTexture == b.ForegroundTexture;
}

}  // namespace

QualitySettings GetQualitySettings() {
    const GameConfigRecord& c = GameConfig;
    return {0.0,         c.Fade != 0,  c.SmoothPolygons != 0, c.HighQualityModels != 0,
            c.MagFilter, c.MinFilter, c.BackgroundTexture,   c.ForegroundTexture};
}

void SetQualitySettings(const QualitySettings& v) {
    ConfigWriteBatch batch;
    SetConfigValue(ConfigKey::Fade, v.Fade ? 1 : 0);
    SetConfigValue(ConfigKey::SmoothPolygons, v.SmoothPolygons ? 1 : 0);
    SetConfigValue(ConfigKey::HighQualityModels, v.HighQualityModels ? 1 : 0);
    SetConfigValue(ConfigKey::MagFilter, v.MagFilter);
    SetConfigValue(ConfigKey::MinFilter, v.MinFilter);
    SetConfigValue(ConfigKey::BackgroundTexture, v.BackgroundTexture);
    SetConfigValue(ConfigKey::ForegroundTexture, v.ForegroundTexture);
}

void StoreGameDisplayMode(const DisplayMode& mode) {
    ConfigWriteBatch batch;
    SetConfigValue(ConfigKey::GameWidth, int32_t(mode.width));
    SetConfigValue(ConfigKey::GameHeight, int32_t(mode.height));
    SetConfigValue(ConfigKey::GameDepth, int32_t(mode.depth));
}

bool GetQualityPresetValues(int32_t preset, QualitySettings& out) {
    if (preset < QualityPresetLow || preset > QualityPresetHigh) return false;
    out = kPresets[preset - QualityPresetLow];
    return true;
}

int32_t MatchQualityPreset(const QualitySettings& values, bool automatic) {
    if (automatic) return QualityPresetAutomatic;
    for (int32_t p = QualityPresetLow; p <= QualityPresetHigh; ++p)
        if (SameValues(values, kPresets[p - QualityPresetLow])) return p;
    return QualityPresetCustom;
}
