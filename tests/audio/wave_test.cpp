// WAV resources: the chunk walk, the format checks, conversion, and hostile images
// (this file also runs in the AddressSanitizer program, which catches any read
// outside an image).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "audio/au_sound.h"
#include "audio_test_support.h"
#include "platform/pf_audio_convert.h"

namespace {

// Parses a copy of the image in an allocation of exactly its size, so a read past its
// end is caught by the sanitizer.
CSoundData* Parse(const Bytes& image) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[image.size() ? image.size() : 1]);
    if (!image.empty()) std::memcpy(exact.get(), image.data(), image.size());
    return ParseWaveResource(static_cast<uint32_t>(image.size()), exact.get());
}

struct SoundRef {
    CSoundData* p;
    explicit SoundRef(CSoundData* s) : p(s) {}
    ~SoundRef() {
        if (p) p->Release();
    }
};

std::vector<int16_t> Ramp(int n) {
    std::vector<int16_t> s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<int16_t>(i * 37 - 1000));
    return s;
}

TEST(WaveResource, GameFormatIsCopiedUnchanged) {
    std::vector<int16_t> samples = Ramp(1001);
    samples[5] = -32768;
    samples[6] = 32767;
    SoundRef sound(Parse(GameWav(samples)));
    ASSERT_NE(sound.p, nullptr);
    ASSERT_EQ(sound.p->SampleCount(), 1001u);
    EXPECT_EQ(std::memcmp(sound.p->Samples(), samples.data(), 1001 * 2), 0);
    EXPECT_EQ(sound.p->RefCount(), 1);
}

TEST(WaveResource, ChunksAroundTheOnesUsedAreSkipped) {
    std::vector<int16_t> samples = Ramp(10);
    Bytes chunks;
    PutChunk(chunks, "LIST", Bytes(7, 'x'));               // odd: one pad byte follows
    PutChunk(chunks, "fmt ", Bytes(14, 0));                // too short: skipped
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16, true));
    PutChunk(chunks, "fmt ", FormatBody(1, 2, 8000, 8));   // later duplicates ignored
    PutChunk(chunks, "data", SamplesBody(samples));
    PutChunk(chunks, "data", SamplesBody(Ramp(3)));
    Bytes image = RiffImage(chunks);
    image[4] = image[5] = image[6] = image[7] = 0xFF;      // the RIFF size is not read
    SoundRef sound(Parse(image));
    ASSERT_NE(sound.p, nullptr);
    ASSERT_EQ(sound.p->SampleCount(), 10u);
    EXPECT_EQ(std::memcmp(sound.p->Samples(), samples.data(), 20), 0);
}

TEST(WaveResource, OtherPcmFormatsAreConverted) {
    // 8-bit stereo at 22050 Hz, both channels at +64 (byte 192): mono 16-bit at 44100 Hz
    // with twice the frames, every sample 64 << 8 = 16384.
    Bytes data;
    for (int i = 0; i < 2000; ++i) {
        data.push_back(192);
        data.push_back(192);
    }
    Bytes chunks;
    PutChunk(chunks, "fmt ", FormatBody(1, 2, 22050, 8));
    PutChunk(chunks, "data", data);
    SoundRef sound(Parse(RiffImage(chunks)));
    ASSERT_NE(sound.p, nullptr);
    ASSERT_EQ(sound.p->SampleCount(), 4000u);
    // Away from the ends the resampler's filter sees a constant signal.
    for (uint32_t i = 100; i < 3900; ++i) ASSERT_NEAR(sound.p->Samples()[i], 16384, 64) << i;
}

TEST(WaveResource, MonoSixteenBitAtAnotherRateIsResampled) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 11025, 16));
    PutChunk(chunks, "data", SamplesBody(std::vector<int16_t>(1000, -12000)));
    SoundRef sound(Parse(RiffImage(chunks)));
    ASSERT_NE(sound.p, nullptr);
    ASSERT_EQ(sound.p->SampleCount(), 4000u);
    EXPECT_NEAR(sound.p->Samples()[2000], -12000, 64);
}

TEST(WaveResource, TooSmallOrWrongHeaderIsRefused) {
    Bytes good = GameWav(Ramp(4));
    EXPECT_EQ(ParseWaveResource(12, good.data()), nullptr);  // exactly 12 bytes
    EXPECT_EQ(ParseWaveResource(0, nullptr), nullptr);
    EXPECT_EQ(ParseWaveResource(static_cast<uint32_t>(good.size()), nullptr), nullptr);
    Bytes riff = good;
    riff[0] = 'R', riff[1] = 'I', riff[2] = 'F', riff[3] = 'X';
    EXPECT_EQ(Parse(riff), nullptr);
    Bytes wave = good;
    wave[11] = 'F';
    EXPECT_EQ(Parse(wave), nullptr);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        Bytes truncated(good.begin(), good.begin() + cut);
        EXPECT_EQ(Parse(truncated), nullptr) << "cut at " << cut;
    }
}

TEST(WaveResource, MissingFormatOrDataIsRefused) {
    Bytes onlyData, onlyFormat, shortFormat;
    PutChunk(onlyData, "data", SamplesBody(Ramp(8)));
    PutChunk(onlyFormat, "fmt ", FormatBody(1, 1, 44100, 16));
    PutChunk(shortFormat, "fmt ", Bytes(15, 1));
    PutChunk(shortFormat, "data", SamplesBody(Ramp(8)));
    EXPECT_EQ(Parse(RiffImage(onlyData)), nullptr);
    EXPECT_EQ(Parse(RiffImage(onlyFormat)), nullptr);
    EXPECT_EQ(Parse(RiffImage(shortFormat)), nullptr);
}

TEST(WaveResource, OddDataChunkWithoutItsPadByteAtTheEndIsRefused) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16));
    PutChunk(chunks, "data", Bytes(5, 1), /*pad=*/false);
    EXPECT_EQ(Parse(RiffImage(chunks)), nullptr);
    // With its pad byte it is taken; the odd byte is not a whole sample.
    Bytes padded;
    PutChunk(padded, "fmt ", FormatBody(1, 1, 44100, 16));
    PutChunk(padded, "data", Bytes(5, 1));
    SoundRef sound(Parse(RiffImage(padded)));
    ASSERT_NE(sound.p, nullptr);
    EXPECT_EQ(sound.p->SampleCount(), 2u);
}

TEST(WaveResource, ChunksAfterAnOverrunAreNeverSeen) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16));
    Bytes junk;
    PutText(junk, "junk");
    PutLe32(junk, 1000);  // claims more than the image holds
    chunks.insert(chunks.end(), junk.begin(), junk.end());
    PutChunk(chunks, "data", SamplesBody(Ramp(8)));
    EXPECT_EQ(Parse(RiffImage(chunks)), nullptr);
}

TEST(WaveResource, ChunkSizesNearFourGibibytesAreRefused) {
    // 0xFFFFFFFF padded is 2^32: in 32 bits it wraps to 0 and the walk would take a
    // data chunk of 4 GiB from a tiny image.
    for (uint32_t size : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF7u, 0x80000001u}) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16));
        PutText(chunks, "data");
        PutLe32(chunks, size);
        for (int i = 0; i < 16; ++i) chunks.push_back(static_cast<uint8_t>(i));
        EXPECT_EQ(Parse(RiffImage(chunks)), nullptr) << std::hex << size;
        // The same size on a chunk before "fmt " hides everything after it.
        Bytes first;
        PutText(first, "LIST");
        PutLe32(first, size);
        PutChunk(first, "fmt ", FormatBody(1, 1, 44100, 16));
        PutChunk(first, "data", SamplesBody(Ramp(8)));
        EXPECT_EQ(Parse(RiffImage(first)), nullptr) << std::hex << size;
    }
}

TEST(WaveResource, SixteenBytePcmFormatIsReadWithoutReadingPastIt) {
    // The "fmt " body is the last thing before the data chunk's header and is only 16
    // bytes: the two bytes after it are the data chunk's id, not a cbSize.
    std::vector<int16_t> samples = Ramp(6);
    Bytes chunks;
    PutChunk(chunks, "data", SamplesBody(samples));
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16));  // last: nothing follows it
    SoundRef sound(Parse(RiffImage(chunks)));
    ASSERT_NE(sound.p, nullptr);
    EXPECT_EQ(sound.p->SampleCount(), 6u);
}

TEST(WaveResource, ShortNonPcmFormatIsRefused) {
    Bytes chunks;
    PutChunk(chunks, "data", SamplesBody(Ramp(6)));
    PutChunk(chunks, "fmt ", FormatBody(2, 1, 44100, 4));  // ADPCM tag, 16 bytes
    EXPECT_EQ(Parse(RiffImage(chunks)), nullptr);
    Bytes full;
    PutChunk(full, "data", SamplesBody(Ramp(6)));
    PutChunk(full, "fmt ", FormatBody(2, 1, 44100, 4, true));  // 18 bytes, still not PCM
    EXPECT_EQ(Parse(RiffImage(full)), nullptr);
}

TEST(WaveResource, UnsupportedOrInconsistentFormatsAreRefused) {
    struct Case { uint16_t tag, channels; uint32_t rate; uint16_t bits; };
    for (Case c : {Case{3, 1, 44100, 32}, Case{1, 0, 44100, 16}, Case{1, 1, 0, 16},
                   Case{1, 1, 44100, 12}, Case{1, 1, 44100, 24}, Case{1, 9, 44100, 16},
                   Case{1, 1, 4000000, 16}}) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", FormatBody(c.tag, c.channels, c.rate, c.bits));
        PutChunk(chunks, "data", Bytes(64, 0x11));
        EXPECT_EQ(Parse(RiffImage(chunks)), nullptr)
            << c.tag << " " << c.channels << " " << c.rate << " " << c.bits;
    }
    // A block align that does not match the channels and bits.
    Bytes format = FormatBody(1, 1, 44100, 16);
    format[12] = 4;
    Bytes chunks;
    PutChunk(chunks, "fmt ", format);
    PutChunk(chunks, "data", Bytes(64, 0x11));
    EXPECT_EQ(Parse(RiffImage(chunks)), nullptr);
}

TEST(WaveResource, EmptyDataGivesASoundWithNoSamples) {
    // As the last chunk an empty "data" is never reached: the walk needs more than the
    // 8 header bytes left.
    EXPECT_EQ(Parse(GameWav({})), nullptr);
    Bytes chunks;
    PutChunk(chunks, "fmt ", FormatBody(1, 1, 44100, 16));
    PutChunk(chunks, "data", Bytes{});
    PutChunk(chunks, "LIST", Bytes(2, 'a'));
    SoundRef sound(Parse(RiffImage(chunks)));
    ASSERT_NE(sound.p, nullptr);
    EXPECT_EQ(sound.p->SampleCount(), 0u);
}

TEST(WaveResource, GarbageNeverCrashes) {
    // A fixed pseudo-random walk over corruptions of a good image.
    Bytes good;
    {
        Bytes chunks;
        PutChunk(chunks, "LIST", Bytes(3, 'z'));
        PutChunk(chunks, "fmt ", FormatBody(1, 2, 22050, 8));
        PutChunk(chunks, "data", Bytes(40, 0x80));
        good = RiffImage(chunks);
    }
    uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        Bytes image = good;
        int edits = 1 + round % 4;
        for (int e = 0; e < edits; ++e) {
            state = state * 1103515245u + 12345u;
            size_t at = 12 + (state >> 8) % (image.size() - 12);
            state = state * 1103515245u + 12345u;
            image[at] = static_cast<uint8_t>(state >> 16);
        }
        state = state * 1103515245u + 12345u;
        image.resize(image.size() - (state >> 12) % 8);
        if (CSoundData* sound = Parse(image)) sound->Release();
    }
}

TEST(AudioConvert, GameFormatIsCopiedAndPartialFramesDropped) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    std::vector<int16_t> out;
    ASSERT_TRUE(PfConvertToGameFormat(kPfGameWaveFormat, bytes, 5, &out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], 0x0201);
    EXPECT_EQ(out[1], 0x0403);
}

TEST(AudioConvert, OneFrameAtAHighRateGivesNoSamples) {
    // 1/384000 s is far less than one game sample: the converter may give none.
    PfWaveFormat fast = {PF_WAVE_FORMAT_PCM, 2, 384000, 1536000, 4, 16, 0};
    const uint8_t frame[4] = {0x10, 0x20, 0x30, 0x40};
    std::vector<int16_t> out;  // no storage yet: its data is null
    ASSERT_TRUE(PfConvertToGameFormat(fast, frame, 4, &out));
    EXPECT_TRUE(out.empty());
}

TEST(AudioConvert, RefusalLeavesNothing) {
    std::vector<int16_t> out(5, 1);
    PfWaveFormat bad = kPfGameWaveFormat;
    bad.formatTag = 2;
    const uint8_t bytes[4] = {};
    EXPECT_FALSE(PfConvertToGameFormat(bad, bytes, 4, &out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(PfConvertToGameFormat(kPfGameWaveFormat, nullptr, 4, &out));
}

}  // namespace
