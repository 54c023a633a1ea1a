// The quality settings record and the configured display mode.
#include <gtest/gtest.h>

#include "display/dp_quality.h"

namespace {

bool SameMode(const DisplayMode& m, uint32_t index, uint32_t w, uint32_t h, uint32_t d) {
    return m.index == index && m.width == w && m.height == h && m.depth == d;
}

TEST(ConfiguredDisplayMode, NothingConfiguredGivesTheMonitorsCurrentMode) {
    EXPECT_TRUE(SameMode(ResolveDisplayMode(-1, 0, 0, 0, 1, 1024, 768, 32), 0, 1024, 768, 32));
}

TEST(ConfiguredDisplayMode, AnIndexBeyondTheMonitorsGivesMonitorZero) {
    EXPECT_TRUE(SameMode(ResolveDisplayMode(3, 800, 600, 16, 2, 1024, 768, 32), 0, 800, 600, 16));
    EXPECT_TRUE(SameMode(ResolveDisplayMode(1, 800, 600, 16, 2, 1024, 768, 32), 1, 800, 600, 16));
}

TEST(ConfiguredDisplayMode, AnIndexEqualToTheMonitorCountGivesMonitorZero) {
    // Monitors count from 0: with two, index 2 is the third, which is not there.
    EXPECT_TRUE(SameMode(ResolveDisplayMode(2, 800, 600, 16, 2, 1024, 768, 32), 0, 800, 600, 16));
    EXPECT_TRUE(SameMode(ResolveDisplayMode(1, 800, 600, 16, 1, 1024, 768, 32), 0, 800, 600, 16));
}

TEST(ConfiguredDisplayMode, OnlyAWidthSavedTakesBothFromTheCurrentMode) {
    EXPECT_TRUE(SameMode(ResolveDisplayMode(0, 800, 0, 0, 1, 1280, 1024, 24), 0, 1280, 1024, 24));
}

TEST(ConfiguredDisplayMode, NoCurrentModeAndNothingSavedGivesVgaAtSixteenBits) {
    EXPECT_TRUE(SameMode(ResolveDisplayMode(0, 0, 0, 0, 1, 0, 0, 0), 0, 640, 480, 16));
}

TEST(ConfiguredDisplayMode, ASavedDepthWinsOverTheCurrentOne) {
    EXPECT_TRUE(SameMode(ResolveDisplayMode(0, 640, 480, 16, 1, 1024, 768, 32), 0, 640, 480, 16));
}

TEST(QualitySettingsRecord, DefaultsOnFirstUseAreMipmapped) {
    SetQualitySettingsValid(false);
    const QualitySettings* q = ActiveQualitySettings();
    EXPECT_EQ(q->Score, 0.0);
    EXPECT_TRUE(q->Fade);
    EXPECT_TRUE(q->SmoothPolygons);
    EXPECT_TRUE(q->HighQualityModels);
    EXPECT_EQ(q->MagFilter, 1);
    EXPECT_EQ(q->MinFilter, 3);
    EXPECT_EQ(q->BackgroundTexture, 1);
    EXPECT_EQ(q->ForegroundTexture, 1);
    // A record made current later stays: the defaults are filled only once.
    QualitySettings changed = *q;
    changed.MinFilter = 0;
    SetActiveQualitySettings(changed);
    EXPECT_EQ(ActiveQualitySettings()->MinFilter, 0);
    SetQualitySettingsValid(false);
}

TEST(QualitySettingsRecord, HandEditedValuesAreHeldToTheMenuRanges) {
    SetQualitySettingsValid(false);
    QualitySettings q = *ActiveQualitySettings();
    q.MagFilter = 7;
    q.MinFilter = -3;
    q.BackgroundTexture = 32;
    q.ForegroundTexture = -1;
    SetActiveQualitySettings(q);
    EXPECT_EQ(ActiveMagFilter(), 1);
    EXPECT_EQ(ActiveMinFilter(), 0);
    EXPECT_EQ(ActiveBackgroundTextureLevel(), 4);
    EXPECT_EQ(ActiveForegroundTextureLevel(), 0);
    q.MinFilter = 9;
    SetActiveQualitySettings(q);
    EXPECT_EQ(ActiveMinFilter(), 5);
    EXPECT_EQ(512 >> ActiveBackgroundTextureLevel(), 32);
    SetQualitySettingsValid(false);
}

}  // namespace
