// The MIDI stream player: one quarter note (192 ticks) of events per buffer, each
// buffer ending in a no-op at the quarter's end that asks for a callback.
#include "audio/au_midi_player.h"

#include <cstring>

#include "platform/pf_thread_messages.h"

namespace {

constexpr uint32_t kLoopFlag = 16;

void WriteEvent(uint8_t* buffer, uint32_t* used, uint32_t delta, uint32_t word) {
    uint32_t record[3] = {delta, 0, word};
    std::memcpy(buffer + *used, record, sizeof record);
    *used += kMidiEventBytes;
}

uint32_t EventWord(const MusicEvent& e) {
    if (e.status == kMusicTempoStatus)
        return static_cast<uint32_t>(PF_MEVT_TEMPO) << 24 | e.data1 << 16 | e.data2 << 8 | e.data3;
    return e.status | e.data1 << 8 | e.data2 << 16;
}

bool IsProgramChange(const MusicEvent& e) { return (e.status & 0xF0) == 0xC0; }

bool Full(uint32_t used) { return used + kMidiBufferReserve > kMidiBufferBytes; }

// Writes, at delta 0, what the device forgot when it was closed: the tempo in force at
// the cursor (else music not at the default tempo would come back at 120 beats a
// minute) and every program change before the cursor.
void ResendEarlierSettings(MidiStreamPlayer* p, uint8_t* buffer, uint32_t* used) {
    const std::vector<MusicEvent>& events = p->music->events;
    for (uint32_t k = p->cursor; k-- > 0;) {
        if (events[k].status == kMusicTempoStatus) {
            WriteEvent(buffer, used, 0, EventWord(events[k]));
            break;
        }
    }
    for (uint32_t k = 0; k < p->cursor && !Full(*used); ++k)
        if (IsProgramChange(events[k])) WriteEvent(buffer, used, 0, EventWord(events[k]));
}

void ReleaseMusic(MidiStreamPlayer* p) {
    if (p->music) p->music->Release();
    p->music = nullptr;
}

}  // namespace

void InitMidiPlayer(MidiStreamPlayer* p) {
    p->flags = 0;
    p->music = nullptr;
    p->cursor = 0;
    p->position = 0;
    p->open = false;
    p->closing = false;
    p->reopened = false;
    p->queued = 0;
    p->stream = nullptr;
    p->next = 0;
    for (uint32_t k = 0; k < kMidiBufferCount; ++k) {
        p->buffers[k] = new uint8_t[kMidiBufferBytes]();
        p->headers[k].data = p->buffers[k];
        p->headers[k].bufferLength = kMidiBufferBytes;
    }
}

void FreeMidiPlayer(MidiStreamPlayer* p) {
    if (p->open) CloseMidiDevice(p);
    for (uint32_t k = 0; k < kMidiBufferCount; ++k) {
        delete[] p->buffers[k];
        p->buffers[k] = nullptr;
    }
    ReleaseMusic(p);
}

void FillMidiBuffer(MidiStreamPlayer* p) {
    uint8_t* buffer = p->buffers[p->next];
    uint32_t used = 0;
    if (p->reopened && p->music) {
        ResendEarlierSettings(p, buffer, &used);
        p->reopened = false;
    }
    uint32_t end = p->position + kMusicTicksPerQuarter;
    if (!Full(used)) {
        while (p->music && p->cursor < p->music->events.size() &&
               p->music->events[p->cursor].time < end) {
            const MusicEvent& e = p->music->events[p->cursor];
            // Events of this quarter that did not fit the last buffer lie before
            // position now: they are passed over.
            if (e.time >= p->position) {
                WriteEvent(buffer, &used, e.time - p->position, EventWord(e));
                p->position = e.time;
            }
            ++p->cursor;
            if (Full(used)) break;
        }
    }
    WriteEvent(buffer, &used, end - p->position, kMidiEndOfQuarter);
    p->position = end;
    if (p->music && p->cursor == p->music->events.size()) {
        if (p->flags & kLoopFlag) {
            p->cursor = 0;  // starts again with the next buffer
            p->position = 0;
        } else {
            ReleaseMusic(p);
        }
    }
    PfMidiHeader& h = p->headers[p->next];
    h.bytesRecorded = used;
    h.flags.fetch_or(PF_MHDR_ISSTRM);
    if (PfMidiStreamOut(p->stream, &h) == PF_MMSYSERR_NOERROR) {
        ++p->queued;
        p->next = (p->next + 1) % kMidiBufferCount;
    }
}

void OpenMidiDevice(MidiStreamPlayer* p) {
    if (PfMidiStreamOpen(&p->stream, PfCurrentThreadId()) != PF_MMSYSERR_NOERROR) {
        p->stream = nullptr;
        return;
    }
    PfMidiStreamSetTimeDivision(p->stream, kMusicTicksPerQuarter);
    for (uint32_t k = 0; k < kMidiBufferCount; ++k) {
        PfMidiHeader& h = p->headers[k];
        h.data = p->buffers[k];
        h.bufferLength = kMidiBufferBytes;
        h.bytesRecorded = 0;
        h.flags.store(0);
        h.offset = 0;
        PfMidiOutPrepareHeader(p->stream, &h);
    }
    PfMidiStreamRestart(p->stream);
    p->open = true;
    p->next = 0;
    p->queued = 0;
    for (uint32_t k = 0; k < kMidiBufferCount; ++k) FillMidiBuffer(p);
}

void CloseMidiDevice(MidiStreamPlayer* p) {
    PfMidiStreamStop(p->stream);
    PfMidiOutReset(p->stream);
    for (PfMidiHeader& h : p->headers) PfMidiOutUnprepareHeader(p->stream, &h);
    PfMidiStreamClose(p->stream);
    p->stream = nullptr;
    p->open = false;
}

void OpenMidiPlayer(MidiStreamPlayer* p) {
    p->closing = false;
    if (!p->open) {
        p->reopened = true;
        OpenMidiDevice(p);
    }
    if (p->open) {
        uint32_t fills = kMidiBufferCount - p->queued;
        for (uint32_t k = 0; k < fills; ++k) FillMidiBuffer(p);
    }
}

void CloseMidiPlayer(MidiStreamPlayer* p) {
    p->closing = true;
    // With nothing at the device no buffer will come back to finish the close.
    if (p->open && p->queued == 0) CloseMidiDevice(p);
}

void PlayMidiMusic(MidiStreamPlayer* p, CMusicData* music, uint32_t flags) {
    ReleaseMusic(p);
    p->position = 0;
    p->music = music;
    p->flags = flags;
    if (music) p->cursor = 0;
}

void MidiBufferReturned(MidiStreamPlayer* p) {
    if (p->queued > 0) --p->queued;
    if (p->open && !p->closing) FillMidiBuffer(p);
    if (p->open && p->closing && p->queued == 0) CloseMidiDevice(p);
}
