// The MIDI stream player: the buffers it builds from a music (one quarter note each,
// closed by a callback no-op), looping, the event limit, the re-send after a reopen,
// and its buffer cycle on the manual device.
#include <gtest/gtest.h>

#include <ostream>

#include "audio/au_midi_player.h"
#include "audio_test_support.h"
#include "platform/pf_audio_device.h"
#include "platform/pf_thread_messages.h"

std::ostream& operator<<(std::ostream& os, const StreamRecord& r) {
    return os << "{" << r.delta << ", " << r.streamId << ", 0x" << std::hex << r.event << std::dec << "}";
}

namespace {

constexpr uint32_t kNop = 0x42000000;

CMusicData* MakeMusic(std::vector<MusicEvent> events) {
    CMusicData* music = new CMusicData;
    music->events = std::move(events);
    return music;
}

// Program 5 and a tempo of 600,000 µs at 0, a note over the first eighth, program 33
// and a note at 200, its end at 400.
std::vector<MusicEvent> Tune() {
    return {{0, 0xC0, 0x05, 0, 0},   {0, 0xFF, 0x09, 0x27, 0xC0}, {0, 0x90, 0x3C, 0x64, 0},
            {96, 0x80, 0x3C, 0, 0},  {200, 0xC1, 0x21, 0, 0},     {200, 0x91, 0x40, 0x50, 0},
            {400, 0x81, 0x40, 0, 0}};
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseManualDevice();
        InitMidiPlayer(&p);
    }
    void TearDown() override {
        FreeMidiPlayer(&p);
        DrainThreadMessages();
    }
    // With the stream closed the write fails, so every fill lands in buffer 0.
    std::vector<StreamRecord> FillClosed() {
        FillMidiBuffer(&p);
        return ReadStreamBuffer(p.buffers[0], p.headers[0].bytesRecorded);
    }

    MidiStreamPlayer p;
};

using Records = std::vector<StreamRecord>;

TEST_F(PlayerTest, OneQuarterNotePerBuffer) {
    PlayMidiMusic(&p, MakeMusic(Tune()), 0);
    EXPECT_EQ(FillClosed(), (Records{{0, 0, 0x05C0}, {0, 0, 0x010927C0}, {0, 0, 0x643C90},
                                     {96, 0, 0x3C80}, {96, 0, kNop}}));
    EXPECT_EQ(p.position, 192u);
    EXPECT_EQ(FillClosed(), (Records{{8, 0, 0x21C1}, {0, 0, 0x504091}, {184, 0, kNop}}));
    EXPECT_EQ(FillClosed(), (Records{{16, 0, 0x4081}, {176, 0, kNop}}));
    EXPECT_EQ(p.music, nullptr);  // played once: released after its last event
    EXPECT_EQ(FillClosed(), (Records{{192, 0, kNop}}));
}

TEST_F(PlayerTest, LoopPeriodEndsWithTheQuarterOfTheLastEvent) {
    CMusicData* music = MakeMusic(Tune());
    music->AddRef();
    PlayMidiMusic(&p, music, 16);
    Records first = FillClosed();
    uint32_t ticks = 0;
    for (const StreamRecord& r : first) ticks += r.delta;
    for (int k = 0; k < 2; ++k)
        for (const StreamRecord& r : FillClosed()) ticks += r.delta;
    EXPECT_EQ(ticks, 576u);  // (floor(400 / 192) + 1) x 192
    EXPECT_EQ(p.cursor, 0u);
    EXPECT_EQ(p.position, 0u);
    EXPECT_EQ(FillClosed(), first);  // and again from the start
    EXPECT_EQ(music->RefCount(), 2);
    PlayMidiMusic(&p, nullptr, 0);   // stop: released, only no-ops follow
    EXPECT_EQ(music->RefCount(), 1);
    EXPECT_EQ(FillClosed(), (Records{{192, 0, kNop}}));
    music->Release();
}

TEST_F(PlayerTest, MusicWithinTheFirstQuarterLoopsEvery192Ticks) {
    PlayMidiMusic(&p, MakeMusic({{0, 0x99, 36, 100, 0}, {191, 0x89, 36, 0, 0}}), 16);
    Records expected{{0, 0, 0x642499}, {191, 0, 0x2489}, {1, 0, kNop}};
    EXPECT_EQ(FillClosed(), expected);
    EXPECT_EQ(FillClosed(), expected);
}

TEST_F(PlayerTest, EmptyMusic) {
    CMusicData* empty = MakeMusic({});
    empty->AddRef();
    PlayMidiMusic(&p, empty, 16);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(FillClosed(), (Records{{192, 0, kNop}}));
    EXPECT_EQ(p.music, empty);  // looping: restarts every quarter
    empty->AddRef();
    PlayMidiMusic(&p, empty, 0);
    EXPECT_EQ(FillClosed(), (Records{{192, 0, kNop}}));
    EXPECT_EQ(p.music, nullptr);
    EXPECT_EQ(empty->RefCount(), 1);
    empty->Release();
}

TEST_F(PlayerTest, ABufferHoldsAtMost339EventsAndTheRestOfThatQuarterIsSkipped) {
    std::vector<MusicEvent> events;
    for (int k = 0; k < 400; ++k) events.push_back({static_cast<uint32_t>(k / 10), 0x90, 60, 1, 0});
    events.push_back({200, 0x80, 60, 0, 0});
    PlayMidiMusic(&p, MakeMusic(events), 0);
    Records first = FillClosed();
    ASSERT_EQ(first.size(), 340u);
    EXPECT_EQ(p.headers[0].bytesRecorded, 4080u);
    EXPECT_EQ(first[338].delta, 0u);  // event 338 at tick 33
    EXPECT_EQ(first[339], (StreamRecord{192 - 33, 0, kNop}));
    EXPECT_EQ(FillClosed(), (Records{{8, 0, 0x3C80}, {184, 0, kNop}}));
}

TEST_F(PlayerTest, ReopenResendsTempoAndProgramChangesFirst) {
    PlayMidiMusic(&p, MakeMusic(Tune()), 0);
    FillClosed();
    FillClosed();  // the cursor is at the event at 400
    p.reopened = true;
    EXPECT_EQ(FillClosed(), (Records{{0, 0, 0x010927C0}, {0, 0, 0x05C0}, {0, 0, 0x21C1},
                                     {16, 0, 0x4081}, {176, 0, kNop}}));
    EXPECT_FALSE(p.reopened);
}

TEST_F(PlayerTest, ReopenResendsOnlyTheLatestTempoBeforeTheCursor) {
    // 500,000 µs at 0, 250,000 µs at 250, then 400,000 µs at 500 (not yet reached).
    PlayMidiMusic(&p, MakeMusic({{0, 0xFF, 0x07, 0xA1, 0x20}, {0, 0xC0, 0x05, 0, 0},
                                 {250, 0xFF, 0x03, 0xD0, 0x90}, {260, 0x90, 0x40, 0x50, 0},
                                 {500, 0xFF, 0x06, 0x1A, 0x80}, {500, 0x80, 0x40, 0, 0}}),
                  0);
    FillClosed();
    EXPECT_EQ(FillClosed(), (Records{{58, 0, 0x0103D090}, {10, 0, 0x504090}, {124, 0, kNop}}));
    p.reopened = true;
    EXPECT_EQ(FillClosed(), (Records{{0, 0, 0x0103D090}, {0, 0, 0x05C0}, {116, 0, 0x01061A80},
                                     {0, 0, 0x4080}, {76, 0, kNop}}));
}

TEST_F(PlayerTest, ReopenWithoutMusicKeepsTheFlag) {
    p.reopened = true;
    EXPECT_EQ(FillClosed(), (Records{{192, 0, kNop}}));
    EXPECT_TRUE(p.reopened);
}

TEST_F(PlayerTest, OpenQueuesTwoQuartersAndEachReturnAddsOne) {
    PlayMidiMusic(&p, MakeMusic(Tune()), 16);
    OpenMidiPlayer(&p);
    ASSERT_TRUE(p.open);
    EXPECT_EQ(p.queued, 2u);
    EXPECT_EQ(p.next, 0u);
    // At the music's 600,000 µs a quarter note is 26460 samples.
    std::vector<int16_t> out(26460);
    PfRenderAudio(out.data(), 26459);
    PfThreadMessage msg;
    bool done = false;
    while (PfPeekThreadMessage(&msg)) done |= msg.message == PF_MM_MOM_DONE;
    EXPECT_FALSE(done);
    PfRenderAudio(out.data(), 1);
    int returned = 0;
    while (PfPeekThreadMessage(&msg))
        if (msg.message == PF_MM_MOM_DONE) {
            EXPECT_EQ(reinterpret_cast<PfMidiHeader*>(msg.lParam), &p.headers[0]);
            EXPECT_TRUE(p.headers[0].flags.load() & PF_MHDR_DONE);
            ++returned;
            MidiBufferReturned(&p);
        }
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(p.queued, 2u);
    EXPECT_EQ(p.position, 0u);  // three quarters fed: the whole music, so it starts again
    EXPECT_EQ(p.cursor, 0u);
}

TEST_F(PlayerTest, ClosePlaysOutTheQueueThenCloses) {
    PlayMidiMusic(&p, MakeMusic(Tune()), 16);
    OpenMidiPlayer(&p);
    CloseMidiPlayer(&p);
    EXPECT_TRUE(p.open);
    std::vector<int16_t> out(22050);
    int returned = 0;
    for (int k = 0; k < 4 && p.open; ++k) {
        PfRenderAudio(out.data(), 22050);
        PfThreadMessage msg;
        while (PfPeekThreadMessage(&msg))
            if (msg.message == PF_MM_MOM_DONE) {
                ++returned;
                MidiBufferReturned(&p);
            }
    }
    EXPECT_FALSE(p.open);
    EXPECT_EQ(returned, 2);
    EXPECT_EQ(p.position, 384u);  // nothing fed after the close request
    // Reopening continues where it stopped, after the earlier settings.
    OpenMidiPlayer(&p);
    ASSERT_TRUE(p.open);
    EXPECT_EQ(ReadStreamBuffer(p.buffers[0], p.headers[0].bytesRecorded)[0],
              (StreamRecord{0, 0, 0x010927C0}));
}

TEST_F(PlayerTest, OpenWhileClosingCancelsTheClose) {
    OpenMidiPlayer(&p);
    CloseMidiPlayer(&p);
    OpenMidiPlayer(&p);
    EXPECT_TRUE(p.open);
    EXPECT_FALSE(p.closing);
    EXPECT_EQ(p.queued, 2u);
}

TEST_F(PlayerTest, CloseWithNothingQueuedClosesAtOnce) {
    OpenMidiPlayer(&p);
    PfMidiStreamStop(p.stream);  // as if no buffer were at the device
    DrainThreadMessages();
    p.queued = 0;
    CloseMidiPlayer(&p);
    EXPECT_FALSE(p.open);
}

}  // namespace
