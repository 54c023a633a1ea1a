// The one audio output of the game: an SDL2 device carrying the sum of the wave output
// (pf_wave_out) and the MIDI synth (pf_midi_stream), mono 16-bit 44100 Hz, saturated.
//
// [X] SDL2, audio subsystem only, with its signal handlers off
// [X] falls back to SDL's dummy driver when no real device opens: the game runs silent
// [X] a manual driver for tests: nothing plays by itself; the test pulls samples with
//     PfRenderAudio and so decides exactly when each sample is played
//
// The wave output and the MIDI stream acquire the device when they open and release it
// when they close; the device is open while either holds it.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/pf_seams.h"

constexpr uint32_t kPfAudioSampleRate = 44100;

// The driver (PfAudioDriver) is the seams' audioDriver (pf_seams.h), read when the
// device opens.

// Opens the device for its first holder. False when no device at all can be opened.
bool PfAcquireAudioOutput();
// Lets go of it; the last holder closes it. Never call with a wave or MIDI lock held.
void PfReleaseAudioOutput();

// Held around SDL calls made outside the audio thread (sound conversion on the main
// thread), so they never overlap the device's open or SDL's shutdown at its close.
std::unique_lock<std::mutex> PfLockAudioSdl();

// The name of the driver in use ("pulseaudio", "alsa", "dummy", "disk", "manual"), or
// "" while the device is closed.
const char* PfAudioDriverName();

// Produces the next frames of the output: wave output plus synth, saturated to 16 bits.
// The SDL callback calls it; with the manual driver a test calls it.
void PfRenderAudio(int16_t* out, uint32_t frames);
