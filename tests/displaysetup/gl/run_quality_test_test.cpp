// The quality test for real in a game window: it returns with sane measurements and
// leaves the quality record, the texture registry and the cursor counts as it found
// them; Escape before or during it (injected, or from the X server), or a quit,
// aborts it.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_quality.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "displaysetup/ds_quality_test.h"
#include "gl_support.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"
#include "support/test_support.h"

// Last: Xlib's macros (None, Bool) would break headers included after it.
#include <gdk/gdkx.h>

namespace {

class QualityTestRun : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        PfClearHeldKeys();
        ASSERT_TRUE(OpenTestWindow(640, 480));
        // A record other than the defaults, and one texture of somebody else's.
        SetActiveQualitySettings({0.25, false, true, false, 1, 4, 2, 3});
        m_image = AllocateTextureImage(16, 16);
        m_other = MakeTexture(m_image, true, TextureCategoryForeground, ActiveTextureFilters());
    }
    void TearDown() override {
        DeleteTexture(m_other);
        FreeTextureImage(m_image);
        CloseTestWindow();
        SetQualitySettingsValid(false);
    }
    void ExpectStateKept() {
        const QualitySettings expected = {0.25, false, true, false, 1, 4, 2, 3};
        const QualitySettings& q = *ActiveQualitySettings();
        EXPECT_EQ(q.Score, expected.Score);
        EXPECT_EQ(q.Fade, expected.Fade);
        EXPECT_EQ(q.SmoothPolygons, expected.SmoothPolygons);
        EXPECT_EQ(q.HighQualityModels, expected.HighQualityModels);
        EXPECT_EQ(q.MagFilter, expected.MagFilter);
        EXPECT_EQ(q.MinFilter, expected.MinFilter);
        EXPECT_EQ(q.BackgroundTexture, expected.BackgroundTexture);
        EXPECT_EQ(q.ForegroundTexture, expected.ForegroundTexture);
        EXPECT_EQ(RegisteredTextureCount(), 1u);
        EXPECT_EQ(RegisteredTexture(0), m_other);
        EXPECT_EQ(m_other->index, 0u);
        EXPECT_EQ(GetCursorState().hideCount, 0);
        EXPECT_EQ(GetCursorState().captureCount, 0);
    }
    TextureImage* m_image = nullptr;
    GLTexture* m_other = nullptr;
};

TEST_F(QualityTestRun, MeasuresAndLeavesEverythingAsItWas) {
    QualityTestResults r;
    std::memset(&r, 0xff, sizeof r);
    const uint32_t framesBefore = GetFrameStatistics().frameCount;
    const bool timeToSpare = MachineHasTimeToSpare();
    ASSERT_TRUE(RunQualityTest(r, 0.0, 1.0));
    // Twelve passes of at most 8 frames (a frame starting before 200 ms), plus the probe.
    const uint32_t frames = GetFrameStatistics().frameCount - framesBefore;
    EXPECT_GE(frames, 13u);
    EXPECT_LE(frames, 12u * 8u + 1u);
    // A frame lasts at least the 10 ms of the pacing.
    EXPECT_GE(r.FrameSeconds, 0.009);
    EXPECT_GE(r.LayerSeconds, 0.0);
    EXPECT_GE(r.FilledPolygonSeconds, 0.0);
    EXPECT_GE(r.OutlinePolygonSeconds, 0.0);
    for (double m : r.MagFilterSeconds) EXPECT_GE(m, 0.0);
    for (double m : r.MinFilterSeconds) EXPECT_GE(m, 0.0);
    if (timeToSpare && MachineHasTimeToSpare()) {
        // A paced frame of this small window takes little more than the pacing; with
        // fades off in the record the layers draw nothing and cost nothing measurable
        // beyond its noise.
        EXPECT_LT(r.FrameSeconds, 0.2);
        EXPECT_LT(r.LayerSeconds, 0.01);
    }
    // The 128 test textures and the one already registered, all resident here.
    EXPECT_EQ(r.ResidentTextureBytes, 129u * 262144u);
    ExpectStateKept();
    QualitySettings chosen;
    ChooseQualitySettings(chosen, r);
    EXPECT_GE(chosen.BackgroundTexture, 1);
    EXPECT_LE(chosen.BackgroundTexture, 3);
}

TEST_F(QualityTestRun, EscapeBeforeTheFirstFrameDrawsNothing) {
    PfPostInput({PlatformInputKind::KeyDown, false, 27, 0, 0});
    const uint32_t framesBefore = GetFrameStatistics().frameCount;
    QualityTestResults r;
    std::memset(&r, 0, sizeof r);
    EXPECT_FALSE(RunQualityTest(r, 0.0, 1.0));
    EXPECT_EQ(GetFrameStatistics().frameCount, framesBefore);
    EXPECT_EQ(r.FrameSeconds, 0.0);  // not filled
    EXPECT_EQ(QuitRequested, 0);
    ExpectStateKept();
}

// The filters of the pass texture (the one registered after the test's own) in every
// presented frame of a texture pass, as GL has them, each change listed once.
std::vector<std::pair<GLint, GLint>> g_passFilters;
void RecordPassFilters() {
    if (RegisteredTextureCount() != 2) return;
    GLint bound = 0, mag = 0, min = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, RegisteredTexture(1)->name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    if (g_passFilters.empty() || g_passFilters.back() != std::make_pair(mag, min))
        g_passFilters.emplace_back(mag, min);
}

// Each texture pass draws a texture uploaded under the filter it measures, while the
// record in force keeps its own filters.
TEST_F(QualityTestRun, EachTexturePassUploadsUnderItsOwnFilter) {
    g_passFilters.clear();
    g_pfSeams.beforeSwap = RecordPassFilters;
    QualityTestResults r;
    const bool measured = RunQualityTest(r, 0.0, 1.0);
    g_pfSeams.beforeSwap = nullptr;
    ASSERT_TRUE(measured);
    const std::vector<std::pair<GLint, GLint>> expected = {
        {GL_NEAREST, GL_NEAREST},
        {GL_LINEAR, GL_NEAREST},
        {GL_NEAREST, GL_NEAREST},
        {GL_NEAREST, GL_LINEAR},
        {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
        {GL_NEAREST, GL_LINEAR_MIPMAP_NEAREST},
        {GL_NEAREST, GL_NEAREST_MIPMAP_LINEAR},
        {GL_NEAREST, GL_LINEAR_MIPMAP_LINEAR},
    };
    EXPECT_EQ(g_passFilters, expected);
    ExpectStateKept();
}

// A clock of its own that presses Escape at its 40th reading, in the middle of the
// passes (each frame reads it a few times).
uint32_t g_reads = 0;
uint32_t g_framesAtEscape = 0;
uint32_t EscapingClock() {
    if (++g_reads == 40) {
        PfPostInput({PlatformInputKind::KeyDown, false, 27, 0, 0});
        g_framesAtEscape = GetFrameStatistics().frameCount;
    }
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}
void RealSleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

TEST_F(QualityTestRun, EscapeDuringAPassStopsEveryLaterFrame) {
    g_reads = 0;
    const uint32_t framesBefore = GetFrameStatistics().frameCount;
    g_pfSeams.readClock = EscapingClock;
    g_pfSeams.sleep = RealSleep;
    QualityTestResults r;
    EXPECT_FALSE(RunQualityTest(r, 0.0, 1.0));
    ASSERT_GE(g_reads, 40u);
    EXPECT_GT(g_framesAtEscape, framesBefore);
    // At most the frame being presented when the key came.
    EXPECT_LE(GetFrameStatistics().frameCount, g_framesAtEscape + 1);
    ExpectStateKept();
}

// A real Escape typed on the X server while the test draws (during its third frame)
// aborts it: the rest of the test draws nothing. xdotool has its key handled before it
// ends, and a round trip of the program's own after that has the key read in.
int g_swaps = 0;
int g_swapsAfterEscape = -1;  // none typed yet
void TypeEscapeDuringTheThirdFrame() {
    if (g_swapsAfterEscape >= 0) {
        ++g_swapsAfterEscape;
    } else if (++g_swaps == 3) {
        EXPECT_EQ(std::system("xdotool key Escape"), 0);
        XSync(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), False);
        g_swapsAfterEscape = 0;
    }
}

TEST_F(QualityTestRun, RealEscapeFromTheXServerAbortsIt) {
    PumpFor(100);
    const std::string focus = "xdotool windowfocus --sync " +
                              std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(focus.c_str()), 0);
    PumpFor(100);
    PfClearInput();
    g_swaps = 0;
    g_swapsAfterEscape = -1;
    g_pfSeams.beforeSwap = TypeEscapeDuringTheThirdFrame;
    QualityTestResults r;
    EXPECT_FALSE(RunQualityTest(r, 0.0, 1.0));
    g_pfSeams.beforeSwap = nullptr;
    ASSERT_GE(g_swapsAfterEscape, 0) << "the test ended before its third frame";
    EXPECT_LE(g_swapsAfterEscape, 1) << "drawn on after the Escape";
    ExpectStateKept();
}

TEST_F(QualityTestRun, AQuitAbortsAndSetsTheQuitFlag) {
    PfPostInput({PlatformInputKind::Quit, false, 0, 0, 0});
    QualityTestResults r;
    EXPECT_FALSE(RunQualityTest(r, 0.0, 1.0));
    EXPECT_EQ(QuitRequested, 1);
    ResetDisplayRunState();  // this process goes on with other tests
    ExpectStateKept();

    // A quit flag set from elsewhere (the background frame closed) aborts it too,
    // rather than passing an unmeasured display as a fast one.
    RequestQuit();
    EXPECT_FALSE(RunQualityTest(r, 0.0, 1.0));
    ExpectStateKept();
}

// A clock that moves only when the frame pacing sleeps: every frame lasts exactly its
// 10 ms, however slowly this machine draws.
uint32_t g_fakeNow = 0;
uint32_t FakeRead() { return g_fakeNow; }
void FakeSleep(uint32_t ms) { g_fakeNow += ms; }

TEST_F(QualityTestRun, APassThatStartsAbortedCostsNothing) {
    g_pfSeams.readClock = FakeRead;
    g_pfSeams.sleep = FakeSleep;
    bool abort = true;
    const uint32_t framesBefore = GetFrameStatistics().frameCount;
    EXPECT_EQ(TimeQualityPass(abort, nullptr, nullptr, 0.0, 0.08, 0.0, 1.0), 0.0);
    EXPECT_EQ(GetFrameStatistics().frameCount, framesBefore);
    abort = false;
    const double seconds = TimeQualityPass(abort, nullptr, nullptr, 0.0, 0.08, 0.0, 1.0);
    EXPECT_GE(seconds, 0.009);
    EXPECT_EQ(GetFrameStatistics().frameCount, framesBefore + 8);
}

TEST_F(QualityTestRun, TheProgressBarFillsItsSlice) {
    ResetGLState2D();
    ClearGameScreen();
    // This test owns the second half of the bar; at fraction 0.5 three quarters of
    // the bar, 0.25 W .. 0.625 W, is red, the rest dark grey, 0.25 H .. 0.27 H.
    DrawQualityTestProgress(0.5, 0.5, 1.0);
    const int y = int(480 * 0.26);
    EXPECT_EQ(ReadPixel(170, y).r, 255);
    EXPECT_EQ(ReadPixel(390, y).r, 255);
    EXPECT_EQ(ReadPixel(410, y).r, 26);
    EXPECT_EQ(ReadPixel(470, y).r, 26);
    EXPECT_EQ(ReadPixel(490, y).r, 0);
    EXPECT_EQ(ReadPixel(300, int(480 * 0.24)).r, 0);
    EXPECT_EQ(ReadPixel(300, int(480 * 0.28)).r, 0);
}

}  // namespace
