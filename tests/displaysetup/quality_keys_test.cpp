// The seven quality keys written and read back through a private store, the presets
// and which preset stored values show as.
#include <gtest/gtest.h>

#include <string>

#include "app/app_config.h"
#include "display/dp_quality.h"
#include "support/private_store.h"

namespace {

class QualityKeys : public ToolkitTest {
protected:
    PrivateStore store;
};

TEST_F(QualityKeys, WrittenInOrderAndReadBack) {
    // The seven keys go to disk in one save.
    const unsigned long saves = ConfigSaveCount();
    SetQualitySettings({0.7, true, false, true, 1, 4, 2, 3});
    EXPECT_EQ(ConfigSaveCount() - saves, 1u);
    EXPECT_EQ(GameConfig.Fade, 1);
    EXPECT_EQ(GameConfig.SmoothPolygons, 0);
    EXPECT_EQ(GameConfig.MinFilter, 4);
    const std::string text = store.Text();
    const char* keys[] = {"Fade=1", "SmoothPolygons=0", "HighQualityModels=1", "MagFilter=1",
                          "MinFilter=4", "BackgroundTexture=2", "ForegroundTexture=3"};
    size_t at = 0;
    for (const char* key : keys) {
        const size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " in\n" << text;
        at = found;
    }

    // A fresh load reads the stored values; the score is never stored.
    store.Load();
    const QualitySettings q = GetQualitySettings();
    EXPECT_EQ(q.Score, 0.0);
    EXPECT_TRUE(q.Fade);
    EXPECT_FALSE(q.SmoothPolygons);
    EXPECT_TRUE(q.HighQualityModels);
    EXPECT_EQ(q.MagFilter, 1);
    EXPECT_EQ(q.MinFilter, 4);
    EXPECT_EQ(q.BackgroundTexture, 2);
    EXPECT_EQ(q.ForegroundTexture, 3);
    // Any non-zero stored switch is on.
    GameConfig.SmoothPolygons = -5;
    EXPECT_TRUE(GetQualitySettings().SmoothPolygons);
}

TEST_F(QualityKeys, PresetsAndWhatValuesShowAs) {
    QualitySettings low, medium, high, none = {};
    ASSERT_TRUE(GetQualityPresetValues(QualityPresetLow, low));
    ASSERT_TRUE(GetQualityPresetValues(QualityPresetMedium, medium));
    ASSERT_TRUE(GetQualityPresetValues(QualityPresetHigh, high));
    EXPECT_FALSE(GetQualityPresetValues(QualityPresetAutomatic, none));
    EXPECT_FALSE(GetQualityPresetValues(QualityPresetCustom, none));
    EXPECT_EQ(high.MinFilter, 3);
    EXPECT_EQ(high.MagFilter, 1);
    EXPECT_EQ(low.BackgroundTexture, 3);
    EXPECT_EQ(low.ForegroundTexture, 2);
    EXPECT_TRUE(medium.Fade);
    EXPECT_EQ(medium.MinFilter, 0);

    const QualitySettings storedLow = {0.0, false, false, false, 0, 0, 3, 2};
    EXPECT_EQ(MatchQualityPreset(storedLow, false), QualityPresetLow);
    EXPECT_EQ(MatchQualityPreset(storedLow, true), QualityPresetAutomatic);
    QualitySettings scored = high;
    scored.Score = 0.9;  // the score is no part of a preset
    EXPECT_EQ(MatchQualityPreset(scored, false), QualityPresetHigh);
    EXPECT_EQ(MatchQualityPreset(medium, false), QualityPresetMedium);
    QualitySettings custom = high;
    custom.ForegroundTexture = 2;
    EXPECT_EQ(MatchQualityPreset(custom, false), QualityPresetCustom);
}

}  // namespace
