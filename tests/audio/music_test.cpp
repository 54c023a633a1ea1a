// Standard MIDI File reading: header checks, tracks, running status, tempo events, time
// conversion to 192 ticks per quarter, sorting and partial results.
#include <gtest/gtest.h>

#include "audio/au_music.h"
#include "audio_test_support.h"

namespace {

struct Music {
    CMusicData* p;
    explicit Music(const Bytes& file)
        : p(CreateMusicData(file.data(), static_cast<uint32_t>(file.size()))) {}
    ~Music() { p->Release(); }
    const std::vector<MusicEvent>& events() const { return p->events; }
};

bool Same(const MusicEvent& e, uint32_t time, uint8_t status, uint8_t d1, uint8_t d2, uint8_t d3) {
    return e.time == time && e.status == status && e.data1 == d1 && e.data2 == d2 && e.data3 == d3;
}

#define EXPECT_EVENT(e, t, s, a, b, c) \
    EXPECT_TRUE(Same(e, t, s, a, b, c)) << "got " << e.time << " " << std::hex << int(e.status) \
                                        << " " << int(e.data1) << " " << int(e.data2) << " " << int(e.data3)

Bytes FileWith(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks,
               uint16_t count = 0xFFFF) {
    Bytes file = MidiHeader(6, format, count == 0xFFFF ? static_cast<uint16_t>(tracks.size()) : count,
                            division);
    for (const Bytes& t : tracks) PutMidiChunk(file, "MTrk", t);
    return file;
}

TEST(MidiReaders, BigEndian32CountsMissingBytesAsZero) {
    const uint8_t b[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    uint32_t index = 0, value = 0;
    EXPECT_TRUE(ReadBigEndian32(b, 5, &index, &value));
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(index, 4u);
    index = 1;
    EXPECT_FALSE(ReadBigEndian32(b, 4, &index, &value));  // low half incomplete
    EXPECT_EQ(value, 0x34567800u);
    EXPECT_EQ(index, 4u);
    index = 3;
    EXPECT_FALSE(ReadBigEndian32(b, 4, &index, &value));  // high half incomplete: low unread
    EXPECT_EQ(value, 0x78000000u);
    EXPECT_EQ(index, 4u);
}

TEST(MidiReaders, VariableLengthQuantities) {
    const uint8_t b[] = {0x00, 0x7F, 0x81, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x81};
    uint32_t index = 0, value = 0;
    EXPECT_TRUE(ReadVariableLength(b, 9, &index, &value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ReadVariableLength(b, 9, &index, &value));
    EXPECT_EQ(value, 0x7Fu);
    EXPECT_TRUE(ReadVariableLength(b, 9, &index, &value));
    EXPECT_EQ(value, 0x80u);
    EXPECT_TRUE(ReadVariableLength(b, 9, &index, &value));
    EXPECT_EQ(value, 0x0FFFFFFFu);
    EXPECT_EQ(index, 8u);
    EXPECT_FALSE(ReadVariableLength(b, 9, &index, &value));  // continuation runs out
    // Longer than four bytes: wraps at 32 bits.
    const uint8_t longer[] = {0x81, 0x80, 0x80, 0x80, 0x80, 0x05};
    index = 0;
    EXPECT_TRUE(ReadVariableLength(longer, 6, &index, &value));
    EXPECT_EQ(value, 5u);  // 1 << 35 | 5, wrapped
}

TEST(MidiFile, SeveralTracksAreMergedSortedAndConverted) {
    // Division 120: tick t lands on floor(1.6 t).
    Bytes conductor, melody, bass;
    PutMidiEvent(conductor, 0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 500,000 µs
    PutMidiEvent(conductor, 0, {0xFF, 0x2F, 0x00});
    PutMidiEvent(melody, 0, {0xC0, 0x05});
    PutMidiEvent(melody, 1, {0x90, 0x3C, 0x64});   // t=1 -> 1
    PutMidiEvent(melody, 2, {0x80, 0x3C, 0x00});   // t=3 -> 4
    PutMidiEvent(melody, 117, {0x90, 0x3E, 0x64}); // t=120 -> 192
    PutMidiEvent(bass, 3, {0x91, 0x24, 0x50});     // t=3 -> 4, after the melody's event
    PutMidiEvent(bass, 0, {0xE1, 0x00, 0x40});
    PutMidiEvent(bass, 117, {0xD1, 0x33});         // t=120 -> 192
    Music music(FileWith(1, 120, {conductor, melody, bass}));
    const auto& e = music.events();
    ASSERT_EQ(e.size(), 8u);
    EXPECT_EVENT(e[0], 0, 0xFF, 0x07, 0xA1, 0x20);
    EXPECT_EVENT(e[1], 0, 0xC0, 0x05, 0, 0);
    EXPECT_EVENT(e[2], 1, 0x90, 0x3C, 0x64, 0);
    EXPECT_EVENT(e[3], 4, 0x80, 0x3C, 0x00, 0);
    EXPECT_EVENT(e[4], 4, 0x91, 0x24, 0x50, 0);
    EXPECT_EVENT(e[5], 4, 0xE1, 0x00, 0x40, 0);
    EXPECT_EVENT(e[6], 192, 0x90, 0x3E, 0x64, 0);
    EXPECT_EVENT(e[7], 192, 0xD1, 0x33, 0, 0);
}

TEST(MidiFile, RunningStatusContinuesAcrossSysexAndMeta) {
    Bytes t;
    PutMidiEvent(t, 0, {0x92, 0x40, 0x50});
    PutMidiEvent(t, 10, {0x41, 0x51});                        // running status 0x92
    PutMidiEvent(t, 0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7});       // sysex
    PutMidiEvent(t, 10, {0x42, 0x52});                        // still 0x92
    PutMidiEvent(t, 0, {0xFF, 0x01, 0x02, 'h', 'i'});         // text meta
    PutMidiEvent(t, 0, {0xF7, 0x01, 0x00});                   // escape sysex
    PutMidiEvent(t, 10, {0x43, 0x00});                        // still 0x92
    PutMidiEvent(t, 0, {0xC3, 0x07});
    PutMidiEvent(t, 5, {0x08});                               // running 0xC3, one byte
    Music music(FileWith(0, 192, {t}));
    const auto& e = music.events();
    ASSERT_EQ(e.size(), 6u);
    EXPECT_EVENT(e[0], 0, 0x92, 0x40, 0x50, 0);
    EXPECT_EVENT(e[1], 10, 0x92, 0x41, 0x51, 0);
    EXPECT_EVENT(e[2], 20, 0x92, 0x42, 0x52, 0);
    EXPECT_EVENT(e[3], 30, 0x92, 0x43, 0x00, 0);
    EXPECT_EVENT(e[4], 30, 0xC3, 0x07, 0, 0);
    EXPECT_EVENT(e[5], 35, 0xC3, 0x08, 0, 0);
}

TEST(MidiFile, TempoEventsOfOtherLengths) {
    Bytes t;
    PutMidiEvent(t, 0, {0xFF, 0x51, 0x02, 0x01, 0x02});               // too short: skipped
    PutMidiEvent(t, 96, {0xFF, 0x51, 0x05, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E});  // first three kept
    PutMidiEvent(t, 0, {0x90, 0x30, 0x30});
    Music music(FileWith(0, 96, {t}));
    const auto& e = music.events();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EVENT(e[0], 192, 0xFF, 0x0A, 0x0B, 0x0C);
    EXPECT_EVENT(e[1], 192, 0x90, 0x30, 0x30, 0);
}

TEST(MidiFile, BadHeadersGiveAnEmptyMusic) {
    Bytes t;
    PutMidiEvent(t, 0, {0x90, 0x30, 0x30});
    std::vector<Bytes> files;
    {
        Bytes f = MidiHeader(7, 1, 1, 96);  // header length 7
        PutMidiChunk(f, "MTrk", t);
        files.push_back(f);
    }
    files.push_back(FileWith(2, 96, {t}));       // format 2
    files.push_back(FileWith(1, 0, {t}));        // division 0
    files.push_back(FileWith(1, 0x8078, {t}));   // SMPTE division
    {
        Bytes f = FileWith(1, 96, {t});
        f[0] = 'X';
        files.push_back(f);
    }
    Bytes cut = FileWith(1, 96, {t});
    cut.resize(13);  // ends inside the header
    files.push_back(cut);
    for (const Bytes& f : files) {
        Music music(f);
        EXPECT_TRUE(music.events().empty());
        EXPECT_FALSE(ParseMidiFile(f.data(), music.p, static_cast<uint32_t>(f.size())));
    }
    Music none(Bytes{});
    EXPECT_TRUE(none.events().empty());
}

TEST(MidiFile, AFaultyTrackKeepsWhatCameBefore) {
    Bytes first, second, third;
    PutMidiEvent(first, 50, {0x90, 0x30, 0x30});
    PutMidiEvent(second, 10, {0x91, 0x31, 0x31});
    PutMidiEvent(second, 0, {0x20, 0x20});         // fine: running status
    PutMidiEvent(third, 0, {0x40, 0x40});          // data byte with no running status yet
    PutMidiEvent(third, 0, {0x92, 0x32, 0x32});
    Bytes file = FileWith(1, 192, {first, second, third});
    Music music(file);
    const auto& e = music.events();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EVENT(e[0], 10, 0x91, 0x31, 0x31, 0);   // sorted although parsed later
    EXPECT_EVENT(e[1], 10, 0x91, 0x20, 0x20, 0);
    EXPECT_EVENT(e[2], 50, 0x90, 0x30, 0x30, 0);
    CMusicData* again = CreateMusicData(nullptr, 0);
    EXPECT_FALSE(ParseMidiFile(file.data(), again, static_cast<uint32_t>(file.size())));
    EXPECT_EQ(again->events.size(), 3u);
    again->Release();
}

TEST(MidiFile, MalformedEventsEndTheTrack) {
    struct Case { const char* what; std::initializer_list<uint8_t> bytes; };
    // Each follows a good first event; the bytes start with the delta time.
    const Case cases[] = {
        {"data byte too big", {0x04, 0x90, 0x30, 0x80}},
        {"missing data byte", {0x04, 0x90, 0x30}},
        {"one-byte message cut", {0x04, 0xC0}},
        {"system status", {0x04, 0xF2, 0x00, 0x00}},
        {"meta past the end", {0x04, 0xFF, 0x01, 0x10, 'a'}},
        {"sysex past the end", {0x04, 0xF0, 0x7F}},
        {"meta without a type", {0x04, 0xFF}},
        {"tempo cut", {0x04, 0xFF, 0x51, 0x03, 0x07}},
        {"no event after the delta", {0x04}},
        {"delta runs out", {0x81}},
    };
    for (const Case& c : cases) {
        Bytes t;
        PutMidiEvent(t, 0, {0x90, 0x10, 0x10});
        t.insert(t.end(), c.bytes.begin(), c.bytes.end());
        Bytes file = FileWith(0, 96, {t});
        CMusicData* music = CreateMusicData(nullptr, 0);
        EXPECT_FALSE(ParseMidiFile(file.data(), music, static_cast<uint32_t>(file.size()))) << c.what;
        ASSERT_GE(music->events.size(), 1u) << c.what;
        EXPECT_EVENT(music->events[0], 0, 0x90, 0x10, 0x10, 0);
        music->Release();
    }
}

TEST(MidiFile, OtherChunksCountAsTracks) {
    Bytes t1, t2;
    PutMidiEvent(t1, 0, {0x90, 0x11, 0x11});
    PutMidiEvent(t2, 0, {0x90, 0x22, 0x22});
    Bytes file = MidiHeader(6, 1, 2, 96);
    PutMidiChunk(file, "XFIH", Bytes(5, 0x90));  // not a track, but counted
    PutMidiChunk(file, "MTrk", t1);
    PutMidiChunk(file, "MTrk", t2);             // beyond the count: never read
    Music music(file);
    ASSERT_EQ(music.events().size(), 1u);
    EXPECT_EQ(music.events()[0].data1, 0x11);
}

TEST(MidiFile, ChunkLongerThanTheFileFails) {
    Bytes t1;
    PutMidiEvent(t1, 0, {0x90, 0x11, 0x11});
    Bytes file = FileWith(1, 96, {t1}, 2);
    PutText(file, "MTrk");
    PutBe32(file, 0xFFFFFFF0);  // wraps the end position
    file.push_back(0);
    CMusicData* music = CreateMusicData(nullptr, 0);
    EXPECT_FALSE(ParseMidiFile(file.data(), music, static_cast<uint32_t>(file.size())));
    EXPECT_EQ(music->events.size(), 1u);
    music->Release();
}

TEST(MidiFile, TimeConversionTruncatesAndWraps) {
    Bytes t;
    PutMidiEvent(t, 7, {0x90, 0x01, 0x01});          // 7 x 192 / 120 = 11.2 -> 11
    PutMidiEvent(t, 22369621 - 7, {0x90, 0x02, 0x02});  // 22369621 x 192 fits in 32 bits
    PutMidiEvent(t, 1, {0x90, 0x03, 0x03});           // 22369622 x 192 wraps
    Music music(FileWith(0, 120, {t}));
    const auto& e = music.events();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EVENT(e[0], 1, 0x90, 0x03, 0x03, 0);      // (22369622 x 192 mod 2^32) / 120 = 128 / 120
    EXPECT_EVENT(e[1], 11, 0x90, 0x01, 0x01, 0);
    EXPECT_EVENT(e[2], 35791393, 0x90, 0x02, 0x02, 0);  // 4294967232 / 120
}

}  // namespace
