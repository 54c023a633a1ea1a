// The audio thread's protocol: messages 1024 to 1030 in the orders the game sends them.
// Most cases drive the thread's state on the test thread with the manual device, so
// every buffer return happens when the test says; the last ones run the real thread
// on SDL's dummy driver.
#include <gtest/gtest.h>

#include "audio_test_support.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/au_thread.h"
#include "platform/pf_audio_device.h"
#include "platform/pf_seams.h"
#include "support/test_support.h"

namespace {

CMusicData* ProgramAndNote() {
    CMusicData* music = new CMusicData;
    music->events = {{0, 0xC0, 40, 0, 0}, {0, 0x90, 60, 90, 0}, {300, 0x80, 60, 0, 0}};
    return music;
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseManualDevice();
        InitAudioThreadState(&s);
    }
    void TearDown() override {
        FreeAudioThreadState(&s);
        DrainThreadMessages();
    }
    void Send(uint32_t message, uintptr_t w = 0, intptr_t l = 0) {
        HandleAudioMessage(&s, {message, w, l});
    }
    // Plays samples on the manual device, handing the devices' notices to the thread's
    // handler after every 1024 samples. Returns the samples played until the thread
    // finished (or all of them).
    uint32_t Pump(uint32_t samples) {
        std::vector<int16_t> out(1024);
        uint32_t at = 0;
        for (; at < samples && !AudioThreadFinished(&s); at += 1024) {
            PfRenderAudio(out.data(), 1024);
            PfThreadMessage m;
            while (PfPeekThreadMessage(&m)) HandleAudioMessage(&s, m);
        }
        return at;
    }

    AudioThreadState s;
};

TEST_F(ProtocolTest, CampaignStartPauseAndResume) {
    CSoundData* jet = ConstantSound(4410, 1000);
    CMusicData* music = ProgramAndNote();
    jet->AddRef();
    music->AddRef();
    Send(AUDIO_MSG_PLAY_SOUND, 0, SOUND_STOP_FIRST);
    Send(AUDIO_MSG_PLAY_MUSIC, 0, 0);
    Send(AUDIO_MSG_VOLUME, 1, 0x10000);
    Send(AUDIO_MSG_VOLUME, 2, 0);
    Send(AUDIO_MSG_PLAY_MUSIC, reinterpret_cast<uintptr_t>(music), SOUND_LOOP);
    Send(AUDIO_MSG_OPEN);
    Send(AUDIO_MSG_PLAY_SOUND, reinterpret_cast<uintptr_t>(jet), SOUND_CHANNEL_ENGINE | SOUND_LOOP);
    EXPECT_TRUE(s.mixer.open);
    EXPECT_TRUE(s.player.open);
    EXPECT_EQ(s.openCount, 1);
    ASSERT_EQ(s.mixer.voiceCount, 1u);
    EXPECT_EQ(s.mixer.voices[0].flags, 18u);
    EXPECT_EQ(s.mixer.targetGain[2], 0u);
    EXPECT_EQ(s.player.flags, 16u);
    EXPECT_EQ(jet->RefCount(), 2);
    EXPECT_EQ(music->RefCount(), 2);

    Send(AUDIO_MSG_VOLUME, 2, 0x8000);  // the jet's volume, each frame
    EXPECT_EQ(s.mixer.targetGain[2], 0x8000u);
    Pump(44100);

    Send(AUDIO_MSG_CLOSE);  // pause
    EXPECT_EQ(s.openCount, 0);
    Pump(3 * 22050);  // the fade and two quarter notes at most
    EXPECT_FALSE(s.mixer.open);
    EXPECT_FALSE(s.player.open);
    EXPECT_EQ(s.mixer.voiceCount, 1u);  // the jet waits for the resume

    Send(AUDIO_MSG_OPEN);  // resume: the program change comes first
    ASSERT_TRUE(s.player.open);
    const uint8_t* first = s.player.buffers[0];
    EXPECT_EQ(first[8] | first[9] << 8, 0x28C0);
    EXPECT_EQ(s.mixer.currentGain[0], kGainUnity);  // faded in again during the fills

    Send(AUDIO_MSG_CLOSE);  // the campaign's end
    Send(AUDIO_MSG_PLAY_SOUND, 0, SOUND_STOP_FIRST);
    EXPECT_EQ(jet->RefCount(), 1);
    Send(AUDIO_MSG_QUIT);
    EXPECT_LT(Pump(10 * 44100), 3u * 22050);
    EXPECT_TRUE(AudioThreadFinished(&s));
    jet->Release();
    music->Release();
}

TEST_F(ProtocolTest, CloseAndOpenBackToBackKeepTheDevicesOpen) {
    Send(AUDIO_MSG_OPEN);
    Pump(20000);
    Send(AUDIO_MSG_CLOSE);
    Send(AUDIO_MSG_OPEN);
    EXPECT_TRUE(s.mixer.open);
    EXPECT_FALSE(s.mixer.closing);
    EXPECT_TRUE(s.player.open);
    EXPECT_FALSE(s.player.closing);
    EXPECT_EQ(s.openCount, 1);
    Pump(100000);
    EXPECT_TRUE(s.mixer.open);
    EXPECT_TRUE(s.player.open);
    EXPECT_EQ(s.mixer.currentGain[0], kGainUnity);
}

TEST_F(ProtocolTest, TheMasterDipsOnlyWhenABufferIsFilledBetweenCloseAndOpen) {
    Send(AUDIO_MSG_OPEN);
    Pump(20480);  // ten whole buffers: the device sits on a buffer edge
    ASSERT_EQ(s.mixer.currentGain[0], kGainUnity);
    Send(AUDIO_MSG_CLOSE);
    Send(AUDIO_MSG_OPEN);
    EXPECT_EQ(s.mixer.currentGain[0], kGainUnity);  // nothing filled in between: no dip
    EXPECT_EQ(s.mixer.targetGain[0], kGainUnity);

    Send(AUDIO_MSG_CLOSE);
    std::vector<int16_t> out(2048);
    PfRenderAudio(out.data(), 2048);  // exactly one buffer comes back and is refilled
    PfThreadMessage m;
    int returned = 0;
    while (PfPeekThreadMessage(&m)) {
        returned += m.message == PF_MM_WOM_DONE;
        HandleAudioMessage(&s, m);
    }
    ASSERT_EQ(returned, 1);
    EXPECT_EQ(s.mixer.currentGain[0], 0x10000u - 8 * 3043);  // one buffer of fade: 41192
    Send(AUDIO_MSG_OPEN);
    EXPECT_EQ(s.mixer.currentGain[0], 41192u);  // rises again from there
    EXPECT_EQ(s.mixer.targetGain[0], kGainUnity);
    EXPECT_FALSE(s.mixer.closing);
    EXPECT_EQ(s.openCount, 1);
}

TEST_F(ProtocolTest, QuitWhileClosedEndsAtOnce) {
    Send(AUDIO_MSG_QUIT);
    EXPECT_TRUE(AudioThreadFinished(&s));
}

TEST_F(ProtocolTest, QuitWhileOpenOrClosingEndsAtOnce) {
    for (bool closeFirst : {false, true}) {
        SCOPED_TRACE(closeFirst ? "closing" : "open");
        // A fresh state for the second case; SetUp made the first, TearDown frees the last.
        if (closeFirst) {
            FreeAudioThreadState(&s);
            DrainThreadMessages();
            InitAudioThreadState(&s);
        }
        Send(AUDIO_MSG_OPEN);
        Send(AUDIO_MSG_OPEN);
        EXPECT_EQ(s.openCount, 2);
        Pump(5000);
        if (closeFirst) {
            Send(AUDIO_MSG_CLOSE);
            Send(AUDIO_MSG_CLOSE);
            EXPECT_TRUE(s.mixer.closing);
            EXPECT_TRUE(s.mixer.open);  // fading out behind its queued buffers
        }
        Send(AUDIO_MSG_QUIT);
        EXPECT_EQ(s.openCount, 0);
        // Nothing more is played: the session is waiting for the thread to end.
        EXPECT_TRUE(AudioThreadFinished(&s));
        EXPECT_FALSE(s.mixer.open);
        EXPECT_FALSE(s.player.open);
    }
}

TEST_F(ProtocolTest, CloseBeforeOpenCountsBelowZero) {
    Send(AUDIO_MSG_CLOSE);
    EXPECT_EQ(s.openCount, -1);
    Send(AUDIO_MSG_OPEN);
    EXPECT_EQ(s.openCount, 0);
    EXPECT_FALSE(s.mixer.open);
    Send(AUDIO_MSG_OPEN);
    EXPECT_TRUE(s.mixer.open);
}

TEST_F(ProtocolTest, SoundWhileClosedStartsWhenTheDevicesOpen) {
    Send(AUDIO_MSG_PLAY_SOUND, reinterpret_cast<uintptr_t>(ConstantSound(10, 5)), SOUND_CHANNEL_EFFECTS);
    ASSERT_EQ(s.mixer.voiceCount, 1u);
    EXPECT_EQ(s.mixer.voices[0].start, 0u);
    Send(AUDIO_MSG_OPEN);
    EXPECT_EQ(s.mixer.voiceCount, 0u);  // played in the first buffer
}

TEST_F(ProtocolTest, VolumeMessagesOutOfRangeAreIgnored) {
    Send(AUDIO_MSG_VOLUME, 0, 0x4000);
    EXPECT_EQ(s.mixer.targetGain[1], 0x4000u);
    EXPECT_EQ(s.mixer.targetGain[2], 0x4000u);
    Send(AUDIO_MSG_VOLUME, 0, 0x20000);
    Send(AUDIO_MSG_VOLUME, 1, 0x10001);
    Send(AUDIO_MSG_VOLUME, 2, -1);
    Send(AUDIO_MSG_VOLUME, 3, 0x100);
    Send(AUDIO_MSG_VOLUME, static_cast<uintptr_t>(-1), 0x100);
    EXPECT_EQ(s.mixer.targetGain[1], 0x4000u);
    EXPECT_EQ(s.mixer.targetGain[2], 0x4000u);
    Send(AUDIO_MSG_VOLUME, 2, 0x10000);
    EXPECT_EQ(s.mixer.targetGain[2], 0x10000u);
}

TEST_F(ProtocolTest, OtherMessagesChangeNothing) {
    Send(AUDIO_MSG_PROBE);
    Send(0x3CA);
    Send(0xFFFF, 1, 2);
    EXPECT_EQ(s.openCount, 0);
    EXPECT_FALSE(s.quitting);
    EXPECT_FALSE(s.mixer.open);
}

TEST(AudioVolume, GainFromVolume) {
    EXPECT_EQ(AudioVolumeGain(1.7), 0x10000u);
    EXPECT_EQ(AudioVolumeGain(-0.5), 0u);
    EXPECT_EQ(AudioVolumeGain(0.5), 0x8000u);
    EXPECT_EQ(AudioVolumeGain(1.0), 0x10000u);
    EXPECT_EQ(AudioVolumeGain(0.0), 0u);
    EXPECT_EQ(AudioVolumeGain(0.99999), 65535u);  // truncated
}

// The real thread, on SDL's dummy driver (no sound card needed).
class AudioThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        g_pfSeams.audioDriver = PfAudioDriver::Sdl;
        PfSetMidiSynthEnabled(false);
    }
};

TEST_F(AudioThreadTest, StartAndStopAreCounted) {
    EXPECT_FALSE(AudioThreadRunning());
    StartAudio();
    StartAudio();
    EXPECT_TRUE(AudioThreadRunning());
    StopAudio();
    EXPECT_TRUE(AudioThreadRunning());
    EXPECT_TRUE(PostAudioMessage(AUDIO_MSG_PROBE, 0, 0));
    StopAudio();
    EXPECT_FALSE(AudioThreadRunning());
    EXPECT_FALSE(PostAudioMessage(AUDIO_MSG_PROBE, 0, 0));
}

TEST_F(AudioThreadTest, QuitWhileEverythingPlaysEndsWellWithinTheLimit) {
    CSoundData* jet = ConstantSound(44100, 3000);
    CMusicData* music = ProgramAndNote();
    StartAudio();
    SetAudioVolume(1, 1.0);
    SetAudioVolume(2, 0.8);
    PostAudioMusic(music, SOUND_LOOP);
    PostAudioMessage(AUDIO_MSG_OPEN, 0, 0);
    PostAudioSound(jet, SOUND_CHANNEL_ENGINE | SOUND_LOOP);
    PostAudioSound(jet, SOUND_CHANNEL_EFFECTS);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_STREQ(PfAudioDriverName(), "dummy");
    const bool timeToSpare = MachineHasTimeToSpare();
    auto t0 = std::chrono::steady_clock::now();
    StopAudio();
    auto took = std::chrono::steady_clock::now() - t0;
    if (timeToSpare && MachineHasTimeToSpare()) {
        EXPECT_LT(took, std::chrono::milliseconds(2500));
    }
    EXPECT_FALSE(AudioThreadRunning());
    // The thread ended by itself, not by the limit: it gave back every reference it
    // was handed.
    EXPECT_EQ(jet->RefCount(), 1);
    EXPECT_EQ(music->RefCount(), 1);
    jet->Release();
    music->Release();
}

TEST_F(AudioThreadTest, PostsWithoutAThreadKeepNoReference) {
    CSoundData* sound = ConstantSound(10, 1);
    CMusicData* music = ProgramAndNote();
    EXPECT_FALSE(PostAudioSound(sound, SOUND_CHANNEL_EFFECTS));
    EXPECT_FALSE(PostAudioMusic(music, 0));
    EXPECT_EQ(sound->RefCount(), 1);
    EXPECT_EQ(music->RefCount(), 1);
    EXPECT_FALSE(PostAudioSound(nullptr, SOUND_STOP_FIRST));
    sound->Release();
    music->Release();
}

TEST_F(AudioThreadTest, RefusedSoundsAreReleasedByTheThread) {
    CSoundData* sound = ConstantSound(10, 1);
    StartAudio();
    EXPECT_TRUE(PostAudioSound(sound, 0));  // channel 0 without stop-first: refused
    EXPECT_TRUE(PostAudioSound(sound, 7));  // no such channel
    StopAudio();
    EXPECT_EQ(sound->RefCount(), 1);
    sound->Release();
}

TEST(AudioFallback, NoUsableDriverFallsBackToDummy) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    g_pfSeams.audioDriver = PfAudioDriver::Sdl;
    ASSERT_TRUE(PfAcquireAudioOutput());
    EXPECT_STREQ(PfAudioDriverName(), "dummy");
    PfReleaseAudioOutput();
    EXPECT_STREQ(PfAudioDriverName(), "");
}

}  // namespace
