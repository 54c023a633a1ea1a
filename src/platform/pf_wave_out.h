// Wave output: the waveOut calls the mixer streams its buffers through, played by the
// output device (pf_audio_device).
//
// Buffers play in the order written. When one has been played to its end its done flag
// is set and then PF_MM_WOM_DONE is posted to the thread given at open, so the thread
// sees the flag set when the notice arrives. The position counts the samples played
// since open; it stands still while no buffer is queued. Only one wave output can be
// open at a time, and it plays one format: mono 16-bit 44100 Hz PCM.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/pf_mm_result.h"
#include "platform/pf_thread_messages.h"

// The 18-byte wave format header (WAVEFORMATEX), as stored in a WAV "fmt " chunk.
struct PfWaveFormat {
    uint16_t formatTag;       // 1 = PCM
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;      // bytes per frame
    uint16_t bitsPerSample;
    uint16_t cbSize;          // extra format bytes that follow (0 for PCM)
};

constexpr uint16_t PF_WAVE_FORMAT_PCM = 1;

// The one format the game plays.
constexpr PfWaveFormat kPfGameWaveFormat = {PF_WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};

// Header flags.
constexpr uint32_t PF_WHDR_DONE = 0x01;      // played (or never written)
constexpr uint32_t PF_WHDR_PREPARED = 0x02;
constexpr uint32_t PF_WHDR_INQUEUE = 0x10;   // written and not yet returned

// One buffer of samples. The owner fills data and length and keeps the header in place
// while it is prepared; flags are shared with the output device, hence atomic.
struct PfWaveHeader {
    void* data = nullptr;
    uint32_t length = 0;              // bytes
    std::atomic<uint32_t> flags{0};
    uint32_t played = 0;              // bytes already played (the device's own)
};

struct PfWaveOutDevice;
using PfWaveOut = PfWaveOutDevice*;

PfMmResult PfWaveOutOpen(PfWaveOut* out, const PfWaveFormat& format, PfThreadId callbackThread);
PfMmResult PfWaveOutPrepareHeader(PfWaveOut device, PfWaveHeader* header);
PfMmResult PfWaveOutUnprepareHeader(PfWaveOut device, PfWaveHeader* header);  // refused while queued
PfMmResult PfWaveOutWrite(PfWaveOut device, PfWaveHeader* header);
// Samples played since open (or since the last reset).
PfMmResult PfWaveOutGetPosition(PfWaveOut device, uint32_t* samples);
// Stops playing, returns every queued buffer as done (each with its notice) and sets
// the position back to 0.
PfMmResult PfWaveOutReset(PfWaveOut device);
// Refused (PF_WAVERR_STILLPLAYING) while buffers are queued.
PfMmResult PfWaveOutClose(PfWaveOut device);
