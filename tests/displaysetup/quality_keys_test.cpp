// The seven quality keys written and read back through a private store, the presets
// and which preset stored values show as.
#include <gtest/gtest.h>
#include <wx/config.h>
#include <wx/init.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "app/app_config.h"
#include "displaysetup/ds_quality_keys.h"
#include "support/test_support.h"

namespace {

TEST(QualityKeys, WrittenInOrderAndReadBack) {
    ASSERT_TRUE(wxInitialize());
    TempDir dir;
    setenv("HOME", dir.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir.Path() + "/xdg").c_str(), 1);
    mkdir((dir.Path() + "/xdg").c_str(), 0700);
    const std::string global = dir.Path() + "/global.conf";
    GameConfig = GameConfigRecord{};
    LoadGameConfigWithGlobalFile(global.c_str());

    SetQualitySettings({0.7, true, false, true, 1, 4, 2, 3});
    EXPECT_EQ(GameConfig.Fade, 1);
    EXPECT_EQ(GameConfig.SmoothPolygons, 0);
    EXPECT_EQ(GameConfig.MinFilter, 4);
    const std::string text = ReadWholeFile(dir.Path() + "/xdg/vorpane.conf");
    const char* keys[] = {"Fade=1", "SmoothPolygons=0", "HighQualityModels=1", "MagFilter=1",
                          "MinFilter=4", "BackgroundTexture=2", "ForegroundTexture=3"};
    size_t at = 0;
    for (const char* key : keys) {
        const size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " in\n" << text;
        at = found;
    }

    // A fresh load reads the stored values; the score is never stored.
    GameConfig = GameConfigRecord{};
    LoadGameConfigWithGlobalFile(global.c_str());
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

    delete wxConfigBase::Set(nullptr);
    wxUninitialize();
}

TEST(QualityKeys, PresetsAndWhatValuesShowAs) {
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
