// The run-state reset between tests reaches every layer's seams, up to the campaign's,
// in a program that links them all.
#include <gtest/gtest.h>

#include "audio/au_seams.h"
#include "campaign/cp_seams.h"
#include "game/gm_seams.h"
#include "platform/pf_seams.h"
#include "support/run_state.h"

namespace {

uint32_t SomeClock() { return 7; }
bool SomeAnswer() { return true; }
bool SomePost(uint32_t, uintptr_t, intptr_t) { return true; }
void SomePlanetFrame(GameWorld&, void*) {}
void SomeSceneFrame(uint32_t, double, void*) {}

TEST(RunState, TheResetEmptiesEveryLayersSeams) {
    int context = 0;
    g_pfSeams.readClock = SomeClock;
    g_pfSeams.audioDriver = PfAudioDriver::Manual;
    g_auSeams.audioRunning = SomeAnswer;
    g_auSeams.postAudio = SomePost;
    g_gmSeams.runPauseScreen = SomeAnswer;
    g_gmSeams.planetFrame = SomePlanetFrame;
    g_gmSeams.planetFrameContext = &context;
    g_cpSeams.sceneFrame = SomeSceneFrame;
    g_cpSeams.sceneFrameContext = &context;

    ResetRunState();

    EXPECT_EQ(g_pfSeams.readClock, nullptr);
    EXPECT_EQ(g_pfSeams.audioDriver, PfAudioDriver::Sdl);
    EXPECT_EQ(g_auSeams.audioRunning, nullptr);
    EXPECT_EQ(g_auSeams.postAudio, nullptr);
    EXPECT_EQ(g_gmSeams.runPauseScreen, nullptr);
    EXPECT_EQ(g_gmSeams.planetFrame, nullptr);
    EXPECT_EQ(g_gmSeams.planetFrameContext, nullptr);
    EXPECT_EQ(g_cpSeams.sceneFrame, nullptr);
    EXPECT_EQ(g_cpSeams.sceneFrameContext, nullptr);
}

}  // namespace
