// The SDL2 output device with its dummy fallback, and the manual driver for tests.
//
// 2026-12: first version: mono S16 at 44100 Hz, 1024-frame device buffer.
#include "platform/pf_audio_device.h"

#include <SDL.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "platform/pf_audio_sources.h"

namespace {

// The device and who holds it. Touched by the audio thread (open and close of the wave
// output and the MIDI stream); the SDL callback never takes this lock.
struct OutputDevice {
    std::mutex lock;
    int holders = 0;                            // acquisitions not yet released
    SDL_AudioDeviceID sdlDevice = 0;            // 0 while closed or manual
    std::string driverName;                     // "" while closed
    bool dummyOnly = false;                     // no real device opened once: go straight to dummy
};

OutputDevice& Device() {
    static OutputDevice* device = new OutputDevice;  // lives to the end of the process
    return *device;
}

constexpr uint32_t kRenderChunk = 1024;  // frames mixed per pass

void SdlCallback(void*, Uint8* stream, int len) {
    PfRenderAudio(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(len) / 2);
}

// Initialises SDL's audio and opens the default device in our format. Leaves SDL's
// audio shut down when it fails.
bool OpenSdlDevice(OutputDevice& d) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kPfAudioSampleRate);
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    want.callback = SdlCallback;
    SDL_AudioSpec have{};
    d.sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (d.sdlDevice == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    const char* name = SDL_GetCurrentAudioDriver();
    d.driverName = name ? name : "sdl";
    SDL_PauseAudioDevice(d.sdlDevice, 0);
    return true;
}

}  // namespace

bool PfAcquireAudioOutput() {
    OutputDevice& d = Device();
    std::lock_guard<std::mutex> guard(d.lock);
    if (d.holders > 0) {
        ++d.holders;
        return true;
    }
    if (g_pfSeams.audioDriver == PfAudioDriver::Manual) {
        d.driverName = "manual";
        d.holders = 1;
        return true;
    }
    // SDL must not take over SIGINT and SIGTERM: the toolkit owns the process.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (d.dummyOnly || !OpenSdlDevice(d)) {
        // No sound server or card: play into the dummy driver, which keeps real time
        // and so keeps the buffer cycle going, silently. Later opens (every pause and
        // focus change) go straight there instead of failing again.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        d.dummyOnly = true;
        if (!OpenSdlDevice(d)) {
            SDL_Quit();
            return false;
        }
    }
    d.holders = 1;
    return true;
}

void PfReleaseAudioOutput() {
    OutputDevice& d = Device();
    std::lock_guard<std::mutex> guard(d.lock);
    if (d.holders == 0) return;
    if (--d.holders > 0) return;
    if (d.sdlDevice != 0) {
        SDL_CloseAudioDevice(d.sdlDevice);  // waits for a running callback to return
        d.sdlDevice = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // Nothing else in the game uses SDL: shut it down whole, hints included.
        if (SDL_WasInit(0) == 0) SDL_Quit();
    }
    d.driverName.clear();
}

std::unique_lock<std::mutex> PfLockAudioSdl() { return std::unique_lock<std::mutex>(Device().lock); }

const char* PfAudioDriverName() {
    OutputDevice& d = Device();
    std::lock_guard<std::mutex> guard(d.lock);
    static thread_local std::string copy;
    copy = d.driverName;
    return copy.c_str();
}

void PfRenderAudio(int16_t* out, uint32_t frames) {
    int32_t mix[kRenderChunk];
    while (frames > 0) {
        uint32_t n = std::min(frames, kRenderChunk);
        std::fill(mix, mix + n, 0);
        PfRenderWaveOut(mix, n);
        PfRenderMidiStream(mix, n);
        for (uint32_t i = 0; i < n; ++i)
            out[i] = static_cast<int16_t>(std::clamp<int32_t>(mix[i], -32768, 32767));
        out += n;
        frames -= n;
    }
}
