// The MIDI stream on the manual device (platform layer): event timing to the sample,
// tempo, time division, notices, stop and close. The synth is off: only timing counts.
#include <gtest/gtest.h>

#include "audio_test_support.h"

#include <cstring>
#include <vector>

#include "platform/pf_audio_device.h"
#include "platform/pf_midi_stream.h"
#include "platform/pf_seams.h"

namespace {

struct Played {
    uint64_t sample;
    uint32_t event;
};

void Record(void* user, uint64_t sample, uint32_t event) {
    static_cast<std::vector<Played>*>(user)->push_back({sample, event});
}

class MidiStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseManualDevice();
        g_pfSeams.midiEvent = Record;
        g_pfSeams.midiEventUser = &played;
        ASSERT_EQ(PfMidiStreamOpen(&stream, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
    }
    void TearDown() override {
        PfMidiStreamStop(stream);
        PfMidiStreamClose(stream);
        DrainThreadMessages();
    }
    // Fills a header with {delta, 0, event} records and queues it.
    void Queue(PfMidiHeader& h, std::vector<uint8_t>& storage,
               std::initializer_list<std::pair<uint32_t, uint32_t>> events) {
        storage.assign(events.size() * 12, 0);
        uint32_t at = 0;
        for (auto [delta, event] : events) {
            uint32_t rec[3] = {delta, 0, event};
            std::memcpy(storage.data() + at, rec, 12);
            at += 12;
        }
        h.data = storage.data();
        h.bufferLength = h.bytesRecorded = at;
        ASSERT_EQ(PfMidiOutPrepareHeader(stream, &h), PF_MMSYSERR_NOERROR);
        ASSERT_EQ(PfMidiStreamOut(stream, &h), PF_MMSYSERR_NOERROR);
    }
    void Render(uint32_t n) {
        std::vector<int16_t> out(n);
        PfRenderAudio(out.data(), n);
    }
    int Notices(uint32_t message) {
        int n = 0;
        PfThreadMessage m;
        while (PfPeekThreadMessage(&m)) n += m.message == message;
        return n;
    }

    PfMidiStream stream = nullptr;
    std::vector<Played> played;
};

TEST_F(MidiStreamTest, PausedUntilRestartedThenDefaultTempoAndDivision) {
    PfMidiHeader h;
    std::vector<uint8_t> s;
    Queue(h, s, {{96, 0x00403C90}});  // one quarter at the default 96 ticks per quarter
    Render(50000);
    EXPECT_TRUE(played.empty());
    PfMidiStreamRestart(stream);
    Render(22049);
    EXPECT_TRUE(played.empty());
    Render(1);  // 500,000 µs: 22050 samples
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].sample, 50000u + 22050u);
    EXPECT_TRUE(h.flags.load() & PF_MHDR_DONE);
    EXPECT_EQ(Notices(PF_MM_MOM_DONE), 1);
}

TEST_F(MidiStreamTest, TicksAreExactToTheSampleWithoutDrift) {
    PfMidiStreamSetTimeDivision(stream, 192);
    PfMidiStreamRestart(stream);
    PfMidiHeader h;
    std::vector<uint8_t> s;
    // 114.84375 samples a tick: events at ceil(k x 114.84375).
    Queue(h, s, {{1, 0x90}, {1, 0x91}, {1, 0x92}, {189, 0x93}});
    Render(30000);
    ASSERT_EQ(played.size(), 4u);
    EXPECT_EQ(played[0].sample, 115u);
    EXPECT_EQ(played[1].sample, 230u);
    EXPECT_EQ(played[2].sample, 345u);
    EXPECT_EQ(played[3].sample, 22050u);
}

TEST_F(MidiStreamTest, TempoEventsChangeTheFollowingDeltas) {
    PfMidiStreamSetTimeDivision(stream, 192);
    PfMidiStreamRestart(stream);
    PfMidiHeader h1, h2;
    std::vector<uint8_t> s1, s2;
    Queue(h1, s1, {{0, 0x01000000 | 250000}, {192, 0x42000000}});
    Queue(h2, s2, {{0, 0x01000000}, {192, 0x42000000}});  // tempo 0: ignored
    Render(40000);
    ASSERT_EQ(played.size(), 4u);
    EXPECT_EQ(played[1].sample, 11025u);          // a quarter at 250,000 µs
    EXPECT_EQ(played[3].sample, 11025u + 11025u); // still 250,000
    EXPECT_EQ(Notices(PF_MM_MOM_POSITIONCB), 2);
}

TEST_F(MidiStreamTest, AReopenedStreamStartsAtTheDefaultTempo) {
    PfMidiStreamRestart(stream);
    PfMidiHeader h1, h2;
    std::vector<uint8_t> s1, s2;
    Queue(h1, s1, {{0, 0x01000000 | 250000}});  // the last tune ends twice as fast
    Render(1000);
    PfMidiStreamStop(stream);
    ASSERT_EQ(PfMidiStreamClose(stream), PF_MMSYSERR_NOERROR);
    DrainThreadMessages();
    ASSERT_EQ(PfMidiStreamOpen(&stream, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
    played.clear();
    PfMidiStreamRestart(stream);
    Queue(h2, s2, {{96, 0x42000000}});  // a quarter at 500,000 us and 96 ticks
    Render(30000);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].sample, 22050u);
}

TEST_F(MidiStreamTest, DeltasCarryAcrossBuffers) {
    PfMidiStreamSetTimeDivision(stream, 192);
    PfMidiStreamRestart(stream);
    PfMidiHeader h1, h2;
    std::vector<uint8_t> s1, s2;
    Queue(h1, s1, {{1, 0x42000000}});
    Queue(h2, s2, {{1, 0x42000000}, {1, 0x42000000}});
    Render(1000);
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[1].sample, 230u);
    EXPECT_EQ(played[2].sample, 345u);
    EXPECT_EQ(Notices(PF_MM_MOM_DONE), 2);
}

TEST_F(MidiStreamTest, StopReturnsEveryBufferAndCloseWaitsForThem) {
    PfMidiStreamRestart(stream);
    PfMidiHeader h1, h2;
    std::vector<uint8_t> s1, s2;
    Queue(h1, s1, {{500, 0x90}});
    Queue(h2, s2, {{500, 0x90}});
    EXPECT_EQ(PfMidiStreamClose(stream), PF_MIDIERR_STILLPLAYING);
    EXPECT_EQ(PfMidiOutUnprepareHeader(stream, &h1), PF_MIDIERR_STILLPLAYING);
    ASSERT_EQ(PfMidiStreamStop(stream), PF_MMSYSERR_NOERROR);
    EXPECT_TRUE(h1.flags.load() & PF_MHDR_DONE);
    EXPECT_TRUE(h2.flags.load() & PF_MHDR_DONE);
    EXPECT_EQ(Notices(PF_MM_MOM_DONE), 2);
    Render(100000);
    EXPECT_TRUE(played.empty());
    EXPECT_EQ(PfMidiOutUnprepareHeader(stream, &h1), PF_MMSYSERR_NOERROR);
    EXPECT_EQ(PfMidiStreamClose(stream), PF_MMSYSERR_NOERROR);
    EXPECT_EQ(PfMidiStreamRestart(stream), PF_MMSYSERR_INVALHANDLE);
    ASSERT_EQ(PfMidiStreamOpen(&stream, PfCurrentThreadId()), PF_MMSYSERR_NOERROR);
}

TEST_F(MidiStreamTest, BadBuffersAndDivisionsAreRefused) {
    EXPECT_EQ(PfMidiStreamSetTimeDivision(stream, 0), PF_MMSYSERR_INVALPARAM);
    PfMidiHeader h;
    std::vector<uint8_t> s(24, 0);
    h.data = s.data();
    h.bufferLength = 24;
    h.bytesRecorded = 24;
    EXPECT_EQ(PfMidiStreamOut(stream, &h), PF_MIDIERR_UNPREPARED);
    PfMidiOutPrepareHeader(stream, &h);
    uint32_t longEvent = 0x80000000 | 100;  // claims 100 parameter bytes
    std::memcpy(s.data() + 8, &longEvent, 4);
    EXPECT_EQ(PfMidiStreamOut(stream, &h), PF_MMSYSERR_INVALPARAM);
    h.bytesRecorded = 28;
    EXPECT_EQ(PfMidiStreamOut(stream, &h), PF_MMSYSERR_INVALPARAM);
    PfMidiStream other;
    EXPECT_EQ(PfMidiStreamOpen(&other, 0), PF_MMSYSERR_ALLOCATED);
}

}  // namespace
