// The loading screen's timing rules on a fake clock, its nested ranges, and the bar
// as drawn (read from the back buffer just before each swap).
#include <gtest/gtest.h>

#include <vector>

#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_loading.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "platform/pf_clock.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeRead() { return g_now; }
void FakeSleep(uint32_t ms) { g_now += ms; }

struct Drawn {
    uint32_t time;
    Rgba barLeft;    // just inside the bar's left end
    Rgba barRight;   // just inside its right end
    Rgba atFill375;  // a little left of 0.375 of the bar
    Rgba pastFill375;
};
std::vector<Drawn> g_frames;

// The 200 x 40 test picture centred in 640 x 480: x 220, y 220; the bar spans
// x 220..420 at y 195..215.
void ReadFrame() {
    g_frames.push_back({g_now, ReadPixel(221, 205), ReadPixel(418, 205), ReadPixel(290, 205),
                        ReadPixel(300, 205)});
}

class LoadingScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenTestWindow(640, 480));
        g_pfSeams.readClock = FakeRead;
        g_pfSeams.sleep = FakeSleep;
        ResetFrameStatistics();
        g_now = 50000;
        CatchUpLastFrameTime();  // the clock starts now
        g_frames.clear();
        g_pfSeams.beforeSwap = ReadFrame;
    }
    void TearDown() override {
        EndLoadingScreen();
        CloseTestWindow();
    }
};

TEST_F(LoadingScreen, ShortWorkDrawsNothingAndDoesNotDelayTheEnd) {
    BeginLoadingScreen();
    ASSERT_NE(GetLoadingScreen().image, nullptr);
    for (int i = 0; i < 25; ++i) {
        g_now += 20;
        UpdateLoadingProgress(i / 25.0);
    }
    uint32_t before = g_now;
    EndLoadingScreen();
    EXPECT_TRUE(g_frames.empty());
    EXPECT_EQ(g_now, before);
    EXPECT_EQ(GetLoadingScreen().active, 0);
    EXPECT_EQ(GetLoadingScreen().image, nullptr);
}

TEST_F(LoadingScreen, LongWorkShowsAfterHalfASecondAndStaysHalfASecond) {
    uint32_t start = g_now;
    BeginLoadingScreen();
    for (int i = 0; i < 30; ++i) {
        g_now += 20;
        UpdateLoadingProgress((i + 1) / 30.0);
    }
    ASSERT_FALSE(g_frames.empty());
    EXPECT_EQ(g_frames.front().time - start, 520u);  // the first update past 500 ms
    EXPECT_EQ(GetLoadingScreen().firstShownTime - start, 520u);
    EndLoadingScreen();
    // Full bar, up to 500 ms after the first frame.
    EXPECT_GE(g_now - (start + 520), 500u);
    EXPECT_LT(g_now - (start + 520), 520u);
    EXPECT_EQ(g_frames.back().barRight.r, 255);
    EXPECT_EQ(g_frames.back().barRight.g, 0);
}

TEST_F(LoadingScreen, RedrawsAreAtLeastSixteenMillisecondsApart) {
    uint32_t start = g_now;
    BeginLoadingScreen();
    g_now = start + 600;
    UpdateLoadingProgress(0.1);
    g_now += 5;
    UpdateLoadingProgress(0.2);
    size_t drawn = g_frames.size();
    EXPECT_EQ(drawn, 1u);
    g_now = GetLoadingScreen().lastDrawTime + 16;
    UpdateLoadingProgress(0.3);
    EXPECT_EQ(g_frames.size(), 2u);
}

TEST_F(LoadingScreen, NestedStagesMapIntoTheBar) {
    BeginLoadingScreen();
    AddLoadingStage(0.0, 0.5);
    AddLoadingStage(0.5, 1.0);
    EXPECT_DOUBLE_EQ(GetLoadingScreen().ranges[2].from, 0.25);
    EXPECT_DOUBLE_EQ(GetLoadingScreen().ranges[2].to, 0.5);
    g_now += 600;
    UpdateLoadingProgress(0.5);  // 0.375 of the bar: fill at x 295
    ASSERT_EQ(g_frames.size(), 1u);
    EXPECT_EQ(g_frames[0].barLeft.r, 255);
    EXPECT_EQ(g_frames[0].atFill375.r, 255);
    EXPECT_NEAR(g_frames[0].pastFill375.r, 26, 1);  // dark grey 0.1
    EXPECT_NEAR(g_frames[0].barRight.r, 26, 1);
    LeaveLoadingStage();
    LeaveLoadingStage();
    EXPECT_EQ(GetLoadingScreen().depth, 0u);
}

TEST_F(LoadingScreen, AnEighthStageIsIgnored) {
    BeginLoadingScreen();
    for (int i = 0; i < 7; ++i) AddLoadingStage(0.5, 1.0);
    EXPECT_EQ(GetLoadingScreen().depth, 7u);
    LoadingRange deepest = GetLoadingScreen().ranges[7];
    AddLoadingStage(0.0, 0.1);
    EXPECT_EQ(GetLoadingScreen().depth, 7u);
    EXPECT_DOUBLE_EQ(GetLoadingScreen().ranges[7].from, deepest.from);
    EXPECT_DOUBLE_EQ(deepest.from, 1.0 - 1.0 / 128);
}

TEST_F(LoadingScreen, WithoutThePictureTheScreenIsBlack) {
    BeginLoadingScreen();
    ASSERT_NE(GetLoadingScreen().image, nullptr);
    EndLoadingScreen();  // hidden still: the picture is freed, nothing drawn
    ASSERT_EQ(GetLoadingScreen().image, nullptr);  // as if "text_loading" were missing
    DrawLoadingScreen(0.5);
    ASSERT_EQ(g_frames.size(), 1u);
    EXPECT_EQ(g_frames[0].barLeft.r, 0);
    EXPECT_EQ(g_frames[0].atFill375.r, 0);
}

TEST_F(LoadingScreen, WithoutAWindowFramesAreOnlyPaced) {
    CloseTestWindow();
    uint32_t frames = GetFrameStatistics().frameCount;
    BeginLoadingScreen();
    DrawLoadingScreen(0.5);
    EXPECT_EQ(GetFrameStatistics().frameCount, frames + 1);
    EXPECT_TRUE(g_frames.empty());
    EndLoadingScreen();
    ASSERT_TRUE(OpenTestWindow(640, 480));
}

TEST_F(LoadingScreen, InactiveCallsDoNothing) {
    AddLoadingStage(0.0, 0.5);
    UpdateLoadingProgress(0.5);
    EndLoadingScreen();
    EXPECT_EQ(GetLoadingScreen().depth, 0u);
    EXPECT_TRUE(g_frames.empty());
}

}  // namespace
