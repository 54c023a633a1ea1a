// Sound data conversion with SDL's whole-buffer converter, which gives exact lengths.
#include "platform/pf_audio_convert.h"

#include <SDL.h>

#include <cstring>

#include "platform/pf_audio_device.h"

namespace {

constexpr uint32_t kLargestInput = 256u << 20;  // bytes; far above any sound of the game

bool IsGameFormat(const PfWaveFormat& f) {
    const PfWaveFormat& g = kPfGameWaveFormat;
    return f.formatTag == g.formatTag && f.channels == g.channels &&
           f.samplesPerSec == g.samplesPerSec && f.bitsPerSample == g.bitsPerSample &&
           f.blockAlign == g.blockAlign;
}

}  // namespace

bool PfConvertToGameFormat(const PfWaveFormat& source, const uint8_t* data, uint32_t size,
                           std::vector<int16_t>* out) {
    out->clear();
    if (!data && size > 0) return false;
    if (source.formatTag != PF_WAVE_FORMAT_PCM) return false;
    if (source.bitsPerSample != 8 && source.bitsPerSample != 16) return false;
    if (source.channels < 1 || source.channels > 8) return false;
    if (source.samplesPerSec < 1000 || source.samplesPerSec > 384000) return false;
    if (source.blockAlign != source.channels * source.bitsPerSample / 8) return false;
    if (size > kLargestInput) return false;
    uint32_t frames = size / source.blockAlign;
    uint32_t bytes = frames * source.blockAlign;

    if (IsGameFormat(source)) {
        out->resize(frames);
        if (bytes > 0) std::memcpy(out->data(), data, bytes);
        return true;
    }
    if (frames == 0) return true;

    // SDL's converter tables live in SDL's state, which the audio thread may be setting
    // up or shutting down right now as the devices open and close.
    std::unique_lock<std::mutex> sdl = PfLockAudioSdl();
    SDL_AudioCVT cvt;
    SDL_AudioFormat from = source.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    if (SDL_BuildAudioCVT(&cvt, from, static_cast<Uint8>(source.channels),
                          static_cast<int>(source.samplesPerSec), AUDIO_S16LSB, 1,
                          static_cast<int>(kPfGameWaveFormat.samplesPerSec)) < 0)
        return false;
    // The converter works in place in a buffer len_mult times the input.
    std::vector<uint8_t> work(static_cast<size_t>(bytes) * static_cast<size_t>(cvt.len_mult));
    std::memcpy(work.data(), data, bytes);
    cvt.buf = work.data();
    cvt.len = static_cast<int>(bytes);
    if (SDL_ConvertAudio(&cvt) != 0) return false;
    size_t samples = static_cast<size_t>(cvt.len_cvt) / 2;
    out->resize(samples);
    // A few frames at a high rate can come out as no samples at all, and the data of
    // an empty vector may be null, which memcpy must never be given.
    if (samples > 0) std::memcpy(out->data(), work.data(), samples * 2);
    return true;
}
