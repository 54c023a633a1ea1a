// End to end through SDL's disk driver: the audio thread plays a sound and then the
// game's music into a file of raw samples, which must hold the sound exactly where the
// mixer put it and then the music.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "audio/au_thread.h"
#include "platform/pf_audio_device.h"
#include "platform/pf_midi_stream.h"
#include "platform/pf_seams.h"
#include "support/test_support.h"

namespace {

// Waits up to 25 s for the device to have written that many samples (the disk
// driver writes the file as it plays); false when it never does.
bool WaitForSamples(const std::string& path, size_t samples) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(25);
    while (ReadWholeFile(path).size() < samples * 2) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<int16_t> ReadSamples(const std::string& path) {
    std::string bytes = ReadWholeFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

TEST(DiskOutput, SoundThenMusicReachTheDevice) {
    TempDir dir;
    std::string path = dir.Path() + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    // The device takes each 1024-sample buffer in 100 ms instead of 23: a quarter of
    // real time, so the mixer's 186 ms of queued buffers outlast any stall of the audio
    // thread on a loaded machine (a real-time device there plays silence in a gap).
    setenv("SDL_DISKAUDIODELAY", "100", 1);
    g_pfSeams.audioDriver = PfAudioDriver::Sdl;

    // One second of a pattern that never repeats within it, so a window of it can only
    // match in one place.
    std::vector<int16_t> tone(44100);
    uint32_t x = 1;
    for (int16_t& v : tone) {
        x = x * 1664525u + 1013904223u;
        v = static_cast<int16_t>(static_cast<int32_t>(x >> 16) % 16000);
    }
    CSoundData* sound = new CSoundData(44100, tone.data());
    CMusicData* music = LoadMusic("music");
    ASSERT_NE(music, nullptr);
    ASSERT_GT(music->events.size(), 100u);

    StartAudio();
    PostAudioSound(sound, SOUND_CHANNEL_EFFECTS);  // before the open: starts the timeline
    PostAudioMessage(AUDIO_MSG_OPEN, 0, 0);
    EXPECT_TRUE(WaitForSamples(path, 44100 * 16 / 10));
    PostAudioMusic(music, SOUND_LOOP);
    EXPECT_TRUE(WaitForSamples(path, 44100 * 41 / 10));
    EXPECT_STREQ(PfAudioDriverName(), "disk");
    bool synth = PfMidiSynthLoaded();
    PostAudioMessage(AUDIO_MSG_CLOSE, 0, 0);
    StopAudio();
    sound->Release();
    music->Release();

    std::vector<int16_t> out = ReadSamples(path);
    ASSERT_GT(out.size(), 3u * 44100);
    // Find where the sound's sample 6000 landed; past the 5513-sample fade-in every
    // sample is the sound's own.
    size_t at = 0;
    bool found = false;
    for (; at + 16 <= out.size(); ++at)
        if (std::memcmp(&out[at], &tone[6000], 32) == 0) {
            found = true;
            break;
        }
    ASSERT_TRUE(found);
    ASSERT_GE(at, 6000u);
    size_t start = at - 6000;
    ASSERT_LE(start + 44100, out.size());
    for (size_t i = 5513; i < 44100; ++i) ASSERT_EQ(out[start + i], tone[i]) << i;
    // Nothing before it (the music had not started), the fade-in under it.
    for (size_t i = 0; i < start; ++i) ASSERT_EQ(out[i], 0) << i;
    EXPECT_EQ(out[start], 0);  // the master gain starts at 0
    for (size_t i = 1; i < 5513; ++i) ASSERT_LE(std::abs(out[start + i]), std::abs(tone[i])) << i;
    EXPECT_GT(Rms(out, start + 2000, start + 5000), 1000.0);

    // Then the music: after the sound and the two quarter notes of latency, the
    // synth is heard.
    ASSERT_TRUE(synth) << "no General MIDI soundfont: install timgm6mb-soundfont";
    size_t musicFrom = start + 44100 + 44100;
    ASSERT_LT(musicFrom + 44100, out.size());
    EXPECT_GT(Rms(out, musicFrom, musicFrom + 44100), 300.0);
}

}  // namespace
