// The MIDI stream player: feeds a music one quarter note per stream buffer, loops it,
// and after a reopen re-sends the instrument choices and tempo made earlier in the
// music. Lives on the audio thread only.
#pragma once

#include <cstdint>

#include "audio/au_music.h"
#include "platform/pf_midi_stream.h"

constexpr uint32_t kMidiBufferBytes = 4096;
constexpr uint32_t kMidiBufferCount = 2;
constexpr uint32_t kMidiEventBytes = 12;       // delta, stream id, event word
// Room an event loop keeps free: one more event and the closing no-op. Limits a
// buffer to 339 events of music plus the no-op.
constexpr uint32_t kMidiBufferReserve = 32;
constexpr uint32_t kMidiEndOfQuarter = 0x42000000;  // no-op with the callback flag

struct MidiStreamPlayer {
    uint32_t flags;                           // SoundFlags of the last play message (16 = loop)
    CMusicData* music;                        // one reference owned, or null
    uint32_t cursor;                          // index of the next event to send
    uint32_t position;                        // ticks the stream has been fed up to
    bool open;                                // the stream is open
    bool closing;                             // a close was requested
    bool reopened;                            // earlier program changes must be sent first
    uint32_t queued;                          // buffers at the device, not yet returned
    PfMidiStream stream;
    PfMidiHeader headers[kMidiBufferCount];
    uint8_t* buffers[kMidiBufferCount];       // kMidiBufferBytes each, allocated by init
    uint32_t next;                            // the next buffer to fill
};

void InitMidiPlayer(MidiStreamPlayer* player);
// Frees the buffers and releases the music (the stream must be closed).
void FreeMidiPlayer(MidiStreamPlayer* player);

// Open request: opens the stream when closed, cancels a close in progress, keeps two
// quarter notes queued.
void OpenMidiPlayer(MidiStreamPlayer* player);
// Close request: lets the queued quarter notes play out, then closes (at once when
// nothing is queued).
void CloseMidiPlayer(MidiStreamPlayer* player);
// Replaces the music (taking over the reference; null stops it) from the next buffer.
void PlayMidiMusic(MidiStreamPlayer* player, CMusicData* music, uint32_t flags);
// The device returned a buffer (PF_MM_MOM_DONE).
void MidiBufferReturned(MidiStreamPlayer* player);

// The steps, for tests.
void OpenMidiDevice(MidiStreamPlayer* player);
void CloseMidiDevice(MidiStreamPlayer* player);
void FillMidiBuffer(MidiStreamPlayer* player);
