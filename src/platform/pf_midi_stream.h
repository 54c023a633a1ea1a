// MIDI stream output: the midiStream calls the music player feeds, played by a
// FluidSynth General MIDI synth whose output goes to the output device
// (pf_audio_device).
//
// A stream buffer holds 12-byte events {u32 delta ticks, u32 stream id, u32 event}.
// The stream opens paused; PfMidiStreamRestart starts it. Events play at the time
// division set on the stream and the tempo of the last tempo event (500,000 µs per
// quarter note until the first). When a buffer's last event has been played its done
// flag is set and PF_MM_MOM_DONE is posted to the thread given at open. Stop and reset
// silence every note and return the queued buffers. Only one stream can be open.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/pf_mm_result.h"
#include "platform/pf_thread_messages.h"

// Event words: the type in the top byte, its data below.
constexpr uint32_t PF_MEVT_SHORTMSG = 0x00;      // status | data1 << 8 | data2 << 16
constexpr uint32_t PF_MEVT_TEMPO = 0x01;         // microseconds per quarter note
constexpr uint32_t PF_MEVT_NOP = 0x02;
constexpr uint32_t PF_MEVT_F_CALLBACK = 0x40000000;  // post PF_MM_MOM_POSITIONCB when played
constexpr uint32_t PF_MEVT_F_LONG = 0x80000000;      // followed by parameter bytes

constexpr uint32_t kPfMidiDefaultTempo = 500000;  // µs per quarter note: 120 beats a minute
constexpr uint32_t kPfMidiDefaultDivision = 96;   // ticks per quarter note until set

// Header flags.
constexpr uint32_t PF_MHDR_DONE = 0x01;
constexpr uint32_t PF_MHDR_PREPARED = 0x02;
constexpr uint32_t PF_MHDR_INQUEUE = 0x04;
constexpr uint32_t PF_MHDR_ISSTRM = 0x08;        // a stream buffer

struct PfMidiHeader {
    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;        // bytes
    uint32_t bytesRecorded = 0;       // bytes of events in data
    std::atomic<uint32_t> flags{0};
    uint32_t offset = 0;              // the next event to play (the device's own)
};

struct PfMidiStreamDevice;
using PfMidiStream = PfMidiStreamDevice*;

PfMmResult PfMidiStreamOpen(PfMidiStream* out, PfThreadId callbackThread);
PfMmResult PfMidiStreamSetTimeDivision(PfMidiStream stream, uint32_t ticksPerQuarter);
PfMmResult PfMidiOutPrepareHeader(PfMidiStream stream, PfMidiHeader* header);
PfMmResult PfMidiOutUnprepareHeader(PfMidiStream stream, PfMidiHeader* header);  // refused while queued
PfMmResult PfMidiStreamOut(PfMidiStream stream, PfMidiHeader* header);
PfMmResult PfMidiStreamRestart(PfMidiStream stream);
// Pauses, silences every note, returns every queued buffer as done.
PfMmResult PfMidiStreamStop(PfMidiStream stream);
// Silences every note and returns every queued buffer as done.
PfMmResult PfMidiOutReset(PfMidiStream stream);
// Refused (PF_MIDIERR_STILLPLAYING) while buffers are queued.
PfMmResult PfMidiStreamClose(PfMidiStream stream);

// Whether streams opened from now on load and play the synth (default true). Tests
// that only check timing turn it off; without a soundfont the synth is off anyway and
// the stream plays silently with the same timing.
void PfSetMidiSynthEnabled(bool enabled);
// Loads the synth and its soundfont now (about 30 ms) rather than at the first open.
// The audio thread does this when it starts, before any device is open.
void PfPreloadMidiSynth();
// True when the synth with its soundfont is loaded.
bool PfMidiSynthLoaded();

// Tests watch the events played through the seams' midiEvent (pf_seams.h), read when
// a stream opens.
