// vorpane_audio_demo: plays the game's sounds through the audio thread the way the
// game does, so a person can listen to them: the music, the jet rising and falling,
// the breaks, settles and the drop.
//
//   vorpane_audio_demo [seconds of music, 30]
//   vorpane_audio_demo --render out.wav [seconds of music]
//
// The second form plays the same show into a WAV file instead of the sound card (the
// manual driver, paced by this program), to look at or listen to later.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/app_application.h"
#include "audio/au_thread.h"
#include "platform/pf_audio_device.h"

namespace {

int g_timeScale = 1;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms) / g_timeScale); }

void PlayEffect(const char* name) {
    CSoundData* sound = LoadSound(name);
    if (!sound) {
        std::printf("  %s: missing\n", name);
        return;
    }
    std::printf("  %s (%.2f s)\n", name, sound->SampleCount() / 44100.0);
    PostAudioSound(sound, SOUND_CHANNEL_EFFECTS);
    sound->Release();
}

// Pulls the output of the manual driver into memory at about eight times real time,
// giving the audio thread time to refill between pulls.
struct Recorder {
    std::atomic<bool> stop{false};
    std::vector<int16_t> samples;
    std::thread thread;

    void Start() {
        thread = std::thread([this] {
            int16_t chunk[1024];
            while (!stop) {
                PfRenderAudio(chunk, 1024);
                samples.insert(samples.end(), chunk, chunk + 1024);
                std::this_thread::sleep_for(std::chrono::microseconds(2900));
            }
        });
    }
    void Finish() {
        stop = true;
        thread.join();
    }
};

bool WriteWav(const char* path, const std::vector<int16_t>& samples) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(88200);
    u16(2);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(data);
    std::fwrite(samples.data(), 2, samples.size(), f);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    SendToolkitLogToStderr();
    const char* renderPath = nullptr;
    if (argc > 2 && std::strcmp(argv[1], "--render") == 0) {
        renderPath = argv[2];
        argv += 2;
        argc -= 2;
    }
    int musicSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    Recorder recorder;
    if (renderPath) {
        PfSetAudioDriver(PfAudioDriver::Manual);
        g_timeScale = 8;
    }
    StartAudio();
    if (renderPath) recorder.Start();
    CSoundData* jet = LoadSound("jet");
    CMusicData* music = LoadMusic("music");
    std::printf("music: %zu events\n", music ? music->events.size() : size_t{0});

    // What the campaign sends at its start.
    PostAudioSound(nullptr, SOUND_STOP_FIRST);
    PostAudioMusic(nullptr, 0);
    SetAudioVolume(1, 1.0);
    SetAudioVolume(2, 0.0);
    PostAudioMusic(music, SOUND_LOOP);
    PostAudioMessage(AUDIO_MSG_OPEN, 0, 0);
    PostAudioSound(jet, SOUND_CHANNEL_ENGINE | SOUND_LOOP);
    Sleep(300);
    std::printf("driver: %s\n", PfAudioDriverName());

    std::printf("jet, rising and falling\n");
    for (int i = 0; i <= 100; ++i) {
        SetAudioVolume(2, std::sin(i * 3.14159265 / 100));
        Sleep(40);
    }
    SetAudioVolume(2, 0.35);
    std::printf("effects\n");
    const char* effects[] = {"break1", "break2", "break3", "break4", "break5", "break6",
                             "break7", "settle1", "settle2", "settle3", "settle4", "settle5",
                             "settle6", "settle7", "settle8", "drop"};
    for (const char* name : effects) {
        PlayEffect(name);
        Sleep(700);
    }
    SetAudioVolume(2, 0.0);
    std::printf("music for %d s\n", musicSeconds);
    Sleep(musicSeconds * 1000);

    PostAudioMessage(AUDIO_MSG_CLOSE, 0, 0);
    if (jet) jet->Release();
    if (music) music->Release();
    StopAudio();
    if (renderPath) {
        recorder.Finish();
        if (!WriteWav(renderPath, recorder.samples)) {
            std::fprintf(stderr, "cannot write %s\n", renderPath);
            return 1;
        }
        std::printf("wrote %s: %.1f s\n", renderPath, recorder.samples.size() / 44100.0);
    }
    return 0;
}
