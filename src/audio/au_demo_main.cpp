// vorpane_audio_demo: plays the game's sounds through the audio thread the way the
// game does, so a person can listen to them: the music, the jet rising and falling,
// the breaks, settles and the drop. Usage: vorpane_audio_demo [seconds of music, 30]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/au_thread.h"
#include "platform/pf_audio_device.h"

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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

}  // namespace

int main(int argc, char** argv) {
    int musicSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    StartAudio();
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
    return 0;
}
