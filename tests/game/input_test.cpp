// The play callback (controls, mouse store, pause sequence, quit) and the per-frame
// sound update, with the audio side recorded instead of posted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/app_config.h"
#include "audio/au_sound.h"
#include "audio/au_thread.h"
#include "audio/game_audio_recorder.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "game/gm_input.h"
#include "game/gm_math.h"
#include "game/gm_seams.h"
#include "game/gm_world.h"


namespace {

class GameInput : public ::testing::Test {
protected:
    void SetUp() override {
        world.reset(new GameWorld);
        std::memset(static_cast<void*>(world.get()), 0, sizeof(GameWorld));
        world->state = GAME_RUNNING;
        savedConfig = GameConfig;
        GameConfig.LeftKey = 314;
        GameConfig.RightKey = 316;
        GameConfig.DropKey = 32;
    }
    void TearDown() override {
        GameConfig = savedConfig;
    }
    void Send(uint32_t code, uint32_t key) { OnGameEvent(world.get(), code, &key); }
    void Move(double dx) {
        GameEventMotion m = {dx, 7.0, 0.0};
        OnGameEvent(world.get(), GameEventMouseMove, &m);
    }

    std::unique_ptr<GameWorld> world;
    GameConfigRecord savedConfig;
    GameAudioRecorder audio;
};

TEST_F(GameInput, ConfiguredKeysSetAndReleaseTheControls) {
    Send(GameEventKeyPress, 314);
    EXPECT_EQ(world->inputLeft, 1);
    Send(GameEventKeyPress, 316);
    EXPECT_EQ(world->inputRight, 1);
    Send(GameEventKeyPress, 32);
    EXPECT_EQ(world->inputDrop, 1);
    Send(GameEventKeyUp, 314);
    Send(GameEventKeyUp, 316);
    EXPECT_EQ(world->inputLeft, 0);
    EXPECT_EQ(world->inputRight, 0);
    // A drop has no release.
    Send(GameEventKeyUp, 32);
    EXPECT_EQ(world->inputDrop, 1);
    // Only the first press counts; a repeat (512) of a control key changes nothing.
    world->inputLeft = 0;
    Send(GameEventKeyDown, 314);
    EXPECT_EQ(world->inputLeft, 0);
}

// Left while steering: the key's release reaches another program, not the game. Back
// in the game, the craft does not go on steering by itself, and a new press works.
TEST_F(GameInput, ControlsHeldWhenTheGameWasLeftAreLetGoOnReturn) {
    Send(GameEventKeyPress, 314);
    Send(GameEventKeyPress, 316);
    Send(GameEventKeyPress, 32);
    OnGameEvent(world.get(), GameEventActivated, nullptr);
    EXPECT_EQ(world->inputLeft, 0);
    EXPECT_EQ(world->inputRight, 0);
    EXPECT_EQ(world->inputDrop, 0);
    EXPECT_EQ(world->state, GAME_RUNNING);
    Send(GameEventKeyPress, 314);
    EXPECT_EQ(world->inputLeft, 1);
}

TEST_F(GameInput, AKeyBoundToTwoControlsSetsBoth) {
    GameConfig.DropKey = 316;
    Send(GameEventKeyPress, 316);
    EXPECT_EQ(world->inputRight, 1);
    EXPECT_EQ(world->inputDrop, 1);
}

TEST_F(GameInput, MouseMotionFillsTheSteeringStoreWithinItsBound) {
    Move(300);
    EXPECT_EQ(world->steering, 0.25);
    Move(-100);
    EXPECT_DOUBLE_EQ(world->steering, 0.15);
    Move(-1000);
    EXPECT_EQ(world->steering, -0.25);
    OnGameEvent(world.get(), GameEventMouseDown, nullptr);
    EXPECT_EQ(world->inputDrop, 1);
}

TEST_F(GameInput, QuitEndsTheGameAndSetsTheQuitFlag) {
    DeliverGameEvent(OnGameEvent, world.get(), GameEventQuit, nullptr);
    EXPECT_EQ(world->state, GAME_QUIT);
    EXPECT_EQ(QuitRequested, 1);
}

bool g_pauseAnswer = true;
int g_pauseRuns = 0;
bool FakePause() {
    ++g_pauseRuns;
    return g_pauseAnswer;
}

TEST_F(GameInput, EscapePausesWithTheAudioClosedAndForgetsHeldControls) {
    g_gmSeams.runPauseScreen = FakePause;
    g_pauseRuns = 0;
    g_pauseAnswer = true;
    Send(GameEventKeyPress, 27);  // the first press alone does not pause
    EXPECT_EQ(g_pauseRuns, 0);
    world->inputLeft = world->inputRight = world->inputDrop = 1;
    Send(GameEventKeyDown, 27);
    EXPECT_EQ(g_pauseRuns, 1);
    EXPECT_EQ(world->state, GAME_RUNNING);
    EXPECT_EQ(world->inputLeft + world->inputRight + world->inputDrop, 0);
    ASSERT_EQ(audio.messages.size(), 2u);
    EXPECT_EQ(audio.messages[0].message, AUDIO_MSG_CLOSE);
    EXPECT_EQ(audio.messages[1].message, AUDIO_MSG_OPEN);
    // An auto-repeat of a held Escape pauses again; Abort ends the game.
    g_pauseAnswer = false;
    Send(GameEventKeyDown, 27);
    EXPECT_EQ(g_pauseRuns, 2);
    EXPECT_EQ(world->state, GAME_QUIT);
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(GameInput, AnEscapeQueuedBehindAQuitOpensNoPauseScreen) {
    g_gmSeams.runPauseScreen = FakePause;
    g_pauseRuns = 0;
    g_pauseAnswer = true;
    // The window was closed and Escape pressed within one pump: the game has ended.
    OnGameEvent(world.get(), GameEventQuit, nullptr);
    Send(GameEventKeyPress, 27);
    Send(GameEventKeyDown, 27);
    EXPECT_EQ(g_pauseRuns, 0);
    EXPECT_EQ(world->state, GAME_QUIT);
    EXPECT_TRUE(audio.messages.empty());
}

class GameSounds : public GameInput {
protected:
    void SetUp() override {
        GameInput::SetUp();
        for (uint32_t i = 0; i < 7; ++i) world->breakSounds[i] = new CSoundData(1, &kSample);
        world->dropSound = new CSoundData(1, &kSample);
        for (uint32_t i = 0; i < 8; ++i) world->settleSounds[i] = new CSoundData(1, &kSample);
        world->fade = 1;
        world->nearestBreak = kInfinity;
        world->nearestSettle = kInfinity;
    }
    void TearDown() override {
        for (CSoundData* s : world->breakSounds) s->Release();
        world->dropSound->Release();
        for (CSoundData* s : world->settleSounds) s->Release();
        GameInput::TearDown();
    }
    static constexpr int16_t kSample = 1000;
};

TEST_F(GameSounds, JetVolumeHalvesForEveryTwoUnitsOfHover) {
    CRandomSource run(5);
    const struct {
        double hover, fade;
        intptr_t gain;
    } cases[] = {
        {0, 1, 0x10000},
        {2, 1, 0x8000},
        {3, 1, 23170},        // 0.5^1.5 = 0.35355.. x 65536 = 23170.47
        {2, 0.5, 0x4000},
        {kInfinity, 1, 0},    // nothing beneath the craft
    };
    for (const auto& c : cases) {
        audio.messages.clear();
        world->maxHover = c.hover;
        world->fade = c.fade;
        UpdateGameSounds(*world, run);
        ASSERT_EQ(audio.messages.size(), 1u);
        EXPECT_EQ(audio.messages[0].message, AUDIO_MSG_VOLUME);
        EXPECT_EQ(audio.messages[0].wParam, 2u);
        EXPECT_EQ(audio.messages[0].lParam, c.gain) << c.hover << " " << c.fade;
    }
    EXPECT_EQ(AudioGainOfVolume(1.7), 0x10000u);
    EXPECT_EQ(AudioGainOfVolume(-0.5), 0u);
}

TEST_F(GameSounds, OneSoundOfEachKindAFrameChosenFromTheRunSource) {
    CRandomSource run(77);
    CRandomSource expected(run);
    const uint32_t settle = expected.NextU32() & 7;
    const uint32_t breaking = expected.NextU32() % 7;
    world->dropHappened = 1;
    world->nearestSettle = 224.9;
    world->nearestBreak = 10;
    world->maxHover = 3;
    UpdateGameSounds(*world, run);
    ASSERT_EQ(audio.messages.size(), 4u);
    const CSoundData* order[3] = {world->dropSound, world->settleSounds[settle],
                                  world->breakSounds[breaking]};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(audio.messages[1 + i].message, AUDIO_MSG_PLAY_SOUND);
        EXPECT_EQ(audio.messages[1 + i].wParam, reinterpret_cast<uintptr_t>(order[i]));
        EXPECT_EQ(audio.messages[1 + i].lParam, 1);
    }
    EXPECT_EQ(run.Index(), expected.Index());
    // The notes are cleared for the next frame.
    EXPECT_EQ(world->maxHover, 0);
    EXPECT_EQ(world->nearestBreak, kInfinity);
    EXPECT_EQ(world->nearestSettle, kInfinity);
    EXPECT_EQ(world->dropHappened, 0);
    // The recorder released every reference it was given.
    EXPECT_EQ(world->dropSound->RefCount(), 1);
}

TEST_F(GameSounds, FifteenUnitsAwayIsOutOfHearing) {
    CRandomSource run(3);
    const uint32_t before = run.Index();
    world->nearestSettle = 225;
    world->nearestBreak = 225;
    UpdateGameSounds(*world, run);
    EXPECT_EQ(audio.messages.size(), 1u);  // the jet volume only
    EXPECT_EQ(run.Index(), before);
}

TEST_F(GameSounds, WithoutTheAudioThreadNothingIsPostedButTheDrawsHappen) {
    audio.running = false;
    CRandomSource run(9);
    CRandomSource expected(run);
    expected.NextU32();
    expected.NextU32();
    world->dropHappened = 1;
    world->nearestSettle = 1;
    world->nearestBreak = 1;
    UpdateGameSounds(*world, run);
    EXPECT_TRUE(audio.messages.empty());
    EXPECT_EQ(run.Index(), expected.Index());
    EXPECT_EQ(world->dropSound->RefCount(), 1);
}

TEST_F(GameSounds, ASoundThatFailedToLoadPlaysNothing) {
    CRandomSource run(9);
    CSoundData* drop = world->dropSound;
    world->dropSound = nullptr;
    world->dropHappened = 1;
    UpdateGameSounds(*world, run);
    EXPECT_EQ(audio.messages.size(), 1u);
    world->dropSound = drop;
}

TEST_F(GameSounds, AFailedPostGivesTheReferenceBack) {
    audio.refuse = true;
    PlayGameSound(world->dropSound, 1);
    EXPECT_EQ(world->dropSound->RefCount(), 1);
}

}  // namespace
