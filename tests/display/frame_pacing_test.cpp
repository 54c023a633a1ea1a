// Frame pacing on a fake clock: the 10 ms floor by sleeping, the 1000 ms cap, the
// plain average of the first 20 frames and the smoothed, drift-free steps after.
#include <gtest/gtest.h>

#include <cstring>

#include "display/dp_frame.h"
#include "platform/pf_clock.h"
#include "platform/pf_seams.h"

namespace {

uint32_t g_now = 0;
uint32_t g_sleepCalls = 0;
uint32_t g_slept = 0;

uint32_t FakeRead() { return g_now; }
void FakeSleep(uint32_t ms) {
    ++g_sleepCalls;
    g_slept += ms;
    g_now += ms;
}

class FramePacing : public ::testing::Test {
protected:
    void SetUp() override {
        g_pfSeams.readClock = FakeRead;
        g_pfSeams.sleep = FakeSleep;
        ResetFrameStatistics();
        g_now = 100000;
        CatchUpLastFrameTime();  // the clock starts now
        g_sleepCalls = g_slept = 0;
    }
    // A frame whose drawing took ms since the last one.
    uint32_t FrameAfter(uint32_t ms) {
        g_now += ms;
        return PresentFrame();
    }
};

TEST_F(FramePacing, AFastFrameSleepsUpToTenMilliseconds) {
    EXPECT_EQ(FrameAfter(3), 10u);
    EXPECT_EQ(g_sleepCalls, 1u);
    EXPECT_EQ(g_slept, 7u);
    EXPECT_EQ(GetFrameStatistics().total, 10u);
    EXPECT_EQ(FrameStepMs, 10u);
    EXPECT_EQ(LastFrameTimeMs, g_now);
}

TEST_F(FramePacing, ALongStallCountsAsOneSecond) {
    EXPECT_EQ(FrameAfter(5000), 1000u);
    EXPECT_EQ(GetFrameStatistics().total, 1000u);
    EXPECT_EQ(g_sleepCalls, 0u);
}

TEST_F(FramePacing, TheClockWrapsWithoutHarm) {
    g_now = 0xFFFFFFF0u;
    CatchUpLastFrameTime();  // the clock starts now
    EXPECT_EQ(FrameAfter(25), 25u);
    EXPECT_EQ(LastFrameTimeMs, 9u);
}

TEST_F(FramePacing, TheFirstTwentyStepsAreTheRawSteps) {
    for (uint32_t i = 0; i < 20; ++i) {
        uint32_t raw = 10 + (i * 7) % 23;
        EXPECT_EQ(FrameAfter(raw), raw);
        EXPECT_EQ(GetFrameStatistics().integerSum, GetFrameStatistics().total);
    }
    EXPECT_EQ(GetFrameStatistics().frameCount, 20u);
}

TEST_F(FramePacing, LaterStepsFollowTheAverageAndKeepTheSum) {
    for (int i = 0; i < 20; ++i) FrameAfter(16);
    EXPECT_DOUBLE_EQ(GetFrameStatistics().average, 16.0);
    // Frame 21, raw 17: average 16.2 rounds to 16, but the sum 336 would trail the
    // total 337, so 17.
    EXPECT_EQ(FrameAfter(17), 17u);
    EXPECT_DOUBLE_EQ(GetFrameStatistics().average, 0.2 * 17 + 0.8 * 16.0);
    // Frame 22, raw 16: average 16.16 rounds to 16 and the sum meets the total.
    EXPECT_EQ(FrameAfter(16), 16u);
    EXPECT_EQ(GetFrameStatistics().integerSum, GetFrameStatistics().total);
    for (int i = 0; i < 200; ++i) {
        uint32_t step = FrameAfter(i % 2 ? 16 : 17);
        EXPECT_GE(step + 1.0, GetFrameStatistics().average);
        EXPECT_LE(step - 1.0, GetFrameStatistics().average + 0.5);
        int64_t drift = int64_t(GetFrameStatistics().total) - int64_t(GetFrameStatistics().integerSum);
        EXPECT_LE(drift < 0 ? -drift : drift, int64_t(step));
    }
}

TEST_F(FramePacing, AStallThenNormalFramesCatchesUpWithoutDrift) {
    for (int i = 0; i < 20; ++i) FrameAfter(16);
    // 0.2 * 1000 + 0.8 * 16 = 212.8 rounds to 213; the sum trails, so 214.
    EXPECT_EQ(FrameAfter(5000), 214u);
    uint32_t last = 0;
    for (int i = 0; i < 120; ++i) {
        last = FrameAfter(16);
        EXPECT_LE(last, 1000u);
        EXPECT_LE(GetFrameStatistics().integerSum, GetFrameStatistics().total + last);
    }
    EXPECT_EQ(last, 16u);
    int64_t drift = int64_t(GetFrameStatistics().total) - int64_t(GetFrameStatistics().integerSum);
    EXPECT_LE(drift < 0 ? -drift : drift, 1);
}

TEST(FrameRateOverlay, ShowsZeroBeforeAnythingWasMeasured) {
    char text[32];
    FormatFrameRate(0.0, text, sizeof text);
    EXPECT_STREQ(text, "       0 fps");
    FormatFrameRate(16.0, text, sizeof text);
    EXPECT_STREQ(text, "      62 fps");
}

}  // namespace
