// vorpane_audio_demo: plays the game's sounds through the audio thread the way the
// game does, so a person can listen to them: the music, the jet rising and falling,
// the breaks, settles and the drop.
//
//   vorpane_audio_demo [seconds of music, 0 to 3600, default 30]
//   vorpane_audio_demo --render out.wav [seconds of music]
//
// The second form plays the same show into a WAV file instead of the sound card (the
// manual driver, paced by this program), to look at or listen to later. Bad arguments
// give the usage and exit status 2; a WAV file that cannot be written whole is
// removed and gives exit status 1.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/app_fault.h"
#include "audio/au_thread.h"
#include "platform/pf_audio_device.h"
#include "platform/pf_thread_messages.h"

namespace {

struct Recorder;
Recorder* g_recorder = nullptr;  // set while rendering to a file
void Sleep(int ms);

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
    std::atomic<size_t> pulled{0};  // samples in the recording so far
    std::vector<int16_t> samples;
    std::thread thread;

    void Start() {
        thread = std::thread([this] {
            int16_t chunk[1024];
            while (!stop) {
                PfRenderAudio(chunk, 1024);
                samples.insert(samples.end(), chunk, chunk + 1024);
                pulled = samples.size();
                std::this_thread::sleep_for(std::chrono::microseconds(2900));
            }
        });
        PfNameThread(thread, "recorder");
    }
    void Finish() {
        stop = true;
        thread.join();
    }
};

// A pause of the show. In a render the show's clock is the recording: the pause lasts
// until that much more has been pulled, so the file holds the whole show however fast
// this machine renders.
void Sleep(int ms) {
    if (!g_recorder) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    static size_t showEnd = 0;
    showEnd += size_t(ms) * 44100 / 1000;
    while (g_recorder->pulled < showEnd) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Every write, the flush and the close are checked: a full disk fails the write
// (often only at the flush), and the partial file is removed.
bool WriteWav(const char* path, const std::vector<int16_t>& samples) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    bool ok = true;
    auto put = [&](const void* bytes, size_t size, size_t count) {
        if (count > 0) ok = ok && std::fwrite(bytes, size, count, f) == count;
    };
    auto u32 = [&](uint32_t v) { put(&v, 4, 1); };
    auto u16 = [&](uint16_t v) { put(&v, 2, 1); };
    put("RIFF", 1, 4);
    u32(36 + data);
    put("WAVEfmt ", 1, 8);
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(88200);
    u16(2);
    u16(16);
    put("data", 1, 4);
    u32(data);
    put(samples.data(), 2, samples.size());
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        int error = errno;
        std::remove(path);
        errno = error;
    }
    return ok;
}

constexpr long kMaxMusicSeconds = 3600;

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [seconds of music, 0 to %ld]\n"
                 "       %s --render out.wav [seconds of music, 0 to %ld]\n",
                 program, kMaxMusicSeconds, program, kMaxMusicSeconds);
    return 2;
}

// A whole decimal number from 0 to kMaxMusicSeconds, nothing else.
bool ParseSeconds(const char* text, int* out) {
    if (*text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (errno == ERANGE || *end != 0 || v > kMaxMusicSeconds) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SendToolkitLogToStderr();
    const char* program = argv[0];
    const char* renderPath = nullptr;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--render") == 0) {
        if (argc < 3 || argv[2][0] == 0) return Usage(program);
        renderPath = argv[2];
        first = 3;
    }
    int musicSeconds = 30;
    if (argc > first + 1) return Usage(program);
    if (argc == first + 1 && !ParseSeconds(argv[first], &musicSeconds)) return Usage(program);
    Recorder recorder;
    if (renderPath) {
        g_pfSeams.audioDriver = PfAudioDriver::Manual;
        g_recorder = &recorder;
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
            std::fprintf(stderr, "cannot write %s: %s\n", renderPath, std::strerror(errno));
            return 1;
        }
        std::printf("wrote %s: %.1f s\n", renderPath, recorder.samples.size() / 44100.0);
    }
    return 0;
}
