// The game's own sounds and music as embedded in the executable: every name the game
// asks for is there, in the format the mixer plays, and the music suits the player.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "audio/au_music.h"
#include "audio/au_sound.h"
#include "platform/pf_resource.h"

namespace {

std::vector<std::string> SoundNames() {
    std::vector<std::string> names;
    for (int k = 1; k <= 7; ++k) names.push_back("break" + std::to_string(k));
    for (int k = 1; k <= 8; ++k) names.push_back("settle" + std::to_string(k));
    names.push_back("drop");
    names.push_back("jet");
    return names;
}

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) { return Le16(p) | static_cast<uint32_t>(Le16(p + 2)) << 16; }

TEST(GameAssets, EverySoundIsMonoSixteenBitAt44100AndLoads) {
    for (const std::string& name : SoundNames()) {
        ResourceBytes r = PfFindResourceBytes("WAV", name.c_str());
        ASSERT_NE(r.data, nullptr) << name;
        ASSERT_GE(r.size, 44u);
        // The stored format is the mixer's own, so loading is a copy.
        ASSERT_EQ(std::memcmp(r.data + 12, "fmt ", 4), 0) << name;
        EXPECT_EQ(Le16(r.data + 20), 1) << name;      // PCM
        EXPECT_EQ(Le16(r.data + 22), 1) << name;      // mono
        EXPECT_EQ(Le32(r.data + 24), 44100u) << name;
        EXPECT_EQ(Le16(r.data + 34), 16) << name;
        CSoundData* sound = LoadSound(name.c_str());
        ASSERT_NE(sound, nullptr) << name;
        EXPECT_GT(sound->SampleCount(), 44100u / 5) << name;
        EXPECT_LT(sound->SampleCount(), 44100u * 3) << name;
        // Loud enough to be heard, with headroom for several at once.
        int peak = 0;
        for (uint32_t i = 0; i < sound->SampleCount(); ++i) peak = std::max(peak, std::abs(int(sound->Samples()[i])));
        EXPECT_GT(peak, 8000) << name;
        EXPECT_LT(peak, 30000) << name;
        if (name != "jet") {
            // One-shots fade out: no click at their end.
            EXPECT_LT(std::abs(int(sound->Samples()[sound->SampleCount() - 1])), 200) << name;
        }
        sound->Release();
    }
}

TEST(GameAssets, TheJetLoopsWithoutASeam) {
    CSoundData* jet = LoadSound("JET");
    ASSERT_NE(jet, nullptr);
    const int16_t* s = jet->Samples();
    uint32_t n = jet->SampleCount();
    // The step from the last sample back to the first is no bigger than a typical step
    // inside the loop.
    double typical = 0;
    for (uint32_t i = 1; i < n; ++i) typical += std::abs(s[i] - s[i - 1]);
    typical /= n - 1;
    EXPECT_LT(std::abs(s[0] - s[n - 1]), 3 * typical);
    // A steady hum: no quarter of the loop is much louder than another.
    double rms[4] = {};
    for (uint32_t i = 0; i < n; ++i) rms[i * 4 / n] += double(s[i]) * s[i];
    for (int q = 1; q < 4; ++q) EXPECT_NEAR(std::sqrt(rms[q] / rms[0]), 1.0, 0.25);
    jet->Release();
}

TEST(GameAssets, MusicSuitsThePlayer) {
    ResourceBytes r = PfFindResourceBytes("MID", "music");
    ASSERT_NE(r.data, nullptr);
    CMusicData* parsed = CreateMusicData(nullptr, 0);
    EXPECT_TRUE(ParseMidiFile(r.data, parsed, static_cast<uint32_t>(r.size)));  // no fault anywhere
    parsed->Release();
    EXPECT_EQ(std::memcmp(r.data + 8, "\x00\x01", 2), 0);  // format 1
    EXPECT_GE(r.data[11], 5);                               // several tracks

    CMusicData* music = LoadMusic("music");
    ASSERT_NE(music, nullptr);
    const std::vector<MusicEvent>& e = music->events;
    ASSERT_FALSE(e.empty());
    std::set<int> programChannels, noteChannels;
    int tempos = 0;
    uint32_t quarterEvents = 0, busiest = 0, quarter = 0;
    for (const MusicEvent& ev : e) {
        if (ev.time / 192 != quarter) {
            quarter = ev.time / 192;
            quarterEvents = 0;
        }
        busiest = std::max(busiest, ++quarterEvents);
        if (ev.status == kMusicTempoStatus) {
            ++tempos;
            EXPECT_EQ(ev.time, 0u);
        }
        EXPECT_NE(ev.status & 0xF0, 0xB0) << "no controller changes";
        if ((ev.status & 0xF0) == 0xC0) {
            programChannels.insert(ev.status & 15);
            EXPECT_EQ(ev.time, 0u);
        }
        if ((ev.status & 0xF0) == 0x90) noteChannels.insert(ev.status & 15);
    }
    EXPECT_EQ(tempos, 1);
    EXPECT_GE(noteChannels.size(), 4u);        // drums, bass, pad, lead and more
    EXPECT_TRUE(noteChannels.count(9));        // the General MIDI drum channel
    EXPECT_GE(programChannels.size(), 3u);
    EXPECT_LT(busiest, 339u / 4);              // well under what a buffer holds
    // A few minutes at its tempo, and a loop period that is the music's whole length:
    // its last event falls in its last quarter note.
    uint32_t tempo = e[0].status == kMusicTempoStatus ? (e[0].data1 << 16 | e[0].data2 << 8 | e[0].data3) : 500000;
    uint32_t last = e.back().time;
    uint32_t period = (last / 192 + 1) * 192;
    double seconds = period / 192.0 * tempo / 1e6;
    EXPECT_GT(seconds, 120.0);
    EXPECT_LT(seconds, 300.0);
    EXPECT_EQ(period % (4 * 192), 0u);  // whole bars of 4/4
    // Every note that starts also ends before the loop starts again.
    int sounding[16][128] = {};
    for (const MusicEvent& ev : e) {
        int type = ev.status & 0xF0, ch = ev.status & 15;
        if (type == 0x90 && ev.data2 > 0) ++sounding[ch][ev.data1];
        if (type == 0x80 || (type == 0x90 && ev.data2 == 0)) sounding[ch][ev.data1] = 0;
    }
    for (int ch = 0; ch < 16; ++ch)
        for (int k = 0; k < 128; ++k) EXPECT_EQ(sounding[ch][k], 0) << ch << " " << k;
    music->Release();
}

}  // namespace
