// The approach, the descent and the completed screen in the real game window under
// Xvfb: the clock is faked so every frame lasts 33 ms, input is injected at the pump,
// the audio messages are recorded. Each frame's jet volume is checked against the
// scene's time, skips by key and by click end the screens, a close sets the quit flag
// that every later screen sees, and pictures of each screen are saved beside the test.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "audio/au_thread.h"
#include "audio/game_audio_recorder.h"
#include "campaign/cp_complete.h"
#include "campaign/cp_scenes.h"
#include "campaign/cp_seams.h"
#include "display/dp_frame.h"
#include "display/dp_input.h"
#include "display/dp_loading.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "game/gm_input.h"
#include "gl_support.h"
#include "loading_clock.h"
#include "platform/pf_clock.h"
#include "platform/pf_input.h"
#include "game/gm_play.h"
#include "texgen/tg_generators.h"

namespace {

// Every frame of the scenes and the completed screen, through the frame seam.
void WatchSceneFrames(void (*watch)(uint32_t screen, double time, void* context),
                      void* context) {
    g_cpSeams.sceneFrame = watch;
    g_cpSeams.sceneFrameContext = context;
}

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr uint32_t kFrameMs = 33;

// One frame as the observer saw it.
struct Frame {
    uint32_t screen;
    double time;
    intptr_t jetGain;  // the last engine-channel volume posted by then; -1 none
};

// What a test wants done at which frame, and what it saw.
struct Script {
    std::string name;
    uint32_t actionScreen = 0;  // screen and frame (1-based within it) of the action
    uint32_t actionFrame = 0;
    PlatformInputKind action = PlatformInputKind::KeyDown;
    uint32_t shotScreen = 0;        // save that screen's first frames at or after these times
    std::vector<double> shotTimes;
    std::vector<Frame> frames;
    std::vector<std::string> shots;  // file names saved
    uint32_t framesOfScreen[4] = {0, 0, 0, 0};
    size_t shotIndex[4] = {0, 0, 0, 0};
};

Script* g_script = nullptr;
GameAudioRecorder* g_audio = nullptr;

intptr_t LastJetGain() {
    intptr_t gain = -1;
    for (const RecordedAudioMessage& m : g_audio->messages)
        if (m.message == AUDIO_MSG_VOLUME && m.wParam == SOUND_CHANNEL_ENGINE) gain = m.lParam;
    return gain;
}

void Inject(PlatformInputKind kind) {
    PlatformInput in = {};
    in.kind = kind;
    in.key = 65;
    in.x = kWidth / 2;
    in.y = kHeight / 2;
    PfPostInput(in);
}

void Observe(uint32_t screen, double time, void*) {
    Script& s = *g_script;
    g_loadingClockNow += kFrameMs;
    s.frames.push_back(Frame{screen, time, LastJetGain()});
    const uint32_t n = ++s.framesOfScreen[screen];
    size_t& next = s.shotIndex[screen];
    if (screen == s.shotScreen) {
        while (next < s.shotTimes.size() && time >= s.shotTimes[next]) {
            const std::string file = s.name + "_" + std::to_string(screen) + "_" +
                                     std::to_string(int(s.shotTimes[next] * 10)) + ".png";
            SaveBackBuffer(file, kWidth, kHeight);
            s.shots.push_back(file);
            ++next;
        }
    }
    if (screen == s.actionScreen && n == s.actionFrame) Inject(s.action);
}

// Brightest channel and mean over a window region (x0, y0)..(x1, y1), y up.
struct RegionStats {
    int max = 0;
    double mean = 0;
};
RegionStats Stats(const std::vector<uint8_t>& rgba, int32_t x0, int32_t y0, int32_t x1,
                  int32_t y1) {
    RegionStats r;
    double sum = 0;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c) {
                const uint8_t v = rgba[(size_t(y) * kWidth + x) * 4 + c];
                r.max = std::max<int>(r.max, v);
                sum += v;
            }
    r.mean = sum / (3.0 * (x1 - x0) * (y1 - y0));
    return r;
}

class Scenes : public ::testing::Test {
protected:
    void SetUp() override {
        savedConfig = GameConfig;
        GameConfig.DebugFlags = 0;
        PfClearInput();
        StartLoadingClock();
        ASSERT_TRUE(OpenTestWindow(kWidth, kHeight));
        PumpFor(100);
        PfClearInput();
        galaxy.reset(new CGalaxyGenerator(1, GameRecipeSettings()));
        system.reset(CreateSystemGenerator(*galaxy, 2));
        planet.reset(CreatePlanetGenerator(*system, 3));
        result = {};
        result.galaxy = 1;
        result.system = 2;
        result.planet = 3;
        result.galaxyObject = galaxy.get();
        result.systemObject = system.get();
        result.planetObject = planet.get();
        g_audio = &audio;
        WatchSceneFrames(Observe, nullptr);
    }
    void TearDown() override {
        g_script = nullptr;
        g_audio = nullptr;
        planet.reset();
        system.reset();
        galaxy.reset();
        CloseTestWindow();
        GameConfig = savedConfig;
    }

    // Runs what the campaign runs around a game: the scenes, or the completed screen.
    void Run(Script& script, bool completed) {
        g_script = &script;
        audio.messages.clear();
        if (completed)
            ShowPlanetCompleteScreen(result);
        else
            RunPreGameScenes(result);
        // Everything made for the screens is gone again.
        EXPECT_EQ(RegisteredTextureCount(), 0u);
        EXPECT_EQ(GetLoadingScreen().active, 0);
    }

    std::vector<Frame> FramesOf(const Script& s, uint32_t screen) const {
        std::vector<Frame> out;
        for (const Frame& f : s.frames)
            if (f.screen == screen) out.push_back(f);
        return out;
    }

    GameConfigRecord savedConfig;
    GameAudioRecorder audio;
    std::unique_ptr<CGalaxyGenerator> galaxy;
    std::unique_ptr<CSystemGenerator> system;
    std::unique_ptr<CPlanetGenerator> planet;
    PlanetResult result;
};

// Every frame's posted jet volume is the scene's own at that frame's time.
void ExpectJetFollows(const std::vector<Frame>& frames, double (*volume)(double)) {
    for (const Frame& f : frames)
        EXPECT_EQ(f.jetGain, intptr_t(AudioVolumeGain(volume(f.time)))) << "t = " << f.time;
}

const Frame* FrameNear(const std::vector<Frame>& frames, double t) {
    const Frame* best = nullptr;
    for (const Frame& f : frames)
        if (!best || std::fabs(f.time - t) < std::fabs(best->time - t)) best = &f;
    return best;
}

TEST_F(Scenes, BothScenesRunThreeSecondsEachWithTheJetRisingAndFalling) {
    Script script;
    script.name = "scenes";
    Run(script, false);
    const std::vector<Frame> approach = FramesOf(script, SCENE_APPROACH);
    const std::vector<Frame> descent = FramesOf(script, SCENE_DESCENT);
    ASSERT_GT(approach.size(), 60u);
    ASSERT_GT(descent.size(), 60u);
    EXPECT_LT(approach.size(), 120u);
    // Three seconds each: the last frame is the first at 3 s or after (faded out).
    EXPECT_LT(approach[approach.size() - 2].time, 3.0);
    EXPECT_GE(approach.back().time, 3.0);
    EXPECT_LT(approach.back().time, 3.04);
    EXPECT_LT(descent[descent.size() - 2].time, 3.0);
    EXPECT_GE(descent.back().time, 3.0);
    ExpectJetFollows(approach, ApproachJetVolume);
    ExpectJetFollows(descent, DescentJetVolume);
    // About 0.46 at half a second and 0.29 at 2.5 s in the approach; full in between
    // in the descent.
    EXPECT_NEAR(FrameNear(approach, 0.5)->jetGain / 65536.0, 0.46, 0.02);
    EXPECT_NEAR(FrameNear(approach, 2.5)->jetGain / 65536.0, 0.29, 0.02);
    EXPECT_EQ(FrameNear(descent, 1.5)->jetGain, 0x10000);
    // Silenced as each scene ends: the first descent frame follows a 0.
    const std::vector<RecordedAudioMessage> volumes = audio.Of(AUDIO_MSG_VOLUME);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.back().lParam, 0);
    size_t zeros = 0;
    for (const RecordedAudioMessage& m : volumes) {
        EXPECT_EQ(m.wParam, uintptr_t(SOUND_CHANNEL_ENGINE));
        zeros += m.lParam == 0;
    }
    EXPECT_GE(zeros, 2u);
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(Scenes, TheApproachAndTheDescentLookRight) {
    Script script;
    script.name = "look";
    Run(script, false);  // makes the images; the second run is what we look at
    Script look;
    look.name = "look";
    g_script = &look;
    std::vector<uint8_t> approach, descentLid, descentSink;
    std::vector<uint8_t>* shots[3] = {&approach, &descentLid, &descentSink};
    WatchSceneFrames(
        [](uint32_t screen, double time, void* context) {
            auto* shots = static_cast<std::vector<uint8_t>**>(context);
            Observe(screen, time, nullptr);
            std::vector<uint8_t>* target = nullptr;
            int which = -1;
            if (screen == SCENE_APPROACH && time >= 1.5 && shots[0]->empty()) which = 0;
            if (screen == SCENE_DESCENT && time >= 0.9 && shots[1]->empty()) which = 1;
            if (screen == SCENE_DESCENT && time >= 2.2 && shots[2]->empty()) which = 2;
            if (which < 0) return;
            target = shots[which];
            *target = ReadBackBuffer(kWidth, kHeight);
            const char* names[3] = {"approach.png", "descent_lid.png", "descent_sink.png"};
            SaveBackBuffer(names[which], kWidth, kHeight);
        },
        shots);
    Run(look, false);
    ASSERT_FALSE(approach.empty());
    ASSERT_FALSE(descentLid.empty());
    ASSERT_FALSE(descentSink.empty());
    // The approach: the planet right of the middle, lit from the left; stars speckle
    // the rest.
    const RegionStats planetRegion = Stats(approach, 500, 300, 600, 398);
    EXPECT_GT(planetRegion.mean, 30) << "no planet";
    const RegionStats corner = Stats(approach, 0, kHeight - 150, 150, kHeight);
    EXPECT_GT(corner.max, 60) << "no stars";
    EXPECT_LT(corner.mean, 40) << "the sky is not dark";
    // The descent: the well's walls lit around the middle; the craft over the lid.
    EXPECT_GT(Stats(descentLid, 0, 0, kWidth, kHeight).mean, 20);
    EXPECT_GT(Stats(descentSink, 0, 0, kWidth, kHeight).mean, 10);
}

// Frames of the well scenes taken at set times, at any window size.
struct WellShots {
    int32_t width = 0, height = 0;
    std::string name;
    std::vector<uint8_t> lid, sink, completed;  // descent at 0.9 s and 2.2 s; completed at 3 s
};

void TakeWellShot(uint32_t screen, double time, void* context) {
    Observe(screen, time, nullptr);
    auto& shots = *static_cast<WellShots*>(context);
    std::vector<uint8_t>* target = nullptr;
    const char* what = "";
    if (screen == SCENE_DESCENT && time >= 0.9 && shots.lid.empty()) target = &shots.lid, what = "lid";
    if (screen == SCENE_DESCENT && time >= 2.2 && shots.sink.empty()) target = &shots.sink, what = "sink";
    if (screen == SCENE_COMPLETED && time >= 3.0 && shots.completed.empty())
        target = &shots.completed, what = "completed";
    if (!target) return;
    *target = ReadBackBuffer(shots.width, shots.height);
    SaveBackBuffer(shots.name + "_" + what + ".png", shots.width, shots.height);
}

// Pixels of the bottom rows (rows bottom first) with no colour at all.
int BlackPixelsAtTheBottom(const std::vector<uint8_t>& rgba, int32_t width, int32_t rows) {
    int black = 0;
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
            black += std::max({p[0], p[1], p[2]}) < 8;
        }
    return black;
}

// The descent and the completed screen show the rim down to the window's bottom edge:
// no strip of the well's open front, and no black beside it, under the rim.
TEST_F(Scenes, TheRimReachesTheBottomEdgeAtTwoWindowSizes) {
    for (const auto& size : {std::pair<int32_t, int32_t>{1024, 768}, {1280, 1024}}) {
        SCOPED_TRACE(size.first);
        CloseTestWindow();
        ASSERT_TRUE(OpenTestWindow(size.first, size.second));
        WellShots shots;
        shots.width = size.first;
        shots.height = size.second;
        shots.name = "well_" + std::to_string(size.first) + "x" + std::to_string(size.second);
        Script script;
        script.name = "well";
        g_script = &script;
        WatchSceneFrames(TakeWellShot, &shots);
        Run(script, false);
        Run(script, true);
        for (const std::vector<uint8_t>* frame : {&shots.lid, &shots.sink, &shots.completed}) {
            ASSERT_FALSE(frame->empty());
            EXPECT_EQ(BlackPixelsAtTheBottom(*frame, size.first, 16), 0);
        }
    }
}

TEST_F(Scenes, AKeyPressSkipsTheRestOfBothScenes) {
    Script script;
    script.name = "key";
    script.actionScreen = SCENE_APPROACH;
    script.actionFrame = 10;
    script.action = PlatformInputKind::KeyDown;
    Run(script, false);
    EXPECT_EQ(FramesOf(script, SCENE_APPROACH).size(), 10u);
    EXPECT_TRUE(FramesOf(script, SCENE_DESCENT).empty());
    EXPECT_EQ(LastJetGain(), 0);  // silenced
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(Scenes, AClickInTheDescentEndsIt) {
    Script script;
    script.name = "click";
    script.actionScreen = SCENE_DESCENT;
    script.actionFrame = 20;
    script.action = PlatformInputKind::ButtonDown;
    Run(script, false);
    EXPECT_GT(FramesOf(script, SCENE_APPROACH).size(), 60u);
    EXPECT_EQ(FramesOf(script, SCENE_DESCENT).size(), 20u);
    EXPECT_EQ(LastJetGain(), 0);
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(Scenes, ACloseDuringEitherSceneIsKeptForEveryLaterScreen) {
    for (uint32_t screen : {SCENE_APPROACH, SCENE_DESCENT}) {
        ResetDisplayRunState();
        Script script;
        script.name = "close";
        script.actionScreen = screen;
        script.actionFrame = 5;
        script.action = PlatformInputKind::Quit;
        Run(script, false);
        EXPECT_EQ(QuitRequested, 1);
        EXPECT_EQ(FramesOf(script, screen).size(), 5u);
        if (screen == SCENE_APPROACH) {
            EXPECT_TRUE(FramesOf(script, SCENE_DESCENT).empty());
        }
        EXPECT_EQ(LastJetGain(), 0);
        // The screens after it return at once, drawing nothing.
        Script after;
        after.name = "after";
        Run(after, true);
        Run(after, false);
        EXPECT_TRUE(after.frames.empty());
    }
}

TEST_F(Scenes, TheCompletedScreenShowsTheTimeForTenSecondsAndLiftsOff) {
    result.time = 65.7;  // reads 1:05
    Script script;
    script.name = "completed";
    script.shotScreen = SCENE_COMPLETED;
    script.shotTimes = {3.0, 6.0};
    Run(script, true);
    const std::vector<Frame> frames = FramesOf(script, SCENE_COMPLETED);
    ASSERT_GT(frames.size(), 290u);
    EXPECT_LT(frames[frames.size() - 2].time, 10.0);
    EXPECT_GE(frames.back().time, 10.0);
    EXPECT_LT(frames.back().time, 10.04);
    ExpectJetFollows(frames, [](double t) { return CompleteScreenFade(t) * LiftOffValue(t); });
    EXPECT_EQ(FrameNear(frames, 3.0)->jetGain, 0x10000);
    EXPECT_NEAR(FrameNear(frames, 6.0)->jetGain / 65536.0, 0.5, 0.02);
    EXPECT_EQ(FrameNear(frames, 8.0)->jetGain, 0);
    ASSERT_EQ(script.shots.size(), 2u);
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(Scenes, TheCompletedScreenReadsCompletedAndTheTime) {
    result.time = 605.2;
    std::vector<uint8_t> shot;
    Script script;
    script.name = "completed_text";
    g_script = &script;
    WatchSceneFrames(
        [](uint32_t screen, double time, void* context) {
            Observe(screen, time, nullptr);
            auto* shot = static_cast<std::vector<uint8_t>*>(context);
            if (time < 2.0 || !shot->empty()) return;
            *shot = ReadBackBuffer(kWidth, kHeight);
            SaveBackBuffer("completed.png", kWidth, kHeight);
            Inject(PlatformInputKind::KeyDown);  // and a key ends the screen at once
        },
        &shot);
    Run(script, true);
    ASSERT_FALSE(shot.empty());
    const std::vector<Frame> frames = FramesOf(script, SCENE_COMPLETED);
    EXPECT_LT(frames.back().time, 2.1);
    // White glyphs in both text boxes: "Completed" at half height, the time below it.
    const int32_t x0 = int32_t(0.38 * kWidth), x1 = int32_t(0.62 * kWidth);
    const RegionStats word = Stats(shot, x0, int32_t(0.5 * kHeight), x1, int32_t(0.58 * kHeight));
    const RegionStats time = Stats(shot, x0, int32_t(0.4 * kHeight), x1, int32_t(0.48 * kHeight));
    EXPECT_EQ(word.max, 255);
    EXPECT_EQ(time.max, 255);
    // "10:05" is five glyphs, "Completed" nine: the word covers more of its box.
    EXPECT_GT(word.mean, time.mean);
}

TEST_F(Scenes, ACloseOnTheCompletedScreenIsKept) {
    Script script;
    script.name = "completed_close";
    script.actionScreen = SCENE_COMPLETED;
    script.actionFrame = 30;
    script.action = PlatformInputKind::Quit;
    Run(script, true);
    EXPECT_EQ(FramesOf(script, SCENE_COMPLETED).size(), 30u);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_EQ(FramesOf(script, SCENE_COMPLETED).back().jetGain,
              intptr_t(AudioVolumeGain(CompleteScreenFade(
                  FramesOf(script, SCENE_COMPLETED).back().time))));
    // The close ends the screen with the jet silenced too.
    EXPECT_EQ(LastJetGain(), 0);
}

// A key or a click while the craft still hovers ends the screen with the jet at 0: the
// engine loops, so anything left would sound on over the map screens.
TEST_F(Scenes, EndingTheCompletedScreenEarlySilencesTheJet) {
    const PlatformInputKind endings[2] = {PlatformInputKind::KeyDown,
                                          PlatformInputKind::ButtonDown};
    for (PlatformInputKind ending : endings) {
        Script script;
        script.name = "completed_skip";
        script.actionScreen = SCENE_COMPLETED;
        script.actionFrame = 60;  // two seconds in, the jet at full gain
        script.action = ending;
        Run(script, true);
        const std::vector<Frame> frames = FramesOf(script, SCENE_COMPLETED);
        ASSERT_GE(frames.size(), 60u);
        EXPECT_LE(frames.size(), 62u);
        EXPECT_EQ(frames.back().jetGain, 0x10000);
        EXPECT_EQ(LastJetGain(), 0) << "ending " << int(ending);
        EXPECT_EQ(QuitRequested, 0);
    }
}

}  // namespace
