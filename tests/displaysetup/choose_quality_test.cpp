// The choice of quality settings from made-up measurements: the frame-time model, the
// order of the upgrades, the thresholds, the texture levels and the score.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "displaysetup/ds_quality_test.h"

namespace {

constexpr uint32_t kTexture = 262144;  // bytes of one resident test texture

QualityTestResults Flat(double frameSeconds, uint32_t residentTextures) {
    return {frameSeconds, 0.0, 0.0, 0.0, {0.0, 0.0}, {0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
            residentTextures * kTexture};
}

QualityTestResults WorkedExample(uint32_t residentTextures) {
    return {0.02, 0.004, 2e-6, 3e-6, {0.001, 0.0005},
            {0.003, 0.004, 0.002, 0.0015, 0.002, 0.0025}, residentTextures * kTexture};
}

void ExpectSettings(const QualitySettings& q, bool fade, bool smooth, bool models, int32_t mag,
                    int32_t min, int32_t background, int32_t foreground) {
    EXPECT_EQ(q.Fade, fade);
    EXPECT_EQ(q.SmoothPolygons, smooth);
    EXPECT_EQ(q.HighQualityModels, models);
    EXPECT_EQ(q.MagFilter, mag);
    EXPECT_EQ(q.MinFilter, min);
    EXPECT_EQ(q.BackgroundTexture, background);
    EXPECT_EQ(q.ForegroundTexture, foreground);
}

TEST(ChooseQuality, TheWorkedExample) {
    QualitySettings q;
    // MinFilter 4 and 5 accepted, smoothing rejected (28.6 per second), the detailed
    // models accepted (34.5), fades accepted at 30.3.
    EXPECT_TRUE(ChooseQualitySettings(q, WorkedExample(128)));
    ExpectSettings(q, true, false, true, 1, 5, 1, 1);
    EXPECT_DOUBLE_EQ(q.Score, 0.9);
    // 12 resident textures (3 MiB): both levels drop to 2, mipmapped.
    EXPECT_TRUE(ChooseQualitySettings(q, WorkedExample(12)));
    ExpectSettings(q, true, false, true, 1, 5, 2, 2);
    EXPECT_DOUBLE_EQ(q.Score, 1.0 * 0.9 * 0.9 * 0.8);
    EXPECT_NEAR(q.Score, 0.648, 1e-12);
}

TEST(ChooseQuality, FastAndFailingDisplays) {
    QualitySettings q;
    EXPECT_TRUE(ChooseQualitySettings(q, Flat(0.01, 128)));
    ExpectSettings(q, true, true, true, 1, 5, 1, 1);
    EXPECT_EQ(q.Score, 1.0);

    // 0.05 s a frame is just under 20 per second (the 1e-8): nothing is upgraded,
    // the textures fall to 3 and 3, the base score is 0 and the choice fails.
    EXPECT_FALSE(ChooseQualitySettings(q, Flat(0.05, 0)));
    ExpectSettings(q, false, false, false, 0, 0, 3, 3);
    EXPECT_EQ(q.Score, 0.0);

    // A measurement that is not a number rejects every upgrade and fails.
    QualityTestResults nan = Flat(std::numeric_limits<double>::quiet_NaN(), 128);
    EXPECT_FALSE(ChooseQualitySettings(q, nan));
    ExpectSettings(q, false, false, false, 0, 0, 1, 1);
    EXPECT_EQ(q.Score, 0.0);
}

TEST(ChooseQuality, ThresholdsAndTheBaseScore) {
    QualitySettings q;
    // Just above 30 per second: every upgrade; just below: none, with the base score
    // on its line from 0.5 at 20 to 1.0 at 30.
    EXPECT_TRUE(ChooseQualitySettings(q, Flat(1.0 / 30.0 - 2e-8, 128)));
    ExpectSettings(q, true, true, true, 1, 5, 1, 1);
    EXPECT_TRUE(ChooseQualitySettings(q, Flat(1.0 / 30.0, 128)));
    ExpectSettings(q, true, false, false, 0, 0, 1, 1);
    const double base = 0.5 + (1.0 / (1.0 / 30.0 + 1e-8) - 20.0) * 0.5 / 10.0;
    EXPECT_DOUBLE_EQ(q.Score, base * 0.9 * 0.85 * 0.6 * 0.7);

    // 25 per second: base 0.75.
    EXPECT_TRUE(ChooseQualitySettings(q, Flat(0.04 - 1e-8, 128)));
    EXPECT_NEAR(q.Score, 0.75 * 0.9 * 0.85 * 0.6 * 0.7, 1e-9);
    EXPECT_TRUE(q.Fade);

    // Fades need 20 per second only, and leave the score as it was.
    QualityTestResults r = WorkedExample(128);
    r.LayerSeconds = 0.02;  // 0.049 s with fades: 20.4 per second
    EXPECT_TRUE(ChooseQualitySettings(q, r));
    EXPECT_TRUE(q.Fade);
    EXPECT_DOUBLE_EQ(q.Score, 0.9);
    r.LayerSeconds = 0.022;  // 0.051 s: 19.6
    EXPECT_TRUE(ChooseQualitySettings(q, r));
    EXPECT_FALSE(q.Fade);
    EXPECT_DOUBLE_EQ(q.Score, 0.9);
}

TEST(ChooseQuality, TiesStartAtTheLowerFilter) {
    QualitySettings q;
    // Too slow for any upgrade: the start shows. Equal magnification costs start at
    // 0; two equal smallest minification costs start at the lower index.
    QualityTestResults r = Flat(0.04, 128);
    r.MagFilterSeconds[0] = r.MagFilterSeconds[1] = 0.001;
    r.MinFilterSeconds[0] = 0.003;
    r.MinFilterSeconds[1] = 0.001;
    r.MinFilterSeconds[2] = 0.001;
    for (int k = 3; k < 6; ++k) r.MinFilterSeconds[k] = 0.002;
    ChooseQualitySettings(q, r);
    EXPECT_EQ(q.MagFilter, 0);
    EXPECT_EQ(q.MinFilter, 1);
    // The cheaper filter 1 starts; with room, equal costs still upgrade to 1.
    r.MagFilterSeconds[1] = 0.0009;
    ChooseQualitySettings(q, r);
    EXPECT_EQ(q.MagFilter, 1);
    r = Flat(0.02, 128);
    r.MagFilterSeconds[0] = r.MagFilterSeconds[1] = 0.001;
    ChooseQualitySettings(q, r);
    EXPECT_EQ(q.MagFilter, 1);
}

TEST(ChooseQuality, UpgradesInOrderEachAgainstWhatWasTakenBefore) {
    // Room for 0.00033 s above the base frame. MinFilter 1 (0.0002) takes most of it,
    // so MagFilter 1 (another 0.0002) no longer fits; MinFilter 2 (0.0001) fits, 3
    // does not, 4 fits again, 5 does not; smoothing (2000 x 1e-7) fits; the detailed
    // models (3000 x 1e-7 for the smoothing) do not.
    QualityTestResults r = Flat(0.033, 16);
    r.MagFilterSeconds[1] = 0.0002;
    const double min[6] = {0.0, 0.0002, 0.0001, 0.0003, 0.0001, 0.0004};
    for (int k = 0; k < 6; ++k) r.MinFilterSeconds[k] = min[k];
    r.OutlinePolygonSeconds = 1e-7;
    QualitySettings q;
    EXPECT_TRUE(ChooseQualitySettings(q, r));
    // 16 textures (4 MiB) hold need(1, 1) unmipmapped but not mipmapped, and not
    // need(2, 1) either: both levels 2.
    ExpectSettings(q, true, true, false, 0, 4, 2, 2);
    EXPECT_DOUBLE_EQ(q.Score, 1.0 * 0.85 * 0.6 * 0.98 * 0.9 * 0.8);

    // The same memory without mipmaps (MinFilter stays 1) keeps levels 1 and 1.
    for (int k = 2; k < 6; ++k) r.MinFilterSeconds[k] = 0.001;
    EXPECT_TRUE(ChooseQualitySettings(q, r));
    EXPECT_EQ(q.MinFilter, 1);
    EXPECT_EQ(q.BackgroundTexture, 1);
    EXPECT_EQ(q.ForegroundTexture, 1);
}

TEST(ChooseQuality, TextureLevelsStepDownInTurn) {
    // Unmipmapped needs: (1,1) 3964928, (2,1) 3178496, (2,2) 1982464, (3,2) 1589248,
    // (3,3) 991232 bytes.
    struct Case {
        uint32_t bytes;
        int32_t background, foreground;
    } cases[] = {{3964928, 1, 1}, {3964927, 2, 1}, {3178496, 2, 1}, {3178495, 2, 2},
                 {1982464, 2, 2}, {1982463, 3, 2}, {1589248, 3, 2}, {1589247, 3, 3},
                 {0, 3, 3}};
    for (const Case& c : cases) {
        QualityTestResults r = Flat(0.04, 0);  // too slow to upgrade: MinFilter 0
        r.ResidentTextureBytes = c.bytes;
        QualitySettings q;
        ChooseQualitySettings(q, r);
        EXPECT_EQ(q.BackgroundTexture, c.background) << c.bytes;
        EXPECT_EQ(q.ForegroundTexture, c.foreground) << c.bytes;
    }
}

}  // namespace
