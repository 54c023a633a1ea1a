// The wave mixer: up to eight sound effect voices on two channels, mixed in integer
// arithmetic into a ring of four 2048-sample buffers streamed to the wave output.
// Lives on the audio thread only.
#pragma once

#include <cstdint>

#include "audio/au_sound.h"
#include "platform/pf_wave_out.h"

constexpr uint32_t kMixerBufferSamples = 2048;  // 46 ms at 44100 Hz
constexpr uint32_t kMixerBufferCount = 4;       // latency: four buffers, about 186 ms
constexpr uint32_t kMixerMaxVoices = 8;

// Gains are 16.16 fixed point; valid 0..kGainUnity. Index 0 is the master gain, 1 and
// 2 the channel gains.
constexpr uint32_t kGainUnity = 0x10000;
constexpr uint32_t kGainCount = 3;
// How far a gain moves per sample toward its target, in 1/256 gain units: a full swing
// from 0 to kGainUnity takes 5513 samples (1/8 s). Slower fades sound sluggish on the
// jet, faster ones click.
constexpr int32_t kGainRampStep = 3043;

struct MixerVoice {
    CSoundData* sound;  // the voice owns one reference
    uint32_t flags;     // SoundFlags: channel in bits 0-3, 16 = loop
    uint32_t start;     // mixer timeline sample of the sound's first sample (this repeat)
    bool finished;      // ends inside the buffer just mixed; removed after it
};

struct WaveMixer {
    bool open;                                   // the device is open
    bool closing;                                // fading out to close
    uint32_t written;                            // samples mixed since init; stands still while closed
    uint32_t base;                               // written when the device was last opened
    uint32_t queued;                             // buffers at the device, not yet returned
    uint32_t currentGain[kGainCount];
    uint32_t targetGain[kGainCount];
    uint32_t voiceCount;                         // voices in use, in order of arrival
    MixerVoice voices[kMixerMaxVoices];
    PfWaveOut device;
    PfWaveHeader headers[kMixerBufferCount];
    int16_t* buffers[kMixerBufferCount];         // kMixerBufferSamples each, allocated by init
    uint32_t next;                               // the next buffer to fill
};

void InitWaveMixer(WaveMixer* mixer);
// Closes the device when open, frees the buffers, releases every voice's sound.
void FreeWaveMixer(WaveMixer* mixer);

// Open request: fades the mix in, opening the device when it is closed; cancels a
// close in progress.
void OpenWaveMixer(WaveMixer* mixer);
// Close request: fades the mix out and closes the device when the last buffer comes
// back, or at once when none is queued.
void CloseWaveMixer(WaveMixer* mixer);
// A channel's target gain (1 or 2; 0 both); values above kGainUnity are ignored.
void SetMixerVolume(WaveMixer* mixer, uint32_t channel, uint32_t gain);
// Takes over the reference to sound (which may be null); see SoundFlags.
void PlayMixerSound(WaveMixer* mixer, CSoundData* sound, uint32_t flags);
// The device returned a buffer (PF_MM_WOM_DONE).
void WaveBufferReturned(WaveMixer* mixer);

// The steps of the cycle, for tests.
void OpenWaveDevice(WaveMixer* mixer);
void CloseWaveDevice(WaveMixer* mixer);
void FillWaveBuffer(WaveMixer* mixer);
uint32_t GetVoiceStartSample(const WaveMixer* mixer);
void ComputeGainRamp(const WaveMixer* mixer, uint32_t index, int32_t* step, uint32_t* length);
