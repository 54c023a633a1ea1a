// The wave mixer's exact output. Expected values are worked out from the gain rules:
// a ramp gain at buffer index i is current + ((i x ±3043) >> 8) (arithmetic shift), a
// product is divided by 65536 truncating toward zero, the sum is clamped to ±32767.
#include <gtest/gtest.h>

#include "audio_test_support.h"

#include <algorithm>
#include <vector>

#include "audio/au_mixer.h"
#include "platform/pf_audio_device.h"
#include "platform/pf_midi_stream.h"
#include "platform/pf_thread_messages.h"

namespace {

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseManualDevice();
        InitWaveMixer(&m);
    }
    void TearDown() override {
        FreeWaveMixer(&m);
        DrainThreadMessages();
    }

    // A closed mixer mixes into buffer 0 every time (the write fails, next stays).
    const int16_t* FillClosed() {
        FillWaveBuffer(&m);
        return m.buffers[0];
    }
    void SetGains(uint32_t index, uint32_t current, uint32_t target) {
        m.currentGain[index] = current;
        m.targetGain[index] = target;
    }
    // Plays samples at the manual device, a buffer's worth at a time, handing every
    // returned buffer to the mixer in between, as the audio thread would.
    std::vector<int16_t> Play(uint32_t samples) {
        std::vector<int16_t> out(samples);
        for (uint32_t at = 0; at < samples; at += kMixerBufferSamples) {
            PfRenderAudio(out.data() + at, std::min(kMixerBufferSamples, samples - at));
            PfThreadMessage msg;
            while (PfPeekThreadMessage(&msg))
                if (msg.message == PF_MM_WOM_DONE) WaveBufferReturned(&m);
        }
        return out;
    }

    WaveMixer m;
};

TEST_F(MixerTest, InitialState) {
    EXPECT_FALSE(m.open);
    EXPECT_EQ(m.written, 0u);
    EXPECT_EQ(m.currentGain[1], kGainUnity);
    EXPECT_EQ(m.targetGain[2], kGainUnity);
    int32_t step;
    uint32_t n;
    SetGains(0, 0, kGainUnity);
    ComputeGainRamp(&m, 0, &step, &n);
    EXPECT_EQ(step, 3043);
    EXPECT_EQ(n, 2048u);  // 5513 samples, at most one buffer
    SetGains(0, 0x10000, 0xC000);
    ComputeGainRamp(&m, 0, &step, &n);
    EXPECT_EQ(step, -3043);
    EXPECT_EQ(n, 1378u);  // 16384 x 256 / 3043 = 1378.3
    ComputeGainRamp(&m, 1, &step, &n);
    EXPECT_EQ(n, 0u);
}

TEST_F(MixerTest, MasterFadeInFromClosed) {
    SetGains(0, 0, kGainUnity);
    CSoundData* sound = ConstantSound(10000, 10000);
    sound->AddRef();  // one for the test, one passed to the mixer
    PlayMixerSound(&m, sound, 1);
    ASSERT_EQ(m.voiceCount, 1u);
    EXPECT_EQ(m.voices[0].start, 0u);  // closed: starts at written

    const int16_t* b = FillClosed();
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 1);        // gain 11: 110000 / 65536
    EXPECT_EQ(b[100], 181);    // gain 1188
    EXPECT_EQ(b[2047], 3712);  // gain 24332
    EXPECT_EQ(m.currentGain[0], 24344u);  // 8 x 3043 per buffer
    EXPECT_EQ(m.written, 2048u);

    b = FillClosed();
    EXPECT_EQ(b[0], 3714);
    EXPECT_EQ(b[2047], 7427);
    EXPECT_EQ(m.currentGain[0], 48688u);

    b = FillClosed();  // the ramp ends after 1417 samples
    EXPECT_EQ(b[0], 7429);
    EXPECT_EQ(b[1416], 9997);
    EXPECT_EQ(b[1417], 10000);
    EXPECT_EQ(b[2047], 10000);
    EXPECT_EQ(m.currentGain[0], kGainUnity);

    b = FillClosed();  // sound index 6144..8191
    EXPECT_EQ(b[0], 10000);
    EXPECT_EQ(m.voiceCount, 1u);
    b = FillClosed();  // 8192..9999 then silence; ends inside this buffer
    EXPECT_EQ(b[1807], 10000);
    EXPECT_EQ(b[1808], 0);
    EXPECT_EQ(m.voiceCount, 0u);
    EXPECT_EQ(sound->RefCount(), 1);
    sound->Release();
}

TEST_F(MixerTest, NothingMixesWhileTheMasterIsSilent) {
    CSoundData* sound = ConstantSound(100, 5000);
    sound->AddRef();
    PlayMixerSound(&m, sound, 1);
    const int16_t* b = FillClosed();  // master current and target 0
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(m.voices[0].start, 0u);  // not advanced or finished
    EXPECT_EQ(m.voiceCount, 1u);
    sound->Release();
}

TEST_F(MixerTest, ChannelFadeOutUsesArithmeticShiftsAndTruncation) {
    SetGains(0, kGainUnity, kGainUnity);
    SetGains(1, kGainUnity, 0);
    CSoundData* up = ConstantSound(20000, 20000);
    PlayMixerSound(&m, up, 1);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[0], 20000);
    EXPECT_EQ(b[1], 19996);    // (1 x -3043) >> 8 = -12, not -11
    EXPECT_EQ(b[2047], 12574); // gain 65536 - 24333
    EXPECT_EQ(m.currentGain[1], 41192u);
    b = FillClosed();
    EXPECT_EQ(b[0], 12570);
    EXPECT_EQ(b[2047], 5144);
    b = FillClosed();
    EXPECT_EQ(b[1416], 4);
    EXPECT_EQ(b[1417], 0);     // after the ramp: the target, 0
    EXPECT_EQ(m.currentGain[1], 0u);
    b = FillClosed();          // channel silent: the voice is not mixed at all
    EXPECT_EQ(b[5], 0);
    EXPECT_EQ(m.voiceCount, 1u);
}

TEST_F(MixerTest, NegativeProductsTruncateTowardZero) {
    SetGains(0, kGainUnity, kGainUnity);
    SetGains(2, kGainUnity, 0);
    PlayMixerSound(&m, ConstantSound(4096, -20000), 2);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[1], -19996);
    EXPECT_EQ(b[2047], -12574);
}

TEST_F(MixerTest, ChannelTargetBelowUnityScalesAfterTheRamp) {
    SetGains(0, kGainUnity, kGainUnity);
    SetGains(1, 0x8000, 0x8000);
    PlayMixerSound(&m, ConstantSound(4096, 1001), 1);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[0], 500);  // 1001 x 32768 / 65536 = 500.5
}

TEST_F(MixerTest, SumIsClampedToPlusMinus32767) {
    SetGains(0, kGainUnity, kGainUnity);
    for (int k = 0; k < 3; ++k) PlayMixerSound(&m, ConstantSound(1000, 15000), 1);
    for (int k = 0; k < 3; ++k) PlayMixerSound(&m, ConstantSound(2000, -15000), 2);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[0], 0);        // +45000 - 45000
    EXPECT_EQ(b[999], 0);
    EXPECT_EQ(b[1000], -32767);  // not -32768
    SetGains(2, 0, 0);
    for (int k = 0; k < 3; ++k) PlayMixerSound(&m, ConstantSound(1000, 15000), 1);
    b = FillClosed();
    EXPECT_EQ(b[10], 32767);
}

TEST_F(MixerTest, LoudVoicesDuringAMasterFadeDoNotOverflow) {
    // Two full-scale voices sum to 65534; times a gain above 32768 that is beyond
    // 32 bits, and must come out clamped, not wrapped.
    SetGains(0, 0, kGainUnity);
    PlayMixerSound(&m, ConstantSound(10000, 32767), 1);
    PlayMixerSound(&m, ConstantSound(10000, 32767), 2);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[1000], 11885);
    EXPECT_EQ(b[2047], 24331);
    b = FillClosed();
    EXPECT_EQ(b[0], 24343);
    EXPECT_EQ(b[2047], 32767);  // 65534 x 48676: 3,189,932,984
    for (int i = 0; i < 2048; ++i) ASSERT_GT(b[i], 0) << i;
}

TEST_F(MixerTest, ShortLoopRepeatsAcrossBufferEdges) {
    SetGains(0, kGainUnity, kGainUnity);
    std::vector<int16_t> ramp(300);
    for (int k = 0; k < 300; ++k) ramp[k] = static_cast<int16_t>(k + 1);
    CSoundData* loop = new CSoundData(300, ramp.data());
    PlayMixerSound(&m, loop, 2 | 16);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[299], 300);
    EXPECT_EQ(b[300], 1);
    EXPECT_EQ(b[2047], 248);  // 2047 mod 300 = 247
    EXPECT_EQ(m.voices[0].start, 1800u);  // the repeat still playing at the buffer's end
    b = FillClosed();
    EXPECT_EQ(b[0], 249);
    EXPECT_EQ(b[51], 300);
    EXPECT_EQ(b[52], 1);
    for (int i = 1; i < 2048; ++i)
        ASSERT_EQ(b[i], b[i - 1] == 300 ? 1 : b[i - 1] + 1) << i;
    EXPECT_EQ(m.voiceCount, 1u);
}

TEST_F(MixerTest, OneShotEndingOnTheBufferEdgeFinishesOneFillLater) {
    SetGains(0, kGainUnity, kGainUnity);
    CSoundData* exact = ConstantSound(2048, 7);
    CSoundData* shorter = ConstantSound(2047, 9);
    exact->AddRef();
    shorter->AddRef();
    PlayMixerSound(&m, exact, 1);
    PlayMixerSound(&m, shorter, 1);
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[2046], 16);
    EXPECT_EQ(b[2047], 7);
    ASSERT_EQ(m.voiceCount, 1u);  // the shorter one ended inside the buffer
    EXPECT_EQ(m.voices[0].sound, exact);
    EXPECT_EQ(shorter->RefCount(), 1);
    b = FillClosed();
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(m.voiceCount, 0u);
    EXPECT_EQ(exact->RefCount(), 1);
    exact->Release();
    shorter->Release();
}

TEST_F(MixerTest, VoicesAcrossTheTimelineWrap) {
    // The sample counter wraps after 2^32 samples; a voice crossing that point plays.
    SetGains(0, kGainUnity, kGainUnity);
    m.written = 0xFFFFFE00u;
    CSoundData* sound = ConstantSound(512, 123);
    PlayMixerSound(&m, sound, 1);
    m.voices[0].start = 0xFFFFFF00u;  // 256 samples into this buffer, ends at 0x100
    const int16_t* b = FillClosed();
    EXPECT_EQ(b[255], 0);
    EXPECT_EQ(b[256], 123);
    EXPECT_EQ(b[767], 123);
    EXPECT_EQ(b[768], 0);
    EXPECT_EQ(m.written, 0x600u);
    EXPECT_EQ(m.voiceCount, 0u);
}

TEST_F(MixerTest, PlayRequestsThatDoNotPlay) {
    CSoundData* empty = new CSoundData(0, nullptr);
    empty->AddRef();
    PlayMixerSound(&m, empty, 1);  // no samples
    EXPECT_EQ(empty->RefCount(), 1);
    CSoundData* s = ConstantSound(10, 1);
    for (uint32_t channel : {0u, 3u, 15u}) {
        s->AddRef();
        PlayMixerSound(&m, s, channel);
    }
    EXPECT_EQ(m.voiceCount, 0u);
    for (int k = 0; k < 9; ++k) {
        s->AddRef();
        PlayMixerSound(&m, s, 1);
    }
    EXPECT_EQ(m.voiceCount, 8u);  // the ninth is dropped
    EXPECT_EQ(s->RefCount(), 9);
    PlayMixerSound(&m, nullptr, 0);  // no stop flag: nothing happens
    EXPECT_EQ(m.voiceCount, 8u);
    empty->Release();
    s->Release();
}

TEST_F(MixerTest, StopFirstRemovesAChannelOrEverything) {
    CSoundData* a = ConstantSound(10, 1);
    CSoundData* b = ConstantSound(10, 2);
    a->AddRef();
    b->AddRef();
    PlayMixerSound(&m, a, 1);
    PlayMixerSound(&m, b, 2 | 16);
    a->AddRef();
    PlayMixerSound(&m, a, 1);
    SetGains(0, 0x8000, kGainUnity);
    b->AddRef();
    PlayMixerSound(&m, b, 2 | 16 | 32);  // the jet restarted
    ASSERT_EQ(m.voiceCount, 3u);
    EXPECT_EQ(m.voices[0].sound, a);
    EXPECT_EQ(m.voices[1].sound, a);
    EXPECT_EQ(m.voices[2].sound, b);
    EXPECT_EQ(m.currentGain[2], 0u);  // fades in again
    EXPECT_EQ(m.currentGain[0], 0x8000u);
    PlayMixerSound(&m, nullptr, 32);  // silence everything
    EXPECT_EQ(m.voiceCount, 0u);
    EXPECT_EQ(m.currentGain[0], 0u);
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_EQ(b->RefCount(), 1);
    // A channel without a gain: its voices (none) go, no gain changes.
    SetGains(1, 0x1234, 0x1234);
    PlayMixerSound(&m, nullptr, 5 | 32);
    EXPECT_EQ(m.currentGain[1], 0x1234u);
    EXPECT_EQ(m.currentGain[2], 0u);
    a->Release();
    b->Release();
}

TEST_F(MixerTest, VolumeRangeChecks) {
    SetMixerVolume(&m, 1, 0x8000);
    EXPECT_EQ(m.targetGain[1], 0x8000u);
    SetMixerVolume(&m, 0, 0x4000);
    EXPECT_EQ(m.targetGain[1], 0x4000u);
    EXPECT_EQ(m.targetGain[2], 0x4000u);
    SetMixerVolume(&m, 0, 0x10001);   // above unity: ignored, channel 0 too
    SetMixerVolume(&m, 2, 0xFFFFFFFF);
    SetMixerVolume(&m, 3, 0x100);
    EXPECT_EQ(m.targetGain[1], 0x4000u);
    EXPECT_EQ(m.targetGain[2], 0x4000u);
}

TEST_F(MixerTest, OpenFillsFourBuffersAndFadesIn) {
    OpenWaveMixer(&m);
    ASSERT_TRUE(m.open);
    EXPECT_EQ(m.queued, 4u);
    EXPECT_EQ(m.written, 8192u);
    EXPECT_EQ(m.base, 0u);
    EXPECT_EQ(m.next, 0u);
    EXPECT_EQ(m.currentGain[0], kGainUnity);  // reached during the four silent fills
    for (const PfWaveHeader& h : m.headers) EXPECT_TRUE(h.flags.load() & PF_WHDR_INQUEUE);
}

TEST_F(MixerTest, StartSampleFollowsTheDevicePosition) {
    OpenWaveMixer(&m);  // written 8192, position 0
    EXPECT_EQ(GetVoiceStartSample(&m), 8192u);  // 0 + 2048 is behind written
    std::vector<int16_t> out(8192);
    PfRenderAudio(out.data(), 6500);  // buffers come back, but are not refilled here
    EXPECT_EQ(GetVoiceStartSample(&m), 8548u);  // 6500 + 2048, inside the window
    PfRenderAudio(out.data(), 1692);
    EXPECT_EQ(GetVoiceStartSample(&m), 10240u);  // exactly written + 2048
    PfRenderAudio(out.data(), 4000);             // nothing queued: the position stands
    EXPECT_EQ(GetVoiceStartSample(&m), 10240u);
}

TEST_F(MixerTest, StartSampleAcrossTheTimelineWrap) {
    m.written = 0xFFFFD800u;
    OpenWaveMixer(&m);  // base 0xFFFFD800, written 0xFFFFF800
    EXPECT_EQ(GetVoiceStartSample(&m), 0xFFFFF800u);
    std::vector<int16_t> out(8192);
    PfRenderAudio(out.data(), 8192);
    EXPECT_EQ(GetVoiceStartSample(&m), 0u);  // base + 8192 + 2048 wraps to 0
}

TEST_F(MixerTest, SoundStartsAtTheNextBufferToBeMixed) {
    OpenWaveMixer(&m);
    Play(2048);  // buffer 0 returned and refilled: written 10240
    EXPECT_EQ(m.written, 10240u);
    PlayMixerSound(&m, ConstantSound(100, 3000), 1);
    EXPECT_EQ(m.voices[0].start, 10240u);  // device position 2048 + 2048 is behind
    std::vector<int16_t> out = Play(8192 + 200);
    EXPECT_EQ(out[8191], 0);
    EXPECT_EQ(out[8192], 3000);
    EXPECT_EQ(out[8291], 3000);
    EXPECT_EQ(out[8292], 0);
}

TEST_F(MixerTest, CloseFadesOutThenClosesWhenTheLastBufferReturns) {
    OpenWaveMixer(&m);
    PlayMixerSound(&m, ConstantSound(200000, 20000), 1 | 16);
    Play(2048 * 4);  // the sound is in the mix now, at full gain
    EXPECT_EQ(m.written, 16384u);
    CloseWaveMixer(&m);
    EXPECT_TRUE(m.open);
    EXPECT_TRUE(m.closing);
    EXPECT_EQ(m.targetGain[0], 0u);
    std::vector<int16_t> out = Play(2048 * 4);  // the four buffers mixed before the close
    EXPECT_EQ(out[2048 * 4 - 1], 20000);
    out = Play(2048 * 3);  // the three fade buffers
    EXPECT_EQ(out[0], 20000);
    EXPECT_EQ(out[1], 19996);
    EXPECT_EQ(out[2048 * 2 + 1416], 4);
    EXPECT_EQ(out[2048 * 2 + 1417], 0);
    EXPECT_EQ(m.currentGain[0], 0u);
    EXPECT_EQ(m.written, 16384u + 3 * 2048);  // nothing mixed once silent
    Play(2048 * 4);  // the silent buffers come back; the last one closes
    EXPECT_FALSE(m.open);
    EXPECT_EQ(m.queued, 0u);
    uint32_t position;
    EXPECT_NE(PfWaveOutGetPosition(m.device, &position), PF_MMSYSERR_NOERROR);
    EXPECT_EQ(m.voiceCount, 1u);  // voices survive a close
}

TEST_F(MixerTest, OpenWhileClosingCancelsTheClose) {
    OpenWaveMixer(&m);
    CloseWaveMixer(&m);
    OpenWaveMixer(&m);
    EXPECT_TRUE(m.open);
    EXPECT_FALSE(m.closing);
    EXPECT_EQ(m.targetGain[0], kGainUnity);
    EXPECT_EQ(m.queued, 4u);
}

TEST_F(MixerTest, CloseWithNothingQueuedClosesAtOnceAndTheReopenFadesIn) {
    OpenWaveMixer(&m);
    ASSERT_EQ(m.currentGain[0], kGainUnity);
    // As if every write had failed: nothing is at the device, nothing will come back.
    PfWaveOutReset(m.device);
    PfThreadMessage msg;
    while (PfPeekThreadMessage(&msg)) {}
    m.queued = 0;
    CloseWaveMixer(&m);
    EXPECT_FALSE(m.open);
    // Closed at full gain, without a fade: the next open still fades in from silence.
    PlayMixerSound(&m, ConstantSound(100000, 10000), 1 | 16);
    OpenWaveMixer(&m);
    const int16_t* b = m.buffers[0];  // the first buffer after the open
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 1);  // gain 11, as from closed
    EXPECT_EQ(b[2047], 3712);
}

TEST_F(MixerTest, ReopenStartsTheTimelineWhereItStopped) {
    OpenWaveMixer(&m);
    CloseWaveMixer(&m);
    Play(2048 * 12);
    ASSERT_FALSE(m.open);
    uint32_t stopped = m.written;
    OpenWaveMixer(&m);
    EXPECT_EQ(m.base, stopped);
    EXPECT_EQ(m.written, stopped + 8192);
}

}  // namespace
