// The wave output on the manual device (platform layer): order, notices, position,
// reset and close.
#include <gtest/gtest.h>

#include "audio_test_support.h"

#include <vector>

#include "platform/pf_audio_device.h"
#include "platform/pf_seams.h"
#include "platform/pf_wave_out.h"

namespace {

class WaveOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseManualDevice();
        ASSERT_EQ(PfWaveOutOpen(&device, kPfGameWaveFormat, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
    }
    void TearDown() override {
        PfWaveOutReset(device);
        PfWaveOutClose(device);
        DrainThreadMessages();
    }
    void Prepare(PfWaveHeader& h, std::vector<int16_t>& samples) {
        h.data = samples.data();
        h.length = static_cast<uint32_t>(samples.size() * 2);
        ASSERT_EQ(PfWaveOutPrepareHeader(device, &h), PF_MMSYSERR_NOERROR);
    }
    std::vector<int16_t> Render(uint32_t n) {
        std::vector<int16_t> out(n);
        PfRenderAudio(out.data(), n);
        return out;
    }
    uint32_t Position() {
        uint32_t p = 0;
        EXPECT_EQ(PfWaveOutGetPosition(device, &p), PF_MMSYSERR_NOERROR);
        return p;
    }

    PfWaveOut device = nullptr;
};

TEST_F(WaveOutTest, OnlyTheGameFormatAndOneDeviceAtATime) {
    PfWaveOut other;
    EXPECT_EQ(PfWaveOutOpen(&other, kPfGameWaveFormat, 0), PF_MMSYSERR_ALLOCATED);
    PfWaveFormat stereo = kPfGameWaveFormat;
    stereo.channels = 2;
    stereo.blockAlign = 4;
    EXPECT_EQ(PfWaveOutOpen(&other, stereo, 0), PF_WAVERR_BADFORMAT);
}

TEST_F(WaveOutTest, BuffersPlayInOrderAndComeBackDoneWithANotice) {
    std::vector<int16_t> a(100, 1000), b(50, -2000);
    PfWaveHeader ha, hb;
    Prepare(ha, a);
    Prepare(hb, b);
    ASSERT_EQ(PfWaveOutWrite(device, &ha), PF_MMSYSERR_NOERROR);
    ASSERT_EQ(PfWaveOutWrite(device, &hb), PF_MMSYSERR_NOERROR);
    EXPECT_EQ(PfWaveOutWrite(device, &ha), PF_WAVERR_STILLPLAYING);
    EXPECT_FALSE(ha.flags.load() & PF_WHDR_DONE);
    std::vector<int16_t> out = Render(99);
    EXPECT_EQ(out[98], 1000);
    PfThreadMessage m;
    EXPECT_FALSE(PfPeekThreadMessage(&m));
    out = Render(100);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[1], -2000);
    EXPECT_EQ(out[50], -2000);
    EXPECT_EQ(out[51], 0);  // queue empty: silence
    ASSERT_TRUE(PfPeekThreadMessage(&m));
    EXPECT_EQ(m.message, PF_MM_WOM_DONE);
    EXPECT_EQ(reinterpret_cast<PfWaveHeader*>(m.lParam), &ha);
    EXPECT_TRUE(ha.flags.load() & PF_WHDR_DONE);
    EXPECT_FALSE(ha.flags.load() & PF_WHDR_INQUEUE);
    ASSERT_TRUE(PfPeekThreadMessage(&m));
    EXPECT_EQ(reinterpret_cast<PfWaveHeader*>(m.lParam), &hb);
    EXPECT_EQ(Position(), 150u);  // stands while nothing is queued
    Render(1000);
    EXPECT_EQ(Position(), 150u);
}

TEST_F(WaveOutTest, UnpreparedBuffersAreRefused) {
    std::vector<int16_t> a(10, 1);
    PfWaveHeader h;
    h.data = a.data();
    h.length = 20;
    EXPECT_EQ(PfWaveOutWrite(device, &h), PF_WAVERR_UNPREPARED);
    Prepare(h, a);
    ASSERT_EQ(PfWaveOutWrite(device, &h), PF_MMSYSERR_NOERROR);
    EXPECT_EQ(PfWaveOutUnprepareHeader(device, &h), PF_WAVERR_STILLPLAYING);
    PfWaveOutReset(device);  // give the buffer back before it goes out of scope
}

TEST_F(WaveOutTest, ResetReturnsEveryBufferAndCloseWaitsForIt) {
    std::vector<int16_t> a(100, 5), b(100, 6);
    PfWaveHeader ha, hb;
    Prepare(ha, a);
    Prepare(hb, b);
    PfWaveOutWrite(device, &ha);
    PfWaveOutWrite(device, &hb);
    Render(30);
    EXPECT_EQ(Position(), 30u);
    EXPECT_EQ(PfWaveOutClose(device), PF_WAVERR_STILLPLAYING);
    ASSERT_EQ(PfWaveOutReset(device), PF_MMSYSERR_NOERROR);
    EXPECT_TRUE(ha.flags.load() & PF_WHDR_DONE);
    EXPECT_TRUE(hb.flags.load() & PF_WHDR_DONE);
    int notices = 0;
    PfThreadMessage m;
    while (PfPeekThreadMessage(&m)) notices += m.message == PF_MM_WOM_DONE;
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(Position(), 0u);
    EXPECT_EQ(Render(10)[0], 0);
    EXPECT_EQ(PfWaveOutUnprepareHeader(device, &ha), PF_MMSYSERR_NOERROR);
    EXPECT_EQ(PfWaveOutClose(device), PF_MMSYSERR_NOERROR);
    uint32_t p;
    EXPECT_EQ(PfWaveOutGetPosition(device, &p), PF_MMSYSERR_INVALHANDLE);
    EXPECT_EQ(PfWaveOutOpen(&device, kPfGameWaveFormat, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
}

TEST(AudioDevice, ManualDriverIsSilentWithNothingOpen) {
    g_pfSeams.audioDriver = PfAudioDriver::Manual;
    std::vector<int16_t> out(3000, 7);
    PfRenderAudio(out.data(), 3000);
    for (int16_t s : out) ASSERT_EQ(s, 0);
    EXPECT_STREQ(PfAudioDriverName(), "");
    ASSERT_TRUE(PfAcquireAudioOutput());
    EXPECT_STREQ(PfAudioDriverName(), "manual");
    PfReleaseAudioOutput();
}

TEST(AudioDevice, WaveSamplesPassThroughExactly) {
    g_pfSeams.audioDriver = PfAudioDriver::Manual;
    PfCreateThreadQueue();
    PfWaveOut device;
    ASSERT_EQ(PfWaveOutOpen(&device, kPfGameWaveFormat, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
    std::vector<int16_t> a{32767, -32768, 12345};
    PfWaveHeader h;
    h.data = a.data();
    h.length = 6;
    PfWaveOutPrepareHeader(device, &h);
    PfWaveOutWrite(device, &h);
    std::vector<int16_t> out(3);
    PfRenderAudio(out.data(), 3);
    EXPECT_EQ(out, a);
    PfWaveOutClose(device);
    PfThreadMessage m;
    while (PfPeekThreadMessage(&m)) {}
}

}  // namespace
